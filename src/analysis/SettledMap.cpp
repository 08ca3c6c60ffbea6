#include "SettledMap.h"

#include <stdexcept>

BasinRequest SettledMap::finerRequest(const BasinRequest& request)
{
    BasinRequest finer = request;
    finer.tolerance = request.tolerance / 10.0;
    return finer;
}

SettledMap SettledMap::compare(const BasinResult& map, const BasinResult& finer)
{
    if (map.attractor.size() != finer.attractor.size() || map.width() != finer.width() ||
        map.rowBegin() != finer.rowBegin())
        throw std::invalid_argument("SettledMap: the maps cover different pixels");
    SettledMap s;
    s.settled.resize(map.attractor.size());
    std::size_t unsettled = 0;
    for (std::size_t k = 0; k < map.attractor.size(); ++k) {
        const std::int16_t a = map.attractor[k];
        s.settled[k] = a == finer.attractor[k] && a != BasinResult::kNotComputed;
        unsettled += !s.settled[k];
    }
    if (!map.attractor.empty())
        s.unsettledFraction = double(unsettled) / double(map.attractor.size());
    return s;
}
