#ifndef ORVALIS_PATHTRACER_H
#define ORVALIS_PATHTRACER_H

#include "AttractorCache.h"
#include "PathCapture.h"

class SystemData;

// The path from a release point taken exactly as the map takes the pixel
// there: the map's lane kernel, tolerance, capture rule and time limit
// (LaneSetup), one lane whose accepted states are the samples. Such a path
// ends where the pixel ends, on the same step and at the same stamp, so the
// path and the map tell the same story; up to there its samples are those of
// the ordinary path, bit for bit.
class PathTracer
{
public:
    // A path that settles neither by capture nor by the time limit stops
    // here: about 40 MB of samples.
    static constexpr int kMaxSamples = 1 << 21;

    // Replaces the model's path with the one from (x0, y0) until it is caught.
    PathCapture trace(SystemData& data, double x0, double y0);
    // Where the ordinary path from (x0, y0) is caught within its first
    // `samples` samples, if it is; the model's path is left alone.
    PathCapture find(const SystemData& data, double x0, double y0, int samples);

private:
    // Runs the lane until it ends or would take sample number `limit`,
    // handing each sample (x, y, vx, vy, stamp) to `store`.
    template <class Store>
    PathCapture run(const SystemData& data, double x0, double y0, int limit, Store&& store);

    AttractorCache attractorCache;
};

#endif
