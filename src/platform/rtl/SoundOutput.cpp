#include "platform/rtl/SoundOutput.h"

#include <utility>

namespace {

std::shared_ptr<TSoundService>& InstalledService()
{
    static std::shared_ptr<TSoundService> service;
    return service;
}

}  // namespace

void SetSoundService(std::shared_ptr<TSoundService> service)
{
    InstalledService() = std::move(service);
}

bool SoundServiceAvailable()
{
    return InstalledService() != nullptr;
}

bool PlayWaveData(std::string_view waveFile, bool loop)
{
    const std::shared_ptr<TSoundService> service = InstalledService();
    return service != nullptr && service->Play(waveFile, loop);
}

void StopSound()
{
    if (const std::shared_ptr<TSoundService> service = InstalledService()) {
        service->Stop();
    }
}
