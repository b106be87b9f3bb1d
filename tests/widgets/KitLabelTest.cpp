// The kit's labels on a form of their own: links opened through a recorded opener, the link
// look, blinking with ticks given by the test, sizing to the caption, accelerators, form
// descriptions, and a golden sheet of the caption effects. Also the form background fill and
// the caption styler.

#include "GuiTestSupport.h"
#include "KitCanvasTestSupport.h"

#include "platform/classes/FormReader.h"
#include "platform/gui/StdCtrls.h"
#include "platform/rtl/System.h"
#include "widgets/KitClass.h"
#include "widgets/KitFormFill.h"
#include "widgets/KitLabels.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class KitLabel : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        RegisterKitLabelClasses();
        RegisterKitFormClasses();
        form = std::make_unique<TForm>(nullptr);
        form->SetName("form");
        form->SetBounds(40, 40, 400, 300);
        SetOpener([this](const std::string& target, const std::string& parameters) {
            opened.push_back(target + (parameters.empty() ? "" : " " + parameters));
            return openerAnswer;
        });
    }
    void TearDown() override { SetOpener({}); }

    TKitSimpleLabel* Make(const std::string& name, const std::string& caption)
    {
        auto* label = new TKitSimpleLabel(form.get());
        label->SetName(name);
        label->SetParent(form.get());
        label->Font().SetName("DejaVu Sans");
        label->Font().SetSize(10);
        label->SetCaption(caption);
        return label;
    }

    static void Press(TControl& control, QEvent::Type type)
    {
        QMouseEvent event(type, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(control.Widget(), &event);
    }

    static QImage Painted(TKitControl& control, TColor background = clWhite)
    {
        return KitDrawn(control.Width(), control.Height(), background, [&](TCanvas& canvas) { control.Paint(canvas); });
    }

    static int PixelsOf(const QImage& picture, TColor colour)
    {
        int count = 0;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) count += KitPixelAt(picture, x, y) == colour ? 1 : 0;
        }
        return count;
    }

    std::unique_ptr<TForm> form;
    std::vector<std::string> opened;
    bool openerAnswer = true;
};

TEST_F(KitLabel, LinksOpenTheirTargetThroughTheOpener)
{
    struct Case {
        TKitJumpModes mode;
        std::string caption;
        std::string jump;
        std::string opened;
    };
    const std::vector<Case> cases = {
        {TKitJumpModes::jmInternet, "support@example.org", "", "mailto:support@example.org"},
        {TKitJumpModes::jmInternet, "https://example.org", "", "https://example.org"},
        {TKitJumpModes::jmInternet, "Home page", "https://example.org/home", "https://example.org/home"},
        {TKitJumpModes::jmInternet, "a@b", "   ", "mailto:a@b"},
        {TKitJumpModes::jmApplication, "Tool", "/opt/tool/run", "/opt/tool/run"},
        {TKitJumpModes::jmApplication, "/usr/bin/true", "", "/usr/bin/true"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        opened.clear();
        auto* label = Make("link", c.caption);
        label->SetJump(c.jump);
        label->SetJumpMode(c.mode);
        int clicks = 0;
        label->OnClick = [&](TObject*) { ++clicks; };
        label->Click();
        EXPECT_EQ(opened, std::vector<std::string>{c.opened});
        EXPECT_EQ(clicks, 0);
        delete label;
    }

    // Neither a plain nor a custom label opens anything: they run OnClick.
    for (TKitJumpModes mode : {TKitJumpModes::jmNone, TKitJumpModes::jmCustom}) {
        opened.clear();
        auto* label = Make("plain", "x@y");
        label->SetJumpMode(mode);
        int clicks = 0;
        label->OnClick = [&](TObject*) { ++clicks; };
        label->Click();
        EXPECT_TRUE(opened.empty());
        EXPECT_EQ(clicks, 1);
        delete label;
    }
}

TEST_F(KitLabel, ALinkThatCannotBeOpenedBecomesADisabledPlainLabel)
{
    auto* label = Make("link", "https://example.org");
    label->SetJumpMode(TKitJumpModes::jmInternet);
    openerAnswer = false;
    label->Click();
    EXPECT_EQ(label->JumpMode(), TKitJumpModes::jmNone);
    EXPECT_FALSE(label->Enabled());
    EXPECT_EQ(label->Cursor(), TCursor::crDefault);

    // A program that cannot be started changes nothing.
    auto* tool = Make("tool", "Tool");
    tool->SetJump("/missing/tool");
    tool->SetJumpMode(TKitJumpModes::jmApplication);
    tool->Click();
    EXPECT_EQ(tool->JumpMode(), TKitJumpModes::jmApplication);
    EXPECT_TRUE(tool->Enabled());
}

TEST_F(KitLabel, LinkLookAndVisitedColour)
{
    auto* label = Make("link", "Web");
    label->SetJumpMode(TKitJumpModes::jmInternet);
    EXPECT_EQ(label->Font().Color(), label->InActiveColor());
    EXPECT_TRUE(label->Font().Style().Contains(TFontStyle::fsUnderline));
    EXPECT_EQ(label->Cursor(), TCursor::crHandPoint);

    Press(*label, QEvent::MouseButtonPress);
    EXPECT_EQ(label->ClickCount(), 1);
    EXPECT_EQ(label->Font().Color(), label->ActiveColor());
    Press(*label, QEvent::MouseButtonRelease);
    EXPECT_EQ(label->Font().Color(), label->ActiveColor());  // the visited look stays

    label->SetJumpMode(TKitJumpModes::jmNone);
    EXPECT_EQ(label->Font().Color(), clBlack);
    EXPECT_FALSE(label->Font().Style().Contains(TFontStyle::fsUnderline));
    EXPECT_EQ(label->Cursor(), TCursor::crDefault);

    // A plain label counts no presses.
    Press(*label, QEvent::MouseButtonPress);
    EXPECT_EQ(label->ClickCount(), 1);
}

TEST_F(KitLabel, SizesItselfToTheCaptionUnlessAligned)
{
    auto* label = Make("sized", "Short");
    const int shortWidth = label->Width();
    EXPECT_GT(shortWidth, 10);
    EXPECT_GT(label->Height(), 10);
    label->SetCaption("A much longer caption");
    EXPECT_GT(label->Width(), shortWidth);
    const int oneLine = label->Height();
    label->Font().SetSize(20);
    EXPECT_GT(label->Height(), oneLine);

    label->SetLeft(30);
    label->SetCaption("Short");
    EXPECT_EQ(label->Left(), 30);  // keeps its place
    EXPECT_GT(label->Width(), shortWidth);  // in the larger font

    auto* aligned = Make("aligned", "Aligned");
    aligned->SetAlign(TAlign::alTop);
    const int before = aligned->Height();
    aligned->SetCaption("Aligned\nover two lines");
    aligned->SetMultiLine(true);
    EXPECT_EQ(aligned->Height(), before);

    auto* fixed = Make("fixed", "Fixed");
    fixed->SetAutoSize(false);
    fixed->SetBounds(0, 0, 50, 50);
    fixed->SetCaption("A caption far wider than fifty pixels");
    EXPECT_EQ(fixed->Width(), 50);
}

TEST_F(KitLabel, TransparencyAndBlinking)
{
    auto* empty = Make("empty", "");
    empty->SetAutoSize(false);
    empty->SetBounds(0, 0, 40, 20);
    empty->SetColor(clRed);
    EXPECT_EQ(PixelsOf(Painted(*empty), clWhite), 40 * 20);  // a transparent empty label paints nothing
    empty->SetTransparent(false);
    EXPECT_EQ(PixelsOf(Painted(*empty), clRed), 40 * 20);

    auto* blink = Make("blink", "Blink");
    blink->Font().SetColor(clBlack);
    const int inked = PixelsOf(Painted(*blink), clBlack);
    EXPECT_GT(inked, 10);

    blink->SetTwinkleVisible(300);
    blink->SetTwinkleInVisible(900);
    blink->SetTwinkle(true);
    ASSERT_NE(blink->TwinkleTimer(), nullptr);
    EXPECT_EQ(blink->TwinkleTimer()->Interval(), 300);
    auto tick = [&] { blink->TwinkleTimer()->OnTimer(blink->TwinkleTimer()); };
    tick();
    EXPECT_FALSE(blink->TwinklePhaseVisible());
    EXPECT_EQ(PixelsOf(Painted(*blink), clBlack), 0);  // TwinkleColor clNone: the text is gone
    blink->SetTwinkleColor(clBlue);
    EXPECT_EQ(PixelsOf(Painted(*blink), clBlue), inked);
    tick();
    EXPECT_TRUE(blink->TwinklePhaseVisible());
    EXPECT_EQ(PixelsOf(Painted(*blink), clBlack), inked);

    blink->SetEnabled(false);
    EXPECT_FALSE(blink->TwinkleTimer()->Enabled());
    blink->SetTwinkle(false);
    EXPECT_EQ(blink->TwinkleTimer(), nullptr);
    EXPECT_TRUE(blink->TwinklePhaseVisible());
}

TEST_F(KitLabel, AcceleratorMovesTheFocusToItsControl)
{
    EXPECT_EQ(TKitBaseLabel::AccelChar("&Name"), 'N');
    EXPECT_EQ(TKitBaseLabel::AccelChar("Fish && &chips"), 'C');
    EXPECT_EQ(TKitBaseLabel::AccelChar("No && mark"), 0);
    EXPECT_EQ(TKitBaseLabel::AccelChar("Ends &"), 0);

    auto* label = Make("nameLabel", "&Name");
    auto* edit = new TEdit(form.get());
    edit->SetParent(form.get());
    auto* other = new TEdit(form.get());
    other->SetParent(form.get());
    EXPECT_FALSE(label->DialogChar('n'));  // no focus control yet
    label->SetFocusControl(edit);
    form->Show();
    other->SetFocus();
    EXPECT_FALSE(label->DialogChar('x'));
    EXPECT_TRUE(label->DialogChar('n'));
    EXPECT_TRUE(edit->Focused());
    label->SetShowAccelChar(false);
    EXPECT_FALSE(label->DialogChar('n'));
    label->SetShowAccelChar(true);
    delete edit;  // the label lets go of a freed focus control
    EXPECT_EQ(label->FocusControl(), nullptr);
    EXPECT_FALSE(label->DialogChar('n'));
    form->Hide();
}

TEST_F(KitLabel, FormDescriptionsSetLabelsBackAndStyler)
{
    const std::string text = "object form: TForm\n"
                             "  object mail: TKitSimpleLabel\n"
                             "    Caption = 'me@example.org'\n"
                             "    UseAsJump = True\n"
                             "    Alignment = agCenter\n"
                             "    Options = [loEndEllipsis]\n"
                             "    Font3D.Style = tdRaised\n"
                             "    Transparent = False\n"
                             "  end\n"
                             "  object back: TKitBack\n"
                             "    Enabled = False\n"
                             "    PaintMode = pcOwnerDraw\n"
                             "  end\n"
                             "  object styler: TKitFormStyler\n"
                             "    Enabled = False\n"
                             "    Colors = 500\n"
                             "    Options = [fsAdjustRect]\n"
                             "  end\n"
                             "end\n";
    std::unique_ptr<TComponent> root(CreateComponentFromText(text, "form.form", nullptr));
    auto* mail = dynamic_cast<TKitSimpleLabel*>(root->FindComponent("mail"));
    ASSERT_NE(mail, nullptr);
    EXPECT_EQ(mail->JumpMode(), TKitJumpModes::jmInternet);  // the older link flag
    EXPECT_EQ(mail->Font().Color(), mail->InActiveColor());
    EXPECT_EQ(mail->Alignment(), TKitAlignment::agCenter);
    EXPECT_EQ(mail->Options(), KitLabelOptionBit(TKitLabelOption::loEndEllipsis));
    EXPECT_EQ(mail->Font3D().Style(), TKitThreeDStyle::tdRaised);
    EXPECT_FALSE(mail->Transparent());
    EXPECT_GT(mail->Width(), 20);  // sized once the description is read
    auto* back = dynamic_cast<TKitBack*>(root->FindComponent("back"));
    ASSERT_NE(back, nullptr);
    EXPECT_FALSE(back->Enabled());
    EXPECT_EQ(back->PaintMode(), TKitPaintMode::pcOwnerDraw);
    auto* styler = dynamic_cast<TKitFormStyler*>(root->FindComponent("styler"));
    ASSERT_NE(styler, nullptr);
    EXPECT_EQ(styler->Colors(), 236);
    EXPECT_EQ(styler->Options(), KitFormStyleBit(TKitFormStyleOption::fsAdjustRect));
}

// A list of one picture: a 30 x 20 red block.
class OnePictureList : public TKitCustomImageList {
public:
    explicit OnePictureList(TComponent* owner) : TKitCustomImageList(owner) {}
    bool ImageExists(int listIndex, int imageIndex) const override { return listIndex == 0 && imageIndex == 0; }
    QImage ImageCopy(int listIndex, int imageIndex) const override
    {
        if (!ImageExists(listIndex, imageIndex)) return {};
        QImage picture(30, 20, QImage::Format_RGB32);
        picture.fill(Qt::red);
        return picture;
    }
};

TEST_F(KitLabel, BackFillPaintsThePictureOrLetsTheFormPaint)
{
    form->SetColor(clWhite);
    auto* list = new OnePictureList(form.get());
    auto* back = new TKitBack(form.get());
    back->SetImageList(list);
    ASSERT_TRUE(back->Hooked());
    auto grab = [&] { return form->Widget()->grab().toImage(); };

    QImage shown = grab();
    EXPECT_EQ(KitPixelAt(shown, 5, 5), clRed);
    EXPECT_EQ(KitPixelAt(shown, 35, 25), clWhite);
    EXPECT_FALSE(back->HasBackBitmap());

    back->SetCacheBitmap(true);
    shown = grab();
    EXPECT_EQ(KitPixelAt(shown, 5, 5), clRed);
    ASSERT_TRUE(back->HasBackBitmap());
    EXPECT_EQ(back->BackBitmap()->size(), QSize(form->ClientWidth(), form->ClientHeight()));

    // A picture the list lacks: the form paints itself (no owner-draw handler is set).
    back->SetImageIndex(3);
    EXPECT_FALSE(back->HasBackBitmap());
    shown = grab();
    EXPECT_EQ(KitPixelAt(shown, 5, 5), clWhite);

    // Owner-drawn: the form's colour first, then the handler on the whole client area.
    back->SetPaintMode(TKitPaintMode::pcOwnerDraw);
    TRect painted{};
    back->OnPaint = [&](TObject*, TCanvas& canvas, const TRect& dest) {
        painted = dest;
        canvas.Brush().SetColor(clBlue);
        canvas.FillRect({0, 0, 10, 10});
    };
    shown = grab();
    EXPECT_EQ(painted, (TRect{0, 0, form->ClientWidth(), form->ClientHeight()}));
    EXPECT_EQ(KitPixelAt(shown, 5, 5), clBlue);
    EXPECT_EQ(KitPixelAt(shown, 15, 15), clWhite);

    back->SetEnabled(false);
    EXPECT_FALSE(back->Hooked());
    painted = {};
    (void)grab();
    EXPECT_EQ(painted, TRect{});

    delete list;  // the fill lets go of a freed list
    EXPECT_EQ(back->ImageList(), nullptr);
}

TEST_F(KitLabel, StylerKeepsTheFormsCaption)
{
    form->SetCaption("Original");
    auto* styler = new TKitFormStyler(form.get());
    EXPECT_TRUE(styler->Enabled());
    EXPECT_TRUE(styler->HasOption(TKitFormStyleOption::fsUseFormCaption));
    EXPECT_EQ(styler->CaptionText(), "Original");
    styler->SetOptions(0);
    styler->SetEnabled(false);
    styler->SetEnabled(true);
    // The title bar is the window manager's: the form keeps its caption whatever the options.
    EXPECT_EQ(form->Caption(), "Original");
    EXPECT_EQ(styler->CaptionText(), "Original");
    form->SetCaption("Changed");
    styler->RepaintCaption();
    EXPECT_EQ(styler->CaptionText(), "Changed");
    styler->SetColors(1);
    EXPECT_EQ(styler->Colors(), 2);
}

// Labels with each caption effect, opaque on the button face, in DejaVu Sans.
TEST_F(KitLabel, EffectsGolden)
{
    const std::vector<TKitThreeDStyle> styles = {
        TKitThreeDStyle::tdNone,        TKitThreeDStyle::tdSunken,       TKitThreeDStyle::tdRaised,
        TKitThreeDStyle::tdSunkenShadow, TKitThreeDStyle::tdRaisedShadow, TKitThreeDStyle::tdPColorSunken,
        TKitThreeDStyle::tdPColorRaised, TKitThreeDStyle::tdShadow,       TKitThreeDStyle::tdOutline,
        TKitThreeDStyle::tdExtrude,      TKitThreeDStyle::tdExtrudeEnh};
    QImage sheet(360, 30 * static_cast<int>(styles.size() + 2), QImage::Format_RGB32);
    sheet.fill(ToQColor(clBtnFace));
    int top = 0;
    auto paintAt = [&](TKitSimpleLabel& label) {
        QPainter painter(&sheet);
        painter.translate(4, top);
        TCanvas canvas;
        TCanvasPaint scope(canvas, painter);
        canvas.Font().Assign(label.Font());
        label.Paint(canvas);
        top += 30;
    };
    for (TKitThreeDStyle style : styles) {
        auto* label = Make("fx", "Effect text 123");
        label->Font().SetSize(14);
        label->Font().SetColor(clNavy);
        label->Font3D().SetStyle(style);
        label->Font3D().SetShadowDepth(2);
        label->SetColor(clBtnFace);
        label->SetTransparent(false);
        paintAt(*label);
        delete label;
    }
    auto* link = Make("link", "mail@example.org");
    link->SetJumpMode(TKitJumpModes::jmInternet);
    paintAt(*link);
    auto* disabled = Make("off", "Disabled & sunken");
    disabled->SetShowAccelChar(false);
    disabled->SetEnabled(false);
    paintAt(*disabled);
    ExpectGolden(sheet, "label-effects");
}

}  // namespace
