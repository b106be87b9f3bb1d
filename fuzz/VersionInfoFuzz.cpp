// Feeds arbitrary bytes to the version-resource reader: as a program file (ELF or PE headers
// leading to the version block) and as a version block itself.

#include "platform/rtl/VersionResources.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const char* paths[] = {"\\", "\\VarFileInfo\\Translation", "\\StringFileInfo\\040904E4\\FileVersion",
                           "\\StringFileInfo\\040904e4\\CompanyName"};
    std::string value;
    for (const char* path : paths) {
        VerQueryValue(bytes, path, value);
    }
    TVSFixedFileInfo fixed;
    VerQueryFixedFileInfo(bytes, fixed);
    VerQueryTranslations(bytes);

    // The same bytes as a file in memory.
    const int descriptor = memfd_create("version", MFD_CLOEXEC);
    if (descriptor < 0) {
        return 0;
    }
    if (write(descriptor, data, size) == static_cast<ssize_t>(size)) {
        const std::string fileName = "/proc/self/fd/" + std::to_string(descriptor);
        std::string block;
        if (GetFileVersionInfo(fileName, block)) {
            if (GetFileVersionInfoSize(fileName) != block.size()) {
                __builtin_trap();
            }
            for (const char* path : paths) {
                VerQueryValue(block, path, value);
            }
        }
    }
    close(descriptor);
    return 0;
}
