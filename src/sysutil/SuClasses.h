#pragma once
// The utility kit's worker-thread state: the locks that guard the settings of the folder
// monitors and of the registry monitors while their threads read them.

#include <mutex>

std::mutex& SuFolderMonitorLock();
std::mutex& SuRegistryMonitorLock();
