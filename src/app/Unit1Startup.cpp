// The main window's start-up: FormCreate with its steps (settings, language and messages,
// placement, folders, start-up backup, tables, saved state) and the post-start step.
#include "app/Settings.h"
#include "app/Unit1.h"
#include "dbf/XbDBFDataSet.h"
#include "i18n/LangKit.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/System.h"
#include "platform/rtl/VersionResources.h"
#include "sysutil/GtCVersInfo.h"
#include "sysutil/SuComponents.h"

#include <algorithm>

namespace {

// The updater program beside the executable.
constexpr const char* kUpdaterFileName = "ZEZIvuredizOriruri.exe";

// "Zentivor® " in the ANSI code page.
constexpr const char* kTitlePrefix = "Zentivor\xAE ";

// Messages.
constexpr int kAreYouSure = 3;
constexpr int kVistaManifestActivated = 7;
constexpr int kXpManifestHint = 45;
constexpr int kVistaManifestHint = 46;

// The files the start-up backup copies, from the database folder and from the program folder.
constexpr const char* kBackupTableFiles[] = {
    "Code.dbf",    "Code.dbt",        "Contacts.dbf",    "Contacts.dbt", "Lists.dbf",
    "Lists.dbt",   "product.dbf",     "product.dbt",     "Tickets.dbf",  "Tickets.dbt",
    "Subtickets.dbf", "Subtickets.dbt", "Worktime.dbf", "Worktime.dbt",
};
constexpr const char* kBackupSettingsName = "Trevasso.ini";

}  // namespace

// Grid layout files beside the program, in the order of the grids (productgrid ... codegrid).
const char* const kGridLayoutFiles[8] = {
    "productgrd.dat", "projectgrd.dat", "maingrd.dat", "subgrd.dat",
    "listgrd.dat",    "contactgrd.dat", "workgrd.dat", "codegrd.dat",
};

std::string GetProgramVersion()
{
    std::string data;
    TVSFixedFileInfo fixed;
    if (!GetFileVersionInfo(ApplicationExeName(), data) || !VerQueryFixedFileInfo(data, fixed)) {
        return std::string();
    }
    return std::to_string(fixed.dwFileVersionMS >> 16) + "." + std::to_string(fixed.dwFileVersionMS & 0xFFFF) + "." +
           std::to_string(fixed.dwFileVersionLS >> 16) + "." + std::to_string(fixed.dwFileVersionLS & 0xFFFF);
}

std::string GetWindowsUserName()
{
    CurrentUserName = GetUserName();
    return CurrentUserName;
}

bool CheckAdministrator()
{
    if (!IsAdministrator()) {
        return false;
    }
    if (mainfrm != nullptr) {
        mainfrm->SetCaption("^" + mainfrm->Caption());
    }
    return true;
}

void Tmainfrm::OpenSettingsIni()
{
    settingsIni_ = std::make_unique<TIniFile>(ApplicationFolder() + kSettingsFileName);
    SettingsIni = settingsIni_.get();
}

void Tmainfrm::OpenOnlineIni()
{
    onlineIni_ = std::make_unique<TIniFile>(ApplicationFolder() + kOnlineSettingsFileName);
    OnlineIni = onlineIni_.get();
}

void Tmainfrm::FormCreate(TObject*)
{
    RunCatchAll([this] {
        const std::string programFolder = ApplicationFolder();
        OpenSettingsIni();
        OpenOnlineIni();
        aboutdlg->Version = GetProgramVersion();
        GtVersionInfo1->SetFileName(ApplicationExeName());
        WriteSetting(*SettingsIni, Setting::CurrVer, GtVersionInfo1->FileVersion());
        // Without a notification area on the desktop the icon is simply not shown.
        trayicon->ShowIcon();
        LoadLanguage();
        LoadMessageTable();

        SetBounds(ReadSetting(*SettingsIni, Setting::Left), ReadSetting(*SettingsIni, Setting::Top),
                  ReadSetting(*SettingsIni, Setting::Width), ReadSetting(*SettingsIni, Setting::Height));
        loaded_.Placement = true;
        ApplyHiddenTabs();
        GetWindowsUserName();
        sb_panel->Panels().Items(5)->SetText(programFolder);

        if (ReadSetting(*SettingsIni, Setting::HideHints)) {
            for (const char* name : {"btn_newproject", "btn_newcontact", "btn_newlist", "btn_settings", "btn_project",
                                     "btn_ticket", "btn_subticket", "btn_worktime", "btn_contacts", "btn_lists",
                                     "btn_changelog", "btn_statistics", "btn_codedatabase", "btn_email", "btn_web",
                                     "btn_bug", "btn_exit"}) {
                Get<TControl>(name)->SetShowHint(false);
            }
        }

        const std::string quickStartFile = MapStoredPath(programFolder, "quickstart.dat");
        if (FileExists(quickStartFile)) {
            quickstart->Lines().LoadFromFile(quickStartFile);
        } else {
            quickstart->Lines().Add("No file found!");
        }

        if (ReadSetting(*SettingsIni, Setting::FullSize) == "Yes") {
            SetWindowState(TWindowState::wsMaximized);
        }
        ApplyGridColor();
        LoadServerList();
        ResolveFolders();
        MakeStartupBackup();
        OpenTables();
        LoadGridLayouts();

        if (!ReadSetting(*SettingsIni, Setting::OpenSite)) {
            WriteSetting(*SettingsIni, Setting::OpenSite, true);
            ShellOpen(kMakerWebSite);
        }
        startuptimer->SetEnabled(true);

        const std::string noteFile = MapStoredPath(programFolder, "note.dat");
        if (FileExists(noteFile)) {
            note->Lines().LoadFromFile(noteFile);
        }
        loaded_.Notes = true;
        LoadPanels();
    });
}

void Tmainfrm::LoadLanguage()
{
    SelectLanguageFromSettings();
}

TLangManager* Tmainfrm::LanguageManager() const
{
    return Get<TLangManager>("lngmanager");
}

std::string Tmainfrm::LanguageFolder()
{
    return IncludeTrailingPathDelimiter(MapStoredPath(ApplicationFolder(), "language"));
}

void Tmainfrm::SelectLanguageFromSettings()
{
    TLangManager* manager = LanguageManager();
    const std::string folder = LanguageFolder();
    manager->SetLangsDir(folder);
    const std::string chosen = ReadSetting(*SettingsIni, Setting::Language);
    if (!chosen.empty() && FileExists(MapStoredPath(folder, chosen))) {
        // The file name less its extension ".lng" is the language's name.
        manager->SetCurrentLang(chosen.size() > 4 ? chosen.substr(0, chosen.size() - 4) : std::string());
    } else if (FileExists(MapStoredPath(folder, "English.lng"))) {
        manager->SetCurrentLang("English");
    }
}

void Tmainfrm::LoadMessageTable()
{
    const std::string languageFolder = LanguageFolder();
    const std::string chosen = ReadSetting(*SettingsIni, Setting::LanguageMes);
    if (!chosen.empty() && LoadMessageFile(MapStoredPath(languageFolder, chosen))) {
        return;
    }
    LoadMessageFile(MapStoredPath(languageFolder, "English.mes"));
}

bool Tmainfrm::LoadMessageFile(const std::string& fileName)
{
    if (fileName.empty() || !FileExists(fileName)) {
        return false;
    }
    if (builtInMessages_.empty()) {
        for (int i = 0; i < messages->Lines().Count(); ++i) {
            builtInMessages_.push_back(messages->Lines()[i]);
        }
    }
    TStringList lines;
    lines.LoadFromFile(fileName);
    for (size_t i = static_cast<size_t>(lines.Count()); i < builtInMessages_.size(); ++i) {
        lines.Add(builtInMessages_[i]);
    }
    messages->Lines().Clear();
    messages->Lines().AddStrings(lines);
    return true;
}

void Tmainfrm::ApplyGridColor()
{
    const TColor color = StringToColor(ReadSetting(*SettingsIni, Setting::GridColor));
    for (TDBGrid* grid : grids_) {
        grid->SetColor(color);
    }
}

void Tmainfrm::LoadServerList()
{
    auto* checkForUpdates = Get<TMenuItem>("CheckforUpdates1");
    const std::string file = MapStoredPath(ApplicationFolder(), "servers.txt");
    if (FileExists(file)) {
        serverlist->Items().LoadFromFile(file);
        if (serverlist->Items().Count() == 0) {
            checkForUpdates->SetEnabled(false);
        } else {
            serverlist->SetItemIndex(0);
            checkForUpdates->SetEnabled(true);
        }
    } else {
        serverlist->Items().Clear();
        checkForUpdates->SetEnabled(false);
    }
}

void Tmainfrm::ResolveFolders()
{
    struct TFolderKey {
        const TStringSetting& Key;
        std::string& Global;
        int RelativeMessage;
        int AbsoluteMessage;
    };
    const TFolderKey keys[] = {
        {Setting::DbaseLoc, DatabaseFolder, 10, 13},
        {Setting::BackupLoc, BackupFolder, 11, 14},
        {Setting::AttachLoc, AttachmentFolder, 12, 15},
    };
    const int connection = ReadSetting(*SettingsIni, Setting::Connection);
    for (const TFolderKey& key : keys) {
        key.Global.clear();
        const std::string value = ReadSetting(*SettingsIni, key.Key);
        std::string folder;
        if (connection == 0) {
            folder = MapStoredPath(ApplicationFolder(), value);
        } else if (!value.empty()) {
            // Used as it stands: an absolute folder, or one relative to the current folder.
            folder = MapStoredPath(std::string(), value);
        }
        if (!folder.empty() && DirectoryExists(folder)) {
            key.Global = ExcludeTrailingPathDelimiter(folder);
        } else {
            ShowErrorBox(Message(connection == 0 ? key.RelativeMessage : key.AbsoluteMessage));
        }
    }
}

void Tmainfrm::MakeStartupBackup()
{
    if (!ReadSetting(*SettingsIni, Setting::SetBackup)) {
        return;
    }
    if (BackupFolder.empty() || (!DirectoryExists(BackupFolder) && !CreateDir(BackupFolder))) {
        throw Exception("Cannot create  " + BackupFolder);
    }
    const int counter = ReadSetting(*SettingsIni, Setting::NeedBackup);
    // A frequency below 1 means every start; a counter that has passed the frequency (after the
    // setting was lowered) is due as well.
    const int frequency = std::max(1, ReadSetting(*SettingsIni, Setting::BackupFreq));
    if (counter >= frequency) {
        WriteSetting(*SettingsIni, Setting::NeedBackup, 0);
        const std::string target = IncludeTrailingPathDelimiter(BackupFolder);
        auto copy = [&target](const std::string& folder, const char* name, const char* stored) {
            const std::string source = FileInFolder(folder, name);
            if (!source.empty() && FileExists(source)) {
                CopyFile(source, target + stored, false);  // a failed copy is left out
            }
        };
        for (const char* name : kBackupTableFiles) {
            copy(DatabaseFolder, name, name);
        }
        copy(ApplicationFolder(), kSettingsFileName, kBackupSettingsName);
        for (const char* name : kGridLayoutFiles) {
            copy(ApplicationFolder(), name, name);
        }
    }
    WriteSetting(*SettingsIni, Setting::NeedBackup, ReadSetting(*SettingsIni, Setting::NeedBackupCounter) + 1);
}

void Tmainfrm::LoadGridLayouts()
{
    for (size_t i = 0; i < grids_.size(); ++i) {
        const std::string file = MapStoredPath(ApplicationFolder(), kGridLayoutFiles[i]);
        if (!FileExists(file)) {
            continue;
        }
        try {
            grids_[i]->Columns().LoadFromFile(file);
        } catch (const Exception&) {
            // An unreadable layout file is skipped: the grid keeps its default columns (also
            // when the file failed half-way through them), and shut-down writes a good file.
            grids_[i]->Columns().RebuildColumns();
        }
    }
    loaded_.Layouts = true;
}

void Tmainfrm::LoadPanels()
{
    viewpanel->SetVisible(ReadSetting(*SettingsIni, Setting::ShowViewPanel));
    ViewPanel1->SetChecked(viewpanel->Visible());
    const bool showProjects = ReadSetting(*SettingsIni, Setting::ShowProjectPanel);
    projectsplitter->SetVisible(showProjects);
    leftprojectspanel->SetVisible(showProjects);
    leftprojectspanel->SetWidth(ReadSetting(*SettingsIni, Setting::ProjectPanelWidth));
    ViewLeftProjectListPanel1->SetChecked(projectsplitter->Visible());
    loaded_.Panels = true;
}

// ---------------------------------------------------------------------------------------------
// Post-start step

void Tmainfrm::startuptimerTimer(TObject*)
{
    startuptimer->SetEnabled(false);
    RunCatchAll([this] {
        const std::string title = kTitlePrefix + aboutdlg->Version;
        if (Application != nullptr) {
            Application->SetTitle(title);
        }
        SetCaption(title);
        CheckAdministrator();
        // The tickets' projects join the project editor's list in the pass that counts the
        // open tickets below.
        TStrings* ticketProjectList = FillProductListsFromProductTable();
        tabs->SetActivePageIndex(ReadSetting(*SettingsIni, Setting::ActivePage));
        fieldlist->SetItemIndex(ReadSetting(*SettingsIni, Setting::FilteredColumnPostStart));
        fieldlist->SetText(ReadSetting(*SettingsIni, Setting::FilteredColumnS));
        fieldlistChange(fieldlist);
        filtervalue->SetItemIndex(ReadSetting(*SettingsIni, Setting::FilteredValue));
        filtervalue->SetText(ReadSetting(*SettingsIni, Setting::FilteredValueS));
        operation->SetText(ReadSetting(*SettingsIni, Setting::FilterOperation));
        operation->SetItemIndex(ReadSetting(*SettingsIni, Setting::FilterOperationItem));
        maindb->SetFiltered(false);
        maindb->SetFilter(TicketFilterToRestore(ReadSetting(*SettingsIni, Setting::FilterString)));
        maindb->SetFiltered(ReadSetting(*SettingsIni, Setting::FilteredState));
        loaded_.Session = true;
        CountOpenTickets(ticketProjectList);
        CheckWindowsVersion();
        if (ReadSetting(*SettingsIni, Setting::CheckUpdate)) {
            const std::string updater = MapStoredPath(ApplicationFolder(), kUpdaterFileName);
            if (FileExists(updater)) {
                StartProgram(updater, "/CHECK /SILENT");
            } else {
                ShowErrorBox(MissingUpdaterMessage());
            }
        }
    });
}

void Tmainfrm::CheckWindowsVersion()
{
    OsName = "Unknown";
    TOSVersionInfo info;
    if (!GetVersionEx(info)) {
        return;
    }
    if (info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
        if (info.dwMajorVersion == 4 && info.dwMinorVersion == 0) {
            OsName = "Win95";
        } else if (info.dwMajorVersion == 4 && info.dwMinorVersion == 10) {
            OsName = info.szCSDVersion.size() >= 2 && info.szCSDVersion[1] == 'A' ? "Win98SE" : "Win98";
        } else if (info.dwMajorVersion == 4 && info.dwMinorVersion == 90) {
            OsName = "WinME";
        }
        return;
    }
    if (info.dwPlatformId != VER_PLATFORM_WIN32_NT) {
        return;
    }
    if (info.dwMajorVersion <= 4) {
        OsName = "WinNT";
    } else if (info.dwMajorVersion == 5 && info.dwMinorVersion == 0) {
        OsName = "Win2000";
    } else if (info.dwMajorVersion == 5 && info.dwMinorVersion == 1) {
        OsName = "WinXP";
        if (ReadSetting(*SettingsIni, Setting::UseManifest)) {
            ShowTrayBalloon(Message(kXpManifestHint));
        }
    } else if (info.dwMajorVersion == 6) {
        OsName = "WinVista";
        if (!ReadSetting(*SettingsIni, Setting::UseManifestAuto)) {
            WriteSetting(*SettingsIni, Setting::UseManifestAuto, true);
            WriteSetting(*SettingsIni, Setting::UseManifest, true);
            MessageDlg(Message(kVistaManifestActivated), TMsgDlgType::mtInformation, {TMsgDlgBtn::mbOK});
        }
        if (!ReadSetting(*SettingsIni, Setting::UseManifest)) {
            ShowTrayBalloon(Message(kVistaManifestHint));
        }
    }
}

// Used by the shut-down code.
bool Tmainfrm::ConfirmExit()
{
    if (!ReadSetting(*SettingsIni, Setting::AskExit)) {
        return true;
    }
    return MessageDlg(Message(kAreYouSure), TMsgDlgType::mtConfirmation, {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo}) ==
           TModalResult::mrYes;
}

void Tmainfrm::aboutClick(TObject*)
{
    aboutdlg->Execute();
}
