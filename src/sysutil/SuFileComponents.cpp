#include "sysutil/SuFileComponents.h"

#include "platform/classes/PropertyRegistry.h"
#include "platform/gui/Forms.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/System.h"
#include "platform/rtl/Trash.h"
#include "platform/gui/GuiText.h"
#include "sysutil/SuSysUtils.h"
#include "sysutil/SuVclUtils.h"

#include <QImage>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

// ---- TSuFileOperation ---------------------------------------------------------------------

namespace {

bool HasWildcard(const std::string& name)
{
    return name.find_first_of("*?") != std::string::npos;
}

std::string SystemText(int error)
{
    return std::strerror(error != 0 ? error : EIO);
}

// "name.ext" split into "name" and ".ext" (a leading dot belongs to the name).
std::pair<std::string, std::string> SplitName(const std::string& name)
{
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) {
        return {name, std::string()};
    }
    return {name.substr(0, dot), name.substr(dot)};
}

// The destination of a source=destination pair: made absolute against the destination
// folder, then its missing or wildcard name and extension taken from the source.
std::string CompleteDestination(const std::string& destFolder, std::string destination, const std::string& source)
{
    if (destination.empty() || destination.front() != '/') {
        destination = IncludeTrailingPathDelimiter(destFolder) + destination;
    }
    std::string reduced;
    for (char c : destination) {
        if (!(c == '/' && !reduced.empty() && reduced.back() == '/')) {
            reduced += c;
        }
    }
    const std::string folder = ExtractFilePath(reduced);
    const auto [sourceBase, sourceExt] = SplitName(ExtractFileName(source));
    auto [base, ext] = SplitName(ExtractFileName(reduced));
    if (base.empty() || base == "*") {
        base = sourceBase;
    }
    if (ext.empty() || ext == ".*") {
        ext = sourceExt;
    }
    return folder + base + ext;
}

// The files (and, unless `filesOnly`, folders) a source names: itself, or what its wildcard
// name matches in its folder, in name order.
std::vector<std::string> ExpandSource(const std::string& source, bool filesOnly)
{
    if (!HasWildcard(ExtractFileName(source))) {
        return {source};
    }
    std::string folder = ExtractFilePath(source);
    const std::string mask = ExtractFileName(source);
    std::vector<std::string> matches;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder.empty() ? "." : folder, error)) {
        const std::string name = entry.path().filename().string();
        if (!MatchesMask(name, mask)) {
            continue;
        }
        std::error_code kindError;
        if (entry.is_regular_file(kindError) || (!filesOnly && entry.is_directory(kindError))) {
            matches.push_back(folder + name);
        }
    }
    std::sort(matches.begin(), matches.end());
    return matches;
}

// "name (2).ext", "name (3).ext", ... beside `target`: the first that does not exist.
std::string CollisionName(const std::string& target)
{
    const std::string folder = ExtractFilePath(target);
    const auto [base, ext] = SplitName(ExtractFileName(target));
    for (int number = 2;; ++number) {
        std::string candidate = folder + base + " (" + std::to_string(number) + ")" + ext;
        std::error_code error;
        if (!fs::exists(fs::symlink_status(candidate, error))) {
            return candidate;
        }
    }
}

bool Exists(const std::string& path)
{
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

}  // namespace

void TSuFileOperation::RegisterClass()
{
    static const bool registered = [] {
        RegisterEnum<TSuFileOperationType>("TSuFileOperationType", {"fotCopy", "fotDelete", "fotMove", "fotRename"});
        RegisterEnum<TSuFileOperationFlag>("TSuFileOperationFlag",
                                           {"fofAllowUndo", "fofFilesOnly", "fofNoConfirmation", "fofNoConfirmMkDir",
                                            "fofNoErrorUI", "fofRenameCollision", "fofSilent", "fofSimpleProgress"});
        constexpr TSuFileOperationFlags defaults{TSuFileOperationFlag::fofAllowUndo, TSuFileOperationFlag::fofFilesOnly,
                                                 TSuFileOperationFlag::fofRenameCollision};
        using T = TSuFileOperation;
        TClassRegistration<T, TSuComponent>("TSuFileOperation")
            .Component()
            .Strings("FileList", &T::FileList)
            .String("DestFolder", &T::DestFolder, &T::SetDestFolder)
            .String("ProgressTitle", &T::ProgressTitle, &T::SetProgressTitle)
            .Enum("Operation", &T::Operation, &T::SetOperation, TSuFileOperationType::fotCopy)
            .Set<TSuFileOperationFlag>(
                "Options", [](const T& o) { return uint64_t{o.Options().Bits()}; },
                [](T& o, uint64_t bits) {
                    TSuFileOperationFlags flags;
                    for (unsigned bit = 0; bit < 8; ++bit) {
                        if ((bits >> bit) & 1) {
                            flags.Include(static_cast<TSuFileOperationFlag>(bit));
                        }
                    }
                    o.SetOptions(flags);
                }, defaults.Bits())
            .Event("OnError", &T::OnError);
        return true;
    }();
    (void)registered;
}

bool TSuFileOperation::Report(const std::string& text)
{
    bool handled = false;
    if (OnError) {
        OnError(this, text, handled);
    }
    return false;
}

bool TSuFileOperation::Execute()
{
    if (fileList_.Count() == 0) {
        return false;
    }
    bool pairs = false;
    for (int i = 0; i < fileList_.Count(); ++i) {
        pairs = pairs || fileList_[i].find('=') != std::string::npos;
    }
    const bool filesOnly = options_.Contains(TSuFileOperationFlag::fofFilesOnly);
    bool success = true;
    for (int i = 0; i < fileList_.Count(); ++i) {
        const std::string line = fileList_[i];
        const auto equals = line.find('=');
        const std::string source = pairs && equals != std::string::npos ? line.substr(0, equals) : line;
        const std::string destination = pairs && equals != std::string::npos ? line.substr(equals + 1) : std::string();
        const std::vector<std::string> items = ExpandSource(source, filesOnly);
        if (items.empty() || (items.size() == 1 && !Exists(items.front()))) {
            success = Report("Cannot find \"" + source + "\": " + SystemText(ENOENT)) && success;
            continue;
        }
        for (const std::string& item : items) {
            if (operation_ == TSuFileOperationType::fotDelete) {
                success = ProcessOne(item, std::string(), false) && success;
            } else if (pairs) {
                success = ProcessOne(item, CompleteDestination(destFolder_, destination, item), false) && success;
            } else if (operation_ == TSuFileOperationType::fotRename) {
                const std::string target = !destFolder_.empty() && destFolder_.front() == '/'
                                               ? destFolder_
                                               : ExtractFilePath(item) + destFolder_;
                success = ProcessOne(item, target, false) && success;
            } else {
                success = ProcessOne(item, destFolder_, true) && success;
            }
        }
    }
    return success;
}

bool TSuFileOperation::ProcessOne(const std::string& source, const std::string& target, bool targetIsFolder)
{
    std::error_code error;
    if (operation_ == TSuFileOperationType::fotDelete) {
        if (options_.Contains(TSuFileOperationFlag::fofAllowUndo)) {
            if (!MoveToTrash(source)) {
                return Report("Cannot move \"" + source + "\" to the trash: " + SystemText(errno));
            }
            return true;
        }
        fs::remove_all(source, error);
        return error ? Report("Cannot delete \"" + source + "\": " + error.message()) : true;
    }
    std::string destination = target;
    if (targetIsFolder) {
        if (target.empty()) {
            return Report("No destination folder for \"" + source + "\"");
        }
        if (!DirectoryExists(target) && !ForceDirectories(target)) {
            return Report("Cannot create the folder \"" + target + "\": " + SystemText(errno));
        }
        destination = IncludeTrailingPathDelimiter(target) + ExtractFileName(ExcludeTrailingPathDelimiter(source));
    } else if (const std::string folder = ExtractFilePath(destination); !folder.empty() && !DirectoryExists(folder)) {
        if (!ForceDirectories(folder)) {
            return Report("Cannot create the folder \"" + folder + "\": " + SystemText(errno));
        }
    }
    if (ExpandFileName(destination) == ExpandFileName(source) && operation_ != TSuFileOperationType::fotCopy) {
        return true;
    }
    if (Exists(destination)) {
        if (options_.Contains(TSuFileOperationFlag::fofRenameCollision)) {
            destination = CollisionName(destination);
        } else if (options_.Contains(TSuFileOperationFlag::fofNoConfirmation)) {
            fs::remove_all(destination, error);
            if (error) {
                return Report("Cannot replace \"" + destination + "\": " + error.message());
            }
        } else {
            return Report("Cannot write \"" + destination + "\": " + SystemText(EEXIST));
        }
    }
    const char* verb = operation_ == TSuFileOperationType::fotCopy   ? "copy"
                       : operation_ == TSuFileOperationType::fotMove ? "move"
                                                                     : "rename";
    if (operation_ != TSuFileOperationType::fotCopy) {
        if (std::rename(source.c_str(), destination.c_str()) == 0) {
            return true;
        }
        if (errno != EXDEV) {
            return Report(std::string("Cannot ") + verb + " \"" + source + "\" to \"" + destination + "\": " +
                          SystemText(errno));
        }
    }
    // A copy, or a move to another file system: copy whole, then remove the source.
    if (DirectoryExists(source)) {
        fs::copy(source, destination, fs::copy_options::recursive | fs::copy_options::copy_symlinks, error);
    } else if (!CopyFile(source, destination, true)) {
        error = std::error_code(errno, std::generic_category());
    }
    if (!error && operation_ != TSuFileOperationType::fotCopy) {
        fs::remove_all(source, error);
    }
    if (error) {
        return Report(std::string("Cannot ") + verb + " \"" + source + "\" to \"" + destination + "\": " + error.message());
    }
    return true;
}

// ---- TSuFileAssociation -------------------------------------------------------------------

namespace {

std::string DataHome()
{
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && *data == '/') {
        return IncludeTrailingPathDelimiter(data);
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.local/share/";
}

std::string XmlText(const std::string& ansi)
{
    std::string text;
    for (char c : AnsiToUtf8(ansi)) {
        switch (c) {
        case '&': text += "&amp;"; break;
        case '<': text += "&lt;"; break;
        case '>': text += "&gt;"; break;
        case '"': text += "&quot;"; break;
        default: text += c;
        }
    }
    return text;
}

std::string XmlUnescape(std::string text)
{
    for (const auto& [entity, c] : {std::pair<std::string, std::string>{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}}) {
        for (auto at = text.find(entity); at != std::string::npos; at = text.find(entity, at + c.size())) {
            text.replace(at, entity.size(), c);
        }
    }
    return Utf8ToAnsi(text);
}

std::string EntryValueText(const std::string& value)
{
    std::string text;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char next = value[++i];
            text += next == 'n' ? '\n' : next == 't' ? '\t' : next;
        } else {
            text += value[i];
        }
    }
    return Utf8ToAnsi(text);
}

// A command line ("%1" the file, quoted or not) as an Exec line: the file is "%f", given once.
std::string ExecLine(const std::string& command)
{
    std::string text = command;
    for (const char* quoted : {"\"%1\"", "\"%L\"", "\"%l\""}) {
        for (auto at = text.find(quoted); at != std::string::npos; at = text.find(quoted)) {
            text.replace(at, 4, "%1");
        }
    }
    std::string exec;
    bool hasFile = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && (text[i + 1] == '1' || text[i + 1] == 'L' || text[i + 1] == 'l')) {
            if (!hasFile) {
                exec += "%f";
            }
            hasFile = true;
            ++i;
        } else if (text[i] == '%') {
            exec += "%%";
        } else {
            exec += text[i];
        }
    }
    if (!hasFile) {
        exec += " %f";
    }
    return exec;
}

std::string CommandOf(const std::string& exec)
{
    std::string command;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        if (exec[i] == '%' && i + 1 < exec.size()) {
            command += exec[i + 1] == 'f' ? "\"%1\"" : exec[i + 1] == '%' ? "%" : "";
            ++i;
        } else {
            command += exec[i];
        }
    }
    return command;
}

// Key=value lines of one group of a desktop entry.
std::map<std::string, std::string> EntryGroup(const std::string& text, const std::string& group)
{
    std::map<std::string, std::string> values;
    bool inGroup = false;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.front() == '[') {
            inGroup = line == "[" + group + "]";
        } else if (inGroup) {
            if (const auto equals = line.find('='); equals != std::string::npos) {
                values[line.substr(0, equals)] = line.substr(equals + 1);
            }
        }
    }
    return values;
}

}  // namespace

const std::vector<std::pair<const char*, int>>& TSuFileAssociation::Actions()
{
    static const std::vector<std::pair<const char*, int>> actions{
        {"opennew", kOpenNewCommand}, {"edit", kEditCommand}, {"print", kPrintCommand}, {"printto", kPrintToCommand}};
    return actions;
}

void TSuFileAssociation::RegisterClass()
{
    static const bool registered = [] {
        using T = TSuFileAssociation;
        TClassRegistration<T, TSuComponent>("TSuFileAssociation")
            .Component()
            .String("Extension", &T::Extension, &T::SetExtension)
            .String("ExtDescription", &T::ExtDescription, &T::SetExtDescription)
            .String("FileDescription", &T::FileDescription, &T::SetFileDescription)
            .String("IconFile", &T::IconFile, &T::SetIconFile)
            .Integer("IconIndex", &T::IconIndex, &T::SetIconIndex)
            .Object("LargeIcon", &T::LargeIcon)
            .Object("SmallIcon", &T::SmallIcon)
            .Boolean("ReadOnly", &T::ReadOnly, &T::SetReadOnly, true)
            .String("OpenCommand", &T::OpenCommand, &T::SetOpenCommand)
            .String("OpenCommandDescription", &T::OpenCommandDescription, &T::SetOpenCommandDescription)
            .String("OpenNewCommand", &T::OpenNewCommand, &T::SetOpenNewCommand)
            .String("OpenNewCommandDescription", &T::OpenNewCommandDescription, &T::SetOpenNewCommandDescription)
            .String("EditCommand", &T::EditCommand, &T::SetEditCommand)
            .String("EditCommandDescription", &T::EditCommandDescription, &T::SetEditCommandDescription)
            .String("PrintCommand", &T::PrintCommand, &T::SetPrintCommand)
            .String("PrintCommandDescription", &T::PrintCommandDescription, &T::SetPrintCommandDescription)
            .String("PrintToCommand", &T::PrintToCommand, &T::SetPrintToCommand)
            .String("PrintToCommandDescription", &T::PrintToCommandDescription, &T::SetPrintToCommandDescription);
        return true;
    }();
    (void)registered;
}

std::string TSuFileAssociation::TypeName() const
{
    // Extensions are matched without regard to case; the files are named in lower case.
    std::string name;
    for (char c : extension_.size() > 1 ? extension_.substr(1) : std::string()) {
        const bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
        name += allowed ? static_cast<char>(std::tolower(static_cast<unsigned char>(c))) : '_';
    }
    return name;
}

std::string TSuFileAssociation::MimeType() const
{
    std::string description = extDescription_.empty() ? TypeName() + "file" : extDescription_;
    std::string type;
    for (char c : description) {
        const bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                             c == '_' || c == '.' || c == '+';
        type += allowed ? static_cast<char>(std::tolower(static_cast<unsigned char>(c))) : '-';
    }
    return "application/x-" + type;
}

std::string TSuFileAssociation::TypeFileName() const
{
    return DataHome() + "mime/packages/suassoc-" + TypeName() + ".xml";
}

std::string TSuFileAssociation::HandlerFileName() const
{
    return DataHome() + "applications/suassoc-" + TypeName() + ".desktop";
}

void TSuFileAssociation::SetExtension(const std::string& value)
{
    std::string extension = value;
    if (!extension.empty() && extension.front() != '.') {
        extension = "." + extension;
    }
    if (extension == extension_) {
        return;
    }
    extension_ = extension;
    if (!IsLoading()) {
        Read();
    }
}

void TSuFileAssociation::SetIconIndex(int value)
{
    if (value == iconIndex_) {
        return;
    }
    iconIndex_ = value;
    Apply();
}

void TSuFileAssociation::Change(std::string& field, const std::string& value)
{
    if (field == value) {
        return;
    }
    field = value;
    Apply();
}

void TSuFileAssociation::Apply()
{
    if (IsLoading()) {
        return;
    }
    if (IsDesigning()) {
        if (Application == nullptr) {
            return;
        }
        if (readOnly_) {
            Application->MessageBox("Cannot change the property in Read-Only mode.", "Warning", MB_OK | MB_ICONWARNING);
        } else if (!Write()) {
            Application->MessageBox("Cannot write to registry.", "Error", MB_OK | MB_ICONERROR);
        }
        return;
    }
    if (!readOnly_) {
        Write();  // errors are ignored at run time
    }
}

bool TSuFileAssociation::Read()
{
    // What an extension without an association reads: nothing, and the stock icon.
    extDescription_.clear();
    fileDescription_.clear();
    iconFile_.clear();
    iconIndex_ = 0;
    for (std::string& command : commands_) {
        command.clear();
    }
    const std::string typeText = extension_.size() < 2 ? std::string() : ReadFileContents(TypeFileName());
    if (typeText.empty()) {
        ReadIcons();
        return false;
    }
    auto between = [&](const std::string& open, const std::string& close) -> std::string {
        const auto start = typeText.find(open);
        if (start == std::string::npos) {
            return {};
        }
        const auto end = typeText.find(close, start + open.size());
        return end == std::string::npos ? std::string() : typeText.substr(start + open.size(), end - start - open.size());
    };
    const std::string type = between("type=\"", "\"");
    extDescription_ = type.rfind("application/x-", 0) == 0 ? type.substr(14) : type;
    fileDescription_ = XmlUnescape(between("<comment>", "</comment>"));
    const std::string handler = ReadFileContents(HandlerFileName());
    const auto main = EntryGroup(handler, "Desktop Entry");
    if (auto icon = main.find("Icon"); icon != main.end()) {
        iconFile_ = EntryValueText(icon->second);
    }
    if (auto exec = main.find("Exec"); exec != main.end()) {
        commands_[kOpenCommand] = EntryValueText(CommandOf(exec->second));
        if (auto name = main.find("X-Open-Description"); name != main.end()) {
            commands_[kOpenCommandDescription] = EntryValueText(name->second);
        }
    }
    for (const auto& [actionName, index] : Actions()) {
        const auto group = EntryGroup(handler, std::string("Desktop Action ") + actionName);
        if (auto exec = group.find("Exec"); exec != group.end()) {
            commands_[index] = EntryValueText(CommandOf(exec->second));
            if (auto name = group.find("Name"); name != group.end()) {
                commands_[index + 1] = EntryValueText(name->second);
            }
        }
    }
    ReadIcons();
    return true;
}

void TSuFileAssociation::ReadIcons()
{
    QImage image;
    if (!iconFile_.empty() && FileExists(iconFile_)) {
        image.load(ToQString(iconFile_));
    }
    const bool program = UpperCase(extension_) == ".EXE";
    for (const bool large : {true, false}) {
        const int size = large ? 32 : 16;
        QImage icon = image.isNull() ? SuShellIcon(program ? 2 : 0, large)
                                     : image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        (large ? largeIcon_ : smallIcon_).SetImage(icon);
    }
}

bool TSuFileAssociation::Write()
{
    if (extension_.size() < 2) {
        return false;
    }
    if (extDescription_.empty()) {
        extDescription_ = TypeName() + "file";
    }
    const std::string type = MimeType();
    const std::string typeText = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                 "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                                 "  <mime-type type=\"" + type + "\">\n"
                                 "    <comment>" + XmlText(fileDescription_.empty() ? extDescription_ : fileDescription_) +
                                 "</comment>\n"
                                 "    <glob pattern=\"*" + XmlText(extension_) + "\"/>\n"
                                 "  </mime-type>\n"
                                 "</mime-info>\n";
    const std::string mimeFolder = DataHome() + "mime/";
    if (!ForceDirectories(mimeFolder + "packages") || !WriteFileAtomically(TypeFileName(), typeText)) {
        return false;
    }
    bool written = RunProgramAndWait("update-mime-database", {mimeFolder}) == 0;
    if (commands_[kOpenCommand].empty()) {
        return written;
    }
    std::string entry = "[Desktop Entry]\nType=Application\nName=" +
                        SuDesktopEntryValue(fileDescription_.empty() ? extDescription_ : fileDescription_) +
                        "\nExec=" + SuDesktopEntryValue(ExecLine(commands_[kOpenCommand])) + "\nMimeType=" + type +
                        ";\nNoDisplay=true\n";
    if (!commands_[kOpenCommandDescription].empty()) {
        entry += "X-Open-Description=" + SuDesktopEntryValue(commands_[kOpenCommandDescription]) + "\n";
    }
    if (!iconFile_.empty()) {
        entry += "Icon=" + SuDesktopEntryValue(iconFile_) + "\n";
    }
    std::string actions;
    std::string groups;
    for (const auto& [actionName, index] : Actions()) {
        const std::string& command = commands_[index];
        if (command.empty()) {
            continue;
        }
        actions += std::string(actionName) + ";";
        const std::string& description = commands_[index + 1];
        groups += std::string("\n[Desktop Action ") + actionName + "]\nName=" +
                  SuDesktopEntryValue(description.empty() ? std::string(actionName) : description) + "\nExec=" +
                  SuDesktopEntryValue(ExecLine(command)) + "\n";
    }
    if (!actions.empty()) {
        entry += "Actions=" + actions + "\n";
    }
    entry += groups;
    const std::string handler = HandlerFileName();
    if (!ForceDirectories(ExtractFilePath(handler)) || !WriteFileAtomically(handler, entry)) {
        return false;
    }
    RunProgramAndWait("update-desktop-database", {ExtractFilePath(handler)});
    written = RunProgramAndWait("xdg-mime", {"default", ExtractFileName(handler), type}) == 0 && written;
    return written;
}

bool TSuFileAssociation::Delete()
{
    if (extension_.size() < 2) {
        return false;
    }
    bool removed = true;
    for (const std::string& file : {TypeFileName(), HandlerFileName()}) {
        if (FileExists(file) && !DeleteFile(file)) {
            removed = false;
        }
    }
    RunProgramAndWait("update-mime-database", {DataHome() + "mime/"});
    return removed;
}

void SuRegisterFileComponents()
{
    TSuFileOperation::RegisterClass();
    TSuFileAssociation::RegisterClass();
}
