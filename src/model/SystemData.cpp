#include "SystemData.h"

#include "Lanes.h"

#include "CashKarp.h"
#include "ModelState.h"
#include "ParamFile.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

using cashkarp::kStateSize;

// Force terms of all magnets into arrays: a loop without a running sum, so it
// can run in vector registers (one magnet per lane). Restrict-qualified
// parameters tell the compiler that the arrays do not overlap, which spares
// it run-time overlap checks.
template <class Power>
inline void magnetTerms(const FieldConstants& c, double x, double y, Power power,
                        double* __restrict termX, double* __restrict termY)
{
    const auto loop = [](int count, double x, double y, Power power, const double* __restrict posX,
                         const double* __restrict posY, const double* __restrict dz2,
                         const double* __restrict factor, double* __restrict termX,
                         double* __restrict termY) {
        for (int i = 0; i < count; ++i) {
            double dx, dy, r2;
            const double w = cashkarp::magnetWeight(x, y, posX[i], posY[i], dz2[i], factor[i],
                                                    power, dx, dy, r2);
            termX[i] = w * dx;
            termY[i] = w * dy;
        }
    };
    loop(c.count, x, y, power, c.posX, c.posY, c.dz2, c.factor, termX, termY);
}

// The same loop compiled for AVX2 (4 doubles per register). FMA stays off on
// purpose: contraction would round differently from the portable build, and
// a trajectory should not depend on the processor it was computed on.
template <class Power>
__attribute__((target("avx2"))) void magnetTermsAvx2(const FieldConstants& c, double x, double y,
                                                     Power power, double* termX, double* termY)
{
    magnetTerms(c, x, y, power, termX, termY);
}

// The equations of motion of one path, laid out for fast evaluation. Taken
// once per trajectory. The terms are the map's (cashkarp::laneDerivs), summed
// in the same order.
class MagnetField
{
public:
    explicit MagnetField(const SystemData& data)
        : model(ModelState::of(data).physics), terms(2 * std::size_t(model.constants().count)),
          useAvx2(__builtin_cpu_supports("avx2"))
    {
    }

    // Inlined into the Cash-Karp stages: a call per evaluation would cost a
    // fifth of the time of a whole step with three magnets.
    [[gnu::always_inline]] void operator()(const double* y, double* dydx) const
    {
        const FieldConstants& c = model.constants();
        cashkarp::withPower(c, [&](auto power) {
            if (c.count < kVectorWidth) {
                // Too few to fill a vector register: one pass, all in registers.
                cashkarp::laneDerivs<false>(c, power, y, dydx);
                return;
            }
            double* termX = terms.data();
            double* termY = termX + c.count;
            if (useAvx2)
                magnetTermsAvx2(c, y[0], y[1], power, termX, termY);
            else
                magnetTerms(c, y[0], y[1], power, termX, termY);
            double ax, ay;
            cashkarp::linearAcceleration(c, y, ax, ay);
            double sx = 0.0;
            double sy = 0.0;
            for (int i = 0; i < c.count; ++i) {
                sx += termX[i];
                sy += termY[i];
            }
            dydx[0] = y[2];
            dydx[1] = y[3];
            dydx[2] = ax - sx;
            dydx[3] = ay - sy;
        });
    }

    MagnetField(const MagnetField&) = delete;
    MagnetField& operator=(const MagnetField&) = delete;

private:
    static constexpr int kVectorWidth = 4; // doubles in an AVX2 register

    MagnetModel model;
    mutable std::vector<double> terms; // scratch of the magnet-parallel loop
    bool useAvx2;
};

// Tries Cash-Karp steps from htry on until the scaled error is within eps,
// then proposes the next step size. The map runs the same tries lane by lane
// (BasinKernel.h).
template <class Derivs>
void controlledStep(const Derivs& derivs, double* y, const double* dydx, int n, double& t,
                    double htry, double eps, const double* yscal, double& hdid, double& hnext)
{
    using namespace cashkarp;
    double ytemp[kStateSize];
    double yerr[kStateSize];
    double h = htry;
    double errmax = 0.0;
    for (;;) {
        cashKarpStep(derivs, y, dydx, n, h, ytemp, yerr);
        errmax = errorRatio(yerr, yscal, n, eps);
        if (errmax <= 1.0)
            break;
        h = shrunkStep(h, errmax);
        if (stepCollapsed(h))
            break;
    }
    hnext = nextStep(h, errmax);
    hdid = h;
    t += h;
    std::copy(ytemp, ytemp + n, y);
}

// Whether a state and its time stamp survive the rounding to the float samples
// (compared in double: converting a value beyond the float range is undefined).
bool isStorable(const double* y, double t)
{
    constexpr double largest = cashkarp::kLargestSample;
    for (int j = 0; j < kStateSize; ++j)
        if (!(std::fabs(y[j]) <= largest))
            return false;
    return std::fabs(t) <= largest;
}

} // namespace

SystemData::SystemData()
{
    ResetParams();
    appendDefaultMagnets();
    magnetSize = 0.005f;
    pendulumColor = QColor(255, 240, 160, 255);
    ambientColor = Qt::white;
    diffuseColor = Qt::white;
    specularColor = Qt::white;
    k_amb = 0.2f;
    k_diff = 0.8f;
    k_spec = 0.0f;
    k_exp = 120.0f;
}

void SystemData::derivs(const double* y, double* dydx) const
{
    MagnetField field(*this);
    field(y, dydx);
}

void SystemData::rkck(const double* y, const double* dydx, int n, double h, double* yout,
                      double* yerr) const
{
    Q_ASSERT(n <= kStateSize);
    MagnetField field(*this);
    cashkarp::cashKarpStep(field, y, dydx, n, h, yout, yerr);
}

void SystemData::rkqs(double* y, const double* dydx, int n, double& t, double htry, double eps,
                      const double* yscal, double& hdid, double& hnext) const
{
    Q_ASSERT(n <= kStateSize);
    MagnetField field(*this);
    controlledStep(field, y, dydx, n, t, htry, eps, yscal, hdid, hnext);
}

void SystemData::computeTrajectory(double x0, double y0)
{
    // The buffer follows maxNumPoints, which the 2D view may change.
    const int capacity = std::max(maxNumPoints, 0);
    if (trajPoints.size() < std::size_t(capacity))
        trajPoints.resize(std::size_t(capacity));
    trajTimes.clear();
    trajTimes.reserve(std::size_t(capacity));
    numTrajPoints = 0;

    MagnetField field(*this);
    double y[kStateSize] = {x0, y0, 0.0, 0.0};
    double dydx[kStateSize];
    double yscal[kStateSize];
    double t = 0.0;
    double h = cashkarp::kFirstStep;
    if (!isStorable(y, t))
        return;
    for (int i = 0; i < capacity; ++i) {
        trajPoints[std::size_t(i)] = {float(y[0]), float(y[1]), float(y[2]), float(y[3])};
        trajTimes.push_back(float(t));

        field(y, dydx);
        for (int j = 0; j < kStateSize; ++j)
            yscal[j] = cashkarp::errorScale(y[j], dydx[j], h);
        const double before[kStateSize] = {y[0], y[1], y[2], y[3]};
        double hdid = 0.0;
        double hnext = 0.0;
        controlledStep(field, y, dydx, kStateSize, t, h, cashkarp::kTolerance, yscal, hdid, hnext);
        ++numTrajPoints;
        // Stamps advance by twice the step; the playback speed is tuned to it.
        t += hdid;
        if (cashkarp::stepCollapsed(hnext))
            break;
        // The next sample must be storable: a state that is no longer finite
        // (a zero rod length, a bob on a magnet at plate height) or a stamp
        // beyond the float range ends the path before it gets there.
        if (!isStorable(y, t))
            break;
        // At an exact equilibrium nothing moves and the step only grows; the
        // samples would repeat the same point over an ever longer time, and
        // the playback would crawl along them for ever.
        if (std::equal(y, y + kStateSize, before))
            break;
        h = hnext;
    }
    if (numTrajPoints >= 2)
        animTime = trajTimes.front();
}

void SystemData::SetMaxNumPoints(int maxNumPoints)
{
    if (maxNumPoints < 2)
        return;
    this->maxNumPoints = maxNumPoints;
    trajPoints = std::vector<std::array<float, 4>>(std::size_t(maxNumPoints));
    trajTimes.clear();
    animIndex = 0;
    animPos[0] = 0.0f;
    animPos[1] = 0.0f;
    numTrajPoints = 0;
}

int SystemData::storedSamples() const
{
    return std::min({numTrajPoints, int(trajTimes.size()), int(trajPoints.size())});
}

bool SystemData::animStep(double milliseconds)
{
    if (numTrajPoints <= 1) {
        animPos[0] = animPos[1] = 0.0f;
        animTime = 0.0f;
        animIndex = 0;
    }
    if (animIndex >= numTrajPoints - 1)
        return false;

    // The clock advances by the wall time in seconds; the factors are float
    // constants, the product and the sum are in double. A tick at a speed
    // that is a power of two scales the time exactly.
    animTime = float(double(animTime) + milliseconds * double(0.001f) * 10.0 * double(0.1f));
    if (animIndex < 0)
        return false;

    // trajPoints may have been reallocated smaller since the stamps were taken.
    const int last = int(std::min(trajTimes.size(), trajPoints.size())) - 1;
    for (int i = animIndex; i < last; ++i) {
        const float t0 = trajTimes[std::size_t(i)];
        const float t1 = trajTimes[std::size_t(i) + 1];
        if (t0 <= animTime && animTime < t1) {
            animIndex = i;
            const float s = (animTime - t0) / (t1 - t0);
            const auto& p0 = trajPoints[std::size_t(i)];
            const auto& p1 = trajPoints[std::size_t(i) + 1];
            animPos[0] = p0[0] + s * (p1[0] - p0[0]);
            animPos[1] = p0[1] + s * (p1[1] - p0[1]);
            return true;
        }
    }
    return false;
}

ParamFileReport SystemData::readParams(const QString& fileName)
{
    return ParamFile::read(fileName, *this);
}

ParamFileReport SystemData::writeParams(const QString& fileName) const
{
    return ParamFile::write(fileName, *this);
}

std::array<float, 3> SystemData::pickColorFromId(int id)
{
    return {float(id & 255) / 255.0f, float((id >> 8) & 255) / 255.0f,
            float((id >> 16) & 255) / 255.0f};
}

int SystemData::pickIdFromColor(unsigned char r, unsigned char g, unsigned char b)
{
    return int(r) | (int(g) << 8) | (int(b) << 16);
}

void SystemData::appendMagnet(float posX, float posY, float alpha, float r, float g, float b)
{
    Magnet magnet;
    magnet.posX = posX;
    magnet.posY = posY;
    magnet.posZ = 0.0f;
    magnet.alpha = alpha;
    magnet.color[0] = r;
    magnet.color[1] = g;
    magnet.color[2] = b;
    magnet.color[3] = 1.0f;
    const std::array<float, 3> pick = pickColorFromId(1000 + int(magnets.size()));
    std::copy(pick.begin(), pick.end(), magnet.pickColor);
    magnets.append(magnet);
}

void SystemData::appendDefaultMagnets()
{
    appendMagnet(-0.03f, -0.03f, 1.0f, 1.0f, 0.0f, 0.0f);
    appendMagnet(0.03f, -0.03f, 1.0f, 0.0f, 1.0f, 0.0f);
    appendMagnet(0.0f, float(0.03 * std::sqrt(2.0)), 1.0f, 0.0f, 0.0f, 1.0f);
}

void SystemData::ResetParams()
{
    pendulumHeight = 2.02;
    pendulumLength = 2.0;
    numTrajPoints = 0;
    maxNumPoints = 1500;
    gravity = 9.81;
    lineWidth = 2;
    damping = 1.0;
    kappa = 1.0;
    magFactor = 0.01;
    maxTheta = 5.0;
    maxRadius = viewHalfWidth = viewHalfHeight = 1.0;
    lineColor = Qt::white;
    tScale = 1.0;
    trajPoints.assign(std::size_t(maxNumPoints), {});
    animPos[0] = animPos[1] = 0.0f;
    animIndex = 0;
    animTime = 0.0f;
}

void SystemData::ResetAnim()
{
    // The start of the most recent trajectory, even one that has been cleared;
    // a buffer that never held one is all zeros.
    if (!trajPoints.empty()) {
        animPos[0] = trajPoints[0][0];
        animPos[1] = trajPoints[0][1];
    } else {
        animPos[0] = animPos[1] = 0.0f;
    }
    animIndex = 0;
    animTime = 0.0f;
}
