// Sorting 1,000,000 character keys (10 bytes, record numbers in table order) with each key
// sorter: add every item, sort, walk them all in order; and, for the trie and the AVL tree, keys
// of only eight distinct values. std::sort of an index array with the
// same comparison (key bytes, then record number) runs beside them as the peer. The merge
// sorters run on a temporary file with the index engine's defaults (blocks of 64 KiB, runs of
// 32 blocks); their counters give the peak of the engine memory they held and the bound they
// promise (the inner sorter of one run plus a buffer per merged run and the output buffer).
#include "dbf/index/XbDBFSorters.h"

#include "dbf/XbDBFPrx.h"
#include "platform/rtl/TempFiles.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <numeric>
#include <random>
#include <vector>

namespace {

constexpr int kKeys = 1000000;
constexpr int kKeySize = 10;

// Status-like keys: eight distinct values over all the items (long runs of equal keys).
const std::vector<uint8_t>& FewDistinctItems()
{
    static const std::vector<uint8_t> items = [] {
        static const char* const values[] = {"Open      ", "Closed    ", "Waiting   ", "Fixed     ",
                                             "Rejected  ", "Duplicate ", "Testing   ", "Reopened  "};
        std::vector<uint8_t> bytes(static_cast<size_t>(kKeys) * (kKeySize + 8));
        std::mt19937 random(7);
        for (int i = 0; i < kKeys; ++i)
            XbMakeSortItem(bytes.data() + static_cast<size_t>(i) * (kKeySize + 8), static_cast<uint32_t>(i + 1),
                           reinterpret_cast<const uint8_t*>(values[random() % 8]), kKeySize);
        return bytes;
    }();
    return items;
}

const std::vector<uint8_t>& Items()
{
    static const std::vector<uint8_t> items = [] {
        std::vector<uint8_t> bytes(static_cast<size_t>(kKeys) * (kKeySize + 8));
        std::mt19937 random(42);
        uint8_t key[kKeySize];
        for (int i = 0; i < kKeys; ++i) {
            // Names-like keys: a capital, lower-case letters, blanks at the end; duplicates occur.
            const int length = 3 + static_cast<int>(random() % 7);
            for (int j = 0; j < kKeySize; ++j)
                key[j] = j >= length ? ' ' : static_cast<uint8_t>((j == 0 ? 'A' : 'a') + random() % 26);
            XbMakeSortItem(bytes.data() + static_cast<size_t>(i) * (kKeySize + 8), static_cast<uint32_t>(i + 1), key,
                           kKeySize);
        }
        return bytes;
    }();
    return items;
}

size_t EngineBytes()
{
    size_t total = 0;
    for (size_t i = 0; i < XbDBFMemMgr().Count(); ++i)
        total += XbDBFMemMgr().Entry(i).Size();
    return total;
}

void StdSort(benchmark::State& state, const std::vector<uint8_t>& items)
{
    std::vector<uint32_t> order(kKeys);
    for (auto _ : state) {
        std::iota(order.begin(), order.end(), 0u);
        std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
            const uint8_t* x = items.data() + static_cast<size_t>(a) * (kKeySize + 8);
            const uint8_t* y = items.data() + static_cast<size_t>(b) * (kKeySize + 8);
            const int k = std::memcmp(x + 8, y + 8, kKeySize);
            return k != 0 ? k < 0 : XbSortItemRecNo(x) < XbSortItemRecNo(y);
        });
        uint64_t sum = 0;
        for (uint32_t number : order)
            sum += items[static_cast<size_t>(number) * (kKeySize + 8) + 8];
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kKeys);
}

void BM_StdSort(benchmark::State& state) { StdSort(state, Items()); }
void BM_StdSortFewDistinct(benchmark::State& state) { StdSort(state, FewDistinctItems()); }

void RunSorter(benchmark::State& state, const TXbSorterClass& sorterClass, const std::vector<uint8_t>& items = Items())
{
    const std::string path = GetTempFileName(GetTempPath(), "zsb");
    TProxyStream stream;
    stream.FileName = path;
    stream.AccessMode().SetAccessMode(TAccessMode::kOpenReadWrite | TAccessMode::kShareDenyNone);
    if (!stream.CreateProxyStream()) {
        state.SkipWithError("no temporary file");
        return;
    }
    size_t peak = 0;
    size_t bound = 0;
    const size_t base = EngineBytes();
    for (auto _ : state) {
        TXbSorterSettings settings;
        settings.KeySize = kKeySize;
        settings.Capacity = kKeys;
        if (sorterClass.Outer) {
            settings.TempStream = &stream;
            settings.BufferSize = 65536;
            settings.ItemsPerInnerSorter = -32;
        }
        auto sorter = sorterClass.Create(settings);
        for (int i = 0; i < kKeys; ++i)
            sorter->AddItem(items.data() + static_cast<size_t>(i) * (kKeySize + 8));
        peak = std::max(peak, EngineBytes() - base);
        sorter->Sort();
        uint64_t sum = 0;
        bool end = sorter->FirstSortItem();
        // The walk of a merge sorter holds a reader per remaining run: sample with all open.
        peak = std::max(peak, EngineBytes() - base);
        for (; !end; end = sorter->NextSortItem())
            sum += sorter->CurrentSortItem()[8];
        benchmark::DoNotOptimize(sum);
        if (auto* merge = dynamic_cast<TXbMergeSorter*>(sorter.get())) {
            // Per item: the item, its sort-array entry, its 16-byte tree node and its balance byte.
            const size_t inner = merge->RunLength() * static_cast<size_t>(kKeySize + 8 + 4 + 16 + 1) + 256 * 4;
            bound = inner + static_cast<size_t>(merge->Ways() + 1) * 65536 + 64;
            merge->Clear();
        }
    }
    stream.CloseStream();
    std::filesystem::remove(path);
    state.SetItemsProcessed(state.iterations() * kKeys);
    if (sorterClass.Outer) {
        state.counters["peak_bytes"] = static_cast<double>(peak);
        state.counters["bound_bytes"] = static_cast<double>(bound);
    }
}

void BM_QuickSorter(benchmark::State& state) { RunSorter(state, XbQuickSorterClass); }
void BM_BinaryTreeSorter(benchmark::State& state) { RunSorter(state, XbBinaryTreeSorterClass); }
void BM_RedBlackTreeSorter(benchmark::State& state) { RunSorter(state, XbRedBlackTreeSorterClass); }
void BM_AVLTreeSorter(benchmark::State& state) { RunSorter(state, XbAVLTreeSorterClass); }
void BM_TrieTreeSorter(benchmark::State& state) { RunSorter(state, XbTrieTreeSorterClass); }
void BM_AVLTreeSorterFewDistinct(benchmark::State& state) { RunSorter(state, XbAVLTreeSorterClass, FewDistinctItems()); }
void BM_TrieTreeSorterFewDistinct(benchmark::State& state) { RunSorter(state, XbTrieTreeSorterClass, FewDistinctItems()); }
void BM_MergeSorter(benchmark::State& state) { RunSorter(state, XbMergeSorterClass); }
void BM_Merge4PathSorter(benchmark::State& state) { RunSorter(state, XbMerge4PathSorterClass); }
void BM_Merge8PathSorter(benchmark::State& state) { RunSorter(state, XbMerge8PathSorterClass); }

}  // namespace

BENCHMARK(BM_StdSort)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuickSorter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BinaryTreeSorter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedBlackTreeSorter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AVLTreeSorter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TrieTreeSorter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MergeSorter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Merge4PathSorter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Merge8PathSorter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdSortFewDistinct)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AVLTreeSorterFewDistinct)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TrieTreeSorterFewDistinct)->Unit(benchmark::kMillisecond);
