#ifndef ORVALIS_PATHTRACER_H
#define ORVALIS_PATHTRACER_H

#include "AttractorCache.h"
#include "PathCapture.h"

class SystemData;

// The path from a release point taken exactly as the map takes the pixel
// there: the map's lane kernel, tolerance, capture rule and time limit
// (LaneSetup), one lane whose accepted states become the samples. The path
// ends where the pixel ends, on the same step and at the same stamp, so the
// path and the map tell the same story; its samples are those of the
// ordinary path up to there, bit for bit.
class PathTracer
{
public:
    // A path that settles neither by capture nor by the time limit stops
    // here: about 40 MB of samples.
    static constexpr int kMaxSamples = 1 << 21;

    // Replaces the model's path with the one from (x0, y0) until it is caught.
    PathCapture trace(SystemData& data, double x0, double y0);

private:
    AttractorCache attractorCache;
};

#endif
