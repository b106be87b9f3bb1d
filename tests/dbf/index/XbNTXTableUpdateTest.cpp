// A table keeps its NTX index current as records are appended, edited, deleted, recalled and
// packed; a refused index lock changes nothing; two processes append to one indexed table; a
// writer killed mid-append leaves an index that either matches the table or reports damage.
#include "NtxChecker.h"
#include "NtxTestSupport.h"

#include "dbf/XbDBFCrypt.h"
#include "dbf/XbDBFFileSteps.h"
#include "platform/rtl/FileLocks.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <fcntl.h>
#include <random>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uint32_t kShared = TAccessMode::kShareDenyNone | TAccessMode::kOpenReadWrite;
constexpr uint32_t kExclusive = TAccessMode::kShareExclusive | TAccessMode::kOpenReadWrite;
constexpr uint64_t kClipperIndexLock = 1000000000;

// NAME C 10, N N 4.
void WriteNamesTable(const std::string& path, const std::vector<std::string>& names)
{
    TTestTable table({{"NAME", 'C', 10}, {"N", 'N', 4}});
    for (size_t i = 0; i < names.size(); ++i)
        table.Add({names[i], std::to_string(i % 10)});
    WriteWholeFile(path, table.Bytes());
}

struct TTableRecord {
    std::string Name;
    int N = 0;
    bool Deleted = false;
};

// The records of a table file, read from its bytes (every whole record after the header).
std::vector<TTableRecord> ReadRecords(const std::string& path)
{
    const std::vector<uint8_t> file = ReadWholeFile(path);
    const size_t header = file[8] | (file[9] << 8);
    const size_t size = file[10] | (file[11] << 8);
    std::vector<TTableRecord> records;
    for (size_t at = header; at + size <= file.size(); at += size) {
        const char* p = reinterpret_cast<const char*>(file.data() + at);
        if (p[0] == 0x1A)
            break;
        records.push_back({std::string(p + 1, 10), std::atoi(std::string(p + 11, 4).c_str()), p[0] == '*'});
    }
    return records;
}

// The items an index over NAME (FOR condition: none, or N > 4) holds for the table file.
std::vector<TNtxItem> TableItems(const std::string& path, bool forHighN = false)
{
    std::vector<TNtxItem> items;
    const std::vector<TTableRecord> records = ReadRecords(path);
    for (size_t i = 0; i < records.size(); ++i)
        if (!forHighN || records[i].N > 4)
            items.push_back({records[i].Name, static_cast<uint32_t>(i + 1)});
    SortNtxItems(items, false);
    return items;
}

void WriteNamesIndex(const std::string& indexPath, const std::string& tablePath, bool forHighN = false)
{
    TNtxOptions options;
    options.KeySize = 10;
    options.KeyExpression = "NAME";
    if (forHighN)
        options.ForExpression = "N > 4";
    options.Fill = 8;
    WriteWholeFile(indexPath, BuildNtx(options, TableItems(tablePath, forHighN)));
}

bool SameItems(const std::vector<TNtxItem>& a, const std::vector<TNtxItem>& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].Key != b[i].Key || a[i].RecNo != b[i].RecNo)
            return false;
    return true;
}

std::vector<TNtxItem> Trimmed(std::vector<TNtxItem> items)
{
    for (TNtxItem& item : items)
        item.Key.erase(item.Key.find_last_not_of(' ') + 1);
    return items;
}

// What index_dump lists, or nothing when it is not installed (`ran` false).
std::vector<TNtxItem> IndexDump(const std::string& path, bool& ran)
{
    bool ok = false;
    RunCommand("command -v index_dump", ok);
    ran = ok;
    std::vector<TNtxItem> items;
    if (!ok)
        return items;
    std::istringstream in(RunCommand("index_dump --type=char " + ShellQuoted(path) + " KEY 2>/dev/null", ok));
    std::string line;
    while (std::getline(in, line)) {
        const size_t blank = line.rfind(' ');
        if (blank != std::string::npos)
            items.push_back({line.substr(0, blank), static_cast<uint32_t>(std::stoul(line.substr(blank + 1)))});
    }
    return items;
}

// The index file holds exactly the keys of the table file: checked from its bytes, and by the
// outside reader.
void ExpectIndexMatchesTable(const std::string& indexPath, const std::string& tablePath, bool forHighN = false)
{
    // The index files start from the test writer's sparse pages: no fill rule is checked.
    const TNtxFileCheck check = CheckNtxFile(ReadWholeFile(indexPath), false);
    ASSERT_EQ(check.Fault, "");
    const std::vector<TNtxItem> expected = TableItems(tablePath, forHighN);
    EXPECT_TRUE(SameItems(check.Items, expected)) << check.Items.size() << " keys for " << expected.size() << " records";
    bool ran = false;
    const std::vector<TNtxItem> dumped = IndexDump(indexPath, ran);
    if (ran) {
        EXPECT_TRUE(SameItems(Trimmed(dumped), Trimmed(expected))) << dumped.size() << " dumped";
    }
}

std::unique_ptr<TIndexedTable> OpenIndexed(const std::string& table, const std::string& index, uint32_t mode)
{
    auto indexed = std::make_unique<TIndexedTable>(table, index, mode);
    indexed->table->SetLockProtocol(LockProtocolType::lpClipperLock);
    indexed->Open();
    return indexed;
}

std::string Name(std::mt19937& random)
{
    return "N" + std::to_string(random() % 500);
}

void AppendName(TXbDBFNTX& table, const std::string& name, int n)
{
    table.Append();
    table.FieldByName("NAME")->SetAsString(name);
    table.FieldByName("N")->SetAsInteger(n);
    table.Post();
}

class NtxTableUpdates : public ::testing::TestWithParam<uint32_t> {};

TEST_P(NtxTableUpdates, AppendEditDeleteRecallAndPackKeepTheIndexCurrent)
{
    TScratchFolder folder;
    const std::string tablePath = folder.File("names.dbf");
    const std::string indexPath = folder.File("names.ntx");
    WriteNamesTable(tablePath, {"Miller", "Adams", "Zimmer"});
    WriteNamesIndex(indexPath, tablePath);
    std::mt19937 random(7);
    {
        auto indexed = OpenIndexed(tablePath, indexPath, GetParam());
        TXbDBFNTX& table = *indexed->table;
        for (int i = 0; i < 400; ++i)
            AppendName(table, Name(random), static_cast<int>(random() % 10));
        for (int i = 0; i < 60; ++i) {
            table.SetRecNo(static_cast<int>(random() % 400) + 1);
            table.Edit();
            // Now and then an edit that leaves the key alone.
            if (i % 5 != 0)
                table.FieldByName("NAME")->SetAsString(Name(random));
            table.FieldByName("N")->SetAsInteger(static_cast<int>(random() % 10));
            table.Post();
        }
        for (int i = 0; i < 30; ++i) {
            table.SetRecNo(static_cast<int>(random() % 400) + 1);
            if (i % 3 == 0)
                table.InternalDeleteRecall(false);
            else
                table.Delete();
        }
        EXPECT_EQ(indexed->index->ValidateTree(), "");
        // The table browses in key order.
        std::vector<uint32_t> expected;
        for (const TNtxItem& item : TableItems(tablePath))
            expected.push_back(item.RecNo);
        EXPECT_EQ(indexed->Forward(), expected);
    }
    ExpectIndexMatchesTable(indexPath, tablePath);

    {
        auto indexed = OpenIndexed(tablePath, indexPath, kExclusive);
        const int removed = indexed->table->Pack(true);
        EXPECT_GT(removed, 0);
    }
    for (const TTableRecord& record : ReadRecords(tablePath))
        ASSERT_FALSE(record.Deleted);
    ExpectIndexMatchesTable(indexPath, tablePath);
}

INSTANTIATE_TEST_SUITE_P(AccessModes, NtxTableUpdates, ::testing::Values(kShared, kExclusive),
                         [](const ::testing::TestParamInfo<uint32_t>& info) {
                             return std::string(info.param == kShared ? "shared" : "exclusive");
                         });

// A pack builds the index of the packed table into a new file: a pack that fails, in the index
// build or when the table is to be replaced, leaves the old table and index byte for byte.
TEST(NtxTableUpdate, AFailedPackLeavesTheOldIndexAsItWas)
{
    TScratchFolder folder;
    const std::string tablePath = folder.File("names.dbf");
    const std::string indexPath = folder.File("names.ntx");
    std::vector<std::string> names;
    for (int i = 0; i < 300; ++i)
        names.push_back("K" + std::to_string((i * 7919) % 1000));
    WriteNamesTable(tablePath, names);
    WriteNamesIndex(indexPath, tablePath);
    {
        auto indexed = OpenIndexed(tablePath, indexPath, kExclusive);
        for (int recNo = 2; recNo <= 300; recNo += 3) {
            indexed->table->SetRecNo(recNo);
            indexed->table->Delete();
        }
    }
    const std::vector<uint8_t> table = ReadWholeFile(tablePath);
    const std::vector<uint8_t> index = ReadWholeFile(indexPath);
    auto filesInFolder = [&] {
        int count = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.Path()))
            ++count;
        return count;
    };

    struct TFailure {
        const char* What;
        std::function<void(TIndexedTable&)> Arrange;
    };
    const std::vector<TFailure> failures = {
        // The index build cannot make its temporary sort file.
        {"index build", [&](TIndexedTable& indexed) {
             indexed.index->OuterSorterProperties().TmpPath = folder.File("no such folder");
         }},
        // The new table cannot take the old one's name.
        {"table rename", [](TIndexedTable&) {
             SetXbFileStepHook([](const std::string& step) { return step != "rename names.dbf"; });
         }},
    };
    for (const TFailure& failure : failures) {
        {
            auto indexed = OpenIndexed(tablePath, indexPath, kExclusive);
            failure.Arrange(*indexed);
            EXPECT_ANY_THROW(indexed->table->Pack(true)) << failure.What;
            SetXbFileStepHook({});
            // Still usable as it was.
            EXPECT_EQ(indexed->index->ValidateTree(), "") << failure.What;
            EXPECT_EQ(indexed->Forward().size(), 300u) << failure.What;
        }
        EXPECT_EQ(ReadWholeFile(tablePath), table) << failure.What;
        EXPECT_EQ(ReadWholeFile(indexPath), index) << failure.What;
        EXPECT_EQ(filesInFolder(), 2) << failure.What << ": temporary files left";
    }

    {
        auto indexed = OpenIndexed(tablePath, indexPath, kExclusive);
        EXPECT_EQ(indexed->table->Pack(true), 100);
        EXPECT_EQ(indexed->index->ValidateTree(), "");
        EXPECT_EQ(indexed->Forward().size(), 200u);
    }
    EXPECT_EQ(filesInFolder(), 2);
    ExpectIndexMatchesTable(indexPath, tablePath);
}

TEST(NtxTableUpdate, AnEditThatChangesOnlyTheForConditionMovesTheKeyInOrOut)
{
    TScratchFolder folder;
    const std::string tablePath = folder.File("names.dbf");
    const std::string indexPath = folder.File("names.ntx");
    // N is i % 10: record 1 has 0, record 7 has 6.
    WriteNamesTable(tablePath, {"a", "b", "c", "d", "e", "f", "g", "h"});
    WriteNamesIndex(indexPath, tablePath, true);
    {
        auto indexed = OpenIndexed(tablePath, indexPath, kShared);
        indexed->index->SetActive(false);
        TXbDBFNTX& table = *indexed->table;
        for (int recNo : {1, 7}) {
            table.SetRecNo(recNo);
            table.Edit();
            table.FieldByName("N")->SetAsInteger(recNo == 1 ? 9 : 1);
            table.Post();
        }
        AppendName(table, "i", 8);
        AppendName(table, "j", 2);
    }
    ExpectIndexMatchesTable(indexPath, tablePath, true);
}

// Another user holds the index lock: the append and the edit fail before anything is written.
TEST(NtxTableUpdate, ARefusedIndexLockLeavesTableAndIndexUnchanged)
{
    TScratchFolder folder;
    const std::string tablePath = folder.File("names.dbf");
    const std::string indexPath = folder.File("names.ntx");
    WriteNamesTable(tablePath, {"Miller", "Adams", "Zimmer"});
    WriteNamesIndex(indexPath, tablePath);
    auto indexed = OpenIndexed(tablePath, indexPath, kShared);
    // The index is kept current without being the table's order.
    indexed->index->SetActive(false);
    TXbDBFNTX& table = *indexed->table;
    table.WaitBusyRes = 2;
    const int holder = ::open(indexPath.c_str(), O_RDWR);
    ASSERT_GE(holder, 0);
    ASSERT_TRUE(LockBytes(holder, kClipperIndexLock, 1));
    const std::vector<uint8_t> tableBefore = ReadWholeFile(tablePath);
    const std::vector<uint8_t> indexBefore = ReadWholeFile(indexPath);

    table.Append();
    table.FieldByName("NAME")->SetAsString("Baker");
    try {
        table.Post();
        ADD_FAILURE() << "the append went through";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), "TXbSmartDBF.InternalAddRecord: Can not add key to index file (FLock is false).");
    }
    table.Cancel();
    EXPECT_EQ(ReadWholeFile(tablePath), tableBefore);

    table.SetRecNo(2);
    table.Edit();
    table.FieldByName("NAME")->SetAsString("Young");
    try {
        table.Post();
        ADD_FAILURE() << "the edit went through";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), "TDBFDataSet.InternalPost: Can not Delete/add key to index file (FLock is false).");
    }
    table.Cancel();
    EXPECT_EQ(ReadWholeFile(tablePath), tableBefore);
    EXPECT_EQ(ReadWholeFile(indexPath), indexBefore);

    // Once the lock is free the same append goes through.
    ::close(holder);
    AppendName(table, "Baker", 1);
    EXPECT_EQ(indexed->index->ValidateTree(), "");
    ExpectIndexMatchesTable(indexPath, tablePath);
}

TEST(NtxTableUpdate, AChangeThatFailsHalfWayLeavesTheIndexReportingDamage)
{
    TScratchFolder folder;
    const std::string tablePath = folder.File("names.dbf");
    const std::string indexPath = folder.File("names.ntx");
    WriteNamesTable(tablePath, {"Miller", "Adams", "Zimmer"});
    WriteNamesIndex(indexPath, tablePath);
    {
        auto indexed = OpenIndexed(tablePath, indexPath, kShared);
        TXbDBFNTX& table = *indexed->table;
        indexed->index->SetActive(false);
        int comparisons = 0;
        // A comparison that fails once the insertion is under way.
        indexed->index->OnCompareKeys = [&](TIndex*, const char* a, const char* b, int length, int& result) {
            if (++comparisons > 0)
                throw Exception("comparison failed");
            result = std::memcmp(a, b, static_cast<size_t>(length));
        };
        table.Append();
        table.FieldByName("NAME")->SetAsString("Baker");
        EXPECT_THROW(table.Post(), Exception);
        table.Cancel();
        EXPECT_TRUE(indexed->index->Damaged());
        // Further changes are refused rather than made on a tree of unknown shape.
        EXPECT_THROW(AppendName(table, "Carter", 1), Exception);
        table.Cancel();
    }
    // The file says so when it is next opened.
    try {
        OpenIndexed(tablePath, indexPath, kShared);
        ADD_FAILURE() << "the index opened";
    } catch (const Exception& error) {
        EXPECT_NE(error.Message().find("is damaged (an update was cut off"), std::string::npos) << error.Message();
    }
}

// Appends records named "<tag><number>" until stopped or `count` are written; reports each post
// with one byte on the pipe when one is given.
[[noreturn]] void RunAppender(const std::string& tablePath, const std::string& indexPath, uint32_t mode, char tag,
                              int count, int reportPipe)
{
    try {
        auto indexed = OpenIndexed(tablePath, indexPath, mode);
        indexed->table->FastPostRecord = true;
        for (int i = 0; count < 0 || i < count; ++i) {
            AppendName(*indexed->table, std::string(1, tag) + std::to_string(i), i % 10);
            if (reportPipe >= 0 && ::write(reportPipe, "+", 1) != 1)
                ::_exit(3);
        }
        indexed.reset();
        ::_exit(0);
    } catch (const Exception& error) {
        std::fprintf(stderr, "appender %c: %s\n", tag, error.Message().c_str());
        ::_exit(2);
    } catch (...) {
        ::_exit(2);
    }
}

TEST(NtxTableUpdate, TwoProcessesAppendingUnderTheLockProtocolLoseNoKey)
{
    TScratchFolder folder;
    const std::string tablePath = folder.File("names.dbf");
    const std::string indexPath = folder.File("names.ntx");
    WriteNamesTable(tablePath, {});
    WriteNamesIndex(indexPath, tablePath);
    std::vector<pid_t> children;
    for (char tag : {'A', 'B'}) {
        const pid_t child = ::fork();
        if (child == 0)
            RunAppender(tablePath, indexPath, kShared, tag, 1000, -1);
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    ASSERT_EQ(ReadRecords(tablePath).size(), 2000u);
    auto indexed = OpenIndexed(tablePath, indexPath, kShared);
    int64_t keys = 0;
    EXPECT_EQ(indexed->index->ValidateTree(&keys), "");
    EXPECT_EQ(keys, 2000);
    indexed.reset();
    ExpectIndexMatchesTable(indexPath, tablePath);
}

// A writer killed at a random moment of its appends: the index opens and matches the table, or
// its open reports the damage. A table opened exclusively keeps its index pages until it closes,
// so there every kill after the first append leaves a damaged index.
TEST(NtxTableUpdate, AWriterKilledMidAppendLeavesAMatchingOrAReportedDamagedIndex)
{
    TScratchFolder folder;
    const std::string tablePath = folder.File("names.dbf");
    const std::string indexPath = folder.File("names.ntx");
    WriteNamesTable(tablePath, {});
    WriteNamesIndex(indexPath, tablePath);
    std::mt19937 random(11);
    int damaged = 0;
    int matching = 0;
    for (int round = 0; round < 24; ++round) {
        SCOPED_TRACE(round);
        const bool exclusive = round % 6 == 5;
        int ends[2];
        ASSERT_EQ(::pipe(ends), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(ends[0]);
            RunAppender(tablePath, indexPath, exclusive ? kExclusive : kShared, static_cast<char>('a' + round), -1,
                        ends[1]);
        }
        ::close(ends[1]);
        // The kill falls after a random number of reported appends, somewhere in the appends
        // that follow: the parent waits for the writer's own reports, never for a guessed time.
        const int reportsBeforeKill = 1 + static_cast<int>(random() % 40);
        char report = 0;
        for (int seen = 0; seen < reportsBeforeKill; ++seen)
            ASSERT_EQ(::read(ends[0], &report, 1), 1) << "the writer posted nothing";
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ::close(ends[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself: " << WEXITSTATUS(status);
        try {
            auto indexed = OpenIndexed(tablePath, indexPath, kShared);
            EXPECT_FALSE(exclusive) << "an exclusive writer's index opened after a kill";
            EXPECT_EQ(indexed->index->ValidateTree(), "");
            indexed.reset();
            ExpectIndexMatchesTable(indexPath, tablePath);
            ++matching;
        } catch (const Exception& error) {
            ASSERT_NE(error.Message().find("is damaged (an update was cut off"), std::string::npos) << error.Message();
            ++damaged;
            // The next round starts from a rebuilt index.
            WriteNamesIndex(indexPath, tablePath);
        }
        if (::testing::Test::HasFatalFailure())
            return;
    }
    EXPECT_GT(matching, 0);
    EXPECT_GE(damaged, 4);
}

TEST(NtxIndexComponent, ClosingATemporaryIndexDeletesItsFileAndTakesItOutOfTheTable)
{
    TScratchFolder folder;
    const std::string tablePath = folder.File("names.dbf");
    const std::string indexPath = folder.File("names.ntx");
    WriteNamesTable(tablePath, {"Miller", "Adams"});
    WriteNamesIndex(indexPath, tablePath);
    auto indexed = OpenIndexed(tablePath, indexPath, kExclusive);
    indexed->index->Temp = true;
    ASSERT_EQ(indexed->table->Indexes().Count(), 1);
    indexed->index->CloseIndex();
    EXPECT_FALSE(std::filesystem::exists(indexPath));
    EXPECT_EQ(indexed->table->Indexes().Count(), 0);
}

TEST(NtxIndexComponent, TheVersionAfter65531Is0)
{
    TScratchFolder folder;
    const std::string tablePath = folder.File("names.dbf");
    const std::string indexPath = folder.File("names.ntx");
    WriteNamesTable(tablePath, {"Miller", "Adams"});
    TNtxOptions options;
    options.KeySize = 10;
    options.KeyExpression = "NAME";
    options.Version = 65530;
    WriteWholeFile(indexPath, BuildNtx(options, TableItems(tablePath)));
    auto indexed = OpenIndexed(tablePath, indexPath, kShared);
    auto version = [&] {
        const std::vector<uint8_t> file = ReadWholeFile(indexPath);
        return file[2] | (file[3] << 8);
    };
    AppendName(*indexed->table, "Baker", 1);
    EXPECT_EQ(version(), 65531);
    AppendName(*indexed->table, "Carter", 1);
    EXPECT_EQ(version(), 0);
    // An edit that leaves the key alone does not touch the index.
    indexed->table->SetRecNo(1);
    indexed->table->Edit();
    indexed->table->FieldByName("N")->SetAsInteger(7);
    indexed->table->Post();
    EXPECT_EQ(version(), 0);
}

TEST(NtxIndexComponent, ChangeCipherRewritesEveryPageForTheNewCipher)
{
    TScratchFolder folder;
    const std::string tablePath = folder.File("names.dbf");
    const std::string indexPath = folder.File("names.ntx");
    std::vector<std::string> names;
    for (int i = 0; i < 200; ++i)
        names.push_back("N" + std::to_string(i * 7919 % 1000));
    WriteNamesTable(tablePath, names);
    WriteNamesIndex(indexPath, tablePath);
    const std::vector<uint8_t> plain = ReadWholeFile(indexPath);
    auto transform = [](TObject*, uint32_t context, void* buffer, int32_t size) {
        if (context < 1024)
            return;
        for (int32_t i = 0; i < size; ++i)
            static_cast<uint8_t*>(buffer)[i] ^= static_cast<uint8_t>(0x33 + (context >> 10));
    };
    {
        auto indexed = OpenIndexed(tablePath, indexPath, kShared);
        TXbDBFCrypt next;
        next.OnEncrypt = transform;
        next.OnDecrypt = transform;
        next.SetActive(true);
        ASSERT_TRUE(indexed->index->ChangeCipher(next));
    }
    const std::vector<uint8_t> enciphered = ReadWholeFile(indexPath);
    ASSERT_EQ(enciphered.size(), plain.size());
    for (size_t i = 1024; i < plain.size(); ++i)
        ASSERT_EQ(enciphered[i], plain[i] ^ static_cast<uint8_t>(0x33 + (i / 1024))) << i;
    // A table with that cipher reads the index in key order.
    TIndexedTable indexed(tablePath, indexPath, kShared);
    indexed.table->Crypt().OnEncrypt = transform;
    indexed.table->Crypt().OnDecrypt = transform;
    indexed.table->Crypt().SetActive(true);
    indexed.Open();
    EXPECT_EQ(indexed.index->ValidateTree(), "");
    std::vector<uint32_t> expected;
    for (const TNtxItem& item : TableItems(tablePath))
        expected.push_back(item.RecNo);
    EXPECT_EQ(indexed.Forward(), expected);
}

}  // namespace
