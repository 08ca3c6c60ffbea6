#include "ViewGrid.h"

#include <algorithm>
#include <cmath>

namespace {

// Grids remembered for returns: a few zoom levels' worth.
constexpr std::size_t kRecentGrids = 16;
// A view whose offset from a grid is this close to whole pixels lies on it;
// rounding in the view's own arithmetic stays far below.
constexpr double kSnap = 1e-3;
// Cell indices stay exact in doubles, with the cells of the view added.
constexpr double kFarthestCell = 1e15;

bool wholeCells(double offset, std::int64_t& cells)
{
    const double rounded = std::round(offset);
    if (!(std::abs(offset - rounded) <= kSnap && std::abs(rounded) < kFarthestCell))
        return false;
    cells = std::int64_t(rounded);
    return true;
}

} // namespace

void ViewGrid::place(const QRectF& region, const QSize& pixels)
{
    if (pixels.isEmpty()) {
        current = BasinGrid();
        firstColumn = firstRow = 0;
        return;
    }
    if (findKnown(region, pixels))
        return;
    // The view's top left corner, and the rectangle's sides divided as the
    // engine divides a rectangle.
    BasinGrid grid;
    grid.anchorX = region.left();
    grid.anchorY = region.bottom(); // y up: the rectangle's bottom edge is its largest y
    grid.pixelWidth = (region.right() - region.left()) / pixels.width();
    grid.pixelHeight = (region.bottom() - region.top()) / pixels.height();
    current = grid;
    firstColumn = firstRow = 0;
    recent.insert(recent.begin(), Known{grid, region.width(), region.height(), pixels});
    if (recent.size() > kRecentGrids)
        recent.pop_back();
}

bool ViewGrid::findKnown(const QRectF& region, const QSize& pixels)
{
    for (auto known = recent.begin(); known != recent.end(); ++known) {
        if (known->width != region.width() || known->height != region.height() ||
            known->pixels != pixels)
            continue;
        const BasinGrid& g = known->grid;
        std::int64_t column = 0;
        std::int64_t row = 0;
        if (!wholeCells((region.left() - g.anchorX) / g.pixelWidth, column) ||
            !wholeCells((g.anchorY - region.bottom()) / g.pixelHeight, row))
            continue;
        current = g;
        firstColumn = column;
        firstRow = row;
        std::rotate(recent.begin(), known, known + 1);
        return true;
    }
    return false;
}
