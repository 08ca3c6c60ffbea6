#ifndef ORVALIS_BASINKERNEL_H
#define ORVALIS_BASINKERNEL_H

// The map's integration loop over a lane type: the controlled step of the
// path (SystemData::computeTrajectory) turned into a state machine per lane.
// In every iteration each running lane tries one Cash-Karp step with its own
// h; an accepted lane advances and evaluates its new derivative, capture test
// and error scale, a rejected one shrinks h and tries again. A lane ends
// exactly where the path would (a collapsed step, a state that floats cannot
// hold, a step that changes nothing), when it is caught, or at the limits.
//
// Include Lanes.h, the lane type's header, BasinLanes.h and CashKarp.h first.

namespace basin {

template <class V> [[gnu::always_inline]] inline V laneLoad(const double* p)
{
    return V::load(p);
}
template <> [[gnu::always_inline]] inline double laneLoad<double>(const double* p)
{
    return *p;
}
[[gnu::always_inline]] inline void laneStore(double* p, double v)
{
    *p = v;
}
template <class V> [[gnu::always_inline]] inline void laneStore(double* p, V v)
{
    v.store(p);
}

// The equations of motion as the Cash-Karp stages call them, always inlined:
// a call would pass the vector registers through memory.
template <class Power> struct LaneField
{
    const FieldConstants& field;
    Power power;

    template <class V> [[gnu::always_inline]] void operator()(const V* y, V* dydx) const
    {
        cashkarp::laneDerivs<false>(field, power, y, dydx);
    }
};

template <class V, class Power>
[[gnu::always_inline]] inline void advanceLanes(const KernelSetup& s, Power power, LaneBatch& b,
                                                int lane, int maxIterations)
{
    using namespace cashkarp;
    using namespace lanes;
    const FieldConstants& field = s.field;
    const LaneField<Power> derivs{field, power};

    V y[4], dydx[4], yscal[4];
    for (int c = 0; c < 4; ++c) {
        y[c] = laneLoad<V>(&b.y[c][lane]);
        dydx[c] = laneLoad<V>(&b.dydx[c][lane]);
        yscal[c] = laneLoad<V>(&b.yscal[c][lane]);
    }
    V h = laneLoad<V>(&b.h[lane]);
    V stamp = laneLoad<V>(&b.stamp[lane]);
    V steps = laneLoad<V>(&b.steps[lane]);
    V fresh = laneLoad<V>(&b.fresh[lane]);
    V outcome = laneLoad<V>(&b.outcome[lane]);
    const auto runningAtStart = outcome == V(kRunning);
    const V largestFloat(kLargestSample);

    for (int it = 0; it < maxIterations; ++it) {
        // A new state: its derivative, the capture test (the path stores
        // this state as a sample), the limits, and its error scale.
        const auto isFresh = fresh == V(1.0) && outcome == V(kRunning);
        V k1[4], u;
        laneDerivs<true>(field, power, y, k1, &u);
        if (s.capture) {
            const V energy = V(0.5) * (y[2] * y[2] + y[3] * y[3]) + u;
            V caught(0.0);
            for (int k = s.discs.count - 1; k >= 0; --k) {
                const V dx = y[0] - V(s.discs.x[k]);
                const V dy = y[1] - V(s.discs.y[k]);
                const auto inside =
                    dx * dx + dy * dy < V(s.discs.radius2[k]) && energy < V(s.discs.barrier[k]);
                caught = laneSelect(inside, V(double(k + 1)), caught);
            }
            outcome = laneSelect(isFresh, caught, outcome);
        }
        const auto overLimit = stamp >= V(s.stampLimit) || steps >= V(s.stepLimit);
        outcome =
            laneSelect(isFresh && outcome == V(kRunning) && overLimit, V(kUndecided), outcome);
        for (int c = 0; c < 4; ++c) {
            dydx[c] = laneSelect(isFresh, k1[c], dydx[c]);
            yscal[c] = laneSelect(isFresh, errorScale(y[c], k1[c], h), yscal[c]);
        }
        fresh = V(0.0);
        const auto running = outcome == V(kRunning);
        if (laneAny(runningAtStart && !running))
            break;

        // One try for every lane.
        V ytemp[4], yerr[4];
        cashKarpStep(derivs, y, dydx, 4, h, ytemp, yerr);
        const V errmax = errorRatio(yerr, yscal, 4, s.eps);
        const auto accepted = errmax <= V(1.0);
        // Most tries pass; the shrunk step (two square roots and a division)
        // only when one has not.
        const V shrunk = laneAny(running && !accepted) ? shrunkStep(h, errmax) : h;
        const auto done = running && (accepted || stepCollapsed(shrunk));
        const V hdid = laneSelect(accepted, h, shrunk);
        const V hnext = nextStep(hdid, errmax);
        const V newStamp = stamp + hdid + hdid;

        // Where the path ends after this step.
        auto unchanged = ytemp[0] == y[0];
        auto unstorable = !(laneAbs(newStamp) <= largestFloat);
        for (int c = 0; c < 4; ++c) {
            if (c > 0)
                unchanged = unchanged && ytemp[c] == y[c];
            unstorable = unstorable || !(laneAbs(ytemp[c]) <= largestFloat);
        }
        const auto ends = done && (stepCollapsed(hnext) || unstorable || unchanged);
        outcome = laneSelect(ends, V(kUndecided), outcome);

        for (int c = 0; c < 4; ++c)
            y[c] = laneSelect(done, ytemp[c], y[c]);
        stamp = laneSelect(done, newStamp, stamp);
        steps = laneSelect(done, steps + V(1.0), steps);
        fresh = laneSelect(done, V(1.0), V(0.0));
        h = laneSelect(done, hnext, laneSelect(running, shrunk, h));
        if (laneAny(ends))
            break;
    }

    for (int c = 0; c < 4; ++c) {
        laneStore(&b.y[c][lane], y[c]);
        laneStore(&b.dydx[c][lane], dydx[c]);
        laneStore(&b.yscal[c][lane], yscal[c]);
    }
    laneStore(&b.h[lane], h);
    laneStore(&b.stamp[lane], stamp);
    laneStore(&b.steps[lane], steps);
    laneStore(&b.fresh[lane], fresh);
    laneStore(&b.outcome[lane], outcome);
}

} // namespace basin

#endif
