#include "sysutil/SuMonitors.h"

#include "platform/classes/PropertyRegistry.h"

namespace {

template <class Enum>
TEnumSet<Enum> SetFromBits(uint64_t bits)
{
    TEnumSet<Enum> set;
    for (unsigned bit = 0; bit < 32; ++bit) {
        if ((bits & (uint64_t{1} << bit)) != 0) {
            set.Include(static_cast<Enum>(bit));
        }
    }
    return set;
}

}  // namespace

HKEY SuRegRootKeyHandle(TSuRegRootKey root)
{
    switch (root) {
    case TSuRegRootKey::rrkClassesRoot: return HKEY_CLASSES_ROOT;
    case TSuRegRootKey::rrkCurrentUser: return HKEY_CURRENT_USER;
    case TSuRegRootKey::rrkLocalMachine: return HKEY_LOCAL_MACHINE;
    case TSuRegRootKey::rrkUsers: return HKEY_USERS;
    case TSuRegRootKey::rrkCurrentConfig: return HKEY_CURRENT_CONFIG;
    case TSuRegRootKey::rrkDynData: return HKEY_DYN_DATA;
    }
    return HKEY_CURRENT_USER;
}

// ---- TSuCustomMonitor ---------------------------------------------------------------------

TSuCustomMonitor::~TSuCustomMonitor()
{
    onChange_ = nullptr;
    TThread::Dispose(std::move(thread_));
}

void TSuCustomMonitor::SetActive(bool value)
{
    if (active_ != value) {
        active_ = value;
        ApplyState();
    }
}

void TSuCustomMonitor::SetOnChange(TThreadMethod handler)
{
    const bool hadHandler = static_cast<bool>(onChange_);
    onChange_ = std::move(handler);
    if (hadHandler != static_cast<bool>(onChange_)) {
        ApplyState();
    }
}

void TSuCustomMonitor::Loaded()
{
    TSuComponent::Loaded();
    ApplyState();
}

void TSuCustomMonitor::ApplyState()
{
    TThread::Dispose(std::move(thread_));
    if (IsDesigning() || IsLoading() || !active_ || !onChange_) {
        return;
    }
    thread_ = MakeThread();
    // Runs on the main thread, and never after the thread is disposed of.
    thread_->OnChange = [this] {
        if (onChange_) {
            onChange_();
        }
    };
    thread_->Resume();
}

// ---- TSuCustomFolderMonitor ---------------------------------------------------------------

void TSuCustomFolderMonitor::RegisterClass()
{
    static const bool registered = [] {
        RegisterEnum<TFolderMonitorFilter>("TFolderMonitorFilter",
                                           {"fmfFileNameChange", "fmfDirNameChange", "fmfAttributeChange",
                                            "fmfSizeChange", "fmfWriteChange", "fmfSecurityChange"});
        TClassRegistration<TSuCustomFolderMonitor, TSuComponent>("TSuCustomFolderMonitor").Component();
        return true;
    }();
    (void)registered;
}

void TSuCustomFolderMonitor::SetFolder(const std::string& value)
{
    if (folder_ != value) {
        folder_ = value;
        ApplyState();
    }
}

void TSuCustomFolderMonitor::SetNotifyFilters(TFolderMonitorFilters value)
{
    notifyFilters_ = value;
    NewSettings();
}

void TSuCustomFolderMonitor::SetWatchSubTree(bool value)
{
    watchSubTree_ = value;
    NewSettings();
}

void TSuCustomFolderMonitor::NewSettings()
{
    // The filter bits of the folder watch are the set's bits (the same order).
    if (TSuFolderMonitorThread* thread = Thread()) {
        thread->NewSettings(folder_, watchSubTree_, notifyFilters_.Bits());
    }
}

std::unique_ptr<TSuMonitorThread> TSuCustomFolderMonitor::MakeThread()
{
    auto thread = std::make_unique<TSuFolderMonitorThread>();
    thread->NewSettings(folder_, watchSubTree_, notifyFilters_.Bits());
    return thread;
}

void TSuFolderMonitor::RegisterClass()
{
    static const bool registered = [] {
        TSuCustomFolderMonitor::RegisterClass();
        constexpr TFolderMonitorFilters defaults{TFolderMonitorFilter::fmfFileNameChange,
                                                 TFolderMonitorFilter::fmfDirNameChange};
        TClassRegistration<TSuFolderMonitor, TSuCustomFolderMonitor>("TSuFolderMonitor")
            .Component()
            .Boolean("Active", &TSuFolderMonitor::Active, &TSuFolderMonitor::SetActive, false)
            .String("Folder", &TSuFolderMonitor::Folder, &TSuFolderMonitor::SetFolder, "C:\\")
            .Set<TFolderMonitorFilter>(
                "NotifyFilters", [](const TSuFolderMonitor& m) { return uint64_t{m.NotifyFilters().Bits()}; },
                [](TSuFolderMonitor& m, uint64_t bits) { m.SetNotifyFilters(SetFromBits<TFolderMonitorFilter>(bits)); },
                defaults.Bits())
            .Boolean("WatchSubTree", &TSuFolderMonitor::WatchSubTree, &TSuFolderMonitor::SetWatchSubTree, true)
            .EventSetter<TThreadMethod>("OnChange", &TSuFolderMonitor::SetOnChange);
        return true;
    }();
    (void)registered;
}

// ---- TSuCustomRegistryMonitor -------------------------------------------------------------

void TSuCustomRegistryMonitor::RegisterClass()
{
    static const bool registered = [] {
        RegisterEnum<TSuRegRootKey>("TSuRegRootKey", {"rrkClassesRoot", "rrkCurrentUser", "rrkLocalMachine", "rrkUsers",
                                                      "rrkCurrentConfig", "rrkDynData"});
        RegisterEnum<TSuRegistryMonitorFilter>(
            "TSuRegistryMonitorFilter", {"rmfSubTreeChange", "rmfAttributeChange", "rmfValueChange", "rmfSecurityChange"});
        TClassRegistration<TSuCustomRegistryMonitor, TSuComponent>("TSuCustomRegistryMonitor").Component();
        return true;
    }();
    (void)registered;
}

void TSuCustomRegistryMonitor::SetRegistryKey(const std::string& value)
{
    if (registryKey_ != value) {
        registryKey_ = value;
        ApplyState();
    }
}

void TSuCustomRegistryMonitor::SetRootKey(TSuRegRootKey value)
{
    if (rootKey_ != value) {
        rootKey_ = value;
        ApplyState();
    }
}

void TSuCustomRegistryMonitor::SetNotifyFilters(TSuRegistryMonitorFilters value)
{
    notifyFilters_ = value;
    NewSettings();
}

void TSuCustomRegistryMonitor::SetWatchSubTree(bool value)
{
    watchSubTree_ = value;
    NewSettings();
}

void TSuCustomRegistryMonitor::NewSettings()
{
    // The filter bits of the registry thread are the set's bits (the same order).
    if (TSuRegistryMonitorThread* thread = Thread()) {
        thread->NewSettings(SuRegRootKeyHandle(rootKey_), registryKey_, notifyFilters_.Bits(), watchSubTree_);
    }
}

std::unique_ptr<TSuMonitorThread> TSuCustomRegistryMonitor::MakeThread()
{
    auto thread = std::make_unique<TSuRegistryMonitorThread>();
    thread->NewSettings(SuRegRootKeyHandle(rootKey_), registryKey_, notifyFilters_.Bits(), watchSubTree_);
    return thread;
}

void TSuRegistryMonitor::RegisterClass()
{
    static const bool registered = [] {
        TSuCustomRegistryMonitor::RegisterClass();
        constexpr TSuRegistryMonitorFilters defaults{TSuRegistryMonitorFilter::rmfSubTreeChange,
                                                     TSuRegistryMonitorFilter::rmfValueChange};
        TClassRegistration<TSuRegistryMonitor, TSuCustomRegistryMonitor>("TSuRegistryMonitor")
            .Component()
            .Boolean("Active", &TSuRegistryMonitor::Active, &TSuRegistryMonitor::SetActive, false)
            .String("RegistryKey", &TSuRegistryMonitor::RegistryKey, &TSuRegistryMonitor::SetRegistryKey)
            .Enum("RootKey", &TSuRegistryMonitor::RootKey, &TSuRegistryMonitor::SetRootKey, TSuRegRootKey::rrkCurrentUser)
            .Set<TSuRegistryMonitorFilter>(
                "NotifyFilters", [](const TSuRegistryMonitor& m) { return uint64_t{m.NotifyFilters().Bits()}; },
                [](TSuRegistryMonitor& m, uint64_t bits) {
                    m.SetNotifyFilters(SetFromBits<TSuRegistryMonitorFilter>(bits));
                },
                defaults.Bits())
            .Boolean("WatchSubTree", &TSuRegistryMonitor::WatchSubTree, &TSuRegistryMonitor::SetWatchSubTree, true)
            .EventSetter<TThreadMethod>("OnChange", &TSuRegistryMonitor::SetOnChange);
        return true;
    }();
    (void)registered;
}
