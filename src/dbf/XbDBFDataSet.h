#pragma once
// The DBF table dataset: opens a table file through a proxy stream, reads its header and field
// descriptors into the engine's and the framework's field definitions, keeps the read-ahead
// window of records, answers the dataset framework's record and field requests, opens the memo
// file beside it, and creates new tables from field definitions.
//
// Record buffer layout (NewRecordBuffer): the record image exactly as in the file (deletion
// flag first, deciphered), the 32-bit record number, one byte telling a record read from the
// file (0) from a new blank record (2), the bookmark flag, then the calculated fields.

#include "dbf/XbDBFFieldDefs.h"
#include "dbf/XbDBFFormat.h"
#include "dbf/XbDBFLayout.h"
#include "dbf/XbDBFMemMgr.h"
#include "dbf/XbDBFPrx.h"
#include "dbf/XbDBFCrypt.h"
#include "dbf/XbDBFExprFieldSource.h"
#include "dbf/XbDBFParser.h"
#include "dbf/XbDBFCompiledFilter.h"
#include "dbf/XbDBFIndexes.h"
#include "platform/db/DataSet.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TXbSmartDBF;
class TXbDBTStream;
class TXbDataLink;
class TDataSource;

// What the field operations need of one field, gathered at open so that reading a value does
// not walk the definitions.
struct TXbFieldAccess {
    TXbDBFFieldDef* Def = nullptr;
    TFieldType DataType = TFieldType::ftUnknown;
    char Type = 0;
    TXbDBFType Extend = TXbDBFType::dbftUndefined;
    int Offset = 0;    // in the record image
    int Length = 0;    // the definition's len
    int Decimals = 0;  // the definition's dec
    int Storage = 0;   // bytes in the record
    int NullOffset = -1;  // byte of the Visual FoxPro null flag in the record, or -1
    uint8_t NullMask = 0;
    // The common field kinds read without the general dispatch (TXbFastKind).
    uint8_t FastKind = 0;
    // A number of at most eight bytes with eight bytes of the record image before its end:
    // read as one word (XbDBFFieldParse::ParseNumberWord).
    bool NumberWord = false;
    // For a number read as one word: the byte of the word where the field's decimals put the
    // point (XbDBFFieldParse::ParseDigitsWord), -1 for a field without decimals; -2 when
    // the field is not read that way.
    int8_t PointByte = -2;
};
// The memo block number (or byte position) a memo field of the record image refers to; 0 for
// none. A 10-character reference that is blank or not a number refers to nothing (XbDBFMemo.cpp).
uint64_t XbMemoReference(const TXbFieldAccess& access, const uint8_t* record);

// The framework type a field definition maps to under the table version.
TFieldType XbDBFFrameworkType(const TXbDBFFieldDef& def, xBaseVersion version);

// The expression parser's field source over a table (XbDBFFilter.cpp).
std::unique_ptr<IXbExprFieldSource> MakeTableFieldSource(TXbSmartDBF& table);

class TXbSmartDBF : public TDataSet {
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
    // Rounds down to a multiple of 128; a value that would become 0 or less is refused.
    void SetLobBlockSize(int value);
    LockProtocolType LockProtocol() const noexcept { return lockProtocol_; }
    void SetLockProtocol(LockProtocolType protocol);
    LockProtocolType LobLockProtocol() const noexcept { return lobLockProtocol_; }
    void SetLobLockProtocol(LockProtocolType protocol);
    int BufferSize = 4096;
    int WaitBusyRes = 3000;
    bool OEM = false;
    bool SetDeleted() const noexcept { return setDeleted_; }
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

    TXbDBFCrypt& Crypt() noexcept { return *crypt_; }
    virtual TXbDBFCrypt& GetCrypt() noexcept { return *crypt_; }
    void SetSetDeleted(bool value);

    // Writes a new empty table (and memo file) from DBFFieldDefs.
    void CreateTable();

    // ---- index collections, form loading, locate, lookup and pack
    // (XbDBFNTX.cpp, XbDBFLocate.cpp, XbDBFPack.cpp)
    TLocateOptions LookupOptions;
    // The open indexes and the index files of the table; none in a plain table.
    virtual TIndexes* IndexCollection() noexcept { return nullptr; }
    virtual TXbDBFIndexDefs* IndexDefsCollection() noexcept { return nullptr; }
    // The active index's name (empty without one); setting activates every index of that name
    // (letter case ignored). Kept until the end of loading while a form is read.
    std::string IndexName() const;
    void SetIndexName(const std::string& name);
    // Key ranges over the index that covers the fields; a plain table has none.
    virtual void SetKeyRangeEqual(const std::string& fieldNames, const Variant& values) {}
    virtual void SetKeyRange(const std::string& fieldNames, const Variant& lowValues, const Variant& highValues) {}
    virtual void CancelKeyRange() {}
    // The first accepted record from startRecNo on whose key fields equal keyValues (through
    // an index covering them unless scanOnly); 0 when there is none.
    uint32_t LocateRecord(const std::string& keyFields, const Variant& keyValues, TLocateOptions options,
                          bool scanOnly, uint32_t startRecNo);
    // Removes the records marked deleted and rewrites the memo file with the memos of the kept
    // ones; returns the number of records removed. The new files are built beside the table and
    // replace the old ones only when complete (tempInTableDir is kept for callers: the
    // temporary files always go to the table's folder).
    int Pack(bool tempInTableDir);

    bool IsTableOpen() const override { return tableStream_->IsOpen(); }
    // Whole records in the table file; also stored as the header image's record count.
    int CountRecords() const override;
    // Record numbers are positions only in record order (no open index active).
    bool IsSequenced() const override { return const_cast<TXbSmartDBF*>(this)->NavigationIndex() == nullptr; }
    int GetRecordNumber() const override;

    void GoRecordNumber(int recNo) override;
    bool SearchAcceptedRecord(bool restart, bool goForward) override;
    int TranslateOem(const char* source, char* dest, bool toOem) override;
    void TranslateOemInPlace(char* text, size_t length, bool toOem) override;
    // Count bytes translated to (toOem) or from the OEM code page when OEM is set, else copied;
    // returns count (0 for a null source).
    int TranslateOemBuff(const char* source, char* dest, int count, bool toOem);
    // Reads record recNo from the file and runs the acceptance test on it; the cursor and the
    // active record stay as they were.
    bool IsRecordAccepted(uint32_t recNo);
    // Runs `visit` for every record a walk from the first record to the end would show (the
    // filter, SetDeleted), in record order, with the fields reading that record while it runs,
    // straight from the read-ahead piece: no cursor move, no scroll event, no record copied
    // into the framework's buffers. The cursor, the window and the active record stay as they
    // were. False, without visiting, where only a walk gives the same records (an active index,
    // an OnFilterRecord handler, calculated fields, or not browsing); the caller walks then.
    // `visit` reads fields only; it does not move or change the table.
    bool VisitShownRecords(const std::function<void()>& visit);
    // The same visit over every record a walk would show with the filter switched off (SetDeleted
    // still hides), telling `visit` whether the filter in force accepts the record as well (true
    // for every record when the table is not filtered): one pass serves a walk over the whole
    // table and one over the filtered records. False, without visiting, where VisitShownRecords
    // is false.
    bool VisitRecordsMarkingFiltered(const std::function<void(bool accepted)>& visit);

    // ---- master-detail link (XbDBFMasterLink.cpp). With MasterFields (";"-separated names
    // of fields the master and this table share) the table shows the records whose key equals
    // the master's values, through the index covering those fields; without, it moves along
    // with the master.
    TDataSource* DataSource() const noexcept;
    void SetDataSource(TDataSource* source);
    const std::string& MasterFields() const noexcept { return masterFields_; }
    void SetMasterFields(const std::string& value);
    bool MasterLinkOn() const noexcept { return masterLinkOn_; }
    // Sets the key range to the master's values when the link is on and both tables are open.
    void ApplyMasterLink();
    // The values of the master fields (null without master fields), character values with
    // their trailing blanks.
    Variant MasterValues();
    // The master fields are found again on the master at the next use.
    void ForgetMasterFields() noexcept { masterFieldList_.clear(); }
    // Finds the master fields on the master dataset (raises for a name it lacks).
    void ResolveMasterFields();

    // ---- nested tables (XbDBFNested.cpp)
    // Also tells the tables nested in this table's dataset fields that it is about to move
    // (deCheckBrowseMode) or has moved (deParentScroll).
    void DataEvent(TDataEvent event, TDataEventInfo info = {}) override;
    // What a nested table does when its parent moves; nothing for other tables.
    virtual void ParentEvent(TDataEvent event) {}
    // The parent closes: its fields go, and a nested table lets go of its field.
    virtual void ParentClosing() noexcept {}

    // ---- locks (XbDBFLocks.cpp). One-byte locks at the offsets of LockProtocol (records and
    // header) and LobLockProtocol (memo file), tried WaitBusyRes times with a short sleep
    // between tries. With ShareExclusive or ShareDenyWrite access every lock succeeds at once.
    bool LockRecord(uint32_t recNo);
    bool UnlockRecord(uint32_t recNo);
    bool LockHeader();
    bool UnlockHeader();
    bool LockLob(TProxyStream& stream);
    bool UnlockLob(TProxyStream& stream);
    bool HeaderLocked() const noexcept { return headerLocked_; }
    bool LobLocked() const noexcept { return lobLocked_; }
    const std::vector<uint32_t>& LockedRecords() const noexcept { return lockedRecords_; }
    // Waits `seconds` by sleeping; the engine has no message loop, so processMessages only
    // documents the caller's wish.
    static void WaitSeconds(bool processMessages, double seconds);
    // Record locks of lpFoxLock at 0x7FFFFFFE - RecNo.
    virtual bool IsFoxRecordLockByRecNo() const noexcept { return true; }
    // Lock one byte of `stream` with retries.
    bool LockWithRetries(TProxyStream& stream, uint64_t offset);
    // Locks are taken only when the table is shared (neither exclusive nor deny-write).
    bool LocksNeeded();

    // ---- navigation in index order (XbDBFIndexWindow.cpp)
    // The active index when it is open: the read-ahead window then follows its key order.
    TIndex* NavigationIndex();
    // After the order changed: moves to record recNo in the order now in force (the first record
    // when recNo is 0 or the record is not accepted).
    void ReorderAt(uint32_t recNo);
    // Reads record recNo into `buffer`, a record buffer (image deciphered, number set, flag
    // current); false when the record is not in the file.
    bool ReadRecordInto(uint32_t recNo, TRecordBuffer buffer);
    // Makes `record` (a record buffer, or null for none) the record the field operations and
    // key evaluation read, ahead of the dataset state's buffer; returns the one it replaces.
    TRecordBuffer SwapForcedRecord(TRecordBuffer record) noexcept
    {
        TRecordBuffer previous = forcedRecord_;
        forcedRecord_ = record;
        return previous;
    }

    // ---- writing records (XbDBFPost.cpp)
    // Marks the active record deleted ("*") or live (blank) and writes it back.
    virtual void InternalDeleteRecall(bool deleted);

    // ---- memo contents (XbDBFMemo.cpp)
    std::unique_ptr<TStream> OpenBlobStream(TField& field, TBlobStreamMode mode) override;
    void CommitBlobStream(TStream& stream) override;
    // Stores the stream's contents in the memo file and the new reference in the active record
    // (an empty stream clears the field); raises when the memo file is not open, cannot be
    // locked or is not fully written.
    virtual void WriteLob(TXbDBTStream& stream, TField& field);
    // The memo file memos are written to (a pack writes into a temporary one).
    virtual TProxyStream& GetLobStream() { return *lobStream_; }
    // The memo file memos are read from.
    virtual TProxyStream& MemoSource() { return *lobStream_; }

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

    // ---- record buffers (sizes and offsets inside a buffer)
    int RecordNumberOffset() const noexcept { return recordSize_; }
    int CalcAreaOffset() const noexcept { return recordSize_ + 6; }
    // Test hook for the read-ahead window: slots filled and the record number of a slot.
    int WindowCount() const noexcept { return windowCount_; }

    // ---- per-field access to the current record for the expression evaluator and indexes
    // The buffer whose record the field operations read and write now (null when none).
    uint8_t* ActiveRecordBuffer() const;
    // The engine definition a framework data field is bound to (null for other fields).
    const TXbDBFFieldDef* FieldDefOf(const TField& field) const noexcept;
    const TXbFieldAccess* FieldAccessOf(const TField& field) const noexcept
    {
        const unsigned index = static_cast<unsigned>(field.FieldNo()) - 1u;
        return field.FieldKind() == TFieldKind::fkData && index < fieldAccessCount_ ? fieldMap_.data() + index : nullptr;
    }
    const std::vector<TXbFieldAccess>& FieldAccess() const noexcept { return fieldMap_; }

    // ---- the expression parser's view of the table: the top-level fields in definition order,
    // valued from the record the field operations read now
    // (the parser reaches them through ExprFieldSource()).
    int ExprFindField(std::string_view name) const;
    const TXbExprFieldInfo& ExprFieldInfo(int field) const;
    Variant ExprFieldValue(int field, bool keepTrailingBlanks);
    bool ExprFieldIsNull(int field);
    IXbExprFieldSource& ExprFieldSource() noexcept { return *exprSource_; }
    // The filter's parser (bound to this table).
    TXbDBFExprParser& FilterParser() noexcept { return *filterParser_; }
    // Whether the ready filter runs as tests on the record bytes (simple conditions only);
    // otherwise the parser evaluates it.
    bool FilterCompiled() const noexcept { return FilterReady() && compiledFilter_.Compiled(); }

    // Reads the value of a field of `record` in the framework's native format of `type`
    // (`out` null: only whether it holds a value); false for null.
    bool ReadFieldValue(const TXbFieldAccess& access, const uint8_t* record, void* out, int outSize) const;
    // Writes a native value (null: the field's null form) into `record`; raises, leaving the
    // record unchanged, when the value does not fit the field. `field` names it in messages.
    void WriteFieldValue(const TXbFieldAccess& access, uint8_t* record, const void* value, const TField* field);
    // Versions whose 'I' fields are plain little-endian integers.
    bool AtLeastFoxPro() const noexcept
    {
        return dbfVersion_ == xBaseVersion::xFoxPro || dbfVersion_ == xBaseVersion::xVisualFoxPro;
    }

protected:
    // ---- locate, lookup and loading (XbDBFLocate.cpp, XbDBFNTX.cpp)
    bool LocateAndPosition(const std::string& keyFields, const Variant& keyValues, TLocateOptions options) override;
    Variant FetchLookupValues(const std::string& keyFields, const Variant& keyValues,
                              const std::string& resultFields) override;
    void AfterFormLoad() override;
    TDataSource* GetMasterDataSource() const override { return DataSource(); }
    // The tables nested in dataset fields hear of the parent's moves and closing.
    void NotifyBeforeClose() override;
    // Applies the master-detail link before the open is announced.
    void NotifyAfterOpen() override;

    // ---- open and close
    void InternalOpen() override;
    void InternalInitFieldDefs() override;
    void InternalCloseTable() override;

    // ---- record buffers and the cursor
    TRecordBuffer NewRecordBuffer() override;
    void DisposeRecordBuffer(TRecordBuffer& buffer) override;
    void ReadBookmark(TRecordBuffer buffer, void* data) const override;
    void WriteBookmark(TRecordBuffer buffer, const void* data) override;
    TBookmarkFlag ReadBookmarkFlag(TRecordBuffer buffer) const override;
    void WriteBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override;
    int GetBufferRecordSize() const override { return recordSize_; }
    TGetResult FetchRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;
    void InternalGoFirst() override;
    void InternalGoLast() override;
    void InternalGoBookmark(const void* bookmark) override;
    void InternalGoBufferRecord(TRecordBuffer buffer) override;
    void InternalReread() override;
    bool IsBookmarkValid(const TBookmark& bookmark) override;
    int CompareBookmarkValues(const TBookmark& a, const TBookmark& b) override;
    void SetFilterActive(bool value) override;
    void ClearCalcFields(TRecordBuffer buffer) override;

    // ---- field values
    bool FetchFieldData(TField& field, void* buffer) override;
    TFieldTextFetch FetchFieldText(TField& field, std::string& value, bool translate) override;
    // The two reads above in every case; they themselves read the common field kinds of the
    // browsed record and leave the rest to these.
    bool FetchFieldDataInAnyState(TField& field, void* buffer);
    TFieldTextFetch FetchFieldTextInAnyState(TField& field, std::string& value, bool translate);
    void PutFieldData(TField& field, const void* buffer) override;
    bool PutFieldText(TField& field, const char* text, size_t length, bool translate) override;
    void InternalBlankRecord(TRecordBuffer buffer) override;
    // The blank record image of the fields, kept in blankImage_.
    void BuildBlankImage();

    // ---- writing records (XbDBFPost.cpp)
    void InternalAddRecord(TRecordBuffer buffer, bool append) override;
    void InternalPost() override;
    void InternalDeleteRecord() override;
    // Puts a just-written record image into the read-ahead window (after its last slot when
    // the record follows it, else as a window of its own) and makes it current.
    void PlaceWrittenRecord(uint32_t recNo, const uint8_t* image);
    // Writes a record image (enciphered copy when the cipher is active) at its place; raises
    // "TXbSmartDBF: " with the system's text when it is not written whole. `overwrites` says
    // the record is in the file already: one that crosses a page boundary is then written
    // with a rewrite note beside the table (XbDBFRewriteNote.h).
    void WriteRecordImage(uint32_t recNo, const uint8_t* image, bool overwrites);
    // True when rewriting record recNo in place needs a rewrite note.
    bool RewriteNeedsNote(uint32_t recNo) const noexcept;
    // Writes the note for the record image `data` about to be written at `offset`; the note's
    // name, or empty when no note could be written (the record is then written without one).
    std::string WriteRewriteNote(int64_t offset, const uint8_t* data);
    // Takes the header lock for a rewrite that leaves a note (the note has one name per table,
    // and an opener completes only notes nobody is writing); true when this call took it.
    bool LockHeaderForNote(uint32_t recNo);
    // Writes an existing record's image back at its place under its record lock, then puts it
    // into the read-ahead window as with PlaceWrittenRecord.
    void RewriteRecord(uint32_t recNo, const uint8_t* image);
    [[noreturn]] void RaiseWriteError(TProxyStream& stream);
    // The indexes of IndexCollection that are open.
    std::vector<TIndex*> OpenIndexes();
    // The record the table shows after writing record recNo whose key in `index` is `key`.
    uint32_t RecordToShowAfterPost(uint32_t recNo, TIndex* index, const std::string& key);
    void FillAutoIncrementFields(TRecordBuffer buffer);
    void SetLobBlockSizeInUse(int size) noexcept { lobBlockSizeInUse_ = size; }
    uint64_t RecordLockPlace(uint32_t recNo) const;

    // ---- memo file
    virtual void CreateLobStreamObject();
    virtual void CreateLobFile(uint8_t versionByte, bool hasMemo);
    virtual void OpenLobFile(uint8_t versionByte);
    virtual void CloseLobFile() noexcept;
    virtual void FreeLobStreamObject() noexcept;
    virtual void WriteLobHeader(uint8_t versionByte, TProxyStream& stream);
    // Pack: called once the packed table and memo images have taken the old ones' place. A
    // table kept inside another table's memo writes its new image back there.
    virtual void PackLobHandlerClose() {}

    // ---- the read-ahead window (XbDBFRecords.cpp)
    // Fills the window from record 1 (go first), with the last records (go last), or with
    // the records around recNo (current slot on recNo when it exists).
    void WindowGoFirst();
    void WindowGoLast();
    void WindowReadAround(uint32_t recNo);
    // Moves the current slot one record on or back, refilling the window when it runs off its
    // filled part; false at the end or the beginning (the matching mark is then set).
    bool WindowStepForward()
    {
        // The common step: the next slot of a window filled forward.
        if (windowForward_ && currentSlot_ >= -1 && currentSlot_ + 1 < windowCount_) {
            ++currentSlot_;
            bofMark_ = eofMark_ = false;
            return true;
        }
        return WindowStepPastWindow();
    }
    bool WindowStepBack();
    // Image and record number of the current slot (valid while neither mark is set).
    uint8_t* WindowImage() const noexcept
    {
        return windowImages_ + static_cast<size_t>(currentSlot_) * static_cast<size_t>(recordSize_);
    }
    // The window's own slots, ready to be written: a window that shows records of the piece
    // takes copies of them first.
    uint8_t* WindowSlots();
    // A window showing records of the piece takes copies of them into its own slots.
    void OwnWindowImages();
    uint32_t WindowRecordNumber() const noexcept;
    // Makes the slot holding recNo current (false when the window does not hold it).
    bool MakeSlotCurrent(uint32_t recNo);
    // Puts a written record image into its slot when the window holds the record.
    void CopyImageToWindow(uint32_t recNo, const uint8_t* image);
    // After a record was written: the window moves to the nearest record the acceptance test
    // accepts, forward from recNo first, then backward; empty when there is none.
    void PositionAfterPost(uint32_t recNo);
    // The acceptance test (OnFilterRecord and the filter when useFilter, then SetDeleted) of a
    // record image, and of the current slot of the window.
    bool RecordAccepted(TRecordBuffer record, bool useFilter);
    bool SlotAccepted(bool useFilter);
    // SlotAccepted when no filter runs: the deleted mark and the key range.
    bool SlotAcceptedUnfiltered()
    {
        uint8_t* image = WindowImage();
        if (setDeleted_ && image[0] == '*')
            return false;
        return InKeyRange(image);
    }
    // Whether the key range of the active index, if one is set, holds the record image.
    bool InKeyRange(TRecordBuffer record)
    {
        return IndexCollection() == nullptr || InIndexKeyRange(record);
    }
    bool InIndexKeyRange(TRecordBuffer record);
    // Copies the current slot into a framework buffer.
    void CopySlotToBuffer(TRecordBuffer buffer);
    // Decodes / encodes record images with the cipher when it is active.
    void DecipherRecords(uint8_t* images, uint32_t firstRecNo, int count);
    // The window in the key order of `index` (XbDBFIndexWindow.cpp): the same operations as
    // the record-order ones above, asking the index for the record numbers under its lock.
    void IndexWindowGoFirst(TIndex& index);
    void IndexWindowGoLast(TIndex& index);
    void IndexWindowReadAround(TIndex& index, uint32_t recNo);
    // Refills after the window's last slot (forward) or before its first; the number of records
    // now in the window (0: nothing there, the window is unchanged).
    int IndexWindowRefill(TIndex& index, bool forward);
    // Fills the window from the index (forward: from slot 0; backward: ending at the last slot),
    // from the first or last key or (onward) from the index's position; the records read.
    int IndexFill(TIndex& index, bool forward, bool onward);
    // Reads the records numbered in numbers[0..count-1] into consecutive slots of images (a
    // record no longer in the file is left out); the number of records read.
    int ReadNumberedRecords(uint32_t* numbers, int count, uint8_t* images);
    // Opens every index of the table and one for every index file of DBFIndexDefs not open yet.
    void OpenTableIndexes();

    // Text of a number for an 'N' or 'F' field of the definition; raises naming the field when
    // it is wider than the field.

    // Set while a record is being added with automatic values: only then are autoincrement
    // fields written.
    bool addingAutoValues_ = false;

private:
    bool ReadExtendValue(const TXbFieldAccess& access, const uint8_t* p, void* out, int outSize) const;
    void WriteExtendValue(const TXbFieldAccess& access, uint8_t* p, const void* value, const std::string& name);
    void PrepareTableStream();
    void ReleaseOpenResources() noexcept;
    void AppendEndMarkOnClose() noexcept;
    bool WriteHeaderImage();
    void BringHeaderCountUpToDate() noexcept;
    // Completes the record rewrite a killed writer left a note of (opens for writing only).
    void FinishInterruptedRewrite() noexcept;
    bool MemoIsFoxPro(uint8_t versionByte) const noexcept;
    std::vector<uint8_t> BuildTableImage(uint8_t& versionByte, bool& needsMemo);
    void FillFieldDefs(TXbDBFFieldDefs& defs, const std::vector<TXbFieldLayout>& fields, const std::string& prefix);
    void AddFrameworkFieldDef(TFieldDefs& target, TXbDBFFieldDef& def);
    void BuildFieldAccess();
    void BuildExprFields();
    void PrepareFilter();
    void ReleaseFilter() noexcept;
    // WindowStepForward past the window's filled slots (or from a window filled backward).
    bool WindowStepPastWindow();
    int ReadRecordBlock(uint32_t firstRecNo, int count, uint8_t* images, uint32_t* numbers);
    int ReadRecordBlockBackward(uint32_t firstRecNo, int count, uint8_t* images, uint32_t* numbers);
    // Reads the records from pieceFirst (at most `bytes`) into the bulk piece; false when none
    // could be read (the piece is then empty).
    bool FillBulkPiece(uint32_t pieceFirst, int64_t bytes);
    // Copies up to `count` records from firstRecNo on out of the bulk piece, which holds firstRecNo.
    int CopyFromBulkPiece(uint32_t firstRecNo, int count, uint8_t* images, uint32_t* numbers) const;
    // The forward window from firstRecNo on, shown straight out of the piece (read first when
    // it does not hold firstRecNo); the records in the window, 0 when none could be read (the
    // window then holds what it held).
    int ShowPieceForward(uint32_t firstRecNo);
    // The visits above: every record in the file, read through the read-ahead piece, that the
    // acceptance test shows (without the filter when markFiltered, the filter's verdict then
    // passed to `visit`; with it otherwise, `visit` then always told true).
    bool VisitPieceRecords(bool markFiltered, const std::function<void(bool accepted)>& visit);
    // A parsed filter expression is ready and the Filter text is not empty (an empty text
    // filters nothing, whatever was parsed before it); its value for the record under test.
    bool FilterReady() const noexcept;
    bool EvaluateFilter();

    std::unique_ptr<TTableFlag> foxTableFlag_;
    std::unique_ptr<TProxyStream> tableStream_;
    std::unique_ptr<TProxyStream> lobStream_;
    std::unique_ptr<TAccessMode> accessMode_;
    std::unique_ptr<TXbDBFCrypt> crypt_;
    std::unique_ptr<TXbDBFFieldDefs> dbfFieldDefs_;
    std::unique_ptr<TXbDataLink> masterLink_;
    std::string masterFields_;
    bool masterLinkOn_ = false;
    std::vector<TField*> masterFieldList_;
    std::unique_ptr<IXbExprFieldSource> exprSource_;
    std::unique_ptr<TXbDBFExprParser> filterParser_;
    std::vector<TXbExprFieldInfo> exprFields_;
    bool filterReady_ = false;
    TXbDBFCompiledFilter compiledFilter_;

    xBaseVersion dbfVersion_ = xBaseVersion::xBaseIII;
    int lobBlockSize_ = 512;
    LockProtocolType lockProtocol_ = LockProtocolType::lpNone;
    LockProtocolType lobLockProtocol_ = LockProtocolType::lpNone;

protected:
    // Open-table state.
    TXbTableLayout layout_;
    mutable std::array<uint8_t, kDBFHeaderSize> headerImage_{};
    int headerSize_ = 0;
    int recordSize_ = 0;
    TXbMemoKind memoKind_ = TXbMemoKind::None;
    // A blank record's field bytes for the field layout, memo kind and version it was made for
    // (emptied when the field access is built again).
    std::vector<uint8_t> blankImage_;
    TXbMemoKind blankMemoKind_ = TXbMemoKind::None;
    xBaseVersion blankVersion_ = xBaseVersion::xBaseIII;
    // The read-ahead window: capacity record images and their record numbers. Its slots are
    // readAhead_ or, after a forward step into the piece, that stretch of the piece itself
    // (windowImages_ says where slot 0 is): the images are the same either way, and one copy
    // per record is saved. Anything that writes slots or refills the piece first moves a
    // window shown from the piece into readAhead_.
    TXbDBFBlock readAhead_;
    uint8_t* windowImages_ = nullptr;
    TXbDBFBlock recordNumbers_;
    TXbDBFBlock scratch_;
    // Steps past the window, forward or back, are served from a larger piece of the file read
    // at once (kBulkReadBytes), deciphered once as it is read: the piece starts at the record
    // after the window going forward and ends at the record before it going back. It extends
    // the window only: any other fill of the window, any write of this table and every refresh
    // drop it, so what other users see after a refresh is unchanged. A quarter of a megabyte
    // stays in the processor's cache while the window walks it and takes a fourth of the
    // system calls of 64 KiB.
    static constexpr int kBulkReadBytes = 262144;
    TXbDBFBlock bulk_;
    uint32_t bulkFirst_ = 0;  // record number of the first image in bulk_
    int bulkCount_ = 0;
    int readAheadCapacity_ = 0;
    int windowCount_ = 0;
    // In key order: the index marks of the window's first and last item.
    TXbIndexFillEnds indexWindowEnds_;
    bool windowForward_ = true;
    int currentSlot_ = -1;
    bool bofMark_ = true;
    bool eofMark_ = true;
    mutable uint32_t recordCountComputed_ = 0;
    // The four record buffers of an open table.
    TXbDBFBlock scratchRecord_;
    TXbDBFBlock filterRecord_;
    TXbDBFBlock setKeyRecord_;
    TXbDBFBlock cryptCopy_;
    // A record handed in by a caller (key computation, a record tested by number); it takes
    // precedence over the state's buffer while set.
    TRecordBuffer forcedRecord_ = nullptr;
    // The record the filter tests (dsFilter state).
    TRecordBuffer filterSubject_ = nullptr;
    // The top-level fields of the table in definition order (the framework's field number - 1).
    std::vector<TXbFieldAccess> fieldMap_;
    unsigned fieldAccessCount_ = 0;  // fieldMap_.size()
    // Some field of the open table holds a nested table (scroll events then reach it).
    bool hasDataSetFields_ = false;
    // The table file's size after this table's last append, while it is the only writer
    // (ShareExclusive or ShareDenyWrite); -1 when unknown. Anything else that changes the
    // file's size must set it to -1.
    int64_t knownFileSize_ = -1;
    // A table opened exclusively writes the header's record count on close rather than after
    // every append: set while the count on disk is behind. Records are counted by the file's
    // size, so a writer killed before the close loses nothing, and the next open for writing
    // brings the count up to date.
    bool headerCountPending_ = false;
    bool headerLocked_ = false;
    bool lobLocked_ = false;
    bool fileLocked_ = false;
    std::vector<uint32_t> lockedRecords_;
    bool open_ = false;
    bool changedSinceOpen_ = false;
    bool creating_ = false;
    bool setDeleted_ = false;
    // Values read while a form is loaded, applied at its end.
    std::string streamedIndexName_;
    bool streamedCreateNow_ = false;

private:
    std::array<uint8_t, kMemoHeaderSize> lobHeader_{};
    int lobBlockSizeInUse_ = 0;
    std::string lobOpenError_;  // why the memo file did not open (the system error block)
};
