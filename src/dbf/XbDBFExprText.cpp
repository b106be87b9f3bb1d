#include "dbf/XbDBFExprText.h"

#include "platform/rtl/Exceptions.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace XbExprText {

std::string FormatMagnitude(double value, int decimals)
{
    if (!std::isfinite(value))
        throw EOverflow("Floating point overflow");
    value = std::fabs(value);
    if (decimals < 0)
        decimals = 0;
    // The shortest fixed-point text that reads back as the same double.
    char buffer[400];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (error != std::errc())
        throw EOverflow("Floating point overflow");
    std::string text(buffer, end);
    size_t point = text.find('.');
    std::string whole = point == std::string::npos ? text : text.substr(0, point);
    std::string fraction = point == std::string::npos ? std::string() : text.substr(point + 1);
    bool roundUp = false;
    if (fraction.size() > static_cast<size_t>(decimals)) {
        roundUp = fraction[static_cast<size_t>(decimals)] >= '5';
        fraction.resize(static_cast<size_t>(decimals));
    }
    fraction.append(static_cast<size_t>(decimals) - fraction.size(), '0');
    if (roundUp) {
        // Carry through the fraction, then the whole part.
        std::string digits = whole + fraction;
        size_t i = digits.size();
        while (i > 0) {
            --i;
            if (digits[i] == '9') {
                digits[i] = '0';
            } else {
                ++digits[i];
                break;
            }
            if (i == 0)
                digits.insert(digits.begin(), '1');
        }
        whole = digits.substr(0, digits.size() - fraction.size());
        fraction = digits.substr(digits.size() - fraction.size());
    }
    return decimals > 0 ? whole + "." + fraction : whole;
}

std::string FormatNumber(double value, int width, int decimals)
{
    std::string text = FormatMagnitude(value, decimals);
    if (value < 0 && text.find_first_of("123456789") != std::string::npos)
        text.insert(text.begin(), '-');
    if (width > 0 && text.size() < static_cast<size_t>(width)) {
        CheckTextLength(static_cast<size_t>(width));
        text.insert(0, static_cast<size_t>(width) - text.size(), ' ');
    }
    return text;
}

}  // namespace XbExprText
