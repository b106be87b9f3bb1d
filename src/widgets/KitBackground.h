#pragma once
// Background providers and the theme switch of kit controls.
//
// A transparent kit control paints its parent's background under itself. The background
// comes from a provider: on a form, the first non-control component the form owns that
// implements IKitBackground (the form fill); inside another control, that control itself.
// These routines find the provider and ask it.
//
// The interfaces carry no lifetime: the components that implement them are owned by the
// component tree as usual, and the routines only borrow them.

#include "platform/gui/Canvas.h"
#include "platform/gui/Palette.h"

#include <QPoint>

#include <cstdint>
#include <vector>

class TComponent;
class TControl;
class TCustomForm;

class IKitBackground {
public:
    virtual ~IKitBackground() = default;
    // The background picture, or null.
    virtual const QImage* BackBitmap() const = 0;
    virtual bool HasBackBitmap() const = 0;
    // Copies the background under `dest` (in the provider's coordinates after BackOffset) onto
    // the canvas; answers whether it could.
    virtual bool CopyBackground(TCanvas& canvas, const TRect& dest) = 0;
    virtual bool IsTransparent() const = 0;
    // Maps a point of a child into the provider's background coordinates.
    virtual QPoint BackOffset(QPoint point) const = 0;
    // The palette of the background picture, or null.
    virtual const TPalette* BackPalette() const = 0;
    // Tells the provider that its background changed.
    virtual void BackgroundUpdate() = 0;
    // The components that take their background from this provider.
    virtual int BackChildCount() const = 0;
    virtual TComponent* BackChild(int index) const = 0;
};

// The theme switch of a control that can be drawn in the platform's themed look.
class IKitXPControl {
public:
    virtual ~IKitXPControl() = default;
    virtual bool CtlXP() const = 0;
    virtual void SetCtlXP(bool value) = 0;
    virtual bool SupportsXP() const = 0;
};

// The interface `I` of an object, or null (also for a null object).
template <class I>
I* KitSupports(TObject* object)
{
    return dynamic_cast<I*>(object);
}

// The first component the form owns that is not a control and provides a background.
IKitBackground* FindFormBackProvider(const TCustomForm& form);
// The provider a control's background comes from: the form's provider when the parent is a
// form, the parent itself when it provides one; null otherwise.
IKitBackground* ParentBackProvider(const TControl& control);
// The provider's background picture, or null.
const QImage* GetParentBackBitmap(const TControl& control);
// True when the control is itself a provider and its parent's background can be used: the
// provider has a background picture and, inside another control, that control is transparent.
bool ParentBackValid(const TControl& control);
// A point of the control in the coordinates of the parent's background picture.
QPoint MapToParentBack(const TControl& control, QPoint point);
// The palette of the parent's background when it is valid, else null.
const TPalette* ParentBackPalette(const TControl& control);
// Tells every component that takes its background from the provider of `component` (else of
// `fill`) to update, except `fill` itself.
void NotifyBackSiblings(TComponent* fill, TComponent* component);
