#include "widgets/KitEffects.h"

#include "platform/gui/Forms.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"
#include "widgets/KitBackground.h"
#include "widgets/KitCustomImageList.h"

// ---- TKitAlphaObject ----

TKitAlphaObject::TKitAlphaObject()
{
    fillObject_.OnChange = [this](TObject* sender) { SubObjectChanged(sender); };
    link_.OnChange = [this](TObject*) { RefreshFromList(); };
}

TKitAlphaObject::~TKitAlphaObject()
{
    fillObject_.OnChange = nullptr;
    link_.OnChange = nullptr;
}

void TKitAlphaObject::Assign(const TPersistent& source)
{
    const auto* alpha = dynamic_cast<const TKitAlphaObject*>(&source);
    if (alpha == nullptr) {
        TKitObject::Assign(source);
        return;
    }
    BeginUpdate();
    fillObject_.Assign(alpha->fillObject_);
    transparent_ = alpha->transparent_;
    strength_ = alpha->strength_;
    imageIndex_ = alpha->imageIndex_;
    listIndex_ = alpha->listIndex_;
    TKitCustomImageList* list = alpha->ImageList();
    if (list != ImageList()) {
        if (link_.Sender() != nullptr) {
            link_.Sender()->UnRegisterChanges(&link_);
        }
        imageList_ = list;
        if (list != nullptr) {
            list->RegisterChanges(&link_);
        }
    }
    EndUpdate(true);
}

std::string TKitAlphaObject::SummaryText() const
{
    const TKitFillStyle style = fillObject_.Style();
    if (style == TKitFillStyle::sfNone) {
        return "{Disabled}";
    }
    const char* kind = "";
    if (style == TKitFillStyle::sfBrush) {
        kind = "brush";
    } else if (style == TKitFillStyle::sfBitmap || style == TKitFillStyle::sfBitmapList) {
        kind = "bmp";
    } else if (style == TKitFillStyle::sfGradient) {
        kind = "grad";
    }
    return std::string("{Enabled (") + kind + "), strength: " + FloatToStrF(strength_, TFloatFormat::ffFixed, 15, 3) + "}";
}

TKitCustomImageList* TKitAlphaObject::ImageList() const noexcept
{
    // The link loses its sender when the list is freed; the reference goes with it.
    return imageList_ != nullptr && link_.Sender() == imageList_ ? imageList_ : nullptr;
}

void TKitAlphaObject::SetImageList(TKitCustomImageList*)
{
    if (link_.Sender() != nullptr) {
        link_.Sender()->UnRegisterChanges(&link_);
    }
    imageList_ = nullptr;
    RefreshFromList();
}

void TKitAlphaObject::SetStrength(double)
{
    if (strength_ != 0.0f) {
        strength_ = 0.0f;
        NotifyChange();
    }
}

void TKitAlphaObject::SetImageIndex(int)
{
    imageIndex_ = 0;
    RefreshFromList();
}

void TKitAlphaObject::SetListIndex(int)
{
    listIndex_ = 0;
    RefreshFromList();
}

void TKitAlphaObject::RefreshFromList()
{
    TKitCustomImageList* list = ImageList();
    if (list == nullptr || !list->ImageExists(listIndex_, imageIndex_)) {
        fillObject_.ListBitmap().SetImage(QImage());
    } else {
        fillObject_.ListBitmap().SetImage(list->ImageCopy(listIndex_, imageIndex_));
    }
    NotifyChange();
}

// ---- TKitBitmapEffectObject ----

TKitBitmapEffectObject::TKitBitmapEffectObject()
{
    alphaBlend_.OnChange = [this](TObject* sender) { SubObjectChanged(sender); };
}

TKitBitmapEffectObject::~TKitBitmapEffectObject()
{
    alphaBlend_.OnChange = nullptr;
}

void TKitBitmapEffectObject::Assign(const TPersistent& source)
{
    const auto* effect = dynamic_cast<const TKitBitmapEffectObject*>(&source);
    if (effect == nullptr) {
        TKitObject::Assign(source);
        return;
    }
    BeginUpdate();
    alphaBlend_.Assign(effect->alphaBlend_);
    flipVertical_ = effect->flipVertical_;
    flipHorizontal_ = effect->flipHorizontal_;
    grayScale_ = effect->grayScale_;
    invert_ = effect->invert_;
    brightness_ = effect->brightness_;
    EndUpdate(true);
}

std::string TKitBitmapEffectObject::SummaryText() const
{
    std::string effects;
    auto add = [&effects](bool active, const char* name) {
        if (active) {
            effects += effects.empty() ? name : std::string(",") + name;
        }
    };
    add(alphaBlend_.FillObject().Style() != TKitFillStyle::sfNone, "alpha");
    add(flipVertical_, "FV");
    add(flipHorizontal_, "FH");
    add(grayScale_, "GS");
    add(invert_, "INV");
    add(brightness_ != 0, "B");
    return "{" + (effects.empty() ? std::string("Disabled") : effects) + "}";
}

void TKitBitmapEffectObject::NotifyChange()
{
    bufferValid_ = false;
    TKitObject::NotifyChange();
}

void TKitBitmapEffectObject::SetNeutral(bool& field, bool)
{
    if (field) {
        field = false;
        NotifyChange();
    }
}

void TKitBitmapEffectObject::SetBuffered(bool)
{
    if (buffered_) {
        buffered_ = false;
        buffer_ = QImage();
        bufferValid_ = false;
        NotifyChange();
    }
}

void TKitBitmapEffectObject::SetBrightness(int)
{
    if (brightness_ != 0) {
        brightness_ = 0;
        NotifyChange();
    }
}

// ---- TKitColorObject ----

void TKitColorObject::Assign(const TPersistent& source)
{
    const auto* color = dynamic_cast<const TKitColorObject*>(&source);
    if (color == nullptr) {
        TKitObject::Assign(source);
        return;
    }
    BeginUpdate();
    color_ = color->color_;
    EndUpdate(true);
}

std::string TKitColorObject::SummaryText() const
{
    return ColorToString(color_);
}

// ---- TKitCtlSettings ----

void TKitCtlSettings::Assign(const TPersistent& source)
{
    const auto* settings = dynamic_cast<const TKitCtlSettings*>(&source);
    if (settings == nullptr) {
        TKitObject::Assign(source);
        return;
    }
    BeginUpdate();
    flags_ = settings->flags_;
    EndUpdate(true);
}

std::string TKitCtlSettings::SummaryText() const
{
    return std::string("Transp.: ") + (flags_[0] ? "True" : "False") + ", CtlXP: " + (flags_[1] ? "True" : "False");
}

bool TKitCtlSettings::Flag(int index) const
{
    if (index < 0 || index > 1) {
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    }
    return flags_[static_cast<size_t>(index)];
}

void TKitCtlSettings::SetFlag(int index, bool value)
{
    if (index < 0 || index > 1) {
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    }
    KitSetField(*this, flags_[static_cast<size_t>(index)], value);
}

// ---- form-wide switches and state names ----

void SetFormControlsXP(const TCustomForm& form, bool value)
{
    for (int i = 0; i < form.ComponentCount(); ++i) {
        if (auto* control = KitSupports<IKitXPControl>(form.Components(i))) {
            control->SetCtlXP(value);
        }
    }
}

const std::array<TKitControlStateName, 8>& KitControlStateNames()
{
    static const std::array<TKitControlStateName, 8> names = {{
        {{0, 0, 0, 0, 0, 0, 1}, "Disabled"},
        {{0, 0, 0, 0, 0, 1, 2}, "Error"},
        {{1, 0, 0, 0, 0, 2, 2}, "Focused"},
        {{2, 0, 0, 0, 1, 2, 2}, "ReadOnly"},
        {{2, 1, 0, 0, 2, 2, 2}, "Hot"},
        {{2, 2, 1, 0, 2, 2, 2}, "Pressed"},
        {{2, 2, 2, 1, 2, 2, 2}, "Modified"},
        {{2, 2, 2, 2, 2, 2, 2}, "Normal"},
    }};
    return names;
}
