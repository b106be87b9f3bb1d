#include "gif/GIFCodec.h"

#include "gif/GIFExtensions.h"
#include "gif/GIFFrameRendering.h"
#include "gif/GIFPicture.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <numeric>

void GIFWarning(const TGIFPicture* image, const TObject* sender, TGIFSeverity severity, const std::string& message)
{
    if (image != nullptr) {
        image->Warning(const_cast<TObject*>(sender), severity, message);
    }
}

// ---- TGIFItem ----

void TGIFItem::Warning(TGIFSeverity severity, const std::string& message) const
{
    GIFWarning(image_, this, severity, message);
}

void TGIFItem::LoadFromFile(const std::string& fileName)
{
    TMemoryStream stream;
    stream.LoadFromFile(fileName);
    LoadFromStream(stream);
}

void TGIFItem::SaveToFile(const std::string& fileName)
{
    TMemoryStream stream;
    SaveToStream(stream);
    stream.SaveToFile(fileName);
}

// ---- TGIFColorMap ----

void TGIFColorMap::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TGIFColorMap*>(&source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    colors_ = other->colors_;
    count_ = other->count_;
    optimized_ = other->optimized_;
    Changed();
}

TGIFColor TGIFColorMap::Colors(int index) const
{
    if (count_ == 0) {
        RaiseGifError("Color table is empty");
    }
    if (index < 0 || index >= count_) {
        owner_.Warning(TGIFSeverity::gsWarning, "Invalid color index");
        return colors_[0];
    }
    return colors_[static_cast<size_t>(index)];
}

void TGIFColorMap::SetColors(int index, TGIFColor color)
{
    if (index < 0 || index >= count_) {
        RaiseGifError("Invalid color index");
    }
    colors_[static_cast<size_t>(index)] = color;
    Changed();
}

int TGIFColorMap::IndexOf(TGIFColor color) const
{
    if (optimized_) {
        for (int i = 0; i < count_; ++i) {
            if (colors_[static_cast<size_t>(i)] == color) {
                return i;
            }
        }
    } else {
        for (int i = count_ - 1; i >= 0; --i) {
            if (colors_[static_cast<size_t>(i)] == color) {
                return i;
            }
        }
    }
    return -1;
}

int TGIFColorMap::Add(TGIFColor color)
{
    if (count_ >= MaxColors) {
        RaiseGifError("Color table overflow");
    }
    colors_[static_cast<size_t>(count_)] = color;
    optimized_ = false;
    Changed();
    return count_++;
}

int TGIFColorMap::AddUnique(TGIFColor color)
{
    const int index = IndexOf(color);
    return index >= 0 ? index : Add(color);
}

void TGIFColorMap::Delete(int index)
{
    if (index < 0 || index >= count_) {
        RaiseGifError("Invalid color index");
    }
    std::copy(colors_.begin() + index + 1, colors_.begin() + count_, colors_.begin() + index);
    --count_;
    optimized_ = false;
    Changed();
}

void TGIFColorMap::Clear()
{
    count_ = 0;
    optimized_ = false;
    Changed();
}

void TGIFColorMap::ImportPalette(const TPalette& palette)
{
    count_ = static_cast<int>(std::min<size_t>(palette.size(), MaxColors));
    for (int i = 0; i < count_; ++i) {
        const TPaletteEntry& entry = palette[static_cast<size_t>(i)];
        colors_[static_cast<size_t>(i)] = {entry.peRed, entry.peGreen, entry.peBlue};
    }
    optimized_ = false;
    Changed();
}

void TGIFColorMap::ImportColorTable(const uint8_t* quads, int count)
{
    count_ = std::clamp(count, 0, MaxColors);
    for (int i = 0; i < count_; ++i) {
        const uint8_t* quad = quads + 4 * i;
        colors_[static_cast<size_t>(i)] = {quad[2], quad[1], quad[0]};
    }
    optimized_ = false;
    Changed();
}

TPalette TGIFColorMap::ExportPalette() const
{
    TPalette palette(static_cast<size_t>(count_));
    for (int i = 0; i < count_; ++i) {
        const TGIFColor& color = colors_[static_cast<size_t>(i)];
        palette[static_cast<size_t>(i)] = {color.Red, color.Green, color.Blue, PC_NOCOLLAPSE};
    }
    return palette;
}

void TGIFColorMap::LoadFromStream(TStream& stream, int count)
{
    count = std::clamp(count, 0, MaxColors);
    uint8_t bytes[3 * MaxColors];
    ReadExact(stream, bytes, 3 * count);
    for (int i = 0; i < count; ++i) {
        colors_[static_cast<size_t>(i)] = {bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]};
    }
    count_ = count;
    optimized_ = false;
    Changed();
}

void TGIFColorMap::SaveToStream(TStream& stream) const
{
    const int entries = count_ == 0 ? 0 : 1 << BitsPerPixel();
    uint8_t bytes[3 * MaxColors] = {};
    for (int i = 0; i < count_; ++i) {
        const TGIFColor& color = colors_[static_cast<size_t>(i)];
        bytes[3 * i] = color.Red;
        bytes[3 * i + 1] = color.Green;
        bytes[3 * i + 2] = color.Blue;
    }
    stream.WriteBuffer(bytes, 3 * entries);
}

void TGIFColorMap::Optimize()
{
    if (count_ <= 1) {
        return;
    }
    optimized_ = true;
    const std::vector<TGIFSubImage*> frames = Frames();
    // How many pixels use each entry; the background and transparent indices count as used.
    std::array<uint64_t, 256> uses{};
    for (const TGIFSubImage* frame : frames) {
        for (const uint8_t pixel : frame->Data()) {
            ++uses[pixel];
        }
        if (const int transparent = frame->TransparentColorIndex(); transparent >= 0) {
            ++uses[static_cast<size_t>(transparent)];
        }
    }
    ExtraUses(uses);
    std::array<int, MaxColors> order;
    std::iota(order.begin(), order.begin() + count_, 0);
    std::stable_sort(order.begin(), order.begin() + count_,
                     [&uses](int a, int b) { return uses[static_cast<size_t>(a)] > uses[static_cast<size_t>(b)]; });
    bool changed = false;
    for (int i = 0; i < count_; ++i) {
        changed = changed || order[static_cast<size_t>(i)] != i;
    }
    if (!changed) {
        return;
    }
    // map[old index] = new index; pixel values outside the table keep theirs.
    std::array<uint8_t, 256> map;
    std::iota(map.begin(), map.end(), 0);
    std::array<TGIFColor, MaxColors> sorted{};
    int used = 0;
    for (int i = 0; i < count_; ++i) {
        const int old = order[static_cast<size_t>(i)];
        map[static_cast<size_t>(old)] = static_cast<uint8_t>(i);
        sorted[static_cast<size_t>(i)] = colors_[static_cast<size_t>(old)];
        if (uses[static_cast<size_t>(old)] > 0) {
            used = i + 1;
        }
    }
    for (TGIFSubImage* frame : frames) {
        for (uint8_t& pixel : frame->Data()) {
            pixel = map[pixel];
        }
        if (TGIFGraphicControlExtension* control = frame->GraphicControlExtension()) {
            control->SetTransparentColorIndex(map[control->TransparentColorIndex()]);
        }
    }
    RemapIndices(map);
    colors_ = sorted;
    count_ = std::max(used, 1);
    Changed();
}

// ---- TGIFGlobalColorMap, TGIFLocalColorMap ----

TGIFGlobalColorMap::TGIFGlobalColorMap(TGIFHeader& header) : TGIFColorMap(header), header_(header) {}

std::vector<TGIFSubImage*> TGIFGlobalColorMap::Frames() const
{
    std::vector<TGIFSubImage*> frames;
    if (const TGIFPicture* picture = header_.Image()) {
        const TGIFImageList& images = picture->Images();
        for (int i = 0; i < images.Count(); ++i) {
            if (images[i].ColorMap().Count() == 0) {
                frames.push_back(&images[i]);
            }
        }
    }
    return frames;
}

void TGIFGlobalColorMap::ExtraUses(std::array<uint64_t, 256>& uses) const
{
    ++uses[header_.BackgroundColorIndex()];
}

void TGIFGlobalColorMap::RemapIndices(const std::array<uint8_t, 256>& map)
{
    header_.SetBackgroundColorIndex(map[header_.BackgroundColorIndex()]);
}

TGIFLocalColorMap::TGIFLocalColorMap(TGIFSubImage& subImage) : TGIFColorMap(subImage), subImage_(subImage) {}

std::vector<TGIFSubImage*> TGIFLocalColorMap::Frames() const
{
    return {&subImage_};
}

// ---- TGIFHeader ----

void TGIFHeader::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TGIFHeader*>(&source);
    if (other == nullptr) {
        TGIFItem::Assign(source);
        return;
    }
    colorMap_.Assign(other->colorMap_);
    width_ = other->width_;
    height_ = other->height_;
    packed_ = other->packed_;
    background_ = other->background_;
    aspect_ = other->aspect_;
}

TGIFVersion TGIFHeader::Version() const
{
    return colorMap_.Optimized() || aspect_ != 0 ? TGIFVersion::gv89a : TGIFVersion::gv87a;
}

void TGIFHeader::Clear()
{
    colorMap_.Clear();
    width_ = 0;
    height_ = 0;
    packed_ = 0;
    background_ = 0;
    aspect_ = 0;
    Prepare();
}

void TGIFHeader::LoadFromStream(TStream& stream)
{
    const int64_t start = stream.Position();
    char signature[6];
    ReadExact(stream, signature, sizeof signature);
    auto isGif = [&signature] {
        return std::toupper(static_cast<unsigned char>(signature[0])) == 'G' &&
               std::toupper(static_cast<unsigned char>(signature[1])) == 'I' &&
               std::toupper(static_cast<unsigned char>(signature[2])) == 'F';
    };
    if (!isGif()) {
        // Some files carry four bytes before the signature.
        stream.SetPosition(start + 4);
        if (stream.Read(signature, sizeof signature) != static_cast<int64_t>(sizeof signature) || !isGif()) {
            RaiseGifError("Invalid GIF signature");
        }
    }
    uint8_t descriptor[7];
    ReadExact(stream, descriptor, sizeof descriptor);
    width_ = GetWord(descriptor);
    height_ = GetWord(descriptor + 2);
    packed_ = descriptor[4];
    background_ = descriptor[5];
    aspect_ = descriptor[6];
    // The picture of the logical screen is made when the file is drawn; a screen larger than the
    // largest frame the decoder takes is refused here, before anything else is read.
    if (static_cast<int64_t>(width_) * height_ > GIFMaxFramePixels) {
        RaiseGifError("Logical Screen size exceeds the supported maximum of " + std::to_string(GIFMaxFramePixels) +
                      " pixels");
    }
    if ((packed_ & 0x80) != 0) {
        colorMap_.LoadFromStream(stream, 2 << (packed_ & 7));
        colorMap_.SetOptimized((packed_ & 0x08) != 0);
    } else {
        colorMap_.Clear();
    }
}

void TGIFHeader::Prepare()
{
    int resolution = colorMap_.BitsPerPixel();
    int frameBits = 0;
    if (const TGIFPicture* picture = Image()) {
        resolution = picture->BitsPerPixel();
        const TGIFImageList& images = picture->Images();
        for (int i = 0; i < images.Count(); ++i) {
            frameBits = std::max(frameBits, images[i].ColorMap().BitsPerPixel());
        }
    }
    uint8_t packed = static_cast<uint8_t>((std::max(resolution, 1) - 1) << 4);
    if (colorMap_.Count() > 0) {
        packed |= 0x80;
        if (colorMap_.Optimized()) {
            packed |= 0x08;
        }
        packed |= static_cast<uint8_t>(colorMap_.BitsPerPixel() - 1);
    } else {
        packed |= static_cast<uint8_t>(std::max(frameBits, 1) - 1);
    }
    packed_ = packed;
}

void TGIFHeader::SaveToStream(TStream& stream)
{
    const TGIFVersion version = Image() != nullptr ? Image()->Version() : Version();
    if (version == TGIFVersion::gvUnknown) {
        RaiseGifError("Unsupported GIF version");
    }
    Prepare();
    stream.WriteBuffer(version == TGIFVersion::gv89a ? "GIF89a" : "GIF87a", 6);
    uint8_t descriptor[7];
    PutWord(descriptor, width_);
    PutWord(descriptor + 2, height_);
    descriptor[4] = packed_;
    descriptor[5] = background_;
    descriptor[6] = aspect_;
    stream.WriteBuffer(descriptor, sizeof descriptor);
    colorMap_.SaveToStream(stream);
}

// ---- TGIFSubImage ----

TGIFSubImage::TGIFSubImage(TGIFPicture* image)
    : TGIFItem(image), extensions_(std::make_unique<TGIFExtensionList>(*this)), colorMap_(*this)
{
}

TGIFSubImage::~TGIFSubImage() = default;

TGIFVersion TGIFSubImage::Version() const
{
    return colorMap_.Optimized() || extensions_->Count() > 0 ? TGIFVersion::gv89a : TGIFVersion::gv87a;
}

const TGIFColorMap& TGIFSubImage::ActiveColorMap() const
{
    if (colorMap_.Count() > 0) {
        return colorMap_;
    }
    if (Image() != nullptr && Image()->GlobalColorMap().Count() > 0) {
        return Image()->GlobalColorMap();
    }
    return colorMap_;
}

int TGIFSubImage::BitsPerPixel() const
{
    const int bits = ActiveColorMap().BitsPerPixel();
    if (bits > 0 || Image() == nullptr) {
        return bits;
    }
    return Image()->BitsPerPixel();
}

void TGIFSubImage::SetBounds(int left, int top, int width, int height)
{
    const bool resized = width != width_ || height != height_;
    left_ = static_cast<uint16_t>(left);
    top_ = static_cast<uint16_t>(top);
    width_ = static_cast<uint16_t>(width);
    height_ = static_cast<uint16_t>(height);
    if (resized) {
        FreeBitmap();
        pixels_.assign(static_cast<size_t>(width_) * height_, 0);
    }
    TGIFPicture* picture = Image();
    if (picture == nullptr) {
        return;
    }
    TGIFHeader& header = picture->Header();
    bool widened = false;
    if (left_ + width_ > header.Width()) {
        if (header.Width() > 0) {
            Warning(TGIFSeverity::gsWarning, "Image width too small for contained frames");
        }
        header.SetWidth(left_ + width_);
        widened = true;
    }
    if (top_ + height_ > header.Height()) {
        if (header.Height() > 0) {
            Warning(TGIFSeverity::gsWarning, "Image height too small for contained frames");
        }
        header.SetHeight(top_ + height_);
        widened = true;
    }
    if (widened) {
        Warning(TGIFSeverity::gsWarning, "Image exceeds Logical Screen size");
        picture->Changed();
    }
}

int TGIFSubImage::PixelOffset(int x, int y) const
{
    if (pixels_.empty()) {
        RaiseGifError("Image is empty");
    }
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        RaiseGifError("Invalid pixel coordinates");
    }
    return y * width_ + x;
}

uint8_t TGIFSubImage::Pixels(int x, int y) const
{
    return pixels_[static_cast<size_t>(PixelOffset(x, y))];
}

void TGIFSubImage::SetPixels(int x, int y, uint8_t value)
{
    pixels_[static_cast<size_t>(PixelOffset(x, y))] = value;
}

TGIFGraphicControlExtension* TGIFSubImage::GraphicControlExtension() const
{
    for (int i = 0; i < extensions_->Count(); ++i) {
        if (auto* control = dynamic_cast<TGIFGraphicControlExtension*>(&extensions_->Items(i))) {
            return control;
        }
    }
    return nullptr;
}

int TGIFSubImage::TransparentColorIndex() const
{
    const TGIFGraphicControlExtension* control = GraphicControlExtension();
    return transparent_ && control != nullptr ? control->TransparentColorIndex() : -1;
}

void TGIFSubImage::LoadFromStream(TStream& stream)
{
    extensions_->LoadFromStream(stream);
    // The image follows only behind its own separator; anything else is left to the frame loop.
    uint8_t next = 0;
    if (!PeekByte(stream, next) || next != static_cast<uint8_t>(bsImageDescriptor)) {
        return;
    }
    uint8_t descriptor[10];
    ReadExact(stream, descriptor, sizeof descriptor);
    left_ = GetWord(descriptor + 1);
    top_ = GetWord(descriptor + 3);
    width_ = GetWord(descriptor + 5);
    height_ = GetWord(descriptor + 7);
    packed_ = descriptor[9];
    if (width_ == 0 || height_ == 0) {
        if (const TGIFPicture* picture = Image()) {
            width_ = static_cast<uint16_t>(picture->Width());
            height_ = static_cast<uint16_t>(picture->Height());
        }
        Warning(TGIFSeverity::gsWarning, "Image exceeds Logical Screen size");
    }
    if ((packed_ & 0x80) != 0) {
        colorMap_.LoadFromStream(stream, 2 << (packed_ & 7));
        colorMap_.SetOptimized((packed_ & 0x20) != 0);
    }
    const int transparentIndex = TransparentColorIndex();
    DecodeGIFImageData(stream, width_, height_, Interlaced(), static_cast<uint8_t>(std::max(transparentIndex, 0)), pixels_,
                       [this](const std::string& message) { Warning(TGIFSeverity::gsWarning, message); });
    if (GIFRenderOnLoad()) {
        Bitmap();
    }
}

void TGIFSubImage::Prepare()
{
    if (colorMap_.Count() > 0) {
        packed_ = static_cast<uint8_t>(0x80 | (colorMap_.Optimized() ? 0x20 : 0) | (colorMap_.BitsPerPixel() - 1));
    } else {
        packed_ &= 0x40 | 0x18;
    }
}

void TGIFSubImage::SaveToStream(TStream& stream)
{
    extensions_->SaveToStream(stream);
    if (Empty()) {
        return;
    }
    Prepare();
    uint8_t descriptor[10];
    descriptor[0] = static_cast<uint8_t>(bsImageDescriptor);
    PutWord(descriptor + 1, left_);
    PutWord(descriptor + 3, top_);
    PutWord(descriptor + 5, width_);
    PutWord(descriptor + 7, height_);
    descriptor[9] = packed_;
    stream.WriteBuffer(descriptor, sizeof descriptor);
    colorMap_.SaveToStream(stream);

    TGIFEncodeSource source;
    source.Pixels = pixels_.data();
    source.Width = width_;
    source.Height = height_;
    source.Interlaced = Interlaced();
    const TGIFColorMap& colors = ActiveColorMap();
    source.BitsPerPixel = BitsPerPixel();
    source.ColorCount = colors.Count() > 0 ? colors.Count() : 1 << std::max(source.BitsPerPixel, 2);
    const std::unique_ptr<TGIFEncoder> encoder =
        CreateGIFEncoder(Image() != nullptr ? Image()->Compression() : TGIFCompression::gcLZW);
    encoder->Compress(stream, source);
}

// ---- TGIFImageList ----

namespace {

// Skips zero bytes; false at the end of the stream, else the next byte is left in the stream.
bool SkipZeroBytes(TStream& stream, uint8_t& next)
{
    while (PeekByte(stream, next)) {
        if (next != 0) {
            return true;
        }
        stream.Seek(1, TSeekOrigin::soFromCurrent);
    }
    return false;
}

}  // namespace

void TGIFImageList::LoadFromStream(TStream& stream)
{
    const int64_t size = stream.Size();
    uint8_t next = 0;
    while (SkipZeroBytes(stream, next) && next != static_cast<uint8_t>(bsTrailer)) {
        if (next != static_cast<uint8_t>(bsExtensionIntroducer) && next != static_cast<uint8_t>(bsImageDescriptor)) {
            Warning(TGIFSeverity::gsWarning, "Unknown GIF block type");
            return;
        }
        auto frame = std::make_unique<TGIFSubImage>(Image());
        frame->LoadFromStream(stream);
        Add(std::move(frame));
        if (TGIFPicture* picture = Image()) {
            const int percent = size > 0 ? static_cast<int>(stream.Position() * 100 / size) : 100;
            picture->Progress(picture, TProgressStage::psRunning, percent, "Loading...");
        }
    }
}

void TGIFImageList::SaveToStream(TStream& stream)
{
    TGIFPicture* picture = Image();
    for (int i = 0; i < Count(); ++i) {
        if (picture != nullptr) {
            picture->Progress(picture, TProgressStage::psRunning, i * 100 / Count(), "Saving...");
        }
        Items(i).SaveToStream(stream);
    }
}

// ---- TGIFTrailer ----

void TGIFTrailer::LoadFromStream(TStream& stream)
{
    uint8_t byte = 0;
    if (stream.Read(&byte, 1) == 1 && byte != static_cast<uint8_t>(bsTrailer)) {
        Warning(TGIFSeverity::gsWarning, "Invalid Image trailer");
    }
}

void TGIFTrailer::SaveToStream(TStream& stream)
{
    WriteByte(stream, static_cast<uint8_t>(bsTrailer));
}
