#ifndef ORVALIS_MAILBOX_H
#define ORVALIS_MAILBOX_H

#include <QMetaObject>
#include <QObject>

#include <mutex>
#include <utility>
#include <vector>

// Letters from a worker thread to an object of the GUI thread. The first
// letter into an empty box calls the owner's invokable `collect` (by name, so
// the call is made inside Qt), which takes them all. Nothing the worker builds
// reaches the GUI thread except through the box's own lock, whose ordering the
// sanitizers see as well.
template <typename Letter> class Mailbox
{
public:
    explicit Mailbox(QObject* owner) : owner(owner) {}

    // Worker side.
    void post(Letter letter)
    {
        bool first = false;
        {
            std::lock_guard<std::mutex> lock(mutex);
            first = letters.empty();
            letters.push_back(std::move(letter));
        }
        if (first)
            QMetaObject::invokeMethod(owner, "collect", Qt::QueuedConnection);
    }

    // GUI side: every letter posted so far, oldest first.
    std::vector<Letter> take()
    {
        std::vector<Letter> taken;
        std::lock_guard<std::mutex> lock(mutex);
        taken.swap(letters);
        return taken;
    }

private:
    QObject* owner;
    std::mutex mutex;
    std::vector<Letter> letters;
};

#endif
