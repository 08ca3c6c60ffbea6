#include <epoxy/gl.h>

#include "SystemData.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTimer>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

constexpr int kStateSize = 4; // x, y, vx, vy

// Cash-Karp embedded Runge-Kutta pair of orders 5 and 4. The equations of
// motion do not depend on time, so the stage nodes are not needed.
namespace cashkarp {
constexpr double b21 = 1.0 / 5.0;
constexpr double b31 = 3.0 / 40.0, b32 = 9.0 / 40.0;
constexpr double b41 = 3.0 / 10.0, b42 = -9.0 / 10.0, b43 = 6.0 / 5.0;
constexpr double b51 = -11.0 / 54.0, b52 = 5.0 / 2.0, b53 = -70.0 / 27.0, b54 = 35.0 / 27.0;
constexpr double b61 = 1631.0 / 55296.0, b62 = 175.0 / 512.0, b63 = 575.0 / 13824.0,
                 b64 = 44275.0 / 110592.0, b65 = 253.0 / 4096.0;
// Fifth-order weights (the solution carried forward); those of k2 and k5 are zero.
constexpr double c1 = 37.0 / 378.0, c3 = 250.0 / 621.0, c4 = 125.0 / 594.0, c6 = 512.0 / 1771.0;
// Fifth minus embedded fourth-order weights: the error estimate.
constexpr double dc1 = c1 - 2825.0 / 27648.0;
constexpr double dc3 = c3 - 18575.0 / 48384.0;
constexpr double dc4 = c4 - 13525.0 / 55296.0;
constexpr double dc5 = -277.0 / 14336.0;
constexpr double dc6 = c6 - 1.0 / 4.0;
} // namespace cashkarp

// Step-size control of the quality-controlled step.
namespace stepcontrol {
constexpr double safety = 0.9;
constexpr double shrinkExponent = -0.25;
constexpr double growExponent = -0.2;
constexpr double growThreshold = 1.89e-4; // (5 / safety)^(-5): below it the step grows by maxGrow
constexpr double maxGrow = 5.0;
constexpr double maxShrink = 0.1;
constexpr double minStep = 1e-8;
} // namespace stepcontrol

// Trajectory settings.
constexpr double kFirstStep = 0.005;
constexpr double kTolerance = 1e-8;
constexpr double kTinyScale = 1e-30;
// Floor of the error scale. A component that is exactly zero (a release on an
// axis) would otherwise be held to round-off and collapse the step; as a
// maximum it leaves every ordinary scale, and so every ordinary path, as it was.
constexpr double kScaleFloor = 1e-12;

// factor * r^p from r^2 for an integer p: at most one square root, the rest
// products and one division.
inline double scaledIntegerPower(double factor, double r2, int p)
{
    const int k = std::abs(p);
    double rk = (k % 2 != 0) ? std::sqrt(r2) : 1.0;
    for (int i = 0; i < k / 2; ++i)
        rk *= r2;
    return p < 0 ? factor / rk : factor * rk;
}

// The three shapes of factor * r^(-kappa-2). A compile-time exponent (kappa 1,
// the default, and kappa 2) lets the magnet loop vectorise.
template <int P> struct FixedPower
{
    double operator()(double factor, double r2) const { return scaledIntegerPower(factor, r2, P); }
};

struct IntegerPower
{
    int p;
    double operator()(double factor, double r2) const { return scaledIntegerPower(factor, r2, p); }
};

struct GeneralPower
{
    double p;
    double operator()(double factor, double r2) const
    {
        return factor * std::pow(std::sqrt(r2), p);
    }
};

// The magnets as arrays of doubles, and room for their force terms.
struct MagnetArrays
{
    const double* posX;
    const double* posY;
    const double* dz2;    // (h0 - posZ)^2
    const double* factor; // kappa * magFactor * alpha
    double* termX;
    double* termY;
    int count;
};

// Force term w * (dx, dy) of one magnet on the bob at (x, y).
template <class Power>
inline void magnetTerm(double x, double y, double posX, double posY, double dz2, double factor,
                       Power power, double& termX, double& termY)
{
    const double dx = x - posX;
    const double dy = y - posY;
    const double w = power(factor, dx * dx + dy * dy + dz2);
    termX = w * dx;
    termY = w * dy;
}

// All terms into arrays: a loop without a running sum, so it can run in
// vector registers. Restrict-qualified parameters tell the compiler that the
// arrays do not overlap, which spares it run-time overlap checks.
template <class Power>
inline void magnetTerms(const MagnetArrays& m, double x, double y, Power power)
{
    const auto loop = [](int count, double x, double y, Power power, const double* __restrict posX,
                         const double* __restrict posY, const double* __restrict dz2,
                         const double* __restrict factor, double* __restrict termX,
                         double* __restrict termY) {
        for (int i = 0; i < count; ++i)
            magnetTerm(x, y, posX[i], posY[i], dz2[i], factor[i], power, termX[i], termY[i]);
    };
    loop(m.count, x, y, power, m.posX, m.posY, m.dz2, m.factor, m.termX, m.termY);
}

// The same loop compiled for AVX2 (4 doubles per register). FMA stays off on
// purpose: contraction would round differently from the portable build, and
// a trajectory should not depend on the processor it was computed on.
template <class Power>
__attribute__((target("avx2"))) void magnetTermsAvx2(const MagnetArrays& m, double x, double y,
                                                     Power power)
{
    magnetTerms(m, x, y, power);
}

// A snapshot of the model's parameters and magnets laid out for fast
// evaluation of the equations of motion. Taken once per trajectory.
class MagnetField
{
public:
    explicit MagnetField(const SystemData& data)
        : gOverL(data.gravity / data.pendulumLength), damping(data.damping),
          useAvx2(__builtin_cpu_supports("avx2"))
    {
        const double h0 = data.pendulumHeight - data.pendulumLength;
        const double kf = data.kappa * data.magFactor;
        const int n = int(data.magnets.size());
        storage.resize(6 * std::size_t(n));
        double* posX = storage.data();
        double* posY = posX + n;
        double* dz2 = posY + n;
        double* factor = dz2 + n;
        double* termX = factor + n;
        double* termY = termX + n;
        arrays = {posX, posY, dz2, factor, termX, termY, n};
        for (int i = 0; i < n; ++i) {
            const Magnet& m = data.magnets[i];
            posX[i] = m.posX;
            posY[i] = m.posY;
            const double dz = h0 - double(m.posZ);
            dz2[i] = dz * dz;
            factor[i] = kf * double(m.alpha);
        }

        const double p = -data.kappa - 2.0;
        if (p == -3.0)
            kind = Kind::InverseCube;
        else if (p == -4.0)
            kind = Kind::InverseFourth;
        else if (p == std::trunc(p) && std::abs(p) <= kMaxIntegerPower) {
            kind = Kind::Integer;
            integerPower = int(p);
        } else {
            kind = Kind::General;
            generalPower = p;
        }
    }

    // Inlined into the Cash-Karp stages: a call per evaluation would cost a
    // fifth of the time of a whole step with three magnets.
    [[gnu::always_inline]] void operator()(const double* y, double* dydx)
    {
        dydx[0] = y[2];
        dydx[1] = y[3];
        double ax = -damping * y[2] - gOverL * y[0];
        double ay = -damping * y[3] - gOverL * y[1];

        std::array<double, 2> s{};
        switch (kind) {
        case Kind::InverseCube:
            s = magnetForce(y[0], y[1], FixedPower<-3>{});
            break;
        case Kind::InverseFourth:
            s = magnetForce(y[0], y[1], FixedPower<-4>{});
            break;
        case Kind::Integer:
            s = magnetForce(y[0], y[1], IntegerPower{integerPower});
            break;
        case Kind::General:
            s = magnetForce(y[0], y[1], GeneralPower{generalPower});
            break;
        }
        dydx[2] = ax - s[0];
        dydx[3] = ay - s[1];
    }

    MagnetField(const MagnetField&) = delete;
    MagnetField& operator=(const MagnetField&) = delete;

private:
    static constexpr double kMaxIntegerPower = 16.0;
    static constexpr int kVectorWidth = 4; // doubles in an AVX2 register
    enum class Kind { InverseCube, InverseFourth, Integer, General };

    // Sums of the magnet force terms, in list order either way.
    template <class Power> std::array<double, 2> magnetForce(double x, double y, Power power)
    {
        const MagnetArrays& m = arrays;
        double sx = 0.0;
        double sy = 0.0;
        if (m.count < kVectorWidth) {
            // Too few to fill a vector register: one pass, all in registers.
            for (int i = 0; i < m.count; ++i) {
                double tx, ty;
                magnetTerm(x, y, m.posX[i], m.posY[i], m.dz2[i], m.factor[i], power, tx, ty);
                sx += tx;
                sy += ty;
            }
            return {sx, sy};
        }
        if (useAvx2)
            magnetTermsAvx2(m, x, y, power);
        else
            magnetTerms(m, x, y, power);
        for (int i = 0; i < m.count; ++i) {
            sx += m.termX[i];
            sy += m.termY[i];
        }
        return {sx, sy};
    }

    double gOverL;
    double damping;
    bool useAvx2;
    Kind kind = Kind::General;
    int integerPower = 0;
    double generalPower = 0.0;
    std::vector<double> storage;
    MagnetArrays arrays{};
};

// One Cash-Karp step of size h from y (with derivative dydx): the fifth-order
// result and its error estimate.
template <class Derivs>
void cashKarpStep(Derivs& derivs, const double* y, const double* dydx, int n, double h,
                  double* yout, double* yerr)
{
    using namespace cashkarp;
    double k2[kStateSize], k3[kStateSize], k4[kStateSize], k5[kStateSize], k6[kStateSize];
    double ytemp[kStateSize] = {}; // derivs reads all four components

    for (int i = 0; i < n; ++i)
        ytemp[i] = y[i] + h * (b21 * dydx[i]);
    derivs(ytemp, k2);
    for (int i = 0; i < n; ++i)
        ytemp[i] = y[i] + h * (b31 * dydx[i] + b32 * k2[i]);
    derivs(ytemp, k3);
    for (int i = 0; i < n; ++i)
        ytemp[i] = y[i] + h * (b41 * dydx[i] + b42 * k2[i] + b43 * k3[i]);
    derivs(ytemp, k4);
    for (int i = 0; i < n; ++i)
        ytemp[i] = y[i] + h * (b51 * dydx[i] + b52 * k2[i] + b53 * k3[i] + b54 * k4[i]);
    derivs(ytemp, k5);
    for (int i = 0; i < n; ++i)
        ytemp[i] =
            y[i] + h * (b61 * dydx[i] + b62 * k2[i] + b63 * k3[i] + b64 * k4[i] + b65 * k5[i]);
    derivs(ytemp, k6);
    for (int i = 0; i < n; ++i) {
        yout[i] = y[i] + h * (c1 * dydx[i] + c3 * k3[i] + c4 * k4[i] + c6 * k6[i]);
        yerr[i] = h * (dc1 * dydx[i] + dc3 * k3[i] + dc4 * k4[i] + dc5 * k5[i] + dc6 * k6[i]);
    }
}

// Tries Cash-Karp steps from htry on until the scaled error is within eps,
// then proposes the next step size.
template <class Derivs>
void controlledStep(Derivs& derivs, double* y, const double* dydx, int n, double& t, double htry,
                    double eps, const double* yscal, double& hdid, double& hnext)
{
    using namespace stepcontrol;
    double ytemp[kStateSize];
    double yerr[kStateSize];
    double h = htry;
    double errmax = 0.0;
    for (;;) {
        cashKarpStep(derivs, y, dydx, n, h, ytemp, yerr);
        errmax = 0.0;
        for (int i = 0; i < n; ++i) {
            const double e = std::fabs(yerr[i] / yscal[i]);
            // A NaN must survive so that the step keeps shrinking.
            if (e > errmax || std::isnan(e))
                errmax = e;
        }
        errmax /= eps;
        if (errmax <= 1.0)
            break;
        const double htemp = safety * h * std::pow(errmax, shrinkExponent);
        // Written so that a NaN htemp loses against maxShrink * h.
        h = h >= 0.0 ? (htemp > maxShrink * h ? htemp : maxShrink * h)
                     : (htemp < maxShrink * h ? htemp : maxShrink * h);
        // Give up; the caller ends the trajectory on the tiny hnext this yields.
        // An infinite step never shrinks to that, so it gives up as well.
        if (std::fabs(h) < minStep || !std::isfinite(h))
            break;
    }
    hnext = errmax > growThreshold ? safety * h * std::pow(errmax, growExponent) : maxGrow * h;
    hdid = h;
    t += h;
    std::copy(ytemp, ytemp + n, y);
}

// Whether a state and its time stamp survive the rounding to the float samples
// (compared in double: converting a value beyond the float range is undefined).
bool isStorable(const double* y, double t)
{
    constexpr double largest = std::numeric_limits<float>::max();
    for (int j = 0; j < kStateSize; ++j)
        if (!(std::fabs(y[j]) <= largest))
            return false;
    return std::fabs(t) <= largest;
}

// Parameter-file numbers: only a finite number counts; anything else leaves
// the value where it was.
bool parseNumber(const QString& token, double& value)
{
    bool ok = false;
    const double v = token.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

bool parseNumber(const QString& token, float& value)
{
    bool ok = false;
    const float v = token.toFloat(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

// The velocity damping a file means when it does not say.
constexpr double kDefaultFriction = 1.0;

// A parameter file is small; a larger one is not a parameter file, and reading
// it whole could exhaust memory.
constexpr qint64 kMaxParamFileSize = 16 * 1024 * 1024;
// How much of a skipped line a report quotes.
constexpr int kMaxQuotedLine = 80;

QString quoteLine(int number, const QString& line)
{
    QString text = line.trimmed();
    if (text.size() > kMaxQuotedLine)
        text = text.left(kMaxQuotedLine) + QStringLiteral("...");
    return QStringLiteral("line %1: %2").arg(number).arg(text);
}

// Why a model with these values could not be drawn or integrated, or an
// empty string when it can.
QString meaninglessValues(double pendulumLength, double maxTheta)
{
    if (!(pendulumLength > 0.0))
        return QStringLiteral("pendulumLength must be greater than 0 (it would be %1)")
            .arg(pendulumLength);
    // 90 itself is the rod held level; the writer's rounding can reach it.
    if (!(maxTheta > 0.0 && maxTheta <= 90.0))
        return QStringLiteral("maxTheta must lie above 0 and at most 90 (it would be %1)")
            .arg(maxTheta);
    return QString();
}

// g-style with 6 significant digits and the C locale's decimal point,
// whatever the user's locale is.
QByteArray formatNumber(double value)
{
    char buffer[32];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    return QByteArray(buffer, int(result.ptr - buffer));
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

SystemData::~SystemData()
{
    if (timer) {
        timer->stop();
        delete timer;
        timer = nullptr;
    }
    view2d = nullptr;
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
    cashKarpStep(field, y, dydx, n, h, yout, yerr);
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
    double h = kFirstStep;
    if (!isStorable(y, t))
        return;
    for (int i = 0; i < capacity; ++i) {
        trajPoints[std::size_t(i)] = {float(y[0]), float(y[1]), float(y[2]), float(y[3])};
        trajTimes.push_back(float(t));

        field(y, dydx);
        for (int j = 0; j < kStateSize; ++j)
            yscal[j] = std::max(std::fabs(y[j]) + std::fabs(h * dydx[j]) + kTinyScale, kScaleFloor);
        const double before[kStateSize] = {y[0], y[1], y[2], y[3]};
        double hdid = 0.0;
        double hnext = 0.0;
        controlledStep(field, y, dydx, kStateSize, t, h, kTolerance, yscal, hdid, hnext);
        ++numTrajPoints;
        // Stamps advance by twice the step; the playback speed is tuned to it.
        t += hdid;
        if (std::fabs(hnext) < stepcontrol::minStep || !std::isfinite(hnext))
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

void SystemData::uploadTrajectory(unsigned int buffer) const
{
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferSubData(GL_ARRAY_BUFFER, 0,
                    GLsizeiptr(numTrajPoints) * GLsizeiptr(sizeof(trajPoints[0])),
                    trajPoints.data());
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

bool SystemData::animStep()
{
    if (numTrajPoints <= 1) {
        animPos[0] = animPos[1] = 0.0f;
        animTime = 0.0f;
        animIndex = 0;
    }
    if (animIndex >= numTrajPoints - 1)
        return false;

    // One timer tick advances the clock by its interval in seconds; the
    // factors are float constants, the product and the sum are in double.
    const int interval = animTimer ? animTimer->interval() : 0;
    animTime = float(double(animTime) + double(interval) * double(0.001f) * 10.0 * double(0.1f));
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
    ParamFileReport report;
    const QByteArray name = fileName.toLocal8Bit();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "Cannot read parameter file %s\n", name.constData());
        report.error = file.errorString();
        return report;
    }
    if (file.size() > kMaxParamFileSize) {
        std::fprintf(stderr, "Cannot read parameter file %s\n", name.constData());
        report.error = QStringLiteral("The file is larger than %1 MiB; it is not a parameter file.")
                           .arg(kMaxParamFileSize >> 20);
        return report;
    }
    QString text = QString::fromUtf8(file.readAll());
    if (file.error() != QFileDevice::NoError) {
        std::fprintf(stderr, "Cannot read parameter file %s\n", name.constData());
        report.error = file.errorString();
        return report;
    }
    file.close();
    // Line feeds, carriage return and line feed, or a lone carriage return
    // (old Mac files) all end a line.
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));

    // Everything goes into copies first, so a refused file changes nothing.
    double height = pendulumHeight;
    double length = pendulumLength;
    double g = gravity;
    double exponent = kappa;
    double factor = magFactor;
    double theta = maxTheta;
    // The writer leaves out a friction of 1, so a file without the key means 1.
    double friction = kDefaultFriction;
    struct MagnetLine
    {
        float posX, posY, r, g, b, alpha;
    };
    std::vector<MagnetLine> fileMagnets;

    static const QRegularExpression whitespace(QStringLiteral("\\s+"));
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList tokens = line.split(whitespace, Qt::KeepEmptyParts);
        const QString& key = tokens[0];
        double* target = nullptr;
        if (key == QLatin1String("pendulumHeight"))
            target = &height;
        else if (key == QLatin1String("pendulumLength"))
            target = &length;
        else if (key == QLatin1String("gravity"))
            target = &g;
        else if (key == QLatin1String("damping")) // the file's name for kappa
            target = &exponent;
        else if (key == QLatin1String("magFactor"))
            target = &factor;
        else if (key == QLatin1String("maxTheta"))
            target = &theta;
        else if (key == QLatin1String("friction")) // the velocity damping
            target = &friction;
        else if (key != QLatin1String("magnet"))
            continue; // unknown keys belong to other versions: not an error

        bool ok = false;
        if (target != nullptr) {
            ok = tokens.size() >= 2 && parseNumber(tokens[1], *target);
        } else if (tokens.size() >= 7) {
            MagnetLine m{};
            ok = parseNumber(tokens[1], m.posX) && parseNumber(tokens[2], m.posY) &&
                 parseNumber(tokens[3], m.r) && parseNumber(tokens[4], m.g) &&
                 parseNumber(tokens[5], m.b) && parseNumber(tokens[6], m.alpha);
            if (ok)
                fileMagnets.push_back(m);
        }
        if (!ok)
            report.skipped.append(quoteLine(i + 1, line));
    }

    report.error = meaninglessValues(length, theta);
    if (!report.error.isEmpty()) {
        std::fprintf(stderr, "Cannot load parameter file %s: %s\n", name.constData(),
                     report.error.toLocal8Bit().constData());
        return report;
    }
    for (const QString& skipped : report.skipped)
        std::fprintf(stderr, "Parameter file %s: skipped %s\n", name.constData(),
                     skipped.toLocal8Bit().constData());

    pendulumHeight = height;
    pendulumLength = length;
    gravity = g;
    kappa = exponent;
    magFactor = factor;
    maxTheta = theta;
    damping = friction;
    magnets.clear();
    for (const MagnetLine& m : fileMagnets)
        appendMagnet(m.posX, m.posY, m.alpha, m.r, m.g, m.b);
    if (magnets.isEmpty())
        appendDefaultMagnets();
    report.ok = true;
    emit dataRead();
    return report;
}

ParamFileReport SystemData::writeParams(const QString& fileName) const
{
    QByteArray text;
    const auto addLine = [&text](const char* key, const double value) {
        text += key;
        text += ' ';
        text += formatNumber(value);
        text += '\n';
    };
    addLine("pendulumHeight", pendulumHeight);
    addLine("pendulumLength", pendulumLength);
    addLine("gravity", gravity);
    addLine("damping", kappa);
    addLine("magFactor", magFactor);
    addLine("maxTheta", maxTheta);
    // Only where it would not read as 1: the default file stays as it always
    // was, and what is written reads back to the same text.
    if (formatNumber(damping) != formatNumber(kDefaultFriction))
        addLine("friction", damping);
    text += '\n';
    for (const Magnet& m : magnets) {
        text += "magnet";
        for (const float value : {m.posX, m.posY, m.color[0], m.color[1], m.color[2], m.alpha}) {
            text += ' ';
            text += formatNumber(double(value));
        }
        text += '\n';
    }

    // QSaveFile keeps the old file until the new one is complete. The explicit
    // flush matters: commit() does not notice a buffered write that failed
    // (disk full), and would replace the old file with a truncated one. Where
    // the folder refuses new files but the file itself may be written, it is
    // written in place rather than not at all.
    ParamFileReport report;
    QSaveFile file(fileName);
    file.setDirectWriteFallback(true);
    report.ok = file.open(QIODevice::WriteOnly) && file.write(text) == text.size() &&
                file.flush() && file.commit();
    if (!report.ok) {
        report.error = file.errorString().isEmpty()
                           ? QStringLiteral("The file could not be written.")
                           : file.errorString();
        std::fprintf(stderr, "Cannot save parameter file %s\n", fileName.toLocal8Bit().constData());
    }
    return report;
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

void SystemData::SetTimerInterval(int val)
{
    if (timer)
        timer->setInterval(val);
}
