#include "widgets/KitWave.h"

#include "platform/rtl/SoundOutput.h"
#include "widgets/KitStreamUtils.h"

#include <string_view>
#include <utility>

namespace {

constexpr uint32_t riffTag = 0x46464952;    // "RIFF"
constexpr uint32_t waveTag = 0x45564157;    // "WAVE"
constexpr uint32_t formatTag = 0x20746D66;  // "fmt "

struct TWaveFacts {
    bool pcm = false;
    int channelKind = 0;
    int samplesPerSec = 0;
};

std::string CannotOpenText(const std::string& fileName)
{
    return fileName.empty() ? std::string("Cannot open file") : "Cannot open file " + fileName;
}

// The header facts of a WAVE file image, read from position 0; none when the bytes are no
// WAVE file. The position is back at 0 afterwards.
std::optional<TWaveFacts> CheckWave(TMemoryStream& data, const std::string& fileName)
{
    data.SetPosition(0);
    std::optional<TWaveFacts> facts;
    try {
        auto readLong = [&data] { return static_cast<uint32_t>(KitReadInt(data)); };
        auto readWord = [&data] {
            const uint8_t low = KitReadByte(data);
            return static_cast<uint16_t>(low | (KitReadByte(data) << 8));
        };
        if (readLong() == riffTag) {
            readLong();  // the file size
            if (readLong() == waveTag && readLong() == formatTag) {
                readLong();  // the chunk length
                const uint16_t format = readWord();
                const uint16_t channels = readWord();
                const uint32_t samplesPerSec = readLong();
                readLong();  // average bytes per second
                readWord();  // block alignment
                facts = TWaveFacts{format == 1, channels == 1 || channels == 2 ? channels : 0,
                                   static_cast<int>(samplesPerSec & 0x7FFFFFFF)};
            }
        }
    } catch (const EReadError&) {
        data.SetPosition(0);
        throw EErrorCheckingWave("GetWaveData: " + CannotOpenText(fileName) + ". The WAVE header is cut short.");
    }
    data.SetPosition(0);
    return facts;
}

}  // namespace

void TKitWave::Assign(const TPersistent& source)
{
    const auto* wave = dynamic_cast<const TKitWave*>(&source);
    if (wave == nullptr) {
        TKitObject::Assign(source);
        return;
    }
    if (wave == this) {
        return;
    }
    std::unique_ptr<TMemoryStream> copy;
    if (wave->data_ != nullptr) {
        copy = std::make_unique<TMemoryStream>();
        wave->data_->SaveToStream(*copy);
        wave->data_->SetPosition(0);
    }
    pcm_ = wave->pcm_;
    channelKind_ = wave->channelKind_;
    samplesPerSec_ = wave->samplesPerSec_;
    SetData(std::move(copy));
}

void TKitWave::SetData(std::unique_ptr<TMemoryStream> data)
{
    if (data_ != nullptr) {
        Stop();
    }
    data_ = std::move(data);
    if (data_ != nullptr) {
        data_->SetPosition(0);
    } else {
        pcm_ = false;
        channelKind_ = 0;
        samplesPerSec_ = 0;
    }
    NotifyChange();
}

void TKitWave::LoadData(TStream& source, int64_t size, const std::string& fileName)
{
    if (source.Size() == 0 || size == 0) {
        Clear();
        return;
    }
    const std::string bytes = KitReadBytes(source, size);
    auto data = std::make_unique<TMemoryStream>();
    data->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    const std::optional<TWaveFacts> facts = CheckWave(*data, fileName);
    if (!facts) {
        throw EInvalidWave(std::string(ClassName()) + ": " + CannotOpenText(fileName) + ". The data is no WAVE sound.");
    }
    pcm_ = facts->pcm;
    channelKind_ = facts->channelKind;
    samplesPerSec_ = facts->samplesPerSec;
    SetData(std::move(data));
}

void TKitWave::LoadFromFile(const std::string& fileName)
{
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadData(file, file.Size(), fileName);
}

void TKitWave::LoadFromStream(TStream& stream)
{
    LoadData(stream, stream.Size() - stream.Position());
}

void TKitWave::SaveToFile(const std::string& fileName) const
{
    TFileStream file(fileName, fmCreate);
    SaveToStream(file);
}

void TKitWave::SaveToStream(TStream& stream) const
{
    if (data_ != nullptr) {
        stream.WriteBuffer(data_->Memory(), data_->Size());
    }
}

void TKitWave::LoadSized(TStream& stream)
{
    const int32_t size = KitReadInt(stream);
    LoadData(stream, size);
}

void TKitWave::SaveSized(TStream& stream) const
{
    KitWriteInt(stream, static_cast<int32_t>(Size()));
    SaveToStream(stream);
}

void TKitWave::LoadCompressed(TStream& stream)
{
    TMemoryStream bytes;
    KitDecompressStream(stream, bytes);
    bytes.SetPosition(0);
    LoadData(bytes, bytes.Size());
}

void TKitWave::SaveCompressed(TStream& stream) const
{
    if (data_ == nullptr) {
        KitWriteInt(stream, 0);
        return;
    }
    data_->SetPosition(0);
    KitCompressStream(*data_, stream, data_->Size());
    data_->SetPosition(0);
}

void TKitWave::Play(bool loop) const
{
    if (Empty()) {
        return;
    }
    if (!SoundServiceAvailable()) {
        throw EInvalidOperation(std::string(ClassName()) + ": The wave cannot be played: this system has no sound output.");
    }
    if (!PlayWaveData(std::string_view(data_->Memory(), static_cast<size_t>(data_->Size())), loop)) {
        throw EInvalidOperation(std::string(ClassName()) + ": The wave cannot be played.");
    }
}

void TKitWave::Stop()
{
    StopSound();
}

std::optional<std::string> TKitWave::WriteDataProperty() const
{
    if (data_ == nullptr) {
        return std::nullopt;
    }
    TStringStream bytes;
    SaveSized(bytes);
    return bytes.DataString();
}

void TKitWave::ReadDataProperty(const std::string& bytes)
{
    TStringStream stream(bytes);
    LoadSized(stream);
}
