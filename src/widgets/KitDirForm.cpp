// The kit's folder window: starting folder, current-folder label and New Folder.

#include "widgets/KitDirForm.h"

#include "platform/classes/PropertyRegistry.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"
#include "widgets/KitCustomButton.h"
#include "widgets/KitProcs.h"

#include <filesystem>
#include <system_error>

namespace {

template <class T>
T* Find(const TComponent& form, const char* name)
{
    auto* component = dynamic_cast<T*>(form.FindComponent(name));
    if (component == nullptr) {
        throw EComponentError(std::string("TKitDirForm: component ") + name + " not found");
    }
    return component;
}

}  // namespace

TKitDirForm::TKitDirForm(TComponent* owner) : TForm(owner)
{
    RegisterClass();
    LoadForm();
}

TKitDirForm::~TKitDirForm()
{
    DoDestroy();
}

void TKitDirForm::RegisterClass()
{
    static const bool registered = [] {
        RegisterKitButtonClasses();
        using F = TKitDirForm;
        TClassRegistration<F, TForm>("TKitDirForm")
            .Component()
            .Handler("FormCreate", &F::FormCreate)
            .Handler("DirectoryListChange", &F::DirectoryListChange)
            .Handler("DirectoryListClick", &F::DirectoryListClick)
            .Handler("NewFolderButtonClick", &F::NewFolderButtonClick);
        return true;
    }();
    (void)registered;
}

void TKitDirForm::FormCreate(TObject*)
{
    PathLabel = Find<TLabel>(*this, "PathLabel");
    DirLabel = Find<TLabel>(*this, "DirLabel");
    DirectoryList = Find<TDirectoryListBox>(*this, "DirectoryList");
    DriveLabel = Find<TLabel>(*this, "DriveLabel");
    DriveList = Find<TDriveComboBox>(*this, "DriveList");
    StatusLabel = Find<TLabel>(*this, "StatusLabel");
    NameEdit = Find<TEdit>(*this, "NameEdit");
    OKButton = Find<TKitButton>(*this, "OKButton");
    CancelButton = Find<TKitButton>(*this, "CancelButton");
    CustomButton = Find<TKitButton>(*this, "CustomButton");
    NewFolderButton = Find<TKitButton>(*this, "NewFolderButton");
    DirectoryList->OnOpenError = [this](const std::string&, const std::string& message) { ReportFolderError(message); };
    ShowCurrentFolder();
}

void TKitDirForm::StartAt(const std::string& folder)
{
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path candidate = folder.empty() ? fs::current_path(error) : fs::path(folder);
    if (candidate.is_relative()) {
        candidate = fs::current_path(error) / candidate;
    }
    candidate = candidate.lexically_normal();
    for (;;) {
        try {
            DirectoryList->SetDirectory(candidate.string());
            break;
        } catch (const EInOutError&) {
            if (!candidate.has_relative_path()) {
                break;  // not even the root can be listed: the list keeps its folder
            }
            candidate = candidate.parent_path();
        }
    }
    DriveList->SetDrive(DirectoryList->Directory());
    ShowCurrentFolder();
}

void TKitDirForm::ReportFolderError(const std::string& message)
{
    if (OnFolderError) {
        OnFolderError(message);
    } else {
        MessageDlg("IO-Error!\r" + message, TMsgDlgType::mtWarning, {TMsgDlgBtn::mbOK});
    }
}

void TKitDirForm::ShowCurrentFolder()
{
    const std::string& folder = DirectoryList->Directory();
    DirLabel->SetCaption(KitShortenPath(ShowPath ? ShowPath(folder) : folder, 40));
}

void TKitDirForm::DirectoryListChange(TObject*)
{
    ShowCurrentFolder();
    if (DriveList != nullptr && DriveList->Drive() != DirectoryList->Drive()) {
        DriveList->SetDrive(DirectoryList->Directory());
    }
    if (OnFolderChanged) {
        OnFolderChanged();
    }
}

void TKitDirForm::DirectoryListClick(TObject*)
{
    if (OnSelectionChanged) {
        OnSelectionChanged();
    }
}

void TKitDirForm::NewFolderButtonClick(TObject*)
{
    if (DirectoryList->ItemIndex() < 0) {
        return;
    }
    const std::string parent = DirectoryList->Directory();
    const std::string title = Trim(StringReplace(NewFolderButton->Caption(), "&", " ", TReplaceFlag::rfReplaceAll));
    std::string name;
    if (!InputQuery(title, "Name: (" + KitShortenPath(parent, 36) + ")", name) || Trim(name).empty()) {
        return;
    }
    // A name, not a path: "/" or a name for this folder or its parent would create elsewhere.
    const std::string folder = (parent == "/" ? std::string() : parent) + "/" + name;
    std::error_code error;
    const bool created = name.find('/') == std::string::npos && name != "." && name != ".." &&
                         std::filesystem::create_directory(folder, error);
    if (!created) {
        ReportFolderError("Could not create folder.");
        return;
    }
    try {
        DirectoryList->SetDirectory(folder);
    } catch (const EInOutError& openError) {
        ReportFolderError(openError.Message());
    }
}
