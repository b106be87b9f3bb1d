// The main window's filters: the quick filter of the TICKETS page (a column, an operator and a
// value on top of the active project), its popup of shortcuts, the project-list boxes of the
// PROJECTS page, the list and contact filters and the two filter switches.
#include "app/EditorSupport.h"
#include "app/FilterText.h"
#include "app/Unit1HandlerBinding.h"
#include "app/Settings.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/CodePages.h"

#include <string>

namespace {

constexpr int kColumnCompleted = 2;
constexpr int kNoIncompleteRecordMessage = 61;

// The index of the entry that is exactly `text` (letter case counts); -1 when none is.
int ExactIndex(const TStrings& items, const std::string& text)
{
    for (int i = 0; i < items.Count(); ++i) {
        if (items[i] == text) {
            return i;
        }
    }
    return -1;
}

}  // namespace

void Tmainfrm::BindFilterHandlers(THandlerTable& handlers)
{
    BindMainHandler(handlers, this, "fieldlistChange", &Tmainfrm::fieldlistChange);
    BindMainHandler(handlers, this, "filtervalueChange", &Tmainfrm::filtervalueChange);
    BindMainHandler(handlers, this, "RemoveFilter1Click", &Tmainfrm::RemoveFilter1Click);
    BindMainHandler(handlers, this, "Completedgreen1Click", &Tmainfrm::Completedgreen1Click);
    BindMainHandler(handlers, this, "Incompletedredyellowandblue1Click", &Tmainfrm::Incompletedredyellowandblue1Click);
    BindMainHandler(handlers, this, "ShowFilterString1Click", &Tmainfrm::ShowFilterString1Click);
    BindMainHandler(handlers, this, "UserDefinedFilterString1Click", &Tmainfrm::UserDefinedFilterString1Click);
    BindMainHandler(handlers, this, "showactiveClick", &Tmainfrm::showactiveClick);
    BindMainHandler(handlers, this, "cb_listfilterChange", &Tmainfrm::cb_listfilterChange);
    BindMainHandler(handlers, this, "tab7Exit", &Tmainfrm::tab7Exit);
    BindMainHandler(handlers, this, "contactfilterChange", &Tmainfrm::contactfilterChange);
    BindMainHandler(handlers, this, "nofilterbtnClick", &Tmainfrm::nofilterbtnClick);
    BindMainHandler(handlers, this, "yesnobtnClick", &Tmainfrm::yesnobtnClick);
}

void Tmainfrm::ApplyFilter(TDataSet& table, const std::string& text)
{
    table.SetFiltered(false);
    table.SetFilter(text);
    table.SetFiltered(true);
}

std::string Tmainfrm::ProjectFilter() const
{
    return FieldEqualsFilter("PRODUCT", activeproduct->Text());
}

std::string Tmainfrm::TicketFilterToRestore(const std::string& filter) const
{
    if (filter == FieldEqualsFilter("PRODUCT", "") && !activeproduct->Text().empty()) {
        return ProjectFilter();
    }
    return filter;
}

void Tmainfrm::ClearQuickFilterValues()
{
    filtervalue->Items().Clear();
    filtervalue->SetItemIndex(-1);
    filtervalue->SetText("");
}

// ---------------------------------------------------------------------------------------------
// Quick filter

void Tmainfrm::fieldlistChange(TObject*)
{
    if (!maindb->Active()) {
        return;
    }
    ApplyFilter(*maindb, ProjectFilter());
    ClearQuickFilterValues();
    const std::string column = fieldlist->Text();
    if (column.empty()) {
        return;
    }
    // The distinct values of the column among the project's tickets, in order of appearance.
    TField* field = maindb->FieldByName(column);
    TUniqueTexts values(filtervalue->Items());
    TControlsOff controlsOff(*maindb);
    VisitRecords(*maindb, [&] {
        const std::string text = field->AsString();
        if (!text.empty()) {
            values.Add(text);
        }
    });
    maindb->First();
}

void Tmainfrm::filtervalueChange(TObject*)
{
    if (!maindb->Active()) {
        return;
    }
    const std::string column = fieldlist->Text();
    if (column.empty()) {
        ApplyFilter(*maindb, ProjectFilter());
        ClearQuickFilterValues();
        return;
    }
    const std::string value = filtervalue->Text();
    if (value.empty()) {
        return;
    }
    // Without an active project the column alone narrows the tickets, always with "=".
    const std::string filter = activeproduct->Text().empty()
                                   ? FieldEqualsFilter(column, value)
                                   : ProjectFilter() + " and " + FieldFilter(column, operation->Text(), value);
    if (!RunCatchAll([&] { ApplyFilter(*maindb, filter); })) {
        RemoveFilter1Click(nullptr);
    }
}

void Tmainfrm::RemoveFilter1Click(TObject*)
{
    fieldlist->SetItemIndex(0);
    fieldlistChange(fieldlist);
}

namespace {

// Chooses the COMPLETED column and, when the project has tickets of that state, the value.
// False when no ticket has the value.
bool ChooseCompletion(Tmainfrm& form, const std::string& value)
{
    form.fieldlist->SetItemIndex(-1);
    form.filtervalue->Items().Clear();
    form.filtervalue->SetItemIndex(-1);
    form.filtervalue->SetText("");
    form.fieldlist->SetItemIndex(kColumnCompleted);
    form.fieldlistChange(form.fieldlist);
    form.operation->SetItemIndex(0);
    const int index = ExactIndex(form.filtervalue->Items(), value);
    if (index < 0) {
        return false;
    }
    form.filtervalue->SetItemIndex(index);
    form.filtervalueChange(form.filtervalue);
    return true;
}

}  // namespace

void Tmainfrm::Completedgreen1Click(TObject*)
{
    if (!maindb->Active()) {
        return;
    }
    ChooseCompletion(*this, "True");
}

void Tmainfrm::Incompletedredyellowandblue1Click(TObject*)
{
    if (!maindb->Active()) {
        return;
    }
    if (!ChooseCompletion(*this, "False")) {
        MessageDlg(Message(kNoIncompleteRecordMessage), TMsgDlgType::mtInformation, {TMsgDlgBtn::mbOK});
    }
}

void Tmainfrm::ShowFilterString1Click(TObject*)
{
    MessageDlg(maindb->Filter(), TMsgDlgType::mtInformation, {TMsgDlgBtn::mbOK});
}

void Tmainfrm::UserDefinedFilterString1Click(TObject*)
{
    if (Application == nullptr) {
        return;
    }
    TComponent* dialog = Application->FindComponent("filterfrm");
    if (dialog == nullptr) {
        return;
    }
    if (auto* filterstring = dynamic_cast<TComboBox*>(dialog->FindComponent("filterstring"))) {
        filterstring->SetText(maindb->Filter());
    }
    ShowWindowModal("filterfrm");
}

// ---------------------------------------------------------------------------------------------
// Project-list boxes

void Tmainfrm::showactiveClick(TObject*)
{
    if (!appsdb->Active()) {
        return;
    }
    const bool openOnly = Get<TCheckBox>("showopen")->Checked();
    const bool activeOnly = Get<TCheckBox>("showactive")->Checked();
    const std::string project = FieldEqualsFilter("NAME", activeproduct->Text());
    const std::string openVersions = "CLOSED= False";
    std::string filter;
    if (openOnly && activeOnly) {
        filter = project + " and " + openVersions;
    } else if (activeOnly) {
        filter = project;
    } else if (openOnly) {
        filter = openVersions;
    }
    ApplyFilter(*appsdb, filter);
    if (maindb->Active()) {
        ClearQuickFilterValues();
        ApplyFilter(*maindb, ProjectFilter());
    }
    WriteSetting(*SettingsIni, Setting::ShowOpen, openOnly);
}

// ---------------------------------------------------------------------------------------------
// List and contact filters, filter switches

void Tmainfrm::cb_listfilterChange(TObject*)
{
    if (!listdb->Active()) {
        return;
    }
    const std::string choice = Get<TComboBox>("cb_listfilter")->Text();
    if (choice.empty()) {
        listdb->SetFiltered(false);
    } else {
        ApplyFilter(*listdb, FieldEqualsFilter("LISTNAME", choice));
    }
}

void Tmainfrm::tab7Exit(TObject*)
{
    if (listdb->Active()) {
        listdb->SetFiltered(false);
    }
    auto* choice = Get<TComboBox>("cb_listfilter");
    choice->SetItemIndex(-1);
    choice->SetText("");
}

void Tmainfrm::contactfilterChange(TObject*)
{
    if (!contactdb->Active()) {
        return;
    }
    const std::string choice = Get<TComboBox>("contactfilter")->Text();
    if (choice.empty()) {
        contactdb->SetFiltered(false);
    } else {
        ApplyFilter(*contactdb, FieldEqualsFilter("JOB", choice));
    }
}

void Tmainfrm::nofilterbtnClick(TObject*)
{
    if (subdb->Active()) {
        subdb->SetFiltered(!subdb->Filtered());
    }
}

void Tmainfrm::yesnobtnClick(TObject*)
{
    if (workdb->Active()) {
        workdb->SetFiltered(!workdb->Filtered());
    }
}
