#include "widgets/KitFolderDialogs.h"

#include "platform/classes/PropertyRegistry.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/SysUtils.h"
#include "widgets/KitAbout.h"
#include "widgets/KitProcs.h"
#include "widgets/KitRegistration.h"

#include <filesystem>
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
    TFolderDialog dialog(nullptr);
    dialog.Title = CaptionTitle().empty() ? std::string("Select Path...") : CaptionTitle();
    dialog.Directory = InitialDir.empty() ? Path : InitialDir;
    for (;;) {
        if (!dialog.Execute()) {
            return false;
        }
        folderError_ = FolderFault(dialog.Directory);
        if (folderError_.empty()) {
            Path = dialog.Directory;
            return true;
        }
        if (OnFolderError) {
            OnFolderError(this);
        } else {
            MessageDlg("IO-Error!\r" + folderError_, TMsgDlgType::mtWarning, {TMsgDlgBtn::mbOK});
        }
    }
}

// ---------------------------------------------------------------------------------------------

void TKitBrowseDlg::SetOption(TKitBrowseDlgOption option, bool on)
{
    const uint64_t bit = uint64_t{1} << static_cast<int>(option);
    Options = on ? (Options | bit) : (Options & ~bit);
}

bool TKitBrowseDlg::Execute()
{
    return ExecuteWithParent(dynamic_cast<TWinControl*>(Owner()));
}

bool TKitBrowseDlg::ExecuteWithParent(TWinControl* /*parent*/)
{
    // The window layer's folder dialog always opens over the active window.
    if (OnInit) {
        OnInit(this);
    }
    TFolderDialog dialog(nullptr);
    dialog.Title = CaptionTitle.empty() ? Caption : CaptionTitle;
    dialog.Directory = selectedFolder_;
    for (;;) {
        if (!dialog.Execute()) {
            return false;
        }
        std::string chosen = Trim(dialog.Directory);
        if (chosen.size() > 260) {
            chosen.resize(260);
        }
        if (HasOption(TKitBrowseDlgOption::doShowPath)) {
            SetStatusText(KitShortenPath(chosen, 40));
        }
        if (OnSelectionChanged) {
            OnSelectionChanged(this, nullptr, chosen, LastName(chosen));
        }
        bool cancel = false;
        if (OnValidate) {
            OnValidate(this, chosen, cancel);
        }
        if (!cancel) {
            selectedFolder_ = chosen;
            displayName_ = LastName(chosen);
            return true;
        }
        dialog.Directory = chosen;
    }
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
        using D = TKitDirDlg;
        TClassRegistration<D, TComponent>("TKitDirDlg")
            .Component()
            .String("CaptionTitle", [](const D& d) { return d.CaptionTitle(); },
                    [](D& d, const std::string& v) { d.SetCaptionTitle(v); })
            .String("CustomButton", [](const D& d) { return d.CustomButton; },
                    [](D& d, const std::string& v) { d.CustomButton = v; })
            .String("InitialDir", [](const D& d) { return d.InitialDir; }, [](D& d, const std::string& v) { d.InitialDir = v; })
            .String("Path", [](const D& d) { return d.Path; }, [](D& d, const std::string& v) { d.Path = v; })
            .Boolean("AllowNewDir", [](const D& d) { return d.AllowNewDir; }, [](D& d, bool v) { d.AllowNewDir = v; })
            .Boolean("ShowLabelDir", [](const D& d) { return d.ShowLabelDir; }, [](D& d, bool v) { d.ShowLabelDir = v; })
            .Enum("CharCase", [](const D& d) { return d.CharCase; }, [](D& d, TKitCharCase v) { d.CharCase = v; },
                  TKitCharCase::ccNormal)
            .Enum("Position", [](const D& d) { return d.Position; }, [](D& d, TKitDlgPosition v) { d.Position = v; },
                  TKitDlgPosition::bpCenter)
            .Enum("RelatePos", [](const D& d) { return d.RelatePos; }, [](D& d, TKitDlgPosRel v) { d.RelatePos = v; },
                  TKitDlgPosRel::brScreen);
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
        TClassRegistration<A, TComponent>("TKitAboutDlg")
            .Component()
            .String("Appname", [](const A& a) { return a.Appname; }, [](A& a, const std::string& v) { a.Appname = v; })
            .String("Copyright", [](const A& a) { return a.Copyright; }, [](A& a, const std::string& v) { a.Copyright = v; })
            .String("Description", [](const A& a) { return a.Description; },
                    [](A& a, const std::string& v) { a.Description = v; })
            .String("Version", [](const A& a) { return a.Version; }, [](A& a, const std::string& v) { a.Version = v; })
            .String("Jump", [](const A& a) { return a.Jump; }, [](A& a, const std::string& v) { a.Jump = v; })
            .String("EMail", [](const A& a) { return a.EMail; }, [](A& a, const std::string& v) { a.EMail = v; })
            .Boolean("UseResInfo", [](const A& a) { return a.UseResInfo; }, [](A& a, bool v) { a.UseResInfo = v; });
        return true;
    }();
    (void)done;
}
