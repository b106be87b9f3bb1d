#include "platform/rtl/Files.h"

#include "platform/rtl/CodePages.h"
#include "platform/rtl/TempFiles.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsDelimiter(char c)
{
    return c == '/';
}

std::size_t NamePartStart(const std::string& fileName)
{
    std::size_t slash = fileName.find_last_of('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

// Keeps errno of the failure across clean-up calls.
class ErrnoKeeper {
public:
    ErrnoKeeper() : saved_(errno) {}
    ~ErrnoKeeper() { errno = saved_; }
    ErrnoKeeper(const ErrnoKeeper&) = delete;
    ErrnoKeeper& operator=(const ErrnoKeeper&) = delete;

private:
    int saved_;
};

bool WriteAll(int descriptor, const char* data, std::size_t count)
{
    while (count > 0) {
        ssize_t done = ::write(descriptor, data, count);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0) {
            if (done == 0)
                errno = ENOSPC;
            return false;
        }
        data += done;
        count -= static_cast<std::size_t>(done);
    }
    return true;
}

bool CloseChecked(int descriptor)
{
    return ::close(descriptor) == 0 || errno == EINTR;
}

std::string FolderForTemporary(const std::string& fileName)
{
    std::string folder = ExtractFilePath(fileName);
    return folder.empty() ? std::string("./") : folder;
}

// Renames without replacing an existing target, atomically where the file system can.
bool RenameNoReplace(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    if (::link(from.c_str(), to.c_str()) != 0)
        return false;
    ::unlink(from.c_str());
    return true;
}

std::string ResolveLink(const std::string& fileName)
{
    struct stat status {};
    if (::lstat(fileName.c_str(), &status) == 0 && S_ISLNK(status.st_mode)) {
        std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(fileName.c_str(), nullptr),
                                                             &std::free);
        if (resolved)
            return resolved.get();
    }
    return fileName;
}

bool SameEntryName(const std::string& entry, const std::string& wanted)
{
    if (SameText(entry, wanted))
        return true;
    bool plain = std::all_of(entry.begin(), entry.end(),
                             [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    return !plain && AnsiSameText(Utf8ToAnsi(entry), wanted);
}

std::string& ApplicationFolderOverride()
{
    static std::string folder;
    return folder;
}

}  // namespace

// ---- names ----

std::string ExtractFilePath(const std::string& fileName)
{
    return fileName.substr(0, NamePartStart(fileName));
}

std::string ExtractFileName(const std::string& fileName)
{
    return fileName.substr(NamePartStart(fileName));
}

std::string ExtractFileExt(const std::string& fileName)
{
    std::size_t dot = fileName.find_last_of('.');
    if (dot == std::string::npos || dot < NamePartStart(fileName))
        return {};
    return fileName.substr(dot);
}

std::string ChangeFileExt(const std::string& fileName, const std::string& extension)
{
    std::size_t dot = fileName.find_last_of('.');
    if (dot == std::string::npos || dot < NamePartStart(fileName))
        return fileName + extension;
    return fileName.substr(0, dot) + extension;
}

std::string IncludeTrailingPathDelimiter(const std::string& path)
{
    if (!path.empty() && IsDelimiter(path.back()))
        return path;
    return path + '/';
}

std::string ExcludeTrailingPathDelimiter(const std::string& path)
{
    if (path.size() > 1 && IsDelimiter(path.back()))
        return path.substr(0, path.size() - 1);
    return path;
}

std::string ExpandFileName(const std::string& fileName)
{
    std::string full = fileName;
    if (full.empty() || full.front() != '/') {
        char buffer[PATH_MAX];
        std::string current = ::getcwd(buffer, sizeof buffer) ? buffer : "/";
        full = IncludeTrailingPathDelimiter(current) + full;
    }
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= full.size()) {
        std::size_t end = full.find('/', start);
        if (end == std::string::npos)
            end = full.size();
        std::string part = full.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string result;
    for (const std::string& part : parts)
        result += '/' + part;
    if (result.empty())
        return "/";
    if (IsDelimiter(full.back()) || full.ends_with("/.") || full.ends_with("/.."))
        result += '/';
    return result;
}

std::string MapStoredPath(const std::string& base, const std::string& name)
{
    bool absolute = !name.empty() && (name.front() == '\\' || name.front() == '/');
    std::string prefix = absolute ? std::string("/")
                         : base.empty() ? std::string()
                                        : IncludeTrailingPathDelimiter(base);

    std::vector<std::string> parts;
    std::string part;
    for (char c : name) {
        if (c == '\\' || c == '/') {
            if (!part.empty())
                parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty())
        parts.push_back(part);

    std::string mapped = prefix;
    bool searching = true;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        std::string chosen = parts[i];
        if (searching && chosen != "." && chosen != "..") {
            std::string folder = mapped.empty() ? std::string(".") : mapped;
            struct stat status {};
            if (::lstat((mapped + chosen).c_str(), &status) != 0) {
                std::vector<std::string> candidates;
                if (DIR* directory = ::opendir(folder.c_str())) {
                    while (dirent* entry = ::readdir(directory)) {
                        std::string entryName = entry->d_name;
                        if (entryName != "." && entryName != ".." && SameEntryName(entryName, chosen))
                            candidates.push_back(entryName);
                    }
                    ::closedir(directory);
                }
                if (candidates.empty()) {
                    searching = false;
                } else {
                    std::sort(candidates.begin(), candidates.end());
                    chosen = candidates.front();
                }
            }
        }
        mapped += chosen;
        if (i + 1 < parts.size())
            mapped += '/';
    }
    if (!parts.empty() && (name.back() == '\\' || name.back() == '/'))
        mapped += '/';
    return mapped;
}

std::string ApplicationExeName()
{
    char buffer[PATH_MAX];
    ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return {};
    return std::string(buffer, static_cast<std::size_t>(length));
}

std::string ApplicationFolder()
{
    if (!ApplicationFolderOverride().empty())
        return ApplicationFolderOverride();
    return ExtractFilePath(ApplicationExeName());
}

void SetApplicationFolder(const std::string& folder)
{
    ApplicationFolderOverride() = folder.empty() ? folder : IncludeTrailingPathDelimiter(folder);
}

// ---- files and folders ----

bool FileExists(const std::string& fileName)
{
    struct stat status {};
    return ::stat(fileName.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

bool FileIsReadOnly(const std::string& fileName)
{
    return FileExists(fileName) && ::access(fileName.c_str(), W_OK) != 0;
}

bool DirectoryExists(const std::string& folder)
{
    struct stat status {};
    return !folder.empty() && ::stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool CreateDir(const std::string& folder)
{
    return ::mkdir(folder.c_str(), 0777) == 0;
}

bool ForceDirectories(const std::string& folder)
{
    std::string path = ExcludeTrailingPathDelimiter(folder);
    if (path.empty()) {
        errno = ENOENT;
        return false;
    }
    if (DirectoryExists(path))
        return true;
    std::string parent = ExcludeTrailingPathDelimiter(ExtractFilePath(path));
    if (!parent.empty() && parent != path && !ForceDirectories(parent))
        return false;
    return CreateDir(path) || (errno == EEXIST && DirectoryExists(path));
}

bool DeleteFile(const std::string& fileName)
{
    struct stat status {};
    if (::lstat(fileName.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
        errno = EISDIR;
        return false;
    }
    return ::unlink(fileName.c_str()) == 0;
}

bool RenameFile(const std::string& oldName, const std::string& newName, bool replaceExisting)
{
    if (replaceExisting)
        return ::rename(oldName.c_str(), newName.c_str()) == 0;
    return RenameNoReplace(oldName, newName);
}

bool CopyFile(const std::string& existingName, const std::string& newName, bool failIfExists)
{
    int source = ::open(existingName.c_str(), O_RDONLY | O_CLOEXEC);
    if (source < 0)
        return false;
    struct stat sourceStatus {};
    int statusError = ::fstat(source, &sourceStatus) != 0 ? errno
                      : S_ISDIR(sourceStatus.st_mode)     ? EISDIR
                      : !S_ISREG(sourceStatus.st_mode)    ? EINVAL
                                                          : 0;
    if (statusError != 0) {
        int error = statusError;
        ::close(source);
        errno = error;
        return false;
    }
    if (failIfExists && ::access(newName.c_str(), F_OK) == 0) {
        ::close(source);
        errno = EEXIST;
        return false;
    }

    std::string temporary = GetTempFileName(FolderForTemporary(newName), "cpy");
    if (temporary.empty()) {
        ErrnoKeeper keep;
        ::close(source);
        return false;
    }
    int target = ::open(temporary.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    bool ok = target >= 0;
    std::vector<char> buffer(1 << 16);
    while (ok) {
        ssize_t done = ::read(source, buffer.data(), buffer.size());
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0) {
            ok = done == 0;
            break;
        }
        ok = WriteAll(target, buffer.data(), static_cast<std::size_t>(done));
    }
    if (ok) {
        ::fchmod(target, sourceStatus.st_mode & 07777);
        struct timespec times[2] = {sourceStatus.st_atim, sourceStatus.st_mtim};
        ::futimens(target, times);
    }
    if (target >= 0 && !CloseChecked(target))
        ok = false;
    {
        ErrnoKeeper keep;
        ::close(source);
    }
    if (ok)
        ok = failIfExists ? RenameNoReplace(temporary, newName)
                          : ::rename(temporary.c_str(), newName.c_str()) == 0;
    if (!ok) {
        ErrnoKeeper keep;
        ::unlink(temporary.c_str());
    }
    return ok;
}

int64_t FileSize(const std::string& fileName)
{
    struct stat status {};
    if (::stat(fileName.c_str(), &status) != 0)
        return -1;
    return status.st_size;
}

bool WriteFileAtomically(const std::string& fileName, const std::string& data)
{
    TAtomicFileWriter writer;
    return writer.Open(fileName) && writer.Write(data.data(), data.size()) && writer.Commit();
}

TAtomicFileWriter::~TAtomicFileWriter()
{
    ErrnoKeeper keep;
    Discard();
}

void TAtomicFileWriter::Discard() noexcept
{
    if (descriptor_ >= 0) {
        ::close(descriptor_);
        descriptor_ = -1;
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

bool TAtomicFileWriter::Open(const std::string& fileName)
{
    Discard();
    target_ = ResolveLink(fileName);
    struct stat status {};
    targetExists_ = ::stat(target_.c_str(), &status) == 0;
    targetMode_ = targetExists_ ? static_cast<unsigned>(status.st_mode & 07777) : 0;
    if (targetExists_ && ::access(target_.c_str(), W_OK) != 0)
        return false;
    temporary_ = GetTempFileName(FolderForTemporary(target_), "zvw");
    if (temporary_.empty())
        return false;
    descriptor_ = ::open(temporary_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (descriptor_ < 0) {
        ErrnoKeeper keep;
        Discard();
        return false;
    }
    return true;
}

bool TAtomicFileWriter::Write(const char* data, std::size_t count)
{
    if (descriptor_ < 0) {
        errno = EBADF;
        return false;
    }
    if (!WriteAll(descriptor_, data, count)) {
        ErrnoKeeper keep;
        Discard();
        return false;
    }
    return true;
}

bool TAtomicFileWriter::Commit()
{
    if (descriptor_ < 0) {
        errno = EBADF;
        return false;
    }
    if (targetExists_)
        ::fchmod(descriptor_, targetMode_);
    const int descriptor = descriptor_;
    descriptor_ = -1;
    bool ok = CloseChecked(descriptor);
    if (ok)
        ok = ::rename(temporary_.c_str(), target_.c_str()) == 0;
    ErrnoKeeper keep;
    if (ok)
        temporary_.clear();
    Discard();
    return ok;
}

bool MatchesMask(const std::string& name, const std::string& mask)
{
    auto lower = [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    };
    std::size_t n = 0, m = 0;
    std::size_t starMask = std::string::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || lower(mask[m]) == lower(name[n]))) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (starMask != std::string::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

std::vector<std::string> FindFiles(const std::string& folder, const std::string& mask)
{
    std::vector<std::string> names;
    std::string prefix = folder.empty() ? std::string("./") : IncludeTrailingPathDelimiter(folder);
    DIR* directory = ::opendir(prefix.c_str());
    if (directory == nullptr)
        return names;
    while (dirent* entry = ::readdir(directory)) {
        std::string name = entry->d_name;
        if (MatchesMask(name, mask) && FileExists(prefix + name))
            names.push_back(name);
    }
    ::closedir(directory);
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        int order = CompareText(a, b);
        return order != 0 ? order < 0 : a < b;
    });
    return names;
}

std::string ReadFileContents(const std::string& fileName)
{
    std::string text;
    int descriptor = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return text;
    char buffer[16384];
    for (;;) {
        ssize_t done = ::read(descriptor, buffer, sizeof buffer);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(done));
    }
    ::close(descriptor);
    return text;
}
