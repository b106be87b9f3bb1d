#pragma once
// A file opened by name with an open mode and a share mode, owned by one object.
//
// Open modes and share modes are the packed values of the class library's file opening:
// the low bits choose the access, the 0xF0 bits what other openers may do, and they are
// combined with "|", e.g. fmOpenReadWrite | fmShareExclusive (18).
//
//   access  fmOpenRead 0, fmOpenWrite 1, fmOpenReadWrite 2
//   share   fmShareCompat 0 and fmShareExclusive 0x10: nobody else may open the file;
//           fmShareDenyWrite 0x20 and fmShareDenyRead 0x30: others may open it, but not
//           exclusively; fmShareDenyNone 0x40: no restriction of its own.
//
// Share modes are whole-file flock() locks taken at open and held until close: exclusive
// for fmShareExclusive, shared for everything else, so an exclusive open fails while any
// other opener has the file, and any open fails while an exclusive opener has it. flock()
// cannot tell readers from writers, so deny-write and deny-read do not keep a writer or a
// reader out as long as nobody opened the file exclusively.
//
// Failures are results, never exceptions: a failed call returns false or -1 and keeps the
// error number in LastError() (EBUSY when a share mode refuses the open). Every descriptor
// is opened close-on-exec, so programs started by this one do not inherit files or locks.

#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr unsigned fmOpenRead = 0x0000;
inline constexpr unsigned fmOpenWrite = 0x0001;
inline constexpr unsigned fmOpenReadWrite = 0x0002;
inline constexpr unsigned fmShareCompat = 0x0000;
inline constexpr unsigned fmShareExclusive = 0x0010;
inline constexpr unsigned fmShareDenyWrite = 0x0020;
inline constexpr unsigned fmShareDenyRead = 0x0030;
inline constexpr unsigned fmShareDenyNone = 0x0040;
// Creates the file (emptying an existing one) for reading and writing; may be combined
// with a share mode (none given: exclusive).
inline constexpr unsigned fmCreate = 0xFF00;

enum class TSeekOrigin { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };

class TFileHandle {
public:
    TFileHandle() = default;
    ~TFileHandle();
    TFileHandle(TFileHandle&& other) noexcept;
    TFileHandle& operator=(TFileHandle&& other) noexcept;
    TFileHandle(const TFileHandle&) = delete;
    TFileHandle& operator=(const TFileHandle&) = delete;

    // Opens an existing regular file with a packed mode (fmCreate creates it instead).
    // Closes whatever this handle held before.
    bool Open(const std::string& fileName, unsigned mode);
    // Creates the file, or empties an existing one, for reading and writing.
    bool Create(const std::string& fileName, unsigned shareMode = fmShareExclusive);
    void Close() noexcept;

    bool IsOpen() const noexcept { return descriptor_ >= 0; }
    int Descriptor() const noexcept { return descriptor_; }
    const std::string& FileName() const noexcept { return fileName_; }
    // errno of the last failed call of this handle.
    int LastError() const noexcept { return lastError_; }

    // Sequential access at the file position. Read returns the bytes read (0 at the end) or -1.
    int64_t Read(void* buffer, size_t count);
    // Writes all `count` bytes and returns count; anything the system would not write
    // (a full disk, an error part-way) returns -1: a short write is a failure.
    int64_t Write(const void* buffer, size_t count);
    // New position, or -1.
    int64_t Seek(int64_t offset, TSeekOrigin origin);

    // Access at an offset; the file position does not move. Same results as Read and Write.
    int64_t ReadAt(int64_t offset, void* buffer, size_t count);
    int64_t WriteAt(int64_t offset, const void* buffer, size_t count);

    // Ends the file at the current position.
    bool Truncate();
    bool SetSize(int64_t size);
    // File size, or -1.
    int64_t Size();

    // Byte-range locks (FileLocks.h): one try, no waiting.
    bool LockRange(uint64_t offset, uint64_t length);
    bool UnlockRange(uint64_t offset, uint64_t length);

private:
    int descriptor_ = -1;
    int lastError_ = 0;
    std::string fileName_;

    bool OpenDescriptor(const std::string& fileName, int flags, unsigned shareMode);
    bool Fail();
};
