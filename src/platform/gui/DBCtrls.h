#pragma once
// Data-aware labels and edits: each shows one field of its data source's current record and
// follows the record through a field data link. A data-aware edit puts the dataset into edit
// state when the user types (through the data source's AutoEdit) and writes its text into the
// field when the record is posted or the edit loses the focus.

#include "platform/db/DataSource.h"
#include "platform/gui/StdCtrls.h"

#include <functional>
#include <string>

class TField;

// The link of a control that shows one field.
class TFieldDataLink : public TDataLink {
public:
    const char* ClassName() const noexcept override { return "TFieldDataLink"; }
    const std::string& FieldName() const noexcept { return fieldName_; }
    void SetFieldName(const std::string& name);
    // The field of that name in the active dataset; null when none.
    TField* Field() const;
    // The field exists, the link is not read-only and the field and dataset can be modified.
    bool CanModify() const;
    bool Modified() const noexcept { return modified_; }
    // The control's text differs from the field: written on UpdateRecord.
    void SetModified() noexcept { modified_ = true; }
    // Drops the control's change and shows the field again.
    void Reset();

    std::function<void()> OnDataChange;
    std::function<void()> OnEditingChange;
    std::function<void()> OnUpdateData;
    std::function<void()> OnActiveChange;

protected:
    void ActiveChanged() override;
    void LayoutChanged() override;
    void RecordChanged(TField* field) override;
    void EditingChanged() override;
    void UpdateData() override;

private:
    void DataChange();
    std::string fieldName_;
    bool modified_ = false;
};

// A label showing a field's display text.
class TDBText : public TLabel {
public:
    explicit TDBText(TComponent* owner);
    ~TDBText() override;
    const char* ClassName() const noexcept override { return "TDBText"; }
    TDataSource* DataSource() const { return dataLink_.DataSource(); }
    void SetDataSource(TDataSource* source);
    const std::string& DataField() const noexcept { return dataLink_.FieldName(); }
    void SetDataField(const std::string& name) { dataLink_.SetFieldName(name); }
    TField* Field() const { return dataLink_.Field(); }

private:
    void DataChange();
    TFieldDataLink dataLink_;
};

// A one-line edit of a field's text.
class TDBEdit : public TEdit {
public:
    explicit TDBEdit(TComponent* owner);
    ~TDBEdit() override;
    const char* ClassName() const noexcept override { return "TDBEdit"; }
    TDataSource* DataSource() const { return dataLink_.DataSource(); }
    void SetDataSource(TDataSource* source);
    const std::string& DataField() const noexcept { return dataLink_.FieldName(); }
    void SetDataField(const std::string& name) { dataLink_.SetFieldName(name); }
    TField* Field() const { return dataLink_.Field(); }
    bool ReadOnly() const noexcept { return dataLink_.ReadOnly(); }
    void SetReadOnly(bool value);

protected:
    bool WidgetEvent(QEvent* event) override;

private:
    void DataChange();
    void UserChanged();
    void UpdateData();
    TFieldDataLink dataLink_;
    int settingText_ = 0;
    int enteringEdit_ = 0;
};

// A multi-line edit of a field's text (a memo field).
class TDBMemo : public TMemo {
public:
    explicit TDBMemo(TComponent* owner);
    ~TDBMemo() override;
    const char* ClassName() const noexcept override { return "TDBMemo"; }
    TDataSource* DataSource() const { return dataLink_.DataSource(); }
    void SetDataSource(TDataSource* source);
    const std::string& DataField() const noexcept { return dataLink_.FieldName(); }
    void SetDataField(const std::string& name) { dataLink_.SetFieldName(name); }
    TField* Field() const { return dataLink_.Field(); }
    bool ReadOnly() const noexcept { return dataLink_.ReadOnly(); }
    void SetReadOnly(bool value);

protected:
    bool WidgetEvent(QEvent* event) override;

private:
    void DataChange();
    void UserChanged();
    void UpdateData();
    TFieldDataLink dataLink_;
    int settingText_ = 0;
    int enteringEdit_ = 0;
};
