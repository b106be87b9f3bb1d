#pragma once
// Persistent objects and components: ownership, names, notification when a component is freed,
// and the loading state of a component that is being read from a form description.

#include "platform/rtl/Classes.h"

#include <concepts>
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

// Horizontal alignment of a text: of a control's caption, a grid column or a field's values.
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

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
    // Raises EComponentError when the name is not an identifier or a sibling of the same owner
    // already has it (letter case ignored). An empty name is allowed.
    virtual void SetName(const std::string& name);
    int Tag() const noexcept { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

    int ComponentCount() const noexcept { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const;
    // Position among the owner's components, -1 without owner.
    int ComponentIndex() const noexcept;
    // Owned component of that name, letter case ignored; nullptr when there is none.
    TComponent* FindComponent(const std::string& name) const;

    // Ask to be told (Notification with opRemove) when `component` is freed.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

    bool HasState(TComponentStateFlag flag) const noexcept { return (state_ & static_cast<unsigned>(flag)) != 0; }
    bool IsLoading() const noexcept { return HasState(TComponentStateFlag::csLoading); }
    bool IsDestroying() const noexcept { return HasState(TComponentStateFlag::csDestroying); }
    bool IsDesigning() const noexcept { return HasState(TComponentStateFlag::csDesigning); }
    // Loading state: set while a form description is being read; EndLoading clears it and runs Loaded().
    void BeginLoading();
    void EndLoading();
    // Clears the loading state without Loaded(), after a load that failed.
    void CancelLoading();

    // Hands an owned component to another owner (or to none: the caller then owns it).
    void RemoveComponent(TComponent* component);
    // Raises EComponentError when this owner already has a component of the same name.
    void InsertComponent(TComponent* component);

    // Hooks of the visual layer. The form reader calls SetParentComponent with the component whose
    // block encloses this one in a form description; controls take it as their parent control.
    virtual void SetParentComponent(TComponent* parent);
    virtual TComponent* GetParentComponent() const { return nullptr; }
    // A direct child control of that name (letter case ignored); plain components have none.
    virtual TComponent* FindChildControl(const std::string& name) const;

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

// True for a name made of letters, digits and underscores that does not begin with a digit.
bool IsValidIdent(const std::string& name);

// Frees a component (and with it everything it owns) and clears the pointer; null is allowed.
template <class T>
    requires std::derived_from<T, TComponent>
void FreeAndNil(T*& component)
{
    T* doomed = component;
    component = nullptr;
    delete doomed;
}
