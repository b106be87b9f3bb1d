// The compiled form of simple table filters. Every value is read and compared exactly as the
// table's field source and the general evaluator do it (XbDBFFilter.cpp, XbDBFExprEval.cpp):
//   - a character field loses its trailing blanks and is null when nothing is left; OEM text is
//     translated first; with case folding both texts are upper-cased;
//   - "=" of two texts compares up to a "*" that ends either side unless partial comparison is
//     off; "<>" and the order operators compare bytes;
//   - number fields compare as doubles with a number constant, dates on whole milliseconds,
//     logical fields as false before true;
//   - a null value equals nothing, differs from everything and sorts before every value.

#include "dbf/XbDBFCompiledFilter.h"

#include "dbf/XbDBFDataSet.h"
#include "dbf/XbDBFFieldParse.h"

#include "platform/rtl/CodePages.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Variants.h"

#include <climits>
#include <string_view>

using namespace XbDBFFieldParse;

namespace {

// The framework's date number of 1899-12-30, day 0 of a date-time value.
constexpr int32_t kDateNumberOfDayZero = 693594;

enum TFastKind : uint8_t { fkText = 1, fkInteger = 2, fkFloat = 3, fkDate = 4, fkLogical = 5 };

// Whether `op` holds between two operands whose order is `relation` (left against right).
bool RelationHolds(TXbExprOperator op, int relation) noexcept
{
    switch (op) {
    case TXbExprOperator::opEQ: return relation == 0;
    case TXbExprOperator::opNE: return relation != 0;
    case TXbExprOperator::opGT: return relation > 0;
    case TXbExprOperator::opLT: return relation < 0;
    case TXbExprOperator::opGE: return relation >= 0;
    case TXbExprOperator::opLE: return relation <= 0;
    default: return false;
    }
}

int CompareBytes(std::string_view a, std::string_view b) noexcept
{
    const int order = a.compare(b);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

bool IsComparison(TXbExprOperator op) noexcept
{
    switch (op) {
    case TXbExprOperator::opEQ:
    case TXbExprOperator::opNE:
    case TXbExprOperator::opGT:
    case TXbExprOperator::opLT:
    case TXbExprOperator::opGE:
    case TXbExprOperator::opLE: return true;
    default: return false;
    }
}

bool IsFieldOf(const TXbExprNode* node, const std::vector<TXbFieldAccess>& fields) noexcept
{
    return node != nullptr && node->Kind == TXbExprNodeKind::nkField && node->Field >= 0 &&
           node->Field < static_cast<int>(fields.size());
}

bool IsConstant(const TXbExprNode* node) noexcept
{
    return node != nullptr && node->Kind == TXbExprNodeKind::nkConstant;
}

}  // namespace

void TXbDBFCompiledFilter::Clear() noexcept
{
    steps_.clear();
    root_ = -1;
}

bool TXbDBFCompiledFilter::Compile(TXbDBFExprParser& parser, const std::vector<TXbFieldAccess>& fields)
{
    Clear();
    caseInsensitive_ = parser.FilterOptions().Contains(TFilterOption::foCaseInsensitive);
    noPartialCompare_ = parser.FilterOptions().Contains(TFilterOption::foNoPartialCompare);
    const int root = CompileNode(parser, parser.Root(), fields);
    if (root < 0) {
        Clear();
        return false;
    }
    root_ = root;
    size_t longest = 0;
    for (const TStep& step : steps_)
        if (step.Kind == TStepKind::skText)
            longest = std::max(longest, static_cast<size_t>(step.Length));
    scratch_.reserve(longest);
    return true;
}

int TXbDBFCompiledFilter::CompileNode(TXbDBFExprParser& parser, TXbExprNode* node,
                                      const std::vector<TXbFieldAccess>& fields)
{
    if (node == nullptr || node->Kind != TXbExprNodeKind::nkOperator)
        return -1;
    const TXbExprOperator op = node->Operator;
    TStep step;
    step.Operator = op;
    if (op == TXbExprOperator::opAnd || op == TXbExprOperator::opOr) {
        step.Kind = op == TXbExprOperator::opAnd ? TStepKind::skAnd : TStepKind::skOr;
        step.Left = CompileNode(parser, node->Left, fields);
        if (step.Left < 0)
            return -1;
        step.Right = CompileNode(parser, node->Right, fields);
        if (step.Right < 0)
            return -1;
    } else if (op == TXbExprOperator::opNot) {
        step.Kind = TStepKind::skNot;
        step.Left = CompileNode(parser, node->Left, fields);
        if (step.Left < 0)
            return -1;
    } else if (op == TXbExprOperator::opIsNull || op == TXbExprOperator::opIsNotNull) {
        if (!IsFieldOf(node->Left, fields))
            return -1;
        const TXbFieldAccess& access = fields[static_cast<size_t>(node->Left->Field)];
        if (access.FastKind == 0)
            return -1;
        step.Kind = TStepKind::skIsNull;
        step.Negate = op == TXbExprOperator::opIsNotNull;
        step.Offset = access.Offset;
        step.Length = access.Length;
        step.FastKind = access.FastKind;
    } else if (IsComparison(op)) {
        TXbExprNode* field = nullptr;
        TXbExprNode* constant = nullptr;
        if (IsFieldOf(node->Left, fields) && IsConstant(node->Right)) {
            field = node->Left;
            constant = node->Right;
        } else if (IsConstant(node->Left) && IsFieldOf(node->Right, fields)) {
            field = node->Right;
            constant = node->Left;
            step.FieldOnLeft = false;
        } else {
            return -1;
        }
        // The constant's value as the evaluator makes it; one that does not convert raises
        // there on every record, so such a filter stays with the evaluator.
        Variant value;
        try {
            value = parser.Execute(constant);
        } catch (...) {
            return -1;
        }
        const TXbFieldAccess& access = fields[static_cast<size_t>(field->Field)];
        step.Offset = access.Offset;
        step.Length = access.Length;
        step.FastKind = access.FastKind;
        switch (access.FastKind) {
        case fkText:
            if (value.VarType() != TVarType::varString)
                return -1;
            step.Kind = TStepKind::skText;
            step.Text = caseInsensitive_ ? AnsiUpperCase(value.TextValue()) : value.TextValue();
            break;
        case fkInteger:
        case fkFloat:
            if (value.VarType() != TVarType::varDouble)
                return -1;
            step.Kind = TStepKind::skNumber;
            step.Number = value.AsDouble();
            break;
        case fkDate:
            if (access.DataType != TFieldType::ftDate || value.VarType() != TVarType::varDate)
                return -1;
            step.Kind = TStepKind::skDate;
            step.Milliseconds = DateTimeToMilliseconds(value.AsDateTime());
            break;
        case fkLogical:
            if (access.DataType != TFieldType::ftBoolean || value.VarType() != TVarType::varBoolean)
                return -1;
            step.Kind = TStepKind::skBoolean;
            step.Boolean = value.AsBoolean();
            break;
        default: return -1;
        }
    } else {
        return -1;
    }
    steps_.push_back(std::move(step));
    return static_cast<int>(steps_.size()) - 1;
}

bool TXbDBFCompiledFilter::Accepts(const uint8_t* record, bool oem, bool trimCType) const
{
    return Evaluate(root_, record, oem, trimCType);
}

bool TXbDBFCompiledFilter::Verdict(const TStep& step, int order, bool fieldIsNull) noexcept
{
    if (fieldIsNull)
        order = -1;
    return RelationHolds(step.Operator, step.FieldOnLeft ? order : -order);
}

bool TXbDBFCompiledFilter::Evaluate(int index, const uint8_t* record, bool oem, bool trimCType) const
{
    const TStep& step = steps_[static_cast<size_t>(index)];
    const uint8_t* p = record + step.Offset;
    switch (step.Kind) {
    case TStepKind::skAnd:
        return Evaluate(step.Left, record, oem, trimCType) && Evaluate(step.Right, record, oem, trimCType);
    case TStepKind::skOr:
        return Evaluate(step.Left, record, oem, trimCType) || Evaluate(step.Right, record, oem, trimCType);
    case TStepKind::skNot: return !Evaluate(step.Left, record, oem, trimCType);
    case TStepKind::skText: return CompareText(step, record, oem);
    case TStepKind::skNumber: {
        double value = 0;
        bool present;
        if (step.FastKind == fkInteger) {
            int64_t number = 0;
            present = ParseInteger(p, step.Length, number) && number >= INT32_MIN && number <= INT32_MAX;
            value = static_cast<double>(number);
        } else {
            present = ParseFloat(p, step.Length, value);
        }
        const int order = value < step.Number ? -1 : (value > step.Number ? 1 : 0);
        return Verdict(step, order, !present);
    }
    case TStepKind::skDate: {
        int32_t day = 0;
        if (!ParseDate(p, day))
            return Verdict(step, 0, true);
        const int64_t milliseconds = DateTimeToMilliseconds(static_cast<double>(day - kDateNumberOfDayZero));
        return Verdict(step, milliseconds < step.Milliseconds ? -1 : (milliseconds > step.Milliseconds ? 1 : 0), false);
    }
    case TStepKind::skBoolean: {
        if (p[0] != 'T' && p[0] != 'F')
            return Verdict(step, 0, true);
        return Verdict(step, static_cast<int>(p[0] == 'T') - static_cast<int>(step.Boolean), false);
    }
    case TStepKind::skIsNull: {
        bool isNull;
        switch (step.FastKind) {
        case fkText: isNull = trimCType && TrimmedLength(p, step.Length) == 0; break;
        case fkInteger: {
            int64_t number = 0;
            isNull = !ParseInteger(p, step.Length, number) || number < INT32_MIN || number > INT32_MAX;
            break;
        }
        case fkFloat: {
            double number = 0;
            isNull = !ParseFloat(p, step.Length, number);
            break;
        }
        case fkDate: {
            int32_t day = 0;
            isNull = !ParseDate(p, day);
            break;
        }
        default: isNull = p[0] != 'T' && p[0] != 'F'; break;
        }
        return isNull != step.Negate;
    }
    }
    return false;
}

bool TXbDBFCompiledFilter::CompareText(const TStep& step, const uint8_t* record, bool oem) const
{
    const uint8_t* p = record + step.Offset;
    const int length = TrimmedLength(p, step.Length);
    if (length == 0)
        return Verdict(step, 0, true);
    std::string_view value(reinterpret_cast<const char*>(p), static_cast<size_t>(length));
    if (oem || caseInsensitive_) {
        scratch_.assign(value);
        if (oem)
            OemToAnsiBuff(scratch_.data(), scratch_.size());
        if (caseInsensitive_)
            for (char& c : scratch_)
                c = AnsiUpperChar(c);
        value = scratch_;
    }
    std::string_view a = step.FieldOnLeft ? value : std::string_view(step.Text);
    std::string_view b = step.FieldOnLeft ? std::string_view(step.Text) : value;
    if (step.Operator != TXbExprOperator::opEQ || noPartialCompare_)
        return RelationHolds(step.Operator, CompareBytes(a, b));
    // "=" of two texts: a "*" at the end of either side (the right one only when the left is
    // not empty) compares the shorter length only.
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
        const size_t n = std::min(a.size(), b.size());
        a = a.substr(0, n);
        b = b.substr(0, n);
    }
    return caseInsensitive_ ? AnsiSameText(a, b) : a == b;
}
