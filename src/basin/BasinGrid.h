#ifndef ORVALIS_BASINGRID_H
#define ORVALIS_BASINGRID_H

#include <cstdint>

// A lattice of pixels anchored in the plane: cell (c, r) spans pixelWidth to
// the right of anchorX + c pixelWidth and pixelHeight below
// anchorY - r pixelHeight (y up, rows downwards). A cell's centre depends on
// its own indices alone, so two maps on one lattice that overlap give the
// cells they share the same centres to the bit, wherever their images start.
struct BasinGrid
{
    double anchorX = 0.0;
    double anchorY = 0.0;
    double pixelWidth = 0.0;
    double pixelHeight = 0.0;

    bool isNull() const { return !(pixelWidth > 0.0 && pixelHeight > 0.0); }
    double centreX(std::int64_t column) const
    {
        return anchorX + (double(column) + 0.5) * pixelWidth;
    }
    double centreY(std::int64_t row) const { return anchorY - (double(row) + 0.5) * pixelHeight; }
    // The left edge of a column and the top edge of a row.
    double edgeX(std::int64_t column) const { return anchorX + double(column) * pixelWidth; }
    double edgeY(std::int64_t row) const { return anchorY - double(row) * pixelHeight; }
    // Whether a cell's indices name the same cell on both lattices.
    bool sharesCellsWith(const BasinGrid& other) const
    {
        return !isNull() && anchorX == other.anchorX && anchorY == other.anchorY &&
               pixelWidth == other.pixelWidth && pixelHeight == other.pixelHeight;
    }
};

#endif
