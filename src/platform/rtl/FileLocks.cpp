#include "platform/rtl/FileLocks.h"

#include <cerrno>
#include <fcntl.h>
#include <limits>

namespace {

bool ValidRange(uint64_t offset, uint64_t length)
{
    constexpr auto maximum = static_cast<uint64_t>(std::numeric_limits<off_t>::max());
    return offset <= maximum && length <= maximum - offset;
}

struct flock MakeRange(short type, uint64_t offset, uint64_t length)
{
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = static_cast<off_t>(offset);
    range.l_len = static_cast<off_t>(length);
    range.l_pid = 0;  // required to be 0 for open-file-description locks
    return range;
}

bool SetRange(int descriptor, short type, uint64_t offset, uint64_t length)
{
    if (!ValidRange(offset, length)) {
        errno = EINVAL;
        return false;
    }
    struct flock range = MakeRange(type, offset, length);
    while (fcntl(descriptor, F_OFD_SETLK, &range) == -1) {
        if (errno != EINTR)
            return false;
    }
    return true;
}

}  // namespace

bool LockBytes(int descriptor, uint64_t offset, uint64_t length)
{
    int flags = fcntl(descriptor, F_GETFL);
    if (flags == -1)
        return false;
    short type = (flags & O_ACCMODE) == O_RDONLY ? F_RDLCK : F_WRLCK;
    if (!SetRange(descriptor, type, offset, length)) {
        if (errno == EACCES)
            errno = EAGAIN;
        return false;
    }
    return true;
}

bool UnlockBytes(int descriptor, uint64_t offset, uint64_t length)
{
    return SetRange(descriptor, F_UNLCK, offset, length);
}

TLockQuery QueryLock(int descriptor, uint64_t offset, uint64_t length)
{
    TLockQuery result;
    if (!ValidRange(offset, length))
        return result;
    struct flock range = MakeRange(F_WRLCK, offset, length);
    if (fcntl(descriptor, F_OFD_GETLK, &range) == -1 || range.l_type == F_UNLCK)
        return result;
    result.holder = range.l_type == F_RDLCK ? TLockHolder::lhShared : TLockHolder::lhExclusive;
    result.offset = static_cast<uint64_t>(range.l_start);
    result.length = static_cast<uint64_t>(range.l_len);
    result.processId = range.l_pid;
    return result;
}
