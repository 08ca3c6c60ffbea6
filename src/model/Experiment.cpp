#include "Experiment.h"

#include "SystemData.h"

Experiment::Experiment(SystemData* data, QObject* parent) : QObject(parent), data(data) {}

void Experiment::release(double x, double y)
{
    previous = current;
    current = {true, x, y};
    recompute();
}

void Experiment::forget()
{
    previous = current;
    current.released = false;
    // The samples stay in the model; only their display ends.
    data->numTrajPoints = 0;
    caught = PathCapture();
    emit pathChanged();
}

void Experiment::revertRelease()
{
    current = previous;
    if (current.released)
        recompute();
    else
        forget();
}

void Experiment::recompute()
{
    if (!current.released)
        return;
    if (tillCaught) {
        caught = tracer.trace(*data, current.x, current.y);
    } else {
        data->computeTrajectory(current.x, current.y);
        caught = tracer.find(*data, current.x, current.y, data->numTrajPoints);
    }
    data->ResetAnim(); // a new path plays from its start
    emit pathChanged();
}

void Experiment::setUntilCaught(bool on)
{
    if (on == tillCaught)
        return;
    tillCaught = on;
    recompute();
}
