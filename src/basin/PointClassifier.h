#ifndef ORVALIS_POINTCLASSIFIER_H
#define ORVALIS_POINTCLASSIFIER_H

#include "AttractorCache.h"
#include "BasinRequest.h"
#include "PotentialLandscape.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

struct PlanePoint
{
    double x = 0.0;
    double y = 0.0;
};

// What the bob does when released at rest at arbitrary points of the plane,
// computed exactly as a map computes its pixel centres: the same lane
// kernels, tolerance and limits (LaneSetup), on worker threads that pull the
// points from a shared counter. The request's model, tolerance, time limit,
// threads and lane choice apply; its rectangle and size do not.
//
// The progress callback runs on the calling thread every few dozen
// milliseconds.
class PointClassifier
{
public:
    using ProgressCallback = std::function<void(double fraction)>;

    PointClassifier() = default;
    PointClassifier(const PointClassifier&) = delete;
    PointClassifier& operator=(const PointClassifier&) = delete;

    void setProgressCallback(ProgressCallback callback) { onProgress = std::move(callback); }

    // Classifies the points on the calling thread and its workers; false when
    // cancelled. Points not reached keep BasinResult::kNotComputed.
    bool run(const BasinRequest& request, const std::vector<PlanePoint>& points);
    // May be called from any thread: the workers leave within a few hundred
    // steps, and every later run returns at once until resume().
    void cancel() { cancelled = true; }
    void resume() { cancelled = false; }

    // Per point, an index into attractors() or BasinResult::kUndecided.
    const std::vector<std::int16_t>& outcomes() const { return results; }
    // Of the model last classified.
    const std::vector<Attractor>& attractors() const { return attractorList; }

private:
    AttractorCache attractorCache;
    std::vector<Attractor> attractorList;
    std::vector<std::int16_t> results;
    ProgressCallback onProgress;
    std::atomic<bool> cancelled{false};
};

#endif
