// The Status report of the STATISTICS page over a large ticket table: a click on its
// "Refresh Report" button reads the Status list, counts the active project's tickets per list
// item and redraws the chart. Run on 100,000 tickets of ten projects and a Status list of 20
// items; the user waits for it after the click. Reported in milliseconds.

#include "TrackerBenchSupport.h"

#include "app/Reports.h"
#include "app/Unit1.h"
#include "app/tables/TrackerTables.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/gui/Charts.h"
#include "platform/gui/Dialogs.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <numeric>
#include <string>
#include <vector>

namespace {

constexpr int kProjectCount = 10;
constexpr int kStatusCount = 20;

std::string StatusName(int i)
{
    return "Status " + std::to_string(i);
}

std::string MakeProgramFolder(int ticketCount)
{
    const std::filesystem::path folder = MakeBenchProgramFolder();
    const std::filesystem::path databases = folder / "databases";
    AppendRecords((databases / TrackerTableLayout(TTrackerTable::Products).FileName).string(), 1, [](TDataSet& table, int) {
        table.Fields().Fields(static_cast<int>(TProductField::NAME))->SetAsString("Project 3");
        table.Fields().Fields(static_cast<int>(TProductField::VERSION))->SetAsString("1.0");
    });
    AppendRecords((databases / TrackerTableLayout(TTrackerTable::Lists).FileName).string(), kStatusCount,
                  [](TDataSet& table, int i) {
                      table.Fields().Fields(static_cast<int>(TListField::LISTID))
                          ->SetAsInteger(static_cast<int>(TListKind::Status));
                      table.Fields().Fields(static_cast<int>(TListField::LISTITEM))->SetAsString(StatusName(i));
                  });
    // Ten projects in turn, each ticket of a project in the next status; every other one of
    // them found in the active version.
    const int idOffset = TicketFieldOffset(TTicketField::TICKETID);
    const int productOffset = TicketFieldOffset(TTicketField::PRODUCT);
    const int versionOffset = TicketFieldOffset(TTicketField::VERSION);
    const int statusOffset = TicketFieldOffset(TTicketField::STATUS);
    FillTickets((databases / "Tickets.dbf").string(), ticketCount, [&](std::string& record, int i) {
        const std::string id = "#QZ#" + std::to_string(i);
        const std::string product = "Project " + std::to_string(i % kProjectCount);
        const std::string version = (i / kProjectCount) % 2 == 0 ? "1.0" : "0.9";
        const std::string status = StatusName((i / kProjectCount) % kStatusCount);
        record.replace(static_cast<size_t>(idOffset), id.size(), id);
        record.replace(static_cast<size_t>(productOffset), product.size(), product);
        record.replace(static_cast<size_t>(versionOffset), version.size(), version);
        record.replace(static_cast<size_t>(statusOffset), status.size(), status);
    });
    return folder.string();
}

void BM_StatusReport(benchmark::State& state)
{
    BenchApplication("bench_statistics");
    const int ticketCount = static_cast<int>(state.range(0));
    const TBenchProgram program(MakeProgramFolder(ticketCount));
    {
        TDialogScript script;  // a box would otherwise wait for the user
        Tmainfrm window(nullptr);
        window.Show();
        // The post-start step, which the one-shot timer would otherwise run in the middle of
        // the measurement.
        window.startuptimer->OnTimer(window.startuptimer);
        window.tabs->SetActivePageIndex(8);
        window.Get<TPageControl>("pages")->SetActivePageIndex(1);
        BenchApplication("bench_statistics").ProcessMessages();
        auto* button = window.Get<TControl>("report3btn");
        for (auto _ : state) {
            button->Click();
            BenchApplication("bench_statistics").ProcessMessages();
        }
        // Half of the project's tickets are linked to the version, spread evenly over the list.
        const TChartSeries& series = *window.Get<TChartSeries>("Series2");
        double counted = 0;
        for (int i = 0; i < series.Count(); ++i) {
            counted += series.YValue(i);
        }
        if (series.Count() != kStatusCount || counted != ticketCount / kProjectCount / 2 || !script.Records().empty()) {
            state.SkipWithError("the Status report did not count the project's tickets");
        }
    }
}
BENCHMARK(BM_StatusReport)->Arg(100000)->Unit(benchmark::kMillisecond);

// The count alone, without the chart: one walk over the tickets.
void BM_StatusCounts(benchmark::State& state)
{
    BenchApplication("bench_statistics");
    const int ticketCount = static_cast<int>(state.range(0));
    const TBenchProgram program(MakeProgramFolder(ticketCount));
    {
        TDialogScript script;
        Tmainfrm window(nullptr);
        window.startuptimer->OnTimer(window.startuptimer);
        const std::vector<std::string> items = PickListItems(*window.listdb, TListKind::Status);
        std::vector<int> counts;
        for (auto _ : state) {
            counts = CountTicketsPerItem(*window.maindb, items, TTicketField::STATUS, {"Project 3", "1.0", true});
        }
        if (std::accumulate(counts.begin(), counts.end(), 0) != ticketCount / kProjectCount / 2) {
            state.SkipWithError("the tickets were not counted");
        }
    }
}
BENCHMARK(BM_StatusCounts)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
