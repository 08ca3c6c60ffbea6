#include "Experiment.h"

#include "SystemData.h"

Experiment::Experiment(SystemData* data, QObject* parent) : QObject(parent), data(data) {}

void Experiment::release(double x, double y)
{
    released = true;
    x0 = x;
    y0 = y;
    recompute();
}

void Experiment::forget()
{
    released = false;
    // The samples stay in the model; only their display ends.
    data->numTrajPoints = 0;
    emit pathChanged();
}

void Experiment::recompute()
{
    if (!released)
        return;
    data->computeTrajectory(x0, y0);
    // A new path plays from its start.
    data->animPos[0] = float(x0);
    data->animPos[1] = float(y0);
    data->animIndex = 0;
    data->animTime = 0.0f;
    emit pathChanged();
}
