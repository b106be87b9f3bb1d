#include "platform/rtl/Trash.h"

#include "platform/rtl/Files.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace {

// Each byte outside the unreserved characters and "/" written as "%XX", as trash records keep paths.
std::string EncodePath(const std::string& path)
{
    static const char* const kHex = "0123456789ABCDEF";
    std::string text;
    for (unsigned char c : path) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '/' || c == '-' ||
            c == '_' || c == '.' || c == '~') {
            text += static_cast<char>(c);
        } else {
            text += '%';
            text += kHex[c >> 4];
            text += kHex[c & 15];
        }
    }
    return text;
}

}  // namespace

std::string TrashFolder()
{
    const char* data = std::getenv("XDG_DATA_HOME");
    std::string folder;
    if (data != nullptr && *data == '/') {
        folder = data;
    } else {
        const char* home = std::getenv("HOME");
        folder = std::string(home != nullptr ? home : "") + "/.local/share";
    }
    return IncludeTrailingPathDelimiter(folder) + "Trash/";
}

bool MoveToTrash(const std::string& path)
{
    const std::string source = ExpandFileName(path);
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(source, error))) {
        errno = ENOENT;
        return false;
    }
    const std::string trash = TrashFolder();
    if (!ForceDirectories(trash + "files") || !ForceDirectories(trash + "info")) {
        return false;
    }
    // A name of its own in the trash: the record is made first and exclusively, so two
    // programs trashing the same name at once never share it.
    const std::string name = ExtractFileName(ExcludeTrailingPathDelimiter(source));
    std::string entry;
    int record = -1;
    for (int number = 1; record < 0 && number < 10000; ++number) {
        entry = number == 1 ? name : name + "." + std::to_string(number);
        if (std::filesystem::exists(std::filesystem::symlink_status(trash + "files/" + entry, error))) {
            continue;
        }
        record = ::open((trash + "info/" + entry + ".trashinfo").c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (record < 0 && errno != EEXIST) {
            return false;
        }
    }
    if (record < 0) {
        errno = EEXIST;
        return false;
    }
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char date[32];
    std::strftime(date, sizeof(date), "%Y-%m-%dT%H:%M:%S", &local);
    const std::string text = "[Trash Info]\nPath=" + EncodePath(source) + "\nDeletionDate=" + date + "\n";
    const bool written = ::write(record, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(record);
    const std::string infoName = trash + "info/" + entry + ".trashinfo";
    const std::string target = trash + "files/" + entry;
    if (written && std::rename(source.c_str(), target.c_str()) == 0) {
        return true;
    }
    if (written && errno == EXDEV) {
        // Another file system: copy whole, then remove the original.
        std::filesystem::copy(source, target, std::filesystem::copy_options::recursive | std::filesystem::copy_options::copy_symlinks, error);
        if (!error && std::filesystem::remove_all(source, error) != static_cast<std::uintmax_t>(-1) && !error) {
            return true;
        }
        std::filesystem::remove_all(target, error);
    }
    const int saved = errno != 0 ? errno : EIO;
    ::unlink(infoName.c_str());
    errno = saved;
    return false;
}
