#include "SweepFrames.h"

std::optional<BasinRequest> SweepFrames::request(int frame, QString* error) const
{
    BasinRequest r = base;
    double theta = maxTheta;
    if (!plan.key.apply(plan.value(frame), r.model, theta, error))
        return std::nullopt;
    if (!fixedRegion) {
        const BasinRequest square = BasinRequest::fromModel(r.model, theta);
        r.left = square.left;
        r.bottom = square.bottom;
        r.right = square.right;
        r.top = square.top;
    }
    return r;
}
