#include "BasinMapper.h"

#include "BasinPainter.h"

#include <QMetaObject>

#ifdef __linux__
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

// The first level of a view's map has at most about this many pixels, so it
// comes within a blink whatever the size of the view.
constexpr int kFirstLevelPixels = 2048;

// Threads inherit their creator's niceness: the engine's workers, started
// from the map thread, then leave the GUI thread the processor whenever it
// wants it, and take all of it otherwise.
void lowerPriority()
{
#ifdef __linux__
    setpriority(PRIO_PROCESS, id_t(gettid()), 10);
#endif
}

} // namespace

BasinMapper::BasinMapper(QObject* parent) : QObject(parent)
{
    engine.setLevelCallback([this](const BasinResult& result, int stride) {
        Delivery level;
        level.kind = Delivery::Level;
        level.generation = running.generation;
        level.target = running.target;
        level.map = BasinMap(result, stride, BasinPainter(result));
        post(std::move(level));
    });
    engine.setProgressCallback([this](double fraction) {
        Delivery progress;
        progress.kind = Delivery::Progress;
        progress.generation = running.generation;
        progress.target = running.target;
        progress.fraction = fraction;
        post(std::move(progress));
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
    {
        std::lock_guard<std::mutex> lock(mutex);
        pending.reset();
        engine.cancel();
    }
    shown = BasinMap();
    viewStale = plateStale = true;
    setBusy(false);
    emit cleared();
}

void BasinMapper::setView(const QRectF& region, const QSize& pixels)
{
    // Exactly: QRectF's own comparison is fuzzy, and a deep zoom's pan moves the
    // view by less than its tolerance.
    if (region.x() == viewRegion.x() && region.y() == viewRegion.y() &&
        region.width() == viewRegion.width() && region.height() == viewRegion.height() &&
        pixels == viewPixels)
        return;
    viewRegion = region;
    viewPixels = pixels;
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

void BasinMapper::submit(Target target)
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
        viewStale = false;
    } else {
        r.width = r.height = plateSize;
        plateStale = false;
    }
    // The map running now is cancelled before it is complete: it is due again.
    if (busy && busyTarget != target)
        (busyTarget == ViewMap ? viewStale : plateStale) = true;
    ++generation;
    {
        std::lock_guard<std::mutex> lock(mutex);
        pending = Job{r, target, generation};
        engine.cancel();
    }
    wake.notify_one();
    busyTarget = target;
    firstLevelShown = false;
    setBusy(true);
    emit progressChanged(target, 0.0);
}

void BasinMapper::setBusy(bool on)
{
    if (on == busy)
        return;
    busy = on;
    emit busyChanged(on);
}

void BasinMapper::levelReady(int jobGeneration, Target target, const BasinMap& map)
{
    if (jobGeneration != generation)
        return;
    firstLevelShown = true;
    if (target == PlateMap) {
        // Coarse levels show on the plate as the view's do.
        emit plateMapReady(map.image(), map.region(), map.stride());
        if (plateFirst && plateStale)
            schedule();
        return;
    }
    shown = map;
    emit viewMapReady(map);
    if (viewStale)
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
    lowerPriority();
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex);
            wake.wait(lock, [this] { return quitting || pending.has_value(); });
            if (quitting)
                return;
            running = *pending;
            pending.reset();
            // Under the lock, so that a cancel from the GUI thread cannot fall
            // between the engine clearing its flag and the map starting.
            engine.start(running.request);
        }
        engine.wait();
        Delivery ended;
        ended.kind = Delivery::Ended;
        ended.generation = running.generation;
        post(std::move(ended));
    }
}

void BasinMapper::post(Delivery delivery)
{
    bool first = false;
    {
        std::lock_guard<std::mutex> lock(mailMutex);
        first = mail.empty();
        mail.push_back(std::move(delivery));
    }
    // Called by name, so the call is made inside Qt: nothing this thread
    // builds reaches the GUI thread except through the mailbox's own lock,
    // whose ordering the sanitizers see as well.
    if (first)
        QMetaObject::invokeMethod(this, "collect", Qt::QueuedConnection);
}

void BasinMapper::collect()
{
    std::vector<Delivery> letters;
    {
        std::lock_guard<std::mutex> lock(mailMutex);
        letters.swap(mail);
    }
    for (const Delivery& d : letters) {
        switch (d.kind) {
        case Delivery::Level:
            levelReady(d.generation, d.target, d.map);
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
