// Start-up of the main window, from creating it (FormCreate: settings, message table, folders,
// the seven tables opened, layouts, notes) to the window shown, over a database whose ticket
// table holds 100,000 records. Reported in milliseconds.

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
#include <memory>
#include <string>

namespace {

constexpr int kTicketCount = 100000;

TApplication& BenchApplication()
{
    static int argc = 1;
    static char name[] = "bench_startup";
    static char* argv[] = {name, nullptr};
    static TApplication* application = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        return new TApplication(argc, argv);
    }();
    return *application;
}

// Fills a table file made by the engine with `count` records written straight after its
// header, then sets the header's record count.
void FillTickets(const std::string& fileName, int count)
{
    TXbSmartDBF table(nullptr);
    ConfigureTrackerTable(table, false);
    table.DBFFileName = fileName;
    table.Open();
    const int headerSize = table.HeaderSize();
    const int recordSize = table.RecordSize();
    table.Close();
    std::fstream file(fileName, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(headerSize);
    std::string record(static_cast<size_t>(recordSize), ' ');
    for (int i = 1; i <= count; ++i) {
        const std::string id = "#QZ#" + std::to_string(i);
        record.replace(1, id.size(), id);
        file.write(record.data(), recordSize);
    }
    file.put('\x1A');
    const uint32_t stored = static_cast<uint32_t>(count);
    const char bytes[4] = {static_cast<char>(stored & 0xFF), static_cast<char>((stored >> 8) & 0xFF),
                           static_cast<char>((stored >> 16) & 0xFF), static_cast<char>((stored >> 24) & 0xFF)};
    file.seekp(4);
    file.write(bytes, 4);
}

std::string MakeProgramFolder()
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
    }
    FillTickets((folder / "databases" / "Tickets.dbf").string(), kTicketCount);
    TIniFile ini((folder / "Ovralun.ini").string());
    ini.WriteString("Settings", "OpenSite", "1");
    return folder.string();
}

void BM_StartupToMainWindowShown(benchmark::State& state)
{
    BenchApplication();
    const std::string folder = MakeProgramFolder();
    SetApplicationFolder(folder);
    SetOpener([](const std::string&, const std::string&) { return true; });
    TDialogScript script;  // a box would otherwise wait for the user
    for (auto _ : state) {
        auto window = std::make_unique<Tmainfrm>(nullptr);
        window->Show();
        BenchApplication().ProcessMessages();
        state.PauseTiming();
        if (window->maindb->RecordCount() != kTicketCount || !script.Records().empty()) {
            state.SkipWithError("the start-up did not open the tickets");
        }
        window.reset();
        state.ResumeTiming();
    }
    SetOpener(nullptr);
    SetApplicationFolder("");
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_StartupToMainWindowShown)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
