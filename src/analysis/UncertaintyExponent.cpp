#include "UncertaintyExponent.h"

#include <cmath>
#include <limits>
#include <random>
#include <stdexcept>

namespace {

constexpr int kScales = UncertaintyExponent::kLastPower - UncertaintyExponent::kFirstPower + 1;
constexpr double kTwoPi = 6.283185307179586476925286766559;

// Uniform in [0, 1) from the top 53 bits: the same numbers from a seed with
// every standard library (their distributions may differ).
double unit(std::mt19937_64& random)
{
    return double(random() >> 11) * 0x1.0p-53;
}

} // namespace

std::vector<PlanePoint> UncertaintyExponent::releasePoints(const Region& region, int samples,
                                                           std::uint64_t seed)
{
    if (samples < 1)
        throw std::invalid_argument("UncertaintyExponent: at least one sample is needed");
    std::mt19937_64 random(seed);
    const double width = region.right - region.left;
    const double height = region.top - region.bottom;
    std::vector<PlanePoint> centres(static_cast<std::size_t>(samples));
    std::vector<PlanePoint> directions(centres.size());
    for (std::size_t n = 0; n < centres.size(); ++n) {
        centres[n] = {region.left + unit(random) * width, region.bottom + unit(random) * height};
        const double angle = kTwoPi * unit(random);
        directions[n] = {std::cos(angle), std::sin(angle)};
    }
    std::vector<PlanePoint> points = centres;
    points.reserve(centres.size() * (1 + 2 * kScales));
    for (int k = kFirstPower; k <= kLastPower; ++k) {
        const double eps = std::ldexp(width, -k);
        for (std::size_t n = 0; n < centres.size(); ++n) {
            const PlanePoint& x = centres[n];
            const PlanePoint& e = directions[n];
            points.push_back({x.x + eps * e.x, x.y + eps * e.y});
            points.push_back({x.x - eps * e.x, x.y - eps * e.y});
        }
    }
    return points;
}

bool UncertaintyExponent::measure(const Region& region, int samples, std::uint64_t seed,
                                  const Labeller& label)
{
    *this = UncertaintyExponent();
    const std::vector<PlanePoint> points = releasePoints(region, samples, seed);
    std::vector<int> labels;
    if (!label(points, labels))
        return false;
    if (labels.size() != points.size())
        throw std::logic_error("UncertaintyExponent: the labeller left points out");
    const std::size_t n = std::size_t(samples);
    sampleLabels.assign(labels.begin(), labels.begin() + std::ptrdiff_t(n));
    const double width = region.right - region.left;
    for (int k = kFirstPower; k <= kLastPower; ++k) {
        const std::size_t first = n * (1 + 2 * std::size_t(k - kFirstPower));
        Scale s;
        s.epsilon = std::ldexp(width, -k);
        s.samples = samples;
        for (std::size_t i = 0; i < n; ++i) {
            const int centre = labels[i];
            if (labels[first + 2 * i] != centre || labels[first + 2 * i + 1] != centre)
                ++s.uncertain;
        }
        s.fraction = double(s.uncertain) / double(samples);
        scales.push_back(s);
    }
    fit();
    return true;
}

void UncertaintyExponent::fit()
{
    double sx = 0.0, sy = 0.0;
    for (const Scale& s : scales) {
        if (s.uncertain >= kFitMinimum) {
            sx += std::log(s.epsilon);
            sy += std::log(s.fraction);
            ++fitted;
        }
    }
    defined = fitted >= 2;
    if (!defined)
        return;
    const double mx = sx / fitted;
    const double my = sy / fitted;
    double sxx = 0.0, sxy = 0.0;
    for (const Scale& s : scales) {
        if (s.uncertain >= kFitMinimum) {
            const double dx = std::log(s.epsilon) - mx;
            sxx += dx * dx;
            sxy += dx * (std::log(s.fraction) - my);
        }
    }
    alpha = sxy / sxx;
    intercept = my - alpha * mx;
    double residuals = 0.0;
    for (const Scale& s : scales) {
        if (s.uncertain >= kFitMinimum) {
            const double r = std::log(s.fraction) - (alpha * std::log(s.epsilon) + intercept);
            residuals += r * r;
        }
    }
    alphaError = fitted > 2 ? std::sqrt(residuals / (fitted - 2) / sxx)
                            : std::numeric_limits<double>::quiet_NaN();
}
