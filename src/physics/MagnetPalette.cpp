#include "MagnetPalette.h"

#include <algorithm>
#include <iterator>

namespace {

// Red, green and blue first: the default magnets have them.
constexpr std::array<float, 3> kColours[] = {
    {1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}, {1.0f, 0.85f, 0.0f},
    {1.0f, 0.0f, 1.0f}, {0.0f, 0.9f, 1.0f}, {1.0f, 0.5f, 0.0f}, {0.6f, 0.3f, 1.0f},
    {0.6f, 1.0f, 0.3f}, {1.0f, 0.5f, 0.7f}, {0.0f, 0.6f, 0.5f}, {0.7f, 0.5f, 0.2f},
};

bool hasColour(const Magnet& m, const std::array<float, 3>& c)
{
    return m.color[0] == c[0] && m.color[1] == c[1] && m.color[2] == c[2];
}

} // namespace

std::array<float, 3> MagnetPalette::next(const std::vector<Magnet>& magnets)
{
    for (const auto& colour : kColours)
        if (std::none_of(magnets.begin(), magnets.end(),
                         [&](const Magnet& m) { return hasColour(m, colour); }))
            return colour;
    return kColours[magnets.size() % std::size(kColours)];
}
