#include "gif/GIFColorReduction.h"

#include "gif/GIFDIB.h"

#include <algorithm>

TColorQuantizer::TColorQuantizer(int maxColors, int colorBits)
    : maxColors_(std::max(maxColors, 1)), colorBits_(std::clamp(colorBits, 1, 8))
{
}

// The tree can be deep and wide; nodes are freed one level at a time instead of by recursion.
TColorQuantizer::~TColorQuantizer()
{
    std::vector<std::unique_ptr<TOctreeNode>> pending;
    if (root_) {
        pending.push_back(std::move(root_));
    }
    while (!pending.empty()) {
        std::unique_ptr<TOctreeNode> node = std::move(pending.back());
        pending.pop_back();
        for (auto& child : node->Children) {
            if (child) {
                pending.push_back(std::move(child));
            }
        }
    }
}

void TColorQuantizer::AddPixel(uint8_t red, uint8_t green, uint8_t blue)
{
    std::unique_ptr<TOctreeNode>* slot = &root_;
    for (int depth = 0;; ++depth) {
        if (!*slot) {
            *slot = std::make_unique<TOctreeNode>();
            TOctreeNode& made = **slot;
            if (depth == colorBits_) {
                made.Leaf = true;
                ++leafCount_;
            } else {
                made.NextReducible = reducible_[static_cast<size_t>(depth)];
                reducible_[static_cast<size_t>(depth)] = &made;
            }
        }
        TOctreeNode& node = **slot;
        if (node.Leaf) {
            ++node.PixelCount;
            node.RedSum += red;
            node.GreenSum += green;
            node.BlueSum += blue;
            break;
        }
        const int shift = 7 - depth;
        const int mask = 128 >> depth;
        const int index = (((red & mask) >> shift) << 2) | (((green & mask) >> shift) << 1) | ((blue & mask) >> shift);
        slot = &node.Children[static_cast<size_t>(index)];
    }
    while (leafCount_ > maxColors_ && MergeDeepest()) {
    }
}

bool TColorQuantizer::MergeDeepest()
{
    int level = colorBits_ - 1;
    while (level >= 0 && reducible_[static_cast<size_t>(level)] == nullptr) {
        --level;
    }
    if (level < 0) {
        return false;
    }
    TOctreeNode& node = *reducible_[static_cast<size_t>(level)];
    reducible_[static_cast<size_t>(level)] = node.NextReducible;
    node.NextReducible = nullptr;
    int children = 0;
    for (auto& child : node.Children) {
        if (child) {
            node.PixelCount += child->PixelCount;
            node.RedSum += child->RedSum;
            node.GreenSum += child->GreenSum;
            node.BlueSum += child->BlueSum;
            child.reset();
            ++children;
        }
    }
    node.Leaf = true;
    leafCount_ += 1 - children;
    return true;
}

void TColorQuantizer::QuantizeBitmap(const TBitmap& bitmap)
{
    TBitmap copy;
    copy.Assign(bitmap);
    TDIBReader reader(copy, TPixelFormat::pf24bit);
    for (int y = 0; y < copy.Height(); ++y) {
        const uint8_t* line = reader.Line(y);
        for (int x = 0; x < copy.Width(); ++x, line += 3) {
            AddPixel(line[2], line[1], line[0]);
        }
    }
}

TPalette TColorQuantizer::CollectLeaves() const
{
    TPalette colors;
    std::vector<const TOctreeNode*> pending;
    if (root_) {
        pending.push_back(root_.get());
    }
    // Depth first, children 0 to 7: the stack takes them in reverse.
    while (!pending.empty()) {
        const TOctreeNode* node = pending.back();
        pending.pop_back();
        if (node->Leaf) {
            const uint32_t count = node->PixelCount;
            if (count == 0) {
                colors.push_back({0, 0, 0, 0});
            } else {
                colors.push_back({static_cast<uint8_t>(node->RedSum / count), static_cast<uint8_t>(node->GreenSum / count),
                                  static_cast<uint8_t>(node->BlueSum / count), 0});
            }
            continue;
        }
        for (int i = 7; i >= 0; --i) {
            if (const auto& child = node->Children[static_cast<size_t>(i)]) {
                pending.push_back(child.get());
            }
        }
    }
    return colors;
}

TPalette MakeQuantizedPalette(const TBitmap& bitmap, int colorCount, int colorBits, bool withSystemColors)
{
    const int maximum = withSystemColors ? 236 : std::clamp(colorCount, 1, 256);
    TColorQuantizer quantizer(maximum, colorBits);
    quantizer.QuantizeBitmap(bitmap);
    TPalette colors = quantizer.CollectLeaves();
    colors.resize(static_cast<size_t>(maximum), TPaletteEntry{0, 0, 0, 0});
    if (!withSystemColors) {
        return colors;
    }
    const TPalette system = MakeDefaultPalette();
    TPalette palette(system.begin(), system.begin() + 10);
    palette.insert(palette.end(), colors.begin(), colors.end());
    palette.insert(palette.end(), system.begin() + 10, system.end());
    return palette;
}

namespace {

struct TReductionChoice {
    TPalette palette;
    std::unique_ptr<TColorLookup> lookup;
};

TReductionChoice ChooseReduction(const TBitmap& source, TColorReduction reduction, const TPalette* customPalette, int bits)
{
    TReductionChoice choice;
    switch (reduction) {
    case TColorReduction::rmSystemColors:
        choice.palette = MakeDefaultPalette();
        break;
    case TColorReduction::rmHalftone:
        choice.palette = MakeHalftonePalette();
        break;
    case TColorReduction::rmFourGrays:
        choice.palette = MakeFourGrayPalette();
        break;
    case TColorReduction::rmMonochrome:
        choice.palette = MakeTwoGrayPalette();
        choice.lookup = std::make_unique<TMonochromeLookup>();
        break;
    case TColorReduction::rmGrayScale:
        choice.palette = MakeGrayPalette();
        choice.lookup = std::make_unique<TGrayScaleLookup>();
        break;
    case TColorReduction::rmWebColors:
        choice.palette = MakeWebPalette();
        choice.lookup = std::make_unique<TNetscapeColorLookup>();
        break;
    case TColorReduction::rmQuantize:
        bits = std::clamp(bits, 1, 8);
        choice.palette = MakeQuantizedPalette(source, 1 << bits, 8, false);
        break;
    case TColorReduction::rmQuantizeSystem:
        choice.palette = MakeQuantizedPalette(source, 256, 8, true);
        break;
    case TColorReduction::rmPalette:
        if (customPalette == nullptr || customPalette->empty()) {
            RaiseGifError("Color table is empty");
        }
        choice.palette = *customPalette;
        break;
    case TColorReduction::rmNone:
    default:
        RaiseGifError("Invalid reduction method");
    }
    if (!choice.lookup) {
        choice.lookup = std::make_unique<TFastColorLookup>(choice.palette);
    }
    return choice;
}

}  // namespace

std::unique_ptr<TBitmap> ReduceBitmapColors(const TBitmap& source, TColorReduction reduction, TDitherMode dither,
                                            const TPalette* customPalette, int reductionBits)
{
    auto result = std::make_unique<TBitmap>();
    if (reduction == TColorReduction::rmNone) {
        result->Assign(source);
        result->SetPixelFormat(TPixelFormat::pf24bit);
        return result;
    }
    if (static_cast<uint8_t>(reduction) > static_cast<uint8_t>(TColorReduction::rmPalette)) {
        RaiseGifError("Invalid reduction method");
    }
    if (static_cast<uint8_t>(dither) > static_cast<uint8_t>(TDitherMode::dmBurkes)) {
        RaiseGifError("Invalid dither mode");
    }
    if (source.Empty()) {
        return result;
    }
    TReductionChoice choice = ChooseReduction(source, reduction, customPalette, reductionBits);
    TBitmap copy;
    copy.Assign(source);
    TDIBReader reader(copy, TPixelFormat::pf24bit);
    const int width = copy.Width();
    const std::unique_ptr<TDitherEngine> ditherer = CreateDitherer(dither, width, *choice.lookup);
    TDIBWriter writer(*result, &choice.palette, copy.Height(), width, TPixelFormat::pf8bit);
    for (int y = 0; y < copy.Height(); ++y) {
        const uint8_t* in = reader.Line(y);
        uint8_t* out = writer.Line(y);
        for (int x = ditherer->Column(); x >= 0 && x < width; x = ditherer->Column()) {
            const uint8_t* pixel = in + 3 * x;
            out[x] = ditherer->MapPixel(pixel[2], pixel[1], pixel[0]).Index;
        }
        ditherer->EndLine();
    }
    writer.Close();
    return result;
}
