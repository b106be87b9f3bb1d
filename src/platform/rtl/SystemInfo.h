#pragma once
// Facts about the running system: memory, processors and the machine.

#include <cstdint>
#include <string>

struct TMemoryStatus {
    uint64_t TotalPhysical = 0;      // bytes
    uint64_t AvailablePhysical = 0;  // bytes
};

// 0 bytes where the system does not tell.
TMemoryStatus GetMemoryStatus();
// Processors online, at least 1.
int GetProcessorCount();
// The machine's architecture ("x86_64").
std::string GetMachineArchitecture();
