#pragma once
// Colour reduction: turns a true-colour bitmap into an 8-bit palette bitmap. A reduction mode
// picks or builds the palette (a fixed one, an optimised one made by the octree quantiser, or the
// caller's) and the lookup that maps colours to it; a ditherer decides what colour each pixel
// looks up.

#include "gif/GIFColorLookup.h"
#include "gif/GIFDither.h"
#include "platform/gui/Bitmap.h"

#include <array>
#include <memory>

enum class TColorReduction : uint8_t {
    rmNone,            // a 24-bit copy of the source
    rmSystemColors,    // the 20 static colours of the system palette
    rmHalftone,        // the halftone palette
    rmFourGrays,       // 4 greys
    rmMonochrome,      // black and white
    rmGrayScale,       // 256 greys
    rmWebColors,       // the 216-colour cube
    rmQuantize,        // an optimised palette of 2^bits colours
    rmQuantizeSystem,  // an optimised palette of 236 colours and the 20 system colours
    rmPalette          // the caller's palette
};

// One node of the octree: a leaf holds the pixel count and the colour sums of the colours that
// fell into it; an inner node is kept on its level's list of nodes that can be merged.
struct TOctreeNode {
    bool Leaf = false;
    uint32_t PixelCount = 0;
    uint32_t RedSum = 0;
    uint32_t GreenSum = 0;
    uint32_t BlueSum = 0;
    std::array<std::unique_ptr<TOctreeNode>, 8> Children;
    TOctreeNode* NextReducible = nullptr;
};

// Builds an optimised palette of at most `maxColors` colours: every pixel goes down the tree by
// the bits of its channels, most significant first; whenever there are more leaves than
// colours, the deepest mergeable node takes in its children.
class TColorQuantizer {
public:
    TColorQuantizer(int maxColors, int colorBits);
    ~TColorQuantizer();
    TColorQuantizer(const TColorQuantizer&) = delete;
    TColorQuantizer& operator=(const TColorQuantizer&) = delete;

    void AddPixel(uint8_t red, uint8_t green, uint8_t blue);
    // Adds every pixel of the bitmap, reducing as it goes.
    void QuantizeBitmap(const TBitmap& bitmap);
    int LeafCount() const noexcept { return leafCount_; }
    // The mean colour of every leaf, depth first.
    TPalette CollectLeaves() const;

private:
    // Merges the deepest mergeable node into a leaf; false when there is none.
    bool MergeDeepest();
    std::unique_ptr<TOctreeNode> root_;
    int leafCount_ = 0;
    std::array<TOctreeNode*, 9> reducible_{};
    int maxColors_;
    int colorBits_;
};

// An optimised palette of the bitmap's colours. With system colours: 256 entries, the first 10
// system colours, up to 236 quantised colours, the last 10 system colours. Without: `colorCount`
// entries, the quantised colours first. Entries without a colour are black.
TPalette MakeQuantizedPalette(const TBitmap& bitmap, int colorCount, int colorBits, bool withSystemColors);

// A new bitmap with the source's picture reduced to the palette of the mode (8 bits a pixel), or
// for rmNone a 24-bit copy. `customPalette` serves rmPalette; `reductionBits` (1 to 8) rmQuantize.
// Raises GIFException "Invalid reduction method" for a mode above rmPalette, "Invalid dither
// mode" for an unknown ditherer, and "Color table is empty" for an empty caller's palette.
std::unique_ptr<TBitmap> ReduceBitmapColors(const TBitmap& source, TColorReduction reduction, TDitherMode dither,
                                            const TPalette* customPalette, int reductionBits);
