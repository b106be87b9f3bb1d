#pragma once
// Persistent objects and components: ownership, names, notification when a component is freed,
// and the loading state of a component that is being read from a form description.

#include "platform/rtl/Classes.h"

#include <string>
#include <vector>

class TPersistent : public TObject {
public:
    const char* ClassName() const noexcept override { return "TPersistent"; }
    // Copies the state of `source`; raises EConvertError when the classes do not fit.
    virtual void Assign(const TPersistent& source);

protected:
    // Called by Assign of `dest` when dest does not know this class; default raises.
    virtual void AssignTo(TPersistent& dest) const;
};

enum class TOperation { opInsert, opRemove };

enum class TComponentStateFlag : unsigned { csLoading = 1, csReading = 2, csDestroying = 4, csDesigning = 8 };

class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* owner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    const char* ClassName() const noexcept override { return "TComponent"; }

    TComponent* Owner() const noexcept { return owner_; }
    const std::string& Name() const noexcept { return name_; }
    // Raises EComponentError when a sibling of the same owner already has the name (letter case ignored).
    virtual void SetName(const std::string& name);
    int Tag() const noexcept { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

    int ComponentCount() const noexcept { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const { return components_.at(static_cast<size_t>(index)); }
    // Owned component of that name, letter case ignored; nullptr when there is none.
    TComponent* FindComponent(const std::string& name) const;

    // Ask to be told (Notification with opRemove) when `component` is freed.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

    bool IsLoading() const noexcept { return (state_ & static_cast<unsigned>(TComponentStateFlag::csLoading)) != 0; }
    bool IsDestroying() const noexcept { return (state_ & static_cast<unsigned>(TComponentStateFlag::csDestroying)) != 0; }
    // Loading state: set while a form description is being read; Loaded() runs when it ends.
    void BeginLoading();
    void EndLoading();

    // Hands an owned component to another owner (or to none: the caller then owns it).
    void RemoveComponent(TComponent* component);
    void InsertComponent(TComponent* component);

protected:
    virtual void Notification(TComponent* component, TOperation operation);
    virtual void Loaded() {}
    // Called first in the destructor of a derived class that must see itself whole while its
    // owned components are freed; safe to call more than once.
    void DestroyComponents();

private:
    TComponent* owner_ = nullptr;
    std::string name_;
    int tag_ = 0;
    unsigned state_ = 0;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
};

// Frees a component (and with it everything it owns); null is allowed.
void FreeAndNil(TComponent*& component);
