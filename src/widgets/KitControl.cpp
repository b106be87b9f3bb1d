#include "widgets/KitControl.h"

#include "widgets/KitXPStyles.h"

#include <QEvent>
#include <QPainter>
#include <QWidget>

TKitControl::TKitControl(TComponent* owner) : TControl(owner, new QWidget())
{
    if (QWidget* widget = Widget(); widget != nullptr) {
        widget->setAttribute(Qt::WA_Hover, true);
    }
}

void TKitControl::EndUpdate()
{
    if (updateCount_ > 0 && --updateCount_ == 0) SettingsChanged();
}

void TKitControl::SetCtlXP(bool value)
{
    ctlXP_ = value;
    ThemeChanged();
}

void TKitControl::ThemeChanged()
{
    if (UsesTheme()) Invalidate();
}

void TKitControl::SetBounds(int left, int top, int width, int height)
{
    int flags = 0;
    if (width != Width() || height != Height()) flags |= kitBoundsSized;
    if (left != Left() || top != Top()) flags |= kitBoundsMoved;
    TControl::SetBounds(left, top, width, height);
    if (!Reading()) BoundsChanged(flags);
}

void TKitControl::BoundsChanged(int flags)
{
    if (OnBoundsChanged) OnBoundsChanged(this, flags);
}

void TKitControl::PointerEntered()
{
    if (Enabled() && OnMouseEnter) OnMouseEnter(this);
}

void TKitControl::PointerLeft()
{
    if (Enabled() && OnMouseExit) OnMouseExit(this);
}

void TKitControl::SettingsChanged()
{
    if (Updating() || Reading() || IsDestroying()) return;
    Invalidate();
}

const QImage* TKitControl::BackBitmap() const
{
    return GetParentBackBitmap(*this);
}

bool TKitControl::HasBackBitmap() const
{
    const IKitBackground* provider = ParentBackProvider(*this);
    return provider != nullptr && provider->HasBackBitmap();
}

bool TKitControl::CopyBackground(TCanvas& canvas, const TRect& dest)
{
    const QImage* back = BackBitmap();
    if (back != nullptr) {
        const QPoint origin = BackOffset(QPoint(dest.Left, dest.Top));
        canvas.CopyRect(dest, *back, {origin.x(), origin.y(), origin.x() + dest.Width(), origin.y() + dest.Height()});
    }
    return true;
}

QPoint TKitControl::BackOffset(QPoint point) const
{
    return HasBackBitmap() ? MapToParentBack(*this, point) : point;
}

bool TKitControl::WidgetEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Paint: {
        QPainter painter(Widget());
        TCanvas canvas;
        TCanvasPaint scope(canvas, painter);
        canvas.Font().Assign(Font());
        Paint(canvas);
        return true;
    }
    case QEvent::Enter:
        PointerEntered();
        break;
    case QEvent::Leave:
        PointerLeft();
        break;
    default:
        if (event->type() == KitThemeChangeEvent) ThemeChanged();
        break;
    }
    return TControl::WidgetEvent(event);
}

TKitBaseControl::TKitBaseControl(TComponent* owner) : TKitControl(owner)
{
    changeLink_.OnChange = [this](TObject*) { ImageListChanged(); };
    effect_.OnChange = [this](TObject*) { SettingsChanged(); };
}

TKitBaseControl::~TKitBaseControl()
{
    changeLink_.OnChange = nullptr;
    effect_.OnChange = nullptr;
    KitUnlinkController(imageList_, changeLink_, this);
}

void TKitBaseControl::SetImageList(TKitCustomImageList* list)
{
    if (!KitRelinkController(imageList_, list, changeLink_, this)) return;
    ImageListChanged();
}

void TKitBaseControl::SetImageIndex(int value)
{
    if (value < 0 || value == imageIndex_) return;
    imageIndex_ = value;
    ImageListChanged();
}

void TKitBaseControl::SetListIndex(int value)
{
    if (value < 0 || value == listIndex_) return;
    listIndex_ = value;
    ImageListChanged();
}

void TKitBaseControl::BackgroundUpdate()
{
    if (!Visible()) return;
    if (!Reading() && NeedsBackground()) SettingsChanged();
    effect_.NotifyChange();
}

void TKitBaseControl::Notification(TComponent* component, TOperation operation)
{
    TKitControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component != nullptr && component == imageList_) {
        imageList_ = nullptr;
        if (!IsDestroying()) ImageListChanged();
    }
}

TKitBaseGraphicControl::TKitBaseGraphicControl(TComponent* owner) : TKitBaseControl(owner)
{
    SetBounds(Left(), Top(), 30, 30);
}

void TKitBaseGraphicControl::SetTransparent(bool value)
{
    if (value == transparent_) return;
    transparent_ = value;
    RepaintControl();
}

bool TKitBaseGraphicControl::NeedsBackground() const
{
    return transparent_ && HasBackBitmap();
}

void TKitBaseGraphicControl::RepaintControl()
{
    if (Updating() || Parent() == nullptr || Reading() || IsDestroying()) return;
    if (transparent_) {
        Invalidate();
    } else {
        Repaint();
    }
}

void TKitBaseGraphicControl::SettingsChanged()
{
    RepaintControl();
}
