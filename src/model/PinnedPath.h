#ifndef ORVALIS_PINNEDPATH_H
#define ORVALIS_PINNEDPATH_H

#include "ModelParameters.h"
#include "PathOutcome.h"

#include <QColor>
#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <vector>

class SystemData;

// A copy of a path kept for comparison while new releases draw over it: its
// samples, what it came to and the parameters it was computed with. It shows
// the path as it was: later edits of the model leave it alone.
class PinnedPath : public QObject
{
    Q_OBJECT

public:
    explicit PinnedPath(QObject* parent = nullptr);

    // Whether `data` holds a path worth pinning: a line of two samples at least.
    static bool canPin(const SystemData& data);
    // Keeps the current path of `data`, which came to `outcome`, in place of
    // any pinned before. False, and nothing changes, when there is no path.
    bool pin(const SystemData& data, const PathOutcome& outcome);
    void clear();

    bool isPinned() const { return !points.empty(); }
    // x, y, vx, vy per sample, as the model stores them.
    const std::vector<std::array<float, 4>>& samples() const { return points; }
    // "pinned: ..." with the outcome, telling when the motion's parameters
    // have changed since; empty when nothing is pinned.
    QString describe(const ModelParameters& current) const;

    // The colour the pinned path is drawn in, for a path drawn in `lineColor`:
    // greyed and pulled to a middle lightness, so it reads on black and on a
    // map alike and never matches the path drawn over it.
    static QColor mutedColor(const QColor& lineColor);
    // Points a view's `held` at `path` (null for none) and calls `changed` now
    // and after each change of it while `viewer` lives; a destroyed path
    // leaves `held` null.
    static void watch(QObject* viewer, const PinnedPath*& held, const PinnedPath* path,
                      const std::function<void()>& changed);

signals:
    // Pinned, replaced or cleared.
    void changed();

private:
    std::vector<std::array<float, 4>> points;
    PathOutcome ending;
    ModelParameters parameters;
};

#endif
