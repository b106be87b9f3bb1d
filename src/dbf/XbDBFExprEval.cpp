// Evaluation of a parsed expression: field values, constants, operators, key texts and hash codes.

#include "dbf/XbDBFExprText.h"
#include "dbf/XbDBFMask.h"
#include "dbf/XbDBFParser.h"

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exceptions.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

using namespace XbExprText;

namespace {

bool IsTextValue(const Variant& v)
{
    return v.VarType() == TVarType::varString;
}




bool IsNullOrEmpty(const Variant& v)
{
    return v.IsNull() || v.IsEmpty();
}

// Reads a decimal number the way stored data writes it; raises the conversion error otherwise.
double ParseNumberText(const std::string& text)
{
    std::string_view view(text);
    while (!view.empty() && view.front() == ' ')
        view.remove_prefix(1);
    while (!view.empty() && view.back() == ' ')
        view.remove_suffix(1);
    bool negative = false;
    if (!view.empty() && (view.front() == '+' || view.front() == '-')) {
        negative = view.front() == '-';
        view.remove_prefix(1);
    }
    double value = 0;
    auto [end, error] = std::from_chars(view.data(), view.data() + view.size(), value);
    if (view.empty() || error != std::errc() || end != view.data() + view.size() || !std::isfinite(value))
        throw EConvertError("'" + text + "' is not a valid floating point value");
    return negative ? -value : value;
}

bool ParseInt64Text(const std::string& text, int64_t& value)
{
    std::string_view view(text);
    if (!view.empty() && view.front() == '+')
        view.remove_prefix(1);
    auto [end, error] = std::from_chars(view.data(), view.data() + view.size(), value);
    return !view.empty() && error == std::errc() && end == view.data() + view.size();
}

Variant CheckedResult(Variant value)
{
    if (value.VarType() == TVarType::varDouble && !std::isfinite(value.AsDouble()))
        throw EOverflow("Floating point overflow");
    if (value.VarType() == TVarType::varString)
        CheckTextLength(value.AsString().size());
    return value;
}

bool IsZero(const Variant& v)
{
    switch (v.VarType()) {
    case TVarType::varInteger:
    case TVarType::varInt64:
    case TVarType::varDouble:
    case TVarType::varCurrency:
    case TVarType::varBoolean:
        return v.AsDouble() == 0.0;
    case TVarType::varString:
        return ParseNumberText(v.AsString()) == 0.0;
    default:
        return false;
    }
}

int32_t LimitKeyWidth(int32_t width)
{
    return width >= 15 ? 14 : width;
}

}  // namespace

std::string TXbDBFExprParser::PadText(int32_t count) const
{
    if (count <= 0)
        return std::string();
    CheckTextLength(static_cast<size_t>(count));
    return std::string(static_cast<size_t>(count), padChar_);
}

Variant TXbDBFExprParser::Execute(TXbExprNode* node)
{
    if (!node)
        return Variant::Null();
    switch (node->Kind) {
    case TXbExprNodeKind::nkField: return ExecuteField(node);
    case TXbExprNodeKind::nkConstant: return ExecuteConstant(node);
    case TXbExprNodeKind::nkOperator: return ExecuteOperator(node);
    case TXbExprNodeKind::nkFunction: return ExecuteFunction(node);
    }
    return Variant::Null();
}

Variant TXbDBFExprParser::Evaluate()
{
    lastResult_ = Variant::Null();
    if (root_)
        lastResult_ = Execute(root_);
    if (!IsNullOrEmpty(lastResult_))
        lastResultType_ = lastResult_.VarType();
    return lastResult_;
}

// Field references ----------------------------------------------------------------------------

namespace {

Variant ConvertToFieldType(const Variant& value, TFieldType type)
{
    switch (type) {
    case TFieldType::ftString:
    case TFieldType::ftFixedChar:
    case TFieldType::ftWideString:
        return Variant(value.AsString());
    case TFieldType::ftSmallint:
        return Variant(static_cast<int>(static_cast<int16_t>(value.AsInteger())));
    case TFieldType::ftInteger:
    case TFieldType::ftWord:
    case TFieldType::ftAutoInc:
        return Variant(static_cast<int>(value.AsInteger()));
    case TFieldType::ftBoolean:
        return Variant(value.AsBoolean());
    case TFieldType::ftFloat:
        return Variant(value.AsDouble());
    case TFieldType::ftCurrency:
    case TFieldType::ftBCD:
        return Variant(value.AsCurrency());
    case TFieldType::ftDate:
    case TFieldType::ftTime:
    case TFieldType::ftDateTime:
        return Variant::FromDateTime(value.AsDateTime());
    case TFieldType::ftLargeint: {
        int64_t number = 0;
        if (!ParseInt64Text(value.AsString(), number))
            return Variant::Null();
        return Variant(number);
    }
    default:
        return value;
    }
}

}  // namespace

Variant TXbDBFExprParser::ExecuteField(TXbExprNode* node)
{
    const TXbExprFieldInfo& info = source_->FieldInfo(node->Field);
    Variant value;
    if (substituting_) {
        value = Variant::Null();
        auto found = std::find(substitutionFields_.begin(), substitutionFields_.end(), node->Field);
        if (found != substitutionFields_.end()) {
            int position = static_cast<int>(found - substitutionFields_.begin());
            if (substitutionValues_.IsArray()) {
                const std::vector<Variant>& elements = substitutionValues_.Elements();
                if (position < static_cast<int>(elements.size()))
                    value = elements[static_cast<size_t>(position)];
            } else {
                value = substitutionValues_;
            }
            if (!IsNullOrEmpty(value))
                value = ConvertToFieldType(value, info.DataType);
            else
                value = Variant::Null();
        }
    } else {
        value = source_->FieldValue(node->Field, keyMode_);
    }
    if (!keyMode_)
        return value;

    node->Width = info.Length;
    node->Decimals =
        (info.DataType == TFieldType::ftFloat || info.DataType == TFieldType::ftCurrency) ? info.Decimals : 0;
    node->Size = info.KeySize;
    const bool isText = IsTextFieldType(info.DataType);
    if (!IsNullOrEmpty(value)) {
        if (isText && !partialKey_) {
            std::string text = value.AsString();
            if (text.size() < static_cast<size_t>(std::max(node->Size, 0))) {
                text.append(static_cast<size_t>(node->Size) - text.size(), padChar_);
                return Variant(std::move(text));
            }
        }
        return value;
    }
    if (partialKey_)
        return isText ? Variant(std::string()) : Variant::Null();
    if (isText)
        return Variant(PadText(node->Size));
    switch (info.DataType) {
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftWord:
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency:
    case TFieldType::ftBCD:
    case TFieldType::ftLargeint:
        return Variant(0);
    case TFieldType::ftBoolean:
        return Variant(false);
    default:
        return Variant::Null();
    }
}

// Constants -----------------------------------------------------------------------------------

Variant TXbDBFExprParser::ExecuteConstant(TXbExprNode* node)
{
    switch (node->ConstantKind) {
    case TXbExprConstantKind::ckNull:
        return Variant::Null();
    case TXbExprConstantKind::ckBoolean:
        return Variant(node->BooleanValue);
    case TXbExprConstantKind::ckText:
    case TXbExprConstantKind::ckNumber:
        break;
    }
    if (node->ValueReady)
        return node->Value;
    // The constant takes the type the parser gave it (from the field it is compared with, or a
    // number); a text that does not convert raises the conversion error on every evaluation.
    Variant value;
    const TFieldType type = node->DataType;
    if (IsNumericFieldType(type)) {
        value = Variant(ParseNumberText(node->Text));
    } else if (type == TFieldType::ftBoolean) {
        if (AnsiSameText(node->Text, trueWord_))
            value = Variant(true);
        else if (AnsiSameText(node->Text, falseWord_))
            value = Variant(false);
        else
            value = Variant(ParseNumberText(node->Text) != 0.0);
    } else if (IsDateFieldType(type)) {
        value = Variant::FromDateTime(Variant(node->Text).AsDateTime());
    } else {
        value = Variant(node->Text);
    }
    node->Value = value;
    node->ValueReady = true;
    return value;
}

// Operators -----------------------------------------------------------------------------------

bool TXbDBFExprParser::ValuesEqual(const Variant& left, const Variant& right) const
{
    const bool caseInsensitive = filterOptions_.Contains(TFilterOption::foCaseInsensitive);
    if (filterOptions_.Contains(TFilterOption::foNoPartialCompare) || !IsTextValue(left) || !IsTextValue(right))
        return left == right;
    std::string_view a;
    std::string_view b;
    std::string leftText = left.AsString();
    std::string rightText = right.AsString();
    a = leftText;
    b = rightText;
    bool partial = false;
    if (!a.empty()) {
        if (a.back() == '*') {
            a.remove_suffix(1);
            partial = true;
        }
        if (!b.empty() && b.back() == '*') {
            b.remove_suffix(1);
            partial = true;
        }
    }
    if (partial) {
        size_t n = std::min(a.size(), b.size());
        a = a.substr(0, n);
        b = b.substr(0, n);
    }
    return caseInsensitive ? AnsiSameText(a, b) : a == b;
}

bool TXbDBFExprParser::CompareValues(TXbExprOperator op, Variant left, Variant right) const
{
    if (filterOptions_.Contains(TFilterOption::foCaseInsensitive)) {
        // Case is folded whether or not partial comparison is switched off.
        if (IsTextValue(left))
            left = Variant(AnsiUpperCase(left.AsString()));
        if (IsTextValue(right))
            right = Variant(AnsiUpperCase(right.AsString()));
    }
    if (op == TXbExprOperator::opEQ)
        return ValuesEqual(left, right);
    if (op == TXbExprOperator::opNE)
        return left != right;
    TVariantRelationship relation = Variant::Compare(left, right);
    switch (op) {
    case TXbExprOperator::opGT: return relation == TVariantRelationship::vrGreaterThan;
    case TXbExprOperator::opLT: return relation == TVariantRelationship::vrLessThan;
    case TXbExprOperator::opGE:
        return relation == TVariantRelationship::vrGreaterThan || relation == TVariantRelationship::vrEqual;
    case TXbExprOperator::opLE:
        return relation == TVariantRelationship::vrLessThan || relation == TVariantRelationship::vrEqual;
    default: return false;
    }
}

Variant TXbDBFExprParser::ExecuteOperator(TXbExprNode* node)
{
    const TXbExprOperator op = node->Operator;
    switch (op) {
    case TXbExprOperator::opOr: {
        Variant left = Execute(node->Left);
        if (!IsNullOrEmpty(left) && left.AsBoolean())
            return Variant(true);
        Variant right = Execute(node->Right);
        return Variant(!IsNullOrEmpty(right) && right.AsBoolean());
    }
    case TXbExprOperator::opAnd: {
        Variant left = Execute(node->Left);
        if (IsNullOrEmpty(left) || !left.AsBoolean())
            return Variant(false);
        Variant right = Execute(node->Right);
        return Variant(!IsNullOrEmpty(right) && right.AsBoolean());
    }
    case TXbExprOperator::opNot: {
        Variant operand = Execute(node->Left);
        return Variant(IsNullOrEmpty(operand) || !operand.AsBoolean());
    }
    case TXbExprOperator::opEQ:
    case TXbExprOperator::opNE:
    case TXbExprOperator::opGT:
    case TXbExprOperator::opLT:
    case TXbExprOperator::opGE:
    case TXbExprOperator::opLE: {
        Variant left = Execute(node->Left);
        Variant right = Execute(node->Right);
        return Variant(CompareValues(op, std::move(left), std::move(right)));
    }
    case TXbExprOperator::opLike: {
        Variant pattern = Execute(node->Right);
        Variant text = Execute(node->Left);
        if (IsNullOrEmpty(pattern) || IsNullOrEmpty(text))
            return Variant(false);
        std::string patternText = pattern.AsString();
        std::string valueText = text.AsString();
        if (filterOptions_.Contains(TFilterOption::foCaseInsensitive)) {
            patternText = AnsiUpperCase(patternText);
            valueText = AnsiUpperCase(valueText);
        }
        return Variant(MaskMatch(patternText, valueText, '_', '%'));
    }
    case TXbExprOperator::opIsNull:
    case TXbExprOperator::opIsNotNull: {
        bool isNull;
        if (node->Left->Kind == TXbExprNodeKind::nkField)
            isNull = source_->FieldIsNull(node->Left->Field);
        else
            isNull = IsNullOrEmpty(Execute(node->Left));
        return Variant(op == TXbExprOperator::opIsNull ? isNull : !isNull);
    }
    case TXbExprOperator::opIn: {
        Variant left = Execute(node->Left);
        for (TXbExprNode* element : node->Args) {
            if (CompareValues(TXbExprOperator::opEQ, left, Execute(element)))
                return Variant(true);
        }
        return Variant(false);
    }
    case TXbExprOperator::opAdd:
    case TXbExprOperator::opSub:
    case TXbExprOperator::opMul:
    case TXbExprOperator::opDiv:
        break;
    case TXbExprOperator::opNone:
        return Variant::Null();
    }

    Variant left = Execute(node->Left);
    Variant right = Execute(node->Right);
    TXbExprNode* l = node->Left;
    TXbExprNode* r = node->Right;
    if (keyMode_ && op == TXbExprOperator::opAdd) {
        if (left.IsNull() && IsTextValue(right))
            left = Variant(partialKey_ ? std::string() : PadText(l->Size));
        else if (right.IsNull() && IsTextValue(left))
            right = Variant(partialKey_ ? std::string() : PadText(r->Size));
    }
    Variant result;
    switch (op) {
    case TXbExprOperator::opAdd:
        if (IsTextValue(left) && IsTextValue(right))
            CheckTextLength(left.AsString().size() + right.AsString().size());
        result = CheckedResult(left + right);
        break;
    case TXbExprOperator::opSub:
        result = CheckedResult(left - right);
        break;
    case TXbExprOperator::opMul:
        result = CheckedResult(left * right);
        break;
    default:
        if (!right.IsNull() && IsZero(right))
            throw EZeroDivide("Floating point division by zero");
        result = CheckedResult(left / right);
        break;
    }
    if (keyMode_) {
        if (op == TXbExprOperator::opAdd) {
            if (IsTextValue(result)) {
                node->Size = l->Size + r->Size;
                node->Width = node->Size;
                node->Decimals = 0;
            } else {
                node->Width = std::max(l->Width, r->Width) + 1;
                node->Decimals = std::max(l->Decimals, r->Decimals);
                node->Size = node->Width;
            }
        } else {
            if (op == TXbExprOperator::opMul) {
                node->Width = l->Width + r->Width;
                node->Decimals = l->Decimals + r->Decimals;
            } else {
                node->Width = std::max(l->Width, r->Width);
                node->Decimals = std::max(l->Decimals, r->Decimals);
            }
            node->Width = LimitKeyWidth(node->Width);
            if (node->Width < node->Decimals + 1)
                node->Decimals = node->Width - 3;
            node->Size = node->Width;
        }
    }
    return result;
}

// Key text and hash code ----------------------------------------------------------------------

namespace {

int32_t HashOfWholeNumber(double t)
{
    constexpr double twoTo32 = 4294967296.0;
    if (std::isnan(t))
        return 0;
    if (t >= 0) {
        if (t < twoTo32)
            return static_cast<int32_t>(static_cast<uint32_t>(t));
        return 0x7FFFFFFF;
    }
    if (-t < twoTo32)
        return static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(t)));
    return static_cast<int32_t>(0x80000000u);
}

int32_t HashOfInt64(int64_t t)
{
    if (t >= 0)
        return t < (int64_t(1) << 32) ? static_cast<int32_t>(static_cast<uint32_t>(t)) : 0x7FFFFFFF;
    if (t > -(int64_t(1) << 32))
        return static_cast<int32_t>(static_cast<uint32_t>(t));
    return static_cast<int32_t>(0x80000000u);
}

std::string NumericKey(double value, int32_t width, int32_t decimals)
{
    width = std::max(width, 0);
    std::string text = FormatMagnitude(value, decimals);
    if (text.size() > static_cast<size_t>(width)) {
        std::string zeros(static_cast<size_t>(width), '0');
        if (decimals > 0 && width - decimals >= 1)
            zeros[static_cast<size_t>(width - decimals - 1)] = '.';
        return zeros;
    }
    text.insert(0, static_cast<size_t>(width) - text.size(), '0');
    if (value < 0)
        ComplementDigits(text);
    return text;
}

}  // namespace

std::string TXbDBFExprParser::KeyStringOfResult()
{
    Variant value = Evaluate();
    const int32_t width = root_ ? root_->Width : 0;
    const int32_t decimals = root_ ? root_->Decimals : 0;
    const int32_t size = root_ ? root_->Size : 0;
    std::string key;
    int32_t hash = 0;
    switch (value.VarType()) {
    case TVarType::varInt64: {
        int64_t v = value.AsInt64();
        uint64_t magnitude = v < 0 ? uint64_t(0) - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
        std::string digits = std::to_string(magnitude);
        if (digits.size() <= static_cast<size_t>(std::max(width, 0))) {
            key = ZeroPadded(magnitude, width);
            if (v < 0)
                ComplementDigits(key);
        } else {
            key.assign(static_cast<size_t>(std::max(width, 0)), '0');
        }
        hash = HashOfInt64(v);
        break;
    }
    case TVarType::varInteger:
    case TVarType::varDouble:
    case TVarType::varCurrency: {
        double v = value.AsDouble();
        key = NumericKey(v, width, decimals);
        hash = HashOfWholeNumber(std::trunc(v));
        break;
    }
    case TVarType::varBoolean:
        key.assign(1, value.AsBoolean() ? 'T' : 'F');
        hash = value.AsBoolean() ? -1 : 0;
        break;
    case TVarType::varDate: {
        TDateTime v = value.AsDateTime();
        const TFieldType type = root_ ? root_->DataType : TFieldType::ftDate;
        if (type == TFieldType::ftTime)
            key = TimeKeyText(v);
        else if (type == TFieldType::ftDateTime)
            key = DateTimeKeyText(v);
        else
            key = DateKeyText(v);
        hash = HashOfWholeNumber(std::trunc(v));
        break;
    }
    case TVarType::varNull:
    case TVarType::varEmpty:
        key = PadText(size);
        hash = 0;
        break;
    default: {
        key = value.AsString();
        // The first bytes of the key, first byte highest: at most four, and no more than the key size.
        size_t count = static_cast<size_t>(std::clamp(size, 0, 4));
        uint32_t number = 0;
        for (size_t i = 0; i < count; ++i)
            number = (number << 8) | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
        hash = static_cast<int32_t>(number);
        break;
    }
    }
    lastKey_ = key;
    lastHash_ = hash;
    return key;
}

void TXbDBFExprParser::KeyFromFieldValues(std::string_view fieldNames, const Variant& values, std::string& key,
                                          char padChar)
{
    struct Restore {
        TXbDBFExprParser& parser;
        ~Restore()
        {
            parser.substituting_ = false;
            parser.padChar_ = ' ';
            parser.substitutionFields_.clear();
            parser.substitutionValues_ = Variant();
        }
    } restore{*this};
    if (padChar != ' ')
        padChar_ = padChar;
    substitutionFields_.clear();
    size_t start = 0;
    while (start <= fieldNames.size()) {
        size_t end = fieldNames.find(';', start);
        if (end == std::string_view::npos)
            end = fieldNames.size();
        std::string name(fieldNames.substr(start, end - start));
        if (!name.empty()) {
            int field = source_ ? source_->FindField(name) : -1;
            if (field < 0)
                throw EDatabaseError("Field '" + name + "' not found");
            substitutionFields_.push_back(field);
        }
        start = end + 1;
    }
    substitutionValues_ = values;
    substituting_ = true;
    key = KeyStringOfResult();
}
