// Cost of the dataset framework per record: a First/Next scan over 1,000,000 in-memory records
// reading two fields per record, against the same in-memory layout read directly.

#include "../tests/platform/db/MemoryDataSet.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr int RecordCount = 1000000;

std::unique_ptr<TMemoryDataSet> MakeDataSet()
{
    auto dataSet = std::make_unique<TMemoryDataSet>(
        nullptr, std::vector<MemoryFieldSpec>{{"ID", TFieldType::ftInteger}, {"NAME", TFieldType::ftString, 10}});
    dataSet->Reserve(RecordCount);
    for (int i = 1; i <= RecordCount; ++i) {
        dataSet->AddStoredRecord();
        dataSet->SetStoredInteger(i, 0, i);
        dataSet->SetStoredString(i, 1, "N" + std::to_string(i % 1000));
    }
    dataSet->Open();
    return dataSet;
}

void BM_DataSetScanTwoFields(benchmark::State& state)
{
    auto dataSet = MakeDataSet();
    TField& id = dataSet->Fields()[0];
    TField& name = dataSet->Fields()[1];
    for (auto _ : state) {
        int64_t sum = 0;
        size_t length = 0;
        for (dataSet->First(); !dataSet->Eof(); dataSet->Next()) {
            sum += id.AsInteger();
            length += name.AsString().size();
        }
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(length);
    }
    state.SetItemsProcessed(state.iterations() * RecordCount);
}
BENCHMARK(BM_DataSetScanTwoFields)->Unit(benchmark::kMillisecond);

// The same scan with the text read into a reused string.
void BM_DataSetScanTwoFieldsReusedString(benchmark::State& state)
{
    auto dataSet = MakeDataSet();
    TField& id = dataSet->Fields()[0];
    auto& name = static_cast<TStringField&>(dataSet->Fields()[1]);
    std::string text;
    for (auto _ : state) {
        int64_t sum = 0;
        size_t length = 0;
        for (dataSet->First(); !dataSet->Eof(); dataSet->Next()) {
            sum += id.AsInteger();
            name.GetValue(text);
            length += text.size();
        }
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(length);
    }
    state.SetItemsProcessed(state.iterations() * RecordCount);
}
BENCHMARK(BM_DataSetScanTwoFieldsReusedString)->Unit(benchmark::kMillisecond);

// The peer: the subclass's own work alone (copy each record image out, decode both values).
void BM_DirectScanTwoFields(benchmark::State& state)
{
    auto dataSet = MakeDataSet();
    const int recordSize = 1 + 4 + 1 + 11;
    std::vector<uint8_t> image(static_cast<size_t>(RecordCount) * recordSize);
    for (int i = 0; i < RecordCount; ++i) {
        uint8_t* record = image.data() + static_cast<size_t>(i) * recordSize;
        const int32_t value = i + 1;
        record[0] = 1;
        std::memcpy(record + 1, &value, 4);
        record[5] = 1;
        const std::string text = "N" + std::to_string((i + 1) % 1000);
        std::memcpy(record + 6, text.c_str(), text.size() + 1);
    }
    uint8_t buffer[recordSize];
    for (auto _ : state) {
        int64_t sum = 0;
        size_t length = 0;
        for (int i = 0; i < RecordCount; ++i) {
            std::memcpy(buffer, image.data() + static_cast<size_t>(i) * recordSize, recordSize);
            int32_t value = 0;
            std::memcpy(&value, buffer + 1, 4);
            sum += value;
            length += std::string(reinterpret_cast<const char*>(buffer + 6)).size();
        }
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(length);
    }
    state.SetItemsProcessed(state.iterations() * RecordCount);
}
BENCHMARK(BM_DirectScanTwoFields)->Unit(benchmark::kMillisecond);

}  // namespace
