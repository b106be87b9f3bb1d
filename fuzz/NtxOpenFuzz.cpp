// Opens arbitrary bytes as the NTX index of a small table, checks the tree with the validator
// and walks it both ways: through the index, through the table's window in key order, by
// searches and within a key range.
// Input: one mode byte (bit 0 shared access, bit 1 German collation, bits 2-3 the window size),
// then the index file.
#include "../tests/dbf/index/NtxTestSupport.h"

#include "dbf/index/XbNTXBag.h"
#include "platform/rtl/Exceptions.h"

#include <cstddef>
#include <cstdint>

namespace {

// Every step is counted so that a walk that never ends is caught as a failure.
constexpr int kMaxSteps = 200000;

void Walk(TXbNTXIndex& index)
{
    int steps = 0;
    for (auto result = index.First(); result == TXbIndexNavigation::nrPositioned && steps < kMaxSteps;
         result = index.Next())
        ++steps;
    for (auto result = index.Last(); result == TXbIndexNavigation::nrPositioned && steps < 2 * kMaxSteps;
         result = index.Prior())
        ++steps;
    if (steps >= kMaxSteps)
        __builtin_trap();
}

void Browse(TXbDBFNTX& table)
{
    int steps = 0;
    for (table.First(); !table.Eof() && steps < kMaxSteps; table.Next())
        ++steps;
    for (table.Last(); !table.Bof() && steps < 2 * kMaxSteps; table.Prior())
        ++steps;
    if (steps >= kMaxSteps)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t mode = data[0];
    static const std::vector<uint8_t> tableBytes = PeopleTable();
    TMemoryStream tableStream;
    tableStream.Write(tableBytes.data(), static_cast<int64_t>(tableBytes.size()));
    TMemoryStream indexStream;
    indexStream.Write(data + 1, static_cast<int64_t>(size - 1));

    RegisterDBFIndexClasses();
    TXbDBFNTX table(nullptr);
    table.DBFFileName = "people.dbf";
    table.StorageType = TProxyStreamType::pstOuterStream;
    table.OuterStream = &tableStream;
    table.AccessMode().SetAccessMode((mode & 1) != 0 ? 0x42 : 0x12);
    table.BufferSize = 27 * (1 + 3 * ((mode >> 2) & 3));
    auto& bag = static_cast<TXbNTXBag&>(*table.DBFIndexDefs().Add());
    bag.SetIndexFileName("people.ntx");
    bag.StorageType = TProxyStreamType::pstOuterStream;
    bag.OuterStream = &indexStream;
    auto& index = static_cast<TXbNTXIndex&>(*table.Indexes().Add());
    index.SetNTXFileName("people.ntx");
    if ((mode & 2) != 0)
        index.Collation().CollationType = TXbCollationTypes::cltGermanCollation;
    index.SetActive(true);
    try {
        table.Open();
    } catch (const Exception&) {
        // A refused file is the expected outcome for most inputs.
        return 0;
    }
    const auto attempt = [](auto&& step) {
        try {
            step();
        } catch (const Exception&) {
            // Damage met on the way is reported, never more.
        }
    };
    attempt([&] { index.ValidateTree(); });
    attempt([&] { Walk(index); });
    attempt([&] { Browse(table); });
    attempt([&] {
        for (const char* key : {"Miller    ", "M", "", "\xFF"})
            index.SeekKey(key, true, 0, true);
        index.SeekKey("Zimmer    ", false, 3, false);
        index.ScanKeys("B", "N");
    });
    attempt([&] {
        table.SetKeyRange("NAME", Variant("C"), Variant("M"));
        Browse(table);
    });
    return 0;
}
