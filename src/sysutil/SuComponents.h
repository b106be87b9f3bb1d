#pragma once
// The utility kit's components: the component base with its About text, the message-window
// timer, and the notification-area icon.
//
// TSuCustomTimer keeps a hidden message window of its own (the component itself, see
// platform/gui/Messages.h): its timer sends WM_TIMER there, and the window procedure runs
// OnTimer. TSuTrayIcon extends that window procedure with the messages its icon in the
// desktop's notification area sends (platform/gui/TrayIcons.h), so a test drives the icon by
// sending it those messages, exactly as the desktop does.
//
// The notification area: ShowIcon adds the icon and reports whether the desktop took it;
// Visible is true only while the icon is really there. Without a notification area nothing
// fails: the icon is simply not shown. Mouse moves over the icon cannot be reported on this
// system (the desktop does not tell them); OnMouseMove fires only for a WM_MOUSEMOVE sent by code.

#include "platform/gui/Graphics.h"
#include "platform/gui/KeyEvents.h"
#include "platform/gui/Messages.h"
#include "platform/gui/TrayIcons.h"

#include <memory>
#include <string>

class TCustomForm;
class TImageList;
class TPopupMenu;
class TTimer;

ZV_DECLARE_EXCEPTION(ESuTrayIcon, Exception);

// The callback message of the kit's notification-area icons.
inline constexpr unsigned kSuTrayIconMessage = 1235;
// The message the desktop sends when its notification area was started again.
unsigned SuTaskbarCreatedMessage();

// Starts the kit once: the version flags, program folder and log file name, the colour
// names, the "TaskbarCreated" message and the component classes for form descriptions.
// Harmless to call again.
void SuKitStart();

class TSuComponent : public TComponent {
public:
    explicit TSuComponent(TComponent* owner);
    const char* ClassName() const noexcept override { return "TSuComponent"; }
    static void RegisterClass();

    const std::string& About() const noexcept { return about_; }
    void SetAbout(const std::string& value) { about_ = value; }

private:
    std::string about_;
};

// Runs OnTimer every Interval milliseconds while Enabled, an OnTimer handler is set and the
// interval is not 0. An exception raised by OnTimer goes to the application's error display.
class TSuCustomTimer : public TSuComponent, public TMessageWindow {
public:
    explicit TSuCustomTimer(TComponent* owner);
    ~TSuCustomTimer() override;
    const char* ClassName() const noexcept override { return "TSuCustomTimer"; }
    static void RegisterClass();

    bool Enabled() const noexcept { return enabled_; }
    void SetEnabled(bool value);
    int Interval() const noexcept { return interval_; }
    void SetInterval(int value);
    const TNotifyEvent& OnTimer() const noexcept { return onTimer_; }
    void SetOnTimer(TNotifyEvent handler);
    // Whether the timer is counting now.
    bool TimerRunning() const;

    // The hidden window's procedure: WM_TIMER runs the timer event; every other message gets
    // the default handling (result 0).
    void WindowProc(TMessage& message) override;

protected:
    virtual void Timer();
    void UpdateTimer();

private:
    bool enabled_ = true;
    int interval_ = 1000;
    TNotifyEvent onTimer_;
    std::unique_ptr<TTimer> timer_;
};

enum class TSuTrayIconInfoType { tiiNone, tiiInfo, tiiWarning, tiiError };

class TSuApplicationWindowHook;

class TSuTrayIcon : public TSuCustomTimer {
public:
    explicit TSuTrayIcon(TComponent* owner);
    ~TSuTrayIcon() override;
    const char* ClassName() const noexcept override { return "TSuTrayIcon"; }
    static void RegisterClass();

    // ---- published properties
    bool CycleIcons() const noexcept { return TSuCustomTimer::Enabled(); }
    void SetCycleIcons(bool value) { TSuCustomTimer::SetEnabled(value); }
    int CycleInterval() const noexcept { return TSuCustomTimer::Interval(); }
    void SetCycleInterval(int value) { TSuCustomTimer::SetInterval(value); }
    // When false, mouse and balloon notifications are ignored.
    bool Enabled() const noexcept { return enabled_; }
    void SetEnabled(bool value) { enabled_ = value; }
    const std::string& Hint() const noexcept { return hint_; }
    void SetHint(const std::string& value);
    TIcon& Icon() noexcept { return icon_; }
    const TIcon& Icon() const noexcept { return icon_; }
    void SetIcon(const TPicture& icon);
    TImageList* ImageList() const noexcept { return imageList_; }
    void SetImageList(TImageList* list);
    int ImageIndex() const noexcept { return imageIndex_; }
    void SetImageIndex(int value);
    unsigned IconID() const noexcept { return iconId_; }
    void SetIconID(unsigned value);
    bool MinimizeToTray() const noexcept { return minimizeToTray_; }
    void SetMinimizeToTray(bool value);
    bool MinimizeOnStart() const noexcept { return minimizeOnStart_; }
    void SetMinimizeOnStart(bool value) { minimizeOnStart_ = value; }
    TPopupMenu* PopupMenu() const noexcept { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* menu);
    bool PopupByLeft() const noexcept { return popupByLeft_; }
    void SetPopupByLeft(bool value) { popupByLeft_ = value; }
    bool ShowHint() const noexcept { return showHint_; }
    void SetShowHint(bool value);
    bool Visible() const noexcept { return visible_; }
    void SetVisible(bool value);
    bool VisibleOnDesigning() const noexcept { return visibleOnDesigning_; }
    void SetVisibleOnDesigning(bool value);
    const std::string& InfoText() const noexcept { return infoText_; }
    void SetInfoText(const std::string& value) { infoText_ = value; }
    const std::string& InfoTitle() const noexcept { return infoTitle_; }
    void SetInfoTitle(const std::string& value) { infoTitle_ = value; }
    int InfoTimeout() const noexcept { return infoTimeout_; }
    void SetInfoTimeout(int value) { infoTimeout_ = value; }
    TSuTrayIconInfoType InfoType() const noexcept { return infoType_; }
    void SetInfoType(TSuTrayIconInfoType value) { infoType_ = value; }

    // ---- operations
    // Adds the icon to the notification area; true when the desktop took it (then Visible is
    // true and OnShow has run). Raises ESuTrayIcon "<name>.InsertToTray failed" when building
    // the request fails.
    bool ShowIcon();
    // Removes the icon (OnHide; with MinimizeToTray the application comes back).
    void HideIcon();
    // Applies Icon, Hint and ShowHint to the icon in the notification area.
    void UpdateIcon();
    // Shows InfoTitle and InfoText in a balloon of the icon for InfoTimeout milliseconds, with
    // the InfoType's symbol; only where the system has balloons (the NT family from 2000 on).
    void ShowBalloon();
    bool InsertToTray();
    bool DeleteFromTray();
    // Whether the desktop has a notification area now.
    static bool Available();
    void PopupAtCursor();
    void RestoreFromTray();
    void MinimizeToTrayNow();

    // The record the icon is added and changed with, as ShowIcon and UpdateIcon fill it.
    TNotifyIconData IconData() const;

    void WindowProc(TMessage& message) override;

    TNotifyEvent OnMinimize;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnPopupMenu;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnCycleIcons;
    TNotifyEvent OnBalloonShow;
    TNotifyEvent OnBalloonTimeout;
    TNotifyEvent OnBalloonClick;

    // The application's main form was minimised (the application window's procedure).
    void ApplicationMinimized();

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    // A callback code of the icon; false for a code the icon does not handle.
    bool HandleIconMessage(unsigned code);
    void DoubleClick();
    void MouseEvent(const TMouseEvent& handler, TMouseButton button);
    void IconFromImageList();
    // The application's main form, or the form the icon sits on while there is none yet.
    TCustomForm* ApplicationForm() const;
    void HookApplicationWindow();

    bool enabled_ = true;
    std::string hint_;
    TIcon icon_;
    TImageList* imageList_ = nullptr;
    int imageIndex_ = 0;
    unsigned iconId_ = 0;
    bool minimizeToTray_ = false;
    bool minimizeOnStart_ = false;
    TPopupMenu* popupMenu_ = nullptr;
    bool popupByLeft_ = false;
    bool showHint_ = true;
    bool visible_ = false;
    bool visibleOnDesigning_ = false;
    std::string infoText_;
    std::string infoTitle_;
    int infoTimeout_ = 10000;
    TSuTrayIconInfoType infoType_ = TSuTrayIconInfoType::tiiNone;

    // NIF_MESSAGE and NIF_TIP, with NIF_ICON while the icon is shown.
    unsigned flags_;
    bool leftButtonDown_ = false;
    std::unique_ptr<TSuApplicationWindowHook> applicationHook_;
};
