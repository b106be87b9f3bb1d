// Drawing of a GIF picture: its palette, its bitmap at the logical size, drawing on a canvas
// (a single frame at once, an animation through painters), the painters' list, the clipboard
// and the registration with the picture formats.
#include "gif/GIFPainter.h"
#include "gif/GIFPicture.h"

#include "gif/GIFDIB.h"
#include "platform/gui/Clipbrd.h"
#include "platform/gui/Graphics.h"
#include "platform/gui/PictureFormats.h"
#include "platform/rtl/Threads.h"

#include <QGuiApplication>
#include <QScreen>

#include <atomic>

namespace {

std::atomic<bool> renderOnLoad{false};

// Resets the drawing guard when Draw ends, unless the picture went meanwhile.
class TDrawGuard {
public:
    TDrawGuard(bool& drawing, const std::shared_ptr<const int>& lifetime) : drawing_(drawing), lifetime_(lifetime)
    {
        drawing_ = true;
    }
    ~TDrawGuard()
    {
        if (!lifetime_.expired()) {
            drawing_ = false;
        }
    }
    TDrawGuard(const TDrawGuard&) = delete;
    TDrawGuard& operator=(const TDrawGuard&) = delete;

private:
    bool& drawing_;
    std::weak_ptr<const int> lifetime_;
};

}  // namespace

bool GIFRenderOnLoad()
{
    return renderOnLoad;
}

void SetGIFRenderOnLoad(bool value)
{
    renderOnLoad = value;
}

bool GIFPaletteDevice()
{
    static const bool paletteDevice = [] {
        const QScreen* screen = QGuiApplication::instance() != nullptr ? QGuiApplication::primaryScreen() : nullptr;
        return screen != nullptr && screen->depth() <= 8;
    }();
    return paletteDevice;
}

bool TGIFPicture::DoDither() const
{
    return drawOptions_.Contains(TGIFDrawOption::goDither) &&
           (!drawOptions_.Contains(TGIFDrawOption::goAutoDither) || GIFPaletteDevice());
}

TPalette TGIFPicture::Palette()
{
    if (bitmap_) {
        if (TPalette palette = bitmap_->Palette(); !palette.empty()) {
            return palette;
        }
    }
    if (!globalPalette_.empty()) {
        return globalPalette_;
    }
    if (DoDither()) {
        return MakeWebPalette();
    }
    if (GlobalColorMap().Count() > 0) {
        globalPalette_ = GlobalColorMap().ExportPalette();
        return globalPalette_;
    }
    // The first frame's palette, which comes back here when that frame has no table either.
    if (Empty() || paletteGuard_) {
        RaiseGifError("No global or local color table defined");
    }
    paletteGuard_ = true;
    try {
        TPalette palette = images_[0].Palette();
        paletteGuard_ = false;
        return palette;
    } catch (...) {
        paletteGuard_ = false;
        throw;
    }
}

void TGIFPicture::SetPalette(const TPalette& palette)
{
    if (palette == globalPalette_) {
        return;
    }
    globalPalette_ = palette;
    Changed();
}

TBitmap* TGIFPicture::Bitmap()
{
    if (Empty()) {
        return nullptr;
    }
    if (bitmap_) {
        return bitmap_.get();
    }
    const int width = Width();
    const int height = Height();
    if (width <= 0 || height <= 0) {
        return nullptr;
    }
    // The logical screen is whatever the file says; its picture is made only up to the size of
    // the largest frame the decoder takes.
    if (static_cast<int64_t>(width) * height > GIFMaxFramePixels) {
        throw EOutOfMemory("Failed to allocate memory for GIF DIB");
    }
    TGIFSubImage& first = images_[0];
    auto bitmap = std::make_unique<TBitmap>();
    if (!first.Empty() && first.Left() == 0 && first.Top() == 0 && first.Width() == width && first.Height() == height) {
        bitmap->Assign(first.Bitmap());
    } else {
        const TPalette palette = Palette();
        TDIBWriter writer(*bitmap, &palette, height, width, TPixelFormat::pf8bit);
        writer.Line(0);
        writer.Close();
        first.Draw(bitmap->Canvas(), {0, 0, width, height}, drawOptions_.Contains(TGIFDrawOption::goTransparent), false);
    }
    bitmap_ = std::move(bitmap);
    return bitmap_.get();
}

void TGIFPicture::Draw(TCanvas& canvas, const TRect& rect)
{
    if (drawing_ || Empty()) {
        return;
    }
    ReapPainters();
    TDrawGuard guard(drawing_, lifetime_);
    const bool transparent = drawOptions_.Contains(TGIFDrawOption::goTransparent);
    const bool tile = drawOptions_.Contains(TGIFDrawOption::goTile);
    if (images_.Count() == 1 || !drawOptions_.Contains(TGIFDrawOption::goAnimate)) {
        images_[0].Draw(canvas, rect, transparent, tile);
        return;
    }
    const bool direct = drawOptions_.Contains(TGIFDrawOption::goDirectDraw);
    if (direct || !bitmap_) {
        std::shared_ptr<TGIFPainter> painter;
        {
            std::lock_guard lock(paintersLock_);
            for (const auto& running : painters_) {
                if (running.get() == drawPainter_ && !running->Finished() && &running->Canvas() == &canvas &&
                    running->Rect() == rect) {
                    painter = running;
                }
            }
        }
        if (!painter) {
            StopDraw();
            TCanvas* target = &canvas;
            TRect targetRect = rect;
            if (!direct) {
                TBitmap* own = Bitmap();
                if (own == nullptr) {
                    return;
                }
                targetRect = {0, 0, own->Width(), own->Height()};
                if (const QImage area = canvas.Grab(rect); !area.isNull()) {
                    own->Canvas().CopyRect(targetRect, area, {0, 0, area.width(), area.height()});
                }
                target = &own->Canvas();
            }
            TGIFDrawOptions options = drawOptions_;
            painter = std::make_shared<TGIFPainter>(*this, *target, targetRect, options);
            {
                std::lock_guard lock(paintersLock_);
                painters_.push_back(painter);
                drawPainter_ = painter.get();
            }
            if (painter->Asynchronous()) {
                painter->Start();
            } else {
                const std::weak_ptr<const int> alive = lifetime_;
                std::exception_ptr error;
                try {
                    painter->Execute();
                } catch (...) {
                    error = std::current_exception();
                }
                if (alive.expired()) {
                    // The picture went while its painter dispatched messages.
                    return;
                }
                {
                    std::lock_guard lock(paintersLock_);
                    std::erase(painters_, painter);
                    if (drawPainter_ == painter.get()) {
                        drawPainter_ = nullptr;
                    }
                }
                if (error) {
                    std::rethrow_exception(error);
                }
            }
        }
        if (direct) {
            return;
        }
        painter->WaitForStart();
        if (!bitmap_) {
            return;
        }
    }
    if (tile) {
        canvas.TileDraw(rect, bitmap_->Image());
    } else {
        canvas.StretchDraw(rect, bitmap_->Image());
    }
}

void TGIFPicture::StopDraw()
{
    std::vector<std::shared_ptr<TGIFPainter>> painters;
    {
        std::lock_guard lock(paintersLock_);
        painters = painters_;
    }
    for (const auto& painter : painters) {
        painter->Stop();
    }
    for (const auto& painter : painters) {
        if (painter->Asynchronous()) {
            painter->WaitForEnd();
        }
    }
    ReapPainters();
    if (painterError_) {
        const std::exception_ptr error = painterError_;
        painterError_ = nullptr;
        std::rethrow_exception(error);
    }
}

void TGIFPicture::ReapPainters()
{
    std::vector<std::shared_ptr<TGIFPainter>> ended;
    {
        std::lock_guard lock(paintersLock_);
        for (auto it = painters_.begin(); it != painters_.end();) {
            // A synchronous painter leaves the list when its Draw call ends.
            if ((*it)->Asynchronous() && (*it)->Finished()) {
                if (drawPainter_ == it->get()) {
                    drawPainter_ = nullptr;
                }
                ended.push_back(*it);
                it = painters_.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const auto& painter : ended) {
        if (const std::exception_ptr error = painter->Error(); error && !painterError_) {
            painterError_ = error;
        }
    }
    // The painters' threads are joined as they are freed here, outside the lock.
}

int TGIFPicture::PainterCount() const
{
    std::lock_guard lock(paintersLock_);
    return static_cast<int>(std::count_if(painters_.begin(), painters_.end(),
                                          [](const auto& painter) { return !painter->Finished(); }));
}

void TGIFPicture::SaveToClipboard()
{
    TMemoryStream stream;
    SaveToStream(stream);
    std::string bytes(static_cast<size_t>(stream.Size()), '\0');
    stream.SetPosition(0);
    stream.ReadBuffer(bytes.data(), stream.Size());
    const TBitmap* bitmap = Bitmap();
    if (!Clipboard().SetAsPicture(bitmap != nullptr ? bitmap->Image() : QImage(), {{GIFClipboardFormat, bytes}})) {
        RaiseGifError("Failed to store GIF on clipboard");
    }
}

void TGIFPicture::LoadFromClipboard()
{
    if (Clipboard().HasFormat(GIFClipboardFormat)) {
        TStringStream stream(Clipboard().AsFormat(GIFClipboardFormat));
        LoadFromStream(stream);
        return;
    }
    if (Clipboard().HasPicture()) {
        TBitmap bitmap;
        bitmap.SetImage(Clipboard().AsPicture());
        Assign(bitmap);
        return;
    }
    RaiseGifError("Unsupported clipboard format");
}

namespace {

// A GIF file as a picture of the window layer: the first frame drawn as the picture would draw
// it, transparent pixels left transparent.
QImage DecodeGIFPicture(std::string_view bytes)
{
    TGIFPicture picture;
    TStringStream stream{std::string(bytes)};
    picture.LoadFromStream(stream);
    const int width = picture.Width();
    const int height = picture.Height();
    if (picture.Empty() || width <= 0 || height <= 0) {
        return QImage();
    }
    if (static_cast<int64_t>(width) * height > GIFMaxFramePixels) {
        throw EOutOfMemory("Failed to allocate memory for GIF DIB");
    }
    QImage surface(width, height, QImage::Format_ARGB32_Premultiplied);
    surface.fill(Qt::transparent);
    TBitmap target;
    target.SetImage(surface);
    TGIFDrawOptions options = picture.DrawOptions();
    options.Exclude(TGIFDrawOption::goAnimate);
    picture.SetDrawOptions(options);
    picture.Draw(target.Canvas(), {0, 0, width, height});
    return target.Image();
}

}  // namespace

void RegisterGIFPicture()
{
    static const bool registered = [] {
        RegisterPictureFormat("gif", "GIF Image", "TGIFPicture", DecodeGIFPicture);
        return true;
    }();
    (void)registered;
}
