// The sub-ticket editor: form, pick lists, completion check, saving, e-mail link and the
// attachment picker.

#include "app/Unit5.h"
#include "i18n/LangKit.h"

#include "app/EditorSupport.h"
#include "app/Unit1.h"
#include "app/tables/TrackerTables.h"
#include "platform/classes/FormReader.h"
#include "platform/db/DataSet.h"
#include "platform/db/Fields.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/SysUtils.h"
#include "widgets/KitCustomButton.h"

#include <array>
#include <utility>

Tsubissuefrm* subissuefrm = nullptr;

namespace {

TField& SubTicketField(TDataSet& table, TSubticketField position)
{
    return *table.Fields().Fields(static_cast<int>(position));
}

}  // namespace

Tsubissuefrm::Tsubissuefrm(TComponent* owner) : TForm(owner)
{
    RegisterClass();
    LoadForm();
    ed_mainissueid = Control<TEdit>("ed_mainissueid");
    ed_subject = Control<TEdit>("ed_subject");
    ed_details = Control<TMemo>("ed_details");
    cb_priority = Control<TComboBox>("cb_priority");
    cb_assigned = Control<TComboBox>("cb_assigned");
    dt_due = Control<TDateTimePicker>("dt_due");
    dt_started = Control<TDateTimePicker>("dt_started");
    dt_finished = Control<TDateTimePicker>("dt_finished");
    ed_attachment = Control<TEdit>("ed_attachment");
    cb_status = Control<TComboBox>("cb_status");
    ck_completed = Control<TCheckBox>("ck_completed");
    dt_reminder = Control<TDateTimePicker>("dt_reminder");
    btn_ok = Control<TButton>("btn_ok");
    btn_cancel = Control<TButton>("btn_cancel");
    emailbtn = Control<TKitButton>("emailbtn");
    emailpopup = Control<TPopupMenu>("emailpopup");
    totheassignedperson1 = Control<TMenuItem>("totheassignedperson1");
    receipts = Control<TOpenDialog>("receipts");
}

Tsubissuefrm::~Tsubissuefrm()
{
    DoDestroy();
    if (subissuefrm == this) {
        subissuefrm = nullptr;
    }
}

void Tsubissuefrm::RegisterClass()
{
    RegisterKitButtonClasses();
    RegisterLangKitClasses();
    using F = Tsubissuefrm;
    TClassRegistration<F, TForm>("Tsubissuefrm")
        .Component()
        .Handler("FormShow", &F::FormShow)
        .Handler("btn_okClick", &F::btn_okClick)
        .Handler("btn_cancelClick", &F::btn_cancelClick)
        .Handler("cb_statusChange", &F::cb_statusChange)
        .Handler("emailpopupPopup", &F::emailpopupPopup)
        .Handler("totheassignedperson1Click", &F::totheassignedperson1Click)
        .Handler("attachbtnClick", &F::attachbtnClick)
        .Handler("addcontactbtnClick", &F::addcontactbtnClick)
        .Handler("addlistitembtnClick", &F::addlistitembtnClick)
        .Handler("dt_dueChange", &F::dt_dueChange)
        .Handler("dt_startedChange", &F::dt_startedChange)
        .Handler("dt_finishedChange", &F::dt_finishedChange)
        .Handler("dt_reminderChange", &F::dt_reminderChange);
}

template <class T>
T* Tsubissuefrm::Control(const char* name) const
{
    return FindFormControl<T>(*this, "Tsubissuefrm", name);
}

std::string Tsubissuefrm::Message(int number) const
{
    return HostMessage(Host, number);
}

bool Tsubissuefrm::SettingOn(const TBooleanSetting& key) const
{
    return HostSetting(Host, key);
}

std::string Tsubissuefrm::SettingText(const TStringSetting& key) const
{
    return HostSetting(Host, key);
}

// ---------------------------------------------------------------------------------------------
// Pick lists

void Tsubissuefrm::FormShow(TObject*)
{
    RunUserHandler([this] { FillPickLists(); });
}

void Tsubissuefrm::FillPickLists()
{
    // The combos keep the texts the opener loaded; only their items are renewed.
    if (Host.ListTable != nullptr && Host.ListTable->Active()) {
        const std::array<std::pair<TListKind, TComboBox*>, 2> lists = {{
            {TListKind::Priority, cb_priority},
            {TListKind::Status, cb_status},
        }};
        FillListCombos(*Host.ListTable, SettingOn(Setting::UseLocalListItem), lists);
    }
    if (Host.ContactTable != nullptr && Host.ContactTable->Active()) {
        const std::array<TComboBox*, 1> persons = {cb_assigned};
        FillPersonCombos(*Host.ContactTable, Host.ClearContactFilter, persons);
    }
}

void Tsubissuefrm::addlistitembtnClick(TObject*)
{
    RunHostCommand(Host.AddListClick, [this] { FormShow(this); });
}

void Tsubissuefrm::addcontactbtnClick(TObject*)
{
    RunHostCommand(Host.AddContactClick, [this] { FormShow(this); });
}

// ---------------------------------------------------------------------------------------------
// Saving

void Tsubissuefrm::btn_okClick(TObject*)
{
    RunUserHandler([this] { SaveSubTicket(); });
}

void Tsubissuefrm::btn_cancelClick(TObject*)
{
    CloseEditorForm(*this, TModalResult::mrCancel);
}

void Tsubissuefrm::CheckCompletion()
{
    if (!SettingOn(Setting::QASteps) || !ck_completed->Checked() || cb_status->Text() == SettingText(Setting::Closed)) {
        return;
    }
    MessageDlg(Message(30) + "\r\n" + Message(31) + "\r\n" + Message(32), TMsgDlgType::mtError, {TMsgDlgBtn::mbOK});
    ck_completed->SetChecked(false);
}

void Tsubissuefrm::SaveSubTicket()
{
    // 1. A completed sub-ticket needs the closed status when the QA steps are on.
    CheckCompletion();

    // 2. Required fields and an open table; otherwise nothing happens.
    if (ed_mainissueid->Text().empty() || ed_subject->Text().empty() || cb_status->Text().empty()) {
        return;
    }
    if (Host.SubTicketTable == nullptr || !Host.SubTicketTable->Active()) {
        return;
    }
    TDataSet& table = *Host.SubTicketTable;

    // 3. The record to return to, and the time of the save.
    const int rememberedRecord = table.RecNo();
    const TDateTime now = Now();
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    DecodeTime(now, hour, minute, second, millisecond);
    const TDateTime today = DateOf(now);
    const std::string userName = Host.CurrentUserName ? Host.CurrentUserName() : std::string();

    // The id is made before the record is opened for writing, since making it unique walks
    // the table.
    const bool editing = SubTicketEditMode == 1;
    TField& idField = SubTicketField(table, TSubticketField::SUBID);
    std::string newId;
    if (!editing || table.IsEmpty() || TrimRight(idField.AsString()).empty()) {
        const int recordNumber = editing && !table.IsEmpty() ? table.RecNo() : table.RecordCount() + 1;
        const size_t width = idField.Size() > 0 ? static_cast<size_t>(idField.Size()) : 15;
        const int position = static_cast<int>(TSubticketField::SUBID);
        newId = MakeRecordId("", recordNumber, hour, minute, second, width,
                             [&table, position](const std::string& id) { return RecordIdTaken(table, position, id); });
    }

    // 4. to 9. Write the record; any failure cancels it, so nothing half written stays pending
    // for the next OK.
    WriteRecord(table, editing, [&] {
        auto field = [&table](TSubticketField position) -> TField& { return SubTicketField(table, position); };
        field(TSubticketField::TICKETID).SetAsString(ed_mainissueid->Text());
        if (!newId.empty()) {
            field(TSubticketField::SUBID).SetAsString(newId);
        }
        field(TSubticketField::SUBJECT).SetAsString(ed_subject->Text());
        field(TSubticketField::DETAILS).SetAsString(MemoText(*ed_details));
        field(TSubticketField::PRIORITY).SetAsString(cb_priority->Text());
        field(TSubticketField::ASSIGNED).SetAsString(cb_assigned->Text());
        WriteDate(field(TSubticketField::DUE), *dt_due);
        WriteDate(field(TSubticketField::STARTED), *dt_started);
        WriteDate(field(TSubticketField::FINISHED), *dt_finished);
        field(TSubticketField::ATTACHMENT).SetAsString(ed_attachment->Text());
        field(TSubticketField::STATUS).SetAsString(cb_status->Text());
        field(TSubticketField::COMPLETED).SetAsBoolean(ck_completed->Checked());
        if (editing) {
            field(TSubticketField::MODIFIEDON).SetAsDateTime(today);
            field(TSubticketField::MODIFIEDBY).SetAsString(userName);
        } else {
            field(TSubticketField::CREATEDON).SetAsDateTime(today);
            field(TSubticketField::CREATEDBY).SetAsString(userName);
        }
        WriteDate(field(TSubticketField::REMINDERON), *dt_reminder);
    });

    RefreshAfterSave(table);
    if (rememberedRecord > 0) {
        table.SetRecNo(rememberedRecord);
    }
    CloseEditorForm(*this, TModalResult::mrOk);
}

// ---------------------------------------------------------------------------------------------
// Status coupling and date pickers

void Tsubissuefrm::cb_statusChange(TObject*)
{
    if (cb_status->Text() == SettingText(Setting::Closed)) {
        ck_completed->SetChecked(true);
        dt_reminder->SetChecked(false);
    } else {
        ck_completed->SetChecked(false);
    }
}

void Tsubissuefrm::PickerToggledByUser(TDateTimePicker& picker)
{
    if (SettingOn(Setting::UseManifest)) {
        picker.SetChecked(!picker.Checked());
    }
}

void Tsubissuefrm::dt_dueChange(TObject*) { PickerToggledByUser(*dt_due); }
void Tsubissuefrm::dt_startedChange(TObject*) { PickerToggledByUser(*dt_started); }
void Tsubissuefrm::dt_finishedChange(TObject*) { PickerToggledByUser(*dt_finished); }
void Tsubissuefrm::dt_reminderChange(TObject*) { PickerToggledByUser(*dt_reminder); }

// ---------------------------------------------------------------------------------------------
// E-mail and attachment

void Tsubissuefrm::emailpopupPopup(TObject*)
{
    totheassignedperson1->SetEnabled(!cb_assigned->Text().empty());
}

void Tsubissuefrm::totheassignedperson1Click(TObject*)
{
    RunUserHandler([this] {
        if (Host.ContactTable == nullptr || !Host.ContactTable->Active()) {
            return;
        }
        SendMailToContact(*Host.ContactTable, Host.ClearContactFilter, cb_assigned->Text(), Message(29),
                          Host.ProgramVersion ? Host.ProgramVersion() : std::string());
    });
}

void Tsubissuefrm::attachbtnClick(TObject*)
{
    const std::string chosen =
        ChooseAttachment(*receipts, Host.AttachmentFolder ? Host.AttachmentFolder() : std::string());
    if (!chosen.empty()) {
        ed_attachment->SetText(chosen);
    }
}
