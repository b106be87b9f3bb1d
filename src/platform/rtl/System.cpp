#include "platform/rtl/System.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

std::string GetUserName()
{
    std::vector<char> buffer(16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_name != nullptr && *found->pw_name != '\0')
        return found->pw_name;
    if (const char* user = std::getenv("USER"))
        return user;
    return {};
}

bool IsAdministrator()
{
    if (::geteuid() == 0)
        return true;
    int count = ::getgroups(0, nullptr);
    if (count <= 0)
        return false;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    count = ::getgroups(count, groups.data());
    for (const char* name : {"sudo", "wheel"}) {
        struct group* entry = ::getgrnam(name);
        if (entry == nullptr)
            continue;
        if (entry->gr_gid == ::getegid())
            return true;
        for (int i = 0; i < count; ++i) {
            if (groups[static_cast<std::size_t>(i)] == entry->gr_gid)
                return true;
        }
    }
    return false;
}

// ---- the version record ----

namespace {

std::optional<TOSVersionInfo>& VersionRecordOverride()
{
    static std::optional<TOSVersionInfo> record;
    return record;
}

}  // namespace

bool GetVersionEx(TOSVersionInfo& info)
{
    if (VersionRecordOverride()) {
        info = *VersionRecordOverride();
        return true;
    }
    info = TOSVersionInfo{};
    info.dwMajorVersion = 10;
    info.dwMinorVersion = 0;
    info.dwBuildNumber = 0;
    info.dwPlatformId = VER_PLATFORM_WIN32_NT;
    return true;
}

void SetVersionExRecord(std::optional<TOSVersionInfo> record)
{
    VersionRecordOverride() = std::move(record);
}

// ---- TSingleInstance ----

TSingleInstance::TSingleInstance(const std::string& name)
{
    std::string folder = "/tmp";
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime == '/') {
        struct stat status {};
        if (::stat(runtime, &status) == 0 && S_ISDIR(status.st_mode))
            folder = runtime;
    }
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    lockFileName_ = folder + "/" + name + "-" + std::to_string(::geteuid()) + ".lock";
    int descriptor = ::open(lockFileName_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (descriptor < 0)
        return;
    int result;
    do {
        result = ::flock(descriptor, LOCK_EX | LOCK_NB);
    } while (result == -1 && errno == EINTR);
    if (result == -1) {
        ::close(descriptor);
        return;
    }
    descriptor_ = descriptor;
}

TSingleInstance::~TSingleInstance()
{
    if (descriptor_ >= 0)
        ::close(descriptor_);
}

// ---- opener ----

namespace {

TOpener& CurrentOpener()
{
    static TOpener opener;
    return opener;
}

// Splits a parameter text the way a Windows program splits its command line (simplified):
// blanks separate words, double quotes group blanks into a word and are removed.
std::vector<std::string> SplitParameters(const std::string& parameters)
{
    std::vector<std::string> words;
    std::string word;
    bool quoted = false;
    bool inWord = false;
    for (char c : parameters) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    return words;
}

bool Spawn(const std::string& program, const std::vector<std::string>& arguments, bool searchPath)
{
    std::vector<char*> argv;
    std::string programCopy = program;
    argv.push_back(programCopy.data());
    std::vector<std::string> copies = arguments;
    for (std::string& argument : copies)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    pid_t child = 0;
    int result = searchPath
                     ? ::posix_spawnp(&child, program.c_str(), nullptr, nullptr, argv.data(), environ)
                     : ::posix_spawn(&child, program.c_str(), nullptr, nullptr, argv.data(), environ);
    if (result != 0) {
        errno = result;
        return false;
    }
    // The started program runs on its own; someone has to collect its exit status.
    std::thread([child] {
        int status = 0;
        while (::waitpid(child, &status, 0) == -1 && errno == EINTR) {
        }
    }).detach();
    return true;
}

}  // namespace

bool ShellOpen(const std::string& target)
{
    if (const TOpener& opener = CurrentOpener())
        return opener(target, std::string());
    return !target.empty() && Spawn("xdg-open", {target}, true);
}

bool StartProgram(const std::string& program, const std::string& parameters)
{
    if (const TOpener& opener = CurrentOpener())
        return opener(program, parameters);
    return !program.empty() && Spawn(program, SplitParameters(parameters), false);
}

void SetOpener(TOpener opener)
{
    CurrentOpener() = std::move(opener);
}
