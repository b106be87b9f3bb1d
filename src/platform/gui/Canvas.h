#pragma once
// A drawing surface over QPainter for code that paints part of a control itself (a grid's
// cell handler, a colour list). The canvas is handed out while the control paints; outside a
// paint its drawing operations do nothing, its measurements still work.

#include "platform/gui/Graphics.h"

#include <QPoint>
#include <QRect>

#include <memory>
#include <string>
#include <vector>

class QPainter;
class TImageList;

// A rectangle by its edges; Right and Bottom lie just outside it.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const noexcept { return Right - Left; }
    int Height() const noexcept { return Bottom - Top; }
    QRect ToQRect() const { return QRect(Left, Top, Width(), Height()); }
    static TRect FromQRect(const QRect& rect) { return {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()}; }
    friend bool operator==(const TRect&, const TRect&) = default;
};

enum class TBrushStyle { bsSolid, bsClear };

// OnChange runs after a change of colour or style.
class TBrush : public TPersistent {
public:
    const char* ClassName() const noexcept override { return "TBrush"; }
    void Assign(const TPersistent& source) override;
    TColor Color() const noexcept { return color_; }
    void SetColor(TColor color);
    TBrushStyle Style() const noexcept { return style_; }
    void SetStyle(TBrushStyle style);
    TNotifyEvent OnChange;

private:
    void Changed();
    TColor color_ = clWhite;
    TBrushStyle style_ = TBrushStyle::bsSolid;
};

enum class TPenStyle { psSolid, psClear };

class TPen : public TPersistent {
public:
    const char* ClassName() const noexcept override { return "TPen"; }
    TColor Color() const noexcept { return color_; }
    void SetColor(TColor color) { color_ = color; }
    int Width() const noexcept { return width_; }
    void SetWidth(int width) { width_ = width < 1 ? 1 : width; }
    TPenStyle Style() const noexcept { return style_; }
    void SetStyle(TPenStyle style) { style_ = style; }

private:
    TColor color_ = clBlack;
    int width_ = 1;
    TPenStyle style_ = TPenStyle::psSolid;
};

class TCanvas : public TPersistent {
public:
    TCanvas() = default;
    ~TCanvas() override = default;
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;
    const char* ClassName() const noexcept override { return "TCanvas"; }

    TBrush& Brush() noexcept { return brush_; }
    TPen& Pen() noexcept { return pen_; }
    TFont& Font() noexcept { return font_; }

    // Fills with the brush colour (nothing with bsClear).
    void FillRect(const TRect& rect);
    // A one-pixel frame in the brush colour.
    void FrameRect(const TRect& rect);
    // A line from (x1, y1) up to, not including, (x2, y2) in the pen colour.
    void Line(int x1, int y1, int x2, int y2);
    // Shapes outlined with the pen and filled with the brush, both optional. The outline lies
    // inside the rectangle (Right and Bottom excluded); without a pen the fill also stops one
    // pixel short of Right and Bottom, as the classic drawing calls do.
    void Rectangle(const TRect& rect);
    void Ellipse(const TRect& rect);
    // A closed polygon through the points, outlined and filled the same way.
    void Polygon(const std::vector<QPoint>& points);
    // One pixel in the given colour.
    void SetPixel(int x, int y, TColor color);
    // Limits drawing to the rectangle until ResetClip.
    void SetClipRect(const TRect& rect);
    void ResetClip();
    // Text with its top-left corner at (x, y) in the font, on the brush colour unless bsClear.
    void TextOut(int x, int y, const std::string& text);
    // The same, clipped to `rect`, whose background is filled first unless bsClear.
    void TextRect(const TRect& rect, int x, int y, const std::string& text);
    int TextWidth(const std::string& text) const;
    int TextHeight(const std::string& text) const;
    // Draws the picture; its transparent pixels leave the canvas as it is.
    void Draw(int x, int y, const QImage& image);
    // Picture `index` of the image list; nothing for an index outside the list.
    void Draw(int x, int y, const TImageList& images, int index);
    // The picture stretched over `rect` (nearest pixel, no smoothing), drawn like Draw.
    void StretchDraw(const TRect& rect, const QImage& image);
    // The picture repeated at its own size across `rect` from its top left corner, cut at the
    // right and bottom edges, drawn like Draw.
    void TileDraw(const TRect& rect, const QImage& image);
    // Copies `source` of the picture into `rect` (stretched when the sizes differ): the canvas
    // takes the pixels as they are, transparency included.
    void CopyRect(const TRect& rect, const QImage& image, const TRect& source);

    // The painter the operations go to; null outside a paint.
    QPainter* Painter() const noexcept { return painter_; }
    void SetPainter(QPainter* painter) noexcept { painter_ = painter; }
    // Whether the operations can draw now (a control's canvas only while the control paints).
    bool CanDraw() { return BeginDrawing(); }
    // The pixels of `rect` as the canvas holds them; a null picture where they cannot be read
    // back (a control's canvas).
    virtual QImage Grab(const TRect& rect);

    // Expires when the canvas is destroyed: code that keeps a canvas beyond a call (an animation
    // that draws later) checks it before it draws.
    std::weak_ptr<const int> Lifetime() const noexcept { return lifetime_; }

protected:
    // Called before each drawing operation; false when there is nothing to draw on. A canvas
    // that opens its painter on demand (a bitmap's) overrides it.
    virtual bool BeginDrawing() { return painter_ != nullptr; }

private:
    void ApplyFont();
    std::shared_ptr<const int> lifetime_ = std::make_shared<const int>(0);
    QPainter* painter_ = nullptr;
    TBrush brush_;
    TPen pen_;
    TFont font_;
};

// Sets a canvas's painter for a scope.
class TCanvasPaint {
public:
    TCanvasPaint(TCanvas& canvas, QPainter& painter) : canvas_(canvas) { canvas_.SetPainter(&painter); }
    ~TCanvasPaint() { canvas_.SetPainter(nullptr); }
    TCanvasPaint(const TCanvasPaint&) = delete;
    TCanvasPaint& operator=(const TCanvasPaint&) = delete;

private:
    TCanvas& canvas_;
};
