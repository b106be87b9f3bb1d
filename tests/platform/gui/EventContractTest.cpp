// The event contract of the window layer: which changes made by code fire which events, and
// what the user's actions fire.

#include "GuiTestSupport.h"

#include "platform/gui/CheckLst.h"
#include "platform/gui/ComCtrls.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Menus.h"
#include "platform/gui/StdCtrls.h"
#include "platform/rtl/DateTime.h"

#include <QAction>
#include <QCalendarWidget>
#include <QDateTimeEdit>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class EventContract : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        form = std::make_unique<TForm>(nullptr);
        form->SetName("form");
        form->SetBounds(10, 10, 400, 300);
    }

    template <class T>
    T* Make(const std::string& name)
    {
        auto* control = new T(form.get());
        control->SetName(name);
        control->SetParent(form.get());
        return control;
    }

    TNotifyEvent Recorder(const std::string& what)
    {
        return [this, what](TObject* sender) {
            const auto* component = dynamic_cast<TComponent*>(sender);
            log.push_back((component != nullptr ? component->Name() : std::string("?")) + "." + what);
        };
    }

    std::unique_ptr<TForm> form;
    std::vector<std::string> log;
};

using Log = std::vector<std::string>;

TEST_F(EventContract, CheckBoxFiresOnClickWhenCodeChangesCheckedAndWhenTheUserClicks)
{
    auto* box = Make<TCheckBox>("box");
    box->OnClick = Recorder("Click");
    box->SetChecked(true);
    box->SetChecked(true);  // no change, no click
    EXPECT_EQ(log, Log{"box.Click"});
    box->SetChecked(false);
    EXPECT_EQ(log.size(), 2u);

    log.clear();
    form->Show();
    QTest::mouseClick(box->CheckBoxWidget(), Qt::LeftButton);
    EXPECT_TRUE(box->Checked());
    EXPECT_EQ(log, Log{"box.Click"});
}

TEST_F(EventContract, RadioButtonsClickOnlyWhenCheckedAndStayExclusive)
{
    auto* first = Make<TRadioButton>("first");
    auto* second = Make<TRadioButton>("second");
    first->OnClick = Recorder("Click");
    second->OnClick = Recorder("Click");
    first->SetChecked(true);
    second->SetChecked(true);
    EXPECT_FALSE(first->Checked());
    second->SetChecked(false);  // unchecking by code is silent
    EXPECT_EQ(log, (Log{"first.Click", "second.Click"}));

    log.clear();
    form->Show();
    QTest::mouseClick(first->RadioWidget(), Qt::LeftButton);
    QTest::mouseClick(first->RadioWidget(), Qt::LeftButton);  // already checked: nothing
    EXPECT_TRUE(first->Checked());
    EXPECT_EQ(log, Log{"first.Click"});
}

TEST_F(EventContract, ComboChangesByCodeAreSilentButTheUsersChoiceAndTypingFireOnChange)
{
    auto* combo = Make<TComboBox>("combo");
    combo->Items().Add("alpha");
    combo->Items().Add("beta");
    combo->OnChange = Recorder("Change");
    combo->OnSelect = Recorder("Select");
    combo->OnClick = Recorder("Click");

    combo->SetItemIndex(1);
    EXPECT_EQ(combo->Text(), "beta");
    combo->SetText("gamma");
    EXPECT_EQ(combo->Text(), "gamma");
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_TRUE(log.empty());

    // The items can be refilled without losing the text shown.
    combo->Items().Clear();
    combo->Items().Add("one");
    EXPECT_EQ(combo->Text(), "gamma");
    EXPECT_EQ(combo->ItemIndex(), -1);
    EXPECT_TRUE(log.empty());

    form->Show();
    combo->ComboWidget()->activated(0);
    EXPECT_EQ(log, (Log{"combo.Change", "combo.Select", "combo.Click"}));
    EXPECT_EQ(combo->Text(), "one");
    EXPECT_EQ(combo->ItemIndex(), 0);

    log.clear();
    combo->ComboWidget()->lineEdit()->clear();
    QTest::keyClicks(combo->ComboWidget()->lineEdit(), "x");
    EXPECT_EQ(log, Log{"combo.Change"});
    EXPECT_EQ(combo->Text(), "x");
    EXPECT_EQ(combo->ItemIndex(), -1);
}

TEST_F(EventContract, DropDownListComboShowsOnlyItems)
{
    auto* combo = Make<TComboBox>("list");
    combo->SetStyle(TComboBoxStyle::csDropDownList);
    combo->Items().Add("=");
    combo->Items().Add("<>");
    combo->SetText("<>");
    EXPECT_EQ(combo->ItemIndex(), 1);
    combo->SetText("missing");
    EXPECT_EQ(combo->ItemIndex(), -1);
    EXPECT_EQ(combo->Text(), "");
}

TEST_F(EventContract, EditAndMemoFireOnChangeWhenCodeChangesTheirText)
{
    auto* edit = Make<TEdit>("edit");
    auto* memo = Make<TMemo>("memo");
    edit->OnChange = Recorder("Change");
    memo->OnChange = Recorder("Change");

    edit->SetText("abc");
    edit->SetText("abc");
    memo->Lines().Add("first");
    memo->SetText("one\r\ntwo");
    EXPECT_EQ(log, (Log{"edit.Change", "memo.Change", "memo.Change"}));
    EXPECT_EQ(memo->Lines().Count(), 2);
    EXPECT_EQ(memo->Text(), "one\r\ntwo");

    log.clear();
    form->Show();
    QTest::keyClicks(edit->EditWidget(), "d");
    EXPECT_EQ(edit->Text(), "abcd");
    memo->MemoWidget()->moveCursor(QTextCursor::End);
    QTest::keyClick(memo->MemoWidget(), Qt::Key_Return);
    QTest::keyClicks(memo->MemoWidget(), "3");
    EXPECT_EQ(memo->Lines().Count(), 3);
    EXPECT_EQ(memo->Lines()[2], "3");
    EXPECT_EQ(log, (Log{"edit.Change", "memo.Change", "memo.Change"}));
}

TEST_F(EventContract, DatePickerFiresChangeForEveryEditButCloseUpOncePerAcceptedDate)
{
    auto* picker = Make<TDateTimePicker>("due");
    picker->SetShowCheckbox(true);
    picker->SetDateTime(EncodeDate(2024, 2, 1));
    picker->OnChange = Recorder("OnChange");
    picker->OnClick = Recorder("OnClick");
    picker->OnCloseUp = Recorder("OnCloseUp");
    form->Show();

    picker->SetDateTime(EncodeDate(2024, 2, 3));  // code: silent
    picker->SetChecked(false);
    picker->SetChecked(true);
    EXPECT_TRUE(log.empty());

    QDateTimeEdit* text = picker->EditWidget();
    text->setFocus();
    text->setSelectedSection(QDateTimeEdit::DaySection);
    QTest::keyClicks(text, "25");
    QTest::keyClick(text, Qt::Key_Return);
    QTest::keyClick(text, Qt::Key_Return);  // nothing new to accept
    EXPECT_EQ(log, (Log{"due.OnChange", "due.OnCloseUp"}));
    EXPECT_EQ(picker->Date(), EncodeDate(2024, 2, 25));

    log.clear();
    QCalendarWidget* calendar = text->calendarWidget();
    ASSERT_NE(calendar, nullptr);
    calendar->setSelectedDate(QDate(2024, 2, 10));
    emit calendar->clicked(QDate(2024, 2, 10));
    EXPECT_EQ(picker->Date(), EncodeDate(2024, 2, 10));
    EXPECT_EQ(log, (Log{"due.OnChange", "due.OnCloseUp"}));

    log.clear();
    picker->CheckWidget()->click();
    EXPECT_FALSE(picker->Checked());
    EXPECT_EQ(log, (Log{"due.OnChange", "due.OnClick"}));
}

TEST_F(EventContract, ListsAndRadioGroupsAndCheckListBoxes)
{
    auto* list = Make<TListBox>("list");
    auto* group = Make<TRadioGroup>("group");
    auto* checks = Make<TCheckListBox>("checks");
    list->Items().Add("a");
    list->Items().Add("b");
    group->Items().Add("default location");
    group->Items().Add("network location");
    checks->Items().Add("x");
    list->OnClick = Recorder("Click");
    group->OnClick = Recorder("Click");
    checks->OnClickCheck = Recorder("ClickCheck");

    list->SetItemIndex(1);
    checks->SetChecked(0, true);
    EXPECT_TRUE(log.empty());
    group->SetItemIndex(1);
    group->SetItemIndex(1);
    EXPECT_EQ(log, Log{"group.Click"});
    EXPECT_TRUE(group->Button(1)->isChecked());

    log.clear();
    form->Show();
    list->ListWidget()->setCurrentRow(0);  // as a click of the user does
    group->Button(0)->click();
    checks->ListWidget()->item(0)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(log, (Log{"list.Click", "group.Click", "checks.ClickCheck"}));
    EXPECT_FALSE(checks->Checked(0));
    EXPECT_EQ(group->ItemIndex(), 0);
}

TEST_F(EventContract, MenuItemCheckedIsSilentAndClickRuns)
{
    auto* menu = new TPopupMenu(form.get());
    menu->SetName("menu");
    auto* item = new TMenuItem(form.get());
    item->SetName("item");
    item->SetCaption("View Panel");
    menu->Items()->Add(item);
    item->OnClick = Recorder("Click");
    menu->OnPopup = Recorder("Popup");

    item->SetChecked(true);
    EXPECT_TRUE(log.empty());
    item->Action()->trigger();
    EXPECT_TRUE(item->Checked());  // the user's choice does not flip it; the handler does
    EXPECT_EQ(log, Log{"item.Click"});
    menu->Popup(0, 0);
    menu->Menu()->hide();
    EXPECT_EQ(log, (Log{"item.Click", "menu.Popup"}));
}

TEST_F(EventContract, ButtonModalResultIsSetBeforeOnClickAndCanBeTakenBack)
{
    auto* ok = Make<TButton>("ok");
    auto* keep = Make<TButton>("keep");
    ok->SetModalResult(TModalResult::mrOk);
    keep->SetModalResult(TModalResult::mrYes);
    TModalResult seenInHandler = TModalResult::mrNone;
    ok->OnClick = [&](TObject*) { seenInHandler = form->ModalResult(); };
    keep->OnClick = [&](TObject*) { form->SetModalResult(TModalResult::mrNone); };

    int round = 0;
    QTimer::singleShot(0, [&] {
        ++round;
        keep->ButtonWidget()->click();  // the handler keeps the form open
        QTimer::singleShot(0, [&] {
            ++round;
            ok->ButtonWidget()->click();
        });
    });
    EXPECT_EQ(form->ShowModal(), TModalResult::mrOk);
    EXPECT_EQ(round, 2);
    EXPECT_EQ(seenInHandler, TModalResult::mrOk);
    EXPECT_FALSE(form->Visible());
}

TEST_F(EventContract, ModalFormAsksCloseQueryAndCloseAndCloseGivesCancel)
{
    int queries = 0;
    form->OnCloseQuery = [&](TObject*, bool& canClose) { canClose = ++queries > 1; };
    form->OnClose = [this](TObject*, TCloseAction&) { log.push_back("?.Close"); };
    form->OnShow = Recorder("Show");
    QTimer::singleShot(0, [&] {
        form->Close();  // refused by OnCloseQuery
        QTimer::singleShot(0, [&] { form->Widget()->close(); });  // the title-bar button
    });
    EXPECT_EQ(form->ShowModal(), TModalResult::mrCancel);
    EXPECT_EQ(queries, 2);
    EXPECT_EQ(log, (Log{"form.Show", "?.Close"}));
    EXPECT_THROW(
        {
            form->Show();
            form->ShowModal();
        },
        EInvalidOperation);
}

TEST_F(EventContract, CloseActionsOfAModelessForm)
{
    form->Show();
    TCloseAction wanted = TCloseAction::caNone;
    form->OnClose = [&](TObject*, TCloseAction& action) { action = wanted; };
    form->Close();
    EXPECT_TRUE(form->Visible());
    wanted = TCloseAction::caHide;
    form->Close();
    EXPECT_FALSE(form->Visible());
}

TEST_F(EventContract, FocusFiresExitUpToTheSharedParentThenEnterDownwards)
{
    auto* left = Make<TPanel>("left");
    left->SetBounds(0, 0, 200, 300);
    auto* right = Make<TPanel>("right");
    right->SetBounds(200, 0, 200, 300);
    auto* editA = new TEdit(form.get());
    editA->SetName("editA");
    editA->SetParent(left);
    auto* editB = new TEdit(form.get());
    editB->SetName("editB");
    editB->SetParent(left);
    auto* editC = new TEdit(form.get());
    editC->SetName("editC");
    editC->SetParent(right);
    for (TWinControl* control : std::initializer_list<TWinControl*>{left, right, editA, editB, editC}) {
        control->OnEnter = Recorder("Enter");
        control->OnExit = Recorder("Exit");
    }
    form->Show();
    editA->SetFocus();
    EXPECT_EQ(log, (Log{"left.Enter", "editA.Enter"}));
    log.clear();
    editB->SetFocus();
    EXPECT_EQ(log, (Log{"editA.Exit", "editB.Enter"}));
    log.clear();
    editC->SetFocus();
    EXPECT_EQ(log, (Log{"editB.Exit", "left.Exit", "right.Enter", "editC.Enter"}));
    EXPECT_TRUE(editC->Focused());
    editC->SetVisible(false);
    EXPECT_THROW(editC->SetFocus(), EInvalidOperation);
}

TEST_F(EventContract, CatchAllShowsClassNameAndMessageAndCarriesOn)
{
    TDialogScript script;
    auto* button = Make<TButton>("button");
    int after = 0;
    button->OnClick = [](TObject*) { throw EDatabaseError("Database connection failed! (TICKETDB)"); };
    form->Show();
    button->ButtonWidget()->click();
    ++after;
    ASSERT_EQ(script.Records().size(), 1u);
    EXPECT_EQ(script.Records()[0].Text, "EDatabaseError: Database connection failed! (TICKETDB)");
    EXPECT_EQ(script.Records()[0].Type, TMsgDlgType::mtError);
    EXPECT_EQ(script.Records()[0].Buttons, TMsgDlgButtons{TMsgDlgBtn::mbOK});
    EXPECT_EQ(after, 1);

    // A handler run by a change made in code lets the error reach that code.
    auto* box = Make<TCheckBox>("box");
    box->OnClick = [](TObject*) { throw EConvertError("bad"); };
    EXPECT_THROW(box->SetChecked(true), EConvertError);
    EXPECT_EQ(script.Records().size(), 1u);

    // EAbort is the silent exception.
    TestApplication().Guarded([] { throw EAbort("quiet"); });
    EXPECT_EQ(script.Records().size(), 1u);
}

TEST_F(EventContract, MessageBoxesAndDialogsAnswerFromTheQueue)
{
    TDialogScript script;
    script.Answer(TModalResult::mrNo);
    script.Answer(TDialogAnswer{TModalResult::mrOk, "/tmp/German.lng", clBlack, 0});
    script.Answer(TDialogAnswer{TModalResult::mrOk, {}, clSilver, 0});
    EXPECT_EQ(MessageDlg("Are you sure?", TMsgDlgType::mtConfirmation, {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo}), TModalResult::mrNo);
    TOpenDialog open(nullptr);
    open.InitialDir = "/tmp";
    open.Filter = "Language Files (*.lng)|*.lng";
    EXPECT_TRUE(open.Execute());
    EXPECT_EQ(open.FileName, "/tmp/German.lng");
    TColorDialog color(nullptr);
    EXPECT_TRUE(color.Execute());
    EXPECT_EQ(ColorToString(color.Color), "clSilver");
    // An empty queue takes the default: the first button, or Cancel for a dialog.
    EXPECT_EQ(TestApplication().MessageBox("Test failed!  ", "Zentivor", MB_OK | MB_ICONERROR), IDOK);
    TFolderDialog folder(nullptr);
    EXPECT_FALSE(folder.Execute());

    ASSERT_EQ(script.Records().size(), 5u);
    EXPECT_EQ(script.Records()[0].Text, "Are you sure?");
    EXPECT_EQ(script.Records()[0].Buttons, (TMsgDlgButtons{TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo}));
    EXPECT_EQ(script.Records()[1].Kind, TDialogKind::dkOpen);
    EXPECT_EQ(script.Records()[3].Type, TMsgDlgType::mtError);
    EXPECT_EQ(script.Records()[3].Caption, "Zentivor");
    EXPECT_EQ(script.Records()[4].Answer, TModalResult::mrCancel);
}

TEST_F(EventContract, TextCrossesIntoQtAsAnsi)
{
    auto* edit = Make<TEdit>("edit");
    edit->SetText("Caf\xE9 \x80");  // cp1252: e acute, euro sign
    EXPECT_EQ(edit->EditWidget()->text(), QString::fromUtf8("Caf\xC3\xA9 \xE2\x82\xAC"));
    edit->EditWidget()->setText(QString::fromUtf8("\xC3\xBC\xE4\xB8\xAD"));  // u umlaut and a CJK character
    EXPECT_EQ(edit->Text(), "\xFC?");
}

TEST_F(EventContract, TimerRunsOnlyWhileEnabled)
{
    TTimer timer(nullptr);
    timer.SetInterval(5);
    int ticks = 0;
    timer.OnTimer = [&](TObject*) {
        ++ticks;
        timer.SetEnabled(false);
    };
    EXPECT_TRUE(timer.Running());
    // Wait for the first tick however busy the machine is, then give a running timer a few
    // more intervals to tick again.
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks > 0; }, 60000));
    QTest::qWait(30);
    EXPECT_EQ(ticks, 1);
    EXPECT_FALSE(timer.Running());
}

}  // namespace

namespace {

TEST(ItemLists, WidgetsFollowEveryKindOfChangeAndCheckMarksStayWithTheirItems)
{
    TestApplication();
    TForm form(nullptr);
    auto* combo = new TComboBox(&form);
    auto* checks = new TCheckListBox(&form);
    for (const char* text : {"b", "b", "d"}) {
        combo->Items().Add(text);
        checks->Items().Add(text);
    }
    combo->Items().Insert(0, "x");
    combo->SetSorted(true);
    combo->Items().Add("c");
    QStringList shown;
    for (int i = 0; i < combo->ComboWidget()->count(); ++i) {
        shown << combo->ComboWidget()->itemText(i);
    }
    EXPECT_EQ(shown, (QStringList{"b", "b", "c", "d", "x"}));

    checks->SetChecked(2, true);  // "d"
    checks->Items().Insert(0, "a");
    EXPECT_TRUE(checks->Checked(3));
    checks->Items().Delete(1);
    EXPECT_TRUE(checks->Checked(2));
    EXPECT_FALSE(checks->Checked(0));
    EXPECT_EQ(checks->ListWidget()->item(2)->checkState(), Qt::Checked);
    EXPECT_THROW(checks->Checked(9), EListError);
}

}  // namespace
