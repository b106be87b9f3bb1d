// The kit's folder-selection dialogs, answered from the dialog queue.

#include "KitTestSupport.h"

#include "platform/classes/FormParser.h"
#include "platform/classes/PropertyRegistry.h"
#include "platform/gui/Dialogs.h"
#include "widgets/KitFolderDialogs.h"
#include "widgets/KitProcs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class TempFolder {
public:
    TempFolder()
    {
        root_ = fs::temp_directory_path() / ("kitdirdlg_" + std::to_string(::getpid()));
        fs::create_directories(root_ / "Mixed Case");
    }
    ~TempFolder()
    {
        std::error_code ignored;
        fs::permissions(root_ / "locked", fs::perms::owner_all, ignored);
        fs::remove_all(root_, ignored);
    }
    std::string Path(const std::string& name) const { return (root_ / name).string(); }

private:
    fs::path root_;
};

TDialogAnswer Choose(const std::string& folder) { return TDialogAnswer{TModalResult::mrOk, folder, clBlack, 0}; }

TEST(KitDirDlg, ReturnsTheChosenFolderAndStartsWhereAsked)
{
    TestApplication();
    TempFolder temp;
    TKitDirDlg dialog(nullptr);
    dialog.Path = "/previous";

    TDialogScript script;
    script.Answer(TModalResult::mrCancel);
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.Path, "/previous");  // Cancel leaves Path alone
    ASSERT_EQ(script.Records().size(), 1u);
    EXPECT_EQ(script.Records()[0].Kind, TDialogKind::dkFolder);
    EXPECT_EQ(script.Records()[0].Caption, "Select Path...");
    EXPECT_EQ(script.Records()[0].Text, "/previous");  // no InitialDir: starts at Path

    script.ClearRecords();
    dialog.InitialDir = temp.Path("");
    dialog.SetCaptionTitle("Database folder");
    script.Answer(Choose(temp.Path("Mixed Case")));
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.Path, temp.Path("Mixed Case"));
    EXPECT_EQ(script.Records()[0].Caption, "Database folder");
    EXPECT_EQ(script.Records()[0].Text, temp.Path(""));
}

TEST(KitDirDlg, CharCaseNeverChangesTheReturnedFolder)
{
    TestApplication();
    TempFolder temp;
    TKitDirDlg dialog(nullptr);
    dialog.CharCase = TKitCharCase::ccUpperCase;
    TDialogScript script;
    script.Answer(Choose(temp.Path("Mixed Case")));
    ASSERT_TRUE(dialog.Execute());
    // Upper-casing would name a folder that does not exist here.
    EXPECT_EQ(dialog.Path, temp.Path("Mixed Case"));
    EXPECT_EQ(dialog.DisplayPath("/a/Mixed"), "/A/MIXED");
    dialog.CharCase = TKitCharCase::ccLowerCase;
    EXPECT_EQ(dialog.DisplayPath("/a/Mixed"), "/a/mixed");
}

TEST(KitDirDlg, UnreadableFolderIsReportedAndTheDialogOpensAgain)
{
    TestApplication();
    TempFolder temp;
    TKitDirDlg dialog(nullptr);
    dialog.Path = "/previous";

    // Without a handler: a warning box, then the dialog again (cancelled here).
    {
        TDialogScript script;
        script.Answer(Choose(temp.Path("missing")));
        script.Answer(TModalResult::mrOk);      // the warning box
        script.Answer(TModalResult::mrCancel);  // the dialog, opened again
        EXPECT_FALSE(dialog.Execute());
        EXPECT_EQ(dialog.Path, "/previous");
        ASSERT_EQ(script.Records().size(), 3u);
        EXPECT_EQ(script.Records()[1].Kind, TDialogKind::dkMessage);
        EXPECT_NE(script.Records()[1].Text.find("IO-Error!"), std::string::npos);
        EXPECT_NE(script.Records()[1].Text.find("missing"), std::string::npos);
        EXPECT_EQ(script.Records()[2].Kind, TDialogKind::dkFolder);
    }
    // With OnFolderError: the handler hears of it instead of the box; a readable folder then ends it.
    std::vector<std::string> errors;
    dialog.OnFolderError = [&](TObject* sender) {
        EXPECT_EQ(sender, &dialog);
        errors.push_back(dialog.FolderError());
    };
    const bool canLock = ::geteuid() != 0;  // root reads any folder
    fs::create_directories(temp.Path("locked"));
    fs::permissions(temp.Path("locked"), fs::perms::none);
    TDialogScript script;
    script.Answer(Choose(temp.Path("missing")));
    if (canLock) {
        script.Answer(Choose(temp.Path("locked")));
    }
    script.Answer(Choose(temp.Path("Mixed Case")));
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.Path, temp.Path("Mixed Case"));
    ASSERT_EQ(errors.size(), canLock ? 2u : 1u);
    EXPECT_NE(errors[0].find("does not exist"), std::string::npos);
    if (canLock) {
        EXPECT_NE(errors[1].find("cannot be read"), std::string::npos);
    }
    for (const TDialogRecord& record : script.Records()) {
        EXPECT_EQ(record.Kind, TDialogKind::dkFolder);
    }
}

TEST(KitBrowseDlg, ChoiceStatusTextAndEvents)
{
    TestApplication();
    TKitBrowseDlg dialog(nullptr);
    dialog.CaptionTitle = "Network folder";
    dialog.SetSelectedFolder("/start");
    int inits = 0;
    std::vector<std::string> changes;
    dialog.OnInit = [&](TObject*) { ++inits; };
    dialog.OnSelectionChanged = [&](TObject*, void*, const std::string& path, const std::string& item) {
        changes.push_back(path + "|" + item);
    };

    TDialogScript script;
    const std::string deep = "/srv/share/projects/tracker/databases/current";
    script.Answer(Choose("  " + deep + "  "));
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.SelectedFolder(), deep);  // trimmed
    EXPECT_EQ(dialog.DisplayName(), "current");
    EXPECT_EQ(dialog.StatusText(), KitShortenPath(deep, 40));
    EXPECT_LE(dialog.StatusText().size(), 40u);
    EXPECT_EQ(inits, 1);
    EXPECT_EQ(changes, std::vector<std::string>{deep + "|current"});
    EXPECT_EQ(script.Records()[0].Caption, "Network folder");
    EXPECT_EQ(script.Records()[0].Text, "/start");

    // Without doShowPath the status text stays; a cancelled browser keeps the old folder.
    dialog.SetOption(TKitBrowseDlgOption::doShowPath, false);
    dialog.SetStatusText("kept");
    script.Answer(Choose("/other"));
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.StatusText(), "kept");
    script.Answer(TModalResult::mrCancel);
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.SelectedFolder(), "/other");
}

TEST(KitBrowseDlg, OnValidateRefusesAChoiceAndTheBrowserOpensAgain)
{
    TestApplication();
    TKitBrowseDlg dialog(nullptr);
    dialog.SetSelectedFolder("/kept");
    std::vector<std::string> asked;
    dialog.OnValidate = [&](TObject*, const std::string& path, bool& cancel) {
        asked.push_back(path);
        cancel = path == "/refused";
    };
    TDialogScript script;
    script.Answer(Choose("/refused"));
    script.Answer(TModalResult::mrCancel);
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.SelectedFolder(), "/kept");
    ASSERT_EQ(script.Records().size(), 2u);
    EXPECT_EQ(script.Records()[1].Text, "/refused");  // reopened at the refused folder

    script.Answer(Choose("/refused"));
    script.Answer(Choose("/accepted"));
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.SelectedFolder(), "/accepted");
    EXPECT_EQ(asked, (std::vector<std::string>{"/refused", "/refused", "/accepted"}));
}

TEST(KitFolderDialogs, FormDescriptionSetsTheirProperties)
{
    RegisterKitDialogClasses();
    TKitBrowseDlg browse(nullptr);
    EXPECT_TRUE(browse.HasOption(TKitBrowseDlgOption::doReturnFileSysDirs));
    EXPECT_TRUE(browse.HasOption(TKitBrowseDlgOption::doShowPath));
    EXPECT_FALSE(browse.HasOption(TKitBrowseDlgOption::doBrowseForComputer));
    const TPropertyInfo* options = FindPublishedProperty(browse, "Options");
    ASSERT_NE(options, nullptr);
    const TPropertyInfo* relate = FindPublishedProperty(browse, "RelatePos");
    ASSERT_NE(relate, nullptr);
    TKitDirDlg dir(nullptr);
    EXPECT_NE(FindPublishedProperty(dir, "CharCase"), nullptr);
    EXPECT_NE(FindPublishedProperty(dir, "InitialDir"), nullptr);
}

}  // namespace
