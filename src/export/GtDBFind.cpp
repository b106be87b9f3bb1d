#include "export/GtDBFind.h"

#include "export/GtDBFindForm.h"

#include "platform/db/DataSet.h"
#include "platform/db/DataSource.h"
#include "platform/db/Fields.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/CodePages.h"

#include <algorithm>
#include <exception>

namespace {

// The field types whose values the search can read as text.
bool Searchable(TFieldType type)
{
    switch (type) {
    case TFieldType::ftString:
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftWord:
    case TFieldType::ftBoolean:
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency:
    case TFieldType::ftBCD:
    case TFieldType::ftDate:
    case TFieldType::ftTime:
    case TFieldType::ftDateTime:
    case TFieldType::ftBytes:
    case TFieldType::ftVarBytes:
    case TFieldType::ftAutoInc:
    case TFieldType::ftMemo:
    case TFieldType::ftFmtMemo:
    case TFieldType::ftWideString:
    case TFieldType::ftLargeint:
        return true;
    default:
        return false;
    }
}

int Compare(std::string_view a, std::string_view b, bool caseInsensitive)
{
    return caseInsensitive ? AnsiCompareText(a, b) : AnsiCompareStr(a, b);
}

}  // namespace

bool GtFindMatches(std::string_view text, std::string_view value, TGtFindMode mode, bool caseInsensitive)
{
    switch (mode) {
    case TGtFindMode::fmBeginPart:
        return Compare(text.substr(0, std::min(text.size(), value.size())), value, caseInsensitive) == 0;
    case TGtFindMode::fmRegularExpression:
        return Compare(text, value, caseInsensitive) == 0;
    case TGtFindMode::fmAnyPart:
        if (caseInsensitive) {
            return AnsiUpperCase(text).find(AnsiUpperCase(value)) != std::string::npos;
        }
        return text.find(value) != std::string_view::npos;
    }
    return false;
}

TGtDBFindDialog::TGtDBFindDialog(TComponent* owner) : TComponent(owner) {}

TDataSet* TGtDBFindDialog::DataSet() const
{
    return DataSource != nullptr ? DataSource->DataSet() : nullptr;
}

void TGtDBFindDialog::FillFieldNames()
{
    const TDataSet* dataSet = DataSet();
    if (FieldNames.Count() > 0 || dataSet == nullptr) {
        return;
    }
    for (int i = 0; i < dataSet->FieldCount(); ++i) {
        const TField& field = dataSet->Fields()[i];
        if (Searchable(field.DataType())) {
            FieldNames.Add(field.FieldName());
        }
    }
}

std::vector<TGtFindFieldEntry> TGtDBFindDialog::FieldEntries() const
{
    std::vector<TGtFindFieldEntry> entries;
    for (int i = 0; i < FieldNames.Count(); ++i) {
        const std::string& name = FieldNames[i];
        std::string caption = name;
        if (CaptionsFields.Count() > 0) {
            const int at = CaptionsFields.IndexOfName(name);
            if (at < 0) {
                continue;
            }
            caption = CaptionsFields.ValueFromIndex(at);
            if (caption.empty()) {
                caption = name;
            }
        }
        entries.push_back({caption, name});
    }
    return entries;
}

bool TGtDBFindDialog::RecordMatches(const TDataSet& dataSet) const
{
    const bool caseInsensitive = FindOption.Contains(TLocateOption::loCaseInsensitive);
    auto matches = [&](const TField& field) {
        try {
            return GtFindMatches(field.AsString(), FindValue, FindMode, caseInsensitive);
        } catch (const std::exception&) {
            return false;  // a value that cannot be read as text matches nothing
        }
    };
    if (!FindByField.empty()) {
        const TField* field = dataSet.FindField(FindByField);
        return field != nullptr && matches(*field);
    }
    for (int i = 0; i < dataSet.FieldCount(); ++i) {
        if (matches(dataSet.Fields()[i])) {
            return true;
        }
    }
    return false;
}

bool TGtDBFindDialog::Search()
{
    TDataSet* dataSet = DataSet();
    if (dataSet == nullptr) {
        return false;
    }
    const bool scan = FindByField.empty() || FindScore == TGtFindScore::fsFromCurrent || FindMode == TGtFindMode::fmAnyPart;
    if (!scan) {
        return dataSet->Locate(FindByField, Variant(FindValue), FindOption);
    }
    dataSet->DisableControls();
    bool found = false;
    try {
        if (FindScore == TGtFindScore::fsFromCurrent) {
            dataSet->Next();
        } else {
            dataSet->First();
        }
        while (!dataSet->Eof()) {
            if (RecordMatches(*dataSet)) {
                found = true;
                break;
            }
            dataSet->Next();
        }
    } catch (...) {
        dataSet->EnableControls();
        throw;
    }
    dataSet->EnableControls();
    return found;
}

bool TGtDBFindDialog::AskWithWindow()
{
    TfrmFind window(nullptr);
    window.LoadFrom(*this);
    if (OnShow) {
        OnShow(this);
    }
    if (window.ShowModal() != TModalResult::mrOk) {
        return false;
    }
    window.SaveTo(*this);
    return true;
}

int TGtDBFindDialog::Execute()
{
    if (OnExecuteStart) {
        OnExecuteStart(this);
    }
    if (ShowDialog) {
        FillFieldNames();
        const bool accepted = AskUser ? AskUser(*this) : AskWithWindow();
        if (!accepted) {
            return 2;
        }
    }
    const bool found = Search();
    if (!found && SayResult) {
        MessageDlg("Record is not found by your criteria!", TMsgDlgType::mtInformation, {TMsgDlgBtn::mbOK});
    }
    if (OnExecuteFinish) {
        OnExecuteFinish(this);
    }
    return found ? 0 : 1;
}
