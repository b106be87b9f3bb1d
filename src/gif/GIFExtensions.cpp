#include "gif/GIFExtensions.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace {

// The text of a text or comment extension: one line per data sub-block, each ending at its
// first zero byte.
void ReadText(TStream& stream, TStringList& text)
{
    ReadSubBlocks(stream, text);
    for (int i = 0; i < text.Count(); ++i) {
        const std::string& line = text[i];
        if (const size_t zero = line.find('\0'); zero != std::string::npos) {
            text.SetStrings(i, line.substr(0, zero));
        }
    }
}

template <class TClass>
TGIFExtensionFactory Factory()
{
    return [](TGIFSubImage& subImage) -> std::unique_ptr<TGIFExtension> { return std::make_unique<TClass>(subImage); };
}

const std::map<uint8_t, TGIFExtensionFactory>& ExtensionRegistry()
{
    static const std::map<uint8_t, TGIFExtensionFactory> registry = {
        {bsPlainTextExtension, Factory<TGIFTextExtension>()},
        {bsGraphicControlExtension, Factory<TGIFGraphicControlExtension>()},
        {bsCommentExtension, Factory<TGIFCommentExtension>()},
        {bsApplicationExtension, Factory<TGIFApplicationExtension>()},
    };
    return registry;
}

const std::map<std::string, TGIFExtensionFactory>& ApplicationRegistry()
{
    static const std::map<std::string, TGIFExtensionFactory> registry = {
        {"NETSCAPE2.0", Factory<TGIFAppExtNSLoop>()},
        {"ANIMEXTS1.0", Factory<TGIFAppExtNSLoop>()},
    };
    return registry;
}

constexpr char LoopIdentifier[] = "NETSCAPE2.0";

}  // namespace

TGIFExtensionFactory FindExtensionClass(uint8_t label)
{
    const auto& registry = ExtensionRegistry();
    const auto found = registry.find(label);
    return found != registry.end() ? found->second : TGIFExtensionFactory();
}

TGIFExtensionFactory FindApplicationExtensionClass(const std::string& identifier)
{
    const auto& registry = ApplicationRegistry();
    const auto found = registry.find(identifier);
    return found != registry.end() ? found->second : Factory<TGIFUnknownAppExtension>();
}

// ---- TGIFExtension ----

TGIFExtension::TGIFExtension(TGIFSubImage& subImage) : TGIFItem(subImage.Image()), subImage_(subImage) {}

void TGIFExtension::LoadFromStream(TStream& stream)
{
    uint8_t introducer[2];
    ReadExact(stream, introducer, sizeof introducer);
    if (introducer[0] != static_cast<uint8_t>(bsExtensionIntroducer)) {
        RaiseGifError("Invalid extension introducer");
    }
    if (introducer[1] != ExtensionType()) {
        RaiseGifError("Internal error: Extension Instance does not match Extension Label");
    }
    LoadBody(stream);
}

void TGIFExtension::SaveToStream(TStream& stream)
{
    const uint8_t introducer[2] = {static_cast<uint8_t>(bsExtensionIntroducer), ExtensionType()};
    stream.WriteBuffer(introducer, sizeof introducer);
    SaveBody(stream);
}

std::unique_ptr<TGIFExtension> TGIFExtension::FindExtension(TGIFSubImage& subImage, TStream& stream)
{
    const int64_t start = stream.Position();
    uint8_t head[3] = {};
    const int64_t got = stream.Read(head, sizeof head);
    TGIFExtensionFactory factory;
    if (got >= 2) {
        factory = FindExtensionClass(head[1]);
    }
    if (factory && head[1] == bsApplicationExtension && got == 3) {
        // The identifier chooses the class of an application extension.
        if (head[2] == 10 || head[2] == 11) {
            std::string identifier(head[2], '\0');
            if (stream.Read(identifier.data(), head[2]) == head[2]) {
                factory = head[2] == 10 ? Factory<TGIFUnknownAppExtension>() : FindApplicationExtensionClass(identifier);
            }
        }
    }
    stream.SetPosition(start);
    return factory ? factory(subImage) : nullptr;
}

// ---- TGIFExtensionList ----

TGIFExtensionList::TGIFExtensionList(TGIFSubImage& subImage) : TGIFList(subImage.Image()), subImage_(subImage) {}

void TGIFExtensionList::LoadFromStream(TStream& stream)
{
    uint8_t next = 0;
    while (PeekByte(stream, next)) {
        if (next == static_cast<uint8_t>(bsImageDescriptor) || next == static_cast<uint8_t>(bsTrailer)) {
            return;
        }
        if (next != static_cast<uint8_t>(bsExtensionIntroducer)) {
            Warning(TGIFSeverity::gsWarning, "Invalid extension introducer");
            return;
        }
        std::unique_ptr<TGIFExtension> extension = TGIFExtension::FindExtension(subImage_, stream);
        if (extension == nullptr) {
            RaiseGifError("Unknown extension type");
        }
        extension->LoadFromStream(stream);
        auto* control = dynamic_cast<TGIFGraphicControlExtension*>(extension.get());
        const bool firstControl = control != nullptr && subImage_.GraphicControlExtension() == nullptr;
        Add(std::move(extension));
        if (firstControl && control->Transparent()) {
            subImage_.SetTransparent(true);
        }
    }
}

// ---- TGIFGraphicControlExtension ----

void TGIFGraphicControlExtension::SetTransparent(bool value)
{
    packed_ = static_cast<uint8_t>(value ? packed_ | 0x01 : packed_ & ~0x01);
}

void TGIFGraphicControlExtension::SetUserInput(bool value)
{
    packed_ = static_cast<uint8_t>(value ? packed_ | 0x02 : packed_ & ~0x02);
}

void TGIFGraphicControlExtension::SetDisposal(TDisposalMethod value)
{
    packed_ = static_cast<uint8_t>((packed_ & ~0x1C) | ((static_cast<int>(value) & 7) << 2));
}

void TGIFGraphicControlExtension::LoadBody(TStream& stream)
{
    uint8_t record[6] = {};
    if (stream.Read(record, sizeof record) != static_cast<int64_t>(sizeof record)) {
        Warning(TGIFSeverity::gsWarning, "Premature end of data");
    }
    packed_ = record[1];
    delay_ = GetWord(record + 2);
    transparentIndex_ = record[4];
}

void TGIFGraphicControlExtension::SaveBody(TStream& stream)
{
    uint8_t record[6] = {4, packed_, 0, 0, transparentIndex_, 0};
    PutWord(record + 2, delay_);
    stream.WriteBuffer(record, sizeof record);
}

// ---- TGIFTextExtension ----

TGIFTextExtension::TGIFTextExtension(TGIFSubImage& subImage) : TGIFExtension(subImage) {}

void TGIFTextExtension::SetGrid(int left, int top, int width, int height)
{
    left_ = static_cast<uint16_t>(left);
    top_ = static_cast<uint16_t>(top);
    gridWidth_ = static_cast<uint16_t>(width);
    gridHeight_ = static_cast<uint16_t>(height);
}

void TGIFTextExtension::SetCharSize(int width, int height)
{
    cellWidth_ = static_cast<uint8_t>(width);
    cellHeight_ = static_cast<uint8_t>(height);
}

void TGIFTextExtension::SetColorIndices(uint8_t foreground, uint8_t background)
{
    foreground_ = foreground;
    background_ = background;
}

void TGIFTextExtension::LoadBody(TStream& stream)
{
    uint8_t header[13];
    ReadExact(stream, header, sizeof header);
    left_ = GetWord(header + 1);
    top_ = GetWord(header + 3);
    gridWidth_ = GetWord(header + 5);
    gridHeight_ = GetWord(header + 7);
    cellWidth_ = header[9];
    cellHeight_ = header[10];
    foreground_ = header[11];
    background_ = header[12];
    ReadText(stream, text_);
}

void TGIFTextExtension::SaveBody(TStream& stream)
{
    uint8_t header[13];
    header[0] = 12;
    PutWord(header + 1, left_);
    PutWord(header + 3, top_);
    PutWord(header + 5, gridWidth_);
    PutWord(header + 7, gridHeight_);
    header[9] = cellWidth_;
    header[10] = cellHeight_;
    header[11] = foreground_;
    header[12] = background_;
    stream.WriteBuffer(header, sizeof header);
    WriteSubBlocks(stream, text_);
}

// ---- TGIFCommentExtension ----

TGIFCommentExtension::TGIFCommentExtension(TGIFSubImage& subImage) : TGIFExtension(subImage) {}

void TGIFCommentExtension::LoadBody(TStream& stream)
{
    ReadText(stream, text_);
}

void TGIFCommentExtension::SaveBody(TStream& stream)
{
    WriteSubBlocks(stream, text_);
}

// ---- TGIFApplicationExtension ----

void TGIFApplicationExtension::SetIdentifier(const std::string& value)
{
    identifier_.fill('\0');
    std::memcpy(identifier_.data(), value.data(), std::min(value.size(), identifier_.size()));
}

void TGIFApplicationExtension::LoadBody(TStream& stream)
{
    const uint8_t size = ReadByte(stream);
    if (size < 10) {
        RaiseGifError("Unsupported Application Extension block size");
    }
    identifier_.fill('\0');
    ReadExact(stream, identifier_.data(), std::min<int>(size, 11));
    if (size > 11) {
        uint8_t surplus[255];
        ReadExact(stream, surplus, size - 11);
    }
    LoadData(stream);
}

void TGIFApplicationExtension::SaveBody(TStream& stream)
{
    WriteByte(stream, 11);
    std::array<char, 11> identifier{};
    const std::string saved = SavedIdentifier();
    std::memcpy(identifier.data(), saved.data(), std::min(saved.size(), identifier.size()));
    stream.WriteBuffer(identifier.data(), identifier.size());
    SaveData(stream);
    WriteByte(stream, 0);
}

void TGIFApplicationExtension::LoadData(TStream& stream)
{
    TStringList skipped;
    ReadSubBlocks(stream, skipped);
}

// ---- TGIFUnknownAppExtension ----

void TGIFUnknownAppExtension::LoadData(TStream& stream)
{
    TStringList lines;
    ReadSubBlocks(stream, lines);
    blocks_.clear();
    for (int i = 0; i < lines.Count(); ++i) {
        blocks_.push_back({lines[i]});
    }
}

void TGIFUnknownAppExtension::SaveData(TStream& stream)
{
    for (const TGIFBlock& block : blocks_) {
        WriteSubBlock(stream, block.Data);
    }
}

// ---- TGIFAppExtNSLoop ----

TGIFAppExtNSLoop::TGIFAppExtNSLoop(TGIFSubImage& subImage) : TGIFApplicationExtension(subImage)
{
    SetIdentifier(LoopIdentifier);
}

std::string TGIFAppExtNSLoop::SavedIdentifier() const
{
    return LoopIdentifier;
}

void TGIFAppExtNSLoop::LoadData(TStream& stream)
{
    uint8_t length = 0;
    while (stream.Read(&length, 1) == 1 && length != 0) {
        uint8_t block[255];
        ReadExact(stream, block, length);
        switch (block[0] & 0x07) {
        case 1:
            if (length < 3) {
                RaiseGifError("Invalid GIF data");
            }
            loops_ = GetWord(block + 1);
            break;
        case 2:
            if (length < 5) {
                RaiseGifError("Invalid GIF data");
            }
            bufferSize_ = static_cast<uint32_t>(block[1]) | (static_cast<uint32_t>(block[2]) << 8) |
                          (static_cast<uint32_t>(block[3]) << 16) | (static_cast<uint32_t>(block[4]) << 24);
            break;
        default:
            break;
        }
    }
}

void TGIFAppExtNSLoop::SaveData(TStream& stream)
{
    uint8_t loop[4] = {3, 1, 0, 0};
    PutWord(loop + 2, loops_);
    stream.WriteBuffer(loop, sizeof loop);
    if (bufferSize_ != 0) {
        const uint8_t buffer[6] = {5,
                                   2,
                                   static_cast<uint8_t>(bufferSize_),
                                   static_cast<uint8_t>(bufferSize_ >> 8),
                                   static_cast<uint8_t>(bufferSize_ >> 16),
                                   static_cast<uint8_t>(bufferSize_ >> 24)};
        stream.WriteBuffer(buffer, sizeof buffer);
    }
}
