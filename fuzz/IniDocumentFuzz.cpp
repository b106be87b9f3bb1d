// Feeds arbitrary bytes to the INI parser, then reads, changes and writes the result back.

#include "platform/rtl/IniFiles.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    TIniDocument document;
    document.Parse(text);
    for (const std::string& section : document.SectionNames()) {
        for (const auto& [key, value] : document.SectionValues(section)) {
            std::string found;
            document.Find(section, key, found);
        }
    }
    document.Set("Settings", "AskExit", text.substr(0, 16));
    document.DeleteKey("Settings", "Language");
    document.EraseSection("Position");

    // What was written must parse to the same text again.
    TIniDocument again;
    again.Parse(document.Text());
    if (again.Text() != document.Text())
        __builtin_trap();
    return 0;
}
