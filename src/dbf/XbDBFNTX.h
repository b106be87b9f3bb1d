#pragma once
// TXbDBFNTX: the table component placed on forms. It adds the index collections (`Indexes`,
// `DBFIndexDefs`), the key ranges handed to the index covering the fields, and the field
// definitions streamed as a collection in form descriptions.

#include "dbf/XbDBFDataSet.h"
#include "dbf/XbDBFIndexes.h"
#include "platform/classes/Collections.h"

#include <memory>
#include <string>

// One field definition as a form description stores it.
class TXbDBFFieldDefItem : public TCollectionItem {
public:
    explicit TXbDBFFieldDefItem(TCollection& collection) : TCollectionItem(collection) {}
    const char* ClassName() const noexcept override { return "TXbDBFFieldDefItem"; }

    std::string Name;
    std::string field_type = "C";  // one character
    TXbDBFType extend_type = TXbDBFType::dbftUndefined;
    int len = 0;
    int dec = 0;
    TFieldFlag FieldFlag;  // the descriptor's flag byte, streamed as FieldFlag.<name>
    int Tag = 0;
};

// The streamed form of a table's DBFFieldDefs: reading it refills the table's definitions at
// the end of the update; asking for it fills it from them.
class TXbDBFFieldDefsCollection : public TCollection {
public:
    explicit TXbDBFFieldDefsCollection(TXbDBFFieldDefs& target);
    const char* ClassName() const noexcept override { return "TXbDBFFieldDefsCollection"; }
    // Rebuilds the items from the definitions.
    void Refresh();

protected:
    void Update(TCollectionItem* item) override;

private:
    TXbDBFFieldDefs& target_;
    bool refreshing_ = false;
};

class TXbDBFNTX : public TXbSmartDBF {
public:
    explicit TXbDBFNTX(TComponent* owner);
    ~TXbDBFNTX() override;

    const char* ClassName() const noexcept override { return "TXbDBFNTX"; }

    TIndexes& Indexes() noexcept { return *indexes_; }
    void SetIndexes(const TIndexes& value) { indexes_->Assign(value); }
    TXbDBFIndexDefs& DBFIndexDefs() noexcept { return *indexDefs_; }
    void SetDBFIndexDefs(const TXbDBFIndexDefs& value) { indexDefs_->Assign(value); }
    // DBFFieldDefs as a form description reads and writes it.
    TXbDBFFieldDefsCollection& StreamedFieldDefs();

    TIndexes* IndexCollection() noexcept override { return indexes_.get(); }
    TXbDBFIndexDefs* IndexDefsCollection() noexcept override { return indexDefs_.get(); }

    // Raise "TXbSmartDBF: There is no suitable index!" unless an index covers every field.
    void SetKeyRangeEqual(const std::string& fieldNames, const Variant& values) override;
    void SetKeyRange(const std::string& fieldNames, const Variant& lowValues, const Variant& highValues) override;
    // Switches off the range of the active index.
    void CancelKeyRange() override;

private:
    TIndex& SuitableIndex(const std::string& fieldNames);

    std::unique_ptr<TIndexes> indexes_;
    std::unique_ptr<TXbDBFIndexDefs> indexDefs_;
    std::unique_ptr<TXbDBFFieldDefsCollection> streamedFieldDefs_;
};
