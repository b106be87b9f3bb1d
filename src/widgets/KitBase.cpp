#include "widgets/KitBase.h"

#include <algorithm>

// ---- TKitObject ----

void TKitObject::NotifyChange()
{
    if (updating_ != 1 && OnChange) {
        OnChange(this);
    }
}

void TKitObject::SubObjectChanged(TObject*)
{
    NotifyChange();
}

std::string TKitObject::SummaryText() const
{
    return {};
}

void TKitObject::EndUpdate(bool notify)
{
    updating_ = 0;
    if (notify) {
        NotifyChange();
    }
}

// ---- TKitChangeLink ----

TKitChangeLink::~TKitChangeLink()
{
    if (sender_ != nullptr) {
        sender_->UnRegisterChanges(this);
    }
}

void TKitChangeLink::Change()
{
    if (OnChange) {
        OnChange(sender_);
    }
}

// ---- TKitCustomComponent ----

void TKitCustomComponent::Change(int)
{
    if (!notifySuspended_ && OnChange) {
        OnChange(this);
    }
}

void TKitCustomComponent::ResumeNotify(bool notify)
{
    notifySuspended_ = false;
    if (notify) {
        Change(0);
    }
}

// ---- TKitBaseController ----

TKitBaseController::~TKitBaseController()
{
    while (!links_.empty()) {
        UnRegisterChanges(links_.back());
    }
}

void TKitBaseController::RegisterChanges(TKitChangeLink* link)
{
    if (link == nullptr) {
        return;
    }
    if (link->sender_ != nullptr && link->sender_ != this) {
        link->sender_->UnRegisterChanges(link);
    }
    link->sender_ = this;
    if (std::find(links_.begin(), links_.end(), link) == links_.end()) {
        links_.push_back(link);
    }
}

void TKitBaseController::UnRegisterChanges(TKitChangeLink* link)
{
    auto found = std::find(links_.begin(), links_.end(), link);
    if (found == links_.end()) {
        return;
    }
    link->sender_ = nullptr;
    links_.erase(found);
}

void TKitBaseController::NotifyChanges(int index)
{
    if (NotifySuspended() || IsLoading()) {
        return;
    }
    TKitCustomComponent::Change(index);
    // A handler may free or unregister links (its own or others): each link is called only
    // while it is still registered.
    const std::vector<TKitChangeLink*> snapshot = links_;
    for (TKitChangeLink* link : snapshot) {
        if (std::find(links_.begin(), links_.end(), link) != links_.end()) {
            link->Change();
        }
    }
}
