#ifndef ORVALIS_BASINENGINE_H
#define ORVALIS_BASINENGINE_H

#include "AttractorCache.h"
#include "BasinLanes.h"
#include "BasinResult.h"

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class LaneSetup;

// Computes basin-of-attraction maps: for every pixel the bob is released at
// rest at the pixel's centre and integrated exactly as the path from that
// point (same equations, same Cash-Karp steps), until the energy shows that
// an attractor has caught it (see PotentialLandscape) or the time limit
// leaves it undecided. Worker threads pull rows from a shared counter; each
// advances eight pixels at a time (in AVX-512 or AVX2 registers where the
// processor has them).
// Coarse levels come first (every 8th pixel by default, then 4th, 2nd, all),
// each computing only the pixels the coarser ones did not.
//
// Callbacks run on the thread that runs the map, between levels (level) and
// every few dozen milliseconds within one (progress); result() is stable
// while they run.
class BasinEngine
{
public:
    using LevelCallback = std::function<void(const BasinResult& result, int stride)>;
    using ProgressCallback = std::function<void(double fraction)>;

    BasinEngine() = default;
    ~BasinEngine();

    BasinEngine(const BasinEngine&) = delete;
    BasinEngine& operator=(const BasinEngine&) = delete;

    void setLevelCallback(LevelCallback callback) { onLevel = std::move(callback); }
    void setProgressCallback(ProgressCallback callback) { onProgress = std::move(callback); }

    // Computes the map on the calling thread (and the workers it starts);
    // false when cancelled, also by a cancel() before it began. Given `from`,
    // a part of the same map (as BasinCache finds it), keeps its pixels and
    // computes only the others, from its first incomplete level on.
    bool run(const BasinRequest& request, const BasinResult* from = nullptr);
    // Computes it on a thread of its own, cancelling a map still running.
    void start(const BasinRequest& request, std::shared_ptr<const BasinResult> from = nullptr);
    // Asks a running map to stop: its workers leave within a few hundred
    // steps, pixels in flight stay not computed and the result is marked.
    void cancel();
    void wait();

    const BasinResult& result() const { return current; }

private:
    void computeLevel(int stride, int coarsest, const LaneSetup& lanes, int threads);

    BasinResult current;
    // Of the last model mapped: another part of the plane needs the same.
    AttractorCache attractorCache;
    LevelCallback onLevel;
    ProgressCallback onProgress;
    std::atomic<bool> cancelled{false};
    std::atomic<long long> donePixels{0};
    std::thread runner;
};

#endif
