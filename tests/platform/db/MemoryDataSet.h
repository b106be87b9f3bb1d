#pragma once
// A small in-memory dataset for the framework's tests and benchmark. It behaves like the table
// engine where the framework can tell: records keep their record number for life, deletion
// only marks a record (a deleted record is skipped and its current-record request fails),
// new records are always added at the end, and a filter is applied as records are fetched.
//
// Stored record: per field one "has value" byte and the native value. Record buffer: the
// stored record, the 32-bit record number, the bookmark flag byte, the calculated area.

#include "platform/db/DataSet.h"

#include <cstdint>
#include <string>
#include <vector>

struct MemoryFieldSpec {
    std::string name;
    TFieldType type;
    int size = 0;
    bool required = false;
};

class TMemoryDataSet : public TDataSet {
public:
    TMemoryDataSet(TComponent* owner, std::vector<MemoryFieldSpec> columns);
    ~TMemoryDataSet() override;
    const char* ClassName() const noexcept override { return "TMemoryDataSet"; }

    // Direct access to the storage, for filling a dataset without the edit cycle.
    int StoredCount() const noexcept { return storedCount_; }
    uint8_t* AddStoredRecord();
    void SetStoredInteger(int recNo, int fieldIndex, int32_t value);
    void SetStoredString(int recNo, int fieldIndex, const std::string& value);
    bool IsStoredDeleted(int recNo) const { return deleted_.at(static_cast<size_t>(recNo - 1)) != 0; }
    void Reserve(int records);

    // Fault injection and counters for tests.
    bool failNextPost = false;
    int fetchCalls = 0;
    bool readOnly = false;

protected:
    TRecordBuffer NewRecordBuffer() override;
    void DisposeRecordBuffer(TRecordBuffer& buffer) override;
    void ReadBookmark(TRecordBuffer buffer, void* data) const override;
    void WriteBookmark(TRecordBuffer buffer, const void* data) override;
    TBookmarkFlag ReadBookmarkFlag(TRecordBuffer buffer) const override;
    void WriteBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override;
    int GetBufferRecordSize() const override { return recordSize_; }
    TGetResult FetchRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;

    void InternalGoFirst() override { cursor_ = -1; }
    void InternalGoLast() override { cursor_ = storedCount_; }
    void InternalGoBookmark(const void* bookmark) override;
    void InternalGoBufferRecord(TRecordBuffer buffer) override;
    int GetRecordNumber() const override;
    void GoRecordNumber(int recNo) override;
    int CountRecords() const override { return storedCount_; }
    bool SearchAcceptedRecord(bool restart, bool goForward) override;

    void InternalBlankRecord(TRecordBuffer buffer) override;
    void InternalAddRecord(TRecordBuffer buffer, bool append) override;
    void InternalPost() override;
    void InternalDeleteRecord() override;
    bool GetCanModify() const override { return !readOnly; }
    void ClearCalcFields(TRecordBuffer buffer) override;

    void InternalOpen() override;
    void InternalCloseTable() override;
    void InternalInitFieldDefs() override;
    bool IsTableOpen() const override { return open_; }

    bool FetchFieldData(TField& field, void* buffer) override;
    void PutFieldData(TField& field, const void* buffer) override;
    std::unique_ptr<TStream> OpenBlobStream(TField& field, TBlobStreamMode mode) override;

    void SetFilterActive(bool value) override;
    bool IsBookmarkValid(const TBookmark& bookmark) override;
    int CompareBookmarkValues(const TBookmark& a, const TBookmark& b) override;

private:
    friend class MemoryBlobStream;
    static int NativeSize(const MemoryFieldSpec& column);
    TRecordBuffer RecordBufferForState() const;
    bool Accepted(int index);
    void CopyToBuffer(int index, TRecordBuffer buffer);
    int32_t BufferRecNo(TRecordBuffer buffer) const;
    void SetBufferRecNo(TRecordBuffer buffer, int32_t recNo) const;
    void StoreBlob(TField& field, const std::string& contents);
    void StoreRecord(int index, TRecordBuffer buffer);

    std::vector<MemoryFieldSpec> columns_;
    std::vector<int> offsets_;
    std::vector<int> sizes_;
    int recordSize_ = 0;
    std::vector<uint8_t> storage_;
    std::vector<uint8_t> deleted_;
    int storedCount_ = 0;
    std::vector<std::string> blobs_;
    int cursor_ = -1;
    bool open_ = false;
    bool searching_ = false;
    TRecordBuffer filterBuffer_ = nullptr;
};
