// Opening a data-aware grid on a large in-memory table and jumping to its last row. The grid
// reads only the records of its visible rows, so the time and the memory the grid adds do not
// grow with the record count: compare the 10,000 and the 1,000,000 record runs. The counters
// give the process's resident memory before the grid was opened (the table alone) and after
// the runs, in kilobytes.

#include "../tests/platform/db/MemoryDataSet.h"

#include "platform/db/DataSource.h"
#include "platform/gui/DBGrids.h"
#include "platform/gui/Forms.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QImage>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

double ResidentKilobytes()
{
    long pages = 0;
    long resident = 0;
    if (FILE* file = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(file, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(file);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1024.0;
}

std::unique_ptr<TMemoryDataSet> MakeTable(int records)
{
    auto dataSet = std::make_unique<TMemoryDataSet>(
        nullptr, std::vector<MemoryFieldSpec>{{"ID", TFieldType::ftInteger}, {"NAME", TFieldType::ftString, 20}});
    dataSet->Reserve(records);
    for (int i = 1; i <= records; ++i) {
        dataSet->AddStoredRecord();
        dataSet->SetStoredInteger(i, 0, i);
        dataSet->SetStoredString(i, 1, "Name " + std::to_string(i));
    }
    return dataSet;
}

void BM_OpenGridAndJumpToLastRow(benchmark::State& state)
{
    const int records = static_cast<int>(state.range(0));
    auto table = MakeTable(records);
    const double before = ResidentKilobytes();
    int64_t fetched = 0;
    for (auto _ : state) {
        auto form = std::make_unique<TForm>(nullptr);
        form->SetBounds(0, 0, 800, 600);
        auto* source = new TDataSource(form.get());
        auto* grid = new TDBGrid(form.get());
        grid->SetParent(form.get());
        grid->SetAlign(TAlign::alClient);
        table->fetchCalls = 0;
        table->Open();
        source->SetDataSet(table.get());
        grid->SetDataSource(source);
        form->Show();
        table->Last();
        const QImage picture = static_cast<QAbstractScrollArea*>(grid->Widget())->viewport()->grab().toImage();
        benchmark::DoNotOptimize(picture.constBits());
        if (grid->CellText(grid->Row(), 0) != std::to_string(records)) state.SkipWithError("the last row is not shown");
        fetched += table->fetchCalls;
        form.reset();
        table->Close();
    }
    const double after = ResidentKilobytes();
    state.counters["records"] = records;
    state.counters["rss_before_kb"] = before;
    state.counters["rss_after_kb"] = after;
    state.counters["rss_growth_kb"] = after - before;
    state.counters["records_read_per_open"] = static_cast<double>(fetched) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_OpenGridAndJumpToLastRow)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    // The grid is a window: without a display it runs on Qt's offscreen platform.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int qtArgc = 1;
    TApplication application(qtArgc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
