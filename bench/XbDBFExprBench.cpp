// Filter evaluation speed: a product-and-status filter over a million records held as fixed-width
// record images in memory, each field value made from its bytes as the table engine does.

#include "dbf/XbDBFParser.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

class RecordImageSource : public IXbExprFieldSource {
public:
    explicit RecordImageSource(size_t records)
    {
        AddField("PRODUCT", 10);
        AddField("STATUS", 8);
        static const char* const products[] = {"Alpha", "Beta", "Gamma", "Delta"};
        static const char* const statuses[] = {"Open", "Closed", "Pending", "Verified", "Assigned"};
        images_.assign(records * recordSize_, ' ');
        for (size_t r = 0; r < records; ++r) {
            Put(r, 0, products[r % 4]);
            Put(r, 1, statuses[(r / 4) % 5]);
        }
    }

    size_t RecordCount() const { return images_.size() / recordSize_; }
    void SetRecord(size_t r) { current_ = r; }

    int FindField(std::string_view name) const override
    {
        for (size_t i = 0; i < fields_.size(); ++i)
            if (fields_[i].Name == name)
                return static_cast<int>(i);
        return -1;
    }
    const TXbExprFieldInfo& FieldInfo(int field) const override { return fields_[static_cast<size_t>(field)]; }
    Variant FieldValue(int field, bool keepTrailingBlanks) override
    {
        std::string_view bytes = Bytes(field);
        if (!keepTrailingBlanks) {
            size_t end = bytes.find_last_not_of(' ');
            if (end == std::string_view::npos)
                return Variant::Null();
            bytes = bytes.substr(0, end + 1);
        }
        return Variant(std::string(bytes));
    }
    bool FieldIsNull(int field) override { return Bytes(field).find_first_not_of(' ') == std::string_view::npos; }

private:
    void AddField(const char* name, int length)
    {
        TXbExprFieldInfo info;
        info.Name = name;
        info.DataType = TFieldType::ftString;
        info.Size = info.Length = info.KeySize = length;
        offsets_.push_back(recordSize_);
        recordSize_ += static_cast<size_t>(length);
        fields_.push_back(info);
    }
    void Put(size_t record, int field, const char* text)
    {
        std::string value(text);
        images_.replace(record * recordSize_ + offsets_[static_cast<size_t>(field)], value.size(), value);
    }
    std::string_view Bytes(int field) const
    {
        return std::string_view(images_).substr(current_ * recordSize_ + offsets_[static_cast<size_t>(field)],
                                                static_cast<size_t>(fields_[static_cast<size_t>(field)].Length));
    }

    std::vector<TXbExprFieldInfo> fields_;
    std::vector<size_t> offsets_;
    size_t recordSize_ = 0;
    std::string images_;
    size_t current_ = 0;
};

void BM_FilterProductAndStatus(benchmark::State& state)
{
    RecordImageSource source(1000000);
    TXbDBFExprParser parser(&source);
    parser.SetFilterExpression("PRODUCT='Alpha' and STATUS>='Open'", {});
    size_t accepted = 0;
    for (auto _ : state) {
        accepted = 0;
        for (size_t r = 0; r < source.RecordCount(); ++r) {
            source.SetRecord(r);
            if (parser.Evaluate().AsBoolean())
                ++accepted;
        }
        benchmark::DoNotOptimize(accepted);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(source.RecordCount()));
    state.counters["accepted"] = static_cast<double>(accepted);
}
BENCHMARK(BM_FilterProductAndStatus)->Unit(benchmark::kMillisecond);

}  // namespace
