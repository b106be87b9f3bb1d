// Start-up of the main window until everything is done: from creating it (FormCreate:
// settings, message table, folders, the seven tables opened, layouts, notes) and the project
// editor beside it, as the program creates them, to the window shown and the post-start step
// run (the project lists, among them the editor's list of every ticket's project, the saved
// filter, the count of open tickets). Over 100,000 and 1,000,000 tickets with realistic contents: ten projects, texts,
// dates, numbers, open and completed tickets. Reported in milliseconds, with the peak resident
// size after the run (it must not grow with the number of tickets).

#include "TrackerBenchSupport.h"

#include "app/Unit1.h"
#include "app/Unit7.h"
#include "app/tables/TrackerTables.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/StdCtrls.h"
#include "platform/rtl/IniFiles.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <sys/resource.h>

namespace {

constexpr int kProjectCount = 10;

void Put(std::string& record, TTicketField field, const std::string& text)
{
    record.replace(static_cast<size_t>(TicketFieldOffset(field)), text.size(), text);
}

// The active project's tickets: one in ten all through the table, or only the last hundredth of
// it (a project begun lately in a table of long standing).
enum class TActiveProject { Everywhere, AtTheEnd };

std::string MakeProgramFolder(int ticketCount, TActiveProject active)
{
    const std::filesystem::path folder = MakeBenchProgramFolder();
    AppendRecords((folder / "databases" / TrackerTableLayout(TTrackerTable::Products).FileName).string(), 1,
                  [](TDataSet& products, int) {
                      products.Fields().Fields(static_cast<int>(TProductField::NAME))->SetAsString("Project 3");
                      products.Fields().Fields(static_cast<int>(TProductField::VERSION))->SetAsString("1.0");
                  });
    const int lastHundredth = ticketCount - ticketCount / 100;
    FillTickets((folder / "databases" / "Tickets.dbf").string(), ticketCount, [&](std::string& record, int i) {
        const int day = 1 + i % 28;
        const std::string date = "2026" + std::string(i % 12 < 9 ? "0" : "") + std::to_string(1 + i % 12) +
                                 (day < 10 ? "0" : "") + std::to_string(day);
        Put(record, TTicketField::TICKETID, "#QZ#" + std::to_string(i));
        int project = i % kProjectCount;
        if (active == TActiveProject::AtTheEnd) {
            project = i > lastHundredth ? 3 : project == 3 ? 4 : project;
        }
        Put(record, TTicketField::PRODUCT, "Project " + std::to_string(project));
        Put(record, TTicketField::VERSION, "1." + std::to_string(i % 7));
        Put(record, TTicketField::SUBJECT, "The list keeps the old folder after change " + std::to_string(i));
        Put(record, TTicketField::CATEGORY, i % 3 == 0 ? "Bug" : "Feature");
        Put(record, TTicketField::PRIORITY, i % 5 == 0 ? "High" : "Normal");
        Put(record, TTicketField::REPORTEDON, date);
        Put(record, TTicketField::REPORTEDBY, "Tester " + std::to_string(i % 13));
        Put(record, TTicketField::ASSIGNED, "Developer " + std::to_string(i % 11));
        const bool completed = (i / kProjectCount) % 4 != 0;  // a quarter of each project open
        Put(record, TTicketField::STATUS, completed ? "Closed" : "Open");
        Put(record, TTicketField::COMPLETED, completed ? "T" : "F");
        Put(record, TTicketField::CREATEDON, date);
    });
    return folder.string();
}

// Runs the start-up over state.range(0) tickets; `session` writes the saved session the start-up
// finds in the settings file.
void RunStartup(benchmark::State& state, TActiveProject active, const std::function<void(TIniFile&)>& session)
{
    BenchApplication("bench_startup");
    const int ticketCount = static_cast<int>(state.range(0));
    const std::string folder = MakeProgramFolder(ticketCount, active);
    if (session) {
        TIniFile ini(folder + "/Ovralun.ini");
        session(ini);
    }
    const TBenchProgram program(folder);
    TDialogScript script;  // a box would otherwise wait for the user
    std::string open;
    for (auto _ : state) {
        auto window = std::make_unique<Tmainfrm>(nullptr);
        // Owned by the application as in the program, so that the post-start step finds it.
        auto editor = std::make_unique<Tproductfrm>(&BenchApplication("bench_startup"));
        productfrm = editor.get();
        window->Show();
        BenchApplication("bench_startup").ProcessMessages();
        // The post-start step, which the one-shot timer runs once the window is up.
        window->startuptimer->OnTimer(window->startuptimer);
        state.PauseTiming();
        open = window->Get<TEdit>("openticket")->Text();
        if (window->maindb->RecordCount() < ticketCount / kProjectCount || !script.Records().empty())
            state.SkipWithError("the start-up did not open the tickets");
        const bool projectsListed = editor->product->Items().Count() == kProjectCount;
        editor.reset();
        window.reset();
        if (!projectsListed)
            state.SkipWithError("the post-start step did not list the tickets' projects");
        state.ResumeTiming();
    }
    // The open tickets of the active project the post-start step counted.
    state.counters["open_tickets"] = open.empty() ? -1.0 : std::stod(open);
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_mb"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_StartupUntilThePostStartStepRan(benchmark::State& state)
{
    RunStartup(state, TActiveProject::Everywhere, nullptr);
}

// The same with the active project's tickets at the end of the table: every move of the grid to
// the project's first ticket is a search through the tickets before them.
void BM_StartupOnAProjectAtTheEnd(benchmark::State& state)
{
    RunStartup(state, TActiveProject::AtTheEnd, nullptr);
}

// The same after a session that ended with the quick filter on the subject column, whose values
// all differ: the start-up and the post-start step each list the active project's subjects
// (100,000 of 1,000,000 tickets) as the quick filter's values.
void BM_StartupWithTheQuickFilterOnSubjects(benchmark::State& state)
{
    RunStartup(state, TActiveProject::Everywhere, [](TIniFile& ini) {
        ini.WriteString("SavedSession", "FilteredColumn", "3");
        ini.WriteString("SavedSession", "FilteredColumnS", "SUBJECT");
    });
}

}  // namespace

BENCHMARK(BM_StartupUntilThePostStartStepRan)->Arg(100000)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartupUntilThePostStartStepRan)->Arg(1000000)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartupOnAProjectAtTheEnd)->Arg(100000)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartupOnAProjectAtTheEnd)->Arg(1000000)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartupWithTheQuickFilterOnSubjects)->Arg(100000)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartupWithTheQuickFilterOnSubjects)->Arg(1000000)->Iterations(3)->Unit(benchmark::kMillisecond);
