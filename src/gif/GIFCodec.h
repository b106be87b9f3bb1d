#pragma once
// The GIF file as a tree of objects: a header with the logical screen and the global colour
// table, a list of frames each with the extensions before it, an image descriptor, a local colour
// table and its pixels, and the trailer. Versions GIF87a and GIF89a are read and written. The
// picture that owns the tree is TGIFPicture (GIFPicture.h); pixel coding is in GIFLZW.h.
// A frame turns its pixels into a bitmap and a transparency mask when it is drawn
// (GIFSubImageRender.cpp); only that part needs the window layer.

#include "gif/GIFLZW.h"
#include "gif/GIFStream.h"
#include "platform/classes/Components.h"
#include "platform/gui/Palette.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TGIFPicture;
class TGIFSubImage;
class TBitmap;
class TCanvas;
struct TRect;
struct TGIFFrameRendering;
class TGIFExtension;
class TGIFExtensionList;
class TGIFGraphicControlExtension;

enum class TGIFVersion { gvUnknown, gv87a, gv89a };

enum class TGIFSeverity { gsInfo, gsWarning, gsError };

// Block introducers of the file.
inline constexpr uint8_t bsPlainTextExtension = 0x01;
inline constexpr uint8_t bsGraphicControlExtension = 0xF9;
inline constexpr uint8_t bsCommentExtension = 0xFE;
inline constexpr uint8_t bsApplicationExtension = 0xFF;
inline constexpr char bsExtensionIntroducer = '!';
inline constexpr char bsImageDescriptor = ',';
inline constexpr char bsTrailer = ';';

// Hands a warning of `sender` to the picture's warning operation (dropped without a picture).
void GIFWarning(const TGIFPicture* image, const TObject* sender, TGIFSeverity severity, const std::string& message);

// Everything of the tree belongs to one picture, to which it reports its warnings.
class TGIFItem : public TPersistent {
public:
    explicit TGIFItem(TGIFPicture* image) : image_(image) {}
    const char* ClassName() const noexcept override { return "TGIFItem"; }

    TGIFPicture* Image() const noexcept { return image_; }
    // Forwarded to the picture's warning operation.
    virtual void Warning(TGIFSeverity severity, const std::string& message) const;
    virtual TGIFVersion Version() const { return TGIFVersion::gv87a; }
    virtual void LoadFromStream(TStream& stream) = 0;
    virtual void SaveToStream(TStream& stream) = 0;
    // The file is opened shared for reading.
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);

private:
    TGIFPicture* image_;
};

// An owning list of items of the picture.
template <class TItem>
class TGIFList : public TPersistent {
public:
    explicit TGIFList(TGIFPicture* image) : image_(image) {}
    TGIFPicture* Image() const noexcept { return image_; }

    int Count() const noexcept { return static_cast<int>(items_.size()); }
    // Raises EListError for an index outside the list.
    TItem& Items(int index) const { return *items_[CheckIndex(index, Count())]; }
    TItem& operator[](int index) const { return Items(index); }
    int Add(std::unique_ptr<TItem> item)
    {
        items_.push_back(std::move(item));
        return Count() - 1;
    }
    void Insert(int index, std::unique_ptr<TItem> item)
    {
        items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(CheckIndex(index, Count() + 1)), std::move(item));
    }
    void Delete(int index) { items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(CheckIndex(index, Count()))); }
    // Takes the item out of the list without freeing it; null when it is not in the list.
    std::unique_ptr<TItem> Remove(const TItem* item)
    {
        for (auto it = items_.begin(); it != items_.end(); ++it) {
            if (it->get() == item) {
                std::unique_ptr<TItem> removed = std::move(*it);
                items_.erase(it);
                return removed;
            }
        }
        return nullptr;
    }
    void Clear() { items_.clear(); }
    int IndexOf(const TItem* item) const
    {
        for (size_t i = 0; i < items_.size(); ++i) {
            if (items_[i].get() == item) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }
    void SaveToStream(TStream& stream) const
    {
        for (const auto& item : items_) {
            item->SaveToStream(stream);
        }
    }
    virtual void LoadFromStream(TStream& stream) = 0;
    void Warning(TGIFSeverity severity, const std::string& message) const { GIFWarning(image_, this, severity, message); }

private:
    static size_t CheckIndex(int index, int limit)
    {
        if (index < 0 || index >= limit) {
            throw EListError("List index out of bounds (" + std::to_string(index) + ")");
        }
        return static_cast<size_t>(index);
    }
    TGIFPicture* image_;
    std::vector<std::unique_ptr<TItem>> items_;
};

struct TGIFColor {
    uint8_t Red = 0;
    uint8_t Green = 0;
    uint8_t Blue = 0;
    friend bool operator==(const TGIFColor&, const TGIFColor&) = default;
};

// A colour table: at most 256 RGB entries. Adding to or deleting from it clears its optimised
// (sorted) flag.
class TGIFColorMap : public TPersistent {
public:
    static constexpr int MaxColors = 256;
    explicit TGIFColorMap(TGIFItem& owner) : owner_(owner) {}
    const char* ClassName() const noexcept override { return "TGIFColorMap"; }
    void Assign(const TPersistent& source) override;

    int Count() const noexcept { return count_; }
    // 0 for no colours, else the smallest b of at least 1 with 2^b at least the count.
    int BitsPerPixel() const { return BitsForColors(count_); }
    bool Optimized() const noexcept { return optimized_; }
    void SetOptimized(bool value) { optimized_ = value; }

    // Raises "Color table is empty" for an empty table; an index outside the table warns
    // "Invalid color index" and answers entry 0.
    TGIFColor Colors(int index) const;
    // Raises "Invalid color index" for an index outside the table.
    void SetColors(int index, TGIFColor color);
    // The index of the exact colour, or -1; an optimised table is searched from the front, any
    // other from the back.
    int IndexOf(TGIFColor color) const;
    // Raise "Color table overflow" when the table is full.
    int Add(TGIFColor color);
    int AddUnique(TGIFColor color);
    // Raises "Invalid color index" for an index outside the table.
    void Delete(int index);
    void Clear();

    void ImportPalette(const TPalette& palette);
    // `quads` holds blue, green, red and a reserved byte per colour.
    void ImportColorTable(const uint8_t* quads, int count);
    // Every entry marked PC_NOCOLLAPSE.
    TPalette ExportPalette() const;

    // Reads `count` RGB triples.
    void LoadFromStream(TStream& stream, int count);
    // Writes the colours, then zero triples up to 2^BitsPerPixel entries.
    void SaveToStream(TStream& stream) const;

    // Sorts the entries by how many pixels use them (most used first), remaps the pixels and
    // the colour indices that refer to the table, and cuts the table after the last used entry.
    // Entries named by the background or a transparent index count as used.
    void Optimize();

protected:
    // The frames that draw with this table.
    virtual std::vector<TGIFSubImage*> Frames() const = 0;
    // Counts the uses of colour indices kept outside the frames (the background colour of the
    // logical screen), and remaps them.
    virtual void ExtraUses(std::array<uint64_t, 256>& uses) const {}
    virtual void RemapIndices(const std::array<uint8_t, 256>& map) {}
    // Called after every change of the entries: what was drawn with the table is dropped.
    virtual void Changed() {}
    TGIFItem& owner_;

private:
    std::array<TGIFColor, MaxColors> colors_{};
    int count_ = 0;
    bool optimized_ = false;
};

class TGIFHeader;

class TGIFGlobalColorMap : public TGIFColorMap {
public:
    explicit TGIFGlobalColorMap(TGIFHeader& header);
    const char* ClassName() const noexcept override { return "TGIFGlobalColorMap"; }

protected:
    std::vector<TGIFSubImage*> Frames() const override;
    void ExtraUses(std::array<uint64_t, 256>& uses) const override;
    void RemapIndices(const std::array<uint8_t, 256>& map) override;
    // The picture drops its palette, its drawing and the bitmaps of the frames without a table.
    void Changed() override;

private:
    TGIFHeader& header_;
};

class TGIFLocalColorMap : public TGIFColorMap {
public:
    explicit TGIFLocalColorMap(TGIFSubImage& subImage);
    const char* ClassName() const noexcept override { return "TGIFLocalColorMap"; }

protected:
    std::vector<TGIFSubImage*> Frames() const override;
    // The frame drops its bitmap, mask and palette.
    void Changed() override;

private:
    TGIFSubImage& subImage_;
};

// The signature, the logical screen descriptor (kept as stored) and the global colour table.
class TGIFHeader : public TGIFItem {
public:
    explicit TGIFHeader(TGIFPicture* image) : TGIFItem(image), colorMap_(*this) {}
    const char* ClassName() const noexcept override { return "TGIFHeader"; }
    void Assign(const TPersistent& source) override;

    TGIFVersion Version() const override;
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;
    void Clear();
    // Rebuilds the packed byte of the logical screen descriptor from the colour tables.
    void Prepare();

    TGIFGlobalColorMap& ColorMap() noexcept { return colorMap_; }
    const TGIFGlobalColorMap& ColorMap() const noexcept { return colorMap_; }
    int Width() const noexcept { return width_; }
    void SetWidth(int value) { width_ = static_cast<uint16_t>(value); }
    int Height() const noexcept { return height_; }
    void SetHeight(int value) { height_ = static_cast<uint16_t>(value); }
    uint8_t Packed() const noexcept { return packed_; }
    uint8_t BackgroundColorIndex() const noexcept { return background_; }
    void SetBackgroundColorIndex(uint8_t value) { background_ = value; }
    uint8_t AspectRatio() const noexcept { return aspect_; }
    void SetAspectRatio(uint8_t value) { aspect_ = value; }

private:
    TGIFGlobalColorMap colorMap_;
    uint16_t width_ = 0;
    uint16_t height_ = 0;
    uint8_t packed_ = 0;
    uint8_t background_ = 0;
    uint8_t aspect_ = 0;
};

// One frame: the extensions before it, its image descriptor, local colour table and pixels.
class TGIFSubImage : public TGIFItem {
public:
    explicit TGIFSubImage(TGIFPicture* image);
    ~TGIFSubImage() override;
    const char* ClassName() const noexcept override { return "TGIFSubImage"; }

    TGIFVersion Version() const override;
    // Loads the frame; with the render-on-load switch on, its bitmap is made at once.
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;
    // Rebuilds the packed byte of the image descriptor from the local colour table.
    void Prepare();
    // Another frame is copied with its descriptor, transparency, pixels, colour table and
    // extensions; a TBitmap or a TPicture becomes the frame's pixels ("Converting...", see
    // GIFSubImageImport.cpp). Anything else raises "Object type not supported for operation".
    void Assign(const TPersistent& source) override;
    // Drops the pixels, the local table, the bitmap, the mask and the size.
    void Clear();

    TGIFExtensionList& Extensions() noexcept { return *extensions_; }
    const TGIFExtensionList& Extensions() const noexcept { return *extensions_; }
    TGIFLocalColorMap& ColorMap() noexcept { return colorMap_; }
    const TGIFLocalColorMap& ColorMap() const noexcept { return colorMap_; }
    // The local table when it has entries, else the global table when that has entries, else
    // the (empty) local table.
    const TGIFColorMap& ActiveColorMap() const;
    // The bits of the active colour table, or the picture's highest when there is none.
    int BitsPerPixel() const;

    int Left() const noexcept { return left_; }
    int Top() const noexcept { return top_; }
    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }
    // Stores all four; a changed width or height gives a zeroed pixel array of the new size.
    // A frame that reaches beyond the picture widens it with the warnings "Image width too small
    // for contained frames" (or height) and "Image exceeds Logical Screen size".
    void SetBounds(int left, int top, int width, int height);
    uint8_t Packed() const noexcept { return packed_; }
    bool Interlaced() const noexcept { return (packed_ & 0x40) != 0; }
    void SetInterlaced(bool value) { packed_ = static_cast<uint8_t>(value ? packed_ | 0x40 : packed_ & ~0x40); }
    // A frame without pixels.
    bool Empty() const noexcept { return pixels_.empty(); }

    // One colour index per pixel, rows of Width() bytes.
    std::vector<uint8_t>& Data() noexcept { return pixels_; }
    const std::vector<uint8_t>& Data() const noexcept { return pixels_; }
    // Raise "Image is empty" without pixels and "Invalid pixel coordinates" outside the frame.
    uint8_t Pixels(int x, int y) const;
    void SetPixels(int x, int y, uint8_t value);

    bool Transparent() const noexcept { return transparent_; }
    void SetTransparent(bool value) { transparent_ = value; }
    // The first graphic control extension of the frame, or null.
    TGIFGraphicControlExtension* GraphicControlExtension() const;
    // The transparent colour index of the graphic control extension, or -1.
    int TransparentColorIndex() const;

    // Drawing. The frame's bitmap: 8 bits a pixel with the frame's palette, made on first need
    // ("Rendering..."); with dithering the colours are mapped onto the web palette.
    TBitmap& Bitmap();
    // 1 bit a pixel, set where the frame is transparent; null when no pixel is (or the frame is
    // opaque). Made with the bitmap.
    const TBitmap* Mask();
    bool HasBitmap() const noexcept;
    // Drops the bitmap, the mask and the stored palette; the next drawing makes them again.
    void FreeBitmap();
    // The bitmap's palette, else the stored one, else the web palette when dithering applies,
    // else the local table, else the picture's palette.
    TPalette Palette();
    void SetPalette(const TPalette& palette);
    // The frame's place within a destination rectangle for the whole picture.
    TRect ScaleRect(const TRect& destination) const;
    // Draws the frame into a destination rectangle for the whole picture: with `transparent`
    // through its mask; with `tile` repeated at its own size over the rectangle.
    void Draw(TCanvas& canvas, const TRect& destination, bool transparent, bool tile);
    // Drops the columns and rows at the edges that are transparent throughout (transparent
    // frames only).
    void Crop();
    // Turns into transparency every pixel that shows the same colour as the pixel of the
    // preceding frame below it, where that frame stays on screen.
    void Merge(TGIFSubImage& previous);

private:
    int PixelOffset(int x, int y) const;
    bool Dithered() const;
    void Render();
    void ImportBitmap(const TBitmap& bitmap);
    std::unique_ptr<TGIFExtensionList> extensions_;
    TGIFLocalColorMap colorMap_;
    uint16_t left_ = 0;
    uint16_t top_ = 0;
    uint16_t width_ = 0;
    uint16_t height_ = 0;
    uint8_t packed_ = 0;
    std::vector<uint8_t> pixels_;
    bool transparent_ = false;
    std::unique_ptr<TGIFFrameRendering> rendering_;
};

class TGIFImageList : public TGIFList<TGIFSubImage> {
public:
    explicit TGIFImageList(TGIFPicture* image) : TGIFList(image) {}
    const char* ClassName() const noexcept override { return "TGIFImageList"; }
    // Reads frames up to the trailer; the trailer byte is left in the stream.
    void LoadFromStream(TStream& stream) override;
    // Each frame in order, with a progress report per frame.
    void SaveToStream(TStream& stream);
};

class TGIFTrailer : public TGIFItem {
public:
    using TGIFItem::TGIFItem;
    const char* ClassName() const noexcept override { return "TGIFTrailer"; }
    // Warns "Invalid Image trailer" when the byte read is not ";".
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;
};
