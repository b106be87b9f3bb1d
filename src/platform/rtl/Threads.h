#pragma once
// Worker threads: TThread (a std::thread underneath), the hand-over of a call to the main
// thread (Synchronize), and a simple event to wait on.
//
// A TThread is made suspended: its thread starts at the first Resume and runs Execute once.
// Suspending is cooperative: Suspend closes a gate that the thread's own code passes between
// runs of its work (WaitWhileSuspended); a thread is never stopped at an arbitrary point.
// Stopping is cooperative too: Terminate sets Terminated, opens the gate and calls
// TerminatedSet, which a thread class overrides to wake whatever its Execute waits on.
//
// Synchronize runs a call on the main thread and waits for it. The call waits in a queue
// until the main thread runs CheckSynchronize; the window layer has the main thread's event
// loop do that (WakeMainThread is how a waiting call asks for it). An owner that goes away
// while its thread waits there disposes of the thread with Dispose: queued calls of that
// thread are dropped unrun, so they never reach the owner that is gone.

#include "platform/rtl/Classes.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

using TThreadMethod = std::function<void()>;

enum class TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class TThread : public TObject {
public:
    TThread();
    // Terminates the thread and waits for it; a thread class whose Execute uses members of
    // its own calls StopAndWait first in its destructor.
    ~TThread() override;
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;
    const char* ClassName() const noexcept override { return "TThread"; }

    // Opens the gate; the first call starts the thread.
    void Resume();
    // Closes the gate: the thread waits at its next WaitWhileSuspended.
    void Suspend();
    bool Suspended() const;
    void SetSuspended(bool value);

    // Asks the thread to end: Terminated becomes true and TerminatedSet runs.
    void Terminate();
    bool Terminated() const noexcept { return terminated_.load(); }
    // Waits until the thread has ended (at once when it never started) and returns ReturnValue.
    // Must not be called on the thread itself.
    int WaitFor();
    // True once Execute has returned (or the thread ended without running it).
    bool Finished() const noexcept { return finished_.load(); }
    // True while the thread runs on the calling thread.
    bool IsCurrentThread() const;

    int ReturnValue() const noexcept { return returnValue_.load(); }
    void SetReturnValue(int value) noexcept { returnValue_.store(value); }
    // Applied to the running thread as its scheduling weight (nice value); a raise the system
    // refuses is ignored.
    TThreadPriority Priority() const noexcept { return priority_.load(); }
    void SetPriority(TThreadPriority value);
    // The exception that escaped Execute, if any.
    std::exception_ptr FatalException() const;

    // Runs on the main thread after Execute (sender: the thread), unless the thread was
    // disposed of first. Set it before Resume.
    TNotifyEvent OnTerminate;

    // Ends the thread's life for an owner that goes away: terminates it, drops its queued
    // main-thread calls, and waits for it. Where waiting cannot be done (on the thread itself,
    // or inside one of its own main-thread calls) the thread frees itself when it ends instead.
    // The owner clears the callbacks that lead to it before calling this.
    static void Dispose(std::unique_ptr<TThread> thread);

    // Runs `method` on the main thread and waits for it (directly when called there). An
    // exception of the method is raised again in the calling thread. Returns false, without
    // running it, when the thread has been disposed of. Also usable from threads that are no
    // TThread (`thread` null).
    static bool Synchronize(TThread* thread, const TThreadMethod& method);

protected:
    virtual void Execute() = 0;
    // Called by Terminate (on the terminating thread): wake the thread's waits here.
    virtual void TerminatedSet() {}
    bool Synchronize(const TThreadMethod& method) { return Synchronize(this, method); }
    // Waits while the gate is closed; false when the thread was told to terminate.
    bool WaitWhileSuspended();
    // For destructors: drops the thread's queued main-thread calls, terminates it and waits
    // for it (unless called on it).
    void StopAndWait();

private:
    void Run();
    void ApplyPriority();

    friend struct TThreadHandOver;

    mutable std::mutex lock_;  // the gate and the fatal exception
    std::condition_variable gate_;
    std::thread thread_;
    bool started_ = false;
    bool suspended_ = true;
    // Guarded by the hand-over's lock (Threads.cpp):
    bool ended_ = false;             // Run is past its last use of the object (but a self-free)
    bool freeOnTerminate_ = false;   // Run deletes the object when it ends
    bool disposed_ = false;          // main-thread calls are dropped
    bool inMainThreadCall_ = false;  // one of its calls runs on the main thread now
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
    std::atomic<int> returnValue_{0};
    std::atomic<TThreadPriority> priority_{TThreadPriority::tpNormal};
    std::atomic<int> systemThreadId_{0};
    std::atomic<std::thread::id> workerId_{};
    std::exception_ptr fatalException_;
};

// ---- the main thread ----

// The main thread is the one that started the program, or the one that called SetMainThread.
bool IsMainThread();
void SetMainThread();
// Runs the queued Synchronize calls, on the main thread. With a timeout it first waits up to
// that long for one to arrive (for loops without a window layer). True when it ran any.
bool CheckSynchronize(std::chrono::milliseconds timeout = std::chrono::milliseconds(0));
// Waits until a call waits for the main thread, without running it; false when none came
// within the time.
bool WaitForMainThreadCall(std::chrono::milliseconds timeout);
// Called (on the calling thread) each time a call is queued for the main thread, so that the
// main thread's event loop can run CheckSynchronize.
void SetWakeMainThread(std::function<void()> wake);

// ---- an event to wait on ----

enum class TWaitResult { wrSignaled, wrTimeout };

class TEvent {
public:
    explicit TEvent(bool manualReset, bool initialState = false) : manualReset_(manualReset), signaled_(initialState) {}
    void SetEvent();
    void ResetEvent();
    // Waits until the event is signalled (an automatic event is reset again by the wait) or
    // the time has passed; a negative timeout waits without end.
    TWaitResult WaitFor(std::chrono::milliseconds timeout);

private:
    std::mutex lock_;
    std::condition_variable changed_;
    const bool manualReset_;
    bool signaled_;
};
