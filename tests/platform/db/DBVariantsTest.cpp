// Variant access to fields, Locate and Lookup through the framework, and the registry entries.

#include "DataSetTestSupport.h"

#include "platform/classes/PropertyRegistry.h"
#include "platform/db/DBRegistration.h"

TEST(DBVariants, FieldValuesAsVariantsFollowTheFieldType)
{
    auto typed = std::make_unique<TMemoryDataSet>(nullptr, std::vector<MemoryFieldSpec>{
        {"NAME", TFieldType::ftString, 8}, {"COUNT", TFieldType::ftInteger}, {"PRICE", TFieldType::ftFloat},
        {"FLAG", TFieldType::ftBoolean}, {"DAY", TFieldType::ftDate}, {"BIG", TFieldType::ftLargeint}});
    typed->Open();
    typed->Append();
    EXPECT_TRUE(typed->Fields()[1].Value().IsNull());
    typed->Fields()[0].SetValue(Variant("abc"));
    typed->Fields()[1].SetValue(Variant(12));
    typed->Fields()[2].SetValue(Variant(2.5));
    typed->Fields()[3].SetValue(Variant(true));
    typed->Fields()[4].SetValue(Variant::FromDateTime(45000.0));
    typed->Fields()[5].SetValue(Variant(int64_t{1} << 40));
    typed->Post();
    EXPECT_EQ(typed->Fields()[0].AsVariant().VarType(), TVarType::varString);
    EXPECT_EQ(typed->Fields()[1].AsVariant().VarType(), TVarType::varInteger);
    EXPECT_EQ(typed->Fields()[2].AsVariant().VarType(), TVarType::varDouble);
    EXPECT_EQ(typed->Fields()[3].AsVariant().VarType(), TVarType::varBoolean);
    EXPECT_EQ(typed->Fields()[4].AsVariant().VarType(), TVarType::varDate);
    EXPECT_EQ(typed->Fields()[5].AsVariant().AsInt64(), int64_t{1} << 40);
    EXPECT_EQ(typed->Fields()[4].AsDateTime(), 45000.0);
    typed->Edit();
    typed->Fields()[1].SetValue(Variant::Null());
    EXPECT_TRUE(typed->Fields()[1].IsNull());
    typed->Fields()[1].SetValue(Variant("77"));
    EXPECT_EQ(typed->Fields()[1].AsInteger(), 77);
    typed->Cancel();
}

TEST(DBVariants, BaseLocateAndLookupFindNothingAndLeaveTheCursor)
{
    auto people = MakePeople(3);
    people->Open();
    people->Next();
    EXPECT_FALSE(people->Locate("NAME", Variant("R3"), {TLocateOption::loCaseInsensitive}));
    EXPECT_EQ(people->RecNo(), 2);
    EXPECT_TRUE(people->Lookup("NAME", Variant("R3"), "ID").IsEmpty());
}

TEST(DBVariants, RegistryKnowsTheDataSourceAndTheDatasetProperties)
{
    RegisterDBClasses();
    const TClassInfo* source = FindClassInfo("TDataSource");
    ASSERT_NE(source, nullptr);
    EXPECT_TRUE(source->CanCreateComponent());
    EXPECT_NE(source->FindProperty("DataSet"), nullptr);
    EXPECT_NE(source->FindProperty("OnDataChange"), nullptr);
    const TClassInfo* dataSet = FindClassInfo("TDataSet");
    ASSERT_NE(dataSet, nullptr);
    EXPECT_NE(dataSet->FindProperty("Filtered"), nullptr);
    EXPECT_NE(dataSet->FindProperty("OnFilterRecord"), nullptr);

    std::unique_ptr<TComponent> created(CreateComponentByName("TDataSource", nullptr));
    auto* createdSource = dynamic_cast<TDataSource*>(created.get());
    ASSERT_NE(createdSource, nullptr);
    EXPECT_TRUE(createdSource->Enabled());

    // Active read from a form description opens the dataset only when loading ends.
    auto people = MakePeople(2);
    people->BeginLoading();
    people->SetActive(true);
    EXPECT_FALSE(people->Active());
    people->EndLoading();
    EXPECT_TRUE(people->Active());
}
