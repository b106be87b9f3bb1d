// Theme support without a theme library, and window hooks as event filters that come and go
// without changing what the owner's window does.

#include "KitTestSupport.h"

#include "widgets/KitClass.h"
#include "widgets/KitXPStyles.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

const auto kProbe = static_cast<QEvent::Type>(QEvent::User + 7);

class THookProbe : public TKitWndProcComponent {
public:
    using TKitWndProcComponent::TKitWndProcComponent;
    using TKitWndProcComponent::HookedWidget;
    int seen = 0;
    int mainSeen = 0;
    bool swallow = false;
    bool unhookOnProbe = false;

protected:
    bool WndProc(QEvent* event) override
    {
        if (event->type() == kProbe) {
            ++seen;
            if (unhookOnProbe) {
                SetEnabled(false);  // from inside its own hook
            }
            if (swallow) {
                return true;
            }
        }
        return TKitWndProcComponent::WndProc(event);
    }
    bool MainWindowHook(QEvent* event) override
    {
        if (event->type() == kProbe) {
            ++mainSeen;
        }
        return false;
    }
};

// Counts the probe events that reach the window past every hook.
class TArrivals : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == kProbe) {
            ++count;
        }
        return false;
    }
};

void SendProbe(QWidget* widget)
{
    QEvent probe(kProbe);
    QCoreApplication::sendEvent(widget, &probe);
}

TEST(KitXPStyles, NoThemeLibraryOnThisSystem)
{
    const TKitThemeLibrary& library = KitThemeLibrary();
    EXPECT_FALSE(library.Loaded);
    EXPECT_EQ(library.Handle, nullptr);
    for (void* function : library.Functions) {
        EXPECT_EQ(function, nullptr);
    }
    EXPECT_FALSE(KitThemeActive());
    EXPECT_STREQ(KitThemeFunctionNames().front(), "DrawThemeEdge");
    EXPECT_STREQ(KitThemeFunctionNames().back(), "GetThemePartSize");
}

TEST(KitXPStyles, OnlyAWindowedOwnerIsHooked)
{
    TestApplication();
    TComponent holder(nullptr);
    THookProbe plain(&holder);
    EXPECT_FALSE(plain.Activate());
    EXPECT_FALSE(plain.Hooked());
    THookProbe ownerless(nullptr);
    ownerless.SetEnabled(true);
    EXPECT_FALSE(ownerless.Hooked());
    EXPECT_FALSE(KitXPThemeManager().Activate());
    EXPECT_FALSE(KitXPThemeManager().Hooked());
}

TEST(KitXPStyles, UnhookingRestoresTheOwnersOwnHandling)
{
    TestApplication();
    TForm form(nullptr);
    TArrivals arrivals;
    form.Widget()->installEventFilter(&arrivals);
    auto* hook = new THookProbe(&form);
    EXPECT_FALSE(hook->Hooked());  // made in code: hooked when enabled or loaded
    hook->SetEnabled(true);
    ASSERT_TRUE(hook->Hooked());
    EXPECT_TRUE(hook->HandleReady());
    EXPECT_EQ(hook->HookedWidget(), form.Widget());

    SendProbe(form.Widget());
    EXPECT_EQ(hook->seen, 1);
    EXPECT_EQ(arrivals.count, 1);
    hook->swallow = true;
    SendProbe(form.Widget());
    EXPECT_EQ(hook->seen, 2);
    EXPECT_EQ(arrivals.count, 1);  // handled by the hook

    // A second hook sees events first; disabling the first one leaves the second in place.
    auto* second = new THookProbe(&form);
    second->SetEnabled(true);
    hook->SetEnabled(false);
    EXPECT_FALSE(hook->Hooked());
    SendProbe(form.Widget());
    EXPECT_EQ(hook->seen, 2);
    EXPECT_EQ(second->seen, 1);
    EXPECT_EQ(arrivals.count, 2);  // the window gets it again, exactly as before

    second->SetEnabled(false);
    SendProbe(form.Widget());
    EXPECT_EQ(second->seen, 1);
    EXPECT_EQ(arrivals.count, 3);

    // A hook may take itself off while it handles an event; it can be put back later.
    second->unhookOnProbe = true;
    second->SetEnabled(true);
    SendProbe(form.Widget());
    SendProbe(form.Widget());
    EXPECT_EQ(second->seen, 2);
    EXPECT_FALSE(second->Hooked());
    EXPECT_EQ(arrivals.count, 5);
    second->unhookOnProbe = false;
    second->SetEnabled(true);
    SendProbe(form.Widget());
    EXPECT_EQ(second->seen, 3);
}

TEST(KitXPStyles, LoadingHooksAndTheFormStyleChoosesTheWindow)
{
    TestApplication();
    TForm child(nullptr);
    child.SetFormStyle(TFormStyle::fsMDIChild);
    THookProbe childHook(&child);
    EXPECT_EQ(childHook.HookMode(), 1);
    childHook.BeginLoading();
    EXPECT_FALSE(childHook.HandleReady());
    childHook.EndLoading();  // loaded: hooks
    EXPECT_TRUE(childHook.Hooked());

    TForm parent(nullptr);
    parent.SetFormStyle(TFormStyle::fsMDIForm);
    THookProbe parentHook(&parent);
    EXPECT_EQ(parentHook.HookMode(), 2);
    parentHook.SetEnabled(true);
    EXPECT_EQ(parentHook.HookedWidget(), parent.ClientWidget());
    SendProbe(parent.ClientWidget());
    EXPECT_EQ(parentHook.seen, 1);

    THookProbe plain(&parent);
    plain.SetEnabled(false);
    plain.BeginLoading();
    plain.EndLoading();  // disabled: stays unhooked
    EXPECT_FALSE(plain.Hooked());
}

TEST(KitXPStyles, MainWindowHookSeesTheMainForm)
{
    TCustomForm& mainForm = TestMainForm();
    TForm form(nullptr);
    THookProbe hook(&form);
    hook.SetHookMainWindow(true);
    hook.SetEnabled(true);
    SendProbe(mainForm.Widget());
    EXPECT_EQ(hook.mainSeen, 1);
    hook.SetEnabled(false);
    SendProbe(mainForm.Widget());
    EXPECT_EQ(hook.mainSeen, 1);
}

TEST(KitXPStyles, AHookedFormCanBeFreed)
{
    TestApplication();
    auto form = std::make_unique<TForm>(nullptr);
    (new THookProbe(form.get()))->SetEnabled(true);
    (new THookProbe(form.get()))->SetHookMainWindow(true);
    form.reset();  // the window and its hooks go together, in whatever order the form frees them
}

}  // namespace
