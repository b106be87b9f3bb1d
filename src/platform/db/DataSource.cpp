#include "platform/db/DataSource.h"

#include "platform/db/DBConsts.h"
#include "platform/db/DataSet.h"

#include <algorithm>

using namespace DBConsts;

namespace {

bool IsEditState(TDataSetState state) noexcept
{
    return state == TDataSetState::dsEdit || state == TDataSetState::dsInsert || state == TDataSetState::dsSetKey;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TDataSource

TDataSource::TDataSource(TComponent* owner) : TComponent(owner) {}

TDataSource::~TDataSource()
{
    SetDataSet(nullptr);
    while (!dataLinks_.empty()) dataLinks_.back()->SetDataSource(nullptr);
}

void TDataSource::SetDataSet(TDataSet* dataSet)
{
    if (dataSet == dataSet_) return;
    if (dataSet != nullptr) {
        // A dataset whose master chain leads back to this source would notify itself for ever.
        for (const TDataSource* master = dataSet->GetMasterDataSource(); master != nullptr;
             master = master->dataSet_ ? master->dataSet_->GetMasterDataSource() : nullptr) {
            if (master == this) DatabaseError(SCircularDataLink);
        }
    }
    if (dataSet_ != nullptr) dataSet_->RemoveDataSource(this);
    dataSet_ = dataSet;
    if (dataSet_ != nullptr) dataSet_->AddDataSource(this);
    UpdateState();
}

void TDataSource::SetEnabled(bool value)
{
    enabled_ = value;
    UpdateState();
}

void TDataSource::UpdateState()
{
    const TDataSetState state =
        enabled_ && dataSet_ != nullptr ? dataSet_->State() : TDataSetState::dsInactive;
    if (state == state_) return;
    state_ = state;
    NotifyDataLinks(TDataEvent::deUpdateState, {});
    if (OnStateChange) OnStateChange(this);
}

void TDataSource::Edit()
{
    if (autoEdit_ && state_ == TDataSetState::dsBrowse) dataSet_->Edit();
}

bool TDataSource::IsLinkedTo(const TDataSet* dataSet) const
{
    for (const TDataSource* source = this; source != nullptr && source->dataSet_ != nullptr;
         source = source->dataSet_->GetMasterDataSource()) {
        if (source->dataSet_ == dataSet) return true;
    }
    return false;
}

void TDataSource::AddDataLink(TDataLink* link)
{
    dataLinks_.push_back(link);
    if (dataSet_ != nullptr) dataSet_->UpdateBufferCount();
}

void TDataSource::RemoveDataLink(TDataLink* link)
{
    dataLinks_.erase(std::remove(dataLinks_.begin(), dataLinks_.end(), link), dataLinks_.end());
    if (dataSet_ != nullptr) dataSet_->UpdateBufferCount();
}

void TDataSource::NotifyDataLinks(TDataEvent event, TDataEventInfo info)
{
    // Links may detach while they are told; walk a copy and skip those gone meanwhile.
    const std::vector<TDataLink*> links = dataLinks_;
    for (TDataLink* link : links)
        if (std::find(dataLinks_.begin(), dataLinks_.end(), link) != dataLinks_.end()) link->DataEvent(event, info);
}

void TDataSource::DataEvent(TDataEvent event, TDataEventInfo info)
{
    if (event == TDataEvent::deUpdateState) {
        UpdateState();
        return;
    }
    if (state_ == TDataSetState::dsInactive) return;
    NotifyDataLinks(event, info);
    switch (event) {
    case TDataEvent::deFieldChange:
        if (OnDataChange) OnDataChange(this, info.field);
        break;
    case TDataEvent::deRecordChange:
    case TDataEvent::deDataSetChange:
    case TDataEvent::deDataSetScroll:
    case TDataEvent::deLayoutChange:
        if (OnDataChange) OnDataChange(this, nullptr);
        break;
    case TDataEvent::deUpdateRecord:
        if (OnUpdateData) OnUpdateData(this);
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------------------------------------
// TDataLink

TDataLink::TDataLink() = default;

TDataLink::~TDataLink()
{
    if (dataSource_ != nullptr) dataSource_->RemoveDataLink(this);
    dataSource_ = nullptr;
}

TDataSet* TDataLink::DataSet() const noexcept { return dataSource_ != nullptr ? dataSource_->DataSet() : nullptr; }

void TDataLink::SetDataSource(TDataSource* source)
{
    if (source == dataSource_) return;
    if (dataSource_ != nullptr) dataSource_->RemoveDataLink(this);
    dataSource_ = source;
    if (dataSource_ != nullptr) dataSource_->AddDataLink(this);
    UpdateState();
}

void TDataLink::UpdateState()
{
    const TDataSetState state = dataSource_ != nullptr ? dataSource_->State() : TDataSetState::dsInactive;
    SetActive(state != TDataSetState::dsInactive);
    SetEditing(IsEditState(state) && !readOnly_);
}

void TDataLink::SetActive(bool value)
{
    if (value == active_) return;
    active_ = value;
    if (active_) {
        firstRecord_ = 0;
        UpdateRange();
    }
    ActiveChanged();
}

void TDataLink::SetEditing(bool value)
{
    if (value == editing_) return;
    editing_ = value;
    EditingChanged();
}

void TDataLink::SetReadOnly(bool value)
{
    if (value == readOnly_) return;
    readOnly_ = value;
    UpdateState();
}

void TDataLink::SetBufferCount(int count)
{
    count = std::max(count, 1);
    if (count == bufferCount_) return;
    bufferCount_ = count;
    if (TDataSet* dataSet = DataSet()) dataSet->UpdateBufferCount();
    if (active_) UpdateRange();
}

int TDataLink::RecordCount() const
{
    const TDataSet* dataSet = DataSet();
    if (!active_ || dataSet == nullptr) return 0;
    return std::clamp(dataSet->BufferRecordCount() - firstRecord_, 0, bufferCount_);
}

int TDataLink::ActiveRecord() const
{
    const TDataSet* dataSet = DataSet();
    if (!active_ || dataSet == nullptr || dataSource_->State() == TDataSetState::dsSetKey) return 0;
    return dataSet->ActiveRecordIndex() - firstRecord_;
}

void TDataLink::SetActiveRecord(int value)
{
    TDataSet* dataSet = DataSet();
    if (active_ && dataSet != nullptr && dataSource_->State() != TDataSetState::dsSetKey)
        dataSet->SetActiveRecordIndex(value + firstRecord_);
}

bool TDataLink::Edit()
{
    if (!readOnly_ && dataSource_ != nullptr) dataSource_->Edit();
    return editing_;
}

void TDataLink::UpdateRecord()
{
    updating_ = true;
    try {
        UpdateData();
    } catch (...) {
        updating_ = false;
        throw;
    }
    updating_ = false;
}

void TDataLink::UpdateRange()
{
    const TDataSet* dataSet = DataSet();
    if (dataSet == nullptr) return;
    const int active = dataSet->ActiveRecordIndex();
    if (active < firstRecord_) firstRecord_ = active;
    if (active >= firstRecord_ + bufferCount_) firstRecord_ = active - bufferCount_ + 1;
    if (firstRecord_ < 0) firstRecord_ = 0;
}

void TDataLink::DataEvent(TDataEvent event, TDataEventInfo info)
{
    if (event == TDataEvent::deUpdateState) {
        UpdateState();
        return;
    }
    if (!active_) return;
    switch (event) {
    case TDataEvent::deFieldChange:
    case TDataEvent::deRecordChange:
        if (!updating_) RecordChanged(info.field);
        break;
    case TDataEvent::deDataSetChange:
    case TDataEvent::deDataSetScroll:
    case TDataEvent::deLayoutChange: {
        int distance = 0;
        if (dataSource_->State() != TDataSetState::dsSetKey) {
            // The buffers moved by info.distance; then keep the current record inside the window.
            const int first = firstRecord_ + (event == TDataEvent::deDataSetScroll ? info.distance : 0);
            const int last = first + bufferCount_ - 1;
            const int active = DataSet()->ActiveRecordIndex();
            if (active > last) distance = active - last;
            else if (active < first) distance = active - first;
            firstRecord_ = std::max(0, first + distance);
        }
        if (event == TDataEvent::deDataSetChange) DataSetChanged();
        else if (event == TDataEvent::deDataSetScroll) DataSetScrolled(distance);
        else LayoutChanged();
        break;
    }
    case TDataEvent::deUpdateRecord:
        UpdateRecord();
        break;
    case TDataEvent::deCheckBrowseMode:
        CheckBrowseMode();
        break;
    case TDataEvent::deFocusControl:
        FocusControl(info.field);
        break;
    default:
        break;
    }
}
