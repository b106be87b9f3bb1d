#include "platform/rtl/IniFiles.h"

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"

#include <charconv>
#include <cstdint>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace {

std::string Trim(const std::string& text)
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && (text[first] == ' ' || text[first] == '\t'))
        ++first;
    while (last > first && (text[last - 1] == ' ' || text[last - 1] == '\t'))
        --last;
    return text.substr(first, last - first);
}

std::string OneLine(std::string text)
{
    for (char& c : text) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    return text;
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

bool ParseInteger(const std::string& text, int& result)
{
    const char* first = text.data();
    const char* last = first + text.size();
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        uint32_t value = 0;
        auto [end, error] = std::from_chars(first + 2, last, value, 16);
        if (error != std::errc() || end != last)
            return false;
        result = static_cast<int>(value);
        return true;
    }
    if (first != last && *first == '+' && last - first > 1 && first[1] != '-')
        ++first;
    int value = 0;
    auto [end, error] = std::from_chars(first, last, value, 10);
    if (error != std::errc() || end != last)
        return false;
    result = value;
    return true;
}

void WriteFailed(const std::string& fileName)
{
    throw EIniFileException("Unable to write to " + fileName);
}

void FillStrings(TStrings& strings, const std::vector<std::string>& items)
{
    strings.BeginUpdate();
    strings.Clear();
    for (const std::string& item : items)
        strings.Add(item);
    strings.EndUpdate();
}

std::vector<std::string> KeyNames(const TIniDocument& document, const std::string& section)
{
    std::vector<std::string> names;
    for (const auto& [key, value] : document.SectionValues(section))
        names.push_back(key);
    return names;
}

std::vector<std::string> KeyValueLines(const TIniDocument& document, const std::string& section)
{
    std::vector<std::string> lines;
    for (const auto& [key, value] : document.SectionValues(section))
        lines.push_back(key + "=" + value);
    return lines;
}

}  // namespace

// ---- TIniDocument ----

void TIniDocument::Parse(const std::string& text)
{
    sections_.clear();
    sections_.push_back(Section{});
    for (const std::string& lineText : SplitLines(text)) {
        std::string trimmed = Trim(lineText);
        Line line;
        line.text = lineText;
        if (!trimmed.empty() && trimmed.front() == '[') {
            std::size_t close = trimmed.find(']');
            if (close != std::string::npos) {
                Section section;
                section.hasHeader = true;
                section.name = Trim(trimmed.substr(1, close - 1));
                section.header = lineText;
                sections_.push_back(std::move(section));
                continue;
            }
        } else if (!trimmed.empty() && trimmed.front() != ';' && sections_.size() > 1) {
            std::size_t equals = trimmed.find('=');
            if (equals != std::string::npos && equals > 0) {
                line.isKey = true;
                line.key = Trim(trimmed.substr(0, equals));
                line.value = Trim(trimmed.substr(equals + 1));
            }
        }
        sections_.back().lines.push_back(std::move(line));
    }
}

std::string TIniDocument::Text() const
{
    std::string text;
    for (const Section& section : sections_) {
        if (section.hasHeader)
            text += section.header + "\r\n";
        for (const Line& line : section.lines)
            text += line.text + "\r\n";
    }
    return text;
}

const TIniDocument::Section* TIniDocument::FindSection(const std::string& name) const
{
    for (const Section& section : sections_) {
        if (section.hasHeader && AnsiSameText(section.name, name))
            return &section;
    }
    return nullptr;
}

TIniDocument::Section* TIniDocument::FindSection(const std::string& name)
{
    return const_cast<Section*>(std::as_const(*this).FindSection(name));
}

bool TIniDocument::Find(const std::string& section, const std::string& ident,
                        std::string& value) const
{
    const Section* found = FindSection(section);
    if (found == nullptr)
        return false;
    for (const Line& line : found->lines) {
        if (line.isKey && AnsiSameText(line.key, ident)) {
            value = line.value;
            return true;
        }
    }
    return false;
}

void TIniDocument::Set(const std::string& section, const std::string& ident,
                       const std::string& value)
{
    std::string sectionName = Trim(OneLine(section));
    std::string key = Trim(OneLine(ident));
    std::string text = Trim(OneLine(value));

    Section* target = FindSection(sectionName);
    if (target == nullptr) {
        if (sections_.empty())
            sections_.push_back(Section{});
        // A blank line between the last section and the new one.
        Section& last = sections_.back();
        bool fileEmpty = sections_.size() == 1 && last.lines.empty();
        if (!fileEmpty && (last.lines.empty() ? last.hasHeader : !Trim(last.lines.back().text).empty()))
            last.lines.push_back(Line{});
        Section added;
        added.hasHeader = true;
        added.name = sectionName;
        added.header = "[" + sectionName + "]";
        sections_.push_back(std::move(added));
        target = &sections_.back();
    }
    for (Line& line : target->lines) {
        if (line.isKey && AnsiSameText(line.key, key)) {
            line.value = text;
            line.text = line.key + "=" + text;
            return;
        }
    }
    // After the last line that is not blank, so the blank line before the next section stays.
    std::size_t position = target->lines.size();
    while (position > 0 && Trim(target->lines[position - 1].text).empty())
        --position;
    Line line;
    line.isKey = true;
    line.key = key;
    line.value = text;
    line.text = key + "=" + text;
    target->lines.insert(target->lines.begin() + static_cast<std::ptrdiff_t>(position), std::move(line));
}

bool TIniDocument::EraseSection(const std::string& section)
{
    bool erased = false;
    for (std::size_t i = 0; i < sections_.size();) {
        if (sections_[i].hasHeader && AnsiSameText(sections_[i].name, section)) {
            sections_.erase(sections_.begin() + static_cast<std::ptrdiff_t>(i));
            erased = true;
        } else {
            ++i;
        }
    }
    return erased;
}

bool TIniDocument::DeleteKey(const std::string& section, const std::string& ident)
{
    Section* found = FindSection(section);
    if (found == nullptr)
        return false;
    for (std::size_t i = 0; i < found->lines.size(); ++i) {
        const Line& line = found->lines[i];
        if (line.isKey && AnsiSameText(line.key, ident)) {
            found->lines.erase(found->lines.begin() + static_cast<std::ptrdiff_t>(i));
            return true;
        }
    }
    return false;
}

bool TIniDocument::HasSection(const std::string& section) const
{
    return FindSection(section) != nullptr;
}

std::vector<std::string> TIniDocument::SectionNames() const
{
    std::vector<std::string> names;
    for (const Section& section : sections_) {
        if (!section.hasHeader)
            continue;
        bool seen = false;
        for (const std::string& name : names)
            seen = seen || AnsiSameText(name, section.name);
        if (!seen)
            names.push_back(section.name);
    }
    return names;
}

std::vector<std::pair<std::string, std::string>> TIniDocument::SectionValues(
    const std::string& section) const
{
    std::vector<std::pair<std::string, std::string>> values;
    if (const Section* found = FindSection(section)) {
        for (const Line& line : found->lines) {
            if (line.isKey)
                values.emplace_back(line.key, line.value);
        }
    }
    return values;
}

// ---- TCustomIniFile ----

int TCustomIniFile::ReadInteger(const std::string& section, const std::string& ident,
                                int defaultValue) const
{
    int value = 0;
    return ParseInteger(ReadString(section, ident, std::string()), value) ? value : defaultValue;
}

void TCustomIniFile::WriteInteger(const std::string& section, const std::string& ident, int value)
{
    WriteString(section, ident, std::to_string(value));
}

bool TCustomIniFile::ReadBool(const std::string& section, const std::string& ident,
                              bool defaultValue) const
{
    return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const std::string& section, const std::string& ident, bool value)
{
    WriteString(section, ident, value ? "1" : "0");
}

double TCustomIniFile::ReadFloat(const std::string& section, const std::string& ident,
                                 double defaultValue) const
{
    std::string text = ReadString(section, ident, std::string());
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+')
        ++first;
    double value = 0;
    auto [end, error] = std::from_chars(first, last, value);
    return (first != last && error == std::errc() && end == last) ? value : defaultValue;
}

void TCustomIniFile::WriteFloat(const std::string& section, const std::string& ident, double value)
{
    char buffer[64];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    WriteString(section, ident, error == std::errc() ? std::string(buffer, end) : std::string("0"));
}

bool TCustomIniFile::ValueExists(const std::string& section, const std::string& ident) const
{
    TStringList keys;
    ReadSection(section, keys);
    return keys.IndexOf(ident) >= 0;
}

// ---- TIniFile ----

TIniDocument TIniFile::Load() const
{
    TIniDocument document;
    document.Parse(ReadFileContents(FileName()));
    return document;
}

void TIniFile::Store(const TIniDocument& document)
{
    if (!WriteFileAtomically(FileName(), document.Text()))
        WriteFailed(FileName());
}

std::string TIniFile::ReadString(const std::string& section, const std::string& ident,
                                 const std::string& defaultValue) const
{
    std::string value;
    return Load().Find(section, ident, value) ? value : defaultValue;
}

void TIniFile::WriteString(const std::string& section, const std::string& ident,
                           const std::string& value)
{
    TIniDocument document = Load();
    document.Set(section, ident, value);
    Store(document);
}

void TIniFile::ReadSection(const std::string& section, TStrings& strings) const
{
    FillStrings(strings, KeyNames(Load(), section));
}

void TIniFile::ReadSections(TStrings& strings) const
{
    FillStrings(strings, Load().SectionNames());
}

void TIniFile::ReadSectionValues(const std::string& section, TStrings& strings) const
{
    FillStrings(strings, KeyValueLines(Load(), section));
}

bool TIniFile::SectionExists(const std::string& section) const
{
    return Load().HasSection(section);
}

void TIniFile::EraseSection(const std::string& section)
{
    TIniDocument document = Load();
    if (document.EraseSection(section))
        Store(document);
}

void TIniFile::DeleteKey(const std::string& section, const std::string& ident)
{
    TIniDocument document = Load();
    if (document.DeleteKey(section, ident))
        Store(document);
}

// ---- TMemIniFile ----

TMemIniFile::TMemIniFile(std::string fileName) : TCustomIniFile(std::move(fileName))
{
    document_.Parse(ReadFileContents(FileName()));
}

std::string TMemIniFile::ReadString(const std::string& section, const std::string& ident,
                                    const std::string& defaultValue) const
{
    std::string value;
    return document_.Find(section, ident, value) ? value : defaultValue;
}

void TMemIniFile::WriteString(const std::string& section, const std::string& ident,
                              const std::string& value)
{
    document_.Set(section, ident, value);
}

void TMemIniFile::ReadSection(const std::string& section, TStrings& strings) const
{
    FillStrings(strings, KeyNames(document_, section));
}

void TMemIniFile::ReadSections(TStrings& strings) const
{
    FillStrings(strings, document_.SectionNames());
}

void TMemIniFile::ReadSectionValues(const std::string& section, TStrings& strings) const
{
    FillStrings(strings, KeyValueLines(document_, section));
}

bool TMemIniFile::SectionExists(const std::string& section) const
{
    return document_.HasSection(section);
}

void TMemIniFile::EraseSection(const std::string& section)
{
    document_.EraseSection(section);
}

void TMemIniFile::DeleteKey(const std::string& section, const std::string& ident)
{
    document_.DeleteKey(section, ident);
}

void TMemIniFile::UpdateFile()
{
    if (!WriteFileAtomically(FileName(), document_.Text()))
        WriteFailed(FileName());
}
