#include "i18n/LangINIFile.h"

#include "platform/gui/Dialogs.h"
#include "platform/rtl/Files.h"

TLangINIFile::TLangINIFile(std::string fileName) : TMemIniFile(std::move(fileName)) {}

TLangINIFile::~TLangINIFile()
{
    if (!modified_) {
        return;  // nothing of ours to keep; a file deleted meanwhile stays deleted
    }
    try {
        if (FileExists(FileName())) {
            if (FileIsReadOnly(FileName())) {
                ShowMessage("File \"" + FileName() + "\" is read-only");
                return;
            }
            UpdateFile();
            return;
        }
        TStringList sections;
        ReadSections(sections);
        if (sections.Count() > 0) {
            UpdateFile();
        }
    } catch (...) {
        // Saving on the way out is best effort: a file that cannot be written keeps its old text.
    }
}

void TLangINIFile::WriteString(const std::string& section, const std::string& ident, const std::string& value)
{
    TMemIniFile::WriteString(section, ident, value);
    modified_ = true;
}

void TLangINIFile::EraseSection(const std::string& section)
{
    TMemIniFile::EraseSection(section);
    modified_ = true;
}

void TLangINIFile::DeleteKey(const std::string& section, const std::string& ident)
{
    TMemIniFile::DeleteKey(section, ident);
    modified_ = true;
}

void TLangINIFile::UpdateFile()
{
    TMemIniFile::UpdateFile();
    modified_ = false;
}
