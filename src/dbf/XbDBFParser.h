#pragma once
// Parser and evaluator of the expression language used by table filters and by index key and
// FOR expressions. The text becomes a tree of nodes, typed and scope-checked while it is built;
// the tree is then evaluated against the current record of a field source, either as a filter
// verdict or, in key mode, as a fixed-length key text with its hash code.

#include "dbf/XbDBFExprFieldSource.h"
#include "dbf/XbDBFExprScanner.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/Variants.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

enum class TXbExprNodeKind { nkField, nkConstant, nkOperator, nkFunction };

enum class TXbExprOperator {
    opNone, opOr, opAnd, opNot, opEQ, opNE, opGT, opLT, opGE, opLE, opLike, opIn, opIsNull,
    opIsNotNull, opAdd, opSub, opMul, opDiv
};

enum class TXbExprScope { esRecordVarying, esAggregate, esConstant };

enum class TXbExprConstantKind { ckNull, ckBoolean, ckText, ckNumber };

enum class TXbExprFunction {
    fnNone, fnUpper, fnLower, fnAnsiUpper, fnAnsiLower, fnSubstr, fnStuff, fnStrTran, fnAllTrim,
    fnTrimLeft, fnTrimRight, fnPadR, fnPadL, fnPadC, fnLeft, fnRight, fnSpace, fnStr, fnStrZero,
    fnVal, fnDtoS, fnDtToS, fnYear, fnMonth, fnDay, fnHour, fnMinute, fnSecond, fnDate, fnTime,
    fnGetDate, fnIif, fnDescend, fnSum, fnAvg, fnMin, fnMax, fnCount, fnCountStar
};

struct TXbExprNode {
    TXbExprNodeKind Kind = TXbExprNodeKind::nkConstant;
    TXbExprOperator Operator = TXbExprOperator::opNone;
    TXbExprFunction Function = TXbExprFunction::fnNone;
    // Field name, constant text, or upper-case function name.
    std::string Text;
    TXbExprConstantKind ConstantKind = TXbExprConstantKind::ckNull;
    bool BooleanValue = false;
    TXbExprNode* Left = nullptr;
    TXbExprNode* Right = nullptr;
    TFieldType DataType = TFieldType::ftUnknown;
    int32_t Size = 0;
    int32_t Width = 0;
    int32_t Decimals = 0;
    std::vector<TXbExprNode*> Args;  // function arguments or the value list of IN
    TXbExprScope Scope = TXbExprScope::esRecordVarying;
    int Field = -1;                  // bound field of the source
    int Height = 1;                  // levels of nodes below and including this one

    // A constant's value converted to the node's type, made on first use.
    bool ValueReady = false;
    Variant Value;
};

// Holds every node of one parsed expression and frees them together.
class TXbDBFFilterExpr : public TObject {
public:
    const char* ClassName() const noexcept override { return "TXbDBFFilterExpr"; }
    TXbExprNode* NewNode(TXbExprNodeKind kind);
    size_t NodeCount() const noexcept { return nodes_.size(); }

private:
    std::vector<std::unique_ptr<TXbExprNode>> nodes_;
};

class TXbDBFExprParser : public TXbDBFFilterExpr {
public:
    // Deepest nesting of parentheses, argument lists and operator chains a text may have.
    static constexpr int MaxNestingDepth = 256;
    static constexpr int MaxTreeHeight = 512;
    // Longest text any evaluation step may produce.
    static constexpr size_t MaxTextResult = 65535;

    explicit TXbDBFExprParser(IXbExprFieldSource* source,
                              TParserOptions parserOptions = static_cast<TParserOptions>(TParserOption::poExtSyntax),
                              TFilterOptions filterOptions = {}, std::string_view text = {});
    const char* ClassName() const noexcept override { return "TXbDBFExprParser"; }

    // Parses a table filter, applies the filter checks and evaluates it once.
    void SetFilterExpression(std::string_view text, TFilterOptions filterOptions,
                             TParserOptions parserOptions = static_cast<TParserOptions>(TParserOption::poExtSyntax));
    // Parses a key or FOR expression; no type check of the result.
    void ParseExpression(std::string_view text,
                         TParserOptions parserOptions = static_cast<TParserOptions>(TParserOption::poExtSyntax));

    Variant Execute(TXbExprNode* node);
    Variant Evaluate();
    std::string KeyStringOfResult();
    int32_t GetResultLength() const noexcept { return root_ ? root_->Width : 0; }
    int32_t GetResultDecimals() const noexcept { return root_ ? root_->Decimals : 0; }
    void KeyFromFieldValues(std::string_view fieldNames, const Variant& values, std::string& key, char padChar = ' ');
    int CountMatchingFields(std::string_view fieldNames, int& total) const;
    std::string GetExpressionFields() const;

    TXbExprNode* Root() const noexcept { return root_; }
    IXbExprFieldSource* Source() const noexcept { return source_; }
    TFilterOptions FilterOptions() const noexcept { return filterOptions_; }
    void SetFilterOptions(TFilterOptions options) noexcept { filterOptions_ = options; }
    bool KeyMode() const noexcept { return keyMode_; }
    void SetKeyMode(bool on) noexcept { keyMode_ = on; }
    bool PartialKey() const noexcept { return partialKey_; }
    void SetPartialKey(bool on) noexcept { partialKey_ = on; }
    char PadChar() const noexcept { return padChar_; }
    void SetPadChar(char c) noexcept { padChar_ = c; }
    const Variant& LastResult() const noexcept { return lastResult_; }
    const std::string& LastKey() const noexcept { return lastKey_; }
    int32_t LastHash() const noexcept { return lastHash_; }
    TVarType LastResultType() const noexcept { return lastResultType_; }

private:
    void Parse(std::string_view text, TParserOptions parserOptions);
    TXbExprNode* ParseExpr1();
    TXbExprNode* ParseExpr2();
    TXbExprNode* ParseExpr3();
    TXbExprNode* ParseExpr4();
    TXbExprNode* ParseExpr5();
    TXbExprNode* ParseExpr6();
    TXbExprNode* ParsePrimary();
    TXbExprNode* ParseFunction(TXbExprFunction function, const std::string& name);
    TXbExprNode* ParseInList(TXbExprNode* left);
    TXbExprNode* NewOperator(TXbExprOperator op, TXbExprNode* left, TXbExprNode* right);
    TXbExprNode* NewFieldNode(const std::string& name);
    void TypeComparison(TXbExprOperator op, TXbExprNode* left, TXbExprNode* right);
    void TypeArithmetic(TXbExprNode* node);
    void SetBinaryScope(TXbExprNode* node);
    void CheckHeight(const TXbExprNode* node) const;
    [[noreturn]] void RaiseExpected(const char* what) const;

    // Evaluation (XbDBFExprEval.cpp and XbDBFExprFunctions.cpp).
    Variant ExecuteField(TXbExprNode* node);
    Variant ExecuteConstant(TXbExprNode* node);
    Variant ExecuteOperator(TXbExprNode* node);
    Variant ExecuteFunction(TXbExprNode* node);
    Variant ExecuteDescend(TXbExprNode* node, TXbExprNode* arg);
    bool CompareValues(TXbExprOperator op, const Variant& left, const Variant& right) const;
    // The value of an operand: a ready constant is used where it lies, anything else is
    // evaluated into `holder`.
    const Variant& Operand(TXbExprNode* node, Variant& holder);
    bool CompareFolded(TXbExprOperator op, const Variant& left, const Variant& right) const;
    bool ValuesEqual(const Variant& left, const Variant& right) const;
    std::string PadText(int32_t count) const;

    IXbExprFieldSource* source_ = nullptr;
    TFilterOptions filterOptions_;
    TParserOptions parserOptions_ = 1;
    TXbExprScanner scanner_;
    int depth_ = 0;
    std::unique_ptr<TXbDBFFilterExpr> expression_;
    TXbExprNode* root_ = nullptr;
    std::string trueWord_ = "True";
    std::string falseWord_ = "False";
    char padChar_ = ' ';
    bool keyMode_ = false;
    bool partialKey_ = false;

    Variant lastResult_;
    std::string lastKey_;
    int32_t lastHash_ = 0;
    TVarType lastResultType_ = TVarType::varEmpty;

    bool substituting_ = false;
    std::vector<int> substitutionFields_;
    Variant substitutionValues_;
};

// A one-line printout of a parsed tree, for tests and diagnostics: operators and functions in
// prefix form with their arguments in brackets, fields as [NAME:type], constants as values.
std::string XbExprTreeText(const TXbExprNode* node);
const char* XbExprFieldTypeName(TFieldType type) noexcept;
