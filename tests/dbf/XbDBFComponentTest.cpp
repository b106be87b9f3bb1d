// The table component: published defaults and setter rules, the cipher event relays, and a
// form description that creates, indexes and opens a table in the right order.
#include "dbf/XbDBFNTX.h"
#include "dbf/XbDBFRegistration.h"
#include "platform/classes/FormReader.h"
#include "platform/db/DataSource.h"
#include "platform/rtl/Exceptions.h"
#include "XbDBFTableBuilder.h"
#include "XbDBFTestSupport.h"

#include <gtest/gtest.h>

#include <any>
#include <string>
#include <vector>

namespace {

// The form a test description is read into.
class TTableTestForm : public TComponent {
public:
    explicit TTableTestForm(TComponent* owner) : TComponent(owner) {}
    const char* ClassName() const noexcept override { return "TTableTestForm"; }
};

void RegisterTestForm()
{
    RegisterDBFClasses();
    TClassRegistration<TTableTestForm, TComponent>("TTableTestForm").Component();
}

// A published property's value as a form description would write it.
std::string PropertyText(TObject& object, const std::string& path)
{
    TObject* target = &object;
    std::string name = path;
    if (const size_t dot = path.find('.'); dot != std::string::npos) {
        target = FindPublishedProperty(object, path.substr(0, dot))->getObject(object);
        name = path.substr(dot + 1);
    }
    const TPropertyInfo* property = FindPublishedProperty(*target, name);
    if (property == nullptr)
        return "<no property " + path + ">";
    switch (property->kind) {
    case TPropertyKind::Integer:
    case TPropertyKind::Set: return std::to_string(property->getInteger(*target));
    case TPropertyKind::Enumeration: return property->Enum().NameOf(property->getInteger(*target));
    case TPropertyKind::String: return "'" + property->getString(*target) + "'";
    case TPropertyKind::Collection: {
        auto* collection = dynamic_cast<TCollection*>(property->getObject(*target));
        return collection == nullptr ? "<not a collection>" : "<" + std::to_string(collection->Count()) + " items>";
    }
    default: return "<kind>";
    }
}

TEST(XbDBFComponent, PublishedDefaults)
{
    RegisterDBFClasses();
    TXbDBFNTX table(nullptr);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"DBFFileName", "''"},
        {"StorageType", "pstFile"},
        {"DbfVersion", "xBaseIII"},
        {"LobBlockSize", "512"},
        {"LockProtocol", "lpClipperLock"},
        {"LobLockProtocol", "lpClipperLock"},
        {"BufferSize", "4096"},
        {"WaitBusyRes", "3000"},
        {"OEM", "False"},
        {"SetDeleted", "False"},
        {"FastPostRecord", "False"},
        {"TrimInLocate", "False"},
        {"TrimCType", "False"},
        {"LookupOptions", "0"},
        {"IndexName", "''"},
        {"CreateNow", "False"},
        {"Active", "False"},
        {"AccessMode.OpenRead", "True"},
        {"AccessMode.OpenReadWrite", "False"},
        {"AccessMode.ShareExclusive", "True"},
        {"Crypt.Active", "False"},
        {"Crypt.CryptMethod", "cmNone"},
        {"Crypt.Password", "''"},
        {"FoxTableFlag.HasGotIndex", "False"},
        {"FoxTableFlag.HasGotMemo", "False"},
        {"FoxTableFlag.ItIsDatabase", "False"},
        {"DBFFieldDefs", "<0 items>"},
        {"DBFIndexDefs", "<0 items>"},
        {"IndexData", "<0 items>"},
    };
    for (const auto& [name, value] : expected)
        EXPECT_EQ(PropertyText(table, name), value) << name;
    EXPECT_EQ(table.AccessMode().AccessMode(), 16u);

    // The plain table keeps no lock protocol.
    TXbSmartDBF plain(nullptr);
    EXPECT_EQ(plain.LockProtocol(), LockProtocolType::lpNone);
    EXPECT_EQ(plain.LobLockProtocol(), LockProtocolType::lpNone);
}

TEST(XbDBFComponent, LobBlockSizeRoundsDownAndRefusesZero)
{
    struct Case {
        int value;
        int expected;  // 0: refused, the previous value stays
    };
    const Case cases[] = {{700, 640}, {1024, 1024}, {128, 128}, {255, 128}, {127, 0}, {0, 0}, {-700, 0}};
    for (const Case& c : cases) {
        TXbDBFNTX table(nullptr);
        table.SetLobBlockSize(1024);
        if (c.expected == 0) {
            EXPECT_THROW(table.SetLobBlockSize(c.value), EDatabaseError) << c.value;
            EXPECT_EQ(table.LobBlockSize(), 1024) << c.value;
        } else {
            table.SetLobBlockSize(c.value);
            EXPECT_EQ(table.LobBlockSize(), c.expected) << c.value;
        }
    }
}

TEST(XbDBFComponent, LockProtocolCannotChangeWhileOpen)
{
    TScratchFolder folder;
    TTestTable builder({{"NAME", 'C', 8}});
    builder.Add({"one"});
    WriteWholeFile(folder.File("t.dbf"), builder.Bytes());

    TXbDBFNTX table(nullptr);
    table.DBFFileName = folder.File("t.dbf");
    table.Open();
    try {
        table.SetLockProtocol(LockProtocolType::lpNone);
        ADD_FAILURE() << "no error";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), "TXbSmartDBF.SetLockProtocol: Can't change lock protocol while dataset is active!");
    }
    try {
        table.SetLobLockProtocol(LockProtocolType::lpFoxLock);
        ADD_FAILURE() << "no error";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(),
                  "TXbSmartDBF.SetLobLockProtocol: Can't change lock protocol while dataset is active!");
    }
    EXPECT_EQ(table.LockProtocol(), LockProtocolType::lpClipperLock);
    EXPECT_EQ(table.LobLockProtocol(), LockProtocolType::lpClipperLock);
    table.Close();
    table.SetLockProtocol(LockProtocolType::lpNone);
    EXPECT_EQ(table.LockProtocol(), LockProtocolType::lpNone);
}

TEST(XbDBFComponent, CipherEventsOfTheTableAreThoseOfItsCrypt)
{
    RegisterDBFClasses();
    TXbDBFNTX table(nullptr);
    int calls = 0;
    const TOnCrypt cipher = [&calls](TObject*, uint32_t, void*, int32_t) { ++calls; };
    const TNotifyEvent notify = [&calls](TObject*) { ++calls; };
    for (const char* name : {"OnEncrypt", "OnDecrypt"})
        ASSERT_TRUE(FindPublishedProperty(table, name)->setEvent(table, std::any(cipher))) << name;
    for (const char* name : {"OnActivateCrypt", "OnDeactivateCrypt"})
        ASSERT_TRUE(FindPublishedProperty(table, name)->setEvent(table, std::any(notify))) << name;

    uint8_t byte = 0;
    table.Crypt().SetActive(true);  // OnActivateCrypt
    table.Crypt().Encrypt(1, &byte, 1);
    table.Crypt().Decrypt(1, &byte, 1);
    table.Crypt().SetActive(false);  // OnDeactivateCrypt
    EXPECT_EQ(calls, 4);
}

// A table component, a data source on it, the index to use and the table to open.
const char* const TableForm = R"(object tableform: TTableTestForm
  object contactcon: TDataSource
    DataSet = contactdb
  end
  object contactdb: TXbDBFNTX
    Active = True
    IndexName = 'byname'
    DBFFileName = '%FILE%'
    AccessMode.OpenReadWrite = True
    SetDeleted = True
    TrimInLocate = True
    TrimCType = True
    IndexData = <
      item
        Name = 'BYNAME'
      end>
    BeforeOpen = contactdbBeforeOpen
  end
end
)";

std::string WithFile(std::string text, const std::string& file)
{
    text.replace(text.find("%FILE%"), 6, file);
    return text;
}

TEST(XbDBFComponent, FormDescriptionAppliesIndexThenOpens)
{
    RegisterTestForm();
    TScratchFolder folder;
    TTestTable builder({{"NAME", 'C', 10}, {"PHONE", 'C', 12}});
    builder.Add({"Ann", "555-1000"});
    builder.Add({"Bob", "555-2000"}, true);
    builder.Add({"Cid", "555-3000"});
    WriteWholeFile(folder.File("contacts.dbf"), builder.Bytes());

    std::string indexAtOpen = "<not opened>";
    THandlerTable handlers;
    TTableTestForm form(nullptr);
    handlers.Add("contactdbBeforeOpen", std::any(TDataSetNotifyEvent([&](TDataSet* dataSet) {
                     indexAtOpen = static_cast<TXbSmartDBF*>(dataSet)->IndexName();
                 })));
    ReadComponentText(form, WithFile(TableForm, folder.File("contacts.dbf")), "tableform.form", &handlers);

    auto* table = dynamic_cast<TXbDBFNTX*>(form.FindComponent("contactdb"));
    auto* source = dynamic_cast<TDataSource*>(form.FindComponent("contactcon"));
    ASSERT_TRUE(table != nullptr && source != nullptr);
    EXPECT_EQ(source->DataSet(), table);
    EXPECT_EQ(indexAtOpen, "BYNAME");
    ASSERT_TRUE(table->Active());
    EXPECT_TRUE(table->AccessMode().OpenReadWrite);
    EXPECT_EQ(table->LockProtocol(), LockProtocolType::lpClipperLock);
    EXPECT_EQ(table->FieldByName("NAME")->AsString(), "Ann");
    table->Next();
    EXPECT_EQ(table->FieldByName("NAME")->AsString(), "Cid");  // the deleted record is hidden
}

const char* const CreatingForm = R"(object tableform: TTableTestForm
  object newdb: TXbDBFNTX
    Active = True
    CreateNow = True
    DBFFileName = '%FILE%'
    DBFFieldDefs = <
      item
        Name = 'TITLE'
        field_type = 'C'
        len = 20
      end
      item
        Name = 'DONE'
        field_type = 'L'
        len = 1
        FieldFlag.CanStoreNull = True
      end>
  end
end
)";

TEST(XbDBFComponent, FormDescriptionCreatesTheTableBeforeOpeningIt)
{
    RegisterTestForm();
    TScratchFolder folder;
    TTableTestForm form(nullptr);
    ReadComponentText(form, WithFile(CreatingForm, folder.File("new.dbf")), "tableform.form");

    auto* table = dynamic_cast<TXbDBFNTX*>(form.FindComponent("newdb"));
    ASSERT_TRUE(table != nullptr);
    ASSERT_TRUE(table->Active());
    EXPECT_EQ(table->RecordCount(), 0);
    ASSERT_EQ(table->FieldCount(), 2);
    EXPECT_EQ(table->Fields()[0].FieldName(), "TITLE");
    EXPECT_EQ(table->Fields()[1].DataType(), TFieldType::ftBoolean);
    EXPECT_EQ(PropertyText(*table, "DBFFieldDefs"), "<2 items>");
    // The flag byte travels from the description through the descriptor and back.
    EXPECT_EQ(table->DBFFieldDefs().Items(0).FieldFlag().FieldFlag(), 0);
    EXPECT_TRUE(table->DBFFieldDefs().Items(1).FieldFlag().CanStoreNull);
    EXPECT_EQ(table->DBFFieldDefs().Items(1).FieldFlag().FieldFlag(), kFieldFlagCanStoreNull);
}

TEST(XbDBFComponent, KeyRangesNeedAnIndexCoveringTheFields)
{
    TXbDBFNTX table(nullptr);
    try {
        table.SetKeyRangeEqual("NAME", Variant("x"));
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& error) {
        EXPECT_EQ(error.Message(), "TXbSmartDBF: There is no suitable index!");
    }
    EXPECT_THROW(table.SetKeyRange("NAME;PHONE", Variant("a"), Variant("b")), EDatabaseError);
    table.CancelKeyRange();  // nothing to cancel

    // A plain table has no key ranges and says nothing.
    TXbSmartDBF plain(nullptr);
    plain.SetKeyRangeEqual("NAME", Variant("x"));
}

}  // namespace
