#include "BasinEngine.h"

#include "LaneSetup.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace {

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

    current.attractors = attractorCache.of(r.model);
    const LaneSetup lanes(r, current.attractors);

    const int threads = LaneSetup::workerCount(r.threads);
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

    const auto worker = [&] {
        int row = -1;
        int column = 0;
        // The next pixel of the level not computed yet (a continued map has some).
        const auto next = [&](long long& id, double& x, double& y) {
            while (level.next(rowCounter, row, column))
                if (current.attractor[current.index(column, row)] == BasinResult::kNotComputed) {
                    id = (long long)row * r.width + column;
                    x = r.pixelX(column);
                    y = r.pixelY(row);
                    return true;
                }
            return false;
        };
        const auto record = [&](long long id, const basin::LaneBatch& batch, int l) {
            const std::size_t k = current.index(int(id % r.width), int(id / r.width));
            current.attractor[k] = LaneSetup::attractorOf(batch.outcome[l]);
            current.time[k] = float(0.5 * batch.stamp[l]);
            current.steps[k] = std::int32_t(batch.steps[l]);
            donePixels.fetch_add(1, std::memory_order_relaxed);
        };
        lanes.drive(cancelled, next, record);
    };
    LaneSetup::runWorkers(threads, worker, [&] {
        if (onProgress)
            onProgress(double(donePixels.load(std::memory_order_relaxed)) / double(total));
    });
}
