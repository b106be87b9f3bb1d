#include "dbf/XbDBFFileIO.h"

#include "platform/rtl/CodePages.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr uint32_t kOpenModeMask = 0x3;
constexpr uint32_t kShareExclusive = 0x10;

}  // namespace

TXbFile::~TXbFile()
{
    Close();
}

TXbFile::TXbFile(TXbFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)), lastError_(other.lastError_) {}

TXbFile& TXbFile::operator=(TXbFile&& other) noexcept
{
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        lastError_ = other.lastError_;
    }
    return *this;
}

bool TXbFile::ApplyShareMode(uint32_t accessMode)
{
    // Exclusive: nobody else may open the file. The other share modes take a shared lock, so
    // they keep out an exclusive holder and are kept out by one; flock cannot tell a reader
    // from a writer, so deny write does not keep out a second writer that shares.
    const int operation = (accessMode & kShareExclusive) != 0 ? LOCK_EX : LOCK_SH;
    if (::flock(fd_, operation | LOCK_NB) != 0) {
        lastError_ = errno;
        return false;
    }
    return true;
}

bool TXbFile::Open(const std::string& path, uint32_t accessMode)
{
    Close();
    int flags = O_CLOEXEC;
    switch (accessMode & kOpenModeMask) {
    case 1: flags |= O_WRONLY; break;
    case 2: flags |= O_RDWR; break;
    default: flags |= O_RDONLY; break;
    }
    int fd = ::open(path.c_str(), flags);
    if (fd < 0) {
        lastError_ = errno;
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        lastError_ = errno != 0 ? errno : EISDIR;
        ::close(fd);
        return false;
    }
    fd_ = fd;
    if (!ApplyShareMode(accessMode)) {
        int error = lastError_;
        Close();
        lastError_ = error;
        return false;
    }
    return true;
}

bool TXbFile::Create(const std::string& path, uint32_t accessMode)
{
    Close();
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        lastError_ = errno;
        return false;
    }
    fd_ = fd;
    // The share lock comes first: a file held by someone else is not emptied.
    if (!ApplyShareMode(accessMode | 2) || ::ftruncate(fd_, 0) != 0) {
        int error = lastError_ != 0 ? lastError_ : errno;
        Close();
        lastError_ = error;
        return false;
    }
    return true;
}

void TXbFile::Close() noexcept
{
    if (fd_ >= 0) {
        ::close(fd_);  // releases the flock and the byte-range locks of this description
        fd_ = -1;
    }
}

int64_t TXbFile::ReadAt(int64_t offset, void* buffer, size_t count)
{
    if (fd_ < 0 || offset < 0) {
        lastError_ = EBADF;
        return -1;
    }
    size_t done = 0;
    auto* bytes = static_cast<char*>(buffer);
    while (done < count) {
        ssize_t n = ::pread(fd_, bytes + done, count - done, static_cast<off_t>(offset + static_cast<int64_t>(done)));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            lastError_ = errno;
            return done > 0 ? static_cast<int64_t>(done) : -1;
        }
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    return static_cast<int64_t>(done);
}

int64_t TXbFile::WriteAt(int64_t offset, const void* buffer, size_t count)
{
    if (fd_ < 0 || offset < 0) {
        lastError_ = EBADF;
        return -1;
    }
    size_t done = 0;
    const auto* bytes = static_cast<const char*>(buffer);
    while (done < count) {
        ssize_t n = ::pwrite(fd_, bytes + done, count - done, static_cast<off_t>(offset + static_cast<int64_t>(done)));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            lastError_ = errno;
            return done > 0 ? static_cast<int64_t>(done) : -1;
        }
        done += static_cast<size_t>(n);
    }
    return static_cast<int64_t>(done);
}

int64_t TXbFile::Size() const
{
    if (fd_ < 0)
        return -1;
    struct stat info {};
    if (::fstat(fd_, &info) != 0)
        return -1;
    return static_cast<int64_t>(info.st_size);
}

bool TXbFile::Truncate(int64_t size)
{
    if (fd_ < 0 || size < 0 || ::ftruncate(fd_, static_cast<off_t>(size)) != 0) {
        lastError_ = fd_ < 0 ? EBADF : errno;
        return false;
    }
    return true;
}

bool TXbFile::LockRange(uint64_t offset, uint64_t length)
{
    if (fd_ < 0)
        return false;
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = static_cast<off_t>(offset);
    lock.l_len = static_cast<off_t>(length);
    lock.l_pid = 0;
    if (::fcntl(fd_, F_OFD_SETLK, &lock) != 0) {
        lastError_ = errno;
        return false;
    }
    return true;
}

bool TXbFile::UnlockRange(uint64_t offset, uint64_t length)
{
    if (fd_ < 0)
        return false;
    struct flock lock {};
    lock.l_type = F_UNLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = static_cast<off_t>(offset);
    lock.l_len = static_cast<off_t>(length);
    lock.l_pid = 0;
    if (::fcntl(fd_, F_OFD_SETLK, &lock) != 0) {
        lastError_ = errno;
        return false;
    }
    return true;
}

std::string XbOSErrorBlock(int errorCode)
{
    return "\r\n####> OS info\r\nError code: " + std::to_string(errorCode) + "\r\nError message: " +
           std::string(std::strerror(errorCode));
}

std::string XbFindFileIgnoringCase(const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path wanted(path);
    if (fs::exists(wanted, error))
        return path;
    fs::path folder = wanted.parent_path();
    if (folder.empty())
        folder = ".";
    const std::string name = wanted.filename().string();
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string candidate = it->path().filename().string();
        if (SameText(candidate, name))
            return (wanted.parent_path() / candidate).string();
    }
    return path;
}
