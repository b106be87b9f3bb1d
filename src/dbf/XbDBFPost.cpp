// Writing records: appending, posting an edited record in place, and marking records deleted
// or live. Every write puts the record bytes on disk before the header's record count that
// makes an appended record part of the table, so a crash between the two leaves a table
// that opens with every record whole.

#include "dbf/XbDBFDataSet.h"

#include "dbf/XbDBFFieldDefs.h"
#include "platform/db/DBConsts.h"
#include "platform/db/DBTypes.h"
#include "platform/rtl/Exceptions.h"

#include <algorithm>
#include <cstring>

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

}  // namespace

void TXbSmartDBF::RaiseWriteError(TProxyStream& stream)
{
    throw Exception("TXbSmartDBF: Write error \"" + stream.FileName + "\"" + stream.ErrorInfo());
}

void TXbSmartDBF::WriteRecordImage(uint32_t recNo, const uint8_t* image)
{
    const uint8_t* data = image;
    if (crypt_->Active()) {
        std::memcpy(cryptCopy_.Data(), image, static_cast<size_t>(recordSize_));
        crypt_->Encrypt(recNo, cryptCopy_.Data(), recordSize_);
        data = cryptCopy_.Data();
    }
    bulkCount_ = 0;
    const int64_t offset = headerSize_ + static_cast<int64_t>(recNo - 1) * recordSize_;
    if (tableStream_->SeekTo(offset, 0) != offset || tableStream_->WriteBlock(data, recordSize_) != recordSize_)
        RaiseWriteError(*tableStream_);
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

    // The record first, then the count that makes it part of the table.
    WriteRecordImage(recNo, buffer);
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

    buffer[recordSize_ + 5] = static_cast<uint8_t>(TBookmarkFlag::bfCurrent);
    PlaceWrittenRecord(recNo, buffer);
    if (!FastPostRecord)
        PositionAfterPost(recNo);
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
        WriteRecordImage(recNo, image);
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
    RewriteRecord(recNo, buffer);
    if (!FastPostRecord)
        PositionAfterPost(recNo);
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
            numbers[windowCount_ - 1] + 1 == recNo) {
            // The record just appended follows the window: add it there.
            slot = windowCount_++;
        } else {
            windowForward_ = true;
            windowCount_ = 1;
            slot = 0;
        }
        numbers[slot] = recNo;
    }
    std::memcpy(readAhead_.Data() + static_cast<size_t>(slot) * recordSize_, image, static_cast<size_t>(recordSize_));
    currentSlot_ = slot;
    bofMark_ = eofMark_ = false;
}
