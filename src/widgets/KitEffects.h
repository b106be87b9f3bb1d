#pragma once
// Effect settings (alpha blending and bitmap effects), a colour holder, the control switches,
// the routine that switches the themed look of every control of a form, and the names of the
// control states.
//
// The alpha and bitmap effects are switched off in this kit: writing any of their values
// stores the neutral value (0, 0.0, none, False) whatever is written. Assign still copies the
// real values, so settings read from elsewhere survive a copy.

#include "platform/gui/Graphics.h"
#include "widgets/KitBase.h"
#include "widgets/KitFill.h"

#include <array>
#include <cstdint>
#include <string>

class TCustomForm;
class TKitCustomImageList;

class TKitAlphaObject : public TKitObject {
public:
    TKitAlphaObject();
    ~TKitAlphaObject() override;
    const char* ClassName() const noexcept override { return "TKitAlphaObject"; }
    // Copies the fill object, transparent flag, strength, indexes and image list.
    void Assign(const TPersistent& source) override;
    std::string SummaryText() const override;

    // The list the picture comes from; null also once that list has been freed.
    TKitCustomImageList* ImageList() const noexcept;
    void SetImageList(TKitCustomImageList* value);
    double Strength() const noexcept { return strength_; }
    void SetStrength(double value);
    int ImageIndex() const noexcept { return imageIndex_; }
    void SetImageIndex(int value);
    int ListIndex() const noexcept { return listIndex_; }
    void SetListIndex(int value);
    const TKitFillObject& FillObject() const noexcept { return fillObject_; }
    TKitFillObject& FillObject() noexcept { return fillObject_; }
    void SetFillObject(const TKitFillObject& value) { fillObject_.Assign(value); }
    bool Transparent() const noexcept { return transparent_; }

    // Takes the picture at (ListIndex, ImageIndex) into the fill's list bitmap (clears it when
    // the list lacks it), then notifies. The image list's change link runs it too.
    void RefreshFromList();

private:
    TKitCustomImageList* imageList_ = nullptr;
    float strength_ = 0.6f;
    int imageIndex_ = 0;
    int listIndex_ = 0;
    TKitFillObject fillObject_;
    TKitChangeLink link_;
    bool transparent_ = false;
};

class TKitBitmapEffectObject : public TKitObject {
public:
    TKitBitmapEffectObject();
    ~TKitBitmapEffectObject() override;
    const char* ClassName() const noexcept override { return "TKitBitmapEffectObject"; }
    // Copies the alpha object, flips, grey scale, inversion and brightness.
    void Assign(const TPersistent& source) override;
    std::string SummaryText() const override;
    // Every notification makes the buffered picture stale.
    void NotifyChange() override;

    const TKitAlphaObject& AlphaBlend() const noexcept { return alphaBlend_; }
    TKitAlphaObject& AlphaBlend() noexcept { return alphaBlend_; }
    void SetAlphaBlend(const TKitAlphaObject& value) { alphaBlend_.Assign(value); }
    bool Invert() const noexcept { return invert_; }
    void SetInvert(bool value) { SetNeutral(invert_, value); }
    bool Buffered() const noexcept { return buffered_; }
    void SetBuffered(bool value);
    bool GrayScale() const noexcept { return grayScale_; }
    void SetGrayScale(bool value) { SetNeutral(grayScale_, value); }
    bool FlipVertical() const noexcept { return flipVertical_; }
    void SetFlipVertical(bool value) { SetNeutral(flipVertical_, value); }
    bool FlipHorizontal() const noexcept { return flipHorizontal_; }
    void SetFlipHorizontal(bool value) { SetNeutral(flipHorizontal_, value); }
    bool Monochrome() const noexcept { return monochrome_; }
    void SetMonochrome(bool value) { SetNeutral(monochrome_, value); }
    // -255..255.
    int Brightness() const noexcept { return brightness_; }
    void SetBrightness(int value);

    const QImage& Buffer() const noexcept { return buffer_; }
    bool BufferValid() const noexcept { return bufferValid_; }

private:
    void SetNeutral(bool& field, bool value);

    TKitAlphaObject alphaBlend_;
    bool invert_ = false;
    bool buffered_ = false;
    bool grayScale_ = false;
    bool flipVertical_ = false;
    bool flipHorizontal_ = false;
    bool monochrome_ = false;
    int16_t brightness_ = 0;
    QImage buffer_;
    bool bufferValid_ = false;
};

class TKitColorObject : public TKitObject {
public:
    const char* ClassName() const noexcept override { return "TKitColorObject"; }
    void Assign(const TPersistent& source) override;
    // The colour's name ("clBtnFace") or "$00BBGGRR".
    std::string SummaryText() const override;
    TColor Color() const noexcept { return color_; }
    void SetColor(TColor value) { KitSetField(*this, color_, value); }

private:
    TColor color_ = clBtnFace;
};

class TKitCtlSettings : public TKitObject {
public:
    const char* ClassName() const noexcept override { return "TKitCtlSettings"; }
    void Assign(const TPersistent& source) override;
    std::string SummaryText() const override;

    // By index: 0 Transparent, 1 CtlXP.
    bool Flag(int index) const;
    void SetFlag(int index, bool value);
    bool Transparent() const noexcept { return flags_[0]; }
    void SetTransparent(bool value) { SetFlag(0, value); }
    bool CtlXP() const noexcept { return flags_[1]; }
    void SetCtlXP(bool value) { SetFlag(1, value); }

private:
    std::array<bool, 2> flags_ = {false, true};
};

// Sets CtlXP of every component the form owns that has the theme switch.
void SetFormControlsXP(const TCustomForm& form, bool value);

// A control state and its seven state bytes (each 0, 1 or 2).
struct TKitControlStateName {
    std::array<uint8_t, 7> States;
    const char* Name;
};
// "Disabled", "Error", "Focused", "ReadOnly", "Hot", "Pressed", "Modified", "Normal".
const std::array<TKitControlStateName, 8>& KitControlStateNames();
