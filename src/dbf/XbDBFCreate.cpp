// Table creation: the whole header and descriptor area is built and checked in memory first,
// so that a refused definition leaves any existing file untouched, and a table that is
// written always opens again.

#include "dbf/XbDBFDataSet.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exceptions.h"

#include <ctime>

namespace {

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

void TodayBytes(uint8_t& year, uint8_t& month, uint8_t& day)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    year = static_cast<uint8_t>(local.tm_year);
    month = static_cast<uint8_t>(local.tm_mon + 1);
    day = static_cast<uint8_t>(local.tm_mday);
}

bool IsVariableLength(const TXbDBFFieldDef& def)
{
    const char type = def.field_type();
    return type == 'C' || type == '0' || type == 'N' || type == 'F' ||
           (type == 'E' && (IsExtendStringType(def.extend_type()) || def.extend_type() == TXbDBFType::dbftBCD));
}

bool IsNestedTable(const TXbDBFFieldDef& def)
{
    return def.field_type() == 'E' && (def.extend_type() == TXbDBFType::dbftDBFDataSet ||
                                       def.extend_type() == TXbDBFType::dbftDBFDataSet_NB);
}

struct TDescriptorWriter {
    xBaseVersion Version;
    bool Oem;
    std::vector<uint8_t>& Bytes;
    bool NeedsMemo = false;

    // Appends the descriptors of `defs`; returns the record bytes they take.
    int Write(const std::vector<const TXbDBFFieldDef*>& defs, int depth)
    {
        if (depth > 16)
            throw Exception("TXbSmartDBF.CreateTable: Nested tables too deep!");
        int recordBytes = 0;
        for (const TXbDBFFieldDef* def : defs) {
            const char type = def->field_type();
            const int size = FieldStorageSize(type, def->extend_type(), def->len(), Version);
            const std::string refusal = CreateTypeRefusal(type, Version);
            if (!refusal.empty())
                throw Exception(refusal);
            if (IsVariableLength(*def) &&
                (def->len() == 0 || (type != 'C' && type != '0' && !IsExtendStringType(def->extend_type()) &&
                                     (def->len() > 255 || def->dec() > 255))))
                throw Exception("TXbSmartDBF.CreateTable: Field " + Quoted(def->Name()) + " has a wrong length!");
            if (FieldNeedsMemo(type, def->extend_type(), Version))
                NeedsMemo = true;

            FIELD_REC rec(Version);
            rec.SetNameArea(Oem ? AnsiToOem(def->Name()) : def->Name());
            rec.SetType(type);
            // Only 'E' fields carry their sub-type; other readers take bytes 12 to 15 of the
            // descriptor as the field's place in the record, so they stay zero.
            rec.SetExtendType(type == 'E' ? static_cast<uint8_t>(def->extend_type()) : 0);
            uint8_t lengthByte = 0;
            uint8_t decimalsByte = 0;
            DescriptorLengthBytes(type, def->extend_type(), def->len(), def->dec(), Version, lengthByte,
                                  decimalsByte);
            rec.SetLengthBytes(lengthByte, decimalsByte);
            uint8_t flags = def->FieldFlag().FieldFlag();
            if (type == 'I' || type == '+' || type == 'O' || type == '@')
                flags |= kFieldFlagBinaryColumn;
            rec.SetFlagByte(flags);
            rec.SetNextAutoIncrement(1);
            rec.SetAutoIncrementStep(1);
            Bytes.insert(Bytes.end(), rec.Image(), rec.Image() + rec.DescriptorSize());
            recordBytes += size;

            if (IsNestedTable(*def)) {
                std::vector<const TXbDBFFieldDef*> children;
                for (int i = 0; i < def->DBFFieldDefs().Count(); ++i)
                    children.push_back(&def->DBFFieldDefs().Items(i));
                Write(children, depth + 1);
                std::vector<uint8_t> end(DescriptorSize(Version), 0);
                end[0] = kDescriptorTerminator;
                Bytes.insert(Bytes.end(), end.begin(), end.end());
            }
        }
        return recordBytes;
    }
};

}  // namespace

std::vector<uint8_t> TXbSmartDBF::BuildTableImage(uint8_t& versionByte, bool& needsMemo)
{
    const xBaseVersion version = dbfVersion_;
    const bool visualFoxPro = version == xBaseVersion::xVisualFoxPro;

    std::vector<const TXbDBFFieldDef*> defs;
    for (int i = 0; i < dbfFieldDefs_->Count(); ++i)
        defs.push_back(&dbfFieldDefs_->Items(i));

    // Visual FoxPro keeps one null bit per nullable field in a hidden "_NULLFLAGS" field.
    TXbDBFFieldDefs nullFlagsHolder(nullptr, version);
    if (visualFoxPro && dbfFieldDefs_->FindByName("_NULLFLAGS") == nullptr) {
        int nullable = 0;
        for (const TXbDBFFieldDef* def : defs)
            if (def->FieldFlag().CanStoreNull)
                ++nullable;
        if (nullable > 0) {
            TXbDBFFieldDef& nullFlags = nullFlagsHolder.Add("_NULLFLAGS", '0', static_cast<uint16_t>((nullable + 7) / 8));
            nullFlags.FieldFlag().System = true;
            nullFlags.FieldFlag().BinaryColumn = true;
            defs.push_back(&nullFlags);
        }
    }
    if (defs.empty())
        throw Exception("TXbSmartDBF.CreateTable: You should define one field at least to create table!");

    TDBFHeader header;
    TodayBytes(header.Year, header.Month, header.Day);
    header.TableFlags = foxTableFlag_->TableFlag();

    std::vector<uint8_t> bytes(DescriptorStart(version), 0);
    TDescriptorWriter writer{version, OEM, bytes};
    const int recordBytes = writer.Write(defs, 0) + 1;
    needsMemo = writer.NeedsMemo;
    versionByte = CreateVersionByte(version, needsMemo);
    if (visualFoxPro && needsMemo)
        header.TableFlags |= kTableFlagHasGotMemo;
    header.VersionByte = versionByte;

    // A table this engine writes must open again: refuse what opening would refuse.
    const auto opensAs = VersionFromByte(versionByte, header.TableFlags);
    for (const TXbDBFFieldDef* def : defs) {
        const std::string refusal = OpenTypeRefusal(def->field_type(), opensAs->Version);
        if (!refusal.empty())
            throw Exception("TXbSmartDBF.CreateTable: " + refusal.substr(refusal.find(": ") + 2));
    }
    if (needsMemo && versionByte != 0x83 && (lobBlockSize_ <= 0 || lobBlockSize_ > 0xFFFF))
        throw Exception("TXbSmartDBF.CreateTable: LobBlockSize " + std::to_string(lobBlockSize_) +
                        " can not be used for a memo file!");

    bytes.push_back(kDescriptorTerminator);
    bytes.push_back(kEndOfFileMark);
    if (visualFoxPro)
        bytes.insert(bytes.end(), kVisualFoxProBacklinkSize, 0);
    if (recordBytes > 0xFFFF)
        throw Exception("TXbSmartDBF.CreateTable: Record size too large!");
    if (bytes.size() > 0xFFFF)
        throw Exception("TXbSmartDBF.CreateTable: Too many fields!");
    header.HeaderSize = static_cast<uint16_t>(bytes.size());
    header.RecordSize = static_cast<uint16_t>(recordBytes);
    const auto headerBytes = header.Serialize();
    std::copy(headerBytes.begin(), headerBytes.end(), bytes.begin());

    // The same checks an open makes.
    TXbTableLayout layout = ReadTableHeader(bytes.data(), bytes.size(), static_cast<int64_t>(bytes.size()), DBFFileName);
    ReadFieldDescriptors(layout, bytes, static_cast<int64_t>(bytes.size()), DBFFileName, OEM);

    if (nullFlagsHolder.Count() > 0) {
        TXbDBFFieldDef& added = dbfFieldDefs_->Add();
        added.Assign(nullFlagsHolder.Items(0));
        added.FieldFlag().Assign(nullFlagsHolder.Items(0).FieldFlag());
    }
    return bytes;
}

void TXbSmartDBF::CreateTable()
{
    if (open_)
        throw Exception("TXbSmartDBF.CreateTable: Can not create table while dataset is open");
    creating_ = true;
    struct TResetCreating {
        bool& flag;
        ~TResetCreating() { flag = false; }
    } resetCreating{creating_};

    uint8_t versionByte = 0;
    bool needsMemo = false;
    const std::vector<uint8_t> image = BuildTableImage(versionByte, needsMemo);

    PrepareTableStream();
    tableStream_->CreateProxyStream();
    if (!tableStream_->IsOpen())
        throw Exception("TXbSmartDBF.CreateTable: Create error" + tableStream_->ErrorInfo());
    const bool written = tableStream_->SeekTo(0, 0) == 0 &&
                         tableStream_->WriteBlock(image.data(), static_cast<int64_t>(image.size())) ==
                             static_cast<int64_t>(image.size()) &&
                         tableStream_->Truncate();
    const std::string error = tableStream_->ErrorInfo();
    tableStream_->CloseStream();
    if (!written)
        throw Exception("TXbSmartDBF.CreateTable: Create error" + error);

    CreateLobFile(versionByte, needsMemo);
}

void TXbSmartDBF::CreateLobFile(uint8_t versionByte, bool hasMemo)
{
    lobStream_->CloseStream();
    lobStream_->AccessMode().SetAccessMode(accessMode_->AccessMode());
    lobStream_->ProxyStreamType = StorageType;
    lobStream_->SetOuterStream(OuterLobStream);
    if (!hasMemo)
        return;
    lobStream_->FileName = MemoFileName(DBFFileName, MemoIsFoxPro(versionByte));
    if (!lobStream_->CreateProxyStream())
        throw Exception("TXbSmartDBF.CreateLobFile: Create error " + Quoted(lobStream_->FileName) +
                        lobStream_->ErrorInfo());
    WriteLobHeader(versionByte, *lobStream_);
    lobStream_->CloseStream();
}

void TXbSmartDBF::WriteLobHeader(uint8_t versionByte, TProxyStream& stream)
{
    std::array<uint8_t, kMemoHeaderSize> header{};
    switch (versionByte) {
    case 0x83:
        // A standard dBASE III memo header: the next free block at offset 0. The engine itself
        // never reads it; it appends at the end of the file.
        header = DBaseIIIMemoHeader(1);
        break;
    case 0x8B:
    case 0x8C: header = DBaseIVMemoHeader(static_cast<uint32_t>(lobBlockSize_)); break;
    case 0xF5:
    case 0x30:
    case 0x31: header = FoxProMemoHeader(static_cast<uint32_t>(lobBlockSize_)); break;
    default: return;
    }
    stream.SeekTo(0, 0);
    if (stream.WriteBlock(header.data(), static_cast<int64_t>(header.size())) != static_cast<int64_t>(header.size()))
        throw Exception("TXbSmartDBF.CreateLobFile: Create error " + Quoted(stream.FileName) + stream.ErrorInfo());
}
