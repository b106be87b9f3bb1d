#pragma once
// The utility kit's change monitors: TSuFolderMonitor runs OnChange when something in a
// folder tree changes, TSuRegistryMonitor when a registry key changes. OnChange always runs on
// the main thread.
//
// A monitor watches while it is Active and has an OnChange handler; without a handler no
// thread runs. Setting Active, Folder, RegistryKey, RootKey or the handler starts the watch
// afresh (the previous thread is stopped and waited for); NotifyFilters and WatchSubTree are
// handed to the running thread. A folder or key that cannot be watched ends the thread at
// once, while the monitor still reads as Active. Freeing a monitor stops its thread; no
// OnChange runs afterwards, not even for a change seen before.
//
// The folder monitor reports one change per change of a file or folder (see
// platform/rtl/FolderWatch.h for what falls under each filter). The registry monitor reports
// a key that was deleted or made again under every filter; attribute and security changes
// do not exist in this system's registry store and are never reported.

#include "platform/db/DBTypes.h"
#include "platform/rtl/Registry.h"
#include "platform/rtl/Threads.h"
#include "sysutil/SuClasses.h"
#include "sysutil/SuComponents.h"

#include <memory>
#include <string>

enum class TFolderMonitorFilter {
    fmfFileNameChange,
    fmfDirNameChange,
    fmfAttributeChange,
    fmfSizeChange,
    fmfWriteChange,
    fmfSecurityChange
};
using TFolderMonitorFilters = TEnumSet<TFolderMonitorFilter>;

enum class TSuRegRootKey { rrkClassesRoot, rrkCurrentUser, rrkLocalMachine, rrkUsers, rrkCurrentConfig, rrkDynData };

enum class TSuRegistryMonitorFilter { rmfSubTreeChange, rmfAttributeChange, rmfValueChange, rmfSecurityChange };
using TSuRegistryMonitorFilters = TEnumSet<TSuRegistryMonitorFilter>;

// The registry root of a TSuRegRootKey.
HKEY SuRegRootKeyHandle(TSuRegRootKey root);

// What both monitors share: Active, OnChange, and the thread that runs while both are set.
class TSuCustomMonitor : public TSuComponent {
public:
    explicit TSuCustomMonitor(TComponent* owner) : TSuComponent(owner) {}
    ~TSuCustomMonitor() override;
    const char* ClassName() const noexcept override { return "TSuCustomMonitor"; }

    bool Active() const noexcept { return active_; }
    void SetActive(bool value);
    const TThreadMethod& OnChange() const noexcept { return onChange_; }
    void SetOnChange(TThreadMethod handler);

protected:
    void Loaded() override;
    // Stops the thread, then starts a fresh one when active with a handler at run time.
    void ApplyState();
    // A thread watching the current settings, not yet resumed.
    virtual std::unique_ptr<TSuMonitorThread> MakeThread() = 0;
    TSuMonitorThread* MonitorThread() const noexcept { return thread_.get(); }

private:
    bool active_ = false;
    TThreadMethod onChange_;
    std::unique_ptr<TSuMonitorThread> thread_;
};

class TSuCustomFolderMonitor : public TSuCustomMonitor {
public:
    explicit TSuCustomFolderMonitor(TComponent* owner) : TSuCustomMonitor(owner) {}
    const char* ClassName() const noexcept override { return "TSuCustomFolderMonitor"; }
    static void RegisterClass();

    const std::string& Folder() const noexcept { return folder_; }
    void SetFolder(const std::string& value);
    TFolderMonitorFilters NotifyFilters() const noexcept { return notifyFilters_; }
    void SetNotifyFilters(TFolderMonitorFilters value);
    bool WatchSubTree() const noexcept { return watchSubTree_; }
    void SetWatchSubTree(bool value);

    // The watching thread; null while none runs.
    TSuFolderMonitorThread* Thread() const noexcept { return static_cast<TSuFolderMonitorThread*>(MonitorThread()); }

protected:
    std::unique_ptr<TSuMonitorThread> MakeThread() override;

private:
    // Hands the settings to the running thread.
    void NewSettings();

    std::string folder_ = "C:\\";
    TFolderMonitorFilters notifyFilters_{TFolderMonitorFilter::fmfFileNameChange, TFolderMonitorFilter::fmfDirNameChange};
    bool watchSubTree_ = true;
};

class TSuFolderMonitor : public TSuCustomFolderMonitor {
public:
    using TSuCustomFolderMonitor::TSuCustomFolderMonitor;
    const char* ClassName() const noexcept override { return "TSuFolderMonitor"; }
    static void RegisterClass();
};

class TSuCustomRegistryMonitor : public TSuCustomMonitor {
public:
    explicit TSuCustomRegistryMonitor(TComponent* owner) : TSuCustomMonitor(owner) {}
    const char* ClassName() const noexcept override { return "TSuCustomRegistryMonitor"; }
    static void RegisterClass();

    const std::string& RegistryKey() const noexcept { return registryKey_; }
    void SetRegistryKey(const std::string& value);
    TSuRegRootKey RootKey() const noexcept { return rootKey_; }
    void SetRootKey(TSuRegRootKey value);
    TSuRegistryMonitorFilters NotifyFilters() const noexcept { return notifyFilters_; }
    void SetNotifyFilters(TSuRegistryMonitorFilters value);
    bool WatchSubTree() const noexcept { return watchSubTree_; }
    void SetWatchSubTree(bool value);

    // The watching thread; null while none runs.
    TSuRegistryMonitorThread* Thread() const noexcept
    {
        return static_cast<TSuRegistryMonitorThread*>(MonitorThread());
    }

protected:
    std::unique_ptr<TSuMonitorThread> MakeThread() override;

private:
    // Hands the settings to the running thread.
    void NewSettings();

    std::string registryKey_;
    TSuRegRootKey rootKey_ = TSuRegRootKey::rrkCurrentUser;
    TSuRegistryMonitorFilters notifyFilters_{TSuRegistryMonitorFilter::rmfSubTreeChange,
                                             TSuRegistryMonitorFilter::rmfValueChange};
    bool watchSubTree_ = true;
};

class TSuRegistryMonitor : public TSuCustomRegistryMonitor {
public:
    using TSuCustomRegistryMonitor::TSuCustomRegistryMonitor;
    const char* ClassName() const noexcept override { return "TSuRegistryMonitor"; }
    static void RegisterClass();
};
