#include "platform/rtl/TempFiles.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::string GetTempPath()
{
    std::string folder;
    if (const char* variable = std::getenv("TMPDIR"); variable != nullptr && *variable != '\0') {
        struct stat status {};
        if (::stat(variable, &status) == 0 && S_ISDIR(status.st_mode))
            folder = variable;
    }
    if (folder.empty())
        folder = "/tmp";
    if (folder.back() != '/')
        folder += '/';
    return folder;
}

std::string GetTempFileName(const std::string& folder, const std::string& prefix)
{
    static std::atomic<unsigned> counter{0};
    std::string base = folder;
    if (!base.empty() && base.back() != '/')
        base += '/';
    std::string start = base + prefix.substr(0, 3);

    // Start at a number that differs between processes and calls, then count up.
    unsigned seed = static_cast<unsigned>(::getpid()) * 2654435761u ^
                    static_cast<unsigned>(std::time(nullptr)) ^ (counter.fetch_add(1) * 40503u);
    for (unsigned attempt = 0; attempt < 0xFFFF; ++attempt) {
        unsigned number = (seed + attempt) % 0xFFFF + 1;  // 1 .. 0xFFFF
        char digits[8];
        std::snprintf(digits, sizeof digits, "%X", number);
        std::string name = start + digits + ".tmp";
        int descriptor = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0) {
            ::close(descriptor);
            return name;
        }
        if (errno != EEXIST)
            return {};
    }
    errno = EEXIST;
    return {};
}
