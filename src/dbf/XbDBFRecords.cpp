// Record buffers, the read-ahead window, navigation, bookmarks and the acceptance test of the
// DBF table dataset.

#include "dbf/XbDBFDataSet.h"

#include <algorithm>
#include <cstring>

namespace {

uint32_t LoadNumber(const uint8_t* p) noexcept
{
    uint32_t value;
    std::memcpy(&value, p, 4);
    return value;
}

void StoreNumber(uint8_t* p, uint32_t value) noexcept { std::memcpy(p, &value, 4); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Record buffers

TRecordBuffer TXbSmartDBF::NewRecordBuffer()
{
    return static_cast<TRecordBuffer>(
        XbDBFMemMgr().AllocBlock(this, static_cast<size_t>(recordSize_ + 6 + CalcFieldsSize())));
}

void TXbSmartDBF::DisposeRecordBuffer(TRecordBuffer& buffer)
{
    XbDBFMemMgr().FreeBlock(buffer);
    buffer = nullptr;
}

void TXbSmartDBF::ReadBookmark(TRecordBuffer buffer, void* data) const
{
    std::memcpy(data, buffer + recordSize_, 4);
}

void TXbSmartDBF::WriteBookmark(TRecordBuffer buffer, const void* data)
{
    std::memcpy(buffer + recordSize_, data, 4);
}

TBookmarkFlag TXbSmartDBF::ReadBookmarkFlag(TRecordBuffer buffer) const
{
    return static_cast<TBookmarkFlag>(buffer[recordSize_ + 5]);
}

void TXbSmartDBF::WriteBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag)
{
    buffer[recordSize_ + 5] = static_cast<uint8_t>(flag);
}

void TXbSmartDBF::ClearCalcFields(TRecordBuffer buffer)
{
    if (CalcFieldsSize() > 0)
        std::memset(buffer + CalcAreaOffset(), ' ', static_cast<size_t>(CalcFieldsSize()));
}

uint8_t* TXbSmartDBF::ActiveRecordBuffer() const
{
    if (forcedRecord_ != nullptr)
        return forcedRecord_;
    switch (State()) {
    case TDataSetState::dsBrowse: return IsEmpty() ? nullptr : ActiveBuffer();
    case TDataSetState::dsEdit:
    case TDataSetState::dsInsert:
    case TDataSetState::dsNewValue:
    case TDataSetState::dsOldValue:
    case TDataSetState::dsCurValue: return ActiveBuffer();
    case TDataSetState::dsSetKey: return setKeyRecord_.Data();
    case TDataSetState::dsCalcFields: return CalcBuffer();
    case TDataSetState::dsFilter: return filterSubject_;
    default: return nullptr;
    }
}

// ---------------------------------------------------------------------------------------------
// The read-ahead window

void TXbSmartDBF::DecipherRecords(uint8_t* images, uint32_t firstRecNo, int count)
{
    if (!crypt_->Active())
        return;
    for (int i = 0; i < count; ++i)
        crypt_->Decrypt(firstRecNo + static_cast<uint32_t>(i), images + static_cast<size_t>(i) * recordSize_,
                        recordSize_);
}

int TXbSmartDBF::ReadRecordBlock(uint32_t firstRecNo, int count, uint8_t* images, uint32_t* numbers)
{
    bulkCount_ = 0;
    if (count <= 0 || firstRecNo == 0)
        return 0;
    const int64_t offset = headerSize_ + static_cast<int64_t>(firstRecNo - 1) * recordSize_;
    const int64_t bytes = static_cast<int64_t>(count) * recordSize_;
    // A trailing piece shorter than a record must not change what the slots hold.
    const size_t kept = static_cast<size_t>(std::min<int64_t>(bytes, recordSize_));
    std::memcpy(scratch_.Data(), images, kept);
    if (tableStream_->SeekTo(offset, 0) != offset)
        return 0;
    const int64_t got = tableStream_->ReadBlock(images, bytes);
    const int read = got > 0 ? static_cast<int>(got / recordSize_) : 0;
    if (read == 0) {
        std::memcpy(images, scratch_.Data(), kept);
        return 0;
    }
    for (int i = 0; i < read; ++i)
        numbers[i] = firstRecNo + static_cast<uint32_t>(i);
    DecipherRecords(images, firstRecNo, read);
    return read;
}

int TXbSmartDBF::ShowPieceForward(uint32_t firstRecNo)
{
    if (bulk_.Data() == nullptr) {
        OwnWindowImages();
        return ReadRecordBlock(firstRecNo, readAheadCapacity_, readAhead_.Data(),
                               reinterpret_cast<uint32_t*>(recordNumbers_.Data()));
    }
    if (firstRecNo == 0)
        return 0;
    // The window takes what the piece read before still holds from this record on (it may be
    // less than the window's capacity at the piece's end); otherwise the next piece is read.
    if (bulkCount_ == 0 || firstRecNo < bulkFirst_ || firstRecNo - bulkFirst_ >= static_cast<uint32_t>(bulkCount_)) {
        if (!FillBulkPiece(firstRecNo, static_cast<int64_t>(bulk_.Size())))
            return 0;
    }
    const int from = static_cast<int>(firstRecNo - bulkFirst_);
    const int n = std::min(readAheadCapacity_, bulkCount_ - from);
    uint32_t* numbers = reinterpret_cast<uint32_t*>(recordNumbers_.Data());
    for (int i = 0; i < n; ++i)
        numbers[i] = firstRecNo + static_cast<uint32_t>(i);
    windowImages_ = bulk_.Data() + static_cast<size_t>(from) * recordSize_;
    return n;
}

int TXbSmartDBF::ReadRecordBlockBackward(uint32_t firstRecNo, int count, uint8_t* images, uint32_t* numbers)
{
    if (bulk_.Data() == nullptr)
        return ReadRecordBlock(firstRecNo, count, images, numbers);
    if (count <= 0 || firstRecNo == 0)
        return 0;
    const uint32_t end = firstRecNo + static_cast<uint32_t>(count);  // one past the last record wanted
    // The window takes the records it wants when the piece read before holds them all;
    // otherwise the piece that ends at the window's last wanted record is read.
    if (bulkCount_ == 0 || firstRecNo < bulkFirst_ || end > bulkFirst_ + static_cast<uint32_t>(bulkCount_)) {
        const uint32_t pieceRecords = static_cast<uint32_t>(bulk_.Size() / static_cast<size_t>(recordSize_));
        const uint32_t pieceFirst = end > pieceRecords + 1 ? end - pieceRecords : 1;
        if (!FillBulkPiece(pieceFirst, static_cast<int64_t>(end - pieceFirst) * recordSize_))
            return 0;
        if (firstRecNo >= bulkFirst_ + static_cast<uint32_t>(bulkCount_))
            return 0;
    }
    // Fewer records than wanted only when the file has shrunk since: the caller sees a short read.
    return CopyFromBulkPiece(firstRecNo, count, images, numbers);
}

bool TXbSmartDBF::FillBulkPiece(uint32_t pieceFirst, int64_t bytes)
{
    // The piece is about to change: a window shown from it keeps its records.
    OwnWindowImages();
    bulkCount_ = 0;
    const int64_t offset = headerSize_ + static_cast<int64_t>(pieceFirst - 1) * recordSize_;
    if (tableStream_->SeekTo(offset, 0) != offset)
        return false;
    const int64_t got = tableStream_->ReadBlock(bulk_.Data(), bytes);
    const int read = got > 0 ? static_cast<int>(got / recordSize_) : 0;
    if (read == 0)
        return false;
    DecipherRecords(bulk_.Data(), pieceFirst, read);
    bulkFirst_ = pieceFirst;
    bulkCount_ = read;
    return true;
}

int TXbSmartDBF::CopyFromBulkPiece(uint32_t firstRecNo, int count, uint8_t* images, uint32_t* numbers) const
{
    const int from = static_cast<int>(firstRecNo - bulkFirst_);
    const int n = std::min(count, bulkCount_ - from);
    std::memcpy(images, bulk_.Data() + static_cast<size_t>(from) * recordSize_, static_cast<size_t>(n) * recordSize_);
    for (int i = 0; i < n; ++i)
        numbers[i] = firstRecNo + static_cast<uint32_t>(i);
    return n;
}

void TXbSmartDBF::OwnWindowImages()
{
    if (windowImages_ == readAhead_.Data())
        return;
    const int first = windowForward_ ? 0 : readAheadCapacity_ - windowCount_;
    std::memcpy(readAhead_.Data() + static_cast<size_t>(first) * recordSize_,
                windowImages_ + static_cast<size_t>(first) * recordSize_,
                static_cast<size_t>(windowCount_) * recordSize_);
    windowImages_ = readAhead_.Data();
}

uint8_t* TXbSmartDBF::WindowSlots()
{
    OwnWindowImages();
    return readAhead_.Data();
}

uint32_t TXbSmartDBF::WindowRecordNumber() const noexcept
{
    return reinterpret_cast<const uint32_t*>(recordNumbers_.Data())[currentSlot_];
}

void TXbSmartDBF::WindowGoFirst()
{
    if (TIndex* index = NavigationIndex()) {
        IndexWindowGoFirst(*index);
        return;
    }
    bofMark_ = true;
    eofMark_ = false;
    windowForward_ = true;
    currentSlot_ = -1;
    windowCount_ = ReadRecordBlock(1, readAheadCapacity_, WindowSlots(),
                                   reinterpret_cast<uint32_t*>(recordNumbers_.Data()));
    if (windowCount_ == 0)
        bofMark_ = eofMark_ = true;
}

void TXbSmartDBF::WindowGoLast()
{
    if (TIndex* index = NavigationIndex()) {
        IndexWindowGoLast(*index);
        return;
    }
    OwnWindowImages();
    eofMark_ = true;
    bofMark_ = false;
    windowForward_ = false;
    currentSlot_ = readAheadCapacity_;
    windowCount_ = 0;
    const uint32_t total = static_cast<uint32_t>(CountRecords());
    if (total == 0) {
        bofMark_ = true;
        return;
    }
    const int wanted = static_cast<int>(std::min<uint32_t>(total, static_cast<uint32_t>(readAheadCapacity_)));
    const int firstSlot = readAheadCapacity_ - wanted;
    const int read = ReadRecordBlock(total - static_cast<uint32_t>(wanted) + 1, wanted,
                                     readAhead_.Data() + static_cast<size_t>(firstSlot) * recordSize_,
                                     reinterpret_cast<uint32_t*>(recordNumbers_.Data()) + firstSlot);
    if (read < wanted) {
        // The file shrank between the count and the read: keep what came, at the end.
        std::memmove(readAhead_.Data() + static_cast<size_t>(readAheadCapacity_ - read) * recordSize_,
                     readAhead_.Data() + static_cast<size_t>(firstSlot) * recordSize_,
                     static_cast<size_t>(read) * recordSize_);
        uint32_t* numbers = reinterpret_cast<uint32_t*>(recordNumbers_.Data());
        std::memmove(numbers + readAheadCapacity_ - read, numbers + firstSlot, static_cast<size_t>(read) * 4);
    }
    windowCount_ = read;
    if (read == 0)
        bofMark_ = true;
}

void TXbSmartDBF::WindowReadAround(uint32_t recNo)
{
    if (TIndex* index = NavigationIndex()) {
        IndexWindowReadAround(*index, recNo);
        return;
    }
    const uint32_t half = static_cast<uint32_t>(readAheadCapacity_ / 2);
    const uint32_t start = recNo > half + 1 ? recNo - half : 1;
    OwnWindowImages();
    windowForward_ = true;
    windowCount_ = ReadRecordBlock(start, readAheadCapacity_, readAhead_.Data(),
                                   reinterpret_cast<uint32_t*>(recordNumbers_.Data()));
    if (windowCount_ == 0 || recNo < start || recNo >= start + static_cast<uint32_t>(windowCount_)) {
        // Nothing there, or the record itself is missing: no current record.
        currentSlot_ = windowCount_ == 0 ? -1 : windowCount_;
        bofMark_ = eofMark_ = true;
        return;
    }
    currentSlot_ = static_cast<int>(recNo - start);
    bofMark_ = eofMark_ = false;
}

bool TXbSmartDBF::WindowStepPastWindow()
{
    bofMark_ = false;
    const int first = windowForward_ ? 0 : readAheadCapacity_ - windowCount_;
    const int end = first + windowCount_;
    if (currentSlot_ + 1 >= first && currentSlot_ + 1 < end) {
        ++currentSlot_;
        eofMark_ = false;
        return true;
    }
    int read = 0;
    if (TIndex* index = NavigationIndex()) {
        read = IndexWindowRefill(*index, true);
    } else {
        const uint32_t* numbers = reinterpret_cast<const uint32_t*>(recordNumbers_.Data());
        read = ShowPieceForward(windowCount_ > 0 ? numbers[end - 1] + 1 : 1);
    }
    if (read == 0) {
        currentSlot_ = end;
        eofMark_ = true;
        return false;
    }
    windowForward_ = true;
    windowCount_ = read;
    currentSlot_ = 0;
    eofMark_ = false;
    return true;
}

bool TXbSmartDBF::WindowStepBack()
{
    eofMark_ = false;
    const int first = windowForward_ ? 0 : readAheadCapacity_ - windowCount_;
    const int end = first + windowCount_;
    if (currentSlot_ - 1 >= first && currentSlot_ - 1 < end) {
        --currentSlot_;
        bofMark_ = false;
        return true;
    }
    if (TIndex* index = NavigationIndex()) {
        const int read = IndexWindowRefill(*index, false);
        if (read == 0) {
            currentSlot_ = first - 1;
            bofMark_ = true;
            return false;
        }
        windowForward_ = false;
        windowCount_ = read;
        currentSlot_ = readAheadCapacity_ - 1;
        bofMark_ = false;
        return true;
    }
    const uint32_t* numbers = reinterpret_cast<const uint32_t*>(recordNumbers_.Data());
    uint32_t before;
    if (windowCount_ > 0)
        before = numbers[first];
    else
        before = static_cast<uint32_t>(CountRecords()) + 1;
    if (before <= 1) {
        currentSlot_ = first - 1;
        bofMark_ = true;
        return false;
    }
    const uint32_t from = before > static_cast<uint32_t>(readAheadCapacity_) ? before - readAheadCapacity_ : 1;
    const int wanted = static_cast<int>(before - from);
    const int firstSlot = readAheadCapacity_ - wanted;
    const int read = ReadRecordBlockBackward(from, wanted,
                                             readAhead_.Data() + static_cast<size_t>(firstSlot) * recordSize_,
                                             reinterpret_cast<uint32_t*>(recordNumbers_.Data()) + firstSlot);
    // The images went into the window's own slots (a refill of the piece moved a window shown
    // from it there first).
    windowImages_ = readAhead_.Data();
    if (read < wanted) {
        // Records that are no longer in the file: nothing before.
        windowCount_ = 0;
        currentSlot_ = -1;
        bofMark_ = true;
        return false;
    }
    windowForward_ = false;
    windowCount_ = read;
    currentSlot_ = readAheadCapacity_ - 1;
    bofMark_ = false;
    return true;
}

bool TXbSmartDBF::ReadRecordInto(uint32_t recNo, TRecordBuffer buffer)
{
    if (recNo == 0)
        return false;
    const int64_t offset = headerSize_ + static_cast<int64_t>(recNo - 1) * recordSize_;
    if (tableStream_->SeekTo(offset, 0) != offset || tableStream_->ReadBlock(buffer, recordSize_) != recordSize_)
        return false;
    DecipherRecords(buffer, recNo, 1);
    StoreNumber(buffer + recordSize_, recNo);
    buffer[recordSize_ + 4] = 0;
    buffer[recordSize_ + 5] = static_cast<uint8_t>(TBookmarkFlag::bfCurrent);
    return true;
}

inline void TXbSmartDBF::CopySlotToBuffer(TRecordBuffer buffer)
{
    std::memcpy(buffer, WindowImage(), static_cast<size_t>(recordSize_));
    StoreNumber(buffer + recordSize_, WindowRecordNumber());
    buffer[recordSize_ + 4] = 0;
    buffer[recordSize_ + 5] = static_cast<uint8_t>(TBookmarkFlag::bfCurrent);
}

// ---------------------------------------------------------------------------------------------
// Acceptance and fetching

bool TXbSmartDBF::RecordAccepted(TRecordBuffer record, bool useFilter)
{
    bool accept = true;
    if (useFilter && !OnFilterRecord && FilterCompiled()) {
        // The record the field operations would read under the filter state.
        accept = compiledFilter_.Accepts(forcedRecord_ != nullptr ? forcedRecord_ : record, OEM, TrimCType);
    } else if (useFilter && (OnFilterRecord || FilterReady())) {
        const TDataSetState previous = SetTempState(TDataSetState::dsFilter);
        TRecordBuffer previousSubject = filterSubject_;
        filterSubject_ = record;
        try {
            if (OnFilterRecord)
                OnFilterRecord(this, accept);
            if (accept && FilterReady())
                accept = EvaluateFilter();
        } catch (...) {
            filterSubject_ = previousSubject;
            RestoreState(previous);
            throw;
        }
        filterSubject_ = previousSubject;
        RestoreState(previous);
    }
    if (accept && setDeleted_)
        accept = record[0] != '*';
    return accept && InKeyRange(record);
}

bool TXbSmartDBF::InIndexKeyRange(TRecordBuffer record)
{
    // A record outside the key range of the active index is not shown.
    TIndex* index = NavigationIndex();
    if (index == nullptr || !index->IsKeyRangeActive())
        return true;
    TRecordBuffer previous = forcedRecord_;
    forcedRecord_ = record;
    bool accept;
    try {
        accept = index->InKeyRange();
    } catch (...) {
        forcedRecord_ = previous;
        throw;
    }
    forcedRecord_ = previous;
    return accept;
}

bool TXbSmartDBF::SlotAccepted(bool useFilter)
{
    if (OnFilterRecord && useFilter) {
        // A handler may read any field, the record number and calculated fields: give it a
        // whole record buffer.
        TRecordBuffer record = filterRecord_.Data();
        CopySlotToBuffer(record);
        GetCalcFields(record);
        return RecordAccepted(record, useFilter);
    }
    if (useFilter && FilterReady())
        return RecordAccepted(WindowImage(), useFilter);
    return SlotAcceptedUnfiltered();
}

TGetResult TXbSmartDBF::FetchRecord(TRecordBuffer buffer, TGetMode mode, bool)
{
    const bool testing = (Filtered() && (OnFilterRecord || FilterReady())) || setDeleted_;
    TGetResult result = TGetResult::grOK;
    for (;;) {
        switch (mode) {
        case TGetMode::gmNext: result = WindowStepForward() ? TGetResult::grOK : TGetResult::grEOF; break;
        case TGetMode::gmPrior: result = WindowStepBack() ? TGetResult::grOK : TGetResult::grBOF; break;
        case TGetMode::gmCurrent: result = bofMark_ || eofMark_ ? TGetResult::grError : TGetResult::grOK; break;
        }
        if (result != TGetResult::grOK || !testing)
            break;
        if ((!Filtered() || (!OnFilterRecord && !FilterReady())) ? SlotAcceptedUnfiltered() : SlotAccepted(true))
            break;
        if (mode == TGetMode::gmCurrent) {
            result = TGetResult::grError;
            break;
        }
    }
    if (result == TGetResult::grOK) {
        CopySlotToBuffer(buffer);
        if (CalcFieldsSize() > 0)
            GetCalcFields(buffer);
        return result;
    }
    InternalBlankRecord(buffer);
    WriteBookmarkFlag(buffer, result == TGetResult::grBOF ? TBookmarkFlag::bfBOF : TBookmarkFlag::bfEOF);
    return result;
}

bool TXbSmartDBF::IsRecordAccepted(uint32_t recNo)
{
    TRecordBuffer record = scratchRecord_.Data();
    if (record == nullptr || !ReadRecordInto(recNo, record))
        return false;
    TRecordBuffer previous = forcedRecord_;
    forcedRecord_ = record;
    bool accepted = false;
    try {
        accepted = RecordAccepted(record, Filtered());
    } catch (...) {
        forcedRecord_ = previous;
        throw;
    }
    forcedRecord_ = previous;
    return accepted;
}

bool TXbSmartDBF::VisitShownRecords(const std::function<void()>& visit)
{
    return VisitPieceRecords(false, [&visit](bool) { visit(); });
}

bool TXbSmartDBF::VisitRecordsMarkingFiltered(const std::function<void(bool accepted)>& visit)
{
    return VisitPieceRecords(true, visit);
}

bool TXbSmartDBF::VisitPieceRecords(bool markFiltered, const std::function<void(bool accepted)>& visit)
{
    if (!Active() || State() != TDataSetState::dsBrowse || bulk_.Data() == nullptr || NavigationIndex() != nullptr ||
        OnFilterRecord || CalcFieldsSize() > 0 || forcedRecord_ != nullptr)
        return false;
    // The same tests a step of the cursor makes.
    const bool filtering = Filtered() && FilterReady();
    const bool testingShown = markFiltered ? setDeleted_ : filtering || setDeleted_;
    const bool marking = markFiltered && filtering;
    struct TPieceDrop {
        TXbSmartDBF& table;
        ~TPieceDrop()
        {
            // The piece now holds records the window never came to: drop it, so that steps
            // past the window read the file again.
            table.forcedRecord_ = nullptr;
            table.bulkCount_ = 0;
        }
    } drop{*this};
    uint32_t next = 1;
    while (FillBulkPiece(next, static_cast<int64_t>(bulk_.Size()))) {
        const int count = bulkCount_;
        for (int i = 0; i < count; ++i) {
            uint8_t* image = bulk_.Data() + static_cast<size_t>(i) * recordSize_;
            if (testingShown && !RecordAccepted(image, !markFiltered && Filtered()))
                continue;
            const bool accepted = !marking || RecordAccepted(image, true);
            forcedRecord_ = image;
            visit(accepted);
            forcedRecord_ = nullptr;
        }
        next = bulkFirst_ + static_cast<uint32_t>(count);
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Navigation

void TXbSmartDBF::InternalGoFirst() { WindowGoFirst(); }

void TXbSmartDBF::InternalGoLast() { WindowGoLast(); }

void TXbSmartDBF::InternalGoBookmark(const void* bookmark)
{
    WindowReadAround(LoadNumber(static_cast<const uint8_t*>(bookmark)));
}

void TXbSmartDBF::InternalGoBufferRecord(TRecordBuffer buffer)
{
    const uint32_t recNo = LoadNumber(buffer + recordSize_);
    const uint32_t* numbers = reinterpret_cast<const uint32_t*>(recordNumbers_.Data());
    const int first = windowForward_ ? 0 : readAheadCapacity_ - windowCount_;
    const int end = first + windowCount_;
    if (recNo == 0) {
        // A new record that is not in the file yet: no current record.
        bofMark_ = eofMark_ = true;
        return;
    }
    if (currentSlot_ >= first && currentSlot_ < end && numbers[currentSlot_] == recNo) {
        bofMark_ = eofMark_ = false;
        return;
    }
    if (!MakeSlotCurrent(recNo))
        WindowReadAround(recNo);
}

void TXbSmartDBF::InternalReread()
{
    TRecordBuffer buffer = ActiveBuffer();
    if (buffer != nullptr && !IsEmpty())
        WindowReadAround(LoadNumber(buffer + recordSize_));
}

int TXbSmartDBF::GetRecordNumber() const
{
    const uint8_t* buffer = ActiveRecordBuffer();
    if (buffer == nullptr)
        return -1;
    // A record tested in its window slot has its number in the window's table.
    const auto window = reinterpret_cast<uintptr_t>(windowImages_);
    const auto address = reinterpret_cast<uintptr_t>(buffer);
    if (window != 0 && address >= window &&
        address < window + static_cast<uintptr_t>(readAheadCapacity_) * static_cast<uintptr_t>(recordSize_))
        return static_cast<int>(reinterpret_cast<const uint32_t*>(
            recordNumbers_.Data())[(address - window) / static_cast<uintptr_t>(recordSize_)]);
    // A record visited in the piece has its number from the piece's place in the file.
    const auto piece = reinterpret_cast<uintptr_t>(bulk_.Data());
    if (piece != 0 && address >= piece &&
        address < piece + static_cast<uintptr_t>(bulkCount_) * static_cast<uintptr_t>(recordSize_))
        return static_cast<int>(bulkFirst_ + (address - piece) / static_cast<uintptr_t>(recordSize_));
    return static_cast<int>(LoadNumber(buffer + recordSize_));
}

bool TXbSmartDBF::MakeSlotCurrent(uint32_t recNo)
{
    const uint32_t* numbers = reinterpret_cast<const uint32_t*>(recordNumbers_.Data());
    const int first = windowForward_ ? 0 : readAheadCapacity_ - windowCount_;
    for (int slot = first; slot < first + windowCount_; ++slot) {
        if (numbers[slot] == recNo) {
            currentSlot_ = slot;
            bofMark_ = eofMark_ = false;
            return true;
        }
    }
    return false;
}

void TXbSmartDBF::CopyImageToWindow(uint32_t recNo, const uint8_t* image)
{
    uint8_t* slots = WindowSlots();
    const uint32_t* numbers = reinterpret_cast<const uint32_t*>(recordNumbers_.Data());
    const int first = windowForward_ ? 0 : readAheadCapacity_ - windowCount_;
    for (int slot = first; slot < first + windowCount_; ++slot)
        if (numbers[slot] == recNo)
            std::memcpy(slots + static_cast<size_t>(slot) * recordSize_, image,
                        static_cast<size_t>(recordSize_));
}

void TXbSmartDBF::PositionAfterPost(uint32_t recNo)
{
    if (!MakeSlotCurrent(recNo))
        WindowReadAround(recNo);
    const bool filtering = Filtered() && (OnFilterRecord || FilterReady());
    auto accepted = [&] { return !(filtering || setDeleted_) || SlotAccepted(Filtered()); };
    bool found = !bofMark_ && !eofMark_ && accepted();
    while (!found && WindowStepForward())
        found = accepted();
    if (!found) {
        WindowReadAround(recNo);
        if (!bofMark_ && !eofMark_)
            found = accepted();
        while (!found && WindowStepBack())
            found = accepted();
    }
    if (!found) {
        windowCount_ = 0;
        currentSlot_ = -1;
        bofMark_ = eofMark_ = true;
        return;
    }
    WindowReadAround(WindowRecordNumber());
}

void TXbSmartDBF::GoRecordNumber(int recNo)
{
    CheckBrowseMode();
    if (recNo < 1 || !IsRecordAccepted(static_cast<uint32_t>(recNo)))
        return;
    CursorPosChanged();
    DoBeforeScroll();
    WindowReadAround(static_cast<uint32_t>(recNo));
    Resync({TResyncOption::rmExact, TResyncOption::rmCenter});
    DoAfterScroll();
}

bool TXbSmartDBF::SearchAcceptedRecord(bool restart, bool goForward)
{
    if (!Filtered() && !Filter().empty())
        PrepareFilter();
    CheckBrowseMode();
    DoBeforeScroll();
    bool found = false;
    UpdateCursorPos();
    if (goForward) {
        if (restart)
            WindowGoFirst();
        while (WindowStepForward()) {
            if (SlotAccepted(true)) {
                found = true;
                break;
            }
        }
    } else {
        if (restart)
            WindowGoLast();
        while (WindowStepBack()) {
            if (SlotAccepted(true)) {
                found = true;
                break;
            }
        }
    }
    if (!found) {
        CursorPosChanged();
        UpdateCursorPos();
        return false;
    }
    Resync({TResyncOption::rmExact, TResyncOption::rmCenter});
    DoAfterScroll();
    return true;
}

void TXbSmartDBF::SetFilterActive(bool value)
{
    if (!Active()) {
        TDataSet::SetFilterActive(value);
        return;
    }
    CheckBrowseMode();
    if (value && !Filter().empty())
        PrepareFilter();
    if (value == Filtered())
        return;
    TDataSet::SetFilterActive(value);
    Refresh();
}

// ---------------------------------------------------------------------------------------------
// Bookmarks

bool TXbSmartDBF::IsBookmarkValid(const TBookmark& bookmark)
{
    if (bookmark.size() != 4)
        return false;
    const uint32_t recNo = LoadNumber(bookmark.data());
    return recNo >= 1 && recNo <= recordCountComputed_;
}

int TXbSmartDBF::CompareBookmarkValues(const TBookmark& a, const TBookmark& b)
{
    if (a.empty() || b.empty())
        return a.empty() && b.empty() ? 0 : (a.empty() ? -1 : 1);
    const uint32_t x = a.size() >= 4 ? LoadNumber(a.data()) : 0;
    const uint32_t y = b.size() >= 4 ? LoadNumber(b.data()) : 0;
    return x < y ? -1 : (x > y ? 1 : 0);
}
