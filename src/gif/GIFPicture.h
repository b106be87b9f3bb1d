#pragma once
// The GIF picture: the owner of the header, the frames and the trailer of a GIF file, the
// settings that choose how it is written and drawn, and the events through which it reports
// progress, warnings and the painting of animations. Loading and saving go through the block
// model of GIFCodec.h; animations are painted by TGIFPainter (GIFPainter.h).

#include "gif/GIFCodec.h"
#include "gif/GIFColorReduction.h"
#include "gif/GIFExtensions.h"
#include "platform/gui/Canvas.h"
#include "platform/rtl/Threads.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

enum class TProgressStage { psStarting, psRunning, psEnding };

using TGIFProgressEvent =
    std::function<void(TObject* sender, TProgressStage stage, int percentDone, const std::string& message)>;
using TGIFWarningEvent = std::function<void(TObject* sender, TGIFSeverity severity, const std::string& message)>;

// How a picture is drawn.
enum class TGIFDrawOption : uint16_t {
    goAsync = 0x1,             // animations run on a thread of their own
    goTransparent = 0x2,       // transparent pixels leave the canvas as it is
    goAnimate = 0x4,           // every frame is shown, not only the first
    goLoop = 0x8,              // animations repeat as their loop block says
    goLoopContinuously = 0x10, // animations repeat until stopped
    goValidateCanvas = 0x20,   // a painter ends when its canvas can no longer be drawn on
    goDirectDraw = 0x40,       // animations paint on the canvas, not on the picture's bitmap
    goClearOnLoop = 0x80,      // the first frame's area is cleared before each pass
    goTile = 0x100,            // the picture is repeated at its size over the rectangle
    goDither = 0x200,          // frames are dithered onto the web palette
    goAutoDither = 0x400       // ... only on screens of 256 colours or fewer
};

class TGIFDrawOptions {
public:
    constexpr TGIFDrawOptions() = default;
    constexpr explicit TGIFDrawOptions(uint16_t bits) : bits_(bits) {}
    constexpr TGIFDrawOptions(std::initializer_list<TGIFDrawOption> options)
    {
        for (const TGIFDrawOption option : options) {
            bits_ = static_cast<uint16_t>(bits_ | static_cast<uint16_t>(option));
        }
    }
    constexpr bool Contains(TGIFDrawOption option) const noexcept { return (bits_ & static_cast<uint16_t>(option)) != 0; }
    constexpr void Include(TGIFDrawOption option) noexcept { bits_ = static_cast<uint16_t>(bits_ | static_cast<uint16_t>(option)); }
    constexpr void Exclude(TGIFDrawOption option) noexcept { bits_ = static_cast<uint16_t>(bits_ & ~static_cast<uint16_t>(option)); }
    constexpr uint16_t Bits() const noexcept { return bits_; }
    friend constexpr bool operator==(TGIFDrawOptions, TGIFDrawOptions) = default;

private:
    uint16_t bits_ = 0;
};

// Asynchronous, transparent, animated, looping, dithered on palette screens.
inline constexpr TGIFDrawOptions GIFDefaultDrawOptions{0x060F};

// What Optimize does.
enum class TGIFOptimizeOption : uint8_t {
    ooCrop = 0x1,         // transparent edges of frames are cut off
    ooMerge = 0x2,        // pixels a frame repeats from the frame below become transparent
    ooCleanup = 0x4,      // blocks and frames that change nothing are removed
    ooColorMap = 0x8,     // colour tables are sorted by use and cut after the last used entry
    ooReduceColors = 0x10 // the colours are reduced by the given method
};

class TGIFPainter;

class TGIFPicture : public TPersistent {
public:
    TGIFPicture();
    // Stops every painter first.
    ~TGIFPicture() override;
    TGIFPicture(const TGIFPicture&) = delete;
    TGIFPicture& operator=(const TGIFPicture&) = delete;
    const char* ClassName() const noexcept override { return "TGIFPicture"; }

    TGIFHeader& Header() noexcept { return header_; }
    const TGIFHeader& Header() const noexcept { return header_; }
    TGIFImageList& Images() noexcept { return images_; }
    const TGIFImageList& Images() const noexcept { return images_; }
    TGIFGlobalColorMap& GlobalColorMap() noexcept { return header_.ColorMap(); }
    const TGIFGlobalColorMap& GlobalColorMap() const noexcept { return header_.ColorMap(); }

    // The logical screen's size.
    int Width() const noexcept { return header_.Width(); }
    int Height() const noexcept { return header_.Height(); }
    // Raise "Image width too small for contained frames" ("Image height ...") below a frame's
    // right (bottom) edge; a changed size drops the picture's bitmap and signals a change.
    void SetWidth(int value);
    void SetHeight(int value);
    // No frames.
    bool Empty() const noexcept { return images_.Count() == 0; }
    // GIF89a when the header or any frame needs it, else GIF87a.
    TGIFVersion Version() const;
    // The most bits per pixel of the global table and of every frame's local table.
    int BitsPerPixel() const;

    // Stops the painters, frees the frames and the global colour table, zeroes the logical
    // screen size and drops the palette and the picture's bitmap.
    void Clear();
    // Reads a whole GIF file from the stream's position. On an error the position is restored,
    // the picture is left empty and the error passed on.
    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream);
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);

    // Sorts the global table and every local table that has colours (TGIFColorMap::Optimize).
    void OptimizeColorMaps();
    // Makes the picture smaller without changing how it looks, by the options' bits in this
    // order: colour tables (ooColorMap), cleanup of transparency and disposal (ooCleanup),
    // merging (ooMerge), cropping (ooCrop), removal of blocks and frames that change nothing
    // (ooCleanup), colour reduction (ooReduceColors; an unknown method raises "Invalid
    // reduction method").
    void Optimize(uint8_t options, TColorReduction reduction, TDitherMode dither, int reductionBits);

    // Adds a frame: another frame is copied, a TBitmap or TPicture converted; anything else
    // raises "Object type not supported for operation". Returns the frame's index.
    int Add(const TPersistent& source);
    // Another TGIFPicture is copied (header, frames, draw options, colour reduction, dither mode,
    // thread priority, background colour); a TBitmap or TPicture becomes the only frame.
    void Assign(const TPersistent& source) override;

    // The palette the picture draws with (see GIFPictureDraw.cpp); raises "No global or local
    // color table defined" when none can be found.
    TPalette Palette();
    // A palette that differs from the present one drops the picture's bitmap and signals a change.
    void SetPalette(const TPalette& palette);
    // The picture drawn at its logical size, for conversions and as the buffer of animations;
    // null for an empty picture. A logical screen above GIFMaxFramePixels raises EOutOfMemory.
    TBitmap* Bitmap();

    // Draws the picture stretched over `rect`: a single frame at once, an animation through a
    // painter (see GIFPictureDraw.cpp). Ignored while a draw runs and for an empty picture.
    void Draw(TCanvas& canvas, const TRect& rect);
    // Tells every painter to stop and waits for the asynchronous ones to end, running the calls
    // they wait for on the GUI thread meanwhile. An error a painter met is raised again here.
    void StopDraw();
    // Painters that have not ended.
    int PainterCount() const;

    // Whether frames are dithered onto the web palette: goDither, and goAutoDither off or a
    // screen of 256 colours or fewer.
    bool DoDither() const;

    // The clipboard: the picture goes there as a bitmap and as a GIF file ("image/gif");
    // refused, it raises "Failed to store GIF on clipboard". Loading takes a GIF file first,
    // else a picture; with neither it raises "Unsupported clipboard format".
    void SaveToClipboard();
    void LoadFromClipboard();

    // Image data coding of SaveToStream: LZW (default) or run-length.
    TGIFCompression Compression() const noexcept { return compression_; }
    void SetCompression(TGIFCompression value) { compression_ = value; }
    TGIFDrawOptions DrawOptions() const noexcept { return drawOptions_; }
    void SetDrawOptions(TGIFDrawOptions value);
    // What a bitmap of more than 256 colours is reduced by when it becomes a frame.
    TColorReduction ColorReduction() const noexcept { return colorReduction_; }
    void SetColorReduction(TColorReduction value) { colorReduction_ = value; }
    int ReductionBits() const noexcept { return reductionBits_; }
    void SetReductionBits(int value) { reductionBits_ = value; }
    TDitherMode DitherMode() const noexcept { return ditherMode_; }
    void SetDitherMode(TDitherMode value) { ditherMode_ = value; }
    // Kept for the painters' threads; the system's scheduler is not asked for it.
    TThreadPriority ThreadPriority() const noexcept { return threadPriority_; }
    void SetThreadPriority(TThreadPriority value) { threadPriority_ = value; }
    // Percent of the frames' own pace; 0 holds each frame until the painter is stopped.
    int AnimationSpeed() const noexcept { return animationSpeed_; }
    void SetAnimationSpeed(int value);
    // The painters' background; clNone takes the header's background colour.
    TColor DrawBackgroundColor() const noexcept { return drawBackgroundColor_; }
    void SetDrawBackgroundColor(TColor value) { drawBackgroundColor_ = value; }

    // Calls OnWarning when it is set.
    void Warning(TObject* sender, TGIFSeverity severity, const std::string& message) const;
    // Calls OnProgress when it is set.
    void Progress(TObject* sender, TProgressStage stage, int percentDone, const std::string& message);
    // Drops the picture's bitmap and calls OnChange.
    void Changed();
    // The global colour table changed: the palette and every drawing made with it are dropped.
    void GlobalColorMapChanged();

    TGIFProgressEvent OnProgress;
    TGIFWarningEvent OnWarning;
    TNotifyEvent OnChange;
    // The painters' events (sender: the painter), copied by each painter when it is made.
    TNotifyEvent OnStartPaint;
    TNotifyEvent OnPaint;
    TNotifyEvent OnAfterPaint;
    TNotifyEvent OnLoop;
    TNotifyEvent OnEndPaint;

protected:
    // A TBitmap gets the picture's bitmap; a TPicture the picture drawn at its size.
    void AssignTo(TPersistent& dest) const override;

private:
    friend class TGIFPainter;
    void FreeBitmap();
    void AssignPicture(const TGIFPicture& source);
    // Removes painters that have ended; keeps their first error for StopDraw.
    void ReapPainters();

    TGIFHeader header_;
    TGIFImageList images_;
    TGIFCompression compression_ = TGIFCompression::gcLZW;
    TGIFDrawOptions drawOptions_ = GIFDefaultDrawOptions;
    TColorReduction colorReduction_ = TColorReduction::rmWebColors;
    int reductionBits_ = 8;
    TDitherMode ditherMode_ = TDitherMode::dmNearest;
    TThreadPriority threadPriority_ = TThreadPriority::tpNormal;
    int animationSpeed_ = 100;
    TColor drawBackgroundColor_ = clNone;

    std::unique_ptr<TBitmap> bitmap_;
    TPalette globalPalette_;
    bool drawing_ = false;
    bool paletteGuard_ = false;

    mutable std::mutex paintersLock_;
    std::vector<std::shared_ptr<TGIFPainter>> painters_;
    TGIFPainter* drawPainter_ = nullptr;
    std::exception_ptr painterError_;
    // Expires with the picture: a painter running inside Draw learns that it is gone.
    std::shared_ptr<const int> lifetime_ = std::make_shared<const int>(0);
};

// When set, each frame's bitmap is made as the frame is loaded. Off by default.
bool GIFRenderOnLoad();
void SetGIFRenderOnLoad(bool value);
// Whether the screen shows 256 colours or fewer (asked once).
bool GIFPaletteDevice();
// The clipboard format of GIF files.
inline constexpr const char* GIFClipboardFormat = "image/gif";
// Registers the picture class with the picture formats for "gif" ("GIF Image"), so that files
// and form descriptions load it. Safe to call again.
void RegisterGIFPicture();
