#ifndef ORVALIS_SWEEPFRAMES_H
#define ORVALIS_SWEEPFRAMES_H

#include "BasinRequest.h"
#include "SweepPlan.h"

#include <optional>

// The maps of a sweep, as requests: each is the base request with the swept
// value set, so that frame k is the very map of the set with KEY at
// plan.value(k). Without a fixed region each frame shows its own model's
// square (BasinRequest::fromModel), as a single map of that set would;
// sweeping maxTheta or the rod's length then zooms.
class SweepFrames
{
public:
    SweepFrames(const SweepPlan& plan, const BasinRequest& base, double maxTheta, bool fixedRegion)
        : plan(plan), base(base), maxTheta(maxTheta), fixedRegion(fixedRegion)
    {
    }

    int count() const { return plan.frames; }
    double value(int frame) const { return plan.value(frame); }
    // Empty, with *error set (when given), when the plan's key does not fit
    // the base model (a magnet it lacks).
    std::optional<BasinRequest> request(int frame, QString* error = nullptr) const;

private:
    SweepPlan plan;
    BasinRequest base;
    double maxTheta;
    bool fixedRegion;
};

#endif
