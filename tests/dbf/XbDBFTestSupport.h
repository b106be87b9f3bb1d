#pragma once
// Helpers shared by the table engine tests: a scratch folder, whole-file reads and writes and
// running an outside tool.

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

class TScratchFolder {
public:
    TScratchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "zv dbf test XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TScratchFolder()
    {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    TScratchFolder(const TScratchFolder&) = delete;
    TScratchFolder& operator=(const TScratchFolder&) = delete;

    std::string File(const std::string& name) const { return (std::filesystem::path(path_) / name).string(); }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

inline std::vector<uint8_t> ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// "41 42 0d" -> bytes; blanks are ignored.
inline std::vector<uint8_t> Hex(const std::string& text)
{
    std::vector<uint8_t> bytes;
    std::string digits;
    for (char c : text)
        if (c != ' ' && c != '\n')
            digits += c;
    for (size_t i = 0; i + 1 < digits.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return bytes;
}

// Runs a shell command and returns its standard output; `ok` tells whether it exited with 0.
inline std::string RunCommand(const std::string& command, bool& ok)
{
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ok = false;
        return output;
    }
    std::array<char, 4096> buffer{};
    size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        output.append(buffer.data(), n);
    ok = ::pclose(pipe) == 0;
    return output;
}

inline std::string ShellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Whether a shell command exits with 0 (for asking whether an outside tool is installed).
inline bool CommandSucceeds(const std::string& command)
{
    bool ok = false;
    RunCommand(command + " >/dev/null 2>&1", ok);
    return ok;
}

// Writes `script` into `folder` and runs it with `interpreter` ("/usr/bin/python3", "perl") and
// the arguments; returns what it printed (standard output and error).
inline std::string RunScript(const std::string& folder, const std::string& interpreter, const std::string& script,
                             const std::vector<std::string>& arguments, bool& ok)
{
    static int serial = 0;
    const std::string name = (std::filesystem::path(folder) / ("script" + std::to_string(++serial))).string();
    {
        std::ofstream out(name, std::ios::binary | std::ios::trunc);
        out << script;
    }
    std::string command = interpreter + " " + ShellQuoted(name);
    for (const std::string& argument : arguments)
        command += " " + ShellQuoted(argument);
    return RunCommand(command + " 2>&1", ok);
}
