// The main window's list commands: open the list editor to add or edit a list item (also in
// expert mode, where the two protection flags can be changed) and delete a list item unless
// it is protected. Also the host through which the list, contact and code editors reach the
// window.

#include "app/Unit1EditorHost.h"
#include "app/Unit1HandlerBinding.h"
#include "app/RecordEditorHost.h"
#include "app/Unit1.h"
#include "app/Unit8.h"
#include "app/tables/TrackerTables.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/db/Fields.h"
#include "platform/gui/Dialogs.h"

#include <functional>

namespace {

// "Protected entry! Deletion is not possible!"
constexpr int kProtectedEntry = 23;

TField& ListField(TDataSet& table, TListField position)
{
    return *table.Fields().Fields(static_cast<int>(position));
}

// Loads the current list item into the editor; the flag boxes stay hidden.
void LoadListItem(Tlistfrm& editor, TDataSet& table)
{
    const int listId = ListField(table, TListField::LISTID).AsInteger();
    editor.listname->SetItemIndex(listId);
    editor.listname->SetText(ListField(table, TListField::LISTNAME).AsString());
    editor.listitem->SetText(ListField(table, TListField::LISTITEM).AsString());
    editor.listcomment->Lines().SetText(ListField(table, TListField::COMMENT).AsString());
    editor.editornot->SetChecked(true);
    editor.readonly->SetVisible(false);
    editor.nodelete->SetVisible(false);
    editor.readonly->SetChecked(ListField(table, TListField::READONLY).AsBoolean());
    editor.nodelete->SetChecked(ListField(table, TListField::NODELETE).AsBoolean());
    editor.localname->SetText(ListField(table, TListField::LOCALITEM).AsString());
}

}  // namespace

TRecordEditorHost MainWindowEditorHost(Tmainfrm& window, TDataSet* table)
{
    TRecordEditorHost host;
    ConnectMainWindow(window, host);
    host.Table = table;
    return host;
}

namespace {

// Loads the current list item into the editor, lets `adjust` set up the controls for the
// command and shows the editor; nothing without an editor or a current item.
void OpenCurrentListItem(Tmainfrm& window, const std::function<void(Tlistfrm&)>& adjust)
{
    if (listfrm == nullptr || !HasRecord(window.listdb)) {
        return;
    }
    Tlistfrm& editor = *listfrm;
    editor.Host = MainWindowEditorHost(window, window.listdb);
    LoadListItem(editor, *window.listdb);
    adjust(editor);
    editor.ShowModal();
}

}  // namespace

void Tmainfrm::addlistClick(TObject*)
{
    RunCatchAll([this] {
        if (listfrm == nullptr || !listdb->Active()) {
            return;
        }
        Tlistfrm& editor = *listfrm;
        editor.Host = MainWindowEditorHost(*this, listdb);
        editor.listname->SetItemIndex(-1);
        editor.listname->SetText("");
        editor.listitem->SetText("");
        editor.localname->SetText("");
        editor.listcomment->Clear();
        editor.editornot->SetChecked(false);
        editor.readonly->SetChecked(false);
        editor.nodelete->SetChecked(false);
        editor.readonly->SetVisible(false);
        editor.nodelete->SetVisible(false);
        editor.listname->SetEnabled(true);
        editor.listitem->SetEnabled(true);
        editor.ShowModal();
    });
}

void Tmainfrm::editlistClick(TObject*)
{
    RunCatchAll([this] {
        OpenCurrentListItem(*this, [](Tlistfrm& editor) {
            // A read-only item keeps its list and its name.
            const bool readOnly = editor.readonly->Checked();
            editor.listname->SetEnabled(!readOnly);
            editor.listitem->SetEnabled(!readOnly);
        });
    });
}

void Tmainfrm::OpenEntryinExpertMode1Click(TObject*)
{
    RunCatchAll([this] {
        OpenCurrentListItem(*this, [](Tlistfrm& editor) {
            editor.readonly->SetVisible(true);
            editor.nodelete->SetVisible(true);
        });
    });
}

void Tmainfrm::deletelistClick(TObject*)
{
    RunCatchAll([this] {
        DeleteCurrentEntry(*this, listdb, "editlist", "deletelist", "addlist", [this] {
            // A protected entry stays.
            if (!ListField(*listdb, TListField::NODELETE).AsBoolean()) {
                return false;
            }
            MessageDlg(Message(kProtectedEntry), TMsgDlgType::mtInformation, {TMsgDlgBtn::mbOK});
            return true;
        });
    });
}

void Tmainfrm::BindListHandlers(THandlerTable& handlers)
{
    BindMainHandler(handlers, this, "addlistClick", &Tmainfrm::addlistClick);
    BindMainHandler(handlers, this, "editlistClick", &Tmainfrm::editlistClick);
    BindMainHandler(handlers, this, "OpenEntryinExpertMode1Click", &Tmainfrm::OpenEntryinExpertMode1Click);
    BindMainHandler(handlers, this, "deletelistClick", &Tmainfrm::deletelistClick);
}
