#pragma once
// Building an NTX file from the records of an open table.
//
// TXbNTXCompactIndex writes a B-tree bottom-up from items that arrive in key order: every page
// is written once, in file order, and the right edge is repaired at the end so that no page but
// the root holds fewer than half a page of keys. TXbNTXBlockIterator and TXbNTXIterator read the
// sorted runs of the compact build back (a sorted block file, and a temporary NTX file in key
// order).
//
// TXbNTXIndexBuilder runs the builds of an index: one sort by any key sorter followed by the
// bottom-up write, sorted blocks merged pairwise, and batches of a red-black tree sorter
// inserted into the tree. Every build writes a new file beside the index file and renames it
// over the old one only when it is complete, so a failed build leaves the old index as it was.

#include "dbf/index/XbDBFSorters.h"
#include "dbf/index/XbNTXFormat.h"
#include "dbf/index/XbNTXHashTypes.h"
#include "platform/rtl/Variants.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TProxyStream;
class TXbDBFCrypt;
class TXbDBFIndexBag;
class TXbNTXIndex;
class TXbSmartDBF;

// Compares two stored keys of the file's key size.
using TXbNTXKeyCompare = std::function<int(const uint8_t* key1, const uint8_t* key2)>;

class TXbNTXCompactIndex {
public:
    // Writes into the stream (open for writing; its old contents go). `crypt` (may be null or
    // inactive) enciphers the pages with their offsets as context.
    TXbNTXCompactIndex(TProxyStream& output, const TXbNTXHeader& header, TXbDBFCrypt* crypt = nullptr,
                       int pagesPerBuffer = 1);
    // Creates (or empties) the file and writes into it; "TXbNTXCompactIndex.CreateEmptyIndex:
    // Index create error" when it cannot be made.
    TXbNTXCompactIndex(const std::string& fileName, const TXbNTXHeader& header, TXbDBFCrypt* crypt = nullptr,
                       int pagesPerBuffer = 1);
    ~TXbNTXCompactIndex();
    TXbNTXCompactIndex(const TXbNTXCompactIndex&) = delete;
    TXbNTXCompactIndex& operator=(const TXbNTXCompactIndex&) = delete;

    // The next item in key order (stored key of the key size).
    void AddItem(const uint8_t* key, uint32_t recNo);
    // Writes the open pages, the root and the header, and repairs the right edge.
    void Finish();
    const TXbNTXHeader& Header() const noexcept { return header_; }
    uint64_t Items() const noexcept { return items_; }

private:
    struct TLevel {
        std::vector<uint8_t> Page;
    };
    void Start();
    void AddAt(int level, const uint8_t* key, uint32_t recNo, uint32_t child);
    uint32_t WritePage(uint8_t* page);
    void FlushPending();
    void ReadPageAt(uint32_t offset, uint8_t* page);
    void WritePageAt(uint32_t offset, uint8_t* page);
    void RepairRightEdge();
    [[noreturn]] void RaiseWriteError() const;

    std::unique_ptr<TProxyStream> ownStream_;
    TProxyStream* output_;
    TXbNTXHeader header_;
    TXbNTXGeometry geometry_;
    TXbDBFCrypt* crypt_;
    std::vector<TLevel> levels_;
    int top_ = 0;
    uint32_t nextOffset_ = kNTXHeaderSize;
    int pagesPerBuffer_;
    std::vector<uint8_t> pending_;
    int pendingPages_ = 0;
    uint32_t pendingOffset_ = 0;
    uint64_t items_ = 0;
    bool finished_ = false;
};

// A run of the compact build read in key order.
class TXbNTXIndexIterator {
public:
    virtual ~TXbNTXIndexIterator() = default;
    virtual void Open() = 0;
    virtual void Close() noexcept = 0;
    virtual void Next() = 0;
    bool Eof() const noexcept { return eof_; }
    uint32_t RecNo() const noexcept { return recNo_; }
    // The current key, in the reader's buffer: valid until Next or Close.
    const uint8_t* Key() const noexcept { return key_; }

protected:
    const uint8_t* key_ = nullptr;
    uint32_t recNo_ = 0;
    bool eof_ = true;
};

// One sorted block file (u16 count, u16 slots, items of record number + key), read whole; the
// file is deleted on close.
class TXbNTXBlockIterator : public TXbNTXIndexIterator {
public:
    TXbNTXBlockIterator(std::string fileName, int keySize);
    ~TXbNTXBlockIterator() override { Close(); }
    void Open() override;
    void Close() noexcept override;
    void Next() override;
    const std::string& FileName() const noexcept { return fileName_; }

private:
    void Load();
    std::string fileName_;
    int keySize_;
    std::vector<uint8_t> block_;
    int count_ = 0;
    int position_ = 0;
    bool opened_ = false;
};

// A temporary NTX file read in key order; deleted on close.
class TXbNTXIterator : public TXbNTXIndexIterator {
public:
    explicit TXbNTXIterator(std::string fileName);
    ~TXbNTXIterator() override { Close(); }
    void Open() override;
    void Close() noexcept override;
    void Next() override;

private:
    struct TFrame {
        uint32_t Offset;
        int Slot;  // the next item of the page to deliver
    };
    void ReadPage(uint32_t offset, std::vector<uint8_t>& page);
    // Goes down the leftmost path from `offset`.
    void Descend(uint32_t offset);
    void Deliver();
    std::string fileName_;
    std::unique_ptr<TProxyStream> stream_;
    TXbNTXHeader header_;
    TXbNTXGeometry geometry_;
    std::vector<TFrame> stack_;
    std::vector<std::vector<uint8_t>> pages_;  // the page of each stack level
    // The file's bytes from windowStart_ on, read in one go.
    static constexpr uint64_t kWindowBytes = 32 * kNTXPageSize;
    std::vector<uint8_t> window_;
    uint64_t windowStart_ = 0;
    uint64_t windowBytes_ = 0;
    uint64_t fileSize_ = 0;
    bool opened_ = false;
};

// Puts a finished index file in place of the bag's: renamed over the bag's file, or loaded
// into the bag's stream (the file then stays for the caller to remove).
void NTXPlaceNewFile(TXbDBFIndexBag& bag, const std::string& newFile, const std::string& operation);

// The 4-byte hash of a key (display form) for the tree sorters' buckets: numbers as integers
// (complemented digits of negative keys restored, clamped to 32 bits), dates as day numbers,
// logicals -1 for "T" else 0, text as its first four bytes read big-endian.
int32_t NTXKeyHash(const std::string& key, TVarType resultType, int decimals);

class TXbNTXIndexBuilder {
public:
    // Takes the hash settings of the index.
    explicit TXbNTXIndexBuilder(TXbNTXIndex& index);

    TXbHashTypeForTreeSorters HashTypeForTreeSorters = TXbHashTypeForTreeSorters::httsDefault;
    TXbMaxBitsInHashCode MaxBitsInHashCode = TXbMaxBitsInHashCode::mbhc32;

    // One sort by the sorter class, written bottom-up.
    void CreateIndexUsingSorter(const TXbSorterClass* sorterClass, bool activate);
    // Sorted blocks of BlockBufferSize bytes in temporary files, merged pairwise.
    void CreateCompactIndex(int blockBufferSize, bool activate, bool tempInIndexFolder);
    // Batches of a red-black tree sorter of BufferBytes inserted into the tree.
    void CreateIndex(bool activate, int bufferBytes);
    // Builds the index of a packed table from `records` records in `packedTable` (the table's
    // layout, enciphered under their record numbers) into a new file beside the index file,
    // whose name it returns; the index and its file are left as they were.
    std::string BuildForPack(TProxyStream& packedTable, uint32_t records);

private:
    struct TScan;
    // Where a build reads its records from when not from the table's own file.
    struct TSource {
        TProxyStream* Stream = nullptr;
        uint32_t Records = 0;
    };
    TXbSorterSettings SorterSettings(TScan& scan, uint32_t capacity) const;
    // The common start of every build, the scan and the end: `collect` gets every key. With
    // `handOver` the new file is not put in place: its name goes there.
    void Build(const char* operation, bool activate, bool sorterNeedsHash,
               const std::function<void(TScan& scan)>& prepare,
               const std::function<void(TScan& scan, const uint8_t* key, uint32_t recNo)>& collect,
               const std::function<void(TScan& scan, TProxyStream& output)>& write, const TSource* source = nullptr,
               std::string* handOver = nullptr);
    void UsingSorter(const char* operation, const TXbSorterClass* sorterClass, bool activate, const TSource* source,
                     std::string* handOver);

    TXbNTXIndex& index_;
};
