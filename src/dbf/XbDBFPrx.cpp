#include "dbf/XbDBFPrx.h"

#include "dbf/XbDBFMemMgr.h"
#include "platform/rtl/OsErrors.h"


// ---- TAccessMode

void TAccessMode::Assign(const TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TAccessMode*>(&source)) {
        OpenRead = other->OpenRead;
        OpenWrite = other->OpenWrite;
        OpenReadWrite = other->OpenReadWrite;
        ShareExclusive = other->ShareExclusive;
        ShareDenyWrite = other->ShareDenyWrite;
        ShareDenyNone = other->ShareDenyNone;
        packed_ = other->packed_;
        return;
    }
    TPersistent::Assign(source);
}

uint32_t TAccessMode::AccessMode()
{
    uint32_t value = 0;
    if (OpenWrite)
        value |= kOpenWrite;
    if (OpenReadWrite)
        value |= kOpenReadWrite;
    if (ShareExclusive)
        value |= kShareExclusive;
    if (ShareDenyWrite)
        value |= kShareDenyWrite;
    if (ShareDenyNone)
        value |= kShareDenyNone;
    packed_ = value;
    return value;
}

void TAccessMode::SetAccessMode(uint32_t value)
{
    OpenWrite = OpenReadWrite = ShareExclusive = ShareDenyWrite = ShareDenyNone = false;
    OpenRead = true;
    OpenWrite = (value & kOpenWrite) != 0;
    OpenReadWrite = (value & kOpenReadWrite) != 0;
    ShareExclusive = (value & kShareExclusive) != 0;
    ShareDenyWrite = (value & kShareDenyWrite) != 0;
    ShareDenyNone = (value & kShareDenyNone) != 0;
    packed_ = value;
}

// ---- TFieldFlag

void TFieldFlag::Assign(const TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TFieldFlag*>(&source)) {
        SetFieldFlag(other->FieldFlag());
        return;
    }
    TPersistent::Assign(source);
}

uint8_t TFieldFlag::FieldFlag() const
{
    return static_cast<uint8_t>((System ? 1 : 0) | (CanStoreNull ? 2 : 0) | (BinaryColumn ? 4 : 0) |
                                (AutoIncrement ? 8 : 0));
}

void TFieldFlag::SetFieldFlag(uint8_t value)
{
    System = (value & 1) != 0;
    CanStoreNull = (value & 2) != 0;
    BinaryColumn = (value & 4) != 0;
    AutoIncrement = (value & 8) != 0;
}

// ---- TTableFlag

void TTableFlag::Assign(const TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TTableFlag*>(&source)) {
        SetTableFlag(other->TableFlag());
        return;
    }
    TPersistent::Assign(source);
}

uint8_t TTableFlag::TableFlag() const
{
    return static_cast<uint8_t>((HasGotIndex ? 1 : 0) | (HasGotMemo ? 2 : 0) | (ItIsDatabase ? 4 : 0));
}

void TTableFlag::SetTableFlag(uint8_t value)
{
    HasGotIndex = (value & 1) != 0;
    HasGotMemo = (value & 2) != 0;
    ItIsDatabase = (value & 4) != 0;
}

// ---- TProxyStream

TProxyStream::TProxyStream()
    : accessMode_(std::make_unique<TAccessMode>()), innerStream_(std::make_unique<TMemoryStream>())
{
}

TProxyStream::~TProxyStream()
{
    CloseStream();
}

TStream* TProxyStream::ActiveByteStream() noexcept
{
    switch (ProxyStreamType) {
    case TProxyStreamType::pstInnerStream: return innerStream_.get();
    case TProxyStreamType::pstOuterStream: return outerStream_;
    default: return nullptr;
    }
}

bool TProxyStream::StartStream(bool create)
{
    if (ProxyStreamType == TProxyStreamType::pstFile) {
        filePosition_ = 0;
        return create ? file_.Create(FileName, accessMode_->AccessMode() & 0xF0)
                      : file_.Open(FileName, accessMode_->AccessMode());
    }
    TStream* stream = ActiveByteStream();
    if (stream == nullptr)
        return false;
    if (create)
        stream->SetSize(0);
    stream->Seek(0, TSeekOrigin::soFromBeginning);
    (ProxyStreamType == TProxyStreamType::pstInnerStream ? innerOpen_ : outerOpen_) = true;
    return true;
}

std::string TProxyStream::ErrorInfo() const
{
    if (ProxyStreamType != TProxyStreamType::pstFile || file_.LastError() == 0)
        return std::string();
    return OsErrorInfo(file_.LastError());
}

bool TProxyStream::CreateProxyStream()
{
    return StartStream(true);
}

bool TProxyStream::OpenStream()
{
    return StartStream(false);
}

bool TProxyStream::IsOpen() const noexcept
{
    switch (ProxyStreamType) {
    case TProxyStreamType::pstFile: return file_.IsOpen();
    case TProxyStreamType::pstInnerStream: return innerOpen_;
    case TProxyStreamType::pstOuterStream: return outerOpen_;
    }
    return false;
}

void TProxyStream::CloseStream() noexcept
{
    if (!IsOpen())
        return;
    switch (ProxyStreamType) {
    case TProxyStreamType::pstFile: file_.Close(); break;
    case TProxyStreamType::pstInnerStream: innerOpen_ = false; break;
    case TProxyStreamType::pstOuterStream: outerOpen_ = false; break;
    }
}

int64_t TProxyStream::ReadBlock(void* buffer, int64_t count)
{
    if (count < 0)
        return -1;
    if (ProxyStreamType == TProxyStreamType::pstFile) {
        const int64_t n = file_.ReadAt(filePosition_, buffer, static_cast<size_t>(count));
        if (n > 0)
            filePosition_ += n;
        return n;
    }
    TStream* stream = ActiveByteStream();
    return stream != nullptr ? stream->Read(buffer, count) : -1;
}

int64_t TProxyStream::WriteBlock(const void* buffer, int64_t count)
{
    if (count < 0)
        return -1;
    if (ProxyStreamType == TProxyStreamType::pstFile) {
        const int64_t n = file_.WriteAt(filePosition_, buffer, static_cast<size_t>(count));
        if (n > 0)
            filePosition_ += n;
        return n;
    }
    TStream* stream = ActiveByteStream();
    return stream != nullptr ? stream->Write(buffer, count) : -1;
}

int64_t TProxyStream::SeekTo(int64_t offset, int origin)
{
    if (ProxyStreamType == TProxyStreamType::pstFile) {
        if (!file_.IsOpen())
            return -1;
        int64_t base = 0;
        if (origin == 1)
            base = filePosition_;
        else if (origin == 2)
            base = file_.Size();
        if (base < 0 || base + offset < 0)
            return -1;
        filePosition_ = base + offset;
        return filePosition_;
    }
    TStream* stream = ActiveByteStream();
    return stream != nullptr ? stream->Seek(offset, static_cast<TSeekOrigin>(origin)) : -1;
}

bool TProxyStream::Truncate()
{
    if (ProxyStreamType == TProxyStreamType::pstFile)
        return file_.SetSize(filePosition_);
    TStream* stream = ActiveByteStream();
    if (stream == nullptr)
        return false;
    stream->SetSize(stream->Seek(0, TSeekOrigin::soFromCurrent));
    return true;
}

bool TProxyStream::LockRange(uint64_t offset, uint64_t length)
{
    switch (ProxyStreamType) {
    case TProxyStreamType::pstFile: return file_.LockRange(offset, length);
    case TProxyStreamType::pstInnerStream: return true;
    case TProxyStreamType::pstOuterStream: return AskOwner(OnLockEvent);
    }
    return false;
}

bool TProxyStream::UnlockRange(uint64_t offset, uint64_t length)
{
    switch (ProxyStreamType) {
    case TProxyStreamType::pstFile: return file_.UnlockRange(offset, length);
    case TProxyStreamType::pstInnerStream: return true;
    case TProxyStreamType::pstOuterStream: return AskOwner(OnUnlockEvent);
    }
    return false;
}

bool TProxyStream::AskOwner(const TProxyLockEvent& event)
{
    if (!event)
        return true;
    bool success = false;
    event(this, ProxyStreamType, outerStream_, success);
    return success;
}

bool TProxyStream::LoadFromFile(const std::string& sourceName)
{
    TFileHandle source;
    if (!source.Open(sourceName, fmOpenRead | fmShareDenyNone))
        return false;
    TStream* target = nullptr;
    if (ProxyStreamType == TProxyStreamType::pstFile) {
        if (!file_.IsOpen())
            return false;
        filePosition_ = 0;
        if (!file_.SetSize(0))
            return false;
    } else {
        target = ActiveByteStream();
        if (target == nullptr)
            return false;
        target->SetSize(0);
        target->Seek(0, TSeekOrigin::soFromBeginning);
    }
    constexpr int64_t kChunk = 61440;
    TXbDBFBlock buffer("TProxyStream.LoadFromFile", kChunk);
    int64_t offset = 0;
    bool ok = true;
    for (;;) {
        const int64_t n = source.ReadAt(offset, buffer.Data(), kChunk);
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        const int64_t written = target == nullptr ? file_.WriteAt(offset, buffer.Data(), static_cast<size_t>(n))
                                                  : target->Write(buffer.Data(), n);
        if (written != n) {
            ok = false;
            break;
        }
        offset += n;
    }
    if (target == nullptr)
        filePosition_ = 0;
    else
        target->Seek(0, TSeekOrigin::soFromBeginning);
    return ok;
}
