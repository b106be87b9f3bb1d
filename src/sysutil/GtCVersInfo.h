#pragma once
// TGtVersionInfo: the version resource of a program file as read-only properties: the four
// numbers of the file version, the file date and the texts of the string table.
//
// Setting FileName to another, non-empty name reads the file's version data (see
// platform/rtl/VersionResources.h for where a file keeps it); a file without version data
// leaves none. Without version data every number is -1, DateTime is 0 and every text is empty.
// The texts come from the string table of the first language and code page that
// "\VarFileInfo\Translation" lists; a string table of another language is not looked at.

#include "platform/classes/Components.h"
#include "platform/rtl/DateTime.h"

#include <string>

class TGtVersionInfo : public TComponent {
public:
    explicit TGtVersionInfo(TComponent* owner);
    const char* ClassName() const noexcept override { return "TGtVersionInfo"; }
    static void RegisterClass();

    const std::string& FileName() const noexcept { return fileName_; }
    void SetFileName(const std::string& fileName);

    int MajorVersion() const;
    int MinorVersion() const;
    int Release() const;
    int Build() const;
    TDateTime DateTime() const;

    std::string CompanyName() const { return StringValue(1); }
    std::string FileDescription() const { return StringValue(2); }
    std::string FileVersion() const { return StringValue(3); }
    std::string InternalName() const { return StringValue(4); }
    std::string LegalCopyright() const { return StringValue(5); }
    std::string OriginalFilename() const { return StringValue(6); }
    std::string ProductName() const { return StringValue(7); }
    std::string ProductVersion() const { return StringValue(8); }
    std::string Comments() const { return StringValue(9); }
    std::string LegalTrademarks() const { return StringValue(10); }

    // The size of the version data read (0 or less: none).
    int VersionInfoSize() const noexcept { return infoSize_; }

private:
    // The string of the key with that index (1 CompanyName ... 10 LegalTrademarks).
    std::string StringValue(int index) const;
    // The fixed file version's most (true) or least significant part; nothing without data.
    bool FixedVersionPart(bool mostSignificant, uint32_t& part) const;

    std::string fileName_;
    int infoSize_ = 0;
    std::string info_;
};
