#include "platform/rtl/CodePages.h"

#include "platform/rtl/CodePageTables.h"

#include <array>
#include <atomic>

using namespace codepage_tables;

namespace {

std::atomic<TOemCodePage> currentOem{TOemCodePage::cp437};

const uint16_t* OemTable()
{
    return currentOem.load() == TOemCodePage::cp850 ? kCp850ToUnicode : kCp437ToUnicode;
}

// Reverse map from Unicode (below 0x10000) to a byte of the given table; '?' when absent.
class ReverseMap {
public:
    explicit ReverseMap(const uint16_t* table)
    {
        map_.fill(0);
        present_.fill(false);
        for (int b = 255; b >= 0; --b) {
            map_[table[b]] = static_cast<unsigned char>(b);
            present_[table[b]] = true;
        }
    }
    unsigned char Lookup(char32_t code) const
    {
        if (code < 0x10000 && present_[code]) {
            return map_[code];
        }
        return '?';
    }

private:
    std::array<unsigned char, 0x10000> map_;
    std::array<bool, 0x10000> present_;
};

const ReverseMap& AnsiReverse()
{
    static const ReverseMap map(kCp1252ToUnicode);
    return map;
}

const ReverseMap& OemReverse()
{
    static const ReverseMap map437(kCp437ToUnicode);
    static const ReverseMap map850(kCp850ToUnicode);
    return currentOem.load() == TOemCodePage::cp850 ? map850 : map437;
}

void AppendUtf8(std::string& out, char32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

unsigned char Byte(char c) { return static_cast<unsigned char>(c); }

} // namespace

void SetOemCodePage(TOemCodePage codePage) { currentOem = codePage; }
TOemCodePage OemCodePage() { return currentOem; }

char32_t AnsiCharToUnicode(unsigned char c) { return kCp1252ToUnicode[c]; }
char32_t OemCharToUnicode(unsigned char c) { return OemTable()[c]; }

void AnsiToOemBuff(char* buffer, size_t length)
{
    const ReverseMap& oem = OemReverse();
    for (size_t i = 0; i < length; ++i) {
        buffer[i] = static_cast<char>(oem.Lookup(kCp1252ToUnicode[Byte(buffer[i])]));
    }
}

void OemToAnsiBuff(char* buffer, size_t length)
{
    const uint16_t* table = OemTable();
    const ReverseMap& ansi = AnsiReverse();
    for (size_t i = 0; i < length; ++i) {
        buffer[i] = static_cast<char>(ansi.Lookup(table[Byte(buffer[i])]));
    }
}

std::string AnsiToOem(std::string_view text)
{
    std::string out(text);
    AnsiToOemBuff(out.data(), out.size());
    return out;
}

std::string OemToAnsi(std::string_view text)
{
    std::string out(text);
    OemToAnsiBuff(out.data(), out.size());
    return out;
}

std::string AnsiToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (char c : text) {
        AppendUtf8(out, kCp1252ToUnicode[Byte(c)]);
    }
    return out;
}

std::string Utf8ToAnsi(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    const ReverseMap& ansi = AnsiReverse();
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = Byte(text[i]);
        char32_t code = 0;
        size_t extra = 0;
        // Allowed range of the second byte; it rules out overlong forms, surrogates and
        // code points beyond U+10FFFF.
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (c < 0x80) {
            code = c;
        } else if (c >= 0xC2 && c <= 0xDF) {
            code = c & 0x1F;
            extra = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            code = c & 0x0F;
            extra = 2;
            low = c == 0xE0 ? 0xA0 : 0x80;
            high = c == 0xED ? 0x9F : 0xBF;
        } else if (c >= 0xF0 && c <= 0xF4) {
            code = c & 0x07;
            extra = 3;
            low = c == 0xF0 ? 0x90 : 0x80;
            high = c == 0xF4 ? 0x8F : 0xBF;
        } else {
            // Continuation bytes out of place, C0/C1 (overlong) and F5..FF.
            out += '?';
            ++i;
            continue;
        }
        bool valid = true;
        for (size_t k = 1; k <= extra; ++k) {
            const unsigned char next = i + k < text.size() ? Byte(text[i + k]) : 0;
            const bool inRange = k == 1 ? (next >= low && next <= high) : (next & 0xC0) == 0x80;
            if (i + k >= text.size() || !inRange) {
                valid = false;
                break;
            }
            code = (code << 6) | (next & 0x3F);
        }
        if (!valid) {
            out += '?';
            ++i;
            continue;
        }
        out += static_cast<char>(code < 0x80 ? static_cast<unsigned char>(code) : ansi.Lookup(code));
        i += extra + 1;
    }
    return out;
}

char AnsiUpperChar(char c) { return static_cast<char>(kAnsiUpper[Byte(c)]); }
char AnsiLowerChar(char c) { return static_cast<char>(kAnsiLower[Byte(c)]); }

std::string AnsiUpperCase(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        c = AnsiUpperChar(c);
    }
    return out;
}

std::string AnsiLowerCase(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        c = AnsiLowerChar(c);
    }
    return out;
}

namespace {
template <typename Fold>
int CompareFolded(std::string_view a, std::string_view b, Fold fold)
{
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        int ca = fold(Byte(a[i]));
        int cb = fold(Byte(b[i]));
        if (ca != cb) {
            return ca - cb;
        }
    }
    if (a.size() == b.size()) {
        return 0;
    }
    return a.size() < b.size() ? -1 : 1;
}
int AsciiUpper(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }
} // namespace

int AnsiCompareText(std::string_view a, std::string_view b)
{
    return CompareFolded(a, b, [](unsigned char c) { return static_cast<int>(kAnsiUpper[c]); });
}

int AnsiCompareStr(std::string_view a, std::string_view b)
{
    return CompareFolded(a, b, [](unsigned char c) { return static_cast<int>(c); });
}

bool AnsiSameText(std::string_view a, std::string_view b) { return a.size() == b.size() && AnsiCompareText(a, b) == 0; }
bool AnsiSameStr(std::string_view a, std::string_view b) { return a == b; }

std::string UpperCase(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(AsciiUpper(Byte(c)));
    }
    return out;
}

std::string LowerCase(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + 32);
        }
    }
    return out;
}

int CompareText(std::string_view a, std::string_view b) { return CompareFolded(a, b, AsciiUpper); }
bool SameText(std::string_view a, std::string_view b) { return a.size() == b.size() && CompareText(a, b) == 0; }
