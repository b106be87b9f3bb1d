// The kit's folder-selection dialogs, driven through their window's own lists and buttons.

#include "KitTestSupport.h"

#include "platform/classes/FormParser.h"
#include "platform/classes/PropertyRegistry.h"
#include "platform/gui/Dialogs.h"
#include "widgets/KitAbout.h"
#include "widgets/KitCustomButton.h"
#include "widgets/KitDirForm.h"
#include "widgets/KitFolderDialogs.h"
#include "widgets/KitProcs.h"

#include <QComboBox>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
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
        fs::create_directories(root_ / "Beta" / "Inner");
        fs::create_directories(root_ / ".hidden");
    }
    ~TempFolder()
    {
        std::error_code ignored;
        fs::permissions(root_ / "locked", fs::perms::owner_all, ignored);
        fs::remove_all(root_, ignored);
    }
    std::string Path(const std::string& name) const { return name.empty() ? root_.string() : (root_ / name).string(); }

private:
    fs::path root_;
};

// The folder list's item of that name, or -1.
int ItemOf(const TDirectoryListBox& list, const std::string& name)
{
    for (int i = 0; i < list.Count(); ++i) {
        if (list.Items(i) == name) {
            return i;
        }
    }
    return -1;
}

// What the user does in the folder list: a click selects an item, a double-click opens it.
void ClickItem(TDirectoryListBox& list, const std::string& name)
{
    const int index = ItemOf(list, name);
    ASSERT_GE(index, 0) << name;
    QTreeWidget* tree = list.TreeWidget();
    QTreeWidgetItem* item = nullptr;
    for (QTreeWidgetItemIterator it(tree); *it != nullptr; ++it) {
        if ((*it)->text(0) == QString::fromStdString(name)) {
            item = *it;
        }
    }
    ASSERT_NE(item, nullptr);
    tree->setCurrentItem(item);
    EXPECT_EQ(list.ItemIndex(), index);
}

void OpenItem(TDirectoryListBox& list, const std::string& name)
{
    ClickItem(list, name);
    emit list.TreeWidget()->itemActivated(list.TreeWidget()->currentItem(), 0);
}

// Runs `act` in the folder window once it is shown modally; a window that `act` left open is
// then cancelled, so that a failed step cannot hang the test.
void WhenShown(TKitDirForm& form, const std::function<void(TKitDirForm&)>& act)
{
    QTimer::singleShot(0, [&form, act] {
        act(form);
        if (form.Modal() && form.ModalResult() == TModalResult::mrNone) {
            form.SetModalResult(TModalResult::mrCancel);
        }
    });
}

void OnShown(TKitDirDlg& dialog, const std::function<void(TKitDirForm&)>& act)
{
    dialog.OnCustomize = [act](TObject* sender) {
        auto* form = dynamic_cast<TKitDirForm*>(sender);
        ASSERT_NE(form, nullptr);
        WhenShown(*form, act);
    };
}

void OnShown(TKitBrowseDlg& dialog, const std::function<void(TKitDirForm&)>& act, std::vector<std::string>* events = nullptr)
{
    dialog.OnInit = [&dialog, act, events](TObject* sender) {
        EXPECT_EQ(sender, &dialog);
        if (events != nullptr) {
            events->push_back("init");
        }
        auto* form = dynamic_cast<TKitDirForm*>(dialog.Form());
        ASSERT_NE(form, nullptr);
        WhenShown(*form, act);
    };
}

// Kept beside the build's program folder, for a person to look at.
void SaveScreenshot(TKitDirForm& form, const char* name)
{
    const fs::path artifacts = fs::path(ZV_STAGE_DIR).parent_path() / "test-artifacts";
    fs::create_directories(artifacts);
    EXPECT_TRUE(form.Grab().save(QString::fromStdString((artifacts / name).string())));
}

TEST(KitDirDlg, ChoosingAFolderThroughTheWindowsLists)
{
    TestMainForm();
    TempFolder temp;
    TKitDirDlg dialog(nullptr);
    dialog.InitialDir = temp.Path("");
    dialog.Path = "/previous";
    std::string caption;
    std::vector<std::string> shownItems;
    bool labelShown = true;
    OnShown(dialog, [&](TKitDirForm& form) {
        caption = form.Caption();
        labelShown = form.DirLabel->Visible();
        EXPECT_FALSE(form.NewFolderButton->Visible());
        EXPECT_FALSE(form.CustomButton->Visible());
        EXPECT_EQ(form.DirectoryList->Directory(), temp.Path(""));
        for (int i = form.DirectoryList->DirectoryIndex() + 1; i < form.DirectoryList->Count(); ++i) {
            shownItems.push_back(form.DirectoryList->Items(i));
        }
        OpenItem(*form.DirectoryList, "Beta");
        OpenItem(*form.DirectoryList, "Inner");
        ClickItem(*form.DirectoryList, "Beta");  // only selected: the open folder stays
        form.OKButton->Click();
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.Path, temp.Path("Beta/Inner"));
    EXPECT_EQ(caption, "Select Path...");
    EXPECT_FALSE(labelShown);
    EXPECT_EQ(shownItems, (std::vector<std::string>{"Beta", "Mixed Case"}));  // hidden folders left out
    EXPECT_EQ(dialog.Form(), nullptr);

    // Without InitialDir it starts at Path; Cancel leaves Path alone.
    dialog.InitialDir.clear();
    dialog.SetCaptionTitle("Database folder");
    OnShown(dialog, [&](TKitDirForm& form) {
        caption = form.Caption();
        EXPECT_EQ(form.DirectoryList->Directory(), temp.Path("Beta/Inner"));
        OpenItem(*form.DirectoryList, "Beta");
        form.CancelButton->Click();
    });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.Path, temp.Path("Beta/Inner"));
    EXPECT_EQ(caption, "Database folder");

    // A starting folder that is gone opens the nearest folder above it.
    dialog.Path = temp.Path("Beta/gone/deeper");
    OnShown(dialog, [&](TKitDirForm& form) {
        EXPECT_EQ(form.DirectoryList->Directory(), temp.Path("Beta"));
        form.CancelButton->Click();
    });
    EXPECT_FALSE(dialog.Execute());
}

TEST(KitDirDlg, CharCaseChangesOnlyTheShownFolder)
{
    TestMainForm();
    TempFolder temp;
    TKitDirDlg dialog(nullptr);
    dialog.CharCase = TKitCharCase::ccUpperCase;
    dialog.ShowLabelDir = true;
    dialog.InitialDir = temp.Path("Mixed Case");
    std::string label;
    OnShown(dialog, [&](TKitDirForm& form) {
        EXPECT_TRUE(form.DirLabel->Visible());
        label = form.DirLabel->Caption();
        SaveScreenshot(form, "dirdlg.png");
        form.OKButton->Click();
    });
    ASSERT_TRUE(dialog.Execute());
    // Upper-casing would name a folder that does not exist here.
    EXPECT_EQ(dialog.Path, temp.Path("Mixed Case"));
    EXPECT_EQ(label, KitShortenPath(dialog.DisplayPath(temp.Path("Mixed Case")), 40));
    EXPECT_NE(label.find("MIXED CASE"), std::string::npos);
    dialog.CharCase = TKitCharCase::ccLowerCase;
    EXPECT_EQ(dialog.DisplayPath("/a/Mixed"), "/a/mixed");
}

TEST(KitDirDlg, NewFolderCreatesTheFolderOrReportsWhyNot)
{
    TestMainForm();
    TempFolder temp;
    TKitDirDlg dialog(nullptr);
    dialog.AllowNewDir = true;
    dialog.InitialDir = temp.Path("");
    TDialogScript script;
    script.Answer(TDialogAnswer{TModalResult::mrOk, "Reports", clBlack, 0});
    OnShown(dialog, [&](TKitDirForm& form) {
        EXPECT_TRUE(form.NewFolderButton->Visible());
        form.NewFolderButton->Click();
        EXPECT_EQ(form.DirectoryList->Directory(), temp.Path("Reports"));
        form.OKButton->Click();
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_TRUE(fs::is_directory(temp.Path("Reports")));
    EXPECT_EQ(dialog.Path, temp.Path("Reports"));
    ASSERT_EQ(script.Records().size(), 1u);
    EXPECT_EQ(script.Records()[0].Kind, TDialogKind::dkInput);
    EXPECT_EQ(script.Records()[0].Caption, "New Folder");
    EXPECT_EQ(script.Records()[0].Text, "Name: (" + KitShortenPath(temp.Path(""), 36) + ")");

    // Names that cannot be made here: the warning box, and the window stays where it was.
    const struct {
        std::string name;
        bool refused;  // false: blank, nothing happens
    } cases[] = {{"Beta", true}, {"Beta/Inner2", true}, {"..", true}, {"   ", false}};
    for (const auto& c : cases) {
        script.ClearRecords();
        script.Answer(TDialogAnswer{TModalResult::mrOk, c.name, clBlack, 0});
        script.Answer(TModalResult::mrOk);  // the warning box
        std::string folderAfter;
        OnShown(dialog, [&](TKitDirForm& form) {
            form.NewFolderButton->Click();
            folderAfter = form.DirectoryList->Directory();
        });
        EXPECT_FALSE(dialog.Execute()) << c.name;
        EXPECT_EQ(folderAfter, temp.Path("")) << c.name;
        ASSERT_EQ(script.Records().size(), c.refused ? 2u : 1u) << c.name;
        if (c.refused) {
            EXPECT_EQ(script.Records()[1].Type, TMsgDlgType::mtWarning);
            EXPECT_EQ(script.Records()[1].Text, "IO-Error!\rCould not create folder.");
        }
        script.ClearRecords();
        while (script.Pending() > 0) {
            script.Take(TDialogRecord{}, TDialogAnswer{});
        }
    }
    EXPECT_FALSE(fs::exists(temp.Path("Beta/Inner2")));

    // With OnFolderError the handler hears of it instead of the user; a cancelled name box does nothing.
    std::vector<std::string> errors;
    dialog.OnFolderError = [&](TObject* sender) {
        EXPECT_EQ(sender, &dialog);
        errors.push_back(dialog.FolderError());
    };
    script.ClearRecords();
    script.Answer(TDialogAnswer{TModalResult::mrOk, "Mixed Case", clBlack, 0});
    script.Answer(TModalResult::mrCancel);
    OnShown(dialog, [&](TKitDirForm& form) {
        form.NewFolderButton->Click();
        form.NewFolderButton->Click();
    });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(errors, std::vector<std::string>{"Could not create folder."});
    EXPECT_EQ(script.Records().size(), 2u);  // the two name boxes, no warning
}

TEST(KitDirDlg, AFolderThatCannotBeOpenedOrHasGoneIsReported)
{
    TestMainForm();
    TempFolder temp;
    TKitDirDlg dialog(nullptr);
    dialog.Path = "/previous";
    dialog.InitialDir = temp.Path("");
    fs::create_directories(temp.Path("Doomed"));

    // Without a handler: a warning box, and the window stays open.
    {
        TDialogScript script;
        bool stayedOpen = false;
        OnShown(dialog, [&](TKitDirForm& form) {
            OpenItem(*form.DirectoryList, "Doomed");
            fs::remove(temp.Path("Doomed"));
            form.OKButton->Click();
            stayedOpen = form.ModalResult() == TModalResult::mrNone;
        });
        EXPECT_FALSE(dialog.Execute());
        EXPECT_TRUE(stayedOpen);
        EXPECT_EQ(dialog.Path, "/previous");
        ASSERT_EQ(script.Records().size(), 1u);
        EXPECT_EQ(script.Records()[0].Type, TMsgDlgType::mtWarning);
        EXPECT_NE(script.Records()[0].Text.find("IO-Error!\r"), std::string::npos);
        EXPECT_NE(script.Records()[0].Text.find("does not exist"), std::string::npos);
    }
    // With OnFolderError: an unreadable folder cannot be opened (root reads any folder).
    if (::geteuid() == 0) {
        return;
    }
    std::vector<std::string> errors;
    dialog.OnFolderError = [&](TObject*) { errors.push_back(dialog.FolderError()); };
    fs::create_directories(temp.Path("locked"));
    fs::permissions(temp.Path("locked"), fs::perms::none);
    TDialogScript script;
    OnShown(dialog, [&](TKitDirForm& form) {
        OpenItem(*form.DirectoryList, "locked");
        EXPECT_EQ(form.DirectoryList->Directory(), temp.Path(""));
        form.OKButton->Click();
    });
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.Path, temp.Path(""));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("cannot be read"), std::string::npos);
    EXPECT_TRUE(script.Records().empty());
}

TEST(KitDirDlg, HintsAndTheDriveList)
{
    TestMainForm();
    TempFolder temp;
    TKitDirDlg dialog(nullptr);
    // Start on another file system than the root one when there is a listed one at hand.
    const std::vector<TMountedFileSystem> mounted = MountedFileSystems();
    const bool shm = std::any_of(mounted.begin(), mounted.end(), [](const TMountedFileSystem& f) { return f.Folder == "/dev/shm"; });
    dialog.InitialDir = shm ? std::string("/dev/shm") : temp.Path("Beta");
    dialog.CustomButton = "More";
    for (const char* hint : {"ok", "custom", "cancel", "folders", "drives", "new", "unused"}) {
        dialog.HintLines().Add(hint);
    }
    OnShown(dialog, [&](TKitDirForm& form) {
        EXPECT_TRUE(form.ShowHint());
        EXPECT_TRUE(form.CustomButton->Visible());
        EXPECT_EQ(form.CustomButton->Caption(), "More");
        const std::pair<TControl*, const char*> hints[] = {
            {form.OKButton, "ok"},           {form.CustomButton, "custom"}, {form.CancelButton, "cancel"},
            {form.DirectoryList, "folders"}, {form.DriveList, "drives"},    {form.NewFolderButton, "new"}};
        for (const auto& [control, hint] : hints) {
            EXPECT_EQ(control->Hint(), hint) << control->Name();
        }
        // The drive list holds the root file system and shows the one of the open folder.
        TDriveComboBox& drives = *form.DriveList;
        EXPECT_EQ(drives.Drive(), MountFolderOf(dialog.InitialDir, drives.FileSystems()));
        int root = -1;
        for (size_t i = 0; i < drives.FileSystems().size(); ++i) {
            if (drives.FileSystems()[i].Folder == "/") {
                root = static_cast<int>(i);
            }
        }
        ASSERT_GE(root, 0);
        // Choosing another file system moves the folder list to its mount folder.
        if (drives.Drive() != "/") {
            drives.ComboWidget()->setCurrentIndex(root);
            emit drives.ComboWidget()->activated(root);
            EXPECT_EQ(form.DirectoryList->Directory(), "/");
        }
        form.CancelButton->Click();
    });
    EXPECT_FALSE(dialog.Execute());
}

TEST(KitDirDlg, MountFolderOfTakesTheLongestMountHoldingTheFolder)
{
    const std::vector<TMountedFileSystem> mounts = {{"/", "/"}, {"/home", "/home"}, {"/home/user/usb", "usb"}};
    const std::pair<const char*, const char*> cases[] = {
        {"/", "/"},
        {"/etc", "/"},
        {"/home", "/home"},
        {"/homework", "/"},  // a name that only begins like a mount folder
        {"/home/user/usb/photos", "/home/user/usb"},
        {"/home/user", "/home"},
    };
    for (const auto& [folder, mount] : cases) {
        EXPECT_EQ(MountFolderOf(folder, mounts), mount) << folder;
    }
}

// ---------------------------------------------------------------------------------------------

TEST(KitBrowseDlg, LiveSelectionStatusTextAndEventsInOrder)
{
    TestMainForm();
    TempFolder temp;
    const std::string deep = "a rather long folder name/and another one below it";
    fs::create_directories(temp.Path(deep));
    TKitBrowseDlg dialog(nullptr);
    dialog.CaptionTitle = "Network folder";
    dialog.Caption = "Choose the folder of the databases:";
    dialog.SetSelectedFolder(temp.Path(""));
    std::vector<std::string> events;
    dialog.OnSelectionChanged = [&](TObject* sender, void* window, const std::string& path, const std::string& item) {
        EXPECT_EQ(sender, &dialog);
        EXPECT_EQ(window, dialog.Form());
        events.push_back("selection " + path + "|" + item);
    };
    bool okAtInit = true;
    std::string caption;
    std::string statusShown;
    OnShown(dialog, [&](TKitDirForm& form) {
        caption = form.Caption();
        EXPECT_EQ(form.PathLabel->Caption(), "Choose the folder of the databases:");
        EXPECT_TRUE(form.StatusLabel->Visible());
        EXPECT_FALSE(form.NameEdit->Visible());
        EXPECT_TRUE(form.OKButton->Enabled());  // enabled by the first selection
        OpenItem(*form.DirectoryList, "a rather long folder name");
        ClickItem(*form.DirectoryList, "and another one below it");
        statusShown = form.StatusLabel->Caption();
        SaveScreenshot(form, "browsedlg.png");
        form.OKButton->Click();
    }, &events);
    // OnInit runs before the first selection notice: OK is still off then (no doEnableOK).
    const TNotifyEvent init = dialog.OnInit;
    dialog.OnInit = [&](TObject* sender) {
        okAtInit = dynamic_cast<TKitDirForm*>(dialog.Form())->OKButton->Enabled();
        init(sender);
    };
    ASSERT_TRUE(dialog.Execute());
    const std::string chosen = temp.Path(deep);
    EXPECT_EQ(dialog.SelectedFolder(), chosen);  // the selected item, not the open folder
    EXPECT_EQ(dialog.DisplayName(), "and another one below it");
    EXPECT_EQ(dialog.StatusText(), KitShortenPath(chosen, 40));
    EXPECT_EQ(statusShown, dialog.StatusText());
    EXPECT_LE(dialog.StatusText().size(), 40u);
    EXPECT_EQ(caption, "Network folder");
    EXPECT_FALSE(okAtInit);
    const std::string opened = temp.Path("a rather long folder name");
    EXPECT_EQ(events, (std::vector<std::string>{"init", "selection " + temp.Path("") + "|" + fs::path(temp.Path("")).filename().string(),
                                                "selection " + opened + "|a rather long folder name",
                                                "selection " + chosen + "|and another one below it"}));
    EXPECT_EQ(dialog.Form(), nullptr);

    // Without doShowPath the status text stays; Cancel keeps the old folder.
    dialog.SetOption(TKitBrowseDlgOption::doShowPath, false);
    dialog.OnSelectionChanged = nullptr;
    dialog.SetStatusText("kept");
    OnShown(dialog, [&](TKitDirForm& form) {
        EXPECT_FALSE(form.StatusLabel->Visible());
        ClickItem(*form.DirectoryList, "a rather long folder name");
        form.CancelButton->Click();
    });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.StatusText(), "kept");
    EXPECT_EQ(dialog.SelectedFolder(), chosen);
}

TEST(KitBrowseDlg, StatusTextAndSelectionSetWhileOpenReachTheWindow)
{
    TestMainForm();
    TempFolder temp;
    TKitBrowseDlg dialog(nullptr);
    dialog.SetOption(TKitBrowseDlgOption::doEnableOK, true);
    dialog.SetOption(TKitBrowseDlgOption::doShowPath, false);
    dialog.SetOption(TKitBrowseDlgOption::doStatusText, true);
    OnShown(dialog, [&](TKitDirForm& form) {
        EXPECT_EQ(form.Caption(), "Browse for Folder");
        EXPECT_EQ(form.DirectoryList->Directory(), "/");  // no selection: the root
        EXPECT_TRUE(form.OKButton->Enabled());
        dialog.SetStatusText("Looking for the databases");
        EXPECT_EQ(form.StatusLabel->Caption(), "Looking for the databases");
        dialog.SetSelectedFolder(temp.Path("Mixed Case"));
        EXPECT_EQ(form.DirectoryList->Directory(), temp.Path("Mixed Case"));
        dialog.SetSelectedFolder(temp.Path("not there"));  // ignored by the open window
        EXPECT_EQ(form.DirectoryList->Directory(), temp.Path("Mixed Case"));
        form.OKButton->Click();
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.SelectedFolder(), temp.Path("Mixed Case"));
}

TEST(KitBrowseDlg, OnValidateDecidesAboutATypedNameThatIsNoFolder)
{
    TestMainForm();
    TempFolder temp;
    TKitBrowseDlg dialog(nullptr);
    dialog.SetOption(TKitBrowseDlgOption::doAllowEdit, true);
    dialog.SetSelectedFolder(temp.Path(""));
    std::vector<std::string> asked;
    bool refuse = true;
    dialog.OnValidate = [&](TObject* sender, const std::string& path, bool& cancel) {
        EXPECT_EQ(sender, &dialog);
        asked.push_back(path);
        cancel = refuse;
    };
    bool stayedOpen = false;
    OnShown(dialog, [&](TKitDirForm& form) {
        ASSERT_TRUE(form.NameEdit->Visible());
        form.NameEdit->SetText("no such folder");
        form.OKButton->Click();
        stayedOpen = form.ModalResult() == TModalResult::mrNone;
        form.NameEdit->SetText(" Beta/Inner ");  // a folder below the selection: no question
        form.OKButton->Click();
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(dialog.SelectedFolder(), temp.Path("Beta/Inner"));
    EXPECT_EQ(asked, std::vector<std::string>{"no such folder"});

    // Not cancelled: the window closes and no folder is chosen.
    refuse = false;
    OnShown(dialog, [&](TKitDirForm& form) {
        form.NameEdit->SetText("/no/such/folder");
        form.OKButton->Click();
    });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.SelectedFolder(), temp.Path("Beta/Inner"));
    EXPECT_EQ(asked.back(), "/no/such/folder");
}

TEST(KitBrowseDlg, ALongPathIsReturnedWhole)
{
    TestMainForm();
    TempFolder temp;
    std::string relative;
    while (relative.size() < 300) {
        relative += (relative.empty() ? "" : "/") + std::string(40, 'x');
    }
    fs::create_directories(temp.Path(relative));
    TKitBrowseDlg dialog(nullptr);
    dialog.SetSelectedFolder(temp.Path(relative));
    OnShown(dialog, [](TKitDirForm& form) { form.OKButton->Click(); });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.SelectedFolder(), temp.Path(relative));
    EXPECT_TRUE(fs::is_directory(dialog.SelectedFolder()));
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
    TKitAboutDlg about(nullptr);
    for (const char* name : {"Hints", "Effect", "OnCustomize", "Icon", "IconStyle", "Style", "UseResVersionInfoStyle"}) {
        EXPECT_NE(FindPublishedProperty(about, name), nullptr) << name;
    }
    EXPECT_NE(FindPublishedProperty(dir, "Hints"), nullptr);
}

}  // namespace
