#include "BasinRequest.h"

#include "ModelState.h"
#include "SystemData.h"

#include <cmath>

double BasinRequest::viewRadius(double pendulumLength, double maxTheta)
{
    return pendulumLength * std::sin(maxTheta * 0.017453292519943295);
}

BasinRequest BasinRequest::fromModel(const SystemData& data)
{
    BasinRequest r;
    r.model = ModelState::of(data).physics;
    const double radius = viewRadius(data.pendulumLength, data.maxTheta);
    r.left = r.bottom = -radius;
    r.right = r.top = radius;
    return r;
}
