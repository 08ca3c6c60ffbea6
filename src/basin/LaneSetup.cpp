#include "LaneSetup.h"

namespace {

// A release that takes more accepted steps than this is undecided.
constexpr double kStepLimit = 5e7;

} // namespace

LaneSetup::LaneSetup(const BasinRequest& request, const std::vector<Attractor>& attractors)
    : model(request.model), discs(attractors),
      kernel(request.vectorLanes ? basin::widestKernel() : basin::advancePortable)
{
    setup.field = model.constants();
    setup.discs = discs.discs();
    setup.capture = request.model.damping > 0.0;
    setup.eps = request.tolerance;
    setup.stampLimit = 2.0 * request.maxTime;
    setup.stepLimit = kStepLimit;
}

void LaneSetup::advance(basin::LaneBatch& batch, int iterations) const
{
    kernel(setup, batch, iterations);
}
