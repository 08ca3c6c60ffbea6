#include "SweepRunner.h"

#include "BasinPainter.h"
#include "MagnetShares.h"

#include <QMetaObject>

#include <algorithm>
#include <cmath>

namespace {

// Levels of a frame from the coarsest down to `stride`.
int levelsTo(int coarsest, int stride)
{
    return int(std::lround(std::log2(double(coarsest) / double(stride)))) + 1;
}

// The shares by magnet of a level's own pixels: every stride-th pixel of
// every stride-th row, taken as a complete map of its own. A level cancelled
// part way into the next one holds some of that one's pixels as well.
std::vector<double> levelShares(const BasinResult& result, int stride)
{
    const int magnets = int(result.request.model.magnets.size());
    if (stride == 1)
        return magnetShares(result, magnets);
    BasinResult level;
    level.request = result.request;
    level.attractors = result.attractors;
    int rows = 0;
    int columns = 0;
    for (int j = result.rowBegin(); j < result.rowEnd(); j += stride, ++rows) {
        columns = 0;
        for (int i = 0; i < result.width(); i += stride, ++columns) {
            const std::size_t k = result.index(i, j);
            level.attractor.push_back(result.attractor[k]);
            level.time.push_back(result.time[k]);
            level.steps.push_back(result.steps[k]);
        }
    }
    level.request.width = columns;
    level.request.height = rows;
    level.request.rowBegin = 0;
    level.request.rowEnd = -1;
    level.stride = 1;
    return magnetShares(level, magnets);
}

} // namespace

SweepRunner::SweepRunner(QObject* parent) : QObject(parent)
{
    // One level at a time: the next frame's turn comes after it.
    engine.setLevelCallback([this](const BasinResult&, int) { engine.cancel(); });
}

SweepRunner::~SweepRunner()
{
    // The task waits for its thread as it goes.
    cancel();
}

void SweepRunner::start(const SweepJob& job)
{
    ++generation;
    pending = job;
    frameCoarsest = job.coarsest;
    shown.assign(std::size_t(std::max(0, job.plan.frames)), Frame());
    for (int f = 0; f < int(shown.size()); ++f)
        shown[std::size_t(f)].value = job.plan.value(f);
    setBusy(true);
    if (task.isBusy()) {
        // The sweep running ends soon; its follow-up starts this one.
        std::lock_guard<std::mutex> lock(engineMutex);
        stopping = true;
        engine.cancel();
        return;
    }
    launch();
}

void SweepRunner::cancel()
{
    ++generation;
    pending.reset();
    {
        std::lock_guard<std::mutex> lock(engineMutex);
        stopping = true;
        engine.cancel();
    }
    setBusy(false);
}

double SweepRunner::progress() const
{
    if (shown.empty())
        return 0.0;
    long long done = 0;
    const int coarsest = std::max(1, frameCoarsest);
    for (const Frame& f : shown)
        if (f.level)
            done += levelsTo(coarsest, f.level->result.stride);
    return double(done) / double(std::max<std::size_t>(1, shown.size()) * levelsTo(coarsest, 1));
}

void SweepRunner::launch()
{
    const SweepJob job = *pending;
    pending.reset();
    const int jobGeneration = generation;
    // No thread of the task runs here: the new one sees this.
    stopping = false;
    task.start([this, job, jobGeneration] { compute(job, jobGeneration); },
               [this, jobGeneration] { ended(jobGeneration); });
}

void SweepRunner::ended(int jobGeneration)
{
    if (pending) {
        launch();
        return;
    }
    if (jobGeneration != generation || !busy)
        return;
    setBusy(false);
    if (std::all_of(shown.begin(), shown.end(),
                    [](const Frame& f) { return f.level && f.level->isComplete(); }))
        emit finished();
}

void SweepRunner::setBusy(bool on)
{
    if (on == busy)
        return;
    busy = on;
    emit busyChanged(on);
}

void SweepRunner::compute(const SweepJob& job, int jobGeneration)
{
    std::vector<BasinRequest> requests;
    for (int f = 0; f < job.plan.frames; ++f) {
        QString error;
        const std::optional<BasinRequest> r = job.frameRequest(f, &error);
        if (!r) {
            Delivery failure;
            failure.generation = jobGeneration;
            failure.error = error;
            mail.post(std::move(failure));
            return;
        }
        requests.push_back(*r);
    }
    std::vector<std::shared_ptr<const BasinCache::Entry>> levels(requests.size());
    for (std::size_t f = 0; f < requests.size(); ++f)
        if ((levels[f] = cached(requests[f])))
            deliver(jobGeneration, int(f), levels[f]);

    // Round after round, every frame not complete one level finer.
    for (bool refined = true; refined && !stopping;) {
        refined = false;
        for (std::size_t f = 0; f < requests.size() && !stopping; ++f) {
            const auto& from = levels[f];
            if (from && from->isComplete())
                continue;
            {
                std::lock_guard<std::mutex> lock(engineMutex);
                if (stopping)
                    break;
                engine.start(requests[f],
                             from ? std::shared_ptr<const BasinResult>(from, &from->result)
                                  : nullptr);
            }
            engine.wait();
            const int stride = engine.result().stride;
            // Nothing complete of a cancelled first level, or no level further.
            if (stride == 0 || (from && stride >= from->result.stride))
                continue;
            auto entry = std::make_shared<BasinCache::Entry>();
            entry->result = engine.result();
            entry->map = BasinMap(entry->result, stride, BasinPainter(entry->result),
                                  from ? from->map : BasinMap());
            cache.store(entry);
            levels[f] = entry;
            refined = true;
            deliver(jobGeneration, int(f), entry);
        }
    }
}

std::shared_ptr<const BasinCache::Entry> SweepRunner::cached(const BasinRequest& request)
{
    const auto hit = cache.find(request);
    if (!hit || hit->result.stride == 0)
        return nullptr;
    if (hit->result.request.model == request.model && !hit->map.isNull())
        return hit;
    // Found for other colours of the magnets: repainted in these.
    auto entry = std::make_shared<BasinCache::Entry>();
    entry->result = hit->result;
    entry->result.request = request;
    entry->map = BasinMap(entry->result, entry->result.stride, BasinPainter(entry->result));
    cache.store(entry);
    return entry;
}

void SweepRunner::deliver(int jobGeneration, int frame,
                          std::shared_ptr<const BasinCache::Entry> level)
{
    Delivery d;
    d.generation = jobGeneration;
    d.frame = frame;
    d.shares = levelShares(level->result, level->result.stride);
    d.level = std::move(level);
    mail.post(std::move(d));
}

void SweepRunner::collect()
{
    for (Delivery& d : mail.take()) {
        if (d.generation != generation)
            continue;
        if (d.frame < 0) {
            setBusy(false);
            emit failed(d.error);
            continue;
        }
        Frame& f = shown[std::size_t(d.frame)];
        f.level = std::move(d.level);
        f.shares = std::move(d.shares);
        emit frameReady(d.frame);
    }
}
