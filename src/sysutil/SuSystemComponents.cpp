#include "sysutil/SuSystemComponents.h"

#include "platform/classes/PropertyRegistry.h"
#include "platform/gui/DescriptorWatch.h"
#include "platform/gui/Forms.h"
#include "platform/gui/SessionManager.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/SysUtils.h"
#include "sysutil/SuSysUtils.h"
#include "sysutil/SuVclUtils.h"

#include <cstdlib>
#include <map>

namespace {

// The guards this process holds, by name: kept until the program ends, so that a later start
// finds the name held for as long as this one runs.
std::map<std::string, std::unique_ptr<TSingleInstance>>& HeldGuards()
{
    static std::map<std::string, std::unique_ptr<TSingleInstance>> guards;
    return guards;
}

// Where a held guard's requests are heard; one watch per guard, on the main thread.
std::map<std::string, std::unique_ptr<TDescriptorWatch>>& RequestWatches()
{
    static std::map<std::string, std::unique_ptr<TDescriptorWatch>> watches;
    return watches;
}

constexpr const char* kActivateRequest = "activate";

std::string ApplicationTitle()
{
    return Application != nullptr ? Application->Title() : std::string();
}

}  // namespace

// ---- TSuOneInstance -----------------------------------------------------------------------

TSuOneInstance::TSuOneInstance(TComponent* owner) : TSuComponent(owner) {}

TSuOneInstance::~TSuOneInstance() = default;

void TSuOneInstance::RegisterClass()
{
    static const bool registered = [] {
        TClassRegistration<TSuOneInstance, TSuComponent>("TSuOneInstance")
            .Component()
            .Boolean("ActivatePrevInstance", &TSuOneInstance::ActivatePrevInstance,
                     &TSuOneInstance::SetActivatePrevInstance, true)
            .Boolean("ExeNameAsIdentifier", &TSuOneInstance::ExeNameAsIdentifier,
                     &TSuOneInstance::SetExeNameAsIdentifier, false)
            .String("Identifier", &TSuOneInstance::Identifier, &TSuOneInstance::SetIdentifier)
            .String("Message", &TSuOneInstance::Message, &TSuOneInstance::SetMessage)
            .Boolean("ShowMessage", &TSuOneInstance::ShowMessage, &TSuOneInstance::SetShowMessage, false)
            .Event("OnShowMessage", &TSuOneInstance::OnShowMessage);
        return true;
    }();
    (void)registered;
}

std::string TSuOneInstance::IdentifierText() const
{
    std::string text = (exeNameAsIdentifier_ ? UpperCase(ApplicationExeName()) : ApplicationTitle()) + identifier_ +
                       ".OneInstance.";
    for (char& c : text) {
        if (c == '\\') {
            c = '/';
        }
    }
    return text;
}

void TSuOneInstance::ActivateApplication()
{
    TCustomForm* mainForm = Application != nullptr ? Application->MainForm() : nullptr;
    if (mainForm == nullptr) {
        return;
    }
    if (mainForm->WindowState() == TWindowState::wsMinimized || !mainForm->Visible()) {
        SuRestoreApplication(mainForm);
    } else {
        SuBringToForeground(mainForm);
    }
}

void TSuOneInstance::Loaded()
{
    TSuComponent::Loaded();
    if (IsDesigning()) {
        return;
    }
    const std::string name = IdentifierText();
    bool anotherRuns = false;
    if (HeldGuards().count(name) == 0) {
        auto guard = std::make_unique<TSingleInstance>(name);
        if (guard->Acquired()) {
            // The first instance: hear later starts that ask for the front.
            if (guard->Listen()) {
                TSingleInstance* held = guard.get();
                RequestWatches()[name] = std::make_unique<TDescriptorWatch>(held->ListenDescriptor(), [held] {
                    for (const std::string& request : held->TakeRequests()) {
                        if (request == kActivateRequest) {
                            ActivateApplication();
                        }
                    }
                });
            }
            HeldGuards()[name] = std::move(guard);
        } else {
            anotherRuns = true;
        }
    }
    if (!anotherRuns) {
        return;
    }
    terminate_ = true;
    if (Application != nullptr) {
        Application->SetShowMainForm(false);
    }
    if (showMessage_) {
        if (OnShowMessage) {
            OnShowMessage(this, terminate_);
        } else if (Application != nullptr) {
            const std::string title = ApplicationTitle();
            const std::string text = !message_.empty() ? message_ : Format("Application \"%s\" is already running.", {title});
            Application->MessageBox(text, title, MB_OK | MB_ICONWARNING);
        }
    }
    if (activatePrevInstance_) {
        TSingleInstance(name).SendRequest(kActivateRequest);
    }
    if (Application != nullptr) {
        if (terminate_) {
            Application->Terminate();
        } else {
            Application->SetShowMainForm(true);
        }
    }
}

// ---- TSuAutoRun ---------------------------------------------------------------------------

namespace {

bool IsServiceKind(TSuAutoExecKind kind)
{
    return kind == TSuAutoExecKind::aekServiceRun || kind == TSuAutoExecKind::aekServiceRunOnce;
}

bool IsMachineKind(TSuAutoExecKind kind)
{
    return kind == TSuAutoExecKind::aekMachineRun || kind == TSuAutoExecKind::aekMachineRunOnce;
}

bool IsRunOnceKind(TSuAutoExecKind kind)
{
    return kind == TSuAutoExecKind::aekMachineRunOnce || kind == TSuAutoExecKind::aekUserRunOnce ||
           kind == TSuAutoExecKind::aekServiceRunOnce;
}

// The part of a program name after its last "\", ":" or "/".
std::string ProgramNamePart(const std::string& fileName)
{
    const auto cut = fileName.find_last_of("\\:/");
    return cut == std::string::npos ? fileName : fileName.substr(cut + 1);
}

// One argument of a desktop entry's Exec line: quoted when it holds a reserved character,
// with the characters that quoting reserves escaped, and "%" doubled.
std::string ExecArgument(const std::string& argument)
{
    static const std::string kReserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string text;
    for (char c : argument) {
        if (c == '%') {
            text += "%%";
        } else {
            text += c;
        }
    }
    if (!text.empty() && text.find_first_of(kReserved) == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + "\"";
}

std::string EnvironmentFolder(const char* variable, const std::string& fallback)
{
    const char* value = std::getenv(variable);
    std::string folder = value != nullptr && *value == '/' ? std::string(value) : fallback;
    if (const auto colon = folder.find(':'); colon != std::string::npos) {
        folder.resize(colon);  // a list of folders: the first one
    }
    return IncludeTrailingPathDelimiter(folder);
}

}  // namespace

TSuAutoRun::TSuAutoRun(TComponent* owner) : TSuComponent(owner)
{
    if (!IsDesigning()) {
        fileName_ = ApplicationExeName();
    }
}

void TSuAutoRun::RegisterClass()
{
    static const bool registered = [] {
        RegisterEnum<TSuAutoExecKind>("TSuAutoExecKind", {"aekMachineRun", "aekMachineRunOnce", "aekUserRun",
                                                          "aekUserRunOnce", "aekServiceRun", "aekServiceRunOnce"});
        TClassRegistration<TSuAutoRun, TSuComponent>("TSuAutoRun")
            .Component()
            .Boolean("AutoRun", &TSuAutoRun::AutoRun, &TSuAutoRun::SetAutoRun, false)
            .String("FileName", &TSuAutoRun::FileName, &TSuAutoRun::SetFileName)
            .Enum("Kind", &TSuAutoRun::Kind, &TSuAutoRun::SetKind, TSuAutoExecKind::aekMachineRun);
        return true;
    }();
    (void)registered;
}

std::string TSuAutoRun::AutostartFolder(bool machine)
{
    if (machine) {
        return EnvironmentFolder("XDG_CONFIG_DIRS", "/etc/xdg") + "autostart/";
    }
    const char* home = std::getenv("HOME");
    return EnvironmentFolder("XDG_CONFIG_HOME", std::string(home != nullptr ? home : "") + "/.config") + "autostart/";
}

std::string TSuAutoRun::EntryFileName() const
{
    if (IsServiceKind(kind_)) {
        return {};
    }
    // The entry's name stands for the program: characters a desktop entry's name may not hold
    // become "_"; a run-once entry is kept apart from the lasting one.
    std::string name = ProgramNamePart(fileName_);
    for (char& c : name) {
        const bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                             c == '_' || c == '.';
        if (!allowed) {
            c = '_';
        }
    }
    if (name.empty()) {
        name = "_";
    }
    return AutostartFolder(IsMachineKind(kind_)) + name + (IsRunOnceKind(kind_) ? ".runonce" : "") + ".desktop";
}

bool TSuAutoRun::Register()
{
    const std::string entry = EntryFileName();
    if (entry.empty() || fileName_.empty()) {
        return false;
    }
    std::string exec;
    if (IsRunOnceKind(kind_)) {
        // The entry removes itself, then the program runs in the shell's place.
        exec = "sh -c " + ExecArgument("rm -f -- \"$0\"; exec \"$@\"") + " " + ExecArgument(entry) + " " +
               ExecArgument(fileName_);
    } else {
        exec = ExecArgument(fileName_);
    }
    const std::string text = "[Desktop Entry]\nType=Application\nName=" + SuDesktopEntryValue(ProgramNamePart(fileName_)) +
                             "\nExec=" + SuDesktopEntryValue(exec) + "\nTerminal=false\n";
    const std::string folder = ExtractFilePath(entry);
    return ForceDirectories(folder) && WriteFileAtomically(entry, text);
}

bool TSuAutoRun::Unregister()
{
    const std::string entry = EntryFileName();
    if (entry.empty()) {
        return false;
    }
    return !FileExists(entry) || DeleteFile(entry);
}

void TSuAutoRun::SetAutoRun(bool value)
{
    if (autoRun_ == value) {
        return;
    }
    autoRun_ = value;
    if (!IsLoading()) {
        Apply();
    }
}

void TSuAutoRun::Loaded()
{
    TSuComponent::Loaded();
    Apply();
}

void TSuAutoRun::Apply()
{
    if (IsDesigning()) {
        return;
    }
    Unregister();
    if (autoRun_) {
        Register();
    }
}

// ---- TSuShutdown --------------------------------------------------------------------------

void TSuShutdown::RegisterClass()
{
    static const bool registered = [] {
        RegisterEnum<TSuShutdownActionType>("TSuShutdownActionType", {"aatPowerOff", "aatShutdown", "aatReboot",
                                                                      "aatLogOff", "aatSuspend", "aatHibernate"});
        TClassRegistration<TSuShutdown, TSuComponent>("TSuShutdown")
            .Component()
            .Enum("ActionType", &TSuShutdown::ActionType, &TSuShutdown::SetActionType, TSuShutdownActionType::aatPowerOff)
            .Boolean("Force", &TSuShutdown::Force, &TSuShutdown::SetForce, false)
            .Event("OnQueryShutdown", &TSuShutdown::OnQueryShutdown);
        return true;
    }();
    (void)registered;
}

bool TSuShutdown::Execute()
{
    lastError_.clear();
    bool canShutdown = true;
    if (OnQueryShutdown) {
        OnQueryShutdown(this, canShutdown);
    }
    if (!canShutdown) {
        return false;
    }
    TSessionAction action = TSessionAction::PowerOff;
    switch (actionType_) {
    case TSuShutdownActionType::aatPowerOff:
    case TSuShutdownActionType::aatShutdown: action = TSessionAction::PowerOff; break;
    case TSuShutdownActionType::aatReboot: action = TSessionAction::Reboot; break;
    case TSuShutdownActionType::aatLogOff: action = TSessionAction::LogOff; break;
    case TSuShutdownActionType::aatSuspend: action = TSessionAction::Suspend; break;
    case TSuShutdownActionType::aatHibernate: action = TSessionAction::Hibernate; break;
    }
    return RequestSessionAction(action, !force_, &lastError_);
}

void SuRegisterSystemComponents()
{
    TSuOneInstance::RegisterClass();
    TSuAutoRun::RegisterClass();
    TSuShutdown::RegisterClass();
}
