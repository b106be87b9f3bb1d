#include "platform/gui/Synchronize.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include <unistd.h>

namespace {

struct TPendingCall {
    std::function<void()> method;
    std::exception_ptr error;
    bool done = false;
};

struct TCallQueue {
    std::mutex lock;
    std::condition_variable finished;
    std::deque<std::shared_ptr<TPendingCall>> calls;
    std::thread::id mainThread;
    bool mainThreadSet = false;
};

TCallQueue& Queue()
{
    static TCallQueue queue;
    return queue;
}

}  // namespace

void SetMainThread()
{
    TCallQueue& queue = Queue();
    std::lock_guard guard(queue.lock);
    queue.mainThread = std::this_thread::get_id();
    queue.mainThreadSet = true;
}

bool IsMainThread()
{
    if (QCoreApplication* application = QCoreApplication::instance()) {
        return QThread::currentThread() == application->thread();
    }
    TCallQueue& queue = Queue();
    std::lock_guard guard(queue.lock);
    if (queue.mainThreadSet) {
        return queue.mainThread == std::this_thread::get_id();
    }
    // Without an application the process's first thread is the GUI thread.
    return gettid() == getpid();
}

void Synchronize(const std::function<void()>& method)
{
    if (IsMainThread()) {
        method();
        return;
    }
    auto call = std::make_shared<TPendingCall>();
    call->method = method;
    TCallQueue& queue = Queue();
    {
        std::lock_guard guard(queue.lock);
        queue.calls.push_back(call);
    }
    // Wakes the GUI thread's event loop; a GUI thread that waits for workers runs the call from
    // CheckSynchronize instead.
    if (QCoreApplication* application = QCoreApplication::instance()) {
        QMetaObject::invokeMethod(application, [] { CheckSynchronize(); }, Qt::QueuedConnection);
    }
    std::unique_lock guard(queue.lock);
    queue.finished.wait(guard, [&call] { return call->done; });
    if (call->error) {
        std::rethrow_exception(call->error);
    }
}

bool CheckSynchronize()
{
    if (!IsMainThread()) {
        return false;
    }
    TCallQueue& queue = Queue();
    bool ran = false;
    for (;;) {
        std::shared_ptr<TPendingCall> call;
        {
            std::lock_guard guard(queue.lock);
            if (queue.calls.empty()) {
                return ran;
            }
            call = queue.calls.front();
            queue.calls.pop_front();
        }
        try {
            call->method();
        } catch (...) {
            call->error = std::current_exception();
        }
        {
            std::lock_guard guard(queue.lock);
            call->done = true;
        }
        queue.finished.notify_all();
        ran = true;
    }
}
