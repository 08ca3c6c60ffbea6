#include "ModelState.h"

#include "SystemData.h"

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
    return physics == other.physics && maxTheta == other.maxTheta &&
           maxNumPoints == other.maxNumPoints;
}
