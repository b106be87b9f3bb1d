#pragma once
// Forms, the application object, the screen and the application-events hook.
//
// Forms: a form is a top-level window. Show makes it visible (OnShow); Close asks
// OnCloseQuery, then OnClose with the action caHide (the default), caFree, caMinimize or
// caNone (keeps it open). Closing the main form (the first form created through
// TApplication::CreateForm) ends the program; closing any other form never does, even when it
// is the last one visible. ShowModal shows the form and runs a nested message loop until its
// ModalResult becomes non-zero (a button with a ModalResult, code setting ModalResult, or
// Close, which sets mrCancel); OnCloseQuery and OnClose are asked then, and caNone keeps the
// form open (ModalResult goes back to mrNone). ShowModal returns the modal result.
//
// Errors: every handler that runs because of something the user did runs inside the
// application's catch-all: an Exception is shown in an error box as "ClassName: message" and
// the program carries on. A handler that runs because code changed a property lets its
// exception travel to that code.

#include "platform/gui/Controls.h"
#include "platform/rtl/Exceptions.h"

#include <functional>
#include <string_view>
#include <memory>
#include <string>
#include <vector>

class QApplication;
class QEventLoop;
class QImage;
class QMenuBar;
class TMainMenu;

enum class TModalResult { mrNone, mrOk, mrCancel, mrAbort, mrRetry, mrIgnore, mrYes, mrNo, mrAll, mrNoToAll, mrYesToAll };
enum class TCloseAction { caNone, caHide, caFree, caMinimize };
enum class TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum class TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter, poMainFormCenter, poOwnerFormCenter };
enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum class TWindowState { wsNormal, wsMinimized, wsMaximized };

using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;

class TCustomForm : public TWinControl {
public:
    explicit TCustomForm(TComponent* owner);
    ~TCustomForm() override;
    const char* ClassName() const noexcept override { return "TCustomForm"; }

    QWidget* ClientWidget() const override;
    int ClientWidth() const override;
    int ClientHeight() const override;
    void SetClientWidth(int value) override;
    void SetClientHeight(int value) override;

    void Show();
    void Hide() { SetVisible(false); }
    void Close();
    bool CloseQuery();
    TModalResult ShowModal();
    bool Modal() const noexcept { return modalLoop_ != nullptr; }
    // A key that no control of a modal form took: Esc clicks the visible, enabled Cancel
    // button, Enter the focused button or else the Default one. False when no button answers.
    bool DialogKey(int key);
    TModalResult ModalResult() const noexcept { return modalResult_; }
    void SetModalResult(TModalResult value);
    // Frees the form once the current handler has returned.
    void Release();

    TWinControl* ActiveControl() const noexcept { return activeControl_; }
    void SetActiveControl(TWinControl* control);

    TMainMenu* Menu() const noexcept { return menu_; }
    void SetMenu(TMainMenu* menu);
    TPosition Position() const noexcept { return position_; }
    void SetPosition(TPosition value) { position_ = value; }
    TFormBorderStyle BorderStyle() const noexcept { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle value);
    TFormStyle FormStyle() const noexcept { return formStyle_; }
    void SetFormStyle(TFormStyle value);
    TWindowState WindowState() const;
    void SetWindowState(TWindowState value);
    bool KeyPreview() const noexcept { return keyPreview_; }
    void SetKeyPreview(bool value) { keyPreview_ = value; }

    // Runs OnCreate; LoadForm calls it once the form description is read.
    void DoCreate();
    // Runs OnDestroy once, while the form is still whole: the application does it for the
    // forms it owns before it frees them, Release before it frees the form; a window class
    // owned elsewhere calls it first in its destructor.
    void DoDestroy();
    // Reads the form description compiled into the program for this form's class (or the given
    // text), binding events to `handlers` and to the handlers the class publishes, then runs
    // OnCreate. A window class calls it at the end of its constructor.
    void LoadForm(const class THandlerTable* handlers = nullptr);
    void LoadFormText(std::string_view text, std::string_view sourceName, const class THandlerTable* handlers = nullptr);
    // The form's current picture (client area and menu), drawn without a display.
    QImage Grab() const;

    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnDestroy;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

    // Focus bookkeeping: fires OnExit/OnEnter along the way from the old to the new control.
    void FocusMovedTo(TWinControl* control);
    void ControlDestroyed(TControl* control);
    void MenuChanged();

protected:
    void SetVisible(bool value) override;
    void ApplyGeometry() override;
    void ApplyVisibility() override;
    bool WidgetEvent(QEvent* event) override;
    bool ClicksFromMouse() const override { return false; }
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    void ApplyText(const std::string& text) override;

private:
    void DoClose(TCloseAction& action);
    void CloseModal();
    void PlaceOnFirstShow();

    QWidget* client_ = nullptr;  // child of the window widget, deleted with it
    TMainMenu* menu_ = nullptr;
    TWinControl* activeControl_ = nullptr;
    TModalResult modalResult_ = TModalResult::mrNone;
    QEventLoop* modalLoop_ = nullptr;
    TPosition position_ = TPosition::poDesigned;
    TFormBorderStyle borderStyle_ = TFormBorderStyle::bsSizeable;
    TFormStyle formStyle_ = TFormStyle::fsNormal;
    TWindowState windowState_ = TWindowState::wsNormal;
    bool keyPreview_ = false;
    bool shownOnce_ = false;
    bool releasing_ = false;
    bool destroyDone_ = false;
};

class TForm : public TCustomForm {
public:
    explicit TForm(TComponent* owner) : TCustomForm(owner) {}
    const char* ClassName() const noexcept override { return "TForm"; }
};

// A message as the application-events hook sees it. The layer hands the hook the mouse-wheel
// turns (message WM_MOUSEWHEEL, the signed notch delta in the high word of WParam) and key
// presses (WM_KEYDOWN, the virtual key code in WParam). A hook that turns a wheel message into
// WM_KEYDOWN makes the layer deliver that key press to the focused control instead of the turn.
struct TMsg {
    unsigned Message = 0;
    uintptr_t WParam = 0;
    intptr_t LParam = 0;
};

constexpr unsigned WM_KEYDOWN = 256;
constexpr unsigned WM_MOUSEWHEEL = 522;
constexpr unsigned VK_RETURN = 13;
constexpr unsigned VK_ESCAPE = 27;
constexpr unsigned VK_PRIOR = 33;
constexpr unsigned VK_NEXT = 34;
constexpr unsigned VK_END = 35;
constexpr unsigned VK_HOME = 36;
constexpr unsigned VK_LEFT = 37;
constexpr unsigned VK_UP = 38;
constexpr unsigned VK_RIGHT = 39;
constexpr unsigned VK_DOWN = 40;
constexpr unsigned VK_DELETE = 46;

using TMessageEvent = std::function<void(TMsg& message, bool& handled)>;
using TExceptionEvent = std::function<void(TObject* sender, const Exception& error)>;

// Message box flags and answers of TApplication::MessageBox.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_YESNOCANCEL = 0x3;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONWARNING = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

class TApplicationEventFilter;

class TApplication : public TComponent {
public:
    // Creates the Qt application when there is none yet; `argc` must outlive the object.
    TApplication(int& argc, char** argv);
    ~TApplication() override;
    const char* ClassName() const noexcept override { return "TApplication"; }

    const std::string& Title() const noexcept { return title_; }
    void SetTitle(const std::string& title);
    std::string ExeName() const;

    TCustomForm* MainForm() const noexcept { return mainForm_; }
    // Creates a form owned by the application; the first one becomes the main form.
    template <class TFormClass>
    void CreateForm(TFormClass*& reference)
    {
        reference = new TFormClass(this);
        FormCreated(reference);
    }
    void FormCreated(TCustomForm* form);
    bool ShowMainForm() const noexcept { return showMainForm_; }
    void SetShowMainForm(bool value) { showMainForm_ = value; }

    // Shows the main form and runs the message loop until it closes or Terminate is called.
    void Run();
    void Terminate();
    bool Terminated() const noexcept { return terminated_; }
    // For an application object that several tests share: a test that ended the program by
    // Terminate leaves the next test an application that still runs modal loops.
    void ResetTerminated() noexcept { terminated_ = false; }
    void ProcessMessages();

    // The catch-all: shows "ClassName: message" in an error box (or hands the error to
    // OnException) and returns.
    void ShowException(const Exception& error);
    void HandleException(TObject* sender, const std::exception& error);
    // Runs `action` inside the catch-all.
    void Guarded(const std::function<void()>& action, TObject* sender = nullptr);
    int MessageBox(const std::string& text, const std::string& caption, unsigned flags = MB_OK);

    bool ShowHint() const noexcept { return showHint_; }
    void SetShowHint(bool value) { showHint_ = value; }

    TExceptionEvent OnException;
    // Hooks installed by TApplicationEvents components, run in order for every message.
    std::vector<TMessageEvent*> MessageHooks;

    void ModalLoopStarted(QEventLoop* loop);
    void ModalLoopEnded(QEventLoop* loop);

private:
    std::unique_ptr<QApplication> ownedApplication_;
    std::unique_ptr<TApplicationEventFilter> eventFilter_;
    std::string title_;
    TCustomForm* mainForm_ = nullptr;
    bool showMainForm_ = true;
    bool terminated_ = false;
    bool showHint_ = true;
    bool running_ = false;
    std::vector<QEventLoop*> modalLoops_;
};

// The one application object (null until created).
extern TApplication* Application;

// Runs a handler of a user action: inside the catch-all when an application exists.
void RunUserHandler(const std::function<void()>& handler);

// The application-events hook: OnMessage sees each message before it is dispatched.
class TApplicationEvents : public TComponent {
public:
    explicit TApplicationEvents(TComponent* owner);
    ~TApplicationEvents() override;
    const char* ClassName() const noexcept override { return "TApplicationEvents"; }
    TMessageEvent OnMessage;
    TExceptionEvent OnException;

private:
    TMessageEvent hook_;
};

class TScreen {
public:
    TCursor Cursor() const noexcept { return cursor_; }
    void SetCursor(TCursor cursor);
    int Width() const;
    int Height() const;
    // Bits per pixel of the screen; 0 without one.
    int Depth() const;
    // The screen less the panels and docks of the desktop.
    QRect WorkAreaRect() const;
    TCustomForm* ActiveForm() const;
    int FormCount() const;
    TCustomForm* Forms(int index) const;

private:
    friend class TCustomForm;
    TCursor cursor_ = TCursor::crDefault;
    std::vector<TCustomForm*> forms_;
};

extern TScreen* Screen;

// Shows the wait cursor for its lifetime.
class TWaitCursor {
public:
    TWaitCursor();
    ~TWaitCursor();
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;

private:
    TCursor previous_;
};
