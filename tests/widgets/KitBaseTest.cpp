// Settings objects notify their owner once per change, change links hear their controller in
// registration order, and transparent controls find the background provider of their parent.

#include "GuiTestSupport.h"

#include "platform/gui/ExtCtrls.h"
#include "widgets/KitBackground.h"
#include "widgets/KitBase.h"
#include "widgets/KitCaptions.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

TEST(KitObject, NotifiesOncePerRealChangeAndHonoursUpdates)
{
    TKit3DCaption caption;
    int changes = 0;
    caption.OnChange = [&](TObject* sender) {
        EXPECT_EQ(sender, &caption);
        ++changes;
    };
    caption.SetTracing(0);  // the current value
    caption.SetStyle(TKitThreeDStyle::tdNone);
    EXPECT_EQ(changes, 0);
    caption.SetTracing(2);
    EXPECT_EQ(changes, 1);

    caption.BeginUpdate();
    caption.SetTracing(3);
    caption.SetStyle(TKitThreeDStyle::tdRaised);
    caption.EndUpdate(false);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(caption.Tracing(), 3);

    caption.BeginUpdate();
    caption.SetTracing(4);
    caption.SetStyle(TKitThreeDStyle::tdSunken);
    caption.EndUpdate(true);
    EXPECT_EQ(changes, 2);

    // The update state is a flag: the first EndUpdate ends it.
    caption.BeginUpdate();
    caption.BeginUpdate();
    caption.EndUpdate(false);
    caption.SetTracing(5);
    EXPECT_EQ(changes, 3);
}

class Recorder {
public:
    TNotifyEvent Event(const std::string& name)
    {
        return [this, name](TObject* sender) {
            log.push_back(name);
            senders.push_back(sender);
        };
    }
    std::vector<std::string> log;
    std::vector<TObject*> senders;
};

TEST(KitChangeLinks, NotifyInRegistrationOrderWithTheControllerAsSender)
{
    Recorder recorder;
    TKitBaseController controller(nullptr);
    controller.OnChange = recorder.Event("controller");
    TKitChangeLink first, second, third;
    first.OnChange = recorder.Event("first");
    second.OnChange = recorder.Event("second");
    third.OnChange = recorder.Event("third");
    controller.RegisterChanges(&second);
    controller.RegisterChanges(&first);
    controller.RegisterChanges(&third);
    controller.RegisterChanges(&first);  // already there: keeps its place
    controller.RegisterChanges(nullptr);
    EXPECT_EQ(controller.LinkCount(), 3);

    controller.NotifyChanges(0);
    EXPECT_EQ(recorder.log, (std::vector<std::string>{"controller", "second", "first", "third"}));
    for (TObject* sender : recorder.senders) {
        EXPECT_EQ(sender, &controller);
    }

    recorder.log.clear();
    controller.UnRegisterChanges(&first);
    controller.UnRegisterChanges(&first);  // unknown now: ignored
    EXPECT_EQ(first.Sender(), nullptr);
    controller.NotifyChanges(0);
    EXPECT_EQ(recorder.log, (std::vector<std::string>{"controller", "second", "third"}));

    recorder.log.clear();
    controller.SuspendNotify();
    controller.NotifyChanges(0);
    EXPECT_TRUE(recorder.log.empty());
    controller.ResumeNotify(true);
    EXPECT_EQ(recorder.log, (std::vector<std::string>{"controller", "second", "third"}));

    recorder.log.clear();
    controller.BeginLoading();
    controller.NotifyChanges(0);
    controller.CancelLoading();
    EXPECT_TRUE(recorder.log.empty());
}

TEST(KitChangeLinks, ControllerAndLinkDetachWhicheverGoesFirst)
{
    std::vector<std::unique_ptr<TKitChangeLink>> links;
    {
        TKitBaseController controller(nullptr);
        for (int i = 0; i < 3; ++i) {
            links.push_back(std::make_unique<TKitChangeLink>());
            controller.RegisterChanges(links.back().get());
            EXPECT_EQ(links.back()->Sender(), &controller);
        }
        links.erase(links.begin() + 1);  // a freed link leaves its controller
        EXPECT_EQ(controller.LinkCount(), 2);
        EXPECT_EQ(controller.Links(0), links[0].get());
        EXPECT_EQ(controller.Links(1), links[1].get());
    }
    for (const auto& link : links) {
        EXPECT_EQ(link->Sender(), nullptr);
    }
}

TEST(KitChangeLinks, ALinkMovesBetweenControllersAndMayLeaveDuringNotification)
{
    Recorder recorder;
    auto controllerA = std::make_unique<TKitBaseController>(nullptr);
    TKitBaseController controllerB(nullptr);
    TKitChangeLink moving;
    moving.OnChange = recorder.Event("moving");
    controllerA->RegisterChanges(&moving);
    controllerB.RegisterChanges(&moving);
    EXPECT_EQ(controllerA->LinkCount(), 0);
    EXPECT_EQ(moving.Sender(), &controllerB);
    controllerA.reset();  // would have touched the link if it still held it

    // A handler that frees the next link: the freed link is not called.
    auto doomed = std::make_unique<TKitChangeLink>();
    doomed->OnChange = recorder.Event("doomed");
    TKitChangeLink killer;
    killer.OnChange = [&](TObject*) { doomed.reset(); };
    TKitBaseController controller(nullptr);
    controller.RegisterChanges(&killer);
    controller.RegisterChanges(doomed.get());
    controller.NotifyChanges(0);
    EXPECT_TRUE(recorder.log.empty());
    EXPECT_EQ(controller.LinkCount(), 1);
}

// ---- background providers ----

class FakeProvider {
public:
    QImage bitmap = QImage(4, 4, QImage::Format_RGB32);
    bool hasBitmap = true;
    bool transparent = true;
    QPoint offset;
    std::vector<TComponent*> children;
    int updates = 0;
};

// A non-visual provider on a form (the form fill's place).
class TFakeBack : public TComponent, public IKitBackground, public FakeProvider {
public:
    explicit TFakeBack(TComponent* owner) : TComponent(owner) {}
    const QImage* BackBitmap() const override { return hasBitmap ? &bitmap : nullptr; }
    bool HasBackBitmap() const override { return hasBitmap; }
    bool CopyBackground(TCanvas&, const TRect&) override { return hasBitmap; }
    bool IsTransparent() const override { return transparent; }
    QPoint BackOffset(QPoint point) const override { return point + offset; }
    const TPalette* BackPalette() const override { return &palette; }
    void BackgroundUpdate() override { ++updates; }
    int BackChildCount() const override { return static_cast<int>(children.size()); }
    TComponent* BackChild(int index) const override { return children.at(static_cast<size_t>(index)); }
    TPalette palette;
};

// A control that provides a background to its children and takes one from its parent.
class TFakeBackPanel : public TPanel, public IKitBackground, public FakeProvider {
public:
    explicit TFakeBackPanel(TComponent* owner) : TPanel(owner) {}
    const QImage* BackBitmap() const override { return hasBitmap ? &bitmap : nullptr; }
    bool HasBackBitmap() const override { return hasBitmap; }
    bool CopyBackground(TCanvas&, const TRect&) override { return hasBitmap; }
    bool IsTransparent() const override { return transparent; }
    QPoint BackOffset(QPoint point) const override { return point + offset; }
    const TPalette* BackPalette() const override { return nullptr; }
    void BackgroundUpdate() override { ++updates; }
    int BackChildCount() const override { return static_cast<int>(children.size()); }
    TComponent* BackChild(int index) const override { return children.at(static_cast<size_t>(index)); }
};

class KitBackground : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        form = std::make_unique<TForm>(nullptr);
        // A provider control made before the form fill: controls are skipped in the search.
        outer = Place(new TFakeBackPanel(form.get()), form.get(), 10, 20);
        back = new TFakeBack(form.get());
        inner = Place(new TFakeBackPanel(form.get()), outer, 3, 4);
        plainPanel = Place(new TPanel(form.get()), form.get(), 100, 100);
        plainChild = Place(new TFakeBackPanel(form.get()), plainPanel, 1, 1);
    }

    template <class T>
    T* Place(T* control, TWinControl* parent, int left, int top)
    {
        control->SetParent(parent);
        control->SetBounds(left, top, 30, 30);
        return control;
    }

    std::unique_ptr<TForm> form;
    TFakeBackPanel* outer = nullptr;
    TFakeBack* back = nullptr;
    TFakeBackPanel* inner = nullptr;
    TPanel* plainPanel = nullptr;
    TFakeBackPanel* plainChild = nullptr;
};

TEST_F(KitBackground, FindsTheFormsProviderOrTheProvidingParent)
{
    EXPECT_EQ(FindFormBackProvider(*form), static_cast<IKitBackground*>(back));
    EXPECT_EQ(GetParentBackBitmap(*outer), &back->bitmap);
    EXPECT_EQ(GetParentBackBitmap(*inner), &outer->bitmap);
    EXPECT_EQ(GetParentBackBitmap(*plainChild), nullptr);
    back->hasBitmap = false;
    EXPECT_EQ(GetParentBackBitmap(*outer), nullptr);
}

TEST_F(KitBackground, ValidityNeedsABitmapAndATransparentProvidingParent)
{
    EXPECT_TRUE(ParentBackValid(*outer));
    EXPECT_EQ(ParentBackPalette(*outer), &back->palette);
    EXPECT_TRUE(ParentBackValid(*inner));
    outer->transparent = false;  // a providing control must also be active
    EXPECT_FALSE(ParentBackValid(*inner));
    EXPECT_TRUE(ParentBackValid(*outer));  // the form's provider needs no such thing
    back->hasBitmap = false;
    EXPECT_FALSE(ParentBackValid(*outer));
    EXPECT_EQ(ParentBackPalette(*outer), nullptr);
    EXPECT_FALSE(ParentBackValid(*plainPanel));  // not a provider itself
}

TEST_F(KitBackground, MapsControlPointsIntoTheBackground)
{
    EXPECT_EQ(MapToParentBack(*outer, QPoint(1, 2)), QPoint(11, 22));
    outer->offset = QPoint(100, 200);  // the parent maps the child's corner its own way
    EXPECT_EQ(MapToParentBack(*inner, QPoint(1, 2)), QPoint(104, 206));
    EXPECT_EQ(MapToParentBack(*plainChild, QPoint(1, 2)), QPoint(1, 2));
}

TEST_F(KitBackground, SiblingsHearOfABackgroundChangeButNotTheFillItself)
{
    back->children = {outer, plainPanel, back, inner};
    NotifyBackSiblings(back, nullptr);
    EXPECT_EQ(outer->updates, 1);
    EXPECT_EQ(inner->updates, 1);
    EXPECT_EQ(back->updates, 0);

    // The provider of `component` is asked first.
    outer->children = {inner};
    NotifyBackSiblings(back, outer);
    EXPECT_EQ(inner->updates, 2);
    EXPECT_EQ(outer->updates, 1);
}

}  // namespace
