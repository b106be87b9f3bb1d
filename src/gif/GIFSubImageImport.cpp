// A GIF frame made from another frame or from a bitmap ("Converting...").
#include "gif/GIFCodec.h"

#include "gif/GIFColorReduction.h"
#include "gif/GIFDIB.h"
#include "gif/GIFExtensions.h"
#include "gif/GIFFrameRendering.h"
#include "gif/GIFPicture.h"
#include "platform/gui/Graphics.h"

#include <algorithm>

void TGIFSubImage::Clear()
{
    FreeBitmap();
    pixels_.clear();
    colorMap_.Clear();
    left_ = top_ = width_ = height_ = 0;
    transparent_ = false;
}

void TGIFSubImage::Assign(const TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TGIFSubImage*>(&source)) {
        if (other == this) {
            return;
        }
        FreeBitmap();
        left_ = other->left_;
        top_ = other->top_;
        width_ = other->width_;
        height_ = other->height_;
        packed_ = other->packed_;
        pixels_ = other->pixels_;
        transparent_ = other->transparent_;
        colorMap_.Assign(other->colorMap_);
        // A frame of another picture that draws with that picture's global table takes those
        // colours along in a local table.
        if (colorMap_.Count() == 0 && other->Image() != Image() && other->ActiveColorMap().Count() > 0 &&
            (Image() == nullptr || !(Image()->GlobalColorMap().Count() == other->ActiveColorMap().Count() &&
                                     Image()->GlobalColorMap().ExportPalette() == other->ActiveColorMap().ExportPalette()))) {
            colorMap_.Assign(other->ActiveColorMap());
        }
        // The extensions go through a stream in file form.
        extensions_->Clear();
        TMemoryStream stream;
        other->extensions_->SaveToStream(stream);
        stream.SetPosition(0);
        extensions_->LoadFromStream(stream);
        transparent_ = other->transparent_;
        if (other->HasBitmap()) {
            rendering_ = std::make_unique<TGIFFrameRendering>();
            rendering_->bitmap = std::make_unique<TBitmap>();
            rendering_->bitmap->Assign(*other->rendering_->bitmap);
            if (other->rendering_->mask) {
                rendering_->mask = std::make_unique<TBitmap>();
                rendering_->mask->Assign(*other->rendering_->mask);
            }
        }
        return;
    }
    if (const auto* bitmap = dynamic_cast<const TBitmap*>(&source)) {
        ImportBitmap(*bitmap);
        return;
    }
    if (const auto* picture = dynamic_cast<const TPicture*>(&source)) {
        TBitmap bitmap;
        bitmap.SetImage(picture->Image());
        ImportBitmap(bitmap);
        return;
    }
    if (const auto* gif = dynamic_cast<const TGIFPicture*>(&source)) {
        TBitmap bitmap;
        bitmap.Assign(*gif);
        ImportBitmap(bitmap);
        return;
    }
    RaiseGifError("Object type not supported for operation");
}

void TGIFSubImage::ImportBitmap(const TBitmap& source)
{
    TGIFPicture* picture = Image();
    auto progress = [&](TProgressStage stage, int percent) {
        if (picture != nullptr) {
            picture->Progress(this, stage, percent, "Converting...");
        }
    };
    progress(TProgressStage::psStarting, 0);
    Clear();
    const QImage& image = source.Image();
    const int width = image.width();
    const int height = image.height();
    if (image.isNull() || width == 0 || height == 0) {
        progress(TProgressStage::psEnding, 100);
        return;
    }
    // A picture with an alpha channel marks its clear pixels as transparent.
    std::vector<bool> masked;
    if (image.hasAlphaChannel()) {
        masked.resize(static_cast<size_t>(width) * height);
        const QImage alpha = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < height; ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(alpha.constScanLine(y));
            for (int x = 0; x < width; ++x) {
                masked[static_cast<size_t>(y) * width + x] = qAlpha(line[x]) < 128;
            }
        }
    }
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height);
    TPixelFormat format = source.PixelFormat();
    std::unique_ptr<TBitmap> reduced;
    const TBitmap* rows = &source;
    if (format != TPixelFormat::pf1bit && format != TPixelFormat::pf8bit) {
        reduced = ReduceBitmapColors(source, picture != nullptr ? picture->ColorReduction() : TColorReduction::rmWebColors,
                                     picture != nullptr ? picture->DitherMode() : TDitherMode::dmNearest, nullptr,
                                     picture != nullptr ? picture->ReductionBits() : 8);
        rows = reduced.get();
        format = rows->PixelFormat();
    }
    try {
        if (format == TPixelFormat::pf1bit || format == TPixelFormat::pf8bit) {
            colorMap_.ImportPalette(rows->Palette());
            for (int y = 0; y < height; ++y) {
                const uint8_t* line = rows->ScanLine(y);
                uint8_t* out = pixels.data() + static_cast<size_t>(y) * width;
                if (format == TPixelFormat::pf8bit) {
                    std::copy_n(line, width, out);
                } else {
                    for (int x = 0; x < width; ++x) {
                        out[x] = static_cast<uint8_t>((line[x / 8] >> (7 - x % 8)) & 1);
                    }
                }
                if (y % 32 == 31) {
                    progress(TProgressStage::psRunning, (y + 1) * 100 / height);
                }
            }
        } else {
            // Blue, green and red bytes: colours become table entries as they come; a ring of
            // the 8 colours last used saves most of the searches.
            TBitmap copy;
            copy.Assign(*rows);
            TDIBReader reader(copy, TPixelFormat::pf24bit);
            struct TRingEntry {
                TGIFColor color;
                int index = -1;
            };
            std::array<TRingEntry, 8> ring{};
            int last = 0;
            int next = 0;
            for (int y = 0; y < height; ++y) {
                const uint8_t* line = reader.Line(y);
                uint8_t* out = pixels.data() + static_cast<size_t>(y) * width;
                for (int x = 0; x < width; ++x, line += 3) {
                    const TGIFColor color{line[2], line[1], line[0]};
                    int index = -1;
                    for (int i = 0; i < 8 && index < 0; ++i) {
                        const TRingEntry& entry = ring[static_cast<size_t>((last - i + 8) % 8)];
                        if (entry.index >= 0 && entry.color == color) {
                            index = entry.index;
                            last = (last - i + 8) % 8;
                        }
                    }
                    if (index < 0) {
                        index = colorMap_.IndexOf(color);
                        if (index < 0) {
                            index = colorMap_.Add(color);
                        }
                        ring[static_cast<size_t>(next)] = {color, index};
                        last = next;
                        next = (next + 1) % 8;
                    }
                    out[x] = static_cast<uint8_t>(index);
                }
                if (y % 32 == 31) {
                    progress(TProgressStage::psRunning, (y + 1) * 100 / height);
                }
            }
        }
    } catch (...) {
        progress(TProgressStage::psEnding, 0);
        Clear();
        throw;
    }
    // A bitmap's table may run past the colours its pixels use (a reduced one holds 256
    // entries): the unused entries at its end are left out.
    if (const int used = pixels.empty() ? 0 : *std::max_element(pixels.begin(), pixels.end()) + 1; used < colorMap_.Count()) {
        while (colorMap_.Count() > used) {
            colorMap_.Delete(colorMap_.Count() - 1);
        }
    }
    left_ = 0;
    top_ = 0;
    width_ = static_cast<uint16_t>(width);
    height_ = static_cast<uint16_t>(height);
    pixels_ = std::move(pixels);
    if (picture != nullptr) {
        // The frame may reach beyond the picture's logical screen: it grows.
        SetBounds(0, 0, width, height);
    }
    if (!masked.empty()) {
        // The masked pixels take a black entry added for them, when the table has room.
        colorMap_.Optimize();
        const int count = colorMap_.Count();
        if (count > 0 && count < TGIFColorMap::MaxColors) {
            const int index = colorMap_.Add({0, 0, 0});
            bool any = false;
            for (size_t i = 0; i < masked.size(); ++i) {
                if (masked[i]) {
                    pixels_[i] = static_cast<uint8_t>(index);
                    any = true;
                }
            }
            if (any) {
                auto control = std::make_unique<TGIFGraphicControlExtension>(*this);
                control->SetTransparent(true);
                control->SetTransparentColorIndex(static_cast<uint8_t>(index));
                extensions_->Add(std::move(control));
                transparent_ = true;
            } else {
                colorMap_.Delete(index);
            }
        }
    }
    progress(TProgressStage::psEnding, 100);
}
