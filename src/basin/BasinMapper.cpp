#include "BasinMapper.h"

#include "BasinPainter.h"
#include "ExactRect.h"
#include "ThreadPriority.h"

#include <QMetaObject>

#include <algorithm>

namespace {

// The first level of a view's map has at most about this many pixels, so it
// comes within a blink whatever the size of the view.
constexpr int kFirstLevelPixels = 2048;

long long computedPixels(const BasinResult& result)
{
    return std::count_if(result.attractor.begin(), result.attractor.end(),
                         [](std::int16_t a) { return a != BasinResult::kNotComputed; });
}

} // namespace

BasinMapper::BasinMapper(QObject* parent) : QObject(parent)
{
    engine.setLevelCallback([this](const BasinResult& result, int stride) {
        // The level before holds most of the pixels: only the new ones are coloured.
        runningMap = BasinMap(result, stride, BasinPainter(result), runningMap);
        postLevel(runningMap, false);
    });
    engine.setProgressCallback([this](double fraction) {
        Delivery progress;
        progress.kind = Delivery::Progress;
        progress.generation = running.generation;
        progress.target = running.target;
        progress.fraction = fraction;
        mail.post(std::move(progress));
    });
    thread = std::thread([this] { work(); });
}

BasinMapper::~BasinMapper()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        quitting = true;
        pending.reset();
        engine.cancel();
    }
    wake.notify_one();
    thread.join();
}

void BasinMapper::setEnabled(bool on)
{
    if (on == enabled)
        return;
    enabled = on;
    if (on) {
        schedule();
        return;
    }
    ++generation; // whatever is still in flight is stale now
    replaceJob(std::nullopt);
    shown = BasinMap();
    shownFromCache = false;
    viewStale = plateStale = true;
    setBusy(false);
    emit cleared();
}

void BasinMapper::setView(const QRectF& region, const QSize& pixels)
{
    if (exactlyEqual(region, viewRegion) && pixels == viewPixels)
        return;
    viewRegion = region;
    viewPixels = pixels;
    viewGrid.place(region, pixels);
    viewStale = true;
    requestSchedule();
}

void BasinMapper::setModel(const ModelParameters& physics, double theta)
{
    model = physics;
    maxTheta = theta;
    viewStale = plateStale = true;
    requestSchedule();
}

void BasinMapper::requestSchedule()
{
    // Changes that arrive together (a load resets the view as well) make one restart.
    if (schedulePosted)
        return;
    schedulePosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            schedulePosted = false;
            schedule();
        },
        Qt::QueuedConnection);
}

void BasinMapper::schedule()
{
    if (!enabled)
        return;
    // The map the person looks at goes first: the plate's while the 3D view
    // shows, else the 2D view's.
    const Target first = plateFirst ? PlateMap : ViewMap;
    const Target second = plateFirst ? ViewMap : PlateMap;
    // Complete maps in the cache show at once, whatever is running.
    for (const Target target : {first, second})
        if (isStale(target))
            showCached(target);
    if (isStale(first)) {
        // A restart before the last one has shown its coarsest level would
        // only cancel it: during a drag the map follows at that level's pace.
        if (busy && busyTarget == first && !firstLevelShown)
            return;
        submit(first);
    } else if (isStale(second) && !busy) {
        submit(second);
    }
}

bool BasinMapper::isStale(Target target) const
{
    return target == ViewMap ? viewStale && !viewPixels.isEmpty() : plateStale;
}

void BasinMapper::setPlateFirst(bool on)
{
    if (on == plateFirst)
        return;
    plateFirst = on;
    requestSchedule();
}

BasinRequest BasinMapper::requestFor(Target target) const
{
    BasinRequest r = BasinRequest::fromModel(model, maxTheta);
    r.maxTime = maxTime;
    if (target == ViewMap) {
        r.left = viewRegion.left();
        r.right = viewRegion.right();
        r.bottom = viewRegion.top(); // y up: the rectangle's top edge is its smallest y
        r.top = viewRegion.bottom();
        r.width = viewPixels.width();
        r.height = viewPixels.height();
        while (r.width / r.coarsest * (r.height / r.coarsest) > kFirstLevelPixels)
            r.coarsest *= 2;
        if (!viewGrid.grid().isNull())
            r.placeOn(viewGrid.grid(), viewGrid.column(), viewGrid.row());
    } else {
        r.width = r.height = plateSize;
    }
    return r;
}

std::shared_ptr<const BasinResult> BasinMapper::cachedResult(const BasinRequest& request)
{
    const auto hit = cache.find(request);
    return hit ? std::shared_ptr<const BasinResult>(hit, &hit->result) : nullptr;
}

bool BasinMapper::showCached(Target target)
{
    const BasinRequest r = requestFor(target);
    const auto hit = cache.find(r);
    // One painted in other colours is repainted on the map thread.
    if (!hit || !hit->isComplete() || hit->map.isNull() || hit->result.request.model != r.model)
        return false;
    (target == ViewMap ? viewStale : plateStale) = false;
    if (busy && busyTarget == target) {
        ++generation; // its levels would cover the complete map
        replaceJob(std::nullopt);
        setBusy(false);
    }
    show(target, hit->map, true);
    return true;
}

void BasinMapper::show(Target target, const BasinMap& map, bool fromCache)
{
    if (target == PlateMap) {
        // Coarse levels show on the plate as the view's do.
        emit plateMapReady(map.image(), map.region(), map.stride());
    } else {
        shown = map;
        shownFromCache = fromCache;
        emit viewMapReady(map);
    }
    emit mapStateChanged(target, map.stride(), fromCache);
}

void BasinMapper::submit(Target target)
{
    const BasinRequest r = requestFor(target);
    (target == ViewMap ? viewStale : plateStale) = false;
    // The map running now is cancelled before it is complete: it is due again.
    // One whose complete map has shown is done, though its thread has not ended.
    if (busy && busyTarget != target && !lastLevelShown)
        (busyTarget == ViewMap ? viewStale : plateStale) = true;
    ++generation;
    replaceJob(Job{r, target, generation});
    busyTarget = target;
    firstLevelShown = false;
    lastLevelShown = false;
    setBusy(true);
    emit progressChanged(target, 0.0);
}

void BasinMapper::replaceJob(std::optional<Job> next)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        pending = std::move(next);
        liveGeneration = generation;
        engine.cancel();
    }
    wake.notify_one();
}

void BasinMapper::setBusy(bool on)
{
    if (on == busy)
        return;
    busy = on;
    emit busyChanged(on);
}

void BasinMapper::levelReady(const Delivery& level)
{
    if (level.generation != generation)
        return;
    firstLevelShown = true;
    lastLevelShown = level.map.stride() == 1;
    show(level.target, level.map, level.fromCache);
    if (level.target == PlateMap ? plateFirst && plateStale : viewStale)
        schedule();
}

void BasinMapper::jobEnded(int jobGeneration)
{
    if (jobGeneration != generation)
        return;
    setBusy(false);
    schedule();
}

void BasinMapper::progressed(int jobGeneration, Target target, double fraction)
{
    if (jobGeneration == generation)
        emit progressChanged(target, fraction);
}

void BasinMapper::work()
{
    lowerThreadPriority();
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex);
            wake.wait(lock, [this] { return quitting || pending.has_value(); });
            if (quitting)
                return;
            running = *pending;
            pending.reset();
        }
        // The cache is looked into without the lock: the GUI thread hands over
        // the next request meanwhile.
        const auto from = cache.find(running.request);
        // A level painted in the job's colours shows at once.
        runningMap =
            from && from->result.request.model == running.request.model ? from->map : BasinMap();
        if (from && from->isComplete()) {
            if (runningMap.isNull())
                repaint(*from);
            else
                postLevel(runningMap, true);
        } else {
            const auto seed = cache.assemble(running.request);
            const long long seeded = seed ? computedPixels(*seed) : 0;
            // Pixels taken from the maps it overlaps show at once, before the
            // engine's first level.
            if (seeded > (from ? computedPixels(from->result) : 0)) {
                const BasinRequest& r = running.request;
                const int stride = seed->stride > 0 ? seed->stride
                                   : r.progressive  ? std::max(1, r.coarsest)
                                                    : 1;
                runningMap = BasinMap(*seed, stride, BasinPainter(*seed),
                                      cache.paintedNeighbour(running.request));
            }
            if (!runningMap.isNull())
                postLevel(runningMap, true);
            run(seed, seeded);
        }
        Delivery ended;
        ended.kind = Delivery::Ended;
        ended.generation = running.generation;
        mail.post(std::move(ended));
    }
}

void BasinMapper::run(std::shared_ptr<const BasinResult> seed, long long seeded)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        // Under the lock, so that a cancel from the GUI thread cannot fall
        // between the engine clearing its flag and the map starting; a job
        // the GUI thread has given up since is not started at all.
        if (quitting || running.generation != liveGeneration)
            return;
        engine.start(running.request, seed);
    }
    engine.wait();
    keep(engine.result(), seeded);
}

void BasinMapper::repaint(const BasinCache::Entry& complete)
{
    auto entry = std::make_shared<BasinCache::Entry>();
    entry->result = complete.result;
    entry->result.request = running.request;
    entry->map = BasinMap(entry->result, 1, BasinPainter(entry->result));
    postLevel(entry->map, true);
    cache.store(std::move(entry));
}

void BasinMapper::keep(const BasinResult& result, long long seeded)
{
    // A map that computed little more than its first level is computed again
    // in a blink, and a drag leaves dozens of them: they would only push
    // complete maps out.
    const BasinRequest& r = result.request;
    const int coarsest = std::max(1, r.coarsest);
    const long long firstLevel =
        (r.width / coarsest + 1) * static_cast<long long>(r.lastRow() / coarsest + 1);
    if (result.stride != 1 && computedPixels(result) - seeded <= 2 * firstLevel)
        return;
    auto entry = std::make_shared<BasinCache::Entry>();
    entry->result = result;
    entry->map = runningMap;
    cache.store(std::move(entry));
}

void BasinMapper::postLevel(const BasinMap& map, bool fromCache)
{
    Delivery level;
    level.kind = Delivery::Level;
    level.generation = running.generation;
    level.target = running.target;
    level.map = map;
    level.fromCache = fromCache;
    mail.post(std::move(level));
}

void BasinMapper::collect()
{
    for (const Delivery& d : mail.take()) {
        switch (d.kind) {
        case Delivery::Level:
            levelReady(d);
            break;
        case Delivery::Progress:
            progressed(d.generation, d.target, d.fraction);
            break;
        case Delivery::Ended:
            jobEnded(d.generation);
            break;
        }
    }
}
