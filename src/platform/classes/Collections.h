#pragma once
// Collections: an ordered list of items of one item class, owned by the collection, which is
// itself usually owned by a component (a grid's columns, a table's index definitions).

#include "platform/classes/Components.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TCollection;

class TCollectionItem : public TPersistent {
public:
    // Items are made by their collection (Add, Insert); the constructor only records it.
    explicit TCollectionItem(TCollection& collection);
    ~TCollectionItem() override = default;
    TCollectionItem(const TCollectionItem&) = delete;
    TCollectionItem& operator=(const TCollectionItem&) = delete;

    const char* ClassName() const noexcept override { return "TCollectionItem"; }

    TCollection* Collection() const noexcept { return collection_; }
    // Position in the collection, counted from 0; -1 while the item is not in it.
    int Index() const noexcept;
    // Moves the item to another position.
    virtual void SetIndex(int index);
    // Number given when the item was made, unique within its collection.
    int ID() const noexcept { return id_; }
    virtual std::string DisplayName() const { return ClassName(); }

    // Asked by the collection reader after the item's stored properties were read: an item whose
    // data no longer fits (a column of a field that is gone) answers false and is left out.
    virtual bool AcceptLoaded() { return true; }

protected:
    // Reports a change of this item (or, with allItems, of the whole collection) to the collection.
    void Changed(bool allItems);

private:
    friend class TCollection;
    TCollection* collection_;
    int id_ = 0;
};

// The class of a collection's items: its name and how to make one.
struct TCollectionItemClass {
    std::string name;
    std::function<std::unique_ptr<TCollectionItem>(TCollection&)> create;
};

template <class T>
TCollectionItemClass CollectionItemClassOf(std::string name)
{
    return {std::move(name), [](TCollection& collection) { return std::make_unique<T>(collection); }};
}

enum class TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

class TCollection : public TPersistent {
public:
    TCollection(TPersistent* owner, TCollectionItemClass itemClass);
    ~TCollection() override;
    TCollection(const TCollection&) = delete;
    TCollection& operator=(const TCollection&) = delete;

    const char* ClassName() const noexcept override { return "TCollection"; }

    // The object that owns the collection (a grid for its columns); may be null.
    TPersistent* Owner() const noexcept { return owner_; }
    const TCollectionItemClass& ItemClass() const noexcept { return itemClass_; }

    int Count() const noexcept { return static_cast<int>(items_.size()); }
    // Raises EListError for an index outside 0 .. Count - 1.
    TCollectionItem* Items(int index) const;
    template <class T>
    T* ItemsAs(int index) const
    {
        return static_cast<T*>(Items(index));
    }
    int IndexOf(const TCollectionItem* item) const noexcept;
    TCollectionItem* FindItemID(int id) const noexcept;

    TCollectionItem* Add();
    TCollectionItem* Insert(int index);
    void Delete(int index);
    void Clear();
    // Moves an item from one position to another.
    void Move(int from, int to);

    // Copies the items of another collection (each new item assigned from its source item).
    void Assign(const TPersistent& source) override;

    // Changes between BeginUpdate and the last EndUpdate cause one Update(nullptr) at the end.
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    int UpdateCount() const noexcept { return updateCount_; }

protected:
    // A change of one item (item set) or of the whole collection (nullptr).
    virtual void Update(TCollectionItem* item) {}
    virtual void Notify(TCollectionItem* item, TCollectionNotification action) {}
    void Changed();

private:
    friend class TCollectionItem;
    void ItemChanged(TCollectionItem* item);
    void CheckIndex(int index, bool allowEnd) const;

    TPersistent* owner_;
    TCollectionItemClass itemClass_;
    std::vector<std::unique_ptr<TCollectionItem>> items_;
    int nextId_ = 0;
    int updateCount_ = 0;
};

// Keeps a collection in its update state for a scope.
class TCollectionUpdate {
public:
    explicit TCollectionUpdate(TCollection& collection) : collection_(collection) { collection_.BeginUpdate(); }
    ~TCollectionUpdate()
    {
        try {
            collection_.EndUpdate();
        } catch (...) {
            // A failing Update handler must not escape a destructor.
        }
    }
    TCollectionUpdate(const TCollectionUpdate&) = delete;
    TCollectionUpdate& operator=(const TCollectionUpdate&) = delete;

private:
    TCollection& collection_;
};
