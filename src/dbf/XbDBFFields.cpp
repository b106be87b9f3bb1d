// Field values of the DBF table dataset: the bytes of a field inside a record image converted to
// and from the dataset framework's native formats (platform/db/Fields.h), blank records and
// the OEM code-page translation of texts.
//
// Numbers are read and written with std::from_chars / std::to_chars, so neither depends on the
// process locale; the decimal point of stored numbers is always ".".

#include "dbf/XbDBFDataSet.h"
#include "dbf/XbDBFFieldParse.h"

#include "platform/db/DBConsts.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Variants.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <iterator>

using namespace DBConsts;
using namespace XbDBFFieldParse;

namespace {

// Julian day number of 0001-01-01 minus one: T fields count from here.
constexpr int64_t kJulianDayBase = 1721425;
constexpr int64_t kDayMilliseconds = 86400000;

[[gnu::always_inline]] inline bool IsBlank(const uint8_t* p, int n) noexcept
{
    for (int i = 0; i < n; ++i)
        if (p[i] != ' ')
            return false;
    return true;
}

[[gnu::always_inline]] inline bool IsZero(const uint8_t* p, int n) noexcept
{
    for (int i = 0; i < n; ++i)
        if (p[i] != 0)
            return false;
    return true;
}

// The text of a number field without the blanks around it; empty when there is only blank.
void TrimNumberText(const uint8_t* p, int n, const char*& first, const char*& last) noexcept
{
    int begin = 0;
    int end = n;
    while (begin < end && (p[begin] == ' ' || p[begin] == 0))
        ++begin;
    while (end > begin && (p[end - 1] == ' ' || p[end - 1] == 0))
        --end;
    if (begin < end && p[begin] == '+' && end - begin > 1)
        ++begin;
    first = reinterpret_cast<const char*>(p + begin);
    last = reinterpret_cast<const char*>(p + end);
}

constexpr char kTwoDigits[] = "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
                              "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
                              "8081828384858687888990919293949596979899";

void PutTwoDigits(uint8_t* p, uint32_t value) noexcept { std::memcpy(p, kTwoDigits + 2 * value, 2); }

// The date's YYYYMMDD; false (nothing written) outside the years 1 to 9999. The civil calendar
// from a day count by 400-year eras, in 32-bit arithmetic, which every date from the year 0 on fits.
bool FormatDate(int32_t dateNumber, uint8_t* p) noexcept
{
    // Days since 0000-03-01.
    const int64_t shifted = static_cast<int64_t>(dateNumber) - kDateNumberOf1970 + 719468;
    if (shifted < 0)
        return false;
    const auto z = static_cast<uint32_t>(shifted);
    const uint32_t era = z / 146097;
    const uint32_t doe = z - era * 146097;
    const uint32_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const uint32_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const uint32_t mp = (5 * doy + 2) / 153;
    const uint32_t day = doy - (153 * mp + 2) / 5 + 1;
    const uint32_t month = mp < 10 ? mp + 3 : mp - 9;
    const uint32_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    if (year < 1 || year > 9999)
        return false;
    PutTwoDigits(p, year / 100);
    PutTwoDigits(p + 2, year % 100);
    PutTwoDigits(p + 4, month);
    PutTwoDigits(p + 6, day);
    return true;
}

// The number with `decimals` digits after the point, as std::to_chars in fixed format writes
// it. A number that is a whole count of its last decimal place (the common case: 12.5 with one
// decimal) is written from that count as an integer; every other goes to std::to_chars. The
// count is exact then: the product rounds once, within a quarter of a unit below 2^52, so no
// other count is nearer.
std::to_chars_result FixedDecimals(char* first, char* last, double number, int decimals) noexcept
{
    static constexpr double kScales[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    if (decimals >= 0 && decimals < static_cast<int>(std::size(kScales)) && last - first >= 40) {
        const double scaled = number * kScales[decimals];
        if (std::fabs(scaled) < 4503599627370496.0 && scaled == std::trunc(scaled)) {
            const auto count = static_cast<int64_t>(scaled);
            char digits[24];
            const std::to_chars_result whole =
                std::to_chars(digits, digits + sizeof digits, count < 0 ? -count : count);
            int length = static_cast<int>(whole.ptr - digits);
            char* out = first;
            // A negative number that rounds to zero keeps its sign here as in std::to_chars.
            if (count < 0 || (count == 0 && std::signbit(number)))
                *out++ = '-';
            // At least one digit before the point.
            const int leading = decimals + 1 - length;
            if (leading > 0) {
                std::memmove(digits + leading, digits, static_cast<size_t>(length));
                std::memset(digits, '0', static_cast<size_t>(leading));
                length += leading;
            }
            const int integral = length - decimals;
            std::memcpy(out, digits, static_cast<size_t>(integral));
            out += integral;
            if (decimals > 0) {
                *out++ = '.';
                std::memcpy(out, digits + integral, static_cast<size_t>(decimals));
                out += decimals;
            }
            return {out, std::errc()};
        }
    }
    return std::to_chars(first, last, number, std::chars_format::fixed, decimals);
}

template <typename T>
T Load(const void* p) noexcept
{
    T value;
    std::memcpy(&value, p, sizeof(T));
    return value;
}

template <typename T>
void Store(uint8_t* p, T value) noexcept
{
    std::memcpy(p, &value, sizeof(T));
}

template <typename T>
void Put(void* out, T value) noexcept
{
    if (out != nullptr)
        std::memcpy(out, &value, sizeof(T));
}

uint64_t SwapBytes64(uint64_t v) noexcept { return __builtin_bswap64(v); }
uint32_t SwapBytes32(uint32_t v) noexcept { return __builtin_bswap32(v); }

// 'O' doubles: big-endian, sign handled so that byte order is numeric order.
double DecodeOrderedDouble(const uint8_t* p) noexcept
{
    uint64_t bits = SwapBytes64(Load<uint64_t>(p));
    if (bits & 0x8000000000000000ull)
        bits &= ~0x8000000000000000ull;
    else
        bits = ~bits;
    double value;
    std::memcpy(&value, &bits, 8);
    return value;
}

void EncodeOrderedDouble(uint8_t* p, double value) noexcept
{
    uint64_t bits;
    std::memcpy(&bits, &value, 8);
    if (bits & 0x8000000000000000ull)
        bits = ~bits;
    else
        bits |= 0x8000000000000000ull;
    Store(p, SwapBytes64(bits));
}

// The 6-byte real: exponent byte (bias 129), 39-bit mantissa, sign in the top bit of byte 5.
double DecodeReal48(const uint8_t* p) noexcept
{
    if (p[0] == 0)
        return 0.0;
    uint64_t mantissa = 0;
    for (int i = 5; i >= 1; --i)
        mantissa = (mantissa << 8) | p[i];
    const bool negative = (mantissa & 0x8000000000ull) != 0;
    mantissa &= 0x7FFFFFFFFFull;
    const double value = std::ldexp(1.0 + static_cast<double>(mantissa) / 549755813888.0, p[0] - 129);
    return negative ? -value : value;
}

void EncodeReal48(uint8_t* p, double value) noexcept
{
    std::memset(p, 0, 6);
    if (value == 0.0 || !std::isfinite(value))
        return;
    int exponent = 0;
    const double fraction = std::frexp(std::fabs(value), &exponent);  // [0.5, 1)
    const int biased = exponent - 1 + 129;
    if (biased <= 0 || biased > 255)
        return;
    uint64_t mantissa = static_cast<uint64_t>(std::llround((fraction * 2.0 - 1.0) * 549755813888.0));
    if (mantissa > 0x7FFFFFFFFFull)
        mantissa = 0x7FFFFFFFFFull;
    if (value < 0)
        mantissa |= 0x8000000000ull;
    p[0] = static_cast<uint8_t>(biased);
    for (int i = 1; i <= 5; ++i) {
        p[i] = static_cast<uint8_t>(mantissa & 0xFF);
        mantissa >>= 8;
    }
}

double DecodeExtended(const uint8_t* p) noexcept
{
#if LDBL_MANT_DIG == 64
    long double value = 0;
    std::memcpy(&value, p, 10);
    return static_cast<double>(value);
#else
    const uint64_t mantissa = Load<uint64_t>(p);
    const uint16_t top = Load<uint16_t>(p + 8);
    const int exponent = top & 0x7FFF;
    if (exponent == 0 && mantissa == 0)
        return 0.0;
    const double value = std::ldexp(static_cast<double>(mantissa), exponent - 16383 - 63);
    return (top & 0x8000) ? -value : value;
#endif
}

void EncodeExtended(uint8_t* p, double value) noexcept
{
#if LDBL_MANT_DIG == 64
    const long double extended = value;
    std::memset(p, 0, 10);
    std::memcpy(p, &extended, 10);
#else
    std::memset(p, 0, 10);
    if (value == 0.0 || !std::isfinite(value))
        return;
    int exponent = 0;
    const double fraction = std::frexp(std::fabs(value), &exponent);
    const uint64_t mantissa = static_cast<uint64_t>(std::ldexp(fraction, 64));
    Store(p, mantissa);
    Store(p + 8, static_cast<uint16_t>((exponent - 1 + 16383) | (value < 0 ? 0x8000 : 0)));
#endif
}

// Milliseconds of the framework's time stamp (0001-01-01 is day 1) from a TDateTime, and back.
double StampFromDateTime(double value) noexcept
{
    return static_cast<double>(DateTimeToMilliseconds(value) + 693594 * kDayMilliseconds);
}

double DateTimeFromStamp(double stamp) noexcept
{
    return MillisecondsToDateTime(static_cast<int64_t>(std::llround(stamp)) - 693594 * kDayMilliseconds);
}

// How an 'E' sub-type stores its value.
enum class TExtendValue {
    S1, U1, S2, U2, S4, U4, S8, R4, R6, R8, R10, D1, D2, D3, Currency, Date, Time, String, FixedChar,
    Wide, Memo, BCD, DataSet, None
};
enum class TExtendNull { Plain, LeadingByte, TopBit };

struct TExtendLayout {
    TExtendValue Value;
    TExtendNull Null;
    int Size;  // bytes of the value (without the leading byte)
};

TExtendLayout ExtendLayout(TXbDBFType type) noexcept
{
    using T = TXbDBFType;
    using V = TExtendValue;
    constexpr auto P = TExtendNull::Plain;
    constexpr auto N = TExtendNull::LeadingByte;
    constexpr auto B = TExtendNull::TopBit;
    switch (type) {
    case T::dbftS1: return {V::S1, P, 1};
    case T::dbftS1_N: return {V::S1, N, 1};
    case T::dbftU1: return {V::U1, P, 1};
    case T::dbftU1_N: return {V::U1, N, 1};
    case T::dbftS2: return {V::S2, P, 2};
    case T::dbftS2_N: return {V::S2, N, 2};
    case T::dbftU2: return {V::U2, P, 2};
    case T::dbftU2_N: return {V::U2, N, 2};
    case T::dbftS4: return {V::S4, P, 4};
    case T::dbftS4_N: return {V::S4, N, 4};
    case T::dbftU4: return {V::U4, P, 4};
    case T::dbftU4_N: return {V::U4, N, 4};
    case T::dbftS8: return {V::S8, P, 8};
    case T::dbftS8_N: return {V::S8, N, 8};
    case T::dbftR4: return {V::R4, P, 4};
    case T::dbftR4_N: return {V::R4, N, 4};
    case T::dbftR6: return {V::R6, P, 6};
    case T::dbftR6_N: return {V::R6, N, 6};
    case T::dbftR8: return {V::R8, P, 8};
    case T::dbftR8_N: return {V::R8, N, 8};
    case T::dbftR10: return {V::R10, P, 10};
    case T::dbftR10_N: return {V::R10, N, 10};
    case T::dbftD1: return {V::D1, P, 8};
    case T::dbftD1_N: return {V::D1, N, 8};
    case T::dbftD2: return {V::D2, P, 8};
    case T::dbftD2_N: return {V::D2, N, 8};
    case T::dbftString: return {V::String, P, 0};
    case T::dbftString_N: return {V::String, N, 0};
    case T::dbftFixedChar: return {V::FixedChar, P, 0};
    case T::dbftWideString: return {V::Wide, P, 0};
    case T::dbftCurrency: return {V::Currency, P, 8};
    case T::dbftCurrency_N: return {V::Currency, N, 8};
    case T::dbftClob:
    case T::dbftBlob:
    case T::dbftGraphic:
    case T::dbftFmtMemo: return {V::Memo, P, 0};
    case T::dbftBCD: return {V::BCD, P, 0};
    case T::dbftDate: return {V::Date, P, 4};
    case T::dbftDate_N: return {V::Date, N, 4};
    case T::dbftTime: return {V::Time, P, 4};
    case T::dbftTime_N: return {V::Time, N, 4};
    case T::dbftD3: return {V::D3, P, 6};
    case T::dbftD3_N: return {V::D3, N, 6};
    case T::dbftU1_NB: return {V::U1, B, 1};
    case T::dbftU2_NB: return {V::U2, B, 2};
    case T::dbftU4_NB: return {V::U4, B, 4};
    case T::dbftR4_NB: return {V::R4, B, 4};
    case T::dbftR6_NB: return {V::R6, B, 6};
    case T::dbftR8_NB: return {V::R8, B, 8};
    case T::dbftD1_NB: return {V::D1, B, 8};
    case T::dbftD2_NB: return {V::D2, B, 8};
    case T::dbftCurrency_NB: return {V::Currency, B, 8};
    case T::dbftDate_NB: return {V::Date, B, 4};
    case T::dbftTime_NB: return {V::Time, B, 4};
    case T::dbftD3_NB: return {V::D3, B, 6};
    case T::dbftClob_NB:
    case T::dbftBlob_NB:
    case T::dbftGraphic_NB:
    case T::dbftFmtMemo_NB: return {V::Memo, B, 4};
    case T::dbftDBFDataSet: return {V::DataSet, P, 0};
    case T::dbftDBFDataSet_NB: return {V::DataSet, B, 4};
    default: return {V::None, P, 0};
    }
}

// Largest and smallest numbers a number field of `length` characters with `decimals` holds, as
// texts for the range message.
void NumberFieldRange(int length, int decimals, std::string& low, std::string& high)
{
    const int integerDigits = std::max(0, length - (decimals > 0 ? decimals + 1 : 0));
    const std::string fraction = decimals > 0 ? "." + std::string(static_cast<size_t>(decimals), '9') : "";
    high = (integerDigits > 0 ? std::string(static_cast<size_t>(integerDigits), '9') : "0") + fraction;
    low = integerDigits > 1 ? "-" + std::string(static_cast<size_t>(integerDigits - 1), '9') + fraction : "0";
}

// Copies a field's text (at most a few dozen bytes) into `value`, reusing its storage. The
// general std::string replace checks for overlap and calls the library's copy; a scan does
// this for every text field of every record.
inline void AssignFieldText(std::string& value, const uint8_t* text, size_t length)
{
    if (length > value.size()) {
        value.assign(reinterpret_cast<const char*>(text), length);
        return;
    }
    char* out = value.data();
    if (length >= 8) {
        // Whole words, the last one overlapping the one before it.
        size_t at = 0;
        for (; at + 8 < length; at += 8)
            std::memcpy(out + at, text + at, 8);
        std::memcpy(out + length - 8, text + length - 8, 8);
    } else if (length >= 4) {
        std::memcpy(out, text, 4);
        std::memcpy(out + length - 4, text + length - 4, 4);
    } else {
        for (size_t i = 0; i < length; ++i)
            out[i] = static_cast<char>(text[i]);
    }
    value.erase(length);
}

// AssignFieldText for a text longer than the caller's string holds now, out of line: the read
// that calls it last keeps no registers across it.
[[gnu::noinline]] TFieldTextFetch AssignLongerFieldText(std::string& value, const uint8_t* text, size_t length)
{
    value.assign(reinterpret_cast<const char*>(text), length);
    return TFieldTextFetch::tfText;
}

}  // namespace

namespace XbDBFFieldParse {

bool ParseIntegerSlow(const uint8_t* p, int n, int64_t& value) noexcept
{
    const char* first;
    const char* last;
    TrimNumberText(p, n, first, last);
    if (first == last)
        return false;
    const auto result = std::from_chars(first, last, value);
    return result.ec == std::errc() && result.ptr == last;
}

bool ParseFloatSlow(const uint8_t* p, int n, double& value) noexcept
{
    const char* first;
    const char* last;
    TrimNumberText(p, n, first, last);
    if (first == last)
        return false;
    const auto result = std::from_chars(first, last, value, std::chars_format::fixed);
    return result.ec == std::errc() && result.ptr == last && std::isfinite(value);
}

}  // namespace XbDBFFieldParse

// ---------------------------------------------------------------------------------------------
// Reading

const TXbDBFFieldDef* TXbSmartDBF::FieldDefOf(const TField& field) const noexcept
{
    const TXbFieldAccess* access = FieldAccessOf(field);
    return access != nullptr ? access->Def : nullptr;
}

bool TXbSmartDBF::ReadFieldValue(const TXbFieldAccess& access, const uint8_t* record, void* out, int outSize) const
{
    const uint8_t* p = record + access.Offset;
    const char type = access.Type;
    if (access.NullOffset >= 0 && (record[access.NullOffset] & access.NullMask) != 0 && type != 'G' && type != 'M' &&
        type != 'P')
        return false;
    const bool visualFoxPro = dbfVersion_ == xBaseVersion::xVisualFoxPro;
    switch (type) {
    case 'C':
        if (access.DataType == TFieldType::ftBytes) {
            if (out != nullptr)
                std::memcpy(out, p, static_cast<size_t>(std::min(access.Length, outSize)));
            return true;
        } else {
            int length = access.Length;
            if (TrimCType) {
                length = TrimmedLength(p, length);
                if (length == 0)
                    return false;
            }
            if (out != nullptr) {
                length = std::min(length, outSize - 1);
                std::memcpy(out, p, static_cast<size_t>(length));
                static_cast<char*>(out)[length] = '\0';
            }
            return true;
        }
    case 'N':
    case 'F':
        if (access.DataType == TFieldType::ftFloat) {
            double value;
            if (!ParseFloat(p, access.Length, value))
                return false;
            Put(out, value);
            return true;
        } else {
            int64_t value;
            if (!ParseInteger(p, access.Length, value))
                return false;
            if (access.DataType == TFieldType::ftLargeint) {
                Put(out, value);
                return true;
            }
            if (value < INT32_MIN || value > INT32_MAX)
                return false;
            Put(out, static_cast<int32_t>(value));
            return true;
        }
    case 'D': {
        int32_t value;
        if (!ParseDate(p, value))
            return false;
        Put(out, value);
        return true;
    }
    case 'L':
        if (p[0] == 'T') {
            Put(out, int16_t{1});
            return true;
        }
        if (p[0] == 'F') {
            Put(out, int16_t{0});
            return true;
        }
        return false;
    case 'M':
    case 'G':
    case 'P':
    case 'B':
        if (type == 'B' && visualFoxPro) {
            if (IsBlank(p, 8))
                return false;
            Put(out, Load<double>(p));
            return true;
        }
        if (visualFoxPro ? ((type == 'M' || type == 'P') && p[0] == 0) || (type == 'G' && IsBlank(p, access.Storage))
                         : IsBlank(p, access.Storage))
            return false;
        if (out != nullptr && outSize >= access.Storage)
            std::memcpy(out, p, static_cast<size_t>(access.Storage));
        return true;
    case 'T': {
        // Blank, and the zero day an empty date-time is stored as, hold no value.
        if (IsBlank(p, 8) || IsZero(p, 4))
            return false;
        const int64_t day = static_cast<int32_t>(Load<uint32_t>(p));
        const int64_t milliseconds = static_cast<int32_t>(Load<uint32_t>(p + 4));
        Put(out, static_cast<double>((day - kJulianDayBase) * kDayMilliseconds + milliseconds));
        return true;
    }
    case 'Y':
        // A 64-bit integer of ten-thousandths, the framework's own currency value.
        if (IsBlank(p, 8))
            return false;
        Put(out, Load<int64_t>(p));
        return true;
    case 'I':
    case '+':
        if (AtLeastFoxPro()) {
            Put(out, Load<int32_t>(p));
            return true;
        }
        if (IsZero(p, 4))
            return false;
        Put(out, static_cast<int32_t>(SwapBytes32(Load<uint32_t>(p)) ^ 0x80000000u));
        return true;
    case '@':
        if (IsZero(p, 8))
            return false;
        if (out != nullptr) {
            const uint64_t bits = SwapBytes64(Load<uint64_t>(p));
            std::memcpy(out, &bits, 8);
        }
        return true;
    case 'O':
        if (IsZero(p, 8))
            return false;
        Put(out, DecodeOrderedDouble(p));
        return true;
    case '0':
        if (out != nullptr)
            std::memcpy(out, p, static_cast<size_t>(std::min(access.Length, outSize)));
        return true;
    case 'E':
        return ReadExtendValue(access, p, out, outSize);
    default:
        return false;
    }
}

bool TXbSmartDBF::ReadExtendValue(const TXbFieldAccess& access, const uint8_t* p, void* out, int outSize) const
{
    const TExtendLayout layout = ExtendLayout(access.Extend);
    const bool visualFoxPro = dbfVersion_ == xBaseVersion::xVisualFoxPro;
    uint8_t value[16] = {};
    switch (layout.Null) {
    case TExtendNull::LeadingByte:
        if (p[0] == ' ')
            return false;
        ++p;
        break;
    case TExtendNull::TopBit:
        if ((p[layout.Size - 1] & 0x80) == 0)
            return false;
        break;
    case TExtendNull::Plain: break;
    }
    if (layout.Size > 0) {
        std::memcpy(value, p, static_cast<size_t>(layout.Size));
        if (layout.Null == TExtendNull::TopBit)
            value[layout.Size - 1] &= 0x7F;
    }
    switch (layout.Value) {
    case TExtendValue::S1: Put(out, static_cast<int16_t>(static_cast<int8_t>(value[0]))); return true;
    case TExtendValue::U1: Put(out, static_cast<uint16_t>(value[0])); return true;
    case TExtendValue::S2: Put(out, Load<int16_t>(value)); return true;
    case TExtendValue::U2: Put(out, Load<uint16_t>(value)); return true;
    case TExtendValue::S4:
    case TExtendValue::U4:
    case TExtendValue::Date:
    case TExtendValue::Time: Put(out, Load<int32_t>(value)); return true;
    case TExtendValue::S8: Put(out, Load<int64_t>(value)); return true;
    case TExtendValue::R4: Put(out, static_cast<double>(Load<float>(value))); return true;
    case TExtendValue::R6: Put(out, DecodeReal48(value)); return true;
    case TExtendValue::R8: Put(out, Load<double>(value)); return true;
    case TExtendValue::R10: Put(out, DecodeExtended(value)); return true;
    case TExtendValue::D1: Put(out, Load<double>(value)); return true;
    case TExtendValue::D2: Put(out, StampFromDateTime(Load<double>(value))); return true;
    case TExtendValue::D3: Put(out, StampFromDateTime(DecodeReal48(value))); return true;
    case TExtendValue::Currency: Put(out, Currency::FromDouble(Load<double>(value)).scaled); return true;
    case TExtendValue::String: {
        const int length = std::min<int>(Load<uint16_t>(p), access.Length);
        if (out != nullptr) {
            const int copied = std::min(length, outSize - 1);
            std::memcpy(out, p + 2, static_cast<size_t>(copied));
            static_cast<char*>(out)[copied] = '\0';
        }
        return true;
    }
    case TExtendValue::FixedChar: {
        if (IsBlank(p, access.Storage))
            return false;
        if (out != nullptr) {
            int length = 0;
            while (length < access.Length && p[length] != 0)
                ++length;
            length = std::min(length, outSize - 1);
            std::memcpy(out, p, static_cast<size_t>(length));
            static_cast<char*>(out)[length] = '\0';
        }
        return true;
    }
    case TExtendValue::Memo:
    case TExtendValue::DataSet:
        if (layout.Null == TExtendNull::Plain && !visualFoxPro && IsBlank(p, access.Storage))
            return false;
        if (out != nullptr && outSize >= access.Storage)
            std::memcpy(out, p, static_cast<size_t>(access.Storage));
        return true;
    case TExtendValue::Wide:
    case TExtendValue::BCD:
    case TExtendValue::None:
        if (out != nullptr)
            DatabaseErrorFmt(SFieldTypeNotSupported, {access.Def != nullptr ? access.Def->Name() : std::string()});
        return access.Storage > 0;
    }
    return false;
}

// A scan reads every field of every record: a number, date or logical field of the browsed
// record is read here without a call, so that the read keeps to the registers a call leaves
// free; every other case (and a number of another shape) goes to the full read, which gives
// the same values.
bool TXbSmartDBF::FetchFieldData(TField& field, void* buffer)
{
    const uint8_t* record = forcedRecord_ == nullptr && State() == TDataSetState::dsBrowse ? CurrentRecordBuffer() : nullptr;
    const TXbFieldAccess* access = FieldAccessOf(field);
    if (record == nullptr || access == nullptr || buffer == nullptr) [[unlikely]]
        return FetchFieldDataInAnyState(field, buffer);
    const uint8_t* p = record + access->Offset;
    switch (access->FastKind) {
    case 2: {
        // Blanks and digits; every other shape (a sign, nothing) goes to the full read.
        int64_t value;
        if (access->PointByte != -1 || !ParseDigitsWord(p + access->Length, access->Length, -1, value))
            break;
        const int32_t number = static_cast<int32_t>(value);
        std::memcpy(buffer, &number, sizeof number);
        return true;
    }
    case 3: {
        // Blanks and digits with the point where the field's decimals put it.
        int64_t mantissa;
        if (access->PointByte < -1 || !ParseDigitsWord(p + access->Length, access->Length, access->PointByte, mantissa))
            break;
        const double value = PlainNumberValue(mantissa, access->PointByte < 0 ? -1 : access->Decimals, false);
        std::memcpy(buffer, &value, sizeof value);
        return true;
    }
    case 4: {
        int32_t value;
        if (!ParseDate(p, value))
            return false;
        std::memcpy(buffer, &value, sizeof value);
        return true;
    }
    case 5: {
        if (p[0] != 'T' && p[0] != 'F')
            return false;
        const int16_t value = p[0] == 'T' ? 1 : 0;
        std::memcpy(buffer, &value, sizeof value);
        return true;
    }
    default: break;
    }
    return FetchFieldDataInAnyState(field, buffer);
}

bool TXbSmartDBF::FetchFieldDataInAnyState(TField& field, void* buffer)
{
    // Browsing is by far the most frequent case; the others go through the full selection.
    const uint8_t* record;
    if (forcedRecord_ == nullptr && State() == TDataSetState::dsBrowse)
        record = IsEmpty() ? nullptr : ActiveBuffer();
    else
        record = ActiveRecordBuffer();
    if (record == nullptr)
        return false;
    if (field.FieldKind() != TFieldKind::fkData) {
        const int size = field.DataSize();
        const uint8_t* place = record + CalcAreaOffset() + field.Offset();
        if (size <= 0 || IsBlank(place, size))
            return false;
        if (buffer != nullptr)
            std::memcpy(buffer, place, static_cast<size_t>(size));
        return true;
    }
    const TXbFieldAccess* access = FieldAccessOf(field);
    if (access == nullptr)
        return false;
    const uint8_t* p = record + access->Offset;
    switch (access->FastKind) {
    case 1: {
        int length = access->Length;
        if (TrimCType) {
            length = TrimmedLength(p, length);
            if (length == 0)
                return false;
        }
        if (buffer != nullptr) {
            length = std::min(length, field.Size());
            std::memcpy(buffer, p, static_cast<size_t>(length));
            static_cast<char*>(buffer)[length] = '\0';
        }
        return true;
    }
    case 2: {
        int64_t value;
        int fraction;
        bool negative;
        if (access->NumberWord && ParseNumberWord(p + access->Length, access->Length, value, fraction, negative)) {
            if (fraction >= 0)
                return false;
        } else if (!ParseInteger(p, access->Length, value) || value < INT32_MIN || value > INT32_MAX)
            return false;
        Put(buffer, static_cast<int32_t>(value));
        return true;
    }
    case 3: {
        double value;
        int64_t mantissa;
        int fraction;
        bool negative;
        if (access->NumberWord && ParseNumberWord(p + access->Length, access->Length, mantissa, fraction, negative))
            value = PlainNumberValue(mantissa, fraction, negative);
        else if (!ParseFloat(p, access->Length, value))
            return false;
        Put(buffer, value);
        return true;
    }
    case 4: {
        int32_t value;
        if (!ParseDate(p, value))
            return false;
        Put(buffer, value);
        return true;
    }
    case 5:
        if (p[0] != 'T' && p[0] != 'F')
            return false;
        Put(buffer, static_cast<int16_t>(p[0] == 'T' ? 1 : 0));
        return true;
    default: return ReadFieldValue(*access, record, buffer, field.DataSize());
    }
}

// The text of a character field of the browsed record, as FetchFieldTextInAnyState gives it,
// without a call while the text fits the caller's string and needs no translation.
TFieldTextFetch TXbSmartDBF::FetchFieldText(TField& field, std::string& value, bool translate)
{
    const uint8_t* record = forcedRecord_ == nullptr && State() == TDataSetState::dsBrowse ? CurrentRecordBuffer() : nullptr;
    const TXbFieldAccess* access = FieldAccessOf(field);
    if (record == nullptr || access == nullptr || access->FastKind != 1 || (translate && OEM)) [[unlikely]]
        return FetchFieldTextInAnyState(field, value, translate);
    const uint8_t* p = record + access->Offset;
    int length = access->Length;
    if (TrimCType) {
        length = TrimmedLength(p, length);
        if (length == 0)
            return TFieldTextFetch::tfNull;
    }
    length = std::max(std::min(length, field.Size()), 0);
    length = LengthBeforeNul(p, length);
    if (static_cast<size_t>(length) > value.size())
        return AssignLongerFieldText(value, p, static_cast<size_t>(length));
    AssignFieldText(value, p, static_cast<size_t>(length));
    return TFieldTextFetch::tfText;
}

TFieldTextFetch TXbSmartDBF::FetchFieldTextInAnyState(TField& field, std::string& value, bool translate)
{
    const uint8_t* record;
    if (forcedRecord_ == nullptr && State() == TDataSetState::dsBrowse)
        record = IsEmpty() ? nullptr : ActiveBuffer();
    else
        record = ActiveRecordBuffer();
    if (record == nullptr)
        return TFieldTextFetch::tfNull;
    const TXbFieldAccess* access = field.FieldKind() == TFieldKind::fkData ? FieldAccessOf(field) : nullptr;
    if (access == nullptr || access->FastKind != 1)
        return TFieldTextFetch::tfUnsupported;
    const uint8_t* p = record + access->Offset;
    int length = access->Length;
    if (TrimCType) {
        length = TrimmedLength(p, length);
        if (length == 0)
            return TFieldTextFetch::tfNull;
    }
    length = std::max(std::min(length, field.Size()), 0);
    // Like the NUL-terminated buffer of FetchFieldData, the text ends at a NUL byte.
    length = LengthBeforeNul(p, length);
    AssignFieldText(value, p, static_cast<size_t>(length));
    if (translate && OEM)
        OemToAnsiBuff(value.data(), value.size());
    return TFieldTextFetch::tfText;
}

// ---------------------------------------------------------------------------------------------
// Writing

void TXbSmartDBF::PutFieldData(TField& field, const void* buffer)
{
    const TDataSetState state = State();
    if (field.ReadOnly() && state != TDataSetState::dsSetKey && state != TDataSetState::dsFilter)
        DatabaseErrorFmt(SFieldReadOnly, {field.DisplayName()});
    if (field.OnValidate)
        field.Validate(buffer);
    // An edit or an append writes the active buffer (the common case, without the general
    // choice of buffer by state).
    uint8_t* record = forcedRecord_ == nullptr && (state == TDataSetState::dsInsert || state == TDataSetState::dsEdit)
                          ? ActiveBuffer()
                          : ActiveRecordBuffer();
    if (record == nullptr)
        DatabaseError(SNotEditing);
    if (field.FieldKind() != TFieldKind::fkData) {
        const int size = field.DataSize();
        uint8_t* place = record + CalcAreaOffset() + field.Offset();
        if (buffer != nullptr)
            std::memcpy(place, buffer, static_cast<size_t>(size));
        else
            std::memset(place, ' ', static_cast<size_t>(size));
    } else {
        const TXbFieldAccess* access = FieldAccessOf(field);
        if (access == nullptr)
            DatabaseErrorFmt(SFieldNotFound, {field.FieldName()});
        WriteFieldValue(*access, record, buffer, &field);
    }
    if (state != TDataSetState::dsCalcFields && state != TDataSetState::dsFilter &&
        state != TDataSetState::dsNewValue)
        DataEvent(TDataEvent::deFieldChange, {&field, 0});
}

bool TXbSmartDBF::PutFieldText(TField& field, const char* text, size_t length, bool translate)
{
    // An edit or an append of a plain character field (no null flag, no translation, no
    // OnValidate that would read the value): the text goes straight into the active buffer.
    // Everything else takes the general way.
    const TDataSetState state = State();
    if ((state != TDataSetState::dsInsert && state != TDataSetState::dsEdit) || forcedRecord_ != nullptr ||
        field.ReadOnly() || field.OnValidate || (translate && OEM) || field.FieldKind() != TFieldKind::fkData)
        return false;
    const TXbFieldAccess* access = FieldAccessOf(field);
    uint8_t* record = ActiveBuffer();
    if (access == nullptr || access->FastKind != 1 || record == nullptr)
        return false;
    uint8_t* p = record + access->Offset;
    const size_t width = static_cast<size_t>(access->Length);
    length = std::min(length, width);
    std::memcpy(p, text, length);
    std::memset(p + length, ' ', width - length);
    DataEvent(TDataEvent::deFieldChange, {&field, 0});
    return true;
}

void TXbSmartDBF::WriteFieldValue(const TXbFieldAccess& access, uint8_t* record, const void* value,
                                  const TField* field)
{
    uint8_t* p = record + access.Offset;
    const char type = access.Type;
    const bool visualFoxPro = dbfVersion_ == xBaseVersion::xVisualFoxPro;
    // The field's name is only wanted for an error message: built then, not on every write.
    const auto name = [&]() -> std::string {
        return field != nullptr ? field->DisplayName() : (access.Def ? access.Def->Name() : "");
    };

    if (value == nullptr) {
        if (access.NullOffset >= 0) {
            record[access.NullOffset] |= access.NullMask;
            if (type == 'G' || type == 'M' || type == 'P')
                std::memset(p, 0, 4);
            return;
        }
        switch (type) {
        case 'I':
        case '+': std::memset(p, 0, 4); return;
        case '@':
        case 'O': std::memset(p, 0, 8); return;
        case 'Y':
            // Binary, as the blank record holds it: no value is zero.
            std::memset(p, 0, 8);
            return;
        case 'M':
        case 'G':
        case 'P':
            // A Visual FoxPro reference is a 4-byte block number: no memo is block 0.
            std::memset(p, visualFoxPro ? 0 : ' ', static_cast<size_t>(access.Storage));
            return;
        case 'E': {
            const TExtendLayout layout = ExtendLayout(access.Extend);
            if (layout.Null == TExtendNull::LeadingByte) {
                std::memset(p, ' ', static_cast<size_t>(std::min(2, access.Storage)));
            } else if (layout.Null == TExtendNull::TopBit) {
                if (visualFoxPro && (layout.Value == TExtendValue::Memo || layout.Value == TExtendValue::DataSet))
                    std::memset(p, 0, 4);
                else
                    p[layout.Size - 1] &= 0x7F;
            } else if (layout.Value == TExtendValue::FixedChar ||
                       (!visualFoxPro && (layout.Value == TExtendValue::Memo || layout.Value == TExtendValue::DataSet))) {
                std::memset(p, ' ', static_cast<size_t>(access.Storage));
            }
            return;
        }
        default: std::memset(p, ' ', static_cast<size_t>(access.Storage)); return;
        }
    }

    // Everything that can refuse the value is worked out before the record is touched.
    uint8_t image[64];
    const uint8_t* source = image;
    int count = access.Storage;
    switch (type) {
    case 'C':
        if (access.DataType == TFieldType::ftBytes) {
            source = static_cast<const uint8_t*>(value);
            break;
        } else {
            const char* text = static_cast<const char*>(value);
            const size_t length = strnlen(text, static_cast<size_t>(access.Length));
            if (access.NullOffset >= 0)
                record[access.NullOffset] &= static_cast<uint8_t>(~access.NullMask);
            std::memcpy(p, text, length);
            std::memset(p + length, ' ', static_cast<size_t>(access.Length) - length);
            return;
        }
    case 'N':
    case 'F': {
        char text[400];
        std::to_chars_result result{};
        switch (access.DataType) {
        case TFieldType::ftFloat: {
            const double number = Load<double>(static_cast<const uint8_t*>(value));
            if (!std::isfinite(number))
                DatabaseErrorFmt(SFieldValueError, {name()});
            result = FixedDecimals(text, text + sizeof text, number, access.Decimals);
            break;
        }
        case TFieldType::ftLargeint: result = std::to_chars(text, text + sizeof text, Load<int64_t>(value)); break;
        case TFieldType::ftSmallint: result = std::to_chars(text, text + sizeof text, Load<int16_t>(value)); break;
        case TFieldType::ftWord: result = std::to_chars(text, text + sizeof text, Load<uint16_t>(value)); break;
        default: result = std::to_chars(text, text + sizeof text, Load<int32_t>(value)); break;
        }
        if (result.ec != std::errc())
            DatabaseErrorFmt(SFieldValueError, {name()});
        std::string_view written(text, static_cast<size_t>(result.ptr - text));
        // A negative number that rounds to zero is stored without its sign.
        if (written.size() > 1 && written[0] == '-' && written.find_first_not_of("-0.") == std::string_view::npos)
            written.remove_prefix(1);
        if (written.size() > static_cast<size_t>(access.Length)) {
            std::string low;
            std::string high;
            NumberFieldRange(access.Length, access.Decimals, low, high);
            DatabaseErrorFmt(SFieldRangeError, {std::string(written), name(), low, high});
        }
        if (access.NullOffset >= 0)
            record[access.NullOffset] &= static_cast<uint8_t>(~access.NullMask);
        const size_t pad = static_cast<size_t>(access.Length) - written.size();
        std::memset(p, ' ', pad);
        std::memcpy(p + pad, written.data(), written.size());
        return;
    }
    case 'D':
        // The common width straight into the record (FormatDate writes nothing when it
        // refuses the date), other widths through the image.
        if (!FormatDate(Load<int32_t>(value), count == 8 ? p : image))
            DatabaseErrorFmt(SFieldValueError, {name()});
        if (count == 8) {
            if (access.NullOffset >= 0)
                record[access.NullOffset] &= static_cast<uint8_t>(~access.NullMask);
            return;
        }
        break;
    case 'L': image[0] = Load<int16_t>(value) != 0 ? 'T' : 'F'; break;
    case 'M':
    case 'G':
    case 'P':
        source = static_cast<const uint8_t*>(value);
        break;
    case 'B':
        source = static_cast<const uint8_t*>(value);
        break;
    case 'T': {
        const double stamp = Load<double>(value);
        if (!std::isfinite(stamp))
            DatabaseErrorFmt(SFieldValueError, {name()});
        const int64_t milliseconds = std::llround(stamp);
        int64_t days = milliseconds / kDayMilliseconds;
        int64_t rest = milliseconds % kDayMilliseconds;
        if (rest < 0) {
            rest += kDayMilliseconds;
            --days;
        }
        Store(image, static_cast<uint32_t>(days + kJulianDayBase));
        Store(image + 4, static_cast<uint32_t>(rest));
        break;
    }
    case 'Y': Store(image, Load<int64_t>(value)); break;
    case 'I':
    case '+': {
        if (access.DataType == TFieldType::ftAutoInc && !addingAutoValues_)
            return;
        const int32_t number = Load<int32_t>(value);
        if (AtLeastFoxPro())
            Store(image, number);
        else
            Store(image, SwapBytes32(static_cast<uint32_t>(number) ^ 0x80000000u));
        break;
    }
    case '@': {
        uint64_t bits;
        std::memcpy(&bits, value, 8);
        Store(image, SwapBytes64(bits));
        break;
    }
    case 'O': EncodeOrderedDouble(image, Load<double>(value)); break;
    case '0': source = static_cast<const uint8_t*>(value); break;
    case 'E':
        WriteExtendValue(access, p, value, name());
        if (access.NullOffset >= 0)
            record[access.NullOffset] &= static_cast<uint8_t>(~access.NullMask);
        return;
    default: return;
    }
    if (access.NullOffset >= 0)
        record[access.NullOffset] &= static_cast<uint8_t>(~access.NullMask);
    std::memcpy(p, source, static_cast<size_t>(count));
}

void TXbSmartDBF::WriteExtendValue(const TXbFieldAccess& access, uint8_t* p, const void* value,
                                   const std::string& name)
{
    const TExtendLayout layout = ExtendLayout(access.Extend);
    uint8_t image[16] = {};
    const uint8_t* in = static_cast<const uint8_t*>(value);
    switch (layout.Value) {
    case TExtendValue::S1: image[0] = static_cast<uint8_t>(Load<int16_t>(in)); break;
    case TExtendValue::U1: image[0] = static_cast<uint8_t>(Load<uint16_t>(in)); break;
    case TExtendValue::S2:
    case TExtendValue::U2: std::memcpy(image, in, 2); break;
    case TExtendValue::S4:
    case TExtendValue::U4:
    case TExtendValue::Date:
    case TExtendValue::Time: std::memcpy(image, in, 4); break;
    case TExtendValue::S8: std::memcpy(image, in, 8); break;
    case TExtendValue::R4: Store(image, static_cast<float>(Load<double>(in))); break;
    case TExtendValue::R6: EncodeReal48(image, Load<double>(in)); break;
    case TExtendValue::R8:
    case TExtendValue::D1: std::memcpy(image, in, 8); break;
    case TExtendValue::R10: EncodeExtended(image, Load<double>(in)); break;
    case TExtendValue::D2: Store(image, DateTimeFromStamp(Load<double>(in))); break;
    case TExtendValue::D3: EncodeReal48(image, DateTimeFromStamp(Load<double>(in))); break;
    case TExtendValue::Currency: {
        Currency currency;
        currency.scaled = Load<int64_t>(in);
        Store(image, currency.ToDouble());
        break;
    }
    case TExtendValue::String: {
        const char* text = static_cast<const char*>(value);
        const size_t length = strnlen(text, static_cast<size_t>(access.Length));
        uint8_t* target = p + (layout.Null == TExtendNull::LeadingByte ? 1 : 0);
        if (layout.Null == TExtendNull::LeadingByte)
            p[0] = 1;
        Store(target, static_cast<uint16_t>(length));
        std::memcpy(target + 2, text, length);
        std::memset(target + 2 + length, 0, static_cast<size_t>(access.Length) - length);
        return;
    }
    case TExtendValue::FixedChar: {
        const char* text = static_cast<const char*>(value);
        const size_t length = strnlen(text, static_cast<size_t>(access.Length));
        std::memcpy(p, text, length);
        std::memset(p + length, 0, static_cast<size_t>(access.Storage) - length);
        return;
    }
    case TExtendValue::Memo:
    case TExtendValue::DataSet:
        std::memcpy(p, value, static_cast<size_t>(access.Storage));
        if (layout.Null == TExtendNull::TopBit)
            p[access.Storage - 1] |= 0x80;
        return;
    case TExtendValue::Wide:
    case TExtendValue::BCD:
    case TExtendValue::None: DatabaseErrorFmt(SFieldTypeNotSupported, {name});
    }
    if (layout.Null == TExtendNull::LeadingByte) {
        p[0] = 1;
        std::memcpy(p + 1, image, static_cast<size_t>(layout.Size));
    } else {
        if (layout.Null == TExtendNull::TopBit)
            image[layout.Size - 1] |= 0x80;
        std::memcpy(p, image, static_cast<size_t>(layout.Size));
    }
}

void TXbSmartDBF::InternalBlankRecord(TRecordBuffer buffer)
{
    // The blank fields come from an image made once for the layout in force.
    if (blankImage_.size() != static_cast<size_t>(recordSize_) || blankMemoKind_ != memoKind_ ||
        blankVersion_ != dbfVersion_)
        BuildBlankImage();
    std::memcpy(buffer, blankImage_.data(), blankImage_.size());
    std::memset(buffer + recordSize_ + 6, ' ', static_cast<size_t>(CalcFieldsSize()));
    std::memset(buffer + recordSize_, 0, 4);
    buffer[recordSize_ + 4] = 2;
    buffer[recordSize_ + 5] = static_cast<uint8_t>(TBookmarkFlag::bfInserted);
}

void TXbSmartDBF::BuildBlankImage()
{
    blankImage_.assign(static_cast<size_t>(recordSize_), ' ');
    blankMemoKind_ = memoKind_;
    blankVersion_ = dbfVersion_;
    uint8_t* buffer = blankImage_.data();
    const bool foxMemo = memoKind_ == TXbMemoKind::FoxPro || memoKind_ == TXbMemoKind::VisualFoxPro ||
                         dbfVersion_ == xBaseVersion::xVisualFoxPro;
    for (const TXbFieldAccess& access : fieldMap_) {
        uint8_t* p = buffer + access.Offset;
        switch (access.Type) {
        case '0': std::memset(p, 0xFF, static_cast<size_t>(access.Storage)); break;
        case 'I':
        case '+': std::memset(p, 0, 4); break;
        case '@':
        case 'O':
        case 'Y':
        case 'T': std::memset(p, 0, 8); break;
        case 'B':
            if (foxMemo && dbfVersion_ == xBaseVersion::xVisualFoxPro)
                std::memset(p, 0, 8);
            break;
        case 'G':
        case 'M':
        case 'P':
            if (foxMemo && dbfVersion_ == xBaseVersion::xVisualFoxPro)
                std::memset(p, 0, 4);
            break;
        case 'E': {
            const TExtendValue value = ExtendLayout(access.Extend).Value;
            if (foxMemo && dbfVersion_ == xBaseVersion::xVisualFoxPro &&
                (value == TExtendValue::Memo || value == TExtendValue::DataSet))
                std::memset(p, 0, static_cast<size_t>(std::min(4, access.Storage)));
            break;
        }
        default: break;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// OEM translation

int TXbSmartDBF::TranslateOem(const char* source, char* dest, bool toOem)
{
    if (!OEM)
        return TDataSet::TranslateOem(source, dest, toOem);
    if (source == nullptr)
        return 0;
    const size_t length = std::strlen(source);
    if (source != dest)
        std::memmove(dest, source, length + 1);
    if (toOem)
        AnsiToOemBuff(dest, length);
    else
        OemToAnsiBuff(dest, length);
    return static_cast<int>(length);
}

void TXbSmartDBF::TranslateOemInPlace(char* text, size_t length, bool toOem)
{
    if (!OEM || text == nullptr)
        return;
    if (toOem)
        AnsiToOemBuff(text, length);
    else
        OemToAnsiBuff(text, length);
}

int TXbSmartDBF::TranslateOemBuff(const char* source, char* dest, int count, bool toOem)
{
    if (source == nullptr || dest == nullptr || count <= 0)
        return OEM ? 0 : std::max(count, 0);
    if (source != dest)
        std::memmove(dest, source, static_cast<size_t>(count));
    if (OEM) {
        if (toOem)
            AnsiToOemBuff(dest, static_cast<size_t>(count));
        else
            OemToAnsiBuff(dest, static_cast<size_t>(count));
    }
    return count;
}
