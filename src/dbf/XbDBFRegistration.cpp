#include "dbf/XbDBFRegistration.h"

#include "dbf/XbDBFNTX.h"
#include "dbf/XbDBFNested.h"
#include "platform/classes/PropertyRegistry.h"
#include "platform/db/DBRegistration.h"
#include "platform/db/DataSource.h"

namespace {

void RegisterEnumerations()
{
    RegisterEnum<xBaseVersion>("xBaseVersion", {"xUnknown", "xClipper", "xBaseIII", "xBaseIV", "xBaseV", "xBaseVII",
                                                "xFoxPro", "xVisualFoxPro"});
    RegisterEnum<LockProtocolType>("LockProtocolType",
                                   {"lpNone", "lpDB4Lock", "lpClipperLock", "lpFoxLock", "lpClipperForFoxLob"});
    RegisterEnum<TProxyStreamType>("TProxyStreamType", {"pstFile", "pstInnerStream", "pstOuterStream"});
    RegisterEnum<TCryptMethod>("TCryptMethod", {"cmNone", "cmXOR", "cmGost", "cmGost1", "cmCustomer"});
    RegisterEnum<TLocateOption>("TLocateOption", {"loCaseInsensitive", "loPartialKey"});
    RegisterEnum<TXbCollationTypes>(
        "TXbCollationTypes",
        {"cltNone", "cltCustom", "cltClipper501Rus", "cltGermanCollation", "cltFrenchCollation", "cltSpanishCollation",
         "cltItalianCollation", "cltSwedishCollation", "cltPortugueseCollation", "cltNorwegianCollation",
         "cltFinnishCollation", "cltDutchCollation", "cltDanishCollation", "cltGreek437Collation", "cltGreek851Collation",
         "cltIcelandic850Collation", "cltIcelandic861Collation", "cltPolish852Collation", "cltHungarianCWICollation",
         "cltHungarian852Collation"});
    RegisterEnum<TXbLimitBuffersType>("TXbLimitBuffersType", {"lbtAuto", "lbtLimited", "lbtUnlimited"});
    RegisterEnum<TCLIPPER_VERSION>("TCLIPPER_VERSION", {"v500", "v501", "v520", "v530"});
    RegisterEnum<TXbDBFType>("TXbDBFType", {"dbftS1", "dbftS1_N", "dbftU1", "dbftU1_N", "dbftS2", "dbftS2_N", "dbftU2", "dbftU2_N", "dbftS4", "dbftS4_N", "dbftU4", "dbftU4_N", "dbftS8", "dbftS8_N", "dbftR4", "dbftR4_N", "dbftR6", "dbftR6_N", "dbftR8", "dbftR8_N", "dbftR10", "dbftR10_N", "dbftD1", "dbftD1_N", "dbftD2", "dbftD2_N", "dbftString", "dbftString_N", "dbftFixedChar", "dbftWideString", "dbftCurrency", "dbftCurrency_N", "dbftClob", "dbftBlob", "dbftGraphic", "dbftFmtMemo", "dbftBCD", "dbftDate", "dbftDate_N", "dbftTime", "dbftTime_N", "dbftD3", "dbftD3_N", "dbftU1_NB", "dbftU2_NB", "dbftU4_NB", "dbftR4_NB", "dbftR6_NB", "dbftR8_NB", "dbftD1_NB", "dbftD2_NB", "dbftCurrency_NB", "dbftDate_NB", "dbftTime_NB", "dbftD3_NB", "dbftClob_NB", "dbftBlob_NB", "dbftGraphic_NB", "dbftFmtMemo_NB", "dbftUndefined", "dbftDBFDataSet", "dbftDBFDataSet_NB", "dbftBytes", "dbftVarBytes", "dbftAutoInc", "dbftOraBlob", "dbftOraClob", "dbftTypedBinary", "dbftCursor", "dbftADT", "dbftArray", "dbftGuid"});
}

// A Boolean member of a flag set.
template <class C>
auto Flag(bool C::*member)
{
    return std::pair{[member](C& object) { return object.*member; },
                     [member](C& object, bool value) { object.*member = value; }};
}

void RegisterOwnedObjects()
{
    auto accessMode = TClassRegistration<TAccessMode, TPersistent>("TAccessMode");
    for (auto [name, member, fallback] :
         {std::tuple{"OpenRead", &TAccessMode::OpenRead, true}, std::tuple{"OpenWrite", &TAccessMode::OpenWrite, false},
          std::tuple{"OpenReadWrite", &TAccessMode::OpenReadWrite, false},
          std::tuple{"ShareExclusive", &TAccessMode::ShareExclusive, true},
          std::tuple{"ShareDenyWrite", &TAccessMode::ShareDenyWrite, false},
          std::tuple{"ShareDenyNone", &TAccessMode::ShareDenyNone, false}}) {
        auto [get, set] = Flag(member);
        accessMode.Boolean(name, get, set, fallback);
    }

    auto tableFlag = TClassRegistration<TTableFlag, TPersistent>("TTableFlag");
    for (auto [name, member] : {std::pair{"HasGotIndex", &TTableFlag::HasGotIndex},
                                std::pair{"HasGotMemo", &TTableFlag::HasGotMemo},
                                std::pair{"ItIsDatabase", &TTableFlag::ItIsDatabase}}) {
        auto [get, set] = Flag(member);
        tableFlag.Boolean(name, get, set, false);
    }

    auto fieldFlag = TClassRegistration<TFieldFlag, TPersistent>("TFieldFlag");
    for (auto [name, member] : {std::pair{"System", &TFieldFlag::System},
                                std::pair{"CanStoreNull", &TFieldFlag::CanStoreNull},
                                std::pair{"BinaryColumn", &TFieldFlag::BinaryColumn},
                                std::pair{"AutoIncrement", &TFieldFlag::AutoIncrement}}) {
        auto [get, set] = Flag(member);
        fieldFlag.Boolean(name, get, set, false);
    }

    TClassRegistration<TXbCollation, TPersistent>("TXbCollation")
        .Enum("CollationType", [](TXbCollation& c) { return c.CollationType; },
              [](TXbCollation& c, TXbCollationTypes v) { c.CollationType = v; }, TXbCollationTypes::cltNone)
        .String("CustomCollatingSequence", [](TXbCollation& c) { return c.CustomCollatingSequence; },
                [](TXbCollation& c, const std::string& v) { c.CustomCollatingSequence = v; },
                TXbCollation::IdentitySequence());
    TClassRegistration<TXbLimitIndexPages, TPersistent>("TXbLimitIndexPages")
        .Enum("LimitPagesType", [](TXbLimitIndexPages& l) { return l.LimitPagesType; },
              [](TXbLimitIndexPages& l, TXbLimitBuffersType v) { l.LimitPagesType = v; }, TXbLimitBuffersType::lbtAuto)
        .Integer("LimitBuffers", [](TXbLimitIndexPages& l) { return l.LimitBuffers; },
                 [](TXbLimitIndexPages& l, int64_t v) { l.LimitBuffers = static_cast<int>(v); })
        .Integer("PagesPerBuffer", [](TXbLimitIndexPages& l) { return l.PagesPerBuffer; },
                 [](TXbLimitIndexPages& l, int64_t v) { l.PagesPerBuffer = static_cast<int>(v); }, 4);
    TClassRegistration<TXbOuterSorterProperties, TPersistent>("TXbOuterSorterProperties")
        .Integer("BufferSize", [](TXbOuterSorterProperties& o) { return o.BufferSize; },
                 [](TXbOuterSorterProperties& o, int64_t v) { o.BufferSize = static_cast<int>(v); }, 65536)
        .Integer("SortItemPerInnerSorter", [](TXbOuterSorterProperties& o) { return o.SortItemPerInnerSorter; },
                 [](TXbOuterSorterProperties& o, int64_t v) { o.SortItemPerInnerSorter = static_cast<int>(v); }, -32)
        .String("TmpPath", [](TXbOuterSorterProperties& o) { return o.TmpPath; },
                [](TXbOuterSorterProperties& o, const std::string& v) { o.TmpPath = v; });

    TClassRegistration<TXbDBFCrypt, TPersistent>("TXbDBFCrypt")
        .Boolean("Active", &TXbDBFCrypt::Active, &TXbDBFCrypt::SetActive, false)
        .Enum("CryptMethod", &TXbDBFCrypt::CryptMethod, &TXbDBFCrypt::SetCryptMethod, TCryptMethod::cmNone)
        .String("Password", &TXbDBFCrypt::Password, &TXbDBFCrypt::SetPassword)
        .Event("OnActivateCrypt", &TXbDBFCrypt::OnActivateCrypt)
        .Event("OnDeactivateCrypt", &TXbDBFCrypt::OnDeactivateCrypt)
        .Event("OnEncrypt", &TXbDBFCrypt::OnEncrypt)
        .Event("OnDecrypt", &TXbDBFCrypt::OnDecrypt);
}

void RegisterCollectionItems()
{
    TClassRegistration<TXbDBFFieldDefItem, TCollectionItem>("TXbDBFFieldDefItem")
        .Item()
        .String("Name", [](TXbDBFFieldDefItem& i) { return i.Name; },
                [](TXbDBFFieldDefItem& i, const std::string& v) { i.Name = v; })
        .String("field_type", [](TXbDBFFieldDefItem& i) { return i.field_type; },
                [](TXbDBFFieldDefItem& i, const std::string& v) { i.field_type = v; }, "C")
        .Enum("extend_type", [](TXbDBFFieldDefItem& i) { return i.extend_type; },
              [](TXbDBFFieldDefItem& i, TXbDBFType v) { i.extend_type = v; }, TXbDBFType::dbftUndefined)
        .Integer("len", [](TXbDBFFieldDefItem& i) { return i.len; }, [](TXbDBFFieldDefItem& i, int64_t v) {
            i.len = static_cast<int>(v);
        })
        .Integer("dec", [](TXbDBFFieldDefItem& i) { return i.dec; }, [](TXbDBFFieldDefItem& i, int64_t v) {
            i.dec = static_cast<int>(v);
        })
        .Object("FieldFlag", [](TXbDBFFieldDefItem& i) -> TFieldFlag& { return i.FieldFlag; })
        .Integer("Tag", [](TXbDBFFieldDefItem& i) { return i.Tag; },
                 [](TXbDBFFieldDefItem& i, int64_t v) { i.Tag = static_cast<int>(v); });

    TClassRegistration<TIndex, TCollectionItem>("TIndex")
        .Item()
        .String("Name", &TIndex::Name, &TIndex::SetName)
        .String("BagName", &TIndex::BagName, &TIndex::SetBagName)
        .Boolean("Active", &TIndex::Active, &TIndex::SetActive, false)
        .Object("Collation", [](TIndex& i) -> TXbCollation& { return i.Collation(); })
        .Object("LimitPages", [](TIndex& i) -> TXbLimitIndexPages& { return i.LimitPages(); })
        .Object("OuterSorterProperties", [](TIndex& i) -> TXbOuterSorterProperties& { return i.OuterSorterProperties(); });

    TClassRegistration<TXbDBFOrder, TCollectionItem>("TXbDBFOrder")
        .Item()
        .String("Name", [](TXbDBFOrder& o) { return o.Name; }, [](TXbDBFOrder& o, const std::string& v) { o.Name = v; })
        .String("KeyExpresion", [](TXbDBFOrder& o) { return o.KeyExpresion; },
                [](TXbDBFOrder& o, const std::string& v) { o.KeyExpresion = v; })
        .String("ForExpresion", [](TXbDBFOrder& o) { return o.ForExpresion; },
                [](TXbDBFOrder& o, const std::string& v) { o.ForExpresion = v; })
        .Boolean("KeyTranslate", [](TXbDBFOrder& o) { return o.KeyTranslate; },
                 [](TXbDBFOrder& o, bool v) { o.KeyTranslate = v; }, true)
        .Boolean("Unique", [](TXbDBFOrder& o) { return o.Unique; }, [](TXbDBFOrder& o, bool v) { o.Unique = v; })
        .Boolean("Desc", [](TXbDBFOrder& o) { return o.Desc; }, [](TXbDBFOrder& o, bool v) { o.Desc = v; })
        .Boolean("Temp", [](TXbDBFOrder& o) { return o.Temp; }, [](TXbDBFOrder& o, bool v) { o.Temp = v; })
        .Enum("ClipperVer", [](TXbDBFOrder& o) { return o.ClipperVer; },
              [](TXbDBFOrder& o, TCLIPPER_VERSION v) { o.ClipperVer = v; }, TCLIPPER_VERSION::v500)
        .Object("LimitPages", [](TXbDBFOrder& o) -> TXbLimitIndexPages& { return o.LimitPages(); })
        .Object("OuterSorterProperties",
                [](TXbDBFOrder& o) -> TXbOuterSorterProperties& { return o.OuterSorterProperties(); })
        .Object("Collation", [](TXbDBFOrder& o) -> TXbCollation& { return o.Collation(); })
        .Event("OnEvaluteKey", &TXbDBFOrder::OnEvaluteKey)
        .Event("OnEvaluteFor", &TXbDBFOrder::OnEvaluteFor)
        .Event("OnCompareKeys", &TXbDBFOrder::OnCompareKeys)
        .Event("OnCreateIndex", &TXbDBFOrder::OnCreateIndex);

    TClassRegistration<TXbDBFIndexBag, TCollectionItem>("TXbDBFIndexBag")
        .Item()
        .String("Name", &TXbDBFIndexBag::Name, &TXbDBFIndexBag::SetName)
        .String("IndexFileName", &TXbDBFIndexBag::IndexFileName, &TXbDBFIndexBag::SetIndexFileName)
        .Enum("StorageType", [](TXbDBFIndexBag& b) { return b.StorageType; },
              [](TXbDBFIndexBag& b, TProxyStreamType v) { b.StorageType = v; }, TProxyStreamType::pstFile)
        .Collection("Orders", [](TXbDBFIndexBag& b) -> TCollection& { return b.Orders(); });
}

void RegisterTables()
{
    TClassRegistration<TXbSmartDBF, TDataSet>("TXbSmartDBF")
        .String("DBFFileName", [](TXbSmartDBF& t) { return t.DBFFileName; },
                [](TXbSmartDBF& t, const std::string& v) { t.DBFFileName = v; })
        .Object("AccessMode", [](TXbSmartDBF& t) -> TAccessMode& { return t.AccessMode(); })
        .Enum("StorageType", [](TXbSmartDBF& t) { return t.StorageType; },
              [](TXbSmartDBF& t, TProxyStreamType v) { t.StorageType = v; }, TProxyStreamType::pstFile)
        .Reference("DataSource", &TXbSmartDBF::DataSource, &TXbSmartDBF::SetDataSource)
        .String("MasterFields", &TXbSmartDBF::MasterFields, &TXbSmartDBF::SetMasterFields)
        .Enum("DbfVersion", &TXbSmartDBF::DbfVersion, &TXbSmartDBF::SetDbfVersion, xBaseVersion::xBaseIII)
        .Integer("LobBlockSize", &TXbSmartDBF::LobBlockSize, [](TXbSmartDBF& t, int64_t v) {
            t.SetLobBlockSize(static_cast<int>(v));
        }, 512)
        .Integer("BufferSize", [](TXbSmartDBF& t) { return t.BufferSize; },
                 [](TXbSmartDBF& t, int64_t v) { t.BufferSize = static_cast<int>(v); }, 4096)
        .Integer("WaitBusyRes", [](TXbSmartDBF& t) { return t.WaitBusyRes; },
                 [](TXbSmartDBF& t, int64_t v) { t.WaitBusyRes = static_cast<int>(v); }, 3000)
        .Boolean("OEM", [](TXbSmartDBF& t) { return t.OEM; }, [](TXbSmartDBF& t, bool v) { t.OEM = v; })
        .Boolean("SetDeleted", &TXbSmartDBF::SetDeleted, &TXbSmartDBF::SetSetDeleted)
        .Boolean("FastPostRecord", [](TXbSmartDBF& t) { return t.FastPostRecord; },
                 [](TXbSmartDBF& t, bool v) { t.FastPostRecord = v; })
        .Boolean("TrimInLocate", [](TXbSmartDBF& t) { return t.TrimInLocate; },
                 [](TXbSmartDBF& t, bool v) { t.TrimInLocate = v; })
        .Boolean("TrimCType", [](TXbSmartDBF& t) { return t.TrimCType; },
                 [](TXbSmartDBF& t, bool v) { t.TrimCType = v; })
        .Set<TLocateOption>(
            "LookupOptions", [](TXbSmartDBF& t) { return uint64_t{t.LookupOptions.Bits()}; },
            [](TXbSmartDBF& t, uint64_t bits) {
                TLocateOptions options;
                if (bits & 1u) options.Include(TLocateOption::loCaseInsensitive);
                if (bits & 2u) options.Include(TLocateOption::loPartialKey);
                t.LookupOptions = options;
            })
        .Object("Crypt", [](TXbSmartDBF& t) -> TXbDBFCrypt& { return t.Crypt(); })
        .Object("FoxTableFlag", [](TXbSmartDBF& t) -> TTableFlag& { return t.FoxTableFlag(); })
        .String("IndexName", &TXbSmartDBF::IndexName, &TXbSmartDBF::SetIndexName)
        .Boolean("CreateNow", &TXbSmartDBF::CreateNow, &TXbSmartDBF::SetCreateNow)
        .Event("OnOuterStreamLock", &TXbSmartDBF::OnOuterStreamLock)
        .Event("OnOuterStreamUnlock", &TXbSmartDBF::OnOuterStreamUnlock)
        // The cipher's events, relayed: setting them on the table sets them on its Crypt.
        .EventSetter<TOnCrypt>("OnEncrypt", [](TXbSmartDBF& t, const TOnCrypt& f) { t.Crypt().OnEncrypt = f; })
        .EventSetter<TOnCrypt>("OnDecrypt", [](TXbSmartDBF& t, const TOnCrypt& f) { t.Crypt().OnDecrypt = f; })
        .EventSetter<TNotifyEvent>("OnActivateCrypt",
                                   [](TXbSmartDBF& t, const TNotifyEvent& f) { t.Crypt().OnActivateCrypt = f; })
        .EventSetter<TNotifyEvent>("OnDeactivateCrypt",
                                   [](TXbSmartDBF& t, const TNotifyEvent& f) { t.Crypt().OnDeactivateCrypt = f; });

    TClassRegistration<TXbDBFNTX, TXbSmartDBF>("TXbDBFNTX")
        .Component()
        .Enum("LockProtocol", &TXbDBFNTX::LockProtocol, &TXbDBFNTX::SetLockProtocol, LockProtocolType::lpClipperLock)
        .Enum("LobLockProtocol", &TXbDBFNTX::LobLockProtocol, &TXbDBFNTX::SetLobLockProtocol,
              LockProtocolType::lpClipperLock)
        .Collection("DBFFieldDefs", [](TXbDBFNTX& t) -> TCollection& { return t.StreamedFieldDefs(); })
        .Collection("DBFIndexDefs", [](TXbDBFNTX& t) -> TCollection& { return t.DBFIndexDefs(); })
        .Collection("IndexData", [](TXbDBFNTX& t) -> TCollection& { return t.Indexes(); });

    // BufferSize comes with the table's own properties.
    TClassRegistration<TXbNestedDBF, TXbSmartDBF>("TXbNestedDBF")
        .Component()
        .Reference("DataSetField", &TXbNestedDBF::DataSetField, &TXbNestedDBF::SetDataSetField)
        .Collection("DBFFieldDefs", [](TXbNestedDBF& t) -> TCollection& { return t.StreamedFieldDefs(); });
}

}  // namespace

void RegisterDBFClasses()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    RegisterDBClasses();
    RegisterEnumerations();
    RegisterOwnedObjects();
    RegisterCollectionItems();
    RegisterTables();
}
