#pragma once
// Watching a folder (and optionally every folder below it) for changes, with a wake-up that
// ends a wait from another thread.
//
// Kinds of change a watch reports, as filter bits:
//   FileName, DirName  a file or folder was created, deleted or renamed (a rename within the
//                      watched tree is one change);
//   Attributes, Security  its permissions, owner, times or extended attributes changed (this
//                      system keeps both in the same place: either bit takes such a change);
//   Size, LastWrite    a file was written (a run of writes and the close after them is one
//                      change; either bit takes it).
// When the system's queue of changes overflows, changes were lost: that is reported as one
// change of every kind the filter has, without a name.
//
// Changes inside a folder that is created in the watched tree are reported too (the folder's
// contents at the moment it is taken into the watch count as created). Links to folders are
// not followed below the watched folder.

#include <cstdint>
#include <string>
#include <vector>

namespace FolderChange {
inline constexpr unsigned FileName = 1u << 0;
inline constexpr unsigned DirName = 1u << 1;
inline constexpr unsigned Attributes = 1u << 2;
inline constexpr unsigned Size = 1u << 3;
inline constexpr unsigned LastWrite = 1u << 4;
inline constexpr unsigned Security = 1u << 5;
inline constexpr unsigned All = (1u << 6) - 1;
}  // namespace FolderChange

// A wake-up other threads can set: it stays set until reset.
class TWakeUpEvent {
public:
    TWakeUpEvent();
    ~TWakeUpEvent();
    TWakeUpEvent(const TWakeUpEvent&) = delete;
    TWakeUpEvent& operator=(const TWakeUpEvent&) = delete;

    void SetEvent();
    void ResetEvent();
    bool IsSet() const;
    int Descriptor() const noexcept { return descriptor_; }

private:
    int descriptor_ = -1;
};

struct TFolderChange {
    unsigned Kind = 0;  // the filter bits the change falls under
    std::string Name;   // relative to the watched folder ("sub/file.txt"); empty after an overflow
};

enum class TFolderWatchWait { Changes, Woken, TimedOut, Failed };

class TFolderWatch {
public:
    TFolderWatch() = default;
    ~TFolderWatch();
    TFolderWatch(const TFolderWatch&) = delete;
    TFolderWatch& operator=(const TFolderWatch&) = delete;

    // Starts watching; false (and closed) when the folder cannot be watched: it is missing,
    // no folder, may not be read, or the system has no watches left.
    bool Open(const std::string& folder, bool subTree, unsigned filter);
    void Close();
    bool IsOpen() const noexcept { return descriptor_ >= 0; }

    // Waits until changes the filter takes arrive (appended to `changes`), `wake` is set, or
    // the timeout (milliseconds, negative: none) passes. Failed when the watch is closed or the
    // watched folder itself is gone.
    TFolderWatchWait Wait(const TWakeUpEvent& wake, std::vector<TFolderChange>& changes, int timeout = -1);

private:
    struct TWatchedFolder {
        int descriptor;
        std::string path;  // relative to the watched folder, "" for itself
    };
    void AddFolder(const std::string& path, bool reportContents, std::vector<TFolderChange>& changes);
    void RemoveFolders(const std::string& path);
    void RenameFolders(const std::string& oldPath, const std::string& newPath);
    const TWatchedFolder* FindFolder(int descriptor) const;
    void ReadEvents(std::vector<TFolderChange>& changes);
    void Report(std::vector<TFolderChange>& changes, unsigned kind, const std::string& name);

    int descriptor_ = -1;
    std::string root_;
    bool subTree_ = false;
    unsigned filter_ = 0;
    unsigned eventMask_ = 0;
    int rootWatch_ = -1;
    bool rootGone_ = false;
    std::vector<TWatchedFolder> folders_;
    // The rename whose new name adds no change of its own.
    uint32_t lastMoveCookie_ = 0;
    // A write whose close is still to come: that close adds no change of its own.
    std::string openWrite_;
};
