#ifndef ORVALIS_EXPERIMENT_H
#define ORVALIS_EXPERIMENT_H

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

    bool hasReleasePoint() const { return released; }
    double releaseX() const { return x0; }
    double releaseY() const { return y0; }

public slots:
    // Releases the bob at rest at (x, y) and remembers the point.
    void release(double x, double y);
    // Hides the path and forgets its point.
    void forget();
    // Computes the path again from the remembered point, after the model changed.
    void recompute();

signals:
    void pathChanged();

private:
    SystemData* data;
    bool released = false;
    double x0 = 0.0;
    double y0 = 0.0;
};

#endif
