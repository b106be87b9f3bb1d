// Appending and posting 100,000 records shaped like the tracker's tickets table (51 fields:
// C, M, D, L, N): through the table dataset (without memos, and with one memo per record),
// through shapelib's DBF writer, and through python3-dbf run as a separate program (timed
// from outside, on fewer records since it is far slower).

#include "app/tables/TrackerTables.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/rtl/DateTime.h"

#include <benchmark/benchmark.h>
#include <shapefil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRecords = 100000;
constexpr int kPythonRecords = 5000;

// The tickets layout.
std::span<const TTrackerField> TicketFields()
{
    return TrackerTableLayout(TTrackerTable::Tickets).Fields;
}

// The text a C field of record i holds.
std::string TextValue(const TTrackerField& field, int i)
{
    std::string text = std::string(field.Name) + " " + std::to_string(i % 977);
    if (static_cast<int>(text.size()) > field.Width)
        text.resize(static_cast<size_t>(field.Width));
    return text;
}

std::string ScratchName(const std::string& stem)
{
    return (std::filesystem::temp_directory_path() / (stem + "_" + std::to_string(::getpid()) + ".dbf")).string();
}

void RemoveTable(const std::string& name)
{
    std::error_code error;
    std::filesystem::remove(name, error);
    std::filesystem::remove(TXbSmartDBF::MemoFileName(name, false), error);
}

// One run: create the table, append every record through the dataset, close. Exclusive
// (0x12) writes the header's count on close; shared (0x42) after every record, for the others.
void AppendThroughEngine(const std::string& name, bool withMemo, uint32_t accessMode = 0x12)
{
    {
        TXbSmartDBF creator(nullptr);
        creator.DBFFileName = name;
        creator.SetDbfVersion(xBaseVersion::xBaseIII);
        for (const TTrackerField& field : TicketFields())
            creator.DBFFieldDefs().Add(field.Name, field.Type, static_cast<uint16_t>(field.Width),
                                       static_cast<uint16_t>(field.Decimals));
        creator.CreateTable();
    }
    TXbSmartDBF table(nullptr);
    table.DBFFileName = name;
    table.AccessMode().SetAccessMode(accessMode);
    table.SetLockProtocol(LockProtocolType::lpClipperLock);
    table.SetLobLockProtocol(LockProtocolType::lpClipperLock);
    table.FastPostRecord = true;
    table.SetSetDeleted(true);
    table.TrimCType = true;
    table.Open();
    const std::span<const TTrackerField> fields = TicketFields();
    std::vector<TField*> byPosition;
    for (size_t i = 0; i < fields.size(); ++i)
        byPosition.push_back(&table.Fields()[static_cast<int>(i)]);
    std::vector<std::vector<std::string>> texts(977);
    for (int k = 0; k < 977; ++k)
        for (const TTrackerField& field : fields)
            texts[static_cast<size_t>(k)].push_back(field.Type == 'C' ? TextValue(field, k) : std::string());
    const TDateTime day = EncodeDate(2026, 3, 5);
    const std::string memo = "Steps to reproduce: open the settings, change the folder, press OK.\r\n"
                             "Expected: the list shows the new folder. Seen: the old folder stays.";
    for (int i = 0; i < kRecords; ++i) {
        table.Append();
        const std::vector<std::string>& row = texts[static_cast<size_t>(i % 977)];
        for (size_t f = 0; f < fields.size(); ++f) {
            TField& field = *byPosition[f];
            switch (fields[f].Type) {
            case 'C': field.SetAsString(row[f]); break;
            case 'D': field.SetAsDateTime(day + (i + static_cast<int>(f)) % 400); break;
            case 'L': field.SetAsBoolean(((i + f) & 1) != 0); break;
            case 'N': field.SetAsFloat(fields[f].Width > 2 ? (i % 1000) / 10.0 : i % 7); break;
            case 'M':
                if (withMemo && f == 5)
                    field.SetAsString(memo);
                break;
            default: break;
            }
        }
        table.Post();
    }
    table.Close();
}

void AppendThroughShapelib(const std::string& name)
{
    DBFHandle handle = DBFCreate(name.c_str());
    const std::span<const TTrackerField> fields = TicketFields();
    for (const TTrackerField& field : fields)
        DBFAddNativeFieldType(handle, field.Name, field.Type, field.Width, field.Decimals);
    std::vector<std::vector<std::string>> texts(977);
    for (int k = 0; k < 977; ++k)
        for (const TTrackerField& field : fields)
            texts[static_cast<size_t>(k)].push_back(field.Type == 'C' ? TextValue(field, k) : std::string());
    char date[16];
    for (int i = 0; i < kRecords; ++i) {
        const std::vector<std::string>& row = texts[static_cast<size_t>(i % 977)];
        for (size_t f = 0; f < fields.size(); ++f) {
            const int column = static_cast<int>(f);
            switch (fields[f].Type) {
            case 'C': DBFWriteStringAttribute(handle, i, column, row[f].c_str()); break;
            case 'D': {
                const int offset = (i + column) % 400;
                std::snprintf(date, sizeof date, "2026%02d%02d", 3 + offset / 28 % 9, 1 + offset % 28);
                DBFWriteStringAttribute(handle, i, column, date);
                break;
            }
            case 'L': DBFWriteLogicalAttribute(handle, i, column, ((i + column) & 1) != 0 ? 'T' : 'F'); break;
            case 'N': DBFWriteDoubleAttribute(handle, i, column, fields[f].Width > 2 ? (i % 1000) / 10.0 : i % 7); break;
            case 'M': DBFWriteStringAttribute(handle, i, column, ""); break;
            default: break;
            }
        }
    }
    DBFClose(handle);
}

void SetRate(benchmark::State& state, int records)
{
    state.counters["records_per_second"] =
        benchmark::Counter(static_cast<double>(records), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_EngineAppend(benchmark::State& state)
{
    const std::string name = ScratchName("zv_append_bench");
    for (auto _ : state) {
        RemoveTable(name);
        AppendThroughEngine(name, false);
    }
    RemoveTable(name);
    SetRate(state, kRecords);
}

void BM_EngineAppendShared(benchmark::State& state)
{
    const std::string name = ScratchName("zv_append_shared_bench");
    for (auto _ : state) {
        RemoveTable(name);
        AppendThroughEngine(name, false, 0x42);
    }
    RemoveTable(name);
    SetRate(state, kRecords);
}

void BM_EngineAppendWithMemo(benchmark::State& state)
{
    const std::string name = ScratchName("zv_append_memo_bench");
    for (auto _ : state) {
        RemoveTable(name);
        AppendThroughEngine(name, true);
    }
    RemoveTable(name);
    SetRate(state, kRecords);
}

void BM_ShapelibAppend(benchmark::State& state)
{
    const std::string name = ScratchName("zv_append_shp_bench");
    for (auto _ : state) {
        RemoveTable(name);
        AppendThroughShapelib(name);
    }
    RemoveTable(name);
    SetRate(state, kRecords);
}

// python3-dbf appends kPythonRecords records in a separate program; only its own append loop
// is timed (by the program itself), so interpreter start-up does not count.
void BM_PythonDbfAppend(benchmark::State& state)
{
    if (std::system("/usr/bin/python3 -c 'import dbf' >/dev/null 2>&1") != 0) {
        state.SkipWithError("python3-dbf is not installed");
        return;
    }
    const std::string name = ScratchName("zv_append_py_bench");
    const std::string script = ScratchName("zv_append_py_bench") + ".py";
    {
        std::string fieldList;
        for (const TTrackerField& field : TicketFields()) {
            if (!fieldList.empty())
                fieldList += "; ";
            fieldList += field.Name;
            switch (field.Type) {
            case 'C': fieldList += " C(" + std::to_string(field.Width) + ")"; break;
            case 'N': fieldList += " N(" + std::to_string(field.Width) + "," + std::to_string(field.Decimals) + ")"; break;
            default: fieldList += std::string(" ") + field.Type; break;
            }
        }
        std::ofstream out(script);
        out << "import dbf, datetime, sys, time\n"
               "fieldList = '" << fieldList << "'\n"
               "t = dbf.Table(sys.argv[1], fieldList, dbf_type='db3')\n"
               "t.open(dbf.READ_WRITE)\n"
               "fields = [(f.split()[0], f.split()[1][0]) for f in fieldList.split('; ')]\n"
               "widths = [int(f.split('(')[1].split(')')[0].split(',')[0]) if '(' in f else 0 for f in fieldList.split('; ')]\n"
               "day = datetime.date(2026, 3, 5)\n"
               "start = time.perf_counter()\n"
               "for i in range(int(sys.argv[2])):\n"
               "    row = []\n"
               "    for k, (name, kind) in enumerate(fields):\n"
               "        if kind == 'C': row.append((name + ' ' + str(i % 977))[:widths[k]])\n"
               "        elif kind == 'D': row.append(day + datetime.timedelta(days=(i + k) % 400))\n"
               "        elif kind == 'L': row.append(((i + k) & 1) != 0)\n"
               "        elif kind == 'N': row.append((i % 1000) / 10.0 if name != 'QALEVEL' else i % 7)\n"
               "        else: row.append(None)\n"
               "    t.append(tuple(row))\n"
               "t.close()\n"
               "print(time.perf_counter() - start)\n";
    }
    for (auto _ : state) {
        RemoveTable(name);
        const std::string command = "/usr/bin/python3 '" + script + "' '" + name + "' " + std::to_string(kPythonRecords);
        FILE* pipe = ::popen(command.c_str(), "r");
        char line[128] = {};
        const bool read = pipe != nullptr && std::fgets(line, sizeof line, pipe) != nullptr;
        const int status = pipe != nullptr ? ::pclose(pipe) : -1;
        if (!read || status != 0) {
            state.SkipWithError("python3-dbf failed");
            break;
        }
        state.SetIterationTime(std::atof(line));
    }
    RemoveTable(name);
    std::error_code error;
    std::filesystem::remove(script, error);
    SetRate(state, kPythonRecords);
}

}  // namespace

BENCHMARK(BM_EngineAppend)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_EngineAppendShared)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ShapelibAppend)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_EngineAppendWithMemo)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PythonDbfAppend)->Unit(benchmark::kMillisecond)->Iterations(1)->UseManualTime();
