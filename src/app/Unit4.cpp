// The ticket editor: form, pick lists, saving, e-mail links, attachments and the file store.
// The QA workflow and the change history are in Unit4History.cpp.

#include "app/Unit4.h"
#include "i18n/LangKit.h"

#include "app/EditorSupport.h"
#include "app/Unit1.h"
#include "app/tables/TrackerTables.h"
#include "platform/classes/FormReader.h"
#include "platform/db/DataSet.h"
#include "platform/db/Fields.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/System.h"
#include "widgets/KitCustomButton.h"

#include <array>
#include <utility>

Tmainissuefrm* mainissuefrm = nullptr;

namespace {

TField& TicketField(TDataSet& table, TTicketField position)
{
    return *table.Fields().Fields(static_cast<int>(position));
}

// Everything a save writes, gathered and converted before the record is touched, so that a
// value that does not convert leaves the table as it was.
struct TTicketValues {
    std::string TicketId;  // empty: keep the record's id
    double Cost = 0;
    int QaLevel = 0;
    TDateTime Today = 0;
    std::string UserName;
};

}  // namespace

Tmainissuefrm::Tmainissuefrm(TComponent* owner) : TForm(owner)
{
    RegisterClass();
    LoadForm();
    pages = Control<TPageControl>("pages");
    idfield = Control<TEdit>("idfield");
    cb_product = Control<TEdit>("cb_product");
    cb_version = Control<TComboBox>("cb_version");
    cb_component = Control<TComboBox>("cb_component");
    ed_subject = Control<TEdit>("ed_subject");
    ed_details = Control<TMemo>("ed_details");
    cb_category = Control<TComboBox>("cb_category");
    cb_priority = Control<TComboBox>("cb_priority");
    cb_severity = Control<TComboBox>("cb_severity");
    dt_reportedon = Control<TDateTimePicker>("dt_reportedon");
    cb_reportedby = Control<TComboBox>("cb_reportedby");
    cb_assigned = Control<TComboBox>("cb_assigned");
    dt_due = Control<TDateTimePicker>("dt_due");
    dt_started = Control<TDateTimePicker>("dt_started");
    dt_finished = Control<TDateTimePicker>("dt_finished");
    cb_available = Control<TComboBox>("cb_available");
    ed_attachment = Control<TEdit>("ed_attachment");
    cb_result = Control<TComboBox>("cb_result");
    cb_status = Control<TComboBox>("cb_status");
    ck_completed = Control<TCheckBox>("ck_completed");
    dt_reminder = Control<TDateTimePicker>("dt_reminder");
    testresult = Control<TMemo>("testresult");
    approvalstatus = Control<TComboBox>("approvalstatus");
    approvaldate = Control<TDateTimePicker>("approvaldate");
    approvedby = Control<TComboBox>("approvedby");
    origin = Control<TComboBox>("origin");
    cb_reproduce = Control<TComboBox>("cb_reproduce");
    cb_readiness = Control<TComboBox>("cb_readiness");
    cause = Control<TMemo>("cause");
    solution = Control<TMemo>("solution");
    action = Control<TComboBox>("action");
    cost = Control<TEdit>("cost");
    history = Control<TMemo>("history");
    cb_investigate = Control<TComboBox>("cb_investigate");
    cb_verify = Control<TComboBox>("cb_verify");
    investigate = Control<TDateTimePicker>("investigate");
    resolve = Control<TDateTimePicker>("resolve");
    verify = Control<TDateTimePicker>("verify");
    qastatus = Control<TEdit>("qastatus");
    filestore = Control<TListBox>("filestore");
    addhistory = Control<TListBox>("addhistory");
    path = Control<TLabel>("path");
    grp5 = Control<TGroupBox>("grp5");
    btn_ok = Control<TButton>("btn_ok");
    btn_cancel = Control<TButton>("btn_cancel");
    addbtn = Control<TButton>("addbtn");
    deletebtn = Control<TButton>("deletebtn");
    openbtn = Control<TButton>("openbtn");
    refreshqabtn = Control<TButton>("refreshqabtn");
    emailbtn = Control<TKitButton>("emailbtn");
    emailpopup = Control<TPopupMenu>("emailpopup");
    tothereporter1 = Control<TMenuItem>("tothereporter1");
    totheassignedperson1 = Control<TMenuItem>("totheassignedperson1");
    receipts = Control<TOpenDialog>("receipts");
}

Tmainissuefrm::~Tmainissuefrm()
{
    DoDestroy();
    if (mainissuefrm == this) {
        mainissuefrm = nullptr;
    }
}

void Tmainissuefrm::RegisterClass()
{
    RegisterKitButtonClasses();
    RegisterLangKitClasses();
    using F = Tmainissuefrm;
    TClassRegistration<F, TForm>("Tmainissuefrm")
        .Component()
        .Handler("FormShow", &F::FormShow)
        .Handler("btn_okClick", &F::btn_okClick)
        .Handler("btn_cancelClick", &F::btn_cancelClick)
        .Handler("cb_statusChange", &F::cb_statusChange)
        .Handler("emailpopupPopup", &F::emailpopupPopup)
        .Handler("tothereporter1Click", &F::tothereporter1Click)
        .Handler("totheassignedperson1Click", &F::totheassignedperson1Click)
        .Handler("SpeedButton11Click", &F::SpeedButton11Click)
        .Handler("addbtnClick", &F::addbtnClick)
        .Handler("deletebtnClick", &F::deletebtnClick)
        .Handler("openbtnClick", &F::openbtnClick)
        .Handler("filestoreClick", &F::filestoreClick)
        .Handler("addlistitembtnClick", &F::addlistitembtnClick)
        .Handler("addcontactbtnClick", &F::addcontactbtnClick)
        .Handler("refreshqabtnClick", &F::refreshqabtnClick)
        .Handler("dt_startedChange", &F::dt_startedChange)
        .Handler("dt_dueChange", &F::dt_dueChange)
        .Handler("dt_reminderChange", &F::dt_reminderChange)
        .Handler("dt_finishedChange", &F::dt_finishedChange)
        .Handler("investigateChange", &F::investigateChange)
        .Handler("resolveChange", &F::resolveChange)
        .Handler("verifyChange", &F::verifyChange)
        .Handler("approvaldateChange", &F::approvaldateChange)
        .Handler("cb_availableEnter", &F::cb_availableEnter)
        .Handler("cb_categoryEnter", &F::cb_categoryEnter)
        .Handler("cb_readinessEnter", &F::cb_readinessEnter)
        .Handler("cb_resultEnter", &F::cb_resultEnter)
        .Handler("cb_statusEnter", &F::cb_statusEnter)
        .Handler("cb_investigateEnter", &F::cb_investigateEnter)
        .Handler("cb_assignedEnter", &F::cb_assignedEnter)
        .Handler("cb_verifyEnter", &F::cb_verifyEnter)
        .Handler("approvedbyEnter", &F::approvedbyEnter)
        .Handler("cb_reproduceEnter", &F::cb_reproduceEnter)
        .Handler("approvalstatusEnter", &F::approvalstatusEnter)
        .Handler("dt_dueEnter", &F::dt_dueEnter)
        .Handler("dt_startedEnter", &F::dt_startedEnter)
        .Handler("dt_finishedEnter", &F::dt_finishedEnter)
        .Handler("investigateEnter", &F::investigateEnter)
        .Handler("resolveEnter", &F::resolveEnter)
        .Handler("verifyEnter", &F::verifyEnter)
        .Handler("approvaldateEnter", &F::approvaldateEnter)
        .Handler("cb_availableChange", &F::cb_availableChange)
        .Handler("cb_categoryChange", &F::cb_categoryChange)
        .Handler("cb_readinessChange", &F::cb_readinessChange)
        .Handler("cb_resultChange", &F::cb_resultChange)
        .Handler("cb_investigateChange", &F::cb_investigateChange)
        .Handler("cb_assignedChange", &F::cb_assignedChange)
        .Handler("cb_verifyChange", &F::cb_verifyChange)
        .Handler("approvedbyChange", &F::approvedbyChange)
        .Handler("cb_reproduceChange", &F::cb_reproduceChange)
        .Handler("approvalstatusChange", &F::approvalstatusChange)
        .Handler("dt_dueClick", &F::dt_dueClick)
        .Handler("dt_dueCloseUp", &F::dt_dueCloseUp)
        .Handler("dt_startedClick", &F::dt_startedClick)
        .Handler("dt_startedCloseUp", &F::dt_startedCloseUp)
        .Handler("dt_finishedClick", &F::dt_finishedClick)
        .Handler("dt_finishedCloseUp", &F::dt_finishedCloseUp)
        .Handler("investigateClick", &F::investigateClick)
        .Handler("investigateCloseUp", &F::investigateCloseUp)
        .Handler("resolveClick", &F::resolveClick)
        .Handler("resolveCloseUp", &F::resolveCloseUp)
        .Handler("verifyClick", &F::verifyClick)
        .Handler("verifyCloseUp", &F::verifyCloseUp)
        .Handler("approvaldateClick", &F::approvaldateClick)
        .Handler("approvaldateCloseUp", &F::approvaldateCloseUp)
        .Handler("ck_completedClick", &F::ck_completedClick)
        .Handler("Addinvestigationstatustothehistory1Click", &F::Addinvestigationstatustothehistory1Click)
        .Handler("Addresolvestatostothehistory1Click", &F::Addresolvestatostothehistory1Click)
        .Handler("Addverificationstatustothehistory1Click", &F::Addverificationstatustothehistory1Click)
        .Handler("Addapprovalstatustothehistory1Click", &F::Addapprovalstatustothehistory1Click)
        .Handler("Addcompletedstatustothehistory1Click", &F::Addcompletedstatustothehistory1Click)
        .Handler("Addstartstatustothehistory1Click", &F::Addstartstatustothehistory1Click);
}

template <class T>
T* Tmainissuefrm::Control(const char* name) const
{
    return FindFormControl<T>(*this, "Tmainissuefrm", name);
}

std::string Tmainissuefrm::Message(int number) const
{
    return HostMessage(Host, number);
}

bool Tmainissuefrm::SettingOn(const TBooleanSetting& key) const
{
    return HostSetting(Host, key);
}

std::string Tmainissuefrm::SettingText(const TStringSetting& key) const
{
    return HostSetting(Host, key);
}

std::string Tmainissuefrm::Today() const
{
    return DateToStr(Date());
}

// ---------------------------------------------------------------------------------------------
// Pick lists

void Tmainissuefrm::FormShow(TObject*)
{
    RunUserHandler([this] { FillPickLists(); });
}

void Tmainissuefrm::FillPickLists()
{
    pages->SetActivePageIndex(0);

    if (Host.ListTable != nullptr && Host.ListTable->Active()) {
        const std::array<std::pair<TListKind, TComboBox*>, 11> lists = {{
            {TListKind::Category, cb_category},
            {TListKind::Priority, cb_priority},
            {TListKind::Severity, cb_severity},
            {TListKind::ClosedReason, cb_result},
            {TListKind::Status, cb_status},
            {TListKind::ApprovalStatus, approvalstatus},
            {TListKind::Origination, origin},
            {TListKind::Component, cb_component},
            {TListKind::Reproducibility, cb_reproduce},
            {TListKind::Percent, cb_readiness},
            {TListKind::Action, action},
        }};
        FillListCombos(*Host.ListTable, SettingOn(Setting::UseLocalListItem), lists);
    }

    if (Host.ContactTable != nullptr && Host.ContactTable->Active()) {
        const std::array<TComboBox*, 5> persons = {cb_reportedby, cb_assigned, approvedby, cb_investigate, cb_verify};
        FillPersonCombos(*Host.ContactTable, Host.ClearContactFilter, persons);
    }
}

void Tmainissuefrm::addlistitembtnClick(TObject*)
{
    RunHostCommand(Host.AddListClick, [this] { FormShow(this); });
}

void Tmainissuefrm::addcontactbtnClick(TObject*)
{
    RunHostCommand(Host.AddContactClick, [this] { FormShow(this); });
}

// ---------------------------------------------------------------------------------------------
// Saving

void Tmainissuefrm::btn_okClick(TObject*)
{
    RunUserHandler([this] { SaveTicket(); });
}

void Tmainissuefrm::btn_cancelClick(TObject*)
{
    CloseEditorForm(*this, TModalResult::mrCancel);
}

std::string Tmainissuefrm::MakeTicketId(const std::string& prefix, int recordNumber, int hour, int minute, int second,
                                        size_t width, const std::function<bool(const std::string&)>& taken)
{
    return MakeRecordId(prefix, recordNumber, hour, minute, second, width, taken);
}

bool Tmainissuefrm::TicketIdTaken(const std::string& id)
{
    return RecordIdTaken(*Host.TicketTable, static_cast<int>(TTicketField::TICKETID), id);
}

void Tmainissuefrm::SaveTicket()
{
    // 1. Required fields and an open table; otherwise nothing happens.
    if (cb_product->Text().empty() || cb_status->Text().empty() || cb_version->Text().empty()) {
        return;
    }
    if (Host.TicketTable == nullptr || !Host.TicketTable->Active()) {
        return;
    }
    TDataSet& table = *Host.TicketTable;

    // 2. Completing a ticket that still has open sub-tickets needs a confirmation.
    const std::string openSubTickets = Host.OpenSubTicketText ? Host.OpenSubTicketText() : std::string();
    if (!openSubTickets.empty() && ck_completed->Checked() && StrToIntDef(Trim(openSubTickets), 0) > 0) {
        if (MessageDlg(openSubTickets + Message(28), TMsgDlgType::mtConfirmation, {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo}) !=
            TModalResult::mrYes) {
            return;
        }
    }

    // 3. The record to return to.
    const int rememberedRecord = table.RecNo();

    // 4. QA-step check: may untick steps; the save goes on.
    CheckQaSteps();

    // 5. Every value is converted before the record is opened for writing.
    TTicketValues values;
    const TDateTime now = Now();
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    DecodeTime(now, hour, minute, second, millisecond);
    values.Today = DateOf(now);
    values.UserName = Host.CurrentUserName ? Host.CurrentUserName() : std::string();
    values.Cost = cost->Text().empty() ? 0.0 : StrToFloat(cost->Text());
    ComputeQaLevel();
    values.QaLevel = StrToInt(qastatus->Text());

    const bool editing = TicketEditMode == 1;
    TField& idField = TicketField(table, TTicketField::TICKETID);
    const bool needsId = !editing || table.IsEmpty() || TrimRight(idField.AsString()).empty();
    if (needsId) {
        const int recordNumber = editing && !table.IsEmpty() ? table.RecNo() : table.RecordCount() + 1;
        const size_t width = idField.Size() > 0 ? static_cast<size_t>(idField.Size()) : 15;
        values.TicketId = MakeTicketId(SettingText(Setting::IDFlag), recordNumber, hour, minute, second, width,
                                       [this](const std::string& id) { return TicketIdTaken(id); });
    }

    // 6. to 16. Write the record; any failure cancels it, so nothing half written stays
    // pending for the next OK.
    WriteRecord(table, editing, [&] {
        auto field = [&table](TTicketField position) -> TField& { return TicketField(table, position); };
        if (!values.TicketId.empty()) {
            field(TTicketField::TICKETID).SetAsString(values.TicketId);
        }
        field(TTicketField::PRODUCT).SetAsString(cb_product->Text());
        field(TTicketField::VERSION).SetAsString(cb_version->Text());
        field(TTicketField::COMPONENT).SetAsString(cb_component->Text());
        field(TTicketField::SUBJECT).SetAsString(ed_subject->Text());
        field(TTicketField::DETAILS).SetAsString(MemoText(*ed_details));
        field(TTicketField::CATEGORY).SetAsString(cb_category->Text());
        field(TTicketField::PRIORITY).SetAsString(cb_priority->Text());
        field(TTicketField::SEVERITY).SetAsString(cb_severity->Text());
        field(TTicketField::REPORTEDON).SetAsDateTime(DateOf(dt_reportedon->Date()));
        field(TTicketField::REPORTEDBY).SetAsString(cb_reportedby->Text());
        field(TTicketField::ASSIGNED).SetAsString(cb_assigned->Text());
        WriteDate(field(TTicketField::DUE), *dt_due);
        WriteDate(field(TTicketField::STARTED), *dt_started);
        WriteDate(field(TTicketField::FINISHED), *dt_finished);
        WriteDate(field(TTicketField::REMINDERON), *dt_reminder);
        WriteDate(field(TTicketField::APPRDATE), *approvaldate);
        field(TTicketField::AVAILABLE).SetAsString(cb_available->Text());
        field(TTicketField::ATTACHMENT).SetAsString(ed_attachment->Text());
        field(TTicketField::RESULT).SetAsString(cb_result->Text());
        field(TTicketField::STATUS).SetAsString(cb_status->Text());
        field(TTicketField::COMPLETED).SetAsBoolean(ck_completed->Checked());
        if (editing) {
            field(TTicketField::MODIFIEDON).SetAsDateTime(values.Today);
            field(TTicketField::MODIFIEDBY).SetAsString(values.UserName);
        } else {
            field(TTicketField::CREATEDON).SetAsDateTime(values.Today);
            field(TTicketField::CREATEDBY).SetAsString(values.UserName);
        }
        field(TTicketField::TESTRESULT).SetAsString(MemoText(*testresult));
        field(TTicketField::APPRSTATUS).SetAsString(approvalstatus->Text());
        field(TTicketField::APPRDBY).SetAsString(approvedby->Text());
        field(TTicketField::ORIGIN).SetAsString(origin->Text());
        field(TTicketField::REPRODUCE).SetAsString(cb_reproduce->Text());
        field(TTicketField::PERCENT).SetAsString(cb_readiness->Text());
        field(TTicketField::CAUSE).SetAsString(MemoText(*cause));
        field(TTicketField::SOLUTION).SetAsString(MemoText(*solution));
        field(TTicketField::HISTORY).SetAsString(MemoText(*history));
        field(TTicketField::COST).SetAsFloat(values.Cost);
        field(TTicketField::ACTION).SetAsString(action->Text());
        field(TTicketField::INVESTBY).SetAsString(cb_investigate->Text());
        field(TTicketField::VERIFYBY).SetAsString(cb_verify->Text());
        const std::array<std::pair<TDateTimePicker*, std::pair<TTicketField, TTicketField>>, 3> steps = {{
            {investigate, {TTicketField::INVESTDATE, TTicketField::INVESTSTAT}},
            {resolve, {TTicketField::RESOLVDATE, TTicketField::RESOLVSTAT}},
            {verify, {TTicketField::VERIFYDATE, TTicketField::VERIFYSTAT}},
        }};
        for (const auto& step : steps) {
            WriteDate(field(step.second.first), *step.first);
            field(step.second.second).SetAsBoolean(step.first->Checked());
        }
        field(TTicketField::QALEVEL).SetAsInteger(values.QaLevel);
        field(TTicketField::FILESTORE).SetAsString(LinesText(filestore->Items()));
    });

    RefreshAfterSave(table);
    if (Host.CountOpenTickets) {
        Host.CountOpenTickets();
    }
    if (rememberedRecord > 0) {
        table.SetRecNo(rememberedRecord);
    }
    CloseEditorForm(*this, TModalResult::mrOk);
}

// ---------------------------------------------------------------------------------------------
// E-mail

std::string Tmainissuefrm::MailLink(const std::string& address, const std::string& programVersion)
{
    return ::MailLink(address, programVersion);
}

void Tmainissuefrm::emailpopupPopup(TObject*)
{
    tothereporter1->SetEnabled(!cb_reportedby->Text().empty());
    totheassignedperson1->SetEnabled(!cb_assigned->Text().empty());
}

void Tmainissuefrm::tothereporter1Click(TObject*)
{
    RunUserHandler([this] { SendMailTo(cb_reportedby->Text()); });
}

void Tmainissuefrm::totheassignedperson1Click(TObject*)
{
    RunUserHandler([this] { SendMailTo(cb_assigned->Text()); });
}

void Tmainissuefrm::SendMailTo(const std::string& name)
{
    if (Host.ContactTable == nullptr || !Host.ContactTable->Active()) {
        return;
    }
    SendMailToContact(*Host.ContactTable, Host.ClearContactFilter, name, Message(29),
                      Host.ProgramVersion ? Host.ProgramVersion() : std::string());
}

// ---------------------------------------------------------------------------------------------
// Attachment and file store

std::string Tmainissuefrm::ChooseAttachment()
{
    return ::ChooseAttachment(*receipts, Host.AttachmentFolder ? Host.AttachmentFolder() : std::string());
}

void Tmainissuefrm::SpeedButton11Click(TObject*)
{
    if (std::string chosen = ChooseAttachment(); !chosen.empty()) {
        ed_attachment->SetText(chosen);
    }
}

void Tmainissuefrm::addbtnClick(TObject*)
{
    if (std::string chosen = ChooseAttachment(); !chosen.empty()) {
        filestore->Items().Add(chosen);
    }
}

namespace {

std::string StoredFilePath(const std::string& folder, const std::string& entry)
{
    // Entries of files outside the attachment folder are full paths.
    if (!entry.empty() && entry.front() == '/') {
        return entry;
    }
    return MapStoredPath(folder, entry);
}

}  // namespace

void Tmainissuefrm::filestoreClick(TObject*)
{
    const int index = filestore->ItemIndex();
    if (index >= 0) {
        const std::string folder = Host.AttachmentFolder ? Host.AttachmentFolder() : std::string();
        const std::string fullPath = StoredFilePath(folder, filestore->Items()[index]);
        if (FileExists(fullPath)) {
            openbtn->SetEnabled(true);
            path->SetCaption(fullPath);
        } else {
            openbtn->SetEnabled(false);
            path->SetCaption("");
        }
    } else {
        openbtn->SetEnabled(false);
        path->SetCaption("");
    }
    deletebtn->SetEnabled(index >= 0);
}

void Tmainissuefrm::openbtnClick(TObject*)
{
    const int index = filestore->ItemIndex();
    if (index < 0) {
        return;
    }
    const std::string folder = Host.AttachmentFolder ? Host.AttachmentFolder() : std::string();
    const std::string fullPath = StoredFilePath(folder, filestore->Items()[index]);
    if (FileExists(fullPath)) {
        ShellOpen(fullPath);
    }
}

void Tmainissuefrm::deletebtnClick(TObject*)
{
    const int index = filestore->ItemIndex();
    if (index < 0) {
        return;
    }
    filestore->Items().Delete(index);
    path->SetCaption("");
    openbtn->SetEnabled(false);
    deletebtn->SetEnabled(false);
}
