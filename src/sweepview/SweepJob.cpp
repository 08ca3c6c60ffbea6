#include "SweepJob.h"

#include "SweepFrames.h"

std::optional<BasinRequest> SweepJob::frameRequest(int frame, QString* error) const
{
    BasinRequest r = base.basinRequest();
    r.width = r.height = grid;
    r.maxTime = maxTime;
    r.coarsest = coarsest;
    // Each frame over its own model's square, as the 2D view would show it.
    return SweepFrames(plan, r, base.maxTheta, false).request(frame, error);
}
