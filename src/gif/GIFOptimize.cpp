// Optimising a GIF picture: smaller colour tables, fewer blocks, smaller frames, and colour
// reduction, each without changing what the picture shows (reduction aside).
#include "gif/GIFPicture.h"

#include "gif/GIFExtensions.h"

#include <algorithm>

namespace {

bool HasOption(uint8_t options, TGIFOptimizeOption option)
{
    return (options & static_cast<uint8_t>(option)) != 0;
}

TDisposalMethod DisposalOf(const TGIFSubImage& frame)
{
    const TGIFGraphicControlExtension* control = frame.GraphicControlExtension();
    return control != nullptr ? control->Disposal() : TDisposalMethod::dmNone;
}

bool Covers(const TGIFSubImage& outer, const TGIFSubImage& inner)
{
    return outer.Left() <= inner.Left() && outer.Top() <= inner.Top() &&
           outer.Left() + outer.Width() >= inner.Left() + inner.Width() &&
           outer.Top() + outer.Height() >= inner.Top() + inner.Height();
}

// A frame that lets nothing through of what its disposal restores: a frame whose disposal
// restores the background or the previous picture, followed by an opaque frame that covers it
// and does not restore the previous picture itself, shows the same with no disposal at all.
void SimplifyDisposals(TGIFImageList& images)
{
    for (int i = 0; i + 1 < images.Count(); ++i) {
        TGIFSubImage& frame = images[i];
        TGIFGraphicControlExtension* control = frame.GraphicControlExtension();
        if (control == nullptr || frame.Empty() ||
            (control->Disposal() != TDisposalMethod::dmBackground && control->Disposal() != TDisposalMethod::dmPrevious)) {
            continue;
        }
        const TGIFSubImage& next = images[i + 1];
        if (!next.Empty() && next.TransparentColorIndex() < 0 && Covers(next, frame) &&
            DisposalOf(next) != TDisposalMethod::dmPrevious) {
            control->SetDisposal(TDisposalMethod::dmNoDisposal);
        }
    }
}

// A transparent frame none of whose pixels uses its transparent index is opaque.
void DropUnusedTransparency(TGIFImageList& images)
{
    for (int i = 0; i < images.Count(); ++i) {
        TGIFSubImage& frame = images[i];
        const int index = frame.TransparentColorIndex();
        if (index < 0 || frame.Empty()) {
            continue;
        }
        const auto& pixels = frame.Data();
        if (std::find(pixels.begin(), pixels.end(), static_cast<uint8_t>(index)) == pixels.end()) {
            frame.GraphicControlExtension()->SetTransparent(false);
            frame.SetTransparent(false);
            frame.FreeBitmap();
        }
    }
}

// Comments, unknown application blocks, graphic control blocks that change nothing, and empty
// frames without blocks.
void RemoveIdleBlocks(TGIFImageList& images)
{
    const bool single = images.Count() == 1;
    for (int i = 0; i < images.Count(); ++i) {
        TGIFExtensionList& extensions = images[i].Extensions();
        for (int e = extensions.Count() - 1; e >= 0; --e) {
            TGIFExtension& extension = extensions[e];
            bool idle = dynamic_cast<TGIFCommentExtension*>(&extension) != nullptr ||
                        dynamic_cast<TGIFUnknownAppExtension*>(&extension) != nullptr;
            if (const auto* control = dynamic_cast<TGIFGraphicControlExtension*>(&extension)) {
                idle = (control->Delay() == 0 || single) && !control->Transparent() && !control->UserInput() &&
                       (control->Disposal() == TDisposalMethod::dmNone || control->Disposal() == TDisposalMethod::dmNoDisposal);
            }
            if (idle) {
                extensions.Delete(e);
            }
        }
    }
    for (int i = images.Count() - 1; i >= 0; --i) {
        if (images[i].Empty() && images[i].Extensions().Count() == 0) {
            images.Delete(i);
        }
    }
}

// A transparent index for a frame whose new table is full: an entry no pixel uses, or else the
// least used entry, whose pixels move to the nearest other entry.
int FreeIndexForTransparency(std::vector<uint8_t>& pixels, const std::vector<bool>& transparent, TPalette& palette)
{
    std::array<size_t, 256> uses{};
    for (size_t i = 0; i < pixels.size(); ++i) {
        if (!transparent[i]) {
            ++uses[pixels[i]];
        }
    }
    int least = 0;
    for (int i = 0; i < static_cast<int>(palette.size()); ++i) {
        if (uses[static_cast<size_t>(i)] < uses[static_cast<size_t>(least)]) {
            least = i;
        }
    }
    if (uses[static_cast<size_t>(least)] > 0) {
        const TPaletteEntry& gone = palette[static_cast<size_t>(least)];
        int nearest = least == 0 ? 1 : 0;
        int best = 1 << 30;
        for (int i = 0; i < static_cast<int>(palette.size()); ++i) {
            const TPaletteEntry& entry = palette[static_cast<size_t>(i)];
            const int distance =
                std::abs(entry.peRed - gone.peRed) + std::abs(entry.peGreen - gone.peGreen) + std::abs(entry.peBlue - gone.peBlue);
            if (i != least && distance < best) {
                best = distance;
                nearest = i;
            }
        }
        std::replace(pixels.begin(), pixels.end(), static_cast<uint8_t>(least), static_cast<uint8_t>(nearest));
    }
    return least;
}

void ReduceFrameColors(TGIFSubImage& frame, TColorReduction reduction, TDitherMode dither, const TPalette& custom, int bits)
{
    if (frame.Empty()) {
        return;
    }
    const int width = frame.Width();
    const int height = frame.Height();
    const TGIFColorMap& map = frame.ActiveColorMap();
    const int transparentIndex = frame.TransparentColorIndex();
    QImage image(width, height, QImage::Format_RGB32);
    std::vector<bool> transparent(static_cast<size_t>(width) * height, false);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const uint8_t pixel = frame.Data()[static_cast<size_t>(y) * width + x];
            transparent[static_cast<size_t>(y) * width + x] = pixel == transparentIndex;
            const TGIFColor color = pixel < map.Count() ? map.Colors(pixel) : TGIFColor{};
            line[x] = qRgb(color.Red, color.Green, color.Blue);
        }
    }
    TBitmap source;
    source.SetImage(image);
    const std::unique_ptr<TBitmap> reduced = ReduceBitmapColors(source, reduction, dither, &custom, bits);
    TPalette palette = reduced->Palette();
    // The reduced bitmap carries a full table; the entries past the palette used are not needed.
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height);
    int used = 0;
    for (int y = 0; y < height; ++y) {
        const uint8_t* line = reduced->ScanLine(y);
        for (int x = 0; x < width; ++x) {
            pixels[static_cast<size_t>(y) * width + x] = line[x];
            used = std::max(used, line[x] + 1);
        }
    }
    palette.resize(static_cast<size_t>(std::max(used, 1)));
    int newTransparent = -1;
    if (transparentIndex >= 0) {
        if (palette.size() < 256) {
            newTransparent = static_cast<int>(palette.size());
            palette.push_back({0, 0, 0, 0});
        } else {
            newTransparent = FreeIndexForTransparency(pixels, transparent, palette);
        }
        for (size_t i = 0; i < pixels.size(); ++i) {
            if (transparent[i]) {
                pixels[i] = static_cast<uint8_t>(newTransparent);
            }
        }
        frame.GraphicControlExtension()->SetTransparentColorIndex(static_cast<uint8_t>(newTransparent));
    }
    frame.ColorMap().ImportPalette(palette);
    frame.Data() = std::move(pixels);
    frame.FreeBitmap();
}

}  // namespace

void TGIFPicture::Optimize(uint8_t options, TColorReduction reduction, TDitherMode dither, int reductionBits)
{
    if (Empty()) {
        return;
    }
    if (HasOption(options, TGIFOptimizeOption::ooReduceColors) &&
        static_cast<uint8_t>(reduction) > static_cast<uint8_t>(TColorReduction::rmPalette)) {
        RaiseGifError("Invalid reduction method");
    }
    Progress(this, TProgressStage::psStarting, 0, "Optimizing...");
    try {
        StopDraw();
        if (HasOption(options, TGIFOptimizeOption::ooColorMap)) {
            OptimizeColorMaps();
        }
        Progress(this, TProgressStage::psRunning, 20, "Optimizing...");
        if (HasOption(options, TGIFOptimizeOption::ooCleanup)) {
            DropUnusedTransparency(images_);
            SimplifyDisposals(images_);
        }
        Progress(this, TProgressStage::psRunning, 40, "Optimizing...");
        if (HasOption(options, TGIFOptimizeOption::ooMerge)) {
            // From the last frame back, so that each frame is compared with the pixels the frame
            // before it shows.
            for (int i = images_.Count() - 1; i >= 1; --i) {
                images_[i].Merge(images_[i - 1]);
            }
        }
        Progress(this, TProgressStage::psRunning, 60, "Optimizing...");
        if (HasOption(options, TGIFOptimizeOption::ooCrop)) {
            for (int i = images_.Count() - 1; i >= 0; --i) {
                if (images_[i].Empty()) {
                    continue;
                }
                images_[i].Crop();
                if (images_[i].Empty()) {
                    images_.Delete(i);
                }
            }
        }
        Progress(this, TProgressStage::psRunning, 80, "Optimizing...");
        if (HasOption(options, TGIFOptimizeOption::ooCleanup)) {
            RemoveIdleBlocks(images_);
        }
        if (HasOption(options, TGIFOptimizeOption::ooReduceColors) && reduction != TColorReduction::rmNone) {
            const TPalette custom = GlobalColorMap().ExportPalette();
            for (int i = 0; i < images_.Count(); ++i) {
                ReduceFrameColors(images_[i], reduction, dither, custom, reductionBits);
            }
        }
    } catch (...) {
        Progress(this, TProgressStage::psEnding, 0, "Optimizing...");
        Changed();
        throw;
    }
    Progress(this, TProgressStage::psEnding, 100, "Optimizing...");
    Changed();
}
