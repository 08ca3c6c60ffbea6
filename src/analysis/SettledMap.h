#ifndef ORVALIS_SETTLEDMAP_H
#define ORVALIS_SETTLEDMAP_H

#include "BasinResult.h"

#include <cstdint>
#include <vector>

// Whether each pixel of a map is numerically settled: the map is computed
// again at a tenth of its tolerance, and a pixel whose label changes (or
// that either map lacks) is unsettled.
struct SettledMap
{
    std::vector<std::uint8_t> settled; // per pixel of the map, 1 or 0
    double unsettledFraction = 0.0;

    // The map's request at a tenth of its tolerance.
    static BasinRequest finerRequest(const BasinRequest& request);
    // `finer` must cover the same pixels as `map`.
    static SettledMap compare(const BasinResult& map, const BasinResult& finer);
};

#endif
