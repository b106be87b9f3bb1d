// SeekKey of random keys in an NTX index of 1,000,000 keys over a table of as many records:
// with the page cache cleared before every seek (cold), with the cache's automatic limit, and
// with an unlimited cache holding every page (warm); shared access adds the index lock and the
// header check to every seek. A std::map lookup of the same keys runs beside them.
#include "../tests/dbf/index/NtxTestSupport.h"

#include <benchmark/benchmark.h>

#include <map>
#include <random>

namespace {

constexpr int kKeys = 1000000;

std::string KeyOf(uint32_t i)
{
    char text[16];
    std::snprintf(text, sizeof text, "K%09u", static_cast<unsigned>((uint64_t{i} * 654435761ull) % 1000000000ull));
    return text;
}

// The table and its index, written once per run.
class TSeekFiles {
public:
    TSeekFiles()
    {
        TTestTable table({{"CODE", 'C', 10}});
        std::vector<TNtxItem> items;
        items.reserve(kKeys);
        for (uint32_t i = 0; i < kKeys; ++i) {
            const std::string key = KeyOf(i);
            table.Add({key});
            items.push_back({key, i + 1});
        }
        SortNtxItems(items, false);
        TNtxOptions options;
        options.KeySize = 10;
        options.KeyExpression = "CODE";
        WriteWholeFile(tablePath, table.Bytes());
        WriteWholeFile(indexPath, BuildNtx(options, items));
    }

    TScratchFolder folder;
    std::string tablePath = folder.File("codes.dbf");
    std::string indexPath = folder.File("codes.ntx");
};

TSeekFiles& Files()
{
    static TSeekFiles files;
    return files;
}

enum class TCache { Cold, Auto, Warm };

void SeekKeys(benchmark::State& state, TCache cache, uint32_t accessMode)
{
    TIndexedTable indexed(Files().tablePath, Files().indexPath, accessMode);
    if (cache == TCache::Warm)
        indexed.index->LimitPages().LimitPagesType = TXbLimitBuffersType::lbtUnlimited;
    indexed.Open();
    TXbNTXIndex& index = *indexed.index;
    if (cache == TCache::Warm)
        index.ValidateTree();  // reads every page into the cache
    std::mt19937 random(7);
    std::uniform_int_distribution<uint32_t> pick(0, kKeys - 1);
    int64_t found = 0;
    for (auto _ : state) {
        if (cache == TCache::Cold) {
            state.PauseTiming();
            index.Cache().Clear();
            state.ResumeTiming();
        }
        found += index.SeekKey(KeyOf(pick(random)), false, 0, false) != 0 ? 1 : 0;
    }
    if (found != static_cast<int64_t>(state.iterations()))
        state.SkipWithError("a key was not found");
    state.SetItemsProcessed(state.iterations());
    state.counters["blocks"] = index.Cache().BlockCount();
}

void BM_SeekKeyCold(benchmark::State& state) { SeekKeys(state, TCache::Cold, TAccessMode::kShareExclusive); }
void BM_SeekKeyAutoLimit(benchmark::State& state) { SeekKeys(state, TCache::Auto, TAccessMode::kShareExclusive); }
void BM_SeekKeyWarm(benchmark::State& state) { SeekKeys(state, TCache::Warm, TAccessMode::kShareExclusive); }
void BM_SeekKeyWarmShared(benchmark::State& state) { SeekKeys(state, TCache::Warm, TAccessMode::kShareDenyNone); }

void BM_StdMapFind(benchmark::State& state)
{
    std::map<std::string, uint32_t> keys;
    for (uint32_t i = 0; i < kKeys; ++i)
        keys.emplace(KeyOf(i), i + 1);
    std::mt19937 random(7);
    std::uniform_int_distribution<uint32_t> pick(0, kKeys - 1);
    for (auto _ : state)
        benchmark::DoNotOptimize(keys.find(KeyOf(pick(random))));
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_SeekKeyCold)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SeekKeyAutoLimit)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SeekKeyWarm)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SeekKeyWarmShared)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StdMapFind)->Unit(benchmark::kMicrosecond);

}  // namespace
