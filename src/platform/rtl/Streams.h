#pragma once
// Byte streams: the abstract stream, files, memory and strings.

#include "platform/rtl/Classes.h"
#include "platform/rtl/FileHandle.h"

#include <cstdint>
#include <string>
#include <vector>

class TStream : public TObject {
public:
    const char* ClassName() const noexcept override { return "TStream"; }

    // Bytes read (fewer at the end) or written; a failure gives 0 or -1.
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    // New position.
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

    int64_t Position() { return Seek(0, TSeekOrigin::soFromCurrent); }
    void SetPosition(int64_t position) { Seek(position, TSeekOrigin::soFromBeginning); }
    virtual int64_t Size();
    virtual void SetSize(int64_t size);

    // Read or write exactly `count` bytes, else EReadError "Stream read error" or
    // EWriteError "Stream write error".
    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);
    // Copies `count` bytes from the source's position; a count of 0 copies the whole
    // source from its start. Returns the bytes copied.
    int64_t CopyFrom(TStream& source, int64_t count);
};

// A stream on a disk file. Opening with a packed mode (FileHandle.h) that fails raises
// EFOpenError "Cannot open file "<name>". <system text>"; fmCreate that fails raises
// EFCreateError "Cannot create file "<name>". <system text>". Read and Write give -1 when
// the system call fails; a write the system cannot complete is such a failure.
class TFileStream : public TStream {
public:
    TFileStream(const std::string& fileName, unsigned mode);
    const char* ClassName() const noexcept override { return "TFileStream"; }

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override;
    void SetSize(int64_t size) override;

    const std::string& FileName() const noexcept { return handle_.FileName(); }
    TFileHandle& Handle() noexcept { return handle_; }

private:
    TFileHandle handle_;
};

// A stream in memory that grows as it is written.
class TMemoryStream : public TStream {
public:
    const char* ClassName() const noexcept override { return "TMemoryStream"; }

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return static_cast<int64_t>(data_.size()); }
    void SetSize(int64_t size) override;

    char* Memory() noexcept { return data_.data(); }
    const char* Memory() const noexcept { return data_.data(); }
    void Clear();
    // Replaces the contents with the whole source (read from its start); position 0.
    void LoadFromStream(TStream& source);
    void LoadFromFile(const std::string& fileName);
    // Writes the whole contents, whatever the position.
    void SaveToStream(TStream& target) const;
    void SaveToFile(const std::string& fileName) const;

protected:
    std::vector<char> data_;
    int64_t position_ = 0;
};

// A memory stream over a string of bytes.
class TStringStream : public TMemoryStream {
public:
    TStringStream() = default;
    explicit TStringStream(const std::string& data);
    const char* ClassName() const noexcept override { return "TStringStream"; }
    std::string DataString() const { return std::string(data_.begin(), data_.end()); }
};
