#pragma once
// The operating-system version record the tracker's Windows-version hints are decided by.
//
// The program runs on Linux, where there is no such record: GetOsVersionInfo then reports no
// record (Available false) and the hints stay silent. Tests set a record to see the hints a
// Windows system would get.

#include <optional>
#include <string>

struct TOsVersionInfo {
    int PlatformId = 0;        // 1 Windows 9x, 2 NT family
    int MajorVersion = 0;
    int MinorVersion = 0;
    std::string CSDVersion;    // service-pack text
};

// The record, or nothing when the system has none.
std::optional<TOsVersionInfo> GetOsVersionInfo();
// Replaces the record (nothing: back to the system's answer).
void SetOsVersionInfo(std::optional<TOsVersionInfo> info);
