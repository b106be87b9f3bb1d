// The quick filter of the TICKETS page on a large ticket table: choosing a value with a column
// chosen sets the two-condition filter (the active project and the column) and the ticket grid
// shows its first page. Run on tables of 100,000 and 1,000,000 tickets, with a dense filter
// (half of the project's tickets match: the first page is found at once) and a sparse one
// (one ticket in 50,000 matches: the first page needs a scan of the table). Reported in
// milliseconds, with the peak resident size after the run.

#include "TrackerBenchSupport.h"

#include "app/Unit1.h"
#include "app/tables/TrackerTables.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/gui/Dialogs.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <sys/resource.h>

namespace {

constexpr int kProjectCount = 10;

std::string MakeProgramFolder(int ticketCount)
{
    const std::filesystem::path folder = MakeBenchProgramFolder();
    AppendRecords((folder / "databases" / TrackerTableLayout(TTrackerTable::Products).FileName).string(), 1,
                  [](TDataSet& products, int) {
                      products.Fields().Fields(static_cast<int>(TProductField::NAME))->SetAsString("Project 3");
                      products.Fields().Fields(static_cast<int>(TProductField::VERSION))->SetAsString("1.0");
                  });
    // Ten projects in turn, every other ticket of a project open.
    const int idOffset = TicketFieldOffset(TTicketField::TICKETID);
    const int productOffset = TicketFieldOffset(TTicketField::PRODUCT);
    const int statusOffset = TicketFieldOffset(TTicketField::STATUS);
    FillTickets((folder / "databases" / "Tickets.dbf").string(), ticketCount, [&](std::string& record, int i) {
        const std::string id = "#QZ#" + std::to_string(i);
        const std::string product = "Project " + std::to_string(i % kProjectCount);
        // Tickets 3, 50,003, 100,003, ... are "Reopened" and 13, 50,013, ... "Waiting": the
        // sparse filters' tickets, all in the active project.
        const std::string status = i % 50000 == 3    ? "Reopened"
                                   : i % 50000 == 13 ? "Waiting"
                                   : (i / kProjectCount) % 2 == 0 ? "Open"
                                                                  : "Closed";
        record.replace(static_cast<size_t>(idOffset), id.size(), id);
        record.replace(static_cast<size_t>(productOffset), product.size(), product);
        record.replace(static_cast<size_t>(statusOffset), status.size(), status);
    });
    return folder.string();
}

void BM_QuickFilterFirstPage(benchmark::State& state)
{
    BenchApplication("bench_quick_filter");
    const int ticketCount = static_cast<int>(state.range(0));
    const bool sparse = state.range(1) != 0;
    const TBenchProgram program(MakeProgramFolder(ticketCount));
    {
        TDialogScript script;  // a box would otherwise wait for the user
        Tmainfrm window(nullptr);
        window.Show();
        // The post-start step, which the one-shot timer would otherwise run in the middle of
        // the measurement.
        window.startuptimer->OnTimer(window.startuptimer);
        window.tabs->SetActivePageIndex(2);
        BenchApplication("bench_quick_filter").ProcessMessages();
        window.fieldlist->SetItemIndex(window.fieldlist->Items().IndexOf("STATUS"));
        window.operation->SetItemIndex(0);
        // Two values in turn, so that every run sets a new filter.
        const char* const values[] = {sparse ? "Reopened" : "Open", sparse ? "Waiting" : "Closed"};
        int turn = 0;
        for (auto _ : state) {
            window.filtervalue->SetText(values[turn++ % 2]);
            window.filtervalue->OnChange(window.filtervalue);
            window.maingrid->Repaint();
            BenchApplication("bench_quick_filter").ProcessMessages();
        }
        const std::string expected = "PRODUCT='Project 3' and STATUS='" + std::string(values[(turn - 1) % 2]) + "'";
        const int wantedRows = sparse ? 2 : 10;
        if (window.maindb->Filter() != expected || window.maingrid->RowCount() < wantedRows || !script.Records().empty()) {
            state.SkipWithError("the quick filter did not show the project's tickets");
        }
    }
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_mb"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_QuickFilterFirstPage)
    ->ArgNames({"tickets", "sparse"})
    ->ArgsProduct({{100000, 1000000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
