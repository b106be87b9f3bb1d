// A table following its master: by a key range on the master fields, or record by record.
#include "NtxTestSupport.h"

#include "platform/db/DataSource.h"

#include <gtest/gtest.h>

#include <map>

namespace {

constexpr uint32_t kExclusive = TAccessMode::kShareExclusive | TAccessMode::kOpenReadWrite;

// MKEY C 4, VAL N 4.
std::vector<uint8_t> KeyedTable(const std::vector<std::string>& keys)
{
    TTestTable table({{"MKEY", 'C', 4}, {"VAL", 'N', 4}});
    for (size_t i = 0; i < keys.size(); ++i)
        table.Add({keys[i], std::to_string(i + 1)});
    return table.Bytes();
}

std::unique_ptr<TXbDBFNTX> OpenPlain(const std::string& path)
{
    RegisterDBFIndexClasses();
    auto table = std::make_unique<TXbDBFNTX>(nullptr);
    table->DBFFileName = path;
    table->AccessMode().SetAccessMode(kExclusive);
    table->Open();
    return table;
}

std::vector<uint32_t> Shown(TXbSmartDBF& table)
{
    std::vector<uint32_t> numbers;
    for (table.First(); !table.Eof(); table.Next())
        numbers.push_back(static_cast<uint32_t>(table.RecNo()));
    return numbers;
}

class MasterDetail : public ::testing::Test {
protected:
    TScratchFolder folder;
    std::string masterPath = folder.File("master.dbf");
    std::string detailPath = folder.File("detail.dbf");
    std::string indexPath = folder.File("detail.ntx");
    TDataSource source{nullptr};
};

TEST_F(MasterDetail, WithoutMasterFieldsTheDetailMovesAlongWithTheMaster)
{
    WriteWholeFile(masterPath, KeyedTable({"A", "B", "C", "D", "E", "F", "G", "H"}));
    WriteWholeFile(detailPath, KeyedTable({"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"}));
    auto master = OpenPlain(masterPath);
    auto detail = OpenPlain(detailPath);
    source.SetDataSet(master.get());
    detail->SetDataSource(&source);
    EXPECT_EQ(detail->RecNo(), 1);
    master->MoveBy(3);
    EXPECT_EQ(detail->RecNo(), 4);
    master->MoveBy(-2);
    EXPECT_EQ(detail->RecNo(), 2);
    // The master at its end takes the detail to its last record.
    master->Last();
    master->Next();
    ASSERT_TRUE(master->Eof());
    EXPECT_EQ(detail->RecNo(), 10);
}

TEST_F(MasterDetail, MasterFieldsShowExactlyTheRecordsOfTheMastersKey)
{
    WriteWholeFile(masterPath, KeyedTable({"A", "B", "C", "D"}));
    std::vector<std::string> keys;
    for (int i = 0; i < 40; ++i)
        keys.push_back(std::string(1, static_cast<char>('A' + (i * 7) % 3)));
    WriteWholeFile(detailPath, KeyedTable(keys));
    std::vector<TNtxItem> items;
    for (size_t i = 0; i < keys.size(); ++i)
        items.push_back({keys[i] + "   ", static_cast<uint32_t>(i + 1)});
    SortNtxItems(items, false);
    TNtxOptions options;
    options.KeySize = 4;
    options.KeyExpression = "MKEY";
    options.Fill = 4;
    WriteWholeFile(indexPath, BuildNtx(options, items));

    // What a filter over the same table shows for each key.
    std::map<std::string, std::vector<uint32_t>> expected;
    {
        auto filtered = OpenPlain(detailPath);
        for (const char* key : {"A", "B", "C", "D"}) {
            filtered->SetFilter(std::string("MKEY = '") + key + "'");
            filtered->SetFiltered(true);
            expected[key] = Shown(*filtered);
        }
    }
    ASSERT_FALSE(expected["A"].empty());
    ASSERT_TRUE(expected["D"].empty());

    auto master = OpenPlain(masterPath);
    master->TrimCType = true;
    TIndexedTable detail(detailPath, indexPath, kExclusive);
    detail.index->SetActive(false);
    detail.table->SetMasterFields("MKEY");
    detail.table->SetDataSource(&source);
    source.SetDataSet(master.get());
    detail.Open();
    for (master->First(); !master->Eof(); master->Next()) {
        const std::string key = master->FieldByName("MKEY")->AsString();
        SCOPED_TRACE(key);
        EXPECT_EQ(Shown(*detail.table), expected[key]);
        // The master's setting is its own again.
        EXPECT_TRUE(master->TrimCType);
    }
    EXPECT_TRUE(Shown(*detail.table).empty()) << "the master's last key has no details";
    // Without master fields the range goes and the whole table shows again.
    detail.table->SetMasterFields("");
    EXPECT_EQ(Shown(*detail.table).size(), keys.size());
}

TEST_F(MasterDetail, MasterFieldsThatNoIndexCoversRaise)
{
    WriteWholeFile(masterPath, KeyedTable({"A"}));
    WriteWholeFile(detailPath, KeyedTable({"A", "B"}));
    auto master = OpenPlain(masterPath);
    auto detail = OpenPlain(detailPath);
    source.SetDataSet(master.get());
    detail->SetDataSource(&source);
    try {
        detail->SetMasterFields("VAL");
        ADD_FAILURE() << "the link was applied";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), "TXbSmartDBF: There is no suitable index!");
    }
}

}  // namespace
