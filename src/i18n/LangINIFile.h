#pragma once
// The language file as the localisation kit reads it: an INI file held in memory that remembers
// whether it was changed and writes itself back when freed.

#include "platform/rtl/IniFiles.h"

#include <string>

class TLangINIFile : public TMemIniFile {
public:
    // Reads the whole file (a missing file reads as empty); Modified is false.
    explicit TLangINIFile(std::string fileName);
    // Writes back only when something was changed: a read-only file is left alone (the user is
    // told "File "<name>" is read-only"), a writable file is written, and a file that does not
    // exist (any more) is created only when something was written and there is a section to
    // store. Errors while writing are not reported.
    ~TLangINIFile() override;
    const char* ClassName() const noexcept override { return "TLangINIFile"; }

    bool Modified() const noexcept { return modified_; }

    void WriteString(const std::string& section, const std::string& ident, const std::string& value) override;
    void EraseSection(const std::string& section) override;
    void DeleteKey(const std::string& section, const std::string& ident) override;
    // Writes the file, then clears Modified.
    void UpdateFile() override;

private:
    bool modified_ = false;
};
