// The application object: the main form's close ends the program, other forms never do; the
// application-events hook; the wait cursor; the rich-text reader on damaged text.

#include "GuiTestSupport.h"

#include "platform/gui/ComCtrls.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/RtfReader.h"
#include "platform/gui/StdCtrls.h"

#include <QApplication>
#include <QListWidget>
#include <QTextDocument>
#include <QTimer>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Application, ClosingTheMainFormEndsTheProgramButClosingAnotherFormDoesNot)
{
    TApplication& shared = TestApplication();
    int destroyed = 0;
    int argc = 1;
    char name[] = "second";
    char* argv[] = {name, nullptr};
    {
        TApplication application(argc, argv);
        TForm* mainForm = nullptr;
        TForm* other = nullptr;
        application.CreateForm(mainForm);
        application.CreateForm(other);
        mainForm->OnDestroy = [&destroyed](TObject*) { ++destroyed; };
        EXPECT_EQ(application.MainForm(), mainForm);
        bool stillRunningAfterOtherClosed = false;
        QTimer::singleShot(0, [&] {
            other->Show();
            other->Close();
            QTimer::singleShot(0, [&] {
                stillRunningAfterOtherClosed = !application.Terminated() && mainForm->Visible();
                mainForm->Close();
            });
        });
        application.Run();
        EXPECT_TRUE(stillRunningAfterOtherClosed);
        EXPECT_TRUE(application.Terminated());
        EXPECT_FALSE(mainForm->Visible());
        EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, 1);  // run while the form was still whole, when the application went
    Application = &shared;
}

TEST(Application, TerminateEndsTheLoopWithoutAskingTheWindowsToClose)
{
    TApplication& shared = TestApplication();
    int argc = 1;
    char name[] = "second";
    char* argv[] = {name, nullptr};
    {
        TApplication application(argc, argv);
        TForm* mainForm = nullptr;
        TForm* other = nullptr;
        application.CreateForm(mainForm);
        application.CreateForm(other);
        int closeQueries = 0;
        int closes = 0;
        for (TForm* form : {mainForm, other}) {
            form->OnCloseQuery = [&closeQueries](TObject*, bool&) { ++closeQueries; };
            form->OnClose = [&closes](TObject*, TCloseAction&) { ++closes; };
        }
        QTimer::singleShot(0, [&] {
            other->Show();
            application.Terminate();
        });
        application.Run();
        EXPECT_TRUE(application.Terminated());
        // A shut-down command that has saved and closed everything ends the program there:
        // no close handler runs after it.
        EXPECT_EQ(closeQueries, 0);
        EXPECT_EQ(closes, 0);
    }
    Application = &shared;
}

TEST(Application, WindowCaptionsCarryOnlyTheirOwnText)
{
    TApplication& application = TestApplication();
    const std::string title = application.Title();
    application.SetTitle("Zentivor\xAE 1.0.0.0");
    // Qt appends the application's display name to every window title once it is set; unset,
    // it stays the application's name.
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
    TForm form(nullptr);
    form.SetCaption("Ticket Form");
    EXPECT_EQ(form.Widget()->windowTitle(), QStringLiteral("Ticket Form"));
    EXPECT_EQ(application.Title(), "Zentivor\xAE 1.0.0.0");
    application.SetTitle(title);
}

TEST(Application, MessageHookTurnsWheelNotchesIntoArrowKeys)
{
    TestApplication();
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 200);
    auto* list = new TListBox(&form);
    list->SetParent(&form);
    list->SetBounds(0, 0, 200, 200);
    for (int i = 0; i < 5; ++i) {
        list->Items().Add("row " + std::to_string(i));
    }
    list->SetItemIndex(2);
    auto* hook = new TApplicationEvents(&form);
    bool convert = true;
    hook->OnMessage = [&](TMsg& message, bool&) {
        if (convert && message.Message == WM_MOUSEWHEEL) {
            const auto delta = static_cast<int16_t>((message.WParam >> 16) & 0xFFFF);
            message.Message = WM_KEYDOWN;
            message.WParam = delta >= 1 ? VK_UP : VK_DOWN;
            message.LParam = 0;
        }
    };
    form.Show();
    list->SetFocus();
    auto wheel = [&](int delta) {
        QWidget* target = list->ListWidget()->viewport();
        QWheelEvent event(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &event);
    };
    wheel(-120);
    EXPECT_EQ(list->ItemIndex(), 3);
    wheel(240);  // one row per notch message, whatever its size
    EXPECT_EQ(list->ItemIndex(), 2);
    convert = false;
    wheel(-120);
    EXPECT_EQ(list->ItemIndex(), 2);  // the list's own wheel handling scrolls, it does not select
}

TEST(Application, WaitCursorIsRestored)
{
    TestApplication();
    {
        TWaitCursor wait;
        EXPECT_EQ(Screen->Cursor(), TCursor::crHourGlass);
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(Screen->Cursor(), TCursor::crDefault);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(RichText, DamagedOrPlainTextIsShownAsFarAsItGoes)
{
    TestApplication();
    struct Case {
        std::string input;
        std::string shown;
    };
    const Case cases[] = {
        {"{\\rtf1 unterminated \\b bold", "unterminated bold"},
        {"{\\rtf1 {\\*\\generator skipped;}kept\\par}", "kept\n"},
        {"{\\rtf1 caf\\'e9 \\u8364? \\'zz end}", "caf\xC3\xA9 \xE2\x82\xAC zz end"},
        {"{\\rtf1 tab\\tab x}", "tab\tx"},
        {"{\\rtf1 " + std::string(5000, '{') + "deep", ""},
        {"{\\rtf1 trailing backslash\\", "trailing backslash"},
    };
    for (const Case& test : cases) {
        QTextDocument document;
        ReadRichText(test.input, document);
        EXPECT_EQ(document.toPlainText().toStdString(), test.shown) << test.input.substr(0, 40);
    }
    EXPECT_FALSE(IsRichText("plain {\\rtf"));

    TForm form(nullptr);
    auto* edit = new TRichEdit(&form);
    edit->Lines().Add("No file found!");
    EXPECT_EQ(edit->ShownText(), "No file found!");
    edit->SetPlainText(true);
    edit->Lines().SetText("{\\rtf1 x}");
    EXPECT_EQ(edit->ShownText(), "{\\rtf1 x}");
}

TEST(DateTimePicker, DayNumbersMapToQtDatesBothWays)
{
    const struct {
        double value;
        QDateTime expected;
    } cases[] = {
        {0.0, QDateTime(QDate(1899, 12, 30), QTime(0, 0))},
        {45000.5, QDateTime(QDate(2023, 3, 15), QTime(12, 0))},
        {-1.25, QDateTime(QDate(1899, 12, 29), QTime(6, 0))},
        {36526.999999999, QDateTime(QDate(2000, 1, 2), QTime(0, 0))},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(DateTimeToQt(test.value), test.expected) << test.value;
    }
    EXPECT_DOUBLE_EQ(QtToDateTime(QDateTime(QDate(1899, 12, 29), QTime(6, 0))), -1.25);
    EXPECT_DOUBLE_EQ(QtToDateTime(QDateTime(QDate(2023, 3, 15), QTime(18, 0))), 45000.75);
}

}  // namespace
