#include "ModelState.h"

#include "SystemData.h"

#include <algorithm>

namespace {

bool sameMagnet(const Magnet& a, const Magnet& b)
{
    return a.posX == b.posX && a.posY == b.posY && a.posZ == b.posZ && a.alpha == b.alpha &&
           std::equal(a.color, a.color + 4, b.color);
}

} // namespace

ModelState ModelState::of(const SystemData& data)
{
    ModelState state;
    ModelParameters& p = state.physics;
    p.pendulumLength = data.pendulumLength;
    p.pendulumHeight = data.pendulumHeight;
    p.gravity = data.gravity;
    p.damping = data.damping;
    p.kappa = data.kappa;
    p.magFactor = data.magFactor;
    p.magnets.assign(data.magnets.begin(), data.magnets.end());
    state.maxTheta = data.maxTheta;
    state.maxNumPoints = data.maxNumPoints;
    return state;
}

void ModelState::applyTo(SystemData& data) const
{
    const ModelParameters& p = physics;
    data.pendulumLength = p.pendulumLength;
    data.pendulumHeight = p.pendulumHeight;
    data.gravity = p.gravity;
    data.damping = p.damping;
    data.kappa = p.kappa;
    data.magFactor = p.magFactor;
    data.maxTheta = maxTheta;
    data.maxNumPoints = maxNumPoints;
    data.magnets.clear();
    for (const Magnet& m : p.magnets) {
        data.appendMagnet(m.posX, m.posY, m.alpha, m.color[0], m.color[1], m.color[2]);
        data.magnets.last().posZ = m.posZ;
    }
}

bool ModelState::operator==(const ModelState& other) const
{
    const ModelParameters& a = physics;
    const ModelParameters& b = other.physics;
    return a.pendulumLength == b.pendulumLength && a.pendulumHeight == b.pendulumHeight &&
           a.gravity == b.gravity && a.damping == b.damping && a.kappa == b.kappa &&
           a.magFactor == b.magFactor && maxTheta == other.maxTheta &&
           maxNumPoints == other.maxNumPoints &&
           std::equal(a.magnets.begin(), a.magnets.end(), b.magnets.begin(), b.magnets.end(),
                      sameMagnet);
}
