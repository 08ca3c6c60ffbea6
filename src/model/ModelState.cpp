#include "ModelState.h"

#include "SystemData.h"

namespace {

// The pendulum's numbers, the same way in both directions: a field left out
// of one would make undo forget it.
template <class From, class To> void copyPendulum(const From& from, To& to)
{
    to.pendulumLength = from.pendulumLength;
    to.pendulumHeight = from.pendulumHeight;
    to.gravity = from.gravity;
    to.damping = from.damping;
    to.kappa = from.kappa;
    to.magFactor = from.magFactor;
}

} // namespace

ModelState ModelState::of(const SystemData& data)
{
    ModelState state;
    ModelParameters& p = state.physics;
    copyPendulum(data, p);
    p.magnets.assign(data.magnets.begin(), data.magnets.end());
    state.maxTheta = data.maxTheta;
    state.maxNumPoints = data.maxNumPoints;
    return state;
}

void ModelState::applyTo(SystemData& data) const
{
    const ModelParameters& p = physics;
    copyPendulum(p, data);
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
