// The bottom-up NTX writer and the run readers of the compact build.

#include "dbf/index/XbNTXCreate.h"

#include "dbf/XbDBFCrypt.h"
#include "dbf/XbDBFPrx.h"
#include "dbf/index/XbNTXBuffers.h"
#include "platform/rtl/Exceptions.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>

namespace {

struct TPageItem {
    std::vector<uint8_t> Key;
    uint32_t RecNo = 0;
    uint32_t Child = 0;
};

std::vector<TPageItem> ItemsOf(const TXbNTXPage& page, int keySize, uint32_t& rightmost)
{
    std::vector<TPageItem> items;
    for (int i = 0; i < page.Count(); ++i) {
        const auto* key = reinterpret_cast<const uint8_t*>(page.Key(i));
        items.push_back({std::vector<uint8_t>(key, key + keySize), page.RecNo(i), page.Child(i)});
    }
    rightmost = page.Child(page.Count());
    return items;
}

void FillPage(TXbNTXPage& page, const std::vector<TPageItem>& items, size_t from, size_t to, uint32_t rightmost,
              int keySize)
{
    page.Initialize();
    int slot = 0;
    for (size_t i = from; i < to; ++i, ++slot) {
        page.SetChild(slot, items[i].Child);
        page.SetRecNo(slot, items[i].RecNo);
        std::memcpy(page.KeyData(slot), items[i].Key.data(), static_cast<size_t>(keySize));
    }
    page.SetCount(slot);
    page.SetChild(slot, rightmost);
}

}  // namespace

// ---- bottom-up writer

TXbNTXCompactIndex::TXbNTXCompactIndex(TProxyStream& output, const TXbNTXHeader& header, TXbDBFCrypt* crypt,
                                       int pagesPerBuffer)
    : output_(&output), header_(header), crypt_(crypt), pagesPerBuffer_(std::max(1, pagesPerBuffer))
{
    Start();
}

TXbNTXCompactIndex::TXbNTXCompactIndex(const std::string& fileName, const TXbNTXHeader& header, TXbDBFCrypt* crypt,
                                       int pagesPerBuffer)
    : ownStream_(std::make_unique<TProxyStream>()), output_(ownStream_.get()), header_(header), crypt_(crypt),
      pagesPerBuffer_(std::max(1, pagesPerBuffer))
{
    ownStream_->FileName = fileName;
    ownStream_->AccessMode().SetAccessMode(TAccessMode::kOpenReadWrite | TAccessMode::kShareExclusive);
    if (!ownStream_->CreateProxyStream())
        throw Exception("TXbNTXCompactIndex.CreateEmptyIndex: Index create error " + NTXQuoted(fileName) +
                        ownStream_->ErrorInfo());
    Start();
}

TXbNTXCompactIndex::~TXbNTXCompactIndex()
{
    if (ownStream_)
        ownStream_->CloseStream();
}

void TXbNTXCompactIndex::Start()
{
    header_.Version = 1;
    header_.Root = kNTXPageSize;
    header_.FreePage = 0;
    geometry_ = TXbNTXGeometry::Of(header_);
    uint8_t image[kNTXHeaderSize];
    WriteNTXHeader(header_, image);
    if (output_->SeekTo(0, 0) != 0 || !output_->Truncate() || !NTXWriteAt(*output_, 0, image, kNTXHeaderSize))
        throw Exception("TXbNTXCompactIndex.CreateEmptyIndex: Index create error " + NTXQuoted(output_->FileName) +
                        output_->ErrorInfo());
    levels_.resize(1);
    levels_[0].Page.assign(kNTXPageSize, 0);
    TXbNTXPage(levels_[0].Page.data(), geometry_).Initialize();
    pending_.assign(static_cast<size_t>(pagesPerBuffer_) * kNTXPageSize, 0);
}

void TXbNTXCompactIndex::RaiseWriteError() const
{
    throw Exception("TXbNTXCompactIndex: Write error " + NTXQuoted(output_->FileName) + output_->ErrorInfo());
}

void TXbNTXCompactIndex::FlushPending()
{
    if (pendingPages_ == 0)
        return;
    if (!NTXWriteAt(*output_, pendingOffset_, pending_.data(), static_cast<int64_t>(pendingPages_) * kNTXPageSize))
        RaiseWriteError();
    pendingPages_ = 0;
}

uint32_t TXbNTXCompactIndex::WritePage(uint8_t* page)
{
    if (nextOffset_ > 0xFFFFFFFFu - kNTXPageSize)
        throw Exception("TXbNTXCompactIndex: Index file " + NTXQuoted(output_->FileName) + " would pass 4 GB");
    const uint32_t offset = nextOffset_;
    nextOffset_ += kNTXPageSize;
    if (pendingPages_ == 0)
        pendingOffset_ = offset;
    uint8_t* place = pending_.data() + static_cast<size_t>(pendingPages_) * kNTXPageSize;
    std::memcpy(place, page, kNTXPageSize);
    if (crypt_ != nullptr && crypt_->Active())
        crypt_->Encrypt(offset, place, kNTXPageSize);
    if (++pendingPages_ == pagesPerBuffer_)
        FlushPending();
    return offset;
}

void TXbNTXCompactIndex::ReadPageAt(uint32_t offset, uint8_t* page)
{
    if (NTXReadAt(*output_, offset, page, kNTXPageSize) != kNTXPageSize)
        throw Exception("TXbNTXCompactIndex: Read error " + NTXQuoted(output_->FileName) + output_->ErrorInfo());
    if (crypt_ != nullptr && crypt_->Active())
        crypt_->Decrypt(offset, page, kNTXPageSize);
}

void TXbNTXCompactIndex::WritePageAt(uint32_t offset, uint8_t* page)
{
    if (crypt_ != nullptr && crypt_->Active())
        crypt_->Encrypt(offset, page, kNTXPageSize);
    if (!NTXWriteAt(*output_, offset, page, kNTXPageSize))
        RaiseWriteError();
}

void TXbNTXCompactIndex::AddItem(const uint8_t* key, uint32_t recNo)
{
    AddAt(0, key, recNo, 0);
    ++items_;
}

void TXbNTXCompactIndex::AddAt(int level, const uint8_t* key, uint32_t recNo, uint32_t child)
{
    if (level > top_) {
        if (level >= kNTXMaxDepth)
            throw Exception("TXbNTXCompactIndex: The tree would be deeper than " + std::to_string(kNTXMaxDepth) +
                            " levels");
        top_ = level;
        levels_.resize(static_cast<size_t>(level) + 1);
        levels_[static_cast<size_t>(level)].Page.assign(kNTXPageSize, 0);
        TXbNTXPage(levels_[static_cast<size_t>(level)].Page.data(), geometry_).Initialize();
    }
    uint8_t* data = levels_[static_cast<size_t>(level)].Page.data();
    TXbNTXPage page(data, geometry_);
    const int count = page.Count();
    if (count == geometry_.Capacity) {
        // The full page goes to the file; the item rises as its separator.
        page.SetChild(count, child);
        const uint32_t written = WritePage(data);
        page.Initialize();
        AddAt(level + 1, key, recNo, written);
        return;
    }
    uint8_t* item = page.Item(count);
    TXbNTXPage::Store32(item, child);
    TXbNTXPage::Store32(item + 4, recNo);
    std::memcpy(item + 8, key, static_cast<size_t>(geometry_.KeySize));
    page.SetCount(count + 1);
}

void TXbNTXCompactIndex::Finish()
{
    if (finished_)
        return;
    uint32_t lastWritten = 0;
    for (int level = 0; level <= top_; ++level) {
        uint8_t* data = levels_[static_cast<size_t>(level)].Page.data();
        TXbNTXPage page(data, geometry_);
        page.SetChild(page.Count(), level == 0 ? 0 : lastWritten);
        lastWritten = WritePage(data);
    }
    FlushPending();
    header_.Root = lastWritten;
    uint8_t image[kNTXHeaderSize];
    WriteNTXHeader(header_, image);
    if (!NTXWriteAt(*output_, 0, image, kNTXHeaderSize))
        RaiseWriteError();
    RepairRightEdge();
    finished_ = true;
}

void TXbNTXCompactIndex::RepairRightEdge()
{
    const int keySize = geometry_.KeySize;
    std::vector<uint8_t> parentData(kNTXPageSize);
    std::vector<uint8_t> leftData(kNTXPageSize);
    std::vector<uint8_t> rightData(kNTXPageSize);
    uint32_t parentOffset = header_.Root;
    for (int level = top_; level > 0; --level) {
        ReadPageAt(parentOffset, parentData.data());
        TXbNTXPage parent(parentData.data(), geometry_);
        const int separator = parent.Count() - 1;
        const uint32_t rightOffset = parent.Child(parent.Count());
        ReadPageAt(rightOffset, rightData.data());
        TXbNTXPage right(rightData.data(), geometry_);
        if (right.Count() < geometry_.HalfPage && separator >= 0) {
            const uint32_t leftOffset = parent.Child(separator);
            ReadPageAt(leftOffset, leftData.data());
            TXbNTXPage left(leftData.data(), geometry_);
            uint32_t leftRightmost = 0;
            uint32_t rightRightmost = 0;
            std::vector<TPageItem> leftItems = ItemsOf(left, keySize, leftRightmost);
            const std::vector<TPageItem> rightItems = ItemsOf(right, keySize, rightRightmost);
            const size_t keep = leftItems.size() - static_cast<size_t>(geometry_.HalfPage);
            // The old separator comes down over the left page's rightmost child.
            const auto* separatorKey = reinterpret_cast<const uint8_t*>(parent.Key(separator));
            TPageItem down{std::vector<uint8_t>(separatorKey, separatorKey + keySize), parent.RecNo(separator),
                           leftRightmost};
            std::vector<TPageItem> newRight(leftItems.begin() + static_cast<std::ptrdiff_t>(keep) + 1, leftItems.end());
            newRight.push_back(down);
            newRight.insert(newRight.end(), rightItems.begin(), rightItems.end());
            const TPageItem& up = leftItems[keep];
            parent.SetRecNo(separator, up.RecNo);
            std::memcpy(parent.KeyData(separator), up.Key.data(), static_cast<size_t>(keySize));
            FillPage(right, newRight, 0, newRight.size(), rightRightmost, keySize);
            FillPage(left, leftItems, 0, keep, up.Child, keySize);
            WritePageAt(leftOffset, leftData.data());
            WritePageAt(rightOffset, rightData.data());
            WritePageAt(parentOffset, parentData.data());
        }
        parentOffset = rightOffset;
    }
}

// ---- sorted block file

TXbNTXBlockIterator::TXbNTXBlockIterator(std::string fileName, int keySize)
    : fileName_(std::move(fileName)), keySize_(keySize)
{
}

void TXbNTXBlockIterator::Open()
{
    TProxyStream stream;
    stream.FileName = fileName_;
    stream.AccessMode().SetAccessMode(TAccessMode::kShareDenyNone);
    const int64_t size = stream.OpenStream() ? stream.SeekTo(0, 2) : -1;
    block_.assign(size > 0 ? static_cast<size_t>(size) : 0, 0);
    if (size < 2 || stream.SeekTo(0, 0) != 0 || stream.ReadBlock(block_.data(), size) != size)
        throw Exception("TXbNTXBlockIterator.Open: Open Error " + NTXQuoted(fileName_));
    opened_ = true;
    count_ = TXbNTXPage::Load16(block_.data());
    position_ = 0;
    if (2 + 2 * static_cast<size_t>(count_) > block_.size())
        throw Exception("TXbNTXBlockIterator.Open: Open Error " + NTXQuoted(fileName_));
    Load();
}

void TXbNTXBlockIterator::Load()
{
    eof_ = position_ >= count_;
    if (eof_)
        return;
    const size_t offset = TXbNTXPage::Load16(block_.data() + 2 + 2 * static_cast<size_t>(position_));
    if (offset + 4 + static_cast<size_t>(keySize_) > block_.size())
        throw Exception("TXbNTXBlockIterator.Open: Open Error " + NTXQuoted(fileName_));
    recNo_ = TXbNTXPage::Load32(block_.data() + offset);
    key_ = block_.data() + offset + 4;
}

void TXbNTXBlockIterator::Next()
{
    if (eof_)
        return;
    ++position_;
    Load();
}

void TXbNTXBlockIterator::Close() noexcept
{
    block_.clear();
    key_ = nullptr;
    eof_ = true;
    if (!fileName_.empty()) {
        std::error_code ignored;
        std::filesystem::remove(fileName_, ignored);
    }
    opened_ = false;
}

// ---- temporary NTX file

TXbNTXIterator::TXbNTXIterator(std::string fileName) : fileName_(std::move(fileName)) {}

void TXbNTXIterator::ReadPage(uint32_t offset, std::vector<uint8_t>& page)
{
    page.resize(kNTXPageSize);
    if (!NTXPageOffsetValid(offset, fileSize_))
        throw Exception("TXbNTXIterator.Open: Open Error " + NTXQuoted(fileName_));
    // A file written bottom-up holds its leaves in key order, so the pages ahead are read with
    // this one.
    if (offset < windowStart_ || offset + kNTXPageSize > windowStart_ + windowBytes_) {
        window_.resize(kWindowBytes);
        const int64_t wanted = static_cast<int64_t>(std::min<uint64_t>(kWindowBytes, fileSize_ - offset));
        windowBytes_ = 0;
        if (NTXReadAt(*stream_, offset, window_.data(), wanted) != wanted)
            throw Exception("TXbNTXIterator.Open: Open Error " + NTXQuoted(fileName_));
        windowStart_ = offset;
        windowBytes_ = static_cast<uint64_t>(wanted);
    }
    std::memcpy(page.data(), window_.data() + (offset - windowStart_), kNTXPageSize);
    const std::string fault = CheckNTXPage(page.data(), geometry_, fileSize_);
    if (!fault.empty())
        throw Exception(NTXDamagedMessage(fileName_, fault));
}

void TXbNTXIterator::Descend(uint32_t offset)
{
    for (;;) {
        if (stack_.size() >= static_cast<size_t>(kNTXMaxDepth))
            throw Exception(NTXDamagedMessage(fileName_, "the tree is too deep"));
        stack_.push_back({offset, 0});
        if (pages_.size() < stack_.size())
            pages_.emplace_back();
        std::vector<uint8_t>& page = pages_[stack_.size() - 1];
        ReadPage(offset, page);
        const uint32_t child = TXbNTXPage(page.data(), geometry_).Child(0);
        if (child == 0)
            return;
        offset = child;
    }
}

void TXbNTXIterator::Deliver()
{
    while (!stack_.empty()) {
        const TFrame& frame = stack_.back();
        TXbNTXPage page(pages_[stack_.size() - 1].data(), geometry_);
        if (frame.Slot < page.Count()) {
            recNo_ = page.RecNo(frame.Slot);
            key_ = reinterpret_cast<const uint8_t*>(page.Key(frame.Slot));
            eof_ = false;
            return;
        }
        stack_.pop_back();
    }
    eof_ = true;
}

void TXbNTXIterator::Open()
{
    stream_ = std::make_unique<TProxyStream>();
    stream_->FileName = fileName_;
    stream_->AccessMode().SetAccessMode(TAccessMode::kShareDenyNone);
    if (!stream_->OpenStream())
        throw Exception("TXbNTXIterator.Open: Open Error " + NTXQuoted(fileName_));
    opened_ = true;
    windowStart_ = 0;
    windowBytes_ = 0;
    const int64_t size = stream_->SeekTo(0, 2);
    fileSize_ = size > 0 ? static_cast<uint64_t>(size) : 0;
    uint8_t image[kNTXHeaderSize];
    if (NTXReadAt(*stream_, 0, image, kNTXHeaderSize) != kNTXHeaderSize)
        throw Exception("TXbNTXIterator.Open: Open Error " + NTXQuoted(fileName_));
    header_ = ReadNTXHeader(image);
    const std::string fault = CheckNTXHeader(header_, fileSize_);
    if (!fault.empty())
        throw Exception(NTXDamagedMessage(fileName_, fault));
    geometry_ = TXbNTXGeometry::Of(header_);
    stack_.clear();
    Descend(header_.Root);
    Deliver();
}

void TXbNTXIterator::Next()
{
    if (eof_)
        return;
    TFrame& frame = stack_.back();
    const TXbNTXPage page(pages_[stack_.size() - 1].data(), geometry_);
    ++frame.Slot;
    const uint32_t child = page.Child(frame.Slot);
    if (child != 0)
        Descend(child);
    Deliver();
}

void TXbNTXIterator::Close() noexcept
{
    if (stream_)
        stream_->CloseStream();
    stream_.reset();
    stack_.clear();
    window_.clear();
    window_.shrink_to_fit();
    windowBytes_ = 0;
    key_ = nullptr;
    eof_ = true;
    if (!fileName_.empty()) {
        std::error_code ignored;
        std::filesystem::remove(fileName_, ignored);
    }
    opened_ = false;
}

// ---- key hash

int32_t NTXKeyHash(const std::string& key, TVarType resultType, int decimals)
{
    switch (resultType) {
    case TVarType::varInteger:
    case TVarType::varInt64:
    case TVarType::varDouble:
    case TVarType::varCurrency: {
        std::string digits = key;
        bool negative = false;
        const size_t first = digits.find_first_not_of(' ');
        if (first != std::string::npos && digits[first] >= '#' && digits[first] <= ',') {
            negative = true;
            for (char& c : digits)
                if (c != ' ')
                    c = static_cast<char>(92 - static_cast<unsigned char>(c));
        }
        if (decimals > 0 && static_cast<size_t>(decimals) < digits.size())
            digits[digits.size() - static_cast<size_t>(decimals) - 1] = '.';
        double value = 0;
        try {
            value = std::stod(digits);
        } catch (...) {
            value = 0;
        }
        value = std::trunc(negative ? -std::fabs(value) : value);
        if (value > std::numeric_limits<int32_t>::max())
            return std::numeric_limits<int32_t>::max();
        if (value < std::numeric_limits<int32_t>::min())
            return std::numeric_limits<int32_t>::min();
        return static_cast<int32_t>(value);
    }
    case TVarType::varDate: {
        if (key.size() < 8)
            return 0;
        const int year = std::atoi(key.substr(0, 4).c_str());
        const int month = std::atoi(key.substr(4, 2).c_str());
        const int day = std::atoi(key.substr(6, 2).c_str());
        if (year < 1 || month < 1 || month > 12 || day < 1 || day > 31)
            return 0;
        // Days from 1899-12-30 (civil calendar arithmetic).
        const int y = month <= 2 ? year - 1 : year;
        const int era = y / 400;
        const int yoe = y - era * 400;
        const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
        const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
        const int64_t days = static_cast<int64_t>(era) * 146097 + doe - 719468;  // from 1970-01-01
        return static_cast<int32_t>(days + 25569);
    }
    case TVarType::varBoolean: return !key.empty() && key[0] == 'T' ? -1 : 0;
    default: {
        uint32_t number = 0;
        for (size_t i = 0; i < 4; ++i)
            number = (number << 8) | (i < key.size() ? static_cast<uint8_t>(key[i]) : 0u);
        return static_cast<int32_t>(number);
    }
    }
}
