#include "app/EditorPickLists.h"

#include "platform/db/DataSet.h"
#include "platform/db/Fields.h"
#include "platform/gui/ComCtrls.h"
#include "platform/gui/StdCtrls.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/DateTime.h"

namespace {

TField& FieldAt(TDataSet& table, int position)
{
    return *table.Fields().Fields(position);
}



// Walks the table from its first record with its controls off, calling `visit` on each.
void WalkRecords(TDataSet& table, const std::function<void()>& visit)
{
    TControlsOff controlsOff(table);
    table.First();
    while (!table.Eof()) {
        visit();
        table.Next();
    }
}

}  // namespace

void FillListPickLists(TDataSet& lists, bool useLocalItem, std::span<const TListPickList> combos)
{
    for (const TListPickList& entry : combos) {
        ClearItemsKeepText(*entry.second);
    }
    WalkRecords(lists, [&] {
        const int listId = FieldAt(lists, static_cast<int>(TListField::LISTID)).AsInteger();
        for (const TListPickList& entry : combos) {
            if (static_cast<int>(entry.first) != listId) {
                continue;
            }
            std::string item;
            if (useLocalItem) {
                item = FieldAt(lists, static_cast<int>(TListField::LOCALITEM)).AsString();
            }
            if (item.empty()) {
                item = FieldAt(lists, static_cast<int>(TListField::LISTITEM)).AsString();
            }
            AddUnique(entry.second->Items(), item);
        }
    });
}

void FillContactPickLists(TDataSet& contacts, std::span<TComboBox* const> combos)
{
    for (TComboBox* combo : combos) {
        ClearItemsKeepText(*combo);
    }
    contacts.SetFiltered(false);
    WalkRecords(contacts, [&] {
        const std::string name = FieldAt(contacts, static_cast<int>(TContactField::NAME)).AsString();
        for (TComboBox* combo : combos) {
            AddUnique(combo->Items(), name);
        }
    });
}



void LoadPickerDate(TDateTimePicker& picker, TField& field)
{
    if (field.IsNull()) {
        picker.SetDate(Date());
        picker.SetChecked(false);
    } else {
        picker.SetDate(DateOf(field.AsDateTime()));
        picker.SetChecked(true);
    }
}

void WriteRecord(TDataSet& table, bool editing, const std::function<void()>& write)
{
    try {
        if (editing) {
            table.Edit();
        } else {
            table.Append();
        }
        write();
        table.Post();
    } catch (...) {
        const TDataSetState state = table.State();
        if (state == TDataSetState::dsEdit || state == TDataSetState::dsInsert) {
            try {
                table.Cancel();
            } catch (...) {
                // The first error is the one to report; cancelling only drops the buffer.
            }
        }
        throw;
    }
}

void RefreshAfterSave(TDataSet& table)
{
    table.Refresh();
    if (table.RecordCount() < 2) {
        table.Close();
        table.Open();
    }
}
