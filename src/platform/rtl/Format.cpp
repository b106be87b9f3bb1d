// Format: printf-like directives with argument indexes, checked against the argument kinds.
#include "platform/rtl/SysUtils.h"

#include <limits>
#include <vector>

namespace {

class FormatRun {
public:
    FormatRun(std::string_view format, std::initializer_list<TVarRec> arguments, const TFormatSettings& settings)
        : format_(format), arguments_(arguments), settings_(settings)
    {
    }

    std::string Run()
    {
        std::string out;
        size_t i = 0;
        while (i < format_.size()) {
            const char c = format_[i];
            if (c != '%') {
                out += c;
                ++i;
                continue;
            }
            ++i;
            if (i < format_.size() && format_[i] == '%') {
                out += '%';
                ++i;
                continue;
            }
            out += Directive(i);
        }
        return out;
    }

private:
    std::string_view format_;
    std::vector<TVarRec> arguments_;
    const TFormatSettings& settings_;
    size_t next_ = 0;

    [[noreturn]] void Fail() const
    {
        throw EConvertError("Format '" + std::string(format_) + "' invalid or incompatible with argument");
    }

    const TVarRec& NextArgument()
    {
        if (next_ >= arguments_.size()) {
            Fail();
        }
        return arguments_[next_++];
    }

    // Digits or "*" (taken from the next integer argument); -1 when neither is there.
    int64_t ReadNumber(size_t& i)
    {
        if (i < format_.size() && format_[i] == '*') {
            ++i;
            const TVarRec& argument = NextArgument();
            if (argument.GetKind() != TVarRec::Kind::Integer && argument.GetKind() != TVarRec::Kind::Unsigned) {
                Fail();
            }
            return argument.Integer();
        }
        if (i >= format_.size() || format_[i] < '0' || format_[i] > '9') {
            return -1;
        }
        int64_t value = 0;
        while (i < format_.size() && format_[i] >= '0' && format_[i] <= '9') {
            value = value * 10 + (format_[i] - '0');
            if (value > 1000000) {
                Fail();
            }
            ++i;
        }
        return value;
    }

    std::string Directive(size_t& i)
    {
        int64_t number = ReadNumber(i);
        if (i < format_.size() && format_[i] == ':') {
            if (number < 0) {
                Fail();
            }
            next_ = static_cast<size_t>(number);
            ++i;
            number = -1;
        }
        bool leftAlign = false;
        if (number < 0 && i < format_.size() && format_[i] == '-') {
            leftAlign = true;
            ++i;
        }
        int64_t width = number >= 0 ? number : ReadNumber(i);
        int64_t precision = -1;
        if (i < format_.size() && format_[i] == '.') {
            ++i;
            precision = ReadNumber(i);
            if (precision < 0) {
                precision = 0;
            }
        }
        if (i >= format_.size()) {
            Fail();
        }
        const char type = static_cast<char>(format_[i] >= 'A' && format_[i] <= 'Z' ? format_[i] + 32 : format_[i]);
        ++i;
        std::string text = Convert(type, NextArgument(), precision);
        if (width > 0 && static_cast<int64_t>(text.size()) < width) {
            const std::string padding(static_cast<size_t>(width) - text.size(), ' ');
            text = leftAlign ? text + padding : padding + text;
        }
        return text;
    }

    std::string Convert(char type, const TVarRec& argument, int64_t precision)
    {
        const TVarRec::Kind kind = argument.GetKind();
        const bool integer = kind == TVarRec::Kind::Integer || kind == TVarRec::Kind::Unsigned;
        switch (type) {
        case 'd':
        case 'u':
        case 'x': {
            if (!integer) {
                Fail();
            }
            const int64_t value = argument.Integer();
            std::string digits;
            bool negative = false;
            if (type == 'd') {
                if (kind == TVarRec::Kind::Unsigned) {
                    digits = std::to_string(static_cast<uint64_t>(value));
                } else {
                    negative = value < 0;
                    digits = std::to_string(value);
                    if (negative) {
                        digits.erase(0, 1);
                    }
                }
            } else {
                // Negative values show as the unsigned number of their width.
                uint64_t bits = static_cast<uint64_t>(value);
                if (kind == TVarRec::Kind::Integer && value < 0 && value >= std::numeric_limits<int32_t>::min()) {
                    bits = static_cast<uint32_t>(static_cast<int32_t>(value));
                }
                digits = type == 'u' ? std::to_string(bits) : IntToHexBits(bits, 0);
            }
            if (precision > static_cast<int64_t>(digits.size())) {
                digits.insert(0, static_cast<size_t>(precision) - digits.size(), '0');
            }
            return negative ? "-" + digits : digits;
        }
        case 'e':
        case 'f':
        case 'g':
        case 'n':
        case 'm': {
            if (kind != TVarRec::Kind::Float) {
                Fail();
            }
            const double value = argument.Float();
            const int limited = static_cast<int>(std::min<int64_t>(precision, 18));
            switch (type) {
            case 'e':
                return FloatToStrF(value, TFloatFormat::ffExponent, precision < 0 ? 15 : std::max(limited, 1), 3, settings_);
            case 'f':
                return FloatToStrF(value, TFloatFormat::ffFixed, 15, precision < 0 ? 2 : limited, settings_);
            case 'g':
                return FloatToStrF(value, TFloatFormat::ffGeneral, precision < 0 ? 15 : std::max(limited, 1), 0, settings_);
            case 'n':
                return FloatToStrF(value, TFloatFormat::ffNumber, 15, precision < 0 ? 2 : limited, settings_);
            default:
                return FloatToStrF(value, TFloatFormat::ffCurrency, 15,
                                   precision < 0 ? settings_.CurrencyDecimals : limited, settings_);
            }
        }
        case 's': {
            if (kind != TVarRec::Kind::Text) {
                Fail();
            }
            const std::string& text = argument.Text();
            if (precision >= 0 && precision < static_cast<int64_t>(text.size())) {
                return text.substr(0, static_cast<size_t>(precision));
            }
            return text;
        }
        default:
            Fail();
        }
    }
};

} // namespace

std::string Format(std::string_view format, std::initializer_list<TVarRec> arguments)
{
    return Format(format, arguments, FormatSettings);
}

std::string Format(std::string_view format, std::initializer_list<TVarRec> arguments, const TFormatSettings& settings)
{
    return FormatRun(format, arguments, settings).Run();
}
