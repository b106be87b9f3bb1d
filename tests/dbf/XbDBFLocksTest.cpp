// Record, header and memo locks between processes: a lock another process holds makes a
// write fail after WaitBusyRes sleeping tries, and each lock protocol locks its own bytes.
#include "XbDBFWriteSupport.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileLocks.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uint32_t kShared = 0x42;  // read-write, deny none

// A child process that opens the table shared and takes or drops locks on command:
// 'R' record 1, 'N' record 4, 'H' header, 'M' memo file, 'U' all of them; it answers each
// command with one byte and ends when its command pipe closes.
class TLockingProcess {
public:
    explicit TLockingProcess(const std::string& tableName)
    {
        int commands[2];
        int answers[2];
        if (::pipe(commands) != 0 || ::pipe(answers) != 0)
            throw std::runtime_error("pipe");
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(commands[1]);
            ::close(answers[0]);
            int status = 0;
            try {
                TOpenOptions options;
                options.AccessMode = kShared;
                options.WaitBusyRes = 1;
                auto table = OpenTable(tableName, options);
                char command = 0;
                while (::read(commands[0], &command, 1) == 1) {
                    bool ok = true;
                    switch (command) {
                    case 'R': ok = table->LockRecord(1); break;
                    case 'N': ok = table->LockRecord(4); break;
                    case 'H': ok = table->LockHeader(); break;
                    case 'M': ok = table->LockLob(table->LobStream()); break;
                    case 'U':
                        ok = table->UnlockRecord(1) && table->UnlockRecord(4) && table->UnlockHeader() &&
                             table->UnlockLob(table->LobStream());
                        break;
                    default: ok = false;
                    }
                    const char answer = ok ? 'k' : 'f';
                    if (::write(answers[1], &answer, 1) != 1)
                        break;
                }
            } catch (...) {
                status = 2;
            }
            ::_exit(status);
        }
        ::close(commands[0]);
        ::close(answers[1]);
        commands_ = commands[1];
        answers_ = answers[0];
    }
    ~TLockingProcess()
    {
        ::close(commands_);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        ::close(answers_);
    }
    bool Send(char command)
    {
        char answer = 0;
        return ::write(commands_, &command, 1) == 1 && ::read(answers_, &answer, 1) == 1 && answer == 'k';
    }

private:
    pid_t pid_ = -1;
    int commands_ = -1;
    int answers_ = -1;
};

std::string ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Exception& error) {
        return error.Message();
    }
    return "no error";
}

double CpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

TEST(Locks, AnotherProcessesLocksMakeWritesFailAfterSleepingRetries)
{
    TScratchFolder folder;
    const std::string name = folder.File("t.dbf");
    CreateNotesTable(name);
    {
        auto table = OpenTable(name);
        for (int i = 1; i <= 3; ++i)
            AppendNote(*table, "n" + std::to_string(i), i, "memo");
    }
    TLockingProcess holder(name);
    TOpenOptions options;
    options.AccessMode = kShared;
    options.WaitBusyRes = 300;
    auto table = OpenTable(name, options);

    const struct {
        const char* title;
        char lock;
        std::function<void()> write;
        const char* message;
    } cases[] = {
        {"post", 'R',
         [&] {
             table->First();
             table->Edit();
             table->FieldByName("QTY")->SetAsInteger(99);
             table->Post();
         },
         "TXbSmartDBF.InternalPost: Can not lock DBF record."},
        {"delete", 'R', [&] { table->First(); table->Delete(); }, "TXbSmartDBF.InternalPost: Can not lock DBF record."},
        {"append, new record", 'N', [&] { AppendNote(*table, "x", 0, ""); },
         "TXbSmartDBF.InternalAddRecord: Can not lock DBF record."},
        {"append, header", 'H', [&] { AppendNote(*table, "x", 0, ""); },
         "TXbSmartDBF.InternalAddRecord: Can not lock DBF header."},
        {"memo", 'M', [&] { table->First(); table->Edit(); table->FieldByName("NOTE")->SetAsString("new"); },
         "TXbSmartDBF.WriteLob: Can not lock memo file."},
        {"pack", 'H', [&] { table->Pack(false); }, "TXbSmartDBF.Pack: Can not lock DBF header."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        ASSERT_TRUE(holder.Send(c.lock));
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = CpuSeconds();
        EXPECT_EQ(ErrorOf(c.write), c.message);
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double cpu = CpuSeconds() - cpuStart;
        EXPECT_GE(wall, 0.3);  // 300 tries, a millisecond's sleep between them
        EXPECT_LT(cpu, wall / 2);  // sleeping, not spinning
        table->Cancel();
        ASSERT_TRUE(holder.Send('U'));
        // Nothing stays locked after the failure, and the write now goes through.
        EXPECT_TRUE(table->LockedRecords().empty());
        EXPECT_FALSE(table->HeaderLocked());
        EXPECT_FALSE(table->LobLocked());
        EXPECT_EQ(ErrorOf([&] {
                      c.write();
                      table->CheckBrowseMode();
                  }),
                  "no error");
        if (std::string(c.title) == "delete") {
            table->First();
            table->InternalDeleteRecall(false);
        }
    }
    table.reset();
    TOpenOptions shared;
    shared.AccessMode = kShared;
    auto check = OpenTable(name, shared);
    EXPECT_EQ(check->RecordCount(), 5);
    EXPECT_EQ(check->FieldByName("QTY")->AsInteger(), 99);
    EXPECT_EQ(check->FieldByName("NOTE")->AsString(), "new");
}

TEST(Locks, EachProtocolLocksItsOffsets)
{
    struct Case {
        LockProtocolType protocol;
        int64_t record5;
        int64_t header;
        int64_t memo;  // -1: no lock
    };
    const Case cases[] = {
        {LockProtocolType::lpNone, -1, -1, -1},
        {LockProtocolType::lpDB4Lock, 0xEFFFFFFELL - 5, 0xEFFFFFFFLL, 0xEFFFFFFFLL},
        {LockProtocolType::lpClipperLock, 1000000005, 1000000000, 1000000000},
        {LockProtocolType::lpFoxLock, 0x7FFFFFFELL - 5, 0x7FFFFFFELL, 0x40000000},
        {LockProtocolType::lpClipperForFoxLob, 5, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.protocol));
        TScratchFolder folder;
        const std::string name = folder.File("t.dbf");
        const std::string memoName = folder.File("t.dbt");
        CreateNotesTable(name);
        TOpenOptions options;
        options.AccessMode = kShared;
        options.Protocol = c.protocol;
        auto table = OpenTable(name, options);
        ASSERT_TRUE(table->LockRecord(5));
        ASSERT_TRUE(table->LockHeader());
        ASSERT_TRUE(table->LockLob(table->LobStream()));

        // What another process sees: the exact bytes, exclusive, and nothing else.
        auto otherProcessSees = [&](bool locked) {
            const pid_t child = ::fork();
            if (child == 0) {
                int failures = 0;
                const int tableFile = ::open(name.c_str(), O_RDWR);
                const int memoFile = ::open(memoName.c_str(), O_RDWR);
                auto expectOnly = [&](int descriptor, std::vector<int64_t> offsets) {
                    int64_t count = 0;
                    for (int64_t offset : offsets) {
                        if (offset < 0)
                            continue;
                        ++count;
                        const TLockQuery at = QueryLock(descriptor, static_cast<uint64_t>(offset), 1);
                        if ((at.holder == TLockHolder::lhExclusive) != locked || (locked && at.length != 1))
                            ++failures;
                        if (offset > 0 && offsets.size() == 1 &&
                            QueryLock(descriptor, static_cast<uint64_t>(offset - 1), 1).holder != TLockHolder::lhNone)
                            ++failures;
                    }
                    // No lock anywhere else: the whole file minus the expected bytes.
                    if (count == 0 && QueryLock(descriptor, 0, 0).holder != TLockHolder::lhNone)
                        ++failures;
                };
                expectOnly(tableFile, {c.record5, c.header});
                expectOnly(memoFile, {c.memo});
                ::_exit(failures);
            }
            int status = 0;
            ::waitpid(child, &status, 0);
            return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
        };
        EXPECT_EQ(otherProcessSees(true), 0);
        ASSERT_TRUE(table->UnlockRecord(5));
        ASSERT_TRUE(table->UnlockHeader());
        ASSERT_TRUE(table->UnlockLob(table->LobStream()));
        EXPECT_EQ(otherProcessSees(false), 0);

        // An append takes and gives back its locks.
        for (int i = 1; i <= 5; ++i)
            AppendNote(*table, "n", i, "memo");
        EXPECT_EQ(otherProcessSees(false), 0);
    }
}

TEST(Locks, ExclusiveTablesTakeNoLocks)
{
    TScratchFolder folder;
    const std::string name = folder.File("t.dbf");
    CreateNotesTable(name);
    auto table = OpenTable(name);  // exclusive, lpClipperLock
    ASSERT_TRUE(table->LockRecord(1));
    ASSERT_TRUE(table->LockHeader());
    EXPECT_TRUE(table->LockedRecords().empty());
    EXPECT_FALSE(table->HeaderLocked());
    const int descriptor = ::open(name.c_str(), O_RDONLY);
    EXPECT_EQ(QueryLock(descriptor, 0, 0).holder, TLockHolder::lhNone);
    ::close(descriptor);
}

// Another user appends under the header lock and measures the file's end there: a table that
// closes meanwhile leaves the end alone (an end mark written then could land on the first byte
// of the record the other user is writing), and adds the mark once the header is free.
TEST(Locks, ClosingAddsTheEndMarkOnlyUnderTheHeaderLock)
{
    TScratchFolder folder;
    const std::string name = folder.File("t.dbf");
    CreateNotesTable(name);
    TLockingProcess holder(name);
    TOpenOptions options;
    options.AccessMode = kShared;
    options.WaitBusyRes = 1;
    auto table = OpenTable(name, options);
    AppendNote(*table, "n1", 1, "");
    const std::vector<uint8_t> before = ReadWholeFile(name);
    ASSERT_NE(before.back(), 0x1A);
    ASSERT_TRUE(holder.Send('H'));
    table.reset();
    EXPECT_EQ(ReadWholeFile(name), before);

    ASSERT_TRUE(holder.Send('U'));
    table = OpenTable(name, options);
    table.reset();
    const std::vector<uint8_t> after = ReadWholeFile(name);
    ASSERT_EQ(after.size(), before.size() + 1);
    EXPECT_EQ(after.back(), 0x1A);
}
