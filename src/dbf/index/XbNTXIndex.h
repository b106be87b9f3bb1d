#pragma once
// TXbNTXIndex: the index of a table over one NTX file. It binds to the file through the table's
// index definitions (a bag with its single order), reads and caches pages, evaluates and
// compares keys, searches and walks the B-tree in both directions, restricts the table to a key
// range and fills the table's read-ahead window in key order.
//
// Keys have two forms: the display form the key expression yields and the stored form the pages
// hold (translated to the OEM code page through the table's OEM translation when KeyTranslate is
// on). Every comparison runs on stored forms; the position keeps its key in stored form and
// hands out the display form.

#include "dbf/XbDBFIndexes.h"
#include "dbf/XbDBFParser.h"
#include "dbf/index/XbDBFSorters.h"
#include "dbf/index/XbNTXBuffers.h"
#include "dbf/index/XbNTXFormat.h"
#include "dbf/index/XbNTXHashTypes.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TXbNTXBag;
class TXbNTXIndex;
class TXbNTXUpdater;

// How a key leaves the tree: with borrowing from and merging of neighbour pages, so that every
// page but the root stays at least half full; or without any rebalancing, freeing pages that
// become empty.
enum class TDeleteKeyStyle { dksClipper, dksApolloHalcyon };
class TXbNTXOrder;

// The key range of an index: the table shows only records whose keys lie between LoKey and
// HiKey (display form; either may be a prefix shorter than the key size).
class TXbNTXRange : public TPersistent {
public:
    explicit TXbNTXRange(TXbNTXIndex* index) : index_(index) {}
    const char* ClassName() const noexcept override { return "TXbNTXRange"; }
    // Copies HiKey, LoKey, then Active.
    void Assign(const TPersistent& source) override;

    std::string LoKey;
    std::string HiKey;
    bool Active() const noexcept { return active_; }
    // Stores the value, makes the index the active index of its table and, when the value
    // changed, moves the open table to its first record.
    void SetActive(bool value);

private:
    TXbNTXIndex* index_;
    bool active_ = false;
};

class TXbNTXIndex : public TIndex {
    // Index builds read the header and the collation while the index is closed.
    friend class TXbNTXIndexBuilder;

public:
    explicit TXbNTXIndex(TCollection& collection);
    ~TXbNTXIndex() override;
    const char* ClassName() const noexcept override { return "TXbNTXIndex"; }
    // Copies the Name and the NTXFileName.
    void Assign(const TPersistent& source) override;

    // ---- published properties
    const std::string& NTXFileName() const noexcept { return ntxFileName_; }
    // Also sets the index Name to the file name without folder, cut before its first ".".
    void SetNTXFileName(const std::string& value);
    const std::string& KeyExpresion() const noexcept { return keyExpresion_; }
    // A text with a character below 32 is taken as empty; parsed at once when the index is open.
    void SetKeyExpresion(const std::string& value);
    const std::string& ForExpresion() const noexcept { return forExpresion_; }
    void SetForExpresion(const std::string& value);
    bool KeyTranslate = true;
    // While open: the header's flags; while closed: the index's own values.
    bool Unique() const noexcept;
    void SetUnique(bool value) noexcept { unique_ = value; }
    bool Desc() const noexcept;
    void SetDesc(bool value) noexcept { desc_ = value; }
    // While open: the header's order name (the index Name when empty); while closed: its own
    // value. Setting it while open writes at most 8 characters into the header and names the
    // index after them.
    std::string Order() const;
    void SetOrder(const std::string& value);
    TCLIPPER_VERSION ClipperVer = TCLIPPER_VERSION::v500;
    TDeleteKeyStyle DeleteKeyStyle = TDeleteKeyStyle::dksClipper;
    // A temporary index: closing it deletes its file and takes it out of the table's Indexes.
    bool Temp = false;
    TXbNTXRange& NTXRange() noexcept { return *range_; }
    void SetNTXRange(const TXbNTXRange& value) { range_->Assign(value); }
    TXbCreateIndexEvent OnCreateIndex;
    TXbSubIndexEvent OnSubIndex;
    TXbEvaluateKeyEvent OnEvaluteKey;
    TXbEvaluateForEvent OnEvaluteFor;
    TXbCompareKeysEvent OnCompareKeys;
    // Kept for form descriptions that set it; nothing calls it.
    TXbSubIndexEvent OnSubNtx;

    // ---- binding, open and close
    // The bag of DBFIndexDefs the index belongs to (found by BagName or by file name), added
    // when there is none.
    TXbDBFIndexBag* DefineBag();
    // Opens the bag and picks the order of the wanted name.
    void DefineBagAndOrder();
    TXbDBFIndexBag* IndexBag() const noexcept override;
    TXbDBFOrder* IndexOrder() const noexcept override;
    bool IsSameIndex(const TIndex& other) const override;
    // Raises for a file that is not NTX ("TXbNTXIndex.Open: File ... is not NTX file") or
    // whose header is damaged; the index then stays closed.
    bool Open() override;
    void CloseIndex() noexcept override;
    bool IsOpen() const override;
    const TXbNTXHeader& Header() const noexcept { return header_; }
    TXbNTXBuffers& Cache() noexcept { return cache_; }

    // ---- keys
    std::string EvaluateKey() override;
    bool EvaluateFor() override;
    int CountKeyFields(const std::vector<std::string>& fieldNames) override;
    // Display form <-> stored form (KeyTranslate through the table's OEM translation).
    std::string StoredKey(const std::string& key) { return TranslatedKey(key, true); }
    std::string DisplayKey(const std::string& key) { return TranslatedKey(key, false); }
    // Compares two stored keys over `length` bytes: OnCompareKeys, else collation weights, else
    // bytes up to a zero byte; negated for a descending index unless `ignoreDescend`.
    int CompareKeys(const char* a, const char* b, int length, bool ignoreDescend = false)
    {
        // The plain comparison here, where every search step can inline it.
        if (OnCompareKeys || weighted_)
            return CompareKeysBy(a, b, length, ignoreDescend);
        int result = 0;
        for (int i = 0; i < length; ++i) {
            const int ca = static_cast<uint8_t>(a[i]);
            const int cb = static_cast<uint8_t>(b[i]);
            if (ca != cb) {
                result = ca - cb;
                break;
            }
            if (ca == 0)
                break;
        }
        return header_.Descend && !ignoreDescend ? -result : result;
    }

    // ---- navigation and searches (XbNTXSeek.cpp)
    bool IsKeyRangeActive() override;
    TXbIndexNavigation First() override;
    TXbIndexNavigation Next() override;
    TXbIndexNavigation Prior() override;
    TXbIndexNavigation Last() override;
    std::string GetCurrentKey() override;
    uint32_t GetCurrentRecNo() override { return currentRecNo_; }
    void SyncWithRecord() override;
    void SyncWithKey(const std::string& key, uint32_t recNo) override;
    void SyncWithRecNo(uint32_t recNo) override;
    bool FindKey(const std::string& key, bool soft) override;
    bool FindKeyPartial(const std::string& key, bool soft, bool partial) override;
    uint32_t SeekKeyRecNo(const std::string& key, bool partial, bool soft) override;
    // The first item at or after the key (over min(key length, key size) bytes; with recNo,
    // equal keys of smaller record numbers skipped) that the table accepts; 0 when there is
    // none, when a whole-key search gets a shorter key, or when the key found differs and Soft
    // is off. Raises when the index lock is refused.
    uint32_t SeekKey(const std::string& key, bool partial, uint32_t recNo, bool soft) override;
    uint32_t SeekFieldValue(const std::string& fieldNames, const Variant& value, bool soft, bool partial) override;
    uint32_t SeekFieldValues(const std::string& fieldNames, const Variant& values, bool partial, bool soft) override;
    uint32_t SeekFieldConsts(const std::string& fieldNames, const std::vector<Variant>& values, bool partial, bool soft);
    uint32_t SeekCurrentKey(bool partial, bool soft) override;
    void ScanKeys(const std::string& lo, const std::string& hi) override;
    int FillFirstBuffer(uint32_t* numbers, int capacity, TXbIndexFillEnds* ends = nullptr) override;
    int FillLastBuffer(uint32_t* numbers, int capacity, TXbIndexFillEnds* ends = nullptr) override;
    int FillNextBuffer(uint32_t* numbers, int capacity, TXbIndexFillEnds* ends = nullptr) override;
    int FillPriorBuffer(uint32_t* numbers, int capacity, TXbIndexFillEnds* ends = nullptr) override;
    // The stored key and the record number of the position.
    std::string PositionMark() override;
    void GoToMark(const std::string& mark) override;
    TXbIndexNavigation Step(int direction, int32_t& recNo) override;
    TXbIndexNavigation FirstRecNo(int32_t& recNo) override;
    TXbIndexNavigation LastRecNo(int32_t& recNo) override;
    bool GoFirst() override;
    bool GoNext() override;
    bool GoPrior() override;
    bool GoLast() override;
    bool LastKey(std::string& key, int32_t& recNo) override;
    // The first item whose key equals `key` (stored form, whole key); with Soft and none equal,
    // the first item after it, or the last item when every key sorts before it. Sets the found
    // position; whether an equal key exists.
    bool FindExact(const std::string& storedKey, bool soft);
    // The last item whose key starts with `prefix` (stored form); with Soft and none, the first
    // item after the prefix. Sets the found position; whether one with the prefix exists.
    bool FindLastWithPrefix(const std::string& storedPrefix, bool soft);
    // The position becomes the given item (stored key).
    void SetPosition(const std::string& storedKey, uint32_t recNo) { SetCurrent(storedKey, recNo); }
    bool Found() const noexcept { return found_; }
    const std::string& FoundKey() const noexcept { return foundKey_; }
    uint32_t FoundRecNo() const noexcept { return foundRecNo_; }

    // ---- key range
    void SetKeyRangeEqual(const std::string& fieldNames, const Variant& values) override;
    void SetKeyRange(const std::string& fieldNames, const Variant& lowValues, const Variant& highValues) override;
    void CancelKeyRange() override;
    bool KeyInRange(const std::string& key) override;
    bool InKeyRange() override;

    // ---- lock and update
    // One byte of the index file at the offset of the table's lock protocol, tried WaitBusyRes
    // times; at once for an exclusive or deny-write table. Nested calls count.
    bool LockIndex() override;
    void UnlockIndex() override;
    void StartIndexUpdate(bool releaseLock) override;
    void FinishIndexUpdate() override;
    bool IsUnique() override { return Unique(); }

    // ---- key insertion and deletion (XbNTXUpdate.cpp). Each change runs inside an update; a
    // call outside one brackets itself with StartIndexUpdate / FinishIndexUpdate (false when the
    // lock is refused). A change that fails half-way leaves the index marked damaged (on disk
    // and here) and raises.
    // Adds the key (display form) of record recNo unless the FOR condition rejects the current
    // record or a unique index already holds the key; whether it was added.
    bool AddKey(const std::string& key, uint32_t recNo) override;
    // Removes the item of that key (display form) and record number; whether it was there.
    bool RemoveKey(const std::string& key, uint32_t recNo) override;
    // Inserts one item (stored key) without the unique and FOR checks.
    void AddItem(const std::string& storedKey, uint32_t recNo);
    // A page for the tree (from the free list, else appended) and the way back onto the list.
    uint32_t NewPage();
    void FreePage(uint32_t offset);
    // Cuts the file to a fresh header and one empty root page.
    void EmptyIndex() override;
    // An insertion build into the open (new) file: emptied first, finished at the end.
    void BeginReindex();
    void EndReindex() noexcept;
    void PrepareRebuild(TProxyStream& packedTable, uint32_t records) override;
    void MarkRebuild() override;
    void CommitRebuild() override;
    void DiscardRebuild(bool tableReplaced) noexcept override;
    void BeginIndexChange() override;
    // Rewrites every page under the index lock: deciphered with the table's cipher when that is
    // active, enciphered with `newCipher` when that is active. False when the lock is refused.
    bool ChangeCipher(TXbDBFCrypt& newCipher) override;
    void AbandonIndexUpdate() noexcept override;
    // An update failed half-way, or the file was found cut off in the middle of one: every
    // further use raises until the index is rebuilt or opened again.
    bool Damaged() const noexcept { return damaged_; }
    bool InUpdate() const noexcept { return inUpdate_; }
    bool HasForExpression() override { return hasFor_; }

    // ---- builds (XbNTXCreate.cpp). Each writes a new file beside the index file and renames it
    // over the old one when complete; the index is then open, and active when asked.
    TXbHashTypeForTreeSorters HashTypeForTreeSorters = TXbHashTypeForTreeSorters::httsDefault;
    TXbMaxBitsInHashCode MaxBitsInHashCode = TXbMaxBitsInHashCode::mbhc32;
    // Always reads false; setting true builds the index at once (CreateIndex (true, 65536)).
    bool CreateNow() const noexcept { return false; }
    void SetCreateNow(bool value);
    // Batches of BufferBytes sorted in memory and inserted into the tree.
    void CreateIndex(bool activate, int bufferBytes = 65536);
    // One sort by the sorter class, written bottom-up; and its shortcuts.
    void CreateIndexUsingSorter(const TXbSorterClass* sorterClass, bool activate);
    void CreateIndexUsing8PathMergeSorter() { CreateIndexUsingSorter(&XbMerge8PathSorterClass, true); }
    void CreateIndexUsing4PathMergeSorter() { CreateIndexUsingSorter(&XbMerge4PathSorterClass, true); }
    void CreateIndexUsingMergeSorter(bool activate) { CreateIndexUsingSorter(&XbMergeSorterClass, activate); }
    void CreateIndexUsingTrieTreeSorter(bool activate) { CreateIndexUsingSorter(&XbTrieTreeSorterClass, activate); }
    void CreateIndexUsingAVLTreeSorter(bool activate) { CreateIndexUsingSorter(&XbAVLTreeSorterClass, activate); }
    void CreateIndexUsingRedBlackTreeSorter(bool activate)
    {
        CreateIndexUsingSorter(&XbRedBlackTreeSorterClass, activate);
    }
    void CreateIndexUsingBinaryTreeSorter(bool activate) { CreateIndexUsingSorter(&XbBinaryTreeSorterClass, activate); }
    void CreateIndexUsingQuickSorter(bool activate) { CreateIndexUsingSorter(&XbQuickSorterClass, activate); }
    // Sorted blocks of BlockBufferSize bytes in temporary files, merged pairwise.
    void CreateCompactIndex(int blockBufferSize, bool activate, bool tempInIndexFolder);
    // Builds the index again from the table (CreateIndex (activate, 65536)).
    void Reindex(bool activate);
    // The hash of a key (display form) by the key's result type.
    int32_t KeyHash(const std::string& key);

    // Checks the whole tree (every page, the key order across pages, the depth, pages met twice,
    // record numbers within the table); an empty text when it is sound, else the first fault
    // found. `keyCount` receives the number of keys.
    std::string ValidateTree(int64_t* keyCount = nullptr);
    // Calls `use` with the page at `offset` pinned; the page is checked on its first use since
    // it was read (a page outside the file or a damaged one raises the damaged-file message).
    template <class F>
    auto WithPage(uint32_t offset, F use);

private:
    friend class TXbNTXRange;
    friend class TXbNTXWalk;
    friend class TXbNTXUpdater;

    // Brackets one key change: the update (when none is running) and the damage mark on failure.
    template <class F>
    bool RunChange(F change);
    // Closes the index for a build that replaces its file (a temporary index keeps its file).
    void CloseForRebuild() noexcept;
    // Writes the first header bytes with `version` in place of the held one.
    void WriteHeaderStart(uint16_t version, const char* operation);

    TXbNTXBag* FindBag(const std::string& wanted);
    std::string TranslatedKey(const std::string& key, bool toStored);
    // The key built from values of the named fields (partial: text fields not padded).
    std::string KeyFromValues(const std::string& fieldNames, const Variant& values, bool partial);
    std::string WantedOrderName() const;
    void ParseExpressions();
    // Open met a file marked as being changed: waits for a live writer under the lock; raises
    // the damaged-file message when the mark stays.
    void CheckUpdateFinished(TXbSmartDBF& table);
    // Re-reads the first header bytes outside an update; the cache goes when another user
    // changed the file.
    void RefreshHeader();
    void BuildCompareWeights();
    // Raises the damaged-file message.
    [[noreturn]] void RaiseDamaged(const std::string& what) const;
    void SetCurrent(const std::string& storedKey, uint32_t recNo);
    // The stored low (or high) bound of the active range; empty without a range.
    std::string RangeBound(bool high);
    // The key fitted to the key size (padded with blanks or cut).
    std::string FittedKey(std::string key) const;
    // CompareKeys through OnCompareKeys or the collation weights.
    int CompareKeysBy(const char* a, const char* b, int length, bool ignoreDescend);
    // The leaf page an insertion of the item would go into, found through pages already in the
    // cache and checked (0 when the way leaves them); nothing is pinned, read or changed, and
    // the processor is asked for the page's cache entry. A build that inserts sorted keys calls
    // it some keys ahead and PrefetchPage a few keys ahead, so that the insertion finds the
    // page and its entry at hand instead of waiting for memory.
    // `parent` receives the leaf's parent page (0 with no leaf).
    uint32_t LocateInsertionLeaf(const char* storedKey, uint32_t recNo, uint32_t& parent) noexcept;
    // AddItem; the item goes straight into its leaf when `leafHint` or else `parentHint` (pages
    // LocateInsertionLeaf gave) holds keys on both sides of it and the leaf has room, which is
    // where the way from the root would lead; else, or with no hints (0), the whole way.
    void AddItemUnder(uint32_t leafHint, uint32_t parentHint, const std::string& storedKey, uint32_t recNo);
    // Asks the processor for the bytes of a page in the cache (nothing when it is not there).
    void PrefetchPage(uint32_t offset) noexcept;

    void ApplyRange();

    std::string ntxFileName_;
    std::string keyExpresion_;
    std::string forExpresion_;
    bool unique_ = false;
    bool desc_ = false;
    std::string order_;
    std::unique_ptr<TXbNTXRange> range_;

    TXbNTXBag* bag_ = nullptr;
    TXbNTXOrder* orderItem_ = nullptr;
    TXbNTXHeader header_;
    TXbNTXGeometry geometry_;
    std::unique_ptr<TXbDBFExprParser> keyParser_;
    std::unique_ptr<TXbDBFExprParser> forParser_;
    bool hasFor_ = false;
    TXbNTXBuffers cache_;
    // The depth of the leaves at the last insertion (-1: none yet).
    int leafDepth_ = -1;
    // The parent page of the leaf LocateInsertionLeaf found last (0: none).
    uint32_t prefetchParent_ = 0;
    uint64_t fileEnd_ = 0;
    int lockDepth_ = 0;
    bool fileLocked_ = false;
    bool inUpdate_ = false;
    bool rebuilding_ = false;
    // A pack's rebuild: the new file, and whether the old one carries the mark.
    std::string packedFile_;
    bool packMarked_ = false;
    // Weights of every stored key byte (the collation through the OEM form), or none.
    std::array<uint8_t, 256> compareWeights_{};
    bool weighted_ = false;
    // Something was written since the update began: the version advances when it ends.
    bool changed_ = false;
    // The file carries kNTXChangingVersion since this update began changing it.
    bool changeMarked_ = false;
    bool damaged_ = false;
    bool savedInUpdate_ = false;
    bool destroying_ = false;

    std::string currentKey_;  // stored form
    uint32_t currentRecNo_ = 0;
    std::string foundKey_;    // stored form
    uint32_t foundRecNo_ = 0;
    bool found_ = false;
};

template <class F>
auto TXbNTXIndex::WithPage(uint32_t offset, F use)
{
    if (!NTXPageOffsetValid(offset, fileEnd_))
        RaiseDamaged("page " + std::to_string(offset) + " outside the file");
    TXbNTXPageRef ref(cache_, offset);
    TXbNTXNode& node = ref.Node();
    if (!node.Checked) {
        const std::string fault = CheckNTXPage(node.Data(), geometry_, fileEnd_);
        if (!fault.empty())
            RaiseDamaged("page " + std::to_string(offset) + ": " + fault);
        node.Checked = true;
    }
    TXbNTXPage page(node.Data(), geometry_);
    return use(page);
}
