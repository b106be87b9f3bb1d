#pragma once
// The index collections of a table: `TIndexes` holds the open indexes (`TIndex` items) and
// `TXbDBFIndexDefs` the index files the table knows (bags). The table asks its indexes through
// the virtual operations below; the base versions do nothing (no index covers any field, no
// key is kept), so a table without an index engine runs every operation in record order.

#include "dbf/XbDBFPrx.h"
#include "platform/classes/Collections.h"
#include "platform/rtl/Variants.h"

#include <cstdint>
#include <string>
#include <vector>

class TIndexes;
class TXbSmartDBF;

class TIndex : public TCollectionItem {
public:
    explicit TIndex(TCollection& collection) : TCollectionItem(collection) {}
    const char* ClassName() const noexcept override { return "TIndex"; }
    void Assign(const TPersistent& source) override;

    const std::string& Name() const noexcept { return name_; }
    void SetName(const std::string& value) { name_ = value; }
    const std::string& BagName() const noexcept { return bagName_; }
    void SetBagName(const std::string& value) { bagName_ = value; }
    bool Active() const noexcept;
    // Activating makes this the collection's only active index; deactivating the active index
    // leaves the collection without one.
    virtual void SetActive(bool value);

    TIndexes* Indexes() const noexcept;

    // How many leading fields of the key expression are among `fieldNames`.
    virtual int CountKeyFields(const std::vector<std::string>& fieldNames) { return 0; }
    // Positions on the first key equal to `values` (one value or an array; a prefix when
    // partial); the record number found, or 0.
    virtual uint32_t SeekFieldValues(const Variant& values, bool partial) { return 0; }

    // Key range restricting the table to the keys between two bounds.
    virtual bool IsKeyRangeActive() { return false; }
    virtual void SetKeyRangeEqual(const Variant& values) {}
    virtual void SetKeyRange(const Variant& lowValues, const Variant& highValues) {}
    virtual void CancelKeyRange() {}

    // Rebuild while the table is packed: emptied first, then given every kept record image
    // with its new record number, then finished (also after a failure).
    virtual void BeginReindex() {}
    virtual void AddRecordKey(const uint8_t* record, uint32_t recNo) {}
    virtual void EndReindex() noexcept {}

    virtual bool IsOpen() const { return false; }
    virtual void CloseIndex() noexcept {}
    // Same name and same index file.
    virtual bool IsSameIndex(const TIndex& other) const { return name_ == other.name_; }

private:
    std::string name_;
    std::string bagName_;
};

class TIndexes : public TCollection {
public:
    // `table` owns the collection (may be null outside a table).
    explicit TIndexes(TXbSmartDBF* table, TCollectionItemClass itemClass = CollectionItemClassOf<TIndex>("TIndex"));
    const char* ClassName() const noexcept override { return "TIndexes"; }

    TXbSmartDBF* Table() const noexcept { return table_; }
    TIndex& IndexAt(int index) const { return *ItemsAs<TIndex>(index); }
    TIndex* ActiveIndex() const noexcept { return activeIndex_; }
    // Closes every open index.
    void CloseAll() noexcept;
    // Same count and every pair the same index.
    bool SameAs(const TIndexes& other) const;

    // The index whose key covers the most leading fields of the ";"-separated `keyFields`
    // (the first one on ties) and that count; null and 0 when there is no index.
    TIndex* BestIndexFor(const std::string& keyFields, int& coveredFields, int& fieldCount);

protected:
    void Notify(TCollectionItem* item, TCollectionNotification action) override;

private:
    friend class TIndex;
    TXbSmartDBF* table_;
    TIndex* activeIndex_ = nullptr;
};

// One index file of the table with its orders.
class TXbDBFIndexBag : public TCollectionItem {
public:
    explicit TXbDBFIndexBag(TCollection& collection);
    const char* ClassName() const noexcept override { return "TXbDBFIndexBag"; }
    void Assign(const TPersistent& source) override;

    const std::string& Name() const noexcept { return name_; }
    void SetName(const std::string& value) { name_ = value; }
    const std::string& IndexFileName() const noexcept { return indexFileName_; }
    void SetIndexFileName(const std::string& value);
    TProxyStreamType StorageType = TProxyStreamType::pstFile;

    virtual bool CreateBag() { return false; }
    virtual bool Open() { return false; }
    virtual bool IsOpen() const { return false; }
    virtual void CloseBag() noexcept {}

private:
    bool NameIsDefault() const;
    std::string name_;
    std::string indexFileName_;
};

class TXbDBFIndexDefs : public TCollection {
public:
    explicit TXbDBFIndexDefs(TXbSmartDBF* table,
                             TCollectionItemClass itemClass = CollectionItemClassOf<TXbDBFIndexBag>("TXbDBFIndexBag"));
    const char* ClassName() const noexcept override { return "TXbDBFIndexDefs"; }

    TXbSmartDBF* Table() const noexcept { return table_; }
    TXbDBFIndexBag& BagAt(int index) const { return *ItemsAs<TXbDBFIndexBag>(index); }
    // Two definition lists are the same only when both are empty.
    bool SameAs(const TXbDBFIndexDefs& other) const { return Count() == 0 && other.Count() == 0; }

private:
    TXbSmartDBF* table_;
};

// The names of a ";"-separated field list, trimmed; empty names are left out.
std::vector<std::string> SplitFieldNames(const std::string& keyFields);
