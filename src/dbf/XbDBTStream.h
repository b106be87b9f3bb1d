#pragma once
// The blob stream of a table's memo, blob and picture fields: a memory stream that the table
// fills from the memo file when the field is opened for reading, and that stores its contents
// back through the table when Commit is called after it was changed. Writing to it or setting
// its size marks it modified. Freeing it never writes: a stream that is let go without Commit
// leaves the memo file and the record as they were.

#include "platform/rtl/Streams.h"

class TXbSmartDBF;
class TField;

class TXbDBTStream : public TMemoryStream {
public:
    TXbDBTStream(TXbSmartDBF& table, TField& field);
    ~TXbDBTStream() override = default;
    const char* ClassName() const noexcept override { return "TXbDBTStream"; }

    int64_t Write(const void* buffer, int64_t count) override;
    void SetSize(int64_t size) override;

    bool Modified() const noexcept { return modified_; }
    void SetModified(bool value) noexcept { modified_ = value; }
    TXbSmartDBF& Table() const noexcept { return *table_; }
    TField& Field() const noexcept { return *field_; }

    // Stores the contents in the memo file and the new reference in the record buffer when
    // the stream is modified (an empty stream clears the field); raises, leaving the mark
    // set, when they cannot be stored.
    void Commit();

private:
    TXbSmartDBF* table_;
    TField* field_;
    bool modified_ = false;
};
