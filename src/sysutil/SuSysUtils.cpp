#include "sysutil/SuSysUtils.h"

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Files.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

struct TSuSysUtilsState {
    TSuWindowsVersion version;
    std::string programFolder;
    std::string logFileName;
};

TSuSysUtilsState& State()
{
    static TSuSysUtilsState state;
    return state;
}

std::size_t NamePartStart(const std::string& fileName)
{
    const std::size_t last = fileName.find_last_of("\\:/");
    return last == std::string::npos ? 0 : last + 1;
}

bool HasWildcard(const std::string& part)
{
    return part.find_first_of("*?") != std::string::npos;
}

// The extension of a name part with its dot ("" without one).
std::string ExtensionOf(const std::string& namePart)
{
    const std::size_t dot = namePart.rfind('.');
    return dot == std::string::npos ? std::string() : namePart.substr(dot);
}

std::string FirstServiceLetter(const std::string& serviceText)
{
    for (const char c : serviceText) {
        if (c != ' ') {
            return std::string(1, c);
        }
    }
    return std::string();
}

}  // namespace

// ---- operating-system version ----

TSuWindowsVersion SuDetectWindowsVersion(const TOSVersionInfo& record)
{
    TSuWindowsVersion v;
    if (record.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
        v.Build = record.dwBuildNumber & 0xFFFF;
        const std::string service = FirstServiceLetter(record.szCSDVersion);
        switch (record.dwMinorVersion) {
        case 0:
            (service == "B" ? v.Win95OSR2 : v.Win95) = true;
            break;
        case 10:
            (service == "A" ? v.Win98SE : v.Win98) = true;
            break;
        case 90:
            v.WinME = true;
            break;
        default:
            break;
        }
        v.Later9x = !v.Win95 && !v.Win95OSR2;
    } else if (record.dwPlatformId == VER_PLATFORM_WIN32_NT) {
        v.IsNT = true;
        v.Build = record.dwBuildNumber;
        switch (record.dwMajorVersion) {
        case 3:
            v.WinNT3 = true;
            break;
        case 4:
            v.WinNT4 = true;
            break;
        case 5:
            (record.dwMinorVersion == 0 ? v.Win2000 : v.WinXP) = true;
            break;
        default:
            break;
        }
        v.NewShell = !v.WinNT3 && !v.WinNT4;
        v.NewerThan2000 = v.NewShell && !v.Win2000;
    }
    // A known version with another build than its own is not that version.
    struct KnownBuild {
        bool TSuWindowsVersion::*flag;
        uint32_t build;
    };
    constexpr KnownBuild known[] = {
        {&TSuWindowsVersion::Win95OSR2, 1111}, {&TSuWindowsVersion::Win98, 1998},
        {&TSuWindowsVersion::Win98SE, 2222},   {&TSuWindowsVersion::WinNT4, 1381},
        {&TSuWindowsVersion::Win2000, 2195},   {&TSuWindowsVersion::WinME, 3000},
        {&TSuWindowsVersion::WinXP, 2600},
    };
    for (const KnownBuild& entry : known) {
        if (v.*entry.flag && v.Build != entry.build) {
            v.*entry.flag = false;
        }
    }
    return v;
}

const TSuWindowsVersion& SuWindowsVersion()
{
    return State().version;
}

const std::string& SuProgramFolder()
{
    return State().programFolder;
}

const std::string& SuLogFileName()
{
    return State().logFileName;
}

void SuSysUtilsStart()
{
    TSuSysUtilsState& state = State();
    TOSVersionInfo record;
    state.version = GetVersionEx(record) ? SuDetectWindowsVersion(record) : TSuWindowsVersion{};
    state.programFolder = ApplicationFolder();
    state.logFileName = ChangeFileExt(ApplicationExeName(), ".log");
}

// ---- strings ----

int SuPosEx(const std::string& sub, const std::string& text, int start)
{
    if (sub.empty() || start < 1 || static_cast<std::size_t>(start) > text.size()) {
        return 0;
    }
    const std::size_t found = text.find(sub, static_cast<std::size_t>(start - 1));
    return found == std::string::npos ? 0 : static_cast<int>(found) + 1;
}

int SuLastPos(const std::string& sub, const std::string& text, int before)
{
    if (sub.empty() || sub.size() > text.size()) {
        return 0;
    }
    std::size_t from = std::string::npos;
    if (before > 0) {
        from = static_cast<std::size_t>(before - 1);
    } else if (before < 0) {
        return 0;
    }
    const std::size_t found = text.rfind(sub, from);
    return found == std::string::npos ? 0 : static_cast<int>(found) + 1;
}

std::string SuReplaceText(const std::string& text, const std::string& oldText, const std::string& newText)
{
    if (oldText.empty()) {
        return text;
    }
    std::string result;
    std::size_t at = 0;
    for (;;) {
        const std::size_t found = text.find(oldText, at);
        if (found == std::string::npos) {
            break;
        }
        result.append(text, at, found - at);
        result += newText;
        at = found + oldText.size();
    }
    result.append(text, at, std::string::npos);
    return result;
}

std::string SuReplaceChar(const std::string& text, char oldChar, char newChar)
{
    std::string result = text;
    for (char& c : result) {
        if (c == oldChar) {
            c = newChar;
        }
    }
    return result;
}

void SuSplitText(const std::string& text, const std::string& separator, TStrings& parts)
{
    parts.BeginUpdate();
    parts.Clear();
    if (!text.empty()) {
        if (separator.empty()) {
            parts.Add(text);
        } else {
            std::size_t at = 0;
            for (;;) {
                const std::size_t found = text.find(separator, at);
                if (found == std::string::npos) {
                    parts.Add(text.substr(at));
                    break;
                }
                parts.Add(text.substr(at, found - at));
                at = found + separator.size();
            }
        }
    }
    parts.EndUpdate();
}

// ---- paths ----

std::string SuExtractFileName(const std::string& fileName)
{
    return fileName.substr(NamePartStart(fileName));
}

std::string SuExtractFilePath(const std::string& fileName)
{
    return fileName.substr(0, NamePartStart(fileName));
}

std::string SuRemoveFileExt(const std::string& fileName)
{
    const std::size_t start = NamePartStart(fileName);
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string::npos || dot < start) {
        return fileName;
    }
    return fileName.substr(0, dot);
}

std::string SuIncludeTrailingDelimiter(const std::string& path)
{
    if (path.empty() || path.back() == '/' || path.back() == '\\') {
        return path;
    }
    return path + "/";
}

std::string SuReduceDelimiters(const std::string& path)
{
    std::string result;
    for (const char c : path) {
        if ((c == '\\' || c == '/') && !result.empty() && result.back() == c) {
            continue;
        }
        result.push_back(c);
    }
    return result;
}

std::string SuExpandFileName(const std::string& name, const std::string& folder)
{
    const bool hasDrive = name.size() >= 2 && name[1] == ':';
    if (hasDrive || name.starts_with('/')) {
        return name;
    }
    return SuReduceDelimiters(SuIncludeTrailingDelimiter(folder) + name);
}

std::string SuCompleteDestination(const std::string& destination, const std::string& source)
{
    if (destination.empty()) {
        return source;
    }
    std::string folder = SuExtractFilePath(destination);
    const std::string namePart = SuExtractFileName(destination);
    std::string extension = ExtensionOf(namePart);
    std::string name = namePart.substr(0, namePart.size() - extension.size());

    const std::string sourceName = SuExtractFileName(source);
    const std::string sourceExtension = ExtensionOf(sourceName);
    if (folder.empty() || HasWildcard(folder)) {
        folder = SuExtractFilePath(source);
    }
    if (name.empty() || HasWildcard(name)) {
        name = sourceName.substr(0, sourceName.size() - sourceExtension.size());
    }
    if (extension.empty() || extension == "." || HasWildcard(extension)) {
        extension = sourceExtension;
    }
    return folder + name + extension;
}

std::string SuSystemFolder()
{
    return "/usr/bin/";
}

bool SuIsUsableFileName(const std::string& fileName)
{
    if (fileName.empty()) {
        return false;
    }
    if (FileExists(fileName)) {
        return true;
    }
    const int descriptor = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (descriptor < 0) {
        return false;
    }
    ::close(descriptor);
    ::unlink(fileName.c_str());
    return true;
}

// ---- registry ----

void SuRegWriteString(HKEY root, const std::string& key, const std::string& name, const std::string& data)
{
    TRegistry registry;
    registry.SetRootKey(root);
    if (!registry.OpenKey(key, true)) {
        throw ERegistryException("Unable to open the " + key + " key");
    }
    if (data.find('%') != std::string::npos) {
        registry.WriteExpandString(name, data);
    } else {
        registry.WriteString(name, data);
    }
}

bool SuRegDeleteValue(HKEY root, const std::string& key, const std::string& name)
{
    TRegistry registry;
    registry.SetRootKey(root);
    if (!registry.OpenKey(key, false) || !registry.ValueExists(name)) {
        return true;
    }
    return registry.DeleteValue(name);
}

// ---- small helpers ----

int SuMin(int a, int b)
{
    return a < b ? a : b;
}

void SuCloseHandle(int& descriptor)
{
    if (descriptor != -1) {
        ::close(descriptor);
        descriptor = -1;
    }
}

std::string SuDesktopEntryValue(const std::string& ansiText)
{
    std::string text;
    for (char c : AnsiToUtf8(ansiText)) {
        switch (c) {
        case '\\': text += "\\\\"; break;
        case '\n': text += "\\n"; break;
        case '\t': text += "\\t"; break;
        case '\r': text += "\\r"; break;
        default: text += c;
        }
    }
    return text;
}
