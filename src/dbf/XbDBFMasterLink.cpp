// The master-detail link of a table: the master fields resolved on the master dataset, the
// master values, and what the table does when its master opens, changes or scrolls.

#include "dbf/XbDBFDataLink.h"
#include "dbf/XbDBFDataSet.h"

#include "platform/db/DataSource.h"
#include "platform/db/Fields.h"
#include "platform/rtl/Exceptions.h"


// ---- the link

void TXbDataLink::ActiveChanged()
{
    // The master's fields go with its closing.
    table_.ForgetMasterFields();
    if (Active())
        table_.ApplyMasterLink();
}

void TXbDataLink::DataSetChanged()
{
    TDataSet* master = DataSet();
    if (master == nullptr || !table_.Active())
        return;
    if (table_.MasterLinkOn()) {
        table_.ApplyMasterLink();
        return;
    }
    if (master->Bof())
        table_.First();
    else if (master->Eof())
        table_.Last();
}

void TXbDataLink::DataSetScrolled(int distance)
{
    if (!table_.Active())
        return;
    if (table_.MasterLinkOn())
        table_.ApplyMasterLink();
    else if (distance != 0)
        table_.MoveBy(distance);
}

// ---- the table's side

TDataSource* TXbSmartDBF::DataSource() const noexcept { return masterLink_->DataSource(); }

void TXbSmartDBF::SetDataSource(TDataSource* source)
{
    if (source != nullptr && source->IsLinkedTo(this))
        DatabaseError("Circular datalinks are not allowed");
    masterLink_->SetDataSource(source);
    masterFieldList_.clear();
    ApplyMasterLink();
}

void TXbSmartDBF::SetMasterFields(const std::string& value)
{
    if (value.empty()) {
        masterFields_.clear();
        masterFieldList_.clear();
        masterLinkOn_ = false;
        if (Active())
            CancelKeyRange();
        return;
    }
    if (value == masterFields_)
        return;
    masterFields_ = value;
    masterFieldList_.clear();
    if (Active())
        CancelKeyRange();
    masterLinkOn_ = true;
    ApplyMasterLink();
}

void TXbSmartDBF::ResolveMasterFields()
{
    masterFieldList_.clear();
    TDataSet* master = masterLink_->DataSet();
    if (master == nullptr)
        return;
    for (const std::string& name : SplitFieldNames(masterFields_))
        masterFieldList_.push_back(master->FieldByName(name));
}

Variant TXbSmartDBF::MasterValues()
{
    if (masterFieldList_.empty())
        return Variant();
    // Character values keep their trailing blanks, as index keys hold them; the master's own
    // setting comes back however the reading ends.
    auto* masterTable = dynamic_cast<TXbSmartDBF*>(masterLink_->DataSet());
    struct TRestoreTrim {
        TXbSmartDBF* table;
        bool value;
        ~TRestoreTrim()
        {
            if (table != nullptr)
                table->TrimCType = value;
        }
    } restore{masterTable, masterTable != nullptr && masterTable->TrimCType};
    if (masterTable != nullptr)
        masterTable->TrimCType = false;
    std::vector<Variant> values;
    for (TField* field : masterFieldList_)
        values.push_back(field->Value());
    return Variant::Array(values);
}

void TXbSmartDBF::ApplyMasterLink()
{
    if (!masterLinkOn_ || !Active())
        return;
    TDataSet* master = masterLink_->DataSet();
    if (master == nullptr || !master->Active())
        return;
    if (masterFieldList_.empty())
        ResolveMasterFields();
    SetKeyRangeEqual(masterFields_, MasterValues());
}

void TXbSmartDBF::NotifyAfterOpen()
{
    ApplyMasterLink();
    TDataSet::NotifyAfterOpen();
}
