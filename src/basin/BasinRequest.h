#ifndef ORVALIS_BASINREQUEST_H
#define ORVALIS_BASINREQUEST_H

#include "BasinGrid.h"
#include "MagnetModel.h"

#include <cstdint>

// What a map is computed from: a snapshot of the model, a rectangle of the
// plane, a resolution, and how to integrate. Row 0 is the top of the image
// (the largest y); a band of rows renders a part of the same image. The
// pixels divide the rectangle evenly, or, placed on a grid, are the grid's
// cells from (column, row) on, and the rectangle is theirs.
struct BasinRequest
{
    ModelParameters model;
    double left = -0.1;
    double bottom = -0.1;
    double right = 0.1;
    double top = 0.1;
    int width = 1024;
    int height = 1024;
    int rowBegin = 0;
    int rowEnd = -1; // -1: to the bottom of the image
    double tolerance = 1e-8;
    double maxTime = 100.0; // model time after which a pixel is undecided
    int threads = 0;        // 0: every core
    bool vectorLanes = true;
    bool progressive = true; // every coarsest-th pixel first, then half as many, ..., all
    int coarsest = 8;        // a power of two
    BasinGrid grid;          // null: the rectangle's own pixels
    std::int64_t column = 0; // of the grid's cell at the image's top left
    std::int64_t row = 0;

    // The model's parameters, magnets and damping, with the square of the 2D
    // view for its maxTheta.
    static BasinRequest fromModel(const ModelParameters& model, double maxTheta);

    // The image as the grid's cells from (firstColumn, firstRow) on, at the
    // present width and height; the rectangle becomes theirs.
    void placeOn(const BasinGrid& lattice, std::int64_t firstColumn, std::int64_t firstRow);

    int lastRow() const { return rowEnd < 0 ? height : rowEnd; }
    // Whether pixel (i, j) here and pixel (i + column - other.column,
    // j + row - other.row) there have the same centre: one grid, or one
    // rectangle divided alike.
    bool sharesCellsWith(const BasinRequest& other) const
    {
        if (!grid.isNull() || !other.grid.isNull())
            return grid.sharesCellsWith(other.grid);
        return left == other.left && right == other.right && top == other.top &&
               bottom == other.bottom && width == other.width && height == other.height;
    }
    // Centre of pixel column i and of pixel row j of the whole image.
    double pixelX(int i) const
    {
        return grid.isNull() ? left + (i + 0.5) * ((right - left) / width)
                             : grid.centreX(column + i);
    }
    double pixelY(int j) const
    {
        return grid.isNull() ? top - (j + 0.5) * ((top - bottom) / height) : grid.centreY(row + j);
    }
};

#endif
