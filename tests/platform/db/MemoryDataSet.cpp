#include "MemoryDataSet.h"

#include "platform/db/DBConsts.h"

#include <cstring>

namespace {
constexpr int RecNoSize = 4;
constexpr int TrailerSize = RecNoSize + 1;  // record number and bookmark flag
}  // namespace

// A blob stream that stores its contents into the current record when freed after a change.
class MemoryBlobStream : public TMemoryStream {
public:
    MemoryBlobStream(TMemoryDataSet& dataSet, TField& field, bool modified)
        : dataSet_(dataSet), field_(field), modified_(modified)
    {
    }
    ~MemoryBlobStream() override
    {
        if (!modified_) return;
        try {
            dataSet_.StoreBlob(field_, std::string(data_.begin(), data_.end()));
        } catch (...) {
            // A destructor must not raise; the test that needs the error checks the field.
        }
    }
    int64_t Write(const void* buffer, int64_t count) override
    {
        modified_ = true;
        return TMemoryStream::Write(buffer, count);
    }
    void SetSize(int64_t size) override
    {
        modified_ = true;
        TMemoryStream::SetSize(size);
    }

private:
    TMemoryDataSet& dataSet_;
    TField& field_;
    bool modified_;
};

TMemoryDataSet::TMemoryDataSet(TComponent* owner, std::vector<MemoryFieldSpec> columns)
    : TDataSet(owner), columns_(std::move(columns))
{
    for (const MemoryFieldSpec& column : columns_) {
        offsets_.push_back(recordSize_);
        sizes_.push_back(NativeSize(column));
        recordSize_ += 1 + std::max(NativeSize(column), column.type == TFieldType::ftMemo || column.type == TFieldType::ftBlob ? 4 : 0);
    }
}

TMemoryDataSet::~TMemoryDataSet()
{
    try {
        Close();
    } catch (...) {
    }
}

int TMemoryDataSet::NativeSize(const MemoryFieldSpec& column)
{
    switch (column.type) {
    case TFieldType::ftString: return column.size + 1;
    case TFieldType::ftSmallint:
    case TFieldType::ftWord:
    case TFieldType::ftBoolean: return 2;
    case TFieldType::ftInteger:
    case TFieldType::ftAutoInc:
    case TFieldType::ftDate:
    case TFieldType::ftTime: return 4;
    case TFieldType::ftLargeint:
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency:
    case TFieldType::ftBCD:
    case TFieldType::ftDateTime: return 8;
    case TFieldType::ftBytes: return column.size;
    case TFieldType::ftVarBytes: return column.size + 2;
    default: return 0;
    }
}

int32_t TMemoryDataSet::BufferRecNo(TRecordBuffer buffer) const
{
    int32_t recNo = 0;
    std::memcpy(&recNo, buffer + recordSize_, RecNoSize);
    return recNo;
}

void TMemoryDataSet::SetBufferRecNo(TRecordBuffer buffer, int32_t recNo) const
{
    std::memcpy(buffer + recordSize_, &recNo, RecNoSize);
}

void TMemoryDataSet::Reserve(int records)
{
    storage_.reserve(static_cast<size_t>(records) * static_cast<size_t>(recordSize_));
    deleted_.reserve(static_cast<size_t>(records));
}

uint8_t* TMemoryDataSet::AddStoredRecord()
{
    storage_.resize(storage_.size() + static_cast<size_t>(recordSize_), 0);
    deleted_.push_back(0);
    ++storedCount_;
    return storage_.data() + static_cast<size_t>(storedCount_ - 1) * static_cast<size_t>(recordSize_);
}

void TMemoryDataSet::SetStoredInteger(int recNo, int fieldIndex, int32_t value)
{
    uint8_t* field = storage_.data() + static_cast<size_t>(recNo - 1) * static_cast<size_t>(recordSize_) +
                     offsets_[static_cast<size_t>(fieldIndex)];
    field[0] = 1;
    std::memcpy(field + 1, &value, 4);
}

void TMemoryDataSet::SetStoredString(int recNo, int fieldIndex, const std::string& value)
{
    uint8_t* field = storage_.data() + static_cast<size_t>(recNo - 1) * static_cast<size_t>(recordSize_) +
                     offsets_[static_cast<size_t>(fieldIndex)];
    const size_t size = static_cast<size_t>(sizes_[static_cast<size_t>(fieldIndex)]);
    std::memset(field + 1, 0, size);
    std::memcpy(field + 1, value.data(), std::min(value.size(), size - 1));
    field[0] = 1;
}

TRecordBuffer TMemoryDataSet::NewRecordBuffer()
{
    const size_t size = static_cast<size_t>(recordSize_ + TrailerSize + CalcFieldsSize());
    auto* buffer = new uint8_t[size];
    std::memset(buffer, 0, size);
    return buffer;
}

void TMemoryDataSet::DisposeRecordBuffer(TRecordBuffer& buffer)
{
    delete[] buffer;
    buffer = nullptr;
}

void TMemoryDataSet::ReadBookmark(TRecordBuffer buffer, void* data) const { std::memcpy(data, buffer + recordSize_, RecNoSize); }

void TMemoryDataSet::WriteBookmark(TRecordBuffer buffer, const void* data) { std::memcpy(buffer + recordSize_, data, RecNoSize); }

TBookmarkFlag TMemoryDataSet::ReadBookmarkFlag(TRecordBuffer buffer) const
{
    return static_cast<TBookmarkFlag>(buffer[recordSize_ + RecNoSize]);
}

void TMemoryDataSet::WriteBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag)
{
    buffer[recordSize_ + RecNoSize] = static_cast<uint8_t>(flag);
}

bool TMemoryDataSet::Accepted(int index)
{
    if (deleted_[static_cast<size_t>(index)] != 0) return false;
    if ((!Filtered() && !searching_) || !OnFilterRecord) return true;
    CopyToBuffer(index, filterBuffer_);
    const TDataSetState previous = SetTempState(TDataSetState::dsFilter);
    bool accept = true;
    try {
        OnFilterRecord(this, accept);
    } catch (...) {
        RestoreState(previous);
        throw;
    }
    RestoreState(previous);
    return accept;
}

void TMemoryDataSet::CopyToBuffer(int index, TRecordBuffer buffer)
{
    std::memcpy(buffer, storage_.data() + static_cast<size_t>(index) * static_cast<size_t>(recordSize_),
                static_cast<size_t>(recordSize_));
    SetBufferRecNo(buffer, index + 1);
    WriteBookmarkFlag(buffer, TBookmarkFlag::bfCurrent);
}

TGetResult TMemoryDataSet::FetchRecord(TRecordBuffer buffer, TGetMode mode, bool)
{
    ++fetchCalls;
    switch (mode) {
    case TGetMode::gmCurrent:
        if (cursor_ < 0 || cursor_ >= storedCount_ || !Accepted(cursor_)) return TGetResult::grError;
        break;
    case TGetMode::gmNext:
        do {
            if (cursor_ < storedCount_) ++cursor_;
            if (cursor_ >= storedCount_) return TGetResult::grEOF;
        } while (!Accepted(cursor_));
        break;
    case TGetMode::gmPrior:
        do {
            if (cursor_ >= 0) --cursor_;
            if (cursor_ < 0) return TGetResult::grBOF;
        } while (!Accepted(cursor_));
        break;
    }
    CopyToBuffer(cursor_, buffer);
    GetCalcFields(buffer);
    return TGetResult::grOK;
}

void TMemoryDataSet::InternalGoBookmark(const void* bookmark)
{
    int32_t recNo = 0;
    std::memcpy(&recNo, bookmark, RecNoSize);
    cursor_ = recNo - 1;
}

void TMemoryDataSet::InternalGoBufferRecord(TRecordBuffer buffer) { cursor_ = BufferRecNo(buffer) - 1; }

int TMemoryDataSet::GetRecordNumber() const
{
    const TRecordBuffer buffer = RecordBufferForState();
    return buffer != nullptr && BufferRecNo(buffer) > 0 ? BufferRecNo(buffer) : -1;
}

void TMemoryDataSet::GoRecordNumber(int recNo)
{
    CheckBrowseMode();
    if (recNo < 1 || recNo > storedCount_ || !Accepted(recNo - 1)) return;
    DoBeforeScroll();
    cursor_ = recNo - 1;
    Resync({TResyncOption::rmExact, TResyncOption::rmCenter});
    DoAfterScroll();
}

bool TMemoryDataSet::SearchAcceptedRecord(bool restart, bool goForward)
{
    CheckBrowseMode();
    DoBeforeScroll();
    UpdateCursorPos();
    if (restart) cursor_ = goForward ? -1 : storedCount_;
    searching_ = true;
    bool found = false;
    for (;;) {
        cursor_ += goForward ? 1 : -1;
        if (cursor_ < 0 || cursor_ >= storedCount_) break;
        if (Accepted(cursor_)) {
            found = true;
            break;
        }
    }
    searching_ = false;
    if (found) {
        Resync({TResyncOption::rmExact, TResyncOption::rmCenter});
        DoAfterScroll();
    } else {
        CursorPosChanged();
        UpdateCursorPos();
    }
    return found;
}

void TMemoryDataSet::InternalBlankRecord(TRecordBuffer buffer)
{
    std::memset(buffer, 0, static_cast<size_t>(recordSize_ + TrailerSize + CalcFieldsSize()));
}

void TMemoryDataSet::ClearCalcFields(TRecordBuffer buffer)
{
    std::memset(buffer + recordSize_ + TrailerSize, 0, static_cast<size_t>(CalcFieldsSize()));
}

void TMemoryDataSet::StoreRecord(int index, TRecordBuffer buffer)
{
    std::memcpy(storage_.data() + static_cast<size_t>(index) * static_cast<size_t>(recordSize_), buffer,
                static_cast<size_t>(recordSize_));
}

void TMemoryDataSet::InternalAddRecord(TRecordBuffer buffer, bool)
{
    AddStoredRecord();
    StoreRecord(storedCount_ - 1, buffer);
    SetBufferRecNo(buffer, storedCount_);
    cursor_ = storedCount_ - 1;
}

void TMemoryDataSet::InternalPost()
{
    if (failNextPost) {
        failNextPost = false;
        DatabaseError("Memory dataset: post failed");
    }
    if (State() == TDataSetState::dsInsert) {
        InternalAddRecord(ActiveBuffer(), true);
        return;
    }
    const int index = BufferRecNo(ActiveBuffer()) - 1;
    StoreRecord(index, ActiveBuffer());
    cursor_ = index;
}

void TMemoryDataSet::InternalDeleteRecord()
{
    const int index = BufferRecNo(ActiveBuffer()) - 1;
    deleted_[static_cast<size_t>(index)] = 1;
}

void TMemoryDataSet::InternalOpen()
{
    FieldDefs().SetUpdated(false);
    FieldDefs().Update();
    if (DefaultFields()) CreateFields();
    BindFields(true);
    SetBookmarkSize(RecNoSize);
    filterBuffer_ = NewRecordBuffer();
    cursor_ = -1;
    open_ = true;
}

void TMemoryDataSet::InternalCloseTable()
{
    if (filterBuffer_ != nullptr) DisposeRecordBuffer(filterBuffer_);
    open_ = false;
}

void TMemoryDataSet::InternalInitFieldDefs()
{
    FieldDefs().Clear();
    for (const MemoryFieldSpec& column : columns_) FieldDefs().Add(column.name, column.type, column.size, column.required);
}

TRecordBuffer TMemoryDataSet::RecordBufferForState() const
{
    switch (State()) {
    case TDataSetState::dsBrowse: return IsEmpty() ? nullptr : ActiveBuffer();
    case TDataSetState::dsEdit:
    case TDataSetState::dsInsert: return ActiveBuffer();
    case TDataSetState::dsCalcFields: return CalcBuffer();
    case TDataSetState::dsFilter: return filterBuffer_;
    default: return nullptr;
    }
}

bool TMemoryDataSet::FetchFieldData(TField& field, void* buffer)
{
    const TRecordBuffer record = RecordBufferForState();
    if (record == nullptr) return false;
    if (field.FieldKind() != TFieldKind::fkData) {
        if (buffer != nullptr)
            std::memcpy(buffer, record + recordSize_ + TrailerSize + field.Offset(), static_cast<size_t>(field.DataSize()));
        return true;
    }
    const size_t index = static_cast<size_t>(field.FieldNo() - 1);
    const uint8_t* value = record + offsets_[index];
    if (value[0] == 0) return false;
    if (buffer != nullptr && sizes_[index] > 0) std::memcpy(buffer, value + 1, static_cast<size_t>(sizes_[index]));
    return true;
}

void TMemoryDataSet::PutFieldData(TField& field, const void* buffer)
{
    const TRecordBuffer record = RecordBufferForState();
    if (record == nullptr) DatabaseError(DBConsts::SNotEditing);
    field.Validate(buffer);
    if (field.FieldKind() != TFieldKind::fkData) {
        uint8_t* target = record + recordSize_ + TrailerSize + field.Offset();
        if (buffer != nullptr) std::memcpy(target, buffer, static_cast<size_t>(field.DataSize()));
        else std::memset(target, 0, static_cast<size_t>(field.DataSize()));
    } else {
        const size_t index = static_cast<size_t>(field.FieldNo() - 1);
        uint8_t* value = record + offsets_[index];
        value[0] = buffer != nullptr ? 1 : 0;
        if (buffer != nullptr) std::memcpy(value + 1, buffer, static_cast<size_t>(sizes_[index]));
        else std::memset(value + 1, 0, static_cast<size_t>(sizes_[index]));
    }
    const TDataSetState state = State();
    if (state != TDataSetState::dsCalcFields && state != TDataSetState::dsFilter && state != TDataSetState::dsNewValue)
        DataEvent(TDataEvent::deFieldChange, {&field, 0});
}

std::unique_ptr<TStream> TMemoryDataSet::OpenBlobStream(TField& field, TBlobStreamMode mode)
{
    auto stream = std::make_unique<MemoryBlobStream>(*this, field, mode == TBlobStreamMode::bmWrite);
    if (mode != TBlobStreamMode::bmWrite) {
        const TRecordBuffer record = RecordBufferForState();
        const uint8_t* value = record != nullptr ? record + offsets_[static_cast<size_t>(field.FieldNo() - 1)] : nullptr;
        if (value != nullptr && value[0] != 0) {
            int32_t id = 0;
            std::memcpy(&id, value + 1, 4);
            const std::string& contents = blobs_.at(static_cast<size_t>(id));
            stream->TMemoryStream::Write(contents.data(), static_cast<int64_t>(contents.size()));
            stream->SetPosition(0);
        }
    }
    return stream;
}

void TMemoryDataSet::StoreBlob(TField& field, const std::string& contents)
{
    const TRecordBuffer record = RecordBufferForState();
    if (record == nullptr) return;
    uint8_t* value = record + offsets_[static_cast<size_t>(field.FieldNo() - 1)];
    if (contents.empty()) {
        value[0] = 0;
    } else {
        blobs_.push_back(contents);
        const int32_t id = static_cast<int32_t>(blobs_.size() - 1);
        value[0] = 1;
        std::memcpy(value + 1, &id, 4);
    }
    DataEvent(TDataEvent::deFieldChange, {&field, 0});
}

void TMemoryDataSet::SetFilterActive(bool value)
{
    if (!Active()) {
        TDataSet::SetFilterActive(value);
        return;
    }
    CheckBrowseMode();
    if (value == Filtered()) return;
    TDataSet::SetFilterActive(value);
    Refresh();
}

bool TMemoryDataSet::IsBookmarkValid(const TBookmark& bookmark)
{
    if (bookmark.size() != RecNoSize) return false;
    int32_t recNo = 0;
    std::memcpy(&recNo, bookmark.data(), RecNoSize);
    return recNo >= 1 && recNo <= storedCount_;
}

int TMemoryDataSet::CompareBookmarkValues(const TBookmark& a, const TBookmark& b)
{
    if (a.empty() || b.empty()) return a.empty() == b.empty() ? 0 : (a.empty() ? -1 : 1);
    int32_t left = 0, right = 0;
    std::memcpy(&left, a.data(), RecNoSize);
    std::memcpy(&right, b.data(), RecNoSize);
    return left < right ? -1 : (left > right ? 1 : 0);
}
