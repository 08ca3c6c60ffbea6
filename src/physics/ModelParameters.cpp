#include "ModelParameters.h"

#include <algorithm>

namespace {

bool sameMagnet(const Magnet& a, const Magnet& b)
{
    return a.posX == b.posX && a.posY == b.posY && a.posZ == b.posZ && a.alpha == b.alpha &&
           std::equal(a.color, a.color + 4, b.color);
}

} // namespace

bool operator==(const ModelParameters& a, const ModelParameters& b)
{
    return a.pendulumLength == b.pendulumLength && a.pendulumHeight == b.pendulumHeight &&
           a.gravity == b.gravity && a.damping == b.damping && a.kappa == b.kappa &&
           a.magFactor == b.magFactor &&
           std::equal(a.magnets.begin(), a.magnets.end(), b.magnets.begin(), b.magnets.end(),
                      sameMagnet);
}
