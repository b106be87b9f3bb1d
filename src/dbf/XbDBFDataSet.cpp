#include "dbf/XbDBFDataSet.h"

#include "dbf/XbDBFUtil.h"
#include "platform/rtl/Exceptions.h"

#include <filesystem>

namespace {

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

// Reads exactly `count` bytes at `offset`; fewer bytes (end of storage) return the number read.
int64_t ReadAt(TProxyStream& stream, int64_t offset, void* buffer, int64_t count)
{
    if (stream.SeekTo(offset, 0) != offset)
        return -1;
    return stream.ReadBlock(buffer, count);
}

}  // namespace

TXbSmartDBF::TXbSmartDBF(TComponent* owner)
    : TComponent(owner),
      foxTableFlag_(std::make_unique<TTableFlag>()),
      tableStream_(std::make_unique<TProxyStream>()),
      accessMode_(std::make_unique<TAccessMode>()),
      dbfFieldDefs_(std::make_unique<TXbDBFFieldDefs>(nullptr, xBaseVersion::xBaseIII))
{
    CreateLobStreamObject();
}

TXbSmartDBF::~TXbSmartDBF()
{
    try {
        Close();
    } catch (...) {
        // Closing in a destructor must not throw; the streams are closed below in any case.
    }
    ReleaseOpenResources();
    FreeLobStreamObject();
}

void TXbSmartDBF::SetDbfVersion(xBaseVersion version)
{
    dbfVersion_ = version;
    dbfFieldDefs_->SetVersion(version);
}

void TXbSmartDBF::SetLockProtocol(LockProtocolType protocol)
{
    if (open_)
        throw Exception("TXbSmartDBF.SetLockProtocol: Can't change lock protocol while dataset is active!");
    lockProtocol_ = protocol;
}

void TXbSmartDBF::SetLobLockProtocol(LockProtocolType protocol)
{
    if (open_)
        throw Exception("TXbSmartDBF.SetLobLockProtocol: Can't change lock protocol while dataset is active!");
    lobLockProtocol_ = protocol;
}

void TXbSmartDBF::SetCreateNow(bool value)
{
    if (value)
        CreateTable();
}

void TXbSmartDBF::Open()
{
    if (open_)
        return;
    InternalOpen();
}

void TXbSmartDBF::Close()
{
    if (!open_)
        return;
    InternalCloseTable();
}

std::string TXbSmartDBF::MemoFileName(const std::string& tableName, bool foxMemo)
{
    std::filesystem::path path(tableName);
    path.replace_extension(foxMemo ? ".fpt" : ".dbt");
    return path.string();
}

void TXbSmartDBF::PrepareTableStream()
{
    tableStream_->CloseStream();
    tableStream_->FileName = DBFFileName;
    tableStream_->AccessMode().SetAccessMode(accessMode_->AccessMode());
    tableStream_->ProxyStreamType = StorageType;
    tableStream_->SetOuterStream(OuterStream);
    tableStream_->OnLockEvent = OnOuterStreamLock;
    tableStream_->OnUnlockEvent = OnOuterStreamUnlock;
}

void TXbSmartDBF::InternalOpen()
{
    headerLocked_ = lobLocked_ = fileLocked_ = false;
    lockedRecords_.clear();
    CloseLobFile();

    PrepareTableStream();
    tableStream_->OpenStream();
    if (!tableStream_->IsOpen())
        throw Exception("TXbSmartDBF.InternalOpen: Open error " + Quoted(DBFFileName));

    // From here on a failing step closes the table again and returns what it took; the file
    // itself is left as it was.
    try {
        const int64_t fileSize = tableStream_->SeekTo(0, 2);
        std::array<uint8_t, kDBFHeaderSize> first{};
        const int64_t got = fileSize < 0 ? -1 : ReadAt(*tableStream_, 0, first.data(), kDBFHeaderSize);
        layout_ = ReadTableHeader(first.data(), got < 0 ? 0 : static_cast<size_t>(got), fileSize, DBFFileName);
        headerImage_ = layout_.HeaderImage;
        foxTableFlag_->SetTableFlag(layout_.Header.TableFlags);
        SetDbfVersion(layout_.Version);
        memoKind_ = layout_.MemoKind;
        headerSize_ = layout_.Header.HeaderSize;
        recordSize_ = layout_.Header.RecordSize;

        readAheadCapacity_ = BufferSize > 0 ? BufferSize / recordSize_ : 0;
        if (readAheadCapacity_ == 0)
            throw Exception("TXbSmartDBF.InternalOpen: BufferSize too small!");
        readAhead_ = TXbDBFBlock(this, static_cast<size_t>(BufferSize) + 10);
        recordNumbers_ = TXbDBFBlock(this, static_cast<size_t>(readAheadCapacity_) * 4);
        scratch_ = TXbDBFBlock(this, static_cast<size_t>(BufferSize));

        OpenLobFile(layout_.Header.VersionByte);
        InternalInitFieldDefs();
        changedSinceOpen_ = false;
        open_ = true;
    } catch (...) {
        ReleaseOpenResources();
        throw;
    }
}

void TXbSmartDBF::InternalInitFieldDefs()
{
    dbfFieldDefs_->Clear();
    if (!tableStream_->IsOpen())
        throw Exception("TXbSmartDBF.InternalInitFieldDefs: Can not define fields while DataSet is closed!");
    dbfFieldDefs_->SetVersion(dbfVersion_);
    dbfFieldDefs_->HasAutoIncrement = false;
    dbfFieldDefs_->NullFlagsOffset = -1;
    dbfFieldDefs_->NullFlagsLength = 0;

    std::vector<uint8_t> area(static_cast<size_t>(headerSize_));
    const int64_t got = ReadAt(*tableStream_, 0, area.data(), headerSize_);
    area.resize(got < 0 ? 0 : static_cast<size_t>(got));
    ReadFieldDescriptors(layout_, area, tableStream_->SeekTo(0, 2), DBFFileName, OEM);
    FillFieldDefs(*dbfFieldDefs_, layout_.Fields, std::string());
}

void TXbSmartDBF::FillFieldDefs(TXbDBFFieldDefs& defs, const std::vector<TXbFieldLayout>& fields,
                                const std::string& prefix)
{
    const bool visualFoxPro = dbfVersion_ == xBaseVersion::xVisualFoxPro;
    int nullBit = 0;
    for (const TXbFieldLayout& field : fields) {
        TXbDBFFieldDef& def = defs.Add();
        def.FieldRec().SetImage(field.Image.data());
        def.SetName(field.Name);
        def.Setfield_type(field.Type);
        def.Setextend_type(field.Type == 'E' ? field.ExtendType : TXbDBFType::dbftUndefined);
        def.FieldFlag().SetFieldFlag(field.Flags);
        def.SetOffsets(field.Offset, field.OffsetHD);

        const uint16_t word = static_cast<uint16_t>(field.LengthByte | (field.DecimalsByte << 8));
        uint16_t length = field.LengthByte;
        uint16_t decimals = 0;
        switch (field.Type) {
        case 'C':
        case '0': length = word; break;
        case 'N':
        case 'F': decimals = field.DecimalsByte; break;
        case 'D':
        case 'T':
        case '@': length = 8; break;
        case 'L': length = 1; break;
        case 'M': length = visualFoxPro ? 4 : 10; break;
        case 'B':
            length = visualFoxPro ? 34 : 10;
            decimals = visualFoxPro ? 16 : 0;
            break;
        case 'G':
        case 'P': length = visualFoxPro ? 4 : 10; break;
        case 'Y':
            length = 25;
            decimals = 4;
            break;
        case 'I':
        case '+': length = 11; break;
        case 'O': length = 21; break;
        case 'E':
            if (IsExtendStringType(field.ExtendType))
                length = word;
            else
                decimals = field.DecimalsByte;
            break;
        default: break;
        }
        def.Setlen(length);
        def.Setdec(decimals);

        if (field.Type == '+' || (visualFoxPro && field.Type == 'I' && (field.Flags & kFieldFlagAutoIncrement) != 0))
            defs.HasAutoIncrement = true;
        if (visualFoxPro && (field.Flags & kFieldFlagCanStoreNull) != 0) {
            def.NullBit = nullBit;
            def.NullByte = nullBit / 8;
            def.NullMask = static_cast<uint8_t>(1u << (nullBit % 8));
            ++nullBit;
        }
        if (field.Type == '0' && field.Name == "_NULLFLAGS") {
            defs.NullFlagsOffset = field.Offset;
            defs.NullFlagsLength = field.Size;
        }
        if (!field.Nested.empty())
            FillFieldDefs(def.DBFFieldDefs(), field.Nested, prefix + field.Name + ".");
    }
    // Null-flag bits past the end of the "_NULLFLAGS" field would read outside the record.
    if (nullBit > 0 && (defs.NullFlagsOffset < 0 || nullBit > defs.NullFlagsLength * 8))
        throw Exception("TXbSmartDBF.InternalInitFieldDefs: Field \"_NULLFLAGS\" of file " + Quoted(DBFFileName) +
                        " is missing or too short!");
}

uint32_t TXbSmartDBF::CountRecords()
{
    if (!tableStream_->IsOpen() || recordSize_ <= 0)
        return 0;
    const int64_t size = tableStream_->SeekTo(0, 2);
    const int64_t count = size > headerSize_ ? (size - headerSize_) / recordSize_ : 0;
    WriteLE32(headerImage_.data() + 4, static_cast<uint32_t>(count));
    return static_cast<uint32_t>(count);
}

void TXbSmartDBF::AppendEndMarkOnClose() noexcept
{
    if (!tableStream_->IsOpen() || !tableStream_->AccessMode().OpenReadWrite)
        return;
    const int64_t size = tableStream_->SeekTo(0, 2);
    if (size <= 0)
        return;
    uint8_t last = 0;
    if (ReadAt(*tableStream_, size - 1, &last, 1) != 1 || last == kEndOfFileMark)
        return;
    tableStream_->SeekTo(size, 0);
    tableStream_->WriteBlock(&kEndOfFileMark, 1);
}

void TXbSmartDBF::ReleaseOpenResources() noexcept
{
    readAhead_.Release();
    recordNumbers_.Release();
    scratch_.Release();
    readAheadCapacity_ = 0;
    CloseLobFile();
    tableStream_->CloseStream();
    open_ = false;
}

void TXbSmartDBF::InternalCloseTable()
{
    readAhead_.Release();
    recordNumbers_.Release();
    scratch_.Release();
    readAheadCapacity_ = 0;
    CloseLobFile();
    AppendEndMarkOnClose();
    tableStream_->CloseStream();
    open_ = false;
}

// ---- memo file

bool TXbSmartDBF::MemoIsFoxPro(uint8_t versionByte) const noexcept
{
    return versionByte == 0xF5 || versionByte == 0x30 || versionByte == 0x31;
}

void TXbSmartDBF::CreateLobStreamObject()
{
    lobStream_ = std::make_unique<TProxyStream>();
}

void TXbSmartDBF::FreeLobStreamObject() noexcept
{
    if (lobStream_)
        lobStream_->CloseStream();
    lobStream_.reset();
}

void TXbSmartDBF::CloseLobFile() noexcept
{
    if (lobStream_)
        lobStream_->CloseStream();
    lobBlockSizeInUse_ = 0;
}

void TXbSmartDBF::OpenLobFile(uint8_t versionByte)
{
    const bool dbt = versionByte == 0x83 || versionByte == 0x8B || versionByte == 0x8C;
    const bool fpt = versionByte == 0xF5 || ((versionByte == 0x30 || versionByte == 0x31) &&
                                              memoKind_ == TXbMemoKind::VisualFoxPro);
    if (!dbt && !fpt)
        return;
    lobStream_->CloseStream();
    lobStream_->AccessMode().SetAccessMode(accessMode_->AccessMode());
    lobStream_->ProxyStreamType = StorageType;
    lobStream_->SetOuterStream(OuterLobStream);
    std::string name = MemoFileName(DBFFileName, fpt);
    if (StorageType == TProxyStreamType::pstFile)
        name = XbFindFileIgnoringCase(name);
    lobStream_->FileName = name;
    if (!lobStream_->OpenStream())
        return;  // no memo file: the table stays usable and memo fields read as empty
    if (versionByte == 0x83) {
        lobBlockSizeInUse_ = 512;  // the dBASE III header is never read
        return;
    }
    lobHeader_.fill(0);
    const int64_t got = ReadAt(*lobStream_, 0, lobHeader_.data(), kMemoHeaderSize);
    if (got != static_cast<int64_t>(kMemoHeaderSize)) {
        lobStream_->CloseStream();
        throw Exception("TXbSmartDBF.OpenLobFile: Memo file " + Quoted(name) + " is shorter than its header!");
    }
    const uint32_t blockSize = fpt ? (ReadBE32(lobHeader_.data() + 4) & 0xFFFF) : ReadLE32(lobHeader_.data() + 20);
    if (blockSize == 0 || blockSize > 0xFFFF) {
        lobStream_->CloseStream();
        throw Exception("TXbSmartDBF.OpenLobFile: Memo file " + Quoted(name) + " has a wrong block size!");
    }
    lobBlockSizeInUse_ = static_cast<int>(blockSize);
}
