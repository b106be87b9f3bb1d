// The main window: construction, handler guards, the message table, pages, panels, navigation,
// hidden areas and the mouse-wheel hook.
#include "app/Unit1.h"
#include "i18n/LangKit.h"

#include "app/EditorSupport.h"
#include "app/FilterText.h"
#include "app/Settings.h"
#include "app/Unit1HandlerBinding.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/classes/FormReader.h"
#include "platform/classes/PropertyRegistry.h"
#include "platform/db/DBRegistration.h"
#include "platform/db/DataSource.h"
#include "platform/gui/DataControlsRegistration.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/Files.h"
#include "sysutil/GtCVersInfo.h"
#include "sysutil/SuComponents.h"
#include "widgets/KitCustomButton.h"

#include <cstdint>

TIniFile* SettingsIni = nullptr;
TIniFile* OnlineIni = nullptr;
std::string CurrentUserName;
std::string DatabaseFolder;
std::string BackupFolder;
std::string AttachmentFolder;
std::string OsName;
uint8_t TicketEditMode = 0;
uint8_t SubTicketEditMode = 0;
Tmainfrm* mainfrm = nullptr;

const char* const kMakerWebSite = "https://www.quandrel.example/zentivor/";

std::string FileInFolder(const std::string& folder, const std::string& name)
{
    if (folder.empty()) {
        return std::string();
    }
    return MapStoredPath(folder, name);
}

namespace {

// Page indexes of `tabs`.
constexpr int kProjectsPage = 1;
constexpr int kTicketsPage = 2;
constexpr int kSubTicketsPage = 3;
constexpr int kWorktimePage = 4;
constexpr int kContactsPage = 5;
constexpr int kListsPage = 6;
constexpr int kChangeLogPage = 7;
constexpr int kStatisticsPage = 8;
constexpr int kCodePage = 9;

// The LISTID of the job list, whose items the contact filter offers.
constexpr int kJobListId = 8;

// Binds a handler method under its name, run inside the window's handler guard.
template <class... Args>
void Bind(THandlerTable& handlers, Tmainfrm* form, const char* name, void (Tmainfrm::*method)(Args...))
{
    handlers.Add(name, std::function<void(Args...)>([form, method](Args... args) {
                     form->RunHandler([&] { (form->*method)(args...); });
                 }));
}

}  // namespace

void Tmainfrm::RegisterClass()
{
    RegisterKitButtonClasses();
    RegisterLangKitClasses();
    RegisterDBClasses();
    RegisterDataControlClasses();
    RegisterKitDialogClasses();
    SuKitStart();
    static const bool registered = [] {
        TClassRegistration<Tmainfrm, TForm>("Tmainfrm");
        return true;
    }();
    (void)registered;
}

Tmainfrm::Tmainfrm(TComponent* owner) : TForm(owner)
{
    RegisterClass();
    mainfrm = this;
    SetName("mainfrm");
    // The tables exist before the description is read, so that the data sources and the
    // data-aware controls find them when FormCreate opens them.
    CreateTables();
    THandlerTable handlers;
    BindHandlers(handlers);
    BindGridHandlers(handlers);
    BindFilterHandlers(handlers);
    BindSubTicketHandlers(handlers);
    BindProjectHandlers(handlers);
    BindListHandlers(handlers);
    BindContactHandlers(handlers);
    BindCodeHandlers(handlers);
    BindWorkTimeHandlers(handlers);
    BindReportHandlers(handlers);
    BindAdministrationHandlers(handlers);
    BindExportHandlers(handlers);
    BindHelpHandlers(handlers);
    BindImportHandlers(handlers);
    BindMainHandler(handlers, this, "aboutClick", &Tmainfrm::aboutClick);
    // FormCreate runs at the end of the reading, once every component is there.
    handlers.Add("FormCreate", TNotifyEvent([this](TObject* sender) {
                     FindComponents();
                     CreateAdministrationComponents();
                     CreateExportComponents();
                     RunHandler([&] { FormCreate(sender); });
                 }));
    LoadForm(&handlers);
}

Tmainfrm::~Tmainfrm()
{
    DoDestroy();
    // The tables close before the form's components go (the work-time table closes here).
    for (TXbSmartDBF* table : Tables()) {
        if (table != nullptr) {
            try {
                table->Close();
            } catch (...) {
                // The window is going; a table that cannot close cleanly is left to its destructor.
            }
        }
    }
    if (mainfrm == this) {
        mainfrm = nullptr;
    }
    if (SettingsIni == settingsIni_.get()) {
        SettingsIni = nullptr;
    }
    if (OnlineIni == onlineIni_.get()) {
        OnlineIni = nullptr;
    }
}

void Tmainfrm::BindHandlers(THandlerTable& handlers)
{
    Bind(handlers, this, "FormClose", &Tmainfrm::FormClose);
    Bind(handlers, this, "FormResize", &Tmainfrm::FormResize);
    Bind(handlers, this, "startuptimerTimer", &Tmainfrm::startuptimerTimer);
    Bind(handlers, this, "btn_exitClick", &Tmainfrm::btn_exitClick);
    Bind(handlers, this, "btn_projectClick", &Tmainfrm::btn_projectClick);
    Bind(handlers, this, "btn_ticketClick", &Tmainfrm::btn_ticketClick);
    Bind(handlers, this, "btn_subticketClick", &Tmainfrm::btn_subticketClick);
    Bind(handlers, this, "btn_worktimeClick", &Tmainfrm::btn_worktimeClick);
    Bind(handlers, this, "btn_contactsClick", &Tmainfrm::btn_contactsClick);
    Bind(handlers, this, "btn_listsClick", &Tmainfrm::btn_listsClick);
    Bind(handlers, this, "btn_changelogClick", &Tmainfrm::btn_changelogClick);
    Bind(handlers, this, "btn_statisticsClick", &Tmainfrm::btn_statisticsClick);
    Bind(handlers, this, "btn_codedatabaseClick", &Tmainfrm::btn_codedatabaseClick);
    Bind(handlers, this, "Projects1Click", &Tmainfrm::Projects1Click);
    Bind(handlers, this, "Tickets1Click", &Tmainfrm::Tickets1Click);
    Bind(handlers, this, "SubTickets1Click", &Tmainfrm::SubTickets1Click);
    Bind(handlers, this, "Worktime1Click", &Tmainfrm::Worktime1Click);
    Bind(handlers, this, "Contacts1Click", &Tmainfrm::Contacts1Click);
    Bind(handlers, this, "Lists1Click", &Tmainfrm::Lists1Click);
    Bind(handlers, this, "ChangeLog1Click", &Tmainfrm::ChangeLog1Click);
    Bind(handlers, this, "Statistics1Click", &Tmainfrm::Statistics1Click);
    Bind(handlers, this, "CodeDatabase1Click", &Tmainfrm::CodeDatabase1Click);
    Bind(handlers, this, "KitButton14Click", &Tmainfrm::KitButton14Click);
    Bind(handlers, this, "Modificationoftheprojectownership1Click", &Tmainfrm::Modificationoftheprojectownership1Click);
    Bind(handlers, this, "Add1Click", &Tmainfrm::Add1Click);
    Bind(handlers, this, "newticketbtnClick", &Tmainfrm::newticketbtnClick);
    Bind(handlers, this, "Edit1Click", &Tmainfrm::Edit1Click);
    Bind(handlers, this, "Delete1Click", &Tmainfrm::Delete1Click);
    Bind(handlers, this, "tab1Show", &Tmainfrm::tab1Show);
    Bind(handlers, this, "tab2Show", &Tmainfrm::tab2Show);
    Bind(handlers, this, "tab3Show", &Tmainfrm::tab3Show);
    Bind(handlers, this, "tab16Show", &Tmainfrm::tab16Show);
    Bind(handlers, this, "tab6Show", &Tmainfrm::tab6Show);
    Bind(handlers, this, "tab17Show", &Tmainfrm::tab17Show);
    Bind(handlers, this, "tab4Show", &Tmainfrm::tab4Show);
    Bind(handlers, this, "ViewPanel1Click", &Tmainfrm::ViewPanel1Click);
    Bind(handlers, this, "ViewLeftProjectListPanel1Click", &Tmainfrm::ViewLeftProjectListPanel1Click);
    Bind(handlers, this, "ApplicationEvents1Message", &Tmainfrm::ApplicationEvents1Message);
}

void Tmainfrm::FindComponents()
{
    tabs = Get<TPageControl>("tabs");
    sb_panel = Get<TStatusBar>("sb_panel");
    messages = Get<TMemo>("messages");
    note = Get<TMemo>("note");
    quickstart = Get<TRichEdit>("quickstart");
    toolbar = Get<TToolBar>("toolbar");
    startuptimer = Get<TTimer>("startuptimer");
    serverlist = Get<TListBox>("serverlist");
    fieldlist = Get<TComboBox>("fieldlist");
    filtervalue = Get<TComboBox>("filtervalue");
    operation = Get<TComboBox>("operation");
    activeproduct = Get<TDBEdit>("activeproduct");
    activeticket = Get<TDBEdit>("activeticket");
    activesubticket = Get<TDBEdit>("activesubticket");
    viewpanel = Get<TPanel>("viewpanel");
    leftprojectspanel = Get<TPanel>("leftprojectspanel");
    projectsplitter = Get<TSplitter>("projectsplitter");
    subpanel = Get<TPanel>("subpanel");
    leftpanel = Get<TPanel>("leftpanel");
    trayicon = Get<TSuTrayIcon>("trayicon");
    GtVersionInfo1 = Get<TGtVersionInfo>("GtVersionInfo1");
    aboutdlg = Get<TKitAboutDlg>("aboutdlg");
    ViewPanel1 = Get<TMenuItem>("ViewPanel1");
    ViewLeftProjectListPanel1 = Get<TMenuItem>("ViewLeftProjectListPanel1");
    productgrid = Get<TDBGrid>("productgrid");
    projectgrid = Get<TDBGrid>("projectgrid");
    maingrid = Get<TDBGrid>("maingrid");
    subgrid = Get<TDBGrid>("subgrid");
    listgrid = Get<TDBGrid>("listgrid");
    contactgrid = Get<TDBGrid>("contactgrid");
    workgrid = Get<TDBGrid>("workgrid");
    codegrid = Get<TDBGrid>("codegrid");
    grids_ = {productgrid, projectgrid, maingrid, subgrid, listgrid, contactgrid, workgrid, codegrid};

    // The data sources of the form show the tables the window made.
    Get<TDataSource>("maincon")->SetDataSet(maindb);
    Get<TDataSource>("subcon")->SetDataSet(subdb);
    Get<TDataSource>("appscon")->SetDataSet(appsdb);
    Get<TDataSource>("listcon")->SetDataSet(listdb);
    Get<TDataSource>("contactcon")->SetDataSet(contactdb);
    Get<TDataSource>("workcon")->SetDataSet(workdb);
    Get<TDataSource>("codecon")->SetDataSet(codedb);
}

std::vector<TXbSmartDBF*> Tmainfrm::Tables() const
{
    return {maindb, subdb, appsdb, listdb, contactdb, workdb, codedb, importdb, importcontact};
}

// ---------------------------------------------------------------------------------------------
// Guards

void Tmainfrm::CancelPendingEdits() noexcept
{
    for (TXbSmartDBF* table : Tables()) {
        if (table == nullptr) {
            continue;
        }
        const TDataSetState state = table->State();
        if (state == TDataSetState::dsInsert || state == TDataSetState::dsEdit) {
            try {
                table->Cancel();
            } catch (...) {
                // Cancelling only drops the record buffer; nothing more can be done here.
            }
        }
    }
}

void Tmainfrm::RunHandler(const std::function<void()>& action)
{
    try {
        action();
    } catch (...) {
        CancelPendingEdits();
        throw;
    }
}

bool Tmainfrm::RunCatchAll(const std::function<void()>& action)
{
    try {
        action();
        return true;
    } catch (const Exception& error) {
        CancelPendingEdits();
        if (Application != nullptr) {
            Application->ShowException(error);
        } else {
            ShowErrorBox(error.DisplayText());
        }
        return false;
    }
}

void Tmainfrm::ShowErrorBox(const std::string& text)
{
    MessageDlg(text, TMsgDlgType::mtError, {TMsgDlgBtn::mbOK});
}

// ---------------------------------------------------------------------------------------------
// Message table

std::string Tmainfrm::Message(int n) const
{
    if (messages == nullptr || n < 0 || n >= messages->Lines().Count()) {
        return std::string();
    }
    return messages->Lines()[n];
}

std::string Tmainfrm::MissingUpdaterMessage() const
{
    constexpr int kUpdaterMissing = 62;
    constexpr int kUpdaterMissingBuiltIn = 8;
    if (messages != nullptr && messages->Lines().Count() > kUpdaterMissing) {
        return Message(kUpdaterMissing);
    }
    return Message(kUpdaterMissingBuiltIn);
}

void Tmainfrm::ShowTrayBalloon(const std::string& text)
{
    trayicon->SetInfoType(TSuTrayIconInfoType::tiiWarning);
    trayicon->SetInfoText(text);
    trayicon->ShowBalloon();
}

// ---------------------------------------------------------------------------------------------
// Navigation

void Tmainfrm::SelectPage(int index)
{
    tabs->SetActivePageIndex(index);
}

void Tmainfrm::btn_projectClick(TObject*) { SelectPage(kProjectsPage); }
void Tmainfrm::btn_ticketClick(TObject*) { SelectPage(kTicketsPage); }
void Tmainfrm::btn_subticketClick(TObject*) { SelectPage(kSubTicketsPage); }
void Tmainfrm::btn_worktimeClick(TObject*) { SelectPage(kWorktimePage); }
void Tmainfrm::btn_contactsClick(TObject*) { SelectPage(kContactsPage); }
void Tmainfrm::btn_listsClick(TObject*) { SelectPage(kListsPage); }
void Tmainfrm::btn_changelogClick(TObject*) { SelectPage(kChangeLogPage); }
void Tmainfrm::btn_statisticsClick(TObject*) { SelectPage(kStatisticsPage); }
void Tmainfrm::btn_codedatabaseClick(TObject*) { SelectPage(kCodePage); }
void Tmainfrm::Projects1Click(TObject*) { SelectPage(kProjectsPage); }
void Tmainfrm::Tickets1Click(TObject*) { SelectPage(kTicketsPage); }
void Tmainfrm::SubTickets1Click(TObject*) { SelectPage(kSubTicketsPage); }
void Tmainfrm::Worktime1Click(TObject*) { SelectPage(kWorktimePage); }
void Tmainfrm::Contacts1Click(TObject*) { SelectPage(kContactsPage); }
void Tmainfrm::Lists1Click(TObject*) { SelectPage(kListsPage); }
void Tmainfrm::ChangeLog1Click(TObject*) { SelectPage(kChangeLogPage); }
void Tmainfrm::Statistics1Click(TObject*) { SelectPage(kStatisticsPage); }
void Tmainfrm::CodeDatabase1Click(TObject*) { SelectPage(kCodePage); }

void Tmainfrm::ShowWindowModal(const std::string& name)
{
    // The windows the program creates at start are owned by the application.
    if (Application == nullptr) {
        return;
    }
    if (auto* form = dynamic_cast<TCustomForm*>(Application->FindComponent(name))) {
        form->ShowModal();
    }
}

void Tmainfrm::KitButton14Click(TObject*)
{
    ShowWindowModal("settingsfrm");
}

// ---------------------------------------------------------------------------------------------
// Page show handlers

void Tmainfrm::tab1Show(TObject*) {}

void Tmainfrm::tab2Show(TObject*) {}

void Tmainfrm::tab3Show(TObject*)
{
    if (!subdb->Active()) {
        return;
    }
    ApplyFilter(*subdb, FieldEqualsFilter("TICKETID", activeticket->Text()));
    for (const char* name : {"sub_btn_edit", "sub_btn_delete", "sub_btn_attach", "sub_btn_link"}) {
        Get<TControl>(name)->SetEnabled(false);
    }
    subdb->First();
}

void Tmainfrm::tab16Show(TObject*)
{
    if (!workdb->Active()) {
        return;
    }
    ApplyFilter(*workdb, FieldEqualsFilter("TICKETID", activeticket->Text()));
    workdb->First();
}

void Tmainfrm::tab6Show(TObject*)
{
    if (!listdb->Active()) {
        return;
    }
    auto* contactfilter = Get<TComboBox>("contactfilter");
    TStrings& items = contactfilter->Items();
    items.Clear();
    items.Add("");
    TControlsOff controlsOff(*listdb);
    listdb->First();
    while (!listdb->Eof()) {
        if (listdb->Fields().Fields(0)->AsInteger() == kJobListId) {
            AddUnique(items, listdb->Fields().Fields(2)->AsString());
        }
        listdb->Next();
    }
}

void Tmainfrm::tab17Show(TObject*)
{
    Get<TMemo>("changelog")->Clear();
}

void Tmainfrm::tab4Show(TObject*)
{
    auto* pages = Get<TPageControl>("pages");
    TTabSheet* first = pages->Pages(0);
    if (pages->ActivePage() == first) {
        if (first->OnShow) {
            first->OnShow(first);
        }
    } else {
        pages->SetActivePage(first);
    }
}

// ---------------------------------------------------------------------------------------------
// Panels

void Tmainfrm::ViewPanel1Click(TObject*)
{
    viewpanel->SetVisible(!viewpanel->Visible());
    WriteSetting(*SettingsIni, Setting::ShowViewPanel, viewpanel->Visible());
    ViewPanel1->SetChecked(viewpanel->Visible());
}

void Tmainfrm::ViewLeftProjectListPanel1Click(TObject*)
{
    projectsplitter->SetVisible(!projectsplitter->Visible());
    leftprojectspanel->SetVisible(!leftprojectspanel->Visible());
    WriteSetting(*SettingsIni, Setting::ShowProjectPanel, leftprojectspanel->Visible());
    ViewLeftProjectListPanel1->SetChecked(leftprojectspanel->Visible());
}

void Tmainfrm::FormResize(TObject*)
{
    if (quickstart != nullptr) {
        quickstart->Repaint();
    }
    if (sb_panel != nullptr) {
        sb_panel->Repaint();
    }
}

// ---------------------------------------------------------------------------------------------
// Hidden areas

void Tmainfrm::ApplyHiddenTabs()
{
    const TCustomIniFile& ini = *SettingsIni;
    if (ReadSetting(ini, Setting::HideQuickStart)) {
        Get<TTabSheet>("firstpage")->SetTabVisible(false);
    }
    auto apply = [this, &ini](const TBooleanSetting& key, const char* page, std::initializer_list<const char*> controls,
                              std::initializer_list<const char*> items) {
        const bool visible = !ReadSetting(ini, key);
        Get<TTabSheet>(page)->SetTabVisible(visible);
        for (const char* name : controls) {
            Get<TControl>(name)->SetVisible(visible);
        }
        for (const char* name : items) {
            Get<TMenuItem>(name)->SetVisible(visible);
        }
    };
    apply(Setting::HideSubTicket, "tab3", {"btn_subticket"}, {"SubTickets1", "Addasubtickettothisactivity1"});
    apply(Setting::HideWorkTime, "tab16", {"btn_worktime", "addticketworkbtn", "addsubticketworkbtn"},
          {"Worktime1", "Addworktimeentrytothisactivity1", "Addworktimeentrytothisactivity2"});
    apply(Setting::HideContacts, "tab6", {"btn_contacts"}, {"newcontact", "Contacts1"});
    apply(Setting::HideLists, "tab7", {"btn_lists"}, {"Lists1", "newlist"});
    apply(Setting::HideChangeLog, "tab17", {"btn_changelog"}, {"ChangeLog1"});
    apply(Setting::HideCode, "tab18", {"btn_codedatabase"}, {"CodeDatabase1"});
    // Hidden buttons leave no gap.
    toolbar->AlignControls();
}

// ---------------------------------------------------------------------------------------------
// Mouse wheel

void Tmainfrm::ApplicationEvents1Message(TMsg& message, bool&)
{
    // Read every time, so a change in the settings window applies at once.
    const bool wheelMovesRows = SettingsIni == nullptr || ReadSetting(*SettingsIni, Setting::MouseMove);
    if (!wheelMovesRows || message.Message != WM_MOUSEWHEEL) {
        return;
    }
    const auto delta = static_cast<int16_t>(static_cast<uint16_t>((message.WParam >> 16) & 0xFFFFu));
    message.Message = WM_KEYDOWN;
    message.WParam = delta >= 1 ? VK_UP : VK_DOWN;
    message.LParam = 0;
}
