#pragma once
// The utility kit's worker threads, and the locks that guard the settings of the folder
// monitors and of the registry monitors while their threads read them.
//
// Every thread here stops cooperatively: Terminate wakes whatever it waits on (its timer event
// or its wake-up descriptor), and its owner then waits for it (TThread::Dispose). Calls a
// thread hands to the main thread are dropped when its owner disposes of it, so they never
// reach an owner that is gone.

#include "platform/rtl/FolderWatch.h"
#include "platform/rtl/Registry.h"
#include "platform/rtl/Threads.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

std::mutex& SuFolderMonitorLock();
std::mutex& SuRegistryMonitorLock();

// A thread with a finish operation; its own Execute does nothing.
class TSuThread : public TThread {
public:
    ~TSuThread() override;
    const char* ClassName() const noexcept override { return "TSuThread"; }

    // Ends the thread: marks it finished, tells it to terminate, and runs OnFinish on the
    // main thread (waiting for it when called on the thread).
    void Finish();
    // True once Finish was called.
    bool FinishCalled() const noexcept { return finishCalled_.load(); }

    // Runs on the main thread (sender: the thread). Set it before Resume.
    TNotifyEvent OnFinish;

protected:
    void Execute() override {}

private:
    std::atomic<bool> finishCalled_{false};
};

// Runs a callback once: on the main thread when synchronised, on the thread otherwise.
class TSuEventThread : public TSuThread {
public:
    TSuEventThread(TThreadMethod callback, bool synchronized);
    ~TSuEventThread() override;
    const char* ClassName() const noexcept override { return "TSuEventThread"; }

    // An owner that goes away clears the callback first.
    void SetCallback(TThreadMethod callback);
    bool Synchronized() const noexcept { return synchronized_.load(); }
    void SetSynchronized(bool value) noexcept { synchronized_.store(value); }

protected:
    void Execute() override;
    // Runs the callback as the synchronised flag says. `whileRunning`: not when the thread
    // is suspended or told to terminate by the time the main thread runs it.
    void RunCallback(bool whileRunning = false);

private:
    TThreadMethod Callback() const;

    mutable std::mutex callbackLock_;
    TThreadMethod callback_;
    std::atomic<bool> synchronized_;
};

// Runs the callback every Interval milliseconds while it is not suspended (an interval of 0
// or less never runs it).
class TSuTimerThread : public TSuEventThread {
public:
    TSuTimerThread(TThreadMethod callback, bool synchronized, int interval = 1000);
    ~TSuTimerThread() override;
    const char* ClassName() const noexcept override { return "TSuTimerThread"; }

    int Interval() const noexcept { return interval_.load(); }
    // A new interval counts from now.
    void SetInterval(int value);
    // Ends the current wait: the interval starts again.
    void Wake();

protected:
    void Execute() override;
    void TerminatedSet() override;

private:
    std::atomic<int> interval_;
    TEvent event_{false};
};

// What both monitor threads share: a folder watch to wait on, a wake-up, and OnChange run on
// the main thread for each change to report.
class TSuMonitorThread : public TSuThread {
public:
    const char* ClassName() const noexcept override { return "TSuMonitorThread"; }

    // Runs on the main thread. Set it before Resume.
    TThreadMethod OnChange;

protected:
    void Execute() override;
    void TerminatedSet() override;
    // Ends the thread's wait, so that it takes over new settings.
    void WakeUp() { wake_.SetEvent(); }
    // Takes over the watch of the latest settings; false when it could not be set up.
    virtual bool TakeNewWatch() = 0;
    // The watch the thread waits on (after a TakeNewWatch that succeeded).
    virtual TFolderWatch& Watch() = 0;
    // How many changes to report for the changes the watch saw.
    virtual std::size_t ChangesToReport(const std::vector<TFolderChange>& changes) = 0;

private:
    TWakeUpEvent wake_;
};

// Runs OnChange on the main thread for each change in a folder tree (FolderChange bits of
// platform/rtl/FolderWatch.h). A folder that cannot be watched ends the thread at once.
class TSuFolderMonitorThread : public TSuMonitorThread {
public:
    TSuFolderMonitorThread() = default;
    ~TSuFolderMonitorThread() override;
    const char* ClassName() const noexcept override { return "TSuFolderMonitorThread"; }

    // Folder (blanks trimmed; empty is the current folder), subtree flag and filter. The watch
    // is set up before this returns, so no later change escapes it; a running thread takes it
    // over at its next wake.
    void NewSettings(const std::string& folder, bool watchSubTree, unsigned filter);

protected:
    bool TakeNewWatch() override;
    TFolderWatch& Watch() override { return *watch_; }
    std::size_t ChangesToReport(const std::vector<TFolderChange>& changes) override { return changes.size(); }

private:
    // Guarded by SuFolderMonitorLock.
    std::unique_ptr<TFolderWatch> newWatch_;

    std::unique_ptr<TFolderWatch> watch_;
};

// Change kinds of a registry monitor, as filter bits.
namespace SuRegistryChange {
inline constexpr unsigned Name = 1u << 0;        // a key below was added or deleted
inline constexpr unsigned Attributes = 1u << 1;  // the store keeps none: never reported
inline constexpr unsigned LastSet = 1u << 2;     // a value was set, changed or deleted
inline constexpr unsigned Security = 1u << 3;    // the store keeps none: never reported
}  // namespace SuRegistryChange

// Whether a key changed between two images as the filter and the subtree flag say. A key that
// was deleted or made again always changed.
bool SuRegistryKeyChanged(const TRegistryKeyImage& before, const TRegistryKeyImage& after, unsigned filter,
                          bool watchSubTree);

// Runs OnChange on the main thread when the key changes as the filter says (with the subtree
// flag: in any key below it too), and when the key is deleted or created again.
class TSuRegistryMonitorThread : public TSuMonitorThread {
public:
    TSuRegistryMonitorThread() = default;
    ~TSuRegistryMonitorThread() override;
    const char* ClassName() const noexcept override { return "TSuRegistryMonitorThread"; }

    // Root, key path ("\" at either end ignored), filter (SuRegistryChange bits) and subtree
    // flag. The watch is set up (and the key's state taken) before this returns; a running
    // thread takes it over at its next wake.
    void NewSettings(HKEY root, const std::string& key, unsigned filter, bool watchSubTree);

protected:
    bool TakeNewWatch() override;
    TFolderWatch& Watch() override { return watch_->Store; }
    // One change when the key changed as the filter says.
    std::size_t ChangesToReport(const std::vector<TFolderChange>& changes) override;

private:
    // What the thread watches: the settings, the store folder's watch, the key's last state.
    struct TKeyWatch {
        HKEY Root = HKEY_CURRENT_USER;
        std::string Key;
        unsigned Filter = 0;
        bool SubTree = true;
        TRegistryKeyImage Image;
        TFolderWatch Store;
    };

    // Guarded by SuRegistryMonitorLock.
    std::unique_ptr<TKeyWatch> newWatch_;

    std::unique_ptr<TKeyWatch> watch_;
};
