#include "widgets/KitGlyph.h"

#include "widgets/KitProcs.h"

#include <algorithm>

namespace {

std::unique_ptr<TKitGlyphCache>& GlobalCache()
{
    static std::unique_ptr<TKitGlyphCache> cache;
    return cache;
}

int Brightness(QRgb pixel)
{
    return qRed(pixel) + qGreen(pixel) + qBlue(pixel);
}

}  // namespace

// ---- TKitGlyphList ----

TKitGlyphList::TKitGlyphList(int width, int height) : TKitImageListItem(nullptr)
{
    SetWidth(width);
    SetHeight(height);
    SetMasked(true);
}

int TKitGlyphList::AllocIndex()
{
    const auto free = std::find(used_.begin(), used_.end(), false);
    const int index = static_cast<int>(free - used_.begin());
    if (free == used_.end()) {
        Add();
        used_.resize(static_cast<size_t>(index) + 1, false);
    }
    used_[static_cast<size_t>(index)] = true;
    return index;
}

int TKitGlyphList::AddMasked(const TBitmap& bitmap, TColor transparentColour)
{
    const int index = AllocIndex();
    ReplaceMasked(index, bitmap, transparentColour);
    ++useCount_;
    return index;
}

void TKitGlyphList::ReleaseIndex(int index)
{
    if (index >= 0 && index < static_cast<int>(used_.size()) && used_[static_cast<size_t>(index)]) {
        --useCount_;
        used_[static_cast<size_t>(index)] = false;
    }
}

// ---- TKitGlyphCache ----

TKitGlyphList& TKitGlyphCache::GetList(int width, int height)
{
    for (const auto& list : lists_) {
        if (list->Width() == width && list->Height() == height) {
            return *list;
        }
    }
    lists_.push_back(std::make_unique<TKitGlyphList>(width, height));
    return *lists_.back();
}

void TKitGlyphCache::ReleaseList(TKitGlyphList* list)
{
    const auto found = std::find_if(lists_.begin(), lists_.end(), [&](const auto& held) { return held.get() == list; });
    if (found != lists_.end() && (*found)->UseCount() == 0) {
        lists_.erase(found);
    }
}

TKitGlyphCache* KitGlyphCache()
{
    return GlobalCache().get();
}

// ---- renderings ----

QImage KitGreyGlyph(const QImage& picture)
{
    QImage grey = picture.convertToFormat(QImage::Format_RGB32);
    if (grey.isNull()) {
        return grey;
    }
    const QRgb background = grey.pixel(0, 0);
    int64_t sum = 0;
    int64_t count = 0;
    // Both passes stay inside the picture: x < width, y < height.
    for (int y = 0; y < grey.height(); ++y) {
        for (int x = 0; x < grey.width(); ++x) {
            const QRgb pixel = grey.pixel(x, y);
            if (pixel != background) {
                sum += Brightness(pixel);
                ++count;
            }
        }
    }
    const int base = count == 0 ? 0 : static_cast<int>(-KitRound(200.0 - static_cast<double>(sum) / static_cast<double>(count)));
    const QRgb white = qRgb(255, 255, 255);
    const QRgb highlight = ToQColor(clBtnHighlight).rgb();
    const QRgb shadow = ToQColor(clBtnShadow).rgb();
    const QRgb black = qRgb(0, 0, 0);
    for (int y = 0; y < grey.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(grey.scanLine(y));
        for (int x = 0; x < grey.width(); ++x) {
            if (line[x] == background) continue;
            const int v = Brightness(line[x]);
            line[x] = v > base + 550 ? white : v > base + 250 ? highlight : v > base + 50 ? shadow : black;
        }
    }
    return grey;
}

QImage KitDisabledGlyph(const QImage& picture, TColor transparentColour)
{
    const QImage source = picture.convertToFormat(QImage::Format_RGB32);
    QImage result(source.size(), QImage::Format_RGB32);
    result.fill(ToQColor(transparentColour));
    const QRgb key = ToQColor(transparentColour).rgb();
    const QRgb white = qRgb(255, 255, 255);
    const QRgb highlight = ToQColor(clBtnHighlight).rgb();
    const QRgb shadow = ToQColor(clBtnShadow).rgb();
    auto ink = [&](int x, int y) {
        const QRgb pixel = source.pixel(x, y);
        return pixel != key && pixel != white;
    };
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            if (ink(x, y) && x + 1 < result.width() && y + 1 < result.height()) result.setPixel(x + 1, y + 1, highlight);
        }
    }
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            if (ink(x, y)) result.setPixel(x, y, shadow);
        }
    }
    return result;
}

// ---- TKitGlyph ----

TKitGlyph::TKitGlyph()
{
    indices_.fill(-1);
    glyph_.OnChange = [this](TObject*) { GlyphChanged(); };
}

TKitGlyph::~TKitGlyph()
{
    glyph_.OnChange = nullptr;
    Invalidate();
    if (GlobalCache() && GlobalCache()->IsEmpty()) {
        GlobalCache().reset();
    }
}

void TKitGlyph::SetGlyph(const TBitmap& bitmap)
{
    Invalidate();
    const TNotifyEvent changed = glyph_.OnChange;
    glyph_.OnChange = nullptr;
    glyph_.Assign(bitmap);
    glyph_.OnChange = changed;
    if (!glyph_.Empty() && glyph_.Height() >= 1) {
        transparentColor_ = FromQColor(glyph_.Image().pixelColor(0, glyph_.Height() - 1));
        if (glyph_.Width() % glyph_.Height() == 0) {
            const int pictures = glyph_.Width() / glyph_.Height();
            numGlyphs_ = pictures < 6 ? pictures : 1;
        }
    }
    if (OnChange) OnChange(nullptr);
}

void TKitGlyph::SetNumGlyphs(int value)
{
    value = std::min(value, 5);
    if (value <= 0 || value == numGlyphs_) return;
    Invalidate();
    numGlyphs_ = value;
}

void TKitGlyph::SetStyle(int value)
{
    if (value == style_) return;
    Invalidate();
    style_ = value;
}

void TKitGlyph::GlyphChanged()
{
    if (!glyph_.Empty()) {
        transparentColor_ = FromQColor(glyph_.Image().pixelColor(0, glyph_.Height() - 1));
    }
    Invalidate();
    if (OnChange) OnChange(nullptr);
}

void TKitGlyph::Invalidate()
{
    for (int& index : indices_) {
        if (index != -1 && list_ != nullptr) list_->ReleaseIndex(index);
        index = -1;
    }
    if (list_ != nullptr && GlobalCache()) {
        GlobalCache()->ReleaseList(list_);
    }
    list_ = nullptr;
}

int TKitGlyph::GlyphIndex(int state)
{
    int slot = state;
    if (state == 1 || state == 7) {
        slot = 1;
    } else if (state > numGlyphs_ - 1) {
        slot = style_ == 1 ? (state == 6 ? 4 : 2) : 0;
    }
    if (slot < 0 || slot >= static_cast<int>(indices_.size())) return -1;
    if (indices_[static_cast<size_t>(slot)] != -1) return indices_[static_cast<size_t>(slot)];
    if (glyph_.Empty()) return -1;

    const int cellWidth = glyph_.Width() / numGlyphs_;
    const int cellHeight = glyph_.Height();
    if (cellWidth < 1) return -1;
    if (list_ == nullptr) {
        if (!GlobalCache()) GlobalCache() = std::make_unique<TKitGlyphCache>();
        list_ = &GlobalCache()->GetList(cellWidth, cellHeight);
    }
    const QImage first = glyph_.Image().copy(0, 0, cellWidth, cellHeight);
    QImage picture;
    if (slot >= numGlyphs_ || (style_ == 1 && slot == 0)) {
        switch (slot) {
        case 0:
            picture = style_ == 1 ? KitGreyGlyph(first) : first;
            break;
        case 1:
        case 7:
            picture = KitDisabledGlyph(first, transparentColor_);
            break;
        case 2:
        case 3:
        case 4:
            picture = first;
            break;
        default:
            return -1;
        }
    } else {
        picture = glyph_.Image().copy(slot * cellWidth, 0, cellWidth, cellHeight);
    }
    TBitmap bitmap;
    bitmap.SetImage(picture);
    const int index = list_->AddMasked(bitmap, transparentColor_);
    indices_[static_cast<size_t>(slot)] = index;
    return index;
}

TRect TKitGlyph::Draw(TCanvas& canvas, const std::string& caption, int textFormat, unsigned drawFlags, bool multiLine,
                      int state, const TKitGlyphTextLayout& layout, TKit3DCaption* fxCaption, const TRect& rect)
{
    const int index = GlyphIndex(state);
    if (index == -1 || list_ == nullptr) {
        return KitDrawGlyphText(canvas, caption, fxCaption, nullptr, textFormat, drawFlags, true, true, multiLine, layout,
                                clNone, nullptr, {}, nullptr, rect);
    }
    const TRect cell = list_->ImageRect(index);
    const TColor transparent = FromQColor(list_->Strip().pixelColor(cell.Left, cell.Bottom - 1));
    return KitDrawGlyphText(canvas, caption, fxCaption, nullptr, textFormat, drawFlags, true, true, multiLine, layout,
                            transparent, &list_->MaskStrip(), cell, &list_->Strip(), rect);
}
