#include "BasinRequest.h"

#include "SystemData.h"

#include <cmath>

double BasinRequest::viewRadius(double pendulumLength, double maxTheta)
{
    return pendulumLength * std::sin(maxTheta * 0.017453292519943295);
}

BasinRequest BasinRequest::fromModel(const SystemData& data)
{
    BasinRequest r;
    r.model.pendulumLength = data.pendulumLength;
    r.model.pendulumHeight = data.pendulumHeight;
    r.model.gravity = data.gravity;
    r.model.damping = data.damping;
    r.model.kappa = data.kappa;
    r.model.magFactor = data.magFactor;
    r.model.magnets.assign(data.magnets.begin(), data.magnets.end());
    const double radius = viewRadius(data.pendulumLength, data.maxTheta);
    r.left = r.bottom = -radius;
    r.right = r.top = radius;
    return r;
}
