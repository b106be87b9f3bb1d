// Searching and walking the B-tree of an NTX index: positions, first, last, next and prior, the
// exact, soft and partial searches, the key range, the table's read-ahead fills and the tree
// validator.
//
// A walk keeps the path from the root to its item (page and slot per level) and re-reads pages
// through the cache as it moves. Between operations only the position (key and record number)
// is kept, and the next operation finds its place again by a search, so that pages dropped from
// the cache or changed by another user never leave a stale path behind. Every step of a walk
// must move strictly on in key order and every descent stays within kNTXMaxDepth levels, so a
// damaged file ends the walk with an error instead of a loop.

#include "dbf/index/XbNTXIndex.h"

#include "dbf/XbDBFDataSet.h"
#include "platform/rtl/Exceptions.h"

#include <algorithm>
#include <vector>

namespace {

// Holds the index lock for one operation; a refused lock raises.
class TReadLock {
public:
    TReadLock(TIndex& index, const char* operation) : index_(index)
    {
        if (!index_.LockIndex())
            throw Exception(std::string(operation) + ": Can not read from index file (FLock is false).");
    }
    ~TReadLock() { index_.UnlockIndex(); }
    TReadLock(const TReadLock&) = delete;
    TReadLock& operator=(const TReadLock&) = delete;

private:
    TIndex& index_;
};

int CompareNumbers(uint32_t a, uint32_t b) noexcept { return a < b ? -1 : (a > b ? 1 : 0); }

// Keys built while this stands leave text fields unpadded (partial keys).
class TPartialKeys {
public:
    TPartialKeys(TXbDBFExprParser* parser, bool on) : parser_(parser)
    {
        if (parser_ != nullptr)
            parser_->SetPartialKey(on);
    }
    ~TPartialKeys()
    {
        if (parser_ != nullptr)
            parser_->SetPartialKey(false);
    }
    TPartialKeys(const TPartialKeys&) = delete;
    TPartialKeys& operator=(const TPartialKeys&) = delete;

private:
    TXbDBFExprParser* parser_;
};

}  // namespace

// A walk over the tree of one index.
class TXbNTXWalk {
public:
    explicit TXbNTXWalk(TXbNTXIndex& index) : index_(index) {}

    // Positions on the first item that sorts at or after (strict: after) the target: the key
    // over `length` bytes, then, with useRecNo, the record number. False when there is none.
    bool Seek(const std::string& key, int length, uint32_t recNo, bool useRecNo, bool strict)
    {
        path_.clear();
        uint32_t page = index_.header_.Root;
        for (;;) {
            int slot = 0;
            uint32_t child = 0;
            index_.WithPage(page, [&](TXbNTXPage& view) {
                int lo = 0;
                int hi = view.Count();
                while (lo < hi) {
                    const int mid = lo + (hi - lo) / 2;
                    const int c = CompareTarget(view.Key(mid), view.RecNo(mid), key, length, recNo, useRecNo);
                    if (strict ? c > 0 : c >= 0)
                        hi = mid;
                    else
                        lo = mid + 1;
                }
                slot = lo;
                child = view.Child(lo);
            });
            Push(page, slot);
            if (child == 0)
                break;
            page = child;
        }
        if (!SettleForward())
            return false;
        // A page whose keys are out of order can send the search to an item before the target.
        const int c = CompareTarget(key_.data(), recNo_, key, length, recNo, useRecNo);
        if (strict ? c <= 0 : c < 0)
            RaiseOutOfOrder();
        return true;
    }

    bool First()
    {
        path_.clear();
        DescendLeftmost(index_.header_.Root);
        return SettleForward();
    }

    bool Last()
    {
        path_.clear();
        DescendRightmost(index_.header_.Root);
        return SettleBackward();
    }

    // From the current item to the one after (before) it.
    bool Next()
    {
        const std::string previousKey = key_;
        const uint32_t previousRecNo = recNo_;
        TEntry& top = path_.back();
        const int slot = top.Slot;
        const uint32_t page = top.Page;
        const uint32_t child = index_.WithPage(page, [&](TXbNTXPage& view) { return view.Child(slot + 1); });
        path_.back().Slot = slot + 1;
        if (child != 0)
            DescendLeftmost(child);
        if (!SettleForward())
            return false;
        if (CompareItems(key_, recNo_, previousKey, previousRecNo) <= 0)
            RaiseOutOfOrder();
        return true;
    }

    bool Prior()
    {
        const std::string previousKey = key_;
        const uint32_t previousRecNo = recNo_;
        const int slot = path_.back().Slot;
        const uint32_t page = path_.back().Page;
        const uint32_t child = index_.WithPage(page, [&](TXbNTXPage& view) { return view.Child(slot); });
        if (child != 0)
            DescendRightmost(child);
        else
            path_.back().Slot = slot - 1;
        if (!SettleBackward())
            return false;
        if (CompareItems(key_, recNo_, previousKey, previousRecNo) >= 0)
            RaiseOutOfOrder();
        return true;
    }

    const std::string& Key() const noexcept { return key_; }
    uint32_t RecNo() const noexcept { return recNo_; }

private:
    struct TEntry {
        uint32_t Page;
        int Slot;  // the item at the last level; the child descended through above it
    };

    int CompareTarget(const char* itemKey, uint32_t itemRecNo, const std::string& key, int length, uint32_t recNo,
                      bool useRecNo)
    {
        int c = index_.CompareKeys(itemKey, key.data(), length);
        if (c == 0 && useRecNo)
            c = CompareNumbers(itemRecNo, recNo);
        return c;
    }

    int CompareItems(const std::string& a, uint32_t aRecNo, const std::string& b, uint32_t bRecNo)
    {
        const int c = index_.CompareKeys(a.data(), b.data(), index_.header_.KeySize);
        return c != 0 ? c : CompareNumbers(aRecNo, bRecNo);
    }

    [[noreturn]] void RaiseOutOfOrder() const
    {
        index_.RaiseDamaged("keys out of order; or the index was built with another collation");
    }

    void Push(uint32_t page, int slot)
    {
        if (path_.size() >= static_cast<size_t>(kNTXMaxDepth))
            index_.RaiseDamaged("the tree is deeper than " + std::to_string(kNTXMaxDepth) +
                                " levels; a page refers back to another");
        path_.push_back({page, slot});
        // A limited cache keeps room for the deepest path met and the pages a split adds.
        const int wanted = static_cast<int>(path_.size()) + 3;
        if (index_.cache_.MinimumBlocks < wanted)
            index_.cache_.MinimumBlocks = wanted;
    }

    void DescendLeftmost(uint32_t page)
    {
        for (;;) {
            const uint32_t child = index_.WithPage(page, [](TXbNTXPage& view) { return view.Child(0); });
            Push(page, 0);
            if (child == 0)
                return;
            page = child;
        }
    }

    void DescendRightmost(uint32_t page)
    {
        for (;;) {
            int count = 0;
            const uint32_t child = index_.WithPage(page, [&](TXbNTXPage& view) {
                count = view.Count();
                return view.Child(count);
            });
            Push(page, count);
            if (child == 0) {
                path_.back().Slot = count - 1;
                return;
            }
            page = child;
        }
    }

    // Climbs until the path ends on an item: a level past its page's last item gives way to the
    // item its parent descended beside.
    bool SettleForward()
    {
        while (!path_.empty()) {
            const TEntry top = path_.back();
            const bool onItem = index_.WithPage(top.Page, [&](TXbNTXPage& view) {
                if (top.Slot >= view.Count())
                    return false;
                Load(view, top.Slot);
                return true;
            });
            if (onItem)
                return true;
            path_.pop_back();
        }
        return false;
    }

    bool SettleBackward()
    {
        while (!path_.empty()) {
            const TEntry top = path_.back();
            if (top.Slot >= 0) {
                index_.WithPage(top.Page, [&](TXbNTXPage& view) { Load(view, top.Slot); });
                return true;
            }
            path_.pop_back();
            if (!path_.empty())
                --path_.back().Slot;
        }
        return false;
    }

    void Load(TXbNTXPage& view, int slot)
    {
        key_.assign(view.Key(slot), static_cast<size_t>(index_.header_.KeySize));
        recNo_ = view.RecNo(slot);
    }

    TXbNTXIndex& index_;
    std::vector<TEntry> path_;
    std::string key_;
    uint32_t recNo_ = 0;
};

// ---- position and navigation

void TXbNTXIndex::SetCurrent(const std::string& storedKey, uint32_t recNo)
{
    currentKey_ = storedKey;
    currentRecNo_ = recNo;
}

std::string TXbNTXIndex::GetCurrentKey() { return DisplayKey(currentKey_); }

namespace {

// Runs one move of a walk under the index lock; the position takes the item reached, else the
// move reports `none` and the position stays.
template <class F>
TXbIndexNavigation Navigate(TXbNTXIndex& index, const char* operation, TXbIndexNavigation none, F move)
{
    if (!index.IsOpen())
        return TXbIndexNavigation::nrEmptyPage;
    TReadLock lock(index, operation);
    TXbNTXWalk walk(index);
    if (!move(walk))
        return none;
    index.SetPosition(walk.Key(), walk.RecNo());
    return TXbIndexNavigation::nrPositioned;
}

}  // namespace

TXbIndexNavigation TXbNTXIndex::First()
{
    return Navigate(*this, "TXbNTXIndex.First", TXbIndexNavigation::nrAfterLast,
                    [](TXbNTXWalk& walk) { return walk.First(); });
}

TXbIndexNavigation TXbNTXIndex::Last()
{
    return Navigate(*this, "TXbNTXIndex.Last", TXbIndexNavigation::nrBeforeFirst,
                    [](TXbNTXWalk& walk) { return walk.Last(); });
}

TXbIndexNavigation TXbNTXIndex::Next()
{
    if (currentRecNo_ == 0)
        return First();
    return Navigate(*this, "TXbNTXIndex.Next", TXbIndexNavigation::nrAfterLast, [this](TXbNTXWalk& walk) {
        return walk.Seek(currentKey_, header_.KeySize, currentRecNo_, true, true);
    });
}

TXbIndexNavigation TXbNTXIndex::Prior()
{
    if (currentRecNo_ == 0)
        return Last();
    return Navigate(*this, "TXbNTXIndex.Prior", TXbIndexNavigation::nrBeforeFirst, [this](TXbNTXWalk& walk) {
        return walk.Seek(currentKey_, header_.KeySize, currentRecNo_, true, false) ? walk.Prior() : walk.Last();
    });
}

TXbIndexNavigation TXbNTXIndex::Step(int direction, int32_t& recNo)
{
    TXbSmartDBF* table = Table();
    const int32_t count = table != nullptr ? table->CountRecords() : 0;
    TXbIndexNavigation result = TXbIndexNavigation::nrEmptyPage;
    if (direction == 1)
        result = recNo == -1 ? First() : Next();
    else if (direction == 2)
        result = recNo == count ? Last() : Prior();
    switch (result) {
    case TXbIndexNavigation::nrPositioned: recNo = static_cast<int32_t>(currentRecNo_); break;
    case TXbIndexNavigation::nrBeforeFirst: recNo = -1; break;
    default: recNo = count; break;
    }
    return result;
}

TXbIndexNavigation TXbNTXIndex::FirstRecNo(int32_t& recNo)
{
    const TXbIndexNavigation result = First();
    recNo = result == TXbIndexNavigation::nrPositioned ? static_cast<int32_t>(currentRecNo_) : -1;
    return result;
}

TXbIndexNavigation TXbNTXIndex::LastRecNo(int32_t& recNo)
{
    const TXbIndexNavigation result = Last();
    recNo = result == TXbIndexNavigation::nrPositioned ? static_cast<int32_t>(currentRecNo_) : -1;
    return result;
}

bool TXbNTXIndex::LastKey(std::string& key, int32_t& recNo)
{
    if (Last() != TXbIndexNavigation::nrPositioned) {
        recNo = -1;
        return false;
    }
    key = GetCurrentKey();
    recNo = static_cast<int32_t>(currentRecNo_);
    return true;
}

namespace {

bool MoveTable(TXbSmartDBF* table, TXbIndexNavigation result, uint32_t recNo)
{
    if (result != TXbIndexNavigation::nrPositioned || table == nullptr)
        return false;
    table->ReorderAt(recNo);
    return true;
}

}  // namespace

bool TXbNTXIndex::GoFirst() { return MoveTable(Table(), First(), currentRecNo_); }
bool TXbNTXIndex::GoNext() { return MoveTable(Table(), Next(), currentRecNo_); }
bool TXbNTXIndex::GoPrior() { return MoveTable(Table(), Prior(), currentRecNo_); }
bool TXbNTXIndex::GoLast() { return MoveTable(Table(), Last(), currentRecNo_); }

// ---- synchronisation

void TXbNTXIndex::SyncWithRecord()
{
    TXbSmartDBF* table = Table();
    if (table == nullptr || !IsOpen())
        return;
    const int recNo = table->GetRecordNumber();
    SyncWithKey(EvaluateKey(), recNo > 0 ? static_cast<uint32_t>(recNo) : 0);
}

void TXbNTXIndex::SyncWithKey(const std::string& key, uint32_t recNo)
{
    if (!IsOpen())
        return;
    SetCurrent(FittedKey(StoredKey(key)), recNo);
    // In a unique or FOR index the record may have no item of its own: take the nearest one.
    if (Unique() || hasFor_) {
        TReadLock lock(*this, "TXbNTXIndex.SyncWithKey");
        FindExact(currentKey_, true);
        if (foundRecNo_ != 0)
            SetCurrent(foundKey_, foundRecNo_);
    }
}

void TXbNTXIndex::SyncWithRecNo(uint32_t recNo)
{
    TXbSmartDBF* table = Table();
    if (table == nullptr || !IsOpen())
        return;
    std::vector<uint8_t> record(static_cast<size_t>(table->RecordSize()) + 6);
    if (!table->ReadRecordInto(recNo, record.data()))
        return;
    TRecordBuffer previous = table->SwapForcedRecord(record.data());
    std::string key;
    try {
        key = EvaluateKey();
    } catch (...) {
        table->SwapForcedRecord(previous);
        throw;
    }
    table->SwapForcedRecord(previous);
    SyncWithKey(key, recNo);
}

// ---- searches

bool TXbNTXIndex::FindExact(const std::string& storedKey, bool soft)
{
    found_ = false;
    foundRecNo_ = 0;
    foundKey_.clear();
    if (!IsOpen())
        return false;
    TReadLock lock(*this, "TXbNTXIndex.FindExact");
    const std::string key = FittedKey(storedKey);
    TXbNTXWalk walk(*this);
    if (walk.Seek(key, header_.KeySize, 0, false, false)) {
        found_ = CompareKeys(walk.Key().data(), key.data(), header_.KeySize) == 0;
        if (found_ || soft) {
            foundKey_ = walk.Key();
            foundRecNo_ = walk.RecNo();
        }
        return found_;
    }
    if (soft && walk.Last()) {
        foundKey_ = walk.Key();
        foundRecNo_ = walk.RecNo();
    }
    return false;
}

bool TXbNTXIndex::FindLastWithPrefix(const std::string& storedPrefix, bool soft)
{
    found_ = false;
    foundRecNo_ = 0;
    foundKey_.clear();
    if (!IsOpen())
        return false;
    TReadLock lock(*this, "TXbNTXIndex.FindLastWithPrefix");
    const int length = std::min<int>(static_cast<int>(storedPrefix.size()), header_.KeySize);
    TXbNTXWalk walk(*this);
    const bool after = walk.Seek(storedPrefix, length, 0, false, true);
    TXbNTXWalk following = walk;
    const bool before = after ? walk.Prior() : walk.Last();
    if (before && CompareKeys(walk.Key().data(), storedPrefix.data(), length) == 0) {
        found_ = true;
        foundKey_ = walk.Key();
        foundRecNo_ = walk.RecNo();
    } else if (soft && after) {
        foundKey_ = following.Key();
        foundRecNo_ = following.RecNo();
    }
    return found_;
}

uint32_t TXbNTXIndex::SeekKey(const std::string& key, bool partial, uint32_t recNo, bool soft)
{
    TXbSmartDBF* table = Table();
    if (table == nullptr || !table->IsTableOpen() || !IsOpen())
        return 0;
    const int length = std::min<int>(static_cast<int>(key.size()), header_.KeySize);
    if (!partial && !soft && length < header_.KeySize)
        return 0;
    TReadLock lock(*this, "TXbNTXIndex.SeekKey");
    const std::string stored = StoredKey(key.substr(0, static_cast<size_t>(length)));
    TXbNTXWalk walk(*this);
    bool more = walk.Seek(stored, length, recNo, recNo != 0, false);
    while (more) {
        if (!soft && CompareKeys(walk.Key().data(), stored.data(), length) != 0)
            return 0;
        if (table->IsRecordAccepted(walk.RecNo())) {
            SetCurrent(walk.Key(), walk.RecNo());
            found_ = true;
            foundKey_ = walk.Key();
            foundRecNo_ = walk.RecNo();
            return walk.RecNo();
        }
        more = walk.Next();
    }
    return 0;
}

uint32_t TXbNTXIndex::SeekKeyRecNo(const std::string& key, bool partial, bool soft)
{
    return SeekKey(key, partial, 0, soft);
}

bool TXbNTXIndex::FindKey(const std::string& key, bool soft) { return FindKeyPartial(key, soft, false); }

bool TXbNTXIndex::FindKeyPartial(const std::string& key, bool soft, bool partial)
{
    const uint32_t recNo = SeekKey(key, partial, 0, soft);
    if (recNo == 0)
        return false;
    if (TXbSmartDBF* table = Table())
        table->ReorderAt(recNo);
    return true;
}

uint32_t TXbNTXIndex::SeekFieldValue(const std::string& fieldNames, const Variant& value, bool soft, bool partial)
{
    return SeekFieldValues(fieldNames, value, partial, soft);
}

uint32_t TXbNTXIndex::SeekFieldValues(const std::string& fieldNames, const Variant& values, bool partial, bool soft)
{
    if (!IsOpen() || !keyParser_)
        return 0;
    int total = 0;
    const int covered = keyParser_->CountMatchingFields(fieldNames, total);
    if (covered == 0)
        return 0;
    const int given = values.IsArray() ? static_cast<int>(values.Elements().size()) : 1;
    const bool partialKey = partial || given < covered;
    return SeekKey(KeyFromValues(fieldNames, values, partialKey), partialKey, 0, soft);
}

uint32_t TXbNTXIndex::SeekFieldConsts(const std::string& fieldNames, const std::vector<Variant>& values, bool partial,
                                      bool soft)
{
    return SeekFieldValues(fieldNames, Variant::Array(values), partial, soft);
}

uint32_t TXbNTXIndex::SeekCurrentKey(bool partial, bool soft) { return SeekKey(EvaluateKey(), partial, 0, soft); }

void TXbNTXIndex::ScanKeys(const std::string& lo, const std::string& hi)
{
    if (!IsOpen())
        return;
    TReadLock lock(*this, "TXbNTXIndex.ScanKeys");
    const std::string low = StoredKey(lo.substr(0, header_.KeySize));
    const std::string high = StoredKey(hi.substr(0, header_.KeySize));
    TXbNTXWalk walk(*this);
    bool more = walk.Seek(low, static_cast<int>(low.size()), 0, false, false);
    while (more) {
        if (CompareKeys(walk.Key().data(), high.data(), static_cast<int>(high.size())) > 0)
            return;
        int result = 0;
        if (OnSubIndex)
            OnSubIndex(this, DisplayKey(walk.Key()), walk.RecNo(), result);
        if (result == 1)
            return;
        more = walk.Next();
    }
}

// ---- key range

bool TXbNTXIndex::IsKeyRangeActive() { return range_->Active(); }

std::string TXbNTXIndex::KeyFromValues(const std::string& fieldNames, const Variant& values, bool partial)
{
    if (!IsOpen() || !keyParser_)
        throw Exception("TXbNTXIndex: Index " + NTXQuoted(Name()) + " is not open!");
    TPartialKeys partialKeys(keyParser_.get(), partial);
    std::string key;
    keyParser_->KeyFromFieldValues(fieldNames, values, key);
    return key;
}

void TXbNTXIndex::ApplyRange()
{
    if (!range_->Active()) {
        range_->SetActive(true);
        return;
    }
    SetActive(true);
    TXbSmartDBF* table = Table();
    if (table != nullptr && table->Active())
        table->First();
}

void TXbNTXIndex::SetKeyRangeEqual(const std::string& fieldNames, const Variant& values)
{
    const std::string key = KeyFromValues(fieldNames, values, true);
    range_->LoKey = key;
    range_->HiKey = key;
    ApplyRange();
}

void TXbNTXIndex::SetKeyRange(const std::string& fieldNames, const Variant& lowValues, const Variant& highValues)
{
    range_->LoKey = KeyFromValues(fieldNames, lowValues, true);
    range_->HiKey = KeyFromValues(fieldNames, highValues, true);
    ApplyRange();
}

void TXbNTXIndex::CancelKeyRange() { range_->SetActive(false); }

bool TXbNTXIndex::KeyInRange(const std::string& key)
{
    if (range_->HiKey.empty() || !IsOpen())
        return false;
    const int size = header_.KeySize;
    const std::string stored = FittedKey(StoredKey(key));
    const std::string high = StoredKey(range_->HiKey.substr(0, static_cast<size_t>(size)));
    if (CompareKeys(stored.data(), high.data(), static_cast<int>(high.size()), true) > 0)
        return false;
    if (!range_->LoKey.empty()) {
        const std::string low = StoredKey(range_->LoKey.substr(0, static_cast<size_t>(size)));
        if (CompareKeys(stored.data(), low.data(), static_cast<int>(low.size()), true) < 0)
            return false;
    }
    return true;
}

bool TXbNTXIndex::InKeyRange()
{
    if (!keyParser_ && !OnEvaluteKey)
        return false;
    TPartialKeys partialKeys(keyParser_.get(), true);
    return KeyInRange(EvaluateKey());
}

// ---- the table's read-ahead fills

std::string TXbNTXIndex::PositionMark()
{
    std::string mark = currentKey_;
    for (int i = 0; i < 4; ++i)
        mark += static_cast<char>(currentRecNo_ >> (8 * i));
    return mark;
}

void TXbNTXIndex::GoToMark(const std::string& mark)
{
    if (!IsOpen() || mark.size() != static_cast<size_t>(header_.KeySize) + 4)
        return;
    uint32_t recNo = 0;
    for (int i = 0; i < 4; ++i)
        recNo |= static_cast<uint32_t>(static_cast<uint8_t>(mark[header_.KeySize + i])) << (8 * i);
    SetCurrent(mark.substr(0, header_.KeySize), recNo);
}

namespace {

// Takes items of a walk into a fill: forward fills from the start of the buffer, backward fills
// from its end; stops at the capacity or at the first item past the bound (compared over the
// bound's length; no bound when empty).
struct TFill {
    TXbNTXIndex& Index;
    uint32_t* Numbers;
    int Capacity;
    bool Forward;
    std::string Bound;
    TXbIndexFillEnds* Ends;

    int Run(TXbNTXWalk& walk, bool more)
    {
        int count = 0;
        while (more) {
            if (!Bound.empty()) {
                const int c = Index.CompareKeys(walk.Key().data(), Bound.data(), static_cast<int>(Bound.size()));
                if (Forward ? c > 0 : c < 0)
                    break;
            }
            ++count;
            if (Forward)
                Numbers[count - 1] = walk.RecNo();
            else
                Numbers[Capacity - count] = walk.RecNo();
            Index.SetPosition(walk.Key(), walk.RecNo());
            if (Ends != nullptr) {
                std::string& far = Forward ? Ends->Last : Ends->First;
                far = Index.PositionMark();
                if (count == 1)
                    (Forward ? Ends->First : Ends->Last) = far;
            }
            if (count == Capacity)
                break;
            more = Forward ? walk.Next() : walk.Prior();
        }
        return count;
    }
};

}  // namespace

std::string TXbNTXIndex::RangeBound(bool high)
{
    if (!range_->Active())
        return {};
    const std::string& key = high ? range_->HiKey : range_->LoKey;
    return StoredKey(key.substr(0, header_.KeySize));
}

int TXbNTXIndex::FillFirstBuffer(uint32_t* numbers, int capacity, TXbIndexFillEnds* ends)
{
    if (!IsOpen() || capacity <= 0)
        return 0;
    TReadLock lock(*this, "TXbNTXIndex.FillFirstBuffer");
    if (range_->Active() && range_->HiKey.empty())
        return 0;
    TXbNTXWalk walk(*this);
    bool more = false;
    if (range_->Active()) {
        const std::string low = RangeBound(false);
        more = walk.Seek(low, static_cast<int>(low.size()), 0, false, false);
    } else {
        more = walk.First();
    }
    return TFill{*this, numbers, capacity, true, RangeBound(true), ends}.Run(walk, more);
}

int TXbNTXIndex::FillNextBuffer(uint32_t* numbers, int capacity, TXbIndexFillEnds* ends)
{
    if (!IsOpen() || capacity <= 0)
        return 0;
    if (currentRecNo_ == 0)
        return FillFirstBuffer(numbers, capacity, ends);
    TReadLock lock(*this, "TXbNTXIndex.FillNextBuffer");
    TXbNTXWalk walk(*this);
    const bool more = walk.Seek(currentKey_, header_.KeySize, currentRecNo_, true, true);
    return TFill{*this, numbers, capacity, true, RangeBound(true), ends}.Run(walk, more);
}

int TXbNTXIndex::FillLastBuffer(uint32_t* numbers, int capacity, TXbIndexFillEnds* ends)
{
    if (!IsOpen() || capacity <= 0)
        return 0;
    TReadLock lock(*this, "TXbNTXIndex.FillLastBuffer");
    // An active range bounds the end of the view by HiKey also when LoKey is empty.
    if (range_->Active() && range_->HiKey.empty())
        return 0;
    TXbNTXWalk walk(*this);
    bool more = false;
    if (range_->Active()) {
        const std::string high = RangeBound(true);
        more = walk.Seek(high, static_cast<int>(high.size()), 0, false, true) ? walk.Prior() : walk.Last();
    } else {
        more = walk.Last();
    }
    return TFill{*this, numbers, capacity, false, RangeBound(false), ends}.Run(walk, more);
}

int TXbNTXIndex::FillPriorBuffer(uint32_t* numbers, int capacity, TXbIndexFillEnds* ends)
{
    if (!IsOpen() || capacity <= 0)
        return 0;
    if (currentRecNo_ == 0)
        return FillLastBuffer(numbers, capacity, ends);
    TReadLock lock(*this, "TXbNTXIndex.FillPriorBuffer");
    TXbNTXWalk walk(*this);
    const bool more = walk.Seek(currentKey_, header_.KeySize, currentRecNo_, true, false) ? walk.Prior() : walk.Last();
    return TFill{*this, numbers, capacity, false, RangeBound(false), ends}.Run(walk, more);
}
