// The read-ahead window of the table in the key order of its active index: the index gives the
// record numbers (under its lock), the table reads the records. The record-order window lives
// in XbDBFRecords.cpp; each of its operations hands over to the ones here when an index is
// active and open.

#include "dbf/XbDBFDataSet.h"
#include "platform/rtl/Exceptions.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Holds the index lock while the window asks the index for records.
class TIndexReadLock {
public:
    explicit TIndexReadLock(TIndex& index) : index_(index)
    {
        if (!index_.LockIndex())
            throw Exception("TDBFDataSet: Can not read from index file (FLock is false).");
    }
    ~TIndexReadLock() { index_.UnlockIndex(); }
    TIndexReadLock(const TIndexReadLock&) = delete;
    TIndexReadLock& operator=(const TIndexReadLock&) = delete;

private:
    TIndex& index_;
};

// Makes a record image the table's current record while the index evaluates its key.
class TForcedRecord {
public:
    TForcedRecord(TRecordBuffer& slot, TRecordBuffer record) : slot_(slot), previous_(slot) { slot_ = record; }
    ~TForcedRecord() { slot_ = previous_; }
    TForcedRecord(const TForcedRecord&) = delete;
    TForcedRecord& operator=(const TForcedRecord&) = delete;

private:
    TRecordBuffer& slot_;
    TRecordBuffer previous_;
};

}  // namespace

TIndex* TXbSmartDBF::NavigationIndex()
{
    TIndexes* indexes = IndexCollection();
    TIndex* index = indexes != nullptr ? indexes->ActiveIndex() : nullptr;
    return index != nullptr && index->IsOpen() ? index : nullptr;
}

void TXbSmartDBF::OpenTableIndexes()
{
    TIndexes* indexes = IndexCollection();
    if (indexes == nullptr)
        return;
    for (int i = 0; i < indexes->Count(); ++i)
        if (!indexes->IndexAt(i).IsOpen())
            indexes->IndexAt(i).Open();
    TXbDBFIndexDefs* defs = IndexDefsCollection();
    if (defs == nullptr)
        return;
    for (int i = 0; i < defs->Count(); ++i) {
        TXbDBFIndexBag& bag = defs->BagAt(i);
        if (bag.IsOpen())
            continue;
        // An index that is already bound to the bag opened it above.
        auto* index = static_cast<TIndex*>(indexes->Add());
        index->SetBagName(bag.EffectiveName());
        try {
            index->Open();
        } catch (...) {
            indexes->Delete(index->Index());
            throw;
        }
    }
}

int TXbSmartDBF::ReadNumberedRecords(uint32_t* numbers, int count, uint8_t* images)
{
    int kept = 0;
    int i = 0;
    while (i < count) {
        // One read for every run of consecutive record numbers.
        int run = 1;
        while (i + run < count && numbers[i + run] == numbers[i] + static_cast<uint32_t>(run))
            ++run;
        const uint32_t first = numbers[i];
        uint8_t* place = images + static_cast<size_t>(kept) * recordSize_;
        int got = 0;
        if (first >= 1) {
            const int64_t offset = headerSize_ + static_cast<int64_t>(first - 1) * recordSize_;
            const int64_t bytes = static_cast<int64_t>(run) * recordSize_;
            const int64_t read = tableStream_->SeekTo(offset, 0) == offset ? tableStream_->ReadBlock(place, bytes) : -1;
            got = read > 0 ? static_cast<int>(read / recordSize_) : 0;
            DecipherRecords(place, first, got);
        }
        for (int k = 0; k < got; ++k)
            numbers[kept + k] = first + static_cast<uint32_t>(k);
        kept += got;
        i += run;
    }
    return kept;
}

void TXbSmartDBF::IndexWindowGoFirst(TIndex& index)
{
    bofMark_ = true;
    eofMark_ = false;
    windowForward_ = true;
    currentSlot_ = -1;
    windowCount_ = 0;
    TIndexReadLock lock(index);
    windowCount_ = IndexFill(index, true, false);
    if (windowCount_ == 0)
        bofMark_ = eofMark_ = true;
}

void TXbSmartDBF::IndexWindowGoLast(TIndex& index)
{
    eofMark_ = true;
    bofMark_ = false;
    windowForward_ = false;
    currentSlot_ = readAheadCapacity_;
    windowCount_ = 0;
    TIndexReadLock lock(index);
    windowCount_ = IndexFill(index, false, false);
    if (windowCount_ == 0)
        bofMark_ = true;
}

int TXbSmartDBF::IndexFill(TIndex& index, bool forward, bool onward)
{
    const int capacity = readAheadCapacity_;
    std::vector<uint32_t> numbers(static_cast<size_t>(capacity));
    std::vector<uint8_t> images(static_cast<size_t>(capacity) * recordSize_);
    for (;;) {
        TXbIndexFillEnds ends;
        int found = 0;
        if (!onward)
            found = forward ? index.FillFirstBuffer(numbers.data(), capacity, &ends)
                            : index.FillLastBuffer(numbers.data(), capacity, &ends);
        else
            found = forward ? index.FillNextBuffer(numbers.data(), capacity, &ends)
                            : index.FillPriorBuffer(numbers.data(), capacity, &ends);
        if (found == 0)
            return 0;
        uint32_t* taken = forward ? numbers.data() : numbers.data() + (capacity - found);
        // The images are read aside: when none of the records can be read the window stays, and
        // the fill goes on past them.
        const int read = ReadNumberedRecords(taken, found, images.data());
        if (read == 0) {
            index.GoToMark(forward ? ends.Last : ends.First);
            onward = true;
            continue;
        }
        const int firstSlot = forward ? 0 : capacity - read;
        std::memcpy(WindowSlots() + static_cast<size_t>(firstSlot) * recordSize_, images.data(),
                    static_cast<size_t>(read) * recordSize_);
        std::memcpy(reinterpret_cast<uint32_t*>(recordNumbers_.Data()) + firstSlot, taken,
                    static_cast<size_t>(read) * 4);
        indexWindowEnds_ = std::move(ends);
        return read;
    }
}

void TXbSmartDBF::IndexWindowReadAround(TIndex& index, uint32_t recNo)
{
    windowForward_ = true;
    windowCount_ = 0;
    currentSlot_ = -1;
    bofMark_ = eofMark_ = true;
    TRecordBuffer record = scratchRecord_.Data();
    if (record == nullptr || !ReadRecordInto(recNo, record))
        return;
    TIndexReadLock lock(index);
    {
        TForcedRecord forced(forcedRecord_, record);
        index.SyncWithRecord();
    }
    const uint32_t here = index.GetCurrentRecNo();
    if (here == 0)
        return;
    const std::string hereMark = index.PositionMark();
    // Up to half the window before the record, the record, then what follows it.
    const int capacity = readAheadCapacity_;
    std::vector<uint32_t> numbers(static_cast<size_t>(capacity));
    const int half = capacity / 2;
    TXbIndexFillEnds before;
    TXbIndexFillEnds after;
    const int earlier = half > 0 ? index.FillPriorBuffer(numbers.data(), half, &before) : 0;
    std::memmove(numbers.data(), numbers.data() + (half - earlier), static_cast<size_t>(earlier) * 4);
    index.GoToMark(hereMark);
    numbers[static_cast<size_t>(earlier)] = here;
    const int later =
        earlier + 1 < capacity ? index.FillNextBuffer(numbers.data() + earlier + 1, capacity - earlier - 1, &after) : 0;
    const int wanted = earlier + 1 + later;
    uint32_t* slots = reinterpret_cast<uint32_t*>(recordNumbers_.Data());
    std::memcpy(slots, numbers.data(), static_cast<size_t>(wanted) * 4);
    windowCount_ = ReadNumberedRecords(slots, wanted, WindowSlots());
    indexWindowEnds_.First = earlier > 0 ? before.First : hereMark;
    indexWindowEnds_.Last = later > 0 ? after.Last : hereMark;
    if (!MakeSlotCurrent(here)) {
        currentSlot_ = windowCount_ == 0 ? -1 : windowCount_;
        bofMark_ = eofMark_ = true;
    }
}

int TXbSmartDBF::IndexWindowRefill(TIndex& index, bool forward)
{
    TIndexReadLock lock(index);
    if (windowCount_ == 0)
        return IndexFill(index, forward, false);
    // The index goes on from the window's edge in its own order.
    index.GoToMark(forward ? indexWindowEnds_.Last : indexWindowEnds_.First);
    return IndexFill(index, forward, true);
}

void TXbSmartDBF::ReorderAt(uint32_t recNo)
{
    if (!Active())
        return;
    CheckBrowseMode();
    if (recNo == 0 || !IsRecordAccepted(recNo)) {
        First();
        return;
    }
    CursorPosChanged();
    DoBeforeScroll();
    WindowReadAround(recNo);
    Resync({TResyncOption::rmExact, TResyncOption::rmCenter});
    DoAfterScroll();
}
