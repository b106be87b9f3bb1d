#pragma once
// The kit's two folder-selection dialogs, both shown in the kit's folder window (TKitDirForm):
// - TKitDirDlg picks a local folder into Path: the folder the user opened in the folder list
//   when pressing OK. New Folder (AllowNewDir) creates a folder inside it. A folder that cannot
//   be created, opened or read is reported (OnFolderError, or a warning box) and the window
//   stays open.
// - TKitBrowseDlg picks the folder selected in the list into SelectedFolder. While it is open,
//   every new selection is shown in the status line (doShowPath) and told to
//   OnSelectionChanged; with doAllowEdit a folder can be typed, and a typed name that is no
//   folder goes to OnValidate, which keeps the window open by setting Cancel.
// Letter case is never changed in a returned folder: on this system another case names another
// folder. CharCase only changes how the path is shown in the current-folder label.

#include "widgets/KitDialogs.h"

#include <cstdint>
#include <functional>
#include <string>

enum class TKitCharCase { ccNormal, ccLowerCase, ccUpperCase };

class TKitDirDlg : public TKitBaseDialog {
public:
    explicit TKitDirDlg(TComponent* owner) : TKitBaseDialog(owner) {}
    const char* ClassName() const noexcept override { return "TKitDirDlg"; }

    // True when the user chose a readable folder; Path then holds it. Cancel leaves Path as it was.
    bool Execute() override;

    std::string InitialDir;
    std::string Path;
    bool AllowNewDir = false;
    bool ShowLabelDir = false;
    TKitCharCase CharCase = TKitCharCase::ccNormal;
    // Sender: this dialog; FolderError() names the folder and the fault.
    TNotifyEvent OnFolderError;
    const std::string& FolderError() const noexcept { return folderError_; }

    // The folder as shown (CharCase applied); never used as a file name.
    std::string DisplayPath(const std::string& folder) const;

    // The hint lines go, in order, to OK, the custom button, Cancel, the folder list, the drive
    // list and New Folder.

private:
    std::string folderError_;
};

enum class TKitSystemFolders {
    bfoDesktop, bfoDesktopExpanded, bfoPrograms, bfoControlPanel, bfoPrinters, bfoPersonal, bfoFavorites, bfoStartup,
    bfoRecent, bfoSendto, bfoRecycleBin, bfoStartMenu, bfoDesktopDirectory, bfoMyComputer, bfoNetwork,
    bfoNetworkNeighborhood, bfoInternet, bfoFonts, bfoTemplates, bfoCommonStartMenu, bfoCommonPrograms,
    bfoCommonStartup, bfoCommonDesktopDirectory, bfoAppData, bfoPrintHood, bfoAltStartup, bfoCommonAltstartup,
    bfoCommonFavorites, bfoInternetChache, bfoCookies, bfoHistory, bfoProfile, bfoConnections, bfoCommonMusic,
    bfoCommonPictures, bfoCommonVideos, bfoCDBurnArea, bfpProfiles
};

enum class TKitBrowseDlgOption {
    doBrowseForComputer, doBrowseForPrinter, doDontGoBelowDomain, doReturnFileSysAncestors, doReturnFileSysDirs,
    doStatusText, doShowFiles, doAllowEdit, doShowPath, doEnableOK, doNewGUI, doNewGUINoNewFolderBtn
};

// Sender, the browser window, the selected path, the item (its display name).
using TKitBrowseDlgSelectionChangeEvent =
    std::function<void(TObject* sender, void* dialogHandle, const std::string& path, const std::string& item)>;
using TKitBrowseDlgEditValidateEvent = std::function<void(TObject* sender, const std::string& path, bool& cancel)>;

class TKitBrowseDlg : public TKitCustomComponent {
public:
    explicit TKitBrowseDlg(TComponent* owner) : TKitCustomComponent(owner) {}
    const char* ClassName() const noexcept override { return "TKitBrowseDlg"; }

    // ExecuteWithParent with the owner when it is a control, else the main window.
    bool Execute();
    // True when a folder was chosen; SelectedFolder then holds it. The parent is accepted for
    // callers' sake; the window is placed by Position and RelatePos.
    bool ExecuteWithParent(TWinControl* parent);
    // The browser window while it is open, else null.
    TCustomForm* Form() const noexcept;

    bool HasOption(TKitBrowseDlgOption option) const noexcept
    {
        return (Options & (uint64_t{1} << static_cast<int>(option))) != 0;
    }
    void SetOption(TKitBrowseDlgOption option, bool on);

    const std::string& StatusText() const noexcept { return statusText_; }
    // While the browser is open the text shows in its status line at once.
    void SetStatusText(const std::string& value);
    const std::string& SelectedFolder() const noexcept { return selectedFolder_; }
    // While the browser is open it selects that folder at once (a folder it cannot open is
    // ignored there).
    void SetSelectedFolder(const std::string& value);
    // The last name of the chosen folder.
    const std::string& DisplayName() const noexcept { return displayName_; }

    std::string Caption;
    std::string CaptionTitle;
    // Kept for the form descriptions: this system's folders hang from one root, where the
    // browser starts when no SelectedFolder is set.
    TKitSystemFolders StartFolder = TKitSystemFolders::bfoDesktopExpanded;
    uint64_t Options = (uint64_t{1} << static_cast<int>(TKitBrowseDlgOption::doReturnFileSysDirs)) |
                       (uint64_t{1} << static_cast<int>(TKitBrowseDlgOption::doShowPath));
    TKitDlgPosition Position = TKitDlgPosition::bpCenter;
    TKitDlgPosRel RelatePos = TKitDlgPosRel::brActiveWindow;
    TNotifyEvent OnInit;
    TKitBrowseDlgSelectionChangeEvent OnSelectionChanged;
    TKitBrowseDlgEditValidateEvent OnValidate;

private:
    void SelectionChanged();
    std::string statusText_;
    std::string selectedFolder_;
    std::string displayName_;
    std::string lastSelection_;
    class TKitDirForm* form_ = nullptr;
};
