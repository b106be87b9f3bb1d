// The record search at its worst: a value found in no ticket, so that every record of a table
// of 100,000 tickets is read and every field compared. Searched in all fields and in one field,
// any part of the text, without letter case, as the Find menu item of the ticket page does.
// Reported in milliseconds per search.

#include "TrackerBenchSupport.h"

#include "app/tables/TrackerTables.h"
#include "dbf/XbDBFDataSet.h"
#include "export/GtDBFind.h"
#include "platform/db/DataSource.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

namespace {

constexpr int kTicketCount = 100000;

// A program folder whose ticket table holds kTicketCount tickets with an id and a subject.
std::filesystem::path Folder()
{
    return TicketsWithSubjectsFolder(kTicketCount, [](int i) {
        return std::string("Window " + std::to_string(i % 977) + " does not redraw after a resize");
    });
}

void BM_FindNothing(benchmark::State& state, const char* field)
{
    TXbSmartDBF table(nullptr);
    table.DBFFileName = (Folder() / "databases" / "Tickets.dbf").string();
    table.TrimCType = true;
    table.SetSetDeleted(true);
    table.Open();
    TDataSource source(nullptr);
    source.SetDataSet(&table);
    TGtDBFindDialog find(nullptr);
    find.DataSource = &source;
    find.ShowDialog = false;
    find.SayResult = false;
    find.FindByField = field;
    find.FindMode = TGtFindMode::fmAnyPart;
    find.FindOption = {TLocateOption::loCaseInsensitive};
    find.FindValue = "no ticket says this";
    for (auto _ : state) {
        if (find.Execute() != 1) {
            state.SkipWithError("the search found a ticket");
            break;
        }
    }
    state.SetLabel(std::to_string(kTicketCount) + " tickets, " + (*field != 0 ? field : "all fields"));
}

}  // namespace

BENCHMARK_CAPTURE(BM_FindNothing, AllFields, "")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FindNothing, Subject, "SUBJECT")->Unit(benchmark::kMillisecond);
