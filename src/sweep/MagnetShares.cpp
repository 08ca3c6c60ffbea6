#include "MagnetShares.h"

#include "BasinResult.h"

#include <algorithm>

std::vector<double> magnetShares(const BasinResult& result, int magnetCount)
{
    const std::size_t rest = std::size_t(std::max(magnetCount, 0));
    std::vector<long long> pixels(rest + 1, 0);
    for (const std::int16_t a : result.attractor) {
        const int magnet = a >= 0 ? result.attractors[std::size_t(a)].magnet : -1;
        ++pixels[magnet >= 0 && std::size_t(magnet) < rest ? std::size_t(magnet) : rest];
    }
    std::vector<double> shares(pixels.size(), 0.0);
    if (result.attractor.empty())
        return shares;
    for (std::size_t k = 0; k < pixels.size(); ++k)
        shares[k] = double(pixels[k]) / double(result.attractor.size());
    return shares;
}
