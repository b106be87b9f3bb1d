#include "platform/gui/Canvas.h"

#include "platform/gui/GuiText.h"
#include "platform/gui/ImgList.h"

#include <QFontMetrics>
#include <QPainter>

void TBrush::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TBrush*>(&source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    if (color_ == other->color_ && style_ == other->style_) {
        return;
    }
    color_ = other->color_;
    style_ = other->style_;
    Changed();
}

void TBrush::SetColor(TColor color)
{
    if (color != color_) {
        color_ = color;
        Changed();
    }
}

void TBrush::SetStyle(TBrushStyle style)
{
    if (style != style_) {
        style_ = style;
        Changed();
    }
}

void TBrush::Changed()
{
    if (OnChange) {
        OnChange(this);
    }
}

void TCanvas::ApplyFont()
{
    painter_->setFont(font_.ToQFont());
    painter_->setPen(ToQColor(font_.Color()));
}

void TCanvas::FillRect(const TRect& rect)
{
    if (brush_.Style() == TBrushStyle::bsClear || !BeginDrawing()) return;
    painter_->fillRect(rect.ToQRect(), ToQColor(brush_.Color()));
}

void TCanvas::FrameRect(const TRect& rect)
{
    if (rect.Width() <= 0 || rect.Height() <= 0 || !BeginDrawing()) return;
    painter_->save();
    painter_->setPen(ToQColor(brush_.Color()));
    painter_->setBrush(Qt::NoBrush);
    painter_->drawRect(QRect(rect.Left, rect.Top, rect.Width() - 1, rect.Height() - 1));
    painter_->restore();
}

void TCanvas::Line(int x1, int y1, int x2, int y2)
{
    if (!BeginDrawing()) return;
    painter_->save();
    painter_->setPen(QPen(ToQColor(pen_.Color()), pen_.Width()));
    painter_->drawLine(x1, y1, x2 > x1 ? x2 - 1 : x2, y2 > y1 ? y2 - 1 : y2);
    painter_->restore();
}

namespace {

// Sets the painter's pen and brush from the canvas's; answers whether anything is drawn.
bool ApplyShapeTools(QPainter& painter, const TPen& pen, const TBrush& brush)
{
    const bool outline = pen.Style() != TPenStyle::psClear;
    const bool fill = brush.Style() != TBrushStyle::bsClear;
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(outline ? QPen(ToQColor(pen.Color()), 0) : QPen(Qt::NoPen));
    painter.setBrush(fill ? QBrush(ToQColor(brush.Color())) : QBrush(Qt::NoBrush));
    return outline || fill;
}

}  // namespace

void TCanvas::Rectangle(const TRect& rect)
{
    if (painter_ == nullptr || rect.Width() <= 0 || rect.Height() <= 0) return;
    if (pen_.Style() == TPenStyle::psClear) {
        if (brush_.Style() != TBrushStyle::bsClear) {
            painter_->fillRect(QRect(rect.Left, rect.Top, rect.Width() - 1, rect.Height() - 1), ToQColor(brush_.Color()));
        }
        return;
    }
    painter_->save();
    ApplyShapeTools(*painter_, pen_, brush_);
    painter_->drawRect(QRect(rect.Left, rect.Top, rect.Width() - 1, rect.Height() - 1));
    painter_->restore();
}

void TCanvas::Ellipse(const TRect& rect)
{
    if (painter_ == nullptr || rect.Width() <= 1 || rect.Height() <= 1) return;
    painter_->save();
    if (ApplyShapeTools(*painter_, pen_, brush_)) {
        painter_->drawEllipse(QRect(rect.Left, rect.Top, rect.Width() - 1, rect.Height() - 1));
    }
    painter_->restore();
}

void TCanvas::Polygon(const std::vector<QPoint>& points)
{
    if (painter_ == nullptr || points.size() < 2) return;
    painter_->save();
    if (ApplyShapeTools(*painter_, pen_, brush_)) {
        painter_->drawPolygon(points.data(), static_cast<int>(points.size()));
    }
    painter_->restore();
}

void TCanvas::SetPixel(int x, int y, TColor color)
{
    if (painter_ == nullptr) return;
    painter_->fillRect(QRect(x, y, 1, 1), ToQColor(color));
}

void TCanvas::SetClipRect(const TRect& rect)
{
    if (painter_ == nullptr) return;
    painter_->setClipRect(rect.ToQRect());
}

void TCanvas::ResetClip()
{
    if (painter_ == nullptr) return;
    painter_->setClipping(false);
}

void TCanvas::TextOut(int x, int y, const std::string& text)
{
    if (!BeginDrawing()) return;
    const QString shown = ToQString(text);
    painter_->save();
    ApplyFont();
    const QFontMetrics metrics(painter_->font());
    if (brush_.Style() != TBrushStyle::bsClear)
        painter_->fillRect(QRect(x, y, metrics.horizontalAdvance(shown), metrics.height()), ToQColor(brush_.Color()));
    painter_->drawText(QPoint(x, y + metrics.ascent()), shown);
    painter_->restore();
}

void TCanvas::TextRect(const TRect& rect, int x, int y, const std::string& text)
{
    if (!BeginDrawing()) return;
    painter_->save();
    painter_->setClipRect(rect.ToQRect(), Qt::IntersectClip);
    if (brush_.Style() != TBrushStyle::bsClear) painter_->fillRect(rect.ToQRect(), ToQColor(brush_.Color()));
    ApplyFont();
    const QFontMetrics metrics(painter_->font());
    painter_->drawText(QPoint(x, y + metrics.ascent()), ToQString(text));
    painter_->restore();
}

int TCanvas::TextWidth(const std::string& text) const
{
    return QFontMetrics(font_.ToQFont()).horizontalAdvance(ToQString(text));
}

int TCanvas::TextHeight(const std::string& text) const
{
    return QFontMetrics(font_.ToQFont()).height();
}

void TCanvas::Draw(int x, int y, const QImage& image)
{
    if (image.isNull() || !BeginDrawing()) return;
    painter_->drawImage(QPoint(x, y), image);
}

void TCanvas::Draw(int x, int y, const TImageList& images, int index)
{
    Draw(x, y, images.Image(index));
}

void TCanvas::StretchDraw(const TRect& rect, const QImage& image)
{
    if (image.isNull() || rect.Width() <= 0 || rect.Height() <= 0 || !BeginDrawing()) return;
    painter_->drawImage(rect.ToQRect(), image);
}

void TCanvas::TileDraw(const TRect& rect, const QImage& image)
{
    if (image.isNull() || rect.Width() <= 0 || rect.Height() <= 0 || !BeginDrawing()) return;
    painter_->save();
    painter_->setClipRect(rect.ToQRect(), Qt::IntersectClip);
    for (int y = rect.Top; y < rect.Bottom; y += image.height()) {
        for (int x = rect.Left; x < rect.Right; x += image.width()) {
            painter_->drawImage(QPoint(x, y), image);
        }
    }
    painter_->restore();
}

void TCanvas::CopyRect(const TRect& rect, const QImage& image, const TRect& source)
{
    if (image.isNull() || rect.Width() <= 0 || rect.Height() <= 0 || !BeginDrawing()) return;
    painter_->save();
    painter_->setCompositionMode(QPainter::CompositionMode_Source);
    painter_->drawImage(rect.ToQRect(), image, source.ToQRect());
    painter_->restore();
}

QImage TCanvas::Grab(const TRect& rect)
{
    return QImage();
}
