#include "dbf/XbDBFUtil.h"

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/TempFiles.h"

#include <algorithm>
#include <charconv>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <locale>
#include <sstream>
#include <unistd.h>
#include <vector>


void BlanksTo(std::string& text, char replacement)
{
    for (char& c : text)
        if (c == ' ')
            c = replacement;
}












std::string XbFindFileIgnoringCase(const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path wanted(path);
    if (fs::exists(wanted, error))
        return path;
    fs::path folder = wanted.parent_path();
    if (folder.empty())
        folder = ".";
    const std::string name = wanted.filename().string();
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string candidate = it->path().filename().string();
        if (SameText(candidate, name))
            return (wanted.parent_path() / candidate).string();
    }
    return path;
}

namespace {

constexpr size_t kMaxTextResult = 65535;

std::string Year4(int year)
{
    if (year < 0)
        return "-" + ZeroPadded(static_cast<uint64_t>(-static_cast<int64_t>(year)), 3);
    return ZeroPadded(static_cast<uint64_t>(year), 4);
}

} // namespace

void CheckTextLength(size_t length)
{
    if (length > kMaxTextResult)
        throw Exception("TXbDBFExprParser.Execute: Text result longer than 65535 characters.");
}

void ComplementDigits(std::string& text)
{
    for (char& c : text)
        c = static_cast<char>(92 - static_cast<unsigned char>(c));
}

std::string ZeroPadded(uint64_t value, int width)
{
    std::string digits = std::to_string(value);
    if (width > 0 && digits.size() < static_cast<size_t>(width))
        digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
    return digits;
}

std::string DateKeyText(TDateTime value)
{
    int year = 0, month = 0, day = 0;
    DecodeDate(value, year, month, day);
    return Year4(year) + ZeroPadded(static_cast<uint64_t>(month), 2) + ZeroPadded(static_cast<uint64_t>(day), 2);
}

std::string TimeKeyText(TDateTime value)
{
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    DecodeTime(value, hour, minute, second, millisecond);
    return ZeroPadded(static_cast<uint64_t>(hour), 2) + ZeroPadded(static_cast<uint64_t>(minute), 2) +
           ZeroPadded(static_cast<uint64_t>(second), 2);
}

std::string DateTimeKeyText(TDateTime value)
{
    return DateKeyText(value) + TimeKeyText(value);
}

double TextToNumber(std::string_view text)
{
    size_t first = 0;
    while (first < text.size() && static_cast<unsigned char>(text[first]) <= ' ')
        ++first;
    size_t last = text.size();
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ')
        --last;
    text = text.substr(first, last - first);
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    size_t length = 0;
    while (length < text.size()) {
        char c = text[length];
        if (isDigit(c)) {
            ++length;
        } else if (c == '+' || c == '-' || c == '.') {
            if (length + 1 < text.size() && isDigit(text[length + 1]))
                ++length;
            else
                break;
        } else {
            break;
        }
    }
    std::string_view part = text.substr(0, length);
    // Read the longest prefix the decimal conversion accepts ("1.2.3" reads as 1.2).
    bool negative = false;
    if (!part.empty() && (part.front() == '+' || part.front() == '-')) {
        negative = part.front() == '-';
        part.remove_prefix(1);
    }
    double result = 0;
    auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), result, std::chars_format::fixed);
    if (error != std::errc() || end == part.data())
        return 0;
    return negative ? -result : result;
}

std::string CopyFrom(std::string_view text, int64_t start, int64_t count)
{
    if (start < 1)
        start = 1;
    if (start > static_cast<int64_t>(text.size()))
        return std::string();
    size_t from = static_cast<size_t>(start - 1);
    size_t available = text.size() - from;
    size_t take = count < 1 ? available : std::min<size_t>(available, static_cast<uint64_t>(count));
    return std::string(text.substr(from, take));
}

std::string StuffText(std::string_view text, int64_t start, int64_t count, std::string_view insert)
{
    std::string result(text);
    if (count > 0 && start >= 1 && start <= static_cast<int64_t>(result.size())) {
        size_t from = static_cast<size_t>(start - 1);
        result.erase(from, std::min<size_t>(result.size() - from, static_cast<uint64_t>(count)));
    }
    if (!insert.empty()) {
        CheckTextLength(result.size() + insert.size());
        int64_t at = start < 1 ? 1 : start;
        if (at > static_cast<int64_t>(result.size()) + 1)
            at = static_cast<int64_t>(result.size()) + 1;
        result.insert(static_cast<size_t>(at - 1), insert);
    }
    return result;
}

std::string ReplaceText(std::string_view text, std::string_view search, std::string_view replacement,
                        int64_t count, int64_t first)
{
    if (search.empty() || text.find(search) == std::string_view::npos)
        return std::string(text);
    if (count < 0)
        count = 0;
    if (first < 1)
        first = 1;
    std::string result;
    size_t position = 0;
    int64_t occurrence = 0;
    int64_t replaced = 0;
    for (;;) {
        size_t found = text.find(search, position);
        if (found == std::string_view::npos || (count > 0 && replaced >= count))
            break;
        ++occurrence;
        result.append(text.substr(position, found - position));
        if (occurrence >= first) {
            result.append(replacement);
            ++replaced;
        } else {
            result.append(search);
        }
        CheckTextLength(result.size());
        position = found + search.size();
    }
    result.append(text.substr(position));
    CheckTextLength(result.size());
    return result;
}

std::string MakeTempFileName(const std::string& folder)
{
    return GetTempFileName(folder == "SYSTEM_TMP_PATH" ? GetTempPath() : folder, "XBT");
}
