#pragma once
// A hook on one of the program's own windows: OnMessageBefore sees each message of the window
// before the window does and may swallow it (Handled); OnMessageAfter sees it afterwards.
//
// Several hooks may sit on the same window. The last one activated sees a message first and
// passes it on to the one activated before it, down to the window itself; each hook's
// OnMessageAfter runs when what lies below it is done. Removing a hook from the middle leaves
// the others chained as before. Every hook is kept in one list (TSuWndProcHookList) that
// exists while any hook does.
//
// Messages are the window's events: mouse buttons and moves carry the mouse message numbers
// (WM_LBUTTONDOWN, ...; LParam the position, x in the low word); every other event is
// WM_APP + its event number. Hooks on other programs' windows cannot exist on this desktop.

#include "platform/gui/Messages.h"
#include "sysutil/SuComponents.h"

#include <functional>
#include <memory>
#include <vector>

class QWidget;
class TWinControl;

inline constexpr unsigned WM_APP = 0x8000;

using TSuMessageEvent = std::function<void(TObject* sender, TMessage& message, bool& handled)>;

class TSuCustomWndProcHook : public TSuComponent {
public:
    explicit TSuCustomWndProcHook(TComponent* owner);
    ~TSuCustomWndProcHook() override;
    const char* ClassName() const noexcept override { return "TSuCustomWndProcHook"; }
    static void RegisterClass();

    bool Active() const noexcept { return active_; }
    void SetActive(bool value);
    bool AutoDrag() const noexcept { return autoDrag_; }
    void SetAutoDrag(bool value) { autoDrag_ = value; }
    TWinControl* WinControl() const noexcept { return winControl_; }
    void SetWinControl(TWinControl* value);
    // A window to hook instead of WinControl's (null: WinControl's).
    QWidget* Handle() const noexcept { return handle_; }
    void SetHandle(QWidget* value);
    // The window the hook acts on: Handle, else WinControl's window; null for none.
    QWidget* HookedWindow() const;

    TNotifyEvent OnChangeHandle;
    TNotifyEvent OnChangeWinControl;
    TSuMessageEvent OnMessageBefore;
    TSuMessageEvent OnMessageAfter;

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TSuWndProcHookList;
    void Activate();
    void Deactivate();

    bool active_ = false;
    bool autoDrag_ = false;
    bool hooked_ = false;
    TWinControl* winControl_ = nullptr;
    QWidget* handle_ = nullptr;
    QWidget* hookedWindow_ = nullptr;  // while hooked
};

class TSuWndProcHook : public TSuCustomWndProcHook {
public:
    explicit TSuWndProcHook(TComponent* owner) : TSuCustomWndProcHook(owner) {}
    const char* ClassName() const noexcept override { return "TSuWndProcHook"; }
    static void RegisterClass();
};

// Every hook, in the order they were made; and per hooked window the filter that runs its
// chain. Exists from the first hook to the last.
class TSuWndProcHookList {
public:
    static TSuWndProcHookList* Instance();
    const std::vector<TSuCustomWndProcHook*>& Hooks() const noexcept { return hooks_; }
    // The active hooks on `window`, in list order.
    std::vector<TSuCustomWndProcHook*> Chain(const QWidget* window) const;

    ~TSuWndProcHookList();

private:
    friend class TSuCustomWndProcHook;
    class TWindowFilter;
    TSuWndProcHookList() = default;
    static void Add(TSuCustomWndProcHook* hook);
    static void Remove(TSuCustomWndProcHook* hook);
    void Hooked(QWidget* window);
    void Unhooked(QWidget* window);

    std::vector<TSuCustomWndProcHook*> hooks_;
    std::vector<std::unique_ptr<TWindowFilter>> filters_;
};
