#ifndef ORVALIS_BASINMAPPER_H
#define ORVALIS_BASINMAPPER_H

#include "BasinCache.h"
#include "BasinEngine.h"
#include "BasinMap.h"
#include "Mailbox.h"
#include "ViewGrid.h"

#include <QObject>
#include <QRectF>
#include <QSize>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// Keeps the basin maps of the views up to date without ever holding up the
// GUI thread: the map of what the 2D view shows, level by level, and once
// that is complete the map of the whole plate for the 3D view. Changes of the
// model or of the view restart the map; levels of a map that was restarted
// never reach the views.
//
// The maps are computed by a BasinEngine that a thread of this object starts
// at a lowered priority, so the engine's workers yield to the GUI. The GUI
// thread only hands over requests and cancels; the finished levels come back
// painted, through a mailbox the GUI thread is called to empty.
//
// Every map, complete or as far as it got, goes into a cache shared by both
// threads: a view or model returned to shows its complete map at once, with
// no coarse level, and a partial one continues where it stopped. The view's
// maps lie on grids (see ViewGrid): after a pan by whole pixels only the
// strips it uncovered are computed, the rest is taken from the maps before.
class BasinMapper : public QObject
{
    Q_OBJECT

public:
    enum Target { ViewMap, PlateMap };
    Q_ENUM(Target)

    explicit BasinMapper(QObject* parent = nullptr);
    ~BasinMapper() override;

    bool isEnabled() const { return enabled; }
    bool isBusy() const { return busy; }
    // The level the 2D view shows; null while there is none.
    const BasinMap& viewMap() const { return shown; }
    // Model time after which a pixel is undecided.
    void setMaxTime(double seconds) { maxTime = seconds; }
    // Side of the plate's square map in pixels.
    void setPlateSize(int pixels) { plateSize = pixels; }
    // Whether the 2D view's map came from the cache as it is shown: complete,
    // or as far as an earlier visit got.
    bool isViewFromCache() const { return shownFromCache; }
    std::size_t cacheBytesUsed() const { return cache.bytesUsed(); }
    std::size_t cacheCapacityBytes() const { return cache.capacityBytes(); }
    void setCacheCapacityBytes(std::size_t bytes) { cache.setCapacityBytes(bytes); }
    // What the 2D view's map is computed from now.
    BasinRequest viewRequest() const { return requestFor(ViewMap); }
    // The cache's map of the request's grid, complete or as far as it got;
    // null when it has none.
    std::shared_ptr<const BasinResult> cachedResult(const BasinRequest& request);

public slots:
    void setEnabled(bool on);
    // What the 2D view shows: the plane's rectangle (left, bottom, width,
    // height; y up) and its size in device pixels, one sample per pixel.
    void setView(const QRectF& region, const QSize& pixels);
    // The model's values changed: both maps are out of date.
    void setModel(const ModelParameters& physics, double maxTheta);
    // While the 3D view shows, its plate's map is computed before the 2D view's.
    void setPlateFirst(bool on);

signals:
    // A level of the 2D view's map, coarse ones first.
    void viewMapReady(const BasinMap& map);
    // The map of the square of maxTheta, coarse levels first (stride 1 is the
    // last), row 0 at the top; region as in setView.
    void plateMapReady(const QImage& image, const QRectF& region, int stride);
    // The maps were switched off: the views drop what they show.
    void cleared();
    void busyChanged(bool busy);
    // Of the map being computed, 0 to 1.
    void progressChanged(BasinMapper::Target target, double fraction);
    // A level of a map was shown: stride 1 is complete; fromCache when it
    // came from the cache rather than from the engine just now.
    void mapStateChanged(BasinMapper::Target target, int stride, bool fromCache);

private:
    struct Job
    {
        BasinRequest request;
        Target target = ViewMap;
        int generation = 0;
    };
    // What the map's threads hand to the GUI thread, in the order it happened.
    struct Delivery
    {
        enum Kind { Level, Progress, Ended };
        Kind kind = Ended;
        int generation = 0;
        Target target = ViewMap;
        BasinMap map;           // of a Level
        bool fromCache = false; // of a Level
        double fraction = 0.0;  // of a Progress
    };

    void requestSchedule();
    void schedule();
    BasinRequest requestFor(Target target) const;
    void submit(Target target);
    // Stops the map running, and runs `next` instead when given.
    void replaceJob(std::optional<Job> next);
    bool showCached(Target target);
    void show(Target target, const BasinMap& map, bool fromCache);
    bool isStale(Target target) const;
    void setBusy(bool on);
    void levelReady(const Delivery& level);
    void jobEnded(int jobGeneration);
    void progressed(int jobGeneration, Target target, double fraction);
    void work();
    // Map side: computes the job's map from what the cache had of it, with
    // `seeded` pixels computed.
    void run(std::shared_ptr<const BasinResult> seed, long long seeded);
    // Map side: a complete map of the cache in the job's colours; a map
    // into the cache as far as it got; a level into the mailbox.
    void repaint(const BasinCache::Entry& complete);
    // `seeded`: the pixels it was given to start from.
    void keep(const BasinResult& result, long long seeded);
    void postLevel(const BasinMap& map, bool fromCache);
    // GUI side: empties the mailbox.
    Q_INVOKABLE void collect();

    // GUI thread only.
    ModelParameters model;
    double maxTheta = 5.0;
    bool enabled = false;
    QRectF viewRegion;
    QSize viewPixels;
    ViewGrid viewGrid;
    bool viewStale = true;
    bool plateStale = true;
    bool plateFirst = false;
    bool busy = false;
    Target busyTarget = ViewMap;
    bool firstLevelShown = false;
    bool lastLevelShown = false; // its complete map is out, only its end is due
    bool schedulePosted = false;
    int generation = 0;
    double maxTime = 100.0;
    int plateSize = 512;
    BasinMap shown;
    bool shownFromCache = false;

    // Shared by both threads; locks itself.
    BasinCache cache;

    // Shared with the map thread.
    std::mutex mutex;
    std::condition_variable wake;
    std::optional<Job> pending;
    int liveGeneration = 0; // of the job the GUI thread wants run
    bool quitting = false;

    // Filled by the map's threads, emptied by the GUI thread.
    Mailbox<Delivery> mail{this};

    // The map thread's: written while no map runs, read by the engine's callbacks.
    Job running;
    BasinMap runningMap; // its last level
    BasinEngine engine;
    std::thread thread;
};

#endif
