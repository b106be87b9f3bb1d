// The quick filter of the TICKETS page on a large ticket table: choosing a value with a column
// chosen sets the two-condition filter (the active project and the column) and the ticket grid
// shows its first page. Run on tables of 10,000 and 100,000 tickets: the first page costs the
// same on both, since the grid reads only the records it shows. Reported in milliseconds.

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
        const std::string status = (i / kProjectCount) % 2 == 0 ? "Open" : "Closed";
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
        const char* const values[] = {"Open", "Closed"};
        int turn = 0;
        for (auto _ : state) {
            window.filtervalue->SetText(values[turn++ % 2]);
            window.filtervalue->OnChange(window.filtervalue);
            window.maingrid->Repaint();
            BenchApplication("bench_quick_filter").ProcessMessages();
        }
        const std::string expected = "PRODUCT='Project 3' and STATUS='" + std::string(values[(turn - 1) % 2]) + "'";
        if (window.maindb->Filter() != expected || window.maingrid->RowCount() < 10 || !script.Records().empty()) {
            state.SkipWithError("the quick filter did not show the project's tickets");
        }
    }
}
BENCHMARK(BM_QuickFilterFirstPage)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
