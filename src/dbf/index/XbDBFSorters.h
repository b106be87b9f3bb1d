#pragma once
// Key sorters for index builds. An index build collects one sort item per record and needs the
// items back in key order; every sorter here offers that behind TXbSorterAbstract:
//
//   Create (settings) -> AddItem for each item -> Sort -> FirstSortItem, then while it returns
//   false: CurrentSortItem, NextSortItem -> Clear to reuse.
//
// A sort item has the layout of an index page item: u32 child page (0 here), u32 record number,
// then the key bytes (item size = key size + 8), integers little-endian.
//
// In-memory sorters (TXbInnerSorter): the quick sorter, and the tree sorters that spread items
// over hash buckets with one search tree (or byte trie) per bucket. External sorters
// (TXbOuterSorter): the merge sorters, which write sorted runs to a temporary stream and merge
// them two, four or eight at a time.
//
// Order: two items compare by key (the key compare method, else plain bytes); equal keys compare
// by the record compare method when one is given, else by ascending record number. With Unique,
// an item whose key equals one already taken is refused (the first one added stays).
//
// Buckets are visited in the order of their items' keys, which is only sound when every bucket
// holds one contiguous range of keys. That is true for plain byte order (bucket = first key byte
// or a hash that grows with the key); it is false under a collation with repeated weights or a
// caller's own comparison. A caller with such a comparison clears BucketsHoldKeyRanges and the
// tree sorters then put every item into a single bucket.

#include "dbf/XbDBFMemMgr.h"
#include "platform/rtl/Classes.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TProxyStream;
class TXbSorterAbstract;

// The key compare method: <0, 0 or >0 for two keys of `length` bytes.
using TXbSorterKeyCompare = std::function<int(const uint8_t* key1, const uint8_t* key2, int length)>;
// The character compare method (the trie's byte order): <0, 0 or >0.
using TXbSorterCharCompare = std::function<int(uint8_t char1, uint8_t char2)>;
// The record compare method: decides between two items with equal keys.
using TXbSorterRecordCompare = std::function<int(uint32_t recNo1, uint32_t recNo2)>;
// The hash method: a signed 32-bit code for the item.
using TXbSorterHashMethod = std::function<int32_t(const uint8_t* item)>;
// The prefix method: a number for the four key bytes from byte `from` on. For two keys whose
// first `from` bytes are the same, numbers that differ order the keys as the key compare
// method does (equal numbers say nothing).
using TXbSorterKeyPrefix = std::function<uint32_t(const uint8_t* key, int from)>;

struct TXbSorterClass;

// Everything a sorter is created with.
struct TXbSorterSettings {
    uint32_t Capacity = 0;
    // Merge sorters: the run length (>0 items, 0 one block, <0 that many blocks).
    int32_t ItemsPerInnerSorter = 0;
    // Merge sorters: the size of a block of the temporary stream.
    int32_t BufferSize = 4096;
    // Merge sorters: the in-memory sorter of a run (none: the AVL tree sorter).
    const TXbSorterClass* InnerSorterClass = nullptr;
    // Merge sorters: the temporary stream, open for reading and writing; kept by the caller.
    TProxyStream* TempStream = nullptr;
    bool OrderedBuckets = false;
    uint8_t MaxBitsInHashCode = 32;
    // None: the bucket is the first key byte (256 buckets).
    TXbSorterHashMethod HashMethod;
    uint8_t HashBits = 8;
    bool Unique = false;
    TXbSorterRecordCompare RecordCompareMethod;
    TXbSorterCharCompare CharCompareMethod;
    TXbSorterKeyCompare KeyCompareMethod;
    // Lets the tree sorters decide most comparisons under the key compare method from their
    // nodes (without it, only plain byte order does).
    TXbSorterKeyPrefix KeyPrefixMethod;
    // The key compare method ends a key at its first zero byte (what follows does not count):
    // the trie then keeps what follows a zero byte apart for each item, in the order added.
    bool KeysEndAtZero = false;
    uint16_t KeySize = 0;
    // Cleared when buckets do not hold contiguous key ranges under the key comparison: one bucket.
    bool BucketsHoldKeyRanges = true;
};

// A sorter class: its name and its constructor.
struct TXbSorterClass {
    const char* Name;
    std::unique_ptr<TXbSorterAbstract> (*Create)(const TXbSorterSettings& settings);
    // Needs a temporary stream.
    bool Outer;
};

extern const TXbSorterClass XbQuickSorterClass;
extern const TXbSorterClass XbBinaryTreeSorterClass;
extern const TXbSorterClass XbRedBlackTreeSorterClass;
extern const TXbSorterClass XbAVLTreeSorterClass;
extern const TXbSorterClass XbTrieTreeSorterClass;
extern const TXbSorterClass XbMergeSorterClass;
extern const TXbSorterClass XbMerge4PathSorterClass;
extern const TXbSorterClass XbMerge8PathSorterClass;

// The longest key a sorter takes.
constexpr int kXbSorterMaxKeySize = 1024;

inline uint32_t XbSortItemRecNo(const uint8_t* item) noexcept
{
    return static_cast<uint32_t>(item[4]) | (static_cast<uint32_t>(item[5]) << 8) |
           (static_cast<uint32_t>(item[6]) << 16) | (static_cast<uint32_t>(item[7]) << 24);
}
inline const uint8_t* XbSortItemKey(const uint8_t* item) noexcept { return item + 8; }
// Fills an item: child 0, the record number and the key (keySize bytes).
void XbMakeSortItem(uint8_t* item, uint32_t recNo, const uint8_t* key, int keySize) noexcept;

class TXbSorterAbstract : public TObject {
public:
    explicit TXbSorterAbstract(const TXbSorterSettings& settings);
    ~TXbSorterAbstract() override;
    TXbSorterAbstract(const TXbSorterAbstract&) = delete;
    TXbSorterAbstract& operator=(const TXbSorterAbstract&) = delete;
    const char* ClassName() const noexcept override { return "TXbSorterAbstract"; }

    // The item number at sort position i, and setting it.
    virtual uint32_t GetSortArray(int32_t i);
    virtual void SetSortArray(int32_t i, uint32_t number);
    // Copies item i (key size + 8 bytes) out of / into the item store.
    virtual void GetSortItem(int32_t i, uint8_t* destination);
    virtual void SetSortItem(int32_t i, const uint8_t* source);
    virtual uint8_t* GetPSortItem(int32_t i);
    // Stores the item at position Count and counts it.
    virtual bool AddNewItem(const uint8_t* item);
    // The bucket of an item.
    virtual uint32_t Hash(const uint8_t* item);
    // The item the walk stands on (key size + 8 bytes; valid until the walk moves).
    virtual const uint8_t* CurrentSortItem();
    // Adds one item; false when Unique refused it.
    virtual bool AddItem(const uint8_t* item);
    virtual void Sort() = 0;
    virtual void Clear();
    // Starts the walk; true when there is no item.
    virtual bool FirstSortItem();
    // Moves the walk on; true when it is past the last item.
    virtual bool NextSortItem();

    int32_t Count() const noexcept { return count_; }
    int KeySize() const noexcept { return keySize_; }
    int ItemSize() const noexcept { return keySize_ + 8; }
    uint32_t Capacity() const noexcept { return capacity_; }
    bool Unique() const noexcept { return unique_; }
    uint32_t BucketCount() const noexcept { return bucketCount_; }
    const TXbSorterSettings& Settings() const noexcept { return settings_; }

    // Compares two items (the order described at the top). `keyResult` receives the key
    // comparison alone.
    int CompareItems(const uint8_t* item1, const uint8_t* item2, int& keyResult) const
    {
        return CompareParts(item1 + 8, XbSortItemRecNo(item1), item2 + 8, XbSortItemRecNo(item2), keyResult);
    }
    int CompareParts(const uint8_t* key1, uint32_t recNo1, const uint8_t* key2, uint32_t recNo2, int& keyResult) const;
    int CompareKeys(const uint8_t* key1, const uint8_t* key2) const;
    // The trie's byte order: the character compare method, ties between different bytes broken
    // by the byte values, so that a node is shared only by equal bytes.
    int CompareChars(uint8_t char1, uint8_t char2) const;

protected:
    // Storage for the items and the sort array (nothing at capacity 0).
    void AllocateStorage();
    void FreeStorage() noexcept;
    // The first key byte.
    uint32_t OwnHash(const uint8_t* item) const noexcept { return item[8]; }
    // A new item would pass the capacity: raises.
    void CheckRoom(const char* where, uint32_t used) const;

    TXbSorterSettings settings_;
    int32_t count_ = 0;
    TXbDBFBlock items_;
    TXbDBFBlock sortArray_;
    uint16_t keySize_ = 0;
    uint32_t capacity_ = 0;
    bool unique_ = false;
    uint8_t hashBits_ = 8;
    uint32_t bucketCount_ = 256;
    uint8_t maxBitsInHashCode_ = 32;
    uint32_t hashShift_ = 0;
    uint32_t hashMask_ = 0xFFFFFFFFu;
    uint32_t negativeLimit_ = 0x7FFFFFFFu;
    bool ownHash_ = true;
    bool singleBucket_ = false;
    bool orderedBuckets_ = false;
    int32_t position_ = 0;

    uint32_t* SortArrayData() const noexcept { return reinterpret_cast<uint32_t*>(sortArray_.Data()); }
    uint8_t* ItemAt(uint32_t number) const noexcept { return items_.Data() + static_cast<size_t>(number) * ItemSize(); }
};

class TXbInnerSorter : public TXbSorterAbstract {
public:
    using TXbSorterAbstract::TXbSorterAbstract;
    const char* ClassName() const noexcept override { return "TXbInnerSorter"; }
};

// Sorts the sort array with a quick sort once all items are in. Takes no Unique.
class TXbQuickSorter : public TXbInnerSorter {
public:
    explicit TXbQuickSorter(const TXbSorterSettings& settings);
    const char* ClassName() const noexcept override { return "TXbQuickSorter"; }
    void Sort() override;

private:
    void QuickSort(int32_t lo, int32_t hi);
};

// The search-tree sorters: every bucket holds its own tree of item numbers in flat arrays.
class TXbBinaryTreeSorterAbstract : public TXbInnerSorter {
public:
    explicit TXbBinaryTreeSorterAbstract(const TXbSorterSettings& settings);
    const char* ClassName() const noexcept override { return "TXbBinaryTreeSorterAbstract"; }

    bool AddItem(const uint8_t* item) override;
    // Fills the sort array in order and sets Count to the items in the trees.
    void Sort() override;
    void Clear() override;
    // Inserts a stored item; false when Unique refused it.
    virtual bool AddItemInTree(uint32_t number) = 0;
    // Removes a stored item from its tree.
    virtual void DeleteItemFromTree(uint32_t number) = 0;
    // The last item in order; true when there is none.
    bool GetLastSortItem(const uint8_t*& item);
    // The height of the tallest bucket tree (an empty tree has height 0).
    int Height();
    // Items in the trees.
    int32_t ItemsInTrees()
    {
        FlushPending();
        return inTrees_;
    }
    bool AddNewItem(const uint8_t* item) override;

protected:
    void InitTrees() noexcept;

    // Without Unique no item can be refused, so AddItem may answer at once and insert later:
    // items wait in a batch whose descents run side by side, each asking for its next node
    // before any of them needs it, so that the waits for memory overlap.
    static constexpr int kBatch = 16;
    struct TPlace {
        uint32_t Bucket;
        uint32_t Prefix;
        // Where the batch's descent ended: the link of Parent on Side (-1 left, 1 right), or
        // Parent = none for an empty bucket. Not Located: the item descends on its own.
        uint32_t Parent;
        int Side;
        bool Located;
    };
    // Inserts the waiting items, in the order they came.
    void FlushPending();
    // The bucket of an item about to be inserted (known before it waited in a batch).
    uint32_t NewItemBucket(uint32_t number) { return place_ != nullptr ? place_->Bucket : Hash(ItemAt(number)); }
    uint32_t pending_[kBatch] = {};
    TPlace pendingPlaces_[kBatch] = {};
    int pendingCount_ = 0;
    // The place of the item being inserted from a batch, or null.
    const TPlace* place_ = nullptr;

    // One field of the 16-byte node records: node i's field is word 4 * i + field. The links
    // of a node and its key prefix share one cache line, so a descent that the prefixes decide
    // reads one line per level.
    struct TNodeField {
        uint32_t* Words = nullptr;
        uint32_t& operator[](uint32_t node) const noexcept { return Words[static_cast<size_t>(node) * 4]; }
    };

    uint32_t none_ = 0;  // the "no item" link (= capacity)
    TNodeField left_;
    TNodeField right_;
    TNodeField parent_;
    // Four key bytes read big-endian (see PrefixOf); compared as numbers they order as the bytes.
    TNodeField prefix_;
    uint32_t* roots_ = nullptr;  // per bucket
    uint8_t* marks_ = nullptr;   // colour or balance per item
    // Key prefixes decide comparisons (plain byte order), and the first key byte they cover:
    // within a bucket of the own hash every key has the same first byte.
    bool prefixes_ = false;
    int prefixFrom_ = 0;
    int32_t inTrees_ = 0;
    // Items stored (the next free slot of the item store).
    uint32_t stored_ = 0;

    uint32_t PrefixOf(const uint8_t* item) const;
    // Plain binary insertion under the bucket's root; false when Unique refused.
    bool InsertLeaf(uint32_t number, uint32_t bucket);
    void RotateLeft(uint32_t bucket, uint32_t x) noexcept;
    void RotateRight(uint32_t bucket, uint32_t x) noexcept;
    // Puts `with` (or none) where `node` hangs.
    void Transplant(uint32_t bucket, uint32_t node, uint32_t with) noexcept;
    uint32_t Minimum(uint32_t node) const noexcept;
    uint32_t BucketOf(uint32_t number);

private:
    TXbDBFBlock treeArrays_;
};

class TXbBinaryTreeSorter : public TXbBinaryTreeSorterAbstract {
public:
    using TXbBinaryTreeSorterAbstract::TXbBinaryTreeSorterAbstract;
    const char* ClassName() const noexcept override { return "TXbBinaryTreeSorter"; }
    bool AddItemInTree(uint32_t number) override;
    void DeleteItemFromTree(uint32_t number) override;
};

class TXbRedBlackTreeSorter : public TXbBinaryTreeSorter {
public:
    using TXbBinaryTreeSorter::TXbBinaryTreeSorter;
    const char* ClassName() const noexcept override { return "TXbRedBlackTreeSorter"; }
    bool AddItemInTree(uint32_t number) override;
    void DeleteItemFromTree(uint32_t number) override;

private:
    bool IsRed(uint32_t node) const noexcept { return node != none_ && marks_[node] == 1; }
};

class TXbAVLTreeSorter : public TXbBinaryTreeSorter {
public:
    using TXbBinaryTreeSorter::TXbBinaryTreeSorter;
    const char* ClassName() const noexcept override { return "TXbAVLTreeSorter"; }
    bool AddItemInTree(uint32_t number) override;
    void DeleteItemFromTree(uint32_t number) override;

private:
    int8_t Balance(uint32_t node) const noexcept { return static_cast<int8_t>(marks_[node]); }
    void SetBalance(uint32_t node, int value) noexcept { marks_[node] = static_cast<uint8_t>(static_cast<int8_t>(value)); }
    // Restores a node whose balance reached +-2; the new subtree root, and whether its height
    // shrank by one against before the step that unbalanced it.
    uint32_t Rebalance(uint32_t bucket, uint32_t node, bool& heightChanged, const char* where);
};

// Hands out the trie's 10-byte nodes in blocks; node 0 means none.
class TXbMemSourceItem {
public:
    TXbMemSourceItem(size_t defaultSize, size_t minimumSize);
    uint8_t* Data() const noexcept { return block_.Data(); }
    uint32_t Nodes() const noexcept { return nodes_; }

private:
    TXbDBFBlock block_;
    uint32_t nodes_;
};

class TXbMemSourceList {
public:
    static constexpr size_t kNodeSize = 10;
    explicit TXbMemSourceList(size_t blockSize = 65536) : blockSize_(blockSize) {}
    // A zeroed node.
    uint32_t NewNode();
    uint8_t* Node(uint32_t number) const noexcept
    {
        // Blocks of a power-of-two node count are addressed by shift and mask, not by division.
        if (perBlockShift_ != 0)
            return blockData_[number >> perBlockShift_] + (number & (perBlock_ - 1)) * kNodeSize;
        return blockData_[number / perBlock_] + (number % perBlock_) * kNodeSize;
    }
    void Clear() noexcept;
    size_t Blocks() const noexcept { return blocks_.size(); }

private:
    size_t blockSize_;
    uint32_t perBlock_ = 0;
    uint32_t perBlockShift_ = 0;
    uint32_t next_ = 0;
    std::vector<std::unique_ptr<TXbMemSourceItem>> blocks_;
    std::vector<uint8_t*> blockData_;
};

// Keeps each bucket's keys in a byte trie; equal keys keep the order they were added in.
// A sibling chain that has grown long gets a side table (one entry per byte, in the trie's
// byte order) pointing at its nodes, so that finding a byte among the siblings reads one entry
// instead of every sibling before it. The chain itself stays as it is and the walk follows it.
class TXbTrieTreeSorter : public TXbInnerSorter {
public:
    explicit TXbTrieTreeSorter(const TXbSorterSettings& settings);
    const char* ClassName() const noexcept override { return "TXbTrieTreeSorter"; }

    uint32_t GetSortArray(int32_t i) override;
    void SetSortArray(int32_t i, uint32_t number) override;
    void GetSortItem(int32_t i, uint8_t* destination) override;
    void SetSortItem(int32_t i, const uint8_t* source) override;
    uint8_t* GetPSortItem(int32_t i) override;
    bool AddNewItem(const uint8_t* item) override;
    const uint8_t* CurrentSortItem() override { return current_.data(); }
    // Without Unique, items wait in batches (see FlushPending).
    bool AddItem(const uint8_t* item) override;
    // Orders the buckets; the trie itself is already in order.
    void Sort() override;
    void Clear() override;
    bool FirstSortItem() override;
    bool NextSortItem() override;

    size_t PoolBlocks() const noexcept { return pool_.Blocks(); }

private:
    struct TFrame {
        uint32_t Node;
        int Position;
    };
    // Inserts an item into the trie of `bucket`; false when Unique refused it.
    bool InsertKey(const uint8_t* item, uint32_t bucket);
    // Inserts the items waiting in the batch, in the order they came.
    void FlushPending();
    static constexpr int kBatch = 16;
    std::vector<uint8_t> pending_;
    uint32_t pendingBuckets_[kBatch] = {};
    int pendingCount_ = 0;
    // A chain gets a side table once a search has passed this many of its siblings.
    static constexpr int kTableAfter = 4;
    static constexpr uint32_t kTablesPerBlock = 256;
    // The side table of the chain below `owner` (0: the bucket's top chain), or null.
    uint32_t* TableOf(uint32_t owner, uint32_t bucket);
    // Makes a side table for the chain below `owner` and fills it from the chain.
    void IndexChain(uint32_t owner, uint32_t bucket);
    uint32_t* Table(uint32_t number) const noexcept
    {
        return tableBlocks_[number / kTablesPerBlock].get() + (number % kTablesPerBlock) * 256;
    }
    // Node number -> side table number of its child chain (open addressing, 0 = empty slot).
    uint32_t FindOwner(uint32_t owner) const noexcept;
    void SetOwner(uint32_t owner, uint32_t table);
    // Makes `node` hold its first `keep` bytes and hangs the rest below it.
    void SplitPacked(uint32_t node, int keep);
    // A chain of nodes for key bytes [from, keySize) ending in a leaf; the first node is a
    // one-byte node when `firstSingle` (it gets siblings).
    uint32_t NewPath(const uint8_t* key, int from, uint32_t recNo, bool firstSingle);
    uint32_t NewLeaf(uint32_t recNo);
    // Descends from `node` (key position `position`) to the leftmost leaf.
    void Descend(uint32_t node, int position);
    bool StartBucket();
    void LoadCurrent();

    TXbMemSourceList pool_;
    // Position of each byte in the trie's byte order (the character compare method).
    uint8_t rank_[256] = {};
    std::vector<std::unique_ptr<uint32_t[]>> tableBlocks_;  // side tables, 256 node numbers each
    uint32_t tables_ = 0;                                   // side tables handed out (number 0 unused)
    std::vector<uint32_t> rootTables_;                      // per bucket: side table of the top chain
    std::vector<uint64_t> owners_;                          // owner node << 32 | side table
    uint32_t ownersUsed_ = 0;
    int ownerBits_ = 0;
    std::vector<uint32_t> roots_;           // per bucket: first node of the top sibling chain
    std::vector<uint32_t> usedBuckets_;     // buckets with items, in key order after Sort
    std::vector<std::vector<uint8_t>> firstItems_;  // per used bucket: its first item
    std::vector<int32_t> firstItemOfBucket_;        // bucket -> index into firstItems_, or -1
    std::vector<TFrame> stack_;
    std::vector<uint8_t> current_;
    size_t walkBucket_ = 0;
    uint32_t leaf_ = 0;
    uint32_t lastLeaf_ = 0;  // the newest leaf of the current key, where its ring ends
};

class TXbOuterSorter : public TXbSorterAbstract {
public:
    using TXbSorterAbstract::TXbSorterAbstract;
    const char* ClassName() const noexcept override { return "TXbOuterSorter"; }
};

class TXbMergeSorterBase : public TXbOuterSorter {
public:
    using TXbOuterSorter::TXbOuterSorter;
    const char* ClassName() const noexcept override { return "TXbMergeSorterBase"; }
};

class TXbMergeSorter;

// Reads items of a run or of a merge; the current item is a record number followed by the key.
class TXbMergeIteratorAbstract {
public:
    virtual ~TXbMergeIteratorAbstract() = default;
    virtual bool AtEnd() const = 0;
    virtual const uint8_t* Current() const = 0;
    virtual void Start() = 0;
    virtual void Next() = 0;
};

// Reads one run block by block, giving each block back once read.
class TXbMergeIterator : public TXbMergeIteratorAbstract {
public:
    TXbMergeIterator(TXbMergeSorter& sorter, uint32_t firstBlock);
    bool AtEnd() const override { return end_; }
    const uint8_t* Current() const override;
    void Start() override;
    void Next() override;

private:
    void Load(uint32_t block);
    TXbMergeSorter& sorter_;
    TXbDBFBlock buffer_;
    uint32_t block_;
    uint32_t position_ = 0;
    uint32_t itemsInBlock_ = 0;
    bool end_ = true;
};

// Merges two sources.
class TXbMerge2PathIterator : public TXbMergeIteratorAbstract {
public:
    TXbMerge2PathIterator(TXbMergeSorter& sorter, std::unique_ptr<TXbMergeIteratorAbstract> first,
                          std::unique_ptr<TXbMergeIteratorAbstract> second);
    bool AtEnd() const override { return chosen_ == nullptr; }
    const uint8_t* Current() const override { return chosen_ ? chosen_->Current() : nullptr; }
    void Start() override;
    void Next() override;

private:
    void Choose();
    TXbMergeSorter& sorter_;
    std::unique_ptr<TXbMergeIteratorAbstract> first_;
    std::unique_ptr<TXbMergeIteratorAbstract> second_;
    TXbMergeIteratorAbstract* chosen_ = nullptr;
};

// Merges runs two at a time through a temporary stream.
class TXbMergeSorter : public TXbMergeSorterBase {
public:
    explicit TXbMergeSorter(const TXbSorterSettings& settings, int ways = 2);
    ~TXbMergeSorter() override;
    const char* ClassName() const noexcept override { return "TXbMergeSorter"; }

    uint32_t GetSortArray(int32_t i) override;
    void SetSortArray(int32_t i, uint32_t number) override;
    void GetSortItem(int32_t i, uint8_t* destination) override;
    void SetSortItem(int32_t i, const uint8_t* source) override;
    uint8_t* GetPSortItem(int32_t i) override;
    bool AddNewItem(const uint8_t* item) override { return AddItem(item); }
    bool AddItem(const uint8_t* item) override;
    const uint8_t* CurrentSortItem() override { return current_.data(); }
    void Sort() override;
    void Clear() override;
    bool FirstSortItem() override;
    bool NextSortItem() override;

    int ItemsPerBlock() const noexcept { return itemsPerBlock_; }
    uint32_t RunLength() const noexcept { return runLength_; }
    int RunCount() const noexcept { return static_cast<int>(runs_.size()); }
    // Merge passes written so far.
    int Passes() const noexcept { return passes_; }
    uint32_t BlocksInStream() const noexcept { return blockCount_; }
    const TXbSorterAbstract& InnerSorter() const noexcept { return *inner_; }
    int Ways() const noexcept { return ways_; }

private:
    friend class TXbMergeIterator;
    friend class TXbMerge2PathIterator;

    // Writes the inner sorter's items as one run and clears it.
    void WriteRun();
    // One iterator merging the given runs (a tree of two-way merges, earlier runs first).
    std::unique_ptr<TXbMergeIteratorAbstract> MergeOf(const std::vector<uint32_t>& runs, size_t from, size_t to);
    // Writes every item of the iterator as a new run; its first block.
    uint32_t WriteMerged(TXbMergeIteratorAbstract& source);
    uint32_t TakeBlock();
    void GiveBackBlock(uint32_t block) { freeBlocks_.push_back(block); }
    void ReadStreamBlock(uint32_t block, uint8_t* buffer);
    void WriteStreamBlock(uint32_t block, const uint8_t* buffer);
    void LoadCurrent();

    int ways_;
    int diskItemSize_;
    int itemsPerBlock_;
    uint32_t runLength_;
    uint32_t blockCount_ = 0;
    std::vector<uint32_t> freeBlocks_;
    std::vector<uint32_t> runs_;
    int passes_ = 0;
    TXbDBFBlock output_;
    std::unique_ptr<TXbSorterAbstract> inner_;
    std::unique_ptr<TXbMergeIteratorAbstract> walk_;
    std::vector<uint8_t> current_;
    TProxyStream* stream_;
};

class TXb4PathMergeSorter : public TXbMergeSorter {
public:
    explicit TXb4PathMergeSorter(const TXbSorterSettings& settings, int ways = 4) : TXbMergeSorter(settings, ways) {}
    const char* ClassName() const noexcept override { return "TXb4PathMergeSorter"; }
};

class TXb8PathMergeSorter : public TXb4PathMergeSorter {
public:
    explicit TXb8PathMergeSorter(const TXbSorterSettings& settings) : TXb4PathMergeSorter(settings, 8) {}
    const char* ClassName() const noexcept override { return "TXb8PathMergeSorter"; }
};
