// The NTX index over a table: opening (and refusing foreign or damaged files), walks in both
// directions, searches, key ranges, the table browsing in key order, activation, the lock, other
// users' changes and enciphered pages.
#include "dbf/XbDBFCrypt.h"
#include "dbf/index/XbNTXBag.h"
#include "platform/classes/FormReader.h"
#include "platform/classes/PropertyRegistry.h"
#include "platform/rtl/Exceptions.h"
#include "NtxTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// A scratch folder with the people table and one index file.
class NtxIndexTest : public ::testing::Test {
protected:
    void Write(const std::vector<uint8_t>& index, const std::vector<TPerson>& people = People())
    {
        WriteWholeFile(tablePath, PeopleTable(people));
        WriteWholeFile(indexPath, index);
    }
    void WritePeopleIndex(TPeopleKey key, bool descend = false, int fill = 0)
    {
        Write(BuildNtx(PeopleIndexOptions(key, descend, fill), PeopleItems(key, descend)));
    }
    // Shared and read-only unless told otherwise: several tables may stand on the same files.
    std::unique_ptr<TIndexedTable> OpenTable(uint32_t accessMode = TAccessMode::kShareDenyNone, int bufferSize = 4096)
    {
        auto table = std::make_unique<TIndexedTable>(tablePath, indexPath, accessMode, bufferSize);
        table->Open();
        return table;
    }
    // The message of what `action` raises (empty when it raises nothing).
    template <class F>
    static std::string Raised(F action)
    {
        try {
            action();
        } catch (const Exception& error) {
            return error.Message();
        }
        return {};
    }

    TScratchFolder folder;
    std::string tablePath = folder.File("people.dbf");
    std::string indexPath = folder.File("people.ntx");
};

// Walks the index itself: every record number from First by Next, and from Last by Prior.
std::vector<uint32_t> WalkForward(TXbNTXIndex& index)
{
    std::vector<uint32_t> numbers;
    for (auto result = index.First(); result == TXbIndexNavigation::nrPositioned; result = index.Next())
        numbers.push_back(index.GetCurrentRecNo());
    return numbers;
}

std::vector<uint32_t> WalkBackward(TXbNTXIndex& index)
{
    std::vector<uint32_t> numbers;
    for (auto result = index.Last(); result == TXbIndexNavigation::nrPositioned; result = index.Prior())
        numbers.push_back(index.GetCurrentRecNo());
    return numbers;
}

std::vector<uint32_t> Reversed(std::vector<uint32_t> numbers)
{
    std::reverse(numbers.begin(), numbers.end());
    return numbers;
}

std::vector<uint32_t> Without(std::vector<uint32_t> numbers, uint32_t recNo)
{
    numbers.erase(std::remove(numbers.begin(), numbers.end(), recNo), numbers.end());
    return numbers;
}

TEST_F(NtxIndexTest, ForeignAndDamagedFilesAreRefusedOnOpen)
{
    const std::vector<uint8_t> sound = BuildNtx(PeopleIndexOptions(TPeopleKey::Name, false, 3),
                                                PeopleItems(TPeopleKey::Name, false));
    const std::string quoted = "\"" + indexPath + "\"";
    const struct {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> damage;
        std::string message;
    } cases[] = {
        {"signature 5", [](std::vector<uint8_t>& f) { f[0] = 5; },
         "TXbNTXIndex.Open: File " + quoted + " is not NTX file"},
        {"shorter than its header", [](std::vector<uint8_t>& f) { f.resize(600); },
         "TXbNTXIndex.Open: File " + quoted + " is not NTX file"},
        {"item size", [](std::vector<uint8_t>& f) { f[12] = 19; },
         "TXbNTXIndex: Index file " + quoted + " is damaged (item size 19 for key size 10)!"},
        {"key longer than a page allows", [](std::vector<uint8_t>& f) { f[14] = 0x60; f[15] = 0x01; },
         "TXbNTXIndex: Index file " + quoted + " is damaged (key size 352 outside 1..330)!"},
        {"root past the end", [](std::vector<uint8_t>& f) { f[6] = 0x10; },
         "TXbNTXIndex: Index file " + quoted + " is damaged (root page "},
        {"root page refers to itself",
         [](std::vector<uint8_t>& f) {
             const size_t root = f[4] | (f[5] << 8);
             const size_t slot0 = f[root + 2] | (f[root + 3] << 8);
             std::copy(f.begin() + 4, f.begin() + 8, f.begin() + static_cast<long>(root + slot0));
         },
         "is damaged (the tree is deeper than 32 levels"},
        {"count above the capacity",
         [](std::vector<uint8_t>& f) {
             const size_t root = f[4] | (f[5] << 8);
             f[root] = 51;
         },
         "is damaged (page "},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> file = sound;
        c.damage(file);
        Write(file);
        TIndexedTable table(tablePath, indexPath);
        const std::string message = Raised([&] { table.Open(); });
        EXPECT_NE(message.find(c.message), std::string::npos) << c.what << ": " << message;
        EXPECT_FALSE(table.index->IsOpen()) << c.what;
        EXPECT_FALSE(table.table->Active()) << c.what;
    }
    std::filesystem::remove(indexPath);
    TIndexedTable missing(tablePath, indexPath);
    EXPECT_EQ(Raised([&] { missing.Open(); }), "TXbNTXBag.Open: Open error " + quoted);
}

TEST_F(NtxIndexTest, WalksBothWaysInKeyOrder)
{
    const struct {
        TPeopleKey key;
        bool descend;
        int fill;
        bool reverseItemArea;
    } cases[] = {
        {TPeopleKey::Name, false, 0, false},  {TPeopleKey::Name, false, 2, true},
        {TPeopleKey::Name, true, 3, false},   {TPeopleKey::Amount, false, 0, true},
        {TPeopleKey::Amount, false, 2, false}, {TPeopleKey::Amount, true, 4, false},
        {TPeopleKey::Born, false, 3, false},  {TPeopleKey::Born, true, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(KeyExpressionOf(c.key)) + (c.descend ? " descending" : "") + " fill " +
                     std::to_string(c.fill));
        const std::vector<TNtxItem> items = PeopleItems(c.key, c.descend);
        TNtxOptions options = PeopleIndexOptions(c.key, c.descend, c.fill);
        options.ReverseItemArea = c.reverseItemArea;
        Write(BuildNtx(options, items));
        // Four records a window, so that the table refills from the index again and again.
        auto table = OpenTable(0x10, 4 * 27);
        TXbNTXIndex& index = *table->index;
        const std::vector<uint32_t> expected = RecNos(items);
        EXPECT_EQ(WalkForward(index), expected);
        EXPECT_EQ(WalkBackward(index), Reversed(expected));
        EXPECT_EQ(index.ValidateTree(), "");
        EXPECT_EQ(table->Forward(), expected);
        EXPECT_EQ(table->Backward(), Reversed(expected));
        // Deleted records are left out of the view, not out of the index.
        table->table->SetSetDeleted(true);
        EXPECT_EQ(table->Forward(), Without(expected, 14));
        EXPECT_EQ(table->Backward(), Reversed(Without(expected, 14)));
    }
}

TEST_F(NtxIndexTest, KeysThatNoLongerMatchTheirRecordsDoNotTrapTheBrowse)
{
    // Record 5 is filed under a key its record no longer holds, and a unique index holds
    // repeated keys: the window goes on in the index's own order either way.
    for (const bool unique : {false, true}) {
        SCOPED_TRACE(unique ? "unique" : "plain");
        std::vector<TNtxItem> items = PeopleItems(TPeopleKey::Name, false);
        for (TNtxItem& item : items)
            if (item.RecNo == 5)
                item.Key = "Zulu      ";
        SortNtxItems(items, false);
        TNtxOptions options = PeopleIndexOptions(TPeopleKey::Name, false, 2);
        options.Unique = unique;
        Write(BuildNtx(options, items));
        auto table = OpenTable(TAccessMode::kShareDenyNone, 3 * 27);
        EXPECT_EQ(table->Forward(), RecNos(items));
        EXPECT_EQ(table->Backward(), Reversed(RecNos(items)));
    }
}

TEST_F(NtxIndexTest, NavigationResultsAndStep)
{
    WritePeopleIndex(TPeopleKey::Name, false, 2);
    auto table = OpenTable();
    TXbNTXIndex& index = *table->index;
    const std::vector<uint32_t> order = RecNos(PeopleItems(TPeopleKey::Name, false));
    const int32_t count = 30;

    int32_t recNo = -1;
    EXPECT_EQ(index.Step(1, recNo), TXbIndexNavigation::nrPositioned);
    EXPECT_EQ(recNo, static_cast<int32_t>(order.front()));
    EXPECT_EQ(index.GetCurrentKey(), "Adams     ");
    EXPECT_EQ(index.Step(1, recNo), TXbIndexNavigation::nrPositioned);
    EXPECT_EQ(recNo, static_cast<int32_t>(order[1]));
    // Past the end: result 2, the record count, and the position stays on the last key.
    recNo = count;
    EXPECT_EQ(index.Step(2, recNo), TXbIndexNavigation::nrPositioned);
    EXPECT_EQ(recNo, static_cast<int32_t>(order.back()));
    EXPECT_EQ(index.Step(1, recNo), TXbIndexNavigation::nrAfterLast);
    EXPECT_EQ(recNo, count);
    EXPECT_EQ(index.GetCurrentRecNo(), order.back());
    // Before the beginning: result 1 and -1.
    EXPECT_EQ(index.FirstRecNo(recNo), TXbIndexNavigation::nrPositioned);
    EXPECT_EQ(index.Prior(), TXbIndexNavigation::nrBeforeFirst);
    EXPECT_EQ(index.Step(2, recNo), TXbIndexNavigation::nrBeforeFirst);
    EXPECT_EQ(recNo, -1);
    std::string key;
    EXPECT_TRUE(index.LastKey(key, recNo));
    EXPECT_EQ(key, "Zimmer    ");
    EXPECT_EQ(recNo, 3);

    // An empty index.
    Write(BuildNtx(PeopleIndexOptions(TPeopleKey::Name, false, 0), {}));
    auto empty = OpenTable();
    EXPECT_EQ(empty->index->First(), TXbIndexNavigation::nrAfterLast);
    EXPECT_EQ(empty->index->Last(), TXbIndexNavigation::nrBeforeFirst);
    EXPECT_TRUE(empty->table->Eof());
    EXPECT_TRUE(empty->Forward().empty());
}

TEST_F(NtxIndexTest, SeekKeyCases)
{
    struct TCase {
        const char* what;
        std::string key;
        bool partial, soft;
        uint32_t recNo, expected;
    };
    const auto run = [&](TXbNTXIndex& index, const std::vector<TCase>& cases) {
        for (const TCase& c : cases)
            EXPECT_EQ(index.SeekKey(c.key, c.partial, c.recNo, c.soft), c.expected) << c.what;
    };
    WritePeopleIndex(TPeopleKey::Name, false, 3);
    auto table = OpenTable();
    TXbNTXIndex& names = *table->index;
    run(names, {
                   {"whole key", "Miller    ", false, false, 0, 1},
                   {"short key, not partial", "Miller", false, false, 0, 0},
                   {"prefix", "Mil", true, false, 0, 1},
                   {"equal keys from a record number on", "Miller    ", false, false, 2, 5},
                   {"no equal key from that number on", "Miller    ", false, false, 13, 0},
                   {"soft goes on to the next key", "Miller    ", false, true, 13, 9},
                   {"soft between keys", "Mo", false, true, 0, 9},
                   {"soft beyond the last key", "Zz", false, true, 0, 0},
                   {"no such prefix", "Able", true, false, 0, 0},
                   {"empty prefix", "", true, false, 0, 2},
                   {"longer than the key", "Zimmer    and more", false, false, 0, 3},
                   {"deleted, but not hidden", "Kent      ", false, false, 0, 14},
               });
    EXPECT_EQ(names.GetCurrentRecNo(), 14u);
    EXPECT_EQ(names.GetCurrentKey(), "Kent      ");

    // Records the table does not accept are skipped.
    table->table->SetSetDeleted(true);
    run(names, {{"deleted and hidden", "Kent      ", false, false, 0, 0},
                {"deleted and hidden, soft", "Kent      ", false, true, 0, 18}});
    table->table->SetFilter("AMOUNT > 0");
    table->table->SetFiltered(true);
    run(names, {{"filter: the first Miller with a positive amount", "Miller    ", false, false, 0, 12},
                {"filter, prefix", "Mi", true, false, 0, 12},
                {"filter rejects the only Evans", "Evans     ", false, false, 0, 0},
                {"filter, soft past Evans", "Evans     ", false, true, 0, 19}});

    WritePeopleIndex(TPeopleKey::Name, true, 3);
    auto descending = OpenTable();
    run(*descending->index, {{"descending: equal keys in record order", "Miller    ", false, false, 0, 1},
                             {"descending, soft", "Mo", false, true, 0, 1},
                             {"descending, soft past the last", "Aa", false, true, 0, 0}});

    WritePeopleIndex(TPeopleKey::Amount, false, 2);
    auto amounts = OpenTable();
    run(*amounts->index, {{"negative amount", NumericKeyText(-7.5, 8, 2), false, false, 0, 3},
                          {"negative amount, second record", NumericKeyText(-7.5, 8, 2), false, false, 4, 26},
                          {"soft to the next amount", NumericKeyText(-7, 8, 2), false, true, 0, 8},
                          {"zero", NumericKeyText(0, 8, 2), false, false, 0, 10},
                          {"past the largest", NumericKeyText(14, 8, 2), false, true, 0, 0}});

    WritePeopleIndex(TPeopleKey::Born, false, 0);
    auto dates = OpenTable();
    run(*dates->index, {{"date", "19600327", false, false, 0, 11}, {"year prefix", "1960", true, false, 0, 11}});
}

TEST_F(NtxIndexTest, SeeksByFieldValuesAndLocate)
{
    WritePeopleIndex(TPeopleKey::Name, false, 3);
    auto table = OpenTable();
    TXbNTXIndex& index = *table->index;
    EXPECT_EQ(index.CountKeyFields({"NAME"}), 1);
    EXPECT_EQ(index.CountKeyFields({"AMOUNT"}), 0);
    EXPECT_EQ(index.SeekFieldValues("NAME", Variant("Baker"), false, false), 4u);
    EXPECT_EQ(index.SeekFieldValues("NAME", Variant("Bak"), true, false), 4u);
    EXPECT_EQ(index.SeekFieldValues("NAME", Variant("Bak"), false, false), 0u);
    EXPECT_EQ(index.SeekFieldValues("AMOUNT", Variant(5), false, false), 0u) << "no key field named";
    EXPECT_EQ(index.SeekFieldConsts("NAME", {Variant("Young")}, false, false), 6u);

    // Locate takes the index that covers its fields and moves the table there; the table then
    // goes on in key order.
    ASSERT_TRUE(table->table->Locate("NAME", Variant("Miller"), {}));
    EXPECT_EQ(table->table->RecNo(), 1);
    table->table->Next();
    EXPECT_EQ(table->table->RecNo(), 5);
    EXPECT_TRUE(index.FindKey("Nolan     ", false));
    EXPECT_EQ(table->table->RecNo(), 9);
    table->table->Next();
    EXPECT_EQ(table->table->RecNo(), 23);  // Owen
    EXPECT_FALSE(index.FindKey("Nobody    ", false));
    EXPECT_EQ(table->table->RecNo(), 23) << "a failed find leaves the table where it was";
}

TEST_F(NtxIndexTest, BookmarksAndRecordNumbersFollowTheKeyOrder)
{
    WritePeopleIndex(TPeopleKey::Name, false, 2);
    auto indexed = OpenTable(0x10, 4 * 27);
    TXbDBFNTX& table = *indexed->table;
    table.SetRecNo(12);
    const TBookmark mark = table.GetBookmark();
    table.Next();
    EXPECT_EQ(table.RecNo(), 9);  // Nolan follows the last Miller
    table.First();
    table.GotoBookmark(mark);
    EXPECT_EQ(table.RecNo(), 12);
    table.Prior();
    EXPECT_EQ(table.RecNo(), 5);
    table.SetRecNo(21);  // Dunn
    table.Prior();
    EXPECT_EQ(table.RecNo(), 7);  // Carter
    table.Next();
    table.Next();
    EXPECT_EQ(table.RecNo(), 11);  // Evans
    table.MoveBy(10);
    EXPECT_EQ(table.RecNo(), 9);  // Nolan, ten keys on
    table.Refresh();
    EXPECT_EQ(table.RecNo(), 9);
    table.MoveBy(-15);
    EXPECT_EQ(table.RecNo(), 15);  // the third Adams
}

TEST_F(NtxIndexTest, ActivationRepositionsTheOpenTable)
{
    WritePeopleIndex(TPeopleKey::Name, false, 2);
    TIndexedTable indexed(tablePath, indexPath, TAccessMode::kShareDenyNone);
    indexed.index->SetActive(false);
    indexed.Open();
    TXbDBFNTX& table = *indexed.table;
    std::vector<uint32_t> recordOrder(30);
    for (uint32_t i = 0; i < 30; ++i)
        recordOrder[i] = i + 1;
    EXPECT_EQ(indexed.Forward(), recordOrder);
    table.SetRecNo(5);
    indexed.index->SetActive(true);
    EXPECT_EQ(table.RecNo(), 5);
    table.Next();
    EXPECT_EQ(table.RecNo(), 12);
    EXPECT_EQ(table.IndexName(), "people");
    indexed.index->SetActive(false);
    EXPECT_EQ(table.RecNo(), 12);
    table.Next();
    EXPECT_EQ(table.RecNo(), 13) << "record order again";
    table.SetIndexName("PEOPLE");
    EXPECT_TRUE(indexed.index->Active());

    // A FOR index holds only positive amounts: the table moves to the nearest following key.
    std::vector<TNtxItem> positive;
    for (const TNtxItem& item : PeopleItems(TPeopleKey::Name, false))
        if (People()[item.RecNo - 1].Amount > 0)
            positive.push_back(item);
    TNtxOptions options = PeopleIndexOptions(TPeopleKey::Name, false, 2);
    options.ForExpression = "AMOUNT > 0";
    WriteWholeFile(folder.File("positive.ntx"), BuildNtx(options, positive));
    TIndexedTable forIndex(tablePath, folder.File("positive.ntx"), TAccessMode::kShareDenyNone);
    forIndex.index->SetActive(false);
    forIndex.Open();
    EXPECT_TRUE(forIndex.index->HasForExpression());
    forIndex.table->SetRecNo(1);  // Miller, a negative amount
    forIndex.index->SetActive(true);
    EXPECT_EQ(forIndex.table->RecNo(), 12);  // the Miller with a positive amount
    forIndex.index->SetActive(false);
    forIndex.table->SetRecNo(3);  // Zimmer, negative, the last name: no following key
    forIndex.index->SetActive(true);
    EXPECT_EQ(forIndex.table->RecNo(), static_cast<int>(positive.front().RecNo)) << "the first record";
}

TEST_F(NtxIndexTest, KeyRanges)
{
    WritePeopleIndex(TPeopleKey::Name, false, 3);
    auto indexed = OpenTable(0x10, 3 * 27);
    TXbDBFNTX& table = *indexed->table;
    TXbNTXIndex& index = *indexed->index;

    table.SetKeyRange("NAME", Variant("Baker"), Variant("Evans"));
    EXPECT_TRUE(index.IsKeyRangeActive());
    EXPECT_EQ(indexed->Forward(), (std::vector<uint32_t>{4, 10, 7, 21, 11}));
    EXPECT_EQ(indexed->Backward(), (std::vector<uint32_t>{11, 21, 7, 10, 4}));
    table.SetRecNo(7);
    EXPECT_TRUE(index.InKeyRange());
    EXPECT_FALSE(index.KeyInRange("Adams     "));
    EXPECT_TRUE(index.KeyInRange("Evans     "));
    EXPECT_FALSE(index.KeyInRange("Fox       "));
    // A record outside the range is not accepted: seeks skip it.
    EXPECT_EQ(index.SeekKey("Adams     ", false, 0, false), 0u);
    EXPECT_EQ(index.SeekKey("Adams     ", false, 0, true), 4u);
    EXPECT_FALSE(table.Locate("NAME", Variant("Fox"), {}));

    table.SetKeyRangeEqual("NAME", Variant("Miller"));
    EXPECT_EQ(indexed->Forward(), (std::vector<uint32_t>{1, 5, 12}));
    EXPECT_EQ(indexed->Backward(), (std::vector<uint32_t>{12, 5, 1}));

    // An empty low bound starts at the first key; the high bound is a prefix.
    index.NTXRange().LoKey.clear();
    index.NTXRange().HiKey = "C";
    table.First();
    EXPECT_EQ(indexed->Forward(), (std::vector<uint32_t>{2, 8, 15, 4, 10, 7}));
    EXPECT_EQ(indexed->Backward(), (std::vector<uint32_t>{7, 10, 4, 15, 8, 2}));
    // An empty high bound lets nothing through.
    index.NTXRange().HiKey.clear();
    EXPECT_TRUE(indexed->Forward().empty());
    EXPECT_FALSE(index.InKeyRange());

    // A deleted record inside the range: hidden with SetDeleted, alike without a filter and
    // with one that accepts every record.
    table.SetKeyRange("NAME", Variant("H"), Variant("L"));
    const std::vector<uint32_t> inRange = indexed->Forward();
    ASSERT_NE(std::find(inRange.begin(), inRange.end(), 14u), inRange.end());
    table.SetSetDeleted(true);
    EXPECT_EQ(indexed->Forward(), Without(inRange, 14));
    EXPECT_EQ(indexed->Backward(), Reversed(Without(inRange, 14)));
    table.SetFilter("AMOUNT > 0 or AMOUNT <= 0");
    table.SetFiltered(true);
    EXPECT_EQ(indexed->Forward(), Without(inRange, 14));
    EXPECT_EQ(indexed->Backward(), Reversed(Without(inRange, 14)));
    table.SetFiltered(false);
    table.SetSetDeleted(false);

    table.CancelKeyRange();
    EXPECT_FALSE(index.IsKeyRangeActive());
    EXPECT_EQ(indexed->Forward().size(), 30u);
}

TEST_F(NtxIndexTest, ScanKeysAndExactFinds)
{
    WritePeopleIndex(TPeopleKey::Name, false, 2);
    auto table = OpenTable();
    TXbNTXIndex& index = *table->index;
    std::vector<std::string> seen;
    index.OnSubIndex = [&](TIndex*, const std::string& key, uint32_t recNo, int& result) {
        seen.push_back(key.substr(0, 3) + std::to_string(recNo));
        if (key.compare(0, 4, "Dunn") == 0)
            result = 1;
    };
    index.ScanKeys("Baker", "Evans");
    EXPECT_EQ(seen, (std::vector<std::string>{"Bak4", "Bak10", "Car7", "Dun21"})) << "stopped at Dunn";
    seen.clear();
    index.ScanKeys("X", "Z");
    EXPECT_EQ(seen, (std::vector<std::string>{"Xu 30", "You6", "Zim3"}));

    const std::string miller = "Miller    ";
    EXPECT_TRUE(index.FindExact(miller, false));
    EXPECT_EQ(index.FoundRecNo(), 1u);
    EXPECT_FALSE(index.FindExact("Mo        ", false));
    EXPECT_EQ(index.FoundRecNo(), 0u);
    EXPECT_FALSE(index.FindExact("Mo        ", true));
    EXPECT_EQ(index.FoundRecNo(), 9u) << "soft: the next key";
    EXPECT_FALSE(index.FindExact("Zz        ", true));
    EXPECT_EQ(index.FoundRecNo(), 3u) << "soft past the end: the last key";
    EXPECT_TRUE(index.FindLastWithPrefix("Mil", false));
    EXPECT_EQ(index.FoundRecNo(), 12u);
    EXPECT_FALSE(index.FindLastWithPrefix("Mo", true));
    EXPECT_EQ(index.FoundRecNo(), 9u);
    EXPECT_TRUE(index.FindLastWithPrefix("Z", false));
    EXPECT_EQ(index.FoundRecNo(), 3u);
}

TEST_F(NtxIndexTest, DamageMetWhileWalkingRaisesTheDamagedMessage)
{
    const std::vector<TNtxItem> items = PeopleItems(TPeopleKey::Name, false);
    const std::vector<uint8_t> sound = BuildNtx(PeopleIndexOptions(TPeopleKey::Name, false, 2), items);
    // The first leaf is the first page; the one written last before the root is a later leaf.
    const size_t laterLeaf = 1024 * 4;
    const struct {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> damage;
        const char* fault;
    } cases[] = {
        {"count above the capacity", [&](std::vector<uint8_t>& f) { f[laterLeaf] = 60; }, "key count 60"},
        {"keys swapped in a leaf",
         [&](std::vector<uint8_t>& f) { std::swap(f[laterLeaf + 2], f[laterLeaf + 4]); }, "keys out of order"},
        {"child past the end", [&](std::vector<uint8_t>& f) { f[f.size() - 1024 + 2 * 50 + 4 + 2] = 0x40; },
         "outside the file"},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> file = sound;
        c.damage(file);
        Write(file);
        TIndexedTable indexed(tablePath, indexPath, 0x10, 4 * 27);
        std::string message;
        try {
            indexed.Open();
            indexed.Forward();
            indexed.Backward();
        } catch (const Exception& error) {
            message = error.Message();
        }
        EXPECT_NE(message.find("TXbNTXIndex: Index file \"" + indexPath + "\" is damaged"), std::string::npos)
            << c.what << ": " << message;
        EXPECT_NE(message.find(c.fault), std::string::npos) << c.what << ": " << message;
    }
}

TEST_F(NtxIndexTest, ValidatorChecksTheWholeTree)
{
    std::vector<TNtxItem> items = PeopleItems(TPeopleKey::Name, false);
    // Keys sorted into the wrong subtrees, beyond the first window the table reads at open:
    // every page is sound on its own.
    std::swap(items[12].Key, items[25].Key);
    Write(BuildNtx(PeopleIndexOptions(TPeopleKey::Name, false, 3), items));
    auto table = OpenTable(TAccessMode::kShareDenyNone, 4 * 27);
    EXPECT_NE(table->index->ValidateTree().find("keys out of order"), std::string::npos);

    // A record number past the end of the table.
    items = PeopleItems(TPeopleKey::Name, false);
    items[5].RecNo = 31;
    Write(BuildNtx(PeopleIndexOptions(TPeopleKey::Name, false, 3), items));
    auto beyond = OpenTable();
    EXPECT_NE(beyond->index->ValidateTree().find("record number 31 beyond the table's 30 records"), std::string::npos);
    // The view leaves the missing record out.
    EXPECT_EQ(beyond->Forward().size(), 29u);

    Write(BuildNtx(PeopleIndexOptions(TPeopleKey::Name, false, 3), PeopleItems(TPeopleKey::Name, false)));
    auto sound = OpenTable();
    int64_t keys = 0;
    EXPECT_EQ(sound->index->ValidateTree(&keys), "");
    EXPECT_EQ(keys, 30);
}

TEST_F(NtxIndexTest, ALimitTooSmallForTheTreeIsRaisedToItsDepth)
{
    WritePeopleIndex(TPeopleKey::Name, false, 2);  // four levels
    TIndexedTable indexed(tablePath, indexPath, TAccessMode::kShareDenyNone, 4 * 27);
    TXbLimitIndexPages& limits = indexed.index->LimitPages();
    limits.LimitPagesType = TXbLimitBuffersType::lbtLimited;
    limits.LimitBuffers = 1;
    limits.PagesPerBuffer = 1;
    indexed.Open();
    EXPECT_EQ(indexed.index->Cache().MinimumBlocks, 4 + 3);
    EXPECT_EQ(indexed.Forward(), RecNos(PeopleItems(TPeopleKey::Name, false)));
    EXPECT_LE(indexed.index->Cache().BlockCount(), 7);
}

TEST_F(NtxIndexTest, RefusedLockRaisesInsteadOfFindingNothing)
{
    WritePeopleIndex(TPeopleKey::Name, false, 3);
    auto indexed = OpenTable(TAccessMode::kOpenReadWrite | TAccessMode::kShareDenyNone);
    indexed->table->WaitBusyRes = 2;
    TXbNTXIndex& index = *indexed->index;
    EXPECT_EQ(index.SeekKey("Miller    ", false, 0, false), 1u);

    // Another user holds the index lock byte of the table's lock protocol.
    TProxyStream other;
    other.FileName = indexPath;
    other.AccessMode().SetAccessMode(TAccessMode::kOpenReadWrite | TAccessMode::kShareDenyNone);
    ASSERT_TRUE(other.OpenStream());
    ASSERT_TRUE(other.LockRange(1000000000ull, 1));
    EXPECT_EQ(Raised([&] { index.SeekKey("Miller    ", false, 0, false); }),
              "TXbNTXIndex.SeekKey: Can not read from index file (FLock is false).");
    EXPECT_EQ(Raised([&] { indexed->table->Last(); }), "TDBFDataSet: Can not read from index file (FLock is false).");
    other.UnlockRange(1000000000ull, 1);
    EXPECT_EQ(index.SeekKey("Miller    ", false, 0, false), 1u);
    EXPECT_EQ(indexed->Forward().size(), 30u);

    // With no lock protocol nothing is locked, and a closed table finds nothing.
    indexed->table->Close();
    EXPECT_EQ(index.SeekKey("Miller    ", false, 0, false), 0u);
}

TEST_F(NtxIndexTest, AnotherUsersChangeIsSeenThroughTheVersion)
{
    WritePeopleIndex(TPeopleKey::Name, false, 3);
    auto indexed = OpenTable(TAccessMode::kShareDenyNone);
    TXbNTXIndex& index = *indexed->index;
    const std::vector<uint32_t> ascending = RecNos(PeopleItems(TPeopleKey::Name, false));
    EXPECT_EQ(WalkForward(index), ascending);

    // The other user rewrites the file in place: ten keys, laid out otherwise, next version.
    const std::vector<TPerson> firstTen(People().begin(), People().begin() + 10);
    TNtxOptions options = PeopleIndexOptions(TPeopleKey::Name, false, 4);
    options.Version = 2;
    const std::vector<TNtxItem> tenItems = PeopleItems(TPeopleKey::Name, false, firstTen);
    const std::vector<uint8_t> changed = BuildNtx(options, tenItems);
    TProxyStream other;
    other.FileName = indexPath;
    other.AccessMode().SetAccessMode(TAccessMode::kOpenReadWrite | TAccessMode::kShareDenyNone);
    ASSERT_TRUE(other.OpenStream());
    ASSERT_EQ(other.WriteBlock(changed.data(), static_cast<int64_t>(changed.size())), static_cast<int64_t>(changed.size()));
    other.CloseStream();
    // The cached pages of the old version are dropped.
    EXPECT_EQ(WalkForward(index), RecNos(tenItems));
    EXPECT_EQ(index.Header().Version, 2);
    EXPECT_EQ(indexed->Forward(), RecNos(tenItems));
}

TEST_F(NtxIndexTest, EncipheredPagesAreReadThroughTheTableCipher)
{
    TNtxOptions options = PeopleIndexOptions(TPeopleKey::Name, false, 2);
    options.Encipher = [](uint32_t offset, uint8_t* page) {
        for (int i = 0; i < 1024; ++i)
            page[i] ^= static_cast<uint8_t>(0x5A + (offset >> 10));
    };
    Write(BuildNtx(options, PeopleItems(TPeopleKey::Name, false)));
    TIndexedTable indexed(tablePath, indexPath, 0x10, 4 * 27);
    // Records are plain here: the cipher acts only on index pages (contexts from 1024 on).
    auto transform = [](TObject*, uint32_t context, void* buffer, int32_t size) {
        if (context < 1024)
            return;
        for (int32_t i = 0; i < size; ++i)
            static_cast<uint8_t*>(buffer)[i] ^= static_cast<uint8_t>(0x5A + (context >> 10));
    };
    indexed.table->Crypt().OnEncrypt = transform;
    indexed.table->Crypt().OnDecrypt = transform;
    indexed.table->Crypt().SetActive(true);
    indexed.Open();
    EXPECT_EQ(indexed.Forward(), RecNos(PeopleItems(TPeopleKey::Name, false)));
    EXPECT_EQ(indexed.index->ValidateTree(), "");
}

TEST_F(NtxIndexTest, GermanCollationOrdersUmlautsAfterTheirLetter)
{
    // ANSI names: stored as they are (the table is not OEM), weighed through their OEM bytes.
    const std::vector<std::string> names = {"Bar", "Apfel", "\xC4pfel", "Azur", "Zug", "\xC4rger", "\xFC" "ber", "Ulm"};
    TTestTable people({{"NAME", 'C', 6}});
    for (const std::string& name : names)
        people.Add({name});
    std::vector<TNtxItem> items;
    for (size_t i = 0; i < names.size(); ++i) {
        std::string key = names[i];
        key.resize(6, ' ');
        items.push_back({key, static_cast<uint32_t>(i + 1)});
    }
    // German order: Apfel Azur Äpfel Ärger Bar Ulm Zug über (small letters after capitals).
    const std::vector<uint32_t> order = {2, 4, 3, 6, 1, 8, 5, 7};
    std::vector<TNtxItem> sorted;
    for (uint32_t recNo : order)
        sorted.push_back(items[recNo - 1]);
    TNtxOptions options;
    options.KeySize = 6;
    options.KeyExpression = "NAME";
    WriteWholeFile(tablePath, people.Bytes());
    WriteWholeFile(indexPath, BuildNtx(options, sorted));
    {
        TIndexedTable indexed(tablePath, indexPath, 0x10, 2 * 7);
        indexed.index->Collation().CollationType = TXbCollationTypes::cltGermanCollation;
        indexed.Open();
        EXPECT_EQ(indexed.Forward(), order);
        EXPECT_EQ(indexed.Backward(), Reversed(order));
        EXPECT_EQ(indexed.index->ValidateTree(), "");
        EXPECT_EQ(indexed.index->SeekKey("\xC4", true, 0, false), 3u);
        EXPECT_EQ(indexed.index->SeekKey("B", false, 0, true), 1u);
    }
    {
        // Without the collation the same file reads as damaged, not in a wrong order.
        TIndexedTable plain(tablePath, indexPath);
        EXPECT_NE(Raised([&] { plain.Open(); }).find("another collation"), std::string::npos);
    }
    // A descending index negates the custom comparison too: a reversed byte comparison in a
    // descending index gives ascending byte order.
    TIndexedTable custom(tablePath, indexPath);
    custom.index->OnCompareKeys = [](TIndex*, const char* a, const char* b, int length, int& result) {
        result = -std::memcmp(a, b, static_cast<size_t>(length));
    };
    std::vector<TNtxItem> ascending = items;
    SortNtxItems(ascending, false);
    options.Descend = true;
    WriteWholeFile(indexPath, BuildNtx(options, ascending));
    custom.Open();
    EXPECT_EQ(WalkForward(*custom.index), RecNos(ascending));
}

TEST_F(NtxIndexTest, BagsAndOrders)
{
    RegisterDBFIndexClasses();
    TXbDBFNTX table(nullptr);
    TXbDBFIndexDefs& defs = table.DBFIndexDefs();
    auto& first = static_cast<TXbNTXBag&>(*defs.Add());
    EXPECT_EQ(first.Name(), "TXbDBFIndexBag0");
    first.SetIndexFileName(folder.File("orders.ntx"));
    EXPECT_EQ(first.Name(), "orders");
    auto& second = static_cast<TXbNTXBag&>(*defs.Add());
    second.SetName("mine");
    second.SetIndexFileName(folder.File("other.ntx"));
    EXPECT_EQ(second.Name(), "mine");
    EXPECT_EQ(defs.FormatCode(), 1);
    EXPECT_EQ(table.Indexes().FormatCode(), 1);

    first.Orders().Add();
    EXPECT_EQ(Raised([&] { first.Orders().Add(); }), "TXbNTXOrder.Create: NTX bag can not content more then one order!");
    EXPECT_EQ(first.Orders().Count(), 1);

    // A header without an order name names the order after its file.
    WritePeopleIndex(TPeopleKey::Name);
    std::filesystem::copy_file(indexPath, folder.File("orders.ntx"));
    ASSERT_TRUE(first.Open());
    EXPECT_EQ(first.Orders().OrderAt(0).Name, "orders");
    EXPECT_EQ(first.Orders().OrderAt(0).KeyExpresion, "NAME");
    first.CloseBag();
    TNtxOptions named = PeopleIndexOptions(TPeopleKey::Name, true, 0);
    named.OrderName = "BYNAME";
    WriteWholeFile(folder.File("orders.ntx"), BuildNtx(named, PeopleItems(TPeopleKey::Name, true)));
    ASSERT_TRUE(first.Open());
    EXPECT_EQ(first.Orders().OrderAt(0).Name, "BYNAME");
    EXPECT_TRUE(first.Orders().OrderAt(0).Desc);
    first.CloseBag();
    second.StorageType = TProxyStreamType::pstOuterStream;
    EXPECT_EQ(Raised([&] { second.Open(); }), "TXbNTXBag.Open: StorageType = pstOuterStream but OuterStream = nil!");
    EXPECT_FALSE(second.IsOpen());

    // An index opens through the bag of its file name even when the header names the order
    // otherwise (a file name longer than eight characters).
    WriteWholeFile(tablePath, PeopleTable());
    TIndexedTable indexed(tablePath, folder.File("orders.ntx"));
    indexed.Open();
    EXPECT_TRUE(indexed.index->IsOpen());
    EXPECT_EQ(indexed.index->Order(), "BYNAME");
    EXPECT_TRUE(indexed.index->Desc());
    EXPECT_EQ(indexed.table->DBFIndexDefs().Count(), 1);
    EXPECT_EQ(indexed.Forward(), RecNos(PeopleItems(TPeopleKey::Name, true)));
}

TEST_F(NtxIndexTest, NewOrderFileHoldsHeaderAndEmptyRoot)
{
    WriteWholeFile(tablePath, PeopleTable());
    RegisterDBFIndexClasses();
    TXbDBFNTX table(nullptr);
    table.DBFFileName = tablePath;
    table.Open();
    auto& bag = static_cast<TXbNTXBag&>(*table.DBFIndexDefs().Add());
    bag.SetIndexFileName(folder.File("amounts.ntx"));
    auto& order = static_cast<TXbNTXOrder&>(*bag.Orders().Add());
    order.Name = "AMOUNTS_BY_VALUE";
    order.KeyExpresion = "AMOUNT";
    order.Unique = true;
    order.ClipperVer = TCLIPPER_VERSION::v520;
    ASSERT_TRUE(bag.CreateBag());
    order.CreateOrderFile();
    bag.CloseBag();
    const std::vector<uint8_t> bytes = ReadWholeFile(folder.File("amounts.ntx"));
    ASSERT_EQ(bytes.size(), 2048u);
    const TXbNTXHeader header = ReadNTXHeader(bytes.data());
    EXPECT_EQ(header.Signature, 7);
    EXPECT_EQ(header.Version, 1);
    EXPECT_EQ(header.Root, 1024u);
    EXPECT_EQ(header.FreePage, 0u);
    EXPECT_EQ(header.KeySize, 8);
    EXPECT_EQ(header.Decimals, 2);
    EXPECT_EQ(header.Capacity, 54);
    EXPECT_EQ(header.HalfPage, 27);
    EXPECT_EQ(header.KeyExpression, "AMOUNT");
    EXPECT_TRUE(header.Unique);
    EXPECT_FALSE(header.Descend);
    EXPECT_EQ(header.OrderName, "AMOUNTS_");
    EXPECT_EQ(bytes[1024], 0) << "an empty root";
    EXPECT_EQ(bytes[1026], 2 * 54 + 4);
}

// The form a test description is read into.
class TNtxTestForm : public TComponent {
public:
    explicit TNtxTestForm(TComponent* owner) : TComponent(owner) {}
    const char* ClassName() const noexcept override { return "TNtxTestForm"; }
};

TEST_F(NtxIndexTest, FormDescriptionDeclaresTheIndexAndOpensInKeyOrder)
{
    WritePeopleIndex(TPeopleKey::Amount, true, 2);
    RegisterDBFIndexClasses();
    TClassRegistration<TNtxTestForm, TComponent>("TNtxTestForm").Component();
    std::string text = R"(object peopleform: TNtxTestForm
  object peopledb: TXbDBFNTX
    Active = True
    IndexName = 'PEOPLE'
    DBFFileName = '%TABLE%'
    IndexData = <
      item
        NTXFileName = '%INDEX%'
        Collation.CollationType = cltNone
        LimitPages.PagesPerBuffer = 2
        HashTypeForTreeSorters = htts4
        MaxBitsInHashCode = mbhc16
      end>
  end
end
)";
    text.replace(text.find("%TABLE%"), 7, tablePath);
    text.replace(text.find("%INDEX%"), 7, indexPath);
    TNtxTestForm form(nullptr);
    ReadComponentText(form, text, "peopleform.form", nullptr);
    auto* table = dynamic_cast<TXbDBFNTX*>(form.FindComponent("peopledb"));
    ASSERT_NE(table, nullptr);
    ASSERT_TRUE(table->Active());
    auto* index = dynamic_cast<TXbNTXIndex*>(&table->Indexes().IndexAt(0));
    ASSERT_NE(index, nullptr);
    EXPECT_TRUE(index->Active());
    EXPECT_TRUE(index->IsOpen());
    EXPECT_EQ(index->Cache().PagesPerBlock(), 2);
    EXPECT_EQ(index->HashTypeForTreeSorters, TXbHashTypeForTreeSorters::htts4);
    EXPECT_EQ(index->MaxBitsInHashCode, TXbMaxBitsInHashCode::mbhc16);
    std::vector<uint32_t> numbers;
    for (table->First(); !table->Eof(); table->Next())
        numbers.push_back(static_cast<uint32_t>(table->RecNo()));
    EXPECT_EQ(numbers, RecNos(PeopleItems(TPeopleKey::Amount, true)));
}

}  // namespace
