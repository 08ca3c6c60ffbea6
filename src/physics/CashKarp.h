#ifndef ORVALIS_CASHKARP_H
#define ORVALIS_CASHKARP_H

// The equations of motion and the Cash-Karp integrator with its step
// control, written once over a lane type V: double for a path, a vector of
// doubles for several pixels of a map at once. Each operation is one
// correctly rounded IEEE operation per lane in the same order for every lane
// type, and nothing may contract a product and a sum into one instruction
// (the library is built with -ffp-contract=off), so a pixel of the map and
// the path from the same point take bit for bit the same steps on any
// processor.
//
// Include Lanes.h (and for vector lanes their own header) before this file.

#include "MagnetModel.h"

#include <limits>

namespace cashkarp {

constexpr int kStateSize = 4; // x, y, vx, vy

// Cash-Karp embedded Runge-Kutta pair of orders 5 and 4. The equations of
// motion do not depend on time, so the stage nodes are not needed.
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

// Step-size control of the quality-controlled step.
constexpr double safety = 0.9;
constexpr double growThreshold = 1.89e-4; // (5 / safety)^(-5): below it the step grows by maxGrow
constexpr double maxGrow = 5.0;
constexpr double maxShrink = 0.1;
constexpr double minStep = 1e-8;
constexpr double kLargest = std::numeric_limits<double>::max();
// The largest value a path's float samples hold, compared in double:
// converting a value beyond the float range is undefined.
constexpr double kLargestSample = std::numeric_limits<float>::max();

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
template <class V> [[gnu::always_inline]] inline V scaledIntegerPower(V factor, V r2, int p)
{
    using namespace lanes;
    const int k = p < 0 ? -p : p;
    V rk = (k % 2 != 0) ? laneSqrt(r2) : V(1.0);
    for (int i = 0; i < k / 2; ++i)
        rk = rk * r2;
    return p < 0 ? factor / rk : factor * rk;
}

// The shapes of factor * r^(-kappa-2). A compile-time exponent (kappa 1, the
// default, and kappa 2) lets the loops over magnets unroll and vectorise.
template <int P> struct FixedPower
{
    template <class V> V operator()(V factor, V r2) const
    {
        return scaledIntegerPower(factor, r2, P);
    }
};

struct IntegerPower
{
    int p;
    template <class V> V operator()(V factor, V r2) const
    {
        return scaledIntegerPower(factor, r2, p);
    }
};

struct GeneralPower
{
    double p;
    template <class V> V operator()(V factor, V r2) const
    {
        using namespace lanes;
        return factor * lanePow(laneSqrt(r2), p);
    }
};

// Calls f with the power functor that fits the constants.
template <class F> [[gnu::always_inline]] inline void withPower(const FieldConstants& c, F&& f)
{
    switch (c.kind) {
    case PowerKind::InverseCube:
        f(FixedPower<-3>{});
        break;
    case PowerKind::InverseFourth:
        f(FixedPower<-4>{});
        break;
    case PowerKind::Integer:
        f(IntegerPower{c.integerPower});
        break;
    case PowerKind::General:
        f(GeneralPower{c.generalPower});
        break;
    }
}

// The weight w = factor * r^(-kappa-2) of one magnet on the bob at (x, y),
// and r^2; its force term is w * (dx, dy) and its potential -w * r^2 / kappa.
template <class V, class Power>
[[gnu::always_inline]] inline V magnetWeight(V x, V y, double posX, double posY, double dz2,
                                             double factor, Power power, V& dx, V& dy, V& r2)
{
    dx = x - V(posX);
    dy = y - V(posY);
    r2 = dx * dx + dy * dy + V(dz2);
    return power(V(factor), r2);
}

// The linear part of the acceleration: damping and the pull to the centre.
template <class V>
[[gnu::always_inline]] inline void linearAcceleration(const FieldConstants& c, const V* y, V& ax,
                                                      V& ay)
{
    ax = V(-c.damping) * y[2] - V(c.gOverL) * y[0];
    ay = V(-c.damping) * y[3] - V(c.gOverL) * y[1];
}

// The equations of motion for one lane type, magnets summed in list order.
// With Potential, also the potential energy of the position,
// U = (g / L) |p|^2 / 2 - sum f alpha r^-kappa, from the same weights.
template <bool Potential, class V, class Power>
[[gnu::always_inline]] inline void laneDerivs(const FieldConstants& c, Power power, const V* y,
                                              V* dydx, V* potential = nullptr)
{
    dydx[0] = y[2];
    dydx[1] = y[3];
    V ax, ay;
    linearAcceleration(c, y, ax, ay);
    V sx(0.0), sy(0.0), su(0.0);
    for (int i = 0; i < c.count; ++i) {
        V dx, dy, r2;
        const V w = magnetWeight(y[0], y[1], c.posX[i], c.posY[i], c.dz2[i], c.factor[i], power, dx,
                                 dy, r2);
        sx = sx + w * dx;
        sy = sy + w * dy;
        if (Potential)
            su = su + w * r2;
    }
    dydx[2] = ax - sx;
    dydx[3] = ay - sy;
    if (Potential)
        *potential = V(0.5 * c.gOverL) * (y[0] * y[0] + y[1] * y[1]) - V(c.invKappa) * su;
}

// One Cash-Karp step of size h from y (with derivative dydx): the fifth-order
// result and its error estimate, for the first n components. Each stage
// state adds up the terms of the earlier derivatives while the latest one is
// still being evaluated, so that only one product and one sum wait for it.
template <class V, class Derivs>
[[gnu::always_inline]] inline void cashKarpStep(const Derivs& derivs, const V* y, const V* dydx,
                                                int n, V h, V* yout, V* yerr)
{
    V k2[kStateSize] = {}, k3[kStateSize] = {}, k4[kStateSize] = {}, k5[kStateSize] = {},
      k6[kStateSize] = {};
    V ytemp[kStateSize] = {}; // derivs reads all four components
    V s3[kStateSize], s4[kStateSize], s5[kStateSize], s6[kStateSize], out[kStateSize],
        err[kStateSize];

    for (int i = 0; i < n; ++i) {
        ytemp[i] = y[i] + (h * V(b21)) * dydx[i];
        s3[i] = y[i] + (h * V(b31)) * dydx[i];
        s4[i] = y[i] + (h * V(b41)) * dydx[i];
        s5[i] = y[i] + (h * V(b51)) * dydx[i];
        s6[i] = y[i] + (h * V(b61)) * dydx[i];
        out[i] = y[i] + (h * V(c1)) * dydx[i];
        err[i] = (h * V(dc1)) * dydx[i];
    }
    derivs(ytemp, k2);
    for (int i = 0; i < n; ++i) {
        ytemp[i] = s3[i] + (h * V(b32)) * k2[i];
        s4[i] = s4[i] + (h * V(b42)) * k2[i];
        s5[i] = s5[i] + (h * V(b52)) * k2[i];
        s6[i] = s6[i] + (h * V(b62)) * k2[i];
    }
    derivs(ytemp, k3);
    for (int i = 0; i < n; ++i) {
        ytemp[i] = s4[i] + (h * V(b43)) * k3[i];
        s5[i] = s5[i] + (h * V(b53)) * k3[i];
        s6[i] = s6[i] + (h * V(b63)) * k3[i];
        out[i] = out[i] + (h * V(c3)) * k3[i];
        err[i] = err[i] + (h * V(dc3)) * k3[i];
    }
    derivs(ytemp, k4);
    for (int i = 0; i < n; ++i) {
        ytemp[i] = s5[i] + (h * V(b54)) * k4[i];
        s6[i] = s6[i] + (h * V(b64)) * k4[i];
        out[i] = out[i] + (h * V(c4)) * k4[i];
        err[i] = err[i] + (h * V(dc4)) * k4[i];
    }
    derivs(ytemp, k5);
    for (int i = 0; i < n; ++i) {
        ytemp[i] = s6[i] + (h * V(b65)) * k5[i];
        err[i] = err[i] + (h * V(dc5)) * k5[i];
    }
    derivs(ytemp, k6);
    for (int i = 0; i < n; ++i) {
        yout[i] = out[i] + (h * V(c6)) * k6[i];
        yerr[i] = err[i] + (h * V(dc6)) * k6[i];
    }
}

// The error scale of a step tried with h from y: |y| + |h dydx|, floored.
template <class V> [[gnu::always_inline]] inline V errorScale(V y, V dydx, V h)
{
    using namespace lanes;
    const V s = laneAbs(y) + laneAbs(h * dydx) + V(kTinyScale);
    return laneSelect(s < V(kScaleFloor), V(kScaleFloor), s);
}

// The largest |yerr / yscal| over n components, divided by eps. A NaN
// survives, so that the step keeps shrinking.
template <class V>
[[gnu::always_inline]] inline V errorRatio(const V* yerr, const V* yscal, int n, double eps)
{
    using namespace lanes;
    V errmax(0.0);
    for (int i = 0; i < n; ++i) {
        const V e = laneAbs(yerr[i] / yscal[i]);
        errmax = laneSelect(e > errmax || laneIsNan(e), e, errmax);
    }
    return errmax / V(eps);
}

// The step after a rejected try: 0.9 h errmax^(-1/4), but at least a tenth of
// h (a NaN loses against the tenth).
template <class V> [[gnu::always_inline]] inline V shrunkStep(V h, V errmax)
{
    using namespace lanes;
    const V htemp = V(safety) * h / laneSqrt(laneSqrt(errmax));
    const V limit = V(maxShrink) * h;
    return laneSelect(h >= V(0.0), laneSelect(htemp > limit, htemp, limit),
                      laneSelect(htemp < limit, htemp, limit));
}

// Whether the step control gives up on h: too small, or not finite. The
// caller then ends the path on the tiny next step this yields.
template <class V> [[gnu::always_inline]] inline auto stepCollapsed(V h)
{
    using namespace lanes;
    const V a = laneAbs(h);
    return a < V(minStep) || !(a <= V(kLargest));
}

// x^(-1/5), the growth of the step after an error ratio x in (growThreshold,
// 1]; a fraction of the latency of pow and the same bits for every lane
// type. Powers of two move x into [1/2, 1] (each factor 2^k takes out
// 2^(k/5)); a cubic comes within 1.6e-4 there, and two Newton steps on
// y^-5 = x bring that to 1e-13, more than a step size needs. A ratio above 1
// only follows a step the control gave up on, where any factor up to 1 ends
// the path all the same.
template <class V> [[gnu::always_inline]] inline V growthFactor(V x)
{
    using namespace lanes;
    V z = laneSelect(x > V(1.0), V(1.0), x);
    V scale(1.0);
    constexpr double below[4] = {1.0 / 256.0, 1.0 / 16.0, 1.0 / 4.0, 1.0 / 2.0};
    constexpr double power[4] = {256.0, 16.0, 4.0, 2.0};
    constexpr double root[4] = {3.0314331330207964, 1.7411011265922482, 1.3195079107728942,
                                1.148698354997035}; // power^(1/5)
    for (int i = 0; i < 4; ++i) {
        const auto small = z < V(below[i]);
        z = laneSelect(small, z * V(power[i]), z);
        scale = laneSelect(small, scale * V(root[i]), scale);
    }
    V r = V(1.5076000278777835) +
          z * (V(-1.0479981668381255) + z * (V(0.7790796938271237) + z * V(-0.23877939718169583)));
    for (int i = 0; i < 2; ++i) {
        const V r2 = r * r;
        const V r5 = r2 * r2 * r;
        r = r * (V(6.0) - z * r5) * V(0.2);
    }
    return r * scale;
}

// The step to try after an accepted one with the error ratio errmax.
template <class V> [[gnu::always_inline]] inline V nextStep(V h, V errmax)
{
    using namespace lanes;
    return laneSelect(errmax > V(growThreshold), V(safety) * h * growthFactor(errmax),
                      V(maxGrow) * h);
}

} // namespace cashkarp

#endif
