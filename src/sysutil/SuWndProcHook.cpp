#include "sysutil/SuWndProcHook.h"

#include "platform/classes/PropertyRegistry.h"
#include "platform/gui/Controls.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace {

std::unique_ptr<TSuWndProcHookList>& HookList()
{
    static std::unique_ptr<TSuWndProcHookList> list;
    return list;
}

TMessage MessageOf(const QEvent* event)
{
    TMessage message;
    message.Msg = WM_APP + static_cast<unsigned>(event->type());
    const auto* mouse = dynamic_cast<const QMouseEvent*>(event);
    if (mouse == nullptr) {
        return message;
    }
    const QPoint at = mouse->position().toPoint();
    message.LParam = static_cast<intptr_t>((at.x() & 0xFFFF) | ((at.y() & 0xFFFF) << 16));
    const bool left = mouse->button() == Qt::LeftButton;
    const bool right = mouse->button() == Qt::RightButton;
    const bool middle = mouse->button() == Qt::MiddleButton;
    switch (event->type()) {
    case QEvent::MouseMove: message.Msg = WM_MOUSEMOVE; break;
    case QEvent::MouseButtonPress:
        message.Msg = left ? WM_LBUTTONDOWN : right ? WM_RBUTTONDOWN : middle ? WM_MBUTTONDOWN : message.Msg;
        break;
    case QEvent::MouseButtonRelease:
        message.Msg = left ? WM_LBUTTONUP : right ? WM_RBUTTONUP : middle ? WM_MBUTTONUP : message.Msg;
        break;
    case QEvent::MouseButtonDblClick:
        message.Msg = left ? WM_LBUTTONDBLCLK : message.Msg;
        break;
    default: break;
    }
    return message;
}

}  // namespace

// Runs the chain of hooks of one window for each of its events.
class TSuWndProcHookList::TWindowFilter : public QObject {
public:
    explicit TWindowFilter(QWidget* window) : window_(window) { window->installEventFilter(this); }
    ~TWindowFilter() override
    {
        if (window_ != nullptr) {
            window_->removeEventFilter(this);
        }
    }
    QWidget* Window() const { return window_.data(); }
    int users = 0;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (passing_ || watched != window_.data() || event->type() == QEvent::Destroy) {
            return false;
        }
        TSuWndProcHookList* list = HookList().get();
        if (list == nullptr) {
            return false;
        }
        const std::vector<TSuCustomWndProcHook*> chain = list->Chain(window_.data());
        if (chain.empty()) {
            return false;
        }
        TMessage message = MessageOf(event);
        return Run(chain, static_cast<int>(chain.size()) - 1, message, event);
    }

private:
    // Hook `index` and everything below it; true when the event was delivered or swallowed here.
    bool Run(const std::vector<TSuCustomWndProcHook*>& chain, int index, TMessage& message, QEvent* event)
    {
        if (index < 0) {
            // The window itself: deliver now, so that the hooks' OnMessageAfter follow it;
            // without any OnMessageAfter Qt delivers it as usual.
            const bool anyAfter = std::any_of(chain.begin(), chain.end(),
                                              [](const TSuCustomWndProcHook* hook) { return bool(hook->OnMessageAfter); });
            if (!anyAfter) {
                return false;
            }
            passing_ = true;
            QCoreApplication::sendEvent(window_.data(), event);
            passing_ = false;
            return true;
        }
        TSuCustomWndProcHook* hook = chain[static_cast<std::size_t>(index)];
        bool handled = false;
        if (hook->OnMessageBefore) {
            hook->OnMessageBefore(hook, message, handled);
        }
        bool swallowed = handled;
        if (!handled) {
            if (hook->AutoDrag() && message.Msg == WM_LBUTTONDOWN) {
                // Dragging anywhere in the window moves the window.
                if (QWindow* window = window_->window()->windowHandle()) {
                    window->startSystemMove();
                }
                swallowed = true;
            } else {
                swallowed = Run(chain, index - 1, message, event);
            }
        }
        if (hook->OnMessageAfter && window_ != nullptr) {
            bool ignored = false;
            hook->OnMessageAfter(hook, message, ignored);
        }
        return swallowed;
    }

    QPointer<QWidget> window_;
    bool passing_ = false;
};

TSuWndProcHookList* TSuWndProcHookList::Instance()
{
    return HookList().get();
}

TSuWndProcHookList::~TSuWndProcHookList() = default;

std::vector<TSuCustomWndProcHook*> TSuWndProcHookList::Chain(const QWidget* window) const
{
    std::vector<TSuCustomWndProcHook*> chain;
    for (TSuCustomWndProcHook* hook : hooks_) {
        // A hook (or the form that holds it and its handlers) on its way out hears nothing more.
        const bool leaving = hook->IsDestroying() || (hook->Owner() != nullptr && hook->Owner()->IsDestroying());
        if (hook->hooked_ && hook->hookedWindow_ == window && !leaving) {
            chain.push_back(hook);
        }
    }
    return chain;
}

void TSuWndProcHookList::Add(TSuCustomWndProcHook* hook)
{
    if (!HookList()) {
        HookList().reset(new TSuWndProcHookList());
    }
    HookList()->hooks_.push_back(hook);
}

void TSuWndProcHookList::Remove(TSuCustomWndProcHook* hook)
{
    auto& list = HookList();
    if (!list) {
        return;
    }
    auto& hooks = list->hooks_;
    hooks.erase(std::remove(hooks.begin(), hooks.end(), hook), hooks.end());
    if (hooks.empty()) {
        list.reset();
    }
}

void TSuWndProcHookList::Hooked(QWidget* window)
{
    for (auto& filter : filters_) {
        if (filter->Window() == window) {
            ++filter->users;
            return;
        }
    }
    filters_.push_back(std::make_unique<TWindowFilter>(window));
    filters_.back()->users = 1;
}

void TSuWndProcHookList::Unhooked(QWidget* window)
{
    for (auto it = filters_.begin(); it != filters_.end(); ++it) {
        if ((*it)->Window() == window || (*it)->Window() == nullptr) {
            if (--(*it)->users <= 0) {
                filters_.erase(it);
            }
            return;
        }
    }
}

// ---- TSuCustomWndProcHook -----------------------------------------------------------------

TSuCustomWndProcHook::TSuCustomWndProcHook(TComponent* owner) : TSuComponent(owner)
{
    TSuWndProcHookList::Add(this);
    winControl_ = dynamic_cast<TWinControl*>(owner);
}

TSuCustomWndProcHook::~TSuCustomWndProcHook()
{
    Deactivate();
    TSuWndProcHookList::Remove(this);
}

void TSuCustomWndProcHook::RegisterClass()
{
    static const bool registered = [] {
        TClassRegistration<TSuCustomWndProcHook, TSuComponent>("TSuCustomWndProcHook").Component();
        return true;
    }();
    (void)registered;
}

QWidget* TSuCustomWndProcHook::HookedWindow() const
{
    if (handle_ != nullptr) {
        return handle_;
    }
    if (winControl_ == nullptr || winControl_->IsDestroying()) {
        return nullptr;
    }
    return winControl_->Widget();
}

void TSuCustomWndProcHook::SetActive(bool value)
{
    active_ = value;
    if (IsLoading() || IsDesigning()) {
        return;
    }
    if (value) {
        Activate();
    } else {
        Deactivate();
    }
}

void TSuCustomWndProcHook::Activate()
{
    if (hooked_ || IsDesigning()) {
        return;
    }
    QWidget* window = HookedWindow();
    if (window == nullptr) {
        return;
    }
    hookedWindow_ = window;
    hooked_ = true;
    // The newest hook goes to the end of the list, so it runs first on its window.
    TSuWndProcHookList::Remove(this);
    TSuWndProcHookList::Add(this);
    HookList()->Hooked(window);
}

void TSuCustomWndProcHook::Deactivate()
{
    if (!hooked_) {
        return;
    }
    hooked_ = false;
    if (HookList()) {
        HookList()->Unhooked(hookedWindow_);
    }
    hookedWindow_ = nullptr;
}

void TSuCustomWndProcHook::SetWinControl(TWinControl* value)
{
    if (value == winControl_) {
        return;
    }
    const bool wasHooked = hooked_;
    Deactivate();
    if (winControl_ != nullptr) {
        RemoveFreeNotification(winControl_);
    }
    winControl_ = value;
    if (winControl_ != nullptr) {
        FreeNotification(winControl_);
    }
    if (wasHooked) {
        Activate();
    }
    if (OnChangeWinControl) {
        OnChangeWinControl(this);
    }
}

void TSuCustomWndProcHook::SetHandle(QWidget* value)
{
    if (value == handle_) {
        return;
    }
    const bool wasHooked = hooked_;
    Deactivate();
    handle_ = value;
    if (wasHooked) {
        Activate();
    }
    if (OnChangeHandle) {
        OnChangeHandle(this);
    }
}

void TSuCustomWndProcHook::Loaded()
{
    TSuComponent::Loaded();
    if (active_) {
        Activate();
    }
}

void TSuCustomWndProcHook::Notification(TComponent* component, TOperation operation)
{
    TSuComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == winControl_) {
        Deactivate();
        winControl_ = nullptr;
    }
}

void TSuWndProcHook::RegisterClass()
{
    static const bool registered = [] {
        TSuCustomWndProcHook::RegisterClass();
        using T = TSuWndProcHook;
        TClassRegistration<T, TSuCustomWndProcHook>("TSuWndProcHook")
            .Component()
            .Boolean("Active", &T::Active, &T::SetActive, false)
            .Boolean("AutoDrag", &T::AutoDrag, &T::SetAutoDrag, false)
            .Reference("WinControl", &T::WinControl, &T::SetWinControl)
            .EventSetter<TNotifyEvent>("OnChangeHandle", [](auto& o, TNotifyEvent f) { o.OnChangeHandle = std::move(f); })
            .EventSetter<TNotifyEvent>("OnChangeWinControl", [](auto& o, TNotifyEvent f) { o.OnChangeWinControl = std::move(f); })
            .EventSetter<TSuMessageEvent>("OnMessageBefore", [](auto& o, TSuMessageEvent f) { o.OnMessageBefore = std::move(f); })
            .EventSetter<TSuMessageEvent>("OnMessageAfter", [](auto& o, TSuMessageEvent f) { o.OnMessageAfter = std::move(f); });
        return true;
    }();
    (void)registered;
}
