#include "dbf/XbDBFNested.h"

#include "dbf/XbDBFNTX.h"
#include "dbf/XbDBTStream.h"
#include "platform/db/DBConsts.h"
#include "platform/db/Fields.h"
#include "platform/rtl/Exceptions.h"

#include <vector>

TXbNestedDBF::TXbNestedDBF(TComponent* owner) : TXbSmartDBF(owner)
{
    StorageType = TProxyStreamType::pstInnerStream;
    // The image is written back whole after every change: the header's record count must be
    // current in it at once, as a shared table keeps it.
    AccessMode().SetAccessMode(TAccessMode::kShareDenyNone | TAccessMode::kOpenReadWrite);
}

TXbNestedDBF::~TXbNestedDBF()
{
    try {
        Close();
    } catch (...) {
        // The image is in the parent's memo since the last write.
    }
    if (field_ != nullptr && field_->NestedDataSet() == this)
        field_->SetNestedDataSet(nullptr);
}

void TXbNestedDBF::SetDataSetField(TDataSetField* field)
{
    if (field_ != nullptr && field_->NestedDataSet() == this)
        field_->SetNestedDataSet(nullptr);
    field_ = field;
    parent_ = field != nullptr ? dynamic_cast<TXbSmartDBF*>(field->DataSet()) : nullptr;
    if (field != nullptr)
        field->SetNestedDataSet(this);
    if (parent_ != nullptr) {
        SetDbfVersion(parent_->DbfVersion());
        SetLobBlockSize(parent_->LobBlockSize());
    }
}

TXbDBFCrypt& TXbNestedDBF::GetCrypt() noexcept { return parent_ != nullptr ? parent_->Crypt() : Crypt(); }

TProxyStream& TXbNestedDBF::GetLobStream() { return parent_ != nullptr ? parent_->GetLobStream() : LobStream(); }

TProxyStream& TXbNestedDBF::MemoSource() { return parent_ != nullptr ? parent_->MemoSource() : LobStream(); }

void TXbNestedDBF::ParentClosing() noexcept
{
    try {
        Close();
    } catch (...) {
        // What was posted is in the parent's memo already.
    }
    if (field_ != nullptr && field_->NestedDataSet() == this)
        field_->SetNestedDataSet(nullptr);
    field_ = nullptr;
    parent_ = nullptr;
}

void TXbNestedDBF::OpenLobFile(uint8_t)
{
    // The parent's memo file, with its block size.
    if (parent_ != nullptr)
        SetLobBlockSizeInUse(parent_->LobBlockSizeInUse());
}

void TXbNestedDBF::InternalOpen()
{
    if (parent_ == nullptr || field_ == nullptr || !parent_->Active())
        DatabaseError("TXbNestedDBF: The parent table of the nested table is not open!");
    std::vector<char> image;
    {
        std::unique_ptr<TStream> blob = parent_->OpenBlobStream(*field_, TBlobStreamMode::bmRead);
        const int64_t size = blob->Size();
        image.resize(static_cast<size_t>(size));
        blob->Seek(0, TSeekOrigin::soFromBeginning);
        if (size > 0 && blob->Read(image.data(), size) != size)
            throw Exception("TXbSmartDBF: Lob stream read block error!");
    }
    OEM = parent_->OEM;
    setDeleted_ = parent_->SetDeleted();
    if (image.empty()) {
        // No table yet: an empty one from the field's nested definitions.
        const TXbDBFFieldDef* def = parent_->FieldDefOf(*field_);
        if (def == nullptr)
            DatabaseError("TXbNestedDBF: The dataset field has no field definition!");
        SetDBFFieldDefs(const_cast<TXbDBFFieldDef*>(def)->DBFFieldDefs());
        CreateTable();
    } else {
        TMemoryStream& inner = TableStream().InnerStream();
        inner.Clear();
        inner.Write(image.data(), static_cast<int64_t>(image.size()));
    }
    TXbSmartDBF::InternalOpen();
}

void TXbNestedDBF::WriteBack()
{
    if (parent_ == nullptr || field_ == nullptr)
        return;
    struct TWriting {
        bool& flag;
        explicit TWriting(bool& f) : flag(f) { flag = true; }
        ~TWriting() { flag = false; }
    } writing(writingBack_);
    const TDataSetState state = parent_->State();
    const bool parentEditing = state == TDataSetState::dsEdit || state == TDataSetState::dsInsert;
    if (!parentEditing)
        parent_->Edit();
    try {
        TMemoryStream& inner = TableStream().InnerStream();
        TXbDBTStream stream(*parent_, *field_);
        stream.Write(inner.Memory(), inner.Size());
        parent_->WriteLob(stream, *field_);
        if (!parentEditing)
            parent_->Post();
    } catch (...) {
        if (!parentEditing && parent_->State() == TDataSetState::dsEdit)
            parent_->Cancel();
        throw;
    }
}

void TXbNestedDBF::InternalPost()
{
    TXbSmartDBF::InternalPost();
    WriteBack();
}

void TXbNestedDBF::PackLobHandlerClose() { WriteBack(); }

TXbDBFFieldDefsCollection& TXbNestedDBF::StreamedFieldDefs()
{
    if (!streamedFieldDefs_)
        streamedFieldDefs_ = std::make_unique<TXbDBFFieldDefsCollection>(DBFFieldDefs());
    streamedFieldDefs_->Refresh();
    return *streamedFieldDefs_;
}

void TXbNestedDBF::InternalDeleteRecall(bool deleted)
{
    TXbSmartDBF::InternalDeleteRecall(deleted);
    WriteBack();
}

void TXbNestedDBF::DataEvent(TDataEvent event, TDataEventInfo info)
{
    if (event == TDataEvent::deFieldChange && parent_ != nullptr && field_ != nullptr && !writingBack_)
        parent_->DataEvent(TDataEvent::deFieldChange, {field_, 0});
    TXbSmartDBF::DataEvent(event, info);
}

void TXbNestedDBF::ParentEvent(TDataEvent event)
{
    if (writingBack_ || parent_ == nullptr)
        return;
    if (event == TDataEvent::deCheckBrowseMode) {
        // An entry in progress is posted into the parent's record it belongs to, before the
        // parent leaves it.
        if (Active() && (State() == TDataSetState::dsEdit || State() == TDataSetState::dsInsert))
            Post();
        return;
    }
    if (event != TDataEvent::deParentScroll || !Active())
        return;
    // Moved without asking first (the parent's record changed under it): nothing entered here
    // may go into another record.
    if (State() == TDataSetState::dsEdit || State() == TDataSetState::dsInsert)
        Cancel();
    Close();
    if (parent_->Active())
        Open();
}

// ---- the parent's side

namespace {

template <class F>
void ForEachNestedTable(TDataSet& parent, F tell)
{
    // Runs on every scroll of every table: the data type is tested before any cast.
    for (TField* field : parent.Fields())
        if (field->DataType() == TFieldType::ftDataSet)
            if (auto* nested = dynamic_cast<TXbSmartDBF*>(static_cast<TDataSetField*>(field)->NestedDataSet()))
                tell(*nested);
}

}  // namespace

void TXbSmartDBF::DataEvent(TDataEvent event, TDataEventInfo info)
{
    TDataSet::DataEvent(event, info);
    if (!hasDataSetFields_)
        return;
    if (event == TDataEvent::deCheckBrowseMode)
        ForEachNestedTable(*this, [](TXbSmartDBF& nested) { nested.ParentEvent(TDataEvent::deCheckBrowseMode); });
    else if (event == TDataEvent::deDataSetScroll || event == TDataEvent::deDataSetChange)
        ForEachNestedTable(*this, [](TXbSmartDBF& nested) { nested.ParentEvent(TDataEvent::deParentScroll); });
}

void TXbSmartDBF::NotifyBeforeClose()
{
    ForEachNestedTable(*this, [](TXbSmartDBF& nested) { nested.ParentClosing(); });
    TDataSet::NotifyBeforeClose();
}
