#include "platform/classes/Components.h"

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exceptions.h"

#include <algorithm>

void TPersistent::Assign(const TPersistent& source)
{
    source.AssignTo(*this);
}

void TPersistent::AssignTo(TPersistent& dest) const
{
    throw EConvertError(std::string("Cannot assign a ") + ClassName() + " to a " + dest.ClassName());
}

TComponent::TComponent(TComponent* owner)
{
    if (owner != nullptr) {
        owner->InsertComponent(this);
    }
}

TComponent::~TComponent()
{
    state_ |= static_cast<unsigned>(TComponentStateFlag::csDestroying);
    // Tell everyone who asked that this component goes away.
    std::vector<TComponent*> notifies;
    notifies.swap(freeNotifies_);
    for (TComponent* other : notifies) {
        auto& theirs = other->freeNotifies_;
        theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
        other->Notification(this, TOperation::opRemove);
    }
    DestroyComponents();
    if (owner_ != nullptr) {
        owner_->RemoveComponent(this);
    }
}

void TComponent::DestroyComponents()
{
    state_ |= static_cast<unsigned>(TComponentStateFlag::csDestroying);
    while (!components_.empty()) {
        TComponent* child = components_.back();
        components_.pop_back();
        child->owner_ = nullptr;
        Notification(child, TOperation::opRemove);
        delete child;
    }
}

bool IsValidIdent(const std::string& name)
{
    if (name.empty()) {
        return false;
    }
    auto isLetter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
    if (!isLetter(name[0])) {
        return false;
    }
    return std::all_of(name.begin(), name.end(), [&](char c) { return isLetter(c) || (c >= '0' && c <= '9'); });
}

void TComponent::SetName(const std::string& name)
{
    if (name == name_) {
        return;
    }
    if (!name.empty() && !IsValidIdent(name)) {
        throw EComponentError("Component name \"" + name + "\" is not a valid component name");
    }
    if (owner_ != nullptr && !name.empty()) {
        TComponent* existing = owner_->FindComponent(name);
        if (existing != nullptr && existing != this) {
            throw EComponentError("A component named " + name + " already exists");
        }
    }
    name_ = name;
}

TComponent* TComponent::Components(int index) const
{
    if (index < 0 || index >= ComponentCount()) {
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    }
    return components_[static_cast<size_t>(index)];
}

int TComponent::ComponentIndex() const noexcept
{
    if (owner_ == nullptr) {
        return -1;
    }
    const auto& siblings = owner_->components_;
    auto it = std::find(siblings.begin(), siblings.end(), this);
    return it == siblings.end() ? -1 : static_cast<int>(it - siblings.begin());
}

TComponent* TComponent::FindComponent(const std::string& name) const
{
    if (name.empty()) {
        return nullptr;
    }
    for (TComponent* child : components_) {
        if (AnsiSameText(child->name_, name)) {
            return child;
        }
    }
    return nullptr;
}

void TComponent::FreeNotification(TComponent* component)
{
    if (component == nullptr || component == this) {
        return;
    }
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end()) {
        freeNotifies_.push_back(component);
        component->freeNotifies_.push_back(this);
    }
}

void TComponent::RemoveFreeNotification(TComponent* component)
{
    if (component == nullptr) {
        return;
    }
    freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), component), freeNotifies_.end());
    auto& theirs = component->freeNotifies_;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
}

void TComponent::BeginLoading()
{
    state_ |= static_cast<unsigned>(TComponentStateFlag::csLoading);
}

void TComponent::EndLoading()
{
    state_ &= ~static_cast<unsigned>(TComponentStateFlag::csLoading);
    Loaded();
}

void TComponent::CancelLoading()
{
    state_ &= ~static_cast<unsigned>(TComponentStateFlag::csLoading);
}

void TComponent::SetParentComponent(TComponent* /*parent*/) {}

TComponent* TComponent::FindChildControl(const std::string& /*name*/) const
{
    return nullptr;
}

void TComponent::RemoveComponent(TComponent* component)
{
    auto it = std::find(components_.begin(), components_.end(), component);
    if (it != components_.end()) {
        components_.erase(it);
        component->owner_ = nullptr;
        Notification(component, TOperation::opRemove);
    }
}

void TComponent::InsertComponent(TComponent* component)
{
    if (component == nullptr || component->owner_ == this) {
        return;
    }
    if (!component->name_.empty() && FindComponent(component->name_) != nullptr) {
        throw EComponentError("A component named " + component->name_ + " already exists");
    }
    if (component->owner_ != nullptr) {
        component->owner_->RemoveComponent(component);
    }
    components_.push_back(component);
    component->owner_ = this;
    Notification(component, TOperation::opInsert);
}

void TComponent::Notification(TComponent* component, TOperation operation)
{
    if (operation == TOperation::opRemove) {
        // Owned components learn of a sibling's removal too, as references often run between them.
        for (TComponent* child : std::vector<TComponent*>(components_)) {
            if (child != component) {
                child->Notification(component, operation);
            }
        }
    }
}
