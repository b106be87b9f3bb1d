// The work-time editor: form, contact list, duration, saving and the sum of a ticket's hours.

#include "app/Unit10.h"
#include "i18n/LangKit.h"

#include "app/EditorSupport.h"
#include "app/FilterText.h"
#include "app/tables/TrackerTables.h"
#include "platform/classes/FormReader.h"
#include "platform/db/DataSet.h"
#include "platform/db/Fields.h"
#include "platform/gui/GuiRegistration.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/SysUtils.h"
#include "widgets/KitCustomButton.h"

#include <array>

Tworkfrm* workfrm = nullptr;

namespace {

TField& WorkField(TDataSet& table, TWorktimeField position)
{
    return *table.Fields().Fields(static_cast<int>(position));
}

void ApplyFilter(TDataSet& table, const std::string& text)
{
    table.SetFiltered(false);
    table.SetFilter(text);
    table.SetFiltered(true);
}

// Ids are kept blank-padded to the field's width; an id matches only when equal after that.
bool SameId(const std::string& stored, const std::string& id)
{
    return TrimRight(stored) == TrimRight(id);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The sum of a ticket's hours

double SumTicketWorkTime(TDataSet& workTable, const std::string& ticketId)
{
    ApplyFilter(workTable, FieldEqualsFilter("TICKETID", ticketId));
    double hours = 0;
    TControlsOff controlsOff(workTable);
    workTable.First();
    while (!workTable.Eof()) {
        if (SameId(WorkField(workTable, TWorktimeField::TICKETID).AsString(), ticketId)) {
            // A blank number is no booked time; any other text must be a number.
            const std::string text = Trim(WorkField(workTable, TWorktimeField::DURATION).AsString());
            if (!text.empty()) {
                hours += StrToFloat(text);
            }
        }
        workTable.Next();
    }
    return hours;
}

void StoreTicketWorkTime(TDataSet* ticketTable, const std::string& ticketId, double hours)
{
    if (ticketTable == nullptr || !ticketTable->Active()) {
        return;
    }
    TDataSet& table = *ticketTable;
    TControlsOff controlsOff(table);
    const TBookmark current = table.BookmarkAvailable() ? table.GetBookmark() : TBookmark{};
    const bool filtered = table.Filtered();
    const std::string oldFilter = table.Filter();
    if (filtered) {
        ApplyFilter(table, FieldEqualsFilter("TICKETID", ticketId));
    }
    // The filter may let longer ids through and an unfiltered table holds every ticket: the
    // ticket is the record whose id is exactly the one asked for.
    table.First();
    while (!table.Eof() && !SameId(table.Fields().Fields(static_cast<int>(TTicketField::TICKETID))->AsString(), ticketId)) {
        table.Next();
    }
    if (!table.Eof()) {
        WriteRecord(table, true,
                    [&] { table.Fields().Fields(static_cast<int>(TTicketField::WORKTIME))->SetAsFloat(hours); });
    }
    if (filtered) {
        ApplyFilter(table, oldFilter);
    }
    if (!current.empty() && table.BookmarkValid(current)) {
        table.GotoBookmark(current);
    }
}

// ---------------------------------------------------------------------------------------------
// Form

Tworkfrm::Tworkfrm(TComponent* owner) : TForm(owner)
{
    RegisterClass();
    LoadForm();
    issueid = Control<TEdit>("issueid");
    startdate = Control<TDateTimePicker>("startdate");
    enddate = Control<TDateTimePicker>("enddate");
    starttime = Control<TDateTimePicker>("starttime");
    endtime = Control<TDateTimePicker>("endtime");
    duration = Control<TEdit>("duration");
    cb_assigned = Control<TComboBox>("cb_assigned");
    comment = Control<TMemo>("comment");
    subissueid = Control<TEdit>("subissueid");
    editornot = Control<TCheckBox>("editornot");
    btn_ok = Control<TButton>("btn_ok");
    btn_cancel = Control<TButton>("btn_cancel");
    contactnamebtn = Control<TButton>("contactnamebtn");
    sublbl = Control<TLabel>("sublbl");
    workcalc = Control<TDTCalc>("workcalc");
}

Tworkfrm::~Tworkfrm()
{
    DoDestroy();
    if (workfrm == this) {
        workfrm = nullptr;
    }
}

void Tworkfrm::RegisterClass()
{
    RegisterKitButtonClasses();
    RegisterLangKitClasses();
    RegisterWindowClasses();
    TDTCalc::RegisterClass();
    using F = Tworkfrm;
    TClassRegistration<F, TForm>("Tworkfrm")
        .Component()
        .Handler("FormShow", &F::FormShow)
        .Handler("startdateChange", &F::startdateChange)
        .Handler("starttimeChange", &F::starttimeChange)
        .Handler("enddateChange", &F::enddateChange)
        .Handler("endtimeChange", &F::endtimeChange)
        .Handler("btn_okClick", &F::btn_okClick)
        .Handler("btn_cancelClick", &F::btn_cancelClick)
        .Handler("contactnamebtnClick", &F::contactnamebtnClick);
}

template <class T>
T* Tworkfrm::Control(const char* name) const
{
    return FindFormControl<T>(*this, "Tworkfrm", name);
}

// ---------------------------------------------------------------------------------------------
// Contact list

void Tworkfrm::FormShow(TObject*)
{
    RunUserHandler([this] { FillContactList(); });
}

void Tworkfrm::FillContactList()
{
    if (Host.ContactTable == nullptr || !Host.ContactTable->Active()) {
        return;
    }
    // The person the opener loaded stays in the box while its list is rebuilt.
    const std::array<TComboBox*, 1> persons = {cb_assigned};
    FillPersonCombos(*Host.ContactTable, Host.ClearContactFilter, persons);
}

void Tworkfrm::contactnamebtnClick(TObject*)
{
    RunHostCommand(Host.AddContactClick, [this] { FormShow(this); });
}

// ---------------------------------------------------------------------------------------------
// Duration

void Tworkfrm::UpdateDuration()
{
    workcalc->SetStartTime(ComposeDateTime(DateOf(startdate->Date()), TimeOf(starttime->Time())));
    workcalc->SetEndTime(ComposeDateTime(DateOf(enddate->Date()), TimeOf(endtime->Time())));
    duration->SetText(IntToStr(workcalc->Hours));
}

void Tworkfrm::startdateChange(TObject*)
{
    UpdateDuration();
}

void Tworkfrm::starttimeChange(TObject*)
{
    UpdateDuration();
}

void Tworkfrm::enddateChange(TObject*)
{
    UpdateDuration();
}

void Tworkfrm::endtimeChange(TObject*)
{
    UpdateDuration();
}

// ---------------------------------------------------------------------------------------------
// Saving

void Tworkfrm::btn_okClick(TObject*)
{
    RunUserHandler([this] { SaveEntry(); });
}

void Tworkfrm::btn_cancelClick(TObject*)
{
    CloseEditorForm(*this, TModalResult::mrCancel);
}

void Tworkfrm::CloseEditor()
{
    CloseEditorForm(*this, TModalResult::mrOk);
}

void Tworkfrm::SaveEntry()
{
    // 1. An open table and the required fields; otherwise nothing happens.
    if (Host.WorkTable == nullptr || !Host.WorkTable->Active()) {
        return;
    }
    if (issueid->Text().empty() || cb_assigned->Text().empty() || duration->Text().empty()) {
        return;
    }
    TDataSet& table = *Host.WorkTable;
    const std::string ticketId = issueid->Text();

    // 2. Write the entry; any failure cancels it, so nothing half written stays pending.
    WriteRecord(table, editornot->Checked(), [&] {
        WorkField(table, TWorktimeField::TICKETID).SetAsString(ticketId);
        WorkField(table, TWorktimeField::STARTDATE).SetAsDateTime(DateOf(startdate->Date()));
        WorkField(table, TWorktimeField::ENDDATE).SetAsDateTime(DateOf(enddate->Date()));
        WorkField(table, TWorktimeField::STARTTIME).SetAsString(FormatDateTime(FormatSettings.LongTimeFormat, starttime->Time()));
        WorkField(table, TWorktimeField::ENDTIME).SetAsString(FormatDateTime(FormatSettings.LongTimeFormat, endtime->Time()));
        WorkField(table, TWorktimeField::DURATION).SetAsString(duration->Text());
        WorkField(table, TWorktimeField::ASSIGNED).SetAsString(cb_assigned->Text());
        WorkField(table, TWorktimeField::COMMENT).SetAsString(MemoText(*comment));
        WorkField(table, TWorktimeField::SUBTICKET).SetAsString(subissueid->Text());
    });
    RefreshAfterSave(table);

    // 3. and 4. The entry is saved: whatever happens to the sum, the editor closes, so that a
    // second OK cannot book the same time twice.
    try {
        const double hours = SumTicketWorkTime(table, ticketId);
        StoreTicketWorkTime(Host.TicketTable, ticketId, hours);
    } catch (...) {
        CloseEditor();
        throw;
    }
    CloseEditor();
}
