#include "widgets/KitFolderDialogs.h"

#include "platform/classes/PropertyRegistry.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"
#include "widgets/KitAbout.h"
#include "widgets/KitCustomButton.h"
#include "widgets/KitDirForm.h"
#include "widgets/KitProcs.h"
#include "widgets/KitRegistration.h"

#include <filesystem>
#include <memory>
#include <system_error>

namespace {

// Empty when the folder can be listed, else what is wrong with it.
std::string FolderFault(const std::string& folder)
{
    std::error_code error;
    const std::filesystem::path path(folder);
    if (!std::filesystem::is_directory(path, error)) {
        return "The folder \"" + folder + "\" does not exist.";
    }
    std::filesystem::directory_iterator probe(path, error);
    if (error) {
        return "The folder \"" + folder + "\" cannot be read.";
    }
    return {};
}

std::string LastName(const std::string& folder)
{
    std::string trimmed = folder;
    while (trimmed.size() > 1 && trimmed.back() == '/') {
        trimmed.pop_back();
    }
    const size_t slash = trimmed.find_last_of('/');
    return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

}  // namespace

// ---------------------------------------------------------------------------------------------

std::string TKitDirDlg::DisplayPath(const std::string& folder) const
{
    switch (CharCase) {
    case TKitCharCase::ccLowerCase:
        return AnsiLowerCase(folder);
    case TKitCharCase::ccUpperCase:
        return AnsiUpperCase(folder);
    case TKitCharCase::ccNormal:
        break;
    }
    return folder;
}

bool TKitDirDlg::Execute()
{
    auto window = std::make_unique<TKitDirForm>(nullptr);
    TKitDirForm& form = *window;
    form.DirLabel->SetVisible(ShowLabelDir);
    form.NewFolderButton->SetVisible(AllowNewDir);
    form.ShowPath = [this](const std::string& folder) { return DisplayPath(folder); };
    form.OnFolderError = [this](const std::string& message) {
        folderError_ = message;
        if (OnFolderError) {
            OnFolderError(this);
        } else {
            MessageDlg("IO-Error!\r" + message, TMsgDlgType::mtWarning, {TMsgDlgBtn::mbOK});
        }
    };
    if (ShowHints && Hints().Count() > 0) {
        form.SetShowHint(true);
        TControl* targets[] = {form.OKButton,    form.CustomButton, form.CancelButton,
                               form.DirectoryList, form.DriveList,  form.NewFolderButton};
        for (int i = 0; i < Hints().Count() && i < 6; ++i) {
            targets[i]->SetHint(Hints()[i]);
        }
    }
    form.StartAt(InitialDir.empty() ? Path : InitialDir);
    // The folder may have gone or become unreadable since it was opened.
    form.OKButton->OnClick = [&form](TObject*) {
        const std::string fault = FolderFault(form.DirectoryList->Directory());
        if (!fault.empty()) {
            form.SetModalResult(TModalResult::mrNone);
            form.ReportFolderError(fault);
        }
    };
    if (Run(form, nullptr, "Select Path...", form.CustomButton) != TModalResult::mrOk) {
        return false;
    }
    Path = form.DirectoryList->Directory();
    return true;
}

// ---------------------------------------------------------------------------------------------

void TKitBrowseDlg::SetOption(TKitBrowseDlgOption option, bool on)
{
    const uint64_t bit = uint64_t{1} << static_cast<int>(option);
    Options = on ? (Options | bit) : (Options & ~bit);
}

void TKitBrowseDlg::SetStatusText(const std::string& value)
{
    statusText_ = value;
    if (form_ != nullptr) {
        form_->StatusLabel->SetCaption(value);
    }
}

void TKitBrowseDlg::SetSelectedFolder(const std::string& value)
{
    selectedFolder_ = value;
    if (form_ != nullptr && !value.empty()) {
        try {
            form_->DirectoryList->SetDirectory(value);
        } catch (const EInOutError&) {
            // The browser keeps its selection.
        }
    }
}

TCustomForm* TKitBrowseDlg::Form() const noexcept
{
    return form_;
}

bool TKitBrowseDlg::Execute()
{
    return ExecuteWithParent(dynamic_cast<TWinControl*>(Owner()));
}

namespace {

// The folder selected in the browser: the selected item, else the open folder.
std::string BrowserSelection(const TKitDirForm& form)
{
    const TDirectoryListBox& list = *form.DirectoryList;
    return list.ItemIndex() >= 0 ? list.GetItemPath(list.ItemIndex()) : list.Directory();
}

// Clears the dialog's window reference when the run ends, also by an exception.
class TBrowserRunGuard {
public:
    TBrowserRunGuard(TKitDirForm*& slot, TKitDirForm& form) : slot_(slot) { slot_ = &form; }
    ~TBrowserRunGuard() { slot_ = nullptr; }
    TBrowserRunGuard(const TBrowserRunGuard&) = delete;
    TBrowserRunGuard& operator=(const TBrowserRunGuard&) = delete;

private:
    TKitDirForm*& slot_;
};

}  // namespace

void TKitBrowseDlg::SelectionChanged()
{
    if (form_ == nullptr) {
        return;
    }
    form_->OKButton->SetEnabled(true);
    if (!HasOption(TKitBrowseDlgOption::doShowPath) && !OnSelectionChanged) {
        return;
    }
    const std::string path = BrowserSelection(*form_);
    if (path == lastSelection_) {
        return;  // opening the selected folder keeps the selection
    }
    lastSelection_ = path;
    if (HasOption(TKitBrowseDlgOption::doShowPath)) {
        SetStatusText(KitShortenPath(path, 40));
    }
    if (OnSelectionChanged) {
        OnSelectionChanged(this, form_, path, LastName(path));
    }
}

bool TKitBrowseDlg::ExecuteWithParent(TWinControl* /*parent*/)
{
    auto window = std::make_unique<TKitDirForm>(nullptr);
    TKitDirForm& form = *window;
    form.SetCaption(CaptionTitle.empty() ? std::string("Browse for Folder") : CaptionTitle);
    if (!Caption.empty()) {
        form.PathLabel->SetShowAccelChar(false);
        form.PathLabel->SetCaption(Caption);
    }
    form.NewFolderButton->SetVisible(HasOption(TKitBrowseDlgOption::doNewGUI) &&
                                     !HasOption(TKitBrowseDlgOption::doNewGUINoNewFolderBtn));
    // Status line and name box below the drive list, when asked for.
    int bottom = form.DriveList->Top() + form.DriveList->Height() + 6;
    if (HasOption(TKitBrowseDlgOption::doStatusText) || HasOption(TKitBrowseDlgOption::doShowPath)) {
        form.StatusLabel->SetVisible(true);
        form.StatusLabel->SetTop(bottom);
        bottom += form.StatusLabel->Height() + 4;
    }
    if (HasOption(TKitBrowseDlgOption::doAllowEdit)) {
        form.NameEdit->SetVisible(true);
        form.NameEdit->SetTop(bottom);
        bottom += form.NameEdit->Height() + 6;
    }
    form.SetClientHeight(bottom);
    form.StartAt(selectedFolder_.empty() ? std::string("/") : selectedFolder_);

    bool chosen = false;
    std::string result;
    form.OKButton->OnClick = [&](TObject*) {
        std::string folder = BrowserSelection(form);
        const std::string typed = Trim(form.NameEdit->Text());
        if (HasOption(TKitBrowseDlgOption::doAllowEdit) && !typed.empty()) {
            const std::filesystem::path typedPath(typed);
            const std::filesystem::path resolved =
                (typedPath.is_absolute() ? typedPath : std::filesystem::path(folder) / typedPath).lexically_normal();
            std::error_code error;
            if (!std::filesystem::is_directory(resolved, error)) {
                bool cancel = false;
                if (OnValidate) {
                    OnValidate(this, typed, cancel);
                }
                if (cancel) {
                    form.SetModalResult(TModalResult::mrNone);
                }
                return;  // a typed name that is no folder chooses nothing
            }
            folder = resolved.string();
            while (folder.size() > 1 && folder.back() == '/') {
                folder.pop_back();
            }
        }
        chosen = true;
        result = folder;
    };
    form.OnSelectionChanged = [this] { SelectionChanged(); };
    form.OnFolderChanged = [this] { SelectionChanged(); };
    form.OnShow = [this, &form](TObject*) {
        // The browser has started: status text, OK state, the first selection.
        if (!statusText_.empty()) {
            form.StatusLabel->SetCaption(statusText_);
        }
        form.OKButton->SetEnabled(HasOption(TKitBrowseDlgOption::doEnableOK));
        if (OnInit) {
            OnInit(this);
        }
        if (!selectedFolder_.empty()) {
            SelectionChanged();
        }
    };
    form.SetPosition(TPosition::poDesigned);
    KitPlaceWindow(form, KitGetReferenceRect(RelatePos), Position);

    lastSelection_.clear();
    TBrowserRunGuard guard(form_, form);
    if (form.ShowModal() != TModalResult::mrOk || !chosen) {
        return false;
    }
    // The whole path, however long: a shortened one would name another folder.
    const std::string folder = Trim(result);
    selectedFolder_ = folder;
    displayName_ = LastName(folder);
    return true;
}

// ---------------------------------------------------------------------------------------------

void RegisterKitDialogClasses()
{
    static const bool done = [] {
        RegisterKitClasses();
        RegisterEnum<TKitCharCase>("TKitCharCase", {"ccNormal", "ccLowerCase", "ccUpperCase"});
        RegisterEnum<TKitBrowseDlgOption>(
            "TKitBrowseDlgOption",
            {"doBrowseForComputer", "doBrowseForPrinter", "doDontGoBelowDomain", "doReturnFileSysAncestors",
             "doReturnFileSysDirs", "doStatusText", "doShowFiles", "doAllowEdit", "doShowPath", "doEnableOK", "doNewGUI",
             "doNewGUINoNewFolderBtn"});
        RegisterEnum<TKitAboutIconStyle>("TKitAboutIconStyle", {"isNone", "isStandard", "isExtended"});
        RegisterEnum<TKitAboutStyle>("TKitAboutStyle", {"bsStandard", "bsKit"});
        RegisterEnum<TKitAboutVersionStyle>("TKitAboutVersionStyle", {"vsProg", "vsFileShort", "vsFileFull", "vsFileBuild"});
        using K = TKitBaseDialog;
        TClassRegistration<K, TComponent>("TKitBaseDialog")
            .String("CaptionTitle", [](const K& d) { return d.CaptionTitle(); },
                    [](K& d, const std::string& v) { d.SetCaptionTitle(v); })
            .String("CustomButton", [](const K& d) { return d.CustomButton; },
                    [](K& d, const std::string& v) { d.CustomButton = v; })
            .Enum("Effect", [](const K& d) { return d.Effect; }, [](K& d, TKitDlgEffect v) { d.Effect = v; },
                  TKitDlgEffect::deNone)
            .Strings("Hints", [](K& d) -> TStrings& { return d.HintLines(); })
            .Boolean("CtlXP", [](const K& d) { return d.CtlXP; }, [](K& d, bool v) { d.CtlXP = v; }, true)
            .Boolean("ShowHints", [](const K& d) { return d.ShowHints; }, [](K& d, bool v) { d.ShowHints = v; }, true)
            .Boolean("CaptionFill", [](const K& d) { return d.CaptionFill; }, [](K& d, bool v) { d.CaptionFill = v; })
            .Integer("Colors", [](const K& d) { return static_cast<int>(d.Colors); },
                     [](K& d, int64_t v) { d.Colors = static_cast<uint8_t>(v); }, 32)
            .Enum("Position", [](const K& d) { return d.Position; }, [](K& d, TKitDlgPosition v) { d.Position = v; },
                  TKitDlgPosition::bpCenter)
            .Enum("RelatePos", [](const K& d) { return d.RelatePos; }, [](K& d, TKitDlgPosRel v) { d.RelatePos = v; },
                  TKitDlgPosRel::brScreen)
            .Event("OnCustomize", &K::OnCustomize)
            .Event("OnCustomClick", &K::OnCustomClick);
        using D = TKitDirDlg;
        TClassRegistration<D, K>("TKitDirDlg")
            .Component()
            .String("InitialDir", [](const D& d) { return d.InitialDir; }, [](D& d, const std::string& v) { d.InitialDir = v; })
            .String("Path", [](const D& d) { return d.Path; }, [](D& d, const std::string& v) { d.Path = v; })
            .Boolean("AllowNewDir", [](const D& d) { return d.AllowNewDir; }, [](D& d, bool v) { d.AllowNewDir = v; })
            .Boolean("ShowLabelDir", [](const D& d) { return d.ShowLabelDir; }, [](D& d, bool v) { d.ShowLabelDir = v; })
            .Enum("CharCase", [](const D& d) { return d.CharCase; }, [](D& d, TKitCharCase v) { d.CharCase = v; },
                  TKitCharCase::ccNormal)
            .Event("OnFolderError", &D::OnFolderError);
        using B = TKitBrowseDlg;
        TClassRegistration<B, TComponent>("TKitBrowseDlg")
            .Component()
            .String("Caption", [](const B& b) { return b.Caption; }, [](B& b, const std::string& v) { b.Caption = v; })
            .String("CaptionTitle", [](const B& b) { return b.CaptionTitle; },
                    [](B& b, const std::string& v) { b.CaptionTitle = v; })
            .String("SelectedFolder", [](const B& b) { return b.SelectedFolder(); },
                    [](B& b, const std::string& v) { b.SetSelectedFolder(v); })
            .String("StatusText", [](const B& b) { return b.StatusText(); },
                    [](B& b, const std::string& v) { b.SetStatusText(v); })
            .Set<TKitBrowseDlgOption>("Options", [](const B& b) { return b.Options; },
                                      [](B& b, uint64_t v) { b.Options = v; }, B(nullptr).Options)
            .Enum("Position", [](const B& b) { return b.Position; }, [](B& b, TKitDlgPosition v) { b.Position = v; },
                  TKitDlgPosition::bpCenter)
            .Enum("RelatePos", [](const B& b) { return b.RelatePos; }, [](B& b, TKitDlgPosRel v) { b.RelatePos = v; },
                  TKitDlgPosRel::brActiveWindow);
        using A = TKitAboutDlg;
        TClassRegistration<A, K>("TKitAboutDlg")
            .Component()
            .String("Appname", [](const A& a) { return a.Appname; }, [](A& a, const std::string& v) { a.Appname = v; })
            .String("Copyright", [](const A& a) { return a.Copyright; }, [](A& a, const std::string& v) { a.Copyright = v; })
            .String("Description", [](const A& a) { return a.Description; },
                    [](A& a, const std::string& v) { a.Description = v; })
            .String("Version", [](const A& a) { return a.Version; }, [](A& a, const std::string& v) { a.Version = v; })
            .String("Jump", [](const A& a) { return a.Jump; }, [](A& a, const std::string& v) { a.Jump = v; })
            .String("EMail", [](const A& a) { return a.EMail; }, [](A& a, const std::string& v) { a.EMail = v; })
            .Boolean("UseDefault", [](const A& a) { return a.UseDefault; }, [](A& a, bool v) { a.UseDefault = v; })
            .Boolean("UseResInfo", [](const A& a) { return a.UseResInfo; }, [](A& a, bool v) { a.UseResInfo = v; })
            .Object("Icon", [](A& a) -> TIcon& { return a.Icon; })
            .Enum("IconStyle", [](const A& a) { return a.IconStyle; }, [](A& a, TKitAboutIconStyle v) { a.IconStyle = v; },
                  TKitAboutIconStyle::isExtended)
            .Integer("AppNameSize", [](const A& a) { return a.AppNameSize; }, [](A& a, int64_t v) { a.AppNameSize = static_cast<int>(v); },
                     22)
            .Enum("Style", [](const A& a) { return a.Style; }, [](A& a, TKitAboutStyle v) { a.Style = v; }, TKitAboutStyle::bsKit)
            .Enum("UseResVersionInfoStyle", [](const A& a) { return a.UseResVersionInfoStyle; },
                  [](A& a, TKitAboutVersionStyle v) { a.UseResVersionInfoStyle = v; }, TKitAboutVersionStyle::vsProg);
        return true;
    }();
    (void)done;
}
