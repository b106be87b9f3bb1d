// Packing a 200,000-record dBASE III table with a memo per record, a third of the records
// deleted, against copying its two files (the least a rewrite of both could cost).
#include "dbf/XbDBFDataSet.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kRecords = 200000;

struct TBenchFiles {
    fs::path folder;
    fs::path table, memo, pristineTable, pristineMemo;

    TBenchFiles()
    {
        std::string pattern = (fs::temp_directory_path() / "zv pack bench XXXXXX").string();
        folder = ::mkdtemp(pattern.data());
        table = folder / "tickets.dbf";
        memo = folder / "tickets.dbt";
        pristineTable = folder / "pristine.dbf";
        pristineMemo = folder / "pristine.dbt";
        Build();
    }
    ~TBenchFiles()
    {
        std::error_code error;
        fs::remove_all(folder, error);
    }

    // NAME C 20, QTY N 6, NOTE M 10; every record has a memo in its own block, and every
    // third record is deleted.
    void Build()
    {
        const int recordSize = 1 + 20 + 6 + 10;
        const int headerSize = 32 + 3 * 32 + 1;
        std::vector<uint8_t> header(static_cast<size_t>(headerSize), 0);
        header[0] = 0x83;
        header[1] = 126;
        header[2] = 1;
        header[3] = 1;
        for (int i = 0; i < 4; ++i)
            header[4 + i] = static_cast<uint8_t>(static_cast<uint32_t>(kRecords) >> (8 * i));
        header[8] = static_cast<uint8_t>(headerSize);
        header[9] = static_cast<uint8_t>(headerSize >> 8);
        header[10] = static_cast<uint8_t>(recordSize);
        const struct {
            const char* name;
            char type;
            int length;
        } fields[] = {{"NAME", 'C', 20}, {"QTY", 'N', 6}, {"NOTE", 'M', 10}};
        for (int f = 0; f < 3; ++f) {
            uint8_t* d = header.data() + 32 + 32 * f;
            std::memcpy(d, fields[f].name, std::strlen(fields[f].name));
            d[11] = static_cast<uint8_t>(fields[f].type);
            d[16] = static_cast<uint8_t>(fields[f].length);
        }
        header[static_cast<size_t>(headerSize) - 1] = 0x0D;

        std::ofstream dbf(pristineTable, std::ios::binary);
        std::ofstream dbt(pristineMemo, std::ios::binary);
        dbf.write(reinterpret_cast<const char*>(header.data()), headerSize);
        std::vector<char> block(512, 0);
        const uint32_t nextFree = kRecords + 1;
        std::memcpy(block.data(), &nextFree, 4);
        dbt.write(block.data(), 512);
        char record[64];
        for (int n = 1; n <= kRecords; ++n) {
            std::snprintf(record, sizeof record, "%c%-20s%6d%10d", n % 3 == 0 ? '*' : ' ',
                          ("ticket " + std::to_string(n)).c_str(), n % 1000, n);
            dbf.write(record, recordSize);
            std::fill(block.begin(), block.end(), 0);
            const std::string note = "Notes of ticket " + std::to_string(n) + ": steps to reproduce, expected result.";
            std::memcpy(block.data(), note.data(), note.size());
            block[note.size()] = 0x1A;
            dbt.write(block.data(), 512);
        }
        dbf.put(0x1A);
    }

    void Reset() const
    {
        fs::copy_file(pristineTable, table, fs::copy_options::overwrite_existing);
        fs::copy_file(pristineMemo, memo, fs::copy_options::overwrite_existing);
    }
};

TBenchFiles& Files()
{
    static TBenchFiles files;
    return files;
}

double Seconds(std::chrono::steady_clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

void BM_CopyTableFiles(benchmark::State& state)
{
    const TBenchFiles& files = Files();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        files.Reset();
        state.SetIterationTime(Seconds(std::chrono::steady_clock::now() - start));
    }
}
BENCHMARK(BM_CopyTableFiles)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(3);

void BM_PackTable(benchmark::State& state)
{
    const TBenchFiles& files = Files();
    // The copy of the same two files, timed beside it, for the ratio.
    double copySeconds = 0;
    double packSeconds = 0;
    int64_t removed = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        files.Reset();
        copySeconds += Seconds(std::chrono::steady_clock::now() - start);
        TXbSmartDBF table(nullptr);
        table.DBFFileName = files.table.string();
        table.AccessMode().SetAccessMode(0x12);
        table.BufferSize = 65536;
        table.Open();
        start = std::chrono::steady_clock::now();
        removed = table.Pack(false);
        const double seconds = Seconds(std::chrono::steady_clock::now() - start);
        packSeconds += seconds;
        state.SetIterationTime(seconds);
        table.Close();
    }
    state.counters["removed"] = static_cast<double>(removed);
    state.counters["ratio_to_copy"] = copySeconds > 0 ? packSeconds / copySeconds : 0;
}
BENCHMARK(BM_PackTable)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(3);

}  // namespace
