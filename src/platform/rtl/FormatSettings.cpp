#include "platform/rtl/FormatSettings.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"

#include <cctype>

TFormatSettings FormatSettings;

const TFormatSettings& StorageFormatSettings()
{
    static const TFormatSettings settings;
    return settings;
}

namespace {

char Lower(char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); }

bool StartsWithNoCase(std::string_view text, size_t at, std::string_view prefix)
{
    if (text.size() - at < prefix.size()) {
        return false;
    }
    for (size_t k = 0; k < prefix.size(); ++k) {
        if (Lower(text[at + k]) != Lower(prefix[k])) {
            return false;
        }
    }
    return true;
}

std::string TwoDigits(int value)
{
    std::string text = std::to_string(value);
    return text.size() < 2 ? "0" + text : text;
}

std::string Padded(int value, size_t width)
{
    std::string text = std::to_string(value);
    return text.size() < width ? std::string(width - text.size(), '0') + text : text;
}

bool UsesTwelveHourClock(std::string_view format)
{
    char quote = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (quote != 0) {
            if (c == quote) {
                quote = 0;
            }
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (StartsWithNoCase(format, i, "am/pm") || StartsWithNoCase(format, i, "a/p") ||
                   StartsWithNoCase(format, i, "ampm")) {
            return true;
        }
    }
    return false;
}

class DateTimeWriter {
public:
    DateTimeWriter(TDateTime value, const TFormatSettings& settings) : settings_(settings), value_(value)
    {
        DecodeDate(value, year_, month_, day_);
        DecodeTime(value, hour_, minute_, second_, millisecond_);
    }

    void Write(std::string_view format, int depth = 0)
    {
        if (depth > 2) {
            return;  // formats that name each other cannot loop
        }
        const bool twelveHour = UsesTwelveHourClock(format);
        bool lastWasHour = false;
        size_t i = 0;
        while (i < format.size()) {
            const char c = format[i];
            const char lower = Lower(c);
            size_t run = 1;
            while (i + run < format.size() && Lower(format[i + run]) == lower) {
                ++run;
            }
            if (c == '"' || c == '\'') {
                const size_t close = format.find(c, i + 1);
                const size_t stop = close == std::string_view::npos ? format.size() : close;
                out_.append(format.substr(i + 1, stop - i - 1));
                i = stop + 1;
                continue;
            }
            bool isHour = false;
            switch (lower) {
            case 'd':
                switch (run) {
                case 1: out_ += std::to_string(day_); break;
                case 2: out_ += TwoDigits(day_); break;
                case 3: out_ += settings_.ShortDayNames[static_cast<size_t>(DayOfWeek(value_) - 1)]; break;
                case 4: out_ += settings_.LongDayNames[static_cast<size_t>(DayOfWeek(value_) - 1)]; break;
                case 5: Write(settings_.ShortDateFormat, depth + 1); break;
                default: Write(settings_.LongDateFormat, depth + 1); run = 6; break;
                }
                i += run;
                break;
            case 'm':
                if (lastWasHour && run <= 2) {
                    out_ += run == 1 ? std::to_string(minute_) : TwoDigits(minute_);
                } else if (run == 1) {
                    out_ += std::to_string(month_);
                } else if (run == 2) {
                    out_ += TwoDigits(month_);
                } else if (run == 3) {
                    out_ += settings_.ShortMonthNames[static_cast<size_t>(month_ - 1)];
                } else {
                    out_ += settings_.LongMonthNames[static_cast<size_t>(month_ - 1)];
                    run = 4;
                }
                i += run;
                break;
            case 'y':
                out_ += run <= 2 ? TwoDigits(year_ % 100) : Padded(year_, 4);
                i += run;
                break;
            case 'h': {
                int hour = hour_;
                if (twelveHour) {
                    hour %= 12;
                    if (hour == 0) {
                        hour = 12;
                    }
                }
                run = std::min<size_t>(run, 2);
                out_ += run == 1 ? std::to_string(hour) : TwoDigits(hour);
                i += run;
                isHour = true;
                break;
            }
            case 'n':
                run = std::min<size_t>(run, 2);
                out_ += run == 1 ? std::to_string(minute_) : TwoDigits(minute_);
                i += run;
                break;
            case 's':
                run = std::min<size_t>(run, 2);
                out_ += run == 1 ? std::to_string(second_) : TwoDigits(second_);
                i += run;
                break;
            case 'z':
                run = run >= 3 ? 3 : 1;
                out_ += run == 1 ? std::to_string(millisecond_) : Padded(millisecond_, 3);
                i += run;
                break;
            case 't':
                run = std::min<size_t>(run, 2);
                Write(run == 1 ? settings_.ShortTimeFormat : settings_.LongTimeFormat, depth + 1);
                i += run;
                break;
            case 'c':
                Write(settings_.ShortDateFormat, depth + 1);
                if (hour_ != 0 || minute_ != 0 || second_ != 0 || millisecond_ != 0) {
                    out_ += ' ';
                    Write(settings_.LongTimeFormat, depth + 1);
                }
                i += 1;
                break;
            case 'a':
                if (StartsWithNoCase(format, i, "am/pm")) {
                    WriteAmPm(format.substr(i, 5), "am", "pm");
                    i += 5;
                } else if (StartsWithNoCase(format, i, "a/p")) {
                    WriteAmPm(format.substr(i, 3), "a", "p");
                    i += 3;
                } else if (StartsWithNoCase(format, i, "ampm")) {
                    out_ += hour_ < 12 ? settings_.TimeAMString : settings_.TimePMString;
                    i += 4;
                } else {
                    out_ += c;
                    i += 1;
                }
                break;
            case '/':
                out_ += settings_.DateSeparator;
                i += 1;
                break;
            case ':':
                out_ += settings_.TimeSeparator;
                i += 1;
                break;
            default:
                out_ += c;
                i += 1;
                break;
            }
            if (lower == 'h') {
                lastWasHour = true;
            } else if (std::isalpha(static_cast<unsigned char>(lower)) != 0) {
                lastWasHour = isHour;
            }
        }
    }

    const std::string& Text() const { return out_; }

private:
    const TFormatSettings& settings_;
    TDateTime value_;
    int year_ = 0, month_ = 0, day_ = 0, hour_ = 0, minute_ = 0, second_ = 0, millisecond_ = 0;
    std::string out_;

    // The marker is written in the letter case of the format: "am/pm" -> "am", "AM/PM" -> "PM".
    void WriteAmPm(std::string_view marker, std::string_view am, std::string_view pm)
    {
        const bool morning = hour_ < 12;
        const std::string_view source = morning ? marker.substr(0, am.size()) : marker.substr(am.size() + 1);
        out_.append(source);
    }
};

// A run of decimal digits; returns the number of digits read.
size_t ReadDigits(std::string_view text, size_t& i, int& value)
{
    size_t count = 0;
    value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && count < 9) {
        value = value * 10 + (text[i] - '0');
        ++i;
        ++count;
    }
    return count;
}

void SkipBlanks(std::string_view text, size_t& i)
{
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
}

enum class DateOrder { DMY, MDY, YMD };

DateOrder OrderOf(std::string_view format)
{
    for (char c : format) {
        switch (Lower(c)) {
        case 'd': return DateOrder::DMY;
        case 'm': return DateOrder::MDY;
        case 'y': return DateOrder::YMD;
        default: break;
        }
    }
    return DateOrder::DMY;
}

int CurrentYear()
{
    int year = 0, month = 0, day = 0;
    DecodeDate(Now(), year, month, day);
    return year;
}

bool IsDateSeparator(char c, const TFormatSettings& settings)
{
    return c == settings.DateSeparator || c == '/' || c == '-' || c == '.';
}

// Reads a date from position i; i is left after it.
bool ScanDate(std::string_view text, size_t& i, TDateTime& value, const TFormatSettings& settings)
{
    int numbers[3] = {0, 0, 0};
    size_t lengths[3] = {0, 0, 0};
    int count = 0;
    SkipBlanks(text, i);
    while (count < 3) {
        lengths[count] = ReadDigits(text, i, numbers[count]);
        if (lengths[count] == 0) {
            return false;
        }
        ++count;
        if (count < 3 && i < text.size() && IsDateSeparator(text[i], settings)) {
            ++i;
            if (i < text.size() && (text[i] < '0' || text[i] > '9')) {
                break;  // a separator at the end, as in "12/31/"
            }
            continue;
        }
        break;
    }
    if (count < 2) {
        return false;
    }
    const DateOrder order = OrderOf(settings.ShortDateFormat);
    int year = 0, month = 0, day = 0;
    size_t yearLength = 0;
    if (count == 2) {
        year = CurrentYear();
        yearLength = 4;
        if (order == DateOrder::MDY) {
            month = numbers[0];
            day = numbers[1];
        } else if (order == DateOrder::DMY) {
            day = numbers[0];
            month = numbers[1];
        } else {
            month = numbers[0];
            day = numbers[1];
        }
    } else {
        switch (order) {
        case DateOrder::DMY: day = numbers[0]; month = numbers[1]; year = numbers[2]; yearLength = lengths[2]; break;
        case DateOrder::MDY: month = numbers[0]; day = numbers[1]; year = numbers[2]; yearLength = lengths[2]; break;
        case DateOrder::YMD: year = numbers[0]; month = numbers[1]; day = numbers[2]; yearLength = lengths[0]; break;
        }
    }
    if (yearLength <= 2) {
        const int base = CurrentYear() - settings.TwoDigitYearCenturyWindow;
        year += (base / 100) * 100;
        if (settings.TwoDigitYearCenturyWindow > 0 && year < base) {
            year += 100;
        }
    }
    return TryEncodeDate(year, month, day, value);
}

bool ScanTime(std::string_view text, size_t& i, TDateTime& value, const TFormatSettings& settings)
{
    SkipBlanks(text, i);
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    if (ReadDigits(text, i, hour) == 0) {
        return false;
    }
    bool hasMinutes = false;
    if (i < text.size() && (text[i] == settings.TimeSeparator || text[i] == ':')) {
        ++i;
        if (ReadDigits(text, i, minute) == 0) {
            return false;
        }
        hasMinutes = true;
        if (i < text.size() && (text[i] == settings.TimeSeparator || text[i] == ':')) {
            ++i;
            if (ReadDigits(text, i, second) == 0) {
                return false;
            }
            if (i < text.size() && (text[i] == '.' || text[i] == settings.DecimalSeparator)) {
                ++i;
                if (ReadDigits(text, i, millisecond) == 0) {
                    return false;
                }
            }
        }
    }
    size_t after = i;
    SkipBlanks(text, after);
    int meridiem = 0;  // 1 am, 2 pm
    const auto tryMarker = [&](std::string_view marker, int kind) {
        if (meridiem == 0 && !marker.empty() && StartsWithNoCase(text, after, marker)) {
            meridiem = kind;
            after += marker.size();
        }
    };
    tryMarker(settings.TimeAMString, 1);
    tryMarker(settings.TimePMString, 2);
    tryMarker("AM", 1);
    tryMarker("PM", 2);
    if (meridiem != 0) {
        if (hour < 1 || hour > 12) {
            return false;
        }
        hour = hour % 12 + (meridiem == 2 ? 12 : 0);
        i = after;
    } else if (!hasMinutes) {
        return false;
    }
    return TryEncodeTime(hour, minute, second, millisecond, value);
}

bool AtEnd(std::string_view text, size_t i)
{
    SkipBlanks(text, i);
    return i == text.size();
}

} // namespace

std::string FormatDateTime(std::string_view format, TDateTime value)
{
    return FormatDateTime(format, value, FormatSettings);
}

std::string FormatDateTime(std::string_view format, TDateTime value, const TFormatSettings& settings)
{
    DateTimeWriter writer(value, settings);
    writer.Write(format.empty() ? std::string_view("c") : format);
    return writer.Text();
}

std::string DateToStr(TDateTime value) { return FormatDateTime(FormatSettings.ShortDateFormat, value); }
std::string TimeToStr(TDateTime value) { return FormatDateTime(FormatSettings.LongTimeFormat, value); }
std::string DateTimeToStr(TDateTime value) { return FormatDateTime("c", value); }

bool TryStrToDate(std::string_view text, TDateTime& value) { return TryStrToDate(text, value, FormatSettings); }

bool TryStrToDate(std::string_view text, TDateTime& value, const TFormatSettings& settings)
{
    size_t i = 0;
    TDateTime date = 0;
    if (!ScanDate(text, i, date, settings) || !AtEnd(text, i)) {
        return false;
    }
    value = date;
    return true;
}

bool TryStrToTime(std::string_view text, TDateTime& value)
{
    size_t i = 0;
    TDateTime time = 0;
    if (!ScanTime(text, i, time, FormatSettings) || !AtEnd(text, i)) {
        return false;
    }
    value = time;
    return true;
}

bool TryStrToDateTime(std::string_view text, TDateTime& value) { return TryStrToDateTime(text, value, FormatSettings); }

bool TryStrToDateTime(std::string_view text, TDateTime& value, const TFormatSettings& settings)
{
    size_t i = 0;
    TDateTime date = 0;
    if (ScanDate(text, i, date, settings)) {
        if (AtEnd(text, i)) {
            value = date;
            return true;
        }
        TDateTime time = 0;
        if (ScanTime(text, i, time, settings) && AtEnd(text, i)) {
            value = IncMilliSecond(date, DateTimeToMilliseconds(time));
            return true;
        }
    }
    i = 0;
    TDateTime time = 0;
    if (ScanTime(text, i, time, settings) && AtEnd(text, i)) {
        value = time;
        return true;
    }
    return false;
}

TDateTime StrToDate(std::string_view text)
{
    TDateTime value = 0;
    if (!TryStrToDate(text, value)) {
        throw EConvertError("'" + std::string(text) + "' is not a valid date");
    }
    return value;
}

TDateTime StrToTime(std::string_view text)
{
    TDateTime value = 0;
    if (!TryStrToTime(text, value)) {
        throw EConvertError("'" + std::string(text) + "' is not a valid time");
    }
    return value;
}

TDateTime StrToDateTime(std::string_view text)
{
    TDateTime value = 0;
    if (!TryStrToDateTime(text, value)) {
        throw EConvertError("'" + std::string(text) + "' is not a valid date and time");
    }
    return value;
}
