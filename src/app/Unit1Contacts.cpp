// The main window's contact commands: open the contact editor to add or edit a contact, and
// delete a contact.

#include "app/Unit1EditorHost.h"
#include "app/Unit1HandlerBinding.h"
#include "app/RecordEditorHost.h"
#include "app/Unit1.h"
#include "app/Unit9.h"
#include "app/tables/TrackerTables.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/db/Fields.h"
#include "platform/gui/Dialogs.h"

#include <utility>

namespace {

std::string ContactText(TDataSet& table, TContactField position)
{
    return table.Fields().Fields(static_cast<int>(position))->AsString();
}

}  // namespace

void Tmainfrm::addcontactClick(TObject*)
{
    RunCatchAll([this] {
        if (contactfrm == nullptr || !contactdb->Active()) {
            return;
        }
        Tcontactfrm& editor = *contactfrm;
        editor.Host = MainWindowEditorHost(*this, contactdb);
        editor.contactname->SetText("");
        editor.contactname->SetEnabled(true);
        for (TEdit* edit : {editor.contactemail, editor.contactphone, editor.contactaddress}) {
            edit->SetText("");
        }
        for (TComboBox* combo : {editor.contactjob, editor.company, editor.department, editor.country}) {
            combo->SetText("");
        }
        editor.contactcomment->Clear();
        editor.editornot->SetChecked(false);
        editor.ShowModal();
    });
}

void Tmainfrm::editcontactClick(TObject*)
{
    RunCatchAll([this] {
        if (contactfrm == nullptr || !HasRecord(contactdb)) {
            return;
        }
        Tcontactfrm& editor = *contactfrm;
        TDataSet& table = *contactdb;
        editor.Host = MainWindowEditorHost(*this, contactdb);
        editor.contactname->SetText(ContactText(table, TContactField::NAME));
        const std::pair<TEdit*, TContactField> edits[] = {
            {editor.contactemail, TContactField::EMAIL},
            {editor.contactphone, TContactField::PHONE},
            {editor.contactaddress, TContactField::ADDRESS},
        };
        for (const auto& [edit, position] : edits) {
            edit->SetText(ContactText(table, position));
        }
        const std::pair<TComboBox*, TContactField> combos[] = {
            {editor.contactjob, TContactField::JOB},
            {editor.company, TContactField::COMPANY},
            {editor.department, TContactField::DEPARTMENT},
            {editor.country, TContactField::COUNTRY},
        };
        for (const auto& [combo, position] : combos) {
            combo->SetText(ContactText(table, position));
        }
        editor.contactcomment->Lines().SetText(ContactText(table, TContactField::COMMENT));
        // A contact keeps its name: other tables refer to it by name.
        editor.contactname->SetEnabled(false);
        editor.editornot->SetChecked(true);
        editor.ShowModal();
    });
}

void Tmainfrm::deletecontactClick(TObject*)
{
    RunCatchAll([this] { DeleteCurrentEntry(*this, contactdb, "editcontact", "deletecontact", "addcontact"); });
}

void Tmainfrm::BindContactHandlers(THandlerTable& handlers)
{
    BindMainHandler(handlers, this, "addcontactClick", &Tmainfrm::addcontactClick);
    BindMainHandler(handlers, this, "editcontactClick", &Tmainfrm::editcontactClick);
    BindMainHandler(handlers, this, "deletecontactClick", &Tmainfrm::deletecontactClick);
}
