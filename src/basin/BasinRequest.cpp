#include "BasinRequest.h"

#include "ViewRadius.h"

BasinRequest BasinRequest::fromModel(const ModelParameters& model, double maxTheta)
{
    BasinRequest r;
    r.model = model;
    const double radius = viewRadius(model.pendulumLength, maxTheta);
    r.left = r.bottom = -radius;
    r.right = r.top = radius;
    return r;
}
