#pragma once
// Image lists: each item is a strip of pictures of one size side by side in one bitmap, with
// an optional monochrome mask strip of the same layout (white where the picture is
// see-through). Controls address a picture by (item index, picture index).
//
// The strip grows by AllocBy pictures at a time and never beyond 32768 pixels. An item record
// holds Height, Width, AllocBy, Masked and the picture count, then, for a count above 0, the
// strip cut to the pictures in use as a bitmap and, when masked, the mask strip (1 bit).

#include "platform/gui/Bitmap.h"
#include "widgets/KitCustomImageList.h"
#include "widgets/KitLists.h"

#include <cstdint>
#include <vector>

inline constexpr int kitMaxStripWidth = 32768;

class TKitImageListItem : public TKitListItem {
public:
    explicit TKitImageListItem(TComponent* owner);
    const char* ClassName() const noexcept override { return "TKitImageListItem"; }
    // Copies the settings, clears and appends the source's pictures.
    void Assign(const TPersistent& source) override;

    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }
    // A new size clears the item; a value below 1 raises EInvalidGraphicOperation "Invalid image size".
    void SetWidth(int value);
    void SetHeight(int value);
    int AllocBy() const noexcept { return allocBy_; }
    void SetAllocBy(int value) { allocBy_ = value < 1 ? 1 : value; }
    bool Masked() const noexcept { return masked_; }
    void SetMasked(bool value);
    TKitSavePixelFormat PixelFormat() const noexcept { return pixelFormat_; }
    void SetPixelFormat(TKitSavePixelFormat value) { pixelFormat_ = value; }
    // How a masked picture is drawn (0..3, see Draw); the background and blend colours it uses.
    uint8_t DrawStyle() const noexcept { return drawStyle_; }
    void SetDrawStyle(uint8_t value) { drawStyle_ = value; }
    TColor BkColor() const noexcept { return bkColor_; }
    void SetBkColor(TColor value) { bkColor_ = value; }
    TColor BlendColor() const noexcept { return blendColor_; }
    void SetBlendColor(TColor value) { blendColor_ = value; }
    // 0 draws the pictures, 1 their masks.
    uint8_t ImageType() const noexcept { return imageType_; }
    void SetImageType(uint8_t value) { imageType_ = value; }

    int Count() const noexcept { return static_cast<int>(pictures_.size()); }
    // The strip's width in pixels (its capacity) and the part in use.
    int StripWidth() const noexcept { return image_.width(); }
    int UsedWidth() const noexcept { return usedWidth_; }
    const QImage& Strip() const noexcept { return image_; }
    const QImage& MaskStrip() const noexcept { return mask_; }

    // Adds the first picture of `image` (and of `mask`, when masked); with neither, a blank
    // picture. The image (and mask) must be Height high and a whole number of pictures wide,
    // else EInvalidGraphicOperation "Invalid image size"; a strip that would grow beyond 32768
    // pixels raises "Too many images". Answers the new picture's index.
    int Add(const TBitmap* image = nullptr, const TBitmap* mask = nullptr);
    // Puts the image (and the mask, or a black mask area when none is given) in the picture's
    // place. An index outside the list raises EListError.
    void Replace(int index, const TBitmap& image, const TBitmap* mask = nullptr);
    // On a masked item the mask comes from the image's pixels of `transparentColour`.
    void ReplaceMasked(int index, const TBitmap& image, TColor transparentColour);
    // Removes the picture; the ones behind it move up.
    void Delete(int index);
    // Appends the pictures of an item of the same picture size ("Invalid image size" otherwise).
    void AddItem(const TKitImageListItem& other);

    // (x offset, 0, Width, Height) of the picture in the strip.
    TRect ImageRect(int index) const;
    bool PictureMasked(int index) const;
    TColor TransparentColor(int index) const;
    TColor Pixel(int index, int x, int y) const;
    QImage ImageCopy(int index) const;
    // Draws the picture with its top-left corner at (x, y). Without a mask (or with image type
    // 1) a plain copy; otherwise by the draw style: 3 the mask ANDed in, then the picture ORed
    // in; 2 the same over the background colour when one is set; 0 and 1 over the background
    // colour, with the blend colour laid over every pixel where x or y is even (0) or where x
    // and y differ in parity (1).
    void Draw(TCanvas& canvas, int x, int y, int index) const;
    // Draws the picture into a rectangle with fill flags (see KitDrawBitmap): through its mask
    // when masked, else leaving out the colour of its bottom-left pixel.
    void DrawRect(TCanvas& canvas, const TRect& rect, int index, int32_t clipOffset, unsigned flags) const;

    void Clear() override;
    // Never empty: an item without pictures still writes its record, so that its picture size
    // and settings come back with it.
    bool IsEmpty() const override { return false; }
    uint8_t GetFlags() const override;

protected:
    void LoadData(TStream& stream, uint8_t flags) override;
    void SaveData(TStream& stream) const override;

private:
    struct Picture {
        uint16_t x = 0;
        bool masked = false;
    };
    const Picture& PictureAt(int index) const;
    // Reserves room for one more picture and answers its x offset.
    int Reserve();
    void CheckPicture(const TBitmap& bitmap) const;
    void CopyInto(QImage& strip, int x, const QImage& source) const;

    int width_ = 16;
    int height_ = 16;
    int allocBy_ = 4;
    bool masked_ = false;
    QImage image_;
    QImage mask_;
    int usedWidth_ = 0;
    std::vector<Picture> pictures_;
    TKitSavePixelFormat pixelFormat_ = TKitSavePixelFormat::spfDefault;
    TColor bkColor_ = clNone;
    TColor blendColor_ = clNone;
    uint8_t drawStyle_ = 2;
    uint8_t imageType_ = 0;
};

class TKitImageList : public TKitCustomImageList {
public:
    explicit TKitImageList(TComponent* owner) : TKitCustomImageList(owner, TKitListKind::lkImage) {}
    const char* ClassName() const noexcept override { return "TKitImageList"; }

    TKitSavePixelFormat DefaultPixelFormat() const noexcept { return defaultPixelFormat_; }
    void SetDefaultPixelFormat(TKitSavePixelFormat value) { defaultPixelFormat_ = value; }
    TKitImageListItem* Items(int index) const { return static_cast<TKitImageListItem*>(Item(index)); }

    bool ImageExists(int listIndex, int imageIndex) const override;
    QImage ImageCopy(int listIndex, int imageIndex) const override;
    // -1 for a missing item.
    int ImageCount(int listIndex) const override;
    int ImageSize(int listIndex, int selector) const override;
    TRect ImageRect(int listIndex, int imageIndex) const override;
    TColor TransparentColor(int listIndex, int imageIndex) const override;
    TColor Pixel(int listIndex, int imageIndex, int x, int y) const override;
    void Draw(TCanvas& canvas, int x, int y, int listIndex, int imageIndex) const override;
    // False for a missing item.
    bool Masked(int listIndex) const;
    void DrawRect(TCanvas& canvas, const TRect& rect, int listIndex, int imageIndex, int32_t clipOffset,
                  unsigned flags) const;

protected:
    TKitListItem* CreateItem() override { return new TKitImageListItem(this); }
    bool AcceptsItem(const TKitListItem& item) const override;
    void PrepareItem(TKitListItem& item) const override;
    void AssignSettings(const TKitCustomContainer& source) override;

private:
    // The item, or null for a missing one; with the picture index checked when one is given.
    const TKitImageListItem* ItemAt(int listIndex) const;

    TKitSavePixelFormat defaultPixelFormat_ = TKitSavePixelFormat::spfDefault;
};
