// A writer killed at random moments: after every kill the table opens, every record the
// writer reported as posted is there with its memo, and no record is half written.
#include "XbDBFWriteSupport.h"

#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
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

}  // namespace

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
        // The kill falls at a random moment of the writing, not of the start: however slow the
        // machine, the writer has posted once before the random delay begins.
        std::string reports;
        char buffer[4096];
        ssize_t got = 0;
        while (reports.find('\n') == std::string::npos && (got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0)
            reports.append(buffer, static_cast<size_t>(got));
        ::usleep(static_cast<useconds_t>(1000 + random() % 15000));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself: " << WEXITSTATUS(status);
        while ((got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0)
            reports.append(buffer, static_cast<size_t>(got));
        ::close(pipeEnds[0]);
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
