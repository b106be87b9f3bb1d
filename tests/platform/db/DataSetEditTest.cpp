// The edit cycle: append, insert, edit, post, cancel, delete, and what survives a failure.

#include "DataSetTestSupport.h"

#include "platform/db/DBConsts.h"

using namespace DBConsts;

TEST(DataSetEdit, AppendAndPostAddsTheRecordAndStaysOnIt)
{
    auto people = MakePeople(3);
    people->Open();
    std::vector<std::string> events;
    people->BeforeInsert = [&](TDataSet*) { events.push_back("BeforeInsert"); };
    people->OnNewRecord = [&](TDataSet* dataSet) {
        events.push_back("OnNewRecord");
        dataSet->Fields()[0].SetAsInteger(99);
    };
    people->AfterInsert = [&](TDataSet*) { events.push_back("AfterInsert"); };
    people->BeforePost = [&](TDataSet*) { events.push_back("BeforePost"); };
    people->AfterPost = [&](TDataSet*) { events.push_back("AfterPost"); };
    people->Append();
    EXPECT_EQ(people->State(), TDataSetState::dsInsert);
    EXPECT_FALSE(people->Modified()) << "values set by OnNewRecord do not count as changes";
    EXPECT_EQ(people->Fields()[0].AsInteger(), 99);
    EXPECT_TRUE(people->Fields()[1].IsNull());
    people->Fields()[1].SetAsString("fourth");
    EXPECT_TRUE(people->Modified());
    people->Post();
    EXPECT_EQ(people->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(people->RecNo(), 4);
    EXPECT_EQ(people->Fields()[1].AsString(), "fourth");
    EXPECT_EQ(people->RecordCount(), 4);
    EXPECT_EQ(ScanIds(*people), (std::vector<int>{1, 2, 3, 99}));
    EXPECT_EQ(events, (std::vector<std::string>{"BeforeInsert", "OnNewRecord", "AfterInsert", "BeforePost", "AfterPost"}));
}

TEST(DataSetEdit, CancelDropsAppendInsertAndEditChanges)
{
    auto people = MakePeople(3);
    people->Open();
    people->Next();
    people->Edit();
    people->Fields()[1].SetAsString("changed");
    people->Cancel();
    EXPECT_EQ(people->Fields()[1].AsString(), "R2");
    EXPECT_EQ(people->RecNo(), 2);

    people->Insert();
    people->Fields()[1].SetAsString("inserted");
    people->Cancel();
    EXPECT_EQ(people->RecNo(), 2) << "cancelling an insert returns to the record it stood before";

    people->Append();
    people->Fields()[1].SetAsString("appended");
    people->Cancel();
    EXPECT_EQ(people->RecNo(), 3) << "cancelling an append returns to the last record";
    EXPECT_EQ(people->StoredCount(), 3);
    EXPECT_EQ(ScanIds(*people), (std::vector<int>{1, 2, 3}));
}

TEST(DataSetEdit, NavigationPostsAModifiedRecordAndCancelsAnUntouchedOne)
{
    auto people = MakePeople(3);
    people->Open();
    people->Edit();
    people->Fields()[1].SetAsString("kept");
    people->Next();
    EXPECT_EQ(people->State(), TDataSetState::dsBrowse);
    people->First();
    EXPECT_EQ(people->Fields()[1].AsString(), "kept");

    people->Append();
    people->First();
    EXPECT_EQ(people->StoredCount(), 3) << "an untouched new record is not posted";
}

TEST(DataSetEdit, ExceptionInOnNewRecordReturnsToBrowseWithNothingAdded)
{
    auto people = MakePeople(3);
    people->Open();
    people->Next();
    people->OnNewRecord = [](TDataSet* dataSet) {
        dataSet->Fields()[1].SetAsString("half");
        throw EDatabaseError("no new records today");
    };
    EXPECT_EQ(DatabaseErrorOf([&] { people->Append(); }), "no new records today");
    EXPECT_EQ(people->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(people->StoredCount(), 3);
    EXPECT_EQ(people->RecNo(), 3);
    EXPECT_EQ(DatabaseErrorOf([&] { people->Insert(); }), "no new records today");
    EXPECT_EQ(people->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(ScanIds(*people), (std::vector<int>{1, 2, 3}));
}

TEST(DataSetEdit, FailedPostKeepsTheEditOpenUntilCancelAndWritesNothing)
{
    auto people = MakePeople(2);
    people->Open();
    people->Append();
    people->Fields()[0].SetAsInteger(7);
    people->failNextPost = true;
    EXPECT_EQ(DatabaseErrorOf([&] { people->Post(); }), "Memory dataset: post failed");
    EXPECT_EQ(people->State(), TDataSetState::dsInsert);
    EXPECT_EQ(people->Fields()[0].AsInteger(), 7) << "the record being added is still there to correct";
    people->Cancel();
    EXPECT_EQ(people->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(people->StoredCount(), 2);

    // An exception from the caller between Append and Post, then Cancel.
    people->Append();
    try {
        people->Fields()[1].SetAsString("half");
        people->Fields()[7].SetAsString("no such field");
        people->Post();
    } catch (const EListError&) {
        people->Cancel();
    }
    EXPECT_EQ(people->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(ScanIds(*people), (std::vector<int>{1, 2}));

    people->BeforePost = [](TDataSet*) { throw EDatabaseError("refused"); };
    people->First();
    people->Edit();
    people->Fields()[1].SetAsString("never");
    EXPECT_EQ(DatabaseErrorOf([&] { people->Post(); }), "refused");
    EXPECT_EQ(people->State(), TDataSetState::dsEdit);
    people->Cancel();
    EXPECT_EQ(people->Fields()[1].AsString(), "R1");
}

TEST(DataSetEdit, RequiredReadOnlyAndStateChecks)
{
    auto people = std::make_unique<TMemoryDataSet>(
        nullptr, std::vector<MemoryFieldSpec>{{"ID", TFieldType::ftInteger, 0, true}, {"NAME", TFieldType::ftString, 10}});
    people->Open();
    people->Append();
    people->Fields()[1].SetAsString("x");
    EXPECT_EQ(DatabaseErrorOf([&] { people->Post(); }), "Field 'ID' must have a value");
    EXPECT_EQ(people->State(), TDataSetState::dsInsert);
    people->Fields()[0].SetAsInteger(1);
    people->Post();

    EXPECT_EQ(DatabaseErrorOf([&] { people->Fields()[1].SetAsString("y"); }), SNotEditing);
    EXPECT_EQ(DatabaseErrorOf([&] { people->Post(); }), SNotEditing);
    people->Fields()[1].SetReadOnly(true);
    people->Fields()[1].SetDisplayLabel("Name");
    people->Edit();
    EXPECT_EQ(DatabaseErrorOf([&] { people->Fields()[1].SetAsString("y"); }), "Field 'Name' cannot be modified");
    people->Cancel();

    people->readOnly = true;
    EXPECT_EQ(DatabaseErrorOf([&] { people->Edit(); }), SDataSetReadOnly);
    EXPECT_EQ(DatabaseErrorOf([&] { people->Append(); }), SDataSetReadOnly);
    EXPECT_EQ(DatabaseErrorOf([&] { people->Delete(); }), SDataSetReadOnly);
    EXPECT_EQ(people->State(), TDataSetState::dsBrowse);
}

TEST(DataSetEdit, ValidateSeesTheNewValueAndCanRefuseIt)
{
    auto people = MakePeople(1);
    people->Open();
    TField& name = people->Fields()[1];
    std::vector<std::string> seen;
    int changes = 0;
    name.OnValidate = [&](TField* field) {
        seen.push_back(field->AsString());
        if (field->AsString() == "bad") throw EDatabaseError("bad name");
    };
    name.OnChange = [&](TField*) { ++changes; };
    people->Edit();
    name.SetAsString("good");
    EXPECT_EQ(DatabaseErrorOf([&] { name.SetAsString("bad"); }), "bad name");
    EXPECT_EQ(name.AsString(), "good");
    EXPECT_EQ(seen, (std::vector<std::string>{"good", "bad"}));
    EXPECT_EQ(changes, 1);
    people->Post();
    EXPECT_EQ(name.AsString(), "good");
}

TEST(DataSetEdit, DeleteFallsBackToTheNextThenThePriorRecord)
{
    auto people = MakePeople(4);
    people->Open();
    people->SetRecNo(2);
    people->Delete();
    EXPECT_EQ(people->RecNo(), 3) << "the record after the deleted one";
    people->Last();
    people->Delete();
    EXPECT_EQ(people->RecNo(), 3) << "the last record deleted: the one before it";
    EXPECT_EQ(ScanIds(*people), (std::vector<int>{1, 3}));
    people->Delete();
    people->Delete();
    EXPECT_TRUE(people->IsEmpty());
    EXPECT_TRUE(people->Eof() && people->Bof());
    EXPECT_TRUE(people->IsStoredDeleted(1));
    EXPECT_EQ(people->RecordCount(), 4) << "deleted records keep their numbers until packed";
}

TEST(DataSetEdit, DeleteDuringInsertCancelsTheNewRecord)
{
    auto people = MakePeople(2);
    people->Open();
    people->Append();
    people->Delete();
    EXPECT_EQ(people->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(people->StoredCount(), 2);
    EXPECT_FALSE(people->IsStoredDeleted(2));
}

TEST(DataSetEdit, BookmarksSurvivePostsAndDeletesOfOtherRecords)
{
    auto people = MakePeople(5);
    people->Open();
    people->SetRecNo(2);
    TBookmark second = people->GetBookmark();
    people->Last();
    TBookmark last = people->GetBookmark();
    people->Append();
    people->Fields()[0].SetAsInteger(6);
    people->Post();
    TBookmark added = people->GetBookmark();
    people->SetRecNo(3);
    people->Edit();
    people->Fields()[1].SetAsString("edited");
    people->Post();
    people->Delete();

    people->GotoBookmark(second);
    EXPECT_EQ(people->Fields()[1].AsString(), "R2");
    people->GotoBookmark(added);
    EXPECT_EQ(people->Fields()[0].AsInteger(), 6);
    EXPECT_EQ(people->CompareBookmarks(second, last), -1);
    EXPECT_EQ(people->CompareBookmarks(added, last), 1);
    EXPECT_EQ(people->CompareBookmarks(TBookmark(), second), -1);
    EXPECT_TRUE(people->BookmarkValid(added));
    people->FreeBookmark(added);
    EXPECT_FALSE(people->BookmarkValid(added));

    TBookmark third = second;
    third[0] = 3;
    EXPECT_EQ(DatabaseErrorOf([&] { people->GotoBookmark(third); }), SRecordNotFound) << "record 3 is deleted";
    EXPECT_EQ(DatabaseErrorOf([&] { people->GotoBookmark(TBookmark{1, 2}); }), SBookmarkInvalid);
}

TEST(DataSetEdit, FilterThatRejectsTheCurrentRecordMovesToTheNextOrPrior)
{
    auto people = MakePeople(5);
    people->Open();
    people->SetRecNo(3);
    int minimum = 4;
    people->OnFilterRecord = [&](TDataSet* dataSet, bool& accept) { accept = dataSet->Fields()[0].AsInteger() >= minimum; };
    people->SetFiltered(true);
    EXPECT_EQ(people->RecNo(), 4);
    EXPECT_EQ(ScanIds(*people), (std::vector<int>{4, 5}));

    people->SetFiltered(false);
    people->Last();
    minimum = 1;
    people->OnFilterRecord = [&](TDataSet* dataSet, bool& accept) { accept = dataSet->Fields()[0].AsInteger() <= 2; };
    people->SetFiltered(true);
    EXPECT_EQ(people->RecNo(), 2) << "nothing after the current record passes: the one before";

    people->SetFiltered(false);
    people->OnFilterRecord = [](TDataSet*, bool& accept) { accept = false; };
    people->SetFiltered(true);
    EXPECT_TRUE(people->IsEmpty());
    people->SetFiltered(false);
    EXPECT_EQ(people->RecNo(), 1);
}

TEST(DataSetEdit, RefreshShowsChangesMadeBehindTheFramework)
{
    auto people = MakePeople(3);
    people->Open();
    people->SetRecNo(2);
    people->SetStoredString(2, 1, "outside");
    EXPECT_EQ(people->Fields()[1].AsString(), "R2");
    people->Refresh();
    EXPECT_EQ(people->Fields()[1].AsString(), "outside");
    EXPECT_EQ(people->RecNo(), 2);
}
