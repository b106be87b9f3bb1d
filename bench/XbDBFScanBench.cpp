// Full scans of a 1,000,000-record table shaped like the tickets table (C, N with decimals, D
// and L fields): through the table dataset, through shapelib's DBF reader, and as a minimal
// hand-written loop over 64 KiB blocks; and a filtered scan through the dataset.

#include "dbf/XbDBFDataSet.h"

#include <benchmark/benchmark.h>
#include <shapefil.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRecords = 1000000;

struct TBenchField {
    const char* name;
    char type;
    int length;
    int decimals;
};

constexpr TBenchField kFields[] = {
    {"TICKETNO", 'N', 8, 0},  {"PROJECT", 'C', 20, 0}, {"TITLE", 'C', 60, 0}, {"STATUS", 'C', 10, 0},
    {"QALEVEL", 'N', 2, 0},   {"ESTIMATE", 'N', 8, 2}, {"OPENED", 'D', 8, 0}, {"CLOSED", 'D', 8, 0},
    {"URGENT", 'L', 1, 0},    {"OWNER", 'C', 15, 0},
};
constexpr int kFieldCount = static_cast<int>(std::size(kFields));

int RecordSize()
{
    int size = 1;
    for (const TBenchField& field : kFields)
        size += field.length;
    return size;
}

int HeaderSize() { return 32 + 32 * kFieldCount + 1; }

void Put(std::string& record, size_t& at, std::string value, int length, bool right)
{
    if (static_cast<int>(value.size()) < length) {
        const std::string pad(static_cast<size_t>(length) - value.size(), ' ');
        value = right ? pad + value : value + pad;
    }
    record.replace(at, static_cast<size_t>(length), value, 0, static_cast<size_t>(length));
    at += static_cast<size_t>(length);
}

// Writes the table once per run, in the system's temporary folder. The name is never destroyed:
// the exit handler that removes the file runs after the static destructors.
const std::string& TablePath()
{
    static const std::string& path = *new std::string([] {
        const std::string name =
            (std::filesystem::temp_directory_path() / ("zv_scan_bench_" + std::to_string(::getpid()) + ".dbf")).string();
        std::FILE* file = std::fopen(name.c_str(), "wb");
        std::vector<uint8_t> header(32, 0);
        header[0] = 0x03;
        header[1] = 126;
        header[2] = 1;
        header[3] = 1;
        for (int i = 0; i < 4; ++i)
            header[4 + i] = static_cast<uint8_t>(kRecords >> (8 * i));
        header[8] = static_cast<uint8_t>(HeaderSize());
        header[9] = static_cast<uint8_t>(HeaderSize() >> 8);
        header[10] = static_cast<uint8_t>(RecordSize());
        header[11] = static_cast<uint8_t>(RecordSize() >> 8);
        for (const TBenchField& field : kFields) {
            std::vector<uint8_t> descriptor(32, 0);
            std::memcpy(descriptor.data(), field.name, std::strlen(field.name));
            descriptor[11] = static_cast<uint8_t>(field.type);
            descriptor[16] = static_cast<uint8_t>(field.length);
            descriptor[17] = static_cast<uint8_t>(field.decimals);
            header.insert(header.end(), descriptor.begin(), descriptor.end());
        }
        header.push_back(0x0D);
        std::fwrite(header.data(), 1, header.size(), file);
        static const char* statuses[] = {"Open", "Closed", "Pending", "Fixed", "Open", "Rejected"};
        std::string record(static_cast<size_t>(RecordSize()), ' ');
        for (int n = 1; n <= kRecords; ++n) {
            size_t at = 1;
            Put(record, at, std::to_string(n), 8, true);
            Put(record, at, "Project " + std::to_string(n % 37), 20, false);
            Put(record, at, "Ticket title number " + std::to_string(n) + " about something", 60, false);
            Put(record, at, statuses[n % 6], 10, false);
            Put(record, at, std::to_string(n % 6), 2, true);
            Put(record, at, std::to_string(n % 1000) + "." + std::to_string(10 + n % 90), 8, true);
            Put(record, at, "2024" + std::string(n % 12 < 9 ? "0" : "") + std::to_string(n % 12 + 1) + "15", 8, false);
            Put(record, at, n % 3 == 0 ? "20250101" : "", 8, false);
            Put(record, at, n % 2 == 0 ? "T" : "F", 1, false);
            Put(record, at, "owner" + std::to_string(n % 11), 15, false);
            std::fwrite(record.data(), 1, record.size(), file);
        }
        std::fputc(0x1A, file);
        std::fclose(file);
        std::atexit([] { std::filesystem::remove(TablePath()); });
        return name;
    }());
    return path;
}

// The argument is the table's BufferSize: 4096 as the application sets it, 65536 to read in
// the minimal loop's block size.
void BM_EngineScan(benchmark::State& state)
{
    TXbSmartDBF table(nullptr);
    table.DBFFileName = TablePath();
    table.BufferSize = static_cast<int>(state.range(0));
    table.TrimCType = true;
    table.SetSetDeleted(true);
    table.Open();
    std::vector<TField*> fields;
    for (int i = 0; i < kFieldCount; ++i)
        fields.push_back(&table.Fields()[i]);
    std::string text;
    for (auto _ : state) {
        int64_t sum = 0;
        for (table.First(); !table.Eof(); table.Next()) {
            for (TField* field : fields) {
                switch (field->DataType()) {
                case TFieldType::ftString:
                    static_cast<TStringField*>(field)->GetValue(text);
                    sum += static_cast<int64_t>(text.size());
                    break;
                case TFieldType::ftInteger:
                case TFieldType::ftDate: {
                    int32_t value = 0;
                    field->GetData(&value);
                    sum += value;
                    break;
                }
                case TFieldType::ftFloat: {
                    double value = 0;
                    field->GetData(&value);
                    sum += static_cast<int64_t>(value);
                    break;
                }
                case TFieldType::ftBoolean: {
                    int16_t value = 0;
                    field->GetData(&value);
                    sum += value;
                    break;
                }
                default: break;
                }
            }
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
    table.Close();
}
BENCHMARK(BM_EngineScan)->Arg(4096)->Arg(65536)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_EngineFilteredScan(benchmark::State& state)
{
    TXbSmartDBF table(nullptr);
    table.DBFFileName = TablePath();
    table.BufferSize = static_cast<int>(state.range(0));
    table.TrimCType = true;
    table.SetSetDeleted(true);
    table.SetFilter("STATUS='Open' and QALEVEL>=3");
    table.SetFiltered(true);
    table.Open();
    for (auto _ : state) {
        int64_t accepted = 0;
        for (table.First(); !table.Eof(); table.Next())
            ++accepted;
        benchmark::DoNotOptimize(accepted);
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
    table.Close();
}
BENCHMARK(BM_EngineFilteredScan)->Arg(4096)->Arg(65536)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ShapelibScan(benchmark::State& state)
{
    DBFHandle handle = DBFOpen(TablePath().c_str(), "rb");
    const int count = DBFGetRecordCount(handle);
    for (auto _ : state) {
        int64_t sum = 0;
        for (int record = 0; record < count; ++record) {
            for (int i = 0; i < kFieldCount; ++i) {
                const TBenchField& field = kFields[i];
                if (DBFIsAttributeNULL(handle, record, i))
                    continue;
                switch (field.type) {
                case 'C': sum += static_cast<int64_t>(std::strlen(DBFReadStringAttribute(handle, record, i))); break;
                case 'N':
                    if (field.decimals > 0)
                        sum += static_cast<int64_t>(DBFReadDoubleAttribute(handle, record, i));
                    else
                        sum += DBFReadIntegerAttribute(handle, record, i);
                    break;
                case 'D': sum += DBFReadIntegerAttribute(handle, record, i); break;
                case 'L': sum += *DBFReadLogicalAttribute(handle, record, i) == 'T'; break;
                default: break;
                }
            }
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * count);
    DBFClose(handle);
}
BENCHMARK(BM_ShapelibScan)->Unit(benchmark::kMillisecond)->UseRealTime();

// The least a reader has to do: whole blocks, every field parsed where it lies.
void BM_MinimalLoop(benchmark::State& state)
{
    const int fd = ::open(TablePath().c_str(), O_RDONLY);
    const int recordSize = RecordSize();
    const int perBlock = 65536 / recordSize;
    std::vector<char> block(static_cast<size_t>(perBlock * recordSize));
    for (auto _ : state) {
        int64_t sum = 0;
        int64_t offset = HeaderSize();
        for (int done = 0; done < kRecords;) {
            const int wanted = std::min(perBlock, kRecords - done);
            const ssize_t got = ::pread(fd, block.data(), static_cast<size_t>(wanted) * recordSize, offset);
            if (got <= 0)
                break;
            const int records = static_cast<int>(got / recordSize);
            for (int r = 0; r < records; ++r) {
                const char* p = block.data() + static_cast<size_t>(r) * recordSize;
                if (p[0] == '*')
                    continue;
                int at = 1;
                for (const TBenchField& field : kFields) {
                    const char* first = p + at;
                    const char* last = first + field.length;
                    at += field.length;
                    switch (field.type) {
                    case 'C': {
                        while (last > first && last[-1] == ' ')
                            --last;
                        sum += last - first;
                        break;
                    }
                    case 'N': {
                        while (first < last && *first == ' ')
                            ++first;
                        while (last > first && last[-1] == ' ')
                            --last;
                        if (field.decimals > 0) {
                            double value = 0;
                            std::from_chars(first, last, value);
                            sum += static_cast<int64_t>(value);
                        } else {
                            int value = 0;
                            std::from_chars(first, last, value);
                            sum += value;
                        }
                        break;
                    }
                    case 'D': {
                        if (*first == ' ')
                            break;
                        int value = 0;
                        for (int i = 0; i < 8; ++i)
                            value = value * 10 + (first[i] - '0');
                        sum += value;
                        break;
                    }
                    case 'L': sum += *first == 'T'; break;
                    default: break;
                    }
                }
            }
            done += records;
            offset += got;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
    ::close(fd);
}
BENCHMARK(BM_MinimalLoop)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

namespace {

// The cursor alone: every record visited, no field read.
void BM_EngineCursorOnly(benchmark::State& state)
{
    TXbSmartDBF table(nullptr);
    table.DBFFileName = TablePath();
    table.SetSetDeleted(true);
    table.Open();
    for (auto _ : state) {
        int64_t visited = 0;
        for (table.First(); !table.Eof(); table.Next())
            ++visited;
        benchmark::DoNotOptimize(visited);
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
    table.Close();
}
BENCHMARK(BM_EngineCursorOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
