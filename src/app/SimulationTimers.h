#ifndef ORVALIS_SIMULATIONTIMERS_H
#define ORVALIS_SIMULATIONTIMERS_H

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// The window's two timers: the simulation's (1 ms), which repaints the 2D
// view, and the playback's (10 ms). A playback tick tells the wall time since
// the one before, so that the playback keeps to real time however late a
// tick comes.
class SimulationTimers : public QObject
{
    Q_OBJECT

public:
    explicit SimulationTimers(QObject* parent = nullptr);

    bool isSimulating() const { return simulation.isActive(); }
    bool isPlaying() const { return playback.isActive(); }

public slots:
    void runSimulation(bool on);
    // Arms the simulation timer for one tick.
    void stepSimulation();
    void runPlayback(bool on);

signals:
    void simulationTicked();
    // Milliseconds since the playback started or last ticked.
    void playbackTicked(double milliseconds);

private:
    QTimer simulation;
    QTimer playback;
    QElapsedTimer sinceTick;
};

#endif
