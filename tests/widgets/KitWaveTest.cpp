// The kit's wave object: the WAVE check, the sized and compressed forms, the form property and
// playing through the layer's sound output.

#include "KitStorageTestSupport.h"

#include "platform/rtl/SoundOutput.h"
#include "widgets/KitStreamUtils.h"
#include "widgets/KitWave.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

void PutLong(std::string& bytes, uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        bytes += static_cast<char>(value >> (8 * i));
    }
}

void PutWord(std::string& bytes, uint16_t value)
{
    bytes += static_cast<char>(value);
    bytes += static_cast<char>(value >> 8);
}

// A PCM WAVE file of 16-bit samples: a short tone.
std::string MakeWave(uint16_t channels, uint32_t rate, int frames)
{
    std::string samples;
    for (int i = 0; i < frames * channels; ++i) {
        PutWord(samples, static_cast<uint16_t>(static_cast<int16_t>(8000 * std::sin(i * 0.05))));
    }
    std::string file = "RIFF";
    PutLong(file, static_cast<uint32_t>(36 + samples.size()));
    file += "WAVEfmt ";
    PutLong(file, 16);
    PutWord(file, 1);
    PutWord(file, channels);
    PutLong(file, rate);
    PutLong(file, rate * channels * 2);
    PutWord(file, static_cast<uint16_t>(channels * 2));
    PutWord(file, 16);
    file += "data";
    PutLong(file, static_cast<uint32_t>(samples.size()));
    return file + samples;
}

std::string Bytes(const TKitWave& wave)
{
    TStringStream stream;
    wave.SaveToStream(stream);
    return stream.DataString();
}

void Load(TKitWave& wave, const std::string& bytes)
{
    TStringStream stream(bytes);
    wave.LoadFromStream(stream);
}

class TRecordingSoundService : public TSoundService {
public:
    bool Play(std::string_view waveFile, bool loop) override
    {
        played.emplace_back(waveFile);
        looped = loop;
        return accept;
    }
    void Stop() override { ++stops; }

    std::vector<std::string> played;
    bool looped = false;
    bool accept = true;
    int stops = 0;
};

}  // namespace

TEST(KitWave, TakesWaveFilesAndTellsItsOwner)
{
    TKitWave wave;
    int changes = 0;
    wave.OnChange = [&](TObject* sender) {
        EXPECT_EQ(sender, &wave);
        ++changes;
    };
    EXPECT_TRUE(wave.Empty());
    EXPECT_EQ(wave.Size(), 0);

    const std::string stereo = MakeWave(2, 22050, 100);
    Load(wave, stereo);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(wave.Size(), static_cast<int64_t>(stereo.size()));
    EXPECT_EQ(Bytes(wave), stereo);
    EXPECT_TRUE(wave.PCM());
    EXPECT_EQ(wave.ChannelKind(), 2);
    EXPECT_EQ(wave.SamplesPerSec(), 22050);
    EXPECT_EQ(wave.Data()->Position(), 0);

    // From the stream's position to its end.
    TStringStream tail("junk" + MakeWave(1, 8000, 10));
    tail.SetPosition(4);
    wave.LoadFromStream(tail);
    EXPECT_EQ(wave.ChannelKind(), 1);
    EXPECT_EQ(changes, 2);

    TKitWave copy;
    copy.Assign(wave);
    EXPECT_EQ(Bytes(copy), Bytes(wave));
    EXPECT_EQ(copy.SamplesPerSec(), 8000);

    // A zero-length stream clears the wave and tells.
    Load(wave, "");
    EXPECT_TRUE(wave.Empty());
    EXPECT_EQ(changes, 3);
}

TEST(KitWave, RefusesWhatIsNoWaveFile)
{
    TKitWave wave;
    Load(wave, MakeWave(1, 11025, 4));
    const std::string before = Bytes(wave);
    struct Case {
        const char* name;
        std::string bytes;
        bool cutShort;
    };
    std::string noFormat = MakeWave(1, 11025, 4);
    noFormat.replace(12, 4, "data");
    const std::vector<Case> cases = {
        {"not RIFF", "RIFX" + MakeWave(1, 11025, 4).substr(4), false},
        {"not WAVE", MakeWave(1, 11025, 4).replace(8, 4, "AVI "), false},
        {"no fmt chunk first", noFormat, false},
        {"cut in the tag", "RI", true},
        {"cut in the format", MakeWave(1, 11025, 4).substr(0, 30), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            Load(wave, c.bytes);
            ADD_FAILURE() << "taken";
        } catch (const EInvalidWave& e) {
            EXPECT_FALSE(c.cutShort);
            EXPECT_EQ(e.Message(), "TKitWave: Cannot open file. The data is no WAVE sound.");
        } catch (const EErrorCheckingWave& e) {
            EXPECT_TRUE(c.cutShort);
            EXPECT_EQ(e.Message(), "GetWaveData: Cannot open file. The WAVE header is cut short.");
        }
        EXPECT_EQ(Bytes(wave), before);
    }

    TestFolder folder;
    const std::string name = folder / "not-a-wave.wav";
    TestFolder::WriteFile(name, "RIFX and more bytes than a header");
    try {
        wave.LoadFromFile(name);
        ADD_FAILURE() << "taken";
    } catch (const EInvalidWave& e) {
        EXPECT_EQ(e.Message(), "TKitWave: Cannot open file " + name + ". The data is no WAVE sound.");
    }
    EXPECT_THROW(wave.LoadFromFile(folder / "missing.wav"), EFOpenError);
}

TEST(KitWave, SizedAndCompressedFormsAreReadByPython)
{
    const std::string sound = MakeWave(2, 44100, 3000);
    TKitWave wave;
    Load(wave, sound);

    TMemoryStream stream;
    TKitWave empty;
    empty.SaveSized(stream);
    EXPECT_EQ(std::string(stream.Memory(), 4), std::string(4, '\0'));
    KitSaveWave(stream, wave, false);
    KitSaveWave(stream, wave, true);
    KitSaveWave(stream, empty, true);
    stream.SetPosition(0);

    TKitWave sized;
    Load(sized, sound);
    sized.LoadSized(stream);  // the empty wave clears it
    EXPECT_TRUE(sized.Empty());
    KitLoadWave(stream, sized, false);
    EXPECT_EQ(Bytes(sized), sound);
    TKitWave compressed;
    KitLoadWave(stream, compressed, true);
    EXPECT_EQ(Bytes(compressed), sound);
    TKitWave cleared;
    Load(cleared, sound);
    KitLoadWave(stream, cleared, true);
    EXPECT_TRUE(cleared.Empty());
    EXPECT_EQ(stream.Position(), stream.Size());

    // A sized wave that claims more bytes than there are.
    TStringStream claims(std::string("\xFF\xFF\x00\x00", 4) + sound);
    EXPECT_THROW(sized.LoadSized(claims), EReadError);

    // The wave that went through the compressed form, written to a file, is what Python's
    // wave module reads.
    TestFolder folder;
    const std::string name = folder / "tone.wav";
    const std::string samples = folder / "samples.raw";
    compressed.SaveToFile(name);
    TestFolder::WriteFile(samples, sound.substr(44));
    const std::string script = "import wave, sys\n"
                               "w = wave.open(sys.argv[1], 'rb')\n"
                               "frames = w.readframes(w.getnframes())\n"
                               "print(w.getnchannels(), w.getsampwidth(), w.getframerate(), w.getnframes(),\n"
                               "      frames == open(sys.argv[2], 'rb').read())\n";
    bool ok = false;
    const std::string output = RunKitCommand("/usr/bin/python3 -c " + KitShellQuoted(script) + " " + KitShellQuoted(name) + " " +
                                                 KitShellQuoted(samples),
                                             ok);
    ASSERT_TRUE(ok) << output;
    EXPECT_EQ(output, "2 2 44100 3000 True\n");
}

TEST(KitWave, FormDescriptionsCarryTheSoundAsData)
{
    const std::string sound = MakeWave(1, 8000, 5);
    TKitWave wave;
    EXPECT_FALSE(wave.WriteDataProperty().has_value());
    Load(wave, sound);
    const std::optional<std::string> data = wave.WriteDataProperty();
    ASSERT_TRUE(data.has_value());
    EXPECT_EQ(data->substr(4), sound);
    EXPECT_EQ(static_cast<uint8_t>((*data)[0]), sound.size());
    TKitWave read;
    read.ReadDataProperty(*data);
    EXPECT_EQ(Bytes(read), sound);
}

TEST(KitWave, PlaysThroughTheSoundServiceOrSaysItCannot)
{
    TKitWave wave;
    const std::string sound = MakeWave(1, 8000, 5);
    Load(wave, sound);
    SetSoundService(nullptr);
    try {
        wave.Play();
        ADD_FAILURE() << "played without sound output";
    } catch (const EInvalidOperation& e) {
        EXPECT_EQ(e.Message(), "TKitWave: The wave cannot be played: this system has no sound output.");
    }

    auto service = std::make_shared<TRecordingSoundService>();
    SetSoundService(service);
    wave.Play(true);
    ASSERT_EQ(service->played.size(), 1u);
    EXPECT_EQ(service->played[0], sound);
    EXPECT_TRUE(service->looped);
    // Replacing the sound stops what plays; an empty wave plays nothing.
    wave.Clear();
    EXPECT_EQ(service->stops, 1);
    wave.Play();
    EXPECT_EQ(service->played.size(), 1u);
    Load(wave, sound);
    service->accept = false;
    EXPECT_THROW(wave.Play(), EInvalidOperation);
    SetSoundService(nullptr);
}
