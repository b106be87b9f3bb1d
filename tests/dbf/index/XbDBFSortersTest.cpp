// The key sorters against std::stable_sort: every sorter must give back the items in key order,
// equal keys by ascending record number, and under Unique only the first item of each key.

#include "dbf/index/XbDBFSorters.h"

#include "dbf/XbDBFPrx.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/TempFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

struct TKeyItem {
    std::string Key;
    uint32_t RecNo;
};

enum class TKeyShape { Random, FewDistinct, Sorted, Reversed, SharedPrefix, AllEqual };

const char* ShapeName(TKeyShape shape)
{
    switch (shape) {
    case TKeyShape::Random: return "Random";
    case TKeyShape::FewDistinct: return "FewDistinct";
    case TKeyShape::Sorted: return "Sorted";
    case TKeyShape::Reversed: return "Reversed";
    case TKeyShape::SharedPrefix: return "SharedPrefix";
    case TKeyShape::AllEqual: return "AllEqual";
    }
    return "";
}

// Record numbers 1..count in the order the items are added.
std::vector<TKeyItem> MakeKeys(TKeyShape shape, int count, int keySize, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<TKeyItem> items;
    for (int i = 0; i < count; ++i) {
        std::string key(static_cast<size_t>(keySize), ' ');
        switch (shape) {
        case TKeyShape::Random:
            // The whole byte range, so keys starting with bytes above 127 are met too.
            for (char& c : key)
                c = static_cast<char>(random() % 256);
            key[static_cast<size_t>(keySize) - 1] = static_cast<char>('a' + random() % 3);
            break;
        case TKeyShape::FewDistinct:
            for (char& c : key)
                c = static_cast<char>('A' + random() % 3);
            break;
        case TKeyShape::Sorted:
        case TKeyShape::Reversed: {
            const int value = shape == TKeyShape::Sorted ? i / 2 : count - i / 2;
            char digits[32];
            std::snprintf(digits, sizeof digits, "%0*d", keySize, value);
            key.assign(digits + std::strlen(digits) - keySize);
            break;
        }
        case TKeyShape::SharedPrefix:
            std::fill(key.begin(), key.end(), 'P');
            key[static_cast<size_t>(keySize) - 1 - static_cast<size_t>(random() % 3)] = static_cast<char>('0' + random() % 10);
            break;
        case TKeyShape::AllEqual: std::fill(key.begin(), key.end(), 'Q'); break;
        }
        items.push_back({key, static_cast<uint32_t>(i + 1)});
    }
    return items;
}

std::vector<TKeyItem> Expected(std::vector<TKeyItem> items, bool unique,
                               const std::function<int(const std::string&, const std::string&)>& compare)
{
    std::stable_sort(items.begin(), items.end(),
                     [&](const TKeyItem& a, const TKeyItem& b) { return compare(a.Key, b.Key) < 0; });
    if (unique)
        items.erase(std::unique(items.begin(), items.end(),
                                [&](const TKeyItem& a, const TKeyItem& b) { return compare(a.Key, b.Key) == 0; }),
                    items.end());
    return items;
}

int ByteCompare(const std::string& a, const std::string& b)
{
    return std::memcmp(a.data(), b.data(), a.size());
}

// A temporary file opened as the merge sorters' stream; removed at the end.
struct TTempStream {
    TTempStream()
    {
        Stream.FileName = GetTempFileName(GetTempPath(), "zst");
        Stream.AccessMode().SetAccessMode(TAccessMode::kOpenReadWrite | TAccessMode::kShareDenyNone);
        EXPECT_TRUE(Stream.CreateProxyStream());
    }
    ~TTempStream()
    {
        Stream.CloseStream();
        std::filesystem::remove(Stream.FileName);
    }
    uint64_t Size() const { return std::filesystem::file_size(Stream.FileName); }
    TProxyStream Stream;
};

std::vector<TKeyItem> RunSorter(TXbSorterAbstract& sorter, const std::vector<TKeyItem>& items,
                                std::vector<bool>* accepted = nullptr)
{
    const int keySize = sorter.KeySize();
    std::vector<uint8_t> item(static_cast<size_t>(keySize) + 8);
    for (const TKeyItem& source : items) {
        XbMakeSortItem(item.data(), source.RecNo, reinterpret_cast<const uint8_t*>(source.Key.data()), keySize);
        const bool taken = sorter.AddItem(item.data());
        if (accepted)
            accepted->push_back(taken);
    }
    sorter.Sort();
    std::vector<TKeyItem> out;
    for (bool end = sorter.FirstSortItem(); !end; end = sorter.NextSortItem()) {
        const uint8_t* current = sorter.CurrentSortItem();
        EXPECT_EQ(0u, current[0] | current[1] | current[2] | current[3]) << "child word";
        out.push_back({std::string(reinterpret_cast<const char*>(current + 8), static_cast<size_t>(keySize)),
                       XbSortItemRecNo(current)});
    }
    return out;
}

struct TSorterCase {
    const TXbSorterClass* Class;
    bool TinyBuffer;  // merge sorters: three items per block, two blocks per run
};

const std::vector<TSorterCase>& AllSorters()
{
    static const std::vector<TSorterCase> cases = {
        {&XbQuickSorterClass, false},       {&XbBinaryTreeSorterClass, false}, {&XbRedBlackTreeSorterClass, false},
        {&XbAVLTreeSorterClass, false},     {&XbTrieTreeSorterClass, false},   {&XbMergeSorterClass, true},
        {&XbMerge4PathSorterClass, true},   {&XbMerge8PathSorterClass, true},  {&XbMergeSorterClass, false},
    };
    return cases;
}

TXbSorterSettings SettingsFor(const TSorterCase& sorterCase, int keySize, uint32_t capacity, bool unique,
                              TProxyStream* stream)
{
    TXbSorterSettings settings;
    settings.KeySize = static_cast<uint16_t>(keySize);
    settings.Capacity = capacity;
    settings.Unique = unique;
    if (sorterCase.Class->Outer) {
        settings.TempStream = stream;
        settings.BufferSize = sorterCase.TinyBuffer ? 8 + 3 * (keySize + 4) : 4096;
        settings.ItemsPerInnerSorter = sorterCase.TinyBuffer ? -2 : -32;
    }
    return settings;
}

std::string Describe(const TSorterCase& sorterCase, TKeyShape shape, int count, bool unique)
{
    return std::string(sorterCase.Class->Name) + (sorterCase.TinyBuffer ? " (tiny blocks)" : "") + " " +
           ShapeName(shape) + " n=" + std::to_string(count) + (unique ? " unique" : "");
}

void ExpectSame(const std::vector<TKeyItem>& expected, const std::vector<TKeyItem>& actual, const std::string& what)
{
    ASSERT_EQ(expected.size(), actual.size()) << what;
    for (size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(expected[i].Key, actual[i].Key) << what << " at " << i;
        ASSERT_EQ(expected[i].RecNo, actual[i].RecNo) << what << " at " << i;
    }
}

}  // namespace

TEST(XbDBFSorters, EverySorterMatchesStableSortOnEveryKeyShape)
{
    const TKeyShape shapes[] = {TKeyShape::Random,   TKeyShape::FewDistinct,  TKeyShape::Sorted,
                                TKeyShape::Reversed, TKeyShape::SharedPrefix, TKeyShape::AllEqual};
    const int counts[] = {0, 1, 2, 7, 64, 1000, 3000};
    const int keySize = 12;
    for (const TSorterCase& sorterCase : AllSorters()) {
        for (bool unique : {false, true}) {
            if (unique && sorterCase.Class == &XbQuickSorterClass)
                continue;
            for (TKeyShape shape : shapes) {
                for (int count : counts) {
                    const auto items = MakeKeys(shape, count, keySize, static_cast<unsigned>(count * 7 + 1));
                    TTempStream temp;
                    auto sorter = sorterCase.Class->Create(
                        SettingsFor(sorterCase, keySize, static_cast<uint32_t>(count), unique, &temp.Stream));
                    const std::string what = Describe(sorterCase, shape, count, unique);
                    ExpectSame(Expected(items, unique, ByteCompare), RunSorter(*sorter, items), what);
                    if (HasFatalFailure())
                        return;
                }
            }
        }
    }
}

TEST(XbDBFSorters, ClearedSorterSortsASecondBatch)
{
    const int keySize = 6;
    for (const TSorterCase& sorterCase : AllSorters()) {
        TTempStream temp;
        auto sorter = sorterCase.Class->Create(SettingsFor(sorterCase, keySize, 500, false, &temp.Stream));
        RunSorter(*sorter, MakeKeys(TKeyShape::Random, 500, keySize, 3));
        sorter->Clear();
        const auto second = MakeKeys(TKeyShape::FewDistinct, 300, keySize, 4);
        ExpectSame(Expected(second, false, ByteCompare), RunSorter(*sorter, second), sorterCase.Class->Name);
    }
}

TEST(XbDBFSorters, OwnComparisonsAndHashesKeepKeyOrder)
{
    const int keySize = 8;
    const auto items = MakeKeys(TKeyShape::Random, 2000, keySize, 11);
    const auto fewItems = MakeKeys(TKeyShape::FewDistinct, 2000, keySize, 12);
    auto descending = [](const std::string& a, const std::string& b) { return -ByteCompare(a, b); };
    // Letter case ignored: a collation with repeated weights.
    auto foldCase = [](const std::string& a, const std::string& b) {
        for (size_t i = 0; i < a.size(); ++i) {
            const int x = std::tolower(static_cast<unsigned char>(a[i]));
            const int y = std::tolower(static_cast<unsigned char>(b[i]));
            if (x != y)
                return x - y;
        }
        return 0;
    };
    std::vector<TKeyItem> mixedCase;
    for (const TKeyItem& item : fewItems) {
        std::string key = item.Key;
        for (size_t i = 0; i < key.size(); ++i)
            if ((item.RecNo >> i) & 1)
                key[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(key[i])));
        mixedCase.push_back({key, item.RecNo});
    }

    struct TCase {
        const char* Name;
        const std::vector<TKeyItem>* Items;
        std::function<int(const std::string&, const std::string&)> Compare;
        bool ByteRanges;
        bool WithHash;
    };
    const TCase cases[] = {
        {"descending", &items, descending, true, false},
        {"hash of the first two bytes", &items, ByteCompare, true, true},
        {"letter case ignored, one bucket", &mixedCase, foldCase, false, false},
    };
    for (const TCase& testCase : cases) {
        for (const TSorterCase& sorterCase : AllSorters()) {
            // The trie orders by bytes; equal keys under a repeated-weight collation are not
            // its case (checked below).
            if (sorterCase.Class == &XbTrieTreeSorterClass && !testCase.ByteRanges)
                continue;
            for (bool unique : {false, true}) {
                if (unique && sorterCase.Class == &XbQuickSorterClass)
                    continue;
                TTempStream temp;
                TXbSorterSettings settings = SettingsFor(sorterCase, keySize, 2000, unique, &temp.Stream);
                auto compare = testCase.Compare;
                settings.KeyCompareMethod = [compare](const uint8_t* a, const uint8_t* b, int length) {
                    return compare(std::string(reinterpret_cast<const char*>(a), static_cast<size_t>(length)),
                                   std::string(reinterpret_cast<const char*>(b), static_cast<size_t>(length)));
                };
                if (compare(std::string("a"), std::string("b")) > 0)
                    settings.CharCompareMethod = [](uint8_t a, uint8_t b) { return static_cast<int>(b) - a; };
                settings.BucketsHoldKeyRanges = testCase.ByteRanges;
                if (testCase.WithHash) {
                    settings.HashMethod = [](const uint8_t* item) { return static_cast<int32_t>(item[8] << 8 | item[9]); };
                    settings.MaxBitsInHashCode = 16;
                    settings.HashBits = 6;
                }
                auto sorter = sorterCase.Class->Create(settings);
                ExpectSame(Expected(*testCase.Items, unique, compare), RunSorter(*sorter, *testCase.Items),
                           std::string(testCase.Name) + ": " + sorterCase.Class->Name + (unique ? " unique" : ""));
                if (HasFatalFailure())
                    return;
            }
        }
    }
}

TEST(XbDBFSorters, HashCodesOutsideTheBitsAreRefused)
{
    TXbSorterSettings settings;
    settings.KeySize = 4;
    settings.Capacity = 4;
    settings.MaxBitsInHashCode = 16;
    settings.HashBits = 8;
    int32_t code = 0;
    settings.HashMethod = [&code](const uint8_t*) { return code; };
    TXbRedBlackTreeSorter sorter(settings);
    uint8_t item[12] = {};

    struct TCase {
        int32_t Code;
        const char* Message;  // empty: accepted
    };
    const TCase cases[] = {
        {65535, ""},
        {-32767, ""},
        {70000, "TXbSorterAbstract.Hash: Hash value (70000) must be less than 65535"},
        {-40000, "TXbSorterAbstract.Hash: Hash value (40000) must be less than 32767"},
        {INT_MIN, "TXbSorterAbstract.Hash: Hash value (2147483648) must be less than 32767"},
    };
    for (const TCase& testCase : cases) {
        code = testCase.Code;
        if (testCase.Message[0] == '\0') {
            EXPECT_LT(sorter.Hash(item), 256u) << testCase.Code;
            continue;
        }
        try {
            sorter.Hash(item);
            ADD_FAILURE() << testCase.Code << " accepted";
        } catch (const Exception& error) {
            EXPECT_EQ(testCase.Message, error.Message());
        }
    }
    EXPECT_EQ(255u, (code = 65535, sorter.Hash(item)));
    EXPECT_EQ(128u, (code = -32767, sorter.Hash(item)));  // 0x8001 masked to 16 bits
}

// Keys that give one trie node many children first and then cut the run of bytes above those
// children at every place (the children must still be found where they hang after the cut),
// and keys that come back to long sibling runs afterwards, before, between and after them.
TEST(XbDBFSorters, KeysBranchingAroundLongSiblingRunsKeepTheirOrder)
{
    auto keys = [](std::initializer_list<std::string> lead, const std::string& stem, const std::string& lastBytes,
                   std::initializer_list<std::string> tail) {
        std::vector<std::string> out(lead);
        for (char c : lastBytes)
            out.push_back((stem + c + "00000").substr(0, 6));
        out.insert(out.end(), tail);
        return out;
    };
    const std::vector<std::vector<std::string>> sequences = {
        // Children below a run of four bytes, then the run cut after its first byte.
        keys({"abcdeX"}, "abcde", "0123456789", {"abQ000", "abcde5", "abcde0", "abcdeZ", "abcdf1", "ab0000", "abcde5"}),
        // ... cut before its first byte.
        keys({"abcdeX"}, "abcde", "9876543210", {"aQ0000", "abcde3", "a00000", "abcde~", "abcde!", "abcde3"}),
        // ... cut after its third byte.
        keys({"abcdeX"}, "abcde", "5038271649", {"abcQ00", "abcde7", "abcdQ0", "abcde7", "abc000"}),
        // A long run of first children under one bucket, then more of them everywhere.
        keys({"m00000"}, "m", "zyxwvutsrqponmlkjihgfedcba", {"mM0000", "m!0000", "mz0000", "mzz000", "m~~~~~", "mq0000"}),
    };
    for (const auto& sequence : sequences) {
        std::vector<TKeyItem> items;
        for (const std::string& key : sequence)
            items.push_back({key, static_cast<uint32_t>(items.size() + 1)});
        for (const TSorterCase& sorterCase : AllSorters()) {
            for (bool unique : {false, true}) {
                if (unique && sorterCase.Class == &XbQuickSorterClass)
                    continue;
                TTempStream temp;
                auto sorter = sorterCase.Class->Create(
                    SettingsFor(sorterCase, 6, static_cast<uint32_t>(items.size()), unique, &temp.Stream));
                ExpectSame(Expected(items, unique, ByteCompare), RunSorter(*sorter, items),
                           std::string(sorterCase.Class->Name) + " starting " + sequence.front() +
                               (unique ? " unique" : ""));
                if (HasFatalFailure())
                    return;
            }
        }
    }
}

TEST(XbDBFSorters, RefusedSettingsAndOperationsSayWhy)
{
    auto message = [](auto action) {
        try {
            action();
        } catch (const Exception& error) {
            return error.Message();
        }
        return std::string("(nothing raised)");
    };
    TXbSorterSettings settings;
    settings.KeySize = 8;
    settings.Capacity = 16;

    TXbSorterSettings unique = settings;
    unique.Unique = true;
    EXPECT_EQ("TXbQuickSorter.Create: TXbQuickSorter not support Unique feature!",
              message([&] { XbQuickSorterClass.Create(unique); }));

    TXbSorterSettings hashed = settings;
    hashed.HashMethod = [](const uint8_t*) { return 0; };
    hashed.MaxBitsInHashCode = 6;
    hashed.HashBits = 8;
    EXPECT_EQ("TXbSorterAbstract.Create: MaxBitsInHashCode must be greater then number of bits used for HashTableSize!",
              message([&] { XbAVLTreeSorterClass.Create(hashed); }));

    uint8_t item[16] = {};
    TXbTrieTreeSorter trie(settings);
    EXPECT_EQ("TXbTrieTreeSorter.GetSortArray: Not implemented!", message([&] { trie.GetSortArray(0); }));
    EXPECT_EQ("TXbTrieTreeSorter.SetSortArray: Not implemented!", message([&] { trie.SetSortArray(0, 0); }));
    EXPECT_EQ("TXbTrieTreeSorter.GetSortItem: Not implemented!", message([&] { trie.GetSortItem(0, item); }));
    EXPECT_EQ("TXbTrieTreeSorter.SetSortItem: Not implemented!", message([&] { trie.SetSortItem(0, item); }));

    TTempStream temp;
    TXbSorterSettings outer = settings;
    outer.TempStream = &temp.Stream;
    TXbMergeSorter merge(outer);
    EXPECT_EQ("TXbMergeSorter.GetSortArray: Not implemented!", message([&] { merge.GetSortArray(0); }));
    EXPECT_EQ("TXbMergeSorter.SetSortArray: Not implemented!", message([&] { merge.SetSortArray(0, 0); }));
    EXPECT_EQ("TXbMergeSorter.GetSortItem: Not implemented!", message([&] { merge.GetSortItem(0, item); }));
    EXPECT_EQ("TXbMergeSorter.SetSortItem: Not implemented!", message([&] { merge.SetSortItem(0, item); }));
    EXPECT_EQ("TXbMergeSorter.GetPSortItem: Not implemented!", message([&] { merge.GetPSortItem(0); }));

    TXbSorterSettings noStream = settings;
    EXPECT_NE(std::string::npos, message([&] { TXbMergeSorter m(noStream); }).find("No temporary stream"));
    outer.BufferSize = 12;
    EXPECT_NE(std::string::npos, message([&] { TXbMergeSorter m(outer); }).find("holds no item"));

    // A full sorter refuses the next item instead of writing past its store.
    TXbSorterSettings small = settings;
    small.Capacity = 1;
    TXbQuickSorter quick(small);
    quick.AddItem(item);
    EXPECT_NE(std::string::npos, message([&] { quick.AddItem(item); }).find("Sorter is full"));
    TXbRedBlackTreeSorter tree(small);
    tree.AddItem(item);
    EXPECT_NE(std::string::npos, message([&] { tree.AddItem(item); }).find("Sorter is full"));
}

TEST(XbDBFSorters, GetSortItemCopiesOneItemOnly)
{
    TXbSorterSettings settings;
    settings.KeySize = 5;
    settings.Capacity = 2;
    TXbQuickSorter sorter(settings);
    uint8_t item[13];
    XbMakeSortItem(item, 7, reinterpret_cast<const uint8_t*>("ABCDE"), 5);
    sorter.AddItem(item);
    std::vector<uint8_t> destination(64, 0xCC);
    sorter.GetSortItem(0, destination.data());
    EXPECT_EQ(0, std::memcmp(destination.data(), item, 13));
    EXPECT_TRUE(std::all_of(destination.begin() + 13, destination.end(), [](uint8_t b) { return b == 0xCC; }));
}

TEST(XbDBFSorters, EmptySortersAllocateNothingAndWalkNothing)
{
    for (const TSorterCase& sorterCase : AllSorters()) {
        if (sorterCase.Class->Outer)
            continue;
        TXbSorterSettings settings;
        settings.KeySize = 10;
        settings.Capacity = 0;
        auto sorter = sorterCase.Class->Create(settings);
        sorter->Sort();
        EXPECT_TRUE(sorter->FirstSortItem()) << sorterCase.Class->Name;
    }
    const size_t before = XbDBFMemMgr().Count();
    {
        TXbSorterSettings settings;
        settings.KeySize = 10;
        TXbQuickSorter quick(settings);
        EXPECT_EQ(before, XbDBFMemMgr().Count());
    }
}

TEST(XbDBFSorters, UniqueRefusalIsReportedAndTheFirstItemStays)
{
    for (const TSorterCase& sorterCase : AllSorters()) {
        if (sorterCase.Class == &XbQuickSorterClass || sorterCase.Class->Outer)
            continue;
        TXbSorterSettings settings;
        settings.KeySize = 3;
        settings.Capacity = 3;
        settings.Unique = true;
        auto sorter = sorterCase.Class->Create(settings);
        std::vector<bool> accepted;
        const auto out = RunSorter(*sorter, {{"abc", 9}, {"abc", 2}, {"abd", 5}}, &accepted);
        EXPECT_EQ((std::vector<bool>{true, false, true}), accepted) << sorterCase.Class->Name;
        ASSERT_EQ(2u, out.size()) << sorterCase.Class->Name;
        EXPECT_EQ(9u, out[0].RecNo) << sorterCase.Class->Name;
    }
}

TEST(XbDBFSorters, BalancedTreesStayShallowThroughInsertsAndDeletes)
{
    const int count = 4096;
    TXbSorterSettings settings;
    settings.KeySize = 6;
    settings.Capacity = count;
    settings.BucketsHoldKeyRanges = false;  // one tree holds everything
    const auto items = MakeKeys(TKeyShape::Sorted, count, 6, 1);

    struct TCase {
        const TXbSorterClass* Class;
        int MaxHeight;
    };
    // 1.44 log2 n for AVL, 2 log2 n for red-black; a plain binary tree degenerates into a list.
    const TCase cases[] = {{&XbAVLTreeSorterClass, 18}, {&XbRedBlackTreeSorterClass, 24}, {&XbBinaryTreeSorterClass, count}};
    for (const TCase& testCase : cases) {
        auto created = testCase.Class->Create(settings);
        auto& sorter = dynamic_cast<TXbBinaryTreeSorterAbstract&>(*created);
        RunSorter(sorter, items);
        EXPECT_LE(sorter.Height(), testCase.MaxHeight) << testCase.Class->Name;
        if (testCase.Class == &XbBinaryTreeSorterClass) {
            EXPECT_EQ(count, sorter.Height());
        }

        // Remove every third item (stored in add order), then the rest must still come out
        // sorted and the tree stay balanced.
        std::mt19937 random(5);
        std::vector<uint32_t> numbers;
        for (uint32_t number = 0; number < count; ++number)
            numbers.push_back(number);
        std::shuffle(numbers.begin(), numbers.end(), random);
        std::vector<bool> removed(count, false);
        for (size_t i = 0; i < numbers.size(); i += 3) {
            sorter.DeleteItemFromTree(numbers[i]);
            removed[numbers[i]] = true;
        }
        std::vector<TKeyItem> kept;
        for (int i = 0; i < count; ++i)
            if (!removed[static_cast<size_t>(i)])
                kept.push_back(items[static_cast<size_t>(i)]);
        sorter.Sort();
        std::vector<TKeyItem> out;
        for (bool end = sorter.FirstSortItem(); !end; end = sorter.NextSortItem()) {
            const uint8_t* current = sorter.CurrentSortItem();
            out.push_back({std::string(reinterpret_cast<const char*>(current + 8), 6), XbSortItemRecNo(current)});
        }
        ExpectSame(Expected(kept, false, ByteCompare), out, std::string(testCase.Class->Name) + " after deletes");
        EXPECT_LE(sorter.Height(), testCase.MaxHeight) << testCase.Class->Name << " after deletes";
        const uint8_t* last = nullptr;
        EXPECT_FALSE(sorter.GetLastSortItem(last));
        EXPECT_EQ(kept.back().RecNo, XbSortItemRecNo(last));
    }
}

TEST(XbDBFSorters, MergeSortersMergeRunsAsPlanned)
{
    const int keySize = 4;
    // Blocks of 3 items, runs of 6.
    auto sortWith = [&](const TXbSorterClass& sorterClass, int count, int& runs, int& passes) {
        TTempStream temp;
        TXbSorterSettings settings = SettingsFor({&sorterClass, true}, keySize, static_cast<uint32_t>(count), false, &temp.Stream);
        auto created = sorterClass.Create(settings);
        auto& sorter = dynamic_cast<TXbMergeSorter&>(*created);
        const auto items = MakeKeys(TKeyShape::Random, count, keySize, static_cast<unsigned>(count));
        std::vector<uint8_t> item(keySize + 8);
        for (const TKeyItem& source : items) {
            XbMakeSortItem(item.data(), source.RecNo, reinterpret_cast<const uint8_t*>(source.Key.data()), keySize);
            sorter.AddItem(item.data());
        }
        sorter.Sort();
        runs = sorter.RunCount();
        passes = sorter.Passes();
        EXPECT_EQ(6u, sorter.RunLength());
        EXPECT_EQ(3, sorter.ItemsPerBlock());
    };
    struct TCase {
        const TXbSorterClass* Class;
        int Items;
        int RunsLeft;
        int Passes;
    };
    const TCase cases[] = {
        {&XbMergeSorterClass, 5, 1, 0},        // fewer than one run: read back without a pass
        {&XbMergeSorterClass, 12, 2, 0},       // two runs are merged by the walk alone
        {&XbMerge4PathSorterClass, 30, 2, 1},  // five runs: one group of four, the fifth carried
        {&XbMergeSorterClass, 30, 2, 2},       // five runs: 3, then 2
        {&XbMerge8PathSorterClass, 60, 2, 1},  // ten runs: a group of eight and one of two
    };
    for (const TCase& testCase : cases) {
        int runs = 0;
        int passes = 0;
        sortWith(*testCase.Class, testCase.Items, runs, passes);
        EXPECT_EQ(testCase.RunsLeft, runs) << testCase.Class->Name << " " << testCase.Items;
        EXPECT_EQ(testCase.Passes, passes) << testCase.Class->Name << " " << testCase.Items;
    }

    TTempStream temp;
    TXbSorterSettings wide;
    wide.KeySize = 250;
    wide.BufferSize = 65536;
    wide.ItemsPerInnerSorter = -32;
    wide.Capacity = 1000000;
    wide.TempStream = &temp.Stream;
    TXbMergeSorter sorter(wide);
    EXPECT_EQ(257, sorter.ItemsPerBlock());
    // The inner sorter holds one run, not the whole capacity.
    EXPECT_EQ(257u * 32, sorter.InnerSorter().Capacity());
}

TEST(XbDBFSorters, MergeSortersKeepTheTemporaryFileNearTheDataSize)
{
    const int keySize = 16;
    const int count = 20000;
    const auto items = MakeKeys(TKeyShape::Random, count, keySize, 77);
    for (const TXbSorterClass* sorterClass : {&XbMergeSorterClass, &XbMerge4PathSorterClass, &XbMerge8PathSorterClass}) {
        TTempStream temp;
        TXbSorterSettings settings;
        settings.KeySize = keySize;
        settings.Capacity = count;
        settings.TempStream = &temp.Stream;
        settings.BufferSize = 8 + 10 * (keySize + 4);  // 10 items a block
        settings.ItemsPerInnerSorter = -3;              // runs of 30
        auto sorter = sorterClass->Create(settings);
        ExpectSame(Expected(items, false, ByteCompare), RunSorter(*sorter, items), sorterClass->Name);
        const uint64_t dataBlocks = count / 10;
        // Every run ends in a part-filled block at most, and a merge in progress holds a block
        // per source beyond the data.
        const uint64_t runs = count / 30;
        EXPECT_LE(temp.Size(), (dataBlocks + runs + 16) * static_cast<uint64_t>(settings.BufferSize))
            << sorterClass->Name;
        sorter->Clear();
        EXPECT_EQ(0u, temp.Size()) << sorterClass->Name;
    }
}
