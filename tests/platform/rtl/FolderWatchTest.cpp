// Watching a folder tree: which file operations each filter reports (in the folder, and in a
// sub-folder with and without the subtree), folders made or renamed in the tree, a watched
// folder that goes away, and the wake-up.
//
// Each case ends with a sentinel: an operation the filter surely reports, on a name of its
// own. Reading changes up to the sentinel gives exactly what the case's operation reported,
// without waiting for a guessed time.

#include "TestFolder.h"

#include "platform/rtl/FolderWatch.h"

#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

using ::testing::ElementsAre;
namespace fs = std::filesystem;

namespace {

constexpr int kPatience = 20000;  // milliseconds; only against a hang

void Append(const std::string& fileName, const std::string& text)
{
    std::ofstream(fileName, std::ios::binary | std::ios::app) << text;
}

// The folder tree of every case: a file, an empty folder and a sub-folder holding the same.
void MakeTree(const std::string& root)
{
    for (const char* folder : {"", "sub/"}) {
        fs::create_directories(root + folder + "empty");
        TestFolder::WriteFile(root + folder + "file.txt", "text");
    }
    TestFolder::WriteFile(root + "zz-sentinel", "");
}

// The sentinel of a filter: an operation on "zz-sentinel*" that it reports.
std::string Sentinel(const std::string& root, unsigned filter)
{
    if (filter & FolderChange::FileName) {
        TestFolder::WriteFile(root + "zz-sentinel-new", "");
        return "zz-sentinel-new";
    }
    if (filter & FolderChange::DirName) {
        fs::create_directory(root + "zz-sentinel-dir");
        return "zz-sentinel-dir";
    }
    if (filter & (FolderChange::Attributes | FolderChange::Security)) {
        fs::permissions(root + "zz-sentinel", fs::perms::owner_exec, fs::perm_options::add);
    } else {
        Append(root + "zz-sentinel", "x");
    }
    return "zz-sentinel";
}

// The names of the changes before the sentinel's.
std::vector<std::string> ChangesUpToSentinel(TFolderWatch& watch, const std::string& sentinel)
{
    TWakeUpEvent wake;
    std::vector<std::string> names;
    std::vector<TFolderChange> changes;
    while (watch.Wait(wake, changes, kPatience) == TFolderWatchWait::Changes) {
        for (const TFolderChange& change : changes) {
            if (change.Name == sentinel) {
                return names;
            }
            names.push_back(change.Name);
        }
        changes.clear();
    }
    ADD_FAILURE() << "the sentinel " << sentinel << " was not reported";
    return names;
}

struct TOperation {
    const char* Name;
    std::function<void(const std::string& folder)> Run;
    const char* Target;  // the name the change carries
    unsigned SeenBy;     // the filter bits that report it
};

const std::vector<TOperation>& Operations()
{
    using namespace FolderChange;
    static const std::vector<TOperation> operations = {
        {"create a file", [](const std::string& f) { TestFolder::WriteFile(f + "new.txt", "new"); }, "new.txt",
         FileName | Size | LastWrite},
        {"delete a file", [](const std::string& f) { fs::remove(f + "file.txt"); }, "file.txt", FileName},
        {"rename a file", [](const std::string& f) { fs::rename(f + "file.txt", f + "renamed.txt"); }, "file.txt",
         FileName},
        {"write a file", [](const std::string& f) { Append(f + "file.txt", " more"); }, "file.txt", Size | LastWrite},
        {"change its permissions",
         [](const std::string& f) { fs::permissions(f + "file.txt", fs::perms::owner_exec, fs::perm_options::add); },
         "file.txt", Attributes | Security},
        {"create a folder", [](const std::string& f) { fs::create_directory(f + "newdir"); }, "newdir", DirName},
        {"delete a folder", [](const std::string& f) { fs::remove(f + "empty"); }, "empty", DirName},
        {"rename a folder", [](const std::string& f) { fs::rename(f + "empty", f + "moved"); }, "empty", DirName},
    };
    return operations;
}

TEST(FolderWatchTest, EachFilterReportsTheOperationsOfItsKindOnceWhereTheWatchReaches)
{
    using namespace FolderChange;
    struct TPlace {
        const char* Name;
        const char* Folder;
        bool SubTree;
        bool Reported;
    };
    const TPlace places[] = {
        {"in the folder", "", false, true},
        {"in a sub-folder, subtree watched", "sub/", true, true},
        {"in a sub-folder, subtree not watched", "sub/", false, false},
    };
    for (const unsigned filter : {FileName, DirName, Attributes, Size, LastWrite, Security}) {
        for (const TPlace& place : places) {
            for (const TOperation& operation : Operations()) {
                SCOPED_TRACE(std::string(operation.Name) + " " + place.Name + ", filter " + std::to_string(filter));
                TestFolder folder;
                MakeTree(folder.Path());
                TFolderWatch watch;
                ASSERT_TRUE(watch.Open(folder.Path(), place.SubTree, filter));
                operation.Run(folder.Path() + place.Folder);
                const std::string sentinel = Sentinel(folder.Path(), filter);
                std::vector<std::string> expected;
                if (place.Reported && (operation.SeenBy & filter) != 0) {
                    expected.push_back(std::string(place.Folder) + operation.Target);
                }
                EXPECT_EQ(ChangesUpToSentinel(watch, sentinel), expected);
            }
        }
    }
}

TEST(FolderWatchTest, DeletingAndRecreatingAFileIsTwoChanges)
{
    TestFolder folder;
    MakeTree(folder.Path());
    TFolderWatch watch;
    ASSERT_TRUE(watch.Open(folder.Path(), true, FolderChange::FileName));
    fs::remove(folder / "file.txt");
    TestFolder::WriteFile(folder / "file.txt", "again");
    EXPECT_THAT(ChangesUpToSentinel(watch, Sentinel(folder.Path(), FolderChange::FileName)),
                ElementsAre("file.txt", "file.txt"));
}

TEST(FolderWatchTest, FoldersMadeOrRenamedInTheTreeAreWatchedUnderTheirNewNames)
{
    TestFolder folder;
    MakeTree(folder.Path());
    TFolderWatch watch;
    ASSERT_TRUE(watch.Open(folder.Path(), true, FolderChange::FileName | FolderChange::DirName));
    // Made with a file already in it by the time the watch takes it in, or after.
    fs::create_directories(folder / "made/deeper");
    TestFolder::WriteFile(folder / "made/deeper/early.txt", "");
    fs::rename(folder / "sub", folder / "renamed");
    TestFolder::WriteFile(folder / "renamed/late.txt", "");
    const std::vector<std::string> names = ChangesUpToSentinel(watch, Sentinel(folder.Path(), FolderChange::FileName));
    EXPECT_THAT(names, ::testing::IsSupersetOf({"made", "made/deeper", "made/deeper/early.txt", "sub", "renamed/late.txt"}));
    EXPECT_EQ(std::count(names.begin(), names.end(), "sub"), 1) << "a rename is one change";
}

TEST(FolderWatchTest, AFolderThatCannotBeWatchedFailsAndAWatchedFolderThatGoesEndsTheWait)
{
    TestFolder folder;
    MakeTree(folder.Path());
    TFolderWatch watch;
    EXPECT_FALSE(watch.Open(folder / "missing", true, FolderChange::All));
    EXPECT_FALSE(watch.Open(folder / "file.txt", true, FolderChange::All));
    EXPECT_FALSE(watch.IsOpen());

    ASSERT_TRUE(watch.Open(folder / "sub", true, FolderChange::FileName));
    fs::remove_all(folder / "sub");
    TWakeUpEvent wake;
    std::vector<TFolderChange> changes;
    TFolderWatchWait result;
    while ((result = watch.Wait(wake, changes, kPatience)) == TFolderWatchWait::Changes) {
    }
    EXPECT_EQ(result, TFolderWatchWait::Failed);
    EXPECT_THAT(changes, ::testing::Contains(::testing::Field(&TFolderChange::Name, "file.txt")));
}

TEST(FolderWatchTest, TheWakeUpEndsAWaitAndStaysSetUntilReset)
{
    TestFolder folder;
    TFolderWatch watch;
    ASSERT_TRUE(watch.Open(folder.Path(), false, FolderChange::All));
    TWakeUpEvent wake;
    std::vector<TFolderChange> changes;
    EXPECT_EQ(watch.Wait(wake, changes, 0), TFolderWatchWait::TimedOut);
    wake.SetEvent();
    wake.SetEvent();
    EXPECT_TRUE(wake.IsSet());
    EXPECT_EQ(watch.Wait(wake, changes, kPatience), TFolderWatchWait::Woken);
    EXPECT_EQ(watch.Wait(wake, changes, kPatience), TFolderWatchWait::Woken);
    wake.ResetEvent();
    EXPECT_FALSE(wake.IsSet());
    EXPECT_EQ(watch.Wait(wake, changes, 0), TFolderWatchWait::TimedOut);
    EXPECT_TRUE(changes.empty());
}

}  // namespace
