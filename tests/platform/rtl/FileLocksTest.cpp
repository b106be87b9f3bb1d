#include "platform/rtl/FileHandle.h"
#include "platform/rtl/FileLocks.h"
#include "TestFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uint64_t clipperHeader = 1000000000;
constexpr uint64_t db4Header = 0xEFFFFFFF;

TFileHandle OpenShared(const std::string& name)
{
    TFileHandle handle;
    EXPECT_TRUE(handle.Open(name, fmOpenReadWrite | fmShareDenyNone)) << handle.LastError();
    return handle;
}

}  // namespace

TEST(FileLocks, LockOfAnotherProcessRefusesUntilItEnds)
{
    TestFolder folder;
    std::string name = folder / "table.dbf";
    TestFolder::WriteFile(name, "header");

    int ready[2], finish[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(finish), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int descriptor = open(name.c_str(), O_RDWR);
        char done = LockBytes(descriptor, clipperHeader + 5, 1) ? 'y' : 'n';
        (void)!write(ready[1], &done, 1);
        (void)!read(finish[0], &done, 1);  // hold the lock until the parent says so
        _exit(0);
    }
    char answer = 0;
    ASSERT_EQ(read(ready[0], &answer, 1), 1);
    ASSERT_EQ(answer, 'y');

    TFileHandle handle = OpenShared(name);
    EXPECT_FALSE(handle.LockRange(clipperHeader + 5, 1));
    EXPECT_EQ(handle.LastError(), EAGAIN);
    EXPECT_TRUE(handle.LockRange(clipperHeader + 6, 1));  // the next byte is free
    TLockQuery query = QueryLock(handle.Descriptor(), clipperHeader + 5);
    EXPECT_EQ(query.holder, TLockHolder::lhExclusive);
    EXPECT_EQ(query.offset, clipperHeader + 5);
    EXPECT_EQ(query.length, 1u);

    (void)!write(finish[1], "x", 1);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(handle.LockRange(clipperHeader + 5, 1));
    EXPECT_TRUE(handle.UnlockRange(clipperHeader + 5, 1));
    for (int descriptor : {ready[0], ready[1], finish[0], finish[1]})
        close(descriptor);
}

// Locks belong to the open file: a second open in the same process is another owner, and
// closing it does not drop the first one's locks (as classic per-process locks would).
TEST(FileLocks, LocksBelongToTheOpenFileNotTheProcess)
{
    TestFolder folder;
    std::string name = folder / "table.dbf";
    TestFolder::WriteFile(name, "header");

    TFileHandle owner = OpenShared(name);
    ASSERT_TRUE(owner.LockRange(db4Header, 1));
    {
        TFileHandle other = OpenShared(name);
        EXPECT_FALSE(other.LockRange(db4Header, 1));
        EXPECT_EQ(QueryLock(other.Descriptor(), db4Header).holder, TLockHolder::lhExclusive);
        EXPECT_EQ(QueryLock(owner.Descriptor(), db4Header).holder, TLockHolder::lhNone);
    }  // closes the second descriptor of the same file
    TFileHandle third = OpenShared(name);
    EXPECT_FALSE(third.LockRange(db4Header, 1));
    EXPECT_TRUE(owner.UnlockRange(db4Header, 1));
    EXPECT_TRUE(third.LockRange(db4Header, 1));
    third.Close();  // closing the owning open file ends its locks
    EXPECT_TRUE(owner.LockRange(db4Header, 1));
}

TEST(FileHandle, ShareModesBetweenOpeners)
{
    TestFolder folder;
    std::string name = folder / "table.dbf";
    TestFolder::WriteFile(name, "contents");

    struct Case {
        unsigned first;
        unsigned second;
        bool secondOpens;
    };
    const Case cases[] = {
        {fmOpenReadWrite | fmShareExclusive, fmOpenRead | fmShareDenyNone, false},
        {fmOpenRead | fmShareDenyNone, fmOpenReadWrite | fmShareExclusive, false},
        {fmOpenRead | fmShareDenyWrite, fmOpenRead | fmShareDenyWrite, true},
        {fmOpenReadWrite | fmShareDenyNone, fmOpenReadWrite | fmShareDenyNone, true},
        {fmOpenRead, fmOpenRead, false},  // share compatibility mode is exclusive
    };
    for (const Case& c : cases) {
        TFileHandle first;
        ASSERT_TRUE(first.Open(name, c.first));
        TFileHandle second;
        EXPECT_EQ(second.Open(name, c.second), c.secondOpens) << c.first << " then " << c.second;
        if (!c.secondOpens) {
            EXPECT_EQ(second.LastError(), EBUSY);
        }
    }

    // A create refused by the share mode leaves the file untouched.
    TFileHandle holder;
    ASSERT_TRUE(holder.Open(name, fmOpenRead | fmShareExclusive));
    TFileHandle creator;
    EXPECT_FALSE(creator.Create(name));
    EXPECT_EQ(TestFolder::ReadFile(name), "contents");
}

TEST(FileHandle, PositionedAccessAndTruncate)
{
    TestFolder folder;
    std::string name = folder / "memo.dbt";
    TFileHandle handle;
    ASSERT_TRUE(handle.Create(name, fmShareDenyNone));
    EXPECT_EQ(handle.WriteAt(512, "memo", 4), 4);
    EXPECT_EQ(handle.Size(), 516);
    EXPECT_EQ(handle.Seek(0, TSeekOrigin::soFromCurrent), 0);  // positioned writes leave it
    char buffer[8] = {};
    EXPECT_EQ(handle.ReadAt(510, buffer, 8), 6);
    EXPECT_EQ(std::string(buffer, 6), std::string("\0\0memo", 6));
    EXPECT_EQ(handle.Seek(100, TSeekOrigin::soFromBeginning), 100);
    EXPECT_TRUE(handle.Truncate());
    EXPECT_EQ(handle.Size(), 100);

    TFileHandle reader;
    ASSERT_TRUE(reader.Open(name, fmOpenRead | fmShareDenyNone));
    EXPECT_EQ(reader.WriteAt(0, "x", 1), -1);
    EXPECT_EQ(reader.LastError(), EBADF);
}

// Create empties a file that has bytes and makes a missing one; SetSize cuts, keeps or extends
// (a file already of the wanted size is left as it is).
TEST(FileHandle, CreateEmptiesAndSetSizeGivesTheSize)
{
    TestFolder folder;
    const std::string full = folder / "full.tmp";
    const std::string missing = folder / "missing.tmp";
    TestFolder::WriteFile(full, "some bytes");
    for (const std::string& name : {full, missing}) {
        TFileHandle handle;
        ASSERT_TRUE(handle.Create(name)) << name << " " << handle.LastError();
        EXPECT_EQ(0, handle.Size()) << name;
    }
    TFileHandle handle;
    ASSERT_TRUE(handle.Open(full, fmOpenReadWrite | fmShareExclusive));
    ASSERT_EQ(6, handle.WriteAt(0, "abcdef", 6));
    const struct {
        int64_t Size;
        const char* Bytes;
    } steps[] = {{6, "abcdef"}, {3, "abc"}, {3, "abc"}, {5, "abc\0\0"}, {0, ""}, {0, ""}};
    for (const auto& step : steps) {
        EXPECT_TRUE(handle.SetSize(step.Size)) << step.Size;
        EXPECT_EQ(step.Size, handle.Size());
        EXPECT_EQ(std::string(step.Bytes, static_cast<size_t>(step.Size)), TestFolder::ReadFile(full)) << step.Size;
    }
}
