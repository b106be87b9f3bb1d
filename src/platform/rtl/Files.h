#pragma once
// File names, folders and whole-file operations.
//
// Paths use "/" as the delimiter. Names kept in stored data (settings, language lists) are
// written the Windows way, with "\" and in any letter case; MapStoredPath turns them into
// paths of this system. Failures are results: false (or -1) with errno set.

#include <cstdint>
#include <cstddef>
#include <string>
#include <vector>

// ---- names ----

// Everything up to and including the last "/" ("" when there is none).
std::string ExtractFilePath(const std::string& fileName);
// Everything after the last "/".
std::string ExtractFileName(const std::string& fileName);
// The extension with its dot ("" when the name part has no dot).
std::string ExtractFileExt(const std::string& fileName);
// Replaces the extension (or adds one); `extension` includes the dot, "" removes it.
std::string ChangeFileExt(const std::string& fileName, const std::string& extension);
std::string IncludeTrailingPathDelimiter(const std::string& path);
// Removes one trailing "/" (not from the root "/").
std::string ExcludeTrailingPathDelimiter(const std::string& path);
// An absolute name with "." and ".." parts resolved (without following links), relative
// names taken from the current folder.
std::string ExpandFileName(const std::string& fileName);

// Maps a stored Windows-style name to an existing path below `base`: "\" becomes "/", and
// each part of the name is looked for in its folder without regard to letter case (an
// entry spelt exactly as given wins; among others the first in name order). From the first
// part that does not exist on, the rest is taken as given. A name starting with "/" ignores
// `base`; an empty `base` is the current folder. The result is `base` (with a "/" added
// when needed) followed by the mapped name.
std::string MapStoredPath(const std::string& base, const std::string& name);

// The folder of the running program with a trailing "/" (from /proc/self/exe), and the
// program file itself. Tests can set the folder; an empty text returns to the real one.
std::string ApplicationFolder();
std::string ApplicationExeName();
void SetApplicationFolder(const std::string& folder);

// ---- files and folders ----

// True for an existing regular file (links followed); folders are not files.
bool FileExists(const std::string& fileName);
bool DirectoryExists(const std::string& folder);
// True when the file exists and this user may not write to it.
bool FileIsReadOnly(const std::string& fileName);
// Creates the folder and every missing folder above it; true when it exists afterwards.
bool ForceDirectories(const std::string& folder);
// Creates one folder level.
bool CreateDir(const std::string& folder);
bool DeleteFile(const std::string& fileName);
// Renames a file. Without `replaceExisting` an existing target makes it fail (EEXIST);
// with it the target is replaced in one step.
bool RenameFile(const std::string& oldName, const std::string& newName,
                bool replaceExisting = false);
// Copies a file with its permissions and modification time. The copy is written into a
// temporary file beside the target and renamed into place, so the target is never seen
// half-written. With `failIfExists` an existing target makes it fail (EEXIST) and stays.
bool CopyFile(const std::string& existingName, const std::string& newName, bool failIfExists);
// Size in bytes, or -1.
int64_t FileSize(const std::string& fileName);

// The whole contents of a file; an empty text when it is missing or cannot be read.
std::string ReadFileContents(const std::string& fileName);

// Writes `data` as the whole new contents of `fileName` through a temporary file beside it
// that is renamed over it: the file holds either the old or the new contents, never a part.
// An existing file keeps its permissions; a file that exists but may not be written fails
// (EACCES) and stays as it is.
bool WriteFileAtomically(const std::string& fileName, const std::string& data);

// The same for a document written piece by piece: Open makes the temporary file beside
// `fileName`, Write appends to it, Commit renames it over the target. The target changes only
// at Commit; a writer destroyed before Commit (or whose Commit failed) removes its temporary
// file. Failures are results (errno says why); once one happened, the writer stays failed.
class TAtomicFileWriter {
public:
    TAtomicFileWriter() = default;
    ~TAtomicFileWriter();
    TAtomicFileWriter(const TAtomicFileWriter&) = delete;
    TAtomicFileWriter& operator=(const TAtomicFileWriter&) = delete;

    bool Open(const std::string& fileName);
    bool Write(const char* data, std::size_t count);
    bool Commit();
    bool IsOpen() const noexcept { return descriptor_ >= 0; }

private:
    void Discard() noexcept;

    std::string target_;
    std::string temporary_;
    int descriptor_ = -1;
    bool targetExists_ = false;
    unsigned targetMode_ = 0;
};

// Names (without folder) of the regular files in `folder` that match `mask` ("*" any run,
// "?" one character; letter case ignored), sorted by name without regard to case.
std::vector<std::string> FindFiles(const std::string& folder, const std::string& mask);
// True when `name` matches such a mask.
bool MatchesMask(const std::string& name, const std::string& mask);
