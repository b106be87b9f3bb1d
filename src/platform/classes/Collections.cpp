#include "platform/classes/Collections.h"

#include "platform/rtl/Exceptions.h"

#include <algorithm>

TCollectionItem::TCollectionItem(TCollection& collection) : collection_(&collection) {}

int TCollectionItem::Index() const noexcept
{
    return collection_ == nullptr ? -1 : collection_->IndexOf(this);
}

void TCollectionItem::SetIndex(int index)
{
    int current = Index();
    if (current >= 0 && index != current) {
        collection_->Move(current, index);
    }
}

void TCollectionItem::Changed(bool allItems)
{
    if (collection_ != nullptr && Index() >= 0) {
        collection_->ItemChanged(allItems ? nullptr : this);
    }
}

TCollection::TCollection(TPersistent* owner, TCollectionItemClass itemClass)
    : owner_(owner), itemClass_(std::move(itemClass))
{
}

TCollection::~TCollection()
{
    // The items go without notifications: the owner is being torn down.
    items_.clear();
}

void TCollection::CheckIndex(int index, bool allowEnd) const
{
    if (index < 0 || index > Count() || (index == Count() && !allowEnd)) {
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    }
}

TCollectionItem* TCollection::Items(int index) const
{
    CheckIndex(index, false);
    return items_[static_cast<size_t>(index)].get();
}

int TCollection::IndexOf(const TCollectionItem* item) const noexcept
{
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].get() == item) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

TCollectionItem* TCollection::FindItemID(int id) const noexcept
{
    for (const auto& item : items_) {
        if (item->id_ == id) {
            return item.get();
        }
    }
    return nullptr;
}

TCollectionItem* TCollection::Add()
{
    return Insert(Count());
}

TCollectionItem* TCollection::Insert(int index)
{
    CheckIndex(index, true);
    if (!itemClass_.create) {
        throw EListError("Collection has no item class");
    }
    std::unique_ptr<TCollectionItem> item = itemClass_.create(*this);
    item->collection_ = this;
    item->id_ = nextId_++;
    TCollectionItem* raw = item.get();
    items_.insert(items_.begin() + index, std::move(item));
    Notify(raw, TCollectionNotification::cnAdded);
    Changed();
    return raw;
}

void TCollection::Delete(int index)
{
    CheckIndex(index, false);
    TCollectionItem* item = items_[static_cast<size_t>(index)].get();
    Notify(item, TCollectionNotification::cnDeleting);
    // Notify may have changed the list; find the item again.
    int position = IndexOf(item);
    if (position >= 0) {
        std::unique_ptr<TCollectionItem> doomed = std::move(items_[static_cast<size_t>(position)]);
        items_.erase(items_.begin() + position);
        doomed->collection_ = nullptr;
    }
    Changed();
}

void TCollection::Clear()
{
    if (items_.empty()) {
        return;
    }
    TCollectionUpdate update(*this);
    while (!items_.empty()) {
        Delete(Count() - 1);
    }
}

void TCollection::Move(int from, int to)
{
    CheckIndex(from, false);
    CheckIndex(to, false);
    if (from == to) {
        return;
    }
    std::unique_ptr<TCollectionItem> item = std::move(items_[static_cast<size_t>(from)]);
    items_.erase(items_.begin() + from);
    items_.insert(items_.begin() + to, std::move(item));
    Changed();
}

void TCollection::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TCollection*>(&source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    if (other == this) {
        return;
    }
    TCollectionUpdate update(*this);
    Clear();
    for (const auto& item : other->items_) {
        Add()->Assign(*item);
    }
}

void TCollection::EndUpdate()
{
    if (updateCount_ > 0 && --updateCount_ == 0) {
        Changed();
    }
}

void TCollection::Changed()
{
    if (updateCount_ == 0) {
        Update(nullptr);
    }
}

void TCollection::ItemChanged(TCollectionItem* item)
{
    if (updateCount_ == 0) {
        Update(item);
    }
}
