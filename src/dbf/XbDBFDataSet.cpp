#include "dbf/XbDBFDataSet.h"
#include "dbf/XbDBFDataLink.h"

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
    : TDataSet(owner),
      foxTableFlag_(std::make_unique<TTableFlag>()),
      tableStream_(std::make_unique<TProxyStream>()),
      accessMode_(std::make_unique<TAccessMode>()),
      crypt_(std::make_unique<TXbDBFCrypt>(this)),
      dbfFieldDefs_(std::make_unique<TXbDBFFieldDefs>(nullptr, xBaseVersion::xBaseIII)),
      masterLink_(std::make_unique<TXbDataLink>(*this))
{
    exprSource_ = MakeTableFieldSource(*this);
    filterParser_ = std::make_unique<TXbDBFExprParser>(exprSource_.get());
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
    if (IsLoading()) {
        streamedCreateNow_ = value;
        return;
    }
    if (value)
        CreateTable();
}

void TXbSmartDBF::SetSetDeleted(bool value)
{
    if (!Active()) {
        setDeleted_ = value;
        return;
    }
    CheckBrowseMode();
    setDeleted_ = value;
    Refresh();
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
    knownFileSize_ = -1;
    CloseLobFile();

    PrepareTableStream();
    tableStream_->OpenStream();
    if (!tableStream_->IsOpen())
        throw Exception("TXbSmartDBF.InternalOpen: Open error " + Quoted(DBFFileName) + tableStream_->ErrorInfo());

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
        windowImages_ = readAhead_.Data();
        recordNumbers_ = TXbDBFBlock(this, static_cast<size_t>(readAheadCapacity_) * 4);
        scratch_ = TXbDBFBlock(this, static_cast<size_t>(BufferSize));
        bulkCount_ = 0;
        if (const int bulkRecords = kBulkReadBytes / recordSize_; bulkRecords > readAheadCapacity_)
            bulk_ = TXbDBFBlock(this, static_cast<size_t>(bulkRecords) * recordSize_);
        windowCount_ = 0;
        currentSlot_ = -1;
        bofMark_ = eofMark_ = true;

        OpenLobFile(layout_.Header.VersionByte);
        FieldDefs().SetUpdated(false);
        FieldDefs().Update();
        if (DefaultFields()) {
            CreateFields();
            // The definitions carry the decimals as precision; the fields still show every
            // significant digit of a value.
            for (TField* field : Fields())
                if (auto* floatField = dynamic_cast<TFloatField*>(field))
                    floatField->SetPrecision(15);
        }
        BindFields(true);
        BuildFieldAccess();
        BuildExprFields();

        // The key is built again from the password in force now.
        if (crypt_->Active()) {
            crypt_->SetActive(false);
            crypt_->SetActive(true);
        }
        OpenTableIndexes();
        changedSinceOpen_ = false;
        headerCountPending_ = false;
        FinishInterruptedRewrite();
        BringHeaderCountUpToDate();
        CountRecords();
        WindowGoFirst();
        const size_t bufferSize = static_cast<size_t>(recordSize_ + 6 + CalcFieldsSize());
        scratchRecord_ = TXbDBFBlock(this, bufferSize);
        filterRecord_ = TXbDBFBlock(this, bufferSize);
        setKeyRecord_ = TXbDBFBlock(this, bufferSize);
        cryptCopy_ = TXbDBFBlock(this, bufferSize);
        if (Filtered() && !Filter().empty())
            PrepareFilter();
        open_ = true;
        SetBookmarkSize(4);
    } catch (...) {
        ReleaseOpenResources();
        throw;
    }
}

void TXbSmartDBF::InternalInitFieldDefs()
{
    dbfFieldDefs_->Clear();
    FieldDefs().Clear();
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
    for (int i = 0; i < dbfFieldDefs_->Count(); ++i)
        AddFrameworkFieldDef(FieldDefs(), dbfFieldDefs_->Items(i));
}

namespace {

// The framework type of an 'E' field's sub-type.
TFieldType ExtendFieldType(TXbDBFType type)
{
    using T = TXbDBFType;
    switch (type) {
    case T::dbftS1: case T::dbftS1_N: case T::dbftS2: case T::dbftS2_N: return TFieldType::ftSmallint;
    case T::dbftU1: case T::dbftU1_N: case T::dbftU2: case T::dbftU2_N: case T::dbftU1_NB: case T::dbftU2_NB:
        return TFieldType::ftWord;
    case T::dbftS4: case T::dbftS4_N: case T::dbftU4: case T::dbftU4_N: case T::dbftU4_NB:
        return TFieldType::ftInteger;
    case T::dbftS8: case T::dbftS8_N: return TFieldType::ftLargeint;
    case T::dbftR4: case T::dbftR4_N: case T::dbftR6: case T::dbftR6_N: case T::dbftR8: case T::dbftR8_N:
    case T::dbftR10: case T::dbftR10_N: case T::dbftR4_NB: case T::dbftR6_NB: case T::dbftR8_NB:
        return TFieldType::ftFloat;
    case T::dbftD1: case T::dbftD1_N: case T::dbftD2: case T::dbftD2_N: case T::dbftD3: case T::dbftD3_N:
    case T::dbftD1_NB: case T::dbftD2_NB: case T::dbftD3_NB:
        return TFieldType::ftDateTime;
    case T::dbftString: case T::dbftString_N: return TFieldType::ftString;
    case T::dbftFixedChar: return TFieldType::ftFixedChar;
    case T::dbftWideString: return TFieldType::ftWideString;
    case T::dbftCurrency: case T::dbftCurrency_N: case T::dbftCurrency_NB: return TFieldType::ftCurrency;
    case T::dbftClob: case T::dbftFmtMemo: case T::dbftClob_NB: case T::dbftFmtMemo_NB: return TFieldType::ftMemo;
    case T::dbftBlob: case T::dbftGraphic: case T::dbftBlob_NB: case T::dbftGraphic_NB: return TFieldType::ftBlob;
    case T::dbftBCD: return TFieldType::ftBCD;
    case T::dbftDate: case T::dbftDate_N: case T::dbftDate_NB: return TFieldType::ftDate;
    case T::dbftTime: case T::dbftTime_N: case T::dbftTime_NB: return TFieldType::ftTime;
    case T::dbftDBFDataSet: case T::dbftDBFDataSet_NB: return TFieldType::ftDataSet;
    default: return TFieldType::ftUnknown;
    }
}

}  // namespace

TFieldType XbDBFFrameworkType(const TXbDBFFieldDef& def, xBaseVersion version)
{
    const bool visualFoxPro = version == xBaseVersion::xVisualFoxPro;
    const bool binary = def.FieldFlag().BinaryColumn;
    switch (def.field_type()) {
    case 'C': return visualFoxPro && binary ? TFieldType::ftBytes : TFieldType::ftString;
    case 'N':
    case 'F':
        if (def.dec() > 0)
            return TFieldType::ftFloat;
        return def.len() >= 10 ? TFieldType::ftLargeint : TFieldType::ftInteger;
    case 'D': return TFieldType::ftDate;
    case 'L': return TFieldType::ftBoolean;
    case 'M': return visualFoxPro && binary ? TFieldType::ftBlob : TFieldType::ftMemo;
    case 'B': return visualFoxPro ? TFieldType::ftFloat : TFieldType::ftBlob;
    case 'G': return visualFoxPro ? TFieldType::ftParadoxOle : TFieldType::ftGraphic;
    case 'P': return TFieldType::ftGraphic;
    case 'T': return TFieldType::ftDateTime;
    case 'Y': return TFieldType::ftCurrency;
    case 'I': return visualFoxPro && def.FieldFlag().AutoIncrement ? TFieldType::ftAutoInc : TFieldType::ftInteger;
    case '+': return TFieldType::ftAutoInc;
    case '@': return TFieldType::ftDateTime;
    case 'O': return TFieldType::ftFloat;
    case '0': return TFieldType::ftBytes;
    case 'E': return ExtendFieldType(def.extend_type());
    default: return TFieldType::ftUnknown;
    }
}

void TXbSmartDBF::BuildFieldAccess()
{
    fieldMap_.clear();
    blankImage_.clear();
    fieldAccessCount_ = 0;
    hasDataSetFields_ = false;
    fieldMap_.reserve(static_cast<size_t>(dbfFieldDefs_->Count()));
    for (int i = 0; i < dbfFieldDefs_->Count(); ++i) {
        TXbDBFFieldDef& def = dbfFieldDefs_->Items(i);
        TXbFieldAccess access;
        access.Def = &def;
        access.DataType = XbDBFFrameworkType(def, dbfVersion_);
        access.Type = def.field_type();
        access.Extend = def.extend_type();
        access.Offset = def.Offset();
        access.Length = def.len();
        access.Decimals = def.dec();
        access.Storage = layout_.Fields.at(static_cast<size_t>(i)).Size;
        if (def.NullBit >= 0 && dbfFieldDefs_->NullFlagsOffset >= 0) {
            access.NullOffset = dbfFieldDefs_->NullFlagsOffset + def.NullByte;
            access.NullMask = def.NullMask;
        }
        if (access.NullOffset < 0) {
            if (access.Type == 'C' && access.DataType == TFieldType::ftString)
                access.FastKind = 1;
            else if ((access.Type == 'N' || access.Type == 'F') && access.DataType == TFieldType::ftInteger)
                access.FastKind = 2;
            else if ((access.Type == 'N' || access.Type == 'F') && access.DataType == TFieldType::ftFloat)
                access.FastKind = 3;
            else if (access.Type == 'D')
                access.FastKind = 4;
            else if (access.Type == 'L')
                access.FastKind = 5;
        }
        access.NumberWord =
            (access.FastKind == 2 || access.FastKind == 3) && access.Length <= 8 && access.Offset + access.Length >= 8;
        if (access.NumberWord && (access.FastKind == 2 || access.Decimals == 0))
            access.PointByte = -1;
        else if (access.NumberWord && access.Decimals > 0 && access.Decimals < access.Length)
            access.PointByte = static_cast<int8_t>(7 - access.Decimals);
        if (access.DataType == TFieldType::ftDataSet)
            hasDataSetFields_ = true;
        fieldMap_.push_back(access);
    }
    fieldAccessCount_ = static_cast<unsigned>(fieldMap_.size());
}

void TXbSmartDBF::AddFrameworkFieldDef(TFieldDefs& target, TXbDBFFieldDef& def)
{
    const TFieldType type = XbDBFFrameworkType(def, dbfVersion_);
    int size = 0;
    switch (type) {
    case TFieldType::ftString:
    case TFieldType::ftFixedChar:
    case TFieldType::ftBytes:
    case TFieldType::ftWideString: size = def.len(); break;
    case TFieldType::ftBCD: size = def.dec(); break;
    default: break;
    }
    TFieldDef& added = target.Add(def.Name(), type, size, false);
    if (def.field_type() != 'E' && type == TFieldType::ftFloat)
        added.SetPrecision(def.dec());
    def.FieldDef = &added;
    if (type == TFieldType::ftDataSet)
        for (int i = 0; i < def.DBFFieldDefs().Count(); ++i)
            AddFrameworkFieldDef(added.ChildDefs(), def.DBFFieldDefs().Items(i));
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

int TXbSmartDBF::CountRecords() const
{
    if (!tableStream_->IsOpen() || recordSize_ <= 0)
        return 0;
    const int64_t size = tableStream_->SeekTo(0, 2);
    int64_t count = size > headerSize_ ? (size - headerSize_) / recordSize_ : 0;
    // Record numbers are 32-bit and the framework counts in int.
    if (count > INT32_MAX)
        count = INT32_MAX;
    WriteLE32(headerImage_.data() + 4, static_cast<uint32_t>(count));
    recordCountComputed_ = static_cast<uint32_t>(count);
    return static_cast<int>(count);
}

// A writer killed between its record and its header, or an exclusive writer that never
// closed, leaves the header's count behind the file; a count beyond the file is as stale. The
// first open for writing writes the count the file holds, so other programs see every record.
void TXbSmartDBF::BringHeaderCountUpToDate() noexcept
{
    if (!tableStream_->IsOpen() || !tableStream_->AccessMode().OpenReadWrite)
        return;
    try {
        if (!LockHeader())
            return;
        // Read under the lock: another user may have appended since the header was read.
        std::array<uint8_t, 4> stored{};
        const int64_t fileSize = tableStream_->SeekTo(0, 2);
        const int64_t count = fileSize > headerSize_ ? (fileSize - headerSize_) / recordSize_ : 0;
        if (ReadAt(*tableStream_, 4, stored.data(), 4) == 4 && count <= INT32_MAX &&
            ReadLE32(stored.data()) != static_cast<uint32_t>(count)) {
            std::array<uint8_t, 4> image{};
            WriteLE32(image.data(), static_cast<uint32_t>(count));
            if (tableStream_->SeekTo(4, 0) == 4)
                tableStream_->WriteBlock(image.data(), 4);
        }
        UnlockHeader();
    } catch (...) {
        // Only a courtesy to other programs: the engine counts records by the file's size.
    }
}

// Other users append under the header lock, measuring the file's end there: the end is
// measured and the mark written under the same lock, or the mark could land on the first byte
// of a record another user wrote in between. A header that stays busy leaves the mark out; it
// is a courtesy to other programs, and the engine counts records by the file's size.
void TXbSmartDBF::AppendEndMarkOnClose() noexcept
{
    if (!tableStream_->IsOpen() || !tableStream_->AccessMode().OpenReadWrite)
        return;
    const bool heldBefore = headerLocked_;
    try {
        if (!LockHeader())
            return;
        const int64_t size = tableStream_->SeekTo(0, 2);
        uint8_t last = 0;
        if (size > 0 && ReadAt(*tableStream_, size - 1, &last, 1) == 1 && last != kEndOfFileMark &&
            tableStream_->SeekTo(size, 0) == size)
            tableStream_->WriteBlock(&kEndOfFileMark, 1);
        if (!heldBefore)
            UnlockHeader();
    } catch (...) {
        // Closing drops the lock with the file.
    }
}

void TXbSmartDBF::ReleaseOpenResources() noexcept
{
    readAhead_.Release();
    windowImages_ = nullptr;
    recordNumbers_.Release();
    scratch_.Release();
    bulk_.Release();
    bulkCount_ = 0;
    scratchRecord_.Release();
    filterRecord_.Release();
    setKeyRecord_.Release();
    cryptCopy_.Release();
    ReleaseFilter();
    readAheadCapacity_ = 0;
    windowCount_ = 0;
    currentSlot_ = -1;
    bofMark_ = eofMark_ = true;
    forcedRecord_ = nullptr;
    filterSubject_ = nullptr;
    if (TIndexes* indexes = IndexCollection())
        indexes->CloseAll();
    fieldMap_.clear();
    fieldAccessCount_ = 0;
    hasDataSetFields_ = false;
    exprFields_.clear();
    CloseLobFile();
    tableStream_->CloseStream();
    open_ = false;
}

void TXbSmartDBF::InternalCloseTable()
{
    // The end mark is written only for a table that opened completely. A failed count write
    // loses nothing: the next open for writing makes it good.
    if (open_) {
        if (headerCountPending_)
            WriteHeaderImage();
        AppendEndMarkOnClose();
    }
    ReleaseOpenResources();
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
    lobOpenError_.clear();
    if (!lobStream_->OpenStream()) {
        // No memo file: the table stays usable and memo fields read as empty; a write tells why.
        lobOpenError_ = lobStream_->ErrorInfo();
        return;
    }
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
