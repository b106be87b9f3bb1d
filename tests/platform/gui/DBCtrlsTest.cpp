// Data-aware labels, edits and memos follow the current record and write the user's edits
// into it.

#include "DataControlsTestSupport.h"

#include "platform/gui/DBCtrls.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

namespace {

class DBCtrlsTest : public DataControlsFixture {};

TEST_F(DBCtrlsTest, LabelsAndEditsFollowTheRecord)
{
    OpenRecords(5);
    auto* label = Make<TDBText>("label");
    label->SetDataSource(source);
    label->SetDataField("NAME");
    auto* edit = Make<TDBEdit>("edit");
    edit->SetDataSource(source);
    edit->SetDataField("ID");
    auto* unbound = Make<TDBText>("unbound");
    unbound->SetDataSource(source);
    unbound->SetDataField("MISSING");

    EXPECT_EQ(label->Caption(), "R1");
    EXPECT_EQ(edit->Text(), "1");
    EXPECT_EQ(unbound->Caption(), "");
    dataSet->Next();
    EXPECT_EQ(label->Caption(), "R2");
    EXPECT_EQ(edit->Text(), "2");
    dataSet->Last();
    EXPECT_EQ(label->Caption(), "R5");

    // While controls are disabled nothing moves; one catch-up follows.
    dataSet->DisableControls();
    dataSet->First();
    dataSet->Next();
    EXPECT_EQ(label->Caption(), "R5");
    EXPECT_EQ(edit->Text(), "5");
    dataSet->EnableControls();
    EXPECT_EQ(label->Caption(), "R2");
    EXPECT_EQ(edit->Text(), "2");

    // A change made by code shows at once; closing empties the controls.
    dataSet->Edit();
    dataSet->FieldByName("NAME")->SetAsString("Renamed");
    EXPECT_EQ(label->Caption(), "Renamed");
    dataSet->Post();
    dataSet->Close();
    EXPECT_EQ(label->Caption(), "");
    EXPECT_EQ(edit->Text(), "");
}

TEST_F(DBCtrlsTest, TypingInAnEditEditsTheRecordAndPostWritesIt)
{
    OpenRecords(3);
    auto* edit = Make<TDBEdit>("edit");
    edit->SetDataSource(source);
    edit->SetDataField("NAME");
    form->Show();
    QLineEdit* line = edit->EditWidget();
    line->setFocus();
    line->end(false);
    QTest::keyClicks(line, "xy");
    EXPECT_EQ(dataSet->State(), TDataSetState::dsEdit);
    EXPECT_EQ(edit->Text(), "R1xy");
    // The field takes the text when the record is posted.
    EXPECT_EQ(dataSet->FieldByName("NAME")->AsString(), "R1");
    dataSet->Post();
    EXPECT_EQ(dataSet->FieldByName("NAME")->AsString(), "R1xy");
    dataSet->Next();
    EXPECT_EQ(edit->Text(), "R2");
    dataSet->Prior();
    EXPECT_EQ(edit->Text(), "R1xy");

    // Escape drops the change; Cancel shows the stored value again.
    line->end(false);
    QTest::keyClicks(line, "z");
    QTest::keyClick(line, Qt::Key_Escape);
    EXPECT_EQ(edit->Text(), "R1xy");
    dataSet->Cancel();
    EXPECT_EQ(dataSet->FieldByName("NAME")->AsString(), "R1xy");
}

TEST_F(DBCtrlsTest, ReadOnlyControlsAndReadOnlySourcesDoNotEdit)
{
    OpenRecords(3);
    auto* edit = Make<TDBEdit>("edit");
    edit->SetDataSource(source);
    edit->SetDataField("NAME");
    edit->SetReadOnly(true);
    form->Show();
    edit->EditWidget()->end(false);
    QTest::keyClicks(edit->EditWidget(), "q");
    EXPECT_EQ(dataSet->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(edit->Text(), "R1");

    edit->SetReadOnly(false);
    source->SetAutoEdit(false);
    // QLineEdit::setReadOnly was lifted: the edit itself takes the key, the link refuses it.
    edit->EditWidget()->end(false);
    QTest::keyClicks(edit->EditWidget(), "q");
    EXPECT_EQ(dataSet->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(edit->Text(), "R1");
}

TEST_F(DBCtrlsTest, MemoShowsAndWritesAMemoField)
{
    OpenRecords(2, true);
    dataSet->Edit();
    dataSet->FieldByName("NOTES")->SetAsString("first line\r\nsecond line");
    dataSet->Post();
    auto* memo = Make<TDBMemo>("memo");
    memo->SetDataSource(source);
    memo->SetDataField("NOTES");
    form->Show();
    EXPECT_EQ(memo->Lines().Count(), 2);
    EXPECT_EQ(memo->Lines().Strings(1), "second line");
    dataSet->Next();
    EXPECT_EQ(memo->Lines().Count(), 0);

    memo->MemoWidget()->setFocus();
    QTest::keyClicks(memo->MemoWidget(), "new");
    EXPECT_EQ(dataSet->State(), TDataSetState::dsEdit);
    dataSet->Post();
    EXPECT_EQ(dataSet->FieldByName("NOTES")->AsString(), "new");
    dataSet->First();
    EXPECT_EQ(memo->Lines().Strings(0), "first line");
}

}  // namespace
