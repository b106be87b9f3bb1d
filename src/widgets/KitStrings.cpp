#include "widgets/KitStrings.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"

namespace {

constexpr uint16_t kKeyMultiplier = 52845;
constexpr uint16_t kKeyIncrement = 22719;
constexpr char kFirstDigit = '0';  // the 64 text digits are '0' .. 'o'
constexpr char kLastDigit = 'o';

uint16_t NextKey(uint16_t key, unsigned char coded)
{
    return static_cast<uint16_t>(static_cast<uint16_t>(key + coded) * kKeyMultiplier + kKeyIncrement);
}

}  // namespace

std::string KitEncodeKeyed(std::string_view text, uint16_t key)
{
    std::string result(text);
    for (char& c : result) {
        const auto coded = static_cast<unsigned char>(static_cast<unsigned char>(c) ^ (key >> 8));
        c = static_cast<char>(coded);
        key = NextKey(key, coded);
    }
    return result;
}

std::string KitDecodeKeyed(std::string_view text, uint16_t key)
{
    std::string result(text);
    for (char& c : result) {
        const auto coded = static_cast<unsigned char>(c);
        c = static_cast<char>(coded ^ (key >> 8));
        key = NextKey(key, coded);
    }
    return result;
}

std::string KitTextEncode(std::string_view bytes)
{
    std::string padded(bytes);
    padded.append((3 - padded.size() % 3) % 3, ' ');
    std::string result = std::to_string(bytes.size()) + ":";
    result.reserve(result.size() + padded.size() / 3 * 4);
    for (size_t i = 0; i < padded.size(); i += 3) {
        const auto b0 = static_cast<unsigned char>(padded[i]);
        const auto b1 = static_cast<unsigned char>(padded[i + 1]);
        const auto b2 = static_cast<unsigned char>(padded[i + 2]);
        const uint32_t d = (uint32_t{b0} << 16) | (uint32_t{b1} << 8) | b2;
        result += static_cast<char>(b0 / 4 + kFirstDigit);
        result += static_cast<char>(((d >> 12) & 63) + kFirstDigit);
        result += static_cast<char>(((d >> 6) & 63) + kFirstDigit);
        result += static_cast<char>((b2 & 63) + kFirstDigit);
    }
    return result;
}

bool KitTryTextDecode(std::string_view text, std::string& bytes)
{
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 9) {
        return false;
    }
    size_t length = 0;
    for (size_t i = 0; i < colon; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        length = length * 10 + static_cast<size_t>(text[i] - '0');
    }
    const std::string_view digits = text.substr(colon + 1);
    if (digits.size() % 4 != 0 || digits.size() / 4 != (length + 2) / 3) {
        return false;
    }
    std::string result;
    result.reserve(digits.size() / 4 * 3);
    for (size_t i = 0; i < digits.size(); i += 4) {
        uint32_t d = 0;
        for (size_t k = 0; k < 4; ++k) {
            const char c = digits[i + k];
            if (c < kFirstDigit || c > kLastDigit) {
                return false;
            }
            d = d * 64 + static_cast<uint32_t>(c - kFirstDigit);
        }
        result += static_cast<char>((d >> 16) & 255);
        result += static_cast<char>((d >> 8) & 255);
        result += static_cast<char>(d & 255);
    }
    result.resize(length);
    bytes = std::move(result);
    return true;
}

std::string KitTextDecode(std::string_view text)
{
    std::string bytes;
    if (!KitTryTextDecode(text, bytes)) {
        throw EConvertError("Invalid encoded string");
    }
    return bytes;
}

bool KitIsBlank(std::string_view text)
{
    return text.find_first_not_of(' ') == std::string_view::npos;
}

std::string KitTrim(std::string_view text)
{
    return Trim(text);
}

std::string KitReplaceChar(std::string_view text, char from, char to)
{
    std::string result(text);
    for (char& c : result) {
        if (c == from) {
            c = to;
        }
    }
    return result;
}

std::string KitIncludeBackslash(std::string_view path, char separator)
{
    std::string result(path);
    if (KitIsBlank(path) || result.back() != separator) {
        result += separator;
    }
    return result;
}

std::string KitExcludeBackslash(std::string_view path, char separator)
{
    std::string result(path);
    if (!KitIsBlank(path) && result.back() == separator) {
        result.pop_back();
    }
    return result;
}
