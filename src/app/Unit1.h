#pragma once
// Window: the main window, Tmainfrm.
// The main window: its pages, panels, tool bar and menus (resources/forms/Tmainfrm.form), its
// start-up sequence (FormCreate and the post-start step), the two shut-down paths, and the
// start-up globals every window of the tracker reads.
//
// The message table: the hidden memo `messages` holds every text the program shows the user;
// Message(n) is line n. FormCreate replaces the built-in lines by the ".mes" file of the
// language.
//
// Handlers: every handler of the window runs inside a guard that cancels a pending insert or
// edit of any of the window's tables when the handler fails half-way, so that a failed save
// never leaves a half-filled record for the next post. The start-up, post-start and shut-down
// routines also show their own errors (class name, ": ", message) and end there.

#include "platform/gui/ComCtrls.h"
#include "platform/gui/DBCtrls.h"
#include "platform/gui/DBGrids.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Menus.h"
#include "platform/gui/StdCtrls.h"
#include "platform/rtl/IniFiles.h"
#include "widgets/KitAbout.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TDataSet;
class TDataSource;
class TExDataSetExport;
class TExDBGridExport;
class TGtDBFindDialog;
class TGtSetDBGridDialog;
class TLangManager;
class TGtVersionInfo;
class TSuTrayIcon;
class TXbSmartDBF;

// ---- start-up globals (set by the main window's FormCreate, read by every window)

// The settings file "Ovralun.ini" and "onlineftp.ini" beside the program (null until the main
// window opens them; they live as long as the main window).
extern TIniFile* SettingsIni;
extern TIniFile* OnlineIni;
// The user the program runs as; the editors write it into created-by and modified-by fields.
extern std::string CurrentUserName;
// The three data folders without a trailing "/"; empty when the folder was not found. An empty
// folder is no folder: use FileInFolder, which never turns it into the file system root.
extern std::string DatabaseFolder;
extern std::string BackupFolder;
extern std::string AttachmentFolder;
// "Win95" ... "WinVista" or "Unknown" (see CheckWindowsVersion).
extern std::string OsName;
// Mode of the ticket and sub-ticket editors: 0 add, 1 edit.
extern uint8_t TicketEditMode;
extern uint8_t SubTicketEditMode;

// The file `name` (a stored, Windows-style name) inside `folder`, matched without regard to
// letter case; empty when the folder is empty (no folder), so nothing is ever looked for in
// the root.
std::string FileInFolder(const std::string& folder, const std::string& name);

// The program's file version "a.b.c.d", from the fixed part of the version resource of the
// program file; empty when the program file has none.
std::string GetProgramVersion();
// The user name; also stored in CurrentUserName.
std::string GetWindowsUserName();
// True when the user is an administrator (root, or a member of the sudo or wheel group).
bool CheckAdministrator();

// Gives a closed table the settings the tracker opens its tables with: dBASE III tables with
// ".dbt" memo files, read-write and exclusive, Clipper-style locks, deleted records hidden, and
// for the contact and code tables the cipher (cmGost under the fixed password).
void ConfigureTrackerTable(TXbSmartDBF& table, bool enciphered);

// The grid layout files beside the program, in the order of Tmainfrm::Grids().
extern const char* const kGridLayoutFiles[8];

// The address of the maker's web site, opened on the first start.
extern const char* const kMakerWebSite;
// The maker's forum and other-products pages and the support mail address (Help menu).
extern const char* const kMakerForum;
extern const char* const kMakerOtherProducts;
extern const char* const kSupportMailAddress;

class Tmainfrm;
// The main window once created (null before and after).
extern Tmainfrm* mainfrm;

class Tmainfrm : public TForm {
public:
    explicit Tmainfrm(TComponent* owner);
    ~Tmainfrm() override;
    const char* ClassName() const noexcept override { return "Tmainfrm"; }
    static void RegisterClass();

    // A component of the form by name; raises EComponentError when it is missing or of
    // another class.
    template <class T>
    T* Get(const std::string& name) const
    {
        auto* component = dynamic_cast<T*>(FindComponent(name));
        if (component == nullptr) {
            throw EComponentError("Component " + name + " not found");
        }
        return component;
    }

    // ---- message table
    // Line n of the message table; empty when the table has no such line.
    std::string Message(int n) const;
    // The missing-updater error: line 62 when the language's table has one, otherwise line 8
    // ("... is missing!"), which says the same.
    std::string MissingUpdaterMessage() const;
    // Replaces the message table by the lines of a ".mes" file as far as the file goes; lines the
    // file does not have keep their built-in text, so a short or old file never leaves a message
    // empty. Nothing changes when the file does not exist (answers false).
    bool LoadMessageFile(const std::string& fileName);

    // ---- language
    // The language manager `lngmanager` of the window.
    TLangManager* LanguageManager() const;
    // The program's "language/" folder with a trailing "/".
    static std::string LanguageFolder();
    // Points the manager at the language folder and makes the language of Settings/Language
    // current when its file is there, else "English" when "English.lng" is there; every window
    // with a translator is translated at once.
    void SelectLanguageFromSettings();

    // ---- the nine table components and their data sources
    TXbSmartDBF* maindb = nullptr;
    TXbSmartDBF* subdb = nullptr;
    TXbSmartDBF* appsdb = nullptr;
    TXbSmartDBF* listdb = nullptr;
    TXbSmartDBF* contactdb = nullptr;
    TXbSmartDBF* workdb = nullptr;
    TXbSmartDBF* codedb = nullptr;
    TXbSmartDBF* importdb = nullptr;
    TXbSmartDBF* importcontact = nullptr;
    // Every table of the window, the seven tracker tables first.
    std::vector<TXbSmartDBF*> Tables() const;

    // ---- components used throughout
    TPageControl* tabs = nullptr;
    TStatusBar* sb_panel = nullptr;
    TMemo* messages = nullptr;
    TMemo* note = nullptr;
    TRichEdit* quickstart = nullptr;
    TToolBar* toolbar = nullptr;
    TTimer* startuptimer = nullptr;
    TListBox* serverlist = nullptr;
    TComboBox* fieldlist = nullptr;
    TComboBox* filtervalue = nullptr;
    TComboBox* operation = nullptr;
    TDBEdit* activeproduct = nullptr;
    TDBEdit* activeticket = nullptr;
    TDBEdit* activesubticket = nullptr;
    TPanel* viewpanel = nullptr;
    TPanel* leftprojectspanel = nullptr;
    TSplitter* projectsplitter = nullptr;
    TPanel* subpanel = nullptr;
    TPanel* leftpanel = nullptr;
    TSuTrayIcon* trayicon = nullptr;
    TGtVersionInfo* GtVersionInfo1 = nullptr;
    TKitAboutDlg* aboutdlg = nullptr;
    // Help > About and the tray menu's About: the about box with the program's version.
    void aboutClick(TObject* sender);
    TMenuItem* ViewPanel1 = nullptr;
    TMenuItem* ViewLeftProjectListPanel1 = nullptr;
    // The eight grids in the order of their layout files.
    TDBGrid* productgrid = nullptr;
    TDBGrid* projectgrid = nullptr;
    TDBGrid* maingrid = nullptr;
    TDBGrid* subgrid = nullptr;
    TDBGrid* listgrid = nullptr;
    TDBGrid* contactgrid = nullptr;
    TDBGrid* workgrid = nullptr;
    TDBGrid* codegrid = nullptr;

    // ---- start-up and shut-down
    void FormCreate(TObject* sender);
    void startuptimerTimer(TObject* sender);
    void FormClose(TObject* sender, TCloseAction& action);
    void btn_exitClick(TObject* sender);
    void OpenSettingsIni();
    void OpenOnlineIni();
    void CheckWindowsVersion();
    void ApplyHiddenTabs();

    // ---- pages, panels and navigation
    void btn_projectClick(TObject* sender);
    void btn_ticketClick(TObject* sender);
    void btn_subticketClick(TObject* sender);
    void btn_worktimeClick(TObject* sender);
    void btn_contactsClick(TObject* sender);
    void btn_listsClick(TObject* sender);
    void btn_changelogClick(TObject* sender);
    void btn_statisticsClick(TObject* sender);
    void btn_codedatabaseClick(TObject* sender);
    void Projects1Click(TObject* sender);
    void Tickets1Click(TObject* sender);
    void SubTickets1Click(TObject* sender);
    void Worktime1Click(TObject* sender);
    void Contacts1Click(TObject* sender);
    void Lists1Click(TObject* sender);
    void ChangeLog1Click(TObject* sender);
    void Statistics1Click(TObject* sender);
    void CodeDatabase1Click(TObject* sender);
    void KitButton14Click(TObject* sender);
    void tab1Show(TObject* sender);
    void tab2Show(TObject* sender);
    void tab3Show(TObject* sender);
    void tab16Show(TObject* sender);
    void tab6Show(TObject* sender);
    void tab17Show(TObject* sender);
    void tab4Show(TObject* sender);
    void ViewPanel1Click(TObject* sender);
    void ViewLeftProjectListPanel1Click(TObject* sender);
    void FormResize(TObject* sender);
    void ApplicationEvents1Message(TMsg& message, bool& handled);

    // ---- ticket commands (Unit1Tickets.cpp): open the ticket editor to add or edit a ticket, and
    // delete a ticket
    void Add1Click(TObject* sender);
    void newticketbtnClick(TObject* sender);
    void Edit1Click(TObject* sender);
    void Delete1Click(TObject* sender);
    // Opens the ownership dialog (modal) on the current ticket.
    void Modificationoftheprojectownership1Click(TObject* sender);

    // ---- sub-ticket commands (Unit1SubTickets.cpp): open the sub-ticket editor to add or edit a
    // sub-ticket, and delete a sub-ticket
    void BindSubTicketHandlers(THandlerTable& handlers);
    void Add2Click(TObject* sender);
    void Edit2Click(TObject* sender);
    void Delete2Click(TObject* sender);
    void add_sub_btnClick(TObject* sender);
    void Addasubtickettothisactivity1Click(TObject* sender);
    // ---- project editor commands (Unit1Projects.cpp): open the project editor to add or edit a
    // project version, and delete a version
    void addproductbtnClick(TObject* sender);
    void editproductbtnClick(TObject* sender);
    void deleteproductbtnClick(TObject* sender);
    void BindProjectHandlers(THandlerTable& handlers);
    // ---- list, contact and code-database commands (Unit1Lists.cpp, Unit1Contacts.cpp,
    // Unit1Code.cpp): open the list editor Tlistfrm, the contact editor Tcontactfrm or the code
    // editor Tcodefrm to add or edit a record, and delete a record after a confirmation
    void addlistClick(TObject* sender);
    void editlistClick(TObject* sender);
    void OpenEntryinExpertMode1Click(TObject* sender);
    void deletelistClick(TObject* sender);
    void addcontactClick(TObject* sender);
    void editcontactClick(TObject* sender);
    void deletecontactClick(TObject* sender);
    void addcodebtnClick(TObject* sender);
    void editcodebtnClick(TObject* sender);
    void deletecodebtnClick(TObject* sender);
    void BindListHandlers(THandlerTable& handlers);
    void BindContactHandlers(THandlerTable& handlers);
    void BindCodeHandlers(THandlerTable& handlers);
    // ---- work-time commands (Unit1WorkTime.cpp): open the work-time editor to add an entry to the
    // current ticket or sub-ticket or to edit the current entry, and delete an entry
    void Addworktimeentrytothisactivity1Click(TObject* sender);
    void Addworktimeentrytothisactivity2Click(TObject* sender);
    void editworkbtnClick(TObject* sender);
    void deleteworkbtnClick(TObject* sender);
    void BindWorkTimeHandlers(THandlerTable& handlers);
    // ---- change log and statistics pages (Unit1Reports.cpp): the change log of the active
    // project version, and the nine charts; each chart page's show handler is also the click
    // handler of its "Refresh Report" button
    void makechangelogbtnClick(TObject* sender);
    void tab11Show(TObject* sender);
    void tab12Show(TObject* sender);
    void tab13Show(TObject* sender);
    void tab19Show(TObject* sender);
    void tab20Show(TObject* sender);
    void tab21Show(TObject* sender);
    void tab22Show(TObject* sender);
    void tab23Show(TObject* sender);
    void tab24Show(TObject* sender);
    void BindReportHandlers(THandlerTable& handlers);

    // ---- grids, selection and counters (Unit1Grids.cpp)
    // Cell clicks: enable the buttons of the row and narrow the dependent tables to it.
    void productgridCellClick(TColumn* column);
    void maingridCellClick(TColumn* column);
    void subgridCellClick(TColumn* column);
    void workgridCellClick(TColumn* column);
    void contactgridCellClick(TColumn* column);
    void listgridCellClick(TColumn* column);
    void codegridCellClick(TColumn* column);
    // Double clicks: a click on the grid's edit button, enabled or not.
    void productgridDblClick(TObject* sender);
    void maingridDblClick(TObject* sender);
    void subgridDblClick(TObject* sender);
    void workgridDblClick(TObject* sender);
    void contactgridDblClick(TObject* sender);
    void listgridDblClick(TObject* sender);
    void codegridDblClick(TObject* sender);
    void mainpopupPopup(TObject* sender);
    void subpopupPopup(TObject* sender);
    void productpopupPopup(TObject* sender);
    void projectpopupPopup(TObject* sender);
    void main_btn_attachClick(TObject* sender);
    void Openattachment1Click(TObject* sender);
    void sub_btn_attachClick(TObject* sender);
    void Openattachment2Click(TObject* sender);
    void main_btn_linkClick(TObject* sender);
    void sub_btn_linkClick(TObject* sender);
    void maingridDrawColumnCell(TObject* sender, const TRect& rect, int dataCol, TColumn* column, TGridDrawState state);
    void subgridDrawColumnCell(TObject* sender, const TRect& rect, int dataCol, TColumn* column, TGridDrawState state);
    // The index in ImageList1 of the state icon of the current ticket or sub-ticket row.
    int TicketStateIcon() const;
    int SubTicketStateIcon() const;
    // Shows the number of open tickets of the active project. With `ticketProjects`, the same
    // pass over the ticket table adds the project of every ticket to it as FillProductLists
    // does, whatever the table's filter.
    void CountOpenTickets(TStrings* ticketProjects = nullptr);
    void CountOpenSubTickets();
    // Fills the ticket editor's version lists for the project its `cb_product` shows (nothing
    // while the editor does not exist).
    void FillVersionLists();
    // Fills the project lists of the other windows with the names of the product table, and
    // the project editor's with the projects of the tickets as well.
    void FillProductLists();
    // The first part of FillProductLists: the lists from the product table. Returns the project
    // editor's list (null without the editor) for the tickets' projects to be added to.
    TStrings* FillProductListsFromProductTable();

    // ---- grid layouts
    // The eight grids in the order of their layout files (kGridLayoutFiles).
    const std::vector<TDBGrid*>& Grids() const noexcept { return grids_; }
    // Puts the columns a user reads first at the front of the grids' default columns, the
    // other fields after them (Unit1DefaultLayouts.cpp); the build writes the result as the
    // layout files a first start reads.
    void ArrangeDefaultColumns();

    // ---- table administration (Unit1Administration.cpp): the column setup of seven grids, whose
    // layout file is written after every run of the setup, OK or Cancel; packing of each table
    // with a report of the records removed; record search in the ticket and sub-ticket tables
    TGtSetDBGridDialog* maingridsetup = nullptr;
    TGtSetDBGridDialog* subgridsetup = nullptr;
    TGtSetDBGridDialog* productgridsetup = nullptr;
    TGtSetDBGridDialog* listgridsetup = nullptr;
    TGtSetDBGridDialog* contactgridsetup = nullptr;
    TGtSetDBGridDialog* workgridsetup = nullptr;
    TGtSetDBGridDialog* codegridsetup = nullptr;
    TGtDBFindDialog* mainfind = nullptr;
    TGtDBFindDialog* subfind = nullptr;
    void TableSetup1Click(TObject* sender);
    void TableSetup2Click(TObject* sender);
    void TableSetup3Click(TObject* sender);
    void TableSetup4Click(TObject* sender);
    void TableSetup5Click(TObject* sender);
    void MenuItem1Click(TObject* sender);
    void TableSetup6Click(TObject* sender);
    void Compressmaindatabase1Click(TObject* sender);
    void Compresssubticketdatabase1Click(TObject* sender);
    void Compressproductdatabase1Click(TObject* sender);
    void Compresslistdatabase1Click(TObject* sender);
    void Compresscontactdatabase1Click(TObject* sender);
    void Compressworktimedatabase1Click(TObject* sender);
    void Finalremovalofthedeletedentries1Click(TObject* sender);
    void Find1Click(TObject* sender);
    void Find2Click(TObject* sender);
    // Removes the deleted records of `table` (its filter kept) and reports how many went.
    void PackTable(TXbSmartDBF& table);
    // The hidden "Open Database" button: opens another ticket table and the sub-ticket table
    // beside it.
    void btn_openClick(TObject* sender);
    void BindAdministrationHandlers(THandlerTable& handlers);

    // ---- export (Unit1Export.cpp): one export component per table, run from the "Export" item of
    // its grid's popup; the code table has none. The two grid exports are never run.
    TExDataSetExport* mainexport = nullptr;
    TExDataSetExport* subexport = nullptr;
    TExDataSetExport* productexport = nullptr;
    TExDataSetExport* projectexport = nullptr;
    TExDataSetExport* listexport = nullptr;
    TExDataSetExport* contactexport = nullptr;
    TExDataSetExport* workexport = nullptr;
    TExDBGridExport* mainexport1 = nullptr;
    TExDBGridExport* subexport1 = nullptr;
    void Export1Click(TObject* sender);
    void Export2Click(TObject* sender);
    void Export3Click(TObject* sender);
    void Export4Click(TObject* sender);
    void Export5Click(TObject* sender);
    void Export6Click(TObject* sender);
    void Export7Click(TObject* sender);
    void BindExportHandlers(THandlerTable& handlers);

    // ---- Help menu and tool-bar links (Unit1Help.cpp): the updater and problem-report programs
    // beside the executable, mail links to support, the maker's web pages and the readme
    void CheckforUpdates1Click(TObject* sender);
    void SendBugReport1Click(TObject* sender);
    void btn_bugClick(TObject* sender);
    void SendEmail1Click(TObject* sender);
    void ApplicationtoBetaTester1Click(TObject* sender);
    void VisitHomePage1Click(TObject* sender);
    void Forum1Click(TObject* sender);
    void OpenReadmefile1Click(TObject* sender);
    void OtherProducts1Click(TObject* sender);
    void BindHelpHandlers(THandlerTable& handlers);

    // ---- import of tables of earlier versions (Unit1Import.cpp): each appends every record of a
    // chosen table (opened read-only, deleted records skipped) to the matching table
    void Import2xTrevassoMAINdatabase1Click(TObject* sender);
    void Import2xTrevassoSUBdatabase1Click(TObject* sender);
    void ImportZentivorv3xPRODUCTPROJECTdatabase1Click(TObject* sender);
    void ImportZentivorv3xTICKETdatabase1Click(TObject* sender);
    void ImportZentivorv3xSUBTICKETdatabase1Click(TObject* sender);
    void ImportZentivorv3xLISTdatabase1Click(TObject* sender);
    void ImportZentivorv3xCONTACTdatabase1Click(TObject* sender);
    void ImportZentivorv3xWORKTIMEdatabase1Click(TObject* sender);
    void BindImportHandlers(THandlerTable& handlers);

    // ---- quick filter and table filters (Unit1Filters.cpp)
    void fieldlistChange(TObject* sender);
    void filtervalueChange(TObject* sender);
    void RemoveFilter1Click(TObject* sender);
    void Completedgreen1Click(TObject* sender);
    void Incompletedredyellowandblue1Click(TObject* sender);
    void ShowFilterString1Click(TObject* sender);
    void UserDefinedFilterString1Click(TObject* sender);
    void showactiveClick(TObject* sender);
    void cb_listfilterChange(TObject* sender);
    void tab7Exit(TObject* sender);
    void contactfilterChange(TObject* sender);
    void nofilterbtnClick(TObject* sender);
    void yesnobtnClick(TObject* sender);
    // Sets a table's filter the one way the window does it: filtering off, text, filtering on.
    static void ApplyFilter(TDataSet& table, const std::string& text);
    // The filter of the active project's tickets: PRODUCT='name'.
    std::string ProjectFilter() const;
    // A saved or remembered ticket filter as it is to be set again. The filter for an empty
    // project name, which the window sets while the project table is empty, stands for the
    // active project once there is one: otherwise the first project's tickets, and every ticket
    // saved since, would stay hidden behind it.
    std::string TicketFilterToRestore(const std::string& filter) const;

    // ---- guards
    // Runs `action`; when it fails, cancels a pending insert or edit of every table of the
    // window and lets the error go on.
    void RunHandler(const std::function<void()>& action);
    // Runs `action` inside the window's catch-all: an Exception is shown as "ClassName: message"
    // in an error box (pending inserts and edits cancelled first) and the routine ends there.
    // Returns false when it ended that way.
    bool RunCatchAll(const std::function<void()>& action);
    void CancelPendingEdits() noexcept;

    // A warning balloon of the notification-area icon with `text` (its title is the icon's).
    void ShowTrayBalloon(const std::string& text);

    // What start-up got as far as loading; shut-down writes back only what was loaded, so a
    // start-up that stopped early never overwrites saved state with empty values.
    struct TLoadedState {
        bool Placement = false;   // window placement read
        bool Project = false;     // project table moved to the saved record
        bool Layouts = false;     // grid layout files read
        bool Notes = false;       // "note.dat" read
        bool Panels = false;      // panel settings read
        bool Session = false;     // the post-start step restored the saved page and filter
    };
    const TLoadedState& LoadedState() const noexcept { return loaded_; }

private:
    void BindHandlers(THandlerTable& handlers);
    void BindGridHandlers(THandlerTable& handlers);
    void BindFilterHandlers(THandlerTable& handlers);
    // Attachments and links of the current ticket (position 16) or sub-ticket (position 9).
    void EnableAttachmentButtons(TDataSet& table, int position, const char* attachButton, const char* linkButton);
    void OpenAttachment(TDataSet& table, int position);
    void OpenWebLink(TDataSet& table, int position);
    void DrawStateCell(TDBGrid& grid, const TRect& rect, TColumn* column, int icon, int attachmentPosition);
    void ClearQuickFilterValues();
    void FindComponents();
    void CreateTables();
    void CreateAdministrationComponents();
    void CreateExportComponents();
    // Opens a mail link to support with `subject` followed by nothing else.
    void OpenSupportMail(const std::string& subject);
    void ShowErrorBox(const std::string& text);
    void SelectPage(int index);
    void ShowWindowModal(const std::string& name);

    // FormCreate steps.
    void LoadLanguage();
    void LoadMessageTable();
    void ApplyGridColor();
    void LoadServerList();
    void ResolveFolders();
    void MakeStartupBackup();
    void OpenTables();
    void RestoreStartupFilter();
    void LoadGridLayouts();
    void LoadPanels();

    // Shut-down steps.
    bool ConfirmExit();
    void SavePlacement(bool withPanelSizes);
    void SaveGridLayouts();
    void CloseTables();
    void SaveSessionKeys();
    void SaveProjectPanelWidth();
    void SaveNotes();

    std::unique_ptr<TIniFile> settingsIni_;
    std::unique_ptr<TIniFile> onlineIni_;
    std::vector<TDBGrid*> grids_;
    TLoadedState loaded_;
    std::vector<std::string> builtInMessages_;  // the message table as the form gives it
};
