#include "sysutil/SuComponents.h"

#include "platform/classes/PropertyRegistry.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/ImgList.h"
#include "platform/gui/Menus.h"
#include "sysutil/GtCVersInfo.h"
#include "sysutil/SuGraphics.h"
#include "sysutil/SuFileComponents.h"
#include "sysutil/SuStorageComponents.h"
#include "sysutil/SuSysUtils.h"
#include "sysutil/SuSystemComponents.h"
#include "sysutil/SuThreadComponents.h"
#include "sysutil/SuVclUtils.h"

#include <QCursor>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace {

// Sizes of the notify-icon record and the longest tool tip it holds: the record of the newer
// shell (the NT family from 2000 on), and the older one.
constexpr unsigned kNewShellRecordSize = 488;
constexpr unsigned kOldShellRecordSize = 88;
constexpr std::size_t kNewShellTipLength = 127;
constexpr std::size_t kOldShellTipLength = 63;
constexpr std::size_t kBalloonTextLength = 255;
constexpr std::size_t kBalloonTitleLength = 63;

}  // namespace

unsigned SuTaskbarCreatedMessage()
{
    static const unsigned message = RegisterWindowMessage("TaskbarCreated");
    return message;
}

void SuKitStart()
{
    static const bool started = [] {
        SuSysUtilsStart();
        SuGraphicsStart();
        SuTaskbarCreatedMessage();
        TSuComponent::RegisterClass();
        TSuCustomTimer::RegisterClass();
        TSuTrayIcon::RegisterClass();
        SuRegisterThreadComponents();
        SuRegisterSystemComponents();
        SuRegisterStorageComponents();
        SuRegisterFileComponents();
        TGtVersionInfo::RegisterClass();
        return true;
    }();
    (void)started;
}

// ---- TSuComponent -------------------------------------------------------------------------

TSuComponent::TSuComponent(TComponent* owner) : TComponent(owner)
{
    SuKitStart();
}

void TSuComponent::RegisterClass()
{
    static const bool registered = [] {
        TClassRegistration<TSuComponent, TComponent>("TSuComponent")
            .Component()
            .String("About", &TSuComponent::About, &TSuComponent::SetAbout);
        return true;
    }();
    (void)registered;
}

// ---- TSuCustomTimer -----------------------------------------------------------------------

TSuCustomTimer::TSuCustomTimer(TComponent* owner) : TSuComponent(owner), timer_(std::make_unique<TTimer>(nullptr))
{
    timer_->SetEnabled(false);
    timer_->OnTimer = [this](TObject*) { Perform(WM_TIMER, 1, 0); };
}

TSuCustomTimer::~TSuCustomTimer()
{
    timer_->SetEnabled(false);
}

void TSuCustomTimer::RegisterClass()
{
    static const bool registered = [] {
        TClassRegistration<TSuCustomTimer, TSuComponent>("TSuCustomTimer").Component();
        return true;
    }();
    (void)registered;
}

void TSuCustomTimer::SetEnabled(bool value)
{
    enabled_ = value;
    UpdateTimer();
}

void TSuCustomTimer::SetInterval(int value)
{
    interval_ = value;
    UpdateTimer();
}

void TSuCustomTimer::SetOnTimer(TNotifyEvent handler)
{
    onTimer_ = std::move(handler);
    UpdateTimer();
}

bool TSuCustomTimer::TimerRunning() const
{
    return timer_->Enabled();
}

void TSuCustomTimer::UpdateTimer()
{
    timer_->SetEnabled(false);
    if (interval_ > 0 && enabled_ && onTimer_) {
        timer_->SetInterval(interval_);
        timer_->SetEnabled(true);
    }
}

void TSuCustomTimer::WindowProc(TMessage& message)
{
    if (message.Msg == WM_TIMER) {
        try {
            Timer();
        } catch (const std::exception& error) {
            if (Application != nullptr) {
                Application->HandleException(this, error);
            }
        }
        return;
    }
    message.Result = 0;
}

void TSuCustomTimer::Timer()
{
    if (onTimer_) {
        onTimer_(this);
    }
}

// ---- the application window's hook ----------------------------------------------------------

// Watches the application's window (its main form) for being minimised, as the icon's
// replacement of the application window's procedure does.
class TSuApplicationWindowHook : public QObject {
public:
    TSuApplicationWindowHook(TSuTrayIcon& icon, QWidget* window) : icon_(icon), window_(window)
    {
        window->installEventFilter(this);
    }
    ~TSuApplicationWindowHook() override
    {
        if (window_ != nullptr) {
            window_->removeEventFilter(this);
        }
    }
    TSuApplicationWindowHook(const TSuApplicationWindowHook&) = delete;
    TSuApplicationWindowHook& operator=(const TSuApplicationWindowHook&) = delete;

    bool Watches(const QWidget* window) const { return window_ != nullptr && window_ == window; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == window_ && event->type() == QEvent::WindowStateChange && window_->isMinimized() &&
            icon_.MinimizeToTray()) {
            // Once the window system is through with the minimising.
            QTimer::singleShot(0, this, [this] { RunUserHandler([this] { icon_.ApplicationMinimized(); }); });
        }
        return false;
    }

private:
    TSuTrayIcon& icon_;
    QPointer<QWidget> window_;
};

// ---- TSuTrayIcon --------------------------------------------------------------------------

TSuTrayIcon::TSuTrayIcon(TComponent* owner) : TSuCustomTimer(owner), flags_(NIF_MESSAGE | NIF_TIP)
{
    RegisterClass();
    TSuCustomTimer::SetEnabled(false);
    TSuCustomTimer::SetInterval(200);
    SetOnTimer([this](TObject*) {
        if (imageList_ != nullptr && imageList_->Count() > 0) {
            SetImageIndex(imageIndex_ + 1 >= imageList_->Count() ? 0 : imageIndex_ + 1);
        }
        if (OnCycleIcons) {
            OnCycleIcons(this);
        }
    });
    icon_.OnChange = [this](TObject*) { UpdateIcon(); };
    HookApplicationWindow();
}

TSuTrayIcon::~TSuTrayIcon()
{
    icon_.OnChange = nullptr;
    if (visible_) {
        DeleteFromTray();
        visible_ = false;
    }
    if (imageList_ != nullptr) {
        imageList_->UnRegisterChanges(this);
    }
    applicationHook_.reset();
}

void TSuTrayIcon::RegisterClass()
{
    static const bool registered = [] {
        RegisterEnum<TSuTrayIconInfoType>("TSuTrayIconInfoType", {"tiiNone", "tiiInfo", "tiiWarning", "tiiError"});
        TClassRegistration<TSuTrayIcon, TSuCustomTimer>("TSuTrayIcon")
            .Component()
            .Boolean("CycleIcons", &TSuTrayIcon::CycleIcons, &TSuTrayIcon::SetCycleIcons, false)
            .Integer("CycleInterval", &TSuTrayIcon::CycleInterval, &TSuTrayIcon::SetCycleInterval, 200)
            .Boolean("Enabled", &TSuTrayIcon::Enabled, &TSuTrayIcon::SetEnabled, true)
            .String("Hint", &TSuTrayIcon::Hint, &TSuTrayIcon::SetHint)
            .Object("Icon", [](TSuTrayIcon& icon) -> TIcon& { return icon.Icon(); })
            .Reference("ImageList", &TSuTrayIcon::ImageList, &TSuTrayIcon::SetImageList)
            .Integer("ImageIndex", &TSuTrayIcon::ImageIndex, &TSuTrayIcon::SetImageIndex, 0)
            .Integer("IconID", &TSuTrayIcon::IconID, [](TSuTrayIcon& icon, int64_t id) { icon.SetIconID(static_cast<unsigned>(id)); }, 0)
            .Boolean("MinimizeToTray", &TSuTrayIcon::MinimizeToTray, &TSuTrayIcon::SetMinimizeToTray, false)
            .Boolean("MinimizeOnStart", &TSuTrayIcon::MinimizeOnStart, &TSuTrayIcon::SetMinimizeOnStart, false)
            .Reference("PopupMenu", &TSuTrayIcon::PopupMenu, &TSuTrayIcon::SetPopupMenu)
            .Boolean("PopupByLeft", &TSuTrayIcon::PopupByLeft, &TSuTrayIcon::SetPopupByLeft, false)
            .Boolean("ShowHint", &TSuTrayIcon::ShowHint, &TSuTrayIcon::SetShowHint, true)
            .Boolean("Visible", &TSuTrayIcon::Visible, &TSuTrayIcon::SetVisible, false)
            .Boolean("VisibleOnDesigning", &TSuTrayIcon::VisibleOnDesigning, &TSuTrayIcon::SetVisibleOnDesigning, false)
            .String("InfoText", &TSuTrayIcon::InfoText, &TSuTrayIcon::SetInfoText)
            .String("InfoTitle", &TSuTrayIcon::InfoTitle, &TSuTrayIcon::SetInfoTitle)
            .Integer("InfoTimeout", &TSuTrayIcon::InfoTimeout, &TSuTrayIcon::SetInfoTimeout, 10000)
            .Enum("InfoType", &TSuTrayIcon::InfoType, &TSuTrayIcon::SetInfoType, TSuTrayIconInfoType::tiiNone)
            .Event("OnMinimize", &TSuTrayIcon::OnMinimize)
            .Event("OnMouseMove", &TSuTrayIcon::OnMouseMove)
            .Event("OnMouseDown", &TSuTrayIcon::OnMouseDown)
            .Event("OnMouseUp", &TSuTrayIcon::OnMouseUp)
            .Event("OnClick", &TSuTrayIcon::OnClick)
            .Event("OnDblClick", &TSuTrayIcon::OnDblClick)
            .Event("OnPopupMenu", &TSuTrayIcon::OnPopupMenu)
            .Event("OnShow", &TSuTrayIcon::OnShow)
            .Event("OnHide", &TSuTrayIcon::OnHide)
            .Event("OnCycleIcons", &TSuTrayIcon::OnCycleIcons)
            .Event("OnBalloonShow", &TSuTrayIcon::OnBalloonShow)
            .Event("OnBalloonTimeout", &TSuTrayIcon::OnBalloonTimeout)
            .Event("OnBalloonClick", &TSuTrayIcon::OnBalloonClick);
        return true;
    }();
    (void)registered;
}

// ---- properties

void TSuTrayIcon::SetHint(const std::string& value)
{
    if (value != hint_) {
        hint_ = value;
        UpdateIcon();
    }
}

void TSuTrayIcon::SetShowHint(bool value)
{
    if (value != showHint_) {
        showHint_ = value;
        UpdateIcon();
    }
}

void TSuTrayIcon::SetIcon(const TPicture& icon)
{
    icon_.Assign(icon);
}

void TSuTrayIcon::SetImageList(TImageList* list)
{
    if (list == imageList_) {
        return;
    }
    if (imageList_ != nullptr) {
        imageList_->UnRegisterChanges(this);
        imageList_->RemoveFreeNotification(this);
    }
    imageList_ = list;
    if (imageList_ != nullptr) {
        imageList_->RegisterChanges(this, [this](TObject*) { IconFromImageList(); });
        imageList_->FreeNotification(this);
        IconFromImageList();
    }
}

void TSuTrayIcon::SetImageIndex(int value)
{
    imageIndex_ = value;
    IconFromImageList();
}

void TSuTrayIcon::IconFromImageList()
{
    if (imageList_ == nullptr) {
        return;
    }
    const QImage image = imageList_->Image(imageIndex_);
    if (!image.isNull()) {
        icon_.SetImage(image);  // updates the icon through its change event
    }
}

void TSuTrayIcon::SetIconID(unsigned value)
{
    if (value == iconId_) {
        return;
    }
    // The notification area knows the icon by its id: the shown icon goes and comes back
    // under the new one.
    const bool wasShown = visible_ && !IsLoading();
    if (wasShown) {
        DeleteFromTray();
    }
    iconId_ = value;
    if (wasShown && !InsertToTray()) {
        visible_ = false;
        flags_ &= ~NIF_ICON;
    }
}

void TSuTrayIcon::SetMinimizeToTray(bool value)
{
    minimizeToTray_ = value;
    if (value) {
        HookApplicationWindow();
    }
}

void TSuTrayIcon::SetPopupMenu(TPopupMenu* menu)
{
    if (menu == popupMenu_) {
        return;
    }
    if (popupMenu_ != nullptr) {
        popupMenu_->RemoveFreeNotification(this);
    }
    popupMenu_ = menu;
    if (popupMenu_ != nullptr) {
        popupMenu_->FreeNotification(this);
    }
}

void TSuTrayIcon::SetVisible(bool value)
{
    if (IsLoading()) {
        visible_ = value;  // shown (or not) once loading ends
        return;
    }
    if (value) {
        ShowIcon();
    } else {
        HideIcon();
    }
}

void TSuTrayIcon::SetVisibleOnDesigning(bool value)
{
    visibleOnDesigning_ = value;
    if (IsDesigning() && !IsLoading()) {
        SetVisible(value);
    }
}

void TSuTrayIcon::Notification(TComponent* component, TOperation operation)
{
    TSuCustomTimer::Notification(component, operation);
    if (operation != TOperation::opRemove) {
        return;
    }
    if (component == popupMenu_) {
        popupMenu_ = nullptr;
    }
    if (component == imageList_) {
        imageList_ = nullptr;  // the list is being freed, and its change links with it
    }
}

void TSuTrayIcon::Loaded()
{
    TSuCustomTimer::Loaded();
    if (!IsDesigning() && minimizeOnStart_) {
        if (Application != nullptr) {
            Application->SetShowMainForm(false);
        }
        MinimizeToTrayNow();
    }
    const bool wanted = IsDesigning() ? visibleOnDesigning_ : visible_;
    visible_ = false;
    if (wanted) {
        ShowIcon();
    }
}

// ---- the notification area

TNotifyIconData TSuTrayIcon::IconData() const
{
    const bool newShell = SuWindowsVersion().NewShell;
    TNotifyIconData data;
    data.cbSize = newShell ? kNewShellRecordSize : kOldShellRecordSize;
    data.Wnd = const_cast<TSuTrayIcon*>(this);
    data.uID = iconId_;
    data.uFlags = flags_;
    data.uCallbackMessage = kSuTrayIconMessage;
    data.hIcon = icon_.Image();
    if (showHint_) {
        data.szTip = hint_.substr(0, newShell ? kNewShellTipLength : kOldShellTipLength);
    }
    return data;
}

bool TSuTrayIcon::Available()
{
    return SystemTrayAvailable();
}

bool TSuTrayIcon::InsertToTray()
{
    try {
        return ShellNotifyIcon(NIM_ADD, IconData());
    } catch (const std::exception&) {
        throw ESuTrayIcon(Name() + ".InsertToTray failed");
    }
}

bool TSuTrayIcon::DeleteFromTray()
{
    try {
        return ShellNotifyIcon(NIM_DELETE, IconData());
    } catch (const std::exception&) {
        throw ESuTrayIcon(Name() + ".DeleteFromTray failed");
    }
}

bool TSuTrayIcon::ShowIcon()
{
    if (visible_) {
        return true;
    }
    flags_ |= NIF_ICON;
    if (!InsertToTray()) {
        // No notification area took the icon: it is not shown, and Visible says so.
        flags_ &= ~NIF_ICON;
        return false;
    }
    visible_ = true;
    HookApplicationWindow();
    if (OnShow) {
        OnShow(this);
    }
    return true;
}

void TSuTrayIcon::HideIcon()
{
    flags_ &= ~NIF_ICON;
    DeleteFromTray();
    visible_ = false;
    if (OnHide) {
        OnHide(this);
    }
    if (minimizeToTray_) {
        RestoreFromTray();
    }
    if (auto* owner = dynamic_cast<TWinControl*>(Owner()); owner != nullptr && !owner->Visible()) {
        owner->SetVisible(true);
    }
}

void TSuTrayIcon::UpdateIcon()
{
    if (visible_ && !IsLoading()) {
        ShellNotifyIcon(NIM_MODIFY, IconData());
    }
}

void TSuTrayIcon::ShowBalloon()
{
    if (!SuWindowsVersion().NewShell || !visible_) {
        return;
    }
    TNotifyIconData data = IconData();
    data.uFlags = NIF_INFO;
    data.uTimeout = static_cast<unsigned>(std::max(infoTimeout_, 0));
    data.szInfo = infoText_.substr(0, kBalloonTextLength);
    data.szInfoTitle = infoTitle_.substr(0, kBalloonTitleLength);
    data.dwInfoFlags = static_cast<unsigned>(infoType_);
    ShellNotifyIcon(NIM_MODIFY, data);
}

// ---- the hidden window's messages

void TSuTrayIcon::WindowProc(TMessage& message)
{
    if (message.Msg == kSuTrayIconMessage) {
        if (IsDesigning() || !enabled_) {
            return;
        }
        if (!HandleIconMessage(static_cast<unsigned>(message.LParam & 0xFFFF))) {
            TSuCustomTimer::WindowProc(message);
        }
        return;
    }
    if (message.Msg == WM_QUERYENDSESSION) {
        message.Result = 1;
        return;
    }
    if (message.Msg == SuTaskbarCreatedMessage()) {
        // A new notification area knows none of the old icons: add this one again.
        if (visible_ && !InsertToTray()) {
            visible_ = false;
            flags_ &= ~NIF_ICON;
        }
        return;
    }
    TSuCustomTimer::WindowProc(message);
}

bool TSuTrayIcon::HandleIconMessage(unsigned code)
{
    switch (code) {
    case WM_MOUSEMOVE:
        if (OnMouseMove) {
            const QPoint cursor = QCursor::pos();
            OnMouseMove(this, SuShiftState(), cursor.x(), cursor.y());
        }
        return true;
    case WM_LBUTTONDOWN:
        MouseEvent(OnMouseDown, TMouseButton::mbLeft);
        leftButtonDown_ = true;
        return true;
    case WM_LBUTTONUP:
        SuBringToForeground(Owner());
        MouseEvent(OnMouseUp, TMouseButton::mbLeft);
        if (leftButtonDown_ && OnClick) {
            OnClick(this);
        }
        if (popupByLeft_) {
            PopupAtCursor();
        }
        leftButtonDown_ = false;
        return true;
    case WM_LBUTTONDBLCLK:
        DoubleClick();
        return true;
    case WM_RBUTTONDOWN:
        MouseEvent(OnMouseDown, TMouseButton::mbRight);
        return true;
    case WM_RBUTTONUP:
        MouseEvent(OnMouseUp, TMouseButton::mbRight);
        PopupAtCursor();
        return true;
    case WM_MBUTTONDOWN:
        MouseEvent(OnMouseDown, TMouseButton::mbMiddle);
        return true;
    case WM_MBUTTONUP:
        MouseEvent(OnMouseUp, TMouseButton::mbMiddle);
        return true;
    case NIN_BALLOONSHOW:
        if (OnBalloonShow) {
            OnBalloonShow(this);
        }
        return true;
    case NIN_BALLOONTIMEOUT:
        if (OnBalloonTimeout) {
            OnBalloonTimeout(this);
        }
        return true;
    case NIN_BALLOONUSERCLICK:
        if (OnBalloonClick) {
            OnBalloonClick(this);
        }
        return true;
    default:
        return false;
    }
}

void TSuTrayIcon::MouseEvent(const TMouseEvent& handler, TMouseButton button)
{
    if (!handler) {
        return;
    }
    TShiftState shift = SuShiftState();
    switch (button) {
    case TMouseButton::mbLeft: shift.Include(TShiftStateValue::ssLeft); break;
    case TMouseButton::mbRight: shift.Include(TShiftStateValue::ssRight); break;
    case TMouseButton::mbMiddle: shift.Include(TShiftStateValue::ssMiddle); break;
    }
    const QPoint cursor = QCursor::pos();
    handler(this, button, shift, cursor.x(), cursor.y());
}

void TSuTrayIcon::DoubleClick()
{
    if (popupMenu_ != nullptr && popupMenu_->AutoPopup() && !popupByLeft_) {
        // The menu's default item is what a double click chooses.
        TMenuItem* items = popupMenu_->Items();
        for (int i = 0; i < items->Count(); ++i) {
            if (items->Items(i)->Default()) {
                items->Items(i)->Click();
                break;
            }
        }
        if (OnDblClick) {
            OnDblClick(this);
        }
        SuBringToForeground(Owner());
        return;
    }
    if (!IsDesigning() && minimizeToTray_) {
        if (auto* owner = dynamic_cast<TWinControl*>(Owner())) {
            if (owner->Visible()) {
                MinimizeToTrayNow();
            } else {
                RestoreFromTray();
            }
        }
    }
    if (OnDblClick) {
        OnDblClick(this);
    }
}

void TSuTrayIcon::PopupAtCursor()
{
    if (popupMenu_ == nullptr || !popupMenu_->AutoPopup()) {
        return;
    }
    const QPoint cursor = QCursor::pos();
    SuBringToForeground(Owner());
    popupMenu_->SetPopupComponent(this);
    popupMenu_->Popup(cursor.x(), cursor.y());
    if (OnPopupMenu) {
        OnPopupMenu(this);
    }
}

TCustomForm* TSuTrayIcon::ApplicationForm() const
{
    if (Application != nullptr && Application->MainForm() != nullptr) {
        return Application->MainForm();
    }
    auto* control = dynamic_cast<TControl*>(Owner());
    return control != nullptr ? control->ParentForm() : nullptr;
}

void TSuTrayIcon::RestoreFromTray()
{
    SuRestoreApplication(ApplicationForm());
}

void TSuTrayIcon::MinimizeToTrayNow()
{
    SuMinimizeApplicationToTray(ApplicationForm());
}

void TSuTrayIcon::ApplicationMinimized()
{
    if (IsDesigning()) {
        return;
    }
    MinimizeToTrayNow();
    SetVisible(true);
    if (OnMinimize) {
        OnMinimize(this);
    }
}

void TSuTrayIcon::HookApplicationWindow()
{
    if (IsDesigning()) {
        return;
    }
    TCustomForm* form = ApplicationForm();
    QWidget* window = form != nullptr ? form->Widget() : nullptr;
    if (window == nullptr || (applicationHook_ != nullptr && applicationHook_->Watches(window))) {
        return;
    }
    applicationHook_ = std::make_unique<TSuApplicationWindowHook>(*this, window);
}
