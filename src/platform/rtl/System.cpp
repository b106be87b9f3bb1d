#include "platform/rtl/System.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
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

namespace {

// The name as a file name part: letters, digits, ".", "_" and "-" stay, every other byte
// becomes "%XX"; a result too long for a file name becomes a hash of the name.
std::string InstanceFileNamePart(const std::string& name)
{
    static const char* const kHex = "0123456789ABCDEF";
    std::string part;
    for (unsigned char c : name) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
            c == '-') {
            part += static_cast<char>(c);
        } else {
            part += '%';
            part += kHex[c >> 4];
            part += kHex[c & 15];
        }
    }
    if (part.size() > 64) {
        uint64_t hash = 1469598103934665603ull;  // FNV-1a
        for (unsigned char c : name) {
            hash = (hash ^ c) * 1099511628211ull;
        }
        std::string hex;
        for (int shift = 60; shift >= 0; shift -= 4) {
            hex += kHex[(hash >> shift) & 15];
        }
        part = part.substr(0, 40) + "~" + hex;
    }
    return part;
}

bool MakeSocketAddress(const std::string& fileName, sockaddr_un& address)
{
    address = sockaddr_un{};
    address.sun_family = AF_UNIX;
    if (fileName.size() >= sizeof(address.sun_path)) {
        return false;
    }
    std::memcpy(address.sun_path, fileName.c_str(), fileName.size() + 1);
    return true;
}

}  // namespace

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
    const std::string base = folder + "/" + InstanceFileNamePart(name) + "-" + std::to_string(::geteuid());
    lockFileName_ = base + ".lock";
    socketFileName_ = base + ".sock";
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
    if (listenDescriptor_ >= 0) {
        ::close(listenDescriptor_);
        ::unlink(socketFileName_.c_str());  // still ours: the lock is released only below
    }
    if (descriptor_ >= 0)
        ::close(descriptor_);
}

bool TSingleInstance::Listen()
{
    if (listenDescriptor_ >= 0)
        return true;
    sockaddr_un address{};
    if (!Acquired() || !MakeSocketAddress(socketFileName_, address))
        return false;
    int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listener < 0)
        return false;
    // A socket file left by a holder that died is stale: only the lock holder listens.
    ::unlink(socketFileName_.c_str());
    if (::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(listener, 8) != 0) {
        ::close(listener);
        return false;
    }
    listenDescriptor_ = listener;
    return true;
}

std::vector<std::string> TSingleInstance::TakeRequests()
{
    std::vector<std::string> requests;
    if (listenDescriptor_ < 0)
        return requests;
    for (;;) {
        int connection = ::accept4(listenDescriptor_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) {
            if (errno == EINTR)
                continue;
            break;  // EAGAIN: nothing more waits
        }
        // The sender writes its line at once and closes; a sender that stalls is given up.
        timeval limit{1, 0};
        ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof(limit));
        std::string line;
        char buffer[256];
        for (;;) {
            ssize_t count = ::read(connection, buffer, sizeof(buffer));
            if (count < 0 && errno == EINTR)
                continue;
            if (count <= 0)
                break;
            line.append(buffer, static_cast<std::size_t>(count));
            if (line.find('\n') != std::string::npos || line.size() > 4096)
                break;
        }
        if (auto end = line.find('\n'); end != std::string::npos)
            line.resize(end);
        static const char kTaken[] = "ok\n";
        (void)!::send(connection, kTaken, sizeof(kTaken) - 1, MSG_NOSIGNAL);
        ::close(connection);
        requests.push_back(line);
    }
    return requests;
}

bool TSingleInstance::SendRequest(const std::string& request, std::chrono::milliseconds patience) const
{
    sockaddr_un address{};
    if (!MakeSocketAddress(socketFileName_, address))
        return false;
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        int connection = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (connection < 0)
            return false;
        if (::connect(connection, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0) {
            timeval limit{2, 0};
            ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof(limit));
            const std::string line = request + "\n";
            bool sent = ::send(connection, line.data(), line.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(line.size());
            char answer[4] = {};
            ssize_t count = sent ? ::recv(connection, answer, 3, MSG_WAITALL) : -1;
            ::close(connection);
            return count == 3 && std::memcmp(answer, "ok\n", 3) == 0;
        }
        const int error = errno;
        ::close(connection);
        // The holder may have taken the lock but not opened its socket yet.
        if ((error != ENOENT && error != ECONNREFUSED) || std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
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

int RunProgramAndWait(const std::string& program, const std::vector<std::string>& arguments)
{
    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    if (int result = ::posix_spawnp(&child, program.c_str(), nullptr, nullptr, argv.data(), environ); result != 0) {
        errno = result;
        return -1;
    }
    int status = 0;
    while (::waitpid(child, &status, 0) == -1) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

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
