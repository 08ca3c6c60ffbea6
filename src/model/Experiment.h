#ifndef ORVALIS_EXPERIMENT_H
#define ORVALIS_EXPERIMENT_H

#include "PathCapture.h"
#include "PathTracer.h"

#include <QObject>

class SystemData;

// The release point of the current path. It outlives every change of the
// model: whatever changes the motion recomputes the path from the same point,
// so an experiment is never thrown away by a tweak.
class Experiment : public QObject
{
    Q_OBJECT

public:
    explicit Experiment(SystemData* data, QObject* parent = nullptr);

    bool hasReleasePoint() const { return current.released; }
    double releaseX() const { return current.x; }
    double releaseY() const { return current.y; }
    // Whether paths run until the map's capture rule catches the bob (or the
    // map's time limit), rather than for the model's number of samples.
    bool untilCaught() const { return tillCaught; }
    // Where the current path was caught, if it was.
    const PathCapture& capture() const { return caught; }

public slots:
    // Releases the bob at rest at (x, y) and remembers the point.
    void release(double x, double y);
    // Hides the path and forgets its point.
    void forget();
    // Goes back to the point before the last release: the first click of a
    // double-click that adds a magnet must not end the experiment.
    void revertRelease();
    // Computes the path again from the remembered point, after the model changed.
    void recompute();
    // Chooses how long paths run, and computes the current one again.
    void setUntilCaught(bool on);

signals:
    void pathChanged();

private:
    SystemData* data;
    struct Point
    {
        bool released = false;
        double x = 0.0;
        double y = 0.0;
    };
    Point current;
    Point previous;
    bool tillCaught = false;
    PathTracer tracer;
    PathCapture caught;
};

#endif
