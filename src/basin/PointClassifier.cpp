#include "PointClassifier.h"

#include "LaneSetup.h"

#include <algorithm>

bool PointClassifier::run(const BasinRequest& request, const std::vector<PlanePoint>& points)
{
    attractorList = attractorCache.of(request.model);
    results.assign(points.size(), BasinResult::kNotComputed);
    if (cancelled)
        return false;
    const LaneSetup lanes(request, attractorList);
    std::atomic<std::size_t> nextPoint{0};
    std::atomic<std::size_t> done{0};

    const auto worker = [&] {
        const auto next = [&](long long& id, double& x, double& y) {
            const std::size_t k = nextPoint.fetch_add(1, std::memory_order_relaxed);
            if (k >= points.size())
                return false;
            id = (long long)k;
            x = points[k].x;
            y = points[k].y;
            return true;
        };
        const auto record = [&](long long id, const basin::LaneBatch& batch, int l) {
            results[std::size_t(id)] = LaneSetup::attractorOf(batch.outcome[l]);
            done.fetch_add(1, std::memory_order_relaxed);
        };
        lanes.drive(cancelled, next, record);
    };
    const double total = double(std::max<std::size_t>(1, points.size()));
    LaneSetup::runWorkers(LaneSetup::workerCount(request.threads), worker, [&] {
        if (onProgress)
            onProgress(double(done.load(std::memory_order_relaxed)) / total);
    });
    return !cancelled;
}
