#pragma once
// The byte stream every engine file goes through (a disk file, a memory stream the proxy owns,
// or a stream its owner supplies), and the small flag sets published as nested properties:
// the open and share mode, a field descriptor's flag byte and the table header's flag byte.

#include "platform/rtl/FileHandle.h"
#include "platform/rtl/Streams.h"
#include "platform/classes/Components.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

enum class TProxyStreamType { pstFile = 0, pstInnerStream = 1, pstOuterStream = 2 };

// How a file is opened: one open part (read, write, read and write) and one share part.
class TAccessMode : public TPersistent {
public:
    static constexpr uint32_t kOpenWrite = 0x01;
    static constexpr uint32_t kOpenReadWrite = 0x02;
    static constexpr uint32_t kShareExclusive = 0x10;
    static constexpr uint32_t kShareDenyWrite = 0x20;
    static constexpr uint32_t kShareDenyNone = 0x40;

    const char* ClassName() const noexcept override { return "TAccessMode"; }
    void Assign(const TPersistent& source) override;

    bool OpenRead = true;
    bool OpenWrite = false;
    bool OpenReadWrite = false;
    bool ShareExclusive = true;
    bool ShareDenyWrite = false;
    bool ShareDenyNone = false;

    // The packed mode (OpenRead has no bit of its own: it is the open part's value 0).
    uint32_t AccessMode();
    void SetAccessMode(uint32_t value);

private:
    uint32_t packed_ = kShareExclusive;
};

// A field descriptor's flag byte.
class TFieldFlag : public TPersistent {
public:
    const char* ClassName() const noexcept override { return "TFieldFlag"; }
    void Assign(const TPersistent& source) override;

    bool System = false;
    bool CanStoreNull = false;
    bool BinaryColumn = false;
    bool AutoIncrement = false;

    uint8_t FieldFlag() const;
    void SetFieldFlag(uint8_t value);
};

// The table header's flag byte (offset 28).
class TTableFlag : public TPersistent {
public:
    const char* ClassName() const noexcept override { return "TTableFlag"; }
    void Assign(const TPersistent& source) override;

    bool HasGotIndex = false;
    bool HasGotMemo = false;
    bool ItIsDatabase = false;

    uint8_t TableFlag() const;
    void SetTableFlag(uint8_t value);
};

class TProxyStream;
using TProxyLockEvent =
    std::function<void(TProxyStream* sender, TProxyStreamType type, TStream* stream, bool& success)>;

class TProxyStream : public TPersistent {
public:
    TProxyStream();
    ~TProxyStream() override;
    TProxyStream(const TProxyStream&) = delete;
    TProxyStream& operator=(const TProxyStream&) = delete;

    const char* ClassName() const noexcept override { return "TProxyStream"; }

    TProxyStreamType ProxyStreamType = TProxyStreamType::pstFile;
    std::string FileName;
    TAccessMode& AccessMode() noexcept { return *accessMode_; }
    // The stream of pstOuterStream, supplied and kept by the owner.
    TStream* OuterStream() const noexcept { return outerStream_; }
    void SetOuterStream(TStream* stream) noexcept { outerStream_ = stream; }
    TMemoryStream& InnerStream() noexcept { return *innerStream_; }

    TProxyLockEvent OnLockEvent;
    TProxyLockEvent OnUnlockEvent;

    bool CreateProxyStream();
    bool OpenStream();
    bool IsOpen() const noexcept;
    void CloseStream() noexcept;

    // Bytes read or written, or -1 on failure.
    int64_t ReadBlock(void* buffer, int64_t count);
    int64_t WriteBlock(const void* buffer, int64_t count);
    // Origin 0 start, 1 current, 2 end; the new position, or -1.
    int64_t SeekTo(int64_t offset, int origin);
    // Ends the storage at the current position.
    bool Truncate();
    bool LockRange(uint64_t offset, uint64_t length);
    bool UnlockRange(uint64_t offset, uint64_t length);
    // Replaces this stream's bytes with those of the file `sourceName`.
    bool LoadFromFile(const std::string& sourceName);

    // The system error number of the last failed file call (pstFile).
    int LastError() const noexcept { return file_.LastError(); }
    // The system error block ("####> OS info", code and text) of the last failed file call, for
    // the end of an error message; empty for streams in memory and when no call failed.
    std::string ErrorInfo() const;

private:
    TStream* ActiveByteStream() noexcept;
    // Opens the storage at its start; `create` makes it new and empty first.
    bool StartStream(bool create);
    // An outer stream's lock or unlock is left to the owner's handler; without one it succeeds.
    bool AskOwner(const TProxyLockEvent& event);

    std::unique_ptr<TAccessMode> accessMode_;
    TFileHandle file_;
    int64_t filePosition_ = 0;
    std::unique_ptr<TMemoryStream> innerStream_;
    bool innerOpen_ = false;
    TStream* outerStream_ = nullptr;
    bool outerOpen_ = false;
};
