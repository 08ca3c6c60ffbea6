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
    worker = std::thread([this, work = std::move(work), done = std::move(done)] {
        work();
        QMetaObject::invokeMethod(
            this,
            [this, done] {
                // The thread has returned from the work or is about to: the
                // join makes everything it wrote visible here.
                worker.join();
                done();
            },
            Qt::QueuedConnection);
    });
}
