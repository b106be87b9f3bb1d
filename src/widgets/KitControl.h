#pragma once
// The base of the kit's window-less controls (labels and other painted controls).
//
// TKitControl tells when the pointer enters and leaves, counts updates, carries the themed
// switch and passes its parent's background on to controls inside it. TKitBaseControl adds an
// image list reference and a bitmap-effect object; TKitBaseGraphicControl adds transparency.
//
// A control here is a plain widget that paints itself through Paint(canvas). A transparent one
// leaves its background alone, so its parent shows through; an opaque one fills it first.

#include "platform/gui/Controls.h"
#include "widgets/KitBackground.h"
#include "widgets/KitBase.h"
#include "widgets/KitCustomImageList.h"
#include "widgets/KitEffects.h"

#include <functional>

// Flags of a bounds change.
inline constexpr int kitBoundsSized = 1;
inline constexpr int kitBoundsMoved = 2;

using TKitBoundsChangedEvent = std::function<void(TObject* sender, int flags)>;

class TKitControl : public TControl, public IKitBackground, public IKitXPControl {
public:
    explicit TKitControl(TComponent* owner);
    const char* ClassName() const noexcept override { return "TKitControl"; }

    // Changes made between BeginUpdate and the last EndUpdate do not repaint.
    void BeginUpdate() { ++updateCount_; }
    // Ends one update; the last one lets the control repaint.
    void EndUpdate();
    bool Updating() const noexcept { return updateCount_ > 0; }

    bool CtlXP() const override { return ctlXP_; }
    void SetCtlXP(bool value) override;
    bool SupportsXP() const override { return true; }

    void SetBounds(int left, int top, int width, int height) override;

    // Paints the control onto the canvas (its client area from (0, 0)).
    virtual void Paint(TCanvas& canvas) { (void)canvas; }

    // Background provider: everything comes from the parent's provider.
    const QImage* BackBitmap() const override;
    bool HasBackBitmap() const override;
    bool CopyBackground(TCanvas& canvas, const TRect& dest) override;
    bool IsTransparent() const override { return false; }
    QPoint BackOffset(QPoint point) const override;
    const TPalette* BackPalette() const override { return nullptr; }
    void BackgroundUpdate() override {}
    int BackChildCount() const override { return 0; }
    TComponent* BackChild(int) const override { return nullptr; }

    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseExit;
    TKitBoundsChangedEvent OnBoundsChanged;

protected:
    virtual void ThemeChanged();
    virtual bool UsesTheme() const { return false; }
    virtual void BoundsChanged(int flags);
    virtual void PointerEntered();
    virtual void PointerLeft();
    // A setting changed: repaints unless updating, loading or being destroyed.
    virtual void SettingsChanged();
    bool WidgetEvent(QEvent* event) override;

private:
    int updateCount_ = 0;
    bool ctlXP_ = false;
};

class TKitBaseControl : public TKitControl {
public:
    explicit TKitBaseControl(TComponent* owner);
    ~TKitBaseControl() override;
    const char* ClassName() const noexcept override { return "TKitBaseControl"; }

    TKitCustomImageList* ImageList() const noexcept { return imageList_; }
    void SetImageList(TKitCustomImageList* list);
    int ImageIndex() const noexcept { return imageIndex_; }
    void SetImageIndex(int value);
    int ListIndex() const noexcept { return listIndex_; }
    void SetListIndex(int value);
    TKitBitmapEffectObject& BitmapEffect() noexcept { return effect_; }

    // When visible: repaints a control that shows its parent's background, then lets the effect
    // object know.
    void BackgroundUpdate() override;

protected:
    virtual bool NeedsBackground() const { return false; }
    virtual void ImageListChanged() { SettingsChanged(); }
    void Notification(TComponent* component, TOperation operation) override;

private:
    TKitCustomImageList* imageList_ = nullptr;
    int imageIndex_ = 0;
    int listIndex_ = 0;
    TKitChangeLink changeLink_;
    TKitBitmapEffectObject effect_;
};

class TKitBaseGraphicControl : public TKitBaseControl {
public:
    explicit TKitBaseGraphicControl(TComponent* owner);
    const char* ClassName() const noexcept override { return "TKitBaseGraphicControl"; }

    // A transparent control lets its parent show where it paints nothing.
    bool Transparent() const noexcept { return transparent_; }
    void SetTransparent(bool value);
    bool IsTransparent() const override { return transparent_; }

protected:
    bool NeedsBackground() const override;
    // Repaints as the transparency asks: nothing while updating or without a parent; a
    // transparent control later, an opaque one at once.
    void RepaintControl();
    void SettingsChanged() override;

private:
    bool transparent_ = true;
};
