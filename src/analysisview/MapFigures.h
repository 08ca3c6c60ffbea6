#ifndef ORVALIS_MAPFIGURES_H
#define ORVALIS_MAPFIGURES_H

#include "BasinEntropy.h"
#include "BasinResult.h"
#include "WadaMerge.h"

#include <optional>
#include <vector>

class BasinMap;

// What the Analysis dock shows of a complete map from its pixels alone: each
// label's share (the attractors', then the undecided pixels'), the basin
// entropy in boxes of 5 x 5 pixels and the Wada merging test at r = 1.
struct MapFigures
{
    std::vector<Attractor> attractors;
    std::vector<double> shares;
    BasinEntropy entropy;
    WadaMerge wada;

    // Nothing for a map with pixels not computed.
    static std::optional<MapFigures> measure(const BasinResult& map);
    // The pixels of a complete level as the measurements take a map (no
    // times, no steps); nothing for a coarse level or a null map.
    static std::optional<BasinResult> resultOf(const BasinMap& map);
};

#endif
