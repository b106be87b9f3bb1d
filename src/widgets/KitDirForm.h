#pragma once
// Window: the kit's folder window, TKitDirForm, shown by TKitDirDlg and TKitBrowseDlg.
// A folder list with the drive list below it, OK, Cancel, an optional custom button and an
// optional New Folder button; for browsing also a status line and a box to type a folder in.
// New Folder asks for a name and creates that folder inside the list's current folder.

#include "platform/gui/FileCtrl.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"

#include <functional>
#include <string>

class TKitButton;

class TKitDirForm : public TForm {
public:
    explicit TKitDirForm(TComponent* owner);
    ~TKitDirForm() override;
    const char* ClassName() const noexcept override { return "TKitDirForm"; }
    static void RegisterClass();

    TLabel* PathLabel = nullptr;
    TLabel* DirLabel = nullptr;
    TDirectoryListBox* DirectoryList = nullptr;
    TLabel* DriveLabel = nullptr;
    TDriveComboBox* DriveList = nullptr;
    TLabel* StatusLabel = nullptr;
    TEdit* NameEdit = nullptr;
    TKitButton* OKButton = nullptr;
    TKitButton* CancelButton = nullptr;
    TKitButton* CustomButton = nullptr;
    TKitButton* NewFolderButton = nullptr;

    // Opens the folder, or else the nearest folder above it that can be listed, and chooses
    // its file system in the drive list.
    void StartAt(const std::string& folder);

    // How the current-folder label shows a path (unchanged when not set).
    std::function<std::string(const std::string& path)> ShowPath;
    // A folder could not be created or opened; null: a warning box "IO-Error!" tells the user.
    std::function<void(const std::string& message)> OnFolderError;
    // The current folder changed (opened in the list, a drive chosen, a new folder made).
    std::function<void()> OnFolderChanged;
    // The user selected another item of the folder list.
    std::function<void()> OnSelectionChanged;

    // Reports a folder fault through OnFolderError or the warning box.
    void ReportFolderError(const std::string& message);

    // ---- handlers
    void FormCreate(TObject* sender);
    void DirectoryListChange(TObject* sender);
    void DirectoryListClick(TObject* sender);
    void NewFolderButtonClick(TObject* sender);

private:
    void ShowCurrentFolder();
};
