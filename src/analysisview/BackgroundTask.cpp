#include "BackgroundTask.h"

#include <stdexcept>

BackgroundTask::~BackgroundTask()
{
    // The follow-up posted by now goes with this object, unrun.
    if (worker.joinable())
        worker.join();
}

void BackgroundTask::start(std::function<void()> work, std::function<void()> done)
{
    if (isBusy())
        throw std::logic_error("BackgroundTask: a piece of work is still running");
    followUp = std::move(done);
    worker = std::thread([this, work = std::move(work)] {
        work();
        // By name, not a lambda: the call's event is then made and read inside
        // Qt alone, whose queue's lock ThreadSanitizer cannot see.
        QMetaObject::invokeMethod(this, "finish", Qt::QueuedConnection);
    });
}

void BackgroundTask::finish()
{
    // The thread has returned from the work or is about to: the join makes
    // everything it wrote visible here.
    worker.join();
    std::function<void()> done = std::move(followUp);
    done();
}
