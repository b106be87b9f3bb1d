#pragma once
// Button glyphs: one bitmap holding up to five pictures side by side, one per button state.
// A glyph turns the state a button is drawn in into a picture, deriving the missing ones (the
// grey idle picture, the embossed disabled picture) from the first, and keeps every picture it
// has produced in a masked strip that all glyphs of the same cell size share. The process-wide
// glyph cache owns those strips.

#include "platform/gui/Bitmap.h"
#include "widgets/KitGraph.h"
#include "widgets/KitImageList.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

// A strip of glyph pictures of one cell size. Positions are handed out and given back through
// a bit set; a given-back picture stays in the strip and its position is used again.
class TKitGlyphList : public TKitImageListItem {
public:
    TKitGlyphList(int width, int height);
    const char* ClassName() const noexcept override { return "TKitGlyphList"; }

    // The first free position; the strip grows by one picture when every position is taken.
    int AllocIndex();
    // Stores the bitmap masked by the colour at a free position and counts one more user.
    int AddMasked(const TBitmap& bitmap, TColor transparentColour);
    // Gives the position back (nothing for one not handed out).
    void ReleaseIndex(int index);
    int UseCount() const noexcept { return useCount_; }

private:
    int useCount_ = 0;
    std::vector<bool> used_;
};

// The strips, at most one per cell size.
class TKitGlyphCache {
public:
    // The strip of the cell size, made when there is none.
    TKitGlyphList& GetList(int width, int height);
    // Frees the strip when nobody uses it any more.
    void ReleaseList(TKitGlyphList* list);
    bool IsEmpty() const noexcept { return lists_.empty(); }
    int Count() const noexcept { return static_cast<int>(lists_.size()); }

private:
    std::vector<std::unique_ptr<TKitGlyphList>> lists_;
};

// The global cache: made by the first glyph that needs a strip, freed when a glyph goes and
// the cache holds no strip. Null while there is none.
TKitGlyphCache* KitGlyphCache();

// The grey picture of a glyph's idle state: every pixel that differs from the top-left one is
// replaced by white, clBtnHighlight, clBtnShadow or black by its brightness against the
// picture's average.
QImage KitGreyGlyph(const QImage& picture);
// The embossed picture of a disabled state: the picture's shape in clBtnHighlight one pixel
// down and right, and in clBtnShadow over it, on the transparent colour. Pixels of the
// transparent colour and white ones are not part of the shape.
QImage KitDisabledGlyph(const QImage& picture, TColor transparentColour);

class TKitGlyph {
public:
    TKitGlyph();
    ~TKitGlyph();
    TKitGlyph(const TKitGlyph&) = delete;
    TKitGlyph& operator=(const TKitGlyph&) = delete;

    const TBitmap& Glyph() const noexcept { return glyph_; }
    // Copies the bitmap and takes its transparent colour (its bottom-left pixel); a bitmap
    // whose width is a whole multiple of its height is split into that many pictures when they
    // are fewer than 6, else taken as one.
    void SetGlyph(const TBitmap& bitmap);
    int NumGlyphs() const noexcept { return numGlyphs_; }
    // 0 and the current value are ignored; at most 5.
    void SetNumGlyphs(int value);
    // 0 normal; 1 grey while idle, coloured otherwise.
    int Style() const noexcept { return style_; }
    void SetStyle(int value);
    TColor TransparentColor() const noexcept { return transparentColor_; }

    // The strip position of the state's picture, produced on first use; -1 for none.
    int GlyphIndex(int state);
    // The strip the pictures are in (null before the first one).
    const TKitGlyphList* List() const noexcept { return list_; }
    // Gives every produced picture back and lets go of the strip.
    void Invalidate();
    // Draws the caption with the state's picture (the caption alone when there is none) in
    // `rect` as the layout places them; answers the layout's result rectangle.
    TRect Draw(TCanvas& canvas, const std::string& caption, int textFormat, unsigned drawFlags, bool multiLine, int state,
               const TKitGlyphTextLayout& layout, TKit3DCaption* fxCaption, const TRect& rect);

    TNotifyEvent OnChange;

private:
    void GlyphChanged();

    TBitmap glyph_;
    std::array<int, 9> indices_;
    TKitGlyphList* list_ = nullptr;
    int numGlyphs_ = 1;
    int style_ = 0;
    TColor transparentColor_ = clNone;
};
