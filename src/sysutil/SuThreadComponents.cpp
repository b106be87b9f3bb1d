#include "sysutil/SuThreadComponents.h"

#include "platform/classes/PropertyRegistry.h"
#include "platform/gui/Forms.h"
#include "platform/rtl/SysUtils.h"
#include "sysutil/SuMonitors.h"

#include <condition_variable>
#include <mutex>

namespace {

// Lets one exception hand-over run at a time; a thread told to end stops waiting for it.
struct THandOverGate {
    std::mutex lock;
    std::condition_variable free;
    bool busy = false;

    static THandOverGate& Instance()
    {
        static THandOverGate gate;
        return gate;
    }
    void WakeWaiters()
    {
        std::lock_guard guard(lock);
        free.notify_all();
    }
};

}  // namespace

// ---- TSuThreadException -------------------------------------------------------------------

TSuThreadException::TSuThreadException(std::exception_ptr error) : error_(std::move(error)), className_("Exception")
{
    try {
        std::rethrow_exception(error_);
    } catch (const Exception& exception) {
        className_ = exception.ClassName();
        message_ = exception.Message();
    } catch (const std::exception& exception) {
        message_ = exception.what();
    } catch (...) {
        // Nothing to say about it but that it happened.
    }
}

// ---- TSuCustomThreadComponent -------------------------------------------------------------

TSuCustomThreadComponent::TSuCustomThreadComponent(TComponent* owner) : TSuComponent(owner)
{
    ReplaceThread();
}

TSuCustomThreadComponent::~TSuCustomThreadComponent()
{
    StopThread();
}

void TSuCustomThreadComponent::RegisterClass()
{
    static const bool registered = [] {
        RegisterEnum<TThreadPriority>("TThreadPriority", {"tpIdle", "tpLowest", "tpLower", "tpNormal", "tpHigher",
                                                          "tpHighest", "tpTimeCritical"});
        TClassRegistration<TSuCustomThreadComponent, TSuComponent>("TSuCustomThreadComponent").Component();
        return true;
    }();
    (void)registered;
}

std::unique_ptr<TSuEventThread> TSuCustomThreadComponent::MakeThread()
{
    return std::make_unique<TSuEventThread>(nullptr, false);
}

TThreadMethod TSuCustomThreadComponent::ThreadCallback(TSuEventThread& thread)
{
    return [this, &thread] { Execute(thread); };
}

void TSuCustomThreadComponent::ReplaceThread()
{
    if (IsDesigning()) {
        return;
    }
    std::unique_ptr<TSuEventThread> fresh = MakeThread();
    fresh->SetCallback(ThreadCallback(*fresh));
    fresh->SetSynchronized(synchronized_);
    fresh->SetPriority(priority_);
    fresh->SetReturnValue(returnValue_);
    // Both run on the main thread, and never after the thread is stopped (StopThread).
    fresh->OnTerminate = [this](TObject*) {
        if (OnTerminate) {
            OnTerminate(this);
        }
    };
    fresh->OnFinish = [this](TObject*) {
        if (OnFinish) {
            OnFinish(this);
        }
    };
    StopThread();
    thread_ = std::move(fresh);
}

void TSuCustomThreadComponent::StopThread()
{
    if (!thread_) {
        return;
    }
    thread_->SetCallback(nullptr);
    thread_->Terminate();
    THandOverGate::Instance().WakeWaiters();
    // thread_ stays in place until the thread has ended: its handler may still ask Terminated.
    TThread::Dispose(std::unique_ptr<TThread>(thread_.get()));
    (void)thread_.release();  // freed by Dispose, or by itself when it ends
}

void TSuCustomThreadComponent::Loaded()
{
    TSuComponent::Loaded();
    if (Running()) {
        thread_->SetSuspended(suspended_);
    }
}

TThreadPriority TSuCustomThreadComponent::Priority() const
{
    return Running() ? thread_->Priority() : priority_;
}

void TSuCustomThreadComponent::SetPriority(TThreadPriority value)
{
    priority_ = value;
    if (Running()) {
        thread_->SetPriority(value);
    }
}

int TSuCustomThreadComponent::ReturnValue() const
{
    return Running() ? thread_->ReturnValue() : returnValue_;
}

void TSuCustomThreadComponent::SetReturnValue(int value)
{
    returnValue_ = value;
    if (Running()) {
        thread_->SetReturnValue(value);
    }
}

bool TSuCustomThreadComponent::Suspended() const
{
    return Running() && !IsLoading() ? thread_->Suspended() : suspended_;
}

void TSuCustomThreadComponent::SetSuspended(bool value)
{
    suspended_ = value;
    // While the component is read from a form description the value waits for Loaded.
    if (Running() && !IsLoading()) {
        thread_->SetSuspended(value);
    }
}

bool TSuCustomThreadComponent::Synchronized() const
{
    return Running() ? thread_->Synchronized() : synchronized_;
}

void TSuCustomThreadComponent::SetSynchronized(bool value)
{
    synchronized_ = value;
    if (Running()) {
        thread_->SetSynchronized(value);
    }
}

void TSuCustomThreadComponent::Start()
{
    if (IsDesigning()) {
        return;
    }
    ReplaceThread();
    suspended_ = false;
    thread_->Resume();
}

void TSuCustomThreadComponent::Finish()
{
    if (Running()) {
        thread_->Finish();
    }
}

bool TSuCustomThreadComponent::Terminated() const
{
    return Running() && thread_->Terminated();
}

void TSuCustomThreadComponent::Execute(TSuEventThread& thread)
{
    std::exception_ptr error;
    try {
        if (OnExecute) {
            OnExecute(this);
        }
    } catch (...) {
        error = std::current_exception();
    }
    if (!error) {
        return;
    }
    const TSuThreadException exception(error);
    if (IsMainThread()) {
        ShowException(exception);
        return;
    }
    THandOverGate& gate = THandOverGate::Instance();
    {
        std::unique_lock guard(gate.lock);
        gate.free.wait(guard, [&] { return !gate.busy || thread.Terminated(); });
        if (thread.Terminated()) {
            return;
        }
        gate.busy = true;
    }
    try {
        TThread::Synchronize(&thread, [&] { ShowException(exception); });
    } catch (...) {
        // ShowException hands its own errors to the application.
    }
    std::lock_guard guard(gate.lock);
    gate.busy = false;
    gate.free.notify_all();
}

void TSuCustomThreadComponent::ShowException(const TSuThreadException& error)
{
    if (OnException) {
        RunUserHandler([&] { OnException(const_cast<TSuThreadException*>(&error)); });
        return;
    }
    if (Application != nullptr) {
        Application->MessageBox(Format("Thread %s raised exception class %s with message \"%s\".", Name(),
                                       std::string(error.ClassName()), error.Message()),
                                Application->Title(), MB_OK | MB_ICONERROR);
    }
}

void TSuThreadComponent::RegisterClass()
{
    static const bool registered = [] {
        TSuCustomThreadComponent::RegisterClass();
        TClassRegistration<TSuThreadComponent, TSuCustomThreadComponent>("TSuThreadComponent")
            .Component()
            .Enum("Priority", &TSuThreadComponent::Priority, &TSuThreadComponent::SetPriority, TThreadPriority::tpNormal)
            .Integer("ReturnValue", &TSuThreadComponent::ReturnValue, &TSuThreadComponent::SetReturnValue, 0)
            .Boolean("Suspended", &TSuThreadComponent::Suspended, &TSuThreadComponent::SetSuspended, true)
            .Boolean("Synchronized", &TSuThreadComponent::Synchronized, &TSuThreadComponent::SetSynchronized, false)
            .EventSetter<TNotifyEvent>("OnException", [](TSuThreadComponent& c, TNotifyEvent h) { c.OnException = std::move(h); })
            .EventSetter<TNotifyEvent>("OnExecute", [](TSuThreadComponent& c, TNotifyEvent h) { c.OnExecute = std::move(h); })
            .EventSetter<TNotifyEvent>("OnTerminate", [](TSuThreadComponent& c, TNotifyEvent h) { c.OnTerminate = std::move(h); })
            .EventSetter<TNotifyEvent>("OnFinish", [](TSuThreadComponent& c, TNotifyEvent h) { c.OnFinish = std::move(h); });
        return true;
    }();
    (void)registered;
}

// ---- TSuCustomThreadTimer -----------------------------------------------------------------

TSuCustomThreadTimer::TSuCustomThreadTimer(TComponent* owner) : TSuCustomThreadComponent(owner)
{
    ReplaceThread();  // the base made a thread of its own kind
}

TSuCustomThreadTimer::~TSuCustomThreadTimer()
{
    SetEnabled(false);
    StopThread();
}

void TSuCustomThreadTimer::RegisterClass()
{
    static const bool registered = [] {
        TSuCustomThreadComponent::RegisterClass();
        TClassRegistration<TSuCustomThreadTimer, TSuCustomThreadComponent>("TSuCustomThreadTimer").Component();
        return true;
    }();
    (void)registered;
}

std::unique_ptr<TSuEventThread> TSuCustomThreadTimer::MakeThread()
{
    return std::make_unique<TSuTimerThread>(nullptr, false, interval_);
}

void TSuCustomThreadTimer::SetInterval(int value)
{
    interval_ = value;
    if (auto* timer = dynamic_cast<TSuTimerThread*>(Thread())) {
        timer->SetInterval(value);
    }
}

void TSuThreadTimer::RegisterClass()
{
    static const bool registered = [] {
        TSuCustomThreadTimer::RegisterClass();
        TClassRegistration<TSuThreadTimer, TSuCustomThreadTimer>("TSuThreadTimer")
            .Component()
            .Boolean("Enabled", &TSuThreadTimer::Enabled, &TSuThreadTimer::SetEnabled, false)
            .Integer("Interval", &TSuThreadTimer::Interval, &TSuThreadTimer::SetInterval, 1000)
            .Enum("Priority", &TSuThreadTimer::Priority, &TSuThreadTimer::SetPriority, TThreadPriority::tpNormal)
            .Boolean("Synchronized", &TSuThreadTimer::Synchronized, &TSuThreadTimer::SetSynchronized, false)
            .EventSetter<TNotifyEvent>("OnTimer", &TSuThreadTimer::SetOnTimer);
        return true;
    }();
    (void)registered;
}

void SuRegisterThreadComponents()
{
    TSuThreadComponent::RegisterClass();
    TSuThreadTimer::RegisterClass();
    TSuFolderMonitor::RegisterClass();
    TSuRegistryMonitor::RegisterClass();
}
