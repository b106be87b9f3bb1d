#include "widgets/KitXPStyles.h"

#include "platform/gui/Forms.h"
#include "widgets/KitClass.h"

#include <QObject>
#include <QWidget>

// Forwards the events of a hooked window to its component.
class TKitHookFilter : public QObject {
public:
    TKitHookFilter(TKitWndProcComponent& component, bool mainWindow) : component_(component), mainWindow_(mainWindow) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        return mainWindow_ ? component_.MainWindowHook(event) : component_.WndProc(event);
    }

private:
    TKitWndProcComponent& component_;
    bool mainWindow_;
};

const TKitThemeLibrary& KitThemeLibrary()
{
    // The platform has no theme library to load: the table stays empty.
    static const TKitThemeLibrary library;
    return library;
}

const std::array<const char*, kitThemeFunctionCount>& KitThemeFunctionNames()
{
    static const std::array<const char*, kitThemeFunctionCount> names = {
        "DrawThemeEdge",          "DrawThemeBackground",         "DrawThemeParentBackground",
        "DrawThemeText",          "DrawThemeIcon",               "OpenThemeData",
        "CloseThemeData",         "IsThemeBackgroundPartiallyTransparent", "GetThemeBackgroundContentRect",
        "SetWindowTheme",         "SetThemeAppProperties",       "IsThemePartDefined",
        "GetThemeColor",          "GetThemeMetric",              "GetThemeString",
        "GetThemeBool",           "GetThemeInt",                 "GetThemeEnumValue",
        "GetThemePosition",       "GetThemeFont",                "GetThemeRect",
        "GetThemeFilename",       "GetThemeSysColor",            "GetThemeSysColorBrush",
        "GetThemeSysBool",        "IsThemeActive",               "IsAppThemed",
        "GetWindowTheme",         "EnableThemeDialogTexture",    "IsThemeDialogTextureEnabled",
        "EnableTheming",          "GetCurrentThemeName",         "GetThemePartSize",
    };
    return names;
}

bool KitThemeActive()
{
    const TKitThemeLibrary& library = KitThemeLibrary();
    constexpr int isThemeActive = 25;
    return library.Loaded && library.Functions[isThemeActive] != nullptr;
}

// ---- TKitWndProcComponent ----

TKitWndProcComponent::TKitWndProcComponent(TComponent* owner) : TKitCustomComponent(owner)
{
    if (const auto* form = dynamic_cast<const TCustomForm*>(owner)) {
        if (form->FormStyle() == TFormStyle::fsMDIChild) {
            hookMode_ = 1;
        } else if (form->FormStyle() == TFormStyle::fsMDIForm) {
            hookMode_ = 2;
        }
    }
}

TKitWndProcComponent::~TKitWndProcComponent()
{
    Deactivate();
}

bool TKitWndProcComponent::HandleReady() const
{
    const auto* owner = dynamic_cast<const TWinControl*>(Owner());
    return owner != nullptr && owner->Widget() != nullptr && !IsLoading() && !IsDestroying();
}

void TKitWndProcComponent::SetEnabled(bool value)
{
    enabled_ = value;
    if (!IsDesigning()) {
        if (value) {
            Activate();
        } else {
            Deactivate();
        }
    }
    StateChanged();
}

bool TKitWndProcComponent::Activate()
{
    if (!enabled_ || hooked_) {
        return hooked_;
    }
    auto* owner = dynamic_cast<TWinControl*>(Owner());
    if (owner == nullptr || owner->Widget() == nullptr || (IsDesigning() && !designActive_)) {
        return false;
    }
    // The filters live as long as the component: a handler may unhook while its filter runs.
    if (hookMainWindow_ && Application != nullptr && Application->MainForm() != nullptr &&
        Application->MainForm()->Widget() != nullptr) {
        if (!mainFilter_) {
            mainFilter_ = std::make_unique<TKitHookFilter>(*this, true);
        }
        mainWidget_ = Application->MainForm()->Widget();
        mainWidget_->installEventFilter(mainFilter_.get());
    }
    QWidget* target = hookMode_ == 2 ? owner->ClientWidget() : owner->Widget();
    if (!filter_) {
        filter_ = std::make_unique<TKitHookFilter>(*this, false);
    }
    hookedWidget_ = target;
    target->installEventFilter(filter_.get());
    // A window that goes away takes the hook with it.
    destroyedConnection_ = QObject::connect(target, &QObject::destroyed, filter_.get(), [this] {
        hooked_ = false;
        hookedWidget_.clear();
    });
    hooked_ = true;
    return true;
}

void TKitWndProcComponent::Deactivate()
{
    if (hookedWidget_) {
        hookedWidget_->removeEventFilter(filter_.get());
    }
    if (mainWidget_) {
        mainWidget_->removeEventFilter(mainFilter_.get());
    }
    QObject::disconnect(destroyedConnection_);
    hookedWidget_.clear();
    mainWidget_.clear();
    hooked_ = false;
}

void TKitWndProcComponent::DesignDeactivate()
{
    if (IsDesigning() && !designActive_) {
        Deactivate();
    }
}

void TKitWndProcComponent::Loaded()
{
    TKitCustomComponent::Loaded();
    if (!IsDesigning() || designActive_) {
        Activate();
    }
}

bool TKitWndProcComponent::WndProc(QEvent* event)
{
    if (busy_) {
        return false;
    }
    if (event->type() == KitReinstallHooksEvent) {
        Activate();
    }
    return false;
}

bool TKitWndProcComponent::MainWindowHook(QEvent*)
{
    return false;
}

// ---- TKitXPThemeManager ----

bool TKitXPThemeManager::WndProc(QEvent* event)
{
    if (event->type() == QEvent::WinIdChange) {
        KitApplication().RefreshThemed();
    } else if (event->type() == QEvent::ThemeChange && KitApplication().XPLook()) {
        KitApplication().SetXPLook(false);
        KitApplication().SetXPLook(true);
    }
    return TKitWndProcComponent::WndProc(event);
}

TKitXPThemeManager& KitXPThemeManager()
{
    static TKitXPThemeManager* manager = new TKitXPThemeManager;  // lives as long as the program
    return *manager;
}
