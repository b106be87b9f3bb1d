// Pack: removes the records marked deleted and rewrites the memo file with the memos of the
// kept records only.
//
// The new table and memo images are built completely before anything old is touched: for
// disk tables as temporary files beside the table (the same file system, so a rename replaces
// a file whole), for tables kept in streams in memory. Only when both are complete and
// flushed do they replace the old files, by rename; when any step fails, the temporary files
// are removed and the old files stay exactly as they were. Memo contents are copied as stored
// bytes (deciphered under their old place and enciphered under the new one), never through
// the text conversion of the field layer, so nothing is lost in translation.

#include "dbf/XbDBFDataSet.h"

#include "dbf/XbDBFFileSteps.h"
#include "dbf/XbDBFRewriteNote.h"
#include "dbf/XbDBFUtil.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileHandle.h"
#include "platform/rtl/OsErrors.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// A file image under construction: a temporary file beside the table, or bytes in memory for
// tables kept in streams. Written front to back, with patches to what is already there. On
// disk, what is appended gathers in memory and goes to the file in pieces of kPieceBytes, so
// the many small writes of records and memos cost few system calls.
class TPackOutput {
public:
    TPackOutput(bool onDisk, std::string folder, std::string purpose)
        : onDisk_(onDisk), folder_(std::move(folder)), purpose_(std::move(purpose))
    {
    }
    ~TPackOutput() { Discard(); }
    TPackOutput(const TPackOutput&) = delete;
    TPackOutput& operator=(const TPackOutput&) = delete;

    void Create()
    {
        if (!onDisk_)
            return;
        name_ = MakeTempFileName(folder_);
        if (name_.empty())
            throw Exception("TXbSmartDBF.Pack: Can not create temporary " + purpose_ + " file in " + Quoted(folder_) +
                            " !" + OsErrorInfo(errno));
        if (!file_.Open(name_, fmOpenReadWrite | fmShareExclusive))
            throw Exception("TXbSmartDBF.Pack: Can not open temporary file " + Quoted(name_) + " !" +
                            OsErrorInfo(file_.LastError()));
    }

    const std::string& Name() const noexcept { return name_; }
    int64_t Size() const noexcept { return size_; }
    const std::vector<uint8_t>& Bytes() const noexcept { return bytes_; }

    void Append(const void* data, size_t count)
    {
        if (!onDisk_) {
            WriteAt(size_, data, count);
            return;
        }
        const auto* bytes = static_cast<const uint8_t*>(data);
        pending_.insert(pending_.end(), bytes, bytes + count);
        size_ += static_cast<int64_t>(count);
        if (pending_.size() >= kPieceBytes)
            Flush();
    }
    // Zero bytes up to `position` (for block alignment).
    void PadTo(int64_t position)
    {
        if (size_ >= position)
            return;
        if (!onDisk_) {
            static const uint8_t zeros[512] = {};
            while (size_ < position)
                Append(zeros, static_cast<size_t>(std::min<int64_t>(position - size_, sizeof zeros)));
            return;
        }
        pending_.resize(pending_.size() + static_cast<size_t>(position - size_), 0);
        size_ = position;
        if (pending_.size() >= kPieceBytes)
            Flush();
    }

    void WriteAt(int64_t offset, const void* data, size_t count)
    {
        if (count == 0)
            return;
        if (onDisk_) {
            const int64_t end = offset + static_cast<int64_t>(count);
            if (offset >= pendingAt_ && end <= pendingAt_ + static_cast<int64_t>(pending_.size())) {
                std::memcpy(pending_.data() + (offset - pendingAt_), data, count);
                return;
            }
            if (end > pendingAt_)
                Flush();
            WriteToFile(offset, data, count);
            pendingAt_ = std::max(pendingAt_, end);
        } else {
            if (bytes_.size() < static_cast<size_t>(offset) + count)
                bytes_.resize(static_cast<size_t>(offset) + count);
            std::memcpy(bytes_.data() + offset, data, count);
        }
        size_ = std::max<int64_t>(size_, offset + static_cast<int64_t>(count));
    }

    // Everything on disk and the file closed: ready to be renamed.
    void Finish()
    {
        if (!onDisk_)
            return;
        Flush();
        if (!XbFileStepAllowed("flush " + purpose_) || ::fsync(file_.Descriptor()) != 0)
            throw Exception("TXbSmartDBF.Pack: Can not write file " + Quoted(name_) + " !" +
                            OsErrorInfo(errno != 0 ? errno : EIO));
        file_.Close();
    }

    // The file now lives under another name: nothing to remove any more.
    void Keep() noexcept { name_.clear(); }

    void Discard() noexcept
    {
        pending_.clear();
        file_.Close();
        if (!name_.empty())
            ::unlink(name_.c_str());
        name_.clear();
    }

private:
    static constexpr size_t kPieceBytes = 256 * 1024;

    void WriteToFile(int64_t offset, const void* data, size_t count)
    {
        int error = EIO;
        if (!XbFileStepAllowed("write " + purpose_) ||
            (file_.WriteAt(offset, data, count) != static_cast<int64_t>(count) && (error = file_.LastError(), true)))
            throw Exception("TXbSmartDBF.Pack: Can not write file " + Quoted(name_) + " !" + OsErrorInfo(error));
    }

    void Flush()
    {
        if (pending_.empty())
            return;
        WriteToFile(pendingAt_, pending_.data(), pending_.size());
        pendingAt_ += static_cast<int64_t>(pending_.size());
        pending_.clear();
    }

    bool onDisk_;
    std::string folder_;
    std::string purpose_;
    std::string name_;
    TFileHandle file_;
    std::vector<uint8_t> bytes_;
    int64_t size_ = 0;
    // On disk: the bytes from pendingAt_ on, not yet written.
    std::vector<uint8_t> pending_;
    int64_t pendingAt_ = 0;
};

// Renames a file over another; raises the memo replacement message when the system refuses.
void RenameFile(const std::string& from, const std::string& to)
{
    int error = EIO;
    if (!XbFileStepAllowed("rename " + std::filesystem::path(to).filename().string()) ||
        (std::rename(from.c_str(), to.c_str()) != 0 && (error = errno, true)))
        throw Exception("TXbSmartDBF.PackLobHandlerClose: Can not rename file " + Quoted(from) + " to " + Quoted(to) +
                        " !" + OsErrorInfo(error));
}

enum class TPackMemoLayout { DBaseIII, DBaseIV, FoxPro };

// A field whose contents live in the memo file, and how they are stored there.
struct TPackMemoField {
    const TXbFieldAccess* Access = nullptr;
    bool LengthPrefixed = false;  // dBASE III 'E' memos: a 32-bit length before the data
    bool BytePosition = false;    // the reference is a byte position, not a block number
};

bool IsMemoField(const TXbFieldAccess& access, xBaseVersion version, TPackMemoLayout layout, TPackMemoField& out)
{
    using T = TXbDBFType;
    out = TPackMemoField{&access, false, false};
    switch (access.Type) {
    case 'M':
    case 'G':
    case 'P': return true;
    case 'B': return version != xBaseVersion::xVisualFoxPro;
    case 'E':
        switch (access.Extend) {
        case T::dbftClob: case T::dbftFmtMemo: case T::dbftBlob: case T::dbftGraphic: case T::dbftDBFDataSet:
            out.LengthPrefixed = layout == TPackMemoLayout::DBaseIII;
            return true;
        case T::dbftClob_NB: case T::dbftFmtMemo_NB: case T::dbftBlob_NB: case T::dbftGraphic_NB:
        case T::dbftDBFDataSet_NB:
            out.LengthPrefixed = layout == TPackMemoLayout::DBaseIII;
            out.BytePosition = layout != TPackMemoLayout::FoxPro;
            return true;
        default: return false;
        }
    default: return false;
    }
}

void StoreMemoReference(const TXbFieldAccess& access, uint8_t* record, uint64_t value)
{
    uint8_t* p = record + access.Offset;
    if (access.Storage == 4) {
        const uint32_t flag = access.Type == 'E' ? (ReadLE32(p) & 0x80000000u) : 0;
        WriteLE32(p, static_cast<uint32_t>(value) | flag);
        return;
    }
    const std::string text = std::to_string(value);
    const size_t width = static_cast<size_t>(access.Storage);
    if (text.size() > width)
        throw Exception("TXbSmartDBF: Lob stream save error!");
    std::memset(p, ' ', width);
    std::memcpy(p + width - text.size(), text.data(), text.size());
}

// Copies the memos of kept records from the old memo file into the new one, one after another.
class TMemoCopier {
public:
    TMemoCopier(TProxyStream& source, TPackOutput& target, TPackMemoLayout layout, int64_t blockSize,
                TXbDBFCrypt& crypt)
        : source_(source), target_(target), layout_(layout), blockSize_(blockSize), crypt_(crypt)
    {
        sourceSize_ = source_.SeekTo(0, 2);
    }

    // The old header, with room for it kept whole; the first memo goes after it.
    void WriteHeader()
    {
        header_.assign(kMemoHeaderSize, 0);
        const int64_t got = source_.SeekTo(0, 0) == 0 ? source_.ReadBlock(header_.data(), kMemoHeaderSize) : -1;
        if (got < 0)
            DamagedMemo(0);
        target_.Append(header_.data(), header_.size());
    }

    // Copies the memo `record` refers to through `field` and points the record at the copy.
    // `cipher`: the memo is enciphered with the table's cipher (a nested table's own memos
    // are not).
    void Copy(const TPackMemoField& field, uint8_t* record, bool cipher = true)
    {
        const uint64_t reference = XbMemoReference(*field.Access, record);
        if (reference == 0)
            return;
        const int64_t unit = layout_ == TPackMemoLayout::DBaseIII ? 512 : blockSize_;
        const int64_t start = field.BytePosition ? static_cast<int64_t>(reference) : static_cast<int64_t>(reference) * unit;
        // Buffers of earlier memos are reused (a nested table's memos, copied while this one
        // is under way, take others).
        TPooledBuffer prefixBuffer(*this);
        TPooledBuffer dataBuffer(*this);
        std::vector<uint8_t>& prefix = prefixBuffer.Bytes;  // stored before the data: length or block header
        std::vector<uint8_t>& data = dataBuffer.Bytes;
        bool enciphered = true;
        if (layout_ == TPackMemoLayout::DBaseIII && !field.LengthPrefixed) {
            ReadText(start, data);
            data.push_back(kEndOfFileMark);  // the two end marks of WriteLob
            data.push_back(kEndOfFileMark);
            enciphered = false;
        } else {
            const size_t prefixSize = layout_ == TPackMemoLayout::DBaseIII ? 4 : 8;
            prefix.resize(prefixSize);
            ReadExactly(start, prefix.data(), static_cast<int64_t>(prefixSize));
            int64_t length = 0;
            if (layout_ == TPackMemoLayout::DBaseIII) {
                length = ReadLE32(prefix.data());
            } else if (layout_ == TPackMemoLayout::DBaseIV) {
                if (prefix[0] != 0xFF || prefix[1] != 0xFF || prefix[2] != 0x08 || prefix[3] != 0x00)
                    DamagedMemo(start);
                length = static_cast<int64_t>(ReadLE32(prefix.data() + 4)) - 8;
            } else {
                const uint32_t type = ReadBE32(prefix.data());
                if (type != 0 && type != 1)
                    DamagedMemo(start);
                length = ReadBE32(prefix.data() + 4);
            }
            if (length < 0 || start + static_cast<int64_t>(prefixSize) + length > sourceSize_)
                DamagedMemo(start);
            data.resize(static_cast<size_t>(length));
            ReadExactly(start + static_cast<int64_t>(prefixSize), data.data(), length);
            if (cipher && crypt_.Active() && !data.empty())
                crypt_.Decrypt(static_cast<uint32_t>(start), data.data(), static_cast<int32_t>(data.size()));
            enciphered = cipher;
        }
        // A table nested in the field keeps its own memos in this memo file too: they are
        // copied first and the nested records pointed at the copies.
        const TXbDBFType extend = field.Access->Extend;
        if (field.Access->Type == 'E' && !data.empty() &&
            (extend == TXbDBFType::dbftDBFDataSet || extend == TXbDBFType::dbftDBFDataSet_NB)) {
            CopyNestedMemos(data);
            // Packing the nested table may have made its image shorter.
            const auto length = static_cast<uint32_t>(data.size());
            if (prefix.empty())
                DamagedMemo(start);
            if (layout_ == TPackMemoLayout::DBaseIII)
                WriteLE32(prefix.data(), length);
            else if (layout_ == TPackMemoLayout::DBaseIV)
                WriteLE32(prefix.data() + 4, length + 8);
            else
                WriteBE32(prefix.data() + 4, length);
        }

        const int64_t position = field.BytePosition ? target_.Size() : (target_.Size() + unit - 1) / unit * unit;
        if (enciphered && crypt_.Active() && !data.empty())
            crypt_.Encrypt(static_cast<uint32_t>(position), data.data(), static_cast<int32_t>(data.size()));
        target_.PadTo(position);
        target_.Append(prefix.data(), prefix.size());
        target_.Append(data.data(), data.size());
        StoreMemoReference(*field.Access, record,
                           field.BytePosition ? static_cast<uint64_t>(position) : static_cast<uint64_t>(position / unit));
    }

    // Points the header's next free block past the last memo written.
    void FinishHeader()
    {
        const int64_t unit = layout_ == TPackMemoLayout::DBaseIII ? 512 : blockSize_;
        const uint32_t nextFree = static_cast<uint32_t>((target_.Size() + unit - 1) / unit);
        uint8_t pointer[4];
        if (layout_ == TPackMemoLayout::FoxPro)
            WriteBE32(pointer, nextFree);
        else
            WriteLE32(pointer, nextFree);
        target_.WriteAt(0, pointer, 4);
    }

private:
    void CopyNestedMemos(std::vector<uint8_t>& image)
    {
        if (nestedDepth_ >= 16)
            throw Exception("TXbSmartDBF.Pack: Nested tables too deep!");
        struct TDepth {
            int& depth;
            explicit TDepth(int& d) : depth(d) { ++depth; }
            ~TDepth() { --depth; }
        } depth(nestedDepth_);
        const int64_t size = static_cast<int64_t>(image.size());
        const std::string name = "nested table in " + source_.FileName;
        TXbTableLayout nested = ReadTableHeader(image.data(), image.size(), size, name);
        const size_t headerSize = nested.Header.HeaderSize;
        if (headerSize > image.size())
            DamagedMemo(0);
        ReadFieldDescriptors(nested, std::vector<uint8_t>(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(headerSize)),
                             size, name, false);
        std::vector<TXbFieldAccess> accesses;
        accesses.reserve(nested.Fields.size());
        for (const TXbFieldLayout& layout : nested.Fields) {
            TXbFieldAccess access;
            access.Type = layout.Type;
            access.Extend = layout.Type == 'E' ? layout.ExtendType : TXbDBFType::dbftUndefined;
            access.Offset = layout.Offset;
            access.Storage = layout.Size;
            accesses.push_back(access);
        }
        std::vector<TPackMemoField> memoFields;
        for (const TXbFieldAccess& access : accesses) {
            TPackMemoField memo;
            if (IsMemoField(access, nested.Version, layout_, memo))
                memoFields.push_back(memo);
        }
        // The nested table is packed too: its deleted records are dropped (their memos are
        // not copied) and the live ones move down.
        const size_t recordSize = nested.Header.RecordSize;
        if (recordSize == 0 || headerSize + static_cast<size_t>(nested.RecordCount) * recordSize > image.size())
            DamagedMemo(0);
        uint32_t kept = 0;
        for (uint32_t i = 0; i < nested.RecordCount; ++i) {
            uint8_t* record = image.data() + headerSize + static_cast<size_t>(i) * recordSize;
            if (record[0] == '*')
                continue;
            for (const TPackMemoField& memo : memoFields)
                Copy(memo, record, false);
            uint8_t* place = image.data() + headerSize + static_cast<size_t>(kept) * recordSize;
            if (place != record)
                std::memmove(place, record, recordSize);
            ++kept;
        }
        if (kept != nested.RecordCount) {
            const size_t end = headerSize + static_cast<size_t>(kept) * recordSize;
            image.resize(end + 1);
            image[end] = kEndOfFileMark;
            WriteLE32(image.data() + 4, kept);
        }
    }

    [[noreturn]] void DamagedMemo(int64_t position)
    {
        throw Exception("TXbSmartDBF: Lob stream read block error! (memo file " + Quoted(source_.FileName) +
                        ", offset " + std::to_string(position) + "; nothing was packed)");
    }

    // Reads from the old memo file through a window of kWindowBytes: the memos of the kept
    // records mostly follow one another, so one read serves many of them.
    int64_t ReadSource(int64_t offset, void* buffer, int64_t count)
    {
        if (count > static_cast<int64_t>(kWindowBytes) &&
            (offset < windowAt_ || offset + count > windowAt_ + static_cast<int64_t>(windowFill_)))
            return source_.SeekTo(offset, 0) == offset ? source_.ReadBlock(buffer, count) : -1;
        const uint8_t* bytes = nullptr;
        const int64_t available = Peek(offset, count, bytes);
        if (available > 0)
            std::memcpy(buffer, bytes, static_cast<size_t>(available));
        return available;
    }

    // The bytes from `offset` on in the window, up to `count` (at most kWindowBytes), read
    // into it first unless it holds them all: how many there are (fewer at the end of the
    // file), or -1 when the read fails.
    int64_t Peek(int64_t offset, int64_t count, const uint8_t*& bytes)
    {
        if (offset < windowAt_ || offset + count > windowAt_ + static_cast<int64_t>(windowFill_)) {
            window_.resize(kWindowBytes);
            windowFill_ = 0;
            windowAt_ = offset;
            if (source_.SeekTo(offset, 0) != offset)
                return -1;
            const int64_t got = source_.ReadBlock(window_.data(), static_cast<int64_t>(kWindowBytes));
            if (got < 0)
                return -1;
            windowFill_ = static_cast<size_t>(got);
        }
        const int64_t available = std::min<int64_t>(count, windowAt_ + static_cast<int64_t>(windowFill_) - offset);
        if (available <= 0)
            return 0;
        bytes = window_.data() + (offset - windowAt_);
        return available;
    }

    void ReadExactly(int64_t offset, void* buffer, int64_t count)
    {
        if (count == 0)
            return;
        if (ReadSource(offset, buffer, count) != count)
            DamagedMemo(offset);
    }

    // dBASE III text: up to the first end mark, or the end of the file.
    void ReadText(int64_t at, std::vector<uint8_t>& data)
    {
        while (at < sourceSize_) {
            const uint8_t* piece = nullptr;
            const int64_t got = Peek(at, std::min<int64_t>(512, sourceSize_ - at), piece);
            if (got < 0)
                DamagedMemo(at);
            if (got == 0)
                break;
            const auto* mark = static_cast<const uint8_t*>(std::memchr(piece, kEndOfFileMark, static_cast<size_t>(got)));
            const int64_t used = mark != nullptr ? mark - piece : got;
            data.insert(data.end(), piece, piece + used);
            if (mark != nullptr)
                break;
            at += got;
        }
    }

    // A buffer taken from the copier's spare ones for one memo and given back after it.
    struct TPooledBuffer {
        explicit TPooledBuffer(TMemoCopier& owner) : Owner(owner)
        {
            if (!owner.spare_.empty()) {
                Bytes = std::move(owner.spare_.back());
                owner.spare_.pop_back();
                Bytes.clear();
            }
        }
        ~TPooledBuffer()
        {
            try {
                Owner.spare_.push_back(std::move(Bytes));
            } catch (...) {
                // Not kept: the next memo allocates its own.
            }
        }
        TPooledBuffer(const TPooledBuffer&) = delete;
        TPooledBuffer& operator=(const TPooledBuffer&) = delete;
        TMemoCopier& Owner;
        std::vector<uint8_t> Bytes;
    };

    TProxyStream& source_;
    TPackOutput& target_;
    TPackMemoLayout layout_;
    int64_t blockSize_;
    TXbDBFCrypt& crypt_;
    int64_t sourceSize_ = 0;
    int nestedDepth_ = 0;
    std::vector<uint8_t> header_;
    static constexpr size_t kWindowBytes = 256 * 1024;
    std::vector<uint8_t> window_;
    int64_t windowAt_ = 0;
    size_t windowFill_ = 0;
    std::vector<std::vector<uint8_t>> spare_;
};

// Replaces a stream's whole contents (tables kept in streams).
void ReplaceStreamContents(TProxyStream& stream, const std::vector<uint8_t>& bytes)
{
    if (!XbFileStepAllowed("write stream") || stream.SeekTo(0, 0) != 0 ||
        stream.WriteBlock(bytes.data(), static_cast<int64_t>(bytes.size())) != static_cast<int64_t>(bytes.size()) ||
        !stream.Truncate())
        throw Exception("TXbSmartDBF.Pack: Can not write the packed table into its stream!");
}

}  // namespace

int TXbSmartDBF::Pack(bool)
{
    CheckActive();
    if (State() == TDataSetState::dsEdit || State() == TDataSetState::dsInsert)
        Post();
    if (!LockHeader())
        throw Exception("TXbSmartDBF.Pack: Can not lock DBF header.");
    struct THeaderUnlock {
        TXbSmartDBF& table;
        ~THeaderUnlock() { table.UnlockHeader(); }
    } unlockHeader{*this};

    const int perBlock = recordSize_ > 0 ? BufferSize / recordSize_ : 0;
    if (perBlock <= 0)
        throw Exception("TXbSmartDBF.Pack: Record size too large");

    const bool onDisk = StorageType == TProxyStreamType::pstFile;
    const std::string tableName = tableStream_->FileName;
    const std::string folder = std::filesystem::path(tableName).parent_path().string();
    const bool withMemo = lobStream_->IsOpen() && (memoKind_ == TXbMemoKind::DBaseIII ||
                                                   memoKind_ == TXbMemoKind::DBaseIV ||
                                                   memoKind_ == TXbMemoKind::DBaseV ||
                                                   memoKind_ == TXbMemoKind::FoxPro ||
                                                   memoKind_ == TXbMemoKind::VisualFoxPro);
    const TPackMemoLayout layout = memoKind_ == TXbMemoKind::DBaseIII ? TPackMemoLayout::DBaseIII
                                   : (memoKind_ == TXbMemoKind::FoxPro || memoKind_ == TXbMemoKind::VisualFoxPro)
                                       ? TPackMemoLayout::FoxPro
                                       : TPackMemoLayout::DBaseIV;

    TPackOutput newTable(onDisk, folder, "table");
    TPackOutput newMemo(onDisk, folder, "memo");
    newTable.Create();
    std::vector<TPackMemoField> memoFields;
    std::unique_ptr<TMemoCopier> memoCopier;
    if (withMemo) {
        newMemo.Create();
        for (const TXbFieldAccess& access : fieldMap_) {
            TPackMemoField field;
            if (IsMemoField(access, dbfVersion_, layout, field))
                memoFields.push_back(field);
        }
        const int64_t blockSize = LobBlockSizeInUse() > 0 ? LobBlockSizeInUse() : 512;
        memoCopier = std::make_unique<TMemoCopier>(*lobStream_, newMemo, layout, blockSize, *crypt_);
        memoCopier->WriteHeader();
    }

    // The header and field descriptors as they are; the record count is set at the end.
    std::vector<uint8_t> header(static_cast<size_t>(headerSize_));
    if (tableStream_->SeekTo(0, 0) != 0 ||
        tableStream_->ReadBlock(header.data(), headerSize_) != static_cast<int64_t>(headerSize_))
        throw Exception("TXbSmartDBF.Pack: Can not read the header of " + Quoted(tableName) + " !");
    newTable.Append(header.data(), header.size());

    // The open indexes are built from the packed table into new files beside their own before
    // anything old is replaced; their old files are marked as being changed while the table
    // is replaced, and the new files take their place right after.
    struct TIndexRebuild {
        std::vector<TIndex*> indexes;
        bool tableReplaced = false;
        bool committed = false;
        void Prepare(TProxyStream& packedTable, uint32_t records)
        {
            for (TIndex* index : indexes)
                index->PrepareRebuild(packedTable, records);
        }
        void Mark()
        {
            for (TIndex* index : indexes)
                index->MarkRebuild();
        }
        void Commit()
        {
            for (TIndex* index : indexes)
                index->CommitRebuild();
            committed = true;
        }
        ~TIndexRebuild()
        {
            if (!committed)
                for (TIndex* index : indexes)
                    index->DiscardRebuild(tableReplaced);
        }
    } rebuild{OpenIndexes()};

    const size_t blockBytes = static_cast<size_t>(perBlock) * static_cast<size_t>(recordSize_);
    std::vector<uint8_t> block(blockBytes);
    uint32_t oldRecNo = 0;
    uint32_t newRecNo = 0;
    int64_t readAt = headerSize_;
    for (;;) {
        if (tableStream_->SeekTo(readAt, 0) != readAt)
            break;
        const int64_t got = tableStream_->ReadBlock(block.data(), static_cast<int64_t>(blockBytes));
        const int read = got > 0 ? static_cast<int>(got / recordSize_) : 0;
        if (read == 0)
            break;
        readAt += static_cast<int64_t>(read) * recordSize_;
        int kept = 0;
        for (int i = 0; i < read; ++i) {
            uint8_t* image = block.data() + static_cast<size_t>(i) * recordSize_;
            ++oldRecNo;
            if (crypt_->Active())
                crypt_->Decrypt(oldRecNo, image, recordSize_);
            if (image[0] == '*')
                continue;
            for (const TPackMemoField& field : memoFields)
                memoCopier->Copy(field, image);
            ++newRecNo;
            uint8_t* place = block.data() + static_cast<size_t>(kept) * recordSize_;
            if (place != image)
                std::memmove(place, image, static_cast<size_t>(recordSize_));
            if (crypt_->Active())
                crypt_->Encrypt(newRecNo, place, recordSize_);
            ++kept;
        }
        newTable.Append(block.data(), static_cast<size_t>(kept) * recordSize_);
        if (read < perBlock)
            break;
    }
    newTable.Append(&kEndOfFileMark, 1);
    uint8_t count[4];
    WriteLE32(count, newRecNo);
    newTable.WriteAt(4, count, 4);
    if (withMemo)
        memoCopier->FinishHeader();

    // Both images are complete: put them in place of the old ones.
    if (onDisk) {
        newTable.Finish();
        if (!rebuild.indexes.empty()) {
            TProxyStream packed;
            packed.FileName = newTable.Name();
            packed.AccessMode().SetAccessMode(TAccessMode::kShareDenyNone);
            if (!packed.OpenStream())
                throw Exception("TXbSmartDBF.Pack: Open error " + Quoted(newTable.Name()) + packed.ErrorInfo());
            rebuild.Prepare(packed, newRecNo);
        }
        rebuild.Mark();
        const std::string memoName = withMemo ? lobStream_->FileName : std::string();
        std::string backupName;
        if (withMemo) {
            newMemo.Finish();
            backupName = MakeTempFileName(folder);
            if (backupName.empty())
                throw Exception("TXbSmartDBF.Pack: Can not create temporary memo file in " + Quoted(folder) + " !" +
                                OsErrorInfo(errno));
            try {
                RenameFile(memoName, backupName);
            } catch (...) {
                ::unlink(backupName.c_str());
                throw;
            }
            try {
                RenameFile(newMemo.Name(), memoName);
            } catch (...) {
                std::rename(backupName.c_str(), memoName.c_str());
                throw;
            }
            newMemo.Keep();
        }
        try {
            RenameFile(newTable.Name(), tableName);
        } catch (...) {
            if (withMemo)
                std::rename(backupName.c_str(), memoName.c_str());
            throw;
        }
        newTable.Keep();
        // A rewrite note that outlived its rewrite (its removal refused) speaks of a record
        // place of the old file: it goes with that file.
        ::unlink(RewriteNoteName(tableName).c_str());
        rebuild.tableReplaced = true;
        if (withMemo)
            ::unlink(backupName.c_str());
        // The streams still read the old files: open the new ones.
        tableStream_->CloseStream();
        if (!tableStream_->OpenStream())
            throw Exception("TXbSmartDBF.Pack: Open error " + Quoted(tableName) + tableStream_->ErrorInfo());
        if (withMemo) {
            lobStream_->CloseStream();
            if (!lobStream_->OpenStream())
                throw Exception("TXbSmartDBF.Pack: Open error " + Quoted(memoName) + lobStream_->ErrorInfo());
        }
    } else {
        rebuild.Mark();
        if (withMemo)
            ReplaceStreamContents(*lobStream_, newMemo.Bytes());
        ReplaceStreamContents(*tableStream_, newTable.Bytes());
        rebuild.tableReplaced = true;
        rebuild.Prepare(*tableStream_, newRecNo);
    }
    rebuild.Commit();

    changedSinceOpen_ = true;
    // The file is shorter now, and its header holds the packed count.
    knownFileSize_ = -1;
    headerCountPending_ = false;
    CountRecords();
    First();
    PackLobHandlerClose();
    return static_cast<int>(oldRecNo - newRecNo);
}
