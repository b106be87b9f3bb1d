#pragma once
// Settings files in the INI format: "[Section]" lines, each followed by "Key=Value" lines.
//
// Section and key names are compared without regard to ANSI letter case; blanks around
// names and values are not part of them. Lines that are neither a section nor a key
// (comments, blank lines, text without "=") are kept where they stand and otherwise
// ignored; so are lines before the first section. When a name occurs twice, the first one
// counts. The file is ANSI text written with CR LF line ends; CR LF, LF or CR are read.
// A missing or unreadable file reads as empty.

#include "platform/rtl/Classes.h"

#include <string>
#include <utility>
#include <vector>

// The parsed contents of an INI file, keeping every line and its order so that a file
// written back differs only where a value was changed.
class TIniDocument {
public:
    void Parse(const std::string& text);
    std::string Text() const;

    bool Find(const std::string& section, const std::string& ident, std::string& value) const;
    // Changes the first such key in place, or adds it at the end of its section (a new
    // section goes to the end of the file). Line breaks in names or the value become
    // blanks, so a value can never start a line of its own.
    void Set(const std::string& section, const std::string& ident, const std::string& value);
    bool EraseSection(const std::string& section);
    bool DeleteKey(const std::string& section, const std::string& ident);

    bool HasSection(const std::string& section) const;
    // Every section name once, in file order.
    std::vector<std::string> SectionNames() const;
    // The key names and values of the section, in file order.
    std::vector<std::pair<std::string, std::string>> SectionValues(const std::string& section) const;

private:
    struct Line {
        std::string text;  // the line as it stands in the file
        bool isKey = false;
        std::string key;
        std::string value;
    };
    struct Section {
        bool hasHeader = false;  // false only for the lines before the first section
        std::string name;
        std::string header;
        std::vector<Line> lines;
    };
    std::vector<Section> sections_;

    const Section* FindSection(const std::string& name) const;
    Section* FindSection(const std::string& name);
};

// What both INI classes offer. The typed reads and writes go through ReadString and
// WriteString:
//   integer  decimal, or "0x" and hexadecimal digits; anything else reads as the default;
//   Boolean  written "1" or "0"; read as an integer, true when not 0 (so "yes" reads as
//            the default);
//   float    "." as decimal point, shortest text that reads back the same value.
class TCustomIniFile : public TObject {
public:
    explicit TCustomIniFile(std::string fileName) : fileName_(std::move(fileName)) {}
    const char* ClassName() const noexcept override { return "TCustomIniFile"; }
    const std::string& FileName() const noexcept { return fileName_; }

    virtual std::string ReadString(const std::string& section, const std::string& ident,
                                   const std::string& defaultValue) const = 0;
    virtual void WriteString(const std::string& section, const std::string& ident,
                             const std::string& value) = 0;
    int ReadInteger(const std::string& section, const std::string& ident, int defaultValue) const;
    void WriteInteger(const std::string& section, const std::string& ident, int value);
    bool ReadBool(const std::string& section, const std::string& ident, bool defaultValue) const;
    void WriteBool(const std::string& section, const std::string& ident, bool value);
    double ReadFloat(const std::string& section, const std::string& ident, double defaultValue) const;
    void WriteFloat(const std::string& section, const std::string& ident, double value);

    // Key names of the section, in file order (the list is cleared first).
    virtual void ReadSection(const std::string& section, TStrings& strings) const = 0;
    // Section names, in file order.
    virtual void ReadSections(TStrings& strings) const = 0;
    // "Key=Value" lines of the section.
    virtual void ReadSectionValues(const std::string& section, TStrings& strings) const = 0;
    virtual bool SectionExists(const std::string& section) const = 0;
    virtual bool ValueExists(const std::string& section, const std::string& ident) const;
    virtual void EraseSection(const std::string& section) = 0;
    virtual void DeleteKey(const std::string& section, const std::string& ident) = 0;
    virtual void UpdateFile() = 0;

private:
    std::string fileName_;
};

// The settings file itself: nothing is cached. Every read reads the file; every write
// (WriteString, EraseSection, DeleteKey) rewrites it at once, through a temporary file
// beside it that is renamed over it, so the file is never seen half-written. A missing
// file is created by the first write. A write that cannot be made raises EIniFileException
// "Unable to write to <file name>" and leaves the file as it was.
class TIniFile : public TCustomIniFile {
public:
    using TCustomIniFile::TCustomIniFile;
    const char* ClassName() const noexcept override { return "TIniFile"; }

    std::string ReadString(const std::string& section, const std::string& ident,
                           const std::string& defaultValue) const override;
    void WriteString(const std::string& section, const std::string& ident,
                     const std::string& value) override;
    void ReadSection(const std::string& section, TStrings& strings) const override;
    void ReadSections(TStrings& strings) const override;
    void ReadSectionValues(const std::string& section, TStrings& strings) const override;
    bool SectionExists(const std::string& section) const override;
    void EraseSection(const std::string& section) override;
    void DeleteKey(const std::string& section, const std::string& ident) override;
    // Nothing to do: every write is already in the file.
    void UpdateFile() override {}

private:
    TIniDocument Load() const;
    void Store(const TIniDocument& document);
};

// An INI file read whole into memory when created; changes stay in memory until
// UpdateFile writes the whole file (as TIniFile writes, raising EIniFileException on
// failure). Freeing it writes nothing.
class TMemIniFile : public TCustomIniFile {
public:
    explicit TMemIniFile(std::string fileName);
    const char* ClassName() const noexcept override { return "TMemIniFile"; }

    std::string ReadString(const std::string& section, const std::string& ident,
                           const std::string& defaultValue) const override;
    void WriteString(const std::string& section, const std::string& ident,
                     const std::string& value) override;
    void ReadSection(const std::string& section, TStrings& strings) const override;
    void ReadSections(TStrings& strings) const override;
    void ReadSectionValues(const std::string& section, TStrings& strings) const override;
    bool SectionExists(const std::string& section) const override;
    void EraseSection(const std::string& section) override;
    void DeleteKey(const std::string& section, const std::string& ident) override;
    void UpdateFile() override;

    // The contents as they would be written.
    std::string Text() const { return document_.Text(); }

private:
    TIniDocument document_;
};
