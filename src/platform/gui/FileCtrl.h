#pragma once
// The folder list and the drive list of folder-choosing windows.
//
// TDirectoryListBox shows its current folder (Directory) as a small tree: every folder from
// the root down to it, open, then its subfolders, closed (hidden folders, whose names start
// with ".", are left out). Selecting an item (a click, or ItemIndex) only selects it: the
// user opens it with a double-click or Enter (OpenCurrent in code), and it becomes the current
// folder. OnChange fires whenever the current folder changes, OnClick when the user selects
// another item.
//
// TDriveComboBox lists the mounted file systems (the drives of this system). Choosing one
// moves the linked folder list (DirList) to the file system's mount folder; a folder list that
// cannot go there keeps its folder.

#include "platform/gui/StdCtrls.h"

#include <functional>
#include <string>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

class TDirectoryListBox : public TWinControl {
public:
    explicit TDirectoryListBox(TComponent* owner);
    ~TDirectoryListBox() override;
    const char* ClassName() const noexcept override { return "TDirectoryListBox"; }

    const std::string& Directory() const noexcept { return directory_; }
    // Makes the folder the current one (a relative name is taken from the current folder) and
    // selects it. Throws EInOutError, leaving everything as it was, when it is not a folder
    // that can be listed.
    void SetDirectory(const std::string& folder);
    // The mount folder of the file system holding the current folder.
    std::string Drive() const;
    // Goes to the mount folder of another file system (EInOutError as SetDirectory).
    void SetDrive(const std::string& mountFolder);
    // Reads the subfolders of the current folder again.
    void Update();

    int Count() const noexcept { return static_cast<int>(entries_.size()); }
    // The name an item shows ("/" for the root).
    std::string Items(int index) const;
    // The full folder of an item.
    std::string GetItemPath(int index) const;
    int ItemIndex() const noexcept { return itemIndex_; }
    void SetItemIndex(int value);
    // The item of the current folder.
    int DirectoryIndex() const noexcept { return directoryIndex_; }
    // Opens the selected item, as a double-click does. A folder that cannot be opened goes to
    // OnOpenError when it is set, else the EInOutError reaches the caller.
    void OpenCurrent();

    int ItemHeight() const noexcept { return itemHeight_; }
    void SetItemHeight(int value);

    TNotifyEvent OnChange;
    std::function<void(const std::string& folder, const std::string& message)> OnOpenError;

    QTreeWidget* TreeWidget() const;

private:
    struct Entry {
        std::string Path;
        std::string Name;
        int Level = 0;
    };
    void Fill(const std::string& folder, std::vector<Entry> entries, int directoryIndex);
    void SelectRow(int index);

    std::string directory_;
    std::vector<Entry> entries_;
    std::vector<QTreeWidgetItem*> rows_;
    int itemIndex_ = -1;
    int directoryIndex_ = -1;
    int itemHeight_ = 16;
    int codeChange_ = 0;
};

// A mounted file system: its mount folder and the name shown for it.
struct TMountedFileSystem {
    std::string Folder;
    std::string Name;
};
// The mounted file systems of real storage, by mount folder.
std::vector<TMountedFileSystem> MountedFileSystems();
// The mount folder (of the given list) holding the folder: the longest one that contains it.
std::string MountFolderOf(const std::string& folder, const std::vector<TMountedFileSystem>& fileSystems);

class TDriveComboBox : public TComboBox {
public:
    explicit TDriveComboBox(TComponent* owner);
    const char* ClassName() const noexcept override { return "TDriveComboBox"; }

    // The mount folder of the chosen file system.
    std::string Drive() const;
    // Chooses the file system holding the folder; moves DirList there when it is another one.
    void SetDrive(const std::string& folder);
    TDirectoryListBox* DirList() const noexcept { return dirList_; }
    void SetDirList(TDirectoryListBox* value);
    // Lists the mounted file systems again.
    void Rescan();
    const std::vector<TMountedFileSystem>& FileSystems() const noexcept { return fileSystems_; }

    void Click() override;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    void MoveDirList();
    std::vector<TMountedFileSystem> fileSystems_;
    TDirectoryListBox* dirList_ = nullptr;
};

void RegisterFileControlClasses();
