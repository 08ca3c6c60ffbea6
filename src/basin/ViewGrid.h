#ifndef ORVALIS_VIEWGRID_H
#define ORVALIS_VIEWGRID_H

#include "BasinGrid.h"

#include <QRectF>
#include <QSize>

#include <cstdint>
#include <vector>

// Places the 2D view's map on a grid of pixels. A view a whole number of
// pixels away from one of the recent grids of its scale (a pan, or a return
// to a view seen before) lies on that grid, so the pixels it shares with the
// maps before have the same centres to the bit; any other view (a zoom, a new
// size) starts a grid of its own at its top left corner, whose pixels are
// those of the rectangle divided evenly.
class ViewGrid
{
public:
    // The view's rectangle of the plane (left, bottom, width, height; y up)
    // and its size in pixels, one sample per pixel.
    void place(const QRectF& region, const QSize& pixels);

    // Null before a view of some pixels was placed.
    const BasinGrid& grid() const { return current; }
    // The grid's cell at the view's top left.
    std::int64_t column() const { return firstColumn; }
    std::int64_t row() const { return firstRow; }

private:
    struct Known
    {
        BasinGrid grid;
        // What a view on it measures, bit for bit.
        double width = 0.0;
        double height = 0.0;
        QSize pixels;
    };

    // The grid a view of that scale lies on; false when it lies on none.
    bool findKnown(const QRectF& region, const QSize& pixels);

    BasinGrid current;
    std::int64_t firstColumn = 0;
    std::int64_t firstRow = 0;
    std::vector<Known> recent; // most recently used first
};

#endif
