#pragma once
// What the record editors do alike: walks with the grids off, memo texts as the tables keep
// them, pick lists filled from the list and contact tables, date pickers loaded from and written
// to date fields, the steps of a save, record ids made unique within their table, e-mail links
// to a contact and the attachment picker.

#include "app/tables/TrackerTables.h"
#include "platform/classes/Components.h"
#include "platform/rtl/Exceptions.h"

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>

class TComboBox;
class TCustomIniFile;
class TDataSet;
class TDateTimePicker;
class TField;
class TForm;
class TMemo;
class TOpenDialog;
class TStrings;
struct TBooleanSetting;
struct TStringSetting;
enum class TModalResult;

// What every record editor with pick lists uses of the main window; each editor's host adds
// its own table and commands.
struct TEditorHost {
    TDataSet* ListTable = nullptr;     // "Lists.dbf"
    TDataSet* ContactTable = nullptr;  // "Contacts.dbf"
    TCustomIniFile* SettingsIni = nullptr;
    // Line n of the message table.
    std::function<std::string(int)> Message;
    // The main window's "New List Item" and "New Contact" commands.
    std::function<void()> AddListClick;
    std::function<void()> AddContactClick;
    // Empties the main window's contact filter box.
    std::function<void()> ClearContactFilter;
};

// Line n of the host's message table; empty without one.
std::string HostMessage(const TEditorHost& host, int number);
// A setting from the host's settings file; its default without one.
bool HostSetting(const TEditorHost& host, const TBooleanSetting& key);
std::string HostSetting(const TEditorHost& host, const TStringSetting& key);

// Switches a table's controls (its grids) off for a walk over its records and on again however
// the walk ends.
class TControlsOff {
public:
    explicit TControlsOff(TDataSet& table);
    ~TControlsOff();
    TControlsOff(const TControlsOff&) = delete;
    TControlsOff& operator=(const TControlsOff&) = delete;

private:
    TDataSet& table_;
};

// Runs `visit` for every record a walk from the table's first record to its end would stop at,
// with the table's fields reading that record, then leaves the table where the walk left it or
// where it was: the caller positions it afterwards. A table of the tracker's engine serves the
// records straight from the file without moving its cursor; any other table is walked. `visit`
// only reads fields.
void VisitRecords(TDataSet& table, const std::function<void()>& visit);

// Two walks in one pass: `everyRecord` runs for every record a walk over the table with its
// filter switched off would stop at, and `filtered` after it for each of those the filter
// accepts as well, with the table's fields reading that record. A table of the tracker's engine
// is read once without moving its cursor; any other table is walked without its filter, then
// with it (its filter and record given back between). The caller positions the table
// afterwards. Both only read fields.
void VisitRecordsAndFiltered(TDataSet& table, const std::function<void()>& everyRecord,
                             const std::function<void()>& filtered);

// A walk over the whole table: its filter is switched off, and the filter and the record are
// given back by Restore, or when the walk ends without it (also when it ends with an error).
class TWholeTableWalk {
public:
    explicit TWholeTableWalk(TDataSet& table);
    ~TWholeTableWalk();
    TWholeTableWalk(const TWholeTableWalk&) = delete;
    TWholeTableWalk& operator=(const TWholeTableWalk&) = delete;

    // Gives the filter and the record back now; an error here goes on to the caller.
    void Restore();

private:
    TDataSet& table_;
    int recordNumber_;
    bool wasFiltered_;
    bool restored_ = false;
};

// The control called `name` on an editor form of class `formClass`; a missing control, or
// one of another type, is an error of the form's layout.
template <class T>
T* FindFormControl(const TComponent& form, const char* formClass, const char* name)
{
    auto* component = dynamic_cast<T*>(form.FindComponent(name));
    if (component == nullptr) {
        throw EComponentError(std::string(formClass) + ": component " + name + " not found");
    }
    return component;
}

// A memo's text as the tables keep it: every line ended by CR LF.
std::string MemoText(TMemo& memo);
// The lines of a list as one text, every line ended by CR LF.
std::string LinesText(TStrings& lines);

// True when the list holds `text`, letter case ignored.
bool ContainsText(const TStrings& items, const std::string& text);
// Adds `item` unless the list already holds it, letter case ignored.
void AddUnique(TStrings& items, const std::string& item);

// Adds texts to a list as AddUnique does, each once without regard to letter case, but finds
// the texts the list holds in a set instead of comparing with every item: for lists filled by a
// walk over many records. Nothing else changes the list while it is in use.
class TUniqueTexts {
public:
    explicit TUniqueTexts(TStrings& items);
    void Add(const std::string& text);

private:
    // Texts are the same when AnsiSameText says so: equal in their capital forms.
    struct TCapitalHash {
        size_t operator()(std::string_view text) const noexcept;
    };
    struct TSameText {
        bool operator()(std::string_view a, std::string_view b) const noexcept;
    };
    TStrings& items_;
    std::unordered_set<std::string, TCapitalHash, TSameText> texts_;
};
// Clears a combo's items; the text it shows stays.
void ClearItemsKeepText(TComboBox& combo);

// A date field from a date picker with a check box: the date when ticked, else empty.
void WriteDate(TField& field, const TDateTimePicker& picker);

// Runs a main-window command of the host when it has one (a new list item, a new contact),
// then `refill` rebuilds the editor's pick lists so that they offer what the command added.
void RunHostCommand(const std::function<void()>& command, const std::function<void()>& refill);

// A picker with a check box from a date field: the date, ticked; today, unticked, when the
// field holds no date.
void LoadPickerDate(TDateTimePicker& picker, TField& field);

using TListPickList = std::pair<TListKind, TComboBox*>;

// Fills each combo with the items of its list type, walking the list table in record order
// with its controls off: the local item name when `useLocalItem` is set and it is not empty,
// else LISTITEM; an item already there (letter case ignored) is not added again. The combos'
// texts stay.
void FillListCombos(TDataSet& lists, bool useLocalItem, std::span<const TListPickList> combos);
// Fills each combo with every contact NAME (once each, letter case ignored), with the contact
// filter switched off first so that every contact is offered; `clearContactFilter`, when set,
// also empties the main window's filter box. The combos' texts stay.
void FillPersonCombos(TDataSet& contacts, const std::function<void()>& clearContactFilter,
                      std::span<TComboBox* const> combos);

// Edits the current record (or appends one when `editing` is false), lets `write` fill it and
// posts it. Whatever fails on the way cancels the record, so that nothing half written stays
// pending for the next save, and the error goes on.
void WriteRecord(TDataSet& table, bool editing, const std::function<void()>& write);

// After a save: refreshes the table, and closes and reopens it when it holds fewer than two
// records.
void RefreshAfterSave(TDataSet& table);

// Closes an editor: a modal one with `result` as its answer, any other as a plain close.
void CloseEditorForm(TForm& form, TModalResult result);

// A new record id: prefix, record number and time of day in plain decimals, cut to `width`
// characters and made unique with `taken`: a taken id gets a suffix "-2", "-3", ... that
// replaces its end when there is no room after it.
std::string MakeRecordId(const std::string& prefix, int recordNumber, int hour, int minute, int second, size_t width,
                         const std::function<bool(const std::string&)>& taken);
// True when a record of `table`, whatever its filter, holds `id` (trailing blanks ignored) at
// `position`. The table returns to its record and filter.
bool RecordIdTaken(TDataSet& table, int position, const std::string& id);

// "mailto:" link with the address and subject percent-encoded (as UTF-8).
std::string MailLink(const std::string& address, const std::string& programVersion);
// Mails the contact called `name`: walks every contact (filter off); a contact of that name
// without an address shows `noAddressMessage` as an error box, the first address found is
// opened as a mail link. Nothing happens when no contact has the name.
void SendMailToContact(TDataSet& contacts, const std::function<void()>& clearContactFilter, const std::string& name,
                       const std::string& noAddressMessage, const std::string& programVersion);

// Runs the attachment dialog in `folder`; the chosen file relative to the folder when it lies
// inside it, else its full path; empty when cancelled.
std::string ChooseAttachment(TOpenDialog& dialog, const std::string& folder);
