// Tickets saved through the editor into a real "Tickets.dbf", read back by python3-dbfread:
// ids, stamps, memo texts, dates and logicals as an outside reader sees them.

#include "TicketEditorSupport.h"

#include "dbf/XbDBFDataSet.h"

#include <gmock/gmock.h>

namespace {

const char* const kDumpScript = R"(
import sys
from dbfread import DBF
for r in DBF(sys.argv[1] if len(sys.argv) > 1 else 'TABLE', encoding='cp1252', char_decode_errors='strict'):
    print('|'.join(repr(r[f]) for f in ('TICKETID', 'PRODUCT', 'SUBJECT', 'DETAILS', 'REPORTEDON', 'DUE',
        'FINISHED', 'COMPLETED', 'CREATEDON', 'CREATEDBY', 'MODIFIEDON', 'MODIFIEDBY', 'INVESTDATE',
        'INVESTSTAT', 'RESOLVSTAT', 'COST', 'QALEVEL', 'HISTORY', 'FILESTORE')))
)";

class TicketStorage : public TicketEditorFixture {
protected:
    void SetUp() override
    {
        if (!HavePythonModule("dbfread")) {
            GTEST_SKIP() << "python3-dbfread is not installed";
        }
        TicketEditorFixture::SetUp();
        Set(Setting::IDFlag, "#QZ#");
        fileName = folder.File("Tickets.dbf");
        CreateTrackerTable(fileName, TTrackerTable::Tickets);
        table = OpenTrackerTable(fileName);
        UseTicketTable(table.get());
    }
    void TearDown() override
    {
        clock.reset();
        TicketEditorFixture::TearDown();
        table.reset();
    }
    void At(int year, int month, int day, int hour, int minute, int second)
    {
        clock.reset();
        clock = std::make_unique<TFixedClock>(EncodeDate(year, month, day) + EncodeTime(hour, minute, second, 0));
    }
    std::vector<std::string> ReadBack()
    {
        table->Close();
        std::string script = kDumpScript;
        script.replace(script.find("'TABLE'"), 7, "'" + fileName + "'");
        bool ok = false;
        const std::string output = RunPython(script, ok);
        EXPECT_TRUE(ok) << output;
        std::vector<std::string> lines;
        size_t start = 0;
        while (start < output.size()) {
            const size_t end = output.find('\n', start);
            lines.push_back(output.substr(start, end - start));
            start = end == std::string::npos ? output.size() : end + 1;
        }
        return lines;
    }
    std::string fileName;
    std::unique_ptr<TXbSmartDBF> table;
    std::unique_ptr<TFixedClock> clock;
};

TEST_F(TicketStorage, AddedAndEditedTicketsReadBackWithIdsStampsMemosDatesAndLogicals)
{
    At(2024, 3, 15, 9, 5, 7);
    BlankTicket();
    editor->ed_subject->SetText("Crash on start");
    editor->ed_details->Lines().SetText("first line\r\nzweite Zeile \xE4");
    editor->dt_reportedon->SetDate(EncodeDate(2024, 3, 10));
    editor->dt_due->SetDate(EncodeDate(2031, 12, 31));
    editor->dt_due->SetChecked(true);
    editor->cb_investigate->SetText("Ann");
    editor->investigate->SetDate(EncodeDate(2024, 3, 12));
    editor->investigate->SetChecked(true);
    editor->cost->SetText("12.5");
    editor->filestore->Items().SetText("a.txt");
    editor->btn_okClick(nullptr);
    ASSERT_TRUE(dialogs->Records().empty()) << dialogs->Records()[0].Text;

    At(2024, 3, 15, 10, 0, 0);
    BlankTicket();
    editor->ed_subject->SetText("Second");
    editor->cb_status->SetText("Closed");
    editor->ck_completed->SetChecked(true);
    editor->dt_finished->SetDate(EncodeDate(2024, 3, 15));
    editor->dt_finished->SetChecked(true);
    editor->btn_okClick(nullptr);
    ASSERT_TRUE(dialogs->Records().empty()) << dialogs->Records()[0].Text;
    ASSERT_EQ(table->RecordCount(), 2);

    // A No to the open sub-ticket question writes nothing.
    openSubTickets = "1";
    dialogs->Answer(TModalResult::mrNo);
    BlankTicket();
    editor->ck_completed->SetChecked(true);
    editor->btn_okClick(nullptr);
    EXPECT_EQ(table->RecordCount(), 2);
    openSubTickets = "";
    dialogs->ClearRecords();

    // Edit the first ticket a day later: the id and the created stamps stay.
    At(2024, 3, 16, 8, 0, 0);
    table->SetRecNo(1);
    TTicketCommandHost host;
    host.TicketTable = table.get();
    host.SettingsIni = ini.get();
    ASSERT_TRUE(PrepareEditTicket(*editor, host));
    EXPECT_EQ(editor->ed_details->Lines().Count(), 2);
    EXPECT_TRUE(editor->dt_due->Checked());
    EXPECT_FALSE(editor->dt_started->Checked());
    editor->ed_subject->SetText("Crash on start (edited)");
    editor->history->Lines().Add("checked again");
    editor->btn_okClick(nullptr);
    ASSERT_TRUE(dialogs->Records().empty()) << dialogs->Records()[0].Text;

    // Empty memos take no memo block: the reader sees no memo (None).
    const std::vector<std::string> records = ReadBack();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0],
              "'#QZ#1957'|'Tracker'|'Crash on start (edited)'|'first line\\r\\nzweite Zeile \xC3\xA4\\r\\n'|"
              "datetime.date(2024, 3, 10)|datetime.date(2031, 12, 31)|None|False|datetime.date(2024, 3, 15)|"
              "'tester'|datetime.date(2024, 3, 16)|'tester'|datetime.date(2024, 3, 12)|True|False|12.5|2|"
              "'checked again\\r\\n'|'a.txt\\r\\n'");
    EXPECT_EQ(records[1],
              "'#QZ#21000'|'Tracker'|'Second'|None|datetime.date(2024, 3, 15)|None|datetime.date(2024, 3, 15)|True|"
              "datetime.date(2024, 3, 15)|'tester'|None|''|None|False|False|0.0|0|None|None");
}

}  // namespace
