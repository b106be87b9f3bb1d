#pragma once
// A table filter made only of simple conditions, compiled to tests on the record bytes: a
// field compared with a constant (=, <>, <, <=, >, >=), IS NULL and IS NOT NULL of a field,
// joined by AND, OR and NOT. Each value is read where it lies in the record image, without a
// variant or a string per field; the verdict is the one the general evaluator gives for the
// same record, which stays the evaluator of every other filter.

#include "dbf/XbDBFParser.h"

#include <cstdint>
#include <string>
#include <vector>

struct TXbFieldAccess;

class TXbDBFCompiledFilter {
public:
    // Compiles the parser's filter over the table's fields (in the parser's field order);
    // false, with nothing compiled, when any part of it is beyond the simple conditions or a
    // constant does not convert to its field's type.
    bool Compile(TXbDBFExprParser& parser, const std::vector<TXbFieldAccess>& fields);
    void Clear() noexcept;
    bool Compiled() const noexcept { return !steps_.empty(); }

    // The verdict on a record image. `oem`: texts are translated from the OEM code page before
    // they are compared (the table's OEM); `trimCType`: a blank character field is null for
    // IS NULL (the table's TrimCType).
    bool Accepts(const uint8_t* record, bool oem, bool trimCType) const;

private:
    enum class TStepKind : uint8_t { skAnd, skOr, skNot, skText, skNumber, skDate, skBoolean, skIsNull };

    struct TStep {
        TStepKind Kind = TStepKind::skAnd;
        TXbExprOperator Operator = TXbExprOperator::opNone;
        int Left = -1;   // operand steps of AND, OR and NOT
        int Right = -1;
        // The field: its place in the record image, length and reading kind.
        int Offset = 0;
        int Length = 0;
        uint8_t FastKind = 0;
        bool FieldOnLeft = true;  // the field is the comparison's left operand
        bool Negate = false;      // IS NOT NULL
        // The constant, in its field's terms.
        std::string Text;
        double Number = 0;
        int64_t Milliseconds = 0;
        bool Boolean = false;
    };

    int CompileNode(TXbDBFExprParser& parser, TXbExprNode* node, const std::vector<TXbFieldAccess>& fields);
    bool Evaluate(int step, const uint8_t* record, bool oem, bool trimCType) const;
    bool CompareText(const TStep& step, const uint8_t* record, bool oem) const;
    // The outcome of a comparison from the order of the field's value against the constant
    // (negative, zero, positive); a null field value sorts first and equals nothing.
    static bool Verdict(const TStep& step, int order, bool fieldIsNull) noexcept;

    std::vector<TStep> steps_;
    int root_ = -1;
    bool caseInsensitive_ = false;
    bool noPartialCompare_ = false;
    // Room for a field's text while it is translated or case-folded.
    mutable std::string scratch_;
};
