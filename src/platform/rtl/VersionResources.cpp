#include "platform/rtl/VersionResources.h"

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileHandle.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

namespace {

// No version block is larger than its 16-bit length allows; a file that claims more is damaged.
constexpr uint64_t kMaxVersionDataSize = 0x10000;

uint16_t Get16(const std::string& data, std::size_t offset)
{
    return static_cast<uint16_t>(static_cast<unsigned char>(data[offset]) |
                                 static_cast<unsigned char>(data[offset + 1]) << 8);
}

uint32_t Get32(const std::string& data, std::size_t offset)
{
    return static_cast<uint32_t>(Get16(data, offset)) | static_cast<uint32_t>(Get16(data, offset + 2)) << 16;
}

std::size_t Align4(std::size_t offset)
{
    return (offset + 3) & ~static_cast<std::size_t>(3);
}

// ---- reading program files --------------------------------------------------------------

// A file read piece by piece at given offsets; every read is checked against the file's size.
class TFilePieces {
public:
    explicit TFilePieces(const std::string& fileName)
    {
        if (file_.Open(fileName, fmOpenRead | fmShareDenyNone)) {
            size_ = std::max<int64_t>(file_.Size(), 0);
        }
    }

    bool IsOpen() const { return file_.IsOpen(); }
    uint64_t Size() const { return static_cast<uint64_t>(size_); }

    // `count` bytes at `offset`; nothing when they lie (partly) beyond the end.
    std::optional<std::string> Read(uint64_t offset, uint64_t count)
    {
        if (offset > Size() || count > Size() - offset) {
            return std::nullopt;
        }
        std::string bytes(static_cast<std::size_t>(count), '\0');
        std::size_t done = 0;
        while (done < bytes.size()) {
            const int64_t got = file_.ReadAt(static_cast<int64_t>(offset + done), bytes.data() + done, bytes.size() - done);
            if (got <= 0) {
                return std::nullopt;
            }
            done += static_cast<std::size_t>(got);
        }
        return bytes;
    }

private:
    TFileHandle file_;
    int64_t size_ = 0;
};

// Reads integers of either byte order from a header.
struct TEndianReader {
    const std::string& bytes;
    bool bigEndian = false;

    uint64_t Get(std::size_t offset, std::size_t width) const
    {
        uint64_t value = 0;
        for (std::size_t i = 0; i < width; ++i) {
            const auto byte = static_cast<unsigned char>(bytes[offset + (bigEndian ? i : width - 1 - i)]);
            value = value << 8 | byte;
        }
        return value;
    }
};

std::optional<std::string> ElfVersionSection(TFilePieces& file, const std::string& ident)
{
    const bool wide = ident[4] == 2;
    if ((ident[4] != 1 && !wide) || (ident[5] != 1 && ident[5] != 2)) {
        return std::nullopt;
    }
    const std::optional<std::string> header = file.Read(0, wide ? 64 : 52);
    if (!header) {
        return std::nullopt;
    }
    const TEndianReader h{*header, ident[5] == 2};
    const uint64_t sectionsAt = wide ? h.Get(0x28, 8) : h.Get(0x20, 4);
    const uint64_t entrySize = wide ? h.Get(0x3A, 2) : h.Get(0x2E, 2);
    const uint64_t count = wide ? h.Get(0x3C, 2) : h.Get(0x30, 2);
    const uint64_t namesIndex = wide ? h.Get(0x3E, 2) : h.Get(0x32, 2);
    if (sectionsAt == 0 || count == 0 || namesIndex >= count || entrySize < (wide ? 64u : 40u)) {
        return std::nullopt;
    }
    const std::optional<std::string> table = file.Read(sectionsAt, entrySize * count);
    if (!table) {
        return std::nullopt;
    }
    const TEndianReader t{*table, h.bigEndian};
    struct Section {
        uint64_t name, type, offset, size;
    };
    auto sectionAt = [&](uint64_t index) {
        const std::size_t at = static_cast<std::size_t>(index * entrySize);
        if (wide) {
            return Section{t.Get(at, 4), t.Get(at + 4, 4), t.Get(at + 24, 8), t.Get(at + 32, 8)};
        }
        return Section{t.Get(at, 4), t.Get(at + 4, 4), t.Get(at + 16, 4), t.Get(at + 20, 4)};
    };
    const Section names = sectionAt(namesIndex);
    if (names.size > file.Size()) {
        return std::nullopt;
    }
    const std::optional<std::string> nameBytes = file.Read(names.offset, names.size);
    if (!nameBytes) {
        return std::nullopt;
    }
    constexpr uint64_t kNoBits = 8;
    for (uint64_t index = 0; index < count; ++index) {
        const Section section = sectionAt(index);
        if (section.name >= nameBytes->size()) {
            continue;
        }
        const char* name = nameBytes->c_str() + section.name;
        if (std::strcmp(name, kVersionInfoSectionName) != 0) {
            continue;
        }
        if (section.type == kNoBits || section.size == 0 || section.size > kMaxVersionDataSize) {
            return std::nullopt;
        }
        return file.Read(section.offset, section.size);
    }
    return std::nullopt;
}

std::optional<std::string> PeVersionResource(TFilePieces& file)
{
    const std::optional<std::string> dos = file.Read(0, 64);
    if (!dos) {
        return std::nullopt;
    }
    const uint32_t peAt = Get32(*dos, 0x3C);
    const std::optional<std::string> coff = file.Read(peAt, 24);
    if (!coff || coff->compare(0, 4, std::string("PE\0\0", 4)) != 0) {
        return std::nullopt;
    }
    const uint16_t sectionCount = Get16(*coff, 6);
    const uint16_t optionalSize = Get16(*coff, 20);
    const std::optional<std::string> optional = file.Read(uint64_t{peAt} + 24, optionalSize);
    if (!optional || optional->size() < 2) {
        return std::nullopt;
    }
    const uint16_t magic = Get16(*optional, 0);
    const std::size_t countAt = magic == 0x20B ? 108 : magic == 0x10B ? 92 : 0;
    if (countAt == 0 || optional->size() < countAt + 4) {
        return std::nullopt;
    }
    constexpr uint32_t kResourceDirectory = 2;
    const uint32_t directories = Get32(*optional, countAt);
    const std::size_t resourceEntry = countAt + 4 + kResourceDirectory * 8;
    if (directories <= kResourceDirectory || optional->size() < resourceEntry + 8) {
        return std::nullopt;
    }
    const uint32_t resourceRva = Get32(*optional, resourceEntry);
    const std::optional<std::string> sections =
        file.Read(uint64_t{peAt} + 24 + optionalSize, uint64_t{sectionCount} * 40);
    if (!sections || resourceRva == 0) {
        return std::nullopt;
    }
    // A relative virtual address as an offset in the file.
    auto fileOffset = [&](uint32_t rva, uint64_t length) -> std::optional<uint64_t> {
        for (uint16_t i = 0; i < sectionCount; ++i) {
            const std::size_t at = std::size_t{i} * 40;
            const uint32_t address = Get32(*sections, at + 12);
            const uint32_t rawSize = Get32(*sections, at + 16);
            const uint32_t rawAt = Get32(*sections, at + 20);
            if (rva >= address && uint64_t{rva} - address + length <= rawSize) {
                return uint64_t{rawAt} + (rva - address);
            }
        }
        return std::nullopt;
    };
    const std::optional<uint64_t> base = fileOffset(resourceRva, 16);
    if (!base) {
        return std::nullopt;
    }
    // One level of the resource tree: the entry with `id`, or the first one when `id` is 0 or
    // (with `orFirst`) not there. Gives the entry's offset field.
    auto entryOf = [&](uint64_t directoryAt, uint32_t id, bool orFirst) -> std::optional<uint32_t> {
        const std::optional<std::string> head = file.Read(directoryAt, 16);
        if (!head) {
            return std::nullopt;
        }
        const uint32_t entries = uint32_t{Get16(*head, 12)} + Get16(*head, 14);
        const std::optional<std::string> list = file.Read(directoryAt + 16, uint64_t{entries} * 8);
        if (!list || entries == 0) {
            return std::nullopt;
        }
        for (uint32_t i = 0; i < entries; ++i) {
            const uint32_t name = Get32(*list, std::size_t{i} * 8);
            if (id != 0 && name == id) {
                return Get32(*list, std::size_t{i} * 8 + 4);
            }
        }
        if (id == 0 || orFirst) {
            return Get32(*list, 4);
        }
        return std::nullopt;
    };
    constexpr uint32_t kSubdirectory = 0x80000000u;
    constexpr uint32_t kVersionType = 16;
    constexpr uint32_t kVersionId = 1;
    const std::optional<uint32_t> type = entryOf(*base, kVersionType, false);
    if (!type || (*type & kSubdirectory) == 0) {
        return std::nullopt;
    }
    const std::optional<uint32_t> name = entryOf(*base + (*type & ~kSubdirectory), kVersionId, true);
    if (!name || (*name & kSubdirectory) == 0) {
        return std::nullopt;
    }
    const std::optional<uint32_t> language = entryOf(*base + (*name & ~kSubdirectory), 0, true);
    if (!language || (*language & kSubdirectory) != 0) {
        return std::nullopt;
    }
    const std::optional<std::string> dataEntry = file.Read(*base + *language, 16);
    if (!dataEntry) {
        return std::nullopt;
    }
    const uint32_t dataRva = Get32(*dataEntry, 0);
    const uint32_t dataSize = Get32(*dataEntry, 4);
    if (dataSize == 0 || dataSize > kMaxVersionDataSize) {
        return std::nullopt;
    }
    const std::optional<uint64_t> dataAt = fileOffset(dataRva, dataSize);
    if (!dataAt) {
        return std::nullopt;
    }
    return file.Read(*dataAt, dataSize);
}

std::optional<std::string> ReadVersionData(const std::string& fileName)
{
    TFilePieces file(fileName);
    if (!file.IsOpen()) {
        return std::nullopt;
    }
    const std::optional<std::string> ident = file.Read(0, 16);
    if (!ident) {
        return std::nullopt;
    }
    if (ident->compare(0, 4, "\x7F" "ELF") == 0) {
        return ElfVersionSection(file, *ident);
    }
    if (ident->compare(0, 2, "MZ") == 0) {
        return PeVersionResource(file);
    }
    return std::nullopt;
}

// ---- the node tree ------------------------------------------------------------------------

struct TNode {
    std::size_t end = 0;          // first byte after the node
    uint16_t type = 0;            // 1 text
    std::u16string key;
    std::size_t valueAt = 0;
    std::size_t valueSize = 0;    // bytes, within the node
    std::size_t childrenAt = 0;
};

// The node at `offset`, which must lie whole before `limit`.
std::optional<TNode> ParseNode(const std::string& data, std::size_t offset, std::size_t limit)
{
    if (offset + 6 > limit) {
        return std::nullopt;
    }
    const uint16_t length = Get16(data, offset);
    if (length < 6 || offset + length > limit) {
        return std::nullopt;
    }
    TNode node;
    node.end = offset + length;
    const uint16_t valueLength = Get16(data, offset + 2);
    node.type = Get16(data, offset + 4);
    std::size_t at = offset + 6;
    for (;;) {
        if (at + 2 > node.end) {
            return std::nullopt;
        }
        const uint16_t unit = Get16(data, at);
        at += 2;
        if (unit == 0) {
            break;
        }
        node.key.push_back(static_cast<char16_t>(unit));
    }
    node.valueAt = std::min(Align4(at), node.end);
    // Text values count 16-bit characters; some compilers count bytes instead, so a value is
    // cut at the node's end either way.
    const std::size_t wanted = node.type == 1 ? std::size_t{valueLength} * 2 : valueLength;
    node.valueSize = std::min(wanted, node.end - node.valueAt);
    node.childrenAt = std::min(Align4(node.valueAt + node.valueSize), node.end);
    return node;
}

std::string Utf16ToAnsi(const std::u16string& text)
{
    std::string utf8;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t code = text[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        if (code < 0x80) {
            utf8.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            utf8.push_back(static_cast<char>(0xC0 | code >> 6));
            utf8.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            utf8.push_back(static_cast<char>(0xE0 | code >> 12));
            utf8.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
            utf8.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            utf8.push_back(static_cast<char>(0xF0 | code >> 18));
            utf8.push_back(static_cast<char>(0x80 | (code >> 12 & 0x3F)));
            utf8.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
            utf8.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return Utf8ToAnsi(utf8);
}

std::u16string AnsiToUtf16(const std::string& text)
{
    std::u16string result;
    for (const char c : text) {
        result.push_back(static_cast<char16_t>(AnsiCharToUnicode(static_cast<unsigned char>(c))));
    }
    return result;
}

std::vector<std::string> SplitPath(const std::string& subBlock)
{
    std::vector<std::string> parts;
    std::string part;
    for (const char c : subBlock) {
        if (c == '\\') {
            if (!part.empty()) {
                parts.push_back(part);
            }
            part.clear();
        } else {
            part.push_back(c);
        }
    }
    if (!part.empty()) {
        parts.push_back(part);
    }
    return parts;
}

// ---- writing ------------------------------------------------------------------------------

class TBlockWriter {
public:
    // Starts a node on a 32-bit boundary; returns where it starts.
    std::size_t Begin(uint16_t valueLength, uint16_t type, const std::string& key)
    {
        Pad();
        const std::size_t at = bytes_.size();
        Put16(0);
        Put16(valueLength);
        Put16(type);
        PutText(AnsiToUtf16(key));
        Pad();
        return at;
    }
    void End(std::size_t at) { Set16(at, bytes_.size() - at); }
    void SetValueLength(std::size_t at, std::size_t valueLength) { Set16(at + 2, valueLength); }
    void Put16(uint16_t value)
    {
        bytes_.push_back(static_cast<char>(value & 0xFF));
        bytes_.push_back(static_cast<char>(value >> 8));
    }
    void Put32(uint32_t value)
    {
        Put16(static_cast<uint16_t>(value & 0xFFFF));
        Put16(static_cast<uint16_t>(value >> 16));
    }
    // The text with its end zero.
    void PutText(const std::u16string& text)
    {
        for (const char16_t unit : text) {
            Put16(unit);
        }
        Put16(0);
    }
    std::string Take() { return std::move(bytes_); }

private:
    void Pad()
    {
        while (bytes_.size() % 4 != 0) {
            bytes_.push_back('\0');
        }
    }
    void Set16(std::size_t at, std::size_t value)
    {
        if (value > 0xFFFF) {
            throw EInvalidOperation("Version information is too large");
        }
        bytes_[at] = static_cast<char>(value & 0xFF);
        bytes_[at + 1] = static_cast<char>(value >> 8);
    }

    std::string bytes_;
};

}  // namespace

uint32_t GetFileVersionInfoSize(const std::string& fileName)
{
    const std::optional<std::string> data = ReadVersionData(fileName);
    return data ? static_cast<uint32_t>(data->size()) : 0;
}

bool GetFileVersionInfo(const std::string& fileName, std::string& data)
{
    errno = 0;
    std::optional<std::string> read = ReadVersionData(fileName);
    if (!read) {
        if (errno == 0) {
            errno = ENOENT;
        }
        return false;
    }
    data = std::move(*read);
    return true;
}

bool VerQueryValue(const std::string& data, const std::string& subBlock, std::string& value)
{
    std::optional<TNode> node = ParseNode(data, 0, data.size());
    if (!node) {
        return false;
    }
    bool inStrings = false;
    const std::vector<std::string> parts = SplitPath(subBlock);
    for (std::size_t depth = 0; depth < parts.size(); ++depth) {
        std::optional<TNode> found;
        for (std::size_t at = node->childrenAt; at < node->end;) {
            std::optional<TNode> child = ParseNode(data, at, node->end);
            if (!child) {
                break;
            }
            if (AnsiSameText(Utf16ToAnsi(child->key), parts[depth])) {
                found = std::move(child);
                break;
            }
            at = Align4(child->end);
        }
        if (!found) {
            return false;
        }
        if (depth == 0) {
            inStrings = AnsiSameText(parts[0], "StringFileInfo");
        }
        node = std::move(found);
    }
    // The strings of a string table are texts even where a compiler marked them binary.
    if (node->type == 1 || (inStrings && parts.size() == 3)) {
        std::u16string text;
        for (std::size_t at = node->valueAt; at + 1 < node->valueAt + node->valueSize; at += 2) {
            const uint16_t unit = Get16(data, at);
            if (unit == 0) {
                break;
            }
            text.push_back(static_cast<char16_t>(unit));
        }
        value = Utf16ToAnsi(text);
    } else {
        value = data.substr(node->valueAt, node->valueSize);
    }
    return true;
}

bool VerQueryFixedFileInfo(const std::string& data, TVSFixedFileInfo& info)
{
    std::string bytes;
    if (!VerQueryValue(data, "\\", bytes) || bytes.size() < kFixedFileInfoSize) {
        return false;
    }
    uint32_t* const fields[] = {
        &info.dwSignature,    &info.dwStrucVersion,     &info.dwFileVersionMS, &info.dwFileVersionLS,
        &info.dwProductVersionMS, &info.dwProductVersionLS, &info.dwFileFlagsMask, &info.dwFileFlags,
        &info.dwFileOS,       &info.dwFileType,         &info.dwFileSubtype,   &info.dwFileDateMS,
        &info.dwFileDateLS,
    };
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        *fields[i] = Get32(bytes, i * 4);
    }
    return info.dwSignature == VS_FFI_SIGNATURE;
}

std::vector<uint32_t> VerQueryTranslations(const std::string& data)
{
    std::vector<uint32_t> translations;
    std::string bytes;
    if (VerQueryValue(data, "\\VarFileInfo\\Translation", bytes)) {
        for (std::size_t at = 0; at + 4 <= bytes.size(); at += 4) {
            translations.push_back(Get32(bytes, at));
        }
    }
    return translations;
}

std::string MakeVersionInfo(const TVersionInfoBlock& block)
{
    TBlockWriter writer;
    const std::size_t root = writer.Begin(static_cast<uint16_t>(kFixedFileInfoSize), 0, "VS_VERSION_INFO");
    const TVSFixedFileInfo& f = block.Fixed;
    for (const uint32_t field : {f.dwSignature, f.dwStrucVersion, f.dwFileVersionMS, f.dwFileVersionLS,
                                 f.dwProductVersionMS, f.dwProductVersionLS, f.dwFileFlagsMask, f.dwFileFlags,
                                 f.dwFileOS, f.dwFileType, f.dwFileSubtype, f.dwFileDateMS, f.dwFileDateLS}) {
        writer.Put32(field);
    }
    if (!block.StringTables.empty()) {
        const std::size_t strings = writer.Begin(0, 1, "StringFileInfo");
        for (const TVersionStringTable& table : block.StringTables) {
            const std::size_t tableAt = writer.Begin(0, 1, table.Key);
            for (const auto& [key, text] : table.Values) {
                const std::size_t valueAt = writer.Begin(0, 1, key);
                const std::u16string units = AnsiToUtf16(text);
                writer.PutText(units);
                writer.SetValueLength(valueAt, units.size() + 1);
                writer.End(valueAt);
            }
            writer.End(tableAt);
        }
        writer.End(strings);
    }
    if (!block.Translations.empty()) {
        const std::size_t variables = writer.Begin(0, 1, "VarFileInfo");
        const std::size_t translation =
            writer.Begin(static_cast<uint16_t>(block.Translations.size() * 4), 0, "Translation");
        for (const uint32_t pair : block.Translations) {
            writer.Put32(pair);
        }
        writer.End(translation);
        writer.End(variables);
    }
    writer.End(root);
    return writer.Take();
}
