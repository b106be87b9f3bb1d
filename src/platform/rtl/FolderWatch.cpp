#include "platform/rtl/FolderWatch.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

constexpr unsigned kNameKinds = FolderChange::FileName | FolderChange::DirName;
constexpr unsigned kAttributeKinds = FolderChange::Attributes | FolderChange::Security;
constexpr unsigned kContentKinds = FolderChange::Size | FolderChange::LastWrite;
constexpr uint32_t kNameEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;

std::string Below(const std::string& folder, const std::string& name)
{
    return folder.empty() ? name : folder + "/" + name;
}

bool IsAtOrBelow(const std::string& path, const std::string& folder)
{
    return path == folder || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                              path[folder.size()] == '/');
}

}  // namespace

// ---- TWakeUpEvent -------------------------------------------------------------------------

TWakeUpEvent::TWakeUpEvent() : descriptor_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

TWakeUpEvent::~TWakeUpEvent()
{
    if (descriptor_ >= 0) {
        ::close(descriptor_);
    }
}

void TWakeUpEvent::SetEvent()
{
    const uint64_t one = 1;
    // A counter at its limit is set already.
    [[maybe_unused]] const ssize_t written = ::write(descriptor_, &one, sizeof one);
}

void TWakeUpEvent::ResetEvent()
{
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t read = ::read(descriptor_, &count, sizeof count);
}

bool TWakeUpEvent::IsSet() const
{
    pollfd entry{descriptor_, POLLIN, 0};
    return ::poll(&entry, 1, 0) > 0 && (entry.revents & POLLIN) != 0;
}

// ---- TFolderWatch -------------------------------------------------------------------------

TFolderWatch::~TFolderWatch()
{
    Close();
}

void TFolderWatch::Close()
{
    if (descriptor_ >= 0) {
        ::close(descriptor_);
    }
    descriptor_ = -1;
    rootWatch_ = -1;
    rootGone_ = false;
    lastMoveCookie_ = 0;
    folders_.clear();
    openWrite_.clear();
}

bool TFolderWatch::Open(const std::string& folder, bool subTree, unsigned filter)
{
    Close();
    descriptor_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (descriptor_ < 0) {
        return false;
    }
    root_ = folder.empty() ? std::string(".") : folder;
    subTree_ = subTree;
    filter_ = filter & FolderChange::All;
    eventMask_ = IN_DELETE_SELF;
    if ((filter_ & kNameKinds) != 0 || subTree) {
        eventMask_ |= kNameEvents;
    }
    if ((filter_ & kAttributeKinds) != 0) {
        eventMask_ |= IN_ATTRIB;
    }
    if ((filter_ & kContentKinds) != 0) {
        eventMask_ |= IN_MODIFY | IN_CLOSE_WRITE;
    }
    rootWatch_ = ::inotify_add_watch(descriptor_, root_.c_str(), eventMask_ | IN_ONLYDIR);
    if (rootWatch_ < 0) {
        Close();
        return false;
    }
    folders_.push_back({rootWatch_, std::string()});
    if (subTree_) {
        std::vector<TFolderChange> unreported;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(root_, error)) {
            std::error_code statusError;
            if (entry.symlink_status(statusError).type() == std::filesystem::file_type::directory) {
                AddFolder(entry.path().filename().string(), false, unreported);
            }
        }
    }
    return true;
}

void TFolderWatch::AddFolder(const std::string& path, bool reportContents, std::vector<TFolderChange>& changes)
{
    const std::string fullName = root_ + "/" + path;
    const int watch = ::inotify_add_watch(descriptor_, fullName.c_str(), eventMask_ | IN_ONLYDIR | IN_DONT_FOLLOW);
    if (watch < 0) {
        return;  // gone again, not readable, or no watches left: its changes go unseen
    }
    const auto known = std::find_if(folders_.begin(), folders_.end(), [&](const TWatchedFolder& f) { return f.descriptor == watch; });
    if (known != folders_.end()) {
        known->path = path;
    } else {
        folders_.push_back({watch, path});
    }
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(fullName, error)) {
        const std::string name = Below(path, entry.path().filename().string());
        std::error_code statusError;
        const bool isFolder = entry.symlink_status(statusError).type() == std::filesystem::file_type::directory;
        if (reportContents) {
            Report(changes, isFolder ? FolderChange::DirName : FolderChange::FileName, name);
        }
        if (isFolder) {
            AddFolder(name, reportContents, changes);
        }
    }
}

void TFolderWatch::RemoveFolders(const std::string& path)
{
    std::erase_if(folders_, [&](const TWatchedFolder& folder) {
        if (!IsAtOrBelow(folder.path, path)) {
            return false;
        }
        ::inotify_rm_watch(descriptor_, folder.descriptor);
        return true;
    });
}

void TFolderWatch::RenameFolders(const std::string& oldPath, const std::string& newPath)
{
    for (TWatchedFolder& folder : folders_) {
        if (IsAtOrBelow(folder.path, oldPath)) {
            folder.path = newPath + folder.path.substr(oldPath.size());
        }
    }
}

const TFolderWatch::TWatchedFolder* TFolderWatch::FindFolder(int descriptor) const
{
    const auto found = std::find_if(folders_.begin(), folders_.end(), [&](const TWatchedFolder& f) { return f.descriptor == descriptor; });
    return found == folders_.end() ? nullptr : &*found;
}

void TFolderWatch::Report(std::vector<TFolderChange>& changes, unsigned kind, const std::string& name)
{
    if ((kind & filter_) != 0) {
        changes.push_back({kind & filter_, name});
    }
}

void TFolderWatch::ReadEvents(std::vector<TFolderChange>& changes)
{
    const std::size_t batchStart = changes.size();
    struct TMovedFolder {
        uint32_t cookie;
        std::string path;
    };
    std::vector<TMovedFolder> movedAway;
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t length = ::read(descriptor_, buffer, sizeof buffer);
        if (length <= 0) {
            break;  // drained (EAGAIN), or an error the next wait reports
        }
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if ((event->mask & IN_Q_OVERFLOW) != 0) {
                Report(changes, FolderChange::All, std::string());
                continue;
            }
            if ((event->mask & IN_IGNORED) != 0) {
                std::erase_if(folders_, [&](const TWatchedFolder& f) { return f.descriptor == event->wd; });
                rootGone_ = rootGone_ || event->wd == rootWatch_;
                continue;
            }
            const TWatchedFolder* folder = FindFolder(event->wd);
            if (folder == nullptr || event->len == 0 || event->name[0] == '\0') {
                continue;  // a folder's own change is seen (once) in the folder above it
            }
            const std::string name = Below(folder->path, event->name);
            const bool isFolder = (event->mask & IN_ISDIR) != 0;
            const unsigned nameKind = isFolder ? FolderChange::DirName : FolderChange::FileName;
            if ((event->mask & IN_CREATE) != 0) {
                Report(changes, nameKind, name);
                if (isFolder && subTree_) {
                    AddFolder(name, true, changes);
                }
            } else if ((event->mask & IN_DELETE) != 0) {
                Report(changes, nameKind, name);
            } else if ((event->mask & IN_MOVED_FROM) != 0) {
                Report(changes, nameKind, name);
                lastMoveCookie_ = event->cookie;
                if (isFolder && subTree_) {
                    movedAway.push_back({event->cookie, name});
                }
            } else if ((event->mask & IN_MOVED_TO) != 0) {
                const bool sameRename = event->cookie != 0 && event->cookie == lastMoveCookie_;
                if (!sameRename) {
                    Report(changes, nameKind, name);
                }
                if (isFolder && subTree_) {
                    const auto from = std::find_if(movedAway.begin(), movedAway.end(),
                                                   [&](const TMovedFolder& m) { return m.cookie == event->cookie; });
                    if (from != movedAway.end()) {
                        RenameFolders(from->path, name);
                        movedAway.erase(from);
                    } else {
                        AddFolder(name, false, changes);
                    }
                }
            } else if ((event->mask & IN_ATTRIB) != 0) {
                Report(changes, kAttributeKinds, name);
            } else if ((event->mask & IN_MODIFY) != 0) {
                const bool continues = changes.size() > batchStart && changes.back().Name == name &&
                                       (changes.back().Kind & kContentKinds) != 0;
                if (!continues) {
                    Report(changes, kContentKinds, name);
                }
                openWrite_ = name;
            } else if ((event->mask & IN_CLOSE_WRITE) != 0) {
                if (openWrite_ == name) {
                    openWrite_.clear();
                } else {
                    Report(changes, kContentKinds, name);
                }
            }
        }
    }
    // Folders moved out of the watched tree are no longer watched.
    for (const TMovedFolder& moved : movedAway) {
        RemoveFolders(moved.path);
    }
}

TFolderWatchWait TFolderWatch::Wait(const TWakeUpEvent& wake, std::vector<TFolderChange>& changes, int timeout)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout < 0 ? 0 : timeout);
    for (;;) {
        if (!IsOpen() || rootGone_) {
            return TFolderWatchWait::Failed;
        }
        int remaining = -1;
        if (timeout >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            remaining = static_cast<int>(std::max<long long>(left, 0));
        }
        pollfd entries[2] = {{descriptor_, POLLIN, 0}, {wake.Descriptor(), POLLIN, 0}};
        const int ready = ::poll(entries, 2, remaining);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return TFolderWatchWait::Failed;
        }
        if (ready == 0) {
            return TFolderWatchWait::TimedOut;
        }
        if ((entries[1].revents & POLLIN) != 0) {
            return TFolderWatchWait::Woken;
        }
        if ((entries[0].revents & POLLIN) != 0) {
            const std::size_t before = changes.size();
            ReadEvents(changes);
            if (changes.size() > before) {
                return TFolderWatchWait::Changes;
            }
        } else if ((entries[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0 ||
                   (entries[1].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            return TFolderWatchWait::Failed;
        }
    }
}
