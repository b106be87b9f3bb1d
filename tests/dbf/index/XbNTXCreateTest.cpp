// Index builds from a table: every sorter and the compact build write the same file, whose keys
// are the table's keys in order (equal keys by record number, one per key under Unique); the
// bottom-up writer leaves no right-edge page under half full; a failed build leaves the old index.
#include "NtxTestSupport.h"

#include "dbf/index/XbNTXCreate.h"
#include "dbf/index/XbNTXRegistration.h"
#include "platform/classes/PropertyPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <sstream>

namespace {

struct TRow {
    std::string Name;  // C 12
    int Amount;        // N 7
    bool Deleted;
};

std::vector<TRow> MakeRows(int count, unsigned seed)
{
    static const char* const names[] = {"Miller", "Adams", "Zimmer", "Baker", "Young", "Carter", "Nolan", "Evans",
                                        "Irwin",  "Kent",  "Quinn",  "Ross",  "Lee",   "Fox",    "Hart",  "Dunn"};
    std::vector<TRow> rows;
    uint32_t state = seed;
    for (int i = 0; i < count; ++i) {
        state = state * 1103515245u + 12345u;
        std::string name = names[(state >> 16) % 16];
        // A suffix makes most names distinct while leaving many duplicates.
        name += std::to_string((state >> 8) % 97);
        rows.push_back({name, static_cast<int>((state >> 4) % 20000) - 10000, i % 17 == 5});
    }
    return rows;
}

std::vector<uint8_t> TableOf(const std::vector<TRow>& rows)
{
    TTestTable table({{"NAME", 'C', 12}, {"AMOUNT", 'N', 7}});
    for (const TRow& row : rows) {
        char amount[16];
        std::snprintf(amount, sizeof amount, "%7d", row.Amount);
        table.Add({row.Name, amount}, row.Deleted);
    }
    return table.Bytes();
}

std::vector<TNtxItem> ExpectedNames(const std::vector<TRow>& rows, bool unique, bool descend)
{
    std::vector<TNtxItem> items;
    for (size_t i = 0; i < rows.size(); ++i) {
        std::string key = rows[i].Name;
        key.resize(12, ' ');
        items.push_back({key, static_cast<uint32_t>(i + 1)});
    }
    std::stable_sort(items.begin(), items.end(), [descend](const TNtxItem& a, const TNtxItem& b) {
        return descend ? a.Key > b.Key : a.Key < b.Key;
    });
    if (unique)
        items.erase(std::unique(items.begin(), items.end(),
                                [](const TNtxItem& a, const TNtxItem& b) { return a.Key == b.Key; }),
                    items.end());
    return items;
}

// The items of an NTX file in key order, read by the compact build's own run reader on a copy.
std::vector<TNtxItem> ReadItems(const std::string& path)
{
    const std::string copy = path + ".copy";
    std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing);
    TXbNTXIterator iterator(copy);
    std::vector<TNtxItem> items;
    iterator.Open();
    const size_t keySize = ReadNTXHeader(ReadWholeFile(path).data()).KeySize;
    for (; !iterator.Eof(); iterator.Next())
        items.push_back({std::string(reinterpret_cast<const char*>(iterator.Key()), keySize), iterator.RecNo()});
    iterator.Close();
    return items;
}

struct TMethod {
    const char* Name;
    const TXbSorterClass* Sorter;  // none: the compact build, or the batch insertion
    bool Batch = false;            // keys inserted into the tree: same keys, other page layout
};

const TMethod kMethods[] = {
    {"quick", &XbQuickSorterClass},        {"binary", &XbBinaryTreeSorterClass},
    {"red-black", &XbRedBlackTreeSorterClass}, {"AVL", &XbAVLTreeSorterClass},
    {"trie", &XbTrieTreeSorterClass},      {"merge", &XbMergeSorterClass},
    {"merge4", &XbMerge4PathSorterClass},  {"merge8", &XbMerge8PathSorterClass},
    {"compact", nullptr},                  {"batch", nullptr, true},
};

// A table component on the table file, open, with one index (not yet built) on `indexFile`.
class TBuildTable {
public:
    TBuildTable(const std::string& tableFile, const std::string& indexFile, const std::string& keyExpression)
        : table(std::make_unique<TXbDBFNTX>(nullptr))
    {
        RegisterDBFIndexClasses();
        table->DBFFileName = tableFile;
        table->AccessMode().SetAccessMode(TAccessMode::kOpenReadWrite | TAccessMode::kShareExclusive);
        table->Open();
        index = static_cast<TXbNTXIndex*>(table->Indexes().Add());
        index->SetNTXFileName(indexFile);
        index->SetKeyExpresion(keyExpression);
        // Small blocks and runs, so that the external sorters write and merge many runs.
        index->OuterSorterProperties().BufferSize = 8 + 10 * (12 + 4);
        index->OuterSorterProperties().SortItemPerInnerSorter = -3;
        index->OuterSorterProperties().TmpPath = std::filesystem::path(indexFile).parent_path().string();
    }

    void Build(const TMethod& method, bool activate = false)
    {
        if (method.Batch)
            index->CreateIndex(activate, 40 * (12 + 8));  // batches of 40 keys
        else if (method.Sorter != nullptr)
            index->CreateIndexUsingSorter(method.Sorter, activate);
        else
            index->CreateCompactIndex(512, activate, true);
    }

    std::unique_ptr<TXbDBFNTX> table;
    TXbNTXIndex* index = nullptr;
};

std::vector<std::string> FolderFiles(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(XbNTXCreate, EveryMethodWritesTheSameSoundFile)
{
    const std::vector<TRow> rows = MakeRows(3000, 7);
    for (bool unique : {false, true}) {
        for (bool descend : {false, true}) {
            TScratchFolder folder;
            const std::string tablePath = folder.File("people.dbf");
            WriteWholeFile(tablePath, TableOf(rows));
            const auto expected = ExpectedNames(rows, unique, descend);
            std::vector<uint8_t> first;
            for (const TMethod& method : kMethods) {
                const std::string what = std::string(method.Name) + (unique ? " unique" : "") + (descend ? " desc" : "");
                const std::string indexPath = folder.File(std::string("n") + method.Name + ".ntx");
                TBuildTable build(tablePath, indexPath, "NAME");
                build.index->SetUnique(unique);
                build.index->SetDesc(descend);
                if (unique && method.Sorter == &XbQuickSorterClass) {
                    // The quick sorter keeps every item: it refuses a unique index.
                    try {
                        build.Build(method);
                        ADD_FAILURE() << what << " built";
                    } catch (const Exception& error) {
                        EXPECT_EQ("TXbQuickSorter.Create: TXbQuickSorter not support Unique feature!", error.Message());
                    }
                    continue;
                }
                build.Build(method);
                ASSERT_TRUE(build.index->IsOpen()) << what;
                int64_t keys = 0;
                EXPECT_EQ("", build.index->ValidateTree(&keys)) << what;
                EXPECT_EQ(static_cast<int64_t>(expected.size()), keys) << what;
                const auto items = ReadItems(indexPath);
                ASSERT_EQ(expected.size(), items.size()) << what;
                for (size_t i = 0; i < items.size(); ++i) {
                    ASSERT_EQ(expected[i].Key, items[i].Key) << what << " at " << i;
                    ASSERT_EQ(expected[i].RecNo, items[i].RecNo) << what << " at " << i;
                }
                const std::vector<uint8_t> bytes = ReadWholeFile(indexPath);
                if (first.empty()) {
                    first = bytes;
                } else if (!method.Batch) {
                    EXPECT_TRUE(bytes == first) << what << " differs from the first method's file";
                }
                build.table->Close();
                // Only the table and the index files remain: every temporary file went.
                std::filesystem::remove(indexPath + ".copy");
            }
            const auto files = FolderFiles(folder.Path());
            EXPECT_EQ(1 + std::size(kMethods) - (unique ? 1 : 0), files.size());
        }
    }
}

// The sorters decide most comparisons from a few key bytes kept beside their links; those bytes
// must order as the index compares: through a collation's weights, up to a zero byte in plain
// order (keys equal up to it are equal), reversed when descending. The compact build compares
// whole keys only, so every sorter's file must equal its file.
TEST(XbNTXCreate, SortersAgreeWithWholeKeyComparisonsUnderCollationsAndZeroBytes)
{
    using namespace std::string_literals;
    const std::string pieces[] = {"Ab", "ab", "\xC4", "\xE4", "A", "B", "\0"s, "\x01", "z", "\xFC", " ", "b\0"s};
    std::vector<std::string> names;
    uint32_t state = 5;
    for (int i = 0; i < 1500; ++i) {
        std::string name;
        for (int part = 0; part < 4; ++part) {
            state = state * 1103515245u + 12345u;
            name += pieces[(state >> 16) % std::size(pieces)];
        }
        name.resize(6, ' ');
        names.push_back(name);
    }
    TTestTable table({{"NAME", 'C', 6}});
    for (const std::string& name : names)
        table.Add({name});
    struct TCase {
        const char* Name;
        TXbCollationTypes Collation;
        bool Descend;
    };
    const TCase cases[] = {
        {"plain", TXbCollationTypes::cltNone, false},
        {"plain descending", TXbCollationTypes::cltNone, true},
        {"German", TXbCollationTypes::cltGermanCollation, false},
        {"German descending", TXbCollationTypes::cltGermanCollation, true},
    };
    for (const TCase& testCase : cases) {
        TScratchFolder folder;
        const std::string tablePath = folder.File("t.dbf");
        WriteWholeFile(tablePath, table.Bytes());
        std::vector<uint8_t> reference;
        bool zeroInKeys = false;
        for (const TMethod& method : kMethods) {
            // The trie orders weight-equal bytes by their values, not by record number.
            if (method.Batch || (method.Sorter == &XbTrieTreeSorterClass &&
                                 testCase.Collation != TXbCollationTypes::cltNone))
                continue;
            const std::string what = std::string(testCase.Name) + " " + method.Name;
            const std::string indexPath = folder.File(std::string("n") + method.Name + ".ntx");
            TBuildTable build(tablePath, indexPath, "NAME");
            build.index->Collation().CollationType = testCase.Collation;
            build.index->SetDesc(testCase.Descend);
            build.Build(method);
            EXPECT_EQ("", build.index->ValidateTree()) << what;
            build.table->Close();
            const std::vector<uint8_t> bytes = ReadWholeFile(indexPath);
            if (method.Sorter == nullptr) {
                reference = bytes;
                for (const TNtxItem& item : ReadItems(indexPath))
                    zeroInKeys = zeroInKeys || item.Key.find('\0') != std::string::npos;
            }
        }
        EXPECT_TRUE(zeroInKeys) << testCase.Name;
        for (const TMethod& method : kMethods) {
            if (method.Sorter == nullptr || (method.Sorter == &XbTrieTreeSorterClass &&
                                             testCase.Collation != TXbCollationTypes::cltNone))
                continue;
            EXPECT_TRUE(ReadWholeFile(folder.File(std::string("n") + method.Name + ".ntx")) == reference)
                << testCase.Name << " " << method.Name << " differs from the compact build's file";
        }
    }
}

// The batch build inserts every sorted batch into the tree key by key: its pages are the ones
// that adding the keys of each batch, sorted, one at a time to an empty index gives.
TEST(XbNTXCreate, BatchBuildGivesThePagesOfSingleInsertionsOfEachSortedBatch)
{
    const std::vector<TRow> rows = MakeRows(3000, 11);
    constexpr size_t kBatch = 40;
    TScratchFolder folder;
    const std::string tablePath = folder.File("people.dbf");
    WriteWholeFile(tablePath, TableOf(rows));
    const std::string batchPath = folder.File("batch.ntx");
    {
        TBuildTable build(tablePath, batchPath, "NAME");
        build.Build(kMethods[std::size(kMethods) - 1]);
        build.table->Close();
    }
    const std::string singlePath = folder.File("single.ntx");
    TNtxOptions options;
    options.KeySize = 12;
    options.KeyExpression = "NAME";
    WriteWholeFile(singlePath, BuildNtx(options, {}));
    {
        TIndexedTable single(tablePath, singlePath, TAccessMode::kShareExclusive | TAccessMode::kOpenReadWrite);
        single.Open();
        for (size_t first = 0; first < rows.size(); first += kBatch) {
            std::vector<TNtxItem> batch;
            for (size_t i = first; i < std::min(rows.size(), first + kBatch); ++i) {
                std::string key = rows[i].Name;
                key.resize(12, ' ');
                batch.push_back({key, static_cast<uint32_t>(i + 1)});
            }
            std::stable_sort(batch.begin(), batch.end(),
                             [](const TNtxItem& a, const TNtxItem& b) { return a.Key < b.Key; });
            for (const TNtxItem& item : batch)
                ASSERT_TRUE(single.index->AddKey(item.Key, item.RecNo));
        }
        single.table->Close();
    }
    const std::vector<uint8_t> batchFile = ReadWholeFile(batchPath);
    const std::vector<uint8_t> singleFile = ReadWholeFile(singlePath);
    ASSERT_EQ(singleFile.size(), batchFile.size());
    ASSERT_GT(batchFile.size(), 20u * 1024) << "a tree of several levels";
    EXPECT_TRUE(std::equal(batchFile.begin() + 4, batchFile.begin() + 8, singleFile.begin() + 4)) << "root page";
    EXPECT_TRUE(std::equal(batchFile.begin() + 1024, batchFile.end(), singleFile.begin() + 1024))
        << "the pages differ";
}

// Under the caller's comparison (here: the first three bytes only, so that many keys compare
// equal) the compact build and the sorters order equal keys by record number and, under Unique,
// keep the first of them; their files agree byte for byte.
TEST(XbNTXCreate, CallerComparisonOrdersEqualKeysByRecordNumber)
{
    const std::vector<TRow> rows = MakeRows(2000, 3);
    auto compareFirstThree = [](TIndex*, const char* a, const char* b, int, int& result) {
        result = std::memcmp(a, b, 3);
    };
    for (bool unique : {false, true}) {
        TScratchFolder folder;
        const std::string tablePath = folder.File("people.dbf");
        WriteWholeFile(tablePath, TableOf(rows));
        std::vector<TNtxItem> expected = ExpectedNames(rows, false, false);
        std::stable_sort(expected.begin(), expected.end(), [](const TNtxItem& a, const TNtxItem& b) {
            return a.RecNo < b.RecNo;
        });
        std::stable_sort(expected.begin(), expected.end(), [](const TNtxItem& a, const TNtxItem& b) {
            return a.Key.compare(0, 3, b.Key, 0, 3) < 0;
        });
        if (unique)
            expected.erase(std::unique(expected.begin(), expected.end(),
                                       [](const TNtxItem& a, const TNtxItem& b) { return a.Key.compare(0, 3, b.Key, 0, 3) == 0; }),
                           expected.end());
        std::vector<uint8_t> reference;
        for (const TMethod& method : kMethods) {
            if (method.Sorter == &XbTrieTreeSorterClass || (unique && method.Sorter == &XbQuickSorterClass))
                continue;
            const std::string what = std::string(method.Name) + (unique ? " unique" : "");
            const std::string indexPath = folder.File(std::string("n") + method.Name + ".ntx");
            TBuildTable build(tablePath, indexPath, "NAME");
            build.index->SetUnique(unique);
            build.index->OnCompareKeys = compareFirstThree;
            build.Build(method);
            build.table->Close();
            const auto items = ReadItems(indexPath);
            std::filesystem::remove(indexPath + ".copy");
            ASSERT_EQ(expected.size(), items.size()) << what;
            for (size_t i = 0; i < items.size(); ++i) {
                ASSERT_EQ(expected[i].Key, items[i].Key) << what << " at " << i;
                ASSERT_EQ(expected[i].RecNo, items[i].RecNo) << what << " at " << i;
            }
            if (method.Batch)
                continue;
            const std::vector<uint8_t> bytes = ReadWholeFile(indexPath);
            if (reference.empty())
                reference = bytes;
            else
                EXPECT_TRUE(bytes == reference) << what << " differs from the first method's file";
        }
    }
}

TEST(XbNTXCreate, EmptyResultsGiveOneEmptyRootPage)
{
    struct TCase {
        const char* Name;
        int Rows;
        const char* ForExpression;
    };
    const TCase cases[] = {{"no records", 0, ""}, {"FOR false for every record", 200, "AMOUNT > 99999"}};
    for (const TCase& testCase : cases) {
        for (const TMethod& method : kMethods) {
            TScratchFolder folder;
            const std::string tablePath = folder.File("t.dbf");
            WriteWholeFile(tablePath, TableOf(MakeRows(testCase.Rows, 3)));
            const std::string indexPath = folder.File("t.ntx");
            TBuildTable build(tablePath, indexPath, "NAME");
            build.index->SetForExpresion(testCase.ForExpression);
            build.Build(method, true);
            const std::vector<uint8_t> bytes = ReadWholeFile(indexPath);
            ASSERT_EQ(2048u, bytes.size()) << testCase.Name << " " << method.Name;
            const TXbNTXHeader header = ReadNTXHeader(bytes.data());
            EXPECT_EQ(1024u, header.Root);
            EXPECT_EQ(testCase.ForExpression, header.ForExpression);
            EXPECT_EQ(0, bytes[1024] | bytes[1025]) << "key count";
            EXPECT_TRUE(build.index->Active());
        }
    }
}

TEST(XbNTXCreate, ForConditionAndAmountKeysFollowTheTable)
{
    const std::vector<TRow> rows = MakeRows(500, 11);
    TScratchFolder folder;
    const std::string tablePath = folder.File("t.dbf");
    WriteWholeFile(tablePath, TableOf(rows));
    std::vector<TNtxItem> expected;
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].Amount > 0)
            expected.push_back({NumericKeyText(rows[i].Amount, 7, 0), static_cast<uint32_t>(i + 1)});
    std::stable_sort(expected.begin(), expected.end(), [](const TNtxItem& a, const TNtxItem& b) { return a.Key < b.Key; });
    for (const TMethod& method : kMethods) {
        const std::string indexPath = folder.File(std::string("a") + method.Name + ".ntx");
        TBuildTable build(tablePath, indexPath, "AMOUNT");
        build.index->SetForExpresion("AMOUNT > 0");
        build.Build(method);
        const auto items = ReadItems(indexPath);
        ASSERT_EQ(expected.size(), items.size()) << method.Name;
        for (size_t i = 0; i < items.size(); ++i)
            ASSERT_EQ(expected[i].RecNo, items[i].RecNo) << method.Name << " at " << i;
    }
}

TEST(XbNTXCreate, BottomUpWriterFillsTheRightEdgeToHalfAPage)
{
    TScratchFolder folder;
    const std::string path = folder.File("edge.ntx");
    TXbNTXHeader header;
    header.KeyExpression = "K";
    header.SetKeySize(8);
    ASSERT_EQ(54, header.Capacity);
    ASSERT_EQ(27, header.HalfPage);
    {
        TXbNTXCompactIndex writer(path, header);
        for (int i = 0; i < 60; ++i) {
            char key[16];
            std::snprintf(key, sizeof key, "%08d", i);
            writer.AddItem(reinterpret_cast<const uint8_t*>(key), static_cast<uint32_t>(i + 1));
        }
        writer.Finish();
    }
    const std::vector<uint8_t> bytes = ReadWholeFile(path);
    const TXbNTXHeader written = ReadNTXHeader(bytes.data());
    const TXbNTXGeometry geometry = TXbNTXGeometry::Of(written);
    auto page = [&](uint32_t offset) { return TXbNTXPage(const_cast<uint8_t*>(bytes.data()) + offset, geometry); };
    TXbNTXPage root = page(written.Root);
    ASSERT_EQ(1, root.Count());
    EXPECT_EQ(27, page(root.Child(0)).Count());
    EXPECT_EQ(32, page(root.Child(1)).Count());
    EXPECT_EQ(std::string("00000027"), std::string(root.Key(0), 8));
    // Every key in order.
    const auto items = ReadItems(path);
    ASSERT_EQ(60u, items.size());
    for (int i = 0; i < 60; ++i)
        EXPECT_EQ(static_cast<uint32_t>(i + 1), items[static_cast<size_t>(i)].RecNo);
}

TEST(XbNTXCreate, FailedBuildLeavesTheOldIndexAsItWas)
{
    const std::vector<TRow> rows = MakeRows(400, 5);
    for (const TMethod& method : kMethods) {
        TScratchFolder folder;
        const std::string tablePath = folder.File("t.dbf");
        WriteWholeFile(tablePath, TableOf(rows));
        const std::string indexPath = folder.File("t.ntx");
        TBuildTable build(tablePath, indexPath, "NAME");
        build.Build(method);
        const std::vector<uint8_t> before = ReadWholeFile(indexPath);
        int calls = 0;
        build.index->OnEvaluteKey = [&calls](TIndex*, std::string& key) {
            if (++calls > 300)
                throw Exception("key failure");
            key = "XXXXXXXXXXXX";
        };
        EXPECT_THROW(build.Build(method), Exception) << method.Name;
        EXPECT_TRUE(ReadWholeFile(indexPath) == before) << method.Name;
        EXPECT_EQ((std::vector<std::string>{"t.dbf", "t.ntx"}), FolderFiles(folder.Path())) << method.Name;
        build.index->OnEvaluteKey = nullptr;
        EXPECT_TRUE(build.index->IsOpen()) << method.Name;
    }
}

TEST(XbNTXCreate, RefusedBuildsSayWhy)
{
    TScratchFolder folder;
    const std::string tablePath = folder.File("t.dbf");
    WriteWholeFile(tablePath, TableOf(MakeRows(10, 1)));
    TBuildTable build(tablePath, folder.File("t.ntx"), "NAME");
    auto message = [](auto action) {
        try {
            action();
        } catch (const Exception& error) {
            return error.Message();
        }
        return std::string("(nothing raised)");
    };
    TXbNTXIndexBuilder builder(*build.index);
    EXPECT_EQ("TXbNTXIndex.CreateIndexUsingSorter: Sorter object is null!",
              message([&] { builder.CreateIndexUsingSorter(nullptr, false); }));
    EXPECT_EQ("TXbNTXIndex.CreateCompactIndex: BlockBufferSize too large!",
              message([&] { builder.CreateCompactIndex(20 * 1024 * 1024, false, false); }));
    build.table->BufferSize = 10;
    EXPECT_EQ("TXbNTXIndex.CreateIndexUsingSorter: Record size too lage",
              message([&] { builder.CreateIndexUsingSorter(&XbQuickSorterClass, false); }));
    build.table->Close();
    EXPECT_EQ("TXbNTXIndex.CreateCompactIndex: Create index only on active DataSet",
              message([&] { builder.CreateCompactIndex(4096, false, false); }));
}

// The outside reader lists every key of a 100,000-record table as python3-dbfread computes them.
TEST(XbNTXCreate, OutsideReadersAgreeOnALargeTable)
{
    bool ok = false;
    RunCommand("command -v index_dump", ok);
    bool python = false;
    RunCommand("/usr/bin/python3 -c 'import dbfread' 2>/dev/null", python);
    if (!ok || !python)
        GTEST_SKIP() << "index_dump (libdbd-xbase-perl) or python3-dbfread is not installed";
    std::vector<TRow> rows = MakeRows(100000, 99);
    for (TRow& row : rows)
        row.Deleted = false;  // python3-dbfread lists live records only
    TScratchFolder folder;
    const std::string tablePath = folder.File("big.dbf");
    WriteWholeFile(tablePath, TableOf(rows));
    // The keys as python3-dbfread reads the table, with their record numbers, in key order.
    const std::string script =
        "import sys, dbfread\n"
        "table = dbfread.DBF(sys.argv[1], load=False, encoding='latin-1')\n"
        "rows = [((r['NAME'] or '').ljust(12), i + 1) for i, r in enumerate(table)]\n"
        "rows.sort(key=lambda r: (r[0].encode('latin-1'), r[1]))\n"
        "sys.stdout.write(''.join('%s %d\\n' % r for r in rows))\n";
    bool ran = false;
    const std::string computed = RunScript(folder.Path(), "/usr/bin/python3", script, {tablePath}, ran);
    ASSERT_TRUE(ran) << computed.substr(0, 500);

    std::vector<uint8_t> first;
    for (const TMethod& method : kMethods) {
        const std::string indexPath = folder.File(std::string("big_") + method.Name + ".ntx");
        TBuildTable build(tablePath, indexPath, "NAME");
        build.index->OuterSorterProperties().BufferSize = 65536;
        build.index->OuterSorterProperties().SortItemPerInnerSorter = -4;
        if (method.Batch)
            build.index->CreateIndex(false, 65536);
        else if (method.Sorter != nullptr)
            build.index->CreateIndexUsingSorter(method.Sorter, false);
        else
            build.index->CreateCompactIndex(65536, false, true);
        EXPECT_EQ("", build.index->ValidateTree()) << method.Name;
        // Every key is found by a seek.
        int misses = 0;
        for (size_t i = 0; i < rows.size(); i += 97) {
            std::string key = rows[i].Name;
            key.resize(12, ' ');
            if (!build.index->FindExact(key, false))
                ++misses;
        }
        EXPECT_EQ(0, misses) << method.Name;
        build.table->Close();
        const std::vector<uint8_t> bytes = ReadWholeFile(indexPath);
        if (first.empty()) {
            first = bytes;
            bool dumped = false;
            const std::string dump = RunCommand("index_dump --type=char " + ShellQuoted(indexPath) + " KEY 2>&1", dumped);
            EXPECT_TRUE(dump == computed) << method.Name << ": index_dump and python3-dbfread disagree\n"
                                          << dump.substr(0, 300) << "\n----\n" << computed.substr(0, 300);
        } else if (!method.Batch) {
            EXPECT_TRUE(bytes == first) << method.Name << " differs from the first method's file";
        } else {
            bool dumped = false;
            const std::string dump = RunCommand("index_dump --type=char " + ShellQuoted(indexPath) + " KEY 2>&1", dumped);
            EXPECT_TRUE(dump == computed) << method.Name << ": index_dump and python3-dbfread disagree";
        }
    }
}

TEST(XbNTXCreate, CreateNowAndReindexBuildTheIndexAgain)
{
    const std::vector<TRow> rows = MakeRows(700, 21);
    TScratchFolder folder;
    const std::string tablePath = folder.File("t.dbf");
    WriteWholeFile(tablePath, TableOf(rows));
    const std::string indexPath = folder.File("t.ntx");
    TBuildTable build(tablePath, indexPath, "NAME");
    // Through the published property, as a form description or a language file sets it.
    RegisterDBFIndexClasses();
    ASSERT_TRUE(SetPropertyPathText(*build.index, "CreateNow", "True"));
    EXPECT_EQ(GetPropertyPathText(*build.index, "CreateNow"), "False");
    ASSERT_TRUE(build.index->IsOpen());
    EXPECT_TRUE(build.index->Active());
    const auto expected = ExpectedNames(rows, false, false);
    auto check = [&](const char* what) {
        int64_t keys = 0;
        EXPECT_EQ("", build.index->ValidateTree(&keys)) << what;
        EXPECT_EQ(static_cast<int64_t>(expected.size()), keys) << what;
        const auto items = ReadItems(indexPath);
        ASSERT_EQ(expected.size(), items.size()) << what;
        for (size_t i = 0; i < items.size(); ++i)
            ASSERT_EQ(expected[i].RecNo, items[i].RecNo) << what << " at " << i;
    };
    check("CreateNow");
    // The table in key order through the new index.
    build.table->First();
    EXPECT_EQ(static_cast<int>(expected.front().RecNo), build.table->RecNo());
    build.index->Reindex(true);
    check("Reindex");
    EXPECT_TRUE(build.index->Active());
}
