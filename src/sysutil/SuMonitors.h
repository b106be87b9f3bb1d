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

class TSuCustomFolderMonitor : public TSuComponent {
public:
    explicit TSuCustomFolderMonitor(TComponent* owner);
    ~TSuCustomFolderMonitor() override;
    const char* ClassName() const noexcept override { return "TSuCustomFolderMonitor"; }
    static void RegisterClass();

    bool Active() const noexcept { return active_; }
    void SetActive(bool value);
    const std::string& Folder() const noexcept { return folder_; }
    void SetFolder(const std::string& value);
    TFolderMonitorFilters NotifyFilters() const noexcept { return notifyFilters_; }
    void SetNotifyFilters(TFolderMonitorFilters value);
    bool WatchSubTree() const noexcept { return watchSubTree_; }
    void SetWatchSubTree(bool value);
    const TThreadMethod& OnChange() const noexcept { return onChange_; }
    void SetOnChange(TThreadMethod handler);

    // The watching thread; null while none runs.
    TSuFolderMonitorThread* Thread() const noexcept { return thread_.get(); }

protected:
    void Loaded() override;

private:
    void ApplyState();
    void Stop();

    bool active_ = false;
    std::string folder_ = "C:\\";
    TFolderMonitorFilters notifyFilters_{TFolderMonitorFilter::fmfFileNameChange, TFolderMonitorFilter::fmfDirNameChange};
    bool watchSubTree_ = true;
    TThreadMethod onChange_;
    std::unique_ptr<TSuFolderMonitorThread> thread_;
};

class TSuFolderMonitor : public TSuCustomFolderMonitor {
public:
    using TSuCustomFolderMonitor::TSuCustomFolderMonitor;
    const char* ClassName() const noexcept override { return "TSuFolderMonitor"; }
    static void RegisterClass();
};

class TSuCustomRegistryMonitor : public TSuComponent {
public:
    explicit TSuCustomRegistryMonitor(TComponent* owner);
    ~TSuCustomRegistryMonitor() override;
    const char* ClassName() const noexcept override { return "TSuCustomRegistryMonitor"; }
    static void RegisterClass();

    bool Active() const noexcept { return active_; }
    void SetActive(bool value);
    const std::string& RegistryKey() const noexcept { return registryKey_; }
    void SetRegistryKey(const std::string& value);
    TSuRegRootKey RootKey() const noexcept { return rootKey_; }
    void SetRootKey(TSuRegRootKey value);
    TSuRegistryMonitorFilters NotifyFilters() const noexcept { return notifyFilters_; }
    void SetNotifyFilters(TSuRegistryMonitorFilters value);
    bool WatchSubTree() const noexcept { return watchSubTree_; }
    void SetWatchSubTree(bool value);
    const TThreadMethod& OnChange() const noexcept { return onChange_; }
    void SetOnChange(TThreadMethod handler);

    // The watching thread; null while none runs.
    TSuRegistryMonitorThread* Thread() const noexcept { return thread_.get(); }

protected:
    void Loaded() override;

private:
    void ApplyState();
    void Stop();

    bool active_ = false;
    std::string registryKey_;
    TSuRegRootKey rootKey_ = TSuRegRootKey::rrkCurrentUser;
    TSuRegistryMonitorFilters notifyFilters_{TSuRegistryMonitorFilter::rmfSubTreeChange,
                                             TSuRegistryMonitorFilter::rmfValueChange};
    bool watchSubTree_ = true;
    TThreadMethod onChange_;
    std::unique_ptr<TSuRegistryMonitorThread> thread_;
};

class TSuRegistryMonitor : public TSuCustomRegistryMonitor {
public:
    using TSuCustomRegistryMonitor::TSuCustomRegistryMonitor;
    const char* ClassName() const noexcept override { return "TSuRegistryMonitor"; }
    static void RegisterClass();
};
