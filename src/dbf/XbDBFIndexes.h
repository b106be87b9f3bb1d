#pragma once
// The index collections of a table: `TIndexes` holds the open indexes (`TIndex` items) and
// `TXbDBFIndexDefs` the index files the table knows (bags, each with its orders). The table asks
// its indexes through the virtual operations of `TIndex`; the base versions do nothing (no key
// is kept, navigation reports no position, searches find nothing), so a table without an index
// engine runs every operation in record order. The index engine (dbf/index) derives the NTX
// classes from these and installs them as the item classes of the table component's collections
// (XbIndexItemClasses).

#include "dbf/XbDBFCollation.h"
#include "dbf/XbDBFPrx.h"
#include "platform/classes/Collections.h"
#include "platform/rtl/Variants.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TIndex;
class TIndexes;
class TXbSmartDBF;
class TXbDBFIndexBag;
class TXbDBFOrder;
class TXbDBFCrypt;

enum class TXbLimitBuffersType { lbtAuto, lbtLimited, lbtUnlimited };
enum class TCLIPPER_VERSION { v500, v501, v520, v530 };

// What a navigation of an index reports; on anything but nrPositioned the position is unchanged.
enum class TXbIndexNavigation { nrPositioned = 0, nrBeforeFirst = 1, nrAfterLast = 2, nrEmptyPage = 3 };

// Where a read-ahead fill began and ended in the index order: the marks (PositionMark) of its
// first and its last item in key order.
struct TXbIndexFillEnds {
    std::string First;
    std::string Last;
};

// Handlers that replace key evaluation, the FOR condition and key comparison.
using TXbEvaluateKeyEvent = std::function<void(TIndex* sender, std::string& key)>;
using TXbEvaluateForEvent = std::function<void(TIndex* sender, bool& accepted)>;
using TXbCompareKeysEvent =
    std::function<void(TIndex* sender, const char* key1, const char* key2, int length, int& result)>;
// Supplies the key size, decimals, key expression and FOR expression of a new index header.
using TXbCreateIndexEvent = std::function<void(TIndex* sender, int& keySize, int& decimals,
                                               std::string& keyExpression, std::string& forExpression)>;
// Called by ScanKeys for every key in the range; setting result to 1 stops the walk.
using TXbSubIndexEvent = std::function<void(TIndex* sender, const std::string& key, uint32_t recNo, int& result)>;

// Sizing of an index's page cache.
class TXbLimitIndexPages : public TPersistent {
public:
    const char* ClassName() const noexcept override { return "TXbLimitIndexPages"; }
    void Assign(const TPersistent& source) override;

    TXbLimitBuffersType LimitPagesType = TXbLimitBuffersType::lbtAuto;
    int LimitBuffers = 0;
    // Kept within 1..510 by the cache.
    int PagesPerBuffer = 4;
};

// Settings of the external sorters an index build uses.
class TXbOuterSorterProperties : public TPersistent {
public:
    const char* ClassName() const noexcept override { return "TXbOuterSorterProperties"; }
    void Assign(const TPersistent& source) override;

    int BufferSize = 65536;
    int SortItemPerInnerSorter = -32;
    // Empty: the system's temporary folder.
    std::string TmpPath;
};

class TIndex : public TCollectionItem {
public:
    explicit TIndex(TCollection& collection);
    ~TIndex() override;
    const char* ClassName() const noexcept override { return "TIndex"; }
    // Copies the Name.
    void Assign(const TPersistent& source) override;

    const std::string& Name() const noexcept { return name_; }
    void SetName(const std::string& value) { name_ = value; }
    const std::string& BagName() const noexcept { return bagName_; }
    void SetBagName(const std::string& value) { bagName_ = value; }
    bool Active() const noexcept;
    // Activating deactivates every other index of the collection, makes this one the active
    // index and, on an open table, moves the table to the current record's place in the new order
    // (the nearest following key, or the first record). Deactivating the active index puts an
    // open table back into record order at the same record.
    void SetActive(bool value);

    TIndexes* Indexes() const noexcept;
    // The table of the collection; null outside a table.
    TXbSmartDBF* Table() const noexcept;

    TXbCollation& Collation() noexcept { return *collation_; }
    void SetCollation(const TXbCollation& value) { collation_->Assign(value); }
    TXbLimitIndexPages& LimitPages() noexcept { return *limitPages_; }
    void SetLimitPages(const TXbLimitIndexPages& value) { limitPages_->Assign(value); }
    TXbOuterSorterProperties& OuterSorterProperties() noexcept { return *outerSorterProperties_; }
    void SetOuterSorterProperties(const TXbOuterSorterProperties& value) { outerSorterProperties_->Assign(value); }
    // The weights of the collation in force since the last SetCollationType (null: keys compare
    // as bytes).
    const uint8_t* CollationWeights() const noexcept { return weightsInUse_; }

    // ---- the operations a table asks of an index (base versions: nothing)
    virtual bool IsKeyRangeActive() { return false; }
    virtual TXbIndexNavigation First() { return TXbIndexNavigation::nrEmptyPage; }
    virtual TXbIndexNavigation Next() { return TXbIndexNavigation::nrEmptyPage; }
    virtual TXbIndexNavigation Prior() { return TXbIndexNavigation::nrEmptyPage; }
    virtual TXbIndexNavigation Last() { return TXbIndexNavigation::nrEmptyPage; }
    virtual std::string GetCurrentKey() { return {}; }
    virtual uint32_t GetCurrentRecNo() { return 0; }
    // An opaque mark of the current position, and the way back to it; a walk from a mark goes
    // on from that place in the key order even when the record there changed meanwhile.
    virtual std::string PositionMark() { return {}; }
    virtual void GoToMark(const std::string& mark) {}
    virtual bool IsSameIndex(const TIndex& other) const { return name_ == other.name_; }
    // The bag and the order the index is bound to (none in the base).
    virtual TXbDBFIndexBag* IndexBag() const noexcept { return nullptr; }
    virtual TXbDBFOrder* IndexOrder() const noexcept { return nullptr; }

    virtual bool Open() { return false; }
    virtual void CloseIndex() noexcept {}
    virtual bool IsOpen() const { return false; }

    // The position becomes the given record (its key evaluated from the table's current record,
    // or the record read from the file) or the given key and record number.
    virtual void SyncWithRecord() {}
    virtual void SyncWithKey(const std::string& key, uint32_t recNo) {}
    virtual void SyncWithRecNo(uint32_t recNo) {}

    // Searches: the record number found (accepted by the table), or 0.
    virtual bool FindKey(const std::string& key, bool soft) { return false; }
    virtual bool FindKeyPartial(const std::string& key, bool soft, bool partial) { return false; }
    virtual uint32_t SeekKeyRecNo(const std::string& key, bool partial, bool soft) { return 0; }
    virtual uint32_t SeekKey(const std::string& key, bool partial, uint32_t recNo, bool soft) { return 0; }
    // The key is built from values of the named fields (one value or an array).
    virtual uint32_t SeekFieldValue(const std::string& fieldNames, const Variant& value, bool soft, bool partial)
    {
        return 0;
    }
    virtual uint32_t SeekFieldValues(const std::string& fieldNames, const Variant& values, bool partial, bool soft)
    {
        return 0;
    }
    virtual uint32_t SeekCurrentKey(bool partial, bool soft) { return 0; }
    virtual void ScanKeys(const std::string& lo, const std::string& hi) {}

    // Key-order read-ahead: the record numbers of up to `capacity` items. The forward fills write
    // numbers[0..n-1] in key order, from the first item (FillFirstBuffer) or from the item after
    // the current position (FillNextBuffer); the backward fills write numbers[capacity-n ..
    // capacity-1] in key order, ending with the last item (FillLastBuffer) or with the item
    // before the current position (FillPriorBuffer). The position ends on the last item taken;
    // `ends` receives the marks of the first and the last item in key order.
    virtual int FillFirstBuffer(uint32_t* numbers, int capacity, TXbIndexFillEnds* ends = nullptr) { return 0; }
    virtual int FillLastBuffer(uint32_t* numbers, int capacity, TXbIndexFillEnds* ends = nullptr) { return 0; }
    virtual int FillNextBuffer(uint32_t* numbers, int capacity, TXbIndexFillEnds* ends = nullptr) { return 0; }
    virtual int FillPriorBuffer(uint32_t* numbers, int capacity, TXbIndexFillEnds* ends = nullptr) { return 0; }

    virtual std::string EvaluateKey() { return {}; }
    // How many leading fields of the key expression are among `fieldNames`.
    virtual int CountKeyFields(const std::vector<std::string>& fieldNames) { return 0; }
    virtual bool EvaluateFor() { return false; }

    // Direction 1 forwards (First when recNo is -1), 2 backwards (Last when recNo is the table's
    // record count); recNo becomes the current record number, -1 before the first and the record
    // count after the last.
    virtual TXbIndexNavigation Step(int direction, int32_t& recNo) { return TXbIndexNavigation::nrEmptyPage; }
    virtual TXbIndexNavigation FirstRecNo(int32_t& recNo) { return TXbIndexNavigation::nrEmptyPage; }
    virtual TXbIndexNavigation LastRecNo(int32_t& recNo) { return TXbIndexNavigation::nrEmptyPage; }
    // Navigate, then move the table to the record.
    virtual bool GoFirst() { return false; }
    virtual bool GoNext() { return false; }
    virtual bool GoPrior() { return false; }
    virtual bool GoLast() { return false; }
    virtual bool LastKey(std::string& key, int32_t& recNo)
    {
        recNo = -1;
        return false;
    }

    // Key range restricting the table to the keys between two bounds built from field values.
    virtual void SetKeyRangeEqual(const std::string& fieldNames, const Variant& values) {}
    virtual void SetKeyRange(const std::string& fieldNames, const Variant& lowValues, const Variant& highValues) {}
    virtual void CancelKeyRange() {}
    virtual bool KeyInRange(const std::string& key) { return true; }
    // The current record of the table lies in the active range.
    virtual bool InKeyRange() { return true; }

    virtual bool LockIndex() { return true; }
    virtual void UnlockIndex() {}
    virtual void StartIndexUpdate(bool releaseLock) {}
    virtual void FinishIndexUpdate() {}
    // Key changes (key in display form); whether the index changed.
    virtual bool AddKey(const std::string& key, uint32_t recNo) { return false; }
    virtual bool RemoveKey(const std::string& key, uint32_t recNo) { return false; }
    virtual void EmptyIndex() {}
    // Called inside an update before the table writes the record whose keys follow: the file
    // is marked as being changed until the update ends, so that a writer stopped in between
    // leaves an index that reports itself damaged rather than one that lacks the key.
    virtual void BeginIndexChange() {}
    // Ends an update that failed half-way: nothing more is written, the file keeps its mark.
    virtual void AbandonIndexUpdate() noexcept {}
    // Re-enciphers the index file for the table's next cipher; false when it could not be done.
    virtual bool ChangeCipher(TXbDBFCrypt& newCipher) { return false; }

    // Rebuild for a pack. The index of the packed table (`records` records in `packedTable`,
    // enciphered under their new numbers) is built into a new file beside the index file; the
    // old file stays as it was.
    virtual void PrepareRebuild(TProxyStream& packedTable, uint32_t records) {}
    // The packed table is about to take the old one's place: the old file is marked as being
    // changed, so that an interruption before CommitRebuild leaves an index that reports
    // itself damaged rather than one holding the old record numbers.
    virtual void MarkRebuild() {}
    // The new file takes the old one's place and is opened.
    virtual void CommitRebuild() {}
    // Removes the new file. The mark is taken back, unless the packed table has replaced the
    // old one (`tableReplaced`): then the index stays damaged until it is rebuilt.
    virtual void DiscardRebuild(bool tableReplaced) noexcept {}

    virtual bool IsUnique() { return false; }
    virtual bool HasForExpression() { return false; }

protected:
    // Builds the weights of the Collation for keys that compare from now on; refused while the
    // index is open unless called from inside its open or a build (`internal`).
    void SetCollationType(bool internal);

private:
    std::string name_;
    std::string bagName_;
    std::unique_ptr<TXbCollation> collation_;
    std::unique_ptr<TXbLimitIndexPages> limitPages_;
    std::unique_ptr<TXbOuterSorterProperties> outerSorterProperties_;
    TXbCollationWeights customWeights_{};
    const uint8_t* weightsInUse_ = nullptr;
};

class TIndexes : public TCollection {
public:
    // `table` owns the collection (may be null outside a table).
    explicit TIndexes(TXbSmartDBF* table, TCollectionItemClass itemClass = CollectionItemClassOf<TIndex>("TIndex"));
    // The items go while the collection is still whole: they ask it for their table.
    ~TIndexes() override { Clear(); }
    const char* ClassName() const noexcept override { return "TIndexes"; }

    TXbSmartDBF* Table() const noexcept { return table_; }
    TIndex& IndexAt(int index) const { return *ItemsAs<TIndex>(index); }
    TIndex* ActiveIndex() const noexcept { return activeIndex_; }
    // The index format of the item class: 1 NTX, 2 NDX, 3 MDX, 5 CDX, 0 any other.
    int FormatCode() const noexcept { return formatCode_; }
    // Closes indexes until none is open (closing one may remove it from the collection).
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
    int formatCode_ = 0;
};

// One key definition of an index file.
class TXbDBFOrder : public TCollectionItem {
public:
    explicit TXbDBFOrder(TCollection& collection);
    // Closes and removes from the table's Indexes an index bound to this order.
    ~TXbDBFOrder() override;
    const char* ClassName() const noexcept override { return "TXbDBFOrder"; }
    void Assign(const TPersistent& source) override;

    std::string Name;
    std::string KeyExpresion;
    std::string ForExpresion;
    bool KeyTranslate = true;
    bool Unique = false;
    bool Desc = false;
    bool Temp = false;
    TCLIPPER_VERSION ClipperVer = TCLIPPER_VERSION::v500;
    TXbLimitIndexPages& LimitPages() noexcept { return *limitPages_; }
    void SetLimitPages(const TXbLimitIndexPages& value) { limitPages_->Assign(value); }
    TXbOuterSorterProperties& OuterSorterProperties() noexcept { return *outerSorterProperties_; }
    void SetOuterSorterProperties(const TXbOuterSorterProperties& value) { outerSorterProperties_->Assign(value); }
    TXbCollation& Collation() noexcept { return *collation_; }
    void SetCollation(const TXbCollation& value) { collation_->Assign(value); }
    TXbEvaluateKeyEvent OnEvaluteKey;
    TXbEvaluateForEvent OnEvaluteFor;
    TXbCompareKeysEvent OnCompareKeys;
    TXbCreateIndexEvent OnCreateIndex;

    // The bag the order belongs to.
    TXbDBFIndexBag* Bag() const noexcept;
    // Creates the order's index file (base: nothing).
    virtual void CreateOrderFile() {}

private:
    std::unique_ptr<TXbLimitIndexPages> limitPages_;
    std::unique_ptr<TXbOuterSorterProperties> outerSorterProperties_;
    std::unique_ptr<TXbCollation> collation_;
};

class TXbDBFOrders : public TCollection {
public:
    TXbDBFOrders(TXbDBFIndexBag* bag, TCollectionItemClass itemClass);
    ~TXbDBFOrders() override { Clear(); }
    const char* ClassName() const noexcept override { return "TXbDBFOrders"; }

    TXbDBFIndexBag* Bag() const noexcept { return bag_; }
    TXbSmartDBF* Table() const noexcept;
    TXbDBFOrder& OrderAt(int index) const { return *ItemsAs<TXbDBFOrder>(index); }
    // Two order lists are the same only when both are empty.
    bool SameAs(const TXbDBFOrders& other) const { return Count() == 0 && other.Count() == 0; }

private:
    TXbDBFIndexBag* bag_;
};

// One index file of the table with its orders.
class TXbDBFIndexBag : public TCollectionItem {
public:
    explicit TXbDBFIndexBag(TCollection& collection);
    ~TXbDBFIndexBag() override;
    const char* ClassName() const noexcept override { return "TXbDBFIndexBag"; }
    void Assign(const TPersistent& source) override;

    const std::string& Name() const noexcept { return name_; }
    void SetName(const std::string& value) { name_ = value; }
    const std::string& IndexFileName() const noexcept { return indexFileName_; }
    // While Name keeps its default form it follows the file name (without folder and extension).
    void SetIndexFileName(const std::string& value);
    TProxyStreamType StorageType = TProxyStreamType::pstFile;
    // The stream of pstOuterStream (kept by its owner).
    TStream* OuterStream = nullptr;
    TXbDBFOrders& Orders() noexcept { return *orders_; }
    void SetOrders(const TXbDBFOrders& value) { orders_->Assign(value); }
    TProxyStream& Stream() noexcept { return *stream_; }
    const TProxyStream& Stream() const noexcept { return *stream_; }
    // The table of the collection; null outside a table.
    TXbSmartDBF* Table() const noexcept;
    // The Name, or the file name without folder and extension when the Name is empty.
    std::string EffectiveName() const;

    virtual bool CreateBag() { return false; }
    virtual bool Open() { return false; }
    virtual bool IsOpen() const { return false; }
    virtual void CloseBag() noexcept {}

protected:
    // The orders are made of the class the bag's format asks for.
    void SetOrderClass(TCollectionItemClass orderClass);

private:
    bool NameIsDefault() const;
    std::string name_;
    std::string indexFileName_;
    std::unique_ptr<TXbDBFOrders> orders_;
    std::unique_ptr<TProxyStream> stream_;
};

class TXbDBFIndexDefs : public TCollection {
public:
    explicit TXbDBFIndexDefs(TXbSmartDBF* table,
                             TCollectionItemClass itemClass = CollectionItemClassOf<TXbDBFIndexBag>("TXbDBFIndexBag"));
    ~TXbDBFIndexDefs() override { Clear(); }
    const char* ClassName() const noexcept override { return "TXbDBFIndexDefs"; }

    TXbSmartDBF* Table() const noexcept { return table_; }
    TXbDBFIndexBag& BagAt(int index) const { return *ItemsAs<TXbDBFIndexBag>(index); }
    // The index format of the item class: 1 NTX, 2 NDX, 3 MDX, 5 CDX, 0 any other.
    int FormatCode() const noexcept { return formatCode_; }
    // Two definition lists are the same only when both are empty.
    bool SameAs(const TXbDBFIndexDefs& other) const { return Count() == 0 && other.Count() == 0; }

private:
    TXbSmartDBF* table_;
    int formatCode_ = 0;
};

// The item classes the table component makes its `Indexes` and `DBFIndexDefs` of. They are the
// base classes until the index engine installs its own (RegisterDBFIndexClasses).
struct TXbIndexItemClasses {
    TCollectionItemClass Index = CollectionItemClassOf<TIndex>("TIndex");
    TCollectionItemClass Bag = CollectionItemClassOf<TXbDBFIndexBag>("TXbDBFIndexBag");
};
TXbIndexItemClasses& XbIndexItemClasses();

// The names of a ";"-separated field list, trimmed; empty names are left out.
std::vector<std::string> SplitFieldNames(const std::string& keyFields);
// The file name of a path without folder and extension.
std::string XbFileStem(const std::string& path);
