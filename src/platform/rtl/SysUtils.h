#pragma once
// Text and number helpers. Text positions are 1-based where the class library counts from 1
// (Copy, Pos, Delete, Insert). Number text never depends on the process locale: the decimal
// point and the thousands separator come from FormatSettings (or the settings given).

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

// ---- integers ----
std::string IntToStr(int64_t value);
// Upper-case hexadecimal of raw bits with at least `digits` digits.
std::string IntToHexBits(uint64_t bits, int digits);
// Upper-case hexadecimal with at least `digits` digits; negatives show the two's complement of
// their own width (IntToHex(-1, 2) of a 32-bit value is "FFFFFFFF").
template <typename T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
std::string IntToHex(T value, int digits)
{
    if constexpr (sizeof(T) <= 4) {
        return IntToHexBits(static_cast<uint32_t>(value), digits);
    } else {
        return IntToHexBits(static_cast<uint64_t>(value), digits);
    }
}
// Decimal text with optional leading blanks and sign; "$" or "0x" introduces hexadecimal.
// EConvertError "'%s' is not a valid integer value".
int32_t StrToInt(std::string_view text);
int32_t StrToIntDef(std::string_view text, int32_t defaultValue);
bool TryStrToInt(std::string_view text, int32_t& value);
int64_t StrToInt64(std::string_view text);
int64_t StrToInt64Def(std::string_view text, int64_t defaultValue);
bool TryStrToInt64(std::string_view text, int64_t& value);

// ---- floating point ----
enum class TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// Shortest text with up to 15 significant digits ("1.5", "1E20", "1.5E-7").
std::string FloatToStr(double value);
std::string FloatToStr(double value, const TFormatSettings& settings);
// precision: significant digits (at most 18); digits: decimals for ffFixed/ffNumber/ffCurrency,
// the least exponent digits for ffGeneral/ffExponent.
std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits);
std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits, const TFormatSettings& settings);
// Picture formats: "0" digit, "#" optional digit, "." decimal point, "," thousands, "E+"/"E-"
// exponent, "..."/'...' literals, up to three sections "positive;negative;zero".
std::string FormatFloat(std::string_view format, double value);
std::string FormatFloat(std::string_view format, double value, const TFormatSettings& settings);
// Decimal text with optional sign, decimal separator and exponent; blanks around it are allowed.
// EConvertError "'%s' is not a valid floating point value".
double StrToFloat(std::string_view text);
double StrToFloat(std::string_view text, const TFormatSettings& settings);
double StrToFloatDef(std::string_view text, double defaultValue);
bool TryStrToFloat(std::string_view text, double& value);
bool TryStrToFloat(std::string_view text, double& value, const TFormatSettings& settings);

// ---- strings ----
// Without leading/trailing characters up to and including the blank.
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);
// `count` characters from the 1-based `index`; an index below 1 counts as 1, beyond the end gives "".
std::string Copy(std::string_view text, int64_t index, int64_t count);
// 1-based position of `sub` in `text`, 0 when absent (or when `sub` is empty).
int Pos(std::string_view sub, std::string_view text);
// Delete/Insert on 1-based positions, as the class library's procedures.
void Delete(std::string& text, int64_t index, int64_t count);
void Insert(std::string_view source, std::string& text, int64_t index);

enum class TReplaceFlag : unsigned { rfReplaceAll = 1, rfIgnoreCase = 2 };
struct TReplaceFlags {
    unsigned bits = 0;
    constexpr TReplaceFlags() = default;
    constexpr TReplaceFlags(TReplaceFlag flag) : bits(static_cast<unsigned>(flag)) {}
    constexpr bool Contains(TReplaceFlag flag) const { return (bits & static_cast<unsigned>(flag)) != 0; }
};
constexpr TReplaceFlags operator|(TReplaceFlags a, TReplaceFlags b)
{
    TReplaceFlags r;
    r.bits = a.bits | b.bits;
    return r;
}
constexpr TReplaceFlags operator|(TReplaceFlag a, TReplaceFlag b) { return TReplaceFlags(a) | TReplaceFlags(b); }
// Case is ignored by the ANSI code page's rules.
std::string StringReplace(std::string_view text, std::string_view oldPattern, std::string_view newPattern,
                          TReplaceFlags flags);

// The text in single quotes, inner quotes doubled.
std::string QuotedStr(std::string_view text);
std::string StringOfChar(char c, int64_t count);
// Byte-wise comparison: negative, zero or positive.
int CompareStr(std::string_view a, std::string_view b);

// ---- Format ----
// One argument of Format: an integer, a floating-point value or text.
class TVarRec {
public:
    enum class Kind { Integer, Unsigned, Float, Text };

    template <typename T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool> &&
                                               !std::is_same_v<T, char> && std::is_signed_v<T>,
                                           int> = 0>
    TVarRec(T value) : kind_(Kind::Integer), integer_(static_cast<int64_t>(value))
    {
    }
    template <typename T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool> &&
                                               !std::is_same_v<T, char> && std::is_unsigned_v<T>,
                                           int> = 0>
    TVarRec(T value) : kind_(Kind::Unsigned), integer_(static_cast<int64_t>(value))
    {
    }
    TVarRec(float value) : kind_(Kind::Float), float_(value) {}
    TVarRec(double value) : kind_(Kind::Float), float_(value) {}
    TVarRec(long double value) : kind_(Kind::Float), float_(static_cast<double>(value)) {}
    TVarRec(char value) : kind_(Kind::Text), text_(1, value) {}
    TVarRec(const char* value) : kind_(Kind::Text), text_(value ? value : "") {}
    TVarRec(std::string_view value) : kind_(Kind::Text), text_(value) {}
    TVarRec(const std::string& value) : kind_(Kind::Text), text_(value) {}

    Kind GetKind() const noexcept { return kind_; }
    int64_t Integer() const noexcept { return integer_; }
    double Float() const noexcept { return float_; }
    const std::string& Text() const noexcept { return text_; }

private:
    Kind kind_;
    int64_t integer_ = 0;
    double float_ = 0;
    std::string text_;
};

// Directives: "%" [index ":"] ["-"] [width] ["." precision] type, with type one of
// d u x e f g n m s (and "%%"); width or precision "*" takes the next argument.
// EConvertError "Format '%s' invalid or incompatible with argument" on a mismatch.
std::string Format(std::string_view format, std::initializer_list<TVarRec> arguments);
std::string Format(std::string_view format, std::initializer_list<TVarRec> arguments, const TFormatSettings& settings);
template <typename... Arguments>
std::string Format(std::string_view format, const Arguments&... arguments)
{
    return Format(format, std::initializer_list<TVarRec>{TVarRec(arguments)...});
}
