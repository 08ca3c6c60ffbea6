#ifndef ORVALIS_SWEEPRUNNER_H
#define ORVALIS_SWEEPRUNNER_H

#include "BackgroundTask.h"
#include "BasinCache.h"
#include "BasinEngine.h"
#include "Mailbox.h"
#include "SweepJob.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

// Computes the frames of a sweep off the GUI thread, round-robin level by
// level: every frame at the coarsest level first, so that all of them show
// within moments, then each frame one level finer, again and again until
// all are complete. Each level of a frame comes back to the GUI thread as
// it is done, with its shares by magnet.
//
// Every level goes into a cache: a sweep started again over frames it has
// seen (the same values, the same model) continues each of them where it
// stopped, and shows complete ones at once.
class SweepRunner : public QObject
{
    Q_OBJECT

public:
    struct Frame
    {
        double value = 0.0;
        // Its finest level so far (the map's stride tells which); null before the first.
        std::shared_ptr<const BasinCache::Entry> level;
        // Of the level's pixels: per magnet in magnet order, then undecided.
        std::vector<double> shares;
    };

    explicit SweepRunner(QObject* parent = nullptr);
    ~SweepRunner() override;

    // Cancels the sweep running and computes this one; its frames start empty.
    void start(const SweepJob& job);
    // Stops the sweep; what it computed stays in the cache.
    void cancel();

    bool isBusy() const { return busy; }
    // The frames of the last sweep started, as far as they got.
    const std::vector<Frame>& frames() const { return shown; }
    // Levels computed or found of all the levels of all frames, 0 to 1.
    double progress() const;

signals:
    // A finer level of `frame` is in frames().
    void frameReady(int frame);
    // Every frame is complete.
    void finished();
    // The sweep cannot be computed; it has stopped.
    void failed(const QString& error);
    void busyChanged(bool busy);

private:
    // What the sweep's thread hands to the GUI thread.
    struct Delivery
    {
        int generation = 0;
        int frame = -1; // -1: the sweep failed
        std::shared_ptr<const BasinCache::Entry> level;
        std::vector<double> shares;
        QString error;
    };

    void launch();
    void ended(int generation);
    void setBusy(bool on);
    // The sweep's thread.
    void compute(const SweepJob& job, int generation);
    std::shared_ptr<const BasinCache::Entry> cached(const BasinRequest& request);
    void deliver(int generation, int frame, std::shared_ptr<const BasinCache::Entry> level);
    // GUI side: empties the mailbox.
    Q_INVOKABLE void collect();

    // GUI thread only.
    std::optional<SweepJob> pending;
    std::vector<Frame> shown;
    int frameCoarsest = 8;
    int generation = 0;
    bool busy = false;

    // Shared by both threads; locks itself.
    BasinCache cache;

    // The engine is started under the lock, so that a cancel cannot fall
    // between the engine clearing its flag and the map starting.
    std::mutex engineMutex;
    std::atomic<bool> stopping{false};
    BasinEngine engine;

    Mailbox<Delivery> mail{this};

    BackgroundTask task;
};

#endif
