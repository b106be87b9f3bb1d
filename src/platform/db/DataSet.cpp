#include "platform/db/DataSet.h"

#include "platform/db/DBConsts.h"
#include "platform/db/DataSource.h"

#include <algorithm>
#include <cstring>

using namespace DBConsts;

namespace {

bool IsEditState(TDataSetState state) noexcept
{
    return state == TDataSetState::dsEdit || state == TDataSetState::dsInsert;
}

bool CompatibleTypes(TFieldType a, TFieldType b) noexcept
{
    auto normal = [](TFieldType type) {
        switch (type) {
        case TFieldType::ftFixedChar: return TFieldType::ftString;
        case TFieldType::ftFmtMemo: return TFieldType::ftMemo;
        case TFieldType::ftAutoInc: return TFieldType::ftInteger;
        case TFieldType::ftParadoxOle:
        case TFieldType::ftDBaseOle:
        case TFieldType::ftTypedBinary: return TFieldType::ftBlob;
        default: return type;
        }
    };
    return normal(a) == normal(b);
}

}  // namespace

TDataSet::TDataSet(TComponent* owner) : TComponent(owner), fieldDefs_(this), fields_(this) {}

TDataSet::~TDataSet()
{
    while (!dataSources_.empty()) dataSources_.back()->SetDataSet(nullptr);
    // Default fields are owned here; free them while the field list still exists.
    DestroyComponents();
    for (TField* field : fields_.fields_) field->dataSet_ = nullptr;
    fields_.fields_.clear();
}

void TDataSet::CheckActive() const
{
    if (state_ == TDataSetState::dsInactive) DatabaseError(SDataSetClosed);
}

void TDataSet::CheckInactive() const
{
    if (state_ != TDataSetState::dsInactive && state_ != TDataSetState::dsOpening) DatabaseError(SDataSetOpen);
}

void TDataSet::CheckCanModify() const
{
    if (!CanModify()) DatabaseError(SDataSetReadOnly);
}

int TDataSet::RecordCount() const
{
    CheckActive();
    return CountRecords();
}

// ---------------------------------------------------------------------------------------------
// State and data events

void TDataSet::SetState(TDataSetState state)
{
    if (state_ == state) return;
    state_ = state;
    modified_ = false;
    DataEvent(TDataEvent::deUpdateState);
}

TDataSetState TDataSet::SetTempState(TDataSetState state)
{
    const TDataSetState previous = state_;
    state_ = state;
    return previous;
}

void TDataSet::RestoreState(TDataSetState state) { state_ = state; }

void TDataSet::DeliverDataEvent(TDataEvent event, TDataEventInfo info)
{
    if (event == TDataEvent::deFieldChange && info.field != nullptr) {
        const TFieldKind kind = info.field->FieldKind();
        if (kind == TFieldKind::fkData || kind == TFieldKind::fkInternalCalc) modified_ = true;
        if (state_ != TDataSetState::dsSetKey && calcFieldCount_ > 0 && IsEditState(state_)) GetCalcFields(ActiveBuffer());
        info.field->Change();
    } else if (event == TDataEvent::dePropertyChange) {
        fieldDefs_.SetUpdated(false);
    }
    if (disableCount_ == 0) {
        for (size_t i = 0; i < dataSources_.size(); ++i) dataSources_[i]->DataEvent(event, info);
        return;
    }
    // Held back until EnableControls; a layout change or a close outranks a plain change.
    eventHeldBack_ = true;
    if ((event == TDataEvent::deUpdateState && state_ == TDataSetState::dsInactive) ||
        event == TDataEvent::deLayoutChange)
        enableEvent_ = TDataEvent::deLayoutChange;
}

void TDataSet::DisableControls()
{
    if (disableCount_ == 0) {
        disableState_ = state_;
        eventHeldBack_ = false;
        enableEvent_ = TDataEvent::deDataSetChange;
    }
    ++disableCount_;
}

void TDataSet::EnableControls()
{
    if (disableCount_ == 0) return;
    if (--disableCount_ != 0) return;
    if (disableState_ != state_) DataEvent(TDataEvent::deUpdateState);
    if (eventHeldBack_ && disableState_ != TDataSetState::dsInactive && state_ != TDataSetState::dsInactive)
        DataEvent(enableEvent_);
    eventHeldBack_ = false;
}

void TDataSet::AddDataSource(TDataSource* source)
{
    dataSources_.push_back(source);
    UpdateBufferCount();
}

void TDataSet::RemoveDataSource(TDataSource* source)
{
    dataSources_.erase(std::remove(dataSources_.begin(), dataSources_.end(), source), dataSources_.end());
    UpdateBufferCount();
}

// ---------------------------------------------------------------------------------------------
// Open and close

void TDataSet::SetTableActive(bool value)
{
    if (IsLoading()) {
        streamedActive_ = value;
        return;
    }
    if (value == Active()) return;
    if (value) {
        if (BeforeOpen) BeforeOpen(this);
        state_ = TDataSetState::dsOpening;
        try {
            OpenCursor();
        } catch (...) {
            state_ = TDataSetState::dsInactive;
            try {
                CloseCursor();
            } catch (...) {
                // The open failed already; that error is the one to report.
            }
            throw;
        }
        SetState(TDataSetState::dsBrowse);
        NotifyAfterOpen();
        if (!IsEmpty()) DoAfterScroll();
    } else {
        NotifyBeforeClose();
        SetState(TDataSetState::dsInactive);
        CloseCursor();
        if (AfterClose) AfterClose(this);
    }
}

void TDataSet::NotifyAfterOpen()
{
    if (AfterOpen) AfterOpen(this);
}

void TDataSet::NotifyBeforeClose()
{
    if (BeforeClose) BeforeClose(this);
}

void TDataSet::Loaded()
{
    TComponent::Loaded();
    AfterFormLoad();
}

void TDataSet::AfterFormLoad()
{
    if (streamedActive_) {
        streamedActive_ = false;
        SetActive(true);
    }
}

void TDataSet::OpenCursor()
{
    defaultFields_ = fields_.Count() == 0;
    InternalOpen();
    ClearBuffers();
    UpdateBufferCount();
    bof_ = true;
}

void TDataSet::CloseCursor()
{
    FreeBuffers();
    calcBuffer_ = nullptr;
    modified_ = false;
    InternalCloseTable();
    BindFields(false);
    DestroyFields();
}

void TDataSet::CreateFields()
{
    for (int i = 0; i < fieldDefs_.Count(); ++i) fieldDefs_.Items(i).CreateField(this, this);
}

void TDataSet::DestroyFields()
{
    if (!defaultFields_) return;
    std::vector<TField*> fields = fields_.fields_;
    for (TField* field : fields)
        if (field->Owner() == this) delete field;
}

void TDataSet::BindFields(bool binding)
{
    calcFieldsSize_ = 0;
    calcFieldCount_ = 0;
    for (TField* field : fields_.fields_) {
        if (!binding) {
            if (field->FieldKind() == TFieldKind::fkData) field->fieldNo_ = 0;
            continue;
        }
        switch (field->FieldKind()) {
        case TFieldKind::fkCalculated:
        case TFieldKind::fkLookup:
        case TFieldKind::fkInternalCalc:
            field->offset_ = calcFieldsSize_;
            calcFieldsSize_ += field->DataSize();
            ++calcFieldCount_;
            break;
        case TFieldKind::fkData: {
            const TFieldDef* def = fieldDefs_.FindDef(field->FieldName());
            if (def == nullptr) DatabaseErrorFmt(SFieldNotFound, {field->FieldName()});
            if (!CompatibleTypes(def->DataType(), field->DataType()))
                DatabaseErrorFmt(SFieldTypeMismatch,
                                 {field->DisplayName(), FieldTypeName(field->DataType()), FieldTypeName(def->DataType())});
            field->fieldNo_ = def->FieldNo();
            break;
        }
        default:
            break;
        }
    }
}

void TDataSet::GetFieldNames(TStrings& list) const
{
    list.Clear();
    for (const TField* field : fields_) list.Add(field->FieldName());
}

// ---------------------------------------------------------------------------------------------
// The buffer ring

void TDataSet::UpdateBufferCount()
{
    if (state_ == TDataSetState::dsInactive) return;
    int count = 1;
    for (const TDataSource* source : dataSources_)
        for (const TDataLink* link : source->dataLinks_) count = std::max(count, link->BufferCount());
    SetBufferCount(count);
}

void TDataSet::SetBufferCount(int count)
{
    if (count == bufferCount_ && !buffers_.empty()) return;
    const bool growing = count > bufferCount_;
    if (!growing && recordCount_ > 0) {
        // Keep the active record inside the smaller ring: drop records before it first.
        const int drop = std::max(0, activeRecord_ - (count - 1));
        if (drop > 0) {
            std::rotate(buffers_.begin(), buffers_.begin() + drop, buffers_.end());
            activeRecord_ -= drop;
            recordCount_ -= drop;
            currentRecord_ = currentRecord_ >= drop ? currentRecord_ - drop : -1;
        }
        recordCount_ = std::min(recordCount_, count);
        if (currentRecord_ >= recordCount_) currentRecord_ = -1;
    }
    while (static_cast<int>(buffers_.size()) > count + 1) {
        TRecordBuffer buffer = buffers_.back();
        buffers_.pop_back();
        DisposeRecordBuffer(buffer);
    }
    buffers_.reserve(static_cast<size_t>(count) + 1);
    while (static_cast<int>(buffers_.size()) < count + 1) {
        TRecordBuffer buffer = NewRecordBuffer();
        buffers_.push_back(buffer);
    }
    bufferCount_ = count;
    if (growing && state_ != TDataSetState::dsInactive) {
        GetNextRecords();
        if (recordCount_ > 0) GetPriorRecords();
    }
}

void TDataSet::FreeBuffers()
{
    ClearBuffers();
    while (!buffers_.empty()) {
        TRecordBuffer buffer = buffers_.back();
        buffers_.pop_back();
        DisposeRecordBuffer(buffer);
    }
    bufferCount_ = 0;
}

void TDataSet::ClearBuffers() noexcept
{
    recordCount_ = 0;
    activeRecord_ = 0;
    currentRecord_ = -1;
    bof_ = true;
    eof_ = true;
}

void TDataSet::ActivateBuffers() noexcept
{
    recordCount_ = 1;
    activeRecord_ = 0;
    currentRecord_ = 0;
    bof_ = false;
    eof_ = false;
}

// Every step of a cursor through a full ring moves a buffer: the neighbouring swap is inline.
inline void TDataSet::MoveBuffer(int from, int to) noexcept
{
    if (from - to == 1 || to - from == 1) {
        std::swap(buffers_[static_cast<size_t>(from)], buffers_[static_cast<size_t>(to)]);
        return;
    }
    MoveBufferFar(from, to);
}

void TDataSet::MoveBufferFar(int from, int to) noexcept
{
    if (from == to) return;
    auto begin = buffers_.begin();
    if (from < to) std::rotate(begin + from, begin + from + 1, begin + to + 1);
    else std::rotate(begin + to, begin + from, begin + from + 1);
}

inline void TDataSet::SetCurrentRecord(int index)
{
    if (currentRecord_ == index) return;
    MoveCursorTo(index);
}

void TDataSet::MoveCursorTo(int index)
{
    TRecordBuffer buffer = buffers_[static_cast<size_t>(index)];
    switch (ReadBookmarkFlag(buffer)) {
    case TBookmarkFlag::bfCurrent:
    case TBookmarkFlag::bfInserted: InternalGoBufferRecord(buffer); break;
    case TBookmarkFlag::bfBOF: InternalGoFirst(); break;
    case TBookmarkFlag::bfEOF: InternalGoLast(); break;
    }
    currentRecord_ = index;
}

void TDataSet::UpdateCursorPos()
{
    if (recordCount_ > 0) SetCurrentRecord(activeRecord_);
}

[[gnu::always_inline]] inline bool TDataSet::GetNextRecord()
{
    TGetMode mode = TGetMode::gmNext;
    if (recordCount_ > 0) {
        SetCurrentRecord(recordCount_ - 1);
        if (state_ == TDataSetState::dsInsert && currentRecord_ == activeRecord_ &&
            ReadBookmarkFlag(ActiveBuffer()) == TBookmarkFlag::bfCurrent)
            mode = TGetMode::gmCurrent;
    }
    if (FetchRecord(buffers_[static_cast<size_t>(recordCount_)], mode, true) != TGetResult::grOK) {
        CursorPosChanged();
        return false;
    }
    if (recordCount_ == 0) {
        ActivateBuffers();
    } else if (recordCount_ < bufferCount_) {
        ++recordCount_;
    } else {
        // The ring is full: the first buffer drops out and becomes the spare one.
        MoveBuffer(0, recordCount_);
        if (activeRecord_ > 0) --activeRecord_;
    }
    currentRecord_ = recordCount_ - 1;
    return true;
}

bool TDataSet::GetPriorRecord()
{
    if (recordCount_ > 0) SetCurrentRecord(0);
    if (FetchRecord(buffers_[static_cast<size_t>(recordCount_)], TGetMode::gmPrior, true) != TGetResult::grOK) {
        CursorPosChanged();
        return false;
    }
    if (recordCount_ == 0) {
        ActivateBuffers();
    } else {
        // The new buffer goes in front; a full ring loses its last buffer to the spare place.
        MoveBuffer(recordCount_, 0);
        if (recordCount_ < bufferCount_) ++recordCount_;
        activeRecord_ = std::min(activeRecord_ + 1, recordCount_ - 1);
    }
    currentRecord_ = 0;
    return true;
}

int TDataSet::GetNextRecords()
{
    int count = 0;
    while (recordCount_ < bufferCount_ && GetNextRecord()) ++count;
    return count;
}

int TDataSet::GetPriorRecords()
{
    int count = 0;
    while (recordCount_ < bufferCount_ && GetPriorRecord()) ++count;
    return count;
}

void TDataSet::SetActiveRecordIndex(int index)
{
    if (index >= 0 && index < std::max(recordCount_, 1)) activeRecord_ = index;
}

// ---------------------------------------------------------------------------------------------
// Navigation

void TDataSet::First()
{
    CheckBrowseMode();
    DoBeforeScroll();
    ClearBuffers();
    try {
        InternalGoFirst();
        GetNextRecord();
        GetNextRecords();
    } catch (...) {
        bof_ = true;
        DataEvent(TDataEvent::deDataSetChange);
        throw;
    }
    bof_ = true;
    DataEvent(TDataEvent::deDataSetChange);
    DoAfterScroll();
}

void TDataSet::Last()
{
    CheckBrowseMode();
    DoBeforeScroll();
    ClearBuffers();
    try {
        InternalGoLast();
        GetPriorRecord();
        GetPriorRecords();
    } catch (...) {
        eof_ = true;
        DataEvent(TDataEvent::deDataSetChange);
        throw;
    }
    eof_ = true;
    DataEvent(TDataEvent::deDataSetChange);
    DoAfterScroll();
}

int TDataSet::MoveBy(int distance)
{
    CheckBrowseMode();
    int moved = 0;
    DoBeforeScroll();
    if ((distance > 0 && !eof_) || (distance < 0 && !bof_)) {
        bof_ = false;
        eof_ = false;
        const int previousRecordCount = recordCount_;
        int scrolled = 0;
        try {
            while (distance > 0) {
                if (activeRecord_ < recordCount_ - 1) {
                    ++activeRecord_;
                } else {
                    const int shift = recordCount_ < bufferCount_ ? 0 : 1;
                    if (!GetNextRecord()) {
                        eof_ = true;
                        break;
                    }
                    scrolled -= shift;
                    activeRecord_ = recordCount_ - 1;
                }
                --distance;
                ++moved;
            }
            while (distance < 0) {
                if (activeRecord_ > 0) {
                    --activeRecord_;
                } else {
                    const int shift = recordCount_ < bufferCount_ ? 0 : 1;
                    if (!GetPriorRecord()) {
                        bof_ = true;
                        break;
                    }
                    scrolled += shift;
                    activeRecord_ = 0;
                }
                ++distance;
                --moved;
            }
        } catch (...) {
            DataEvent(TDataEvent::deDataSetChange);
            throw;
        }
        if (recordCount_ != previousRecordCount) DataEvent(TDataEvent::deDataSetChange);
        else DataEvent(TDataEvent::deDataSetScroll, {nullptr, scrolled});
        DoAfterScroll();
    }
    return moved;
}

void TDataSet::Resync(TResyncMode mode)
{
    TRecordBuffer spare = buffers_[static_cast<size_t>(recordCount_)];
    if (mode.Contains(TResyncOption::rmExact)) {
        CursorPosChanged();
        if (FetchRecord(spare, TGetMode::gmCurrent, true) != TGetResult::grOK) DatabaseError(SRecordNotFound);
    } else if (FetchRecord(spare, TGetMode::gmCurrent, false) != TGetResult::grOK &&
               FetchRecord(spare, TGetMode::gmNext, false) != TGetResult::grOK &&
               FetchRecord(spare, TGetMode::gmPrior, false) != TGetResult::grOK) {
        ClearBuffers();
        DataEvent(TDataEvent::deDataSetChange);
        return;
    }
    int before = mode.Contains(TResyncOption::rmCenter) ? (bufferCount_ - 1) / 2 : activeRecord_;
    MoveBuffer(recordCount_, 0);
    ActivateBuffers();
    try {
        while (before > 0 && GetPriorRecord()) --before;
        GetNextRecords();
        GetPriorRecords();
    } catch (...) {
        DataEvent(TDataEvent::deDataSetChange);
        throw;
    }
    DataEvent(TDataEvent::deDataSetChange);
}

void TDataSet::Refresh()
{
    CheckBrowseMode();
    UpdateCursorPos();
    InternalReread();
    Resync({});
}

// ---------------------------------------------------------------------------------------------
// The edit cycle

void TDataSet::CheckBrowseMode()
{
    CheckActive();
    DataEvent(TDataEvent::deCheckBrowseMode);
    switch (state_) {
    case TDataSetState::dsEdit:
    case TDataSetState::dsInsert:
        UpdateRecord();
        if (modified_) Post();
        else Cancel();
        break;
    case TDataSetState::dsSetKey:
        Post();
        break;
    default:
        break;
    }
}

void TDataSet::UpdateRecord()
{
    if (!IsEditState(state_) && state_ != TDataSetState::dsSetKey) DatabaseError(SNotEditing);
    DataEvent(TDataEvent::deUpdateRecord);
}

void TDataSet::InitRecord(TRecordBuffer buffer)
{
    InternalBlankRecord(buffer);
    ClearCalcFields(buffer);
    WriteBookmarkFlag(buffer, TBookmarkFlag::bfInserted);
}

void TDataSet::GetCalcFields(TRecordBuffer buffer)
{
    if (calcFieldCount_ == 0 || !OnCalcFields) return;
    const TDataSetState previous = SetTempState(TDataSetState::dsCalcFields);
    TRecordBuffer previousBuffer = calcBuffer_;
    calcBuffer_ = buffer;
    try {
        ClearCalcFields(buffer);
        OnCalcFields(this);
    } catch (...) {
        calcBuffer_ = previousBuffer;
        RestoreState(previous);
        InternalReportException();
        return;
    }
    calcBuffer_ = previousBuffer;
    RestoreState(previous);
}

void TDataSet::BeginInsertAppend()
{
    CheckBrowseMode();
    CheckCanModify();
    if (BeforeInsert) BeforeInsert(this);
    DoBeforeScroll();
}

void TDataSet::EndInsertAppend()
{
    SetState(TDataSetState::dsInsert);
    try {
        if (OnNewRecord) OnNewRecord(this);
    } catch (...) {
        // The new record is dropped: back to browse on the record the cursor stands on.
        try {
            UpdateCursorPos();
            SetState(TDataSetState::dsBrowse);
            Resync({});
        } catch (...) {
            state_ = TDataSetState::dsBrowse;
        }
        throw;
    }
    modified_ = false;
    DataEvent(TDataEvent::deDataSetChange);
    if (AfterInsert) AfterInsert(this);
    DoAfterScroll();
}

void TDataSet::Insert()
{
    BeginInsertAppend();
    UpdateCursorPos();
    TBookmark before;
    const bool hadRecords = recordCount_ > 0;
    if (hadRecords && ReadBookmarkFlag(ActiveBuffer()) == TBookmarkFlag::bfCurrent) {
        before.resize(static_cast<size_t>(bookmarkSize_));
        ReadBookmark(ActiveBuffer(), before.data());
    }
    // The spare buffer becomes the new record in front of the active one.
    MoveBuffer(recordCount_, activeRecord_);
    TRecordBuffer buffer = ActiveBuffer();
    InitRecord(buffer);
    if (!hadRecords) WriteBookmarkFlag(buffer, TBookmarkFlag::bfBOF);
    else if (!before.empty()) WriteBookmark(buffer, before.data());
    if (recordCount_ < bufferCount_) ++recordCount_;
    CursorPosChanged();
    bof_ = false;
    eof_ = false;
    InternalInsert();
    EndInsertAppend();
}

void TDataSet::Append()
{
    BeginInsertAppend();
    ClearBuffers();
    TRecordBuffer buffer = buffers_[0];
    InitRecord(buffer);
    WriteBookmarkFlag(buffer, TBookmarkFlag::bfEOF);
    recordCount_ = 1;
    bof_ = false;
    eof_ = false;
    GetPriorRecords();
    InternalInsert();
    EndInsertAppend();
}

void TDataSet::Edit()
{
    if (IsEditState(state_)) return;
    if (recordCount_ == 0) {
        Insert();
        return;
    }
    CheckBrowseMode();
    CheckCanModify();
    if (BeforeEdit) BeforeEdit(this);
    UpdateCursorPos();
    InternalBeginEdit();
    GetCalcFields(ActiveBuffer());
    SetState(TDataSetState::dsEdit);
    DataEvent(TDataEvent::deRecordChange);
    if (AfterEdit) AfterEdit(this);
}

void TDataSet::CheckRequiredFields()
{
    for (TField* field : fields_) {
        if (field->Required() && !field->ReadOnly() && field->FieldKind() == TFieldKind::fkData && field->IsNull())
            DatabaseErrorFmt(SFieldRequired, {field->DisplayName()});
    }
}

void TDataSet::Post()
{
    UpdateRecord();
    if (!IsEditState(state_)) return;
    DataEvent(TDataEvent::deCheckBrowseMode);
    if (BeforePost) BeforePost(this);
    CheckRequiredFields();
    InternalPost();
    SetState(TDataSetState::dsBrowse);
    Resync({});
    if (AfterPost) AfterPost(this);
}

void TDataSet::Cancel()
{
    if (!IsEditState(state_)) return;
    DataEvent(TDataEvent::deCheckBrowseMode);
    if (BeforeCancel) BeforeCancel(this);
    UpdateCursorPos();
    InternalCancel();
    SetState(TDataSetState::dsBrowse);
    Resync({});
    if (AfterCancel) AfterCancel(this);
}

void TDataSet::Delete()
{
    CheckActive();
    if (state_ == TDataSetState::dsInsert || state_ == TDataSetState::dsSetKey) {
        Cancel();
        return;
    }
    if (recordCount_ == 0) DatabaseError(SDataSetEmpty);
    CheckCanModify();
    DataEvent(TDataEvent::deCheckBrowseMode);
    if (BeforeDelete) BeforeDelete(this);
    DoBeforeScroll();
    UpdateCursorPos();
    InternalDeleteRecord();
    SetState(TDataSetState::dsBrowse);
    Resync({});
    if (AfterDelete) AfterDelete(this);
    DoAfterScroll();
}

void TDataSet::ClearFields()
{
    if (!IsEditState(state_)) DatabaseError(SNotEditing);
    DataEvent(TDataEvent::deCheckBrowseMode);
    InternalBlankRecord(ActiveBuffer());
    ClearCalcFields(ActiveBuffer());
    GetCalcFields(ActiveBuffer());
    DataEvent(TDataEvent::deRecordChange);
}

// ---------------------------------------------------------------------------------------------
// Bookmarks and search

bool TDataSet::BookmarkAvailable() const
{
    return (state_ == TDataSetState::dsBrowse || IsEditState(state_)) && !IsEmpty() &&
           ReadBookmarkFlag(ActiveBuffer()) == TBookmarkFlag::bfCurrent;
}

TBookmark TDataSet::GetBookmark() const
{
    TBookmark bookmark;
    if (BookmarkAvailable()) {
        bookmark.resize(static_cast<size_t>(bookmarkSize_));
        ReadBookmark(ActiveBuffer(), bookmark.data());
    }
    return bookmark;
}

void TDataSet::GotoBookmark(const TBookmark& bookmark)
{
    if (bookmark.empty()) return;
    if (static_cast<int>(bookmark.size()) != bookmarkSize_) DatabaseError(SBookmarkInvalid);
    CheckBrowseMode();
    DoBeforeScroll();
    InternalGoBookmark(bookmark.data());
    Resync({TResyncOption::rmExact, TResyncOption::rmCenter});
    DoAfterScroll();
}

bool TDataSet::Locate(const std::string& keyFields, const Variant& keyValues, TLocateOptions options)
{
    CheckBrowseMode();
    return LocateAndPosition(keyFields, keyValues, options);
}

Variant TDataSet::Lookup(const std::string& keyFields, const Variant& keyValues, const std::string& resultFields)
{
    CheckActive();
    return FetchLookupValues(keyFields, keyValues, resultFields);
}

std::unique_ptr<TStream> TDataSet::OpenBlobStream(TField&, TBlobStreamMode) { return nullptr; }

void TDataSet::CommitBlobStream(TStream&) {}

int TDataSet::TranslateOem(const char* source, char* dest, bool)
{
    if (source == nullptr) return 0;
    const size_t length = std::strlen(source);
    if (source != dest) std::memmove(dest, source, length + 1);
    return static_cast<int>(length);
}

void TDataSet::TranslateOemInPlace(char*, size_t, bool) {}

bool TDataSet::PutFieldText(TField&, const char*, size_t, bool) { return false; }

TFieldTextFetch TDataSet::FetchFieldText(TField&, std::string&, bool) { return TFieldTextFetch::tfUnsupported; }
