#include "dbf/index/XbNTXBuffers.h"

#include "dbf/XbDBFCrypt.h"
#include "dbf/XbDBFPrx.h"
#include "dbf/index/XbNTXFormat.h"
#include "platform/rtl/Exceptions.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int kMaxPagesPerBlock = 510;

}  // namespace

int64_t NTXReadAt(TProxyStream& stream, int64_t offset, void* buffer, int64_t count)
{
    if (stream.SeekTo(offset, 0) != offset)
        return -1;
    return stream.ReadBlock(buffer, count);
}

bool NTXWriteAt(TProxyStream& stream, int64_t offset, const void* buffer, int64_t count)
{
    return stream.SeekTo(offset, 0) == offset && stream.WriteBlock(buffer, count) == count;
}

// ---- TXbNTXBuffer

TXbNTXBuffer::TXbNTXBuffer(uint32_t startOffset, int pageCount)
    : startOffset_(startOffset),
      memory_("TXbNTXBuffer", static_cast<size_t>(pageCount) * kNTXPageSize),
      nodes_(static_cast<size_t>(pageCount))
{
    for (int i = 0; i < pageCount; ++i) {
        TXbNTXNode& node = nodes_[static_cast<size_t>(i)];
        node.Block = this;
        node.IndexInBlock = i;
        node.Page = memory_.Data() + static_cast<size_t>(i) * kNTXPageSize;
    }
    Renumber(startOffset);
}

bool TXbNTXBuffer::HasDirtyPage() const noexcept
{
    return std::any_of(nodes_.begin(), nodes_.end(), [](const TXbNTXNode& node) { return node.Dirty; });
}

void TXbNTXBuffer::Renumber(uint32_t startOffset) noexcept
{
    startOffset_ = startOffset;
    for (TXbNTXNode& node : nodes_) {
        node.Offset = startOffset + static_cast<uint32_t>(node.IndexInBlock) * kNTXPageSize;
        node.Dirty = false;
        node.Checked = false;
        node.SlotsChecked = false;
    }
}

// ---- TXbNTXBuffers

void TXbNTXBuffers::SetPagesPerBlock(int pages)
{
    Clear();
    // Block numbers change with the block size.
    byNumber_.clear();
    pagesPerBlock_ = std::clamp(pages, 1, kMaxPagesPerBlock);
}

void TXbNTXBuffers::ApplyLimits(TXbLimitIndexPages& limits, int halfPage, int64_t recordCount)
{
    SetPagesPerBlock(limits.PagesPerBuffer);
    LimitType = limits.LimitPagesType;
    switch (LimitType) {
    case TXbLimitBuffersType::lbtAuto: {
        const double base = static_cast<double>(std::max(halfPage, 1) + 1);
        const double levels = std::log(static_cast<double>(std::max<int64_t>(recordCount, 0) + 100000)) / std::log(base);
        BlockLimit = 3 * static_cast<int>(std::nearbyint(levels));
        limits.LimitBuffers = BlockLimit;
        break;
    }
    case TXbLimitBuffersType::lbtLimited: BlockLimit = limits.LimitBuffers; break;
    case TXbLimitBuffersType::lbtUnlimited: break;
    }
}

int TXbNTXBuffers::EffectiveLimit() const noexcept { return std::max({BlockLimit, MinimumBlocks, 1}); }

uint32_t TXbNTXBuffers::BlockStartOf(uint32_t offset) const noexcept
{
    const uint32_t blockSize = static_cast<uint32_t>(pagesPerBlock_) * kNTXPageSize;
    return offset / blockSize * blockSize;
}

bool TXbNTXBuffers::FindBlock(uint32_t start, size_t& index) const noexcept
{
    const auto place = std::lower_bound(blocks_.begin(), blocks_.end(), start,
                                        [](const std::unique_ptr<TXbNTXBuffer>& block, uint32_t value) {
                                            return block->StartOffset() < value;
                                        });
    index = static_cast<size_t>(place - blocks_.begin());
    return place != blocks_.end() && (*place)->StartOffset() == start;
}

TXbNTXBuffer* TXbNTXBuffers::CachedBlock(uint32_t start) const noexcept
{
    const size_t number = start / (static_cast<uint32_t>(pagesPerBlock_) * kNTXPageSize);
    return number < byNumber_.size() && byNumber_[number] != nullptr ? byNumber_[number]->Block : nullptr;
}

void TXbNTXBuffers::SetCachedBlock(uint32_t start, TXbNTXBuffer* block) noexcept
{
    const size_t number = start / (static_cast<uint32_t>(pagesPerBlock_) * kNTXPageSize);
    if (number < byNumber_.size())
        byNumber_[number] = block != nullptr ? &block->Node(0) : nullptr;
}

TXbNTXNode* TXbNTXBuffers::PeekNode(uint32_t offset) noexcept
{
    const uint32_t blockBytes = static_cast<uint32_t>(pagesPerBlock_) * kNTXPageSize;
    const size_t number = offset / blockBytes;
    TXbNTXNode* first = number < byNumber_.size() ? byNumber_[number] : nullptr;
    return first != nullptr ? first + (offset % blockBytes) / kNTXPageSize : nullptr;
}

void TXbNTXBuffers::PrefetchNode(uint32_t offset) const noexcept
{
    const uint32_t blockBytes = static_cast<uint32_t>(pagesPerBlock_) * kNTXPageSize;
    const size_t number = offset / blockBytes;
    if (number < byNumber_.size() && byNumber_[number] != nullptr)
        __builtin_prefetch(byNumber_[number] + (offset % blockBytes) / kNTXPageSize);
}

TXbNTXNode& TXbNTXBuffers::GetNTXBuffer(uint32_t offset, bool read)
{
    const uint32_t start = BlockStartOf(offset);
    const int pageIndex = static_cast<int>((offset - start) / kNTXPageSize);
    if (TXbNTXBuffer* cached = CachedBlock(start)) {
        ++cached->PinCount;
        ++cached->UseCount;
        return cached->Node(pageIndex);
    }
    // Room in the table first, so that nothing fails once the list has changed.
    const size_t number = start / (static_cast<uint32_t>(pagesPerBlock_) * kNTXPageSize);
    if (number >= byNumber_.size())
        byNumber_.resize(std::max(number + 1, byNumber_.size() * 2), nullptr);
    size_t index = 0;
    FindBlock(start, index);
    const bool limited = LimitType != TXbLimitBuffersType::lbtUnlimited;
    if (limited && static_cast<int>(blocks_.size()) >= EffectiveLimit()) {
        // The unpinned block used least often (the first among equals) takes the new pages.
        size_t victim = blocks_.size();
        for (size_t i = 0; i < blocks_.size(); ++i)
            if (blocks_[i]->PinCount == 0 && (victim == blocks_.size() || blocks_[i]->UseCount < blocks_[victim]->UseCount))
                victim = i;
        if (victim == blocks_.size())
            throw Exception("TXbNTXBuffers.GetNTXBuffer: There is no enough free NTX page buffers! Increase LimitPages "
                            "property.");
        TXbNTXBuffer& block = *blocks_[victim];
        Flash(block);
        SetCachedBlock(block.StartOffset(), nullptr);
        block.Renumber(start);
        block.PinCount = 1;
        block.UseCount = 1;
        // Moved to its sorted place by neighbour exchanges.
        size_t place = victim;
        while (place + 1 < blocks_.size() && blocks_[place + 1]->StartOffset() < start) {
            std::swap(blocks_[place], blocks_[place + 1]);
            ++place;
        }
        while (place > 0 && blocks_[place - 1]->StartOffset() > start) {
            std::swap(blocks_[place], blocks_[place - 1]);
            --place;
        }
        try {
            Load(block, read);
        } catch (...) {
            blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(place));
            throw;
        }
        SetCachedBlock(start, &block);
        return block.Node(pageIndex);
    }
    auto made = std::make_unique<TXbNTXBuffer>(start, pagesPerBlock_);
    TXbNTXBuffer& block = *made;
    Load(block, read);
    block.PinCount = 1;
    block.UseCount = 1;
    blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(index), std::move(made));
    SetCachedBlock(start, &block);
    return block.Node(pageIndex);
}

void TXbNTXBuffers::Load(TXbNTXBuffer& block, bool read)
{
    const int pages = read ? block.PageCount() : block.PageCount() - 1;
    std::memset(block.Memory(), 0, static_cast<size_t>(block.PageCount()) * kNTXPageSize);
    if (pages <= 0 || stream_ == nullptr)
        return;
    ++blockReads_;
    const int64_t got = NTXReadAt(*stream_, block.StartOffset(), block.Memory(), static_cast<int64_t>(pages) * kNTXPageSize);
    if (got < 0)
        throw Exception("TXbNTXBuffers.GetNTXBuffer: Read error " + NTXQuoted(stream_->FileName));
    const int whole = static_cast<int>(got / kNTXPageSize);
    // A page cut by the end of the file reads as zeros, not half-filled.
    if (got % kNTXPageSize != 0)
        std::memset(block.Memory() + static_cast<size_t>(whole) * kNTXPageSize, 0, static_cast<size_t>(got % kNTXPageSize));
    if (crypt_ != nullptr && crypt_->Active())
        for (int i = 0; i < whole; ++i)
            crypt_->Decrypt(block.Node(i).Offset, block.Node(i).Data(), kNTXPageSize);
}

void TXbNTXBuffers::Release(TXbNTXNode& node) noexcept
{
    if (node.Block->PinCount > 0)
        --node.Block->PinCount;
}

void TXbNTXBuffers::MarkDirty(uint32_t offset) noexcept
{
    if (TXbNTXNode* node = PeekNode(offset))
        node->Dirty = true;
}

void TXbNTXBuffers::Flash(TXbNTXBuffer& block)
{
    if (!block.HasDirtyPage())
        return;
    int first = -1;
    int last = -1;
    for (int i = 0; i < block.PageCount(); ++i) {
        if (block.Node(i).Dirty) {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    if (first < 0 || stream_ == nullptr)
        throw Exception("TXbNTXBuffers.Flash: Internal Error!");
    const bool cipher = crypt_ != nullptr && crypt_->Active();
    if (cipher)
        for (int i = first; i <= last; ++i)
            crypt_->Encrypt(block.Node(i).Offset, block.Node(i).Data(), kNTXPageSize);
    const int64_t offset = block.Node(first).Offset;
    const int64_t bytes = static_cast<int64_t>(last - first + 1) * kNTXPageSize;
    const bool written = NTXWriteAt(*stream_, offset, block.Node(first).Data(), bytes);
    if (cipher)
        for (int i = first; i <= last; ++i)
            crypt_->Decrypt(block.Node(i).Offset, block.Node(i).Data(), kNTXPageSize);
    if (!written)
        throw Exception("TXbNTXBuffers.Flash: Write error " + NTXQuoted(stream_->FileName));
    for (int i = 0; i < block.PageCount(); ++i)
        block.Node(i).Dirty = false;
}

void TXbNTXBuffers::FlushAll()
{
    for (const std::unique_ptr<TXbNTXBuffer>& block : blocks_)
        Flash(*block);
}

void TXbNTXBuffers::Clear() noexcept
{
    // The table keeps its size (a cache cleared between searches refills the same range): only
    // the entries of the blocks that go are emptied.
    for (const std::unique_ptr<TXbNTXBuffer>& block : blocks_)
        SetCachedBlock(block->StartOffset(), nullptr);
    blocks_.clear();
}
