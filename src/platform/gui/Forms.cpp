#include "platform/gui/Forms.h"

#include "platform/gui/ControlBridge.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/GuiRegistration.h"
#include "platform/gui/GuiText.h"
#include "platform/gui/MainThreadCalls.h"
#include "platform/classes/FormReader.h"
#include "platform/rtl/CodePages.h"
#include "platform/gui/Menus.h"
#include "platform/gui/StdCtrls.h"
#include "platform/rtl/Exceptions.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMoveEvent>
#include <QPixmap>
#include <QResizeEvent>
#include <QScreen>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>

TApplication* Application = nullptr;
namespace {
TScreen screenObject;
}
TScreen* Screen = &screenObject;

namespace {
// References "window.component" in form descriptions reach the windows that exist, by name.
TComponent* FindFormByName(const std::string& name)
{
    for (int i = 0; i < Screen->FormCount(); ++i) {
        TCustomForm* form = Screen->Forms(i);
        if (!name.empty() && AnsiSameText(form->Name(), name)) {
            return form;
        }
    }
    return nullptr;
}
}  // namespace

// ---------------------------------------------------------------------------------------------

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner, new QWidget(nullptr, Qt::Window))
{
    client_ = new QWidget(Widget());
    client_->setObjectName(QStringLiteral("client"));
    Widget()->setAttribute(Qt::WA_DeleteOnClose, false);
    TWinControl::SetVisible(false);
    SetBounds(0, 0, 320, 240);
    Screen->forms_.push_back(this);
    SetGlobalComponentFinder(&FindFormByName);
}

TCustomForm::~TCustomForm()
{
    auto& forms = Screen->forms_;
    forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
    if (modalLoop_ != nullptr) {
        modalLoop_->quit();
    }
    activeControl_ = nullptr;
    DestroyControl();
}

QWidget* TCustomForm::ClientWidget() const
{
    return client_;
}

static int MenuBarHeight(const TMainMenu* menu)
{
    if (menu == nullptr || menu->MenuBar() == nullptr || !menu->HasVisibleItems()) {
        return 0;
    }
    return menu->MenuBar()->sizeHint().height();
}

int TCustomForm::ClientWidth() const
{
    return Width();
}

int TCustomForm::ClientHeight() const
{
    return std::max(Height() - MenuBarHeight(menu_), 0);
}

void TCustomForm::SetClientWidth(int value)
{
    SetBounds(Left(), Top(), value, Height());
}

void TCustomForm::SetClientHeight(int value)
{
    SetBounds(Left(), Top(), Width(), value + MenuBarHeight(menu_));
}

void TCustomForm::ApplyGeometry()
{
    QWidget* window = Widget();
    if (window == nullptr) {
        return;
    }
    if (window->pos() != QPoint(Left(), Top())) {
        window->move(Left(), Top());
    }
    if (window->size() != QSize(Width(), Height())) {
        window->resize(Width(), Height());
    }
    const int menuHeight = MenuBarHeight(menu_);
    if (menu_ != nullptr && menu_->MenuBar() != nullptr) {
        menu_->MenuBar()->setGeometry(0, 0, Width(), menuHeight);
        menu_->MenuBar()->setVisible(menuHeight > 0);
    }
    client_->setGeometry(0, menuHeight, Width(), std::max(Height() - menuHeight, 0));
}

void TCustomForm::ApplyText(const std::string& text)
{
    text_ = text;
    if (QWidget* window = Widget(); window != nullptr) {
        window->setWindowTitle(ToQString(text));
    }
}

void TCustomForm::MenuChanged()
{
    ApplyGeometry();
    AlignControls();
}

void TCustomForm::SetMenu(TMainMenu* menu)
{
    if (menu_ == menu) {
        return;
    }
    if (menu_ != nullptr) {
        menu_->RemoveFreeNotification(this);
        menu_->AttachToForm(nullptr);
    }
    menu_ = menu;
    if (menu_ != nullptr) {
        menu_->FreeNotification(this);
        menu_->AttachToForm(this);
    }
    MenuChanged();
}

void TCustomForm::Notification(TComponent* component, TOperation operation)
{
    TWinControl::Notification(component, operation);
    if (operation == TOperation::opRemove) {
        if (component == menu_) {
            menu_ = nullptr;
            if (!IsDestroying()) {
                MenuChanged();
            }
        }
    }
}

void TCustomForm::SetBorderStyle(TFormBorderStyle value)
{
    borderStyle_ = value;
    if (QWidget* window = Widget(); window != nullptr) {
        Qt::WindowFlags flags = Qt::Window;
        if (value == TFormBorderStyle::bsNone) {
            flags |= Qt::FramelessWindowHint;
        } else if (value == TFormBorderStyle::bsDialog) {
            flags = Qt::Dialog;
        } else if (value == TFormBorderStyle::bsToolWindow || value == TFormBorderStyle::bsSizeToolWin) {
            flags = Qt::Tool;
        }
        if (formStyle_ == TFormStyle::fsStayOnTop) {
            flags |= Qt::WindowStaysOnTopHint;
        }
        const bool wasVisible = window->isVisible();
        window->setWindowFlags(flags);
        if (wasVisible) {
            window->show();
        }
    }
}

void TCustomForm::SetFormStyle(TFormStyle value)
{
    formStyle_ = value;
    SetBorderStyle(borderStyle_);
}

TWindowState TCustomForm::WindowState() const
{
    if (const QWidget* window = Widget(); window != nullptr && window->isVisible()) {
        if (window->isMinimized()) {
            return TWindowState::wsMinimized;
        }
        if (window->isMaximized()) {
            return TWindowState::wsMaximized;
        }
        return TWindowState::wsNormal;
    }
    return windowState_;
}

void TCustomForm::SetWindowState(TWindowState value)
{
    windowState_ = value;
    QWidget* window = Widget();
    if (window == nullptr || !window->isVisible()) {
        return;
    }
    switch (value) {
    case TWindowState::wsNormal: window->showNormal(); break;
    case TWindowState::wsMinimized: window->showMinimized(); break;
    case TWindowState::wsMaximized: window->showMaximized(); break;
    }
}

void TCustomForm::SetVisible(bool value)
{
    TWinControl::SetVisible(value);
}

void TCustomForm::ApplyVisibility()
{
    QWidget* window = Widget();
    if (window == nullptr || IsLoading()) {
        return;
    }
    if (Visible()) {
        if (window->isVisible()) {
            return;
        }
        window->setWindowTitle(ToQString(Caption()));
        AlignControls();
        PlaceOnFirstShow();
        if (windowState_ == TWindowState::wsMaximized) {
            window->showMaximized();
        } else if (windowState_ == TWindowState::wsMinimized) {
            window->showMinimized();
        } else {
            window->show();
        }
        if (OnShow) {
            OnShow(this);
        }
    } else {
        if (!window->isVisible()) {
            return;
        }
        window->hide();
        if (OnHide) {
            OnHide(this);
        }
    }
}

void TCustomForm::PlaceOnFirstShow()
{
    if (shownOnce_) {
        return;
    }
    shownOnce_ = true;
    QRect area;
    switch (position_) {
    case TPosition::poScreenCenter:
    case TPosition::poDesktopCenter:
        if (QScreen* screen = QGuiApplication::primaryScreen(); screen != nullptr) {
            area = screen->geometry();
        }
        break;
    case TPosition::poMainFormCenter:
        if (Application != nullptr && Application->MainForm() != nullptr && Application->MainForm() != this) {
            area = Application->MainForm()->BoundsRect();
        }
        break;
    case TPosition::poOwnerFormCenter:
        if (auto* ownerForm = dynamic_cast<TCustomForm*>(Owner()); ownerForm != nullptr) {
            area = ownerForm->BoundsRect();
        }
        break;
    default:
        break;
    }
    if (area.isValid()) {
        SetBounds(area.left() + (area.width() - Width()) / 2, area.top() + (area.height() - Height()) / 2, Width(), Height());
    }
}

void TCustomForm::Show()
{
    SetVisible(true);
    if (QWidget* window = Widget(); window != nullptr && QGuiApplication::platformName() != QLatin1String("offscreen")) {
        window->raise();
    }
}

bool TCustomForm::CloseQuery()
{
    bool canClose = true;
    if (OnCloseQuery) {
        OnCloseQuery(this, canClose);
    }
    return canClose;
}

void TCustomForm::DoClose(TCloseAction& action)
{
    if (OnClose) {
        OnClose(this, action);
    }
}

void TCustomForm::Close()
{
    if (Modal()) {
        SetModalResult(TModalResult::mrCancel);
        return;
    }
    if (!CloseQuery()) {
        return;
    }
    TCloseAction action = TCloseAction::caHide;
    DoClose(action);
    if (action == TCloseAction::caNone) {
        return;
    }
    if (Application != nullptr && Application->MainForm() == this) {
        Hide();
        Application->Terminate();
    } else if (action == TCloseAction::caHide) {
        Hide();
    } else if (action == TCloseAction::caMinimize) {
        SetWindowState(TWindowState::wsMinimized);
    } else {
        Release();
    }
}

void TCustomForm::Release()
{
    if (releasing_) {
        return;
    }
    releasing_ = true;
    Hide();
    QTimer::singleShot(0, SignalContext(), [this] {
        RunUserHandler([this] { DoDestroy(); });
        delete this;
    });
}

void TCustomForm::SetModalResult(TModalResult value)
{
    modalResult_ = value;
    if (modalLoop_ != nullptr && value != TModalResult::mrNone) {
        modalLoop_->quit();
    }
}

void TCustomForm::CloseModal()
{
    TCloseAction action = TCloseAction::caNone;
    if (CloseQuery()) {
        action = TCloseAction::caHide;
        DoClose(action);
    }
    if (action == TCloseAction::caNone) {
        modalResult_ = TModalResult::mrNone;
    }
}

TModalResult TCustomForm::ShowModal()
{
    QWidget* window = Widget();
    if (Visible() || !Enabled() || Modal() || window == nullptr) {
        throw EInvalidOperation("Cannot make a visible window modal");
    }
    QEventLoop loop;
    modalLoop_ = &loop;
    modalResult_ = TModalResult::mrNone;
    if (Application != nullptr) {
        Application->ModalLoopStarted(&loop);
    }
    struct LoopEnd {
        TCustomForm* form;
        QEventLoop* loop;
        ~LoopEnd()
        {
            form->modalLoop_ = nullptr;
            if (Application != nullptr) {
                Application->ModalLoopEnded(loop);
            }
            if (QWidget* window = form->Widget(); window != nullptr) {
                window->setWindowModality(Qt::NonModal);
            }
        }
    } loopEnd{this, &loop};
    window->setWindowModality(Qt::ApplicationModal);
    Show();
    while (true) {
        if (modalResult_ == TModalResult::mrNone && !(Application != nullptr && Application->Terminated())) {
            loop.exec();
        }
        if (Application != nullptr && Application->Terminated()) {
            if (modalResult_ == TModalResult::mrNone) {
                modalResult_ = TModalResult::mrCancel;
            }
            break;
        }
        if (modalResult_ != TModalResult::mrNone) {
            CloseModal();
            if (modalResult_ != TModalResult::mrNone) {
                break;
            }
        }
    }
    const TModalResult result = modalResult_;
    Hide();
    return result;
}

void TCustomForm::SetActiveControl(TWinControl* control)
{
    if (control == nullptr) {
        activeControl_ = nullptr;
        return;
    }
    if (control->ParentForm() != this) {
        throw EInvalidOperation("Invalid active control");
    }
    if (Visible() && control->CanFocus()) {
        control->SetFocus();
    } else {
        activeControl_ = control;
        if (QWidget* widget = control->FocusWidget(); widget != nullptr) {
            widget->setFocus(Qt::OtherFocusReason);
        }
    }
}

void TCustomForm::FocusMovedTo(TWinControl* control)
{
    if (control == activeControl_ || control == this) {
        return;
    }
    std::vector<TWinControl*> oldChain;
    for (TWinControl* up = activeControl_; up != nullptr && up != this; up = up->Parent()) {
        oldChain.push_back(up);
    }
    std::vector<TWinControl*> newChain;
    for (TWinControl* up = control; up != nullptr && up != this; up = up->Parent()) {
        newChain.push_back(up);
    }
    // Drop the shared parents from the tops of both chains.
    while (!oldChain.empty() && !newChain.empty() && oldChain.back() == newChain.back()) {
        oldChain.pop_back();
        newChain.pop_back();
    }
    activeControl_ = control;
    for (TWinControl* leaving : oldChain) {
        if (leaving->OnExit) {
            leaving->OnExit(leaving);
        }
    }
    for (auto it = newChain.rbegin(); it != newChain.rend(); ++it) {
        if ((*it)->OnEnter) {
            (*it)->OnEnter(*it);
        }
    }
}

void TCustomForm::ControlDestroyed(TControl* control)
{
    for (TWinControl* up = activeControl_; up != nullptr; up = up->Parent()) {
        if (up == control) {
            activeControl_ = nullptr;
            return;
        }
    }
}

void TCustomForm::LoadForm(const THandlerTable* handlers)
{
    RegisterWindowClasses();
    ReadFormResource(*this, handlers);
    DoCreate();
}

void TCustomForm::LoadFormText(std::string_view text, std::string_view sourceName, const THandlerTable* handlers)
{
    RegisterWindowClasses();
    ReadComponentText(*this, text, sourceName, handlers);
    DoCreate();
}

void TCustomForm::DoDestroy()
{
    if (destroyDone_) {
        return;
    }
    destroyDone_ = true;
    if (OnDestroy) {
        OnDestroy(this);
    }
}

void TCustomForm::DoCreate()
{
    if (OnCreate) {
        OnCreate(this);
    }
}

QImage TCustomForm::Grab() const
{
    QWidget* window = Widget();
    if (window == nullptr) {
        return {};
    }
    return window->grab().toImage();
}

void TCustomForm::Loaded()
{
    TWinControl::Loaded();
    ApplyGeometry();
    AlignControls();
    if (Visible()) {
        ApplyVisibility();
    }
}

namespace {

// The form's first button that can be clicked now and answers `wanted`.
TButton* FindDialogButton(const TCustomForm& form, bool (*wanted)(const TButton&))
{
    for (int i = 0; i < form.ComponentCount(); ++i) {
        auto* button = dynamic_cast<TButton*>(form.Components(i));
        if (button != nullptr && wanted(*button) && button->Enabled() && button->Widget() != nullptr &&
            button->Widget()->isVisible()) {
            return button;
        }
    }
    return nullptr;
}

}  // namespace

bool TCustomForm::DialogKey(int key)
{
    TButton* target = nullptr;
    if (key == Qt::Key_Escape) {
        target = FindDialogButton(*this, [](const TButton& button) { return button.Cancel(); });
    } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        // The focused button, else the default one.
        QWidget* focused = Widget() != nullptr ? Widget()->focusWidget() : nullptr;
        target = dynamic_cast<TButton*>(TControl::FromWidget(focused));
        if (target == nullptr || target->ParentForm() != this) {
            target = FindDialogButton(*this, [](const TButton& button) { return button.Default(); });
        }
    }
    if (target == nullptr) {
        return false;
    }
    RunUserHandler([target] { target->Click(); });
    return true;
}

bool TCustomForm::WidgetEvent(QEvent* event)
{
    QWidget* window = Widget();
    switch (event->type()) {
    case QEvent::KeyPress:
        // A key no control took: Esc clicks the cancel button and Enter the focused or default
        // button of a modal form.
        if (Modal() && DialogKey(static_cast<QKeyEvent*>(event)->key())) {
            return true;
        }
        break;
    case QEvent::Close:
        event->ignore();
        RunUserHandler([this] { Close(); });
        return true;
    case QEvent::Resize:
        if (window != nullptr && static_cast<QResizeEvent*>(event)->size() != QSize(Width(), Height())) {
            const QSize size = static_cast<QResizeEvent*>(event)->size();
            RunUserHandler([&] { SetBoundsFromLayout(Left(), Top(), size.width(), size.height()); });
        }
        break;
    case QEvent::Move:
        if (window != nullptr && window->pos() != QPoint(Left(), Top())) {
            const QPoint position = window->pos();
            SetBoundsFromLayout(position.x(), position.y(), Width(), Height());
        }
        break;
    case QEvent::WindowActivate:
        if (OnActivate) {
            RunUserHandler([this] { OnActivate(this); });
        }
        break;
    case QEvent::WindowDeactivate:
        if (OnDeactivate) {
            RunUserHandler([this] { OnDeactivate(this); });
        }
        break;
    default:
        break;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------

class TApplicationEventFilter : public QObject {
public:
    explicit TApplicationEventFilter(TApplication* application) : application_(application) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TApplication* application_;
    const QEvent* lastEvent_ = nullptr;
};

namespace {

unsigned QtKeyToVirtualKey(int key)
{
    switch (key) {
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Delete: return VK_DELETE;
    default: break;
    }
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z)) {
        return static_cast<unsigned>(key);
    }
    return 0;
}

int VirtualKeyToQtKey(unsigned key)
{
    switch (key) {
    case VK_UP: return Qt::Key_Up;
    case VK_DOWN: return Qt::Key_Down;
    case VK_LEFT: return Qt::Key_Left;
    case VK_RIGHT: return Qt::Key_Right;
    case VK_PRIOR: return Qt::Key_PageUp;
    case VK_NEXT: return Qt::Key_PageDown;
    case VK_HOME: return Qt::Key_Home;
    case VK_END: return Qt::Key_End;
    case VK_RETURN: return Qt::Key_Return;
    case VK_ESCAPE: return Qt::Key_Escape;
    case VK_DELETE: return Qt::Key_Delete;
    default: break;
    }
    return static_cast<int>(key);
}

}  // namespace

bool TApplicationEventFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (application_->MessageHooks.empty() || event == lastEvent_) {
        return false;
    }
    TMsg message;
    if (event->type() == QEvent::Wheel) {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        const int delta = wheel->angleDelta().y();
        message.Message = WM_MOUSEWHEEL;
        message.WParam = static_cast<uintptr_t>(static_cast<uint16_t>(static_cast<int16_t>(delta))) << 16;
    } else if (event->type() == QEvent::KeyPress) {
        const unsigned key = QtKeyToVirtualKey(static_cast<QKeyEvent*>(event)->key());
        if (key == 0) {
            return false;
        }
        message.Message = WM_KEYDOWN;
        message.WParam = key;
    } else {
        return false;
    }
    lastEvent_ = event;
    const TMsg original = message;
    bool handled = false;
    const auto hooks = application_->MessageHooks;
    for (TMessageEvent* hook : hooks) {
        if (*hook) {
            RunUserHandler([&] { (*hook)(message, handled); });
        }
        if (handled) {
            break;
        }
    }
    if (handled) {
        return true;
    }
    if (original.Message == WM_MOUSEWHEEL && message.Message == WM_KEYDOWN) {
        QWidget* target = QApplication::focusWidget();
        if (target == nullptr && watched->isWidgetType()) {
            target = static_cast<QWidget*>(watched);
        }
        if (target != nullptr) {
            QKeyEvent press(QEvent::KeyPress, VirtualKeyToQtKey(static_cast<unsigned>(message.WParam)), Qt::NoModifier);
            lastEvent_ = &press;
            QCoreApplication::sendEvent(target, &press);
            lastEvent_ = nullptr;
        }
        return true;
    }
    return false;
}

TApplication::TApplication(int& argc, char** argv) : TComponent(nullptr)
{
    if (QApplication::instance() == nullptr) {
        ownedApplication_ = std::make_unique<QApplication>(argc, argv);
    }
    QApplication::setQuitOnLastWindowClosed(false);
    StartMainThreadCalls();
    RegisterWindowClasses();
    eventFilter_ = std::make_unique<TApplicationEventFilter>(this);
    qApp->installEventFilter(eventFilter_.get());
    QObject::connect(qApp, &QApplication::focusChanged, eventFilter_.get(), [](QWidget*, QWidget* now) {
        TControl* control = TControl::FromWidget(now);
        while (control != nullptr && dynamic_cast<TWinControl*>(control) == nullptr) {
            control = control->Parent();
        }
        auto* winControl = dynamic_cast<TWinControl*>(control);
        if (winControl == nullptr || winControl->IsDestroying()) {
            return;
        }
        TCustomForm* form = winControl->ParentForm();
        if (form != nullptr && form != winControl && !form->IsDestroying()) {
            RunUserHandler([&] { form->FocusMovedTo(winControl); });
        }
    });
    Application = this;
}

TApplication::~TApplication()
{
    StopMainThreadCalls();
    for (int i = ComponentCount() - 1; i >= 0; --i) {
        if (auto* form = dynamic_cast<TCustomForm*>(Components(i))) {
            try {
                form->DoDestroy();
            } catch (...) {
                // The program is ending; an error of a form's last handler changes nothing.
            }
        }
    }
    DestroyComponents();
    if (eventFilter_ && qApp != nullptr) {
        qApp->removeEventFilter(eventFilter_.get());
    }
    eventFilter_.reset();
    if (Application == this) {
        Application = nullptr;
    }
}

void TApplication::SetTitle(const std::string& title)
{
    // Kept for the message boxes only: as Qt's application display name the title would be
    // appended to every window's caption.
    title_ = title;
}

std::string TApplication::ExeName() const
{
    return FromQString(QCoreApplication::applicationFilePath());
}

void TApplication::FormCreated(TCustomForm* form)
{
    if (mainForm_ == nullptr) {
        mainForm_ = form;
    }
}

void TApplication::Run()
{
    if (terminated_) {
        return;
    }
    running_ = true;
    if (mainForm_ != nullptr && showMainForm_) {
        Guarded([this] { mainForm_->Show(); });
    }
    if (!terminated_) {
        QApplication::exec();
    }
    running_ = false;
}

void TApplication::Terminate()
{
    terminated_ = true;
    for (QEventLoop* loop : modalLoops_) {
        loop->quit();
    }
    // Ends the message loop without asking the windows to close: Qt's quit() would send every
    // visible window a close request, running the main form's close handler after a shut-down
    // that has already saved and closed everything.
    QCoreApplication::exit(0);
}

void TApplication::ProcessMessages()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TApplication::ShowException(const Exception& error)
{
    if (OnException) {
        OnException(this, error);
        return;
    }
    std::string text = error.DisplayText();
    ShowMessageBox(title_, text, TMsgDlgType::mtError, {TMsgDlgBtn::mbOK});
}

void TApplication::HandleException(TObject* sender, const std::exception& error)
{
    if (const auto* ours = dynamic_cast<const Exception*>(&error)) {
        if (dynamic_cast<const EAbort*>(ours) != nullptr) {
            return;  // the silent exception
        }
        ShowException(*ours);
        return;
    }
    ShowException(Exception(error.what()));
}

void TApplication::Guarded(const std::function<void()>& action, TObject* sender)
{
    try {
        action();
    } catch (const std::exception& error) {
        HandleException(sender, error);
    }
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, unsigned flags)
{
    TMsgDlgType type = TMsgDlgType::mtCustom;
    switch (flags & 0xF0u) {
    case MB_ICONERROR: type = TMsgDlgType::mtError; break;
    case MB_ICONQUESTION: type = TMsgDlgType::mtConfirmation; break;
    case MB_ICONWARNING: type = TMsgDlgType::mtWarning; break;
    case MB_ICONINFORMATION: type = TMsgDlgType::mtInformation; break;
    default: break;
    }
    TMsgDlgButtons buttons;
    switch (flags & 0x0Fu) {
    case MB_OKCANCEL: buttons = {TMsgDlgBtn::mbOK, TMsgDlgBtn::mbCancel}; break;
    case MB_YESNOCANCEL: buttons = {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo, TMsgDlgBtn::mbCancel}; break;
    case MB_YESNO: buttons = {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo}; break;
    default: buttons = {TMsgDlgBtn::mbOK}; break;
    }
    return static_cast<int>(ShowMessageBox(caption, text, type, buttons));
}

void TApplication::ModalLoopStarted(QEventLoop* loop)
{
    modalLoops_.push_back(loop);
}

void TApplication::ModalLoopEnded(QEventLoop* loop)
{
    modalLoops_.erase(std::remove(modalLoops_.begin(), modalLoops_.end(), loop), modalLoops_.end());
}

void RunUserHandler(const std::function<void()>& handler)
{
    if (Application != nullptr) {
        Application->Guarded(handler);
        return;
    }
    try {
        handler();
    } catch (const std::exception&) {
        // Without an application there is nobody to show the error to; the action ends here.
    }
}

// ---------------------------------------------------------------------------------------------

TApplicationEvents::TApplicationEvents(TComponent* owner) : TComponent(owner)
{
    hook_ = [this](TMsg& message, bool& handled) {
        if (OnMessage) {
            OnMessage(message, handled);
        }
    };
    if (Application != nullptr) {
        Application->MessageHooks.push_back(&hook_);
    }
}

TApplicationEvents::~TApplicationEvents()
{
    if (Application != nullptr) {
        auto& hooks = Application->MessageHooks;
        hooks.erase(std::remove(hooks.begin(), hooks.end(), &hook_), hooks.end());
    }
}

// ---------------------------------------------------------------------------------------------

void TScreen::SetCursor(TCursor cursor)
{
    if (cursor == cursor_) {
        return;
    }
    if (QApplication::instance() != nullptr) {
        if (cursor_ != TCursor::crDefault) {
            QApplication::restoreOverrideCursor();
        }
        if (cursor == TCursor::crHourGlass) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
        } else if (cursor != TCursor::crDefault) {
            QApplication::setOverrideCursor(Qt::ArrowCursor);
        }
    }
    cursor_ = cursor;
}

int TScreen::Width() const
{
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->geometry().width() : 0;
}

int TScreen::Height() const
{
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->geometry().height() : 0;
}

int TScreen::Depth() const
{
    QScreen* screen = QGuiApplication::instance() != nullptr ? QGuiApplication::primaryScreen() : nullptr;
    return screen != nullptr ? screen->depth() : 0;
}

QRect TScreen::WorkAreaRect() const
{
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect();
}

TCustomForm* TScreen::ActiveForm() const
{
    QWidget* window = QApplication::activeWindow();
    return dynamic_cast<TCustomForm*>(TControl::FromWidget(window));
}

int TScreen::FormCount() const
{
    return static_cast<int>(forms_.size());
}

TCustomForm* TScreen::Forms(int index) const
{
    return forms_.at(static_cast<size_t>(index));
}

TWaitCursor::TWaitCursor() : previous_(Screen->Cursor())
{
    Screen->SetCursor(TCursor::crHourGlass);
}

TWaitCursor::~TWaitCursor()
{
    Screen->SetCursor(previous_);
}
