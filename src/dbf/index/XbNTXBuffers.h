#pragma once
// The page cache of an NTX index: blocks of consecutive pages, read in one read and written in
// one write per run of dirty pages, kept in a list sorted by block start and found through a
// table by block number. Pages are deciphered as they arrive and enciphered as they leave when
// the table's cipher is active. With a block limit the unpinned block used least often gives
// way.

#include "dbf/XbDBFIndexes.h"
#include "dbf/XbDBFMemMgr.h"

#include <cstdint>
#include <memory>
#include <vector>

class TProxyStream;
class TXbDBFCrypt;
class TXbNTXBuffer;

// One page of a block.
struct TXbNTXNode {
    TXbNTXBuffer* Block = nullptr;
    uint32_t Offset = 0;     // file offset of the page
    int IndexInBlock = 0;
    bool Dirty = false;
    // The page was checked since it was last read from the file.
    bool Checked = false;
    // Its whole slot table (the unused slots too) was found sound since then; changes made
    // here keep it so.
    bool SlotsChecked = false;
    // The page's bytes in the block's memory (which stays where it is for the block's life).
    uint8_t* Page = nullptr;

    uint8_t* Data() const noexcept { return Page; }
};

// One block of consecutive pages.
class TXbNTXBuffer {
public:
    TXbNTXBuffer(uint32_t startOffset, int pageCount);
    TXbNTXBuffer(const TXbNTXBuffer&) = delete;
    TXbNTXBuffer& operator=(const TXbNTXBuffer&) = delete;

    uint32_t StartOffset() const noexcept { return startOffset_; }
    int PageCount() const noexcept { return static_cast<int>(nodes_.size()); }
    int PinCount = 0;
    int UseCount = 0;
    uint8_t* Memory() const noexcept { return memory_.Data(); }
    TXbNTXNode& Node(int index) noexcept { return nodes_[static_cast<size_t>(index)]; }
    bool HasDirtyPage() const noexcept;
    // Takes another start offset: the nodes are renumbered, nothing is read.
    void Renumber(uint32_t startOffset) noexcept;

private:
    uint32_t startOffset_;
    TXbDBFBlock memory_;
    std::vector<TXbNTXNode> nodes_;
};

class TXbNTXBuffers {
public:
    TXbNTXBuffers() = default;
    TXbNTXBuffers(const TXbNTXBuffers&) = delete;
    TXbNTXBuffers& operator=(const TXbNTXBuffers&) = delete;

    // The file the pages come from and the cipher of its table (none, or inactive: plain pages).
    void Attach(TProxyStream* stream, TXbDBFCrypt* crypt) noexcept
    {
        stream_ = stream;
        crypt_ = crypt;
    }

    TXbLimitBuffersType LimitType = TXbLimitBuffersType::lbtUnlimited;
    int BlockLimit = 0;
    // Sets the pages per block (kept within 1..510); the cache is cleared first.
    void SetPagesPerBlock(int pages);
    int PagesPerBlock() const noexcept { return pagesPerBlock_; }
    // The fewest blocks a limited cache keeps, whatever its limit says (a walk pins one page
    // at a time; a split needs the path and the new pages).
    int MinimumBlocks = 0;
    // Applies the settings of LimitPages; for lbtAuto the limit is 3 x the nearest integer to
    // log base (half page + 1) of (record count + 100000), written back into the settings.
    void ApplyLimits(TXbLimitIndexPages& limits, int halfPage, int64_t recordCount);

    // The page at `offset`, pinned; Read false for a page being appended at the end of the file
    // (the block's last page is not read). Raises when every block is pinned at the limit.
    TXbNTXNode& GetNTXBuffer(uint32_t offset, bool read);
    void Release(TXbNTXNode& node) noexcept;
    void MarkDirty(uint32_t offset) noexcept;
    // Writes every block that has dirty pages.
    void FlushAll();
    // Drops every block without writing.
    void Clear() noexcept;

    // The page at `offset` when its block is in the cache, else null; nothing is pinned, read
    // or counted as a use.
    TXbNTXNode* PeekNode(uint32_t offset) noexcept;
    // Asks the processor for the page's entry (not its bytes) when its block is in the cache.
    void PrefetchNode(uint32_t offset) const noexcept;

    int BlockCount() const noexcept { return static_cast<int>(blocks_.size()); }
    const TXbNTXBuffer& BlockAt(int index) const noexcept { return *blocks_[static_cast<size_t>(index)]; }
    // Reads from the file since the cache was made (one per block loaded).
    int64_t BlockReads() const noexcept { return blockReads_; }

private:
    uint32_t BlockStartOf(uint32_t offset) const noexcept;
    // Binary search: true when a block starts at `start`; `index` is its place or where it goes.
    bool FindBlock(uint32_t start, size_t& index) const noexcept;
    // The block starting at `start`, or null.
    TXbNTXBuffer* CachedBlock(uint32_t start) const noexcept;
    // Records the block of `start` (null: none) where the table has room for it.
    void SetCachedBlock(uint32_t start, TXbNTXBuffer* block) noexcept;
    void Load(TXbNTXBuffer& block, bool read);
    // Writes the run from the first to the last dirty page of the block in one write.
    void Flash(TXbNTXBuffer& block);
    int EffectiveLimit() const noexcept;

    std::vector<std::unique_ptr<TXbNTXBuffer>> blocks_;
    // The first page entry of each block by block number (start offset / block size); null
    // where none is cached.
    std::vector<TXbNTXNode*> byNumber_;
    int pagesPerBlock_ = 4;
    TProxyStream* stream_ = nullptr;
    TXbDBFCrypt* crypt_ = nullptr;
    int64_t blockReads_ = 0;
};

// Reads / writes `count` bytes at `offset` of an index file; bytes read (-1 on failure), and
// whether all were written.
int64_t NTXReadAt(TProxyStream& stream, int64_t offset, void* buffer, int64_t count);
bool NTXWriteAt(TProxyStream& stream, int64_t offset, const void* buffer, int64_t count);

// Pins a page for a scope.
class TXbNTXPageRef {
public:
    TXbNTXPageRef(TXbNTXBuffers& cache, uint32_t offset, bool read = true)
        : cache_(&cache), node_(&cache.GetNTXBuffer(offset, read))
    {
    }
    ~TXbNTXPageRef()
    {
        if (node_ != nullptr)
            cache_->Release(*node_);
    }
    TXbNTXPageRef(const TXbNTXPageRef&) = delete;
    TXbNTXPageRef& operator=(const TXbNTXPageRef&) = delete;

    TXbNTXNode& Node() const noexcept { return *node_; }
    uint8_t* Data() const noexcept { return node_->Data(); }

private:
    TXbNTXBuffers* cache_;
    TXbNTXNode* node_;
};
