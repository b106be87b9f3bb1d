// The main window's grids: what a click, double click or popup on a row enables, how the
// dependent tables follow the selected project, ticket and sub-ticket, the attachment and
// web-link commands, the state icons of the ticket and sub-ticket grids, the open-ticket and
// open-sub-ticket counters and the project and version pick lists of other windows.
#include "app/EditorSupport.h"
#include "app/FilterText.h"
#include "app/Unit1HandlerBinding.h"
#include "app/Settings.h"
#include "app/Unit4.h"
#include "app/tables/TrackerTables.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/gui/ImgList.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/System.h"

#include <cmath>
#include <functional>
#include <string>

namespace {

constexpr int kTicketAttachment = static_cast<int>(TTicketField::ATTACHMENT);
constexpr int kSubTicketAttachment = static_cast<int>(TSubticketField::ATTACHMENT);
constexpr int kTicketCompleted = static_cast<int>(TTicketField::COMPLETED);
constexpr int kTicketProduct = static_cast<int>(TTicketField::PRODUCT);
constexpr int kSubTicketCompleted = static_cast<int>(TSubticketField::COMPLETED);
constexpr int kProductClosed = static_cast<int>(TProductField::CLOSED);
constexpr int kListNoDelete = static_cast<int>(TListField::NODELETE);

// Icons of ImageList1.
constexpr int kIconCompleted = 0;
constexpr int kIconStarted = 1;
constexpr int kIconNotStarted = 2;
constexpr int kIconReminderDue = 3;
constexpr int kIconDueReached = 4;
constexpr int kIconAttachment = 5;

// Status bar panels.
constexpr int kTicketPositionPanel = 1;
constexpr int kSubTicketPositionPanel = 3;
constexpr int kProjectPanel = 4;

// The positions of the fields the state icon is chosen from.
struct TStateFields {
    int Completed;
    int Due;
    int Reminder;
    int Started;
};
constexpr TStateFields kTicketStateFields{kTicketCompleted, static_cast<int>(TTicketField::DUE),
                                          static_cast<int>(TTicketField::REMINDERON),
                                          static_cast<int>(TTicketField::STARTED)};
constexpr TStateFields kSubTicketStateFields{kSubTicketCompleted, static_cast<int>(TSubticketField::DUE),
                                             static_cast<int>(TSubticketField::REMINDERON),
                                             static_cast<int>(TSubticketField::STARTED)};

// True when the table is open and on a record.
bool OnRecord(const TDataSet& table)
{
    return table.Active() && !table.IsEmpty() && table.RecNo() >= 0;
}

std::string FieldText(const TDataSet& table, int position)
{
    return table.Fields().Fields(position)->AsString();
}

// Adds the project of the ticket the table's fields read, when it has one.
void AddTicketProject(const TDataSet& tickets, TUniqueTexts& projects)
{
    const std::string name = FieldText(tickets, kTicketProduct);
    if (!name.empty()) {
        projects.Add(name);
    }
}

// Runs `visit` for every record of the table with its filter switched off, then gives the
// filter and the record back.
void VisitWholeTable(TDataSet& table, const std::function<void()>& visit)
{
    TWholeTableWalk walk(table);
    {
        TControlsOff controlsOff(table);
        table.First();
        VisitRecords(table, visit);
    }
    walk.Restore();
}

// A date field that is set and not after today.
bool DateReached(const TDataSet& table, int position, TDateTime today)
{
    const TField* field = table.Fields().Fields(position);
    return !field->AsString().empty() && field->AsDateTime() <= today;
}

int StateIcon(const TDataSet& table, const TStateFields& fields)
{
    const TDateTime today = std::floor(Date());
    if (table.Fields().Fields(fields.Completed)->AsBoolean()) {
        return kIconCompleted;
    }
    if (DateReached(table, fields.Due, today)) {
        return kIconDueReached;
    }
    if (DateReached(table, fields.Reminder, today)) {
        return kIconReminderDue;
    }
    if (!FieldText(table, fields.Started).empty()) {
        return kIconStarted;
    }
    return kIconNotStarted;
}

// The attachment file of the current record; empty when there is none or it does not exist.
std::string ExistingAttachment(const TDataSet& table, int position)
{
    const std::string name = FieldText(table, position);
    if (name.empty()) {
        return std::string();
    }
    const std::string path = FileInFolder(AttachmentFolder, name);
    return !path.empty() && FileExists(path) ? path : std::string();
}

// The item list of a combo or list box.
TStrings* ItemsOf(TComponent* component)
{
    if (auto* combo = dynamic_cast<TComboBox*>(component)) {
        return &combo->Items();
    }
    if (auto* list = dynamic_cast<TListBox*>(component)) {
        return &list->Items();
    }
    return nullptr;
}

// A control of another window of the program (windows are owned by the application); null
// when that window or control is not there.
TComponent* OtherWindowControl(const char* window, const char* control)
{
    if (Application == nullptr) {
        return nullptr;
    }
    TComponent* form = Application->FindComponent(window);
    return form != nullptr ? form->FindComponent(control) : nullptr;
}

}  // namespace

void Tmainfrm::BindGridHandlers(THandlerTable& handlers)
{
    BindMainHandler(handlers, this, "productgridCellClick", &Tmainfrm::productgridCellClick);
    BindMainHandler(handlers, this, "maingridCellClick", &Tmainfrm::maingridCellClick);
    BindMainHandler(handlers, this, "subgridCellClick", &Tmainfrm::subgridCellClick);
    BindMainHandler(handlers, this, "workgridCellClick", &Tmainfrm::workgridCellClick);
    BindMainHandler(handlers, this, "contactgridCellClick", &Tmainfrm::contactgridCellClick);
    BindMainHandler(handlers, this, "listgridCellClick", &Tmainfrm::listgridCellClick);
    BindMainHandler(handlers, this, "codegridCellClick", &Tmainfrm::codegridCellClick);
    BindMainHandler(handlers, this, "productgridDblClick", &Tmainfrm::productgridDblClick);
    BindMainHandler(handlers, this, "maingridDblClick", &Tmainfrm::maingridDblClick);
    BindMainHandler(handlers, this, "subgridDblClick", &Tmainfrm::subgridDblClick);
    BindMainHandler(handlers, this, "workgridDblClick", &Tmainfrm::workgridDblClick);
    BindMainHandler(handlers, this, "contactgridDblClick", &Tmainfrm::contactgridDblClick);
    BindMainHandler(handlers, this, "listgridDblClick", &Tmainfrm::listgridDblClick);
    BindMainHandler(handlers, this, "codegridDblClick", &Tmainfrm::codegridDblClick);
    BindMainHandler(handlers, this, "mainpopupPopup", &Tmainfrm::mainpopupPopup);
    BindMainHandler(handlers, this, "subpopupPopup", &Tmainfrm::subpopupPopup);
    BindMainHandler(handlers, this, "productpopupPopup", &Tmainfrm::productpopupPopup);
    BindMainHandler(handlers, this, "projectpopupPopup", &Tmainfrm::projectpopupPopup);
    BindMainHandler(handlers, this, "main_btn_attachClick", &Tmainfrm::main_btn_attachClick);
    BindMainHandler(handlers, this, "Openattachment1Click", &Tmainfrm::Openattachment1Click);
    BindMainHandler(handlers, this, "sub_btn_attachClick", &Tmainfrm::sub_btn_attachClick);
    BindMainHandler(handlers, this, "Openattachment2Click", &Tmainfrm::Openattachment2Click);
    BindMainHandler(handlers, this, "main_btn_linkClick", &Tmainfrm::main_btn_linkClick);
    BindMainHandler(handlers, this, "sub_btn_linkClick", &Tmainfrm::sub_btn_linkClick);
    BindMainHandler(handlers, this, "maingridDrawColumnCell", &Tmainfrm::maingridDrawColumnCell);
    BindMainHandler(handlers, this, "subgridDrawColumnCell", &Tmainfrm::subgridDrawColumnCell);
}

// ---------------------------------------------------------------------------------------------
// Cell clicks

void Tmainfrm::productgridCellClick(TColumn*)
{
    if (!OnRecord(*appsdb)) {
        return;
    }
    for (const char* name : {"editproductbtn", "editprojectbtn", "deleteproductbtn", "newticketbtn"}) {
        Get<TControl>(name)->SetEnabled(true);
    }
    if (maindb->Active()) {
        Get<TEdit>("opensubticket")->SetText("");
        ClearQuickFilterValues();
        fieldlist->SetItemIndex(0);
        ApplyFilter(*maindb, ProjectFilter());
        sb_panel->Panels().Items(kProjectPanel)->SetText("PROJECT: " + activeproduct->Text());
        CountOpenSubTickets();
        CountOpenTickets();
    }
    if (subdb->Active()) {
        ApplyFilter(*subdb, FieldEqualsFilter("TICKETID", activeticket->Text()));
        subdb->First();
    }
}

void Tmainfrm::maingridCellClick(TColumn*)
{
    if (!OnRecord(*maindb)) {
        return;
    }
    for (const char* name : {"main_btn_edit", "main_btn_delete", "add_sub_btn", "addticketworkbtn"}) {
        Get<TControl>(name)->SetEnabled(true);
    }
    sb_panel->Panels().Items(kTicketPositionPanel)
        ->SetText(std::to_string(maindb->RecNo()) + " / " + std::to_string(maindb->RecordCount()));
    EnableAttachmentButtons(*maindb, kTicketAttachment, "main_btn_attach", "main_btn_link");
    const std::string ticketFilter = FieldEqualsFilter("TICKETID", activeticket->Text());
    if (subdb->Active()) {
        ApplyFilter(*subdb, ticketFilter);
        for (const char* name : {"sub_btn_edit", "sub_btn_delete", "sub_btn_attach", "sub_btn_link"}) {
            Get<TControl>(name)->SetEnabled(false);
        }
        subdb->First();
    }
    if (workdb->Active()) {
        ApplyFilter(*workdb, ticketFilter);
        workdb->First();
    }
    CountOpenSubTickets();
}

void Tmainfrm::subgridCellClick(TColumn*)
{
    if (!OnRecord(*subdb)) {
        return;
    }
    for (const char* name : {"sub_btn_edit", "sub_btn_delete", "addsubticketworkbtn"}) {
        Get<TControl>(name)->SetEnabled(true);
    }
    sb_panel->Panels().Items(kSubTicketPositionPanel)
        ->SetText(std::to_string(subdb->RecNo()) + " / " + std::to_string(subdb->RecordCount()));
    EnableAttachmentButtons(*subdb, kSubTicketAttachment, "sub_btn_attach", "sub_btn_link");
    if (workdb->Active()) {
        ApplyFilter(*workdb, FieldEqualsFilter("TICKETID", activeticket->Text()) + " and " +
                                 FieldEqualsFilter("SUBTICKET", activesubticket->Text()));
        workdb->First();
    }
}

void Tmainfrm::workgridCellClick(TColumn*)
{
    if (!OnRecord(*workdb)) {
        return;
    }
    Get<TControl>("editworkbtn")->SetEnabled(true);
    Get<TControl>("deleteworkbtn")->SetEnabled(true);
}

void Tmainfrm::contactgridCellClick(TColumn*)
{
    if (!OnRecord(*contactdb)) {
        return;
    }
    for (const char* name : {"editcontact", "deletecontact", "addcontact"}) {
        Get<TControl>(name)->SetEnabled(true);
    }
}

void Tmainfrm::listgridCellClick(TColumn*)
{
    if (!OnRecord(*listdb)) {
        return;
    }
    Get<TControl>("editlist")->SetEnabled(true);
    Get<TControl>("addlist")->SetEnabled(true);
    Get<TControl>("deletelist")->SetEnabled(!listdb->Fields().Fields(kListNoDelete)->AsBoolean());
}

void Tmainfrm::codegridCellClick(TColumn*)
{
    if (!OnRecord(*codedb)) {
        return;
    }
    for (const char* name : {"editcodebtn", "deletecodebtn", "addcodebtn"}) {
        Get<TControl>(name)->SetEnabled(true);
    }
}

void Tmainfrm::EnableAttachmentButtons(TDataSet& table, int position, const char* attachButton, const char* linkButton)
{
    const std::string attachment = FieldText(table, position);
    auto* attach = Get<TControl>(attachButton);
    auto* link = Get<TControl>(linkButton);
    if (attachment.empty()) {
        attach->SetEnabled(false);
        link->SetEnabled(false);
        return;
    }
    attach->SetEnabled(!ExistingAttachment(table, position).empty());
    link->SetEnabled(attachment.compare(0, 4, "http") == 0);
}

// ---------------------------------------------------------------------------------------------
// Double clicks

namespace {

// A double click acts as a click on the edit button, whether or not it is enabled.
void ClickEditButton(Tmainfrm& form, TDataSet& table, const char* button)
{
    if (!OnRecord(table)) {
        return;
    }
    TControl* control = form.Get<TControl>(button);
    if (control->OnClick) {
        control->OnClick(control);
    }
}

}  // namespace

void Tmainfrm::productgridDblClick(TObject*) { ClickEditButton(*this, *appsdb, "editproductbtn"); }
void Tmainfrm::maingridDblClick(TObject*) { ClickEditButton(*this, *maindb, "main_btn_edit"); }
void Tmainfrm::subgridDblClick(TObject*) { ClickEditButton(*this, *subdb, "sub_btn_edit"); }
void Tmainfrm::workgridDblClick(TObject*) { ClickEditButton(*this, *workdb, "editworkbtn"); }
void Tmainfrm::contactgridDblClick(TObject*) { ClickEditButton(*this, *contactdb, "editcontact"); }
void Tmainfrm::listgridDblClick(TObject*) { ClickEditButton(*this, *listdb, "editlist"); }
void Tmainfrm::codegridDblClick(TObject*) { ClickEditButton(*this, *codedb, "editcodebtn"); }

// ---------------------------------------------------------------------------------------------
// Popups

void Tmainfrm::mainpopupPopup(TObject*)
{
    const char* const always[] = {"Add1", "TableSetup1"};
    const char* const onRecord[] = {"Edit1", "Delete1", "Addasubtickettothisactivity1",
                                    "Addworktimeentrytothisactivity1", "Export1"};
    const bool open = maindb->Active();
    const bool record = OnRecord(*maindb);
    for (const char* name : always) {
        Get<TMenuItem>(name)->SetEnabled(open);
    }
    for (const char* name : onRecord) {
        Get<TMenuItem>(name)->SetEnabled(record);
    }
    Get<TMenuItem>("Openattachment1")->SetEnabled(record && !ExistingAttachment(*maindb, kTicketAttachment).empty());
    if (record) {
        Get<TControl>("main_btn_edit")->SetEnabled(true);
        Get<TControl>("main_btn_delete")->SetEnabled(true);
    }
}

void Tmainfrm::subpopupPopup(TObject*)
{
    const char* const always[] = {"Add2", "TableSetup2"};
    const char* const onRecord[] = {"Edit2", "Delete2", "Addworktimeentrytothisactivity2", "Export2"};
    const bool open = subdb->Active();
    const bool record = OnRecord(*subdb);
    for (const char* name : always) {
        Get<TMenuItem>(name)->SetEnabled(open);
    }
    for (const char* name : onRecord) {
        Get<TMenuItem>(name)->SetEnabled(record);
    }
    Get<TMenuItem>("Openattachment2")->SetEnabled(record && !ExistingAttachment(*subdb, kSubTicketAttachment).empty());
}

void Tmainfrm::productpopupPopup(TObject*) { productgridCellClick(nullptr); }

void Tmainfrm::projectpopupPopup(TObject*) { productgridCellClick(nullptr); }

// ---------------------------------------------------------------------------------------------
// Attachments and web links

void Tmainfrm::OpenAttachment(TDataSet& table, int position)
{
    if (!OnRecord(table)) {
        return;
    }
    const std::string path = ExistingAttachment(table, position);
    if (!path.empty()) {
        ShellOpen(path);
    }
}

void Tmainfrm::OpenWebLink(TDataSet& table, int position)
{
    if (!OnRecord(table)) {
        return;
    }
    // Only web addresses go to the opener: a stored text that merely begins with "http" could
    // otherwise start a program or open a local file.
    const std::string address = FieldText(table, position);
    if (IsWebAddress(address)) {
        ShellOpen(address);
    }
}

void Tmainfrm::main_btn_attachClick(TObject*) { OpenAttachment(*maindb, kTicketAttachment); }
void Tmainfrm::Openattachment1Click(TObject*) { OpenAttachment(*maindb, kTicketAttachment); }
void Tmainfrm::sub_btn_attachClick(TObject*) { OpenAttachment(*subdb, kSubTicketAttachment); }
void Tmainfrm::Openattachment2Click(TObject*) { OpenAttachment(*subdb, kSubTicketAttachment); }
void Tmainfrm::main_btn_linkClick(TObject*) { OpenWebLink(*maindb, kTicketAttachment); }
void Tmainfrm::sub_btn_linkClick(TObject*) { OpenWebLink(*subdb, kSubTicketAttachment); }

// ---------------------------------------------------------------------------------------------
// State icons

int Tmainfrm::TicketStateIcon() const { return StateIcon(*maindb, kTicketStateFields); }

int Tmainfrm::SubTicketStateIcon() const { return StateIcon(*subdb, kSubTicketStateFields); }

void Tmainfrm::DrawStateCell(TDBGrid& grid, const TRect& rect, TColumn* column, int icon, int attachmentPosition)
{
    const auto* images = dynamic_cast<const TImageList*>(FindComponent("ImageList1"));
    if (images == nullptr || column == nullptr) {
        return;
    }
    TDataSet& table = *grid.DataSource()->DataSet();
    if (column->FieldName() == "A") {
        if (ExistingAttachment(table, attachmentPosition).empty()) {
            return;
        }
        icon = kIconAttachment;
    } else if (column->FieldName() != "FLAG") {
        return;
    }
    TCanvas& canvas = grid.Canvas();
    canvas.Brush().SetColor(grid.Color());
    canvas.FillRect(rect);
    const int left = static_cast<int>(std::lround((rect.Left + rect.Right - images->Width()) / 2.0));
    canvas.Draw(left, rect.Top, *images, icon);
}

void Tmainfrm::maingridDrawColumnCell(TObject*, const TRect& rect, int, TColumn* column, TGridDrawState)
{
    if (!maindb->Active() || FieldText(*maindb, 0).empty()) {
        return;
    }
    const int icon = column != nullptr && column->FieldName() == "FLAG" ? TicketStateIcon() : kIconAttachment;
    DrawStateCell(*maingrid, rect, column, icon, kTicketAttachment);
}

void Tmainfrm::subgridDrawColumnCell(TObject*, const TRect& rect, int, TColumn* column, TGridDrawState)
{
    if (!subdb->Active() || FieldText(*subdb, 0).empty()) {
        return;
    }
    const int icon = column != nullptr && column->FieldName() == "FLAG" ? SubTicketStateIcon() : kIconAttachment;
    DrawStateCell(*subgrid, rect, column, icon, kSubTicketAttachment);
}

// ---------------------------------------------------------------------------------------------
// Counters

void Tmainfrm::CountOpenTickets(TStrings* ticketProjects)
{
    auto* openticket = Get<TEdit>("openticket");
    openticket->SetText("0");
    if (!maindb->Active()) {
        return;
    }
    const bool wasFiltered = maindb->Filtered();
    const std::string previousFilter = maindb->Filter();
    ApplyFilter(*maindb, ProjectFilter());
    int open = 0;
    {
        // The visits start at the first record by themselves; the grid goes there afterwards (on
        // a project whose tickets are few and far between, every positioning is a search).
        TControlsOff controlsOff(*maindb);
        TField* completed = maindb->Fields().Fields(kTicketCompleted);
        auto countOpen = [&] {
            if (!completed->AsBoolean()) {
                ++open;
            }
        };
        if (ticketProjects != nullptr) {
            TUniqueTexts projects(*ticketProjects);
            VisitRecordsAndFiltered(*maindb, [&] { AddTicketProject(*maindb, projects); }, countOpen);
        } else {
            VisitRecords(*maindb, countOpen);
        }
        maindb->First();
    }
    openticket->SetText(std::to_string(open));
    if (maindb->IsEmpty() || FieldText(*maindb, 0).empty()) {
        Get<TEdit>("opensubticket")->SetText("");
    }
    if (wasFiltered) {
        ApplyFilter(*maindb, TicketFilterToRestore(previousFilter));
    }
}

void Tmainfrm::CountOpenSubTickets()
{
    auto* opensubticket = Get<TEdit>("opensubticket");
    opensubticket->SetText("0");
    if (!subdb->Active()) {
        return;
    }
    const std::string ticket = activeticket->Text();
    ApplyFilter(*subdb, FieldEqualsFilter("TICKETID", ticket));
    subdb->First();
    int open = 0;
    {
        TControlsOff controlsOff(*subdb);
        while (!subdb->Eof()) {
            if (!subdb->Fields().Fields(kSubTicketCompleted)->AsBoolean() && FieldText(*subdb, 0) == ticket) {
                ++open;
            }
            subdb->Next();
        }
        subdb->First();
    }
    opensubticket->SetText(std::to_string(open));
    if (subdb->IsEmpty() || FieldText(*subdb, 0).empty()) {
        opensubticket->SetText("");
    }
}

// ---------------------------------------------------------------------------------------------
// Pick lists of other windows

void Tmainfrm::FillVersionLists()
{
    if (!appsdb->Active()) {
        return;
    }
    if (mainissuefrm == nullptr) {
        return;
    }
    TEdit* product = mainissuefrm->cb_product;
    TComboBox* version = mainissuefrm->cb_version;
    TComboBox* available = mainissuefrm->cb_available;
    TWholeTableWalk walk(*appsdb);
    version->Items().Clear();
    version->SetText("");
    available->Items().Clear();
    available->SetText("");
    const std::string name = product->Text();
    const bool onlyOpen = SettingsIni != nullptr && ReadSetting(*SettingsIni, Setting::UseOnlyOpenVersion);
    {
        TControlsOff controlsOff(*appsdb);
        appsdb->Last();
        while (!appsdb->Bof()) {
            if (FieldText(*appsdb, static_cast<int>(TProductField::NAME)) == name) {
                const std::string text = FieldText(*appsdb, static_cast<int>(TProductField::VERSION));
                AddUnique(version->Items(), text);
                if (!onlyOpen || !appsdb->Fields().Fields(kProductClosed)->AsBoolean()) {
                    AddUnique(available->Items(), text);
                }
            }
            appsdb->Prior();
        }
    }
    walk.Restore();
}

void Tmainfrm::FillProductLists()
{
    TStrings* editorList = FillProductListsFromProductTable();
    if (maindb->Active() && editorList != nullptr) {
        TUniqueTexts projects(*editorList);
        VisitWholeTable(*maindb, [&] { AddTicketProject(*maindb, projects); });
    }
}

TStrings* Tmainfrm::FillProductListsFromProductTable()
{
    TStrings* editorList = ItemsOf(OtherWindowControl("productfrm", "product"));
    TStrings* ownerList = ItemsOf(OtherWindowControl("ownerfrm", "changedproject"));
    TStrings* hiddenList = ItemsOf(FindComponent("projectlist"));
    std::vector<TStrings*> projectLists;
    for (TStrings* list : {editorList, ownerList, hiddenList}) {
        if (list != nullptr) {
            list->Clear();
            projectLists.push_back(list);
        }
    }
    if (appsdb->Active()) {
        VisitWholeTable(*appsdb, [&] {
            const std::string name = FieldText(*appsdb, static_cast<int>(TProductField::NAME));
            if (!name.empty()) {
                for (TStrings* list : projectLists) {
                    AddUnique(*list, name);
                }
            }
        });
    }
    return editorList;
}
