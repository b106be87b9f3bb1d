#pragma once
// TDataSet: the dataset framework. A dataset class (the table engine, or a test's in-memory
// dataset) supplies the records through the protected virtual operations below; the framework
// keeps a ring of record buffers for its data links, runs navigation, the edit cycle, bookmarks
// and filters, fires the Before/After events and tells its data sources about every change.
//
// What a dataset class provides:
//   - record buffers: NewRecordBuffer / DisposeRecordBuffer (layout of its own choosing, with room
//     for CalcFieldsSize() bytes of calculated fields), ReadBookmark / WriteBookmark (BookmarkSize()
//     bytes, set with SetBookmarkSize in InternalOpen), ReadBookmarkFlag / WriteBookmarkFlag,
//     GetBufferRecordSize;
//   - the cursor: FetchRecord (current / next / prior into a buffer), InternalGoFirst (before the
//     first record), InternalGoLast (after the last), InternalGoBookmark, InternalGoBufferRecord;
//     InternalOpen leaves the cursor before the first record;
//   - values: FetchFieldData / PutFieldData in the native formats of Fields.h, reading and
//     writing the buffer that State() selects (ActiveBuffer() in browse, edit and insert,
//     CalcBuffer() while calculating fields, its own buffer while filtering);
//     PutFieldData calls field.Validate(buffer) before writing and, unless the state is
//     dsCalcFields, dsFilter or dsNewValue, DataEvent(deFieldChange, field) after;
//   - writing: InternalBlankRecord, InternalAddRecord, InternalPost, InternalDeleteRecord and
//     optionally InternalBeginEdit, InternalInsert, InternalCancel;
//   - open and close: InternalOpen (calls FieldDefs().Update(), which calls InternalInitFieldDefs,
//     then CreateFields() when DefaultFields() and BindFields(true)), InternalCloseTable,
//     IsTableOpen.
// A dataset class whose operations hold resources calls Close() in its own destructor: the base
// destructor can no longer reach them.

#include "platform/classes/Components.h"
#include "platform/db/DBTypes.h"
#include "platform/db/FieldDefs.h"
#include "platform/db/Fields.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Variants.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TDataSource;
class TDataLink;

using TDataSetNotifyEvent = std::function<void(TDataSet* dataSet)>;
using TFilterRecordEvent = std::function<void(TDataSet* dataSet, bool& accept)>;

class TDataSet : public TComponent {
public:
    explicit TDataSet(TComponent* owner);
    ~TDataSet() override;
    const char* ClassName() const noexcept override { return "TDataSet"; }

    // Opening and closing.
    bool Active() const noexcept { return state_ != TDataSetState::dsInactive; }
    void SetActive(bool value) { SetTableActive(value); }
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    TDataSetState State() const noexcept { return state_; }
    bool Modified() const noexcept { return modified_; }
    bool CanModify() const { return GetCanModify(); }
    void CheckActive() const;    // "Cannot perform this operation on a closed dataset"
    void CheckInactive() const;  // "Cannot perform this operation on an open dataset"

    // Navigation.
    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    // Moves up to `distance` records (negative: backwards); returns the distance moved.
    int MoveBy(int distance);
    bool Eof() const noexcept { return eof_; }
    bool Bof() const noexcept { return bof_; }
    bool IsEmpty() const noexcept { return activeRecord_ >= recordCount_; }
    int RecNo() const { return GetRecordNumber(); }
    void SetRecNo(int value) { GoRecordNumber(value); }
    // Whether RecNo counts the records in the order the dataset shows them (false, for example,
    // while records come in the order of an index); scroll bars then show RecNo as a position.
    virtual bool IsSequenced() const { return true; }
    int RecordCount() const;
    // Moves to the first, next, prior or last record the current filter accepts (also when
    // Filtered is off); true when one was found.
    bool FindFirst() { return SearchAcceptedRecord(true, true); }
    bool FindNext() { return SearchAcceptedRecord(false, true); }
    bool FindPrior() { return SearchAcceptedRecord(false, false); }
    bool FindLast() { return SearchAcceptedRecord(true, false); }

    // The edit cycle.
    void Append();
    void Insert();
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    // Posts a modified record and cancels an unmodified one; nothing in browse state.
    void CheckBrowseMode();
    // Asks the data links to write their pending edits into the record.
    void UpdateRecord();
    void Refresh();
    void Resync(TResyncMode mode);
    void ClearFields();

    // Bookmarks.
    TBookmark GetBookmark() const;
    void GotoBookmark(const TBookmark& bookmark);
    void FreeBookmark(TBookmark& bookmark) const { bookmark.clear(); }
    TBookmark Bookmark() const { return GetBookmark(); }
    void SetBookmark(const TBookmark& bookmark) { GotoBookmark(bookmark); }
    bool BookmarkAvailable() const;
    bool BookmarkValid(const TBookmark& bookmark) { return IsBookmarkValid(bookmark); }
    int CompareBookmarks(const TBookmark& a, const TBookmark& b) { return CompareBookmarkValues(a, b); }

    // Search. KeyFields are names separated by ";", KeyValues one value or an array of values.
    bool Locate(const std::string& keyFields, const Variant& keyValues, TLocateOptions options);
    Variant Lookup(const std::string& keyFields, const Variant& keyValues, const std::string& resultFields);

    // Filtering.
    const std::string& Filter() const noexcept { return filterText_; }
    void SetFilter(const std::string& text) { SetFilterText(text); }
    bool Filtered() const noexcept { return filtered_; }
    void SetFiltered(bool value) { SetFilterActive(value); }
    TFilterOptions FilterOptions() const noexcept { return filterOptions_; }
    void SetFilterOptions(TFilterOptions options) { SetFilterOptionsValue(options); }
    TFilterRecordEvent OnFilterRecord;

    // Data-aware controls.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const noexcept { return disableCount_ != 0; }
    // Sends `event` to the data sources (held back while controls are disabled); a field change
    // also marks the record modified and fires the field's OnChange.
    virtual void DataEvent(TDataEvent event, TDataEventInfo info = {})
    {
        // Every cursor step sends two events; without data sources there is no one to tell.
        if (dataSources_.empty() && disableCount_ == 0 && event != TDataEvent::deFieldChange &&
            event != TDataEvent::dePropertyChange)
            return;
        DeliverDataEvent(event, info);
    }

    // Fields.
    TFieldDefs& FieldDefs() noexcept { return fieldDefs_; }
    const TFieldDefs& FieldDefs() const noexcept { return fieldDefs_; }
    TFields& Fields() noexcept { return fields_; }
    const TFields& Fields() const noexcept { return fields_; }
    int FieldCount() const noexcept { return fields_.Count(); }
    TField* FieldByName(const std::string& name) const { return fields_.FieldByName(name); }
    TField* FindField(const std::string& name) const { return fields_.FindField(name); }
    // True while the fields were created from the field definitions at open.
    bool DefaultFields() const noexcept { return defaultFields_; }
    void GetFieldNames(TStrings& list) const;
    // The buffer of the current record (null when the ring is empty).
    TRecordBuffer ActiveBuffer() const noexcept
    {
        return buffers_.empty() ? nullptr : buffers_[static_cast<size_t>(activeRecord_)];
    }
    // The buffer of the current record, null when there is none (an empty ring, or no record).
    TRecordBuffer CurrentRecordBuffer() const noexcept
    {
        // A record in the ring means a buffer for it: recordCount_ <= bufferCount_ < buffers_.size().
        return activeRecord_ < recordCount_ ? buffers_[static_cast<size_t>(activeRecord_)] : nullptr;
    }
    // The buffer whose calculated fields are being computed.
    TRecordBuffer CalcBuffer() const noexcept { return calcBuffer_; }
    int CalcFieldsSize() const noexcept { return calcFieldsSize_; }
    int BookmarkSize() const noexcept { return bookmarkSize_; }

    // Events.
    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    TDataSetNotifyEvent OnNewRecord, OnCalcFields;

    // A stream over the contents of a blob field; the base has none (null).
    virtual std::unique_ptr<TStream> OpenBlobStream(TField& field, TBlobStreamMode mode);
    // Stores what was written to a stream from OpenBlobStream in write mode; raises when the
    // contents cannot be stored. Freeing a stream never stores anything, so a writer calls
    // this before letting the stream go. The base has nothing to store.
    virtual void CommitBlobStream(TStream& stream);
    // Translates a NUL-terminated text to or from the dataset's stored code page; returns its
    // length. The base copies.
    virtual int TranslateOem(const char* source, char* dest, bool toOem);
    // The same for a text of known length translated where it is; the base leaves it.
    virtual void TranslateOemInPlace(char* text, size_t length, bool toOem);

    // Temporary state switch for a dataset class that evaluates a buffer in another state
    // (dsFilter, dsCalcFields, ...); no data event is sent. Returns the previous state.
    TDataSetState SetTempState(TDataSetState state);
    void RestoreState(TDataSetState state);

    // The record buffers as the data links see them.
    int BufferCount() const noexcept { return bufferCount_; }
    int BufferRecordCount() const noexcept { return recordCount_; }
    int ActiveRecordIndex() const noexcept { return activeRecord_; }

protected:
    // Record buffers.
    virtual TRecordBuffer NewRecordBuffer() = 0;
    virtual void DisposeRecordBuffer(TRecordBuffer& buffer) = 0;
    virtual void ReadBookmark(TRecordBuffer buffer, void* data) const = 0;
    virtual void WriteBookmark(TRecordBuffer buffer, const void* data) = 0;
    virtual TBookmarkFlag ReadBookmarkFlag(TRecordBuffer buffer) const = 0;
    virtual void WriteBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) = 0;
    virtual int GetBufferRecordSize() const = 0;
    virtual TGetResult FetchRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) = 0;

    // The cursor.
    virtual void InternalGoFirst() = 0;
    virtual void InternalGoLast() = 0;
    virtual void InternalGoBookmark(const void* bookmark) = 0;
    virtual void InternalGoBufferRecord(TRecordBuffer buffer) = 0;
    // Re-reads whatever the dataset class caches (the framework's refresh).
    virtual void InternalReread() {}
    virtual int GetRecordNumber() const { return -1; }
    virtual void GoRecordNumber(int recNo) {}
    virtual int CountRecords() const { return -1; }
    virtual bool SearchAcceptedRecord(bool restart, bool goForward) { return false; }

    // Writing.
    virtual void InternalBlankRecord(TRecordBuffer buffer) = 0;
    virtual void InternalAddRecord(TRecordBuffer buffer, bool append) = 0;
    virtual void InternalPost() = 0;
    virtual void InternalDeleteRecord() = 0;
    virtual void InternalBeginEdit() {}
    virtual void InternalInsert() {}
    virtual void InternalCancel() {}
    virtual bool GetCanModify() const { return true; }

    // Open and close.
    virtual void InternalOpen() = 0;
    virtual void InternalCloseTable() = 0;
    virtual void InternalInitFieldDefs() = 0;
    virtual bool IsTableOpen() const = 0;
    // Opens or closes; called by SetActive.
    virtual void SetTableActive(bool value);
    virtual void NotifyAfterOpen();
    virtual void NotifyBeforeClose();
    // Called inside a catch block when an OnCalcFields handler raised; the default passes the
    // exception on, a dataset class may hand it to the application's error display instead.
    virtual void InternalReportException() { throw; }
    void Loaded() override;
    // Runs after the form description that holds the dataset was read: opens it when Active
    // was read as true.
    virtual void AfterFormLoad();

    // Field values and blobs.
    virtual bool FetchFieldData(TField& field, void* buffer) = 0;
    // Reads a string field's text straight into `value` (translated from the stored code page
    // when `translate`), giving the same text as FetchFieldData followed by TranslateOem. The
    // base has no such path: tfUnsupported sends the field through FetchFieldData.
    virtual TFieldTextFetch FetchFieldText(TField& field, std::string& value, bool translate);
    virtual void PutFieldData(TField& field, const void* buffer) = 0;
    // Writes a string field's text of `length` bytes (no NUL among them; translated to the
    // stored code page when `translate`) straight from the caller's bytes, with the same result
    // and events as PutFieldData of the NUL-terminated text. False, with nothing done, when
    // the dataset has no such path for the field in its present state: the caller then goes
    // through PutFieldData. The base has none.
    virtual bool PutFieldText(TField& field, const char* text, size_t length, bool translate);

    // Filters.
    virtual void SetFilterActive(bool value) { filtered_ = value; }
    virtual void SetFilterText(const std::string& text) { filterText_ = text; }
    virtual void SetFilterOptionsValue(TFilterOptions options) { filterOptions_ = options; }

    // Bookmarks and search.
    virtual bool IsBookmarkValid(const TBookmark& bookmark) { return false; }
    virtual int CompareBookmarkValues(const TBookmark& a, const TBookmark& b) { return 0; }
    virtual bool LocateAndPosition(const std::string& keyFields, const Variant& keyValues, TLocateOptions options)
    {
        return false;
    }
    virtual Variant FetchLookupValues(const std::string& keyFields, const Variant& keyValues,
                                      const std::string& resultFields)
    {
        return Variant();
    }
    virtual TDataSource* GetMasterDataSource() const { return nullptr; }

    // Helpers for dataset classes.
    void SetBookmarkSize(int size) { bookmarkSize_ = size; }
    // Creates the default fields from the field definitions.
    void CreateFields();
    // Binds (or unbinds) the fields to their definitions and lays out the calculated area.
    void BindFields(bool binding);
    // Blanks a new record: InternalBlankRecord, cleared calculated fields, flag bfInserted.
    void InitRecord(TRecordBuffer buffer);
    // Computes the calculated fields of `buffer` (OnCalcFields in dsCalcFields state).
    void GetCalcFields(TRecordBuffer buffer);
    // Blanks the calculated area of `buffer`; the layout is the dataset class's.
    virtual void ClearCalcFields(TRecordBuffer buffer) {}
    // Frees the default fields (fields owned by the dataset) when they were created at open.
    void DestroyFields();
    void SetModified(bool value) { modified_ = value; }
    void SetState(TDataSetState state);
    // The cursor no longer stands on the record of any buffer.
    void CursorPosChanged() noexcept { currentRecord_ = -1; }
    // Moves the cursor to the record of the active buffer.
    void UpdateCursorPos();
    void DoBeforeScroll() { if (BeforeScroll) BeforeScroll(this); }
    void DoAfterScroll() { if (AfterScroll) AfterScroll(this); }
    void CheckRequiredFields();

private:
    friend class TField;
    friend class TFields;
    friend class TFieldDefs;
    friend class TFieldDef;
    friend class TDataSource;
    friend class TDataLink;

    // DataEvent's work: the field change and property change effects, then the data sources
    // (or the held-back event while controls are disabled).
    void DeliverDataEvent(TDataEvent event, TDataEventInfo info);
    void OpenCursor();
    void CloseCursor();
    void SetBufferCount(int count);
    void UpdateBufferCount();
    void FreeBuffers();
    void ClearBuffers() noexcept;
    void ActivateBuffers() noexcept;
    void MoveBuffer(int from, int to) noexcept;
    void MoveBufferFar(int from, int to) noexcept;
    void SetCurrentRecord(int index);
    // SetCurrentRecord when the cursor stands elsewhere.
    void MoveCursorTo(int index);
    bool GetNextRecord();
    bool GetPriorRecord();
    int GetNextRecords();
    int GetPriorRecords();
    void BeginInsertAppend();
    void EndInsertAppend();
    void CheckCanModify() const;
    void AddDataSource(TDataSource* source);
    void RemoveDataSource(TDataSource* source);
    void SetActiveRecordIndex(int index);

    TDataSetState state_ = TDataSetState::dsInactive;
    TFieldDefs fieldDefs_;
    TFields fields_;
    std::vector<TRecordBuffer> buffers_;  // bufferCount_ + 1 buffers; the last one is spare
    int bufferCount_ = 0;
    int recordCount_ = 0;
    int activeRecord_ = 0;
    int currentRecord_ = -1;
    bool bof_ = true;
    bool eof_ = true;
    bool modified_ = false;
    bool defaultFields_ = false;
    bool filtered_ = false;
    bool streamedActive_ = false;
    int bookmarkSize_ = 0;
    int calcFieldsSize_ = 0;
    int calcFieldCount_ = 0;
    TRecordBuffer calcBuffer_ = nullptr;
    std::string filterText_;
    TFilterOptions filterOptions_;
    int disableCount_ = 0;
    TDataSetState disableState_ = TDataSetState::dsInactive;
    bool eventHeldBack_ = false;
    TDataEvent enableEvent_ = TDataEvent::deDataSetChange;
    std::vector<TDataSource*> dataSources_;
};

// A scan reads every field of every record: the common case of a field read is one check and
// the dataset's virtual read.
inline bool TField::GetData(void* buffer) const
{
    if (dataSet_ == nullptr) [[unlikely]]
        DataSetMissingError();
    if (validating_) [[unlikely]]
        return ValidatingData(buffer);
    return dataSet_->FetchFieldData(const_cast<TField&>(*this), buffer);
}

inline TFieldTextFetch TField::FetchText(std::string& value, bool translate) const
{
    if (dataSet_ == nullptr || validating_) [[unlikely]]
        return TFieldTextFetch::tfUnsupported;
    return dataSet_->FetchFieldText(const_cast<TField&>(*this), value, translate);
}
