#include "SimulationTimers.h"

SimulationTimers::SimulationTimers(QObject* parent) : QObject(parent)
{
    simulation.setInterval(1);
    playback.setInterval(10);
    connect(&simulation, &QTimer::timeout, this, &SimulationTimers::simulationTicked);
    connect(&playback, &QTimer::timeout, this, [this] {
        const double milliseconds = double(sinceTick.nsecsElapsed()) * 1e-6;
        sinceTick.start();
        emit playbackTicked(milliseconds);
    });
}

void SimulationTimers::runSimulation(bool on)
{
    simulation.setSingleShot(false);
    if (on)
        simulation.start();
    else
        simulation.stop();
}

void SimulationTimers::stepSimulation()
{
    simulation.setSingleShot(true);
    simulation.start();
}

void SimulationTimers::runPlayback(bool on)
{
    if (!on) {
        playback.stop();
        return;
    }
    // Asked again while running, the playback keeps its pace.
    if (playback.isActive())
        return;
    sinceTick.start();
    playback.start();
}
