// TXbNTXIndex: properties, binding to the table's index definitions, open and close, keys and
// their comparison, the index lock and the update bracket. Searches and walks are in
// XbNTXSeek.cpp.

#include "dbf/index/XbNTXIndex.h"

#include "dbf/XbDBFDataSet.h"
#include "dbf/index/XbNTXBag.h"
#include "dbf/index/XbNTXRegistration.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"

#include <filesystem>

namespace {

constexpr const char* kNTXCutOffUpdate = "an update was cut off before it ended; the index must be rebuilt";

// The byte of the index file locked under each lock protocol; none for lpNone.
bool IndexLockOffset(LockProtocolType protocol, uint64_t& offset)
{
    switch (protocol) {
    case LockProtocolType::lpNone: return false;
    case LockProtocolType::lpDB4Lock: offset = 0xEFFFFFFFull; return true;
    case LockProtocolType::lpClipperLock: offset = 1000000000ull; return true;
    case LockProtocolType::lpFoxLock: offset = 0x7FFFFFFEull; return true;
    case LockProtocolType::lpClipperForFoxLob: offset = 0; return true;
    }
    return false;
}

}  // namespace

// ---- TXbNTXRange

void TXbNTXRange::Assign(const TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TXbNTXRange*>(&source)) {
        HiKey = other->HiKey;
        LoKey = other->LoKey;
        SetActive(other->active_);
        return;
    }
    TPersistent::Assign(source);
}

void TXbNTXRange::SetActive(bool value)
{
    const bool changed = value != active_;
    active_ = value;
    if (index_ != nullptr)
        index_->SetActive(true);
    TXbSmartDBF* table = index_ != nullptr ? index_->Table() : nullptr;
    if (changed && table != nullptr && table->Active() && !table->IsLoading())
        table->First();
}

// ---- construction and properties

TXbNTXIndex::TXbNTXIndex(TCollection& collection)
    : TIndex(collection), range_(std::make_unique<TXbNTXRange>(this))
{
}

TXbNTXIndex::~TXbNTXIndex()
{
    destroying_ = true;
    CloseIndex();
}

void TXbNTXIndex::Assign(const TPersistent& source)
{
    TIndex::Assign(source);
    if (const auto* other = dynamic_cast<const TXbNTXIndex*>(&source))
        ntxFileName_ = other->ntxFileName_;
}

void TXbNTXIndex::SetNTXFileName(const std::string& value)
{
    ntxFileName_ = value;
    const std::string name = std::filesystem::path(value).filename().string();
    SetName(name.substr(0, name.find('.')));
}

void TXbNTXIndex::SetKeyExpresion(const std::string& value)
{
    keyExpresion_ = NTXHasControlCharacter(value) ? std::string() : value;
    if (IsOpen()) {
        header_.KeyExpression = keyExpresion_;
        ParseExpressions();
    }
}

void TXbNTXIndex::SetForExpresion(const std::string& value)
{
    forExpresion_ = NTXHasControlCharacter(value) ? std::string() : value;
    if (IsOpen()) {
        header_.ForExpression = forExpresion_;
        ParseExpressions();
    }
}

bool TXbNTXIndex::Unique() const noexcept { return IsOpen() ? header_.Unique : unique_; }

bool TXbNTXIndex::Desc() const noexcept { return IsOpen() ? header_.Descend : desc_; }

std::string TXbNTXIndex::Order() const
{
    if (!IsOpen())
        return order_;
    return header_.OrderName.empty() ? Name() : header_.OrderName;
}

void TXbNTXIndex::SetOrder(const std::string& value)
{
    if (!IsOpen()) {
        order_ = value;
        return;
    }
    header_.OrderName = value.substr(0, kNTXOrderNameSize);
    auto& image = orderItem_->HeaderImage();
    WriteNTXHeader(header_, image.data());
    if (!NTXWriteAt(bag_->Stream(), kNTXOrderNameOffset, image.data() + kNTXOrderNameOffset, kNTXOrderNameSize))
        throw Exception("TXbNTXIndex.SetOrder: Write error " + NTXQuoted(bag_->IndexFileName()));
    SetName(header_.OrderName);
}

// ---- binding

std::string TXbNTXIndex::WantedOrderName() const
{
    if (!ntxFileName_.empty())
        return XbFileStem(ntxFileName_);
    return !order_.empty() ? order_ : Name();
}

TXbNTXBag* TXbNTXIndex::FindBag(const std::string& wanted)
{
    TXbSmartDBF* table = Table();
    TXbDBFIndexDefs* defs = table != nullptr ? table->IndexDefsCollection() : nullptr;
    if (defs == nullptr)
        throw Exception("TXbNTXIndex.DefineBag: The table has no index definitions!");
    const std::string& name = BagName().empty() ? wanted : BagName();
    for (int i = 0; i < defs->Count(); ++i) {
        TXbDBFIndexBag& bag = defs->BagAt(i);
        if (SameText(bag.EffectiveName(), name)) {
            auto* ntxBag = dynamic_cast<TXbNTXBag*>(&bag);
            if (ntxBag == nullptr)
                throw Exception("TXbNTXIndex.DefineBag: Bag " + NTXQuoted(name) + " is not an NTX bag!");
            return ntxBag;
        }
    }
    return nullptr;
}

TXbDBFIndexBag* TXbNTXIndex::DefineBag()
{
    TXbNTXBag* bag = FindBag(WantedOrderName());
    TXbSmartDBF* table = Table();
    if (bag == nullptr) {
        TXbDBFIndexDefs* defs = table->IndexDefsCollection();
        bag = dynamic_cast<TXbNTXBag*>(defs->Add());
        if (bag == nullptr) {
            defs->Delete(defs->Count() - 1);
            throw Exception("TXbNTXIndex.DefineBag: The table's index definitions are not NTX bags!");
        }
        bag->SetName(XbFileStem(ntxFileName_));
        bag->SetIndexFileName(ntxFileName_);
        bag->StorageType = table->StorageType;
    }
    if (bag->Orders().Count() == 0) {
        auto& order = static_cast<TXbDBFOrder&>(*bag->Orders().Add());
        order.SetLimitPages(LimitPages());
        order.SetCollation(Collation());
        order.SetOuterSorterProperties(OuterSorterProperties());
    } else {
        TXbDBFOrder& order = bag->Orders().OrderAt(0);
        SetLimitPages(order.LimitPages());
        SetCollation(order.Collation());
        SetOuterSorterProperties(order.OuterSorterProperties());
    }
    auto* order = bag->FirstOrder();
    order->HeaderImage().fill(0);
    const std::string stem = XbFileStem(bag->IndexFileName());
    order->Name = stem.empty() ? bag->Name() : stem;
    bag_ = bag;
    return bag;
}

void TXbNTXIndex::DefineBagAndOrder()
{
    TXbNTXBag* bag = static_cast<TXbNTXBag*>(DefineBag());
    if (!bag->IsOpen())
        bag->Open();
    // An NTX bag holds one order: the one of the wanted name, else that single order (its
    // header may name it otherwise, e.g. after a file name of more than eight characters).
    TXbNTXOrder* order = bag->FirstOrder();
    const std::string wanted = WantedOrderName();
    for (int i = 0; i < bag->Orders().Count(); ++i)
        if (SameText(bag->Orders().OrderAt(i).Name, wanted))
            order = static_cast<TXbNTXOrder*>(&bag->Orders().OrderAt(i));
    if (order == nullptr) {
        bag->CloseBag();
        throw Exception("TXbNTXIndex.DefineBagAndOrder: FNTXOrder not defined!");
    }
    orderItem_ = order;
}

TXbDBFIndexBag* TXbNTXIndex::IndexBag() const noexcept { return bag_; }

TXbDBFOrder* TXbNTXIndex::IndexOrder() const noexcept { return orderItem_; }

bool TXbNTXIndex::IsSameIndex(const TIndex& other) const
{
    const auto* ntx = dynamic_cast<const TXbNTXIndex*>(&other);
    return ntx != nullptr && Name() == ntx->Name() && ntxFileName_ == ntx->ntxFileName_;
}

// ---- open and close

bool TXbNTXIndex::IsOpen() const { return bag_ != nullptr && orderItem_ != nullptr && bag_->IsOpen(); }

void TXbNTXIndex::RaiseDamaged(const std::string& what) const
{
    throw Exception(NTXDamagedMessage(bag_ != nullptr ? bag_->IndexFileName() : ntxFileName_, what));
}

bool TXbNTXIndex::Open()
{
    TXbSmartDBF* table = Table();
    if (table == nullptr || !table->IsTableOpen())
        return false;
    if (IsOpen())
        return true;
    DefineBagAndOrder();
    try {
        cache_.Clear();
        header_ = ReadNTXHeader(orderItem_->HeaderImage().data());
        if (header_.Signature != 6 && header_.Signature != 7)
            throw Exception("TXbNTXIndex.Open: File " + NTXQuoted(bag_->IndexFileName()) + " is not NTX file");
        const int64_t size = bag_->Stream().SeekTo(0, 2);
        fileEnd_ = size > 0 ? static_cast<uint64_t>(size) : 0;
        const std::string fault = CheckNTXHeader(header_, fileEnd_);
        if (!fault.empty())
            RaiseDamaged(fault);
        if (header_.Version > kNTXLastVersion)
            CheckUpdateFinished(*table);
        geometry_ = TXbNTXGeometry::Of(header_);
        cache_.Attach(&bag_->Stream(), &table->GetCrypt());
        cache_.MinimumBlocks = 0;
        cache_.ApplyLimits(LimitPages(), header_.HalfPage, table->CountRecords());
        SetCollationType(true);
        BuildCompareWeights();
        lockDepth_ = 0;
        fileLocked_ = false;
        inUpdate_ = changed_ = rebuilding_ = false;
        changeMarked_ = damaged_ = false;
        currentKey_.clear();
        currentRecNo_ = 0;
        found_ = false;
        foundRecNo_ = 0;
        // A table nobody else may change keeps the index in update mode while it is open.
        if (!table->LocksNeeded())
            StartIndexUpdate(true);
        keyExpresion_ = header_.KeyExpression;
        forExpresion_ = header_.ForExpression;
        ParseExpressions();
        First();
    } catch (...) {
        keyParser_.reset();
        forParser_.reset();
        hasFor_ = false;
        inUpdate_ = false;
        lockDepth_ = 0;
        fileLocked_ = false;
        cache_.Clear();
        bag_->CloseBag();
        bag_ = nullptr;
        orderItem_ = nullptr;
        throw;
    }
    return true;
}

void TXbNTXIndex::CheckUpdateFinished(TXbSmartDBF& table)
{
    // Another user may be in the middle of an update right now: its end is waited for under the
    // index lock. A mark that outlives the lock belongs to a writer that was stopped half-way.
    uint64_t offset = 0;
    if (table.LocksNeeded() && IndexLockOffset(table.LockProtocol(), offset)) {
        if (!table.LockWithRetries(bag_->Stream(), offset))
            throw Exception("TXbNTXIndex.Open: File " + NTXQuoted(bag_->IndexFileName()) +
                            " is being changed by another user (FLock is false).");
        uint8_t bytes[kNTXHeaderStartSize];
        const int64_t got = NTXReadAt(bag_->Stream(), 0, bytes, kNTXHeaderStartSize);
        // The writer grew the file since it was measured.
        const int64_t size = bag_->Stream().SeekTo(0, 2);
        fileEnd_ = size > 0 ? static_cast<uint64_t>(size) : 0;
        bag_->Stream().UnlockRange(offset, 1);
        if (got != kNTXHeaderStartSize)
            RaiseDamaged("header cannot be read");
        ReadNTXHeaderStart(bytes, header_);
        std::copy(bytes, bytes + kNTXHeaderStartSize, orderItem_->HeaderImage().data());
        const std::string fault = CheckNTXHeader(header_, fileEnd_);
        if (!fault.empty())
            RaiseDamaged(fault);
    }
    if (header_.Version > kNTXLastVersion)
        RaiseDamaged(kNTXCutOffUpdate);
}

void TXbNTXIndex::CloseIndex() noexcept
{
    bool removeFromIndexes = false;
    if (orderItem_ != nullptr) {
        orderItem_->SetLimitPages(LimitPages());
        orderItem_->SetCollation(Collation());
        orderItem_->SetOuterSorterProperties(OuterSorterProperties());
    }
    if (IsOpen()) {
        try {
            FinishIndexUpdate();
        } catch (...) {
            // Closing goes on; the pages that could not be written are lost with the cache.
        }
        if (fileLocked_) {
            uint64_t offset = 0;
            TXbSmartDBF* table = Table();
            if (table != nullptr && IndexLockOffset(table->LockProtocol(), offset))
                bag_->Stream().UnlockRange(offset, 1);
        }
        cache_.Clear();
        bag_->CloseBag();
        if (Temp) {
            std::error_code error;
            std::filesystem::remove(bag_->IndexFileName(), error);
            removeFromIndexes = !destroying_;
        }
    }
    lockDepth_ = 0;
    fileLocked_ = false;
    inUpdate_ = false;
    hasFor_ = false;
    keyParser_.reset();
    forParser_.reset();
    bag_ = nullptr;
    orderItem_ = nullptr;
    if (removeFromIndexes) {
        // The last thing this index does: the collection frees it.
        try {
            if (TIndexes* indexes = Indexes())
                indexes->Delete(Index());
        } catch (...) {
            // It stays in the collection, closed.
        }
    }
}

void TXbNTXIndex::ParseExpressions()
{
    TXbSmartDBF* table = Table();
    keyParser_.reset();
    forParser_.reset();
    hasFor_ = false;
    if (table == nullptr)
        return;
    keyParser_ = std::make_unique<TXbDBFExprParser>(&table->ExprFieldSource());
    keyParser_->ParseExpression(header_.KeyExpression);
    keyParser_->SetKeyMode(true);
    if (!header_.ForExpression.empty()) {
        forParser_ = std::make_unique<TXbDBFExprParser>(&table->ExprFieldSource());
        forParser_->ParseExpression(header_.ForExpression);
        hasFor_ = true;
    }
}

void TXbNTXIndex::BuildCompareWeights()
{
    const uint8_t* weights = CollationWeights();
    weighted_ = weights != nullptr;
    if (!weighted_)
        return;
    TXbSmartDBF* table = Table();
    // Weights are given for OEM bytes; stored keys are OEM only when they were translated.
    const bool storedIsOem = KeyTranslate && table != nullptr && table->OEM;
    for (int b = 0; b < 256; ++b) {
        char c = static_cast<char>(b);
        if (!storedIsOem)
            AnsiToOemBuff(&c, 1);
        compareWeights_[static_cast<size_t>(b)] = weights[static_cast<uint8_t>(c)];
    }
}

// ---- keys

std::string TXbNTXIndex::FittedKey(std::string key) const
{
    key.resize(header_.KeySize, ' ');
    return key;
}

std::string TXbNTXIndex::TranslatedKey(const std::string& key, bool toStored)
{
    TXbSmartDBF* table = Table();
    if (!KeyTranslate || table == nullptr || key.empty())
        return key;
    std::string translated(key.size(), '\0');
    table->TranslateOemBuff(key.data(), translated.data(), static_cast<int>(key.size()), toStored);
    return translated;
}

std::string TXbNTXIndex::EvaluateKey()
{
    std::string key;
    if (OnEvaluteKey)
        OnEvaluteKey(this, key);
    else if (keyParser_)
        key = keyParser_->KeyStringOfResult();
    return IsOpen() ? FittedKey(std::move(key)) : key;
}

bool TXbNTXIndex::EvaluateFor()
{
    bool accepted = true;
    if (OnEvaluteFor)
        OnEvaluteFor(this, accepted);
    else if (forParser_) {
        const Variant value = forParser_->Evaluate();
        accepted = !value.IsNull() && value.AsBoolean();
    }
    return accepted;
}

int TXbNTXIndex::CountKeyFields(const std::vector<std::string>& fieldNames)
{
    if (!keyParser_ || fieldNames.empty())
        return 0;
    std::string joined;
    for (const std::string& name : fieldNames)
        joined += name + ";";
    int total = 0;
    return keyParser_->CountMatchingFields(joined, total);
}

int TXbNTXIndex::CompareKeysBy(const char* a, const char* b, int length, bool ignoreDescend)
{
    int result = 0;
    if (OnCompareKeys) {
        OnCompareKeys(this, a, b, length, result);
    } else {
        for (int i = 0; i < length; ++i) {
            const int wa = compareWeights_[static_cast<uint8_t>(a[i])];
            const int wb = compareWeights_[static_cast<uint8_t>(b[i])];
            if (wa != wb) {
                result = wa - wb;
                break;
            }
        }
    }
    return header_.Descend && !ignoreDescend ? -result : result;
}

// ---- lock and update

bool TXbNTXIndex::LockIndex()
{
    if (damaged_)
        RaiseDamaged(kNTXCutOffUpdate);
    if (lockDepth_ > 0) {
        ++lockDepth_;
        return true;
    }
    TXbSmartDBF* table = Table();
    if (table == nullptr || !IsOpen())
        return false;
    uint64_t offset = 0;
    if (table->LocksNeeded() && IndexLockOffset(table->LockProtocol(), offset)) {
        if (!table->LockWithRetries(bag_->Stream(), offset))
            return false;
        fileLocked_ = true;
    }
    ++lockDepth_;
    try {
        RefreshHeader();
    } catch (...) {
        UnlockIndex();
        throw;
    }
    return true;
}

void TXbNTXIndex::UnlockIndex()
{
    if (lockDepth_ == 0 || --lockDepth_ > 0 || !fileLocked_)
        return;
    fileLocked_ = false;
    uint64_t offset = 0;
    TXbSmartDBF* table = Table();
    if (table != nullptr && bag_ != nullptr && IndexLockOffset(table->LockProtocol(), offset))
        bag_->Stream().UnlockRange(offset, 1);
}

void TXbNTXIndex::RefreshHeader()
{
    if (inUpdate_ || !IsOpen())
        return;
    uint8_t bytes[kNTXHeaderStartSize];
    if (NTXReadAt(bag_->Stream(), 0, bytes, kNTXHeaderStartSize) != kNTXHeaderStartSize)
        RaiseDamaged("header cannot be read");
    TXbNTXHeader start;
    ReadNTXHeaderStart(bytes, start);
    if (start.Version > kNTXLastVersion) {
        // Under the lock nobody is changing the file: its last writer stopped half-way.
        damaged_ = true;
        cache_.Clear();
        RaiseDamaged(kNTXCutOffUpdate);
    }
    if (start.Version == header_.Version && start.Root == header_.Root && start.FreePage == header_.FreePage)
        return;
    // Another user changed the file: nothing cached is known to hold.
    cache_.Clear();
    const int64_t size = bag_->Stream().SeekTo(0, 2);
    fileEnd_ = size > 0 ? static_cast<uint64_t>(size) : 0;
    if (!NTXPageOffsetValid(start.Root, fileEnd_))
        RaiseDamaged("root page " + std::to_string(start.Root) + " outside the file");
    header_.Version = start.Version;
    header_.Root = start.Root;
    header_.FreePage = start.FreePage;
}

void TXbNTXIndex::StartIndexUpdate(bool releaseLock)
{
    if (inUpdate_ || !LockIndex())
        return;
    const int64_t size = bag_->Stream().SeekTo(0, 2);
    fileEnd_ = size > 0 ? static_cast<uint64_t>(size) : 0;
    inUpdate_ = true;
    changed_ = false;
    if (releaseLock)
        UnlockIndex();
}

void TXbNTXIndex::WriteHeaderStart(uint16_t version, const char* operation)
{
    TXbNTXHeader start = header_;
    start.Version = version;
    uint8_t bytes[kNTXHeaderStartSize];
    WriteNTXHeaderStart(start, bytes);
    if (!NTXWriteAt(bag_->Stream(), 0, bytes, kNTXHeaderStartSize))
        throw Exception(std::string(operation) + ": Write error " + NTXQuoted(bag_->IndexFileName()));
}

void TXbNTXIndex::FinishIndexUpdate()
{
    if (!inUpdate_)
        return;
    try {
        cache_.FlushAll();
        if (changed_ && !rebuilding_) {
            // The pages are all written: the new version replaces the mark.
            header_.Version = NTXNextVersion(header_.Version);
            WriteHeaderStart(header_.Version, "TXbNTXIndex.FinishIndexUpdate");
            WriteNTXHeaderStart(header_, orderItem_->HeaderImage().data());
            changeMarked_ = false;
        }
    } catch (...) {
        AbandonIndexUpdate();
        throw;
    }
    changed_ = false;
    inUpdate_ = false;
}

namespace {

// A program that links the index engine gets NTX indexes in every table component it makes.
const bool ntxItemClassesInstalled = (InstallNTXItemClasses(), true);

}  // namespace
