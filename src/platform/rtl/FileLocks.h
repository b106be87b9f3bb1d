#pragma once
// Byte-range locks on open files.
//
// Locks are Linux open-file-description locks (F_OFD_SETLK): a lock belongs to the open file
// (the descriptor returned by one open() and its duplicates), not to the process. So two
// descriptors opened separately on the same file, even in one process, exclude each other,
// and closing one descriptor never drops the locks taken through another. A lock ends when
// it is unlocked or when the last descriptor of its open file is closed.
//
// A lock is exclusive when the file is open for writing; on a descriptor opened for reading
// only it is a shared lock (the system allows no exclusive lock there), which still keeps
// out every exclusive lock of other open files.

#include <cstdint>
#include <sys/types.h>

// Tries once, without waiting, to lock `length` bytes from `offset`. False when another open
// file holds a conflicting lock (errno EAGAIN) or the call fails (errno says why).
// Locking a range this open file already holds succeeds again.
bool LockBytes(int descriptor, uint64_t offset, uint64_t length);
// Releases the range. Unlocking bytes that are not locked succeeds.
bool UnlockBytes(int descriptor, uint64_t offset, uint64_t length);

// What another open file holds on a range, as seen from `descriptor`.
enum class TLockHolder { lhNone, lhShared, lhExclusive };
struct TLockQuery {
    TLockHolder holder = TLockHolder::lhNone;
    uint64_t offset = 0;  // start of the first conflicting lock
    uint64_t length = 0;  // its length (0 = to the end of the file)
    pid_t processId = 0;  // -1 for open-file-description locks (the system does not tell)
};
// Asks which lock of another open file would keep `descriptor` from locking the range
// exclusively. Locks of `descriptor`'s own open file are not reported.
TLockQuery QueryLock(int descriptor, uint64_t offset, uint64_t length = 1);
