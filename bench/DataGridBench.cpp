// Opening a data-aware grid on a large table and jumping to its last row: on an in-memory
// table, and on the tracker's ticket table through the table engine (1,410-byte records, opened
// as the tracker opens it). The grid reads only the records of its visible rows, so the time
// and the memory the grid adds do not grow with the record count: compare the runs. The
// counters give the process's resident memory before the grid was opened (the table alone)
// and after the runs, in kilobytes. A window is shown once before the first run, so that no
// run pays for the first window's warm-up.

#include "../tests/platform/db/MemoryDataSet.h"

#include "app/tables/EmptyDatabase.h"
#include "app/tables/TrackerTables.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/db/DataSource.h"
#include "platform/gui/DBGrids.h"
#include "platform/gui/Forms.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QImage>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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

// A ticket table of `records` tickets in a new folder, written straight after the header of
// the tracker's empty table; the folder goes with the object.
class TTicketTable {
public:
    explicit TTicketTable(int records)
        : folder_(std::filesystem::temp_directory_path() / ("zv_grid_bench_" + std::to_string(::getpid())))
    {
        std::filesystem::create_directories(folder_);
        MakeEmptyDatabase(folder_.string());
        const std::string name = FileName();
        int headerSize = 0;
        int recordSize = 0;
        {
            TXbSmartDBF table(nullptr);
            table.DBFFileName = name;
            table.Open();
            headerSize = table.HeaderSize();
            recordSize = table.RecordSize();
        }
        std::fstream file(name, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(headerSize);
        std::string record(static_cast<size_t>(recordSize), ' ');
        for (int i = 1; i <= records; ++i) {
            std::fill(record.begin(), record.end(), ' ');
            const std::string id = std::to_string(i);
            record.replace(1, id.size(), id);  // TICKETID, the first field
            const std::string subject = "Subject of ticket " + id;
            record.replace(static_cast<size_t>(1 + SubjectOffset()), subject.size(), subject);
            file.write(record.data(), recordSize);
        }
        file.put('\x1A');
        const uint32_t count = static_cast<uint32_t>(records);
        const char bytes[4] = {static_cast<char>(count & 0xFF), static_cast<char>((count >> 8) & 0xFF),
                               static_cast<char>((count >> 16) & 0xFF), static_cast<char>((count >> 24) & 0xFF)};
        file.seekp(4);
        file.write(bytes, 4);
    }
    ~TTicketTable()
    {
        std::error_code error;
        std::filesystem::remove_all(folder_, error);
    }
    TTicketTable(const TTicketTable&) = delete;
    TTicketTable& operator=(const TTicketTable&) = delete;

    std::string FileName() const { return (folder_ / TrackerTableLayout(TTrackerTable::Tickets).FileName).string(); }

private:
    static int SubjectOffset()
    {
        int offset = 0;
        for (const TTrackerField& field : TrackerTableLayout(TTrackerTable::Tickets).Fields) {
            if (std::string(field.Name) == "SUBJECT")
                return offset;
            offset += field.Width;
        }
        return 0;
    }

    std::filesystem::path folder_;
};

void BM_OpenGridOnTicketTableAndJumpToLastRow(benchmark::State& state)
{
    const int records = static_cast<int>(state.range(0));
    const TTicketTable tickets(records);
    TXbSmartDBF table(nullptr);
    table.DBFFileName = tickets.FileName();
    table.AccessMode().SetAccessMode(TAccessMode::kOpenReadWrite | TAccessMode::kShareExclusive);
    table.BufferSize = 4096;
    table.SetSetDeleted(true);
    table.TrimCType = true;
    const double before = ResidentKilobytes();
    for (auto _ : state) {
        auto form = std::make_unique<TForm>(nullptr);
        form->SetBounds(0, 0, 800, 600);
        auto* source = new TDataSource(form.get());
        auto* grid = new TDBGrid(form.get());
        grid->SetParent(form.get());
        grid->SetAlign(TAlign::alClient);
        table.Open();
        source->SetDataSet(&table);
        grid->SetDataSource(source);
        form->Show();
        table.Last();
        const QImage picture = static_cast<QAbstractScrollArea*>(grid->Widget())->viewport()->grab().toImage();
        benchmark::DoNotOptimize(picture.constBits());
        if (grid->CellText(grid->Row(), 0) != std::to_string(records))
            state.SkipWithError("the last ticket is not shown");
        form.reset();
        table.Close();
    }
    const double after = ResidentKilobytes();
    state.counters["records"] = records;
    state.counters["rss_before_kb"] = before;
    state.counters["rss_after_kb"] = after;
    state.counters["rss_growth_kb"] = after - before;
}
BENCHMARK(BM_OpenGridOnTicketTableAndJumpToLastRow)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Shows a window once: the first window of a process pays for fonts, styles and the platform.
void WarmUpWindows()
{
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, 800, 600);
    auto* grid = new TDBGrid(form.get());
    grid->SetParent(form.get());
    grid->SetAlign(TAlign::alClient);
    form->Show();
    const QImage picture = static_cast<QAbstractScrollArea*>(grid->Widget())->viewport()->grab().toImage();
    benchmark::DoNotOptimize(picture.constBits());
}

}  // namespace

int main(int argc, char** argv)
{
    // The grid is a window: without a display it runs on Qt's offscreen platform.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int qtArgc = 1;
    TApplication application(qtArgc, argv);
    WarmUpWindows();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
