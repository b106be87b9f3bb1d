#include "app/OsVersion.h"

namespace {

std::optional<TOsVersionInfo>& OverriddenRecord()
{
    static std::optional<TOsVersionInfo> record;
    return record;
}

}  // namespace

std::optional<TOsVersionInfo> GetOsVersionInfo()
{
    return OverriddenRecord();
}

void SetOsVersionInfo(std::optional<TOsVersionInfo> info)
{
    OverriddenRecord() = std::move(info);
}
