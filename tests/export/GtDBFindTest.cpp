// The record search: matching a value against field texts, scanning from the first or after
// the current record, handing one-field searches to the dataset's Locate, the field list the
// search window offers, and what Execute returns.

#include "DataSetTestSupport.h"

#include "export/GtDBFind.h"
#include "platform/db/DataSource.h"
#include "platform/gui/Dialogs.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

// The people dataset whose Locate records what it was asked and finds record 3.
class TLocatingDataSet : public TMemoryDataSet {
public:
    using TMemoryDataSet::TMemoryDataSet;
    std::string askedFields;
    std::string askedValue;
    TLocateOptions askedOptions;
    int locates = 0;

protected:
    bool LocateAndPosition(const std::string& keyFields, const Variant& keyValues, TLocateOptions options) override
    {
        ++locates;
        askedFields = keyFields;
        askedValue = keyValues.AsString();
        askedOptions = options;
        MoveBy(3 - RecNo());
        return true;
    }
};

// ID, NAME and a picture blob, holding Alpha, alpine, Beta, ALPHA-2, zeta.
std::unique_ptr<TLocatingDataSet> MakeNames()
{
    const char* names[] = {"Alpha", "alpine", "Beta", "ALPHA-2", "zeta"};
    auto dataSet = std::make_unique<TLocatingDataSet>(
        nullptr, std::vector<MemoryFieldSpec>{{"ID", TFieldType::ftInteger}, {"NAME", TFieldType::ftString, 10}, {"PIC", TFieldType::ftBlob}});
    for (int i = 1; i <= 5; ++i) {
        dataSet->AddStoredRecord();
        dataSet->SetStoredInteger(i, 0, i);
        dataSet->SetStoredString(i, 1, names[i - 1]);
    }
    dataSet->Open();
    return dataSet;
}

TEST(GtFindMatches, ModesAndLetterCase)
{
    struct Case {
        const char* text;
        const char* value;
        TGtFindMode mode;
        bool caseInsensitive;
        bool matches;
    } cases[] = {
        {"Alpha", "Al", TGtFindMode::fmBeginPart, false, true},
        {"Alpha", "al", TGtFindMode::fmBeginPart, false, false},
        {"Alpha", "al", TGtFindMode::fmBeginPart, true, true},
        {"Al", "Alpha", TGtFindMode::fmBeginPart, true, false},
        {"Alpha", "", TGtFindMode::fmBeginPart, false, true},
        {"Alpha", "Alpha", TGtFindMode::fmRegularExpression, false, true},
        {"Alpha", "Alph", TGtFindMode::fmRegularExpression, false, false},
        {"Alpha", "ALPHA", TGtFindMode::fmRegularExpression, true, true},
        {"Alpha", "lph", TGtFindMode::fmAnyPart, false, true},
        {"Alpha", "LPH", TGtFindMode::fmAnyPart, false, false},
        {"Alpha", "LPH", TGtFindMode::fmAnyPart, true, true},
        {"Caf\xE9", "\xC9", TGtFindMode::fmAnyPart, true, true},  // letters beyond ASCII in cp1252
        {"Alpha", "x", TGtFindMode::fmAnyPart, true, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GtFindMatches(c.text, c.value, c.mode, c.caseInsensitive), c.matches)
            << c.text << " / " << c.value << " mode " << static_cast<int>(c.mode) << " ci " << c.caseInsensitive;
    }
}

TEST(GtDBFindDialog, SearchByModeLetterCaseAndOrigin)
{
    auto names = MakeNames();
    TDataSource source(nullptr);
    source.SetDataSet(names.get());
    struct Case {
        const char* field;  // "" = all fields
        const char* value;
        TGtFindMode mode;
        bool caseInsensitive;
        TGtFindScore score;
        int startAt;
        std::optional<int> foundAt;  // none = not found
    } cases[] = {
        // From the current record: the current record itself is never tested.
        {"NAME", "Alp", TGtFindMode::fmBeginPart, false, TGtFindScore::fsFromCurrent, 1, std::nullopt},
        {"NAME", "alp", TGtFindMode::fmBeginPart, true, TGtFindScore::fsFromCurrent, 1, 2},
        {"NAME", "alp", TGtFindMode::fmBeginPart, true, TGtFindScore::fsFromCurrent, 2, 4},
        {"NAME", "Beta", TGtFindMode::fmRegularExpression, false, TGtFindScore::fsFromCurrent, 3, std::nullopt},
        {"NAME", "BETA", TGtFindMode::fmRegularExpression, true, TGtFindScore::fsFromCurrent, 1, 3},
        // Any part always scans, from the first record too.
        {"NAME", "PHA", TGtFindMode::fmAnyPart, false, TGtFindScore::fsFromFirst, 5, 4},
        {"NAME", "pha", TGtFindMode::fmAnyPart, true, TGtFindScore::fsFromFirst, 5, 1},
        {"NAME", "eta", TGtFindMode::fmAnyPart, false, TGtFindScore::fsFromFirst, 1, 3},
        // All fields: the integer field is read as text as well.
        {"", "4", TGtFindMode::fmRegularExpression, false, TGtFindScore::fsFromFirst, 2, 4},
        {"", "ze", TGtFindMode::fmBeginPart, false, TGtFindScore::fsFromFirst, 2, 5},
        {"", "", TGtFindMode::fmBeginPart, false, TGtFindScore::fsFromFirst, 3, 1},
        {"", "Ze", TGtFindMode::fmBeginPart, false, TGtFindScore::fsFromFirst, 1, std::nullopt},
        // A field the dataset does not have matches nothing.
        {"OTHER", "A", TGtFindMode::fmAnyPart, true, TGtFindScore::fsFromFirst, 1, std::nullopt},
    };
    for (const Case& c : cases) {
        TGtDBFindDialog find(nullptr);
        find.DataSource = &source;
        find.FindByField = c.field;
        find.FindValue = c.value;
        find.FindMode = c.mode;
        find.FindScore = c.score;
        find.FindOption = c.caseInsensitive ? TLocateOptions{TLocateOption::loCaseInsensitive} : TLocateOptions{};
        names->First();
        names->MoveBy(c.startAt - 1);
        const std::string what = std::string(c.field) + " / " + c.value + " from " + std::to_string(c.startAt);
        EXPECT_EQ(find.Search(), c.foundAt.has_value()) << what;
        if (c.foundAt) {
            EXPECT_EQ(names->RecNo(), *c.foundAt) << what;
        } else {
            EXPECT_TRUE(names->Eof()) << what << ": a failed scan ends after the last record";
        }
        EXPECT_EQ(names->locates, 0) << what;
    }
}

TEST(GtDBFindDialog, OneFieldFromTheFirstRecordGoesThroughLocate)
{
    auto names = MakeNames();
    TDataSource source(nullptr);
    source.SetDataSet(names.get());
    TGtDBFindDialog find(nullptr);
    find.DataSource = &source;
    find.FindByField = "NAME";
    find.FindValue = "be";
    find.FindOption = {TLocateOption::loCaseInsensitive, TLocateOption::loPartialKey};
    EXPECT_TRUE(find.Search());
    EXPECT_EQ(names->locates, 1);
    EXPECT_EQ(names->askedFields, "NAME");
    EXPECT_EQ(names->askedValue, "be");
    EXPECT_EQ(names->askedOptions, find.FindOption);
    EXPECT_EQ(names->RecNo(), 3);
}

TEST(GtDBFindDialog, ExecuteAsksReportsAndAnswers)
{
    auto names = MakeNames();
    TDataSource source(nullptr);
    source.SetDataSet(names.get());
    TDialogScript script;
    std::vector<std::string> events;
    TGtDBFindDialog find(nullptr);
    find.DataSource = &source;
    find.OnExecuteStart = [&](TObject*) { events.push_back("start"); };
    find.OnExecuteFinish = [&](TObject*) { events.push_back("finish"); };
    find.CaptionsFields.Add("NAME=Name");
    find.CaptionsFields.Add("ID=");

    // Cancel: 2, the field list filled and kept, no finish event, no search.
    names->First();
    find.AskUser = [&](TGtDBFindDialog& dialog) {
        const std::vector<TGtFindFieldEntry> entries = dialog.FieldEntries();
        EXPECT_EQ(entries.size(), 2u);
        EXPECT_EQ(entries.at(0).Caption, "ID") << "an empty caption shows the name";
        EXPECT_EQ(entries.at(1).Caption, "Name");
        EXPECT_EQ(entries.at(1).FieldName, "NAME");
        return false;
    };
    EXPECT_EQ(find.Execute(), 2);
    EXPECT_EQ(find.FieldNames.CommaText(), "ID,NAME") << "the blob field is not searchable";
    EXPECT_EQ(events, (std::vector<std::string>{"start"}));
    EXPECT_TRUE(script.Records().empty());

    // OK with a value found nowhere: 1 and the information box.
    find.AskUser = [](TGtDBFindDialog& dialog) {
        dialog.FindValue = "nothing";
        dialog.FindMode = TGtFindMode::fmAnyPart;
        return true;
    };
    EXPECT_EQ(find.Execute(), 1);
    ASSERT_EQ(script.Records().size(), 1u);
    EXPECT_EQ(script.Records()[0].Text, "Record is not found by your criteria!");
    EXPECT_EQ(script.Records()[0].Type, TMsgDlgType::mtInformation);
    EXPECT_EQ(script.Records()[0].Buttons, (TMsgDlgButtons{TMsgDlgBtn::mbOK}));

    // Found: 0, no box; without the window nobody is asked.
    find.ShowDialog = false;
    find.FindValue = "zeta";
    find.FindMode = TGtFindMode::fmRegularExpression;
    EXPECT_EQ(find.Execute(), 0);
    EXPECT_EQ(names->RecNo(), 5);
    EXPECT_EQ(script.Records().size(), 1u);
    EXPECT_EQ(events, (std::vector<std::string>{"start", "start", "finish", "start", "finish"}));
}

}  // namespace
