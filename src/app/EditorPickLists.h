#pragma once
// What the list, contact and code-database editors share: the host through which they reach
// the main window, the filling of their pick lists from the lists and contacts tables, and the
// steps of a save (write the record or drop it, then refresh the table).

#include "app/EditorSupport.h"

#include "app/tables/TrackerTables.h"

#include <functional>
#include <span>
#include <string>
#include <utility>

class TComboBox;
class TCustomIniFile;
class TDataSet;
class TDateTimePicker;
class TField;
class TMemo;
class Tmainfrm;

// What a small record editor uses of the main window.
struct TRecordEditorHost {
    TDataSet* Table = nullptr;         // the table the editor writes
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

// The host of an editor opened by the main window `window` to write `table`.
TRecordEditorHost MainWindowEditorHost(Tmainfrm& window, TDataSet* table);

using TListPickList = std::pair<TListKind, TComboBox*>;

// Refills the combos' items from the lists table in record order: each item of the combo's
// list kind, as its local name when `useLocalItem` is set and the local name is not empty,
// else as LISTITEM; an item already there (letter case ignored) is not added twice. The text
// each combo shows stays. The table's controls are off during the walk.
void FillListPickLists(TDataSet& lists, bool useLocalItem, std::span<const TListPickList> combos);

// Refills the combos' items with every contact NAME (once each, letter case ignored). The
// contact table's filter is switched off first, so that every contact is offered.
void FillContactPickLists(TDataSet& contacts, std::span<TComboBox* const> combos);


// A picker with a check box from a date field: the date, ticked; today, unticked, when the
// field holds no date.
void LoadPickerDate(TDateTimePicker& picker, TField& field);

// Edits the current record (or appends one when `editing` is false), lets `write` fill it and
// posts it. Whatever fails on the way cancels the record, so that nothing half written stays
// pending for the next save, and the error goes on.
void WriteRecord(TDataSet& table, bool editing, const std::function<void()>& write);

// After a save: refreshes the table, and closes and reopens it when it holds fewer than two
// records.
void RefreshAfterSave(TDataSet& table);
