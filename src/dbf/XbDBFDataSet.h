#pragma once
// The DBF table dataset: opens a table file through a proxy stream, reads its header and field
// descriptors into the engine's field definitions, keeps the read-ahead and scratch blocks,
// opens the memo file beside it, and creates new tables from field definitions.

#include "dbf/XbDBFFieldDefs.h"
#include "dbf/XbDBFFormat.h"
#include "dbf/XbDBFLayout.h"
#include "dbf/XbDBFMemMgr.h"
#include "dbf/XbDBFPrx.h"
#include "platform/classes/Components.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TXbSmartDBF : public TComponent {
public:
    explicit TXbSmartDBF(TComponent* owner);
    ~TXbSmartDBF() override;

    const char* ClassName() const noexcept override { return "TXbSmartDBF"; }

    // ---- published properties
    std::string DBFFileName;
    TAccessMode& AccessMode() noexcept { return *accessMode_; }
    TProxyStreamType StorageType = TProxyStreamType::pstFile;
    xBaseVersion DbfVersion() const noexcept { return dbfVersion_; }
    void SetDbfVersion(xBaseVersion version);
    int LobBlockSize() const noexcept { return lobBlockSize_; }
    void SetLobBlockSize(int value) { lobBlockSize_ = value / 128 * 128; }
    LockProtocolType LockProtocol() const noexcept { return lockProtocol_; }
    void SetLockProtocol(LockProtocolType protocol);
    LockProtocolType LobLockProtocol() const noexcept { return lobLockProtocol_; }
    void SetLobLockProtocol(LockProtocolType protocol);
    int BufferSize = 4096;
    int WaitBusyRes = 3000;
    bool OEM = false;
    bool SetDeleted = false;
    bool FastPostRecord = false;
    bool TrimInLocate = false;
    bool TrimCType = false;
    TTableFlag& FoxTableFlag() noexcept { return *foxTableFlag_; }
    TXbDBFFieldDefs& DBFFieldDefs() noexcept { return *dbfFieldDefs_; }
    void SetDBFFieldDefs(const TXbDBFFieldDefs& defs) { dbfFieldDefs_->Assign(defs); }
    bool CreateNow() const noexcept { return false; }
    void SetCreateNow(bool value);
    TProxyLockEvent OnOuterStreamLock;
    TProxyLockEvent OnOuterStreamUnlock;
    // Streams used when StorageType is pstOuterStream (kept by the owner).
    TStream* OuterStream = nullptr;
    TStream* OuterLobStream = nullptr;

    // ---- opening and closing (the dataset framework's Active switch drives these)
    void Open();
    void Close();
    bool Active() const noexcept { return open_; }

    // Writes a new empty table (and memo file) from DBFFieldDefs.
    void CreateTable();

    bool IsTableOpen() const noexcept { return tableStream_->IsOpen(); }
    // Whole records in the table file; also stored as the header image's record count.
    uint32_t CountRecords();

    // ---- state of an open table
    const std::array<uint8_t, kDBFHeaderSize>& HeaderImage() const noexcept { return headerImage_; }
    int HeaderSize() const noexcept { return headerSize_; }
    int RecordSize() const noexcept { return recordSize_; }
    TXbMemoKind MemoKind() const noexcept { return memoKind_; }
    int ReadAheadCapacity() const noexcept { return readAheadCapacity_; }
    int LobBlockSizeInUse() const noexcept { return lobBlockSizeInUse_; }
    TProxyStream& TableStream() noexcept { return *tableStream_; }
    TProxyStream& LobStream() noexcept { return *lobStream_; }
    bool ChangedSinceOpen() const noexcept { return changedSinceOpen_; }

    // Name of the memo file of a table file: the extension becomes ".dbt" or ".fpt".
    static std::string MemoFileName(const std::string& tableName, bool foxMemo);

protected:
    virtual void InternalOpen();
    virtual void InternalInitFieldDefs();
    virtual void InternalCloseTable();

    virtual void CreateLobStreamObject();
    virtual void CreateLobFile(uint8_t versionByte, bool hasMemo);
    virtual void OpenLobFile(uint8_t versionByte);
    virtual void CloseLobFile() noexcept;
    virtual void FreeLobStreamObject() noexcept;
    virtual void WriteLobHeader(uint8_t versionByte, TProxyStream& stream);

private:
    void PrepareTableStream();
    void ReleaseOpenResources() noexcept;
    void AppendEndMarkOnClose() noexcept;
    bool MemoIsFoxPro(uint8_t versionByte) const noexcept;
    std::vector<uint8_t> BuildTableImage(uint8_t& versionByte, bool& needsMemo);
    void FillFieldDefs(TXbDBFFieldDefs& defs, const std::vector<TXbFieldLayout>& fields, const std::string& prefix);

    std::unique_ptr<TTableFlag> foxTableFlag_;
    std::unique_ptr<TProxyStream> tableStream_;
    std::unique_ptr<TProxyStream> lobStream_;
    std::unique_ptr<TAccessMode> accessMode_;
    std::unique_ptr<TXbDBFFieldDefs> dbfFieldDefs_;

    xBaseVersion dbfVersion_ = xBaseVersion::xBaseIII;
    int lobBlockSize_ = 512;
    LockProtocolType lockProtocol_ = LockProtocolType::lpNone;
    LockProtocolType lobLockProtocol_ = LockProtocolType::lpNone;

    // Open-table state.
    TXbTableLayout layout_;
    std::array<uint8_t, kDBFHeaderSize> headerImage_{};
    int headerSize_ = 0;
    int recordSize_ = 0;
    TXbMemoKind memoKind_ = TXbMemoKind::None;
    TXbDBFBlock readAhead_;
    TXbDBFBlock recordNumbers_;
    TXbDBFBlock scratch_;
    int readAheadCapacity_ = 0;
    std::array<uint8_t, kMemoHeaderSize> lobHeader_{};
    int lobBlockSizeInUse_ = 0;
    bool headerLocked_ = false;
    bool lobLocked_ = false;
    bool fileLocked_ = false;
    std::vector<uint32_t> lockedRecords_;
    bool open_ = false;
    bool changedSinceOpen_ = false;
    bool creating_ = false;
};
