#ifndef ORVALIS_PLAYBACK_H
#define ORVALIS_PLAYBACK_H

#include "SystemData.h"

#include <QObject>

// The playback of the current path as a person steers it: how fast its clock
// runs against the wall clock, and where on the path it stands. The clock, the
// segment and the bob's position stay the model's (animTime, animIndex,
// animPos), so everything that restarts a path restarts its playback too.
class Playback : public QObject
{
    Q_OBJECT

public:
    explicit Playback(SystemData* data, QObject* parent = nullptr);

    double speed() const { return factor; }
    // The clock now and the stamp of the path's last sample (0 without a path).
    double time() const;
    double duration() const;
    // Whether the next tick would find no segment of the path to move along.
    bool cannotAdvance() const;

public slots:
    // Factor on the clock's advance: 1 plays in real time.
    void setSpeed(double speed);
    // Advances the clock by `milliseconds` of wall time at the chosen speed;
    // false once the clock has passed the last sample, or with nothing to play.
    bool advance(double milliseconds);
    // A single step: one tick of the playback timer, however long it took.
    bool tick() { return advance(SystemData::kTickMilliseconds); }
    // Puts the clock at `t` (kept within the path) and the bob where the path
    // is then, forwards or backwards.
    void seek(double t);
    // Back to the path's first sample.
    void rewind();

signals:
    // The clock or the bob moved.
    void moved();

private:
    // Index of the last sample the playback may use, or -1.
    int lastSample() const;
    // The bob at sample `last`, the clock on the last segment.
    void restAtEnd(int last);

    SystemData* data;
    double factor = 1.0;
};

#endif
