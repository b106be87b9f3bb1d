// The grid setup window driven as the user drives it: mouse clicks and drags in the list,
// typing and tabbing through the editors, the colour and font dialogs, the popup, OK and
// Cancel; and what the grid looks like afterwards.

#include "GridSetupTestSupport.h"
#include "TextFit.h"

#include "export/GtDBGSet.h"
#include "export/GtDBGSetForm.h"
#include "platform/gui/Dialogs.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QListWidget>
#include <QTest>
#include <QTimer>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

TfrmGridSetup* ShownSetupWindow()
{
    for (int i = 0; i < Screen->FormCount(); ++i) {
        if (auto* window = dynamic_cast<TfrmGridSetup*>(Screen->Forms(i)); window != nullptr && window->Visible()) {
            return window;
        }
    }
    return nullptr;
}

// Runs Execute while `drive` acts on the shown window.
bool ExecuteDriven(TGtSetDBGridDialog& dialog, const std::function<void(TfrmGridSetup&)>& drive)
{
    bool shown = false;
    QTimer::singleShot(0, [&] {
        TfrmGridSetup* window = ShownSetupWindow();
        shown = window != nullptr;
        if (window == nullptr) {
            return;
        }
        window->Widget()->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window->Widget()));
        drive(*window);
        if (window->Visible() && window->ModalResult() == TModalResult::mrNone) {
            window->btnCancel->Click();  // a failed step must not leave the loop running
        }
    });
    const bool result = dialog.Execute();
    EXPECT_TRUE(shown);
    return result;
}

QPoint EntryCentre(TfrmGridSetup& window, int row)
{
    QListWidget* list = window.clbFields->ListWidget();
    return list->visualItemRect(list->item(row)).center();
}

void ClickEntry(TfrmGridSetup& window, int row)
{
    QTest::mouseClick(window.clbFields->ListWidget()->viewport(), Qt::LeftButton, {}, EntryCentre(window, row));
}

void DragEntry(TfrmGridSetup& window, int from, int to)
{
    QWidget* viewport = window.clbFields->ListWidget()->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, EntryCentre(window, from));
    QTest::mouseMove(viewport, EntryCentre(window, (from + to) / 2 == from ? to : (from + to) / 2));
    QTest::mouseMove(viewport, EntryCentre(window, to));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, EntryCentre(window, to));
}

void TypeInto(TEdit& edit, const char* text)
{
    edit.SetFocus();
    edit.SelectAll();
    QTest::keyClicks(edit.EditWidget(), text);
}

std::vector<std::string> ListLines(TfrmGridSetup& window)
{
    std::vector<std::string> lines;
    for (int i = 0; i < window.clbFields->Count(); ++i) {
        lines.push_back(window.clbFields->Items()[i] + (window.clbFields->Checked(i) ? " [x]" : " [ ]"));
    }
    return lines;
}

void SaveScreenshot(TfrmGridSetup& window, const char* name)
{
    QDir().mkpath("artifacts");
    EXPECT_TRUE(window.Grab().save(QString("artifacts/") + name));
}

class GridSetupWindow : public ::testing::Test {
protected:
    TPeopleGrid people;
    TGtSetDBGridDialog dialog{nullptr};
    std::vector<std::string> events;
    TDialogScript script;

    void SetUp() override
    {
        people.Customize();
        dialog.SetDBGrid(people.grid.get());
        dialog.OnBeforeExecute = [this](TObject*) { events.push_back("before"); };
        dialog.OnShow = [this](TObject*) { events.push_back("show"); };
        dialog.OnAfterExecute = [this](TObject*) { events.push_back("after"); };
    }
};

TEST_F(GridSetupWindow, UserReordersRetitlesAndRestylesColumns)
{
    TGtCharMetrics metrics;
    const bool ok = ExecuteDriven(dialog, [&](TfrmGridSetup& window) {
        EXPECT_EQ(window.Caption(), "Grid setup");
        EXPECT_THAT(CutTexts(window), ::testing::IsEmpty());
        EXPECT_THAT(ListLines(window), ::testing::ElementsAre("NAME  :  Person [x]", "ID  :  ID [ ]", "CITY  :  CITY [x]",
                                                              "NOTE  :  NOTE [ ]"));
        // The first entry is shown; its data colour lies outside the table and shows as the
        // custom entry.
        EXPECT_EQ(window.clbFields->ItemIndex(), 0);
        EXPECT_EQ(window.edTitleCaption->Text(), "Person");
        EXPECT_EQ(window.GtColorsCBTitle->ItemIndex(), 11) << "yellow";
        EXPECT_EQ(window.GtColorsCBData->ItemIndex(), TGtColorTable::CustomEntry);
        EXPECT_EQ(window.edDataFont->Color(), 0xD0F0E0) << "the font edit shows the background colour";
        metrics = TGtCharMetrics::Of(window.Font());
        EXPECT_EQ(window.edWidth->Text(), std::to_string(metrics.CharactersOf(120)));
        SaveScreenshot(window, "grid-setup.png");

        // Passing through the data colour combo keeps the custom colour.
        window.GtColorsCBData->SetFocus();
        // Keyboard: a new caption, left with Tab, renames the entry in the list.
        TypeInto(*window.edTitleCaption, "Name");
        QTest::keyClick(window.edTitleCaption->EditWidget(), Qt::Key_Tab);
        EXPECT_EQ(window.clbFields->Items()[0], "NAME  :  Name");
        EXPECT_TRUE(window.clbFields->Checked(0)) << "the check mark stays";

        // Mouse: the NOTE entry is chosen, checked with the space bar and dragged to the top.
        ClickEntry(window, 3);
        EXPECT_EQ(window.edTitleCaption->Text(), "NOTE");
        EXPECT_EQ(window.edWidth->Text(), "30");
        QTest::keyClick(window.clbFields->ListWidget(), Qt::Key_Space);
        EXPECT_TRUE(window.clbFields->Checked(3));
        DragEntry(window, 3, 0);
        EXPECT_THAT(ListLines(window), ::testing::ElementsAre("NOTE  :  NOTE [x]", "NAME  :  Name [x]", "ID  :  ID [ ]",
                                                              "CITY  :  CITY [x]"));
        EXPECT_EQ(window.clbFields->ItemIndex(), 0) << "the dropped entry is selected";
        EXPECT_EQ(window.edTitleCaption->Text(), "NOTE");

        // The data font through the font dialog.
        script.Answer(TDialogAnswer{TModalResult::mrOk, "DejaVu Serif", clBlack, 11});
        QTest::mouseClick(window.btnDataFont->ButtonWidget(), Qt::LeftButton);
        EXPECT_EQ(window.edDataFont->Text(), "DejaVu Serif, 11");
        EXPECT_EQ(window.edDataFont->Font().Name(), "DejaVu Serif");

        // Data alignment by keyboard in its combo, then the width; Alt+O presses OK while the
        // width edit still has the focus.
        window.cbDataAlignment->SetFocus();
        QTest::keyClick(window.cbDataAlignment->ComboWidget(), Qt::Key_End);
        EXPECT_EQ(window.cbDataAlignment->Text(), "center");
        TypeInto(*window.edWidth, "15");
        QTest::keyClick(window.edWidth->EditWidget(), Qt::Key_O, Qt::AltModifier);
        // The accelerator presses the button the way a click does, after the button's press
        // animation; the focus stays in the edit. The deadline only ends a test that hangs.
        EXPECT_TRUE(QTest::qWaitFor([&] { return window.ModalResult() == TModalResult::mrOk; }, 60000));
        EXPECT_TRUE(window.edWidth->Focused());
    });
    ASSERT_TRUE(ok);
    EXPECT_EQ(events, (std::vector<std::string>{"before", "show", "after"}));

    TDBGridColumns& columns = people.grid->Columns();
    ASSERT_EQ(columns.Count(), 3) << "the unchecked ID entry has no column";
    TColumn& note = *columns.Items(0);
    EXPECT_EQ(note.FieldName(), "NOTE");
    EXPECT_EQ(note.Font().Name(), "DejaVu Serif");
    EXPECT_EQ(note.Font().Size(), 11);
    EXPECT_EQ(note.Alignment(), TAlignment::taCenter);
    EXPECT_EQ(note.Width(), metrics.PixelsOf(15));
    TColumn& name = *columns.Items(1);
    EXPECT_EQ(name.FieldName(), "NAME");
    EXPECT_EQ(name.Title().Caption(), "Name");
    EXPECT_EQ(name.Color(), 0xD0F0E0) << "passing through the colour combo must not store black";
    EXPECT_EQ(columns.Items(2)->FieldName(), "CITY");
}

TEST_F(GridSetupWindow, CustomColourApplyToAllPopupAndCancel)
{
    const std::string before = people.grid->Columns().SaveToText();
    const bool ok = ExecuteDriven(dialog, [&](TfrmGridSetup& window) {
        // The last entry of the title colour combo asks for a colour through the colour dialog.
        script.Answer(TDialogAnswer{TModalResult::mrOk, "", 0x00A0FF, 0});
        window.GtColorsCBTitle->SetFocus();
        QTest::keyClick(window.GtColorsCBTitle->ComboWidget(), Qt::Key_End);
        ASSERT_EQ(script.Records().size(), 1u);
        EXPECT_EQ(script.Records()[0].Kind, TDialogKind::dkColor);
        EXPECT_EQ(window.Colors.Custom(TGtColorCombo::ccTitle), 0x00A0FF);
        EXPECT_EQ(window.edTitleFont->Color(), 0x00A0FF);
        QTest::keyClick(window.GtColorsCBTitle->ComboWidget(), Qt::Key_Tab);
        EXPECT_EQ(window.Items[0]->TitleColor, 0x00A0FF);
        // A cancelled colour dialog leaves the custom colour as it was.
        window.GtColorsCBTitle->SetFocus();
        QTest::keyClick(window.GtColorsCBTitle->ComboWidget(), Qt::Key_Home);
        QTest::keyClick(window.GtColorsCBTitle->ComboWidget(), Qt::Key_End);
        EXPECT_EQ(window.Colors.Custom(TGtColorCombo::ccTitle), 0x00A0FF);

        // "Apply to All" reaches the checked entries only.
        QTest::mouseClick(window.btnApplyAll->ButtonWidget(), Qt::LeftButton);
        EXPECT_EQ(window.Items[2]->TitleColor, 0x00A0FF) << "CITY is checked";
        EXPECT_NE(window.Items[1]->TitleColor, 0x00A0FF) << "ID is not";
        EXPECT_EQ(window.Items[2]->TitleCaption, "CITY");

        // The popup: all, none, the inverse.
        window.miSelectAll->Click();
        EXPECT_THAT(ListLines(window), ::testing::Each(::testing::EndsWith("[x]")));
        window.miUnselectAll->Click();
        EXPECT_THAT(ListLines(window), ::testing::Each(::testing::EndsWith("[ ]")));
        window.clbFields->SetChecked(1, true);
        window.miInvertSelection->Click();
        EXPECT_THAT(ListLines(window), ::testing::ElementsAre("NAME  :  Person [x]", "ID  :  ID [ ]", "CITY  :  CITY [x]",
                                                              "NOTE  :  NOTE [x]"));
        SaveScreenshot(window, "grid-setup-custom-colour.png");
        QTest::mouseClick(window.btnCancel->ButtonWidget(), Qt::LeftButton);
    });
    EXPECT_FALSE(ok);
    EXPECT_EQ(events, (std::vector<std::string>{"before", "show", "after"})) << "OnAfterExecute runs after Cancel too";
    EXPECT_EQ(people.grid->Columns().SaveToText(), before) << "Cancel leaves the grid alone";
}

TEST_F(GridSetupWindow, GridWithoutDataSetShowsNothing)
{
    people.grid->SetDataSource(nullptr);
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(events, (std::vector<std::string>{"before"}));
    dialog.SetDBGrid(nullptr);
    EXPECT_FALSE(dialog.Execute());
    // A grid freed before the dialog is forgotten.
    dialog.SetDBGrid(people.grid.get());
    people.grid.reset();
    EXPECT_EQ(dialog.DBGrid(), nullptr);
}

}  // namespace
