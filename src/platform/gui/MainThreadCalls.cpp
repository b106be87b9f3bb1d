#include "platform/gui/MainThreadCalls.h"

#include "platform/gui/DescriptorWatch.h"
#include "platform/rtl/Threads.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

// A worker thread wakes the event loop by writing one byte into a pipe that the loop watches.
// The write allocates nothing and takes no lock of the toolkit's, so the only hand-over
// between the threads is the call queue's own mutex and the pipe (a queued toolkit call would
// be allocated on the worker and freed on the main thread under the toolkit's private lock,
// which the thread checker cannot see). The pipe lives as long as the process: a worker that
// copied the wake-up just before the application went may still write into it harmlessly.
struct TWakePipe {
    int read = -1;
    int write = -1;

    TWakePipe()
    {
        int ends[2];
        if (::pipe2(ends, O_NONBLOCK | O_CLOEXEC) == 0) {
            read = ends[0];
            write = ends[1];
        }
    }

    void Wake() const
    {
        const char byte = 1;
        // A full pipe (EAGAIN) already holds a wake-up the loop has not taken yet.
        while (::write(write, &byte, 1) < 0 && errno == EINTR) {
        }
    }

    void Drain() const
    {
        char bytes[256];
        while (::read(read, bytes, sizeof bytes) > 0) {
        }
    }
};

TWakePipe& WakePipe()
{
    static TWakePipe pipe;
    return pipe;
}

std::unique_ptr<TDescriptorWatch> wakeWatch;

void QueueCheckSynchronize()
{
    if (QCoreApplication* application = QCoreApplication::instance()) {
        QMetaObject::invokeMethod(application, [] { CheckSynchronize(); }, Qt::QueuedConnection);
    }
}

} // namespace

void StartMainThreadCalls()
{
    SetMainThread();
    const TWakePipe& pipe = WakePipe();
    if (pipe.read < 0) {
        // No pipe to be had: wake the loop with a queued call instead.
        SetWakeMainThread(QueueCheckSynchronize);
        QueueCheckSynchronize();
        return;
    }
    pipe.Drain();
    wakeWatch = std::make_unique<TDescriptorWatch>(pipe.read, [] {
        WakePipe().Drain();
        CheckSynchronize();
    });
    SetWakeMainThread([] { WakePipe().Wake(); });
    // Calls handed over before the event loop could be woken.
    pipe.Wake();
}

void StopMainThreadCalls()
{
    SetWakeMainThread(nullptr);
    wakeWatch.reset();
}
