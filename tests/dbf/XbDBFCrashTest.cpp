// A writer killed at random moments: after every kill the table opens, every record the
// writer reported as posted is there with its memo, and no record is half written.
#include "XbDBFWriteSupport.h"

#include "dbf/XbDBFRewriteNote.h"
#include "platform/rtl/Files.h"

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The memo of a record version: long enough to span blocks now and then.
std::string MemoText(int id, int version)
{
    std::string text = "memo of " + std::to_string(id) + " v" + std::to_string(version) + ";";
    const int repeat = (id * 7 + version * 13) % 90;
    std::string result;
    for (int i = 0; i <= repeat; ++i)
        result += text;
    return result;
}

std::string CheckText(int id, int version)
{
    return std::to_string((id * 2654435761u) ^ (version * 40503u));
}

// ID N 8, VERSION N 8, CHECK C 12, NOTE M.
void CreateCrashTable(const std::string& fileName)
{
    TXbSmartDBF table(nullptr);
    table.DBFFileName = fileName;
    table.SetDbfVersion(xBaseVersion::xBaseIII);
    table.DBFFieldDefs().Add("ID", 'N', 8, 0);
    table.DBFFieldDefs().Add("VERSION", 'N', 8, 0);
    table.DBFFieldDefs().Add("CHECK", 'C', 12);
    table.DBFFieldDefs().Add("NOTE", 'M');
    table.CreateTable();
}

// The writer: appends new records and edits old ones until it is killed, and reports each
// post ("id version\n") once it has returned. Its first post always appends, so every run
// adds a record however early it is killed.
[[noreturn]] void RunWriter(const std::string& fileName, int reportPipe, unsigned seed, int firstId)
{
    try {
        auto table = OpenTable(fileName);
        std::mt19937 random(seed);
        std::map<int, int> versions;
        for (table->First(); !table->Eof(); table->Next())
            versions[table->FieldByName("ID")->AsInteger()] = table->FieldByName("VERSION")->AsInteger();
        int nextId = firstId;
        for (;;) {
            int id = 0;
            int version = 1;
            if (nextId == firstId || random() % 3 != 0) {
                id = nextId++;
                table->Append();
            } else {
                const int recNo = static_cast<int>(random() % static_cast<unsigned>(table->RecordCount())) + 1;
                table->SetRecNo(recNo);
                id = table->FieldByName("ID")->AsInteger();
                version = versions[id] + 1;
                table->Edit();
            }
            table->FieldByName("ID")->SetAsInteger(id);
            table->FieldByName("VERSION")->SetAsInteger(version);
            table->FieldByName("CHECK")->SetAsString(CheckText(id, version));
            table->FieldByName("NOTE")->SetAsString(MemoText(id, version));
            table->Post();
            versions[id] = version;
            const std::string line = std::to_string(id) + " " + std::to_string(version) + "\n";
            if (::write(reportPipe, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
                ::_exit(3);
        }
    } catch (...) {
        ::_exit(2);
    }
}

// ID N 8, VERSION N 8, CHECK C 12: no memo, so a rewrite is the record's write alone.
void CreateCheckTable(const std::string& fileName)
{
    TXbSmartDBF table(nullptr);
    table.DBFFileName = fileName;
    table.SetDbfVersion(xBaseVersion::xBaseIII);
    table.DBFFieldDefs().Add("ID", 'N', 8, 0);
    table.DBFFieldDefs().Add("VERSION", 'N', 8, 0);
    table.DBFFieldDefs().Add("CHECK", 'C', 12);
    table.CreateTable();
}

void SetVersion(TXbSmartDBF& table, int id, int version)
{
    table.FieldByName("ID")->SetAsInteger(id);
    table.FieldByName("VERSION")->SetAsInteger(version);
    table.FieldByName("CHECK")->SetAsString(CheckText(id, version));
}

// A check table whose records 1..n have id n and version 1, n being the first record that
// crosses a page boundary; returns n.
uint32_t CreateTableUpToPageCrossing(const std::string& fileName)
{
    CreateCheckTable(fileName);
    auto table = OpenTable(fileName);
    for (uint32_t recNo = 1;; ++recNo) {
        table->Append();
        SetVersion(*table, static_cast<int>(recNo), 1);
        table->Post();
        const int64_t offset = table->HeaderSize() + static_cast<int64_t>(recNo - 1) * table->RecordSize();
        if (CrossesPageBoundary(offset, table->RecordSize())) {
            // The page ends inside VERSION or CHECK: a record cut there contradicts itself.
            const int64_t cut = kWritePageSize - offset % kWritePageSize;
            EXPECT_GT(cut, 9);
            EXPECT_LT(cut, 29);
            return recNo;
        }
    }
}

std::vector<uint8_t> RecordBytes(const std::string& fileName, uint32_t recNo, int64_t& offset)
{
    auto table = OpenTable(fileName, {.AccessMode = 0x10});
    offset = table->HeaderSize() + static_cast<int64_t>(recNo - 1) * table->RecordSize();
    const std::vector<uint8_t> file = ReadWholeFile(fileName);
    return {file.begin() + offset, file.begin() + offset + table->RecordSize()};
}

void EditRecord(const std::string& fileName, uint32_t recNo, int version)
{
    auto table = OpenTable(fileName);
    table->SetRecNo(static_cast<int>(recNo));
    table->Edit();
    SetVersion(*table, static_cast<int>(recNo), version);
    table->Post();
}

// Rewrites record recNo again and again until it is killed, reporting each version once its
// post has returned.
[[noreturn]] void RunRewriter(const std::string& fileName, int reportPipe, uint32_t recNo)
{
    try {
        auto table = OpenTable(fileName);
        table->SetRecNo(static_cast<int>(recNo));
        const int id = table->FieldByName("ID")->AsInteger();
        for (int version = table->FieldByName("VERSION")->AsInteger() + 1;; ++version) {
            table->Edit();
            SetVersion(*table, id, version);
            table->Post();
            const std::string line = std::to_string(version) + "\n";
            if (::write(reportPipe, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
                ::_exit(3);
        }
    } catch (...) {
        ::_exit(2);
    }
}

// Reads the writer's report lines until `lines` of them have come, then kills the writer: the
// kill falls somewhere in the writes after that report, however slow the machine is. Answers
// every line the writer reported before it died; `status` is its wait status.
std::string KillAfterReports(pid_t child, int readEnd, int lines, int& status)
{
    std::string reports;
    char buffer[4096];
    ssize_t got = 0;
    while (std::count(reports.begin(), reports.end(), '\n') < lines &&
           (got = ::read(readEnd, buffer, sizeof buffer)) > 0)
        reports.append(buffer, static_cast<size_t>(got));
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
    while ((got = ::read(readEnd, buffer, sizeof buffer)) > 0)
        reports.append(buffer, static_cast<size_t>(got));
    ::close(readEnd);
    return reports;
}

}  // namespace

// The kernel copies a write a page at a time and takes a kill between two pages: a rewrite of
// a record that crosses a page boundary must not leave it half old and half new.
TEST(CrashSafety, KilledRewriteOfARecordAcrossAPageBoundaryLeavesItWhole)
{
    TScratchFolder folder;
    const std::string name = folder.File("cross.dbf");
    const uint32_t recNo = CreateTableUpToPageCrossing(name);
    std::mt19937 random(20261211);
    int reported = 1;
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(round);
        int pipeEnds[2];
        ASSERT_EQ(::pipe(pipeEnds), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(pipeEnds[0]);
            RunRewriter(name, pipeEnds[1], recNo);
        }
        ::close(pipeEnds[1]);
        int status = 0;
        const std::string reports =
            KillAfterReports(child, pipeEnds[0], 1 + static_cast<int>(random() % 8), status);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the rewriter stopped by itself: " << WEXITSTATUS(status);
        const size_t lastLine = reports.rfind('\n', reports.size() - 2);
        reported = std::stoi(reports.substr(lastLine == std::string::npos ? 0 : lastLine + 1));

        auto table = OpenTable(name);
        table->SetRecNo(static_cast<int>(recNo));
        const int id = table->FieldByName("ID")->AsInteger();
        const int version = table->FieldByName("VERSION")->AsInteger();
        ASSERT_EQ(id, static_cast<int>(recNo));
        ASSERT_EQ(table->FieldByName("CHECK")->AsString(), CheckText(id, version)) << "version " << version;
        ASSERT_GE(version, reported);
        ASSERT_LE(version, reported + 1);
        EXPECT_FALSE(FileExists(RewriteNoteName(name)));
    }
}

// What a killed rewrite leaves: its note beside the table and the record old, cut at the page
// boundary, or new. Opening for writing completes the rewrite from a sound note that explains
// the record, and drops any other note without touching the table.
TEST(CrashSafety, OpeningForWritingCompletesOrDropsARewriteNote)
{
    TScratchFolder folder;
    const std::string pristine = folder.File("pristine.dbf");
    const uint32_t recNo = CreateTableUpToPageCrossing(pristine);
    const std::string edited = folder.File("edited.dbf");
    std::filesystem::copy_file(pristine, edited);
    EditRecord(edited, recNo, 2);
    int64_t offset = 0;
    const std::vector<uint8_t> oldImage = RecordBytes(pristine, recNo, offset);
    const std::vector<uint8_t> newImage = RecordBytes(edited, recNo, offset);
    EditRecord(edited, recNo, 3);
    const std::vector<uint8_t> otherImage = RecordBytes(edited, recNo, offset);
    const size_t cut = static_cast<size_t>(kWritePageSize - offset % kWritePageSize);
    std::vector<uint8_t> torn = oldImage;
    std::copy(newImage.begin(), newImage.begin() + static_cast<std::ptrdiff_t>(cut), torn.begin());
    const std::vector<uint8_t> note = RewriteNoteBytes(offset, oldImage.data(), newImage.data(),
                                                       static_cast<int32_t>(oldImage.size()));
    std::vector<uint8_t> damaged = note;
    damaged[30] ^= 0x01;
    const std::vector<uint8_t> cutShort(note.begin(), note.end() - 10);

    const struct {
        const char* What;
        const std::vector<uint8_t>& Record;
        const std::vector<uint8_t>& Note;
        int Version;  // of the record after opening
    } cases[] = {
        {"killed after the note, before the record", oldImage, note, 2},
        {"killed at the page boundary", torn, note, 2},
        {"killed before the note was removed", newImage, note, 2},
        {"killed while writing the note", oldImage, cutShort, 1},
        {"a damaged note", oldImage, damaged, 1},
        {"a stale note: the record changed since", otherImage, note, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        const std::string name = folder.File("case.dbf");
        std::vector<uint8_t> file = ReadWholeFile(pristine);
        std::copy(c.Record.begin(), c.Record.end(), file.begin() + offset);
        WriteWholeFile(name, file);
        WriteWholeFile(RewriteNoteName(name), c.Note);
        {
            auto table = OpenTable(name);
            EXPECT_FALSE(FileExists(RewriteNoteName(name)));
            table->SetRecNo(static_cast<int>(recNo));
            EXPECT_EQ(table->FieldByName("VERSION")->AsInteger(), c.Version);
        }
        const std::vector<uint8_t> after = ReadWholeFile(name);
        const std::vector<uint8_t>& expected = c.Version == 1 ? oldImage : c.Version == 2 ? newImage : otherImage;
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), after.begin() + offset));
        // Nothing else in the file moved.
        ASSERT_EQ(after.size(), file.size());
        for (size_t i = 0; i < file.size(); ++i) {
            if (i < static_cast<size_t>(offset) || i >= static_cast<size_t>(offset) + expected.size()) {
                ASSERT_EQ(after[i], file[i]) << "byte " << i;
            }
        }
    }
}

// On a shared table the note belongs to the writer holding the header lock: an opener leaves
// it alone until that writer is gone.
TEST(CrashSafety, ANoteOfAWriterStillAtWorkIsLeftAlone)
{
    TScratchFolder folder;
    const std::string name = folder.File("shared.dbf");
    const uint32_t recNo = CreateTableUpToPageCrossing(name);
    const std::string copy = folder.File("copy.dbf");
    std::filesystem::copy_file(name, copy);
    EditRecord(copy, recNo, 2);
    int64_t offset = 0;
    const std::vector<uint8_t> oldImage = RecordBytes(name, recNo, offset);
    const std::vector<uint8_t> newImage = RecordBytes(copy, recNo, offset);
    TOpenOptions shared;
    shared.AccessMode = 0x42;
    auto writer = OpenTable(name, shared);
    ASSERT_TRUE(writer->LockHeader());
    WriteWholeFile(RewriteNoteName(name),
                   RewriteNoteBytes(offset, oldImage.data(), newImage.data(), static_cast<int32_t>(oldImage.size())));
    {
        TOpenOptions waitNot = shared;
        waitNot.WaitBusyRes = 1;
        auto other = OpenTable(name, waitNot);
        EXPECT_TRUE(FileExists(RewriteNoteName(name)));
        other->SetRecNo(static_cast<int>(recNo));
        EXPECT_EQ(other->FieldByName("VERSION")->AsInteger(), 1);
    }
    writer.reset();
    auto later = OpenTable(name, shared);
    EXPECT_FALSE(FileExists(RewriteNoteName(name)));
    later->SetRecNo(static_cast<int>(recNo));
    EXPECT_EQ(later->FieldByName("VERSION")->AsInteger(), 2);
}

// A note that outlived its rewrite names a record place; after a pack another record may lie
// there, so the pack drops the note.
TEST(CrashSafety, PackDropsARewriteNoteOfTheOldFile)
{
    TScratchFolder folder;
    const std::string name = folder.File("packed.dbf");
    const uint32_t recNo = CreateTableUpToPageCrossing(name);
    int64_t offset = 0;
    const std::vector<uint8_t> image = RecordBytes(name, recNo, offset);
    auto table = OpenTable(name);
    WriteWholeFile(RewriteNoteName(name),
                   RewriteNoteBytes(offset, image.data(), image.data(), static_cast<int32_t>(image.size())));
    table->SetRecNo(1);
    table->Delete();
    table->Pack(true);
    EXPECT_FALSE(FileExists(RewriteNoteName(name)));
}

TEST(CrashSafety, KilledWriterLeavesEveryReportedRecordWhole)
{
    TScratchFolder folder;
    const std::string name = folder.File("crash.dbf");
    CreateCrashTable(name);
    std::mt19937 random(20260305);
    std::map<int, int> reported;  // id -> last version reported as posted
    int nextId = 1;
    constexpr int kKills = 40;
    for (int round = 0; round < kKills; ++round) {
        SCOPED_TRACE(round);
        int pipeEnds[2];
        ASSERT_EQ(::pipe(pipeEnds), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(pipeEnds[0]);
            RunWriter(name, pipeEnds[1], static_cast<unsigned>(round), nextId);
        }
        ::close(pipeEnds[1]);
        // The kill falls at a random moment of the writing, not of the start: after a random
        // number of the writer's own reports.
        int status = 0;
        const std::string reports =
            KillAfterReports(child, pipeEnds[0], 1 + static_cast<int>(random() % 30), status);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself: " << WEXITSTATUS(status);
        size_t start = 0;
        for (size_t end; (end = reports.find('\n', start)) != std::string::npos; start = end + 1) {
            const std::string line = reports.substr(start, end - start);
            const int id = std::stoi(line);
            reported[id] = std::stoi(line.substr(line.find(' ') + 1));
        }

        auto table = OpenTable(name);
        // The writer died before it wrote the header's count; opening for writing wrote it, so
        // that other programs see every record too.
        const std::vector<uint8_t> file = ReadWholeFile(name);
        ASSERT_GE(file.size(), static_cast<size_t>(table->HeaderSize()));
        const uint32_t count = file[4] | (file[5] << 8) | (file[6] << 16) | (static_cast<uint32_t>(file[7]) << 24);
        EXPECT_EQ(count, (file.size() - static_cast<size_t>(table->HeaderSize())) / static_cast<size_t>(table->RecordSize()));
        EXPECT_EQ(static_cast<int>(count), table->RecordCount());
        std::map<int, int> onDisk;
        for (table->First(); !table->Eof(); table->Next()) {
            const int id = table->FieldByName("ID")->AsInteger();
            const int version = table->FieldByName("VERSION")->AsInteger();
            ASSERT_EQ(table->FieldByName("CHECK")->AsString(), CheckText(id, version)) << "record " << table->RecNo();
            ASSERT_EQ(table->FieldByName("NOTE")->AsString(), MemoText(id, version)) << "record " << table->RecNo();
            ASSERT_EQ(onDisk.count(id), 0u) << "id " << id << " twice";
            onDisk[id] = version;
        }
        // Every reported post is there; at most the one post in flight went further.
        for (const auto& [id, version] : reported) {
            ASSERT_EQ(onDisk.count(id), 1u) << "id " << id << " lost";
            EXPECT_GE(onDisk[id], version) << "id " << id;
            EXPECT_LE(onDisk[id], version + 1) << "id " << id;
        }
        for (const auto& [id, version] : onDisk)
            reported[id] = std::max(reported[id], version);
        nextId = onDisk.empty() ? 1 : onDisk.rbegin()->first + 1;
    }
    EXPECT_GE(reported.size(), static_cast<size_t>(kKills));
}
