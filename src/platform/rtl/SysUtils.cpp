#include "platform/rtl/SysUtils.h"

#include "platform/rtl/CodePages.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// A finite non-negative number as decimal digits: value = 0.d1d2d3... * 10^exponent.
// The digits carry no leading zero; zero is the empty digit string.
struct DecimalNumber {
    bool negative = false;
    std::string digits;
    int exponent = 0;
};

// Rounds half away from zero so that at most `decimals` digits follow the decimal point.
void RoundToDecimals(DecimalNumber& number, int decimals);

// The value rounded half away from zero to `precision` significant digits, trailing zeros
// removed. Rounding starts from the shortest text that reads back as the same double, so
// 2.675 counts as 2.675 and not as its binary neighbour 2.67499999...
DecimalNumber ToDecimal(double value, int precision)
{
    DecimalNumber result;
    result.negative = std::signbit(value);
    value = std::fabs(value);
    if (value == 0) {
        result.negative = false;
        return result;
    }
    precision = std::clamp(precision, 1, 18);
    char buffer[64];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::scientific);
    (void)error;
    std::string_view text(buffer, static_cast<size_t>(end - buffer));
    const size_t e = text.find('e');
    std::string digits;
    for (char c : text.substr(0, e)) {
        if (c >= '0' && c <= '9') {
            digits += c;
        }
    }
    int exponent = 0;
    std::from_chars(text.data() + e + 1 + (text[e + 1] == '+' ? 1 : 0), text.data() + text.size(), exponent);
    while (!digits.empty() && digits.back() == '0') {
        digits.pop_back();
    }
    result.digits = digits;
    result.exponent = exponent + 1;
    RoundToDecimals(result, precision - result.exponent);
    return result;
}

// Rounds half away from zero so that at most `decimals` digits follow the decimal point.
void RoundToDecimals(DecimalNumber& number, int decimals)
{
    const int keep = number.exponent + decimals;  // digits that stay
    if (keep >= static_cast<int>(number.digits.size())) {
        return;
    }
    if (keep < 0) {
        number.digits.clear();
        return;
    }
    const bool roundUp = number.digits[static_cast<size_t>(keep)] >= '5';
    number.digits.resize(static_cast<size_t>(keep));
    if (roundUp) {
        int i = keep - 1;
        while (i >= 0 && number.digits[static_cast<size_t>(i)] == '9') {
            number.digits[static_cast<size_t>(i)] = '0';
            --i;
        }
        if (i < 0) {
            number.digits.insert(number.digits.begin(), '1');
            ++number.exponent;
        } else {
            ++number.digits[static_cast<size_t>(i)];
        }
    }
    while (!number.digits.empty() && number.digits.back() == '0') {
        number.digits.pop_back();
    }
    if (number.digits.empty()) {
        number.negative = false;
    }
}

char DigitAt(const DecimalNumber& number, int position)  // position 0 = first digit
{
    return position >= 0 && position < static_cast<int>(number.digits.size()) ? number.digits[static_cast<size_t>(position)]
                                                                                : '0';
}

std::string IntegerPart(const DecimalNumber& number, char thousands)
{
    std::string out;
    const int count = std::max(number.exponent, 1);
    for (int i = 0; i < count; ++i) {
        const int position = number.exponent - count + i;
        if (thousands != 0 && i > 0 && (count - i) % 3 == 0) {
            out += thousands;
        }
        out += number.digits.empty() ? '0' : DigitAt(number, position);
    }
    return out;
}

std::string FractionPart(const DecimalNumber& number, int decimals)
{
    std::string out;
    for (int i = 0; i < decimals; ++i) {
        out += DigitAt(number, number.exponent + i);
    }
    return out;
}

std::string ExponentText(int exponent, bool alwaysSign, int minimumDigits)
{
    std::string digits = std::to_string(exponent < 0 ? -exponent : exponent);
    if (static_cast<int>(digits.size()) < minimumDigits) {
        digits.insert(0, static_cast<size_t>(minimumDigits) - digits.size(), '0');
    }
    if (exponent < 0) {
        return "-" + digits;
    }
    return alwaysSign ? "+" + digits : digits;
}

std::string SpecialValueText(double value)
{
    if (std::isnan(value)) {
        return "NAN";
    }
    return value < 0 ? "-INF" : "INF";
}

std::string GeneralText(double value, int precision, int exponentDigits, const TFormatSettings& settings)
{
    DecimalNumber number = ToDecimal(value, precision);
    if (number.digits.empty()) {
        return "0";
    }
    std::string out = number.negative ? "-" : "";
    const int count = static_cast<int>(number.digits.size());
    if (number.exponent > precision || number.exponent < -3) {
        out += number.digits[0];
        if (count > 1) {
            out += settings.DecimalSeparator;
            out += number.digits.substr(1);
        }
        out += 'E';
        out += ExponentText(number.exponent - 1, false, exponentDigits);
        return out;
    }
    out += IntegerPart(number, 0);
    const int decimals = count - number.exponent;
    if (decimals > 0) {
        out += settings.DecimalSeparator;
        out += FractionPart(number, decimals);
    }
    return out;
}

std::string CurrencyText(const std::string& amount, bool negative, const TFormatSettings& settings)
{
    std::string body;
    switch (settings.CurrencyFormat) {
    case 1: body = amount + settings.CurrencyString; break;
    case 2: body = settings.CurrencyString + " " + amount; break;
    case 3: body = amount + " " + settings.CurrencyString; break;
    default: body = settings.CurrencyString + amount; break;
    }
    if (!negative) {
        return body;
    }
    return settings.NegCurrFormat == 1 ? "-" + body : "(" + body + ")";
}

bool ParseInteger(std::string_view text, int64_t minimum, int64_t maximum, int64_t& value)
{
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size()) {
        return false;
    }
    uint64_t magnitude = 0;
    const uint64_t limit = negative ? static_cast<uint64_t>(-(minimum + 1)) + 1 : static_cast<uint64_t>(maximum);
    // Hexadecimal text covers the whole unsigned range of the type (as "$FFFFFFFF" is -1).
    const uint64_t hexLimit = maximum == std::numeric_limits<int64_t>::max() ? std::numeric_limits<uint64_t>::max()
                                                                              : static_cast<uint64_t>(maximum) * 2 + 1;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit = 0;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return false;
        }
        const uint64_t bound = base == 16 ? hexLimit : limit;
        if (magnitude > (bound - static_cast<uint64_t>(digit)) / static_cast<uint64_t>(base)) {
            return false;
        }
        magnitude = magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    }
    if (base == 16 && magnitude > static_cast<uint64_t>(maximum)) {
        // Two's complement of the type's width.
        const int64_t wrapped = maximum == std::numeric_limits<int64_t>::max()
                                    ? static_cast<int64_t>(magnitude)
                                    : static_cast<int64_t>(magnitude) - (static_cast<int64_t>(maximum) + 1) * 2;
        value = negative ? -wrapped : wrapped;
        return true;
    }
    if (negative) {
        value = magnitude == static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + 1
                    ? std::numeric_limits<int64_t>::min()
                    : -static_cast<int64_t>(magnitude);
    } else {
        value = static_cast<int64_t>(magnitude);
    }
    return true;
}

// Rough power of ten of a plain decimal text (sign, digits, '.', 'e'): positive for large numbers.
int64_t DecimalMagnitude(std::string_view plain)
{
    const size_t e = plain.find('e');
    int64_t exponent = 0;
    if (e != std::string_view::npos) {
        std::string_view tail = plain.substr(e + 1);
        if (!tail.empty() && tail[0] == '+') {
            tail.remove_prefix(1);
        }
        auto [ptr, error] = std::from_chars(tail.data(), tail.data() + tail.size(), exponent);
        if (error == std::errc::result_out_of_range) {
            exponent = tail[0] == '-' ? -100000 : 100000;
        }
        // Far beyond any double; keeps the sums below inside the 64-bit range.
        exponent = std::clamp<int64_t>(exponent, -100000, 100000);
        (void)ptr;
        plain = plain.substr(0, e);
    }
    const size_t point = plain.find('.');
    const std::string_view integerDigits = plain.substr(0, point);
    const size_t firstNonZero = integerDigits.find_first_not_of("-0");
    if (firstNonZero != std::string_view::npos) {
        return exponent + static_cast<int64_t>(integerDigits.size() - firstNonZero);
    }
    if (point == std::string_view::npos) {
        return exponent;
    }
    const std::string_view fraction = plain.substr(point + 1);
    const size_t first = fraction.find_first_not_of('0');
    return exponent - static_cast<int64_t>(first == std::string_view::npos ? fraction.size() : first);
}

[[noreturn]] void InvalidInteger(std::string_view text)
{
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
}

} // namespace

// ---- integers ----

std::string IntToStr(int64_t value) { return std::to_string(value); }

std::string IntToHexBits(uint64_t bits, int digits)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    do {
        out.insert(out.begin(), hex[bits & 0xF]);
        bits >>= 4;
    } while (bits != 0);
    if (static_cast<int>(out.size()) < digits) {
        out.insert(0, static_cast<size_t>(digits) - out.size(), '0');
    }
    return out;
}

bool TryStrToInt(std::string_view text, int32_t& value)
{
    int64_t wide = 0;
    if (!ParseInteger(text, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), wide)) {
        return false;
    }
    value = static_cast<int32_t>(wide);
    return true;
}

int32_t StrToInt(std::string_view text)
{
    int32_t value = 0;
    if (!TryStrToInt(text, value)) {
        InvalidInteger(text);
    }
    return value;
}

int32_t StrToIntDef(std::string_view text, int32_t defaultValue)
{
    int32_t value = 0;
    return TryStrToInt(text, value) ? value : defaultValue;
}

bool TryStrToInt64(std::string_view text, int64_t& value)
{
    return ParseInteger(text, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max(), value);
}

int64_t StrToInt64(std::string_view text)
{
    int64_t value = 0;
    if (!TryStrToInt64(text, value)) {
        InvalidInteger(text);
    }
    return value;
}

int64_t StrToInt64Def(std::string_view text, int64_t defaultValue)
{
    int64_t value = 0;
    return TryStrToInt64(text, value) ? value : defaultValue;
}

// ---- floating point ----

std::string FloatToStr(double value) { return FloatToStr(value, FormatSettings); }

std::string FloatToStr(double value, const TFormatSettings& settings)
{
    return FloatToStrF(value, TFloatFormat::ffGeneral, 15, 0, settings);
}

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits)
{
    return FloatToStrF(value, format, precision, digits, FormatSettings);
}

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits, const TFormatSettings& settings)
{
    if (!std::isfinite(value)) {
        return SpecialValueText(value);
    }
    precision = std::clamp(precision, 1, 18);
    switch (format) {
    case TFloatFormat::ffGeneral:
        return GeneralText(value, precision, std::clamp(digits, 0, 4), settings);
    case TFloatFormat::ffExponent: {
        DecimalNumber number = ToDecimal(value, precision);
        std::string out = number.negative ? "-" : "";
        out += number.digits.empty() ? '0' : number.digits[0];
        out += settings.DecimalSeparator;
        for (int i = 1; i < precision; ++i) {
            out += DigitAt(number, i);
        }
        out += 'E';
        out += ExponentText(number.digits.empty() ? 0 : number.exponent - 1, true, std::clamp(digits, 0, 4));
        return out;
    }
    case TFloatFormat::ffFixed:
    case TFloatFormat::ffNumber:
    case TFloatFormat::ffCurrency: {
        digits = std::clamp(digits, 0, 18);
        DecimalNumber number = ToDecimal(value, precision);
        if (number.exponent > precision && format != TFloatFormat::ffCurrency) {
            return GeneralText(value, precision, 0, settings);
        }
        RoundToDecimals(number, digits);
        const char thousands = format == TFloatFormat::ffFixed ? 0 : settings.ThousandSeparator;
        std::string amount = IntegerPart(number, thousands);
        if (digits > 0) {
            amount += settings.DecimalSeparator;
            amount += FractionPart(number, digits);
        }
        if (format == TFloatFormat::ffCurrency) {
            return CurrencyText(amount, number.negative, settings);
        }
        return number.negative ? "-" + amount : amount;
    }
    }
    return std::string();
}

bool TryStrToFloat(std::string_view text, double& value) { return TryStrToFloat(text, value, FormatSettings); }

bool TryStrToFloat(std::string_view text, double& value, const TFormatSettings& settings)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    // Checked by hand so that only plain decimal text passes (no "inf", "nan" or hex floats),
    // then read with the locale-free conversion.
    std::string plain;
    size_t i = begin;
    if (i < end && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-') {
            plain += '-';
        }
        ++i;
    }
    size_t digits = 0;
    while (i < end && text[i] >= '0' && text[i] <= '9') {
        plain += text[i++];
        ++digits;
    }
    if (i < end && text[i] == settings.DecimalSeparator) {
        plain += '.';
        ++i;
        while (i < end && text[i] >= '0' && text[i] <= '9') {
            plain += text[i++];
            ++digits;
        }
    }
    if (digits == 0) {
        return false;
    }
    if (i < end && (text[i] == 'e' || text[i] == 'E')) {
        plain += 'e';
        ++i;
        if (i < end && (text[i] == '+' || text[i] == '-')) {
            plain += text[i++];
        }
        size_t exponentDigits = 0;
        while (i < end && text[i] >= '0' && text[i] <= '9') {
            plain += text[i++];
            ++exponentDigits;
        }
        if (exponentDigits == 0) {
            return false;
        }
    }
    if (i != end) {
        return false;
    }
    double parsed = 0;
    auto [ptr, error] = std::from_chars(plain.data(), plain.data() + plain.size(), parsed);
    if (ptr != plain.data() + plain.size()) {
        return false;
    }
    if (error == std::errc::result_out_of_range) {
        // Underflow reads as zero; overflow is no valid number.
        if (DecimalMagnitude(plain) > 0) {
            return false;
        }
        parsed = 0;
    } else if (error != std::errc()) {
        return false;
    }
    value = parsed;
    return true;
}

double StrToFloat(std::string_view text) { return StrToFloat(text, FormatSettings); }

double StrToFloat(std::string_view text, const TFormatSettings& settings)
{
    double value = 0;
    if (!TryStrToFloat(text, value, settings)) {
        throw EConvertError("'" + std::string(text) + "' is not a valid floating point value");
    }
    return value;
}

double StrToFloatDef(std::string_view text, double defaultValue)
{
    double value = 0;
    return TryStrToFloat(text, value) ? value : defaultValue;
}

// ---- picture formats ----

namespace {

struct PictureSection {
    std::string_view text;
    int integerPlaceholders = 0;
    int minimumIntegerDigits = 0;
    int minimumDecimals = 0;
    int maximumDecimals = 0;
    bool hasDecimalPoint = false;
    bool thousands = false;
    bool scientific = false;
    int exponentDigits = 0;
    bool hasPlaceholders = false;
};

std::vector<std::string_view> SplitSections(std::string_view format)
{
    std::vector<std::string_view> sections;
    size_t start = 0;
    char quote = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (quote != 0) {
            if (c == quote) {
                quote = 0;
            }
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == ';' && sections.size() < 2) {
            sections.push_back(format.substr(start, i - start));
            start = i + 1;
        }
    }
    sections.push_back(format.substr(start));
    return sections;
}

PictureSection AnalyseSection(std::string_view text)
{
    PictureSection section;
    section.text = text;
    bool seenZero = false;
    int decimalsSeen = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"' || c == '\'') {
            const size_t close = text.find(c, i + 1);
            i = close == std::string_view::npos ? text.size() : close;
        } else if ((c == 'E' || c == 'e') && i + 1 < text.size() && (text[i + 1] == '+' || text[i + 1] == '-') &&
                   !section.scientific) {
            section.scientific = true;
            i += 2;
            while (i < text.size() && text[i] == '0') {
                ++section.exponentDigits;
                ++i;
            }
            --i;
        } else if (section.scientific) {
            continue;
        } else if (c == '0' || c == '#') {
            section.hasPlaceholders = true;
            if (section.hasDecimalPoint) {
                ++decimalsSeen;
                section.maximumDecimals = decimalsSeen;
                if (c == '0') {
                    section.minimumDecimals = decimalsSeen;
                }
            } else {
                ++section.integerPlaceholders;
                if (c == '0') {
                    seenZero = true;
                }
                if (seenZero) {
                    ++section.minimumIntegerDigits;
                }
            }
        } else if (c == '.' && !section.hasDecimalPoint) {
            section.hasDecimalPoint = true;
            section.hasPlaceholders = true;
        } else if (c == ',' && !section.hasDecimalPoint) {
            section.thousands = true;
        }
    }
    return section;
}

std::string ApplySection(const PictureSection& section, double magnitude, bool addMinus, const TFormatSettings& settings)
{
    std::string integerDigits;
    std::string fractionDigits;
    std::string exponentText;
    bool negativeResult = false;
    if (section.scientific) {
        const int integerCount = std::max(section.integerPlaceholders, 1);
        DecimalNumber number = ToDecimal(magnitude, std::min(integerCount + section.maximumDecimals, 18));
        const int exponent = number.digits.empty() ? 0 : number.exponent - integerCount;
        number.exponent = number.digits.empty() ? 0 : integerCount;
        RoundToDecimals(number, section.maximumDecimals);
        for (int i = 0; i < integerCount; ++i) {
            integerDigits += DigitAt(number, i);
        }
        fractionDigits = FractionPart(number, section.maximumDecimals);
        exponentText = ExponentText(exponent, false, section.exponentDigits);
        negativeResult = !number.digits.empty();
    } else {
        DecimalNumber number = ToDecimal(magnitude, 15);
        RoundToDecimals(number, section.maximumDecimals);
        negativeResult = !number.digits.empty();
        if (number.exponent > 0 && !number.digits.empty()) {
            integerDigits = IntegerPart(number, 0);
        }
        fractionDigits = FractionPart(number, section.maximumDecimals);
    }
    if (static_cast<int>(integerDigits.size()) < section.minimumIntegerDigits) {
        integerDigits.insert(0, static_cast<size_t>(section.minimumIntegerDigits) - integerDigits.size(), '0');
    }
    while (static_cast<int>(fractionDigits.size()) > section.minimumDecimals && !fractionDigits.empty() &&
           fractionDigits.back() == '0') {
        fractionDigits.pop_back();
    }

    std::string out;
    const int length = static_cast<int>(integerDigits.size());
    int placeholder = 0;
    int fractionIndex = 0;
    bool afterPoint = false;
    auto emitDigit = [&](int index) {
        out += integerDigits[static_cast<size_t>(index)];
        if (section.thousands && !section.scientific && index < length - 1 && (length - 1 - index) % 3 == 0) {
            out += settings.ThousandSeparator;
        }
    };
    const std::string_view text = section.text;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"' || c == '\'') {
            const size_t close = text.find(c, i + 1);
            const size_t stop = close == std::string_view::npos ? text.size() : close;
            out.append(text.substr(i + 1, stop - i - 1));
            i = stop;
        } else if (section.scientific && (c == 'E' || c == 'e') && i + 1 < text.size() &&
                   (text[i + 1] == '+' || text[i + 1] == '-')) {
            out += c;
            if (text[i + 1] == '+' && exponentText[0] != '-') {
                out += '+';
            }
            out += exponentText;
            i += 2;
            while (i < text.size() && text[i] == '0') {
                ++i;
            }
            --i;
        } else if ((c == '0' || c == '#') && !afterPoint) {
            const int first = length - section.integerPlaceholders + placeholder;
            if (placeholder == 0) {
                for (int k = 0; k < first && k < length; ++k) {
                    emitDigit(k);
                }
            }
            if (first >= 0 && first < length) {
                emitDigit(first);
            }
            ++placeholder;
        } else if ((c == '0' || c == '#') && afterPoint) {
            if (fractionIndex < static_cast<int>(fractionDigits.size())) {
                out += fractionDigits[static_cast<size_t>(fractionIndex)];
            }
            ++fractionIndex;
        } else if (c == '.' && !afterPoint) {
            afterPoint = true;
            if (section.integerPlaceholders == 0 && length > 0) {
                for (int k = 0; k < length; ++k) {
                    emitDigit(k);
                }
            }
            if (!fractionDigits.empty()) {
                out += settings.DecimalSeparator;
            }
        } else if (c == ',' && !afterPoint) {
            // Only marks thousands grouping.
        } else {
            out += c;
        }
    }
    return addMinus && negativeResult ? "-" + out : out;
}

} // namespace

std::string FormatFloat(std::string_view format, double value) { return FormatFloat(format, value, FormatSettings); }

std::string FormatFloat(std::string_view format, double value, const TFormatSettings& settings)
{
    if (!std::isfinite(value)) {
        return SpecialValueText(value);
    }
    if (format.empty()) {
        return FloatToStr(value, settings);
    }
    const std::vector<std::string_view> sections = SplitSections(format);
    const bool negative = value < 0;
    const double magnitude = std::fabs(value);
    PictureSection chosen = AnalyseSection(sections[0]);
    bool addMinus = negative;
    if (negative && sections.size() > 1 && !sections[1].empty()) {
        chosen = AnalyseSection(sections[1]);
        addMinus = false;
    }
    if (sections.size() > 2 && !sections[2].empty()) {
        // The zero section applies to values that round to zero in the chosen section.
        DecimalNumber rounded = ToDecimal(magnitude, 15);
        RoundToDecimals(rounded, chosen.maximumDecimals);
        if (rounded.digits.empty()) {
            return ApplySection(AnalyseSection(sections[2]), 0, false, settings);
        }
    }
    return ApplySection(chosen, magnitude, addMinus, settings);
}

// ---- strings ----

std::string TrimLeft(std::string_view text)
{
    size_t begin = 0;
    while (begin < text.size() && IsBlank(text[begin])) {
        ++begin;
    }
    return std::string(text.substr(begin));
}

std::string TrimRight(std::string_view text)
{
    size_t end = text.size();
    while (end > 0 && IsBlank(text[end - 1])) {
        --end;
    }
    return std::string(text.substr(0, end));
}

std::string Trim(std::string_view text) { return TrimRight(TrimLeft(text)); }

std::string Copy(std::string_view text, int64_t index, int64_t count)
{
    if (index < 1) {
        index = 1;
    }
    const int64_t size = static_cast<int64_t>(text.size());
    if (index > size || count <= 0) {
        return std::string();
    }
    const int64_t available = size - index + 1;
    return std::string(text.substr(static_cast<size_t>(index - 1), static_cast<size_t>(std::min(count, available))));
}

int Pos(std::string_view sub, std::string_view text)
{
    if (sub.empty()) {
        return 0;
    }
    const size_t found = text.find(sub);
    return found == std::string_view::npos ? 0 : static_cast<int>(found) + 1;
}

void Delete(std::string& text, int64_t index, int64_t count)
{
    const int64_t size = static_cast<int64_t>(text.size());
    if (index < 1 || index > size || count <= 0) {
        return;
    }
    text.erase(static_cast<size_t>(index - 1), static_cast<size_t>(std::min(count, size - index + 1)));
}

void Insert(std::string_view source, std::string& text, int64_t index)
{
    const int64_t size = static_cast<int64_t>(text.size());
    index = std::clamp<int64_t>(index, 1, size + 1);
    text.insert(static_cast<size_t>(index - 1), source);
}

std::string StringReplace(std::string_view text, std::string_view oldPattern, std::string_view newPattern,
                          TReplaceFlags flags)
{
    if (oldPattern.empty()) {
        return std::string(text);
    }
    const bool ignoreCase = flags.Contains(TReplaceFlag::rfIgnoreCase);
    const std::string searchText = ignoreCase ? AnsiUpperCase(text) : std::string(text);
    const std::string pattern = ignoreCase ? AnsiUpperCase(oldPattern) : std::string(oldPattern);
    std::string out;
    size_t position = 0;
    while (position <= text.size()) {
        const size_t found = searchText.find(pattern, position);
        if (found == std::string::npos) {
            break;
        }
        out.append(text.substr(position, found - position));
        out.append(newPattern);
        position = found + pattern.size();
        if (!flags.Contains(TReplaceFlag::rfReplaceAll)) {
            break;
        }
    }
    if (position < text.size()) {
        out.append(text.substr(position));
    }
    return out;
}

std::string QuotedStr(std::string_view text)
{
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') {
            out += '\'';
        }
        out += c;
    }
    out += '\'';
    return out;
}

std::string StringOfChar(char c, int64_t count) { return count > 0 ? std::string(static_cast<size_t>(count), c) : std::string(); }

int CompareStr(std::string_view a, std::string_view b) { return AnsiCompareStr(a, b); }
