#include "widgets/KitFormFill.h"

#include "platform/classes/PropertyRegistry.h"
#include "platform/gui/Forms.h"
#include "platform/gui/GuiRegistration.h"
#include "widgets/KitRegistration.h"

#include <QEvent>
#include <QPainter>
#include <QWidget>

#include <algorithm>

// ---- TKitCustomFormFill -----------------------------------------------------------------------

TKitCustomFormFill::TKitCustomFormFill(TComponent* owner) : TKitWndProcComponent(owner)
{
    changeLink_.OnChange = [this](TObject*) { ImageChanged(); };
    // One made by code hooks its form at once; one read from a description once it is read.
    if (!IsLoading() && (owner == nullptr || !owner->IsLoading())) Activate();
}

TKitCustomFormFill::~TKitCustomFormFill()
{
    changeLink_.OnChange = nullptr;
    KitUnlinkController(imageList_, changeLink_, this);
}

void TKitCustomFormFill::SetImageList(TKitCustomImageList* list)
{
    if (!KitRelinkController(imageList_, list, changeLink_, this)) return;
    SettingsChanged();
    ImageChanged();
}

void TKitCustomFormFill::SetImageIndex(int value)
{
    if (value < 0 || value == imageIndex_) return;
    imageIndex_ = value;
    SettingsChanged();
    ImageChanged();
}

void TKitCustomFormFill::SetListIndex(int value)
{
    if (value < 0 || value == listIndex_) return;
    listIndex_ = value;
    SettingsChanged();
    ImageChanged();
}

void TKitCustomFormFill::SetPaintMode(TKitPaintMode value)
{
    paintMode_ = value;
    SettingsChanged();
}

void TKitCustomFormFill::SetCacheBitmap(bool value)
{
    cacheBitmap_ = value;
    SettingsChanged();
}

void TKitCustomFormFill::Notification(TComponent* component, TOperation operation)
{
    TKitWndProcComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component != nullptr && component == imageList_) {
        imageList_ = nullptr;
        SettingsChanged();
    }
}

void TKitCustomFormFill::StateChanged()
{
    SettingsChanged();
}

void TKitCustomFormFill::SettingsChanged()
{
    if (IsDestroying()) return;
    cached_.reset();
    dirty_ = true;
    if (Enabled() && !IsDesigning()) InvalidateForm(true);
}

void TKitCustomFormFill::InvalidateForm(bool erase)
{
    (void)erase;  // the window system always repaints the whole form area here
    if (IsDestroying() || IsLoading()) return;
    const auto* form = dynamic_cast<const TControl*>(Owner());
    if (form == nullptr || form->Widget() == nullptr) return;
    form->Widget()->update();
}

QSize TKitCustomFormFill::FormClientSize() const
{
    const auto* form = dynamic_cast<const TControl*>(Owner());
    if (form == nullptr) return {};
    return {form->ClientWidth(), form->ClientHeight()};
}

bool TKitCustomFormFill::WndProc(QEvent* event)
{
    if (Enabled() && !Busy()) {
        switch (event->type()) {
        case QEvent::Resize:
            dirty_ = true;
            if (cacheBitmap_) cached_.reset();
            InvalidateForm(eraseOnResize_);
            BackgroundUpdate();
            break;
        case QEvent::Paint:
            if (QWidget* widget = HookedWidget(); widget != nullptr) {
                QPainter painter(widget);
                TCanvas canvas;
                TCanvasPaint scope(canvas, painter);
                if (PaintBackground(canvas)) return true;
            }
            break;
        case QEvent::PaletteChange:
            InvalidateForm(true);
            BackgroundUpdate();
            break;
        default:
            break;
        }
    }
    return TKitWndProcComponent::WndProc(event);
}

bool TKitCustomFormFill::PaintBackground(TCanvas& canvas)
{
    if (IsLoading() || IsDestroying()) return false;
    if (paintMode_ != TKitPaintMode::pcOwnerDraw || !OnPaint) return false;
    const QSize size = FormClientSize();
    const TRect rect{0, 0, size.width(), size.height()};
    if (defaultFill_) {
        if (const auto* form = dynamic_cast<const TControl*>(Owner()); form != nullptr) {
            canvas.Brush().SetStyle(TBrushStyle::bsSolid);
            canvas.Brush().SetColor(form->Color());
            canvas.FillRect(rect);
        }
    }
    OnPaint(this, canvas, rect);
    return true;
}

bool TKitCustomFormFill::CopyBackground(TCanvas& canvas, const TRect& dest)
{
    if (!cached_) return false;
    canvas.CopyRect(dest, *cached_, dest);
    return true;
}

void TKitCustomFormFill::BackgroundUpdate()
{
    NotifyBackSiblings(this, Owner());
}

int TKitCustomFormFill::BackChildCount() const
{
    const auto* form = dynamic_cast<const TWinControl*>(Owner());
    return form != nullptr ? form->ControlCount() : 0;
}

TComponent* TKitCustomFormFill::BackChild(int index) const
{
    const auto* form = dynamic_cast<const TWinControl*>(Owner());
    if (form == nullptr || index < 0 || index >= form->ControlCount()) return nullptr;
    return form->Controls(index);
}

// ---- TKitBack ---------------------------------------------------------------------------------

bool TKitBack::PaintBackground(TCanvas& canvas)
{
    if (PaintMode() == TKitPaintMode::pcControl && ImageList() != nullptr && ImageList()->ImageExists(ListIndex(), ImageIndex())) {
        if (CacheBitmap()) {
            const QSize size = FormClientSize();
            if (!cached_ || cached_->size() != size) {
                cached_ = std::make_unique<QImage>(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
                const auto* form = dynamic_cast<const TControl*>(Owner());
                cached_->fill(ToQColor(form != nullptr ? form->Color() : clBtnFace));
                QPainter painter(cached_.get());
                TCanvas cacheCanvas;
                TCanvasPaint scope(cacheCanvas, painter);
                ImageList()->Draw(cacheCanvas, 0, 0, ListIndex(), ImageIndex());
            }
            canvas.Draw(0, 0, *cached_);
        } else {
            ImageList()->Draw(canvas, 0, 0, ListIndex(), ImageIndex());
        }
        return true;
    }
    return TKitCustomFormFill::PaintBackground(canvas);
}

// ---- TKitFormStyler ---------------------------------------------------------------------------

TKitFormStyler::TKitFormStyler(TComponent* owner) : TKitWndProcComponent(owner)
{
    if (!IsLoading() && (owner == nullptr || !owner->IsLoading())) {
        Activate();
        RepaintCaption();
    }
}

void TKitFormStyler::SetColors(int value)
{
    colors_ = std::clamp(value, 2, 236);
}

std::string TKitFormStyler::CaptionText() const
{
    if (HasOption(TKitFormStyleOption::fsUseFormCaption) || caption_.empty()) {
        if (const auto* form = dynamic_cast<const TControl*>(Owner()); form != nullptr) return form->Caption();
    }
    return caption_;
}

void TKitFormStyler::RepaintCaption()
{
    if (const auto* form = dynamic_cast<const TControl*>(Owner()); form != nullptr && !IsLoading()) caption_ = form->Caption();
}

void TKitFormStyler::StateChanged()
{
    if (Enabled()) RepaintCaption();
}

// ---- registration -----------------------------------------------------------------------------

void RegisterKitFormClasses()
{
    static const bool registered = [] {
        RegisterKitClasses();
        RegisterEnum<TKitPaintMode>("TKitPaintMode", {"pcNone", "pcControl", "pcOwnerDraw"});
        RegisterEnum<TKitFormStyleOption>(
            "TKitFormStyleOption", {"fsAdjustRect", "fsUseDefaultFont", "fsUseFontColor", "fsInactiveGradient",
                                    "fsDrawCaptionEvent", "fsUseFormCaption", "fsCheckSystemGradient"});
        using F = TKitBack;
        TClassRegistration<F, TComponent>("TKitBack")
            .Component()
            .String("About", &F::About, &F::SetAbout)
            .Boolean("DefaultFill", &F::DefaultFill, &F::SetDefaultFill, true)
            .Boolean("Enabled", &F::Enabled, &F::SetEnabled, true)
            .Integer("ImageIndex", &F::ImageIndex, [](F& fill, int64_t value) { fill.SetImageIndex(static_cast<int>(value)); })
            .Reference("ImageList", &F::ImageList, &F::SetImageList)
            .Integer("ListIndex", &F::ListIndex, [](F& fill, int64_t value) { fill.SetListIndex(static_cast<int>(value)); })
            .Enum("PaintMode", &F::PaintMode, &F::SetPaintMode, TKitPaintMode::pcControl);
        using S = TKitFormStyler;
        TClassRegistration<S, TComponent>("TKitFormStyler")
            .Component()
            .String("About", &S::About, &S::SetAbout)
            .Enum("Alignment", &S::Alignment, &S::SetAlignment, TAlignment::taLeftJustify)
            .Integer("Colors", &S::Colors, [](S& styler, int64_t value) { styler.SetColors(static_cast<int>(value)); }, 32)
            .Boolean("Enabled", &S::Enabled, &S::SetEnabled, true)
            .Object("Font", [](S& styler) -> TFont& { return styler.Font(); })
            .Object("Font3D", [](S& styler) -> TKit3DCaption& { return styler.Font3D(); })
            .Enum("PaintMode", &S::PaintMode, &S::SetPaintMode, TKitPaintMode::pcControl)
            .Set<TKitFormStyleOption>("Options", &S::Options, &S::SetOptions,
                                      KitFormStyleBit(TKitFormStyleOption::fsAdjustRect) |
                                          KitFormStyleBit(TKitFormStyleOption::fsUseDefaultFont) |
                                          KitFormStyleBit(TKitFormStyleOption::fsUseFormCaption) |
                                          KitFormStyleBit(TKitFormStyleOption::fsCheckSystemGradient));
        return true;
    }();
    (void)registered;
}
