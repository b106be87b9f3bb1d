#include "dbf/XbDBFIndexes.h"

#include "platform/rtl/SysUtils.h"

#include <filesystem>

std::vector<std::string> SplitFieldNames(const std::string& keyFields)
{
    std::vector<std::string> names;
    size_t start = 0;
    while (start <= keyFields.size()) {
        size_t end = keyFields.find(';', start);
        if (end == std::string::npos)
            end = keyFields.size();
        std::string name = Trim(keyFields.substr(start, end - start));
        if (!name.empty())
            names.push_back(std::move(name));
        start = end + 1;
    }
    return names;
}

// ---- TIndex

void TIndex::Assign(const TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TIndex*>(&source)) {
        name_ = other->name_;
        return;
    }
    TCollectionItem::Assign(source);
}

TIndexes* TIndex::Indexes() const noexcept { return static_cast<TIndexes*>(Collection()); }

bool TIndex::Active() const noexcept
{
    const TIndexes* indexes = Indexes();
    return indexes != nullptr && indexes->activeIndex_ == this;
}

void TIndex::SetActive(bool value)
{
    TIndexes* indexes = Indexes();
    if (indexes == nullptr || value == Active())
        return;
    indexes->activeIndex_ = value ? this : nullptr;
}

// ---- TIndexes

TIndexes::TIndexes(TXbSmartDBF* table, TCollectionItemClass itemClass)
    : TCollection(nullptr, std::move(itemClass)), table_(table)
{
}

void TIndexes::CloseAll() noexcept
{
    for (int i = 0; i < Count(); ++i)
        if (IndexAt(i).IsOpen())
            IndexAt(i).CloseIndex();
}

bool TIndexes::SameAs(const TIndexes& other) const
{
    if (Count() != other.Count())
        return false;
    for (int i = 0; i < Count(); ++i)
        if (!IndexAt(i).IsSameIndex(other.IndexAt(i)))
            return false;
    return true;
}

TIndex* TIndexes::BestIndexFor(const std::string& keyFields, int& coveredFields, int& fieldCount)
{
    const std::vector<std::string> names = SplitFieldNames(keyFields);
    fieldCount = static_cast<int>(names.size());
    coveredFields = 0;
    TIndex* best = nullptr;
    for (int i = 0; i < Count(); ++i) {
        const int covered = IndexAt(i).CountKeyFields(names);
        if (covered > coveredFields) {
            coveredFields = covered;
            best = &IndexAt(i);
        }
    }
    return best;
}

void TIndexes::Notify(TCollectionItem* item, TCollectionNotification action)
{
    if (action != TCollectionNotification::cnAdded && item == activeIndex_)
        activeIndex_ = nullptr;
}

// ---- TXbDBFIndexBag

TXbDBFIndexBag::TXbDBFIndexBag(TCollection& collection) : TCollectionItem(collection)
{
    name_ = "TXbDBFIndexBag" + std::to_string(collection.Count());
}

void TXbDBFIndexBag::Assign(const TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TXbDBFIndexBag*>(&source)) {
        name_ = other->name_;
        indexFileName_ = other->indexFileName_;
        StorageType = other->StorageType;
        return;
    }
    TCollectionItem::Assign(source);
}

bool TXbDBFIndexBag::NameIsDefault() const
{
    static const std::string prefix = "TXbDBFIndexBag";
    if (name_.compare(0, prefix.size(), prefix) != 0 || name_.size() == prefix.size())
        return false;
    for (size_t i = prefix.size(); i < name_.size(); ++i)
        if (name_[i] < '0' || name_[i] > '9')
            return false;
    return true;
}

void TXbDBFIndexBag::SetIndexFileName(const std::string& value)
{
    if (NameIsDefault())
        name_ = std::filesystem::path(value).stem().string();
    indexFileName_ = value;
}

// ---- TXbDBFIndexDefs

TXbDBFIndexDefs::TXbDBFIndexDefs(TXbSmartDBF* table, TCollectionItemClass itemClass)
    : TCollection(nullptr, std::move(itemClass)), table_(table)
{
}
