#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "TestFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

TEST(MemoryStream, SeekReadWriteAndGrowth)
{
    TMemoryStream stream;
    stream.WriteBuffer("abcdef", 6);
    EXPECT_EQ(stream.Size(), 6);
    EXPECT_EQ(stream.Seek(-2, TSeekOrigin::soFromEnd), 4);
    EXPECT_EQ(stream.Seek(-1, TSeekOrigin::soFromCurrent), 3);
    char buffer[8] = {};
    EXPECT_EQ(stream.Read(buffer, 8), 3);  // only what is left
    EXPECT_STREQ(buffer, "def");
    EXPECT_EQ(stream.Read(buffer, 1), 0);

    // Writing past the end fills the gap with zero bytes.
    stream.SetPosition(8);
    stream.WriteBuffer("Z", 1);
    EXPECT_EQ(stream.Size(), 9);
    EXPECT_EQ(std::string(stream.Memory(), 9), std::string("abcdef\0\0Z", 9));

    stream.SetSize(2);
    EXPECT_EQ(stream.Position(), 2);
    stream.SetPosition(0);
    EXPECT_THROW(stream.ReadBuffer(buffer, 3), EReadError);
    try {
        stream.SetPosition(0);
        stream.ReadBuffer(buffer, 3);
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Stream read error");
    }
}

TEST(MemoryStream, CopyFromAndFiles)
{
    TestFolder folder;
    TStringStream source(std::string(100000, 'x') + "end");
    TMemoryStream target;
    EXPECT_EQ(target.CopyFrom(source, 0), 100003);  // 0 copies the whole source
    source.SetPosition(99998);
    EXPECT_EQ(target.CopyFrom(source, 5), 5);
    EXPECT_EQ(target.Size(), 100008);

    target.SaveToFile(folder / "copy.bin");
    TMemoryStream loaded;
    loaded.LoadFromFile(folder / "copy.bin");
    EXPECT_EQ(std::string(loaded.Memory(), 8), "xxxxxxxx");
    EXPECT_EQ(std::string(loaded.Memory() + 100000, 8), "endxxend");
}

TEST(FileStream, OpenAndCreateErrorsNameTheFileAndTheSystemText)
{
    TestFolder folder;
    std::string missing = folder / "missing.dbf";
    try {
        TFileStream stream(missing, fmOpenRead);
        FAIL() << "opened a missing file";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), "Cannot open file \"" + missing + "\". No such file or directory");
    }
    std::string inMissingFolder = folder / "nofolder/new.dbf";
    try {
        TFileStream stream(inMissingFolder, fmCreate);
        FAIL() << "created a file in a missing folder";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(),
                  "Cannot create file \"" + inMissingFolder + "\". No such file or directory");
    }
    EXPECT_THROW(TFileStream(folder.Path(), fmOpenRead), EFOpenError);  // a folder is no file
}

TEST(FileStream, WritesReadsSeeksAndSizes)
{
    TestFolder folder;
    std::string name = folder / "data.bin";
    {
        TFileStream stream(name, fmCreate);
        stream.WriteBuffer("0123456789", 10);
        EXPECT_EQ(stream.Seek(4, TSeekOrigin::soFromBeginning), 4);
        stream.WriteBuffer("ab", 2);
        stream.SetSize(8);
        EXPECT_EQ(stream.Size(), 8);
    }
    TFileStream stream(name, fmOpenRead | fmShareDenyNone);
    char buffer[16] = {};
    EXPECT_EQ(stream.Read(buffer, 16), 8);
    EXPECT_EQ(std::string(buffer), "0123ab67");
    EXPECT_EQ(stream.Write("x", 1), -1);  // opened for reading only
    EXPECT_THROW(stream.WriteBuffer("x", 1), EWriteError);
}

// A file that may grow no further makes the system write part of a buffer; that must be
// a failure, not a success with fewer bytes.
TEST(FileStream, ShortWriteIsAFailure)
{
    TestFolder folder;
    std::string name = folder / "limited.bin";
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {1000, 1000};
        setrlimit(RLIMIT_FSIZE, &limit);
        int code = 1;
        try {
            TFileStream stream(name, fmCreate);
            std::string block(4096, 'q');
            stream.WriteBuffer(block.data(), 4096);
        } catch (const EWriteError&) {
            code = 0;
        } catch (...) {
            code = 2;
        }
        _exit(code);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(StringsFiles, WritesCrLfAndReadsEveryLineEnd)
{
    TestFolder folder;
    std::string name = folder / "lines.txt";
    TStringList lines;
    lines.Add("first");
    lines.Add("");
    lines.Add("third");
    lines.SaveToFile(name);
    EXPECT_EQ(TestFolder::ReadFile(name), "first\r\n\r\nthird\r\n");

    struct Case {
        const char* bytes;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\r\n\nb", {"a", "", "b"}},
        {"", {}},
    };
    for (const Case& c : cases) {
        TestFolder::WriteFile(name, c.bytes);
        TStringList read;
        read.Add("old contents are replaced");
        read.LoadFromFile(name);
        std::vector<std::string> got;
        for (int i = 0; i < read.Count(); ++i)
            got.push_back(read[i]);
        EXPECT_EQ(got, c.expected) << "bytes: " << c.bytes;
    }

    TStringList missing;
    EXPECT_THROW(missing.LoadFromFile(folder / "none.txt"), EFOpenError);
    EXPECT_THROW(lines.SaveToFile(folder / "none/x.txt"), EFCreateError);
}
