#pragma once
// The extension blocks of a GIF frame ("!" and a label): graphic control, plain text, comment
// and application extensions, and the registries that find the class of a block from its label
// and, for application extensions, from their identifier.

#include "gif/GIFCodec.h"

#include <functional>

// An extension block of a frame.
class TGIFExtension : public TGIFItem {
public:
    explicit TGIFExtension(TGIFSubImage& subImage);
    const char* ClassName() const noexcept override { return "TGIFExtension"; }

    TGIFSubImage& SubImage() const noexcept { return subImage_; }
    virtual uint8_t ExtensionType() const = 0;
    // Every extension needs GIF89a.
    TGIFVersion Version() const override { return TGIFVersion::gv89a; }
    // Checks the introducer and the label, then reads the body.
    void LoadFromStream(TStream& stream) override;
    // Writes the introducer and the label, then the body.
    void SaveToStream(TStream& stream) override;

    // The class of the extension that starts at the stream's position (the position is kept);
    // null for a label nobody registered.
    static std::unique_ptr<TGIFExtension> FindExtension(TGIFSubImage& subImage, TStream& stream);

protected:
    virtual void LoadBody(TStream& stream) = 0;
    virtual void SaveBody(TStream& stream) = 0;

private:
    TGIFSubImage& subImage_;
};

// The extensions of a frame, in file order.
class TGIFExtensionList : public TGIFList<TGIFExtension> {
public:
    explicit TGIFExtensionList(TGIFSubImage& subImage);
    const char* ClassName() const noexcept override { return "TGIFExtensionList"; }
    // Reads extensions up to the next image descriptor or trailer.
    void LoadFromStream(TStream& stream) override;

private:
    TGIFSubImage& subImage_;
};

enum class TDisposalMethod { dmNone, dmNoDisposal, dmBackground, dmPrevious };

// Label 0xF9: transparency, user input, disposal and delay of the frame.
class TGIFGraphicControlExtension : public TGIFExtension {
public:
    using TGIFExtension::TGIFExtension;
    const char* ClassName() const noexcept override { return "TGIFGraphicControlExtension"; }
    uint8_t ExtensionType() const override { return bsGraphicControlExtension; }

    bool Transparent() const noexcept { return (packed_ & 0x01) != 0; }
    void SetTransparent(bool value);
    bool UserInput() const noexcept { return (packed_ & 0x02) != 0; }
    void SetUserInput(bool value);
    // Bits 2-4 of the packed byte; values 4 to 7 are kept as read.
    TDisposalMethod Disposal() const noexcept { return static_cast<TDisposalMethod>((packed_ >> 2) & 7); }
    void SetDisposal(TDisposalMethod value);
    // Hundredths of a second.
    int Delay() const noexcept { return delay_; }
    void SetDelay(int value) { delay_ = static_cast<uint16_t>(value); }
    uint8_t TransparentColorIndex() const noexcept { return transparentIndex_; }
    void SetTransparentColorIndex(uint8_t value) { transparentIndex_ = value; }

protected:
    // A record cut short by the end of the stream warns "Premature end of data".
    void LoadBody(TStream& stream) override;
    void SaveBody(TStream& stream) override;

private:
    uint8_t packed_ = 0;
    uint16_t delay_ = 0;
    uint8_t transparentIndex_ = 0;
};

// Label 0x01: text drawn in a grid of character cells.
class TGIFTextExtension : public TGIFExtension {
public:
    explicit TGIFTextExtension(TGIFSubImage& subImage);
    const char* ClassName() const noexcept override { return "TGIFTextExtension"; }
    uint8_t ExtensionType() const override { return bsPlainTextExtension; }

    TStringList& Text() noexcept { return text_; }
    const TStringList& Text() const noexcept { return text_; }
    int Left() const noexcept { return left_; }
    int Top() const noexcept { return top_; }
    int GridWidth() const noexcept { return gridWidth_; }
    int GridHeight() const noexcept { return gridHeight_; }
    void SetGrid(int left, int top, int width, int height);
    int CharWidth() const noexcept { return cellWidth_; }
    int CharHeight() const noexcept { return cellHeight_; }
    void SetCharSize(int width, int height);
    uint8_t ForegroundColorIndex() const noexcept { return foreground_; }
    uint8_t BackgroundColorIndex() const noexcept { return background_; }
    void SetColorIndices(uint8_t foreground, uint8_t background);

protected:
    void LoadBody(TStream& stream) override;
    void SaveBody(TStream& stream) override;

private:
    TStringList text_;
    uint16_t left_ = 0;
    uint16_t top_ = 0;
    uint16_t gridWidth_ = 0;
    uint16_t gridHeight_ = 0;
    uint8_t cellWidth_ = 0;
    uint8_t cellHeight_ = 0;
    uint8_t foreground_ = 0;
    uint8_t background_ = 0;
};

// Label 0xFE: a comment.
class TGIFCommentExtension : public TGIFExtension {
public:
    explicit TGIFCommentExtension(TGIFSubImage& subImage);
    const char* ClassName() const noexcept override { return "TGIFCommentExtension"; }
    uint8_t ExtensionType() const override { return bsCommentExtension; }

    TStringList& Text() noexcept { return text_; }
    const TStringList& Text() const noexcept { return text_; }

protected:
    void LoadBody(TStream& stream) override;
    void SaveBody(TStream& stream) override;

private:
    TStringList text_;
};

// Label 0xFF: data of an application, named by an 8-byte identifier and a 3-byte
// authentication code (kept as one 11-byte identifier).
class TGIFApplicationExtension : public TGIFExtension {
public:
    using TGIFExtension::TGIFExtension;
    const char* ClassName() const noexcept override { return "TGIFApplicationExtension"; }
    uint8_t ExtensionType() const override { return bsApplicationExtension; }

    // The 11 bytes as stored (a 10-byte identifier ends in a zero byte).
    std::string Identifier() const { return std::string(identifier_.begin(), identifier_.end()); }
    void SetIdentifier(const std::string& value);

protected:
    // Raises "Unsupported Application Extension block size" below 10 bytes and skips the bytes
    // beyond 11; then the data sub-blocks.
    void LoadBody(TStream& stream) override;
    // Block size 11, the identifier, the data sub-blocks and the zero byte after them.
    void SaveBody(TStream& stream) override;
    // The data sub-blocks up to and including their zero-length block; this class skips them.
    virtual void LoadData(TStream& stream);
    // The data sub-blocks without the final zero byte; this class has none.
    virtual void SaveData(TStream& stream) {}
    // The identifier written by SaveBody.
    virtual std::string SavedIdentifier() const { return Identifier(); }

private:
    std::array<char, 11> identifier_{};
};

// A data sub-block kept as read.
struct TGIFBlock {
    std::string Data;
};

// An application extension nobody registered: its data sub-blocks are kept and written back
// unchanged.
class TGIFUnknownAppExtension : public TGIFApplicationExtension {
public:
    using TGIFApplicationExtension::TGIFApplicationExtension;
    const char* ClassName() const noexcept override { return "TGIFUnknownAppExtension"; }
    std::vector<TGIFBlock>& Blocks() noexcept { return blocks_; }
    const std::vector<TGIFBlock>& Blocks() const noexcept { return blocks_; }

protected:
    void LoadData(TStream& stream) override;
    void SaveData(TStream& stream) override;

private:
    std::vector<TGIFBlock> blocks_;
};

// The animation loop block ("NETSCAPE2.0", also read from "ANIMEXTS1.0"): how often an animation
// repeats (0 = forever) and an optional buffer size.
class TGIFAppExtNSLoop : public TGIFApplicationExtension {
public:
    explicit TGIFAppExtNSLoop(TGIFSubImage& subImage);
    const char* ClassName() const noexcept override { return "TGIFAppExtNSLoop"; }
    int Loops() const noexcept { return loops_; }
    void SetLoops(int value) { loops_ = static_cast<uint16_t>(value); }
    uint32_t BufferSize() const noexcept { return bufferSize_; }
    void SetBufferSize(uint32_t value) { bufferSize_ = value; }

protected:
    // Raises "Invalid GIF data" for a loop sub-block shorter than 3 bytes or a buffer sub-block
    // shorter than 5.
    void LoadData(TStream& stream) override;
    void SaveData(TStream& stream) override;
    // Always "NETSCAPE2.0".
    std::string SavedIdentifier() const override;

private:
    uint16_t loops_ = 0;
    uint32_t bufferSize_ = 0;
};

using TGIFExtensionFactory = std::function<std::unique_ptr<TGIFExtension>(TGIFSubImage& subImage)>;
// The class of an extension label, or null.
TGIFExtensionFactory FindExtensionClass(uint8_t label);
// The class of an application identifier (11 bytes): the loop class or the unknown class.
TGIFExtensionFactory FindApplicationExtensionClass(const std::string& identifier);
