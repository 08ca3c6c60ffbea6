#include "MapFigures.h"

#include "BasinMap.h"
#include "LabelGrid.h"

std::optional<MapFigures> MapFigures::measure(const BasinResult& map)
{
    const std::optional<LabelGrid> grid = LabelGrid::fromResult(map);
    if (!grid)
        return std::nullopt;
    MapFigures f;
    f.attractors = map.attractors;
    // Every label, also one no pixel has: the undecided share is always shown.
    std::vector<std::size_t> counts(map.attractors.size() + 1, 0);
    for (const int label : grid->labels())
        ++counts[std::size_t(label)];
    for (const std::size_t n : counts)
        f.shares.push_back(double(n) / double(grid->labels().size()));
    f.entropy = BasinEntropy::measure(*grid);
    f.wada = WadaMerge::measure(*grid);
    return f;
}

std::optional<BasinResult> MapFigures::resultOf(const BasinMap& map)
{
    if (map.isNull() || map.stride() != 1)
        return std::nullopt;
    BasinResult r;
    r.request = map.request();
    r.attractors = map.attractors();
    r.attractor = map.pixels();
    r.stride = 1;
    return r;
}
