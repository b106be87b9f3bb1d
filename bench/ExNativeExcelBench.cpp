// A worksheet of 100,000 ticket-shaped rows written as the Excel export writes it (every cell
// text read as a number first), saved to a file; beside it the same rows as plain CSV text
// written to a file, the cheapest document the export could write.

#include "export/ExNativeExcelExport.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRows = 100000;

// Ticket number, project, version, title, status, QA level, hours, date.
std::vector<std::vector<TExExcelCellText>> TicketRows()
{
    std::vector<std::vector<TExExcelCellText>> rows;
    rows.reserve(kRows);
    for (int i = 0; i < kRows; ++i) {
        rows.push_back({{std::to_string(i + 1), 2},
                        {"Tracker", 0},
                        {"2." + std::to_string(i % 7), 0},
                        {"Grid loses the selection after sort " + std::to_string(i), 1},
                        {i % 3 == 0 ? "Open" : "Closed", 0},
                        {std::to_string(i % 7), 2},
                        {std::to_string(i % 40) + ".25", 2},
                        {"12/03/2026", 0}});
    }
    return rows;
}

std::string TempName(const char* name)
{
    return (std::filesystem::temp_directory_path() / (std::string("zv_bench_") + name + "_" + std::to_string(::getpid()))).string();
}

// A worksheet holds 65535 rows: the export writes the caption and the first 65534 rows, leaves
// out the others and reports them. Items are the rows handed to the document.
void BM_ExcelExport100kRows(benchmark::State& state)
{
    const auto rows = TicketRows();
    const std::string fileName = TempName("export") + ".xls";
    TExNativeExcel writer(nullptr);
    TExExcelOptions options;
    for (auto _ : state) {
        TExExcelDocument document(writer, options);
        document.Begin(fileName);
        document.CaptionRow(false, {{"No", 0}, {"Project", 0}, {"Version", 0}, {"Title", 0}, {"Status", 0}, {"QA", 0}, {"Hours", 0}, {"Date", 0}});
        for (const auto& row : rows)
            document.DataRow(nullptr, row);
        try {
            document.Finish();
        } catch (const EExNativeExcelError&) {
            // the rows past the sheet's end
        }
    }
    std::remove(fileName.c_str());
    state.SetItemsProcessed(state.iterations() * int64_t{kRows});
    state.counters["rows_written"] = TExNativeExcel::LastRow - 1;
}

// The same rows, each cell written once without the number reading, in a sheet version that
// holds them all: the writer alone.
void BM_WorksheetWriterCells(benchmark::State& state)
{
    const auto rows = TicketRows();
    TExNativeExcel writer(nullptr);
    for (auto _ : state) {
        writer.StartDocument();
        writer.Row = 1;
        for (int i = 0; i < TExNativeExcel::LastRow - 1; ++i) {
            writer.Column = 1;
            for (const TExExcelCellText& cell : rows[static_cast<size_t>(i)])
                writer.WriteText(cell.Text);
            ++writer.Row;
        }
        writer.EndDocument();
        benchmark::DoNotOptimize(writer.Stream().Memory());
    }
    state.SetItemsProcessed(state.iterations() * int64_t{TExNativeExcel::LastRow - 1});
}

void BM_PlainCsv100kRows(benchmark::State& state)
{
    const auto rows = TicketRows();
    const std::string fileName = TempName("plain") + ".csv";
    for (auto _ : state) {
        std::string text;
        for (const auto& row : rows) {
            for (size_t i = 0; i < row.size(); ++i) {
                if (i > 0)
                    text += ',';
                text += row[i].Text;
            }
            text += "\r\n";
        }
        FILE* file = std::fopen(fileName.c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }
    std::remove(fileName.c_str());
    state.SetItemsProcessed(state.iterations() * int64_t{kRows});
}

}  // namespace

BENCHMARK(BM_ExcelExport100kRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WorksheetWriterCells)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainCsv100kRows)->Unit(benchmark::kMillisecond);
