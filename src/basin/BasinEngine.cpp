#include "BasinEngine.h"

#include "LaneSetup.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace {

// Tries per kernel call: a worker looks at the cancel flag between calls,
// every few hundred steps at most.
constexpr int kIterationsPerCall = 256;
constexpr auto kProgressInterval = std::chrono::milliseconds(50);

// The pixels of one level within the rows of the request, one row after the
// other: rows are handed out through a shared counter.
class LevelPixels
{
public:
    LevelPixels(const BasinRequest& r, int stride, int coarsest)
        : request(r), stride(stride), coarsest(coarsest)
    {
        for (int j = r.rowBegin; j < r.lastRow(); ++j)
            if (j % stride == 0)
                rows.push_back(j);
    }

    // The next pixel for one worker, whose position in its current row is
    // (row, column); false when the level has no pixel left.
    bool next(std::atomic<int>& counter, int& row, int& column) const
    {
        for (;;) {
            if (row >= 0) {
                column += step(row);
                if (column < request.width)
                    return true;
            }
            const int k = counter.fetch_add(1, std::memory_order_relaxed);
            if (k >= int(rows.size()))
                return false;
            row = rows[std::size_t(k)];
            column = first(row) - step(row);
        }
    }

private:
    // Rows of the coarser levels hold every other pixel of this one already.
    bool sharesCoarserRow(int j) const { return stride < coarsest && j % (2 * stride) == 0; }
    int first(int j) const { return sharesCoarserRow(j) ? stride : 0; }
    int step(int j) const { return sharesCoarserRow(j) ? 2 * stride : stride; }

    const BasinRequest& request;
    int stride;
    int coarsest;
    std::vector<int> rows;
};

} // namespace

BasinEngine::~BasinEngine()
{
    cancel();
    wait();
}

void BasinEngine::start(const BasinRequest& request, std::shared_ptr<const BasinResult> from)
{
    cancel();
    wait();
    cancelled = false;
    runner = std::thread([this, request, from] { run(request, from.get()); });
}

void BasinEngine::cancel()
{
    cancelled = true;
}

void BasinEngine::wait()
{
    if (runner.joinable())
        runner.join();
}

bool BasinEngine::run(const BasinRequest& request, const BasinResult* from)
{
    current = BasinResult();
    current.request = request;
    BasinRequest& r = current.request;
    r.rowBegin = std::clamp(r.rowBegin, 0, r.height);
    r.rowEnd = std::clamp(r.lastRow(), r.rowBegin, r.height);
    const std::size_t pixels = std::size_t(r.rowEnd - r.rowBegin) * std::size_t(r.width);
    current.attractor.assign(pixels, BasinResult::kNotComputed);
    current.time.assign(pixels, 0.0f);
    current.steps.assign(pixels, 0);
    long long computed = 0;
    if (from && from->attractor.size() == pixels && from->width() == r.width) {
        current.attractor = from->attractor;
        current.time = from->time;
        current.steps = from->steps;
        current.stride = from->stride;
        computed = std::count_if(current.attractor.begin(), current.attractor.end(),
                                 [](std::int16_t a) { return a != BasinResult::kNotComputed; });
    }

    if (!landscape || r.model != landscapeModel) {
        landscape = std::make_unique<PotentialLandscape>(r.model);
        landscapeModel = r.model;
    }
    current.attractors = landscape->attractors();
    const LaneSetup lanes(r, current.attractors);

    int threads = r.threads > 0 ? r.threads : int(std::thread::hardware_concurrency());
    threads = std::clamp(threads, 1, 256);
    donePixels = computed;
    const int coarsest = r.progressive ? std::max(1, r.coarsest) : 1;
    for (int stride = coarsest; stride >= 1 && !cancelled; stride /= 2) {
        if (current.stride > 0 && stride >= current.stride)
            continue; // complete already
        computeLevel(stride, coarsest, lanes, threads);
        if (cancelled)
            break;
        current.stride = stride;
        if (onLevel)
            onLevel(current, stride);
    }
    current.cancelled = cancelled;
    return !current.cancelled;
}

void BasinEngine::computeLevel(int stride, int coarsest, const LaneSetup& lanes, int threads)
{
    const BasinRequest& r = current.request;
    const LevelPixels level(r, stride, coarsest);
    const long long total = std::max<long long>(1, r.width * (long long)(r.rowEnd - r.rowBegin));
    std::atomic<int> rowCounter{0};
    std::mutex mutex;
    std::condition_variable finished;
    int running = threads;

    const auto worker = [&] {
        basin::LaneBatch batch;
        int pixelOf[basin::kLanes];
        std::fill_n(pixelOf, basin::kLanes, -1);
        int row = -1;
        int column = 0;
        bool exhausted = false; // the level has no pixel left for this worker
        const auto record = [&](int l) {
            const double outcome = batch.outcome[l];
            const std::size_t k = current.index(pixelOf[l] % r.width, pixelOf[l] / r.width);
            current.attractor[k] = LaneSetup::attractorOf(outcome);
            current.time[k] = float(0.5 * batch.stamp[l]);
            current.steps[k] = std::int32_t(batch.steps[l]);
            pixelOf[l] = -1;
            donePixels.fetch_add(1, std::memory_order_relaxed);
        };
        // The next pixel of the level not computed yet (a continued map has some).
        const auto nextPixel = [&](int& j, int& i) {
            while (level.next(rowCounter, j, i))
                if (current.attractor[current.index(i, j)] == BasinResult::kNotComputed)
                    return true;
            return false;
        };
        for (;;) {
            bool anyRunning = false;
            for (int l = 0; l < basin::kLanes; ++l) {
                while (batch.outcome[l] != basin::kRunning) {
                    if (pixelOf[l] >= 0)
                        record(l);
                    exhausted = exhausted || !nextPixel(row, column);
                    if (exhausted) {
                        batch.outcome[l] = basin::kIdle;
                        break;
                    }
                    pixelOf[l] = row * r.width + column;
                    batch.release(l, r.pixelX(column), r.pixelY(row));
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
        while (!finished.wait_for(lock, kProgressInterval, [&] { return running == 0; }))
            if (onProgress)
                onProgress(double(donePixels.load(std::memory_order_relaxed)) / double(total));
    }
    for (std::thread& t : pool)
        t.join();
}
