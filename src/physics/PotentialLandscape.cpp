#include "PotentialLandscape.h"

#include "Lanes.h"

#include "CashKarp.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kGridSeeds = 20;        // per side of the seed grid
constexpr int kNewtonIterations = 60; // per seed
constexpr int kMaxHalvings = 12;      // of one Newton step
constexpr int kRadialRings = 16;      // checks of the capture disc: rings ...
constexpr int kRadialRays = 64;       // ... times rays
constexpr int kRimSamples = 2048;     // samples of U on the rim of a capture disc
// A capture disc reaches this share of the way to the nearest other critical
// point: its rim passes close to the passes out of the well, so its barrier
// comes close to their level and the bob is caught soon after it can no
// longer leave.
constexpr double kDiscReach = 0.9;
constexpr double kRimSlack = 1.5; // on the sampled slope, for the gaps between samples
// The integrated energy carries the integrator's error, which the exact
// energy does not; the barrier keeps this share of the well's depth in hand.
constexpr double kIntegrationMargin = 0.01;

double square(double v)
{
    return v * v;
}

// r2^e; half-integer exponents (every integer kappa) with products and at
// most one square root, several times faster than pow.
double powerOfSquare(double r2, double e)
{
    const double twice = 2.0 * e;
    if (twice != std::trunc(twice) || std::fabs(twice) > 32.0)
        return std::pow(r2, e);
    return cashkarp::scaledIntegerPower(1.0, r2, int(twice));
}

} // namespace

PotentialLandscape::PotentialLandscape(const ModelParameters& p)
    : gOverL(p.gravity / p.pendulumLength), kappa(p.kappa)
{
    const double h0 = p.pendulumHeight - p.pendulumLength;
    for (const Magnet& m : p.magnets) {
        const double dz = h0 - double(m.posZ);
        magnetHeights.push_back(std::fabs(dz));
        if (kappa != 0.0)
            sources.push_back({m.posX, m.posY, dz * dz, p.magFactor * double(m.alpha)});
    }
    if (!std::isfinite(gOverL))
        return;
    findCriticalPoints();
    makeAttractors();
}

double PotentialLandscape::potential(double x, double y) const
{
    double u = 0.5 * gOverL * (x * x + y * y);
    for (const Source& s : sources) {
        const double r2 = square(x - s.x) + square(y - s.y) + s.dz2;
        u -= s.strength * powerOfSquare(r2, -0.5 * kappa);
    }
    return u;
}

void PotentialLandscape::gradient(double x, double y, double& gx, double& gy) const
{
    gx = gOverL * x;
    gy = gOverL * y;
    for (const Source& s : sources) {
        const double dx = x - s.x;
        const double dy = y - s.y;
        const double w =
            kappa * s.strength * powerOfSquare(dx * dx + dy * dy + s.dz2, -0.5 * kappa - 1.0);
        gx += w * dx;
        gy += w * dy;
    }
}

void PotentialLandscape::hessian(double x, double y, double& hxx, double& hxy, double& hyy) const
{
    hxx = hyy = gOverL;
    hxy = 0.0;
    for (const Source& s : sources) {
        const double dx = x - s.x;
        const double dy = y - s.y;
        const double r2 = dx * dx + dy * dy + s.dz2;
        const double w = kappa * s.strength * powerOfSquare(r2, -0.5 * kappa - 1.0);
        const double w2 = (-kappa - 2.0) * w / r2;
        hxx += w + w2 * dx * dx;
        hxy += w2 * dx * dy;
        hyy += w + w2 * dy * dy;
    }
}

// Newton's method on the gradient. Succeeds only where a full step has become negligible, so that a
// stall at a mere minimum of |grad U| is not taken for a critical point.
bool PotentialLandscape::newton(double& x, double& y) const
{
    const double scale = std::max(std::hypot(x, y), 1e-3);
    for (int it = 0; it < kNewtonIterations; ++it) {
        double gx, gy, hxx, hxy, hyy;
        gradient(x, y, gx, gy);
        hessian(x, y, hxx, hxy, hyy);
        const double det = hxx * hyy - hxy * hxy;
        if (!(std::fabs(det) > 0.0) || !std::isfinite(det))
            return false;
        double sx = -(hyy * gx - hxy * gy) / det;
        double sy = -(hxx * gy - hxy * gx) / det;
        const double g2 = gx * gx + gy * gy;
        if (std::hypot(sx, sy) <= 1e-13 * scale)
            return std::isfinite(x) && std::isfinite(y);
        // Halve a step that makes the gradient larger; a seed whose steps
        // all do is stuck beside a minimum of |grad U|: give it up.
        int halving = 0;
        for (;; ++halving) {
            if (halving == kMaxHalvings)
                return false;
            double nx, ny;
            gradient(x + sx, y + sy, nx, ny);
            if (nx * nx + ny * ny <= g2)
                break;
            sx *= 0.5;
            sy *= 0.5;
        }
        x += sx;
        y += sy;
    }
    return false;
}

void PotentialLandscape::addPoint(double x, double y)
{
    double hxx, hxy, hyy;
    hessian(x, y, hxx, hxy, hyy);
    const double det = hxx * hyy - hxy * hxy;
    if (!(std::fabs(det) > 0.0))
        return; // degenerate: neither kind can be told
    for (const CriticalPoint& q : points)
        if (std::hypot(q.x - x, q.y - y) <= 1e-9 * std::max(std::hypot(x, y), 1e-2))
            return;
    CriticalPoint c;
    c.x = x;
    c.y = y;
    c.potential = potential(x, y);
    c.kind = det < 0.0 ? CriticalPoint::Saddle
                       : (hxx > 0.0 ? CriticalPoint::Minimum : CriticalPoint::Maximum);
    points.push_back(c);
}

void PotentialLandscape::findCriticalPoints()
{
    // Seeds: the origin, every magnet, the midpoints of every pair among
    // them, and a grid over their box with a margin around it.
    std::vector<std::pair<double, double>> seeds = {{0.0, 0.0}};
    double x0 = 0.0, x1 = 0.0, y0 = 0.0, y1 = 0.0, height = 0.0;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const Source& s = sources[i];
        seeds.push_back({s.x, s.y});
        seeds.push_back({0.5 * s.x, 0.5 * s.y});
        for (std::size_t j = 0; j < i; ++j)
            seeds.push_back({0.5 * (s.x + sources[j].x), 0.5 * (s.y + sources[j].y)});
        x0 = std::min(x0, s.x);
        x1 = std::max(x1, s.x);
        y0 = std::min(y0, s.y);
        y1 = std::max(y1, s.y);
        height = std::max(height, std::sqrt(s.dz2));
    }
    const double margin = std::max({0.25 * std::max(x1 - x0, y1 - y0), 2.0 * height, 1e-3});
    x0 -= margin;
    x1 += margin;
    y0 -= margin;
    y1 += margin;
    for (int i = 0; i < kGridSeeds; ++i)
        for (int j = 0; j < kGridSeeds; ++j)
            seeds.push_back(
                {x0 + (x1 - x0) * (i + 0.5) / kGridSeeds, y0 + (y1 - y0) * (j + 0.5) / kGridSeeds});

    const double reach = 10.0 * std::max({x1 - x0, y1 - y0, 1e-3});
    for (auto [x, y] : seeds)
        if (newton(x, y) && std::hypot(x, y) < reach)
            addPoint(x, y);
    std::sort(points.begin(), points.end(), [](const CriticalPoint& a, const CriticalPoint& b) {
        return a.kind != b.kind ? a.kind < b.kind : (a.x != b.x ? a.x < b.x : a.y < b.y);
    });
}

double PotentialLandscape::radialSlope(double cx, double cy, double x, double y) const
{
    double gx, gy;
    gradient(x, y, gx, gy);
    return (x - cx) * gx + (y - cy) * gy;
}

// Whether U rises along every ray from (x, y) inside the disc, checked on
// rings and rays: then the centre is the disc's only critical point.
bool PotentialLandscape::onlyCriticalPointInDisc(double x, double y, double radius) const
{
    for (int a = 1; a <= kRadialRings; ++a) {
        const double r = radius * a / kRadialRings;
        for (int b = 0; b < kRadialRays; ++b) {
            const double angle = 2.0 * kPi * b / kRadialRays;
            if (!(radialSlope(x, y, x + r * std::cos(angle), y + r * std::sin(angle)) > 0.0))
                return false;
        }
    }
    return true;
}

// Why a capture disc is sound: inside it U <= E, on its rim U >= barrier. A
// bob in the disc with E < barrier would need U >= barrier > E to cross the
// rim, and with damping E never increases, so it stays in the disc for ever.
// A damped motion that stays in a bounded region comes to rest at a critical
// point there (the energy falls while it moves), and the minimum is the only
// one in the disc. The barrier is the least U on the rim, sampled densely,
// less the largest slope there times the gap between samples (with slack),
// less a share of the well's depth for the integration error.
void PotentialLandscape::makeAttractors()
{
    for (const CriticalPoint& c : points) {
        if (c.kind != CriticalPoint::Minimum)
            continue;
        Attractor a;
        a.x = c.x;
        a.y = c.y;
        a.potential = c.potential;
        double nearest = std::numeric_limits<double>::infinity();
        for (std::size_t i = 0; i < magnetHeights.size(); ++i) {
            if (i >= sources.size() || sources[i].strength <= 0.0)
                continue;
            const double d = std::hypot(c.x - sources[i].x, c.y - sources[i].y);
            if (d <= magnetHeights[i] && d < nearest) {
                nearest = d;
                a.magnet = int(i);
            }
        }

        double radius = std::numeric_limits<double>::infinity();
        for (const CriticalPoint& o : points)
            if (&o != &c)
                radius = std::min(radius, kDiscReach * std::hypot(o.x - c.x, o.y - c.y));
        if (!std::isfinite(radius)) // the only critical point: any disc will do
            radius = std::max(1.0, std::hypot(c.x, c.y));
        for (int shrink = 0; shrink < 40 && !onlyCriticalPointInDisc(c.x, c.y, radius); ++shrink)
            radius *= 0.7;

        double lowest = std::numeric_limits<double>::infinity();
        double steepest = 0.0;
        for (int k = 0; k < kRimSamples; ++k) {
            const double angle = 2.0 * kPi * k / kRimSamples;
            const double x = c.x + radius * std::cos(angle);
            const double y = c.y + radius * std::sin(angle);
            double gx, gy;
            gradient(x, y, gx, gy);
            lowest = std::min(lowest, potential(x, y));
            steepest = std::max(steepest, std::hypot(gx, gy));
        }
        double barrier = lowest - kRimSlack * steepest * kPi * radius / kRimSamples;
        barrier -= kIntegrationMargin * (barrier - c.potential);
        if (barrier > c.potential && std::isfinite(barrier)) {
            a.radius = radius;
            a.barrier = barrier;
        }
        minima.push_back(a);
    }
    std::stable_sort(minima.begin(), minima.end(), [](const Attractor& a, const Attractor& b) {
        if ((a.magnet < 0) != (b.magnet < 0))
            return a.magnet >= 0;
        if (a.magnet != b.magnet)
            return a.magnet < b.magnet;
        return a.x != b.x ? a.x < b.x : a.y < b.y;
    });
}
