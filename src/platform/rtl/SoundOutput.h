#pragma once
// Sound output: plays a sound held in memory as a complete WAVE file image.
//
// The layer has no audio device of its own. A sound service (the utility kit's sound
// component, when it is built) installs itself here; until one is installed nothing plays,
// PlayWaveData answers false and StopSound does nothing. The service is called on the GUI
// thread only.

#include <memory>
#include <string_view>

class TSoundService {
public:
    virtual ~TSoundService() = default;
    // Starts playing (asynchronously) a copy of the WAVE file image, in a loop when asked;
    // a sound that is still playing stops first. False when the sound cannot be played.
    virtual bool Play(std::string_view waveFile, bool loop) = 0;
    // Stops whatever is playing.
    virtual void Stop() = 0;
};

// Installs the service (null removes it).
void SetSoundService(std::shared_ptr<TSoundService> service);
bool SoundServiceAvailable();
bool PlayWaveData(std::string_view waveFile, bool loop);
void StopSound();
