// Data sources and data links: which events reach a link, in which order, and not while the
// dataset's controls are disabled; the window of records a multi-row link sees.

#include "DataSetTestSupport.h"

namespace {

class RecordingLink : public TDataLink {
public:
    std::vector<std::string> events;
    std::vector<int> scrollDistances;

protected:
    void ActiveChanged() override { events.push_back(Active() ? "Active" : "Inactive"); }
    void DataSetChanged() override { events.push_back("DataSetChanged"); }
    void DataSetScrolled(int distance) override
    {
        events.push_back("DataSetScrolled");
        scrollDistances.push_back(distance);
    }
    void EditingChanged() override { events.push_back(Editing() ? "Editing" : "NotEditing"); }
    void RecordChanged(TField* field) override { events.push_back(field ? "RecordChanged:" + field->FieldName() : "RecordChanged"); }
    void UpdateData() override { events.push_back("UpdateData"); }
    void CheckBrowseMode() override { events.push_back("CheckBrowseMode"); }
    void LayoutChanged() override { events.push_back("LayoutChanged"); }
};

struct LinkFixture : ::testing::Test {
    std::unique_ptr<TMemoryDataSet> people = MakePeople(5);
    TDataSource source{nullptr};
    RecordingLink link;
    void SetUp() override
    {
        source.SetDataSet(people.get());
        link.SetDataSource(&source);
    }
    std::vector<std::string> Take()
    {
        std::vector<std::string> taken;
        taken.swap(link.events);
        return taken;
    }
};

}  // namespace

TEST_F(LinkFixture, EventsArriveInOrderThroughTheEditCycle)
{
    std::vector<std::string> sourceEvents;
    source.OnStateChange = [&](TObject*) { sourceEvents.push_back("state"); };
    source.OnDataChange = [&](TObject*, TField* field) { sourceEvents.push_back(field ? "data:" + field->FieldName() : "data"); };
    source.OnUpdateData = [&](TObject*) { sourceEvents.push_back("update"); };

    people->Open();
    EXPECT_EQ(Take(), (std::vector<std::string>{"Active"}));
    people->Next();
    EXPECT_EQ(Take(), (std::vector<std::string>{"CheckBrowseMode", "DataSetScrolled"}));
    people->Edit();
    EXPECT_EQ(Take(), (std::vector<std::string>{"CheckBrowseMode", "Editing", "RecordChanged"}));
    people->Fields()[1].SetAsString("new");
    EXPECT_EQ(Take(), (std::vector<std::string>{"RecordChanged:NAME"}));
    people->Post();
    EXPECT_EQ(Take(), (std::vector<std::string>{"UpdateData", "CheckBrowseMode", "NotEditing", "DataSetChanged"}));
    people->Close();
    EXPECT_EQ(Take(), (std::vector<std::string>{"Inactive"}));
    EXPECT_EQ(sourceEvents, (std::vector<std::string>{"state", "data", "state", "data", "data:NAME", "update", "state",
                                                      "data", "state"}));
    EXPECT_EQ(link.scrollDistances, (std::vector<int>{1})) << "a one-row window moved by one record";
}

TEST_F(LinkFixture, NothingReachesTheLinkWhileControlsAreDisabled)
{
    people->Open();
    Take();
    people->DisableControls();
    people->DisableControls();
    EXPECT_TRUE(people->ControlsDisabled());
    int sum = 0;
    for (people->First(); !people->Eof(); people->Next()) sum += people->Fields()[0].AsInteger();
    people->Edit();
    people->Fields()[1].SetAsString("quiet");
    people->Post();
    EXPECT_EQ(sum, 15);
    people->EnableControls();
    EXPECT_TRUE(Take().empty()) << "still disabled once";
    people->EnableControls();
    EXPECT_FALSE(people->ControlsDisabled());
    EXPECT_EQ(Take(), (std::vector<std::string>{"DataSetChanged"}));

    people->DisableControls();
    people->EnableControls();
    EXPECT_TRUE(Take().empty()) << "nothing happened, nothing to catch up";

    people->DisableControls();
    people->Edit();
    people->EnableControls();
    EXPECT_EQ(Take(), (std::vector<std::string>{"Editing", "DataSetChanged"}));
    people->Cancel();
}

TEST_F(LinkFixture, DisabledSourceLooksInactiveAndDetachesCleanly)
{
    people->Open();
    Take();
    source.SetEnabled(false);
    EXPECT_EQ(Take(), (std::vector<std::string>{"Inactive"}));
    people->Next();
    EXPECT_TRUE(Take().empty());
    source.SetEnabled(true);
    EXPECT_EQ(Take(), (std::vector<std::string>{"Active"}));
    EXPECT_EQ(link.DataSet(), people.get());
    people.reset();
    EXPECT_EQ(source.DataSet(), nullptr);
    EXPECT_EQ(Take(), (std::vector<std::string>{"Inactive"}));
}

TEST_F(LinkFixture, MultiRowLinkKeepsTheCurrentRecordInsideItsWindow)
{
    link.SetBufferCount(3);
    people->Open();
    EXPECT_EQ(people->BufferCount(), 3);
    EXPECT_EQ(link.RecordCount(), 3);
    EXPECT_EQ(link.ActiveRecord(), 0);
    people->Next();
    people->Next();
    EXPECT_EQ(link.ActiveRecord(), 2);
    people->Next();
    EXPECT_EQ(link.ActiveRecord(), 2);
    EXPECT_EQ(people->RecNo(), 4);
    people->Next();
    EXPECT_EQ(people->RecNo(), 5);
    EXPECT_EQ(link.scrollDistances, (std::vector<int>{0, 0, 1, 1}));

    // Reading the rows of the window, as a grid paints them.
    std::vector<std::string> rows;
    const int active = link.ActiveRecord();
    for (int row = 0; row < link.RecordCount(); ++row) {
        link.SetActiveRecord(row);
        rows.push_back(people->Fields()[1].AsString());
    }
    link.SetActiveRecord(active);
    EXPECT_EQ(rows, (std::vector<std::string>{"R3", "R4", "R5"}));
    EXPECT_EQ(people->RecNo(), 5);

    people->MoveBy(-4);
    EXPECT_EQ(people->RecNo(), 1);
    EXPECT_EQ(link.ActiveRecord(), 0);
    people->Last();
    EXPECT_EQ(link.ActiveRecord(), 2);
    people->SetRecNo(3);
    EXPECT_EQ(people->Fields()[1].AsString(), "R3");

    link.SetBufferCount(1);
    EXPECT_EQ(people->BufferCount(), 1);
    EXPECT_EQ(people->Fields()[1].AsString(), "R3");
    EXPECT_EQ(ScanIds(*people), (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST_F(LinkFixture, MultiRowLinkSurvivesInsertDeleteAndFilter)
{
    link.SetBufferCount(4);
    people->Open();
    people->SetRecNo(3);
    people->Insert();
    people->Fields()[0].SetAsInteger(10);
    people->Post();
    EXPECT_EQ(people->Fields()[0].AsInteger(), 10);
    EXPECT_EQ(people->RecNo(), 6);
    people->SetRecNo(2);
    people->Delete();
    EXPECT_EQ(people->RecNo(), 3);
    EXPECT_EQ(ScanIds(*people), (std::vector<int>{1, 3, 4, 5, 10}));
    people->OnFilterRecord = [](TDataSet* dataSet, bool& accept) { accept = dataSet->Fields()[0].AsInteger() > 3; };
    people->SetFiltered(true);
    EXPECT_EQ(ScanIds(*people), (std::vector<int>{4, 5, 10}));
    people->Last();
    std::vector<int> backwards;
    for (; !people->Bof(); people->Prior()) backwards.push_back(people->Fields()[0].AsInteger());
    EXPECT_EQ(backwards, (std::vector<int>{10, 5, 4}));
}

TEST_F(LinkFixture, MovingAFieldReordersTheListAndIsALayoutChange)
{
    people = MakePeople(2);
    source.SetDataSet(people.get());
    people->Open();
    Take();
    people->FieldByName("ID")->SetIndex(0);  // already there: nothing
    EXPECT_TRUE(Take().empty());
    people->FieldByName("ID")->SetIndex(5);  // clamped to the last place
    EXPECT_EQ(Take(), (std::vector<std::string>{"LayoutChanged"}));
    EXPECT_EQ(people->Fields()[0].FieldName(), "NAME");
    EXPECT_EQ(people->Fields()[1].FieldName(), "ID");
    people->Last();
    EXPECT_EQ(people->Fields()[0].AsString(), "R2") << "each field keeps reading its own value";
    EXPECT_EQ(people->Fields()[1].AsInteger(), 2);
    // The alignment follows the type until one is set.
    EXPECT_EQ(people->FieldByName("ID")->Alignment(), TAlignment::taRightJustify);
    EXPECT_EQ(people->FieldByName("NAME")->Alignment(), TAlignment::taLeftJustify);
    people->FieldByName("ID")->SetAlignment(TAlignment::taCenter);
    EXPECT_EQ(people->FieldByName("ID")->Alignment(), TAlignment::taCenter);
}
