// Navigation over the read-ahead window: which records each file read brings, empty and fully
// deleted tables, filters, record numbers and bookmarks.
#include "dbf/XbDBFDataSet.h"
#include "platform/rtl/Exceptions.h"
#include "XbDBFTableBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include <string>
#include <utility>
#include <vector>

namespace {

// A memory stream that remembers the record ranges every read brought in.
class TCountingStream : public TMemoryStream {
public:
    int64_t Read(void* buffer, int64_t count) override
    {
        const int64_t position = position_;
        const int64_t got = TMemoryStream::Read(buffer, count);
        if (Logging && got >= RecordSize && position >= HeaderSize) {
            const int first = static_cast<int>((position - HeaderSize) / RecordSize) + 1;
            Reads.emplace_back(first, first + static_cast<int>(got / RecordSize) - 1);
        }
        return got;
    }
    bool Logging = false;
    int64_t HeaderSize = 0;
    int64_t RecordSize = 1;
    std::vector<std::pair<int, int>> Reads;
};

// NAME C 6, QTY N 3: record n holds "r<n>" and n; `deleted` marks records deleted.
class TTableFixture {
public:
    explicit TTableFixture(int records, int capacity, const std::vector<int>& deleted = {})
        : builder_({{"NAME", 'C', 6}, {"QTY", 'N', 3}})
    {
        for (int n = 1; n <= records; ++n) {
            bool isDeleted = false;
            for (int d : deleted)
                isDeleted = isDeleted || d == n;
            builder_.Add({"r" + std::to_string(n), std::to_string(n)}, isDeleted);
        }
        const std::vector<uint8_t> bytes = builder_.Bytes();
        stream_.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
        stream_.HeaderSize = builder_.HeaderSize();
        stream_.RecordSize = builder_.RecordSize();
        table.StorageType = TProxyStreamType::pstOuterStream;
        table.OuterStream = &stream_;
        table.DBFFileName = "memory.dbf";
        table.TrimCType = true;
        table.BufferSize = capacity * builder_.RecordSize();
    }

    void StartCounting()
    {
        stream_.Reads.clear();
        stream_.Logging = true;
    }
    std::vector<std::pair<int, int>> Reads() const { return stream_.Reads; }
    // Bytes after the end of the file as it was built (what a writer cut short leaves).
    void AppendToFile(const std::string& bytes)
    {
        stream_.Seek(0, TSeekOrigin::soFromEnd);
        stream_.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
    }

    // Record numbers met going forward from First, or backward from Last.
    std::vector<int> Forward()
    {
        std::vector<int> seen;
        for (table.First(); !table.Eof(); table.Next())
            seen.push_back(table.RecNo());
        return seen;
    }
    std::vector<int> Backward()
    {
        std::vector<int> seen;
        for (table.Last(); !table.Bof(); table.Prior())
            seen.push_back(table.RecNo());
        return seen;
    }

    TXbSmartDBF table{nullptr};

private:
    TTestTable builder_;
    TCountingStream stream_;
};

using Reads = std::vector<std::pair<int, int>>;

TBookmark BookmarkOf(uint32_t recNo)
{
    TBookmark bookmark(4);
    std::memcpy(bookmark.data(), &recNo, 4);
    return bookmark;
}

}  // namespace

TEST(TableRecords, ReadAheadWindowReadsCapacityRecordsPerRead)
{
    TTableFixture fixture(10, 4);
    fixture.table.Open();
    EXPECT_EQ(fixture.table.ReadAheadCapacity(), 4);
    EXPECT_EQ(fixture.table.RecordCount(), 10);

    // Forward steps past the window read on in one larger piece (up to 64 KiB) that fills the
    // next windows.
    fixture.StartCounting();
    EXPECT_EQ(fixture.Forward(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(fixture.Reads(), (Reads{{1, 4}, {5, 10}}));

    // Going last reads the last window; steps back past it read the piece that ends at the
    // record before the window.
    fixture.StartCounting();
    EXPECT_EQ(fixture.Backward(), (std::vector<int>{10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));
    EXPECT_EQ(fixture.Reads(), (Reads{{7, 10}, {1, 6}}));

    // Going to a record reads the window around it, never starting below record 1.
    fixture.StartCounting();
    fixture.table.GotoBookmark(BookmarkOf(2));
    EXPECT_EQ(fixture.table.RecNo(), 2);
    EXPECT_EQ(fixture.Reads().front(), (std::pair<int, int>{1, 4}));
    fixture.StartCounting();
    fixture.table.GotoBookmark(BookmarkOf(8));
    EXPECT_EQ(fixture.Reads().front(), (std::pair<int, int>{6, 9}));
    EXPECT_EQ(fixture.table.FieldByName("NAME")->AsString(), "r8");
    EXPECT_EQ(fixture.table.FieldByName("QTY")->AsInteger(), 8);

    // Stepping back and forth inside the window reads nothing.
    fixture.StartCounting();
    fixture.table.Prior();
    fixture.table.Next();
    fixture.table.Next();
    EXPECT_EQ(fixture.table.RecNo(), 9);
    EXPECT_TRUE(fixture.Reads().empty());
    fixture.table.Close();
}

TEST(TableRecords, AWindowAtTheStartOfAPieceKeepsItsRecordsWhenTheNextReadFindsOnlyAPartialRecord)
{
    // How many records one piece read brings: the second read of a forward walk.
    int pieceRecords = 0;
    {
        TTableFixture probe(60000, 4);
        probe.table.Open();
        probe.StartCounting();
        probe.Forward();
        const Reads reads = probe.Reads();
        ASSERT_GE(reads.size(), 2u);
        pieceRecords = reads[1].second - reads[1].first + 1;
        probe.table.Close();
    }
    ASSERT_GT(pieceRecords, 4);
    ASSERT_LT(pieceRecords, 60000 - 8);

    // The first window, one whole piece, then a piece of two records that is the last window;
    // after it the file ends in the first bytes of a record nobody finished writing.
    const int count = 4 + pieceRecords + 2;
    TTableFixture fixture(count, 4);
    fixture.AppendToFile("*zzzzzzz");
    fixture.table.Open();
    EXPECT_EQ(fixture.table.RecordCount(), count);
    fixture.StartCounting();
    std::vector<int> seen = fixture.Forward();
    ASSERT_EQ(static_cast<int>(seen.size()), count);
    EXPECT_EQ(fixture.Reads().back(), (std::pair<int, int>{count - 1, count}));

    // The last record and the steps back from it show the records as they are in the file.
    EXPECT_EQ(fixture.table.RecNo(), count);
    EXPECT_EQ(fixture.table.FieldByName("NAME")->AsString(), "r" + std::to_string(count));
    for (int recNo = count - 1; recNo >= count - 5; --recNo) {
        fixture.table.Prior();
        ASSERT_FALSE(fixture.table.Bof());
        EXPECT_EQ(fixture.table.RecNo(), recNo);
        EXPECT_EQ(fixture.table.FieldByName("NAME")->AsString(), "r" + std::to_string(recNo));
    }
    fixture.table.Close();
}

TEST(TableRecords, VisitingShownRecordsMeetsWhatAWalkMeetsAndLeavesTheCursorAlone)
{
    // Over several pieces of the file: every seventh record deleted.
    const int count = 70000;
    std::vector<int> deleted;
    for (int n = 7; n <= count; n += 7)
        deleted.push_back(n);
    struct TCase {
        const char* Filter;
        bool SetDeleted;
    };
    const TCase cases[] = {
        {"", false},
        {"", true},
        {"QTY = 12", true},          // the first three characters of the number
        {"NAME = 'r4*'", false},     // a compiled condition
        {"UPPER(NAME) = 'R69999'", true},  // the general evaluator
        {"NAME = 'none'", true},
    };
    TTableFixture fixture(count, 4, deleted);
    fixture.table.Open();
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Filter);
        fixture.table.SetSetDeleted(c.SetDeleted);
        fixture.table.SetFiltered(false);
        fixture.table.SetFilter(c.Filter);
        fixture.table.SetFiltered(c.Filter[0] != '\0');
        std::vector<std::string> walked;
        for (fixture.table.First(); !fixture.table.Eof(); fixture.table.Next())
            walked.push_back(std::to_string(fixture.table.RecNo()) + " " +
                             fixture.table.FieldByName("NAME")->AsString());

        // From a record in the middle of a piece: the visit neither moves nor disturbs it.
        fixture.table.First();
        for (int i = 0; i < 5 && !fixture.table.Eof(); ++i)
            fixture.table.Next();
        const int before = fixture.table.RecNo();
        std::vector<std::string> visited;
        ASSERT_TRUE(fixture.table.VisitShownRecords([&] {
            visited.push_back(std::to_string(fixture.table.RecNo()) + " " +
                              fixture.table.FieldByName("NAME")->AsString());
        }));
        EXPECT_EQ(visited, walked);
        EXPECT_EQ(fixture.table.RecNo(), before);
        std::vector<std::string> rest;
        for (; !fixture.table.Eof(); fixture.table.Next())
            rest.push_back(std::to_string(fixture.table.RecNo()) + " " +
                           fixture.table.FieldByName("NAME")->AsString());
        const size_t skipped = std::min<size_t>(5, walked.size());
        EXPECT_EQ(rest, std::vector<std::string>(walked.begin() + static_cast<std::ptrdiff_t>(skipped), walked.end()));

        // Marking the filtered records meets what a walk without the filter meets, and marks
        // just those the filtered walk met; the filter stays on and the cursor where it was.
        std::vector<std::string> unfiltered;
        fixture.table.SetFiltered(false);
        for (fixture.table.First(); !fixture.table.Eof(); fixture.table.Next())
            unfiltered.push_back(std::to_string(fixture.table.RecNo()) + " " +
                                 fixture.table.FieldByName("NAME")->AsString());
        fixture.table.SetFiltered(c.Filter[0] != '\0');
        fixture.table.Last();
        const int last = fixture.table.RecNo();
        std::vector<std::string> marked;
        std::vector<std::string> accepted;
        ASSERT_TRUE(fixture.table.VisitRecordsMarkingFiltered([&](bool filtered) {
            const std::string record =
                std::to_string(fixture.table.RecNo()) + " " + fixture.table.FieldByName("NAME")->AsString();
            marked.push_back(record);
            if (filtered)
                accepted.push_back(record);
        }));
        EXPECT_EQ(marked, unfiltered);
        EXPECT_EQ(accepted, walked);
        EXPECT_EQ(fixture.table.Filtered(), c.Filter[0] != '\0');
        EXPECT_EQ(fixture.table.RecNo(), last);
    }

    // A handler that decides by itself needs the walk.
    fixture.table.SetFiltered(false);
    fixture.table.OnFilterRecord = [](TDataSet*, bool& accept) { accept = true; };
    EXPECT_FALSE(fixture.table.VisitShownRecords([] { FAIL() << "visited"; }));
    EXPECT_FALSE(fixture.table.VisitRecordsMarkingFiltered([](bool) { FAIL() << "visited"; }));
    fixture.table.OnFilterRecord = nullptr;
    fixture.table.Close();
}

TEST(TableRecords, EmptyAndFullyDeletedTables)
{
    TTableFixture empty(0, 4);
    empty.table.Open();
    EXPECT_TRUE(empty.table.Eof());
    EXPECT_TRUE(empty.table.Bof());
    EXPECT_TRUE(empty.table.IsEmpty());
    EXPECT_EQ(empty.table.RecordCount(), 0);
    EXPECT_EQ(empty.table.RecNo(), -1);
    EXPECT_TRUE(empty.Forward().empty());
    EXPECT_TRUE(empty.Backward().empty());
    EXPECT_TRUE(empty.table.FieldByName("NAME")->IsNull());
    empty.table.Close();

    TTableFixture deleted(6, 4, {1, 2, 3, 4, 5, 6});
    deleted.table.SetSetDeleted(true);
    deleted.table.Open();
    EXPECT_TRUE(deleted.table.Eof());
    EXPECT_TRUE(deleted.Forward().empty());
    EXPECT_TRUE(deleted.Backward().empty());
    // The record count is the file's, whatever is hidden.
    EXPECT_EQ(deleted.table.RecordCount(), 6);
    // Switching SetDeleted off shows them again.
    deleted.table.SetSetDeleted(false);
    EXPECT_EQ(deleted.Forward(), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    deleted.table.Close();

    TTableFixture some(9, 4, {1, 4, 5, 9});
    some.table.SetSetDeleted(true);
    some.table.Open();
    EXPECT_EQ(some.Forward(), (std::vector<int>{2, 3, 6, 7, 8}));
    EXPECT_EQ(some.Backward(), (std::vector<int>{8, 7, 6, 3, 2}));
    some.table.Close();
}

TEST(TableRecords, FilterAcceptsRecordsAndMovesOffARejectedOne)
{
    TTableFixture fixture(12, 4, {8});
    fixture.table.Open();
    fixture.table.SetRecNo(2);
    EXPECT_EQ(fixture.table.RecNo(), 2);

    // Switching the filter on while the cursor stands on a record it rejects moves on to the
    // next record it accepts.
    fixture.table.SetFilter("QTY > 5 and NAME <> 'r10'");
    fixture.table.SetSetDeleted(true);
    fixture.table.SetFiltered(true);
    EXPECT_EQ(fixture.table.RecNo(), 6);
    EXPECT_EQ(fixture.Forward(), (std::vector<int>{6, 7, 9, 11, 12}));
    EXPECT_EQ(fixture.Backward(), (std::vector<int>{12, 11, 9, 7, 6}));

    // Going to a record the filter rejects leaves the cursor where it was.
    fixture.table.SetRecNo(7);
    fixture.table.SetRecNo(3);
    EXPECT_EQ(fixture.table.RecNo(), 7);
    fixture.table.SetRecNo(10);
    EXPECT_EQ(fixture.table.RecNo(), 7);
    fixture.table.SetRecNo(11);
    EXPECT_EQ(fixture.table.RecNo(), 11);

    // The filter is parsed when it is switched on: a new text waits for the next switch.
    fixture.table.SetFilter("QTY < 3");
    EXPECT_EQ(fixture.Forward(), (std::vector<int>{6, 7, 9, 11, 12}));
    fixture.table.SetFiltered(false);
    fixture.table.SetFiltered(true);
    EXPECT_EQ(fixture.Forward(), (std::vector<int>{1, 2}));

    // An empty text filters nothing, also after an earlier filter: neither the cursor nor a
    // search nor a visit keeps the filter parsed before.
    const std::vector<int> undeleted = {1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 12};
    fixture.table.SetFiltered(false);
    fixture.table.SetFilter("");
    fixture.table.SetFiltered(true);
    EXPECT_EQ(fixture.Forward(), undeleted);
    EXPECT_TRUE(fixture.table.FindLast());
    EXPECT_EQ(fixture.table.RecNo(), 12);
    std::vector<int> visited;
    ASSERT_TRUE(fixture.table.VisitShownRecords([&] { visited.push_back(fixture.table.RecNo()); }));
    EXPECT_EQ(visited, undeleted);

    // A filter that names no field of the table is refused when it is switched on.
    fixture.table.SetFiltered(false);
    fixture.table.SetFilter("NOPE = 1");
    EXPECT_THROW(fixture.table.SetFiltered(true), EDatabaseError);
    EXPECT_FALSE(fixture.table.Filtered());

    // The search methods use the filter text also while filtering is off.
    fixture.table.SetFilter("QTY = 4 or QTY = 9");
    EXPECT_TRUE(fixture.table.FindFirst());
    EXPECT_EQ(fixture.table.RecNo(), 4);
    EXPECT_TRUE(fixture.table.FindNext());
    EXPECT_EQ(fixture.table.RecNo(), 9);
    EXPECT_FALSE(fixture.table.FindNext());
    EXPECT_EQ(fixture.table.RecNo(), 9);
    EXPECT_TRUE(fixture.table.FindPrior());
    EXPECT_EQ(fixture.table.RecNo(), 4);
    EXPECT_TRUE(fixture.table.FindLast());
    EXPECT_EQ(fixture.table.RecNo(), 9);
    fixture.table.Close();
}

TEST(TableRecords, OnFilterRecordSeesTheRecordUnderTest)
{
    TTableFixture fixture(10, 3);
    std::vector<int> tested;
    fixture.table.OnFilterRecord = [&](TDataSet* dataSet, bool& accept) {
        tested.push_back(dataSet->RecNo());
        accept = dataSet->FieldByName("QTY")->AsInteger() % 3 == 0;
    };
    fixture.table.SetFiltered(true);
    fixture.table.Open();
    EXPECT_EQ(fixture.Forward(), (std::vector<int>{3, 6, 9}));
    EXPECT_EQ(tested.front(), 1);
    // A record tested by number shows its own number to the handler.
    tested.clear();
    fixture.table.SetRecNo(6);
    ASSERT_FALSE(tested.empty());
    EXPECT_EQ(tested.front(), 6);
    EXPECT_EQ(fixture.table.RecNo(), 6);
    fixture.table.Close();
}

TEST(TableRecords, BookmarksAreRecordNumbers)
{
    TTableFixture fixture(300, 16);
    fixture.table.Open();
    fixture.table.SetRecNo(256);
    const TBookmark at256 = fixture.table.GetBookmark();
    ASSERT_EQ(at256.size(), 4u);
    EXPECT_EQ(at256, BookmarkOf(256));
    EXPECT_EQ(fixture.table.CompareBookmarks(BookmarkOf(1), at256), -1);
    EXPECT_EQ(fixture.table.CompareBookmarks(at256, BookmarkOf(1)), 1);
    EXPECT_EQ(fixture.table.CompareBookmarks(at256, at256), 0);
    EXPECT_EQ(fixture.table.CompareBookmarks(TBookmark(), at256), -1);
    EXPECT_EQ(fixture.table.CompareBookmarks(TBookmark(), TBookmark()), 0);
    EXPECT_TRUE(fixture.table.BookmarkValid(BookmarkOf(300)));
    EXPECT_FALSE(fixture.table.BookmarkValid(BookmarkOf(0)));
    EXPECT_FALSE(fixture.table.BookmarkValid(BookmarkOf(301)));
    fixture.table.First();
    fixture.table.GotoBookmark(at256);
    EXPECT_EQ(fixture.table.RecNo(), 256);
    EXPECT_EQ(fixture.table.FieldByName("NAME")->AsString(), "r256");
    EXPECT_THROW(fixture.table.GotoBookmark(BookmarkOf(400)), EDatabaseError);
    fixture.table.Close();
}

TEST(TableRecords, AFailingOpenStepLeavesTheTableClosedAndReturnsEverything)
{
    TTableFixture fixture(5, 4);
    const size_t blocksBefore = XbDBFMemMgr().Count();
    // The filter is parsed as the last step of the open.
    fixture.table.SetFilter("QTY >");
    fixture.table.SetFiltered(true);
    EXPECT_THROW(fixture.table.Open(), EDatabaseError);
    EXPECT_FALSE(fixture.table.Active());
    EXPECT_FALSE(fixture.table.IsTableOpen());
    EXPECT_EQ(fixture.table.FieldCount(), 0);
    EXPECT_EQ(XbDBFMemMgr().Count(), blocksBefore);
    // A good text opens the same component.
    fixture.table.SetFilter("QTY > 3");
    fixture.table.Open();
    EXPECT_EQ(fixture.Forward(), (std::vector<int>{4, 5}));
    fixture.table.Close();
    EXPECT_EQ(XbDBFMemMgr().Count(), blocksBefore);
}
