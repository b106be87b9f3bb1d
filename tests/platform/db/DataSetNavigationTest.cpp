// Navigation, empty datasets, open and close, and field lookup of the dataset framework.

#include "DataSetTestSupport.h"

#include "platform/db/DBConsts.h"

using namespace DBConsts;

TEST(DataSetNavigation, ScansForwardAndBackwardAndStopsAtBothEnds)
{
    auto people = MakePeople(5);
    people->Open();
    EXPECT_TRUE(people->Bof());
    EXPECT_FALSE(people->Eof());
    EXPECT_EQ(ScanIds(*people), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(people->Eof());
    EXPECT_EQ(people->Fields()[0].AsInteger(), 5) << "Eof keeps the last record current";
    people->Next();
    EXPECT_EQ(people->Fields()[0].AsInteger(), 5);

    std::vector<int> backwards;
    for (people->Last(); !people->Bof(); people->Prior()) backwards.push_back(people->Fields()[0].AsInteger());
    EXPECT_EQ(backwards, (std::vector<int>{5, 4, 3, 2, 1}));
    EXPECT_EQ(people->FieldByName("name")->AsString(), "R1");
    EXPECT_EQ(people->RecNo(), 1);
}

TEST(DataSetNavigation, MoveByReportsTheDistanceMovedAndSetsTheEndMarks)
{
    auto people = MakePeople(5);
    people->Open();
    EXPECT_EQ(people->MoveBy(3), 3);
    EXPECT_EQ(people->RecNo(), 4);
    EXPECT_EQ(people->MoveBy(10), 1);
    EXPECT_TRUE(people->Eof());
    EXPECT_EQ(people->MoveBy(-2), -2);
    EXPECT_FALSE(people->Eof());
    EXPECT_EQ(people->RecNo(), 3);
    EXPECT_EQ(people->MoveBy(-10), -2);
    EXPECT_TRUE(people->Bof());
    EXPECT_EQ(people->RecNo(), 1);
    people->SetRecNo(4);
    EXPECT_EQ(people->Fields()[1].AsString(), "R4");
    EXPECT_EQ(people->RecordCount(), 5);
}

TEST(DataSetNavigation, EmptyDatasetIsBothEndsAndRefusesDelete)
{
    auto people = MakePeople(0);
    people->Open();
    EXPECT_TRUE(people->IsEmpty());
    EXPECT_TRUE(people->Bof());
    EXPECT_TRUE(people->Eof());
    people->Next();
    people->Prior();
    people->Last();
    EXPECT_TRUE(people->Bof() && people->Eof());
    EXPECT_TRUE(people->Fields()[0].IsNull());
    EXPECT_EQ(people->Fields()[1].AsString(), "");
    EXPECT_EQ(people->RecNo(), -1);
    EXPECT_TRUE(people->GetBookmark().empty());
    EXPECT_EQ(DatabaseErrorOf([&] { people->Delete(); }), SDataSetEmpty);
    // Edit on an empty dataset starts a new record.
    people->Edit();
    EXPECT_EQ(people->State(), TDataSetState::dsInsert);
    people->Cancel();
    EXPECT_TRUE(people->IsEmpty());
}

TEST(DataSetNavigation, ClosedDatasetRefusesNavigationAndDefaultFieldsComeAndGo)
{
    auto people = MakePeople(2);
    EXPECT_EQ(DatabaseErrorOf([&] { people->First(); }), SDataSetClosed);
    EXPECT_EQ(DatabaseErrorOf([&] { people->RecordCount(); }), SDataSetClosed);
    EXPECT_EQ(people->FieldCount(), 0);
    people->Open();
    EXPECT_TRUE(people->DefaultFields());
    EXPECT_EQ(people->FieldCount(), 2);
    EXPECT_EQ(people->Fields()[1].FieldNo(), 2);
    EXPECT_EQ(people->Fields()[1].Size(), 10);
    EXPECT_STREQ(people->Fields()[1].ClassName(), "TStringField");
    people->Close();
    EXPECT_EQ(people->FieldCount(), 0);
    EXPECT_FALSE(people->Active());
    people->Open();
    EXPECT_EQ(people->Fields()[0].AsInteger(), 1);
}

TEST(DataSetNavigation, FieldLookupErrors)
{
    auto people = MakePeople(1);
    people->Open();
    EXPECT_EQ(DatabaseErrorOf([&] { people->FieldByName("MISSING"); }), "Field 'MISSING' not found");
    EXPECT_EQ(people->FindField("missing"), nullptr);
    EXPECT_EQ(people->FindField("id"), &people->Fields()[0]);
    EXPECT_EQ(people->Fields()[1].Index(), 1);
    try {
        people->Fields()[5];
        FAIL() << "no error for a position past the last field";
    } catch (const EListError& error) {
        EXPECT_EQ(error.Message(), "List index out of bounds (5)");
    }
    EXPECT_EQ(DatabaseErrorOf([&] { people->FieldDefs().Find("NOPE"); }), "Field 'NOPE' not found");
    EXPECT_EQ(people->FieldDefs().IndexOf("name"), 1);
}

TEST(DataSetNavigation, PersistentFieldsAreBoundByNameAndKeptOverClose)
{
    auto people = MakePeople(2);
    auto* name = new TStringField(people.get());
    name->SetFieldName("NAME");
    name->SetSize(10);
    name->SetDataSet(people.get());
    people->Open();
    EXPECT_FALSE(people->DefaultFields());
    EXPECT_EQ(people->FieldCount(), 1);
    EXPECT_EQ(name->FieldNo(), 2);
    EXPECT_EQ(name->AsString(), "R1");
    people->Close();
    EXPECT_EQ(people->FieldCount(), 1);

    auto* wrong = new TIntegerField(people.get());
    wrong->SetFieldName("MISSING");
    wrong->SetDataSet(people.get());
    EXPECT_EQ(DatabaseErrorOf([&] { people->Open(); }), "Field 'MISSING' not found");
    EXPECT_FALSE(people->Active());
    delete wrong;
    people->Open();
    EXPECT_EQ(name->AsString(), "R1");
}

TEST(DataSetNavigation, FindFirstAndFindNextUseTheFilterEvenWhenNotFiltered)
{
    auto people = MakePeople(6);
    people->OnFilterRecord = [](TDataSet* dataSet, bool& accept) { accept = dataSet->Fields()[0].AsInteger() % 2 == 0; };
    people->Open();
    EXPECT_TRUE(people->FindFirst());
    EXPECT_EQ(people->RecNo(), 2);
    EXPECT_TRUE(people->FindNext());
    EXPECT_EQ(people->RecNo(), 4);
    EXPECT_TRUE(people->FindLast());
    EXPECT_EQ(people->RecNo(), 6);
    EXPECT_FALSE(people->FindNext());
    EXPECT_EQ(people->RecNo(), 6);
    EXPECT_EQ(ScanIds(*people), (std::vector<int>{1, 2, 3, 4, 5, 6})) << "the filter is not switched on";
}
