// Start-up of the main window, from creating it (FormCreate: settings, message table, folders,
// the seven tables opened, layouts, notes) to the window shown, over a database whose ticket
// table holds 100,000 records. Reported in milliseconds.

#include "TrackerBenchSupport.h"

#include "app/Unit1.h"
#include "app/tables/TrackerTables.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/gui/Dialogs.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

namespace {

constexpr int kTicketCount = 100000;

std::string MakeProgramFolder()
{
    const std::filesystem::path folder = MakeBenchProgramFolder();
    const int idOffset = TicketFieldOffset(TTicketField::TICKETID);
    FillTickets((folder / "databases" / "Tickets.dbf").string(), kTicketCount, [&](std::string& record, int i) {
        const std::string id = "#QZ#" + std::to_string(i);
        record.replace(static_cast<size_t>(idOffset), id.size(), id);
    });
    return folder.string();
}

void BM_StartupToMainWindowShown(benchmark::State& state)
{
    BenchApplication("bench_startup");
    const TBenchProgram program(MakeProgramFolder());
    TDialogScript script;  // a box would otherwise wait for the user
    for (auto _ : state) {
        auto window = std::make_unique<Tmainfrm>(nullptr);
        window->Show();
        BenchApplication("bench_startup").ProcessMessages();
        state.PauseTiming();
        if (window->maindb->RecordCount() != kTicketCount || !script.Records().empty()) {
            state.SkipWithError("the start-up did not open the tickets");
        }
        window.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartupToMainWindowShown)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
