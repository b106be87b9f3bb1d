#pragma once
// Disk file access of the table engine: a file handle with positioned reads and writes,
// share modes as whole-file flock locks and byte-range locks as open-file-description locks.
// This is the engine's own small file layer until the runtime layer's file handle is in place.

#include <cstddef>
#include <cstdint>
#include <string>

class TXbFile {
public:
    TXbFile() = default;
    ~TXbFile();
    TXbFile(const TXbFile&) = delete;
    TXbFile& operator=(const TXbFile&) = delete;
    TXbFile(TXbFile&& other) noexcept;
    TXbFile& operator=(TXbFile&& other) noexcept;

    // Opens an existing file. `accessMode` is the packed open and share mode: the low two bits
    // 0 read, 1 write, 2 read and write; 0x10 exclusive, 0x20 deny write, 0x40 deny none.
    bool Open(const std::string& path, uint32_t accessMode);
    // Creates the file (or empties an existing one) for reading and writing with the share
    // part of `accessMode`. An existing file that another holder keeps is left untouched.
    bool Create(const std::string& path, uint32_t accessMode);
    void Close() noexcept;
    bool IsOpen() const noexcept { return fd_ >= 0; }

    // Bytes read or written, or -1 on failure.
    int64_t ReadAt(int64_t offset, void* buffer, size_t count);
    int64_t WriteAt(int64_t offset, const void* buffer, size_t count);
    int64_t Size() const;
    bool Truncate(int64_t size);

    // One byte range, locked for writing without waiting; false when another holder has it.
    bool LockRange(uint64_t offset, uint64_t length);
    bool UnlockRange(uint64_t offset, uint64_t length);

    // The system error number of the last failed call.
    int LastError() const noexcept { return lastError_; }

private:
    bool ApplyShareMode(uint32_t accessMode);

    int fd_ = -1;
    int lastError_ = 0;
};

// The system error block appended to engine messages: each part after CR LF,
// "####> OS info", "Error code: " and the number, "Error message: " and the system's text.
std::string XbOSErrorBlock(int errorCode);

// The path of an existing file in the same folder whose name equals the name of `path`
// without regard to letter case; `path` itself when it exists or nothing matches.
std::string XbFindFileIgnoringCase(const std::string& path);
