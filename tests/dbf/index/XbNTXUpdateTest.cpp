// Keys added to and removed from NTX indexes: random sequences checked step by step against a
// model, the page split and merge rules, free-page reuse, and the outside reader on the result.
#include "NtxChecker.h"
#include "NtxTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <sstream>

namespace {

// A table of `records` blank records with one character field K of `keySize` characters and an
// empty index over K, opened shared (every key change writes its pages and header at once).
class TKeyTable {
public:
    TKeyTable(const TScratchFolder& folder, int keySize, int records, bool unique = false, bool descend = false,
              TDeleteKeyStyle style = TDeleteKeyStyle::dksClipper)
        : tablePath(folder.File("keys.dbf")), indexPath(folder.File("keys.ntx"))
    {
        TTestTable table({{"K", 'C', keySize}});
        for (int i = 0; i < records; ++i)
            table.Add({""});
        WriteWholeFile(tablePath, table.Bytes());
        TNtxOptions options;
        options.KeySize = keySize;
        options.KeyExpression = "K";
        options.Unique = unique;
        options.Descend = descend;
        WriteWholeFile(indexPath, BuildNtx(options, {}));
        indexed = std::make_unique<TIndexedTable>(tablePath, indexPath, TAccessMode::kShareDenyNone | TAccessMode::kOpenReadWrite);
        indexed->index->DeleteKeyStyle = style;
        indexed->Open();
    }

    TXbNTXIndex& Index() { return *indexed->index; }
    std::vector<uint8_t> File() const { return ReadWholeFile(indexPath); }

    // The items the engine walks, in order.
    std::vector<TNtxItem> Walked()
    {
        std::vector<TNtxItem> items;
        for (auto result = Index().First(); result == TXbIndexNavigation::nrPositioned; result = Index().Next())
            items.push_back({Index().GetCurrentKey(), Index().GetCurrentRecNo()});
        return items;
    }

    std::string tablePath;
    std::string indexPath;
    std::unique_ptr<TIndexedTable> indexed;
};

bool SameItems(const std::vector<TNtxItem>& a, const std::vector<TNtxItem>& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].Key != b[i].Key || a[i].RecNo != b[i].RecNo)
            return false;
    return true;
}

std::string Describe(const std::vector<TNtxItem>& items)
{
    std::ostringstream out;
    for (const TNtxItem& item : items)
        out << "[" << item.Key << "|" << item.RecNo << "] ";
    return out.str();
}

std::vector<TNtxItem> ModelItems(const std::multimap<std::string, uint32_t>& model, bool descend)
{
    std::vector<TNtxItem> items;
    for (const auto& [key, recNo] : model)
        items.push_back({key, recNo});
    SortNtxItems(items, descend);
    return items;
}

// index_dump's listing of a character index: "key recno" per line.
std::vector<TNtxItem> IndexDump(const std::string& path)
{
    bool ok = false;
    const std::string output = RunCommand("index_dump --type=char " + ShellQuoted(path) + " KEY 2>/dev/null", ok);
    std::vector<TNtxItem> items;
    std::istringstream in(output);
    std::string line;
    while (std::getline(in, line)) {
        const size_t blank = line.rfind(' ');
        if (blank != std::string::npos)
            items.push_back({line.substr(0, blank), static_cast<uint32_t>(std::stoul(line.substr(blank + 1)))});
    }
    return items;
}

bool HaveIndexDump()
{
    bool ok = false;
    RunCommand("command -v index_dump", ok);
    return ok;
}

// Trailing blanks of a key, as index_dump does not show them.
std::vector<TNtxItem> Trimmed(std::vector<TNtxItem> items)
{
    for (TNtxItem& item : items)
        item.Key.erase(item.Key.find_last_not_of(' ') + 1);
    return items;
}

struct TSequenceCase {
    const char* name;
    int keySize;
    TDeleteKeyStyle style;
    bool unique;
    bool descend;
};

class NtxRandomSequence : public ::testing::TestWithParam<TSequenceCase> {};

// Inserts, edits (a key removed and another added for the same record) and deletes, first
// growing the tree and then shrinking it to nothing, with the tree validated after every step
// and the whole file checked independently at intervals; the outside reader lists the result.
// With 200-byte keys a page holds two keys and half a page is one key, so merges run up through
// pages that are left without keys.
TEST_P(NtxRandomSequence, KeepsTheModelAfterEveryStep)
{
    const TSequenceCase& param = GetParam();
    const bool balanced = param.style == TDeleteKeyStyle::dksClipper;
    constexpr int kSteps = 1600;
    TScratchFolder folder;
    TKeyTable keys(folder, param.keySize, kSteps + 10, param.unique, param.descend, param.style);
    TXbNTXIndex& index = keys.Index();
    std::multimap<std::string, uint32_t> model;
    std::mt19937 random(static_cast<uint32_t>(param.keySize * 31 + static_cast<int>(param.style) * 7 + param.unique * 3 + param.descend));
    uint32_t nextRecNo = 1;
    auto makeKey = [&] {
        // Few distinct values, so equal keys are common; the part that differs lies at the end.
        std::string key(static_cast<size_t>(param.keySize), 'x');
        const std::string tail = std::to_string(random() % 400);
        key.replace(key.size() - tail.size() - 1, tail.size(), tail);
        return key;
    };
    auto has = [&](const std::string& key) { return model.count(key) > 0; };
    auto add = [&](const std::string& key, uint32_t recNo) {
        const bool expected = !(param.unique && has(key));
        ASSERT_EQ(index.AddKey(key, recNo), expected);
        if (expected)
            model.emplace(key, recNo);
    };
    auto removeAt = [&](size_t place) -> uint32_t {
        auto it = std::next(model.begin(), static_cast<std::ptrdiff_t>(place));
        const bool removed = index.RemoveKey(it->first, it->second);
        EXPECT_TRUE(removed) << it->first << " " << it->second;
        const uint32_t recNo = it->second;
        model.erase(it);
        return recNo;
    };
    auto check = [&](int step, bool whole) {
        int64_t count = -1;
        ASSERT_EQ(index.ValidateTree(&count), "") << "step " << step;
        ASSERT_EQ(count, static_cast<int64_t>(model.size())) << "step " << step;
        if (!whole)
            return;
        const TNtxFileCheck file = CheckNtxFile(keys.File(), balanced);
        ASSERT_EQ(file.Fault, "") << "step " << step;
        const std::vector<TNtxItem> expected = ModelItems(model, param.descend);
        ASSERT_TRUE(SameItems(file.Items, expected)) << "step " << step << "\n" << Describe(file.Items) << "\n" << Describe(expected);
    };

    for (int step = 0; step < kSteps; ++step) {
        const int roll = static_cast<int>(random() % 100);
        const int insertShare = step < kSteps / 2 ? 65 : 25;
        if (model.empty() || roll < insertShare) {
            add(makeKey(), nextRecNo++);
        } else if (roll < insertShare + 12) {
            const uint32_t recNo = removeAt(random() % model.size());
            add(makeKey(), recNo);
        } else if (roll < insertShare + 15) {
            // A key that is not there (record number never used) is not found.
            ASSERT_FALSE(index.RemoveKey(makeKey(), kSteps + 5));
        } else {
            removeAt(random() % model.size());
        }
        if (::testing::Test::HasFatalFailure())
            return;
        check(step, step % 97 == 0);
        if (::testing::Test::HasFatalFailure())
            return;
    }
    check(kSteps, true);
    if (HaveIndexDump() && CheckNtxFile(keys.File(), balanced).EmptyFirstLinks == 0) {
        // The outside reader shows what the model holds (it leaves trailing blanks out).
        const std::vector<TNtxItem> dumped = Trimmed(IndexDump(keys.indexPath));
        EXPECT_TRUE(SameItems(dumped, Trimmed(ModelItems(model, param.descend))))
            << dumped.size() << " dumped of " << model.size();
    }
    EXPECT_TRUE(SameItems(keys.Walked(), ModelItems(model, param.descend)));

    while (!model.empty()) {
        removeAt(random() % model.size());
        if (::testing::Test::HasFatalFailure())
            return;
        check(-1, model.size() % 50 == 0);
        if (::testing::Test::HasFatalFailure())
            return;
    }
    const TNtxFileCheck emptied = CheckNtxFile(keys.File(), balanced);
    EXPECT_EQ(emptied.Fault, "");
    EXPECT_TRUE(emptied.Items.empty());
    // A balanced tree shrinks back to one root page; every other page is on the free list.
    if (balanced) {
        EXPECT_EQ(emptied.TreePages, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NtxRandomSequence,
    ::testing::Values(TSequenceCase{"short_balanced", 10, TDeleteKeyStyle::dksClipper, false, false},
                      TSequenceCase{"short_balanced_unique", 10, TDeleteKeyStyle::dksClipper, true, false},
                      TSequenceCase{"short_unbalanced", 10, TDeleteKeyStyle::dksApolloHalcyon, false, false},
                      TSequenceCase{"short_unbalanced_unique", 10, TDeleteKeyStyle::dksApolloHalcyon, true, false},
                      TSequenceCase{"odd_half_balanced_desc", 40, TDeleteKeyStyle::dksClipper, false, true},
                      TSequenceCase{"odd_half_unbalanced_desc", 40, TDeleteKeyStyle::dksApolloHalcyon, false, true},
                      TSequenceCase{"long_balanced", 200, TDeleteKeyStyle::dksClipper, false, false},
                      TSequenceCase{"long_balanced_unique", 200, TDeleteKeyStyle::dksClipper, true, false},
                      TSequenceCase{"long_unbalanced", 200, TDeleteKeyStyle::dksApolloHalcyon, false, false},
                      TSequenceCase{"long_unbalanced_unique", 200, TDeleteKeyStyle::dksApolloHalcyon, true, false}),
    [](const ::testing::TestParamInfo<TSequenceCase>& info) { return std::string(info.param.name); });

std::string Key8(int n)
{
    char text[16];
    std::snprintf(text, sizeof text, "K%07d", n);
    return text;
}

uint32_t Get16(const std::vector<uint8_t>& file, size_t at) { return file[at] | (file[at + 1] << 8); }
uint32_t Get32(const std::vector<uint8_t>& file, size_t at) { return Get16(file, at) | (Get16(file, at + 2) << 16); }

// The keys of one page, read from the file bytes.
std::vector<std::string> PageKeys(const std::vector<uint8_t>& file, uint32_t page, int keySize)
{
    std::vector<std::string> keys;
    const uint32_t count = Get16(file, page);
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t item = page + Get16(file, page + 2 + 2 * i);
        keys.emplace_back(reinterpret_cast<const char*>(file.data() + item + 8), static_cast<size_t>(keySize));
    }
    return keys;
}

TEST(NtxKeyInsertion, TheFiftyFifthKeySplitsTheRootIntoTwoHalves)
{
    TScratchFolder folder;
    TKeyTable keys(folder, 8, 60);
    TXbNTXIndex& index = keys.Index();
    ASSERT_EQ(index.Header().Capacity, 54);
    ASSERT_EQ(index.Header().HalfPage, 27);
    ASSERT_TRUE(index.AddKey(Key8(0), 1));
    std::vector<uint8_t> file = keys.File();
    EXPECT_EQ(file.size(), 2048u);
    EXPECT_EQ(PageKeys(file, 1024, 8), std::vector<std::string>{Key8(0)});

    for (int n = 1; n < 54; ++n)
        ASSERT_TRUE(index.AddKey(Key8(n), static_cast<uint32_t>(n + 1)));
    file = keys.File();
    EXPECT_EQ(Get32(file, 4), 1024u);
    EXPECT_EQ(Get16(file, 1024), 54u);

    ASSERT_TRUE(index.AddKey(Key8(54), 55));
    file = keys.File();
    const uint32_t root = Get32(file, 4);
    ASSERT_NE(root, 1024u);
    EXPECT_EQ(PageKeys(file, root, 8), std::vector<std::string>{Key8(27)});  // the 28th key
    const uint32_t rootItem0 = root + Get16(file, root + 2);
    const uint32_t rootItem1 = root + Get16(file, root + 4);
    const uint32_t left = Get32(file, rootItem0);
    const uint32_t right = Get32(file, rootItem1);
    EXPECT_EQ(left, 1024u);
    const std::vector<std::string> leftKeys = PageKeys(file, left, 8);
    const std::vector<std::string> rightKeys = PageKeys(file, right, 8);
    ASSERT_EQ(leftKeys.size(), 27u);
    ASSERT_EQ(rightKeys.size(), 27u);
    EXPECT_EQ(leftKeys.front(), Key8(0));
    EXPECT_EQ(leftKeys.back(), Key8(26));
    EXPECT_EQ(rightKeys.front(), Key8(28));
    EXPECT_EQ(rightKeys.back(), Key8(54));
    EXPECT_EQ(CheckNtxFile(file, true).Fault, "");
}

TEST(NtxKeyInsertion, UniqueIndexRefusesAnEqualKeyAndOthersOrderByRecordNumber)
{
    TScratchFolder folder;
    {
        TKeyTable keys(folder, 8, 10, true);
        EXPECT_TRUE(keys.Index().AddKey(Key8(5), 7));
        EXPECT_FALSE(keys.Index().AddKey(Key8(5), 3));
        EXPECT_TRUE(SameItems(keys.Walked(), {{Key8(5), 7}}));
    }
    TKeyTable keys(folder, 8, 10);
    for (uint32_t recNo : {9u, 2u, 5u})
        EXPECT_TRUE(keys.Index().AddKey(Key8(5), recNo));
    EXPECT_TRUE(SameItems(keys.Walked(), {{Key8(5), 2}, {Key8(5), 5}, {Key8(5), 9}}));
    // The descending order keeps equal keys by ascending record number too.
    TScratchFolder other;
    TKeyTable descending(other, 8, 10, false, true);
    for (uint32_t recNo : {4u, 1u})
        EXPECT_TRUE(descending.Index().AddKey(Key8(1), recNo));
    EXPECT_TRUE(descending.Index().AddKey(Key8(2), 3));
    EXPECT_TRUE(SameItems(descending.Walked(), {{Key8(2), 3}, {Key8(1), 1}, {Key8(1), 4}}));
}

TEST(NtxKeyDeletion, FreedPagesAreTakenBeforeTheFileGrows)
{
    for (TDeleteKeyStyle style : {TDeleteKeyStyle::dksClipper, TDeleteKeyStyle::dksApolloHalcyon}) {
        SCOPED_TRACE(static_cast<int>(style));
        TScratchFolder folder;
        TKeyTable keys(folder, 8, 400, false, false, style);
        TXbNTXIndex& index = keys.Index();
        for (int n = 0; n < 300; ++n)
            ASSERT_TRUE(index.AddKey(Key8(n), static_cast<uint32_t>(n + 1)));
        const size_t grown = keys.File().size();
        for (int n = 0; n < 300; ++n)
            ASSERT_TRUE(index.RemoveKey(Key8(n), static_cast<uint32_t>(n + 1)));
        std::vector<uint8_t> file = keys.File();
        EXPECT_EQ(file.size(), grown);
        EXPECT_NE(Get32(file, 8), 0u) << "no page on the free list";
        const TNtxFileCheck emptied = CheckNtxFile(file, style == TDeleteKeyStyle::dksClipper);
        EXPECT_EQ(emptied.Fault, "");
        EXPECT_EQ(emptied.TreePages + emptied.FreePages, static_cast<int>(grown / 1024 - 1));
        for (int n = 0; n < 300; ++n)
            ASSERT_TRUE(index.AddKey(Key8(n), static_cast<uint32_t>(n + 1)));
        EXPECT_EQ(keys.File().size(), grown);
        EXPECT_EQ(CheckNtxFile(keys.File(), style == TDeleteKeyStyle::dksClipper).Fault, "");
    }
}

TEST(NtxKeyDeletion, BalancedDeletionMergesTwoLevelsBackIntoOneRootPage)
{
    TScratchFolder folder;
    TKeyTable keys(folder, 8, 100);
    TXbNTXIndex& index = keys.Index();
    for (int n = 0; n < 55; ++n)
        ASSERT_TRUE(index.AddKey(Key8(n), static_cast<uint32_t>(n + 1)));
    ASSERT_NE(Get32(keys.File(), 4), 1024u);
    // One key out of the right half leaves it below half page: it borrows from nothing (its
    // neighbour has exactly half) and merges, and the emptied root gives way.
    ASSERT_TRUE(index.RemoveKey(Key8(40), 41));
    const std::vector<uint8_t> file = keys.File();
    const uint32_t root = Get32(file, 4);
    EXPECT_EQ(Get16(file, root), 54u);
    EXPECT_EQ(Get32(file, root + Get16(file, root + 2)), 0u) << "the root is a leaf again";
    const TNtxFileCheck check = CheckNtxFile(file, true);
    EXPECT_EQ(check.Fault, "");
    EXPECT_EQ(check.TreePages, 1);
    EXPECT_EQ(check.FreePages, 2);
}

TEST(NtxKeyDeletion, UnbalancedDeletionKeepsTheHeightAndNeverFreesTheRoot)
{
    TScratchFolder folder;
    TKeyTable keys(folder, 8, 100, false, false, TDeleteKeyStyle::dksApolloHalcyon);
    TXbNTXIndex& index = keys.Index();
    // A lone root leaf emptied stays the root.
    ASSERT_TRUE(index.AddKey(Key8(1), 1));
    ASSERT_TRUE(index.RemoveKey(Key8(1), 1));
    std::vector<uint8_t> file = keys.File();
    EXPECT_EQ(Get32(file, 4), 1024u);
    EXPECT_EQ(Get32(file, 8), 0u);

    for (int n = 0; n < 55; ++n)
        ASSERT_TRUE(index.AddKey(Key8(n), static_cast<uint32_t>(n + 1)));
    const uint32_t root = Get32(keys.File(), 4);
    // Emptying the left leaf unlinks and frees it; the root keeps its key and both levels.
    for (int n = 0; n < 27; ++n)
        ASSERT_TRUE(index.RemoveKey(Key8(n), static_cast<uint32_t>(n + 1)));
    file = keys.File();
    EXPECT_EQ(Get32(file, 4), root);
    EXPECT_EQ(Get32(file, 8), 1024u) << "the emptied leaf is on the free list";
    EXPECT_EQ(Get32(file, root + Get16(file, root + 2)), 0u) << "and unlinked";
    EXPECT_EQ(CheckNtxFile(file, false).Fault, "");
    // Everything out: the root page is still the root, with no keys.
    for (int n = 27; n < 55; ++n)
        ASSERT_TRUE(index.RemoveKey(Key8(n), static_cast<uint32_t>(n + 1)));
    file = keys.File();
    EXPECT_EQ(Get32(file, 4), root);
    EXPECT_EQ(Get16(file, root), 0u);
    const TNtxFileCheck check = CheckNtxFile(file, false);
    EXPECT_EQ(check.Fault, "");
    EXPECT_TRUE(check.Items.empty());
    // And it takes keys again.
    ASSERT_TRUE(index.AddKey(Key8(3), 3));
    EXPECT_TRUE(SameItems(keys.Walked(), {{Key8(3), 3}}));
}

}  // namespace
