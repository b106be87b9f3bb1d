#include "app/Unit1EditorHost.h"

#include "platform/db/DataSet.h"
#include "platform/gui/Dialogs.h"

namespace {

// "Are you sure?"
constexpr int kAreYouSure = 3;

}  // namespace

bool HasRecord(const TDataSet* table)
{
    return table != nullptr && table->Active() && !table->IsEmpty();
}

void DeleteCurrentEntry(Tmainfrm& window, TDataSet* table, const std::string& editButton,
                        const std::string& deleteButton, const std::string& addButton,
                        const std::function<bool()>& refuseDeletion)
{
    if (!HasRecord(table)) {
        return;
    }
    if (MessageDlg(window.Message(kAreYouSure), TMsgDlgType::mtConfirmation, {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo}) !=
        TModalResult::mrYes) {
        return;
    }
    if (refuseDeletion && refuseDeletion()) {
        return;
    }
    table->Delete();
    window.Get<TControl>(editButton)->SetEnabled(false);
    window.Get<TControl>(deleteButton)->SetEnabled(false);
    window.Get<TControl>(addButton)->SetEnabled(true);
}
