#pragma once
// The ground of the visual kit: drawing-settings objects that tell their owner when a value
// changes, change links through which shared lists tell the controls that use them, and the
// kit's component base.
//
// TKitObject: every setter of a settings class stores a changed value and calls NotifyChange;
// an unchanged value does nothing. BeginUpdate/EndUpdate(notify) wrap bulk assignments so the
// owner hears once. The update state is a flag, not a counter: the first EndUpdate ends it.
//
// TKitBaseController keeps its TKitChangeLinks in registration order; NotifyChanges runs the
// component's own OnChange and then every link's OnChange with the controller as sender.
// Links and controllers detach from each other whichever of them is freed first.

#include "platform/classes/Components.h"

#include <cstdint>
#include <string>
#include <vector>

class TKitObject : public TPersistent {
public:
    TKitObject() = default;
    TKitObject(const TKitObject&) = delete;
    TKitObject& operator=(const TKitObject&) = delete;
    const char* ClassName() const noexcept override { return "TKitObject"; }

    // Runs OnChange(this) unless an update is in force. Classes that keep derived data
    // recompute it first and then call the inherited operation.
    virtual void NotifyChange();
    // Handler for owned sub-objects (a picture's, brush's or nested settings object's change).
    void SubObjectChanged(TObject* sender);
    // The short description a property editor shows; empty at this level.
    virtual std::string SummaryText() const;

    void BeginUpdate() noexcept { updating_ = 1; }
    void EndUpdate(bool notify);
    bool Updating() const noexcept { return updating_ == 1; }

    TNotifyEvent OnChange;

private:
    uint8_t updating_ = 0;
};

class TKitBaseController;

// The link a control keeps with a shared list; OnChange receives the list (the controller).
class TKitChangeLink : public TObject {
public:
    TKitChangeLink() = default;
    ~TKitChangeLink() override;
    TKitChangeLink(const TKitChangeLink&) = delete;
    TKitChangeLink& operator=(const TKitChangeLink&) = delete;
    const char* ClassName() const noexcept override { return "TKitChangeLink"; }

    // The controller the link is registered with, or null.
    TKitBaseController* Sender() const noexcept { return sender_; }
    // Runs OnChange(Sender) when assigned.
    void Change();

    TNotifyEvent OnChange;

private:
    friend class TKitBaseController;
    TKitBaseController* sender_ = nullptr;
};

class TKitCustomComponent : public TComponent {
public:
    explicit TKitCustomComponent(TComponent* owner) : TComponent(owner) {}
    const char* ClassName() const noexcept override { return "TKitCustomComponent"; }

    // Published by descendants; carries no behaviour.
    const std::string& About() const noexcept { return about_; }
    void SetAbout(const std::string& value) { about_ = value; }

    // The change operation: fires OnChange(this) unless notification is suspended.
    virtual void Change(int index);
    void Change() { Change(0); }

    void SuspendNotify() noexcept { notifySuspended_ = true; }
    void ResumeNotify(bool notify);
    bool NotifySuspended() const noexcept { return notifySuspended_; }
    bool NotifyEnabled() const noexcept { return notifyEnabled_; }

    TNotifyEvent OnChange;

private:
    std::string about_;
    bool notifyEnabled_ = true;
    bool notifySuspended_ = false;
};

class TKitBaseController : public TKitCustomComponent {
public:
    explicit TKitBaseController(TComponent* owner) : TKitCustomComponent(owner) {}
    ~TKitBaseController() override;
    const char* ClassName() const noexcept override { return "TKitBaseController"; }

    // Appends the link (a link held by another controller leaves that one first; a link
    // already registered here stays where it is). A null link is ignored.
    void RegisterChanges(TKitChangeLink* link);
    // Removes the link and clears its Sender; an unknown link is ignored.
    void UnRegisterChanges(TKitChangeLink* link);
    // Nothing while suspended or loading; else the component's change, then every link in
    // registration order.
    void NotifyChanges(int index);
    void Change(int index) override { NotifyChanges(index); }
    using TKitCustomComponent::Change;

    int LinkCount() const noexcept { return static_cast<int>(links_.size()); }
    TKitChangeLink* Links(int index) const { return links_.at(static_cast<size_t>(index)); }

private:
    std::vector<TKitChangeLink*> links_;
};

// Lets go of the controller `held` points at: it loses the change link and the owner's free
// notification, and `held` becomes null.
template <class TController>
void KitUnlinkController(TController*& held, TKitChangeLink& link, TComponent* owner)
{
    if (held != nullptr) {
        held->UnRegisterChanges(&link);
        held->RemoveFreeNotification(owner);
        held = nullptr;
    }
}

// Points `held` at `controller` (null lets go): the old controller loses the change link and the
// owner's free notification, the new one gets both. False when `controller` is held already.
template <class TController>
bool KitRelinkController(TController*& held, TController* controller, TKitChangeLink& link, TComponent* owner)
{
    if (controller == held) {
        return false;
    }
    KitUnlinkController(held, link, owner);
    held = controller;
    if (held != nullptr) {
        held->RegisterChanges(&link);
        held->FreeNotification(owner);
    }
    return true;
}

// Runs `action` with the component's notification suspended, then resumes it: with the
// change when the action succeeded, without when it raised. Notification that was suspended
// before stays suspended.
template <class F>
void KitWithNotifySuspended(TKitCustomComponent& component, F&& action)
{
    const bool wasSuspended = component.NotifySuspended();
    component.SuspendNotify();
    try {
        action();
    } catch (...) {
        if (!wasSuspended) {
            component.ResumeNotify(false);
        }
        throw;
    }
    if (!wasSuspended) {
        component.ResumeNotify(true);
    }
}

// Stores `value` into `field` and runs the object's NotifyChange when it differs.
template <class T, class V>
void KitSetField(TKitObject& object, T& field, const V& value)
{
    if (field == value) {
        return;
    }
    field = value;
    object.NotifyChange();
}
