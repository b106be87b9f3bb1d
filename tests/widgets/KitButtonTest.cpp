// The kit's push button driven by mouse and keys on a form of its own: clicks, the keys of a
// modal form, the drop-down menu, auto-repeat with ticks given by the test, the pointer, and
// golden pictures of its states.

#include "GuiTestSupport.h"
#include "KitCanvasTestSupport.h"

#include "platform/classes/FormReader.h"
#include "platform/gui/Menus.h"
#include "platform/gui/StdCtrls.h"
#include "widgets/KitClass.h"
#include "widgets/KitCustomButton.h"

#include <QApplication>
#include <QEnterEvent>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class KitButton : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        RegisterKitButtonClasses();
        form = std::make_unique<TForm>(nullptr);
        form->SetName("form");
        form->SetBounds(40, 40, 400, 300);
    }

    template <class T>
    T* Make(const std::string& name, int left = 10, int top = 10)
    {
        auto* control = new T(form.get());
        control->SetName(name);
        control->SetParent(form.get());
        control->SetLeft(left);
        control->SetTop(top);
        return control;
    }

    static void Enter(TControl& control)
    {
        QEnterEvent event(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(control.Widget(), &event);
    }

    static void Leave(TControl& control)
    {
        QEvent event(QEvent::Leave);
        QApplication::sendEvent(control.Widget(), &event);
    }

    std::unique_ptr<TForm> form;
};

TEST_F(KitButton, ClicksFromMouseSpaceAndTheKeysOfAModalForm)
{
    auto* ok = Make<TKitButton>("ok", 10, 10);
    auto* cancel = Make<TKitButton>("cancel", 100, 10);
    auto* edit = Make<TEdit>("edit", 10, 60);
    EXPECT_EQ(ok->Width(), 75);
    EXPECT_EQ(ok->Height(), 25);
    ok->SetDefault(true);
    ok->SetModalResult(TModalResult::mrOk);
    cancel->SetCancel(true);
    cancel->SetModalResult(TModalResult::mrCancel);
    int okClicks = 0;
    int cancelClicks = 0;
    ok->OnClick = [&](TObject*) { ++okClicks; };
    cancel->OnClick = [&](TObject*) { ++cancelClicks; };

    form->Show();
    QTest::mouseClick(ok->Widget(), Qt::LeftButton);
    EXPECT_EQ(okClicks, 1);
    ok->Widget()->setFocus();
    QTest::keyClick(ok->Widget(), Qt::Key_Space);
    EXPECT_EQ(okClicks, 2);
    // A form that is not modal leaves Esc alone.
    QTest::keyClick(edit->Widget(), Qt::Key_Escape);
    EXPECT_EQ(cancelClicks, 0);
    form->Hide();

    // Modal: Esc in the edit clicks the cancel button, Enter the default one, Enter on a
    // focused button that button; each closes the form with the button's ModalResult.
    struct Case {
        Qt::Key key;
        TControl* focus;
        TModalResult result;
    };
    const std::vector<Case> cases = {
        {Qt::Key_Escape, edit, TModalResult::mrCancel},
        {Qt::Key_Return, edit, TModalResult::mrOk},
        {Qt::Key_Return, cancel, TModalResult::mrCancel},
    };
    for (const Case& c : cases) {
        QTimer::singleShot(0, [&] {
            c.focus->Widget()->setFocus();
            QTest::keyClick(QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : c.focus->Widget(), c.key);
        });
        EXPECT_EQ(form->ShowModal(), c.result) << c.key;
    }
    EXPECT_EQ(cancelClicks, 2);
    EXPECT_EQ(okClicks, 3);
}

TEST_F(KitButton, DropDownMenuOpensAtItsPlaceAfterOnClick)
{
    auto* button = Make<TKitButton>("drop", 20, 30);
    auto* menu = new TPopupMenu(form.get());
    auto* item = new TMenuItem(menu);
    item->SetCaption("To the reporter");
    menu->Items()->Add(item);
    button->SetDropDownMenu(menu);
    button->SetModalResult(TModalResult::mrOk);
    std::vector<std::string> log;
    button->OnClick = [&](TObject*) {
        log.push_back("click");
        EXPECT_FALSE(button->DroppingDown());
    };
    button->OnDropDown = [&](TObject*) { log.push_back("drop"); };
    form->Show();

    QTest::mouseClick(button->Widget(), Qt::LeftButton);
    EXPECT_EQ(log, (std::vector<std::string>{"click", "drop"}));
    ASSERT_NE(menu->Menu(), nullptr);
    EXPECT_TRUE(menu->Menu()->isVisible());
    EXPECT_TRUE(button->DroppingDown());
    EXPECT_TRUE(button->ButtonWidget()->isDown());
    EXPECT_EQ(menu->Menu()->pos(), button->Widget()->mapToGlobal(QPoint(0, button->Height())));
    // The click that drops the menu sets no ModalResult.
    EXPECT_EQ(form->ModalResult(), TModalResult::mrNone);
    menu->Menu()->hide();
    EXPECT_FALSE(button->DroppingDown());
    EXPECT_FALSE(button->ButtonWidget()->isDown());

    // At the right edge, moved down by the indent.
    button->SetDropDownRight(true);
    button->SetDropDownIndent(4);
    button->DropDown();
    EXPECT_EQ(menu->Menu()->pos(), button->Widget()->mapToGlobal(QPoint(button->Width(), 4)));
    menu->Menu()->hide();

    // A freed menu leaves the button an ordinary one.
    delete menu;
    EXPECT_EQ(button->DropDownMenu(), nullptr);
    log.clear();
    QTest::mouseClick(button->Widget(), Qt::LeftButton);
    EXPECT_EQ(log, (std::vector<std::string>{"click"}));
    EXPECT_EQ(form->ModalResult(), TModalResult::mrOk);
}

TEST_F(KitButton, AutoRepeatFiresWhileHeldAndThePointerIsOver)
{
    auto* button = Make<TKitButton>("repeat");
    button->SetRepeatedClick(true);
    button->SetRepeatingDelay(400);
    button->SetRepeatingInterval(50);
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    std::vector<std::string> pointer;
    button->OnMouseEnter = [&](TObject*) { pointer.push_back("enter"); };
    button->OnMouseExit = [&](TObject*) { pointer.push_back("exit"); };
    form->Show();

    Enter(*button);
    EXPECT_TRUE(button->MouseOver());
    QTest::mousePress(button->Widget(), Qt::LeftButton);
    TKitTimer* timer = button->RepeatTimer();
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->Interval(), 400);
    auto tick = [&] { button->RepeatTimer()->OnTimer(button->RepeatTimer()); };
    tick();
    tick();
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(timer->Interval(), 50);
    // Off the button the ticks go on without clicks.
    Leave(*button);
    EXPECT_FALSE(button->MouseOver());
    tick();
    EXPECT_EQ(clicks, 2);
    Enter(*button);
    tick();
    EXPECT_EQ(clicks, 3);
    // Release ends the repeat; the ordinary click follows.
    QTest::mouseRelease(button->Widget(), Qt::LeftButton);
    EXPECT_EQ(button->RepeatTimer(), nullptr);
    EXPECT_EQ(clicks, 4);
    EXPECT_EQ(pointer, (std::vector<std::string>{"enter", "exit", "enter"}));

    // Hiding a held button stops the repeat.
    QTest::mousePress(button->Widget(), Qt::LeftButton);
    ASSERT_NE(button->RepeatTimer(), nullptr);
    button->Hide();
    EXPECT_EQ(button->RepeatTimer(), nullptr);
    EXPECT_FALSE(button->MouseOver());
}

TEST_F(KitButton, FormDescriptionsSetTheKitProperties)
{
    const std::string text = "object form: TForm\n"
                             "  object menu: TPopupMenu\n"
                             "  end\n"
                             "  object plain: TKitButton\n"
                             "    Caption = 'Plain'\n"
                             "    CtlXP = False\n"
                             "    ButtonStyle = ubsWinXPTool\n"
                             "    MultiLine = True\n"
                             "    DropDownMenu = menu\n"
                             "    DropDownIndent = 3\n"
                             "    ButtonLayout.Arrow = True\n"
                             "    ButtonLayout.ArrowColor = 255\n"
                             "    FontFX.Style = tdRaised\n"
                             "    ImageIndex = -1\n"
                             "  end\n"
                             "end\n";
    std::unique_ptr<TComponent> root(CreateComponentFromText(text, "form.form", nullptr));
    auto* button = dynamic_cast<TKitButton*>(root->FindComponent("plain"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->ButtonStyle(), TKitUserButtonStyle::ubsExplorer);
    EXPECT_TRUE(button->CtlXP());  // an older themed style switches the theme on after CtlXP was read
    EXPECT_TRUE(button->MultiLine());
    EXPECT_EQ(button->DropDownMenu(), root->FindComponent("menu"));
    EXPECT_EQ(button->DropDownIndent(), 3);
    EXPECT_TRUE(button->ButtonLayout().Arrow());
    EXPECT_EQ(button->ButtonLayout().ArrowColor(), 255);
    EXPECT_EQ(button->FontFX().Style(), TKitThreeDStyle::tdRaised);
    EXPECT_EQ(button->ImageIndex(), 0);
    EXPECT_EQ(button->GlyphObject().Style(), 1);  // the explorer style greys its idle glyph
}

// The oldest descriptions store the look as "Style" (and the newer styles as "ExtStyle").
TEST_F(KitButton, OldestDescriptionsReadTheirStyleIntoButtonStyle)
{
    struct Case {
        const char* property;
        TKitUserButtonStyle style;
        bool themed;
    };
    const std::vector<Case> cases = {
        {"Style = nbsAutoDetect", TKitUserButtonStyle::ubsWin40, false},
        {"Style = nbsWin31", TKitUserButtonStyle::ubsWin31, false},
        {"Style = nbsNew", TKitUserButtonStyle::ubsWin40, false},
        {"Style = nbsWinXP", TKitUserButtonStyle::ubsWin40, true},
        {"ExtStyle = ubsFlat", TKitUserButtonStyle::ubsFlat, false},
        {"ExtStyle = ubsWinXPCombo", TKitUserButtonStyle::ubsCombo, true},
    };
    for (const Case& c : cases) {
        const std::string text = std::string("object form: TForm\n  object old: TKitButton\n    CtlXP = False\n    ") +
                                 c.property + "\n  end\nend\n";
        std::unique_ptr<TComponent> root(CreateComponentFromText(text, "form.form", nullptr));
        auto* button = dynamic_cast<TKitButton*>(root->FindComponent("old"));
        ASSERT_NE(button, nullptr) << c.property;
        EXPECT_EQ(button->ButtonStyle(), c.style) << c.property;
        EXPECT_EQ(button->CtlXP(), c.themed) << c.property;
    }
}

// A 16 x 16 glyph: a green disc on a magenta (see-through) background.
TBitmap DiscGlyph()
{
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(qRgb(255, 0, 255));
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const int dx = 2 * x - 15;
            const int dy = 2 * y - 15;
            if (dx * dx + dy * dy <= 13 * 13) image.setPixel(x, y, qRgb(0, 128, 0));
        }
    }
    TBitmap bitmap;
    bitmap.SetImage(image);
    return bitmap;
}

TEST_F(KitButton, StatesMatchTheirGoldenPicture)
{
    auto* button = Make<TKitButton>("face");
    button->Font().SetName("DejaVu Sans");
    button->Font().SetSize(8);
    button->SetCaption("&Save");
    auto* glyphButton = Make<TKitButton>("glyph", 10, 60);
    glyphButton->Font().Assign(button->Font());
    glyphButton->SetBounds(10, 60, 90, 40);
    glyphButton->SetCaption("Show all tickets");
    glyphButton->SetMultiLine(true);
    glyphButton->SetGlyph(DiscGlyph());
    auto* colour = Make<TKitButton>("colour", 10, 110);
    colour->Font().Assign(button->Font());
    colour->SetCaption("Colour");
    colour->ButtonLayout().SetArrow(true);
    colour->ButtonLayout().SetArrowSize(6);
    colour->ButtonLayout().SetArrowIndent(6);
    colour->ButtonLayout().SetArrowColor(0x00A0FF);
    auto* combo = Make<TKitButton>("combo", 10, 160);
    combo->SetButtonStyle(TKitUserButtonStyle::ubsCombo);
    combo->SetBounds(10, 160, 20, 20);

    // Columns: normal, hot, pressed, disabled, default; rows: the four buttons.
    QImage sheet(5 * 95 + 5, 4 * 45 + 5, QImage::Format_RGB32);
    sheet.fill(ColorToRGB(clBtnFace));
    const std::vector<TKitButton*> buttons = {button, glyphButton, colour, combo};
    for (size_t row = 0; row < buttons.size(); ++row) {
        TKitButton* b = buttons[row];
        for (int column = 0; column < 5; ++column) {
            b->SetEnabled(column != 3);
            b->SetDefault(column == 4);
            if (column == 1) Enter(*b);
            b->ButtonWidget()->setDown(column == 2);
            QImage face(b->Width(), b->Height(), QImage::Format_RGB32);
            face.fill(Qt::black);
            {
                QPainter painter(&face);
                TCanvas canvas;
                TCanvasPaint scope(canvas, painter);
                b->PaintTo(canvas);
            }
            if (column == 1) Leave(*b);
            b->ButtonWidget()->setDown(false);
            QPainter sheetPainter(&sheet);
            sheetPainter.drawImage(5 + column * 95, 5 + static_cast<int>(row) * 45, face);
        }
    }
    EXPECT_EQ(combo->DrawState(), 0);
    ExpectGolden(sheet, "button-states");
}

}  // namespace
