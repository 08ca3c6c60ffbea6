#include "PointClassifier.h"

#include "LaneSetup.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

// As the map: the cancel flag between kernel calls, progress every 50 ms.
constexpr int kIterationsPerCall = 256;
constexpr auto kProgressInterval = std::chrono::milliseconds(50);

} // namespace

bool PointClassifier::run(const BasinRequest& request, const std::vector<PlanePoint>& points)
{
    if (!landscape || request.model != landscapeModel) {
        landscape = std::make_unique<PotentialLandscape>(request.model);
        landscapeModel = request.model;
    }
    attractorList = landscape->attractors();
    results.assign(points.size(), BasinResult::kNotComputed);
    if (cancelled)
        return false;
    const LaneSetup lanes(request, attractorList);
    int threads = request.threads > 0 ? request.threads : int(std::thread::hardware_concurrency());
    threads = std::clamp(threads, 1, 256);

    std::atomic<std::size_t> nextPoint{0};
    std::atomic<std::size_t> done{0};
    std::mutex mutex;
    std::condition_variable finished;
    int running = threads;

    const auto worker = [&] {
        basin::LaneBatch batch;
        std::size_t pointOf[basin::kLanes] = {};
        bool exhausted = false;
        for (;;) {
            bool anyRunning = false;
            for (int l = 0; l < basin::kLanes; ++l) {
                while (batch.outcome[l] != basin::kRunning) {
                    if (batch.outcome[l] != basin::kIdle) {
                        results[pointOf[l]] = LaneSetup::attractorOf(batch.outcome[l]);
                        done.fetch_add(1, std::memory_order_relaxed);
                    }
                    const std::size_t k = exhausted
                                              ? points.size()
                                              : nextPoint.fetch_add(1, std::memory_order_relaxed);
                    exhausted = k >= points.size();
                    if (exhausted) {
                        batch.outcome[l] = basin::kIdle;
                        break;
                    }
                    pointOf[l] = k;
                    batch.release(l, points[k].x, points[k].y);
                }
                anyRunning = anyRunning || batch.outcome[l] == basin::kRunning;
            }
            if (!anyRunning || cancelled.load(std::memory_order_relaxed))
                break;
            lanes.advance(batch, kIterationsPerCall);
        }
        std::lock_guard<std::mutex> lock(mutex);
        --running;
        finished.notify_all();
    };

    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back(worker);
    {
        std::unique_lock<std::mutex> lock(mutex);
        const double total = double(std::max<std::size_t>(1, points.size()));
        while (!finished.wait_for(lock, kProgressInterval, [&] { return running == 0; }))
            if (onProgress)
                onProgress(double(done.load(std::memory_order_relaxed)) / total);
    }
    for (std::thread& t : pool)
        t.join();
    return !cancelled;
}
