#ifndef ORVALIS_BACKGROUNDTASK_H
#define ORVALIS_BACKGROUNDTASK_H

#include <QObject>

#include <functional>
#include <thread>

// Runs one piece of work at a time on a thread of its own, then a follow-up
// on the task's thread (the GUI's) once that thread has ended: what the work
// wrote is the follow-up's to read. The GUI thread never waits for the work,
// except in the destructor, so whoever owns the work cancels it first.
class BackgroundTask : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~BackgroundTask() override;

    bool isBusy() const { return worker.joinable(); }
    // Only while not busy.
    void start(std::function<void()> work, std::function<void()> done);

private slots:
    void finish();

private:
    std::thread worker;
    std::function<void()> followUp;
};

#endif
