// Appending 100,000 records through the table component: to a table with one character key
// index (the key inserted into the B-tree with every post) and, in the same run, to the same
// table without an index. Exclusive access, as the tracker opens its tables; records per second.
#include "../tests/dbf/index/NtxTestSupport.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

constexpr int kRecords = 100000;

void AppendRecords(benchmark::State& state, bool withIndex)
{
    std::mt19937 random(5);
    for (auto _ : state) {
        state.PauseTiming();
        TScratchFolder folder;
        const std::string tablePath = folder.File("codes.dbf");
        const std::string indexPath = folder.File("codes.ntx");
        WriteWholeFile(tablePath, TTestTable({{"CODE", 'C', 10}, {"N", 'N', 6}}).Bytes());
        TNtxOptions options;
        options.KeySize = 10;
        options.KeyExpression = "CODE";
        WriteWholeFile(indexPath, BuildNtx(options, {}));
        auto table = std::make_unique<TXbDBFNTX>(nullptr);
        RegisterDBFIndexClasses();
        table->DBFFileName = tablePath;
        table->AccessMode().SetAccessMode(TAccessMode::kShareExclusive | TAccessMode::kOpenReadWrite);
        table->FastPostRecord = true;
        if (withIndex) {
            auto* index = static_cast<TXbNTXIndex*>(table->Indexes().Add());
            index->SetNTXFileName(indexPath);
        }
        table->Open();
        TField* code = table->FieldByName("CODE");
        TField* number = table->FieldByName("N");
        state.ResumeTiming();
        for (int i = 0; i < kRecords; ++i) {
            table->Append();
            code->SetAsString("K" + std::to_string(random() % 100000000));
            number->SetAsInteger(i);
            table->Post();
        }
        // Closing writes what the exclusive table and its index still hold.
        table->Close();
        state.PauseTiming();
        table.reset();
        state.ResumeTiming();
    }
    state.counters["records/s"] = benchmark::Counter(static_cast<double>(kRecords) * static_cast<double>(state.iterations()),
                                                     benchmark::Counter::kIsRate);
}

void BM_AppendWithIndex(benchmark::State& state) { AppendRecords(state, true); }
void BM_AppendWithoutIndex(benchmark::State& state) { AppendRecords(state, false); }

BENCHMARK(BM_AppendWithoutIndex)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_AppendWithIndex)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
