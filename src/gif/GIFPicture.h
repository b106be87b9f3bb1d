#pragma once
// The GIF picture: the owner of the header, the frames and the trailer of a GIF file, the
// settings that choose how it is written, and the events through which it reports progress and
// warnings. Loading and saving go through the block model of GIFCodec.h.

#include "gif/GIFCodec.h"
#include "gif/GIFExtensions.h"

#include <functional>
#include <string>

enum class TProgressStage { psStarting, psRunning, psEnding };

using TGIFProgressEvent =
    std::function<void(TObject* sender, TProgressStage stage, int percentDone, const std::string& message)>;
using TGIFWarningEvent = std::function<void(TObject* sender, TGIFSeverity severity, const std::string& message)>;

class TGIFPicture : public TPersistent {
public:
    TGIFPicture();
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
    // No frames.
    bool Empty() const noexcept { return images_.Count() == 0; }
    // GIF89a when the header or any frame needs it, else GIF87a.
    TGIFVersion Version() const;
    // The most bits per pixel of the global table and of every frame's local table.
    int BitsPerPixel() const;

    // Frees the frames and the global colour table and zeroes the logical screen size.
    void Clear();
    // Reads a whole GIF file from the stream's position. On an error the position is restored,
    // the picture is left empty and the error passed on.
    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream);
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);

    // Sorts the global table and every local table that has colours (TGIFColorMap::Optimize).
    void OptimizeColorMaps();

    // Image data coding of SaveToStream: LZW (default) or run-length.
    TGIFCompression Compression() const noexcept { return compression_; }
    void SetCompression(TGIFCompression value) { compression_ = value; }

    // Calls OnWarning when it is set.
    void Warning(TObject* sender, TGIFSeverity severity, const std::string& message) const;
    // Calls OnProgress when it is set.
    void Progress(TObject* sender, TProgressStage stage, int percentDone, const std::string& message);

    TGIFProgressEvent OnProgress;
    TGIFWarningEvent OnWarning;

private:
    TGIFHeader header_;
    TGIFImageList images_;
    TGIFCompression compression_ = TGIFCompression::gcLZW;
};
