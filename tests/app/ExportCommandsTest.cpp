// The main window's export commands: each table's "Export" popup item runs its export component
// through the format window and the save dialog to a document that an outside reader (Python's
// csv module, LibreOffice for the worksheet) reads back; the code table has no export.

#include "AppTestSupport.h"

#include "export/ExExport.h"
#include "export/ExExportSelect.h"
#include "platform/gui/Menus.h"
#include "platform/gui/StdCtrls.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/System.h"

#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using TCsvRows = std::vector<std::vector<std::string>>;

// Reads a CSV document (cp1252) or a worksheet (converted to CSV by LibreOffice) with Python's csv
// module and writes its rows back as cp1252 text, fields split by 0x1F and rows by 0x1E.
constexpr const char* kReaderScript = R"(
import csv, os, subprocess, sys
source, target, work = sys.argv[1], sys.argv[2], sys.argv[3]
encoding = "cp1252"
if source.lower().endswith(".xls"):
    subprocess.run(["soffice", "-env:UserInstallation=file://" + os.path.join(work, "profile"), "--headless",
                    "--norestore", "--convert-to", "csv:Text - txt - csv (StarCalc):44,34,76", "--outdir",
                    os.path.join(work, "converted"), source],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
    source = os.path.join(work, "converted", os.path.splitext(os.path.basename(source))[0] + ".csv")
    encoding = "utf-8"
with open(source, encoding=encoding, newline="") as f:
    rows = list(csv.reader(f))
with open(target, "w", encoding="cp1252", newline="") as f:
    f.write("\x1e".join("\x1f".join(row) for row in rows))
)";

TCsvRows Split(const std::string& text)
{
    TCsvRows rows;
    size_t start = 0;
    while (start <= text.size() && !text.empty()) {
        const size_t end = std::min(text.find('\x1e', start), text.size());
        std::vector<std::string> row;
        const std::string line = text.substr(start, end - start);
        size_t field = 0;
        while (true) {
            const size_t next = line.find('\x1f', field);
            row.push_back(line.substr(field, next == std::string::npos ? std::string::npos : next - field));
            if (next == std::string::npos) {
                break;
            }
            field = next + 1;
        }
        rows.push_back(row);
        start = end + 1;
    }
    return rows;
}

// The cell of column `caption` in every data row.
std::vector<std::string> Column(const TCsvRows& rows, const std::string& caption)
{
    std::vector<std::string> cells;
    if (rows.empty()) {
        return cells;
    }
    const auto at = std::find(rows[0].begin(), rows[0].end(), caption);
    if (at == rows[0].end()) {
        return cells;
    }
    const size_t column = static_cast<size_t>(at - rows[0].begin());
    for (size_t i = 1; i < rows.size(); ++i) {
        cells.push_back(column < rows[i].size() ? rows[i][column] : std::string("<missing>"));
    }
    return cells;
}

constexpr int T_ID = static_cast<int>(TTicketField::TICKETID);
constexpr int T_PRODUCT = static_cast<int>(TTicketField::PRODUCT);
constexpr int T_VERSION = static_cast<int>(TTicketField::VERSION);
constexpr int T_SUBJECT = static_cast<int>(TTicketField::SUBJECT);
constexpr int T_REPORTEDON = static_cast<int>(TTicketField::REPORTEDON);
constexpr int S_TICKETID = static_cast<int>(TSubticketField::TICKETID);
constexpr int S_SUBID = static_cast<int>(TSubticketField::SUBID);
constexpr int S_SUBJECT = static_cast<int>(TSubticketField::SUBJECT);
constexpr int P_NAME = static_cast<int>(TProductField::NAME);
constexpr int P_VERSION = static_cast<int>(TProductField::VERSION);
constexpr int L_NAME = static_cast<int>(TListField::LISTNAME);
constexpr int L_ITEM = static_cast<int>(TListField::LISTITEM);
constexpr int C_NAME = static_cast<int>(TContactField::NAME);
constexpr int C_EMAIL = static_cast<int>(TContactField::EMAIL);
constexpr int W_TICKETID = static_cast<int>(TWorktimeField::TICKETID);
constexpr int W_ASSIGNED = static_cast<int>(TWorktimeField::ASSIGNED);

const std::string kTicketSubject = "Crash, \"quoted\"; 50% & Caf\xE9";

class ExportCommands : public ProgramFolderTest {
protected:
    void SetUp() override
    {
        ProgramFolderTest::SetUp();
        MakeDataFolders();
        MakeAllTables();
        Ini().WriteString("Settings", "OpenSite", "1");
        FillTable(PathOf("databases/product.dbf"), TTrackerTable::Products, {{{P_NAME, "Alpha"}, {P_VERSION, "1.0"}}});
        FillTable(PathOf("databases/Tickets.dbf"), TTrackerTable::Tickets,
                  {{{T_ID, "T-1"}, {T_PRODUCT, "Alpha"}, {T_VERSION, "1.0"}, {T_SUBJECT, kTicketSubject},
                    {T_REPORTEDON, "2026-03-04"}}});
        FillTable(PathOf("databases/Subtickets.dbf"), TTrackerTable::Subtickets,
                  {{{S_TICKETID, "T-1"}, {S_SUBID, "S-1"}, {S_SUBJECT, "Sub; step 1"}}});
        FillTable(PathOf("databases/Lists.dbf"), TTrackerTable::Lists,
                  {{{L_NAME, "Type"}, {L_ITEM, "Bug"}}, {{L_NAME, "Type"}, {L_ITEM, "Feature"}}});
        FillTable(PathOf("databases/Contacts.dbf"), TTrackerTable::Contacts,
                  {{{C_NAME, "Ann O'Hara"}, {C_EMAIL, "ann@example.org"}}});
        FillTable(PathOf("databases/Worktime.dbf"), TTrackerTable::Worktime,
                  {{{W_TICKETID, "T-1"}, {W_ASSIGNED, "Ann O'Hara"}}});
        std::filesystem::create_directories(PathOf("out"));
    }

    // Clicks the popup item `item`; in the format window that it shows, chooses `format` and
    // "Export to file" (or leaves the window as it comes when `format` is null) and presses
    // Export. The save dialog is answered with `fileName`.
    void RunFromMenu(const char* item, const char* format, const std::string& fileName)
    {
        script_->Answer(TDialogAnswer{TModalResult::mrOk, fileName, clBlack, 0});
        bool shown = false;
        QTimer::singleShot(0, [&] {
            Tfrm_Selection* window = nullptr;
            for (int i = 0; i < Screen->FormCount(); ++i) {
                if (auto* form = dynamic_cast<Tfrm_Selection*>(Screen->Forms(i)); form != nullptr && form->Visible()) {
                    window = form;
                }
            }
            shown = window != nullptr;
            if (window == nullptr) {
                return;
            }
            if (format != nullptr) {
                window->SelectionCombo->SetItemIndex(window->SelectionCombo->Items().IndexOf(format));
                window->SelectionComboChange(window->SelectionCombo);
                window->rdo_File->Click();
            }
            window->btn_Selection->Click();
        });
        window_->Get<TMenuItem>(item)->Click();
        EXPECT_TRUE(shown) << item;
    }

    // The rows of a CSV document or worksheet as an outside reader sees them.
    TCsvRows ReadBack(const std::string& fileName)
    {
        const std::string target = PathOf("out/rows.txt");
        std::filesystem::remove(target);
        EXPECT_EQ(RunProgramAndWait("python3", {"-c", kReaderScript, fileName, target, PathOf("out")}), 0) << fileName;
        std::ifstream file(target, std::ios::binary);
        return Split(std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()));
    }
};

TEST_F(ExportCommands, EachTableExportsFromItsPopupToACsvDocument)
{
    Tmainfrm& window = Start();
    // The sub-ticket and work-time grids show the entries of the ticket clicked last.
    window.maingridCellClick(nullptr);
    const struct {
        const char* Item;
        TExDataSetExport* Tmainfrm::*Component;
        const char* File;
        const char* Caption;
        std::vector<std::string> Cells;
    } cases[] = {
        {"Export1", &Tmainfrm::mainexport, "tickets", "SUBJECT", {kTicketSubject}},
        {"Export2", &Tmainfrm::subexport, "subtickets", "SUBJECT", {"Sub; step 1"}},
        {"Export3", &Tmainfrm::productexport, "products", "NAME", {"Alpha"}},
        {"Export7", &Tmainfrm::projectexport, "projects", "NAME", {"Alpha"}},
        {"Export6", &Tmainfrm::listexport, "lists", "LISTITEM", {"Bug", "Feature"}},
        {"Export4", &Tmainfrm::contactexport, "contacts", "NAME", {"Ann O'Hara"}},
        {"Export5", &Tmainfrm::workexport, "worktime", "ASSIGNED", {"Ann O'Hara"}},
    };
    for (const auto& test : cases) {
        RunFromMenu(test.Item, "Comma-Separated Text", PathOf(std::string("out/") + test.File + ".csv"));
        const std::string written = (window.*test.Component)->OutputFileName();
        ASSERT_TRUE(FileExists(written)) << test.Item << " " << written;
        const TCsvRows rows = ReadBack(written);
        EXPECT_EQ(Column(rows, test.Caption), test.Cells) << test.Item;
    }
    for (const TDialogRecord& record : script_->Records()) {
        EXPECT_EQ(record.Kind, TDialogKind::dkSave) << record.Text;
    }
    EXPECT_TRUE(opened_.empty());
}

TEST_F(ExportCommands, TheTicketTableExportsToAWorksheet)
{
    if (std::system("command -v soffice >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "LibreOffice is missing (scripts/install-deps.sh installs it)";
    }
    Tmainfrm& window = Start();
    RunFromMenu("Export1", "Microsoft Excel", PathOf("out/tickets.xls"));
    const std::string written = window.mainexport->OutputFileName();
    ASSERT_TRUE(FileExists(written)) << written;
    const TCsvRows rows = ReadBack(written);
    EXPECT_EQ(Column(rows, "TICKETID"), std::vector<std::string>{"T-1"});
    EXPECT_EQ(Column(rows, "SUBJECT"), std::vector<std::string>{kTicketSubject});
}

TEST_F(ExportCommands, ByDefaultAnHtmlDocumentIsWrittenAndOpened)
{
    Tmainfrm& window = Start();
    RunFromMenu("Export3", nullptr, std::string());
    ASSERT_EQ(opened_.size(), 1u);
    const std::string viewed = opened_[0].Target;
    EXPECT_EQ(viewed, window.productexport->OutputFileName());
    EXPECT_EQ(ExtractFileExt(viewed), ".HTML");
    std::ifstream file(viewed, std::ios::binary);
    const std::string document((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::filesystem::remove(viewed);
    EXPECT_NE(document.find("<TD><small>Alpha</small></TD>"), std::string::npos);
    // No save dialog was asked for.
    EXPECT_EQ(script_->Pending(), 1u);
}

TEST_F(ExportCommands, TheCodeTableHasNoExport)
{
    Tmainfrm& window = Start();
    auto* popup = window.Get<TPopupMenu>("codepopup");
    std::vector<std::string> captions;
    for (int i = 0; i < popup->Items()->Count(); ++i) {
        captions.push_back(popup->Items()->Items(i)->Caption());
    }
    EXPECT_EQ(captions, (std::vector<std::string>{"Administration"}));
    EXPECT_EQ(window.FindComponent("codeexport"), nullptr);
}

}  // namespace
