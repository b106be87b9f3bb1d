#include "sysutil/GtCVersInfo.h"

#include "platform/classes/PropertyRegistry.h"
#include "platform/rtl/OsErrors.h"
#include "platform/rtl/VersionResources.h"

#include <cstdio>

namespace {

constexpr const char* kStringKeys[] = {
    "CompanyName",      "FileDescription", "FileVersion",    "InternalName", "LegalCopyright",
    "OriginalFilename", "ProductName",     "ProductVersion", "Comments",     "LegalTrademarks",
};

// Days from 1601-01-01, where file times count from, to the day 0 of date-time values.
constexpr int64_t kFileTimeEpochDays = 109205;
constexpr uint64_t kFileTimeTicksPerMillisecond = 10000;

}  // namespace

TGtVersionInfo::TGtVersionInfo(TComponent* owner) : TComponent(owner)
{
    RegisterClass();
}

void TGtVersionInfo::RegisterClass()
{
    static const bool registered = [] {
        TClassRegistration<TGtVersionInfo, TComponent>("TGtVersionInfo")
            .Component()
            .String("FileName", &TGtVersionInfo::FileName, &TGtVersionInfo::SetFileName);
        return true;
    }();
    (void)registered;
}

void TGtVersionInfo::SetFileName(const std::string& fileName)
{
    if (fileName.empty() || fileName == fileName_) {
        return;
    }
    fileName_ = fileName;
    info_.clear();
    infoSize_ = static_cast<int>(GetFileVersionInfoSize(fileName));
    if (infoSize_ <= 0) {
        infoSize_ = 0;
        return;
    }
    std::string data;
    if (!GetFileVersionInfo(fileName, data)) {
        infoSize_ = 0;
        RaiseLastOSError();
    }
    info_ = std::move(data);
    infoSize_ = static_cast<int>(info_.size());
}

bool TGtVersionInfo::FixedVersionPart(bool mostSignificant, uint32_t& part) const
{
    TVSFixedFileInfo fixed;
    if (infoSize_ <= 0 || !VerQueryFixedFileInfo(info_, fixed)) {
        return false;
    }
    part = mostSignificant ? fixed.dwFileVersionMS : fixed.dwFileVersionLS;
    return true;
}

int TGtVersionInfo::MajorVersion() const
{
    uint32_t part = 0;
    return FixedVersionPart(true, part) ? static_cast<int>(part >> 16) : -1;
}

int TGtVersionInfo::MinorVersion() const
{
    uint32_t part = 0;
    return FixedVersionPart(true, part) ? static_cast<int>(part & 0xFFFF) : -1;
}

int TGtVersionInfo::Release() const
{
    uint32_t part = 0;
    return FixedVersionPart(false, part) ? static_cast<int>(part >> 16) : -1;
}

int TGtVersionInfo::Build() const
{
    uint32_t part = 0;
    return FixedVersionPart(false, part) ? static_cast<int>(part & 0xFFFF) : -1;
}

TDateTime TGtVersionInfo::DateTime() const
{
    TVSFixedFileInfo fixed;
    if (infoSize_ <= 0 || !VerQueryFixedFileInfo(info_, fixed)) {
        return 0;
    }
    const uint64_t fileTime = uint64_t{fixed.dwFileDateMS} << 32 | fixed.dwFileDateLS;
    // File times past the year 30827 have no calendar date.
    if (fileTime > 0x7FFFFFFFFFFFFFFFull) {
        return 0;
    }
    const auto milliseconds = static_cast<int64_t>(fileTime / kFileTimeTicksPerMillisecond);
    return MillisecondsToDateTime(milliseconds - kFileTimeEpochDays * MSecsPerDay);
}

std::string TGtVersionInfo::StringValue(int index) const
{
    if (infoSize_ <= 0 || index < 1 || index > static_cast<int>(std::size(kStringKeys))) {
        return std::string();
    }
    const std::vector<uint32_t> translations = VerQueryTranslations(info_);
    if (translations.empty()) {
        return std::string();
    }
    char table[16];
    std::snprintf(table, sizeof table, "%.4x%.4x", translations.front() & 0xFFFF, translations.front() >> 16);
    std::string value;
    if (!VerQueryValue(info_, std::string("\\StringFileInfo\\") + table + "\\" + kStringKeys[index - 1], value)) {
        return std::string();
    }
    return value;
}
