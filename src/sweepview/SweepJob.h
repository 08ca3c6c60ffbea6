#ifndef ORVALIS_SWEEPJOB_H
#define ORVALIS_SWEEPJOB_H

#include "BasinRequest.h"
#include "ModelState.h"
#include "SweepPlan.h"

#include <QString>

#include <optional>

// What a sweep computes: the model it starts from, the parameter it varies
// and over which values, and the grid of every frame's map. Each frame is
// the map of the model's plate with the parameter at the frame's value.
struct SweepJob
{
    ModelState base;
    SweepPlan plan;
    int grid = 128;         // side of each frame's square map in pixels
    double maxTime = 100.0; // model time after which a pixel is undecided
    int coarsest = 16;      // stride of the first level of every frame

    // The map request of `frame`; nothing, and why, when the parameter
    // cannot take the frame's value.
    std::optional<BasinRequest> frameRequest(int frame, QString* error) const;
};

#endif
