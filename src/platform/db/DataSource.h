#pragma once
// TDataSource connects a dataset to data-aware controls; TDataLink is a control's connection
// to a data source. The dataset's data events reach every link at once, in the order they
// happen, except while the dataset's controls are disabled (then a single catch-up event follows
// EnableControls).
//
// A link shows BufferCount records of the dataset's buffer ring, from its first record on;
// ActiveRecord is the position of the dataset's current record inside that window.

#include "platform/classes/Components.h"
#include "platform/db/DBTypes.h"

#include <functional>
#include <vector>

class TDataLink;

using TDataChangeEvent = std::function<void(TObject* sender, TField* field)>;

class TDataSource : public TComponent {
public:
    explicit TDataSource(TComponent* owner);
    ~TDataSource() override;
    const char* ClassName() const noexcept override { return "TDataSource"; }

    TDataSet* DataSet() const noexcept { return dataSet_; }
    void SetDataSet(TDataSet* dataSet);
    // A disabled source looks inactive to its links.
    bool Enabled() const noexcept { return enabled_; }
    void SetEnabled(bool value);
    bool AutoEdit() const noexcept { return autoEdit_; }
    void SetAutoEdit(bool value) { autoEdit_ = value; }
    TDataSetState State() const noexcept { return state_; }
    // Puts the dataset into edit state when AutoEdit is set and it is browsing.
    void Edit();
    // True when `dataSet` is this source's dataset or a master this source depends on.
    bool IsLinkedTo(const TDataSet* dataSet) const;
    int DataLinkCount() const noexcept { return static_cast<int>(dataLinks_.size()); }

    TDataChangeEvent OnDataChange;
    TNotifyEvent OnStateChange;
    TNotifyEvent OnUpdateData;

private:
    friend class TDataSet;
    friend class TDataLink;
    void DataEvent(TDataEvent event, TDataEventInfo info);
    void NotifyDataLinks(TDataEvent event, TDataEventInfo info);
    void UpdateState();
    void AddDataLink(TDataLink* link);
    void RemoveDataLink(TDataLink* link);

    TDataSet* dataSet_ = nullptr;
    bool enabled_ = true;
    bool autoEdit_ = true;
    TDataSetState state_ = TDataSetState::dsInactive;
    std::vector<TDataLink*> dataLinks_;
};

class TDataLink : public TPersistent {
public:
    TDataLink();
    ~TDataLink() override;
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;
    const char* ClassName() const noexcept override { return "TDataLink"; }

    TDataSource* DataSource() const noexcept { return dataSource_; }
    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const noexcept;
    bool Active() const noexcept { return active_; }
    bool Editing() const noexcept { return editing_; }
    bool ReadOnly() const noexcept { return readOnly_; }
    void SetReadOnly(bool value);
    // Records this link shows at most (a grid: its visible rows).
    int BufferCount() const noexcept { return bufferCount_; }
    void SetBufferCount(int count);
    // Records of the window that hold data.
    int RecordCount() const;
    // Position of the dataset's current record in the window; setting it makes another record
    // of the window the dataset's current one (as a grid does while it paints).
    int ActiveRecord() const;
    void SetActiveRecord(int value);
    // Puts the dataset into edit state (through the source's AutoEdit); true when editing.
    bool Edit();
    // Writes the control's pending change into the record (UpdateData).
    void UpdateRecord();

protected:
    virtual void ActiveChanged() {}
    virtual void CheckBrowseMode() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled(int distance) { DataSetChanged(); }
    virtual void EditingChanged() {}
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void RecordChanged(TField* field) {}
    virtual void UpdateData() {}
    virtual void FocusControl(TField* field) {}

private:
    friend class TDataSource;
    void DataEvent(TDataEvent event, TDataEventInfo info);
    void UpdateState();
    void SetActive(bool value);
    void SetEditing(bool value);
    void UpdateRange();

    TDataSource* dataSource_ = nullptr;
    int firstRecord_ = 0;
    int bufferCount_ = 1;
    bool active_ = false;
    bool editing_ = false;
    bool readOnly_ = false;
    bool updating_ = false;
};
