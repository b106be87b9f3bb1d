#include "widgets/KitBackground.h"

#include "platform/gui/Forms.h"

IKitBackground* FindFormBackProvider(const TCustomForm& form)
{
    for (int i = 0; i < form.ComponentCount(); ++i) {
        TComponent* component = form.Components(i);
        if (dynamic_cast<TControl*>(component) != nullptr) {
            continue;
        }
        if (auto* provider = KitSupports<IKitBackground>(component)) {
            return provider;
        }
    }
    return nullptr;
}

IKitBackground* ParentBackProvider(const TControl& control)
{
    TWinControl* parent = control.Parent();
    if (parent == nullptr) {
        return nullptr;
    }
    if (auto* form = dynamic_cast<TCustomForm*>(parent)) {
        return FindFormBackProvider(*form);
    }
    return KitSupports<IKitBackground>(parent);
}

const QImage* GetParentBackBitmap(const TControl& control)
{
    IKitBackground* provider = ParentBackProvider(control);
    return provider != nullptr ? provider->BackBitmap() : nullptr;
}

bool ParentBackValid(const TControl& control)
{
    if (KitSupports<IKitBackground>(const_cast<TControl*>(&control)) == nullptr) {
        return false;
    }
    IKitBackground* provider = ParentBackProvider(control);
    if (provider == nullptr || !provider->HasBackBitmap()) {
        return false;
    }
    if (dynamic_cast<TCustomForm*>(control.Parent()) == nullptr) {
        return provider->IsTransparent();
    }
    return true;
}

QPoint MapToParentBack(const TControl& control, QPoint point)
{
    TWinControl* parent = control.Parent();
    if (parent == nullptr) {
        return point;
    }
    const QPoint origin(control.Left(), control.Top());
    if (dynamic_cast<TCustomForm*>(parent) != nullptr) {
        return point + origin;
    }
    if (auto* provider = KitSupports<IKitBackground>(parent)) {
        return point + provider->BackOffset(origin);
    }
    return point;
}

const TPalette* ParentBackPalette(const TControl& control)
{
    if (!ParentBackValid(control)) {
        return nullptr;
    }
    return ParentBackProvider(control)->BackPalette();
}

void NotifyBackSiblings(TComponent* fill, TComponent* component)
{
    IKitBackground* provider = KitSupports<IKitBackground>(component);
    if (provider == nullptr) {
        provider = KitSupports<IKitBackground>(fill);
    }
    if (provider == nullptr) {
        return;
    }
    for (int i = 0; i < provider->BackChildCount(); ++i) {
        TComponent* child = provider->BackChild(i);
        if (child == nullptr || child == fill) {
            continue;
        }
        if (auto* listener = KitSupports<IKitBackground>(child)) {
            listener->BackgroundUpdate();
        }
    }
}
