// Writing records: appending, posting an edited record in place, and marking records deleted
// or live. Every write puts the record bytes on disk before the header's record count that
// makes an appended record part of the table, so a crash between the two leaves a table
// that opens with every record whole. An appended record lies past the last whole one, so a
// write cut short only leaves bytes the count from the file's size ignores; an edited record
// that crosses a page boundary is rewritten with a note beside the table that the next open
// completes it from (XbDBFRewriteNote.h).

#include "dbf/XbDBFDataSet.h"

#include "dbf/XbDBFFieldDefs.h"
#include "dbf/XbDBFRewriteNote.h"
#include "platform/db/DBConsts.h"
#include "platform/db/DBTypes.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileHandle.h"
#include "platform/rtl/Files.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace {

uint32_t LoadRecordNumber(const uint8_t* p) noexcept
{
    uint32_t value;
    std::memcpy(&value, p, 4);
    return value;
}

void StoreRecordNumber(uint8_t* p, uint32_t value) noexcept { std::memcpy(p, &value, 4); }

// Releases the record and header locks of an append or a post on every way out.
class TWriteLocks {
public:
    explicit TWriteLocks(TXbSmartDBF& table) : table_(table) {}
    ~TWriteLocks()
    {
        if (record_ != 0)
            table_.UnlockRecord(record_);
        if (header_)
            table_.UnlockHeader();
    }
    TWriteLocks(const TWriteLocks&) = delete;
    TWriteLocks& operator=(const TWriteLocks&) = delete;
    void HeaderTaken() noexcept { header_ = true; }
    void RecordTaken(uint32_t recNo) noexcept { record_ = recNo; }

private:
    TXbSmartDBF& table_;
    uint32_t record_ = 0;
    bool header_ = false;
};

// The open indexes one append or post changes. Every one of them is locked before anything is
// written, so that a refused lock leaves table and indexes as they were. From the moment the
// record is about to be written, each index file is marked as being changed until its keys are
// in and its pages written; a failure after that point abandons the updates, so the indexes
// report themselves damaged rather than silently lacking a key.
class TIndexChanges {
public:
    struct TChange {
        TIndex* Index;
        std::string OldKey;  // edits: the key of the record as it is in the file
        bool OldAccepted = false;
        std::string NewKey;
    };

    explicit TIndexChanges(TXbSmartDBF& table) : table_(table) {}
    ~TIndexChanges()
    {
        for (size_t i = 0; i < locked_; ++i) {
            TIndex& index = *changes_[i].Index;
            if (recordWritten_ && !finished_)
                index.AbandonIndexUpdate();
            else if (started_ && !finished_ && shared_)
                FinishQuietly(index);
            // A shared table's update took the lock once more.
            if (started_ && shared_)
                index.UnlockIndex();
            index.UnlockIndex();
        }
    }
    TIndexChanges(const TIndexChanges&) = delete;
    TIndexChanges& operator=(const TIndexChanges&) = delete;

    std::vector<TChange>& Changes() noexcept { return changes_; }
    bool Empty() const noexcept { return changes_.empty(); }

    // Locks every index; false (nothing held) when one refuses.
    bool LockAll()
    {
        for (TChange& change : changes_) {
            if (!change.Index->LockIndex())
                return false;
            ++locked_;
        }
        return true;
    }

    // Opens the updates (a shared table brackets each change; a table nobody else may write
    // keeps its indexes in update mode while open) and marks the files.
    void Begin()
    {
        shared_ = table_.LocksNeeded();
        started_ = true;
        for (TChange& change : changes_) {
            if (shared_)
                change.Index->StartIndexUpdate(false);
            change.Index->BeginIndexChange();
        }
    }

    void RecordWritten() noexcept { recordWritten_ = true; }

    void Finish()
    {
        if (shared_)
            for (TChange& change : changes_)
                change.Index->FinishIndexUpdate();
        finished_ = true;
    }

private:
    static void FinishQuietly(TIndex& index) noexcept
    {
        try {
            index.FinishIndexUpdate();
        } catch (...) {
            // The index was abandoned by its own finish: it reports itself damaged.
        }
    }

    TXbSmartDBF& table_;
    std::vector<TChange> changes_;
    size_t locked_ = 0;
    bool shared_ = false;
    bool started_ = false;
    bool recordWritten_ = false;
    bool finished_ = false;
};

// Makes a record buffer the one fields and keys are read from for a scope.
class TForcedRecordScope {
public:
    TForcedRecordScope(TXbSmartDBF& table, TRecordBuffer record) : table_(table), previous_(table.SwapForcedRecord(record)) {}
    ~TForcedRecordScope() { table_.SwapForcedRecord(previous_); }
    TForcedRecordScope(const TForcedRecordScope&) = delete;
    TForcedRecordScope& operator=(const TForcedRecordScope&) = delete;

private:
    TXbSmartDBF& table_;
    TRecordBuffer previous_;
};

}  // namespace

std::vector<TIndex*> TXbSmartDBF::OpenIndexes()
{
    std::vector<TIndex*> open;
    if (TIndexes* indexes = IndexCollection())
        for (int i = 0; i < indexes->Count(); ++i)
            if (indexes->IndexAt(i).IsOpen())
                open.push_back(&indexes->IndexAt(i));
    return open;
}

uint32_t TXbSmartDBF::RecordToShowAfterPost(uint32_t recNo, TIndex* index, const std::string& key)
{
    // In a unique or FOR index the record written may have no key of its own: the table shows
    // the record holding its key, else its first record.
    if (index == nullptr || index != NavigationIndex() || !(index->IsUnique() || index->HasForExpression()))
        return recNo;
    const uint32_t found = index->SeekKey(key, true, 0, false);
    if (found != 0)
        return found;
    int32_t first = -1;
    index->FirstRecNo(first);
    return first > 0 ? static_cast<uint32_t>(first) : recNo;
}

void TXbSmartDBF::RaiseWriteError(TProxyStream& stream)
{
    throw Exception("TXbSmartDBF: Write error \"" + stream.FileName + "\"" + stream.ErrorInfo());
}

void TXbSmartDBF::WriteRecordImage(uint32_t recNo, const uint8_t* image, bool overwrites)
{
    const uint8_t* data = image;
    if (crypt_->Active()) {
        std::memcpy(cryptCopy_.Data(), image, static_cast<size_t>(recordSize_));
        crypt_->Encrypt(recNo, cryptCopy_.Data(), recordSize_);
        data = cryptCopy_.Data();
    }
    bulkCount_ = 0;
    const int64_t offset = headerSize_ + static_cast<int64_t>(recNo - 1) * recordSize_;
    const std::string note = overwrites && RewriteNeedsNote(recNo) ? WriteRewriteNote(offset, data) : std::string();
    const bool written =
        tableStream_->SeekTo(offset, 0) == offset && tableStream_->WriteBlock(data, recordSize_) == recordSize_;
    // A note that stays behind (removal refused) is harmless: the record holds its new image,
    // and the next open drops the note.
    if (!note.empty())
        DeleteFile(note);
    if (!written)
        RaiseWriteError(*tableStream_);
}

bool TXbSmartDBF::RewriteNeedsNote(uint32_t recNo) const noexcept
{
    return tableStream_->ProxyStreamType == TProxyStreamType::pstFile &&
           CrossesPageBoundary(headerSize_ + static_cast<int64_t>(recNo - 1) * recordSize_, recordSize_);
}

std::string TXbSmartDBF::WriteRewriteNote(int64_t offset, const uint8_t* data)
{
    std::vector<uint8_t> old(static_cast<size_t>(recordSize_));
    if (tableStream_->SeekTo(offset, 0) != offset || tableStream_->ReadBlock(old.data(), recordSize_) != recordSize_)
        return {};
    const std::vector<uint8_t> bytes = RewriteNoteBytes(offset, old.data(), data, recordSize_);
    const std::string name = RewriteNoteName(tableStream_->FileName);
    TFileHandle file;
    if (!file.Create(name))
        return {};
    if (file.WriteAt(0, bytes.data(), bytes.size()) != static_cast<int64_t>(bytes.size())) {
        file.Close();
        DeleteFile(name);
        return {};
    }
    return name;
}

bool TXbSmartDBF::LockHeaderForNote(uint32_t recNo)
{
    if (!LocksNeeded() || headerLocked_ || !RewriteNeedsNote(recNo))
        return false;
    if (!LockHeader())
        throw Exception("TXbSmartDBF.InternalPost: Can not lock DBF header.");
    return true;
}

void TXbSmartDBF::FinishInterruptedRewrite() noexcept
{
    if (tableStream_->ProxyStreamType != TProxyStreamType::pstFile || !tableStream_->AccessMode().OpenReadWrite)
        return;
    const std::string name = RewriteNoteName(tableStream_->FileName);
    if (!FileExists(name))
        return;
    try {
        // Held by a writer that is still at work on its note.
        if (LocksNeeded() && !headerLocked_ && !LockHeader())
            return;
        struct TUnlock {
            TXbSmartDBF& table;
            ~TUnlock() { table.UnlockHeader(); }
        } unlock{*this};
        const std::optional<TRewriteNote> note = ParseRewriteNote(ReadFileContents(name));
        // A note cut short, damaged, of another layout or stale is dropped as it is.
        bool done = true;
        const auto size = static_cast<size_t>(recordSize_);
        if (note && note->NewImage.size() == size && note->Offset >= headerSize_ &&
            (note->Offset - headerSize_) % recordSize_ == 0) {
            std::vector<uint8_t> current(size);
            if (tableStream_->SeekTo(note->Offset, 0) == note->Offset &&
                tableStream_->ReadBlock(current.data(), recordSize_) == recordSize_ &&
                note->Explains(current.data()) && current != note->NewImage)
                done = tableStream_->SeekTo(note->Offset, 0) == note->Offset &&
                       tableStream_->WriteBlock(note->NewImage.data(), recordSize_) == recordSize_;
        }
        if (done)
            DeleteFile(name);
    } catch (...) {
        // The note stays for the next open.
    }
}

void TXbSmartDBF::FillAutoIncrementFields(TRecordBuffer buffer)
{
    TRecordBuffer previous = forcedRecord_;
    forcedRecord_ = buffer;
    addingAutoValues_ = true;
    struct TRestore {
        TXbSmartDBF& table;
        TRecordBuffer previous;
        ~TRestore()
        {
            table.forcedRecord_ = previous;
            table.addingAutoValues_ = false;
        }
    } restore{*this, previous};

    for (const TXbFieldAccess& access : fieldMap_) {
        if (access.DataType != TFieldType::ftAutoInc || access.Def == nullptr)
            continue;
        FIELD_REC descriptor(dbfVersion_);
        std::vector<uint8_t> image(descriptor.DescriptorSize());
        const int64_t at = access.Def->OffsetHD();
        if (tableStream_->SeekTo(at, 0) != at ||
            tableStream_->ReadBlock(image.data(), static_cast<int64_t>(image.size())) !=
                static_cast<int64_t>(image.size()))
            throw Exception("TXbSmartDBF.InternalAddRecord: Can not read field descriptor of " + access.Def->Name());
        descriptor.SetImage(image.data());
        const uint32_t value = descriptor.NextAutoIncrement();
        descriptor.SetNextAutoIncrement(value + descriptor.AutoIncrementStep());
        if (tableStream_->SeekTo(at, 0) != at ||
            tableStream_->WriteBlock(descriptor.Image(), static_cast<int64_t>(image.size())) !=
                static_cast<int64_t>(image.size()))
            RaiseWriteError(*tableStream_);
        const int32_t number = static_cast<int32_t>(value);
        WriteFieldValue(access, buffer, &number, nullptr);
    }
}

void TXbSmartDBF::InternalAddRecord(TRecordBuffer buffer, bool)
{
    if (!open_ || buffer == nullptr)
        DatabaseError("TXbSmartDBF.InternalAddRecord: Table is not open.");
    TWriteLocks locks(*this);
    if (!LockHeader())
        throw Exception("TXbSmartDBF.InternalAddRecord: Can not lock DBF header.");
    locks.HeaderTaken();

    TIndexChanges indexes(*this);
    for (TIndex* index : OpenIndexes())
        indexes.Changes().push_back({index, {}, false, {}});
    if (!indexes.LockAll())
        throw Exception("TXbSmartDBF.InternalAddRecord: Can not add key to index file (FLock is false).");

    if (dbfFieldDefs_->HasAutoIncrement)
        FillAutoIncrementFields(buffer);

    // Only this table writes the file while it is opened exclusively: the size it left is
    // still the size.
    const bool soleWriter = !LocksNeeded();
    const int64_t fileSize = soleWriter && knownFileSize_ >= 0 ? knownFileSize_ : tableStream_->SeekTo(0, 2);
    if (fileSize < 0)
        RaiseWriteError(*tableStream_);
    knownFileSize_ = -1;
    const int64_t existing = fileSize > headerSize_ ? (fileSize - headerSize_) / recordSize_ : 0;
    if (existing >= INT32_MAX)
        throw Exception("TXbSmartDBF.InternalAddRecord: The table is full.");
    const uint32_t recNo = static_cast<uint32_t>(existing) + 1;
    if (!LockRecord(recNo))
        throw Exception("TXbSmartDBF.InternalAddRecord: Can not lock DBF record.");
    locks.RecordTaken(recNo);
    StoreRecordNumber(buffer + recordSize_, recNo);
    buffer[recordSize_ + 4] = 0;

    if (!indexes.Empty()) {
        TForcedRecordScope forced(*this, buffer);
        for (auto& change : indexes.Changes())
            change.NewKey = change.Index->EvaluateKey();
        indexes.Begin();
    }

    // The record first, then the count that makes it part of the table, then the keys.
    indexes.RecordWritten();
    WriteRecordImage(recNo, buffer, false);
    if (soleWriter)
        knownFileSize_ = std::max<int64_t>(fileSize, headerSize_ + static_cast<int64_t>(recNo) * recordSize_);
    changedSinceOpen_ = true;
    WriteLE32(headerImage_.data() + 4, recNo);
    recordCountComputed_ = recNo;
    // Other users of a shared table read the count after every append; a table opened
    // exclusively has none and writes it on close.
    if (accessMode_->ShareExclusive)
        headerCountPending_ = true;
    else if (!WriteHeaderImage())
        RaiseWriteError(*tableStream_);

    TIndex* shownBy = nullptr;
    std::string shownKey;
    if (!indexes.Empty()) {
        {
            TForcedRecordScope forced(*this, buffer);
            for (auto& change : indexes.Changes())
                change.Index->AddKey(change.NewKey, recNo);
        }
        indexes.Finish();
        for (auto& change : indexes.Changes())
            if (change.Index == NavigationIndex()) {
                shownBy = change.Index;
                shownKey = change.NewKey;
            }
    }

    buffer[recordSize_ + 5] = static_cast<uint8_t>(TBookmarkFlag::bfCurrent);
    PlaceWrittenRecord(recNo, buffer);
    if (!FastPostRecord)
        PositionAfterPost(RecordToShowAfterPost(recNo, shownBy, shownKey));
}

bool TXbSmartDBF::WriteHeaderImage()
{
    headerCountPending_ = false;
    return tableStream_->SeekTo(0, 0) == 0 &&
           tableStream_->WriteBlock(headerImage_.data(), kDBFHeaderSize) == static_cast<int64_t>(kDBFHeaderSize);
}

void TXbSmartDBF::RewriteRecord(uint32_t recNo, const uint8_t* image)
{
    {
        TWriteLocks locks(*this);
        if (!LockRecord(recNo))
            throw Exception("TXbSmartDBF.InternalPost: Can not lock DBF record.");
        locks.RecordTaken(recNo);
        if (LockHeaderForNote(recNo))
            locks.HeaderTaken();
        WriteRecordImage(recNo, image, true);
        changedSinceOpen_ = true;
    }
    PlaceWrittenRecord(recNo, image);
}

void TXbSmartDBF::InternalPost()
{
    if (!open_)
        DatabaseError("TXbSmartDBF.InternalPost: Table is not open.");
    TRecordBuffer buffer = ActiveBuffer();
    if (State() == TDataSetState::dsInsert) {
        InternalAddRecord(buffer, true);
        return;
    }
    const uint32_t recNo = LoadRecordNumber(buffer + recordSize_);
    const std::vector<TIndex*> open = OpenIndexes();
    if (open.empty()) {
        RewriteRecord(recNo, buffer);
        if (!FastPostRecord)
            PositionAfterPost(recNo);
        return;
    }

    TIndex* shownBy = nullptr;
    std::string shownKey;
    {
        TWriteLocks locks(*this);
        if (!LockRecord(recNo))
            throw Exception("TXbSmartDBF.InternalPost: Can not lock DBF record.");
        locks.RecordTaken(recNo);
        // Before the indexes, as an append takes the header before them.
        if (LockHeaderForNote(recNo))
            locks.HeaderTaken();
        // The keys the record has in the file now (read under its lock, so an edit by another
        // user since this one began is what gets replaced), against the keys of the new image.
        std::vector<uint8_t> stored(static_cast<size_t>(recordSize_) + 6);
        const bool inFile = ReadRecordInto(recNo, stored.data());
        TIndexChanges indexes(*this);
        for (TIndex* index : open) {
            TIndexChanges::TChange change{index, {}, false, {}};
            if (inFile) {
                TForcedRecordScope forced(*this, stored.data());
                change.OldKey = index->EvaluateKey();
                change.OldAccepted = !index->HasForExpression() || index->EvaluateFor();
            }
            bool newAccepted = true;
            {
                TForcedRecordScope forced(*this, buffer);
                change.NewKey = index->EvaluateKey();
                newAccepted = !index->HasForExpression() || index->EvaluateFor();
            }
            if (index == NavigationIndex()) {
                shownBy = index;
                shownKey = change.NewKey;
            }
            if (!inFile || change.OldKey != change.NewKey || change.OldAccepted != newAccepted)
                indexes.Changes().push_back(std::move(change));
        }
        if (!indexes.LockAll())
            throw Exception("TDBFDataSet.InternalPost: Can not Delete/add key to index file (FLock is false).");
        if (!indexes.Empty())
            indexes.Begin();
        indexes.RecordWritten();
        WriteRecordImage(recNo, buffer, true);
        changedSinceOpen_ = true;
        if (!indexes.Empty()) {
            TForcedRecordScope forced(*this, buffer);
            for (auto& change : indexes.Changes()) {
                if (change.OldAccepted)
                    change.Index->RemoveKey(change.OldKey, recNo);
                change.Index->AddKey(change.NewKey, recNo);
            }
            indexes.Finish();
        }
    }
    PlaceWrittenRecord(recNo, buffer);
    if (!FastPostRecord)
        PositionAfterPost(RecordToShowAfterPost(recNo, shownBy, shownKey));
}

void TXbSmartDBF::InternalDeleteRecall(bool deleted)
{
    if (!open_)
        DatabaseError("TXbSmartDBF.InternalPost: Table is not open.");
    TRecordBuffer buffer = ActiveBuffer();
    if (buffer == nullptr || IsEmpty())
        DatabaseError(DBConsts::SDataSetEmpty);
    const uint32_t recNo = LoadRecordNumber(buffer + recordSize_);
    buffer[0] = deleted ? '*' : ' ';
    RewriteRecord(recNo, buffer);
    if (!FastPostRecord) {
        PositionAfterPost(recNo);
        SetModified(true);
        DataEvent(TDataEvent::deRecordChange);
    }
}

void TXbSmartDBF::InternalDeleteRecord()
{
    InternalDeleteRecall(true);
}

// ---------------------------------------------------------------------------------------------
// The window after a write

void TXbSmartDBF::PlaceWrittenRecord(uint32_t recNo, const uint8_t* image)
{
    uint8_t* slots = WindowSlots();
    uint32_t* numbers = reinterpret_cast<uint32_t*>(recordNumbers_.Data());
    const int first = windowForward_ ? 0 : readAheadCapacity_ - windowCount_;
    const int end = first + windowCount_;
    int slot = -1;
    for (int i = first; i < end; ++i)
        if (numbers[i] == recNo) {
            slot = i;
            break;
        }
    if (slot < 0) {
        if (windowForward_ && windowCount_ > 0 && windowCount_ < readAheadCapacity_ &&
            numbers[windowCount_ - 1] + 1 == recNo && NavigationIndex() == nullptr) {
            // The record just appended follows the window: add it there.
            slot = windowCount_++;
        } else {
            windowForward_ = true;
            windowCount_ = 1;
            slot = 0;
        }
        numbers[slot] = recNo;
    }
    std::memcpy(slots + static_cast<size_t>(slot) * recordSize_, image, static_cast<size_t>(recordSize_));
    currentSlot_ = slot;
    bofMark_ = eofMark_ = false;
}
