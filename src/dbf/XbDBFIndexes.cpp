#include "dbf/XbDBFIndexes.h"

#include "dbf/XbDBFDataSet.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"

#include <filesystem>

std::vector<std::string> SplitFieldNames(const std::string& keyFields)
{
    std::vector<std::string> names;
    size_t start = 0;
    while (start <= keyFields.size()) {
        size_t end = keyFields.find(';', start);
        if (end == std::string::npos)
            end = keyFields.size();
        std::string name = Trim(keyFields.substr(start, end - start));
        if (!name.empty())
            names.push_back(std::move(name));
        start = end + 1;
    }
    return names;
}

std::string XbFileStem(const std::string& path) { return std::filesystem::path(path).stem().string(); }

TXbIndexItemClasses& XbIndexItemClasses()
{
    static TXbIndexItemClasses classes;
    return classes;
}

namespace {

int FormatCodeOf(const std::string& className, const char* ntx, const char* ndx, const char* mdx, const char* cdx)
{
    if (className == ntx)
        return 1;
    if (className == ndx)
        return 2;
    if (className == mdx)
        return 3;
    if (className == cdx)
        return 5;
    return 0;
}

}  // namespace

// ---- settings objects

void TXbLimitIndexPages::Assign(const TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TXbLimitIndexPages*>(&source)) {
        LimitPagesType = other->LimitPagesType;
        LimitBuffers = other->LimitBuffers;
        PagesPerBuffer = other->PagesPerBuffer;
        return;
    }
    TPersistent::Assign(source);
}

void TXbOuterSorterProperties::Assign(const TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TXbOuterSorterProperties*>(&source)) {
        BufferSize = other->BufferSize;
        SortItemPerInnerSorter = other->SortItemPerInnerSorter;
        TmpPath = other->TmpPath;
        return;
    }
    TPersistent::Assign(source);
}

// ---- TIndex

TIndex::TIndex(TCollection& collection)
    : TCollectionItem(collection),
      collation_(std::make_unique<TXbCollation>()),
      limitPages_(std::make_unique<TXbLimitIndexPages>()),
      outerSorterProperties_(std::make_unique<TXbOuterSorterProperties>())
{
}

TIndex::~TIndex() = default;

void TIndex::Assign(const TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TIndex*>(&source)) {
        name_ = other->name_;
        return;
    }
    TCollectionItem::Assign(source);
}

TIndexes* TIndex::Indexes() const noexcept { return static_cast<TIndexes*>(Collection()); }

TXbSmartDBF* TIndex::Table() const noexcept
{
    const TIndexes* indexes = Indexes();
    return indexes != nullptr ? indexes->Table() : nullptr;
}

bool TIndex::Active() const noexcept
{
    const TIndexes* indexes = Indexes();
    return indexes != nullptr && indexes->activeIndex_ == this;
}

void TIndex::SetActive(bool value)
{
    TIndexes* indexes = Indexes();
    if (indexes == nullptr || value == Active())
        return;
    TXbSmartDBF* table = Table();
    const bool tableOpen = table != nullptr && table->Active() && !table->IsLoading();
    if (!value) {
        indexes->activeIndex_ = nullptr;
        if (tableOpen) {
            const int recNo = table->RecNo();
            table->ReorderAt(recNo > 0 ? static_cast<uint32_t>(recNo) : 0);
        }
        return;
    }
    // The index active so far gives way without repositioning the table in between.
    indexes->activeIndex_ = this;
    if (!tableOpen)
        return;
    uint32_t found = 0;
    const int recNo = table->IsEmpty() ? 0 : table->RecNo();
    if (recNo > 0)
        found = SeekKey(EvaluateKey(), false, static_cast<uint32_t>(recNo), true);
    table->ReorderAt(found);
}

void TIndex::SetCollationType(bool internal)
{
    if (IsOpen() && !internal)
        throw Exception("TIndex.SetCollationType: You can set collation type only when index is not open!");
    switch (collation_->CollationType) {
    case TXbCollationTypes::cltNone:
        weightsInUse_ = nullptr;
        break;
    case TXbCollationTypes::cltCustom:
        customWeights_ = XbCustomCollationWeights(collation_->CustomCollatingSequence);
        weightsInUse_ = customWeights_.data();
        break;
    default:
        weightsInUse_ = XbBuiltInCollationWeights(collation_->CollationType);
        break;
    }
}

// ---- TIndexes

TIndexes::TIndexes(TXbSmartDBF* table, TCollectionItemClass itemClass)
    : TCollection(nullptr, std::move(itemClass)), table_(table)
{
    formatCode_ = FormatCodeOf(ItemClass().name, "TXbNTXIndex", "TXbNDXIndex", "TXbMDXIndex", "TXbCDXIndex");
}

void TIndexes::CloseAll() noexcept
{
    for (;;) {
        TIndex* open = nullptr;
        for (int i = 0; i < Count() && open == nullptr; ++i)
            if (IndexAt(i).IsOpen())
                open = &IndexAt(i);
        if (open == nullptr)
            return;
        open->CloseIndex();
        if (open->IsOpen())
            return;  // An index that cannot close would be found again and again.
    }
}

bool TIndexes::SameAs(const TIndexes& other) const
{
    if (Count() != other.Count())
        return false;
    for (int i = 0; i < Count(); ++i)
        if (!IndexAt(i).IsSameIndex(other.IndexAt(i)))
            return false;
    return true;
}

TIndex* TIndexes::BestIndexFor(const std::string& keyFields, int& coveredFields, int& fieldCount)
{
    const std::vector<std::string> names = SplitFieldNames(keyFields);
    fieldCount = static_cast<int>(names.size());
    coveredFields = 0;
    TIndex* best = nullptr;
    for (int i = 0; i < Count(); ++i) {
        const int covered = IndexAt(i).CountKeyFields(names);
        if (covered > coveredFields) {
            coveredFields = covered;
            best = &IndexAt(i);
        }
    }
    return best;
}

void TIndexes::Notify(TCollectionItem* item, TCollectionNotification action)
{
    if (action != TCollectionNotification::cnAdded && item == activeIndex_)
        activeIndex_ = nullptr;
}

// ---- TXbDBFOrder

TXbDBFOrder::TXbDBFOrder(TCollection& collection)
    : TCollectionItem(collection),
      Name("TXbDBFOrder" + std::to_string(collection.Count())),
      limitPages_(std::make_unique<TXbLimitIndexPages>()),
      outerSorterProperties_(std::make_unique<TXbOuterSorterProperties>()),
      collation_(std::make_unique<TXbCollation>())
{
}

TXbDBFOrder::~TXbDBFOrder()
{
    TXbDBFIndexBag* bag = Bag();
    TXbSmartDBF* table = bag != nullptr ? bag->Table() : nullptr;
    TIndexes* indexes = table != nullptr ? table->IndexCollection() : nullptr;
    if (indexes == nullptr)
        return;
    for (int i = indexes->Count() - 1; i >= 0; --i) {
        TIndex& index = indexes->IndexAt(i);
        if (index.IndexOrder() != this)
            continue;
        index.CloseIndex();
        try {
            indexes->Delete(i);
        } catch (...) {
            // Nothing may leave a destructor.
        }
    }
}

void TXbDBFOrder::Assign(const TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TXbDBFOrder*>(&source)) {
        Name = other->Name;
        KeyExpresion = other->KeyExpresion;
        ForExpresion = other->ForExpresion;
        KeyTranslate = other->KeyTranslate;
        Unique = other->Unique;
        Desc = other->Desc;
        Temp = other->Temp;
        ClipperVer = other->ClipperVer;
        limitPages_->Assign(*other->limitPages_);
        outerSorterProperties_->Assign(*other->outerSorterProperties_);
        collation_->Assign(*other->collation_);
        OnEvaluteKey = other->OnEvaluteKey;
        OnEvaluteFor = other->OnEvaluteFor;
        OnCompareKeys = other->OnCompareKeys;
        OnCreateIndex = other->OnCreateIndex;
        return;
    }
    TCollectionItem::Assign(source);
}

TXbDBFIndexBag* TXbDBFOrder::Bag() const noexcept
{
    const auto* orders = static_cast<const TXbDBFOrders*>(Collection());
    return orders != nullptr ? orders->Bag() : nullptr;
}

// ---- TXbDBFOrders

TXbDBFOrders::TXbDBFOrders(TXbDBFIndexBag* bag, TCollectionItemClass itemClass)
    : TCollection(nullptr, std::move(itemClass)), bag_(bag)
{
}

TXbSmartDBF* TXbDBFOrders::Table() const noexcept { return bag_ != nullptr ? bag_->Table() : nullptr; }

// ---- TXbDBFIndexBag

TXbDBFIndexBag::TXbDBFIndexBag(TCollection& collection)
    : TCollectionItem(collection),
      orders_(std::make_unique<TXbDBFOrders>(this, CollectionItemClassOf<TXbDBFOrder>("TXbDBFOrder"))),
      stream_(std::make_unique<TProxyStream>())
{
    name_ = "TXbDBFIndexBag" + std::to_string(collection.Count());
}

TXbDBFIndexBag::~TXbDBFIndexBag()
{
    // The orders go first: an index bound to one of them is closed while the bag still stands.
    orders_.reset();
    stream_->CloseStream();
}

void TXbDBFIndexBag::SetOrderClass(TCollectionItemClass orderClass)
{
    orders_ = std::make_unique<TXbDBFOrders>(this, std::move(orderClass));
}

void TXbDBFIndexBag::Assign(const TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TXbDBFIndexBag*>(&source)) {
        name_ = other->name_;
        indexFileName_ = other->indexFileName_;
        StorageType = other->StorageType;
        OuterStream = other->OuterStream;
        orders_->Assign(*other->orders_);
        return;
    }
    TCollectionItem::Assign(source);
}

TXbSmartDBF* TXbDBFIndexBag::Table() const noexcept
{
    const auto* defs = static_cast<const TXbDBFIndexDefs*>(Collection());
    return defs != nullptr ? defs->Table() : nullptr;
}

std::string TXbDBFIndexBag::EffectiveName() const { return name_.empty() ? XbFileStem(indexFileName_) : name_; }

bool TXbDBFIndexBag::NameIsDefault() const
{
    static const std::string prefix = "TXbDBFIndexBag";
    if (name_.compare(0, prefix.size(), prefix) != 0 || name_.size() == prefix.size())
        return false;
    for (size_t i = prefix.size(); i < name_.size(); ++i)
        if (name_[i] < '0' || name_[i] > '9')
            return false;
    return true;
}

void TXbDBFIndexBag::SetIndexFileName(const std::string& value)
{
    if (NameIsDefault())
        name_ = XbFileStem(value);
    indexFileName_ = value;
    stream_->FileName = value;
}

// ---- TXbDBFIndexDefs

TXbDBFIndexDefs::TXbDBFIndexDefs(TXbSmartDBF* table, TCollectionItemClass itemClass)
    : TCollection(nullptr, std::move(itemClass)), table_(table)
{
    formatCode_ = FormatCodeOf(ItemClass().name, "TXbNTXBag", "TXbNDXBag", "TXbMDXBag", "TXbCDXBag");
}
