#include "PathOutcome.h"

#include "PotentialLandscape.h"
#include "SystemData.h"

#include <QCoreApplication>

PathOutcome PathOutcome::of(const SystemData& data, const PotentialLandscape& landscape)
{
    PathOutcome outcome;
    const int n = data.storedSamples();
    if (n < 1)
        return outcome;
    outcome.samples = n;
    // The stamps run at twice the integrated time.
    outcome.duration = 0.5 * double(data.trajTimes[std::size_t(n) - 1]);

    const auto& last = data.trajPoints[std::size_t(n) - 1];
    const double x = last[0], y = last[1], vx = last[2], vy = last[3];
    const double energy = 0.5 * (vx * vx + vy * vy) + landscape.potential(x, y);
    outcome.ending = Ending::Moving;
    for (const Attractor& a : landscape.attractors()) {
        if (a.catches(x, y, energy)) {
            outcome.ending = Ending::Rests;
            outcome.magnet = a.magnet;
            outcome.restX = a.x;
            outcome.restY = a.y;
            break;
        }
    }
    return outcome;
}

QString PathOutcome::describe() const
{
    const auto tr = [](const char* text) {
        return QCoreApplication::translate("PathOutcome", text);
    };
    if (ending == Ending::NoPath)
        return tr("no path");
    const QString length = tr("%1 samples over %2 s").arg(samples).arg(duration, 0, 'f', 2);
    if (ending == Ending::Moving)
        return tr("%1: still moving at the end").arg(length);
    if (magnet >= 0)
        return tr("%1: comes to rest over magnet %2").arg(length).arg(magnet);
    return tr("%1: comes to rest at (%2, %3), over no magnet")
        .arg(length)
        .arg(restX, 0, 'g', 4)
        .arg(restY, 0, 'g', 4);
}
