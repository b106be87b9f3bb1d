// Memo contents: reading a field's memo from the memo file into a blob stream, and storing a
// blob stream's contents back, for the dBASE III, dBASE IV and FoxPro memo layouts.
//
// A memo is written before the record that refers to it: the new blocks go to free space, and
// the record keeps its old reference until it is posted, so a crash or a cancelled edit leaves
// the old memo readable and the new blocks merely unreferenced.

#include "dbf/XbDBFDataSet.h"

#include "dbf/XbDBTStream.h"
#include "platform/db/DBConsts.h"
#include "platform/db/DBTypes.h"
#include "platform/rtl/Exceptions.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace {

enum class TMemoLayout { None, DBaseIII, DBaseIV, FoxPro };

TMemoLayout LayoutOf(TXbMemoKind kind)
{
    switch (kind) {
    case TXbMemoKind::DBaseIII: return TMemoLayout::DBaseIII;
    case TXbMemoKind::DBaseIV:
    case TXbMemoKind::DBaseV: return TMemoLayout::DBaseIV;
    case TXbMemoKind::FoxPro:
    case TXbMemoKind::VisualFoxPro: return TMemoLayout::FoxPro;
    default: return TMemoLayout::None;
    }
}

// What kind of memo a field holds.
struct TMemoContents {
    bool Memo = false;          // the field refers to the memo file
    bool Text = false;          // contents are text (translated to and from OEM)
    bool ExtendType = false;    // an 'E' field: length-prefixed and enciphered in dBASE III
    bool BytePosition = false;  // the reference is a byte position ("_NB" outside ".fpt")
};

TMemoContents MemoFieldOf(const TXbFieldAccess& access, TMemoLayout layout, xBaseVersion version)
{
    using T = TXbDBFType;
    TMemoContents result;
    switch (access.Type) {
    case 'M':
        result.Memo = true;
        result.Text = version != xBaseVersion::xVisualFoxPro || access.DataType != TFieldType::ftBlob;
        break;
    case 'B': result.Memo = version != xBaseVersion::xVisualFoxPro; break;
    case 'G':
    case 'P': result.Memo = true; break;
    case 'E':
        switch (access.Extend) {
        case T::dbftClob: case T::dbftFmtMemo: case T::dbftClob_NB: case T::dbftFmtMemo_NB:
            result.Text = true;
            [[fallthrough]];
        case T::dbftBlob: case T::dbftGraphic: case T::dbftBlob_NB: case T::dbftGraphic_NB:
        case T::dbftDBFDataSet: case T::dbftDBFDataSet_NB:
            result.Memo = true;
            result.ExtendType = true;
            result.BytePosition = layout != TMemoLayout::FoxPro &&
                                  (access.Extend == T::dbftClob_NB || access.Extend == T::dbftFmtMemo_NB ||
                                   access.Extend == T::dbftBlob_NB || access.Extend == T::dbftGraphic_NB ||
                                   access.Extend == T::dbftDBFDataSet_NB);
            break;
        default: break;
        }
        break;
    default: break;
    }
    return result;
}

void EncodeReference(const TXbFieldAccess& access, uint64_t value, uint8_t* out)
{
    if (access.Storage == 4) {
        WriteLE32(out, static_cast<uint32_t>(value));
        return;
    }
    std::string text = std::to_string(value);
    const size_t width = static_cast<size_t>(access.Storage);
    if (text.size() > width)
        throw Exception("TXbSmartDBF: Lob stream save error!");
    std::memset(out, ' ', width);
    std::memcpy(out + width - text.size(), text.data(), text.size());
}

[[noreturn]] void ReadBlockError()
{
    throw Exception("TXbSmartDBF: Lob stream read block error!");
}

// Reads exactly count bytes at offset, else raises the block error.
void ReadExactly(TProxyStream& stream, int64_t offset, void* buffer, int64_t count)
{
    if (count == 0)
        return;
    if (stream.SeekTo(offset, 0) != offset || stream.ReadBlock(buffer, count) != count)
        ReadBlockError();
}

// Unlocks the memo file on every way out of a write.
class TLobLockGuard {
public:
    TLobLockGuard(TXbSmartDBF& table, TProxyStream& stream) : table_(table), stream_(stream) {}
    ~TLobLockGuard() { table_.UnlockLob(stream_); }
    TLobLockGuard(const TLobLockGuard&) = delete;
    TLobLockGuard& operator=(const TLobLockGuard&) = delete;

private:
    TXbSmartDBF& table_;
    TProxyStream& stream_;
};

}  // namespace

uint64_t XbMemoReference(const TXbFieldAccess& access, const uint8_t* record)
{
    const uint8_t* p = record + access.Offset;
    if (access.Storage == 4) {
        uint32_t value = ReadLE32(p);
        if (access.Type == 'E')
            value &= 0x7FFFFFFF;  // the top bit marks a stored value
        return value;
    }
    uint64_t value = 0;
    int i = 0;
    while (i < access.Storage && p[i] == ' ')
        ++i;
    if (i == access.Storage)
        return 0;
    for (; i < access.Storage && p[i] != ' '; ++i) {
        if (p[i] < '0' || p[i] > '9')
            return 0;
        value = value * 10 + (p[i] - '0');
    }
    for (; i < access.Storage; ++i)
        if (p[i] != ' ')
            return 0;
    return value;
}

// ---------------------------------------------------------------------------------------------
// Reading

std::unique_ptr<TStream> TXbSmartDBF::OpenBlobStream(TField& field, TBlobStreamMode mode)
{
    auto stream = std::make_unique<TXbDBTStream>(*this, field);
    const TXbFieldAccess* access = FieldAccessOf(field);
    const uint8_t* record = ActiveRecordBuffer();
    if (access == nullptr || record == nullptr)
        return stream;
    const TMemoLayout layout = LayoutOf(memoKind_);
    const TMemoContents kind = MemoFieldOf(*access, layout, dbfVersion_);
    if (!kind.Memo)
        throw Exception("TXbSmartDBF: Lob stream create error!");
    if (!ReadFieldValue(*access, record, nullptr, 0))
        return stream;
    if (mode == TBlobStreamMode::bmWrite) {
        stream->SetModified(true);
        return stream;
    }
    const uint64_t reference = XbMemoReference(*access, record);
    TProxyStream& lob = MemoSource();
    if (reference == 0 || !lob.IsOpen() || layout == TMemoLayout::None)
        return stream;

    const int64_t fileSize = lob.SeekTo(0, 2);
    const int64_t unit = layout == TMemoLayout::DBaseIII ? 512 : (LobBlockSizeInUse() > 0 ? LobBlockSizeInUse() : 512);
    const int64_t start = kind.BytePosition ? static_cast<int64_t>(reference) : static_cast<int64_t>(reference) * unit;
    // A reference past the end of the memo file is damage (or a memo file that does not belong
    // to the table), not an empty memo.
    if (start >= fileSize) {
        uint32_t recNo = 0;
        std::memcpy(&recNo, record + recordSize_, 4);
        throw Exception("TXbSmartDBF: The memo of field \"" + field.FieldName() + "\" in record " +
                        std::to_string(recNo) + " of \"" + DBFFileName + "\" lies past the end of its memo file " +
                        "(reference " + std::to_string(reference) + ")!");
    }
    std::vector<uint8_t> data;
    int64_t cipherContext = -1;
    if (layout == TMemoLayout::DBaseIII && !kind.ExtendType) {
        // Text up to the first end mark; a memo without one ends with the file.
        constexpr int64_t kPiece = 512;
        int64_t at = start;
        uint8_t piece[kPiece];
        while (at < fileSize) {
            if (lob.SeekTo(at, 0) != at)
                break;
            const int64_t got = lob.ReadBlock(piece, kPiece);
            if (got <= 0)
                break;
            const uint8_t* mark = static_cast<const uint8_t*>(std::memchr(piece, kEndOfFileMark, static_cast<size_t>(got)));
            const int64_t used = mark != nullptr ? mark - piece : got;
            data.insert(data.end(), piece, piece + used);
            if (mark != nullptr || got < kPiece)
                break;
            at += got;
        }
    } else {
        int64_t at = start;
        int64_t length = 0;
        if (layout == TMemoLayout::DBaseIII) {
            uint8_t prefix[4];
            ReadExactly(lob, at, prefix, 4);
            length = ReadLE32(prefix);
            cipherContext = at;
            at += 4;
        } else {
            uint8_t header[8];
            ReadExactly(lob, start, header, 8);
            if (layout == TMemoLayout::DBaseIV) {
                if (header[0] != 0xFF || header[1] != 0xFF || header[2] != 0x08 || header[3] != 0x00)
                    ReadBlockError();
                length = static_cast<int64_t>(ReadLE32(header + 4)) - 8;
            } else {
                const uint32_t type = ReadBE32(header);
                if (type != 0 && type != 1)
                    ReadBlockError();
                length = ReadBE32(header + 4);
            }
            cipherContext = start;
            at = start + 8;
        }
        // A length running past the end of the file is damage, not a memo.
        if (length < 0 || at + length > fileSize)
            ReadBlockError();
        data.resize(static_cast<size_t>(length));
        ReadExactly(lob, at, data.data(), length);
        if (cipherContext >= 0 && crypt_->Active() && !data.empty())
            crypt_->Decrypt(static_cast<uint32_t>(cipherContext), data.data(), static_cast<int32_t>(data.size()));
    }
    if (kind.Text && !data.empty())
        TranslateOemBuff(reinterpret_cast<const char*>(data.data()), reinterpret_cast<char*>(data.data()),
                         static_cast<int>(data.size()), false);
    if (!data.empty())
        stream->WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
    stream->SetPosition(0);
    stream->SetModified(false);
    return stream;
}

void TXbSmartDBF::CommitBlobStream(TStream& stream)
{
    if (auto* memo = dynamic_cast<TXbDBTStream*>(&stream))
        memo->Commit();
}

// ---------------------------------------------------------------------------------------------
// Writing

void TXbSmartDBF::WriteLob(TXbDBTStream& stream, TField& field)
{
    const TXbFieldAccess* access = FieldAccessOf(field);
    uint8_t* record = ActiveRecordBuffer();
    if (access == nullptr || record == nullptr)
        DatabaseError(DBConsts::SNotEditing);
    const TMemoLayout layout = LayoutOf(memoKind_);
    const TMemoContents kind = MemoFieldOf(*access, layout, dbfVersion_);
    if (!kind.Memo)
        throw Exception("TXbSmartDBF: Lob stream save error!");
    const TDataSetState state = State();
    // The new reference goes into the record being edited; a browsed record is not written.
    if (state != TDataSetState::dsEdit && state != TDataSetState::dsInsert)
        DatabaseError(DBConsts::SNotEditing);
    auto fieldChanged = [&] { DataEvent(TDataEvent::deFieldChange, {&field, 0}); };

    // An empty stream clears the field; the memo file is not touched.
    if (stream.Size() == 0) {
        WriteFieldValue(*access, record, nullptr, &field);
        fieldChanged();
        return;
    }

    TProxyStream& lob = GetLobStream();
    if (!lob.IsOpen() || layout == TMemoLayout::None)
        throw Exception("TXbSmartDBF.WriteLob: Memo file of " + DBFFileName + " is not open!" + lobOpenError_);
    if (!LockLob(lob))
        throw Exception("TXbSmartDBF.WriteLob: Can not lock memo file.");
    TLobLockGuard unlock(*this, lob);

    // The contents as stored: text in the stored code page.
    std::vector<uint8_t> data(static_cast<size_t>(stream.Size()));
    std::memcpy(data.data(), stream.Memory(), data.size());
    if (kind.Text)
        TranslateOemBuff(reinterpret_cast<const char*>(data.data()), reinterpret_cast<char*>(data.data()),
                         static_cast<int>(data.size()), true);
    if (data.size() > 0x7FFFFFF0u)
        throw Exception("TXbSmartDBF: Lob stream save error!");

    const int64_t fileSize = lob.SeekTo(0, 2);
    if (fileSize < 0)
        RaiseWriteError(lob);
    std::vector<uint8_t> image;
    int64_t position = 0;
    uint64_t reference = 0;
    bool encipher = crypt_->Active();
    // Puts the data into the image after its block header, enciphered under its position when the
    // table is enciphered.
    const auto placeData = [&](size_t headerSize) {
        if (encipher)
            crypt_->Encrypt(static_cast<uint32_t>(position), data.data(), static_cast<int32_t>(data.size()));
        std::memcpy(image.data() + headerSize, data.data(), data.size());
    };
    const auto writeImage = [&] {
        if (lob.SeekTo(position, 0) != position ||
            lob.WriteBlock(image.data(), static_cast<int64_t>(image.size())) != static_cast<int64_t>(image.size()))
            RaiseWriteError(lob);
    };

    if (layout == TMemoLayout::DBaseIII) {
        // A dBASE III text memo ends at its first end mark: a text holding one could not be
        // read back whole, so it is refused before anything is written.
        if (!kind.ExtendType && std::memchr(data.data(), kEndOfFileMark, data.size()) != nullptr)
            throw Exception("TXbSmartDBF.WriteLob: The memo of field \"" + field.FieldName() + "\" of \"" +
                            DBFFileName + "\" holds the byte 0x1A, which ends a dBASE III memo; nothing was written!");
        if (kind.BytePosition) {
            position = fileSize;
            reference = static_cast<uint64_t>(position);
        } else {
            // Block 0 holds the header (and reference 0 means no memo), whatever the file's size.
            reference = static_cast<uint64_t>(std::max<int64_t>((fileSize + 511) / 512, 1));
            position = static_cast<int64_t>(reference) * 512;
        }
        if (kind.ExtendType) {
            image.resize(4 + data.size());
            WriteLE32(image.data(), static_cast<uint32_t>(data.size()));
            placeData(4);
        } else {
            // Two end marks, as the format's other writers end a text: readers that look for
            // the pair find the end, readers that stop at the first one lose nothing.
            image = data;
            image.push_back(kEndOfFileMark);
            image.push_back(kEndOfFileMark);
        }
        writeImage();
        // The memo first, then the header's next free block: the block after it, where every
        // other writer of the format appends.
        uint8_t next[4];
        WriteLE32(next, static_cast<uint32_t>((position + static_cast<int64_t>(image.size()) + 511) / 512));
        if (lob.SeekTo(0, 0) != 0 || lob.WriteBlock(next, 4) != 4)
            RaiseWriteError(lob);
    } else {
        const int64_t blockSize = LobBlockSizeInUse() > 0 ? LobBlockSizeInUse() : 512;
        const int64_t blocks = (static_cast<int64_t>(data.size()) + 8 + blockSize - 1) / blockSize;
        image.resize(8 + data.size());
        if (layout == TMemoLayout::DBaseIV) {
            image[0] = 0xFF;
            image[1] = 0xFF;
            WriteLE16(image.data() + 2, 8);
            WriteLE32(image.data() + 4, static_cast<uint32_t>(data.size() + 8));
        } else {
            const bool textBlock = access->Type == 'M' && kind.Text;
            WriteBE32(image.data(), textBlock ? 1 : 0);
            WriteBE32(image.data() + 4, static_cast<uint32_t>(data.size()));
        }
        uint8_t header[kMemoHeaderSize];
        const int64_t headerBytes = layout == TMemoLayout::DBaseIV ? static_cast<int64_t>(kMemoHeaderSize) : 8;
        if (lob.SeekTo(0, 0) != 0 || lob.ReadBlock(header, headerBytes) != headerBytes)
            throw Exception("TXbSmartDBF.WriteLob: Memo file header of " + DBFFileName + " is damaged!");
        const int64_t endBlock = (fileSize + blockSize - 1) / blockSize;
        const int64_t firstBlock = (static_cast<int64_t>(kMemoHeaderSize) + blockSize - 1) / blockSize;

        if (layout == TMemoLayout::FoxPro) {
            // At the end of the file, where the header's next free block points in a sound file;
            // a header pointing before the end would overwrite memos, and one pointing far
            // beyond it would only leave a hole.
            const int64_t block = endBlock;
            position = block * blockSize;
            reference = static_cast<uint64_t>(block);
            placeData(8);
            writeImage();
            uint8_t next[4];
            WriteBE32(next, static_cast<uint32_t>(block + blocks));
            if (lob.SeekTo(0, 0) != 0 || lob.WriteBlock(next, 4) != 4)
                RaiseWriteError(lob);
        } else {
            // First fit along the free chain that starts in the header; past the end of the
            // file the blocks are taken at the end.
            int64_t linkAt = 0;  // where the pointer to the run under test lives
            int64_t block = ReadLE32(header);
            int64_t taken = -1;
            std::vector<std::pair<int64_t, uint32_t>> pointerWrites;  // (offset, value)
            std::vector<std::pair<int64_t, std::array<uint8_t, 8>>> runWrites;
            for (int64_t steps = 0; steps <= endBlock + 1; ++steps) {
                if (block <= 0 || block >= endBlock) {
                    // The chain ends at the end of the file (a pointer beyond it holds nothing).
                    taken = endBlock;
                    pointerWrites.emplace_back(linkAt, static_cast<uint32_t>(endBlock + blocks));
                    break;
                }
                if (block < firstBlock)
                    break;  // the header's blocks are never free: a damaged chain
                uint8_t run[8];
                ReadExactly(lob, block * blockSize, run, 8);
                const int64_t next = ReadLE32(run);
                const int64_t length = ReadLE32(run + 4);
                if (length > blocks) {
                    taken = block;
                    std::array<uint8_t, 8> rest{};
                    WriteLE32(rest.data(), static_cast<uint32_t>(next));
                    WriteLE32(rest.data() + 4, static_cast<uint32_t>(length - blocks));
                    runWrites.emplace_back((block + blocks) * blockSize, rest);
                    pointerWrites.emplace_back(linkAt, static_cast<uint32_t>(block + blocks));
                    break;
                }
                if (length == blocks) {
                    taken = block;
                    pointerWrites.emplace_back(linkAt, static_cast<uint32_t>(next));
                    break;
                }
                if (length <= 0 || next == block)
                    break;  // a damaged chain: take the end of the file below
                linkAt = block * blockSize;
                block = next;
            }
            if (taken < 0) {
                taken = endBlock;
                pointerWrites.clear();
                runWrites.clear();
            }
            position = taken * blockSize;
            reference = static_cast<uint64_t>(taken);
            placeData(8);
            // The memo first, then the chain that no longer offers its blocks.
            writeImage();
            for (const auto& [at, bytes] : runWrites)
                if (lob.SeekTo(at, 0) != at || lob.WriteBlock(bytes.data(), 8) != 8)
                    RaiseWriteError(lob);
            for (const auto& [at, value] : pointerWrites) {
                uint8_t pointer[4];
                WriteLE32(pointer, value);
                if (lob.SeekTo(at, 0) != at || lob.WriteBlock(pointer, 4) != 4)
                    RaiseWriteError(lob);
            }
        }
    }

    uint8_t encoded[16];
    EncodeReference(*access, reference, encoded);
    WriteFieldValue(*access, record, encoded, &field);
    fieldChanged();
}
