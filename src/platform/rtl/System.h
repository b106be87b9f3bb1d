#pragma once
// The user, the single running instance, and starting programs and documents.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

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
// programs the instance starts. Characters of the name that do not belong in a file name
// are written as "%XX"; a name too long for a file name is shortened to a hash of it.
//
// The first instance can also take requests of later starts (a line of text each, such as
// "activate") on a local socket beside the lock file, "<name>-<uid>.sock": Listen opens it,
// and TakeRequests reads what waits there once its descriptor is readable. A later start
// that is refused sends its request with SendRequest.
class TSingleInstance {
public:
    explicit TSingleInstance(const std::string& name);
    ~TSingleInstance();
    TSingleInstance(const TSingleInstance&) = delete;
    TSingleInstance& operator=(const TSingleInstance&) = delete;

    // False when another process holds the name (or the lock file could not be made).
    bool Acquired() const noexcept { return descriptor_ >= 0; }
    const std::string& LockFileName() const noexcept { return lockFileName_; }
    const std::string& SocketFileName() const noexcept { return socketFileName_; }

    // The holder only: opens the request socket; true when it listens (also when it already did).
    bool Listen();
    // The listening socket's descriptor (readable when a request waits), or -1.
    int ListenDescriptor() const noexcept { return listenDescriptor_; }
    // Reads every request that waits now, without waiting for more.
    std::vector<std::string> TakeRequests();
    // Sends one request to the instance that holds the name; true when it took it. A holder
    // that has not opened its socket yet is waited for up to `patience`.
    bool SendRequest(const std::string& request,
                     std::chrono::milliseconds patience = std::chrono::milliseconds(2000)) const;

private:
    int descriptor_ = -1;
    int listenDescriptor_ = -1;
    std::string lockFileName_;
    std::string socketFileName_;
};

// Opens a document, a folder or an address (http, https, mailto) with the desktop's opener
// (xdg-open), without waiting for it. A file is never run as a program, whatever its execute
// bit says: the desktop decides what opens it. No shell ever sees the text. True when the
// opener could be started.
bool ShellOpen(const std::string& target);

// Starts the program file `program` with `parameters` split at blanks (double quotes group
// words) as its arguments, without a shell and without waiting for it. Only for the named
// programs the tracker starts on purpose; documents and addresses go to ShellOpen.
bool StartProgram(const std::string& program, const std::string& parameters = std::string());

// Runs a program of the desktop's tools (found on the PATH) with these arguments, without a
// shell, and waits for it to end. Its exit code, or -1 when it could not be started or did not
// end normally.
int RunProgramAndWait(const std::string& program, const std::vector<std::string>& arguments);

// Replaces what ShellOpen and StartProgram do (tests record the calls instead of opening or
// starting anything; ShellOpen passes empty parameters); an empty function restores the real
// ones.
using TOpener = std::function<bool(const std::string& target, const std::string& parameters)>;
void SetOpener(TOpener opener);
