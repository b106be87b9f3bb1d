// The table component: TXbDBFNTX with its index collections and key ranges, and the parts of
// TXbSmartDBF that belong to the component rather than to the file: the memo block size rule,
// the index name and the steps deferred while a form description is read.

#include "dbf/XbDBFNTX.h"

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exceptions.h"

// ---- TXbSmartDBF

void TXbSmartDBF::SetLobBlockSize(int value)
{
    const int rounded = value / 128 * 128;
    if (rounded <= 0)
        throw EDatabaseError("TXbSmartDBF.SetLobBlockSize: Lob block size " + std::to_string(value) +
                             " is too small, it must be 128 at least!");
    lobBlockSize_ = rounded;
}

std::string TXbSmartDBF::IndexName() const
{
    if (IsLoading())
        return streamedIndexName_;
    TIndexes* indexes = const_cast<TXbSmartDBF*>(this)->IndexCollection();
    TIndex* active = indexes != nullptr ? indexes->ActiveIndex() : nullptr;
    return active != nullptr ? active->Name() : std::string();
}

void TXbSmartDBF::SetIndexName(const std::string& name)
{
    if (IsLoading()) {
        streamedIndexName_ = name;
        return;
    }
    TIndexes* indexes = IndexCollection();
    if (indexes == nullptr)
        return;
    if (name.empty()) {
        if (TIndex* active = indexes->ActiveIndex())
            active->SetActive(false);
        return;
    }
    for (int i = 0; i < indexes->Count(); ++i)
        if (SameText(indexes->IndexAt(i).Name(), name))
            indexes->IndexAt(i).SetActive(true);
}

void TXbSmartDBF::AfterFormLoad()
{
    // The index comes first, then the creation; the framework's step opens the table last.
    const std::string indexName = streamedIndexName_;
    const bool createNow = streamedCreateNow_;
    streamedIndexName_.clear();
    streamedCreateNow_ = false;
    if (!indexName.empty())
        SetIndexName(indexName);
    if (createNow)
        SetCreateNow(true);
    TDataSet::AfterFormLoad();
}

// ---- TXbDBFFieldDefsCollection

TXbDBFFieldDefsCollection::TXbDBFFieldDefsCollection(TXbDBFFieldDefs& target)
    : TCollection(nullptr, CollectionItemClassOf<TXbDBFFieldDefItem>("TXbDBFFieldDefItem")), target_(target)
{
}

void TXbDBFFieldDefsCollection::Refresh()
{
    refreshing_ = true;
    try {
        BeginUpdate();
        Clear();
        for (int i = 0; i < target_.Count(); ++i) {
            const TXbDBFFieldDef& def = target_.Items(i);
            auto* item = static_cast<TXbDBFFieldDefItem*>(Add());
            item->Name = def.Name();
            item->field_type = std::string(1, def.field_type());
            item->extend_type = def.extend_type();
            item->len = def.len();
            item->dec = def.dec();
            item->FieldFlag.Assign(def.FieldFlag());
            item->Tag = def.Tag;
        }
        EndUpdate();
    } catch (...) {
        refreshing_ = false;
        throw;
    }
    refreshing_ = false;
}

void TXbDBFFieldDefsCollection::Update(TCollectionItem*)
{
    if (refreshing_)
        return;
    target_.Clear();
    for (int i = 0; i < Count(); ++i) {
        const auto& item = *ItemsAs<TXbDBFFieldDefItem>(i);
        TXbDBFFieldDef& def = target_.Add(item.Name, item.field_type.empty() ? 'C' : item.field_type[0],
                                          static_cast<uint16_t>(item.len), static_cast<uint16_t>(item.dec));
        def.Setextend_type(item.extend_type);
        def.FieldFlag().Assign(item.FieldFlag);
        def.Tag = item.Tag;
    }
}

// ---- TXbDBFNTX

TXbDBFNTX::TXbDBFNTX(TComponent* owner)
    : TXbSmartDBF(owner),
      indexes_(std::make_unique<TIndexes>(this, XbIndexItemClasses().Index)),
      indexDefs_(std::make_unique<TXbDBFIndexDefs>(this, XbIndexItemClasses().Bag))
{
    SetLockProtocol(LockProtocolType::lpClipperLock);
    SetLobLockProtocol(LockProtocolType::lpClipperLock);
}

TXbDBFNTX::~TXbDBFNTX()
{
    try {
        Close();
    } catch (...) {
        // Closing in a destructor must not throw; the base closes the streams in any case.
    }
    indexes_->CloseAll();
    // The indexes go before the index files they are bound to.
    indexes_.reset();
    indexDefs_.reset();
}

TXbDBFFieldDefsCollection& TXbDBFNTX::StreamedFieldDefs()
{
    if (!streamedFieldDefs_)
        streamedFieldDefs_ = std::make_unique<TXbDBFFieldDefsCollection>(DBFFieldDefs());
    streamedFieldDefs_->Refresh();
    return *streamedFieldDefs_;
}

TIndex& TXbDBFNTX::SuitableIndex(const std::string& fieldNames)
{
    int covered = 0;
    int count = 0;
    TIndex* index = indexes_->BestIndexFor(fieldNames, covered, count);
    if (index == nullptr || covered == 0 || covered != count)
        throw EDatabaseError("TXbSmartDBF: There is no suitable index!");
    return *index;
}

void TXbDBFNTX::SetKeyRangeEqual(const std::string& fieldNames, const Variant& values)
{
    SuitableIndex(fieldNames).SetKeyRangeEqual(fieldNames, values);
}

void TXbDBFNTX::SetKeyRange(const std::string& fieldNames, const Variant& lowValues, const Variant& highValues)
{
    SuitableIndex(fieldNames).SetKeyRange(fieldNames, lowValues, highValues);
}

void TXbDBFNTX::CancelKeyRange()
{
    if (TIndex* active = indexes_->ActiveIndex())
        active->CancelKeyRange();
}
