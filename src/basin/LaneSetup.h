#ifndef ORVALIS_LANESETUP_H
#define ORVALIS_LANESETUP_H

#include "BasinLanes.h"
#include "BasinResult.h"
#include "CaptureTable.h"

// How the lanes integrate the releases of one request: the model's
// constants, the attractors' capture discs, the tolerance and limits, and
// the kernel that runs them. The map and lists of single points both step
// through it, so a point and a pixel centre at the same place end alike.
class LaneSetup
{
public:
    LaneSetup(const BasinRequest& request, const std::vector<Attractor>& attractors);

    // The kernel setup points into the model and the capture table.
    LaneSetup(const LaneSetup&) = delete;
    LaneSetup& operator=(const LaneSetup&) = delete;

    // Advances the running lanes by up to `iterations` tries each.
    void advance(basin::LaneBatch& batch, int iterations) const;
    // The attractor index of a lane's final outcome, or BasinResult::kUndecided.
    static std::int16_t attractorOf(double outcome)
    {
        return outcome > 0.0 ? std::int16_t(outcome - 1.0) : BasinResult::kUndecided;
    }

private:
    MagnetModel model;
    CaptureTable discs;
    basin::KernelSetup setup;
    basin::Advance kernel;
};

#endif
