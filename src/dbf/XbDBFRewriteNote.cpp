#include "dbf/XbDBFRewriteNote.h"

#include <cstring>

namespace {

constexpr char kMagic[4] = {'Z', 'V', 'R', 'N'};
constexpr size_t kFixedPart = 4 + 8 + 4;  // magic, offset, size
constexpr size_t kChecksumSize = 4;

uint32_t Checksum(const uint8_t* data, size_t size) noexcept
{
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < size; ++i) {
        hash ^= data[i];
        hash *= 16777619u;
    }
    return hash;
}

void PutLE(uint8_t* p, uint64_t value, int bytes) noexcept
{
    for (int i = 0; i < bytes; ++i)
        p[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint64_t GetLE(const uint8_t* p, int bytes) noexcept
{
    uint64_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= static_cast<uint64_t>(p[i]) << (8 * i);
    return value;
}

}  // namespace

bool CrossesPageBoundary(int64_t offset, int64_t size) noexcept
{
    return size > 0 && offset / kWritePageSize != (offset + size - 1) / kWritePageSize;
}

std::string RewriteNoteName(const std::string& tableFileName)
{
    return tableFileName + ".rewrite";
}

bool TRewriteNote::Explains(const uint8_t* current) const noexcept
{
    for (size_t i = 0; i < NewImage.size(); ++i)
        if (current[i] != OldImage[i] && current[i] != NewImage[i])
            return false;
    return true;
}

std::vector<uint8_t> RewriteNoteBytes(int64_t offset, const uint8_t* oldImage, const uint8_t* newImage, int32_t size)
{
    const size_t length = static_cast<size_t>(size);
    std::vector<uint8_t> bytes(kFixedPart + 2 * length + kChecksumSize);
    std::memcpy(bytes.data(), kMagic, 4);
    PutLE(bytes.data() + 4, static_cast<uint64_t>(offset), 8);
    PutLE(bytes.data() + 12, static_cast<uint64_t>(size), 4);
    std::memcpy(bytes.data() + kFixedPart, oldImage, length);
    std::memcpy(bytes.data() + kFixedPart + length, newImage, length);
    const size_t checked = bytes.size() - kChecksumSize;
    PutLE(bytes.data() + checked, Checksum(bytes.data(), checked), 4);
    return bytes;
}

std::optional<TRewriteNote> ParseRewriteNote(const std::string& text)
{
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    if (text.size() < kFixedPart + kChecksumSize || std::memcmp(bytes, kMagic, 4) != 0)
        return std::nullopt;
    const uint64_t offset = GetLE(bytes + 4, 8);
    const uint64_t size = GetLE(bytes + 12, 4);
    if (offset > static_cast<uint64_t>(INT64_MAX) || size == 0 ||
        text.size() != kFixedPart + 2 * size + kChecksumSize)
        return std::nullopt;
    const size_t checked = text.size() - kChecksumSize;
    if (GetLE(bytes + checked, 4) != Checksum(bytes, checked))
        return std::nullopt;
    TRewriteNote note;
    note.Offset = static_cast<int64_t>(offset);
    note.OldImage.assign(bytes + kFixedPart, bytes + kFixedPart + size);
    note.NewImage.assign(bytes + kFixedPart + size, bytes + kFixedPart + 2 * size);
    return note;
}
