#pragma once
// The utility kit's file components: TSuFileOperation copies, moves, renames and deletes
// files (with wildcards, renaming on collision, and the desktop's trash for undoable deletes),
// and TSuFileAssociation ties a file extension to commands of a program.
//
// File operations run without dialogs: a target that exists is renamed ("name (2).ext") with
// fofRenameCollision, replaced with fofNoConfirmation, and otherwise left alone and reported.
// Every failure goes to OnError with the system's own words for it.
//
// A file association is a file type of the desktop (shared-mime-info, in the user's data
// folder) named "application/x-" + ExtDescription, and a handler desktop entry that opens it
// with OpenCommand ("%1" stands for the file) and offers the other commands as its actions;
// the handler is made the type's default with the desktop's own tools. The icon is the
// handler's icon (IconIndex has no meaning for icon files on this desktop and is only stored);
// LargeIcon and SmallIcon are read from it, or are the desktop's stock icons without one.

#include "platform/gui/Graphics.h"
#include "platform/rtl/Classes.h"
#include "platform/db/DBTypes.h"
#include "sysutil/SuComponents.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

enum class TSuFileOperationType { fotCopy, fotDelete, fotMove, fotRename };
enum class TSuFileOperationFlag {
    fofAllowUndo,
    fofFilesOnly,
    fofNoConfirmation,
    fofNoConfirmMkDir,
    fofNoErrorUI,
    fofRenameCollision,
    fofSilent,
    fofSimpleProgress
};
using TSuFileOperationFlags = TEnumSet<TSuFileOperationFlag>;
using TSuFileOperationEvent = std::function<void(TObject* sender, const std::string& text, bool& handled)>;

class TSuFileOperation : public TSuComponent {
public:
    explicit TSuFileOperation(TComponent* owner) : TSuComponent(owner) {}
    const char* ClassName() const noexcept override { return "TSuFileOperation"; }
    static void RegisterClass();

    TStringList& FileList() noexcept { return fileList_; }
    const std::string& DestFolder() const noexcept { return destFolder_; }
    void SetDestFolder(const std::string& value) { destFolder_ = value; }
    const std::string& ProgressTitle() const noexcept { return progressTitle_; }
    void SetProgressTitle(const std::string& value) { progressTitle_ = value; }
    TSuFileOperationType Operation() const noexcept { return operation_; }
    void SetOperation(TSuFileOperationType value) { operation_ = value; }
    TSuFileOperationFlags Options() const noexcept { return options_; }
    void SetOptions(TSuFileOperationFlags value) { options_ = value; }
    TSuFileOperationEvent OnError;

    // Runs Operation on every entry of FileList; true when nothing failed. An empty list does
    // nothing (false).
    bool Execute();

private:
    bool Report(const std::string& text);
    bool ProcessOne(const std::string& source, const std::string& target, bool targetIsFolder);

    TStringList fileList_;
    std::string destFolder_;
    std::string progressTitle_;
    TSuFileOperationType operation_ = TSuFileOperationType::fotCopy;
    TSuFileOperationFlags options_{TSuFileOperationFlag::fofAllowUndo, TSuFileOperationFlag::fofFilesOnly,
                                   TSuFileOperationFlag::fofRenameCollision};
};

class TSuFileAssociation : public TSuComponent {
public:
    explicit TSuFileAssociation(TComponent* owner) : TSuComponent(owner) {}
    const char* ClassName() const noexcept override { return "TSuFileAssociation"; }
    static void RegisterClass();

    const std::string& Extension() const noexcept { return extension_; }
    // Adds the leading "." when missing and reads the association of the new extension.
    void SetExtension(const std::string& value);
    const std::string& ExtDescription() const noexcept { return extDescription_; }
    void SetExtDescription(const std::string& value) { Change(extDescription_, value); }
    const std::string& FileDescription() const noexcept { return fileDescription_; }
    void SetFileDescription(const std::string& value) { Change(fileDescription_, value); }
    const std::string& IconFile() const noexcept { return iconFile_; }
    void SetIconFile(const std::string& value) { Change(iconFile_, value); }
    int IconIndex() const noexcept { return iconIndex_; }
    void SetIconIndex(int value);
    TIcon& LargeIcon() noexcept { return largeIcon_; }
    TIcon& SmallIcon() noexcept { return smallIcon_; }
    bool ReadOnly() const noexcept { return readOnly_; }
    void SetReadOnly(bool value) { readOnly_ = value; }

#define ZV_SU_COMMAND(Name)                                                                  \
    const std::string& Name() const noexcept { return commands_[k##Name]; }                 \
    void Set##Name(const std::string& value) { Change(commands_[k##Name], value); }
    ZV_SU_COMMAND(OpenCommand)
    ZV_SU_COMMAND(OpenCommandDescription)
    ZV_SU_COMMAND(OpenNewCommand)
    ZV_SU_COMMAND(OpenNewCommandDescription)
    ZV_SU_COMMAND(EditCommand)
    ZV_SU_COMMAND(EditCommandDescription)
    ZV_SU_COMMAND(PrintCommand)
    ZV_SU_COMMAND(PrintCommandDescription)
    ZV_SU_COMMAND(PrintToCommand)
    ZV_SU_COMMAND(PrintToCommandDescription)
#undef ZV_SU_COMMAND

    // The desktop file type and the handler entry of the extension.
    std::string MimeType() const;
    std::string HandlerFileName() const;
    std::string TypeFileName() const;
    // Reads the association from the desktop's files; false when there is none.
    bool Read();
    // Writes the type and the handler and makes the handler the type's default.
    bool Write();
    // Removes the type and the handler.
    bool Delete();

private:
    enum Command {
        kOpenCommand,
        kOpenCommandDescription,
        kOpenNewCommand,
        kOpenNewCommandDescription,
        kEditCommand,
        kEditCommandDescription,
        kPrintCommand,
        kPrintCommandDescription,
        kPrintToCommand,
        kPrintToCommandDescription,
        kCommandCount
    };
    // Stores a changed value; a writable association is written at once.
    void Change(std::string& field, const std::string& value);
    void Apply();
    // The icons of IconFile, or the desktop's stock icon of documents (of programs for ".exe").
    void ReadIcons();
    // The commands other than open, as the handler's actions: name, and index of the command
    // (its description follows it).
    static const std::vector<std::pair<const char*, int>>& Actions();
    std::string TypeName() const;

    std::string extension_;
    std::string extDescription_;
    std::string fileDescription_;
    std::string iconFile_;
    int iconIndex_ = 0;
    TIcon largeIcon_;
    TIcon smallIcon_;
    bool readOnly_ = true;
    std::string commands_[kCommandCount];
};

void SuRegisterFileComponents();
