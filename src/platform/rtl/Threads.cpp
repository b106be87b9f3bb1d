#include "platform/rtl/Threads.h"

#include <deque>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

std::atomic<std::thread::id>& MainThreadId()
{
    static std::atomic<std::thread::id> id{std::this_thread::get_id()};
    return id;
}
// Taken while the program starts, on the thread that starts it.
const bool kMainThreadKnown = (MainThreadId(), true);

// The nice value of each priority.
int NiceValue(TThreadPriority priority)
{
    switch (priority) {
    case TThreadPriority::tpIdle: return 19;
    case TThreadPriority::tpLowest: return 10;
    case TThreadPriority::tpLower: return 5;
    case TThreadPriority::tpNormal: return 0;
    case TThreadPriority::tpHigher: return -5;
    case TThreadPriority::tpHighest: return -10;
    case TThreadPriority::tpTimeCritical: return -15;
    }
    return 0;
}

}  // namespace

// The queue of calls waiting for the main thread, and the per-thread state that goes with it.
struct TThreadHandOver {
    struct Request {
        TThread* thread = nullptr;
        const TThreadMethod* method = nullptr;
        bool done = false;
        bool dropped = false;
        std::exception_ptr error;
    };

    std::mutex lock;
    std::condition_variable changed;
    std::deque<Request*> queue;
    std::function<void()> wakeMainThread;

    static TThreadHandOver& Instance()
    {
        static TThreadHandOver instance;
        return instance;
    }

    // Drops the queued calls of `thread` and refuses its later ones; true when one of its
    // calls runs on the main thread now.
    bool Drop(TThread* thread)
    {
        std::lock_guard guard(lock);
        thread->disposed_ = true;
        std::erase_if(queue, [&](Request* request) {
            if (request->thread != thread) {
                return false;
            }
            request->done = true;
            request->dropped = true;
            return true;
        });
        changed.notify_all();
        return thread->inMainThreadCall_;
    }

    // Runs the queued calls (on the main thread).
    bool RunQueued(std::chrono::milliseconds timeout)
    {
        std::unique_lock guard(lock);
        if (timeout.count() > 0) {
            changed.wait_for(guard, timeout, [&] { return !queue.empty(); });
        }
        bool ran = false;
        while (!queue.empty()) {
            Request* request = queue.front();
            queue.pop_front();
            if (request->thread != nullptr) {
                request->thread->inMainThreadCall_ = true;
            }
            guard.unlock();
            std::exception_ptr error;
            try {
                (*request->method)();
            } catch (...) {
                error = std::current_exception();
            }
            guard.lock();
            // The request still exists: its thread waits for `done`, and a drop of the thread
            // only takes requests that are still queued.
            if (request->thread != nullptr) {
                request->thread->inMainThreadCall_ = false;
            }
            request->error = error;
            request->done = true;
            changed.notify_all();
            ran = true;
        }
        return ran;
    }
};

// ---- the main thread ----

bool IsMainThread()
{
    return std::this_thread::get_id() == MainThreadId().load();
}

void SetMainThread()
{
    MainThreadId().store(std::this_thread::get_id());
}

void SetWakeMainThread(std::function<void()> wake)
{
    TThreadHandOver& handOver = TThreadHandOver::Instance();
    std::lock_guard guard(handOver.lock);
    handOver.wakeMainThread = std::move(wake);
}

bool CheckSynchronize(std::chrono::milliseconds timeout)
{
    return TThreadHandOver::Instance().RunQueued(timeout);
}

bool WaitForMainThreadCall(std::chrono::milliseconds timeout)
{
    TThreadHandOver& handOver = TThreadHandOver::Instance();
    std::unique_lock guard(handOver.lock);
    return handOver.changed.wait_for(guard, timeout, [&] { return !handOver.queue.empty(); });
}

// ---- TThread ----

TThread::TThread() = default;

TThread::~TThread()
{
    if (started_ && thread_.joinable()) {
        StopAndWait();
    }
}

bool TThread::Synchronize(TThread* thread, const TThreadMethod& method)
{
    if (IsMainThread()) {
        method();
        return true;
    }
    TThreadHandOver& handOver = TThreadHandOver::Instance();
    TThreadHandOver::Request request;
    request.thread = thread;
    request.method = &method;
    std::function<void()> wake;
    {
        std::lock_guard guard(handOver.lock);
        if (thread != nullptr && thread->disposed_) {
            return false;
        }
        handOver.queue.push_back(&request);
        handOver.changed.notify_all();
        wake = handOver.wakeMainThread;
    }
    if (wake) {
        wake();
    }
    std::unique_lock guard(handOver.lock);
    handOver.changed.wait(guard, [&] { return request.done; });
    if (request.error) {
        std::rethrow_exception(request.error);
    }
    return !request.dropped;
}

void TThread::Resume()
{
    std::lock_guard guard(lock_);
    suspended_ = false;
    gate_.notify_all();
    if (!started_) {
        started_ = true;
        thread_ = std::thread([this] { Run(); });
    }
}

void TThread::Suspend()
{
    std::lock_guard guard(lock_);
    suspended_ = true;
}

bool TThread::Suspended() const
{
    std::lock_guard guard(lock_);
    return suspended_;
}

void TThread::SetSuspended(bool value)
{
    if (value) {
        Suspend();
    } else {
        Resume();
    }
}

void TThread::Terminate()
{
    {
        std::lock_guard guard(lock_);
        terminated_.store(true);
        gate_.notify_all();
    }
    TerminatedSet();
}

bool TThread::WaitWhileSuspended()
{
    std::unique_lock guard(lock_);
    gate_.wait(guard, [&] { return !suspended_ || terminated_.load(); });
    return !terminated_.load();
}

bool TThread::IsCurrentThread() const
{
    return std::this_thread::get_id() == workerId_.load();
}

int TThread::WaitFor()
{
    if (!started_ || !thread_.joinable()) {
        return ReturnValue();
    }
    if (IsMainThread()) {
        // The thread may wait for a call of its own on this thread: run those meanwhile.
        TThreadHandOver& handOver = TThreadHandOver::Instance();
        std::unique_lock guard(handOver.lock);
        while (!ended_) {
            handOver.changed.wait(guard, [&] { return ended_ || !handOver.queue.empty(); });
            if (!ended_) {
                guard.unlock();
                CheckSynchronize();
                guard.lock();
            }
        }
    }
    thread_.join();
    return ReturnValue();
}

void TThread::StopAndWait()
{
    TThreadHandOver::Instance().Drop(this);
    Terminate();
    if (!IsCurrentThread()) {
        WaitFor();
    }
}

void TThread::Dispose(std::unique_ptr<TThread> thread)
{
    if (!thread) {
        return;
    }
    const bool inOwnCall = TThreadHandOver::Instance().Drop(thread.get());
    thread->Terminate();
    if (thread->started_ && (inOwnCall || thread->IsCurrentThread())) {
        TThreadHandOver& handOver = TThreadHandOver::Instance();
        std::lock_guard guard(handOver.lock);
        if (!thread->ended_) {
            thread->freeOnTerminate_ = true;
            thread.release();
            return;
        }
    }
    thread->WaitFor();
    thread.reset();
}

void TThread::SetPriority(TThreadPriority value)
{
    priority_.store(value);
    ApplyPriority();
}

void TThread::ApplyPriority()
{
    const int id = systemThreadId_.load();
    if (id != 0) {
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(id), NiceValue(priority_.load()));
    }
}

std::exception_ptr TThread::FatalException() const
{
    std::lock_guard guard(lock_);
    return fatalException_;
}

void TThread::Run()
{
    workerId_.store(std::this_thread::get_id());
    systemThreadId_.store(static_cast<int>(::syscall(SYS_gettid)));
    if (priority_.load() != TThreadPriority::tpNormal) {
        ApplyPriority();
    }
    if (WaitWhileSuspended()) {
        try {
            Execute();
        } catch (...) {
            std::lock_guard guard(lock_);
            fatalException_ = std::current_exception();
        }
    }
    systemThreadId_.store(0);
    finished_.store(true);
    if (OnTerminate) {
        try {
            Synchronize([this] { OnTerminate(this); });
        } catch (...) {
            // An error of the handler has no thread left to go to.
        }
    }
    TThreadHandOver& handOver = TThreadHandOver::Instance();
    std::unique_lock guard(handOver.lock);
    ended_ = true;
    handOver.changed.notify_all();
    if (freeOnTerminate_) {
        guard.unlock();
        thread_.detach();
        delete this;
    }
}

// ---- TEvent ----

void TEvent::SetEvent()
{
    std::lock_guard guard(lock_);
    signaled_ = true;
    changed_.notify_all();
}

void TEvent::ResetEvent()
{
    std::lock_guard guard(lock_);
    signaled_ = false;
}

TWaitResult TEvent::WaitFor(std::chrono::milliseconds timeout)
{
    std::unique_lock guard(lock_);
    const auto isSet = [&] { return signaled_; };
    if (timeout.count() < 0) {
        changed_.wait(guard, isSet);
    } else if (!changed_.wait_for(guard, timeout, isSet)) {
        return TWaitResult::wrTimeout;
    }
    if (!manualReset_) {
        signaled_ = false;
    }
    return TWaitResult::wrSignaled;
}
