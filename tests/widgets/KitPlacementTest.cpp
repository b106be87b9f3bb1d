// Dialog placement within a reference area, kept on the desktop.

#include "KitTestSupport.h"

#include "widgets/KitPlacement.h"

#include <gtest/gtest.h>

namespace {

TEST(KitPlacement, PositionsWithinTheReference)
{
    using P = TKitDlgPosition;
    const TRect reference{100, 50, 500, 350};  // 400 x 300
    struct Case {
        P position;
        QPoint origin;
    };
    // A window of 100 x 61: the odd height shows that halves are cut, not rounded.
    const Case cases[] = {
        {P::bpCustom, {100, 50}},       {P::bpTopLeft, {100, 50}},     {P::bpTopCenter, {250, 50}},
        {P::bpTopRight, {400, 50}},     {P::bpCenterLeft, {100, 169}}, {P::bpCenter, {250, 169}},
        {P::bpCenterRight, {400, 169}}, {P::bpBottomLeft, {100, 289}}, {P::bpBottomCenter, {250, 289}},
        {P::bpBottomRight, {400, 289}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.position));
        EXPECT_EQ(KitPlacementOrigin(100, 61, reference, c.position, 1024, 768), c.origin);
    }
}

TEST(KitPlacement, KeptOnTheDesktop)
{
    // Beyond the right and bottom edges: pulled back; before the left and top: 0.
    EXPECT_EQ(KitPlacementOrigin(300, 200, {900, 700, 1200, 900}, TKitDlgPosition::bpTopLeft, 1024, 768), QPoint(724, 568));
    EXPECT_EQ(KitPlacementOrigin(300, 200, {-500, -400, 0, 0}, TKitDlgPosition::bpBottomRight, 1024, 768), QPoint(0, 0));
    // A window larger than the desktop starts at its top-left corner.
    EXPECT_EQ(KitPlacementOrigin(2000, 1000, {0, 0, 1024, 768}, TKitDlgPosition::bpCenter, 1024, 768), QPoint(0, 0));
}

TEST(KitPlacement, PlacesAFormAndKeepsItsSize)
{
    TestApplication();
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 100);
    const TRect screen = KitGetReferenceRect(TKitDlgPosRel::brScreen);
    EXPECT_EQ(screen.Left, 0);
    EXPECT_EQ(screen.Top, 0);
    EXPECT_EQ(screen.Width(), Screen->Width());
    EXPECT_EQ(screen.Height(), Screen->Height());
    KitPlaceWindow(form, screen, TKitDlgPosition::bpCenter);
    EXPECT_EQ(form.Left(), (Screen->Width() - 200) / 2);
    EXPECT_EQ(form.Top(), (Screen->Height() - 100) / 2);
    EXPECT_EQ(form.Width(), 200);
    EXPECT_EQ(form.Height(), 100);
    KitExplode(form);  // draws nothing here; the form stays where it was put
    KitExplodeExt(form);
    EXPECT_EQ(form.Left(), (Screen->Width() - 200) / 2);

    const TRect work = KitGetReferenceRect(TKitDlgPosRel::brScreenWorkArea);
    EXPECT_GT(work.Width(), 0);
    EXPECT_LE(work.Width(), Screen->Width());
}

TEST(KitPlacement, ReferenceAreaOfTheMainForm)
{
    TCustomForm& mainForm = TestMainForm();
    const TRect reference = KitGetReferenceRect(TKitDlgPosRel::brMainForm);
    EXPECT_EQ(reference, (TRect{mainForm.Left(), mainForm.Top(), mainForm.Left() + mainForm.Width(),
                                mainForm.Top() + mainForm.Height()}));
    // No active window here: the whole screen.
    if (Screen->ActiveForm() == nullptr) {
        EXPECT_EQ(KitGetReferenceRect(TKitDlgPosRel::brActiveWindow), KitGetReferenceRect(TKitDlgPosRel::brScreen));
    }
}

}  // namespace
