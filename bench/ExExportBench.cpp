// Exporting a table of 100,000 tickets to CSV, to HTML and to an Excel worksheet (version 5), beside a plain walk of the same table
// through the dataset that reads every field's value as text (memos included). Rows per second in the counters; the
// export should stay within three times the walk's time. Beside them, the plain write of the finished HTML document's
// bytes the way the export writes them (a file beside the target in pieces, renamed over it): the part of the export's
// time that any writer of the same document pays. Replacing the last run's document (as the export to the same file
// name does) also frees that document's pages and has the kernel start writing the new one out when it is renamed
// over the old; the "to a new file" cases write a document of a name not used before (as the view style does, and the
// save dialog mostly), each removed again outside the measured time.

#include "TrackerBenchSupport.h"

#include "app/tables/TrackerTables.h"
#include "dbf/XbDBFDataSet.h"
#include "export/ExExport.h"
#include "export/ExExportSelect.h"
#include "platform/rtl/Files.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <string>

namespace {

constexpr int kTicketCount = 100000;

// A program folder whose ticket table holds kTicketCount tickets with an id and a subject.
std::filesystem::path Folder()
{
    return TicketsWithSubjectsFolder(kTicketCount, [](int i) {
        return std::string("Window " + std::to_string(i % 977) + " does not \"redraw\", after a <resize>");
    });
}

void OpenTickets(TXbSmartDBF& table)
{
    table.DBFFileName = (Folder() / "databases" / "Tickets.dbf").string();
    table.TrimCType = true;
    table.SetSetDeleted(true);
    table.Open();
}

void BM_PlainWalk(benchmark::State& state)
{
    BenchApplication("bench_export");
    TXbSmartDBF table(nullptr);
    OpenTickets(table);
    size_t bytes = 0;
    for (auto _ : state) {
        table.First();
        while (!table.Eof()) {
            for (int i = 0; i < table.FieldCount(); ++i) {
                bytes += table.Fields()[i].Text().size();
            }
            table.Next();
        }
    }
    benchmark::DoNotOptimize(bytes);
    state.counters["rows/s"] = benchmark::Counter(static_cast<double>(kTicketCount) * static_cast<double>(state.iterations()),
                                                  benchmark::Counter::kIsRate);
    state.SetLabel(std::to_string(kTicketCount) + " tickets");
}

// An exporter of the ticket table to a file in the bench folder; `failed` tells whether a run went wrong.
void SetUpExport(TExDataSetExport& exporter, TXbSmartDBF& table, TExExportType type, bool& failed)
{
    OpenTickets(table);
    exporter.SetDataSet(&table);
    exporter.SetExportType(type);
    exporter.ExportStyle = TExExportStyle::xsFile;
    exporter.FileName = (Folder() / "export").string();
    exporter.Options.Exclude(TExExportOptions::xoShowProgress);
    exporter.ShowSelection = [](Tfrm_Selection&) { return true; };
    exporter.OnError = [&failed, type](TObject*, TExExportError error) {
        // A worksheet holds the captions and 65534 tickets: the others are left out and reported.
        failed = !(type == TExExportType::xtExcel && error == TExExportError::eeWriteFailed && kTicketCount > 65534);
    };
}

void BM_Export(benchmark::State& state, TExExportType type)
{
    BenchApplication("bench_export");
    TXbSmartDBF table(nullptr);
    TExDataSetExport exporter(nullptr);
    bool failed = false;
    SetUpExport(exporter, table, type, failed);
    for (auto _ : state) {
        exporter.Execute();
        if (failed) {
            state.SkipWithError("the export failed");
            break;
        }
    }
    state.counters["rows/s"] = benchmark::Counter(static_cast<double>(kTicketCount) * static_cast<double>(state.iterations()),
                                                  benchmark::Counter::kIsRate);
    state.SetLabel(std::to_string(kTicketCount) + " tickets, " + std::to_string(FileSize(exporter.OutputFileName()) / 1000000) + " MB");
}

void BM_ExportHTMLToANewFile(benchmark::State& state)
{
    BenchApplication("bench_export");
    TXbSmartDBF table(nullptr);
    TExDataSetExport exporter(nullptr);
    bool failed = false;
    SetUpExport(exporter, table, TExExportType::xtHTML, failed);
    int run = 0;
    int64_t size = 0;
    for (auto _ : state) {
        exporter.FileName = (Folder() / ("new-" + std::to_string(++run))).string();
        exporter.Execute();
        state.PauseTiming();
        size = FileSize(exporter.OutputFileName());
        DeleteFile(exporter.OutputFileName());
        state.ResumeTiming();
        if (failed) {
            state.SkipWithError("the export failed");
            break;
        }
    }
    state.counters["rows/s"] = benchmark::Counter(static_cast<double>(kTicketCount) * static_cast<double>(state.iterations()),
                                                  benchmark::Counter::kIsRate);
    state.SetLabel(std::to_string(kTicketCount) + " tickets, " + std::to_string(size / 1000000) + " MB");
}

// The plain write of the HTML document's bytes in the export's pieces, over the last one (`replace`) or to a new file.
void BM_PlainWriteOfTheHTML(benchmark::State& state, bool replace)
{
    BenchApplication("bench_export");
    std::string document;
    {
        TXbSmartDBF table(nullptr);
        TExDataSetExport exporter(nullptr);
        bool failed = false;
        SetUpExport(exporter, table, TExExportType::xtHTML, failed);
        exporter.Execute();
        if (failed) {
            state.SkipWithError("the export failed");
            return;
        }
        document = ReadFileContents(exporter.OutputFileName());
    }
    constexpr size_t kPiece = 256 * 1024;
    int run = 0;
    for (auto _ : state) {
        const std::string target = (Folder() / (replace ? std::string("plain.html") : "plain-" + std::to_string(++run) + ".html")).string();
        TAtomicFileWriter file;
        bool ok = file.Open(target);
        for (size_t at = 0; ok && at < document.size(); at += kPiece) {
            ok = file.Write(document.data() + at, std::min(kPiece, document.size() - at));
        }
        if (!ok || !file.Commit()) {
            state.SkipWithError("the write failed");
            break;
        }
        if (!replace) {
            state.PauseTiming();
            DeleteFile(target);
            state.ResumeTiming();
        }
    }
    state.SetLabel(std::to_string(document.size() / 1000000) + " MB");
}

}  // namespace

BENCHMARK(BM_PlainWalk)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Export, CSV, TExExportType::xtCSV)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Export, HTML, TExExportType::xtHTML)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PlainWriteOfTheHTML, OverTheLast, true)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportHTMLToANewFile)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PlainWriteOfTheHTML, ToANewFile, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Export, ExcelBIFF5, TExExportType::xtExcel)->Unit(benchmark::kMillisecond);
