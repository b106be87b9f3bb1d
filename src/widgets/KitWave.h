#pragma once
// A WAVE sound held in memory, so that it can be stored in a form description or a wave list
// and played. Replacing the sound notifies the owner (TKitObject).
//
// The data is a complete RIFF WAVE file image. Before it is taken it is checked: "RIFF", the
// file size, "WAVE", "fmt ", the chunk length, then format tag, channels, samples per second,
// average bytes per second and block alignment. Data that is no such file is refused with
// EInvalidWave; a header cut short raises EErrorCheckingWave.
//
// Playing goes through the layer's sound output (SoundOutput.h). This system has sound only
// when a sound service is installed; without one Play raises EInvalidOperation saying that the
// wave cannot be played.

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "widgets/KitBase.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

ZV_DECLARE_EXCEPTION(EInvalidWave, Exception);
ZV_DECLARE_EXCEPTION(EErrorCheckingWave, Exception);

class TKitWave : public TKitObject {
public:
    TKitWave() = default;
    const char* ClassName() const noexcept override { return "TKitWave"; }
    // From another wave: a copy of its bytes, then the owner is told.
    void Assign(const TPersistent& source) override;

    bool Empty() const noexcept { return data_ == nullptr || data_->Size() == 0; }
    int64_t Size() const noexcept { return data_ == nullptr ? 0 : data_->Size(); }
    // The WAVE file image; null when there is none.
    TMemoryStream* Data() const noexcept { return data_.get(); }
    // Header facts of the last data taken: PCM (format tag 1), 1 mono, 2 stereo, 0 other.
    bool PCM() const noexcept { return pcm_; }
    int ChannelKind() const noexcept { return channelKind_; }
    int SamplesPerSec() const noexcept { return samplesPerSec_; }

    // Stops a sound that is playing (when there was data), takes the stream (positioned at 0)
    // and notifies. No stream clears the wave.
    void SetData(std::unique_ptr<TMemoryStream> data);
    void Clear() { SetData(nullptr); }
    // Takes `size` bytes of `source` as the new sound after checking them; an empty source or
    // no bytes clear the wave. `fileName`, when known, names the file in the error message.
    void LoadData(TStream& source, int64_t size, const std::string& fileName = {});

    virtual void LoadFromFile(const std::string& fileName);
    // From the stream's position to its end.
    virtual void LoadFromStream(TStream& stream);
    virtual void SaveToFile(const std::string& fileName) const;
    // The bytes only.
    virtual void SaveToStream(TStream& stream) const;

    // Int32 size, then the bytes (an empty wave writes the size 0).
    void LoadSized(TStream& stream);
    void SaveSized(TStream& stream) const;
    // The bytes as a chunked LZRW1 stream.
    void LoadCompressed(TStream& stream);
    void SaveCompressed(TStream& stream) const;

    // Plays the sound (asynchronously, in a loop when asked); an empty wave plays nothing.
    void Play(bool loop = false) const;
    // Stops whatever sound is playing.
    static void Stop();

    // The binary property "Data" of form descriptions: Int32 size and the bytes; nothing
    // when there is no stream.
    std::optional<std::string> WriteDataProperty() const;
    void ReadDataProperty(const std::string& bytes);

private:
    std::unique_ptr<TMemoryStream> data_;
    bool pcm_ = false;
    int channelKind_ = 0;
    int samplesPerSec_ = 0;
};
