// Record, header and memo-file locks of the table: one byte each, at the offsets of the lock
// protocols, taken on the table's and the memo file's streams.

#include "dbf/XbDBFDataSet.h"

#include <algorithm>
#include <cerrno>
#include <ctime>

void TXbSmartDBF::WaitSeconds(bool, double seconds)
{
    if (!(seconds > 0))
        return;
    timespec wanted{};
    wanted.tv_sec = static_cast<time_t>(seconds);
    wanted.tv_nsec = static_cast<long>((seconds - static_cast<double>(wanted.tv_sec)) * 1e9);
    timespec rest{};
    while (::nanosleep(&wanted, &rest) != 0 && errno == EINTR)
        wanted = rest;
}

bool TXbSmartDBF::LocksNeeded()
{
    // A table opened exclusively or deny-write keeps every other writer out by itself.
    return !accessMode_->ShareExclusive && !accessMode_->ShareDenyWrite;
}

bool TXbSmartDBF::LockWithRetries(TProxyStream& stream, uint64_t offset)
{
    const int attempts = std::max(WaitBusyRes, 1);
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (stream.LockRange(offset, 1))
            return true;
        if (attempt + 1 < attempts)
            WaitSeconds(false, 0.001);
    }
    return false;
}

uint64_t TXbSmartDBF::RecordLockPlace(uint32_t recNo) const
{
    if (lockProtocol_ == LockProtocolType::lpFoxLock && !IsFoxRecordLockByRecNo())
        return static_cast<uint64_t>(headerSize_) + static_cast<uint64_t>(recNo - 1) * recordSize_ + 0x40000000ull;
    return RecordLockOffset(lockProtocol_, recNo);
}

bool TXbSmartDBF::LockRecord(uint32_t recNo)
{
    if (!LocksNeeded() || fileLocked_ ||
        std::find(lockedRecords_.begin(), lockedRecords_.end(), recNo) != lockedRecords_.end())
        return true;
    if (ProtocolLocks(lockProtocol_) && !LockWithRetries(*tableStream_, RecordLockPlace(recNo)))
        return false;
    lockedRecords_.push_back(recNo);
    return true;
}

bool TXbSmartDBF::UnlockRecord(uint32_t recNo)
{
    if (!LocksNeeded())
        return true;
    if (ProtocolLocks(lockProtocol_) && !tableStream_->UnlockRange(RecordLockPlace(recNo), 1))
        return false;
    lockedRecords_.erase(std::remove(lockedRecords_.begin(), lockedRecords_.end(), recNo), lockedRecords_.end());
    return true;
}

bool TXbSmartDBF::LockHeader()
{
    if (!LocksNeeded() || headerLocked_ || (fileLocked_ && lockProtocol_ == LockProtocolType::lpFoxLock))
        return true;
    headerLocked_ = !ProtocolLocks(lockProtocol_) || LockWithRetries(*tableStream_, HeaderLockOffset(lockProtocol_));
    return headerLocked_;
}

bool TXbSmartDBF::UnlockHeader()
{
    if (!LocksNeeded() || !headerLocked_)
        return true;
    if (ProtocolLocks(lockProtocol_) && !tableStream_->UnlockRange(HeaderLockOffset(lockProtocol_), 1))
        return false;
    headerLocked_ = false;
    return true;
}

bool TXbSmartDBF::LockLob(TProxyStream& stream)
{
    if (!LocksNeeded() || lobLocked_)
        return true;
    lobLocked_ = !ProtocolLocks(lobLockProtocol_) || LockWithRetries(stream, MemoLockOffset(lobLockProtocol_));
    return lobLocked_;
}

bool TXbSmartDBF::UnlockLob(TProxyStream& stream)
{
    if (!LocksNeeded() || !lobLocked_)
        return true;
    if (ProtocolLocks(lobLockProtocol_) && !stream.UnlockRange(MemoLockOffset(lobLockProtocol_), 1))
        return false;
    lobLocked_ = false;
    return true;
}
