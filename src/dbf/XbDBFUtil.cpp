#include "dbf/XbDBFUtil.h"

#include "platform/rtl/CodePages.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <locale>
#include <sstream>
#include <unistd.h>
#include <vector>

void ComplementDigits(std::string& text)
{
    for (char& c : text)
        c = static_cast<char>(92 - static_cast<unsigned char>(c));
}

void BlanksTo(std::string& text, char replacement)
{
    for (char& c : text)
        if (c == ' ')
            c = replacement;
}

void XbDecodeDate(TDateTime value, int& year, int& month, int& day)
{
    // Day number to civil date (proleptic Gregorian calendar), counted from 0000-03-01;
    // day 25569 is 1970-01-01, which lies 719468 days after 0000-03-01.
    const int64_t days = static_cast<int64_t>(std::trunc(value)) - 25569 + 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

void XbDecodeTime(TDateTime value, int& hour, int& minute, int& second)
{
    const double fraction = std::fabs(value - std::trunc(value));
    int64_t ms = std::llround(fraction * 86400000.0);
    if (ms >= 86400000)
        ms = 86400000 - 1;
    const int64_t seconds = ms / 1000;
    hour = static_cast<int>(seconds / 3600);
    minute = static_cast<int>(seconds / 60 % 60);
    second = static_cast<int>(seconds % 60);
}

std::string ZeroPadded(uint64_t n, int width)
{
    std::string digits = std::to_string(n);
    if (width > 255)
        width = 255;
    if (static_cast<int>(digits.size()) < width)
        digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
    return digits;
}

std::string DateKeyText(TDateTime date)
{
    int year = 0, month = 0, day = 0;
    XbDecodeDate(date, year, month, day);
    return ZeroPadded(static_cast<uint64_t>(year < 0 ? 0 : year), 4) + ZeroPadded(static_cast<uint64_t>(month), 2) +
           ZeroPadded(static_cast<uint64_t>(day), 2);
}

std::string TimeKeyText(TDateTime value)
{
    int hour = 0, minute = 0, second = 0;
    XbDecodeTime(value, hour, minute, second);
    return ZeroPadded(static_cast<uint64_t>(hour), 2) + ZeroPadded(static_cast<uint64_t>(minute), 2) +
           ZeroPadded(static_cast<uint64_t>(second), 2);
}

std::string DateTimeKeyText(TDateTime value)
{
    return DateKeyText(value) + TimeKeyText(value);
}

std::string MakeTempFileName(const std::string& folder)
{
    namespace fs = std::filesystem;
    std::string base;
    if (folder == "SYSTEM_TMP_PATH") {
        // The whole path of the temporary folder, blanks and all.
        std::error_code error;
        base = fs::temp_directory_path(error).string();
        if (error)
            base = "/tmp";
    } else {
        base = folder.empty() ? fs::current_path().string() : folder;
    }
    if (base.empty() || base.back() != '/')
        base += '/';
    std::vector<char> name(base.begin(), base.end());
    const std::string pattern = "XBTXXXXXX.tmp";
    name.insert(name.end(), pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemps(name.data(), 4);
    if (fd < 0)
        return std::string();
    ::close(fd);
    return std::string(name.data());
}

double TextToNumber(const std::string& text)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ')
        ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ')
        --end;
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    size_t length = 0;
    for (size_t i = begin; i < end; ++i) {
        const char c = text[i];
        if (isDigit(c)) {
            ++length;
            continue;
        }
        if ((c == '+' || c == '-' || c == '.') && i + 1 < end && isDigit(text[i + 1])) {
            ++length;
            continue;
        }
        break;
    }
    if (length == 0)
        return 0.0;
    // Read with the classic locale: stored numbers always use "." as the decimal point.
    std::istringstream in(text.substr(begin, length));
    in.imbue(std::locale::classic());
    double value = 0.0;
    in >> value;
    return in.fail() ? 0.0 : value;
}

std::string CopyFrom(const std::string& text, int start, int count)
{
    if (start < 1)
        start = 1;
    if (static_cast<size_t>(start) > text.size())
        return std::string();
    const size_t from = static_cast<size_t>(start) - 1;
    if (count < 1)
        return text.substr(from);
    return text.substr(from, static_cast<size_t>(count));
}

std::string StuffText(const std::string& text, int start, int count, const std::string& insert)
{
    std::string result = text;
    if (count > 0 && start >= 1 && static_cast<size_t>(start) <= result.size())
        result.erase(static_cast<size_t>(start) - 1, static_cast<size_t>(count));
    if (!insert.empty()) {
        size_t at = start < 1 ? 0 : static_cast<size_t>(start) - 1;
        if (at > result.size())
            at = result.size();
        result.insert(at, insert);
    }
    return result;
}

std::string ReplaceText(const std::string& text, const std::string& search, const std::string& replacement,
                        int count, int first)
{
    if (search.empty() || text.find(search) == std::string::npos)
        return text;
    std::string result;
    size_t position = 0;
    int occurrence = 0;
    int replaced = 0;
    for (;;) {
        const size_t found = text.find(search, position);
        if (found == std::string::npos)
            break;
        ++occurrence;
        result.append(text, position, found - position);
        if (occurrence >= first && (count == 0 || replaced < count)) {
            result += replacement;
            ++replaced;
        } else {
            result += search;
        }
        position = found + search.size();
        if (count != 0 && replaced >= count)
            break;
    }
    result.append(text, position, std::string::npos);
    return result;
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
