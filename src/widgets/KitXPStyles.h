#pragma once
// Theme support and window hooks.
//
// The kit draws themed controls when the platform's theme library is present. This system has
// none: the library table reports "not loaded", every entry is empty, and every themed path is
// skipped.
//
// TKitWndProcComponent is the base of components that watch the events of the form or control
// that owns them (form fill, caption styler, theme manager). Hooking installs an event filter
// on the owner's window; unhooking removes it again, so the owner's own handling is exactly
// what it was. The kit's own messages are event types of their own.

#include "widgets/KitBase.h"

#include <QEvent>
#include <QMetaObject>
#include <QPointer>
#include <QWidget>

#include <array>
#include <memory>

class QObject;

// Asks hooks to install themselves again.
constexpr QEvent::Type KitReinstallHooksEvent = static_cast<QEvent::Type>(45107);
// Broadcast to the controls of a form when the themed look is switched.
constexpr QEvent::Type KitThemeChangeEvent = static_cast<QEvent::Type>(45270);

constexpr int kitThemeFunctionCount = 33;

// The theme library's handle and its functions, in the order they are looked up.
struct TKitThemeLibrary {
    void* Handle = nullptr;
    bool Loaded = false;
    std::array<void*, kitThemeFunctionCount> Functions{};
};
const TKitThemeLibrary& KitThemeLibrary();
// The names of the functions of the table, in its order.
const std::array<const char*, kitThemeFunctionCount>& KitThemeFunctionNames();
// The library is loaded and reports an active theme.
bool KitThemeActive();

class TKitHookFilter;

class TKitWndProcComponent : public TKitCustomComponent {
public:
    explicit TKitWndProcComponent(TComponent* owner);
    ~TKitWndProcComponent() override;
    const char* ClassName() const noexcept override { return "TKitWndProcComponent"; }

    bool Enabled() const noexcept { return enabled_; }
    // Stores; outside design mode hooks or unhooks; then StateChanged.
    void SetEnabled(bool value);
    bool DesignActive() const noexcept { return designActive_; }
    void SetDesignActive(bool value) { designActive_ = value; }
    bool HookMainWindow() const noexcept { return hookMainWindow_; }
    void SetHookMainWindow(bool value) { hookMainWindow_ = value; }
    bool Hooked() const noexcept { return hooked_; }
    // 0 the owner control's events, 1 an MDI child form, 2 an MDI parent form (its client).
    int HookMode() const noexcept { return hookMode_; }
    // The owner has a window and the component is neither loading nor being destroyed.
    bool HandleReady() const;

    // Hooks when enabled and not hooked yet; answers whether the hook is in place. Nothing
    // happens unless the owner is a windowed control (and, at design time, DesignActive).
    virtual bool Activate();
    // Unhooks: the owner's events go where they went before.
    virtual void Deactivate();
    // At design time without DesignActive, unhooks.
    virtual void DesignDeactivate();

protected:
    // Every event of the hooked window; true when it was handled here and goes no further.
    // The base passes everything on and, after KitReinstallHooksEvent, hooks again.
    virtual bool WndProc(QEvent* event);
    // Every event of the application's main form while HookMainWindow is set.
    virtual bool MainWindowHook(QEvent* event);
    virtual void StateChanged() {}
    void Loaded() override;
    bool Busy() const noexcept { return busy_; }
    void SetBusy(bool value) noexcept { busy_ = value; }
    // The window the hook sits on (null when not hooked).
    QWidget* HookedWidget() const noexcept { return hookedWidget_.data(); }

private:
    friend class TKitHookFilter;

    bool enabled_ = true;
    bool designActive_ = false;
    bool hookMainWindow_ = false;
    bool hooked_ = false;
    bool busy_ = false;
    int hookMode_ = 0;
    std::unique_ptr<TKitHookFilter> filter_;
    std::unique_ptr<TKitHookFilter> mainFilter_;
    QMetaObject::Connection destroyedConnection_;
    QPointer<QWidget> hookedWidget_;
    QPointer<QWidget> mainWidget_;
};

// Follows theme changes for the whole application. The one instance has no owner and so never
// hooks a window.
class TKitXPThemeManager : public TKitWndProcComponent {
public:
    TKitXPThemeManager() : TKitWndProcComponent(nullptr) {}
    const char* ClassName() const noexcept override { return "TKitXPThemeManager"; }
    // A new native window refreshes the application's themed flag; a theme change, while the
    // themed look is on, switches it off and on so every control takes the new theme.
    bool WndProc(QEvent* event) override;
};
TKitXPThemeManager& KitXPThemeManager();
