// The quick filter of the TICKETS page on a large ticket table: choosing a value with a column
// chosen sets the two-condition filter (the active project and the column) and the ticket grid
// shows its first page. Run on tables of 10,000 and 100,000 tickets: the first page costs the
// same on both, since the grid reads only the records it shows. Reported in milliseconds.

#include "app/Unit1.h"
#include "app/tables/TrackerTables.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/System.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

namespace {

constexpr int kProjectCount = 10;

TApplication& BenchApplication()
{
    static int argc = 1;
    static char name[] = "bench_quick_filter";
    static char* argv[] = {name, nullptr};
    static TApplication* application = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        return new TApplication(argc, argv);
    }();
    return *application;
}

// Byte offset of a ticket field in the record (after the deletion flag).
int TicketFieldOffset(TTicketField field)
{
    int offset = 1;
    const auto fields = TrackerTableLayout(TTrackerTable::Tickets).Fields;
    for (int i = 0; i < static_cast<int>(field); ++i) {
        offset += fields[static_cast<size_t>(i)].Width;
    }
    return offset;
}

// Writes `count` tickets straight after the header of an empty table the engine made: ten
// projects in turn, every other ticket of a project open, then sets the header's record count.
void FillTickets(const std::string& fileName, int count)
{
    TXbSmartDBF table(nullptr);
    ConfigureTrackerTable(table, false);
    table.DBFFileName = fileName;
    table.Open();
    const int headerSize = table.HeaderSize();
    const int recordSize = table.RecordSize();
    table.Close();
    const int idOffset = TicketFieldOffset(TTicketField::TICKETID);
    const int productOffset = TicketFieldOffset(TTicketField::PRODUCT);
    const int statusOffset = TicketFieldOffset(TTicketField::STATUS);
    std::fstream file(fileName, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(headerSize);
    for (int i = 1; i <= count; ++i) {
        std::string record(static_cast<size_t>(recordSize), ' ');
        const std::string id = "#QZ#" + std::to_string(i);
        const std::string product = "Project " + std::to_string(i % kProjectCount);
        const std::string status = (i / kProjectCount) % 2 == 0 ? "Open" : "Closed";
        record.replace(static_cast<size_t>(idOffset), id.size(), id);
        record.replace(static_cast<size_t>(productOffset), product.size(), product);
        record.replace(static_cast<size_t>(statusOffset), status.size(), status);
        file.write(record.data(), recordSize);
    }
    file.put('\x1A');
    const uint32_t stored = static_cast<uint32_t>(count);
    const char bytes[4] = {static_cast<char>(stored & 0xFF), static_cast<char>((stored >> 8) & 0xFF),
                           static_cast<char>((stored >> 16) & 0xFF), static_cast<char>((stored >> 24) & 0xFF)};
    file.seekp(4);
    file.write(bytes, 4);
}

std::string MakeProgramFolder(int ticketCount)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "zentivor-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::abort();
    }
    const std::filesystem::path folder = pattern;
    for (const char* name : {"databases", "backup", "attachments", "language"}) {
        std::filesystem::create_directories(folder / name);
    }
    std::filesystem::copy_file(std::string(ZV_SOURCE_DIR) + "/resources/language/English.mes",
                               folder / "language" / "English.mes");
    for (const TTrackerTableLayout& layout : TrackerTableLayouts()) {
        TXbSmartDBF table(nullptr);
        ConfigureTrackerTable(table, layout.Enciphered);
        table.DBFFileName = (folder / "databases" / layout.FileName).string();
        for (const TTrackerField& field : layout.Fields) {
            table.DBFFieldDefs().Add(field.Name, field.Type, field.Width, field.Decimals);
        }
        table.CreateTable();
        if (layout.Table == TTrackerTable::Products) {
            table.Open();
            table.Append();
            table.Fields().Fields(static_cast<int>(TProductField::NAME))->SetAsString("Project 3");
            table.Fields().Fields(static_cast<int>(TProductField::VERSION))->SetAsString("1.0");
            table.Post();
            table.Close();
        }
    }
    FillTickets((folder / "databases" / "Tickets.dbf").string(), ticketCount);
    TIniFile ini((folder / "Ovralun.ini").string());
    ini.WriteString("Settings", "OpenSite", "1");
    return folder.string();
}

void BM_QuickFilterFirstPage(benchmark::State& state)
{
    BenchApplication();
    const int ticketCount = static_cast<int>(state.range(0));
    const std::string folder = MakeProgramFolder(ticketCount);
    SetApplicationFolder(folder);
    SetOpener([](const std::string&, const std::string&) { return true; });
    {
        TDialogScript script;  // a box would otherwise wait for the user
        Tmainfrm window(nullptr);
        window.Show();
        // The post-start step, which the one-shot timer would otherwise run in the middle of
        // the measurement.
        window.startuptimer->OnTimer(window.startuptimer);
        window.tabs->SetActivePageIndex(2);
        BenchApplication().ProcessMessages();
        window.fieldlist->SetItemIndex(window.fieldlist->Items().IndexOf("STATUS"));
        window.operation->SetItemIndex(0);
        const char* const values[] = {"Open", "Closed"};
        int turn = 0;
        for (auto _ : state) {
            window.filtervalue->SetText(values[turn++ % 2]);
            window.filtervalue->OnChange(window.filtervalue);
            window.maingrid->Repaint();
            BenchApplication().ProcessMessages();
        }
        const std::string expected = "PRODUCT='Project 3' and STATUS='" + std::string(values[(turn - 1) % 2]) + "'";
        if (window.maindb->Filter() != expected || window.maingrid->RowCount() < 10 || !script.Records().empty()) {
            state.SkipWithError("the quick filter did not show the project's tickets");
        }
    }
    SetOpener(nullptr);
    SetApplicationFolder("");
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_QuickFilterFirstPage)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
