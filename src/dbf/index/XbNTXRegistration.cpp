#include "dbf/index/XbNTXRegistration.h"

#include "dbf/XbDBFRegistration.h"
#include "dbf/index/XbNTXBag.h"
#include "dbf/index/XbNTXIndex.h"
#include "platform/classes/PropertyRegistry.h"

void InstallNTXItemClasses()
{
    TXbIndexItemClasses& classes = XbIndexItemClasses();
    classes.Index = CollectionItemClassOf<TXbNTXIndex>("TXbNTXIndex");
    classes.Bag = CollectionItemClassOf<TXbNTXBag>("TXbNTXBag");
}

void RegisterDBFIndexClasses()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    RegisterDBFClasses();
    InstallNTXItemClasses();

    RegisterEnum<TDeleteKeyStyle>("TDeleteKeyStyle", {"dksClipper", "dksApolloHalcyon"});
    RegisterEnum<TXbHashTypeForTreeSorters>("TXbHashTypeForTreeSorters",
                                            {"httsDefault", "htts1", "htts2", "htts4", "htts8", "htts16"});
    RegisterEnum<TXbMaxBitsInHashCode>("TXbMaxBitsInHashCode", {"mbhc8", "mbhc16", "mbhc24", "mbhc32"});
    TClassRegistration<TXbNTXRange, TPersistent>("TXbNTXRange")
        .String("LoKey", [](TXbNTXRange& r) { return r.LoKey; }, [](TXbNTXRange& r, const std::string& v) { r.LoKey = v; })
        .String("HiKey", [](TXbNTXRange& r) { return r.HiKey; }, [](TXbNTXRange& r, const std::string& v) { r.HiKey = v; })
        .Boolean("Active", &TXbNTXRange::Active, &TXbNTXRange::SetActive, false);

    TClassRegistration<TXbNTXIndex, TIndex>("TXbNTXIndex")
        .Item()
        .String("NTXFileName", &TXbNTXIndex::NTXFileName, &TXbNTXIndex::SetNTXFileName)
        .String("KeyExpresion", &TXbNTXIndex::KeyExpresion, &TXbNTXIndex::SetKeyExpresion)
        .String("ForExpresion", &TXbNTXIndex::ForExpresion, &TXbNTXIndex::SetForExpresion)
        .Boolean("KeyTranslate", [](TXbNTXIndex& i) { return i.KeyTranslate; },
                 [](TXbNTXIndex& i, bool v) { i.KeyTranslate = v; }, true)
        .Boolean("Unique", &TXbNTXIndex::Unique, &TXbNTXIndex::SetUnique, false)
        .Boolean("Desc", &TXbNTXIndex::Desc, &TXbNTXIndex::SetDesc, false)
        .String("Order", &TXbNTXIndex::Order, &TXbNTXIndex::SetOrder)
        .Enum("ClipperVer", [](TXbNTXIndex& i) { return i.ClipperVer; },
              [](TXbNTXIndex& i, TCLIPPER_VERSION v) { i.ClipperVer = v; }, TCLIPPER_VERSION::v500)
        .Boolean("Temp", [](TXbNTXIndex& i) { return i.Temp; }, [](TXbNTXIndex& i, bool v) { i.Temp = v; }, false)
        .Object("NTXRange", [](TXbNTXIndex& i) -> TXbNTXRange& { return i.NTXRange(); })
        // Reads False always; setting it builds the index at once.
        .Boolean("CreateNow", &TXbNTXIndex::CreateNow, &TXbNTXIndex::SetCreateNow, false)
        .Enum("HashTypeForTreeSorters", [](TXbNTXIndex& i) { return i.HashTypeForTreeSorters; },
              [](TXbNTXIndex& i, TXbHashTypeForTreeSorters v) { i.HashTypeForTreeSorters = v; },
              TXbHashTypeForTreeSorters::httsDefault)
        .Enum("MaxBitsInHashCode", [](TXbNTXIndex& i) { return i.MaxBitsInHashCode; },
              [](TXbNTXIndex& i, TXbMaxBitsInHashCode v) { i.MaxBitsInHashCode = v; }, TXbMaxBitsInHashCode::mbhc32)
        .Enum("DeleteKeyStyle", [](TXbNTXIndex& i) { return i.DeleteKeyStyle; },
              [](TXbNTXIndex& i, TDeleteKeyStyle v) { i.DeleteKeyStyle = v; }, TDeleteKeyStyle::dksClipper)
        .Event("OnCreateIndex", &TXbNTXIndex::OnCreateIndex)
        .Event("OnSubIndex", &TXbNTXIndex::OnSubIndex)
        .Event("OnEvaluteKey", &TXbNTXIndex::OnEvaluteKey)
        .Event("OnEvaluteFor", &TXbNTXIndex::OnEvaluteFor)
        .Event("OnCompareKeys", &TXbNTXIndex::OnCompareKeys)
        .Event("OnSubNtx", &TXbNTXIndex::OnSubNtx);

    TClassRegistration<TXbNTXOrder, TXbDBFOrder>("TXbNTXOrder").Item();
    TClassRegistration<TXbNTXBag, TXbDBFIndexBag>("TXbNTXBag").Item();
}
