#pragma once
// The record search of a data source: a value is looked for in one field or in all fields,
// from the first record or after the current one, at the beginning of the field text, as the
// whole text or anywhere in it. The dataset's own Locate serves the searches it can do (one
// field, from the first record, beginning or whole text); the others scan the records.

#include "platform/classes/Components.h"
#include "platform/db/DBTypes.h"
#include "platform/gui/Forms.h"
#include "platform/rtl/Classes.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TDataSet;
class TDataSource;

enum class TGtFindMode { fmBeginPart, fmRegularExpression, fmAnyPart };
enum class TGtFindScore { fsFromFirst, fsFromCurrent };

// True when the field text `text` matches the search value `value` in `mode`: the beginning of
// the text, the whole text (fmRegularExpression compares exactly), or anywhere in it.
bool GtFindMatches(std::string_view text, std::string_view value, TGtFindMode mode, bool caseInsensitive);

// One entry of the window's field list: the caption shown and the field it stands for.
struct TGtFindFieldEntry {
    std::string Caption;
    std::string FieldName;
};

class TGtDBFindDialog : public TComponent {
public:
    explicit TGtDBFindDialog(TComponent* owner);
    const char* ClassName() const noexcept override { return "TGtDBFindDialog"; }

    std::string Caption;
    bool ShowDialog = true;
    TDataSource* DataSource = nullptr;
    TStringList FieldNames;
    // name=caption pairs; when not empty, only the fields named here are offered.
    TStringList CaptionsFields;
    TLocateOptions FindOption;
    std::string FindByField;
    TGtFindMode FindMode = TGtFindMode::fmBeginPart;
    TGtFindScore FindScore = TGtFindScore::fsFromFirst;
    std::string FindValue;
    bool SayResult = true;
    TPosition Position = TPosition::poDesigned;
    TNotifyEvent OnExecuteStart;
    TNotifyEvent OnExecuteFinish;
    TNotifyEvent OnShow;

    // Asks the user for the search instead of the search window when set; false when the user
    // cancelled. It reads and sets the properties above.
    std::function<bool(TGtDBFindDialog&)> AskUser;

    // 0 when a record was found (the dataset stands on it), 1 when none was, 2 when the user
    // cancelled the window.
    int Execute();

    // Fills an empty FieldNames with the dataset's searchable fields (the window does this
    // before it shows them).
    void FillFieldNames();
    // The entries of the window's field list, in FieldNames order.
    std::vector<TGtFindFieldEntry> FieldEntries() const;

    // Searches with the present properties; true when a record was found.
    bool Search();

private:
    // Shows the search window with the present properties and takes the user's choices.
    bool AskWithWindow();
    TDataSet* DataSet() const;
    bool RecordMatches(const TDataSet& dataSet) const;
};
