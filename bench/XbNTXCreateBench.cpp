// Building an NTX index of 1,000,000 character keys (NAME C 10, names-like, with duplicates)
// from a table of as many records, by every method: one sort by each key sorter written
// bottom-up, sorted blocks merged pairwise, and batches inserted into the tree. std::sort of
// the same keys (an index array, key bytes then record number) runs beside them as the peer.
#include "../tests/dbf/index/NtxTestSupport.h"

#include "dbf/index/XbNTXCreate.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <numeric>
#include <random>

namespace {

constexpr int kKeys = 1000000;
constexpr int kKeySize = 10;

class TBuildFiles {
public:
    TBuildFiles()
    {
        TTestTable table({{"NAME", 'C', kKeySize}});
        std::mt19937 random(42);
        keys.reserve(kKeys);
        for (int i = 0; i < kKeys; ++i) {
            const int length = 3 + static_cast<int>(random() % 7);
            std::string key(kKeySize, ' ');
            for (int j = 0; j < length; ++j)
                key[static_cast<size_t>(j)] = static_cast<char>((j == 0 ? 'A' : 'a') + random() % 26);
            table.Add({key});
            keys.push_back(key);
        }
        WriteWholeFile(tablePath, table.Bytes());
    }

    TScratchFolder folder;
    std::string tablePath = folder.File("names.dbf");
    std::vector<std::string> keys;
};

TBuildFiles& Files()
{
    static TBuildFiles files;
    return files;
}

void BM_StdSortOfTheKeys(benchmark::State& state)
{
    const std::vector<std::string>& keys = Files().keys;
    std::vector<uint32_t> order(keys.size());
    for (auto _ : state) {
        std::iota(order.begin(), order.end(), 0u);
        std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
            const int k = std::memcmp(keys[a].data(), keys[b].data(), kKeySize);
            return k != 0 ? k < 0 : a < b;
        });
        benchmark::DoNotOptimize(order.data());
    }
    state.SetItemsProcessed(state.iterations() * kKeys);
}

enum class TBuild { Sorter, Compact, Batch };

void BuildIndex(benchmark::State& state, TBuild kind, const TXbSorterClass* sorterClass)
{
    RegisterDBFIndexClasses();
    const std::string indexPath = Files().folder.File("names.ntx");
    auto table = std::make_unique<TXbDBFNTX>(nullptr);
    table->DBFFileName = Files().tablePath;
    table->AccessMode().SetAccessMode(TAccessMode::kOpenReadWrite | TAccessMode::kShareExclusive);
    table->BufferSize = 65536;
    table->Open();
    auto* index = static_cast<TXbNTXIndex*>(table->Indexes().Add());
    index->SetNTXFileName(indexPath);
    index->SetKeyExpresion("NAME");
    for (auto _ : state) {
        switch (kind) {
        case TBuild::Sorter: index->CreateIndexUsingSorter(sorterClass, false); break;
        case TBuild::Compact: index->CreateCompactIndex(65536, false, true); break;
        case TBuild::Batch: index->CreateIndex(false, 65536); break;
        }
    }
    int64_t keys = 0;
    if (!index->ValidateTree(&keys).empty() || keys != kKeys)
        state.SkipWithError("the index is not sound");
    state.SetItemsProcessed(state.iterations() * kKeys);
}

}  // namespace

BENCHMARK(BM_StdSortOfTheKeys)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BuildIndex, QuickSorter, TBuild::Sorter, &XbQuickSorterClass)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BuildIndex, BinaryTreeSorter, TBuild::Sorter, &XbBinaryTreeSorterClass)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BuildIndex, RedBlackTreeSorter, TBuild::Sorter, &XbRedBlackTreeSorterClass)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BuildIndex, AVLTreeSorter, TBuild::Sorter, &XbAVLTreeSorterClass)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BuildIndex, TrieTreeSorter, TBuild::Sorter, &XbTrieTreeSorterClass)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BuildIndex, MergeSorter, TBuild::Sorter, &XbMergeSorterClass)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BuildIndex, Merge4PathSorter, TBuild::Sorter, &XbMerge4PathSorterClass)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BuildIndex, Merge8PathSorter, TBuild::Sorter, &XbMerge8PathSorterClass)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BuildIndex, CompactIndex, TBuild::Compact, nullptr)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BuildIndex, BatchInsert, TBuild::Batch, nullptr)->Unit(benchmark::kMillisecond)->Iterations(1);
