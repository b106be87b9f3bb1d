#pragma once
// TXbNestedDBF: a whole DBF table kept inside the memo of a dataset field ('E' field of the
// dbftDBFDataSet kinds) of its parent table. The table file is the table stream's own memory
// stream, filled from the parent's memo when the table opens and written back into it after
// every post, deletion and recall. Its memo fields live in the parent's memo file.

#include "dbf/XbDBFDataSet.h"

#include <memory>

class TDataSetField;
class TXbDBFFieldDefsCollection;

class TXbNestedDBF : public TXbSmartDBF {
public:
    explicit TXbNestedDBF(TComponent* owner);
    ~TXbNestedDBF() override;
    const char* ClassName() const noexcept override { return "TXbNestedDBF"; }

    // The parent's field that holds this table; setting it takes the parent's table version,
    // memo block size and memo file.
    TDataSetField* DataSetField() const noexcept { return field_; }
    void SetDataSetField(TDataSetField* field);
    // The table owning the dataset field (null while none is set).
    TXbSmartDBF* Parent() const noexcept { return parent_; }
    // The field definitions as a collection, for form descriptions.
    TXbDBFFieldDefsCollection& StreamedFieldDefs();

    TXbDBFCrypt& GetCrypt() noexcept override;
    TProxyStream& GetLobStream() override;
    TProxyStream& MemoSource() override;
    void ParentClosing() noexcept override;
    void DataEvent(TDataEvent event, TDataEventInfo info = {}) override;
    void InternalDeleteRecall(bool deleted) override;
    // The parent is about to move (deCheckBrowseMode: a pending edit is posted while the parent
    // still shows its record) or has moved (deParentScroll: the table is read again).
    void ParentEvent(TDataEvent event) override;

protected:
    void InternalOpen() override;
    void InternalPost() override;
    void OpenLobFile(uint8_t versionByte) override;
    void CreateLobFile(uint8_t versionByte, bool hasMemo) override {}
    // The packed image goes back into the parent's memo. The memos of the kept records stay
    // where they are in the parent's memo file; the parent's own pack drops the others.
    void PackLobHandlerClose() override;

private:
    // Writes the table image into the parent's memo through its WriteLob, putting the parent
    // into edit state and posting it when it was browsing.
    void WriteBack();

    TDataSetField* field_ = nullptr;
    TXbSmartDBF* parent_ = nullptr;
    bool writingBack_ = false;
    std::unique_ptr<TXbDBFFieldDefsCollection> streamedFieldDefs_;
};
