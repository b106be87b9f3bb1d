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

// ---- TSuCustomFolderMonitor ---------------------------------------------------------------

TSuCustomFolderMonitor::TSuCustomFolderMonitor(TComponent* owner) : TSuComponent(owner) {}

TSuCustomFolderMonitor::~TSuCustomFolderMonitor()
{
    onChange_ = nullptr;
    Stop();
}

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

void TSuCustomFolderMonitor::SetActive(bool value)
{
    if (active_ != value) {
        active_ = value;
        ApplyState();
    }
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
    if (thread_) {
        thread_->NewSettings(folder_, watchSubTree_, notifyFilters_.Bits());
    }
}

void TSuCustomFolderMonitor::SetWatchSubTree(bool value)
{
    watchSubTree_ = value;
    if (thread_) {
        thread_->NewSettings(folder_, watchSubTree_, notifyFilters_.Bits());
    }
}

void TSuCustomFolderMonitor::SetOnChange(TThreadMethod handler)
{
    const bool hadHandler = static_cast<bool>(onChange_);
    onChange_ = std::move(handler);
    if (hadHandler != static_cast<bool>(onChange_)) {
        ApplyState();
    }
}

void TSuCustomFolderMonitor::Loaded()
{
    TSuComponent::Loaded();
    ApplyState();
}

void TSuCustomFolderMonitor::Stop()
{
    TThread::Dispose(std::move(thread_));
}

void TSuCustomFolderMonitor::ApplyState()
{
    Stop();
    if (IsDesigning() || IsLoading() || !active_ || !onChange_) {
        return;
    }
    thread_ = std::make_unique<TSuFolderMonitorThread>();
    // Runs on the main thread, and never after Stop.
    thread_->OnChange = [this] {
        if (onChange_) {
            onChange_();
        }
    };
    // The filter bits of the folder watch are the set's bits (the same order).
    thread_->NewSettings(folder_, watchSubTree_, notifyFilters_.Bits());
    thread_->Resume();
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

TSuCustomRegistryMonitor::TSuCustomRegistryMonitor(TComponent* owner) : TSuComponent(owner) {}

TSuCustomRegistryMonitor::~TSuCustomRegistryMonitor()
{
    onChange_ = nullptr;
    Stop();
}

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

void TSuCustomRegistryMonitor::SetActive(bool value)
{
    if (active_ != value) {
        active_ = value;
        ApplyState();
    }
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
    if (thread_) {
        thread_->NewSettings(SuRegRootKeyHandle(rootKey_), registryKey_, notifyFilters_.Bits(), watchSubTree_);
    }
}

void TSuCustomRegistryMonitor::SetWatchSubTree(bool value)
{
    watchSubTree_ = value;
    if (thread_) {
        thread_->NewSettings(SuRegRootKeyHandle(rootKey_), registryKey_, notifyFilters_.Bits(), watchSubTree_);
    }
}

void TSuCustomRegistryMonitor::SetOnChange(TThreadMethod handler)
{
    const bool hadHandler = static_cast<bool>(onChange_);
    onChange_ = std::move(handler);
    if (hadHandler != static_cast<bool>(onChange_)) {
        ApplyState();
    }
}

void TSuCustomRegistryMonitor::Loaded()
{
    TSuComponent::Loaded();
    ApplyState();
}

void TSuCustomRegistryMonitor::Stop()
{
    TThread::Dispose(std::move(thread_));
}

void TSuCustomRegistryMonitor::ApplyState()
{
    Stop();
    if (IsDesigning() || IsLoading() || !active_ || !onChange_) {
        return;
    }
    thread_ = std::make_unique<TSuRegistryMonitorThread>();
    // Runs on the main thread, and never after Stop.
    thread_->OnChange = [this] {
        if (onChange_) {
            onChange_();
        }
    };
    // The filter bits of the registry thread are the set's bits (the same order).
    thread_->NewSettings(SuRegRootKeyHandle(rootKey_), registryKey_, notifyFilters_.Bits(), watchSubTree_);
    thread_->Resume();
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
