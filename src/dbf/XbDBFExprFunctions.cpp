// Evaluation of the expression language's functions.

#include "dbf/XbDBFExprText.h"
#include "dbf/XbDBFParser.h"

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exceptions.h"

#include <algorithm>
#include <cmath>
#include <limits>

using namespace XbExprText;

namespace {

bool IsNullOrEmpty(const Variant& v)
{
    return v.IsNull() || v.IsEmpty();
}

// A count or length argument: negative counts are taken as 0.
int32_t CountOf(const Variant& v)
{
    if (IsNullOrEmpty(v))
        return 0;
    double number = v.AsDouble();
    if (!(number > 0))
        return 0;
    if (number > static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(number);
}

int64_t WholeOf(const Variant& v)
{
    if (IsNullOrEmpty(v))
        return 0;
    if (v.VarType() == TVarType::varInt64 || v.VarType() == TVarType::varInteger)
        return v.AsInt64();
    double number = std::trunc(v.AsDouble());
    if (std::isnan(number))
        return 0;
    if (number >= 9.2e18)
        return std::numeric_limits<int64_t>::max();
    if (number <= -9.2e18)
        return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(number);
}

std::string TextOf(const Variant& v)
{
    return IsNullOrEmpty(v) ? std::string() : v.AsString();
}

std::string AsciiUpper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

std::string AsciiLower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}




void SetKeyWidth(TXbExprNode* node, int32_t width, int32_t decimals = 0)
{
    node->Width = width;
    node->Size = width;
    node->Decimals = decimals;
}

[[noreturn]] void RaiseArgumentCount(const char* function)
{
    throw Exception(std::string("TXbDBFExprParser.Execute: Incorrect number of arguments in ") + function + " call.");
}

}  // namespace

Variant TXbDBFExprParser::ExecuteDescend(TXbExprNode* node, TXbExprNode* arg)
{
    Variant value = Execute(arg);
    switch (value.VarType()) {
    case TVarType::varDate:
        SetKeyWidth(node, 10);
        return Variant(static_cast<int64_t>(2816789) - static_cast<int64_t>(std::trunc(value.AsDateTime())));
    case TVarType::varString: {
        std::string text = value.AsString();
        for (char& c : text)
            c = static_cast<char>((256 - static_cast<unsigned char>(c)) & 0xFF);
        node->Size = arg->Size;
        node->Width = arg->Width;
        node->Decimals = 0;
        return Variant(std::move(text));
    }
    case TVarType::varInt64: {
        SetKeyWidth(node, 13, 2);
        int64_t v = value.AsInt64();
        if (v == std::numeric_limits<int64_t>::min())
            return Variant(-static_cast<double>(v));
        return Variant(-v);
    }
    case TVarType::varInteger: {
        SetKeyWidth(node, 13, 2);
        int32_t v = value.AsInteger();
        if (v == std::numeric_limits<int32_t>::min())
            return Variant(-static_cast<int64_t>(v));
        return Variant(static_cast<int>(-v));
    }
    case TVarType::varDouble:
        SetKeyWidth(node, 13, 2);
        return Variant(-value.AsDouble());
    case TVarType::varCurrency: {
        SetKeyWidth(node, 13, 2);
        Currency c = value.AsCurrency();
        c.scaled = -c.scaled;
        return Variant(c);
    }
    case TVarType::varBoolean:
        return Variant(!value.AsBoolean());
    case TVarType::varNull:
    case TVarType::varEmpty: {
        const TFieldType type = arg->DataType;
        if (IsDateFieldType(type)) {
            SetKeyWidth(node, 10);
            return Variant(5231808);
        }
        if (IsTextFieldType(type)) {
            node->Size = arg->Width;
            node->Width = arg->Width;
            node->Decimals = 0;
            return Variant(PadText(arg->Width));
        }
        if (IsNumericFieldType(type)) {
            SetKeyWidth(node, 13, 2);
            return Variant(0);
        }
        if (type == TFieldType::ftBoolean)
            return Variant(false);
        throw Exception("Field type for DESCEND() not avaliable!");
    }
    default:
        throw Exception("Non supported argument type in DESCEND() function!");
    }
}

Variant TXbDBFExprParser::ExecuteFunction(TXbExprNode* node)
{
    std::vector<TXbExprNode*>& args = node->Args;
    auto arg = [&](size_t i) { return Execute(args[i]); };
    const size_t count = args.size();
    switch (node->Function) {
    case TXbExprFunction::fnUpper:
    case TXbExprFunction::fnLower:
    case TXbExprFunction::fnAnsiUpper:
    case TXbExprFunction::fnAnsiLower: {
        Variant value = arg(0);
        node->Size = args[0]->Size;
        node->Width = args[0]->Width;
        node->Decimals = 0;
        if (IsNullOrEmpty(value))
            return Variant(PadText(args[0]->Size));
        std::string text = value.AsString();
        switch (node->Function) {
        case TXbExprFunction::fnUpper: return Variant(AsciiUpper(std::move(text)));
        case TXbExprFunction::fnLower: return Variant(AsciiLower(std::move(text)));
        case TXbExprFunction::fnAnsiUpper: return Variant(AnsiUpperCase(text));
        default: return Variant(AnsiLowerCase(text));
        }
    }
    case TXbExprFunction::fnDtoS:
    case TXbExprFunction::fnDtToS: {
        const bool withTime = node->Function == TXbExprFunction::fnDtToS;
        Variant value = arg(0);
        SetKeyWidth(node, withTime ? 14 : 8);
        if (value.VarType() != TVarType::varDate)
            return Variant(PadText(withTime ? 14 : 8));
        return Variant(withTime ? DateTimeKeyText(value.AsDateTime()) : DateKeyText(value.AsDateTime()));
    }
    case TXbExprFunction::fnStr: {
        Variant value = arg(0);
        int32_t width = count > 1 ? CountOf(arg(1)) : std::max(args[0]->Width, 0);
        int32_t decimals = count > 2 ? CountOf(arg(2)) : std::max(args[0]->Decimals, 0);
        CheckTextLength(static_cast<size_t>(width));
        CheckTextLength(static_cast<size_t>(decimals));
        SetKeyWidth(node, width);
        if (IsNullOrEmpty(value))
            return Variant(partialKey_ ? std::string() : PadText(args[0]->Width));
        std::string text = FormatNumber(value.AsDouble(), width, decimals);
        CheckTextLength(text.size());
        return Variant(std::move(text));
    }
    case TXbExprFunction::fnVal: {
        Variant value = arg(0);
        node->Width = std::min(args[0]->Width, 10);
        node->Size = args[0]->Width;
        node->Decimals = 0;
        return Variant(TextToNumber(TextOf(value)));
    }
    case TXbExprFunction::fnStrZero: {
        int64_t whole = WholeOf(arg(0));
        int32_t width = count > 1 ? CountOf(arg(1)) : 10;
        CheckTextLength(static_cast<size_t>(width));
        SetKeyWidth(node, width);
        std::string text = std::to_string(whole);
        if (text.size() < static_cast<size_t>(width))
            text.insert(0, static_cast<size_t>(width) - text.size(), '0');
        return Variant(std::move(text));
    }
    case TXbExprFunction::fnSpace: {
        int32_t n = CountOf(arg(0));
        SetKeyWidth(node, n);
        return Variant(PadText(n));
    }
    case TXbExprFunction::fnLeft:
    case TXbExprFunction::fnRight: {
        if (count < 2)
            RaiseArgumentCount(node->Function == TXbExprFunction::fnLeft ? "LEFT" : "RIGHT");
        std::string text = TextOf(arg(0));
        int32_t n = CountOf(arg(1));
        SetKeyWidth(node, n);
        if (static_cast<size_t>(n) >= text.size())
            return Variant(std::move(text));
        if (node->Function == TXbExprFunction::fnLeft)
            return Variant(text.substr(0, static_cast<size_t>(n)));
        return Variant(text.substr(text.size() - static_cast<size_t>(n)));
    }
    case TXbExprFunction::fnIif: {
        if (count < 3)
            RaiseArgumentCount("IIF");
        Variant condition = arg(0);
        TXbExprNode* branch = (!IsNullOrEmpty(condition) && condition.AsBoolean()) ? args[1] : args[2];
        Variant value = Execute(branch);
        node->Width = branch->Width;
        node->Decimals = branch->Decimals;
        node->Size = branch->Size;
        return value;
    }
    case TXbExprFunction::fnDescend:
        return ExecuteDescend(node, args[0]);
    case TXbExprFunction::fnSubstr: {
        if (count != 2 && count != 3)
            RaiseArgumentCount("SUBSTR");
        std::string text = TextOf(arg(0));
        int64_t start = WholeOf(arg(1));
        int64_t length = count == 3 ? WholeOf(arg(2)) : 0;
        SetKeyWidth(node, static_cast<int32_t>(std::clamp<int64_t>(length, 0, TXbDBFExprParser::MaxTextResult)));
        return Variant(CopyFrom(text, start, length));
    }
    case TXbExprFunction::fnStuff: {
        if (count != 3 && count != 4)
            RaiseArgumentCount("STUFF");
        std::string text = TextOf(arg(0));
        int64_t start = WholeOf(arg(1));
        int64_t length = WholeOf(arg(2));
        std::string insert = count == 4 ? TextOf(arg(3)) : std::string();
        std::string result = StuffText(text, start, length, insert);
        SetKeyWidth(node, static_cast<int32_t>(result.size()));
        return Variant(std::move(result));
    }
    case TXbExprFunction::fnStrTran: {
        if (count < 2 || count > 5)
            RaiseArgumentCount("STRTRAN");
        std::string text = TextOf(arg(0));
        std::string search = TextOf(arg(1));
        std::string replacement = count > 2 ? TextOf(arg(2)) : std::string();
        int64_t first = count > 3 ? WholeOf(arg(3)) : 1;
        int64_t times = count > 4 ? WholeOf(arg(4)) : 0;
        std::string result = ReplaceText(text, search, replacement, times, first);
        SetKeyWidth(node, static_cast<int32_t>(result.size()));
        return Variant(std::move(result));
    }
    case TXbExprFunction::fnPadR:
    case TXbExprFunction::fnPadL:
    case TXbExprFunction::fnPadC: {
        if (count < 2)
            RaiseArgumentCount(node->Text.c_str());
        Variant value = arg(0);
        int32_t n = CountOf(arg(1));
        CheckTextLength(static_cast<size_t>(n));
        char fill = ' ';
        if (count > 2) {
            std::string fillText = TextOf(arg(2));
            if (!fillText.empty())
                fill = fillText.front();
        }
        std::string text;
        switch (value.VarType()) {
        case TVarType::varNull:
        case TVarType::varEmpty:
            text.assign(static_cast<size_t>(std::clamp(args[0]->Size, 0, static_cast<int32_t>(MaxTextResult))), ' ');
            break;
        case TVarType::varInteger:
        case TVarType::varDouble:
        case TVarType::varCurrency: {
            text = FormatNumber(value.AsDouble(), args[0]->Width, std::clamp(args[0]->Decimals, 0, 64));
            size_t first = text.find_first_not_of(' ');
            text = first == std::string::npos ? std::string() : text.substr(first);
            break;
        }
        default:
            text = value.AsString();
            break;
        }
        SetKeyWidth(node, n);
        const size_t width = static_cast<size_t>(n);
        if (text.size() >= width)
            return Variant(text.substr(0, width));
        size_t missing = width - text.size();
        if (node->Function == TXbExprFunction::fnPadR)
            return Variant(text + std::string(missing, fill));
        if (node->Function == TXbExprFunction::fnPadL)
            return Variant(std::string(missing, fill) + text);
        size_t before = missing / 2;
        return Variant(std::string(before, fill) + text + std::string(missing - before, fill));
    }
    case TXbExprFunction::fnAllTrim:
    case TXbExprFunction::fnTrimLeft:
    case TXbExprFunction::fnTrimRight: {
        std::string text = TextOf(arg(0));
        size_t first = 0;
        size_t last = text.size();
        if (node->Function != TXbExprFunction::fnTrimRight)
            while (first < last && static_cast<unsigned char>(text[first]) <= ' ')
                ++first;
        if (node->Function != TXbExprFunction::fnTrimLeft)
            while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ')
                --last;
        text = text.substr(first, last - first);
        SetKeyWidth(node, static_cast<int32_t>(text.size()));
        return Variant(std::move(text));
    }
    case TXbExprFunction::fnYear:
    case TXbExprFunction::fnMonth:
    case TXbExprFunction::fnDay:
    case TXbExprFunction::fnHour:
    case TXbExprFunction::fnMinute:
    case TXbExprFunction::fnSecond: {
        Variant value = arg(0);
        SetKeyWidth(node, node->Function == TXbExprFunction::fnYear ? 4 : 2);
        if (IsNullOrEmpty(value))
            return Variant::Null();
        TDateTime moment = value.AsDateTime();
        int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
        DecodeDate(moment, year, month, day);
        DecodeTime(moment, hour, minute, second, millisecond);
        switch (node->Function) {
        case TXbExprFunction::fnYear: return Variant(year);
        case TXbExprFunction::fnMonth: return Variant(month);
        case TXbExprFunction::fnDay: return Variant(day);
        case TXbExprFunction::fnHour: return Variant(hour);
        case TXbExprFunction::fnMinute: return Variant(minute);
        default: return Variant(second);
        }
    }
    case TXbExprFunction::fnGetDate: {
        if (count == 0)
            return Variant::Null();
        Variant value = arg(0);
        if (IsNullOrEmpty(value))
            return Variant::Null();
        return Variant::FromDateTime(Variant(value.AsString()).AsDateTime());
    }
    case TXbExprFunction::fnDate:
    case TXbExprFunction::fnTime: {
        Variant value = arg(0);
        if (IsNullOrEmpty(value))
            return Variant::Null();
        double moment = value.AsDateTime();
        double days = std::trunc(moment);
        if (node->Function == TXbExprFunction::fnTime)
            return Variant(moment - days);
        if (std::fabs(days) < 2147483647.0)
            return Variant(static_cast<int>(days));
        return Variant(days);
    }
    case TXbExprFunction::fnSum:
    case TXbExprFunction::fnAvg:
    case TXbExprFunction::fnMin:
    case TXbExprFunction::fnMax:
    case TXbExprFunction::fnCount:
    case TXbExprFunction::fnCountStar:
    case TXbExprFunction::fnNone:
        break;
    }
    return Variant::Null();
}
