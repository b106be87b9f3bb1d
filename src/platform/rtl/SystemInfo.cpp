#include "platform/rtl/SystemInfo.h"

#include <sys/utsname.h>
#include <unistd.h>

TMemoryStatus GetMemoryStatus()
{
    TMemoryStatus status;
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long available = ::sysconf(_SC_AVPHYS_PAGES);
    if (pageSize > 0 && pages > 0) {
        status.TotalPhysical = static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
    }
    if (pageSize > 0 && available > 0) {
        status.AvailablePhysical = static_cast<uint64_t>(available) * static_cast<uint64_t>(pageSize);
    }
    return status;
}

int GetProcessorCount()
{
    const long count = ::sysconf(_SC_NPROCESSORS_ONLN);
    return count > 0 ? static_cast<int>(count) : 1;
}

std::string GetMachineArchitecture()
{
    struct utsname names {};
    return ::uname(&names) == 0 ? std::string(names.machine) : std::string();
}
