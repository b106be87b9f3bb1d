#include "dbf/XbDBFLayout.h"

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exceptions.h"

#include <algorithm>
#include <cstring>

namespace {

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

[[noreturn]] void RefuseDamaged(const std::string& fileName, const std::string& reason)
{
    throw Exception("TXbSmartDBF.InternalOpen: File " + Quoted(fileName) + " is damaged: " + reason);
}

std::string TrimmedName(const uint8_t* bytes, size_t area, bool oem)
{
    size_t length = 0;
    while (length < area && bytes[length] != 0)
        ++length;
    std::string name(reinterpret_cast<const char*>(bytes), length);
    if (oem)
        name = OemToAnsi(name);
    size_t begin = 0;
    size_t end = name.size();
    while (begin < end && static_cast<unsigned char>(name[begin]) <= ' ')
        ++begin;
    while (end > begin && static_cast<unsigned char>(name[end - 1]) <= ' ')
        --end;
    return AnsiUpperCase(name.substr(begin, end - begin));
}

bool HasVariableLength(char type, TXbDBFType extendType)
{
    using T = TXbDBFType;
    return type == 'C' || type == '0' || type == 'N' || type == 'F' ||
           (type == 'E' && (IsExtendStringType(extendType) || extendType == T::dbftBCD));
}

// Reads descriptors from `position` until a descriptor-sized block starting with 0x0D; returns
// the position after that terminator. Nested-table fields take their children from the blocks
// that follow them.
size_t ReadDescriptorList(std::vector<TXbFieldLayout>& fields, const std::vector<uint8_t>& area, size_t position,
                          xBaseVersion version, int& recordOffset, bool nested, const std::string& fileName,
                          bool oem, int depth)
{
    const size_t size = DescriptorSize(version);
    const bool longLayout = size == 48;
    for (;;) {
        if (position >= area.size())
            throw Exception("TXbSmartDBF.InternalInitFieldDefs: Field descriptors of file " + Quoted(fileName) +
                            " have no end mark!");
        if (area[position] == kDescriptorTerminator)
            return position + (nested ? size : 1);
        if (position + size > area.size())
            throw Exception("TXbSmartDBF.InternalInitFieldDefs: Field descriptors of file " + Quoted(fileName) +
                            " have no end mark!");
        const uint8_t* d = area.data() + position;
        TXbFieldLayout field;
        std::memcpy(field.Image.data(), d, size);
        field.Name = TrimmedName(d, longLayout ? 32 : 11, oem);
        field.Type = static_cast<char>(longLayout ? d[32] : d[11]);
        const uint8_t extend = longLayout ? d[35] : d[12];
        field.LengthByte = longLayout ? d[33] : d[16];
        field.DecimalsByte = longLayout ? d[34] : d[17];
        field.Flags = longLayout ? d[37] : d[18];
        field.OffsetHD = static_cast<int>(position);
        if (field.Type == 'E') {
            if (extend >= static_cast<uint8_t>(TXbDBFType::dbftUndefined) &&
                extend != static_cast<uint8_t>(TXbDBFType::dbftDBFDataSet) &&
                extend != static_cast<uint8_t>(TXbDBFType::dbftDBFDataSet_NB))
                throw Exception("Extend_type incarect!");
            field.ExtendType = static_cast<TXbDBFType>(extend);
        }
        const std::string refusal = OpenTypeRefusal(field.Type, version);
        if (!refusal.empty())
            throw Exception(refusal);
        int length = field.LengthByte;
        if (field.Type == 'C' || field.Type == '0' || (field.Type == 'E' && IsExtendStringType(field.ExtendType)))
            length = field.LengthByte | (field.DecimalsByte << 8);
        field.Size = FieldStorageSize(field.Type, field.ExtendType, length, version);  // raises for bad letters
        if (HasVariableLength(field.Type, field.ExtendType) && length == 0)
            throw Exception("TXbSmartDBF.InternalInitFieldDefs: Field " + Quoted(field.Name) + " of file " +
                            Quoted(fileName) + " has length 0!");
        field.Offset = recordOffset;
        recordOffset += field.Size;
        position += size;
        if (field.Type == 'E' && (field.ExtendType == TXbDBFType::dbftDBFDataSet ||
                                  field.ExtendType == TXbDBFType::dbftDBFDataSet_NB)) {
            if (depth >= 16)
                RefuseDamaged(fileName, "nested tables too deep!");
            int nestedOffset = 1;
            position = ReadDescriptorList(field.Nested, area, position, version, nestedOffset, true, fileName, oem,
                                          depth + 1);
        }
        fields.push_back(std::move(field));
    }
}

}  // namespace

TXbTableLayout ReadTableHeader(const uint8_t* bytes, size_t available, int64_t fileSize, const std::string& fileName)
{
    const std::string notDbf = "TXbSmartDBF.InternalOpen: File " + Quoted(fileName) + " is not DBF file";
    if (available < kDBFHeaderSize || fileSize < static_cast<int64_t>(kDBFHeaderSize))
        throw Exception(notDbf);
    TXbTableLayout layout;
    std::memcpy(layout.HeaderImage.data(), bytes, kDBFHeaderSize);
    layout.Header = TDBFHeader::Parse(bytes);
    const auto info = VersionFromByte(layout.Header.VersionByte, layout.Header.TableFlags);
    if (!info)
        throw Exception(notDbf);
    layout.Version = info->Version;
    layout.MemoKind = info->MemoKind;
    const TDBFHeader& header = layout.Header;
    const size_t minimum = DescriptorStart(layout.Version) + 1;
    if (header.HeaderSize < minimum || header.HeaderSize > fileSize)
        RefuseDamaged(fileName, "header size does not fit the file!");
    if (header.RecordSize < 2)
        RefuseDamaged(fileName, "record size is too small!");
    // The records the file holds count, whatever the header says: a writer stopped between its
    // header and its record leaves a count the file does not hold, and the records it does hold
    // are still the table's.
    const int64_t whole = (fileSize - header.HeaderSize) / header.RecordSize;
    layout.RecordCount = static_cast<uint32_t>(std::min<int64_t>(whole, UINT32_MAX));
    return layout;
}

void ReadFieldDescriptors(TXbTableLayout& layout, const std::vector<uint8_t>& headerArea, int64_t fileSize,
                          const std::string& fileName, bool oem)
{
    layout.Fields.clear();
    // Descriptors must end inside the header: the header size alone says where records start.
    std::vector<uint8_t> area(headerArea.begin(),
                              headerArea.begin() + std::min<size_t>(headerArea.size(), layout.Header.HeaderSize));
    int recordOffset = 1;
    ReadDescriptorList(layout.Fields, area, DescriptorStart(layout.Version), layout.Version, recordOffset, false,
                       fileName, oem, 0);
    if (layout.Fields.empty())
        RefuseDamaged(fileName, "the table has no fields!");
    if (recordOffset != layout.Header.RecordSize)
        throw Exception("TXbSmartDBF.InternalInitFieldDefs: Record size of file " + Quoted(fileName) +
                        " does not match its fields!");
    (void)fileSize;
}
