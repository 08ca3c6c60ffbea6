#ifndef ORVALIS_LANESETUP_H
#define ORVALIS_LANESETUP_H

#include "BasinLanes.h"
#include "BasinResult.h"
#include "CaptureTable.h"

#include <algorithm>
#include <atomic>
#include <functional>

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

    // One worker's loop: keeps the lanes of a batch busy with the releases
    // `next(id, x, y)` hands out (false once there are none left), gives each
    // that has ended to `record(id, batch, lane)`, and returns when every lane
    // is idle or `cancelled` is set. The flag is looked at every few hundred
    // steps at most.
    template <class Next, class Record>
    void drive(const std::atomic<bool>& cancelled, Next&& next, Record&& record) const
    {
        constexpr int kIterationsPerCall = 256;
        basin::LaneBatch batch;
        long long idOf[basin::kLanes];
        std::fill_n(idOf, basin::kLanes, -1LL);
        bool exhausted = false;
        for (;;) {
            bool anyRunning = false;
            for (int l = 0; l < basin::kLanes; ++l) {
                while (batch.outcome[l] != basin::kRunning) {
                    if (idOf[l] >= 0) {
                        record(idOf[l], batch, l);
                        idOf[l] = -1;
                    }
                    double x = 0.0, y = 0.0;
                    exhausted = exhausted || !next(idOf[l], x, y);
                    if (exhausted) {
                        batch.outcome[l] = basin::kIdle;
                        break;
                    }
                    batch.release(l, x, y);
                }
                anyRunning = anyRunning || batch.outcome[l] == basin::kRunning;
            }
            if (!anyRunning || cancelled.load(std::memory_order_relaxed))
                break;
            advance(batch, kIterationsPerCall);
        }
    }

    // The threads a request asks for: every core for 0.
    static int workerCount(int requested);
    // Runs `work` on `threads` threads and calls `tick` on the calling thread
    // every 50 ms until all of them have ended.
    static void runWorkers(int threads, const std::function<void()>& work,
                           const std::function<void()>& tick);
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
