#pragma once
// Field definitions: what a dataset's records hold (name, type, size, precision, required),
// from which the default fields are created when the dataset opens. A definition of a nested
// dataset (ftDataSet) holds the definitions of its fields as ChildDefs.

#include "platform/classes/Components.h"
#include "platform/db/DBTypes.h"

#include <memory>
#include <string>
#include <vector>

enum class TFieldType;
class TFieldDefs;

class TFieldDef : public TPersistent {
public:
    TFieldDef(TFieldDefs* collection, const std::string& name, TFieldType dataType, int size, bool required,
              int fieldNo);
    ~TFieldDef() override;
    const char* ClassName() const noexcept override { return "TFieldDef"; }

    const std::string& Name() const noexcept { return name_; }
    void SetName(const std::string& name) { name_ = name; }
    TFieldType DataType() const noexcept { return dataType_; }
    void SetDataType(TFieldType type) { dataType_ = type; }
    int Size() const noexcept { return size_; }
    void SetSize(int size) { size_ = size; }
    int Precision() const noexcept { return precision_; }
    void SetPrecision(int precision) { precision_ = precision; }
    bool Required() const noexcept { return required_; }
    void SetRequired(bool value) { required_ = value; }
    int FieldNo() const noexcept { return fieldNo_; }
    void SetFieldNo(int value) { fieldNo_ = value; }
    // Position in its collection.
    int Index() const;
    TFieldDefs* Collection() const noexcept { return collection_; }
    // The definition this one is a child of, or null.
    TFieldDef* ParentDef() const noexcept;

    bool HasChildDefs() const noexcept;
    TFieldDefs& ChildDefs();

    // Creates the field of this definition for `dataSet`, owned by `owner`.
    class TField* CreateField(TComponent* owner, TDataSet* dataSet);

    void Assign(const TPersistent& source) override;

private:
    TFieldDefs* collection_;
    std::string name_;
    TFieldType dataType_;
    int size_ = 0;
    int precision_ = 0;
    bool required_ = false;
    int fieldNo_ = 0;
    std::unique_ptr<TFieldDefs> childDefs_;
};

class TFieldDefs : public TPersistent {
public:
    explicit TFieldDefs(TDataSet* dataSet, TFieldDef* parentDef = nullptr);
    ~TFieldDefs() override;
    const char* ClassName() const noexcept override { return "TFieldDefs"; }

    int Count() const noexcept { return static_cast<int>(items_.size()); }
    TFieldDef& Items(int index) const;
    TFieldDef& operator[](int index) const { return Items(index); }
    // Adds a definition numbered after the last one.
    TFieldDef& Add(const std::string& name, TFieldType dataType, int size = 0, bool required = false);
    void Clear();
    void Delete(int index);
    // Position of the definition named `name` (letter case ignored), or -1.
    int IndexOf(const std::string& name) const;
    TFieldDef* FindDef(const std::string& name) const;
    // The definition named `name`; raises "Field '%s' not found".
    TFieldDef& Find(const std::string& name) const;
    // Refreshes the definitions from the dataset when they are not up to date.
    void Update();
    bool Updated() const noexcept { return updated_; }
    void SetUpdated(bool value) { updated_ = value; }
    TDataSet* DataSet() const noexcept { return dataSet_; }
    TFieldDef* ParentDef() const noexcept { return parentDef_; }

    void Assign(const TPersistent& source) override;

private:
    TDataSet* dataSet_;
    TFieldDef* parentDef_;
    std::vector<std::unique_ptr<TFieldDef>> items_;
    bool updated_ = false;
};

inline TFieldDef* TFieldDef::ParentDef() const noexcept { return collection_ ? collection_->ParentDef() : nullptr; }
inline bool TFieldDef::HasChildDefs() const noexcept { return childDefs_ && childDefs_->Count() > 0; }
