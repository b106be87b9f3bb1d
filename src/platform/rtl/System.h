#pragma once
// The user, the single running instance, and starting programs and documents.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// Login name of the user the program runs as (the effective user; $USER when the user
// database has no entry), or an empty text.
std::string GetUserName();

// The operating-system version record (the 148-byte record of the Windows version call).
// This system is no Windows, so the record is one fixed emulation: an NT-family system newer
// than every version the program knows by number (10.0), so that version-dependent code takes
// its newest path. Tests can set another record.
inline constexpr uint32_t VER_PLATFORM_WIN32s = 0;
inline constexpr uint32_t VER_PLATFORM_WIN32_WINDOWS = 1;
inline constexpr uint32_t VER_PLATFORM_WIN32_NT = 2;
struct TOSVersionInfo {
    uint32_t dwOSVersionInfoSize = 148;
    uint32_t dwMajorVersion = 0;
    uint32_t dwMinorVersion = 0;
    uint32_t dwBuildNumber = 0;
    uint32_t dwPlatformId = 0;
    std::string szCSDVersion;  // service-pack text, at most 127 characters
};
// Fills the record; true (the emulated record is always there).
bool GetVersionEx(TOSVersionInfo& info);
// Replaces the record; nothing returns to the emulated one.
void SetVersionExRecord(std::optional<TOSVersionInfo> record);

// True for root and for members of the "sudo" or "wheel" group.
bool IsAdministrator();

// Keeps a second process from running under the same name for the same user: the first
// instance holds an exclusive lock on "<name>-<uid>.lock" in $XDG_RUNTIME_DIR (or /tmp)
// until it frees the guard or ends, whichever way it ends. The lock is not inherited by
// programs the instance starts.
class TSingleInstance {
public:
    explicit TSingleInstance(const std::string& name);
    ~TSingleInstance();
    TSingleInstance(const TSingleInstance&) = delete;
    TSingleInstance& operator=(const TSingleInstance&) = delete;

    // False when another process holds the name (or the lock file could not be made).
    bool Acquired() const noexcept { return descriptor_ >= 0; }
    const std::string& LockFileName() const noexcept { return lockFileName_; }

private:
    int descriptor_ = -1;
    std::string lockFileName_;
};

// Opens `target` the way a desktop opens things, without waiting for it:
//   - a program file (a regular file the user may execute) is started with `parameters`
//     split at blanks (double quotes group words) as its arguments;
//   - anything else (a document, an http, https or mailto address) is handed to xdg-open.
// No shell ever sees the texts. True when the program could be started.
bool ShellOpen(const std::string& target, const std::string& parameters = std::string());

// Replaces what ShellOpen does (tests record the calls instead of opening anything);
// an empty function restores the real opener.
using TOpener = std::function<bool(const std::string& target, const std::string& parameters)>;
void SetOpener(TOpener opener);
