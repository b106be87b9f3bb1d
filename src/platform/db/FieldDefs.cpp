#include "platform/db/FieldDefs.h"

#include "platform/db/DBConsts.h"
#include "platform/db/DataSet.h"
#include "platform/db/Fields.h"
#include "platform/rtl/CodePages.h"

#include <algorithm>

using namespace DBConsts;

// ---------------------------------------------------------------------------------------------
// TFieldDef

TFieldDef::TFieldDef(TFieldDefs* collection, const std::string& name, TFieldType dataType, int size,
                     bool required, int fieldNo)
    : collection_(collection), name_(name), dataType_(dataType), size_(size), required_(required), fieldNo_(fieldNo)
{
}

TFieldDef::~TFieldDef() = default;

int TFieldDef::Index() const
{
    if (collection_ == nullptr) return -1;
    for (int i = 0; i < collection_->Count(); ++i)
        if (&collection_->Items(i) == this) return i;
    return -1;
}

TFieldDefs& TFieldDef::ChildDefs()
{
    if (!childDefs_) childDefs_ = std::make_unique<TFieldDefs>(collection_ ? collection_->DataSet() : nullptr, this);
    return *childDefs_;
}

TField* TFieldDef::CreateField(TComponent* owner, TDataSet* dataSet)
{
    TField* field = CreateFieldOfType(dataType_, owner, name_);
    try {
        switch (dataType_) {
        case TFieldType::ftString:
        case TFieldType::ftFixedChar:
        case TFieldType::ftBytes:
        case TFieldType::ftVarBytes:
        case TFieldType::ftBCD:
        case TFieldType::ftMemo:
        case TFieldType::ftFmtMemo:
        case TFieldType::ftBlob:
        case TFieldType::ftGraphic:
            field->SetSize(size_);
            break;
        default:
            break;
        }
        if (dataType_ == TFieldType::ftFloat && precision_ > 0) static_cast<TFloatField*>(field)->SetPrecision(precision_);
        if (dataType_ == TFieldType::ftBCD) static_cast<TBCDField*>(field)->SetPrecision(precision_);
        field->SetRequired(required_);
        field->SetDataSet(dataSet);
    } catch (...) {
        delete field;
        throw;
    }
    return field;
}

void TFieldDef::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TFieldDef*>(&source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    name_ = other->name_;
    dataType_ = other->dataType_;
    size_ = other->size_;
    precision_ = other->precision_;
    required_ = other->required_;
    if (other->HasChildDefs()) ChildDefs().Assign(*other->childDefs_);
    else if (childDefs_) childDefs_->Clear();
}

// ---------------------------------------------------------------------------------------------
// TFieldDefs

TFieldDefs::TFieldDefs(TDataSet* dataSet, TFieldDef* parentDef) : dataSet_(dataSet), parentDef_(parentDef) {}

TFieldDefs::~TFieldDefs() = default;

TFieldDef& TFieldDefs::Items(int index) const
{
    if (index < 0 || index >= Count()) throw EListError(FormatDBMessage(SListIndexError, {std::to_string(index)}));
    return *items_[static_cast<size_t>(index)];
}

TFieldDef& TFieldDefs::Add(const std::string& name, TFieldType dataType, int size, bool required)
{
    if (IndexOf(name) >= 0) DatabaseErrorFmt(SDuplicateFieldName, {name});
    items_.push_back(std::make_unique<TFieldDef>(this, name, dataType, size, required, Count() + 1));
    return *items_.back();
}

void TFieldDefs::Clear()
{
    items_.clear();
    updated_ = false;
}

void TFieldDefs::Delete(int index)
{
    Items(index);
    items_.erase(items_.begin() + index);
}

int TFieldDefs::IndexOf(const std::string& name) const
{
    for (int i = 0; i < Count(); ++i)
        if (AnsiSameText(items_[static_cast<size_t>(i)]->Name(), name)) return i;
    return -1;
}

TFieldDef* TFieldDefs::FindDef(const std::string& name) const
{
    const int index = IndexOf(name);
    return index < 0 ? nullptr : items_[static_cast<size_t>(index)].get();
}

TFieldDef& TFieldDefs::Find(const std::string& name) const
{
    TFieldDef* def = FindDef(name);
    if (def == nullptr) DatabaseErrorFmt(SFieldNotFound, {name});
    return *def;
}

void TFieldDefs::Update()
{
    if (updated_ || dataSet_ == nullptr || parentDef_ != nullptr) return;
    dataSet_->InternalInitFieldDefs();
    updated_ = true;
}

void TFieldDefs::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TFieldDefs*>(&source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    items_.clear();
    for (const auto& item : other->items_) {
        auto copy = std::make_unique<TFieldDef>(this, item->Name(), item->DataType(), item->Size(), item->Required(),
                                                item->FieldNo());
        copy->Assign(*item);
        copy->SetFieldNo(item->FieldNo());
        items_.push_back(std::move(copy));
    }
    updated_ = other->updated_;
}
