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

void BasinRequest::placeOn(const BasinGrid& lattice, std::int64_t firstColumn,
                           std::int64_t firstRow)
{
    grid = lattice;
    column = firstColumn;
    row = firstRow;
    left = grid.edgeX(column);
    right = grid.edgeX(column + width);
    top = grid.edgeY(row);
    bottom = grid.edgeY(row + height);
}
