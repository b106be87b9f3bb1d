#pragma once
// The utility kit's thread components: TSuThreadComponent runs OnExecute on a thread of its
// own, TSuThreadTimer runs OnTimer every Interval milliseconds from a worker thread.
//
// At run time each component keeps its thread (SuClasses.h) from creation on; Priority,
// ReturnValue, Suspended and Synchronized are then the thread's. A synchronised component runs
// its handler on the main thread, an unsynchronised one on the thread itself, where a long
// handler checks Terminated and returns when it is true. Suspending is cooperative: the
// thread waits at its gate before a run of its work, never in the middle of one. Freeing the
// component stops the thread and waits for it; no event of the component runs afterwards.
//
// An exception that escapes OnExecute is handed to the main thread: OnException receives it
// (the sender is a TSuThreadException standing for it), or without a handler a message box
// shows it. Only one such hand-over runs at a time.

#include "platform/rtl/Threads.h"
#include "sysutil/SuClasses.h"
#include "sysutil/SuComponents.h"

#include <exception>
#include <memory>
#include <string>

// The sender of OnException: its class name is the exception's.
class TSuThreadException : public TObject {
public:
    explicit TSuThreadException(std::exception_ptr error);
    const char* ClassName() const noexcept override { return className_.c_str(); }
    const std::string& Message() const noexcept { return message_; }
    const std::exception_ptr& Error() const noexcept { return error_; }

private:
    std::exception_ptr error_;
    std::string className_;
    std::string message_;
};

class TSuCustomThreadComponent : public TSuComponent {
public:
    explicit TSuCustomThreadComponent(TComponent* owner);
    ~TSuCustomThreadComponent() override;
    const char* ClassName() const noexcept override { return "TSuCustomThreadComponent"; }
    static void RegisterClass();

    TThreadPriority Priority() const;
    void SetPriority(TThreadPriority value);
    int ReturnValue() const;
    void SetReturnValue(int value);
    bool Suspended() const;
    void SetSuspended(bool value);
    bool Synchronized() const;
    void SetSynchronized(bool value);

    // Runs the work again on a fresh thread; the previous thread is stopped and waited for.
    void Start();
    // Ends the current run: Terminated becomes true and OnFinish runs on the main thread.
    void Finish();
    // True once the thread was told to end.
    bool Terminated() const;
    // The thread (null at design time).
    TSuEventThread* Thread() const noexcept { return thread_.get(); }

    TNotifyEvent OnException;
    TNotifyEvent OnExecute;
    TNotifyEvent OnTerminate;
    TNotifyEvent OnFinish;

protected:
    // Makes a thread of this component's kind, suspended, running Execute.
    virtual std::unique_ptr<TSuEventThread> MakeThread();
    // A fresh thread with the stored settings, replacing (and stopping) the current one.
    void ReplaceThread();
    void StopThread();
    void Loaded() override;
    // The thread's callback: runs OnExecute and hands an exception to the main thread.
    void Execute(TSuEventThread& thread);
    // The callback of a thread made by MakeThread.
    TThreadMethod ThreadCallback(TSuEventThread& thread);

private:
    void ShowException(const TSuThreadException& error);
    bool Running() const noexcept { return thread_ != nullptr; }

    TThreadPriority priority_ = TThreadPriority::tpNormal;
    int returnValue_ = 0;
    bool suspended_ = true;
    bool synchronized_ = false;
    std::unique_ptr<TSuEventThread> thread_;
};

// The published classes stop their thread in their own destructor, so that a handler still
// running meanwhile sees the component whole.
class TSuThreadComponent : public TSuCustomThreadComponent {
public:
    using TSuCustomThreadComponent::TSuCustomThreadComponent;
    ~TSuThreadComponent() override { StopThread(); }
    const char* ClassName() const noexcept override { return "TSuThreadComponent"; }
    static void RegisterClass();
};

class TSuCustomThreadTimer : public TSuCustomThreadComponent {
public:
    explicit TSuCustomThreadTimer(TComponent* owner);
    ~TSuCustomThreadTimer() override;
    const char* ClassName() const noexcept override { return "TSuCustomThreadTimer"; }
    static void RegisterClass();

    int Interval() const noexcept { return interval_; }
    void SetInterval(int value);
    bool Enabled() const { return !Suspended(); }
    void SetEnabled(bool value) { SetSuspended(!value); }
    const TNotifyEvent& OnTimer() const noexcept { return OnExecute; }
    void SetOnTimer(TNotifyEvent handler) { OnExecute = std::move(handler); }

protected:
    std::unique_ptr<TSuEventThread> MakeThread() override;

private:
    int interval_ = 1000;
};

class TSuThreadTimer : public TSuCustomThreadTimer {
public:
    using TSuCustomThreadTimer::TSuCustomThreadTimer;
    ~TSuThreadTimer() override
    {
        SetEnabled(false);
        StopThread();
    }
    const char* ClassName() const noexcept override { return "TSuThreadTimer"; }
    static void RegisterClass();
};

// Registers the thread components and the monitors (SuMonitors.h) for form descriptions.
void SuRegisterThreadComponents();
