#ifndef ORVALIS_UNSETTLEDSHADING_H
#define ORVALIS_UNSETTLEDSHADING_H

#include <QImage>

#include <cstdint>
#include <vector>

// Marks the pixels whose label changes at a tenth of the tolerance: greyed,
// and crossed by dark diagonal hatching, a look no basin has, so that they
// cannot be taken for one.
class UnsettledShading
{
public:
    // `settled` holds one value per pixel of `image`, row after row; the
    // image is a band from row `firstRow` of the map, so that bands shaded
    // apart fit together.
    static void apply(QImage& image, const std::vector<std::uint8_t>& settled, int firstRow = 0);
};

#endif
