#include "sysutil/SuClasses.h"

#include "platform/rtl/Files.h"
#include "platform/rtl/SysUtils.h"

#include <algorithm>
#include <chrono>
#include <set>

std::mutex& SuFolderMonitorLock()
{
    static std::mutex lock;
    return lock;
}

std::mutex& SuRegistryMonitorLock()
{
    static std::mutex lock;
    return lock;
}

// ---- TSuThread ----------------------------------------------------------------------------

TSuThread::~TSuThread()
{
    StopAndWait();
}

void TSuThread::Finish()
{
    finishCalled_.store(true);
    Terminate();
    if (OnFinish) {
        Synchronize([this] { OnFinish(this); });
    }
}

// ---- TSuEventThread -----------------------------------------------------------------------

TSuEventThread::TSuEventThread(TThreadMethod callback, bool synchronized)
    : callback_(std::move(callback)), synchronized_(synchronized)
{
}

TSuEventThread::~TSuEventThread()
{
    StopAndWait();
}

void TSuEventThread::SetCallback(TThreadMethod callback)
{
    std::lock_guard guard(callbackLock_);
    callback_ = std::move(callback);
}

TThreadMethod TSuEventThread::Callback() const
{
    std::lock_guard guard(callbackLock_);
    return callback_;
}

void TSuEventThread::Execute()
{
    if (!Terminated()) {
        RunCallback();
    }
}

void TSuEventThread::RunCallback(bool whileRunning)
{
    if (Synchronized()) {
        Synchronize([this, whileRunning] {
            if (whileRunning && (Terminated() || Suspended())) {
                return;
            }
            if (const TThreadMethod callback = Callback()) {
                callback();
            }
        });
    } else if (const TThreadMethod callback = Callback()) {
        callback();
    }
}

// ---- TSuTimerThread -----------------------------------------------------------------------

TSuTimerThread::TSuTimerThread(TThreadMethod callback, bool synchronized, int interval)
    : TSuEventThread(std::move(callback), synchronized), interval_(interval)
{
}

TSuTimerThread::~TSuTimerThread()
{
    SetCallback(nullptr);
    StopAndWait();
}

void TSuTimerThread::SetInterval(int value)
{
    if (interval_.exchange(value) != value) {
        Wake();
    }
}

void TSuTimerThread::Wake()
{
    event_.SetEvent();
}

void TSuTimerThread::TerminatedSet()
{
    Wake();
}

void TSuTimerThread::Execute()
{
    while (WaitWhileSuspended()) {
        const int interval = Interval();
        const auto wait = std::chrono::milliseconds(interval > 0 ? interval : -1);
        if (event_.WaitFor(wait) == TWaitResult::wrTimeout && !Terminated() && !Suspended()) {
            RunCallback(true);
        }
    }
}

// ---- TSuMonitorThread ---------------------------------------------------------------------

void TSuMonitorThread::TerminatedSet()
{
    wake_.SetEvent();
}

void TSuMonitorThread::Execute()
{
    if (!TakeNewWatch()) {
        return;
    }
    std::vector<TFolderChange> changes;
    while (!Terminated()) {
        changes.clear();
        const TFolderWatchWait result = Watch().Wait(wake_, changes);
        if (result == TFolderWatchWait::Failed) {
            return;
        }
        if (result == TFolderWatchWait::Woken) {
            wake_.ResetEvent();
            if (!Terminated() && !TakeNewWatch()) {
                return;
            }
        }
        for (std::size_t count = ChangesToReport(changes); count > 0 && !Terminated(); --count) {
            Synchronize([this] {
                if (OnChange) {
                    OnChange();
                }
            });
        }
    }
}

// ---- TSuFolderMonitorThread ---------------------------------------------------------------

TSuFolderMonitorThread::~TSuFolderMonitorThread()
{
    StopAndWait();
}

void TSuFolderMonitorThread::NewSettings(const std::string& folder, bool watchSubTree, unsigned filter)
{
    {
        std::lock_guard guard(SuFolderMonitorLock());
        const std::string trimmed = Trim(folder);
        newWatch_ = std::make_unique<TFolderWatch>();
        newWatch_->Open(trimmed.empty() ? std::string(".") : trimmed, watchSubTree, filter);
    }
    WakeUp();
}

bool TSuFolderMonitorThread::TakeNewWatch()
{
    std::lock_guard guard(SuFolderMonitorLock());
    if (newWatch_) {
        watch_ = std::move(newWatch_);
    }
    return watch_ && watch_->IsOpen();
}

// ---- TSuRegistryMonitorThread -------------------------------------------------------------

namespace {

// The first part of every path below the key: its direct sub-keys.
std::set<std::string> DirectSubKeys(const TRegistryKeyImage& image)
{
    std::set<std::string> names;
    for (const auto& [path, values] : image.Keys) {
        if (!path.empty()) {
            names.insert(path.substr(0, path.find('\\')));
        }
    }
    return names;
}

std::set<std::string> AllSubKeys(const TRegistryKeyImage& image)
{
    std::set<std::string> names;
    for (const auto& [path, values] : image.Keys) {
        // A key's own path and every key above it below the watched one.
        for (std::size_t at = path.find('\\'); at != std::string::npos; at = path.find('\\', at + 1)) {
            names.insert(path.substr(0, at));
        }
        if (!path.empty()) {
            names.insert(path);
        }
    }
    return names;
}

// Values set, changed or deleted in the key (with the subtree: in any key below it) that is
// there before and after; keys added or deleted are name changes.
bool ValuesDiffer(const TRegistryKeyImage& before, const TRegistryKeyImage& after, bool subTree)
{
    for (const auto& [path, values] : after.Keys) {
        if (!subTree && !path.empty()) {
            continue;
        }
        const auto found = before.Keys.find(path);
        if (found != before.Keys.end() && found->second != values) {
            return true;
        }
    }
    return false;
}

// "Software\Zentivor" from "\Software\Zentivor\".
std::string KeyPath(const std::string& key)
{
    std::string path = Trim(key);
    while (!path.empty() && path.front() == '\\') {
        path.erase(0, 1);
    }
    while (!path.empty() && path.back() == '\\') {
        path.pop_back();
    }
    return path;
}

}  // namespace

bool SuRegistryKeyChanged(const TRegistryKeyImage& before, const TRegistryKeyImage& after, unsigned filter,
                          bool watchSubTree)
{
    if (before.Exists != after.Exists) {
        return true;
    }
    if (!after.Exists) {
        return false;
    }
    if ((filter & SuRegistryChange::Name) != 0 &&
        (watchSubTree ? AllSubKeys(before) != AllSubKeys(after) : DirectSubKeys(before) != DirectSubKeys(after))) {
        return true;
    }
    return (filter & SuRegistryChange::LastSet) != 0 && ValuesDiffer(before, after, watchSubTree);
}

TSuRegistryMonitorThread::~TSuRegistryMonitorThread()
{
    StopAndWait();
}

void TSuRegistryMonitorThread::NewSettings(HKEY root, const std::string& key, unsigned filter, bool watchSubTree)
{
    {
        std::lock_guard guard(SuRegistryMonitorLock());
        auto watch = std::make_unique<TKeyWatch>();
        watch->Root = root;
        watch->Key = KeyPath(key);
        watch->Filter = filter;
        watch->SubTree = watchSubTree;
        // The store's files are replaced whole on every change: watch the folder for the
        // root's file arriving, changing or going. The folder is made when there is none yet.
        const std::string fileName = RegistryStoreFileName(root);
        if (!fileName.empty() && ForceDirectories(RegistryStoreFolder()) &&
            watch->Store.Open(RegistryStoreFolder(), false, FolderChange::FileName | FolderChange::LastWrite)) {
            watch->Image = RegistryKeyImage(root, watch->Key);
        }
        newWatch_ = std::move(watch);
    }
    WakeUp();
}

bool TSuRegistryMonitorThread::TakeNewWatch()
{
    std::lock_guard guard(SuRegistryMonitorLock());
    if (newWatch_) {
        watch_ = std::move(newWatch_);
    }
    return watch_ && watch_->Store.IsOpen();
}

std::size_t TSuRegistryMonitorThread::ChangesToReport(const std::vector<TFolderChange>& changes)
{
    // Any change in the store's folder may be the root's file replaced (a rename is reported
    // under the temporary file's name): the key's image tells.
    if (changes.empty()) {
        return 0;
    }
    TRegistryKeyImage image = RegistryKeyImage(watch_->Root, watch_->Key);
    const bool changed = SuRegistryKeyChanged(watch_->Image, image, watch_->Filter, watch_->SubTree);
    watch_->Image = std::move(image);
    return changed ? 1 : 0;
}
