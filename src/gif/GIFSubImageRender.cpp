// Drawing of a GIF frame: its bitmap and transparency mask, its palette and place within a
// destination, and the crop and merge steps of optimising.
#include "gif/GIFCodec.h"

#include "gif/GIFDIB.h"
#include "gif/GIFFrameRendering.h"
#include "gif/GIFPicture.h"

#include <algorithm>

namespace {

// The colours of a table as 256 entries; indices beyond the table show black.
std::array<TGIFColor, 256> ColorsOf(const TGIFColorMap& map)
{
    std::array<TGIFColor, 256> colors{};
    for (int i = 0; i < map.Count(); ++i) {
        colors[static_cast<size_t>(i)] = map.Colors(i);
    }
    return colors;
}

}  // namespace

bool TGIFSubImage::Dithered() const
{
    return Image() != nullptr && Image()->DoDither();
}

bool TGIFSubImage::HasBitmap() const noexcept
{
    return rendering_ && rendering_->bitmap;
}

void TGIFSubImage::FreeBitmap()
{
    rendering_.reset();
}

TBitmap& TGIFSubImage::Bitmap()
{
    if (!HasBitmap()) {
        Render();
    }
    return *rendering_->bitmap;
}

const TBitmap* TGIFSubImage::Mask()
{
    Bitmap();
    return rendering_->mask.get();
}

TPalette TGIFSubImage::Palette()
{
    if (HasBitmap()) {
        if (TPalette palette = rendering_->bitmap->Palette(); !palette.empty()) {
            return palette;
        }
    }
    if (rendering_ && rendering_->hasPalette) {
        return rendering_->palette;
    }
    if (Dithered()) {
        return MakeWebPalette();
    }
    if (colorMap_.Count() > 0) {
        return colorMap_.ExportPalette();
    }
    if (Image() != nullptr) {
        return Image()->Palette();
    }
    RaiseGifError("No global or local color table defined");
}

void TGIFSubImage::SetPalette(const TPalette& palette)
{
    FreeBitmap();
    rendering_ = std::make_unique<TGIFFrameRendering>();
    rendering_->palette = palette;
    rendering_->hasPalette = true;
}

void TGIFSubImage::Render()
{
    TPalette palette = Palette();
    auto rendering = std::make_unique<TGIFFrameRendering>();
    if (rendering_ && rendering_->hasPalette) {
        rendering->palette = rendering_->palette;
        rendering->hasPalette = true;
    }
    rendering->bitmap = std::make_unique<TBitmap>();
    if (Empty()) {
        rendering_ = std::move(rendering);
        return;
    }
    TGIFPicture* picture = Image();
    auto progress = [&](TProgressStage stage, int percent) {
        if (picture != nullptr) {
            picture->Progress(this, stage, percent, "Rendering...");
        }
    };
    const int width = width_;
    const int height = height_;
    const int transparentIndex = TransparentColorIndex();
    // The mask: rows of whole bytes, most significant bit first, set where the frame is
    // transparent.
    const int maskRowBytes = (width + 7) / 8;
    std::vector<uint8_t> mask;
    if (transparentIndex >= 0) {
        mask.assign(static_cast<size_t>(maskRowBytes) * height, 0);
    }
    bool masked = false;
    auto markTransparent = [&](int x, int y) {
        mask[static_cast<size_t>(y) * maskRowBytes + static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
        masked = true;
    };
    try {
        progress(TProgressStage::psStarting, 0);
        TDIBWriter writer(*rendering->bitmap, &palette, height, width, TPixelFormat::pf8bit);
        if (Dithered()) {
            // The frame's colours onto the web palette, with the error carried to the neighbours;
            // transparent pixels take no part.
            const TGIFColorMap& map = ActiveColorMap();
            const std::array<TGIFColor, 256> colors = map.Count() > 0 ? ColorsOf(map) : std::array<TGIFColor, 256>{};
            TNetscapeColorLookup lookup;
            TFloydSteinbergDitherer ditherer(width, lookup);
            for (int y = 0; y < height; ++y) {
                const uint8_t* row = pixels_.data() + static_cast<size_t>(y) * width;
                uint8_t* line = writer.Line(y);
                for (int x = ditherer.Column(); x >= 0 && x < width; x = ditherer.Column()) {
                    if (row[x] == transparentIndex) {
                        ditherer.SkipPixel();
                        line[x] = 0;
                        markTransparent(x, y);
                        continue;
                    }
                    const TGIFColor& color = colors[row[x]];
                    line[x] = ditherer.MapPixel(color.Red, color.Green, color.Blue).Index;
                }
                ditherer.EndLine();
                if (y % 32 == 31) {
                    progress(TProgressStage::psRunning, (y + 1) * 100 / height);
                }
            }
        } else {
            for (int y = 0; y < height; ++y) {
                const uint8_t* row = pixels_.data() + static_cast<size_t>(y) * width;
                std::copy(row, row + width, writer.Line(y));
                if (transparentIndex >= 0) {
                    for (int x = 0; x < width; ++x) {
                        if (row[x] == transparentIndex) {
                            markTransparent(x, y);
                        }
                    }
                }
                if (y % 32 == 31) {
                    progress(TProgressStage::psRunning, (y + 1) * 100 / height);
                }
            }
        }
        writer.Close();
        progress(TProgressStage::psEnding, 100);
    } catch (const EAbort&) {
        // The progress handler asked to stop: the frame is drawn as far as it got.
    }
    if (masked) {
        QImage image(width, height, QImage::Format_Mono);
        image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
        for (int y = 0; y < height; ++y) {
            std::copy_n(mask.data() + static_cast<size_t>(y) * maskRowBytes, maskRowBytes, image.scanLine(y));
        }
        rendering->mask = std::make_unique<TBitmap>();
        rendering->mask->SetImage(image);
    }
    rendering_ = std::move(rendering);
}

TRect TGIFSubImage::ScaleRect(const TRect& destination) const
{
    const TGIFPicture* picture = Image();
    const int64_t pictureWidth = picture != nullptr && picture->Width() > 0 ? picture->Width() : std::max<int>(width_, 1);
    const int64_t pictureHeight = picture != nullptr && picture->Height() > 0 ? picture->Height() : std::max<int>(height_, 1);
    const int64_t destinationWidth = destination.Width();
    const int64_t destinationHeight = destination.Height();
    return {destination.Left + static_cast<int>(left_ * destinationWidth / pictureWidth),
            destination.Top + static_cast<int>(top_ * destinationHeight / pictureHeight),
            destination.Left + static_cast<int>((left_ + width_) * destinationWidth / pictureWidth),
            destination.Top + static_cast<int>((top_ + height_) * destinationHeight / pictureHeight)};
}

void TGIFSubImage::Draw(TCanvas& canvas, const TRect& destination, bool transparent, bool tile)
{
    if (Empty()) {
        return;
    }
    TBitmap& bitmap = Bitmap();
    if (bitmap.Empty()) {
        return;
    }
    const QImage* image = &bitmap.Image();
    if (transparent && rendering_->mask) {
        if (rendering_->masked.isNull()) {
            QImage masked = bitmap.Image().convertToFormat(QImage::Format_ARGB32);
            const QImage& mask = rendering_->mask->Image();
            for (int y = 0; y < masked.height(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(masked.scanLine(y));
                const uchar* bits = mask.constScanLine(y);
                for (int x = 0; x < masked.width(); ++x) {
                    if ((bits[x / 8] & (0x80 >> (x % 8))) != 0) {
                        line[x] = 0;
                    }
                }
            }
            rendering_->masked = masked;
        }
        image = &rendering_->masked;
    }
    if (tile) {
        canvas.TileDraw(destination, *image);
    } else {
        canvas.StretchDraw(ScaleRect(destination), *image);
    }
}

void TGIFSubImage::Crop()
{
    const int transparent = TransparentColorIndex();
    if (transparent < 0 || Empty()) {
        return;
    }
    const int width = width_;
    const int height = height_;
    auto pixel = [&](int x, int y) { return pixels_[static_cast<size_t>(y) * width + x]; };
    auto columnClear = [&](int x) {
        for (int y = 0; y < height; ++y) {
            if (pixel(x, y) != transparent) {
                return false;
            }
        }
        return true;
    };
    int left = 0;
    while (left < width && columnClear(left)) {
        ++left;
    }
    if (left == width) {
        // Transparent throughout. A frame that carries blocks (its delay, the loop) keeps one
        // transparent pixel, so that its blocks stay its own when the file is written.
        if (extensions_->Count() > 0) {
            std::vector<uint8_t> one(1, static_cast<uint8_t>(transparent));
            width_ = 1;
            height_ = 1;
            pixels_ = std::move(one);
        } else {
            pixels_.clear();
            width_ = 0;
            height_ = 0;
        }
        FreeBitmap();
        return;
    }
    int right = width;
    while (right > left && columnClear(right - 1)) {
        --right;
    }
    auto rowClear = [&](int y) {
        for (int x = left; x < right; ++x) {
            if (pixel(x, y) != transparent) {
                return false;
            }
        }
        return true;
    };
    int top = 0;
    while (top < height && rowClear(top)) {
        ++top;
    }
    int bottom = height;
    while (bottom > top && rowClear(bottom - 1)) {
        --bottom;
    }
    if (left == 0 && top == 0 && right == width && bottom == height) {
        return;
    }
    std::vector<uint8_t> cropped;
    cropped.reserve(static_cast<size_t>(right - left) * (bottom - top));
    for (int y = top; y < bottom; ++y) {
        const auto start = pixels_.begin() + static_cast<std::ptrdiff_t>(y) * width;
        cropped.insert(cropped.end(), start + left, start + right);
    }
    pixels_ = std::move(cropped);
    left_ = static_cast<uint16_t>(left_ + left);
    top_ = static_cast<uint16_t>(top_ + top);
    width_ = static_cast<uint16_t>(right - left);
    height_ = static_cast<uint16_t>(bottom - top);
    FreeBitmap();
}

void TGIFSubImage::Merge(TGIFSubImage& previous)
{
    if (Empty() || previous.Empty()) {
        return;
    }
    if (const TGIFGraphicControlExtension* control = previous.GraphicControlExtension();
        control != nullptr && (control->Disposal() == TDisposalMethod::dmBackground ||
                               control->Disposal() == TDisposalMethod::dmPrevious)) {
        return;
    }
    const int left = std::max<int>(left_, previous.left_);
    const int top = std::max<int>(top_, previous.top_);
    const int right = std::min<int>(left_ + width_, previous.left_ + previous.width_);
    const int bottom = std::min<int>(top_ + height_, previous.top_ + previous.height_);
    if (left >= right || top >= bottom) {
        return;
    }
    const TGIFColorMap& map = ActiveColorMap();
    const TGIFColorMap& previousMap = previous.ActiveColorMap();
    const bool sameTable = &map == &previousMap;
    const std::array<TGIFColor, 256> colors = ColorsOf(map);
    const std::array<TGIFColor, 256> previousColors = ColorsOf(previousMap);
    const int ownTransparent = TransparentColorIndex();
    const int previousTransparent = previous.TransparentColorIndex();
    int replacement = ownTransparent;
    bool failed = false;
    bool replaced = false;
    // An opaque frame needs a transparent index at the first replacement: another transparent
    // frame's index on the same global table when this frame never uses it, else a new entry.
    auto makeIndex = [&]() -> int {
        if (colorMap_.Count() > 0) {
            return colorMap_.Count() < TGIFColorMap::MaxColors ? colorMap_.Add({0, 0, 0}) : -1;
        }
        TGIFPicture* picture = Image();
        if (picture == nullptr) {
            return -1;
        }
        for (int i = 0; i < picture->Images().Count(); ++i) {
            const TGIFSubImage& other = picture->Images()[i];
            const int index = other.TransparentColorIndex();
            if (&other != this && other.ColorMap().Count() == 0 && index >= 0 &&
                std::find(pixels_.begin(), pixels_.end(), static_cast<uint8_t>(index)) == pixels_.end()) {
                return index;
            }
        }
        TGIFColorMap& global = picture->GlobalColorMap();
        return global.Count() < TGIFColorMap::MaxColors ? global.Add({0, 0, 0}) : -1;
    };
    for (int y = top; y < bottom && !failed; ++y) {
        uint8_t* row = pixels_.data() + static_cast<size_t>(y - top_) * width_;
        const uint8_t* below = previous.pixels_.data() + static_cast<size_t>(y - previous.top_) * previous.width_;
        for (int x = left; x < right; ++x) {
            uint8_t& pixel = row[x - left_];
            const uint8_t under = below[x - previous.left_];
            if (pixel == ownTransparent || under == previousTransparent) {
                continue;
            }
            const bool same = sameTable ? pixel == under
                                        : pixel < map.Count() && under < previousMap.Count() && colors[pixel] == previousColors[under];
            if (!same) {
                continue;
            }
            if (replacement < 0) {
                replacement = makeIndex();
                if (replacement < 0) {
                    failed = true;
                    break;
                }
            }
            pixel = static_cast<uint8_t>(replacement);
            replaced = true;
        }
    }
    if (replaced && ownTransparent < 0) {
        TGIFGraphicControlExtension* control = GraphicControlExtension();
        if (control == nullptr) {
            auto made = std::make_unique<TGIFGraphicControlExtension>(*this);
            control = made.get();
            extensions_->Add(std::move(made));
        }
        control->SetTransparent(true);
        control->SetTransparentColorIndex(static_cast<uint8_t>(replacement));
        transparent_ = true;
    }
    FreeBitmap();
}
