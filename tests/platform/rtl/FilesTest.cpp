#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/OsErrors.h"
#include "platform/rtl/TempFiles.h"
#include "TestFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

TEST(FileNames, PartsOfNames)
{
    struct Case {
        std::string name, path, file, ext, changed;
    };
    const Case cases[] = {
        {"/data/Tickets.dbf", "/data/", "Tickets.dbf", ".dbf", "/data/Tickets.dbt"},
        {"Tickets", "", "Tickets", "", "Tickets.dbt"},
        {"/data.old/Tickets", "/data.old/", "Tickets", "", "/data.old/Tickets.dbt"},
        {"/a/b.c.d", "/a/", "b.c.d", ".d", "/a/b.c.dbt"},
        {"/folder/", "/folder/", "", "", "/folder/.dbt"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExtractFilePath(c.name), c.path) << c.name;
        EXPECT_EQ(ExtractFileName(c.name), c.file) << c.name;
        EXPECT_EQ(ExtractFileExt(c.name), c.ext) << c.name;
        EXPECT_EQ(ChangeFileExt(c.name, ".dbt"), c.changed) << c.name;
    }
    EXPECT_EQ(IncludeTrailingPathDelimiter("/a"), "/a/");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/a/"), "/a/");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/a/"), "/a");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/"), "/");
    EXPECT_EQ(ExpandFileName("/a/./b/../c"), "/a/c");
    EXPECT_EQ(ExpandFileName("/a/b/"), "/a/b/");
    EXPECT_EQ(ExpandFileName("/../x"), "/x");
    EXPECT_EQ(ExpandFileName("rel"), std::filesystem::current_path().string() + "/rel");
}

TEST(FileNames, StoredWindowsNamesFindEntriesInAnyLetterCase)
{
    TestFolder folder;
    std::filesystem::create_directories(folder / "Language");
    TestFolder::WriteFile(folder / "Language/english.LNG", "x");
    std::filesystem::create_directories(folder / "databases");
    std::filesystem::create_directories(folder / "DATABASES");  // exact spelling wins

    struct Case {
        std::string stored, mapped;
    };
    const Case cases[] = {
        {"language\\English.lng", "Language/english.LNG"},
        {"LANGUAGE\\", "Language/"},
        {"databases", "databases"},
        {"Databases", "DATABASES"},  // both match; the first in name order is taken
        {"language\\French.lng", "Language/French.lng"},  // missing file: as given
        {"missing\\Sub\\x.dat", "missing/Sub/x.dat"},
        {"language/English.lng", "Language/english.LNG"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MapStoredPath(folder.Path(), c.stored), folder / c.mapped) << c.stored;
    EXPECT_EQ(MapStoredPath(folder.Path(), "\\tmp"), "/tmp");
    std::string withoutSlash = folder.Path().substr(0, folder.Path().size() - 1);
    EXPECT_EQ(MapStoredPath(withoutSlash, "language"), folder / "Language");
}

TEST(Files, ExistenceFoldersDeleteRename)
{
    TestFolder folder;
    std::string file = folder / "a.txt";
    TestFolder::WriteFile(file, "a");
    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(FileExists(folder.Path()));  // a folder is not a file
    EXPECT_TRUE(DirectoryExists(folder.Path()));
    EXPECT_FALSE(DirectoryExists(file));
    EXPECT_EQ(FileSize(file), 1);
    EXPECT_EQ(FileSize(folder / "none"), -1);

    EXPECT_TRUE(ForceDirectories(folder / "x/y/z/"));
    EXPECT_TRUE(DirectoryExists(folder / "x/y/z"));
    EXPECT_FALSE(ForceDirectories(file + "/sub"));

    TestFolder::WriteFile(folder / "b.txt", "b");
    EXPECT_FALSE(RenameFile(file, folder / "b.txt"));
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(TestFolder::ReadFile(folder / "b.txt"), "b");
    EXPECT_TRUE(RenameFile(file, folder / "b.txt", true));
    EXPECT_EQ(TestFolder::ReadFile(folder / "b.txt"), "a");
    EXPECT_TRUE(RenameFile(folder / "b.txt", folder / "c.txt"));
    EXPECT_TRUE(DeleteFile(folder / "c.txt"));
    EXPECT_FALSE(DeleteFile(folder / "c.txt"));
    EXPECT_FALSE(DeleteFile(folder / "x"));
}

TEST(Files, CopyFileKeepsContentsModeAndHonoursFailIfExists)
{
    TestFolder folder;
    std::string source = folder / "Tickets.dbf";
    std::string big(200000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7);
    TestFolder::WriteFile(source, big);
    chmod(source.c_str(), 0640);
    std::string target = folder / "backup.dbf";

    EXPECT_TRUE(CopyFile(source, target, true));
    EXPECT_EQ(TestFolder::ReadFile(target), big);
    struct stat status {};
    stat(target.c_str(), &status);
    EXPECT_EQ(status.st_mode & 0777, 0640u);

    TestFolder::WriteFile(target, "older copy");
    EXPECT_FALSE(CopyFile(source, target, true));
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(TestFolder::ReadFile(target), "older copy");
    EXPECT_TRUE(CopyFile(source, target, false));
    EXPECT_EQ(TestFolder::ReadFile(target), big);

    EXPECT_FALSE(CopyFile(folder / "missing.dbf", target, false));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(CopyFile(source, folder / "nofolder/x.dbf", false));
    // No temporary file is left behind by any of these.
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.Path()))
        ++entries;
    EXPECT_EQ(entries, 2u);
}

TEST(Files, AtomicWriterChangesTheTargetOnlyAtCommit)
{
    TestFolder folder;
    const std::string target = folder / "export.csv";
    TestFolder::WriteFile(target, "old contents");
    chmod(target.c_str(), 0604);
    auto entries = [&folder] {
        std::size_t count = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.Path()))
            ++count;
        return count;
    };

    {
        // Given up before Commit: the old contents stay and the temporary file goes.
        TAtomicFileWriter writer;
        ASSERT_TRUE(writer.Open(target));
        ASSERT_TRUE(writer.Write("half", 4));
        EXPECT_EQ(TestFolder::ReadFile(target), "old contents");
        EXPECT_EQ(entries(), 2u);
    }
    EXPECT_EQ(TestFolder::ReadFile(target), "old contents");
    EXPECT_EQ(entries(), 1u);

    TAtomicFileWriter writer;
    ASSERT_TRUE(writer.Open(target));
    std::string written;
    for (int i = 0; i < 1000; ++i) {
        const std::string piece = "row " + std::to_string(i) + "\r\n";
        ASSERT_TRUE(writer.Write(piece.data(), piece.size()));
        written += piece;
    }
    EXPECT_TRUE(writer.Commit());
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_EQ(TestFolder::ReadFile(target), written);
    struct stat status {};
    stat(target.c_str(), &status);
    EXPECT_EQ(status.st_mode & 0777, 0604u);
    EXPECT_EQ(entries(), 1u);
    // A finished writer writes nothing more.
    EXPECT_FALSE(writer.Write("x", 1));
    EXPECT_FALSE(writer.Commit());

    // A target that may not be written is refused before anything is made.
    if (geteuid() != 0) {
        chmod(target.c_str(), 0444);
        TAtomicFileWriter refused;
        EXPECT_FALSE(refused.Open(target));
        EXPECT_EQ(errno, EACCES);
        EXPECT_EQ(entries(), 1u);
    }
    TAtomicFileWriter noFolder;
    EXPECT_FALSE(noFolder.Open(folder / "nofolder/x.csv"));
}

TEST(Files, FindFilesByMask)
{
    TestFolder folder;
    for (const char* name : {"English.lng", "german.LNG", "French.lng.bak", "notes.txt", "a.lng"})
        TestFolder::WriteFile(folder / name, "");
    std::filesystem::create_directories(folder / "dir.lng");
    EXPECT_EQ(FindFiles(folder.Path(), "*.lng"),
              (std::vector<std::string>{"a.lng", "English.lng", "german.LNG"}));
    EXPECT_EQ(FindFiles(folder.Path(), "?.lng"), (std::vector<std::string>{"a.lng"}));
    EXPECT_TRUE(FindFiles(folder / "missing", "*").empty());
    EXPECT_TRUE(MatchesMask("abcabd", "*ab?"));
    EXPECT_FALSE(MatchesMask("abcabe", "*abd"));
}

TEST(TempFiles, TemporaryFolderIsKeptWholeAndNamesAreUnique)
{
    TestFolder folder;
    std::string withBlank = folder / "my temp";
    std::filesystem::create_directories(withBlank);
    const char* saved = std::getenv("TMPDIR");
    std::string savedValue = saved ? saved : "";
    setenv("TMPDIR", withBlank.c_str(), 1);
    EXPECT_EQ(GetTempPath(), withBlank + "/");
    setenv("TMPDIR", (folder / "missing").c_str(), 1);
    EXPECT_EQ(GetTempPath(), "/tmp/");
    if (saved)
        setenv("TMPDIR", savedValue.c_str(), 1);
    else
        unsetenv("TMPDIR");

    std::set<std::string> names;
    for (int i = 0; i < 200; ++i) {
        std::string name = GetTempFileName(withBlank, "XBTQ");
        ASSERT_FALSE(name.empty());
        EXPECT_TRUE(FileExists(name));
        EXPECT_EQ(FileSize(name), 0);
        std::string file = ExtractFileName(name);
        EXPECT_EQ(file.substr(0, 3), "XBT");
        EXPECT_EQ(ExtractFileExt(file), ".tmp");
        EXPECT_LE(file.size(), 11u);
        EXPECT_EQ(file.find_first_not_of("0123456789ABCDEF", 3), file.size() - 4) << file;
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 200u);
    EXPECT_TRUE(GetTempFileName(folder / "missing", "XBT").empty());
}

TEST(OsErrors, TextsAndInfoBlock)
{
    EXPECT_EQ(SysErrorMessage(ENOENT), "No such file or directory");
    EXPECT_EQ(OsErrorInfo(ENOENT),
              "\r\n####> OS info\r\nError code: 2\r\nError message: No such file or directory");
    errno = EACCES;
    try {
        RaiseLastOSError();
    } catch (const EOSError& e) {
        EXPECT_EQ(e.Message(), "System Error.  Code: 13.\r\nPermission denied");
    }
}

TEST(ApplicationFolder, IsTheProgramsFolderUnlessSet)
{
    std::string exe = ApplicationExeName();
    EXPECT_TRUE(FileExists(exe));
    EXPECT_EQ(ApplicationFolder(), ExtractFilePath(exe));
    SetApplicationFolder("/opt/zv");
    EXPECT_EQ(ApplicationFolder(), "/opt/zv/");
    SetApplicationFolder("");
    EXPECT_EQ(ApplicationFolder(), ExtractFilePath(exe));
}
