// The merge sorters: items gather in an in-memory sorter; each full run of items is sorted and
// written to the temporary stream as a chain of blocks; Sort merges the runs two, four or eight
// at a time until at most that many are left, and the walk merges those on the fly.
//
// Block n lies at n * BufferSize: u32 next block of the run (0xFFFFFFFF: none), u32 item count,
// then the items, each a u32 record number followed by the key. A run reader gives a block back
// as soon as it has read it, and new runs take given-back blocks first, so the stream grows
// little beyond the size of the data.

#include "dbf/index/XbDBFSorters.h"

#include "dbf/XbDBFPrx.h"
#include "platform/rtl/Exceptions.h"

#include <cstring>

namespace {
constexpr uint32_t kNoBlock = 0xFFFFFFFFu;

uint32_t Load(const uint8_t* p) noexcept
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
void Store(uint8_t* p, uint32_t value) noexcept
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(value >> (8 * i));
}

TXbSorterSettings InnerSettings(const TXbSorterSettings& settings, uint32_t runLength)
{
    TXbSorterSettings inner = settings;
    // The inner sorter holds one run, never more: that bounds the memory of the whole sort.
    inner.Capacity = settings.Capacity < runLength ? settings.Capacity : runLength;
    inner.ItemsPerInnerSorter = 0;
    inner.BufferSize = 4096;
    inner.InnerSorterClass = nullptr;
    inner.TempStream = nullptr;
    return inner;
}
}  // namespace

// ---- run reader

TXbMergeIterator::TXbMergeIterator(TXbMergeSorter& sorter, uint32_t firstBlock)
    : sorter_(sorter), buffer_("TXbMergeIterator", static_cast<size_t>(sorter.settings_.BufferSize)), block_(firstBlock)
{
}

void TXbMergeIterator::Load(uint32_t block)
{
    sorter_.ReadStreamBlock(block, buffer_.Data());
    sorter_.GiveBackBlock(block);
    block_ = block;
    position_ = 0;
    itemsInBlock_ = ::Load(buffer_.Data() + 4);
    end_ = itemsInBlock_ == 0;
}

void TXbMergeIterator::Start()
{
    if (block_ == kNoBlock) {
        end_ = true;
        return;
    }
    Load(block_);
}

const uint8_t* TXbMergeIterator::Current() const
{
    if (end_)
        return nullptr;
    return buffer_.Data() + 8 + static_cast<size_t>(position_) * sorter_.diskItemSize_;
}

void TXbMergeIterator::Next()
{
    if (end_)
        return;
    if (++position_ < itemsInBlock_)
        return;
    const uint32_t next = ::Load(buffer_.Data());
    if (next == kNoBlock) {
        end_ = true;
        return;
    }
    Load(next);
}

// ---- two-way merge

TXbMerge2PathIterator::TXbMerge2PathIterator(TXbMergeSorter& sorter, std::unique_ptr<TXbMergeIteratorAbstract> first,
                                             std::unique_ptr<TXbMergeIteratorAbstract> second)
    : sorter_(sorter), first_(std::move(first)), second_(std::move(second))
{
}

void TXbMerge2PathIterator::Start()
{
    first_->Start();
    second_->Start();
    Choose();
}

void TXbMerge2PathIterator::Next()
{
    if (chosen_ == nullptr)
        return;
    chosen_->Next();
    Choose();
}

void TXbMerge2PathIterator::Choose()
{
    for (;;) {
        if (first_->AtEnd()) {
            chosen_ = second_->AtEnd() ? nullptr : second_.get();
            return;
        }
        if (second_->AtEnd()) {
            chosen_ = first_.get();
            return;
        }
        const uint8_t* a = first_->Current();
        const uint8_t* b = second_->Current();
        int keyResult = 0;
        const int result = sorter_.CompareParts(a + 4, Load(a), b + 4, Load(b), keyResult);
        if (keyResult == 0 && sorter_.unique_) {
            // The first source holds the earlier runs: its item is the one kept.
            second_->Next();
            continue;
        }
        chosen_ = result <= 0 ? first_.get() : second_.get();
        return;
    }
}

// ---- merge sorter

TXbMergeSorter::TXbMergeSorter(const TXbSorterSettings& settings, int ways)
    : TXbMergeSorterBase(settings), ways_(ways), diskItemSize_(settings.KeySize + 4), stream_(settings.TempStream)
{
    if (stream_ == nullptr)
        throw Exception(std::string(ClassName()) + ".Create: No temporary stream!");
    if (settings.BufferSize <= 8 || (settings.BufferSize - 8) / diskItemSize_ < 1)
        throw Exception("TXbMergeSorter.Create: BufferSize " + std::to_string(settings.BufferSize) +
                        " holds no item of " + std::to_string(diskItemSize_) + " bytes!");
    itemsPerBlock_ = (settings.BufferSize - 8) / diskItemSize_;
    const int64_t perInner = settings.ItemsPerInnerSorter;
    int64_t runLength = perInner > 0 ? perInner : perInner == 0 ? itemsPerBlock_ : itemsPerBlock_ * -perInner;
    if (runLength > 0x7FFFFFFF)
        runLength = 0x7FFFFFFF;
    runLength_ = static_cast<uint32_t>(runLength);
    const TXbSorterClass& innerClass = settings.InnerSorterClass ? *settings.InnerSorterClass : XbAVLTreeSorterClass;
    if (innerClass.Outer)
        throw Exception("TXbMergeSorter.Create: The inner sorter must sort in memory!");
    inner_ = innerClass.Create(InnerSettings(settings, runLength_));
    output_ = TXbDBFBlock(this, static_cast<size_t>(settings.BufferSize));
    current_.assign(static_cast<size_t>(ItemSize()), 0);
    runs_.reserve(runLength_ ? settings.Capacity / runLength_ + 1 : 1);
}

TXbMergeSorter::~TXbMergeSorter()
{
    walk_.reset();
}

uint32_t TXbMergeSorter::GetSortArray(int32_t)
{
    throw Exception("TXbMergeSorter.GetSortArray: Not implemented!");
}

void TXbMergeSorter::SetSortArray(int32_t, uint32_t)
{
    throw Exception("TXbMergeSorter.SetSortArray: Not implemented!");
}

void TXbMergeSorter::GetSortItem(int32_t, uint8_t*)
{
    throw Exception("TXbMergeSorter.GetSortItem: Not implemented!");
}

void TXbMergeSorter::SetSortItem(int32_t, const uint8_t*)
{
    throw Exception("TXbMergeSorter.SetSortItem: Not implemented!");
}

uint8_t* TXbMergeSorter::GetPSortItem(int32_t)
{
    throw Exception("TXbMergeSorter.GetPSortItem: Not implemented!");
}

void TXbMergeSorter::ReadStreamBlock(uint32_t block, uint8_t* buffer)
{
    const int64_t size = settings_.BufferSize;
    if (stream_->SeekTo(static_cast<int64_t>(block) * size, 0) < 0 || stream_->ReadBlock(buffer, size) != size)
        throw EInOutError(std::string(ClassName()) + ": Can not read block " + std::to_string(block) +
                          " of the temporary file." + stream_->ErrorInfo());
}

void TXbMergeSorter::WriteStreamBlock(uint32_t block, const uint8_t* buffer)
{
    const int64_t size = settings_.BufferSize;
    if (stream_->SeekTo(static_cast<int64_t>(block) * size, 0) < 0 || stream_->WriteBlock(buffer, size) != size)
        throw EInOutError(std::string(ClassName()) + ": Can not write block " + std::to_string(block) +
                          " of the temporary file." + stream_->ErrorInfo());
}

uint32_t TXbMergeSorter::TakeBlock()
{
    if (!freeBlocks_.empty()) {
        const uint32_t block = freeBlocks_.back();
        freeBlocks_.pop_back();
        return block;
    }
    return blockCount_++;
}

namespace {
// Writes items into a chain of blocks through one output buffer. The link of a full block is
// the block taken for the next item, so a block is written once, whole.
class TRunWriter {
public:
    TRunWriter(uint8_t* buffer, int itemsPerBlock, int itemSize, std::function<uint32_t()> take,
               std::function<void(uint32_t, const uint8_t*)> write)
        : buffer_(buffer), itemsPerBlock_(itemsPerBlock), itemSize_(itemSize), take_(std::move(take)),
          write_(std::move(write))
    {
    }

    void Add(uint32_t recNo, const uint8_t* key)
    {
        if (first_ == kNoBlock) {
            first_ = block_ = take_();
        } else if (count_ == itemsPerBlock_) {
            const uint32_t next = take_();
            Flush(next);
            block_ = next;
            count_ = 0;
        }
        uint8_t* item = buffer_ + 8 + static_cast<size_t>(count_) * itemSize_;
        Store(item, recNo);
        std::memcpy(item + 4, key, static_cast<size_t>(itemSize_ - 4));
        ++count_;
    }

    // The first block of the run (none when no item came).
    uint32_t Finish()
    {
        if (first_ != kNoBlock)
            Flush(kNoBlock);
        return first_;
    }

private:
    void Flush(uint32_t next)
    {
        Store(buffer_, next);
        Store(buffer_ + 4, static_cast<uint32_t>(count_));
        write_(block_, buffer_);
    }

    uint8_t* buffer_;
    int itemsPerBlock_;
    int itemSize_;
    std::function<uint32_t()> take_;
    std::function<void(uint32_t, const uint8_t*)> write_;
    uint32_t first_ = kNoBlock;
    uint32_t block_ = kNoBlock;
    int count_ = 0;
};
}  // namespace

void TXbMergeSorter::WriteRun()
{
    inner_->Sort();
    if (!inner_->FirstSortItem()) {
        std::memset(output_.Data(), 0, output_.Size());
        TRunWriter writer(
            output_.Data(), itemsPerBlock_, diskItemSize_, [this] { return TakeBlock(); },
            [this](uint32_t block, const uint8_t* data) { WriteStreamBlock(block, data); });
        do {
            const uint8_t* item = inner_->CurrentSortItem();
            writer.Add(XbSortItemRecNo(item), item + 8);
        } while (!inner_->NextSortItem());
        runs_.push_back(writer.Finish());
    }
    inner_->Clear();
}

bool TXbMergeSorter::AddItem(const uint8_t* item)
{
    if (!inner_->AddItem(item))
        return false;
    ++count_;
    if (static_cast<uint32_t>(inner_->Count()) >= runLength_ ||
        static_cast<uint32_t>(inner_->Count()) >= inner_->Capacity())
        WriteRun();
    return true;
}

std::unique_ptr<TXbMergeIteratorAbstract> TXbMergeSorter::MergeOf(const std::vector<uint32_t>& runs, size_t from,
                                                                   size_t to)
{
    if (to - from == 1)
        return std::make_unique<TXbMergeIterator>(*this, runs[from]);
    const size_t middle = from + (to - from + 1) / 2;
    return std::make_unique<TXbMerge2PathIterator>(*this, MergeOf(runs, from, middle), MergeOf(runs, middle, to));
}

uint32_t TXbMergeSorter::WriteMerged(TXbMergeIteratorAbstract& source)
{
    TRunWriter writer(
        output_.Data(), itemsPerBlock_, diskItemSize_, [this] { return TakeBlock(); },
        [this](uint32_t block, const uint8_t* data) { WriteStreamBlock(block, data); });
    source.Start();
    while (!source.AtEnd()) {
        const uint8_t* item = source.Current();
        writer.Add(Load(item), item + 4);
        source.Next();
    }
    return writer.Finish();
}

void TXbMergeSorter::Sort()
{
    walk_.reset();
    WriteRun();
    const size_t ways = static_cast<size_t>(ways_);
    while (runs_.size() > ways) {
        std::vector<uint32_t> merged;
        for (size_t from = 0; from < runs_.size(); from += ways) {
            const size_t to = std::min(runs_.size(), from + ways);
            if (to - from == 1) {
                merged.push_back(runs_[from]);
                continue;
            }
            auto group = MergeOf(runs_, from, to);
            merged.push_back(WriteMerged(*group));
        }
        runs_ = std::move(merged);
        ++passes_;
    }
}

void TXbMergeSorter::Clear()
{
    walk_.reset();
    inner_->Clear();
    count_ = 0;
    runs_.clear();
    freeBlocks_.clear();
    blockCount_ = 0;
    passes_ = 0;
    if (stream_->SeekTo(0, 0) < 0 || !stream_->Truncate())
        throw EInOutError(std::string(ClassName()) + ": Can not empty the temporary file." + stream_->ErrorInfo());
}

void TXbMergeSorter::LoadCurrent()
{
    const uint8_t* item = walk_->Current();
    std::memset(current_.data(), 0, 4);
    std::memcpy(current_.data() + 4, item, static_cast<size_t>(diskItemSize_));
}

bool TXbMergeSorter::FirstSortItem()
{
    walk_.reset();
    if (runs_.empty())
        return true;
    walk_ = MergeOf(runs_, 0, runs_.size());
    walk_->Start();
    if (walk_->AtEnd())
        return true;
    LoadCurrent();
    return false;
}

bool TXbMergeSorter::NextSortItem()
{
    if (!walk_ || walk_->AtEnd())
        return true;
    walk_->Next();
    if (walk_->AtEnd())
        return true;
    LoadCurrent();
    return false;
}
