// File operations on a temporary tree (wildcards, pairs, collisions, errors in the system's
// words, the desktop's trash as its own tools list it) and file associations read back by the
// desktop's tools.

#include "GuiTestSupport.h"
#include "SuTestSupport.h"

#include "platform/rtl/Files.h"
#include "platform/rtl/Trash.h"
#include "sysutil/SuFileComponents.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include <cstdio>
#include <cstdlib>

namespace {

class FileOperationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        for (const char* name : {"src/a.txt", "src/b.txt", "src/c.log", "src/sub/d.txt"}) {
            ASSERT_TRUE(ForceDirectories(ExtractFilePath(folder_.Path(name))));
            ASSERT_TRUE(WriteFileAtomically(folder_.Path(name), name));
        }
        operation_.OnError = [this](TObject* sender, const std::string& text, bool&) {
            EXPECT_EQ(sender, &operation_);
            errors_.push_back(text);
        };
    }
    std::string Path(const std::string& name) const { return folder_.Path(name); }

    TKitTestFolder folder_;
    TSuFileOperation operation_{nullptr};
    std::vector<std::string> errors_;
};

TEST_F(FileOperationTest, CopyAndMoveWithWildcardsPairsAndCollisions)
{
    EXPECT_EQ(operation_.Operation(), TSuFileOperationType::fotCopy);
    EXPECT_EQ(operation_.Options(), TSuFileOperationFlags({TSuFileOperationFlag::fofAllowUndo, TSuFileOperationFlag::fofFilesOnly,
                                                           TSuFileOperationFlag::fofRenameCollision}));
    EXPECT_FALSE(operation_.Execute());  // an empty list does nothing

    // A wildcard takes files only (the folder "sub" is not matched by "*").
    operation_.FileList().Add(Path("src/*"));
    operation_.SetDestFolder(Path("out"));
    EXPECT_TRUE(operation_.Execute());
    EXPECT_EQ(FindFiles(Path("out"), "*"), (std::vector<std::string>{"a.txt", "b.txt", "c.log"}));
    EXPECT_FALSE(DirectoryExists(Path("out/sub")));
    // Again: the copies are renamed instead of overwriting.
    operation_.FileList().Clear();
    operation_.FileList().Add(Path("src/a.txt"));
    EXPECT_TRUE(operation_.Execute());
    EXPECT_EQ(ReadFileContents(Path("out/a (2).txt")), "src/a.txt");

    // Pairs: the destination is taken relative to DestFolder and completed from the source.
    operation_.FileList().Clear();
    operation_.FileList().Add(Path("src/a.txt") + "=pairs/*.bak");
    operation_.FileList().Add(Path("src/b.txt") + "=pairs/");
    operation_.FileList().Add(Path("src/c.log") + "=" + Path("abs//renamed"));
    operation_.SetOperation(TSuFileOperationType::fotMove);
    EXPECT_TRUE(operation_.Execute());
    EXPECT_EQ(ReadFileContents(Path("out/pairs/a.bak")), "src/a.txt");
    EXPECT_EQ(ReadFileContents(Path("out/pairs/b.txt")), "src/b.txt");
    EXPECT_EQ(ReadFileContents(Path("abs/renamed.log")), "src/c.log");
    EXPECT_FALSE(FileExists(Path("src/a.txt")));

    // Without collision renaming and confirmation a target that exists is left and reported.
    operation_.SetOperation(TSuFileOperationType::fotCopy);
    operation_.SetOptions({TSuFileOperationFlag::fofFilesOnly});
    operation_.FileList().Clear();
    operation_.FileList().Add(Path("out/b.txt"));
    operation_.SetDestFolder(Path("out/pairs"));
    EXPECT_FALSE(operation_.Execute());
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_NE(errors_[0].find("File exists"), std::string::npos) << errors_[0];
    operation_.SetOptions({TSuFileOperationFlag::fofNoConfirmation});
    WriteFileAtomically(Path("out/b.txt"), "newer");
    EXPECT_TRUE(operation_.Execute());
    EXPECT_EQ(ReadFileContents(Path("out/pairs/b.txt")), "newer");

    // Rename in place; a missing source is reported with the system's words.
    operation_.SetOperation(TSuFileOperationType::fotRename);
    operation_.FileList().Clear();
    operation_.FileList().Add(Path("src/sub"));
    operation_.SetDestFolder("renamed-sub");
    EXPECT_TRUE(operation_.Execute());
    EXPECT_TRUE(FileExists(Path("src/renamed-sub/d.txt")));
    operation_.FileList().Clear();
    operation_.FileList().Add(Path("src/none.txt"));
    EXPECT_FALSE(operation_.Execute());
    EXPECT_EQ(errors_.back(), "Cannot find \"" + Path("src/none.txt") + "\": No such file or directory");
}

TEST_F(FileOperationTest, UndoableDeletesGoToTheDesktopsTrashOthersAreGone)
{
    TEnvironmentValue data("XDG_DATA_HOME", Path("data"));
    operation_.SetOperation(TSuFileOperationType::fotDelete);
    operation_.FileList().Add(Path("src/*.txt"));
    EXPECT_TRUE(operation_.Execute());
    EXPECT_FALSE(FileExists(Path("src/a.txt")));
    EXPECT_EQ(ReadFileContents(TrashFolder() + "files/a.txt"), "src/a.txt");
    // The desktop's own tool lists what was trashed, with where it came from.
    const std::string listed = ShellOutput("dbus-run-session -- gio trash --list 2>/dev/null");
    EXPECT_NE(listed.find("trash:///a.txt\t" + Path("src/a.txt")), std::string::npos) << listed;
    EXPECT_NE(listed.find("trash:///b.txt\t" + Path("src/b.txt")), std::string::npos) << listed;

    // The same name again gets a name of its own in the trash.
    WriteFileAtomically(Path("src/a.txt"), "second");
    EXPECT_TRUE(operation_.Execute());
    EXPECT_EQ(ReadFileContents(TrashFolder() + "files/a.txt.2"), "second");

    operation_.SetOptions({});
    operation_.FileList().Clear();
    operation_.FileList().Add(Path("src/sub"));
    EXPECT_TRUE(operation_.Execute());
    EXPECT_FALSE(DirectoryExists(Path("src/sub")));
    EXPECT_FALSE(DirectoryExists(TrashFolder() + "files/sub"));
    EXPECT_TRUE(errors_.empty());
}

TEST(SuFileAssociation, TheDesktopsToolsSeeTheTypeAndItsDefaultHandler)
{
    TestApplication();
    TKitTestFolder folder;
    TEnvironmentValue data("XDG_DATA_HOME", folder.Path("data"));
    TEnvironmentValue config("XDG_CONFIG_HOME", folder.Path("config"));
    TEnvironmentValue desktop("XDG_CURRENT_DESKTOP", "");

    TSuFileAssociation association(nullptr);
    EXPECT_TRUE(association.ReadOnly());
    association.SetExtension("ZVT");
    EXPECT_EQ(association.Extension(), ".ZVT");
    EXPECT_FALSE(association.Read());
    // Read-only: changes are kept but nothing is written.
    association.SetOpenCommand("/opt/tracker/tracker \"%1\"");
    EXPECT_FALSE(FileExists(association.HandlerFileName()));

    association.SetReadOnly(false);
    association.SetFileDescription("Tracker ticket");
    association.SetIconFile("/opt/tracker/ticket.png");
    association.SetEditCommand("/opt/tracker/editor --edit %1");
    association.SetEditCommandDescription("Edit the ticket");
    EXPECT_EQ(association.ExtDescription(), "zvtfile");
    EXPECT_EQ(association.MimeType(), "application/x-zvtfile");
    ASSERT_TRUE(FileExists(association.HandlerFileName()));
    EXPECT_EQ(std::system(("desktop-file-validate '" + association.HandlerFileName() + "' >&2").c_str()), 0);
    EXPECT_EQ(ShellOutput("xdg-mime query default application/x-zvtfile"), "suassoc-zvt.desktop\n");
    EXPECT_NE(ShellOutput("grep -l 'application/x-zvtfile' '" + folder.Path("data/mime/globs2") + "'"), "");

    TSuFileAssociation again(nullptr);
    again.SetExtension(".zvt");
    EXPECT_EQ(again.ExtDescription(), "zvtfile");
    EXPECT_EQ(again.FileDescription(), "Tracker ticket");
    EXPECT_EQ(again.IconFile(), "/opt/tracker/ticket.png");
    EXPECT_EQ(again.OpenCommand(), "/opt/tracker/tracker \"%1\"");
    EXPECT_EQ(again.EditCommand(), "/opt/tracker/editor --edit \"%1\"");
    EXPECT_EQ(again.EditCommandDescription(), "Edit the ticket");

    // The icons come from the icon file when it can be read, else they are the stock ones.
    EXPECT_EQ(again.LargeIcon().Image().width(), 32);
    EXPECT_EQ(again.SmallIcon().Image().width(), 16);
    QImage red(64, 64, QImage::Format_ARGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(QString::fromStdString(folder.Path("ticket.png"))));
    again.SetReadOnly(false);
    again.SetIconFile(folder.Path("ticket.png"));
    EXPECT_TRUE(again.Read());
    EXPECT_EQ(again.LargeIcon().Image().pixelColor(16, 16), QColor(Qt::red));

    EXPECT_TRUE(again.Delete());
    EXPECT_FALSE(FileExists(again.HandlerFileName()));
    EXPECT_FALSE(again.Read());
    EXPECT_EQ(again.FileDescription(), "");  // nothing left of the old association
    EXPECT_EQ(again.OpenCommand(), "");
    EXPECT_FALSE(again.LargeIcon().Image().isNull());
}

}  // namespace
