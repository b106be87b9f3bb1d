// The record search window driven as the user drives it: the settings it shows, the choices it
// hands back, and the answers of Execute (found, not found, cancelled).

#include "GuiTestSupport.h"
#include "MemoryDataSet.h"
#include "TextFit.h"

#include "export/GtDBFind.h"
#include "export/GtDBFindForm.h"
#include "platform/db/DataSource.h"
#include "platform/gui/Dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

TfrmFind* ShownFindWindow()
{
    for (int i = 0; i < Screen->FormCount(); ++i) {
        if (auto* window = dynamic_cast<TfrmFind*>(Screen->Forms(i)); window != nullptr && window->Visible()) {
            return window;
        }
    }
    return nullptr;
}

std::vector<std::string> ComboTexts(TComboBox& combo)
{
    std::vector<std::string> texts;
    for (int i = 0; i < combo.Items().Count(); ++i) {
        texts.push_back(combo.Items()[i]);
    }
    return texts;
}

// The test dataset with a Locate of one field that walks the records.
class TLocatingDataSet : public TMemoryDataSet {
public:
    using TMemoryDataSet::TMemoryDataSet;
    int locates = 0;

protected:
    bool LocateAndPosition(const std::string& keyFields, const Variant& keyValues, TLocateOptions options) override
    {
        ++locates;
        const TGtFindMode mode = options.Contains(TLocateOption::loPartialKey) ? TGtFindMode::fmBeginPart
                                                                               : TGtFindMode::fmRegularExpression;
        for (First(); !Eof(); Next()) {
            if (GtFindMatches(FieldByName(keyFields)->AsString(), keyValues.AsString(), mode,
                              options.Contains(TLocateOption::loCaseInsensitive))) {
                return true;
            }
        }
        return false;
    }
};

class FindWindow : public ::testing::Test {
protected:
    std::unique_ptr<TLocatingDataSet> table;
    TDataSource source{nullptr};
    TGtDBFindDialog find{nullptr};
    TDialogScript script;
    std::vector<std::string> events;

    void SetUp() override
    {
        TestApplication();
        table = std::make_unique<TLocatingDataSet>(
            nullptr, std::vector<MemoryFieldSpec>{{"ID", TFieldType::ftInteger},
                                                  {"NAME", TFieldType::ftString, 20},
                                                  {"CITY", TFieldType::ftString, 15}});
        const char* names[] = {"Ada", "Brian", "Chen", "bruno"};
        const char* cities[] = {"Oslo", "Lima", "Pune", "Bern"};
        for (int i = 1; i <= 4; ++i) {
            table->AddStoredRecord();
            table->SetStoredInteger(i, 0, i);
            table->SetStoredString(i, 1, names[i - 1]);
            table->SetStoredString(i, 2, cities[i - 1]);
        }
        table->Open();
        source.SetDataSet(table.get());
        find.DataSource = &source;
        find.Caption = "Record search";
        find.CaptionsFields.Add("NAME=Name");
        find.CaptionsFields.Add("CITY=Town");
        find.OnExecuteStart = [this](TObject*) { events.push_back("start"); };
        find.OnShow = [this](TObject*) { events.push_back("show"); };
        find.OnExecuteFinish = [this](TObject*) { events.push_back("finish"); };
    }

    // Runs Execute while `drive` acts on the shown window.
    int ExecuteDriven(const std::function<void(TfrmFind&)>& drive)
    {
        bool shown = false;
        QTimer::singleShot(0, [&] {
            TfrmFind* window = ShownFindWindow();
            shown = window != nullptr;
            if (window == nullptr) {
                return;
            }
            window->Widget()->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(window->Widget()));
            drive(*window);
            if (window->Visible() && window->ModalResult() == TModalResult::mrNone) {
                window->btnCancel->Click();
            }
        });
        const int result = find.Execute();
        EXPECT_TRUE(shown);
        return result;
    }
};

TEST_F(FindWindow, ShowsTheSettingsAndHandsBackTheUsersChoices)
{
    find.FindByField = "CITY";
    find.FindMode = TGtFindMode::fmAnyPart;
    find.FindScore = TGtFindScore::fsFromCurrent;
    find.FindValue = "x";
    table->First();
    const int result = ExecuteDriven([&](TfrmFind& window) {
        EXPECT_EQ(window.Caption(), "Record search");
        EXPECT_THAT(ComboTexts(*window.cbFields), ::testing::ElementsAre("Name", "Town")) << "ID has no caption entry";
        EXPECT_EQ(window.cbFields->Text(), "Town");
        EXPECT_TRUE(window.rbOneField->Checked());
        EXPECT_EQ(window.cbMode->Text(), "Any position");
        EXPECT_EQ(window.rgPosition->ItemIndex(), 1);
        EXPECT_TRUE(window.cbCaseSensitive->Checked());
        EXPECT_EQ(window.edValue->Text(), "x");
        EXPECT_THAT(CutTexts(window), ::testing::IsEmpty());
        QDir().mkpath("artifacts");
        EXPECT_TRUE(window.Grab().save("artifacts/record-search.png"));

        // All fields, then a choice in the field list, which goes back to one field.
        QTest::mouseClick(window.rbAllFields->RadioWidget(), Qt::LeftButton);
        EXPECT_FALSE(window.rbOneField->Checked());
        window.cbFields->SetFocus();
        QTest::keyClick(window.cbFields->ComboWidget(), Qt::Key_Up);
        EXPECT_EQ(window.cbFields->Text(), "Name");
        EXPECT_TRUE(window.rbOneField->Checked());

        window.edValue->SetFocus();
        window.edValue->SelectAll();
        QTest::keyClicks(window.edValue->EditWidget(), "BR");
        QTest::mouseClick(window.cbCaseSensitive->CheckBoxWidget(), Qt::LeftButton);
        window.cbMode->SetFocus();
        QTest::keyClick(window.cbMode->ComboWidget(), Qt::Key_Home);
        QTest::mouseClick(window.rgPosition->Button(0), Qt::LeftButton);
        QTest::mouseClick(window.btnOk->ButtonWidget(), Qt::LeftButton);
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(table->locates, 1) << "one field from the first record at the beginning: the dataset's Locate";
    EXPECT_EQ(table->RecNo(), 2);
    EXPECT_EQ(find.FindByField, "NAME");
    EXPECT_EQ(find.FindValue, "BR");
    EXPECT_EQ(find.FindMode, TGtFindMode::fmBeginPart);
    EXPECT_EQ(find.FindScore, TGtFindScore::fsFromFirst);
    EXPECT_EQ(find.FindOption, (TLocateOptions{TLocateOption::loCaseInsensitive, TLocateOption::loPartialKey}));
    EXPECT_EQ(events, (std::vector<std::string>{"start", "show", "finish"}));
    EXPECT_TRUE(script.Records().empty());
}

TEST_F(FindWindow, NotFoundCancelAndFromTheCurrentRecord)
{
    // Case sensitive, any part, all fields, after the current record: "br" is only in "bruno".
    find.FindMode = TGtFindMode::fmAnyPart;
    find.FindValue = "br";
    table->First();
    table->Next();  // Brian, which is not tested itself
    auto origin = [](TfrmFind& window) {
        QTest::mouseClick(window.rgPosition->Button(1), Qt::LeftButton);
        QTest::mouseClick(window.btnOk->ButtonWidget(), Qt::LeftButton);
    };
    EXPECT_EQ(ExecuteDriven([&](TfrmFind& window) {
                  EXPECT_TRUE(window.rbAllFields->Checked()) << "no field chosen: all fields";
                  EXPECT_TRUE(window.cbCaseSensitive->Checked()) << "no loCaseInsensitive: letter case counts";
                  origin(window);
              }),
              0);
    EXPECT_EQ(table->RecNo(), 4);
    EXPECT_EQ(find.FindOption, TLocateOptions{});
    EXPECT_EQ(table->locates, 0);

    // Nothing after the last record: 1, the box, and the table at its end.
    EXPECT_EQ(ExecuteDriven(origin), 1);
    ASSERT_EQ(script.Records().size(), 1u);
    EXPECT_EQ(script.Records()[0].Text, "Record is not found by your criteria!");
    EXPECT_TRUE(table->Eof());

    // Cancel: 2, nothing searched, no finish event.
    events.clear();
    table->First();
    EXPECT_EQ(ExecuteDriven([](TfrmFind& window) { QTest::mouseClick(window.btnCancel->ButtonWidget(), Qt::LeftButton); }), 2);
    EXPECT_EQ(events, (std::vector<std::string>{"start", "show"}));
    EXPECT_EQ(table->RecNo(), 1);
    EXPECT_EQ(script.Records().size(), 1u);
}

}  // namespace
