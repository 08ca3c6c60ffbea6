#ifndef ORVALIS_CAPTURETABLE_H
#define ORVALIS_CAPTURETABLE_H

#include "BasinLanes.h"
#include "PotentialLandscape.h"

#include <vector>

// The capture discs of the attractors, laid out as the lane kernels read them.
class CaptureTable
{
public:
    explicit CaptureTable(const std::vector<Attractor>& attractors);

    CaptureTable(const CaptureTable&) = delete;
    CaptureTable& operator=(const CaptureTable&) = delete;

    basin::CaptureDiscs discs() const;

private:
    std::vector<double> x, y, radius2, barrier;
};

#endif
