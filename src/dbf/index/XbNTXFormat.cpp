#include "dbf/index/XbNTXFormat.h"

#include <bitset>

namespace {

// The text of a zero-terminated field of at most `size` bytes.
std::string FieldText(const uint8_t* field, size_t size)
{
    const auto* text = reinterpret_cast<const char*>(field);
    size_t length = 0;
    while (length < size && text[length] != '\0')
        ++length;
    return std::string(text, length);
}

void PutFieldText(uint8_t* field, size_t size, const std::string& text, bool terminated)
{
    // A terminated field keeps room for its zero byte.
    const size_t room = terminated ? size - 1 : size;
    const size_t length = text.size() < room ? text.size() : room;
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), length);
}

int NTXItemsPerPage(int itemSize) noexcept
{
    if (itemSize <= 0 || itemSize >= 1020)
        return 0;
    return (1020 - itemSize) / (itemSize + 2);
}

}  // namespace

int NTXCapacity(int itemSize) noexcept
{
    const int n = NTXItemsPerPage(itemSize);
    return n - n % 2;
}

int NTXHalfPage(int itemSize) noexcept { return NTXItemsPerPage(itemSize) / 2; }

uint16_t NTXNextVersion(uint16_t version) noexcept
{
    return version < kNTXLastVersion ? static_cast<uint16_t>(version + 1) : uint16_t{0};
}

void TXbNTXHeader::SetKeySize(int keySize)
{
    KeySize = static_cast<uint16_t>(keySize);
    ItemSize = static_cast<uint16_t>(keySize + 8);
    Capacity = static_cast<uint16_t>(NTXCapacity(ItemSize));
    HalfPage = static_cast<uint16_t>(NTXHalfPage(ItemSize));
}

TXbNTXHeader ReadNTXHeader(const uint8_t* image)
{
    TXbNTXHeader header;
    ReadNTXHeaderStart(image, header);
    header.ItemSize = TXbNTXPage::Load16(image + 12);
    header.KeySize = TXbNTXPage::Load16(image + 14);
    header.Decimals = TXbNTXPage::Load16(image + 16);
    header.Capacity = TXbNTXPage::Load16(image + 18);
    header.HalfPage = TXbNTXPage::Load16(image + 20);
    header.KeyExpression = FieldText(image + kNTXKeyExpressionOffset, kNTXExpressionSize);
    header.Unique = image[kNTXUniqueOffset] != 0;
    header.Descend = image[kNTXDescendOffset] != 0;
    header.ForExpression = FieldText(image + kNTXForExpressionOffset, kNTXExpressionSize);
    header.OrderName = FieldText(image + kNTXOrderNameOffset, kNTXOrderNameSize);
    return header;
}

void WriteNTXHeader(const TXbNTXHeader& header, uint8_t* image)
{
    std::memset(image, 0, kNTXHeaderSize);
    WriteNTXHeaderStart(header, image);
    TXbNTXPage::Store16(image + 12, header.ItemSize);
    TXbNTXPage::Store16(image + 14, header.KeySize);
    TXbNTXPage::Store16(image + 16, header.Decimals);
    TXbNTXPage::Store16(image + 18, header.Capacity);
    TXbNTXPage::Store16(image + 20, header.HalfPage);
    PutFieldText(image + kNTXKeyExpressionOffset, kNTXExpressionSize, header.KeyExpression, true);
    image[kNTXUniqueOffset] = header.Unique ? 1 : 0;
    image[kNTXDescendOffset] = header.Descend ? 1 : 0;
    PutFieldText(image + kNTXForExpressionOffset, kNTXExpressionSize, header.ForExpression, true);
    PutFieldText(image + kNTXOrderNameOffset, kNTXOrderNameSize, header.OrderName, false);
}

void ReadNTXHeaderStart(const uint8_t* bytes, TXbNTXHeader& header) noexcept
{
    header.Signature = TXbNTXPage::Load16(bytes);
    header.Version = TXbNTXPage::Load16(bytes + 2);
    header.Root = TXbNTXPage::Load32(bytes + 4);
    header.FreePage = TXbNTXPage::Load32(bytes + 8);
}

void WriteNTXHeaderStart(const TXbNTXHeader& header, uint8_t* bytes) noexcept
{
    TXbNTXPage::Store16(bytes, header.Signature);
    TXbNTXPage::Store16(bytes + 2, header.Version);
    TXbNTXPage::Store32(bytes + 4, header.Root);
    TXbNTXPage::Store32(bytes + 8, header.FreePage);
}

bool NTXPageOffsetValid(uint64_t offset, uint64_t fileEnd) noexcept
{
    return offset >= kNTXPageSize && offset % kNTXPageSize == 0 && offset + kNTXPageSize <= fileEnd;
}

std::string CheckNTXHeader(const TXbNTXHeader& header, uint64_t fileSize)
{
    if (header.KeySize < 1 || header.KeySize > kNTXMaxKeySize)
        return "key size " + std::to_string(header.KeySize) + " outside 1.." + std::to_string(kNTXMaxKeySize);
    if (header.ItemSize != header.KeySize + 8)
        return "item size " + std::to_string(header.ItemSize) + " for key size " + std::to_string(header.KeySize);
    if (header.Capacity != NTXCapacity(header.ItemSize) || header.HalfPage != NTXHalfPage(header.ItemSize))
        return "capacity " + std::to_string(header.Capacity) + " and half page " + std::to_string(header.HalfPage) +
               " for item size " + std::to_string(header.ItemSize);
    if (!NTXPageOffsetValid(header.Root, fileSize))
        return "root page " + std::to_string(header.Root) + " outside the file";
    if (header.FreePage != 0 && !NTXPageOffsetValid(header.FreePage, fileSize))
        return "free page " + std::to_string(header.FreePage) + " outside the file";
    return {};
}

void TXbNTXPage::Initialize() noexcept
{
    std::memset(data_, 0, kNTXPageSize);
    for (int i = 0; i <= geometry_->Capacity; ++i)
        SetSlot(i, geometry_->ItemAreaOffset() + i * geometry_->ItemSize);
}

std::string CheckNTXPage(const uint8_t* page, const TXbNTXGeometry& geometry, uint64_t fileEnd)
{
    const TXbNTXPage view(const_cast<uint8_t*>(page), geometry);
    const int count = view.Count();
    if (count > geometry.Capacity)
        return "key count " + std::to_string(count) + " above the page capacity " + std::to_string(geometry.Capacity);
    std::bitset<kNTXPageSize> used;
    for (int i = 0; i <= count; ++i) {
        const int slot = view.Slot(i);
        if (slot < geometry.ItemAreaOffset() || slot + geometry.ItemSize > kNTXPageSize)
            return "slot " + std::to_string(i) + " at offset " + std::to_string(slot) + " outside the item area";
        if (used.test(static_cast<size_t>(slot)))
            return "two slots at offset " + std::to_string(slot);
        used.set(static_cast<size_t>(slot));
        const uint32_t child = view.Child(i);
        if (child != 0 && !NTXPageOffsetValid(child, fileEnd))
            return "child page " + std::to_string(child) + " outside the file";
        if (i < count && view.RecNo(i) == 0)
            return "key " + std::to_string(i) + " with record number 0";
    }
    return {};
}

bool NTXHasControlCharacter(const std::string& text) noexcept
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 32)
            return true;
    return false;
}

std::string NTXQuoted(const std::string& text) { return "\"" + text + "\""; }

std::string NTXDamagedMessage(const std::string& fileName, const std::string& what)
{
    return "TXbNTXIndex: Index file " + NTXQuoted(fileName) + " is damaged (" + what + ")!";
}
