#include "sysutil/SuClasses.h"

std::mutex& SuFolderMonitorLock()
{
    static std::mutex lock;
    return lock;
}

std::mutex& SuRegistryMonitorLock()
{
    static std::mutex lock;
    return lock;
}
