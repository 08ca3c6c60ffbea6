#ifndef ORVALIS_MAGNETPALETTE_H
#define ORVALIS_MAGNETPALETTE_H

#include "Magnet.h"

#include <array>
#include <vector>

// Colours for new magnets: a fixed list of hues a person tells apart at a
// glance, on the black 2D view and on the basin map alike.
class MagnetPalette
{
public:
    // The first colour of the list that no magnet has; when all are taken,
    // the list starts over.
    static std::array<float, 3> next(const std::vector<Magnet>& magnets);
};

#endif
