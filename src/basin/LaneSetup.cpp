#include "LaneSetup.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// A release that takes more accepted steps than this is undecided.
constexpr double kStepLimit = 5e7;
constexpr auto kProgressInterval = std::chrono::milliseconds(50);

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

int LaneSetup::workerCount(int requested)
{
    const int threads = requested > 0 ? requested : int(std::thread::hardware_concurrency());
    return std::clamp(threads, 1, 256);
}

void LaneSetup::runWorkers(int threads, const std::function<void()>& work,
                           const std::function<void()>& tick)
{
    std::mutex mutex;
    std::condition_variable finished;
    int running = threads;
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back([&] {
            work();
            std::lock_guard<std::mutex> lock(mutex);
            --running;
            finished.notify_all();
        });
    {
        std::unique_lock<std::mutex> lock(mutex);
        while (!finished.wait_for(lock, kProgressInterval, [&] { return running == 0; }))
            if (tick)
                tick();
    }
    for (std::thread& t : pool)
        t.join();
}
