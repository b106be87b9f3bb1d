#pragma once
// The kit's two folder-selection dialogs, both shown through the window layer's folder dialog
// (which also offers a new-folder command):
// - TKitDirDlg picks a local folder into Path. A folder that cannot be read is refused with a
//   report (OnFolderError, or a warning box) and the dialog opens again.
// - TKitBrowseDlg picks any mounted folder into SelectedFolder, shows the chosen path as its
//   status text and lets OnValidate refuse a choice (the dialog then opens again).
// Letter case is never changed in a returned folder: on this system another case names another
// folder. CharCase only changes how the path is shown in the status text.

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

// Sender, the browser (null: no native window here), the chosen path, the item (its display name).
using TKitBrowseDlgSelectionChangeEvent =
    std::function<void(TObject* sender, void* dialogHandle, const std::string& path, const std::string& item)>;
using TKitBrowseDlgEditValidateEvent = std::function<void(TObject* sender, const std::string& path, bool& cancel)>;

class TKitBrowseDlg : public TKitCustomComponent {
public:
    explicit TKitBrowseDlg(TComponent* owner) : TKitCustomComponent(owner) {}
    const char* ClassName() const noexcept override { return "TKitBrowseDlg"; }

    // ExecuteWithParent with the owner when it is a control, else the main window.
    bool Execute();
    // True when a folder was chosen (and not refused by OnValidate); SelectedFolder then holds it.
    bool ExecuteWithParent(TWinControl* parent);

    bool HasOption(TKitBrowseDlgOption option) const noexcept
    {
        return (Options & (uint64_t{1} << static_cast<int>(option))) != 0;
    }
    void SetOption(TKitBrowseDlgOption option, bool on);

    const std::string& StatusText() const noexcept { return statusText_; }
    void SetStatusText(const std::string& value) { statusText_ = value; }
    const std::string& SelectedFolder() const noexcept { return selectedFolder_; }
    void SetSelectedFolder(const std::string& value) { selectedFolder_ = value; }
    // The last name of the chosen folder.
    const std::string& DisplayName() const noexcept { return displayName_; }

    std::string Caption;
    std::string CaptionTitle;
    TKitSystemFolders StartFolder = TKitSystemFolders::bfoDesktopExpanded;
    uint64_t Options = (uint64_t{1} << static_cast<int>(TKitBrowseDlgOption::doReturnFileSysDirs)) |
                       (uint64_t{1} << static_cast<int>(TKitBrowseDlgOption::doShowPath));
    TKitDlgPosition Position = TKitDlgPosition::bpCenter;
    TKitDlgPosRel RelatePos = TKitDlgPosRel::brActiveWindow;
    TNotifyEvent OnInit;
    TKitBrowseDlgSelectionChangeEvent OnSelectionChanged;
    TKitBrowseDlgEditValidateEvent OnValidate;

private:
    std::string statusText_;
    std::string selectedFolder_;
    std::string displayName_;
};
