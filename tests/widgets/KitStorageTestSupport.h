#pragma once
// Outside tools for the kit's storage tests: ImageMagick reads the bitmap files and Python's
// wave module the sounds the kit writes.

#include "../platform/rtl/TestFolder.h"

#include <array>
#include <cstdio>
#include <string>

// Runs a shell command; its standard output and error, and whether it exited with 0.
inline std::string RunKitCommand(const std::string& command, bool& ok)
{
    std::string output;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        ok = false;
        return output;
    }
    std::array<char, 4096> buffer{};
    size_t count = 0;
    while ((count = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        output.append(buffer.data(), count);
    }
    ok = ::pclose(pipe) == 0;
    return output;
}

inline std::string KitShellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}
