#pragma once
// Form background fill and caption styler: two components that watch the form owning them.
//
// TKitCustomFormFill / TKitBack paint the form's background from a picture of an image list
// (or through OnPaint) and are the background provider of the form's transparent kit controls.
//
// TKitFormStyler keeps the settings of a title bar with a colour gradient and its own caption
// text. The title bar of a window belongs to the desktop's window manager here, so the styler
// paints nothing there and never takes the caption away from the form: it keeps its settings
// and the caption text, for the dialogs that set them up.

#include "platform/gui/Graphics.h"
#include "widgets/KitBackground.h"
#include "widgets/KitCaptions.h"
#include "widgets/KitCustomImageList.h"
#include "widgets/KitXPStyles.h"

#include <QImage>

#include <functional>
#include <memory>
#include <string>

enum class TKitPaintMode { pcNone, pcControl, pcOwnerDraw };
enum class TKitFormStyleOption {
    fsAdjustRect, fsUseDefaultFont, fsUseFontColor, fsInactiveGradient, fsDrawCaptionEvent, fsUseFormCaption,
    fsCheckSystemGradient
};

inline constexpr unsigned KitFormStyleBit(TKitFormStyleOption option)
{
    return 1u << static_cast<unsigned>(option);
}

using TKitPaintEvent = std::function<void(TObject* sender, TCanvas& canvas, const TRect& dest)>;

class TKitCustomFormFill : public TKitWndProcComponent, public IKitBackground {
public:
    explicit TKitCustomFormFill(TComponent* owner);
    ~TKitCustomFormFill() override;
    const char* ClassName() const noexcept override { return "TKitCustomFormFill"; }

    TKitCustomImageList* ImageList() const noexcept { return imageList_; }
    void SetImageList(TKitCustomImageList* list);
    int ImageIndex() const noexcept { return imageIndex_; }
    // Negative and unchanged values are ignored (as for ListIndex).
    void SetImageIndex(int value);
    int ListIndex() const noexcept { return listIndex_; }
    void SetListIndex(int value);
    TKitPaintMode PaintMode() const noexcept { return paintMode_; }
    void SetPaintMode(TKitPaintMode value);
    // The owner-drawn fill first fills the form with its colour.
    bool DefaultFill() const noexcept { return defaultFill_; }
    void SetDefaultFill(bool value) { defaultFill_ = value; }
    // Keep the picture drawn at the form's size, so transparent controls can copy from it.
    bool CacheBitmap() const noexcept { return cacheBitmap_; }
    void SetCacheBitmap(bool value);
    bool EraseOnResize() const noexcept { return eraseOnResize_; }
    void SetEraseOnResize(bool value) { eraseOnResize_ = value; }

    // Paints the form's background onto the canvas; false when this fill does not paint it
    // (the form then paints its own).
    virtual bool PaintBackground(TCanvas& canvas);

    // Background provider: the cached picture.
    const QImage* BackBitmap() const override { return cached_ ? cached_.get() : nullptr; }
    bool HasBackBitmap() const override { return cached_ != nullptr; }
    bool CopyBackground(TCanvas& canvas, const TRect& dest) override;
    bool IsTransparent() const override { return false; }
    QPoint BackOffset(QPoint point) const override { return point; }
    const TPalette* BackPalette() const override { return nullptr; }
    void BackgroundUpdate() override;
    int BackChildCount() const override;
    TComponent* BackChild(int index) const override;

    TKitPaintEvent OnPaint;

protected:
    virtual void ImageChanged() { InvalidateForm(false); }
    bool WndProc(QEvent* event) override;
    void StateChanged() override;
    void Notification(TComponent* component, TOperation operation) override;
    // Drops the cached picture and repaints the form.
    void SettingsChanged();
    void InvalidateForm(bool erase);
    // The form's client size.
    QSize FormClientSize() const;
    bool Dirty() const noexcept { return dirty_; }
    std::unique_ptr<QImage> cached_;

private:
    TKitCustomImageList* imageList_ = nullptr;
    int imageIndex_ = 0;
    int listIndex_ = 0;
    TKitChangeLink changeLink_;
    TKitPaintMode paintMode_ = TKitPaintMode::pcControl;
    bool defaultFill_ = true;
    bool cacheBitmap_ = false;
    bool dirty_ = true;
    bool eraseOnResize_ = false;
};

class TKitBack : public TKitCustomFormFill {
public:
    explicit TKitBack(TComponent* owner) : TKitCustomFormFill(owner) {}
    const char* ClassName() const noexcept override { return "TKitBack"; }
    // In pcControl with a picture at (ListIndex, ImageIndex): draws it at the form's top-left
    // corner (through the cached picture when CacheBitmap is set). Otherwise as the base does.
    bool PaintBackground(TCanvas& canvas) override;
};

class TKitFormStyler : public TKitWndProcComponent {
public:
    explicit TKitFormStyler(TComponent* owner);
    const char* ClassName() const noexcept override { return "TKitFormStyler"; }

    TAlignment Alignment() const noexcept { return alignment_; }
    void SetAlignment(TAlignment value) { alignment_ = value; }
    // Colours of the gradient, 2 to 236.
    int Colors() const noexcept { return colors_; }
    void SetColors(int value);
    TFont& Font() noexcept { return font_; }
    void SetFont(const TFont& value) { font_.Assign(value); }
    TKit3DCaption& Font3D() noexcept { return font3D_; }
    void SetFont3D(const TKit3DCaption& value) { font3D_.Assign(value); }
    TKitPaintMode PaintMode() const noexcept { return paintMode_; }
    void SetPaintMode(TKitPaintMode value) { paintMode_ = value; }
    unsigned Options() const noexcept { return options_; }
    void SetOptions(unsigned value) { options_ = value; }
    bool HasOption(TKitFormStyleOption option) const noexcept { return (options_ & KitFormStyleBit(option)) != 0; }

    // The caption the title bar would show: the form's own with fsUseFormCaption, else the one
    // taken from the form when the styler was enabled.
    std::string CaptionText() const;
    // Reads the caption again (the title bar itself is the window manager's).
    void RepaintCaption();

    TKitPaintEvent OnPaint;
    TKitPaintEvent OnCaptionPaint;

protected:
    void StateChanged() override;

private:
    TAlignment alignment_ = TAlignment::taLeftJustify;
    int colors_ = 32;
    TFont font_;
    TKit3DCaption font3D_;
    TKitPaintMode paintMode_ = TKitPaintMode::pcControl;
    unsigned options_ = KitFormStyleBit(TKitFormStyleOption::fsAdjustRect) |
                        KitFormStyleBit(TKitFormStyleOption::fsUseDefaultFont) |
                        KitFormStyleBit(TKitFormStyleOption::fsUseFormCaption) |
                        KitFormStyleBit(TKitFormStyleOption::fsCheckSystemGradient);
    std::string caption_;
};

// Registers TKitBack and TKitFormStyler and their published properties (once).
void RegisterKitFormClasses();
