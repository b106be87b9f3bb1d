#include "platform/rtl/FileHandle.h"

#include "platform/rtl/FileLocks.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// Writes all `count` bytes, calling writeSome(bytes, size, writtenSoFar) until they are taken
// and starting again after a signal. A write that takes nothing means the disk is full. False
// with errno set on failure.
template <class WriteSome>
bool WriteAll(const void* buffer, size_t count, WriteSome writeSome)
{
    const char* bytes = static_cast<const char*>(buffer);
    size_t written = 0;
    while (written < count) {
        const ssize_t done = writeSome(bytes + written, count - written, written);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0) {
            if (done == 0)
                errno = ENOSPC;
            return false;
        }
        written += static_cast<size_t>(done);
    }
    return true;
}

}  // namespace

TFileHandle::~TFileHandle()
{
    Close();
}

TFileHandle::TFileHandle(TFileHandle&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)),
      lastError_(other.lastError_),
      fileName_(std::move(other.fileName_))
{
}

TFileHandle& TFileHandle::operator=(TFileHandle&& other) noexcept
{
    if (this != &other) {
        Close();
        descriptor_ = std::exchange(other.descriptor_, -1);
        lastError_ = other.lastError_;
        fileName_ = std::move(other.fileName_);
    }
    return *this;
}

bool TFileHandle::Fail()
{
    lastError_ = errno;
    return false;
}

bool TFileHandle::OpenDescriptor(const std::string& fileName, int flags, unsigned shareMode)
{
    Close();
    fileName_ = fileName;
    int descriptor;
    do {
        descriptor = ::open(fileName.c_str(), flags | O_CLOEXEC, 0666);
    } while (descriptor == -1 && errno == EINTR);
    if (descriptor == -1)
        return Fail();

    struct stat status {};
    int error = 0;
    if (fstat(descriptor, &status) == -1)
        error = errno;
    else if (S_ISDIR(status.st_mode))
        error = EISDIR;
    else if (!S_ISREG(status.st_mode))
        error = EINVAL;
    if (error != 0) {
        ::close(descriptor);
        errno = error;
        return Fail();
    }

    unsigned share = shareMode & 0xF0;
    int operation = (share == fmShareExclusive || share == fmShareCompat) ? LOCK_EX : LOCK_SH;
    int result;
    do {
        result = flock(descriptor, operation | LOCK_NB);
    } while (result == -1 && errno == EINTR);
    if (result == -1) {
        int error = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(descriptor);
        errno = error;
        return Fail();
    }
    descriptor_ = descriptor;
    return true;
}

bool TFileHandle::Open(const std::string& fileName, unsigned mode)
{
    if ((mode & fmCreate) == fmCreate)
        return Create(fileName, mode & 0xF0);
    int access;
    switch (mode & 0x0F) {
    case fmOpenRead: access = O_RDONLY; break;
    case fmOpenWrite: access = O_WRONLY; break;
    case fmOpenReadWrite: access = O_RDWR; break;
    default:
        Close();
        errno = EINVAL;
        return Fail();
    }
    return OpenDescriptor(fileName, access, mode);
}

bool TFileHandle::Create(const std::string& fileName, unsigned shareMode)
{
    // Empty the file only once the share lock is held, so a refused create changes nothing.
    if (!OpenDescriptor(fileName, O_RDWR | O_CREAT, shareMode == 0 ? fmShareExclusive : shareMode))
        return false;
    if (!SetSize(0)) {
        Close();
        return false;
    }
    return true;
}

void TFileHandle::Close() noexcept
{
    if (descriptor_ >= 0) {
        ::close(descriptor_);
        descriptor_ = -1;
    }
}

int64_t TFileHandle::Read(void* buffer, size_t count)
{
    for (;;) {
        ssize_t done = ::read(descriptor_, buffer, count);
        if (done >= 0)
            return done;
        if (errno != EINTR) {
            Fail();
            return -1;
        }
    }
}

int64_t TFileHandle::Write(const void* buffer, size_t count)
{
    const bool ok = WriteAll(buffer, count, [this](const char* bytes, size_t size, size_t) {
        return ::write(descriptor_, bytes, size);
    });
    if (!ok) {
        Fail();
        return -1;
    }
    return static_cast<int64_t>(count);
}

int64_t TFileHandle::Seek(int64_t offset, TSeekOrigin origin)
{
    int whence = origin == TSeekOrigin::soFromBeginning ? SEEK_SET
                 : origin == TSeekOrigin::soFromCurrent ? SEEK_CUR
                                                          : SEEK_END;
    off_t position = ::lseek(descriptor_, static_cast<off_t>(offset), whence);
    if (position == -1) {
        Fail();
        return -1;
    }
    return position;
}

int64_t TFileHandle::ReadAt(int64_t offset, void* buffer, size_t count)
{
    char* bytes = static_cast<char*>(buffer);
    size_t total = 0;
    while (total < count) {
        ssize_t done = ::pread(descriptor_, bytes + total, count - total,
                               static_cast<off_t>(offset) + static_cast<off_t>(total));
        if (done < 0 && errno == EINTR)
            continue;
        if (done < 0) {
            Fail();
            return -1;
        }
        if (done == 0)
            break;
        total += static_cast<size_t>(done);
    }
    return static_cast<int64_t>(total);
}

int64_t TFileHandle::WriteAt(int64_t offset, const void* buffer, size_t count)
{
    const bool ok = WriteAll(buffer, count, [this, offset](const char* bytes, size_t size, size_t written) {
        return ::pwrite(descriptor_, bytes, size, static_cast<off_t>(offset) + static_cast<off_t>(written));
    });
    if (!ok) {
        Fail();
        return -1;
    }
    return static_cast<int64_t>(count);
}

bool TFileHandle::Truncate()
{
    int64_t position = Seek(0, TSeekOrigin::soFromCurrent);
    return position >= 0 && SetSize(position);
}

bool TFileHandle::SetSize(int64_t size)
{
    // A file of that size already is left alone: cutting a file to zero makes some file systems
    // write its data out as soon as it is closed (they take it for a file being replaced), and
    // removing a short-lived temporary file then waits for that write.
    struct stat status {};
    if (::fstat(descriptor_, &status) == 0 && static_cast<int64_t>(status.st_size) == size)
        return true;
    if (::ftruncate(descriptor_, static_cast<off_t>(size)) == -1)
        return Fail();
    return true;
}

int64_t TFileHandle::Size()
{
    struct stat status {};
    if (::fstat(descriptor_, &status) == -1) {
        Fail();
        return -1;
    }
    return status.st_size;
}

bool TFileHandle::LockRange(uint64_t offset, uint64_t length)
{
    return LockBytes(descriptor_, offset, length) || Fail();
}

bool TFileHandle::UnlockRange(uint64_t offset, uint64_t length)
{
    return UnlockBytes(descriptor_, offset, length) || Fail();
}
