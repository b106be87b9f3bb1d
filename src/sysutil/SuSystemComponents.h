#pragma once
// The utility kit's components that stand for services of the desktop session: one running
// instance (TSuOneInstance), starting with the session (TSuAutoRun) and ending or pausing
// the session (TSuShutdown).
//
// TSuOneInstance shares the tracker's own guard (TSingleInstance): a lock file in the user's
// runtime folder, and beside it a local socket on which the first instance hears a later
// start ask it to come to the front. The guard is never waited for: a start that finds it
// held is a later start at once.
//
// TSuAutoRun writes a desktop autostart entry ("<name>.desktop" in the autostart folder of
// the user or of the machine); a "run once" entry removes itself when it runs. Service kinds
// have nothing to stand for them on this system: registering one fails.
//
// TSuShutdown asks the session manager (platform/gui/SessionManager.h). Power off and shut
// down both power the machine off; Force makes the request without asking the user to
// confirm or authorise it.

#include "platform/rtl/System.h"
#include "sysutil/SuComponents.h"

#include <functional>
#include <memory>
#include <string>

class TDescriptorWatch;

using TSuShowMessageEvent = std::function<void(TObject* sender, bool& terminate)>;

class TSuOneInstance : public TSuComponent {
public:
    explicit TSuOneInstance(TComponent* owner);
    ~TSuOneInstance() override;
    const char* ClassName() const noexcept override { return "TSuOneInstance"; }
    static void RegisterClass();

    bool ActivatePrevInstance() const noexcept { return activatePrevInstance_; }
    void SetActivatePrevInstance(bool value) { activatePrevInstance_ = value; }
    bool ExeNameAsIdentifier() const noexcept { return exeNameAsIdentifier_; }
    void SetExeNameAsIdentifier(bool value) { exeNameAsIdentifier_ = value; }
    const std::string& Identifier() const noexcept { return identifier_; }
    void SetIdentifier(const std::string& value) { identifier_ = value; }
    const std::string& Message() const noexcept { return message_; }
    void SetMessage(const std::string& value) { message_ = value; }
    bool ShowMessage() const noexcept { return showMessage_; }
    void SetShowMessage(bool value) { showMessage_ = value; }
    TSuShowMessageEvent OnShowMessage;

    // The name the instances share: the upper-cased program file (with ExeNameAsIdentifier)
    // or the application title, then Identifier and ".OneInstance.", "\" written as "/".
    std::string IdentifierText() const;
    // Whether this start found another instance and is to end.
    bool Terminated() const noexcept { return terminate_; }
    // The first instance: restores the main form when it is minimised, else brings it to the
    // front. Runs when a later start asks for it.
    static void ActivateApplication();

protected:
    void Loaded() override;

private:
    bool activatePrevInstance_ = true;
    bool exeNameAsIdentifier_ = false;
    std::string identifier_;
    std::string message_;
    bool showMessage_ = false;
    bool terminate_ = false;
};

enum class TSuAutoExecKind { aekMachineRun, aekMachineRunOnce, aekUserRun, aekUserRunOnce, aekServiceRun, aekServiceRunOnce };

class TSuAutoRun : public TSuComponent {
public:
    explicit TSuAutoRun(TComponent* owner);
    const char* ClassName() const noexcept override { return "TSuAutoRun"; }
    static void RegisterClass();

    bool AutoRun() const noexcept { return autoRun_; }
    void SetAutoRun(bool value);
    const std::string& FileName() const noexcept { return fileName_; }
    void SetFileName(const std::string& value) { fileName_ = value; }
    TSuAutoExecKind Kind() const noexcept { return kind_; }
    void SetKind(TSuAutoExecKind value) { kind_ = value; }

    // Writes the autostart entry; false when it cannot be written (or for a service kind).
    bool Register();
    // Removes the entry; true when it is gone (also when there was none).
    bool Unregister();
    // The entry's file for Kind and FileName; empty for a service kind.
    std::string EntryFileName() const;
    // The autostart folder of the user ($XDG_CONFIG_HOME or ~/.config) or of the machine
    // (the first of $XDG_CONFIG_DIRS, else /etc/xdg), with "autostart/" added.
    static std::string AutostartFolder(bool machine);

protected:
    void Loaded() override;

private:
    void Apply();

    bool autoRun_ = false;
    std::string fileName_;
    TSuAutoExecKind kind_ = TSuAutoExecKind::aekMachineRun;
};

enum class TSuShutdownActionType { aatPowerOff, aatShutdown, aatReboot, aatLogOff, aatSuspend, aatHibernate };
using TSuQueryShutdownEvent = std::function<void(TObject* sender, bool& canShutdown)>;

class TSuShutdown : public TSuComponent {
public:
    explicit TSuShutdown(TComponent* owner) : TSuComponent(owner) {}
    const char* ClassName() const noexcept override { return "TSuShutdown"; }
    static void RegisterClass();

    TSuShutdownActionType ActionType() const noexcept { return actionType_; }
    void SetActionType(TSuShutdownActionType value) { actionType_ = value; }
    bool Force() const noexcept { return force_; }
    void SetForce(bool value) { force_ = value; }
    TSuQueryShutdownEvent OnQueryShutdown;

    // Asks OnQueryShutdown, then the session manager; true when the manager took the request.
    bool Execute();
    // Why the last Execute failed (the session manager's words), or empty.
    const std::string& LastError() const noexcept { return lastError_; }

private:
    TSuShutdownActionType actionType_ = TSuShutdownActionType::aatPowerOff;
    bool force_ = false;
    std::string lastError_;
};

// Makes the classes above known to form descriptions.
void SuRegisterSystemComponents();
