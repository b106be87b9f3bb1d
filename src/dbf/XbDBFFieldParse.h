#pragma once
// The texts of stored field values read where they lie in a record image: numbers of 'N' and
// 'F' fields, dates of 'D' fields and character fields without their trailing blanks. Shared
// by the field operations and the compiled filter so that both read a value alike.

#include <bit>
#include <cstdint>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace XbDBFFieldParse {

// The framework's date number (0001-01-01 is day 1) is the 1970-based day plus this.
constexpr int64_t kDateNumberOf1970 = 719163;

// Days from 1970-01-01 of a proleptic Gregorian date.
[[gnu::always_inline]] inline int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) noexcept
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

// Length of the text at p without its trailing blanks.
[[gnu::always_inline]] inline int TrimmedLength(const uint8_t* p, int n) noexcept
{
#ifdef __SSE2__
    // Sixteen bytes at a time from the end: the highest byte that is not a blank ends the text.
    const __m128i blanks16 = _mm_set1_epi8(' ');
    while (n >= 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n - 16));
        const unsigned others = ~static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, blanks16))) & 0xFFFFu;
        if (others != 0)
            return n - 16 + (31 - __builtin_clz(others)) + 1;
        n -= 16;
    }
#endif
    constexpr uint64_t kBlanks = 0x2020202020202020ull;
    while (n >= 8) {
        uint64_t word;
        std::memcpy(&word, p + n - 8, 8);
        if (word != kBlanks) {
            // The last byte of the text is the word's most significant byte on this
            // little-endian machine: count the blank bytes above the first other one.
            if constexpr (std::endian::native == std::endian::little)
                return n - (__builtin_clzll(word ^ kBlanks) >> 3);
            break;
        }
        n -= 8;
    }
    while (n > 0 && p[n - 1] == ' ')
        --n;
    return n;
}

// The general readers of a number text (blanks around it, a leading "+", any form
// std::from_chars takes); false when the text is blank or does not read whole as such a number.
bool ParseIntegerSlow(const uint8_t* p, int n, int64_t& value) noexcept;
bool ParseFloatSlow(const uint8_t* p, int n, double& value) noexcept;

// The common shape of a stored number, blanks, an optional "-", at most 15 digits with at most
// one "." among them, blanks, read in one pass. Anything else (and a result that might not be
// exact) is left to from_chars. `fractionDigits` is -1 when there was no point.
[[gnu::always_inline]] inline bool ParsePlainNumber(const uint8_t* p, int n, int64_t& mantissa, int& fractionDigits, bool& negative) noexcept
{
    int i = 0;
    while (i < n && p[i] == ' ')
        ++i;
    negative = false;
    if (i < n && p[i] == '-') {
        negative = true;
        ++i;
    }
    int64_t m = 0;
    int digits = 0;
    int fraction = -1;
    // Digits past the fifteenth are counted, not added: such a text goes to from_chars.
    for (; i < n; ++i) {
        const unsigned digit = static_cast<unsigned>(p[i]) - '0';
        if (digit > 9)
            break;
        if (++digits <= 15)
            m = m * 10 + digit;
    }
    if (i < n && p[i] == '.') {
        fraction = 0;
        for (++i; i < n; ++i) {
            const unsigned digit = static_cast<unsigned>(p[i]) - '0';
            if (digit > 9)
                break;
            if (++digits <= 15)
                m = m * 10 + digit;
            ++fraction;
        }
    }
    if (digits == 0 || digits > 15)
        return false;
    while (i < n && p[i] == ' ')
        ++i;
    if (i != n)
        return false;
    mantissa = negative ? -m : m;
    fractionDigits = fraction;
    return true;
}

[[gnu::always_inline]] inline bool ParseInteger(const uint8_t* p, int n, int64_t& value) noexcept
{
    int64_t mantissa;
    int fraction;
    bool negative;
    if (ParsePlainNumber(p, n, mantissa, fraction, negative)) {
        if (fraction >= 0)
            return false;
        value = mantissa;
        return true;
    }
    return ParseIntegerSlow(p, n, value);
}

// The value of a plain number's parts (at most 15 digits).
[[gnu::always_inline]] inline double PlainNumberValue(int64_t mantissa, int fraction, bool negative) noexcept
{
    static constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13,
                                         1e14, 1e15};
    // Both operands are exact, so the quotient is the correctly rounded decimal value.
    if (negative && mantissa == 0)
        return -0.0;
    return fraction > 0 ? static_cast<double>(mantissa) / kPowers[fraction] : static_cast<double>(mantissa);
}

[[gnu::always_inline]] inline bool ParseFloat(const uint8_t* p, int n, double& value) noexcept
{
    int64_t mantissa;
    int fraction;
    bool negative;
    if (ParsePlainNumber(p, n, mantissa, fraction, negative)) {
        value = PlainNumberValue(mantissa, fraction, negative);
        return true;
    }
    return ParseFloatSlow(p, n, value);
}

// A number text of at most eight bytes read as one word, without a branch per byte: the
// common shape of a right-aligned stored number, blanks, an optional "-", digits with at most
// one "." among them and no blank after them. `end` is the byte after the text; the eight bytes
// before it must be readable (the bytes before the text are ignored). False when the text has
// another shape: the byte-wise readers above decide those. Gives the same mantissa, fraction
// digits (-1 without a point) and sign as ParsePlainNumber.
[[gnu::always_inline]] inline bool ParseNumberWord(const uint8_t* end, int n, int64_t& mantissa, int& fractionDigits,
                                                   bool& negative) noexcept
{
    if constexpr (std::endian::native != std::endian::little)
        return false;
    constexpr uint64_t kHigh = 0x8080808080808080ull;
    constexpr uint64_t kBlanks = 0x2020202020202020ull;
    // The flag bit of each byte equal to the byte `c`, without carries between the bytes.
    auto equalBytes = [](uint64_t word, uint64_t c) noexcept {
        const uint64_t x = word ^ c;
        return ~(((x & ~kHigh) + ~kHigh) | x) & kHigh;
    };
    uint64_t word;
    std::memcpy(&word, end - 8, 8);
    // The bytes before the text read as blanks (the text is the word's top n bytes).
    const int outside = 8 - n;
    if (outside > 0) {
        const uint64_t below = ~0ull >> (8 * n);
        word = (word & ~below) | (kBlanks & below);
    }
    const uint64_t blanks = equalBytes(word, kBlanks);
    const uint64_t nonBlanks = ~blanks & kHigh;
    if (nonBlanks == 0)
        return false;
    // Blanks first; a blank after the first other byte fails the digit test below.
    const int first = __builtin_ctzll(nonBlanks) >> 3;
    negative = ((word >> (8 * first)) & 0xFF) == '-';
    int start = first + (negative ? 1 : 0);
    if (start == 8)
        return false;
    // Digits, and at most one ".", from `start` to the end. A digit byte xor '0' is its value;
    // every other byte gives 10 or more.
    const uint64_t values = word ^ 0x3030303030303030ull;
    const uint64_t nonDigits = (((values & ~kHigh) + 0x7676767676767676ull) | values) & kHigh;
    const uint64_t points = equalBytes(word, 0x2E2E2E2E2E2E2E2Eull);
    const uint64_t tail = ~0ull << (8 * start);
    if (((nonDigits & ~points) & tail) != 0)
        return false;
    uint64_t digits = values;
    int fraction = -1;
    if (const uint64_t point = points & tail; point != 0) {
        if ((point & (point - 1)) != 0)
            return false;
        const int at = __builtin_ctzll(point) >> 3;
        fraction = 7 - at;
        // Close the gap: the digits before the point move up one byte.
        const uint64_t before = at == 0 ? 0 : ~0ull >> (64 - 8 * at);
        digits = (digits & ~(before | (0xFFull << (8 * at)))) | ((digits & before) << 8);
        ++start;
        if (start == 8)
            return false;  // a lone "." (or "-.")
    }
    // Leading zeros in place of the bytes before the first digit.
    digits &= ~0ull << (8 * start);
    digits = (digits * 10 + (digits >> 8)) & 0x00FF00FF00FF00FFull;
    digits = (digits * 100 + (digits >> 16)) & 0x0000FFFF0000FFFFull;
    digits = (digits * 10000 + (digits >> 32)) & 0xFFFFFFFFull;
    const int64_t m = static_cast<int64_t>(digits);
    mantissa = negative ? -m : m;
    fractionDigits = fraction;
    return true;
}

// The most common stored number in fewer steps than ParseNumberWord: blanks, then digits up to
// the end of its n bytes (at most eight; the eight bytes before `end` readable), with a point
// at byte `pointByte` of the word when that is 0 to 7 (7 - the field's decimals: the point where
// the field's own decimals put it) and none when it is -1. False for every other text (a sign,
// a point elsewhere, blanks after the digits, only blanks): ParseNumberWord decides those.
// `value` is the digits as one number, as ParseNumberWord's mantissa.
[[gnu::always_inline]] inline bool ParseDigitsWord(const uint8_t* end, int n, int pointByte, int64_t& value) noexcept
{
    if constexpr (std::endian::native != std::endian::little)
        return false;
    constexpr uint64_t kHigh = 0x8080808080808080ull;
    constexpr uint64_t kBlanks = 0x2020202020202020ull;
    uint64_t word;
    std::memcpy(&word, end - 8, 8);
    if (n < 8) {
        // The bytes before the text read as blanks (the text is the word's top n bytes).
        const uint64_t below = ~0ull >> (8 * n);
        word = (word & ~below) | (kBlanks & below);
    }
    // A digit byte xor '0' is its value; a blank gives 0x10.
    uint64_t values = word ^ 0x3030303030303030ull;
    uint64_t fraction = 0;  // the bytes after the point: digits only
    if (pointByte >= 0) {
        if (((word >> (8 * pointByte)) & 0xFF) != '.')
            return false;
        // The point leaves the digits: the bytes before it move up one byte, a blank comes in
        // at the bottom.
        const uint64_t before = (1ull << (8 * pointByte)) - 1;
        const uint64_t after = ~(before | (0xFFull << (8 * pointByte)));
        values = ((values & before) << 8) | (values & after) | 0x10;
        fraction = after;
    }
    const uint64_t nonDigits = (((values & ~kHigh) + 0x7676767676767676ull) | values) & kHigh;
    const uint64_t x = values ^ 0x1010101010101010ull;
    const uint64_t blanks = ~(((x & ~kHigh) + ~kHigh) | x) & kHigh;
    if (nonDigits != blanks || (nonDigits & fraction) != 0)
        return false;  // a byte that is neither digit nor blank, or a blank after the point
    // The blanks must be the low bytes only, and not all of them.
    const uint64_t leading = (blanks >> 7) * 0xFF;
    if ((leading & (leading + 1)) != 0 || leading == ~0ull)
        return false;
    uint64_t digits = values & ~leading;
    digits = (digits * 10 + (digits >> 8)) & 0x00FF00FF00FF00FFull;
    digits = (digits * 100 + (digits >> 16)) & 0x0000FFFF0000FFFFull;
    digits = (digits * 10000 + (digits >> 32)) & 0xFFFFFFFFull;
    value = static_cast<int64_t>(digits);
    return true;
}

// Eight digits YYYYMMDD as the framework's date number; false for blanks or a day that does
// not exist.
[[gnu::always_inline]] inline bool ParseDate(const uint8_t* p, int32_t& value) noexcept
{
    int year;
    int month;
    int day;
    if constexpr (std::endian::native == std::endian::little) {
        // All eight bytes at once: each must be '0' to '9' (high nibble 3 before and after
        // adding 6), then the digit pairs are combined in the 16-bit lanes.
        constexpr uint64_t kHighNibbles = 0xF0F0F0F0F0F0F0F0ull;
        constexpr uint64_t kZeros = 0x3030303030303030ull;
        uint64_t word;
        std::memcpy(&word, p, 8);
        if ((word & kHighNibbles) != kZeros || ((word + 0x0606060606060606ull) & kHighNibbles) != kZeros)
            return false;
        uint64_t digits = word - kZeros;
        digits = (digits * 10 + (digits >> 8)) & 0x00FF00FF00FF00FFull;
        year = static_cast<int>(digits & 0xFF) * 100 + static_cast<int>((digits >> 16) & 0xFF);
        month = static_cast<int>((digits >> 32) & 0xFF);
        day = static_cast<int>((digits >> 48) & 0xFF);
    } else {
        int digits[8];
        for (int i = 0; i < 8; ++i) {
            if (p[i] < '0' || p[i] > '9')
                return false;
            digits[i] = p[i] - '0';
        }
        year = digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3];
        month = digits[4] * 10 + digits[5];
        day = digits[6] * 10 + digits[7];
    }
    static constexpr int kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || month < 1 || month > 12 || day < 1)
        return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (day > kMonthDays[month - 1] + (month == 2 && leap ? 1 : 0))
        return false;
    value = static_cast<int32_t>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
                                 kDateNumberOf1970);
    return true;
}

// Length of the text before its first NUL byte; n when it holds none.
[[gnu::always_inline]] inline int LengthBeforeNul(const uint8_t* p, int n) noexcept
{
    int i = 0;
#ifdef __SSE2__
    if (n >= 16) {
        const __m128i zeros16 = _mm_setzero_si128();
        auto firstNul = [p, zeros16](int at) noexcept {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at));
            const unsigned zeros = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, zeros16)));
            return zeros != 0 ? at + __builtin_ctz(zeros) : -1;
        };
        for (; i + 16 <= n; i += 16)
            if (const int at = firstNul(i); at >= 0)
                return at;
        // The last bytes in one block that overlaps the ones already looked at.
        if (i < n)
            if (const int at = firstNul(n - 16); at >= 0)
                return at;
        return n;
    }
#endif
    if constexpr (std::endian::native == std::endian::little) {
        // The lowest flagged byte of a word is its first NUL (flags above it may be false).
        auto firstNul = [p](int at) noexcept {
            uint64_t word;
            std::memcpy(&word, p + at, 8);
            const uint64_t zeros = (word - 0x0101010101010101ull) & ~word & 0x8080808080808080ull;
            return zeros != 0 ? at + (__builtin_ctzll(zeros) >> 3) : -1;
        };
        if (n >= 8) {
            for (; i + 8 <= n; i += 8)
                if (const int at = firstNul(i); at >= 0)
                    return at;
            // The last bytes in one word that overlaps the ones already looked at.
            if (i < n)
                if (const int at = firstNul(n - 8); at >= 0)
                    return at;
            return n;
        }
    }
    for (; i < n; ++i)
        if (p[i] == 0)
            return i;
    return n;
}

}  // namespace XbDBFFieldParse
