#include "platform/rtl/Streams.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/OsErrors.h"

#include <algorithm>
#include <cstring>

// ---- TStream ----

int64_t TStream::Size()
{
    int64_t position = Seek(0, TSeekOrigin::soFromCurrent);
    int64_t size = Seek(0, TSeekOrigin::soFromEnd);
    Seek(position, TSeekOrigin::soFromBeginning);
    return size;
}

void TStream::SetSize(int64_t)
{
}

void TStream::ReadBuffer(void* buffer, int64_t count)
{
    if (count != 0 && Read(buffer, count) != count)
        throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count)
{
    if (count != 0 && Write(buffer, count) != count)
        throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count)
{
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    constexpr int64_t chunkSize = 61440;
    std::vector<char> buffer(static_cast<size_t>(std::min(count, chunkSize)));
    int64_t copied = 0;
    while (copied < count) {
        int64_t piece = std::min(count - copied, chunkSize);
        source.ReadBuffer(buffer.data(), piece);
        WriteBuffer(buffer.data(), piece);
        copied += piece;
    }
    return copied;
}

// ---- TFileStream ----

TFileStream::TFileStream(const std::string& fileName, unsigned mode)
{
    if (!handle_.Open(fileName, mode)) {
        std::string text = "\"" + fileName + "\". " + SysErrorMessage(handle_.LastError());
        if ((mode & fmCreate) == fmCreate)
            throw EFCreateError("Cannot create file " + text);
        throw EFOpenError("Cannot open file " + text);
    }
}

int64_t TFileStream::Read(void* buffer, int64_t count)
{
    if (count <= 0)
        return 0;
    return handle_.Read(buffer, static_cast<size_t>(count));
}

int64_t TFileStream::Write(const void* buffer, int64_t count)
{
    if (count <= 0)
        return 0;
    return handle_.Write(buffer, static_cast<size_t>(count));
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin)
{
    return handle_.Seek(offset, origin);
}

int64_t TFileStream::Size()
{
    return handle_.Size();
}

void TFileStream::SetSize(int64_t size)
{
    if (!handle_.SetSize(size))
        RaiseOSError(handle_.LastError());
    if (Position() > size)
        SetPosition(size);
}

// ---- TMemoryStream ----

int64_t TMemoryStream::Read(void* buffer, int64_t count)
{
    int64_t size = Size();
    if (count <= 0 || position_ >= size)
        return 0;
    int64_t done = std::min(count, size - position_);
    std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(done));
    position_ += done;
    return done;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count)
{
    if (count <= 0 || position_ < 0)
        return 0;
    int64_t end = position_ + count;
    if (end > Size())
        data_.resize(static_cast<size_t>(end));
    std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
    position_ = end;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin)
{
    switch (origin) {
    case TSeekOrigin::soFromBeginning: position_ = offset; break;
    case TSeekOrigin::soFromCurrent: position_ += offset; break;
    case TSeekOrigin::soFromEnd: position_ = Size() + offset; break;
    }
    if (position_ < 0)
        position_ = 0;
    return position_;
}

void TMemoryStream::SetSize(int64_t size)
{
    data_.resize(static_cast<size_t>(std::max<int64_t>(size, 0)));
    if (position_ > Size())
        position_ = Size();
}

void TMemoryStream::Clear()
{
    data_.clear();
    position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& source)
{
    source.SetPosition(0);
    int64_t size = source.Size();
    SetSize(size);
    position_ = 0;
    source.ReadBuffer(data_.data(), size);
}

void TMemoryStream::LoadFromFile(const std::string& fileName)
{
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

void TMemoryStream::SaveToStream(TStream& target) const
{
    target.WriteBuffer(data_.data(), static_cast<int64_t>(data_.size()));
}

void TMemoryStream::SaveToFile(const std::string& fileName) const
{
    TFileStream file(fileName, fmCreate);
    SaveToStream(file);
}

// ---- TStringStream ----

TStringStream::TStringStream(const std::string& data)
{
    data_.assign(data.begin(), data.end());
}
