#include "dbf/XbDBFParser.h"

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exceptions.h"

#include <algorithm>
#include <utility>

namespace {

constexpr const char* kTypeMismatch = "Type mismatch in expression";





struct FunctionEntry {
    const char* name;
    TXbExprFunction function;
};

constexpr FunctionEntry kFunctions[] = {
    {"UPPER", TXbExprFunction::fnUpper},         {"LOWER", TXbExprFunction::fnLower},
    {"ANSIUPPER", TXbExprFunction::fnAnsiUpper}, {"ANSILOWER", TXbExprFunction::fnAnsiLower},
    {"SUBSTR", TXbExprFunction::fnSubstr},       {"SUBSTRING", TXbExprFunction::fnSubstr},
    {"STUFF", TXbExprFunction::fnStuff},         {"STRTRAN", TXbExprFunction::fnStrTran},
    {"ALLTRIM", TXbExprFunction::fnAllTrim},     {"TRIMLEFT", TXbExprFunction::fnTrimLeft},
    {"LTRIM", TXbExprFunction::fnTrimLeft},      {"TRIMRIGHT", TXbExprFunction::fnTrimRight},
    {"RTRIM", TXbExprFunction::fnTrimRight},     {"TRIM", TXbExprFunction::fnTrimRight},
    {"PADR", TXbExprFunction::fnPadR},           {"PADL", TXbExprFunction::fnPadL},
    {"PADC", TXbExprFunction::fnPadC},           {"LEFT", TXbExprFunction::fnLeft},
    {"RIGHT", TXbExprFunction::fnRight},         {"SPACE", TXbExprFunction::fnSpace},
    {"STR", TXbExprFunction::fnStr},             {"STRZERO", TXbExprFunction::fnStrZero},
    {"VAL", TXbExprFunction::fnVal},             {"DTOS", TXbExprFunction::fnDtoS},
    {"DTTOS", TXbExprFunction::fnDtToS},         {"YEAR", TXbExprFunction::fnYear},
    {"MONTH", TXbExprFunction::fnMonth},         {"DAY", TXbExprFunction::fnDay},
    {"HOUR", TXbExprFunction::fnHour},           {"MINUTE", TXbExprFunction::fnMinute},
    {"SECOND", TXbExprFunction::fnSecond},       {"DATE", TXbExprFunction::fnDate},
    {"TIME", TXbExprFunction::fnTime},           {"GETDATE", TXbExprFunction::fnGetDate},
    {"IF", TXbExprFunction::fnIif},              {"IIF", TXbExprFunction::fnIif},
    {"DESCEND", TXbExprFunction::fnDescend},     {"SUM", TXbExprFunction::fnSum},
    {"AVG", TXbExprFunction::fnAvg},             {"MIN", TXbExprFunction::fnMin},
    {"MAX", TXbExprFunction::fnMax},             {"COUNT", TXbExprFunction::fnCount},
};

TXbExprFunction FindFunction(const std::string& name)
{
    for (const FunctionEntry& entry : kFunctions) {
        if (SameText(name, entry.name))
            return entry.function;
    }
    return TXbExprFunction::fnNone;
}

bool HasFlag(TParserOptions options, TParserOption flag)
{
    return (options & static_cast<TParserOptions>(flag)) != 0;
}

// Guards the parser's recursion depth.
class DepthGuard {
public:
    DepthGuard(int& depth, int limit) : depth_(depth)
    {
        if (++depth_ > limit) {
            --depth_;
            throw EDatabaseError("Expression nested too deeply");
        }
    }
    ~DepthGuard() { --depth_; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;

private:
    int& depth_;
};

}  // namespace

TXbExprNode* TXbDBFFilterExpr::NewNode(TXbExprNodeKind kind)
{
    nodes_.push_back(std::make_unique<TXbExprNode>());
    TXbExprNode* node = nodes_.back().get();
    node->Kind = kind;
    return node;
}

TXbDBFExprParser::TXbDBFExprParser(IXbExprFieldSource* source, TParserOptions parserOptions,
                                   TFilterOptions filterOptions, std::string_view text)
    : source_(source), filterOptions_(filterOptions), parserOptions_(parserOptions)
{
    if (!text.empty())
        Parse(text, parserOptions);
}

void TXbDBFExprParser::RaiseExpected(const char* what) const
{
    throw EDatabaseError(std::string(what) + " expected but " + scanner_.TokenForMessage() + " found");
}

void TXbDBFExprParser::Parse(std::string_view text, TParserOptions parserOptions)
{
    parserOptions_ = parserOptions;
    root_ = nullptr;
    expression_ = std::make_unique<TXbDBFFilterExpr>();
    depth_ = 0;
    if (text.empty())
        return;
    scanner_.Reset(text);
    scanner_.NextToken();
    TXbExprNode* root = ParseExpr1();
    if (scanner_.Token() != TXbExprToken::etEnd)
        throw EDatabaseError("Filter expression incorrectly terminated");
    root_ = root;
}

void TXbDBFExprParser::ParseExpression(std::string_view text, TParserOptions parserOptions)
{
    Parse(text, parserOptions);
}

void TXbDBFExprParser::SetFilterExpression(std::string_view text, TFilterOptions filterOptions,
                                           TParserOptions parserOptions)
{
    filterOptions_ = filterOptions;
    Parse(text, parserOptions);
    if (!root_)
        return;
    TXbExprNode* root = root_;
    root_ = nullptr;
    if (HasFlag(parserOptions, TParserOption::poAggregate)) {
        if (root->Scope != TXbExprScope::esAggregate)
            throw EDatabaseError("Expression is not an aggregate expression");
    } else if (root->Scope == TXbExprScope::esAggregate) {
        throw EDatabaseError("Aggregate expressions not allowed in filters");
    }
    if (!HasFlag(parserOptions, TParserOption::poAggregate) && !HasFlag(parserOptions, TParserOption::poDefaultExpr) &&
        root->DataType != TFieldType::ftBoolean)
        throw EDatabaseError("Incorrectly formed filter expression");
    root_ = root;
    Evaluate();
}

void TXbDBFExprParser::CheckHeight(const TXbExprNode* node) const
{
    if (node->Height > MaxTreeHeight)
        throw EDatabaseError("Expression nested too deeply");
}

void TXbDBFExprParser::SetBinaryScope(TXbExprNode* node)
{
    TXbExprScope a = node->Left->Scope;
    TXbExprScope b = node->Right->Scope;
    if ((a == TXbExprScope::esRecordVarying && b == TXbExprScope::esAggregate) ||
        (a == TXbExprScope::esAggregate && b == TXbExprScope::esRecordVarying))
        throw EDatabaseError("Operation cannot mix aggregate value with record-varying value");
    if (a == TXbExprScope::esConstant && b == TXbExprScope::esConstant)
        node->Scope = TXbExprScope::esConstant;
    else if (a == TXbExprScope::esAggregate || b == TXbExprScope::esAggregate)
        node->Scope = TXbExprScope::esAggregate;
    else
        node->Scope = TXbExprScope::esRecordVarying;
}

TXbExprNode* TXbDBFExprParser::NewOperator(TXbExprOperator op, TXbExprNode* left, TXbExprNode* right)
{
    TXbExprNode* node = expression_->NewNode(TXbExprNodeKind::nkOperator);
    node->Operator = op;
    node->Left = left;
    node->Right = right;
    node->Height = 1 + std::max(left ? left->Height : 0, right ? right->Height : 0);
    CheckHeight(node);
    if (right)
        SetBinaryScope(node);
    else if (left)
        node->Scope = left->Scope;
    return node;
}

TXbExprNode* TXbDBFExprParser::ParseExpr1()
{
    DepthGuard guard(depth_, MaxNestingDepth);
    TXbExprNode* node = ParseExpr2();
    while (scanner_.Token() == TXbExprToken::etSymbol && SameText(scanner_.TokenText(), "OR")) {
        scanner_.NextToken();
        TXbExprNode* right = ParseExpr2();
        node = NewOperator(TXbExprOperator::opOr, node, right);
        node->DataType = TFieldType::ftBoolean;
    }
    return node;
}

TXbExprNode* TXbDBFExprParser::ParseExpr2()
{
    TXbExprNode* node = ParseExpr3();
    while (scanner_.Token() == TXbExprToken::etSymbol && SameText(scanner_.TokenText(), "AND")) {
        scanner_.NextToken();
        TXbExprNode* right = ParseExpr3();
        node = NewOperator(TXbExprOperator::opAnd, node, right);
        node->DataType = TFieldType::ftBoolean;
    }
    return node;
}

TXbExprNode* TXbDBFExprParser::ParseExpr3()
{
    if (scanner_.Token() == TXbExprToken::etSymbol && SameText(scanner_.TokenText(), "NOT")) {
        scanner_.NextToken();
        TXbExprNode* operand = ParseExpr4();
        TXbExprNode* node = NewOperator(TXbExprOperator::opNot, operand, nullptr);
        node->DataType = TFieldType::ftBoolean;
        return node;
    }
    return ParseExpr4();
}

void TXbDBFExprParser::TypeComparison(TXbExprOperator op, TXbExprNode* left, TXbExprNode* right)
{
    if (left->Kind == TXbExprNodeKind::nkField && right->Kind == TXbExprNodeKind::nkConstant) {
        right->DataType = left->DataType;
        right->Size = left->Size;
    } else if (right->Kind == TXbExprNodeKind::nkField && left->Kind == TXbExprNodeKind::nkConstant) {
        left->DataType = right->DataType;
        left->Size = right->Size;
    }
    if (IsBlobFieldType(left->DataType) || IsBlobFieldType(right->DataType)) {
        if (op != TXbExprOperator::opLike || (IsBlobFieldType(right->DataType) && right->Kind != TXbExprNodeKind::nkConstant))
            throw EDatabaseError(kTypeMismatch);
        if (right->Kind == TXbExprNodeKind::nkConstant)
            right->DataType = TFieldType::ftString;
    }
    if (IsDateFieldType(left->DataType) && IsTextFieldType(right->DataType))
        right->DataType = left->DataType;
    else if (IsDateFieldType(right->DataType) && IsTextFieldType(left->DataType))
        left->DataType = right->DataType;
}

TXbExprNode* TXbDBFExprParser::ParseExpr4()
{
    TXbExprNode* left = ParseExpr5();
    TXbExprOperator op = TXbExprOperator::opNone;
    switch (scanner_.Token()) {
    case TXbExprToken::etEQ: op = TXbExprOperator::opEQ; break;
    case TXbExprToken::etNE: op = TXbExprOperator::opNE; break;
    case TXbExprToken::etGE: op = TXbExprOperator::opGE; break;
    case TXbExprToken::etLE: op = TXbExprOperator::opLE; break;
    case TXbExprToken::etGT: op = TXbExprOperator::opGT; break;
    case TXbExprToken::etLT: op = TXbExprOperator::opLT; break;
    case TXbExprToken::etLIKE: op = TXbExprOperator::opLike; break;
    case TXbExprToken::etIN:
        return ParseInList(left);
    case TXbExprToken::etISNULL:
    case TXbExprToken::etISNOTNULL: {
        TXbExprOperator nullOp = scanner_.Token() == TXbExprToken::etISNULL ? TXbExprOperator::opIsNull
                                                                          : TXbExprOperator::opIsNotNull;
        scanner_.NextToken();
        TXbExprNode* node = NewOperator(nullOp, left, nullptr);
        node->DataType = TFieldType::ftBoolean;
        return node;
    }
    default:
        return left;
    }
    scanner_.NextToken();
    TXbExprNode* right = ParseExpr5();
    TypeComparison(op, left, right);
    TXbExprNode* node = NewOperator(op, left, right);
    node->DataType = TFieldType::ftBoolean;
    return node;
}

TXbExprNode* TXbDBFExprParser::ParseInList(TXbExprNode* left)
{
    scanner_.NextToken();
    if (scanner_.Token() != TXbExprToken::etLParen)
        RaiseExpected("'('");
    scanner_.NextToken();
    if (scanner_.Token() == TXbExprToken::etRParen)
        throw EDatabaseError("IN predicate list may not be empty");
    TXbExprNode* node = NewOperator(TXbExprOperator::opIn, left, nullptr);
    node->DataType = TFieldType::ftBoolean;
    for (;;) {
        TXbExprNode* element = ParseExpr1();
        if (IsDateFieldType(left->DataType))
            element->DataType = left->DataType;
        node->Args.push_back(element);
        node->Height = std::max(node->Height, element->Height + 1);
        CheckHeight(node);
        if (scanner_.Token() == TXbExprToken::etComma) {
            scanner_.NextToken();
            continue;
        }
        if (scanner_.Token() == TXbExprToken::etRParen) {
            scanner_.NextToken();
            break;
        }
        RaiseExpected("')' or ','");
    }
    return node;
}

void TXbDBFExprParser::TypeArithmetic(TXbExprNode* node)
{
    TXbExprNode* left = node->Left;
    TXbExprNode* right = node->Right;
    TFieldType a = left->DataType;
    TFieldType b = right->DataType;
    const TXbExprOperator op = node->Operator;
    if (IsNumericFieldType(a) && IsNumericFieldType(b)) {
        node->DataType = TFieldType::ftFloat;
    } else if (op == TXbExprOperator::opAdd && IsTextFieldType(a) && IsTextFieldType(b)) {
        node->DataType = TFieldType::ftString;
    } else if (op == TXbExprOperator::opAdd && IsDateFieldType(a) && IsNumericFieldType(b)) {
        node->DataType = TFieldType::ftDateTime;
    } else if (op == TXbExprOperator::opSub && IsDateFieldType(a) && IsNumericFieldType(b)) {
        node->DataType = a;
    } else if (op == TXbExprOperator::opSub && IsDateFieldType(a) && IsDateFieldType(b)) {
        node->DataType = TFieldType::ftFloat;
    } else if (op == TXbExprOperator::opSub && IsTextFieldType(a) && IsDateFieldType(b)) {
        left->DataType = b;
        node->DataType = TFieldType::ftFloat;
    } else if ((op == TXbExprOperator::opAdd || op == TXbExprOperator::opSub) && IsTextFieldType(a) &&
               left->Kind == TXbExprNodeKind::nkConstant && IsNumericFieldType(b)) {
        left->DataType = TFieldType::ftDateTime;
        node->DataType = TFieldType::ftDateTime;
    } else {
        throw EDatabaseError(kTypeMismatch);
    }
}

TXbExprNode* TXbDBFExprParser::ParseExpr5()
{
    TXbExprNode* node = ParseExpr6();
    while (scanner_.Token() == TXbExprToken::etADD || scanner_.Token() == TXbExprToken::etSUB) {
        if (!HasFlag(parserOptions_, TParserOption::poExtSyntax))
            throw EDatabaseError("Arithmetic in filter expressions not supported");
        TXbExprOperator op = scanner_.Token() == TXbExprToken::etADD ? TXbExprOperator::opAdd : TXbExprOperator::opSub;
        scanner_.NextToken();
        TXbExprNode* right = ParseExpr6();
        node = NewOperator(op, node, right);
        TypeArithmetic(node);
    }
    return node;
}

TXbExprNode* TXbDBFExprParser::ParseExpr6()
{
    TXbExprNode* node = ParsePrimary();
    while (scanner_.Token() == TXbExprToken::etMUL || scanner_.Token() == TXbExprToken::etDIV) {
        if (!HasFlag(parserOptions_, TParserOption::poExtSyntax))
            throw EDatabaseError("Arithmetic in filter expressions not supported");
        TXbExprOperator op = scanner_.Token() == TXbExprToken::etMUL ? TXbExprOperator::opMul : TXbExprOperator::opDiv;
        scanner_.NextToken();
        TXbExprNode* right = ParsePrimary();
        node = NewOperator(op, node, right);
        TypeArithmetic(node);
    }
    return node;
}

TXbExprNode* TXbDBFExprParser::NewFieldNode(const std::string& name)
{
    int field = source_ ? source_->FindField(UpperCase(name)) : -1;
    if (field < 0)
        throw EDatabaseError("Field '" + name + "' not found");
    const TXbExprFieldInfo& info = source_->FieldInfo(field);
    TXbExprNode* node = expression_->NewNode(TXbExprNodeKind::nkField);
    node->Text = info.Name;
    node->Field = field;
    node->DataType = info.DataType;
    node->Size = info.Size;
    node->Scope = TXbExprScope::esRecordVarying;
    return node;
}

TXbExprNode* TXbDBFExprParser::ParseFunction(TXbExprFunction function, const std::string& name)
{
    // The current token is '('.
    TXbExprNode* node = expression_->NewNode(TXbExprNodeKind::nkFunction);
    node->Function = function;
    node->Text = UpperCase(name);
    scanner_.NextToken();
    if (function == TXbExprFunction::fnCount && scanner_.Token() == TXbExprToken::etMUL) {
        node->Function = TXbExprFunction::fnCountStar;
        node->Text = "COUNT(*)";
        scanner_.NextToken();
        if (scanner_.Token() != TXbExprToken::etRParen)
            RaiseExpected("')'");
        scanner_.NextToken();
    } else if (scanner_.Token() == TXbExprToken::etRParen) {
        scanner_.NextToken();
    } else {
        for (;;) {
            TXbExprNode* arg = ParseExpr1();
            node->Args.push_back(arg);
            node->Height = std::max(node->Height, arg->Height + 1);
            CheckHeight(node);
            if (scanner_.Token() == TXbExprToken::etComma) {
                scanner_.NextToken();
                continue;
            }
            if (scanner_.Token() == TXbExprToken::etRParen) {
                scanner_.NextToken();
                break;
            }
            RaiseExpected("')' or ','");
        }
    }
    if (node->Args.empty() && node->Function != TXbExprFunction::fnCountStar &&
        node->Function != TXbExprFunction::fnGetDate)
        throw EDatabaseError(kTypeMismatch);
    node->Scope = node->Args.empty() ? TXbExprScope::esConstant : node->Args.front()->Scope;
    node->DataType = TFieldType::ftString;
    switch (node->Function) {
    case TXbExprFunction::fnYear:
    case TXbExprFunction::fnMonth:
    case TXbExprFunction::fnDay:
    case TXbExprFunction::fnHour:
    case TXbExprFunction::fnMinute:
    case TXbExprFunction::fnSecond:
        node->DataType = TFieldType::ftInteger;
        break;
    case TXbExprFunction::fnDate:
        node->DataType = TFieldType::ftDate;
        break;
    case TXbExprFunction::fnTime:
        node->DataType = TFieldType::ftTime;
        break;
    case TXbExprFunction::fnGetDate:
        node->DataType = TFieldType::ftDateTime;
        node->Scope = TXbExprScope::esConstant;
        break;
    case TXbExprFunction::fnSum:
    case TXbExprFunction::fnAvg:
        node->DataType = TFieldType::ftFloat;
        node->Scope = TXbExprScope::esAggregate;
        break;
    case TXbExprFunction::fnMin:
    case TXbExprFunction::fnMax:
        node->DataType = node->Args.front()->DataType;
        node->Scope = TXbExprScope::esAggregate;
        break;
    case TXbExprFunction::fnCount:
    case TXbExprFunction::fnCountStar:
        node->DataType = TFieldType::ftInteger;
        node->Scope = TXbExprScope::esAggregate;
        break;
    default:
        break;
    }
    return node;
}

TXbExprNode* TXbDBFExprParser::ParsePrimary()
{
    TXbExprNode* node = nullptr;
    switch (scanner_.Token()) {
    case TXbExprToken::etSymbol: {
        const std::string name = scanner_.TokenText();
        if (scanner_.NextCharIsOpenParen()) {
            TXbExprFunction function = FindFunction(name);
            if (function != TXbExprFunction::fnNone) {
                scanner_.NextToken();
                return ParseFunction(function, name);
            }
        }
        if (SameText(name, "NULL")) {
            node = expression_->NewNode(TXbExprNodeKind::nkConstant);
            node->ConstantKind = TXbExprConstantKind::ckNull;
            node->Text = "NULL";
            node->Scope = TXbExprScope::esConstant;
        } else if (AnsiSameText(name, trueWord_) || AnsiSameText(name, falseWord_)) {
            node = expression_->NewNode(TXbExprNodeKind::nkConstant);
            node->ConstantKind = TXbExprConstantKind::ckBoolean;
            node->BooleanValue = AnsiSameText(name, trueWord_);
            node->Text = node->BooleanValue ? "TRUE" : "FALSE";
            // Left untyped, so that a bare TRUE is no filter while ACTIVE = TRUE types it.
            node->Scope = TXbExprScope::esConstant;
        } else {
            node = NewFieldNode(name);
        }
        break;
    }
    case TXbExprToken::etName:
        node = NewFieldNode(scanner_.TokenText());
        break;
    case TXbExprToken::etLiteral:
        node = expression_->NewNode(TXbExprNodeKind::nkConstant);
        node->Text = scanner_.TokenText();
        node->Scope = TXbExprScope::esConstant;
        if (scanner_.TokenIsNumber()) {
            // Stored data always uses '.' as the decimal point, so the text stays as written.
            node->ConstantKind = TXbExprConstantKind::ckNumber;
            node->DataType = TFieldType::ftFloat;
        } else {
            node->ConstantKind = TXbExprConstantKind::ckText;
            node->DataType = TFieldType::ftString;
        }
        break;
    case TXbExprToken::etLParen: {
        scanner_.NextToken();
        node = ParseExpr1();
        if (scanner_.Token() != TXbExprToken::etRParen)
            RaiseExpected("')'");
        break;
    }
    default:
        RaiseExpected("Expression");
    }
    scanner_.NextToken();
    return node;
}

// Tree walks -----------------------------------------------------------------------------------

namespace {

template <typename Visit>
void WalkFields(const TXbExprNode* node, Visit& visit)
{
    if (!node)
        return;
    if (node->Kind == TXbExprNodeKind::nkField)
        visit(node);
    WalkFields(node->Left, visit);
    WalkFields(node->Right, visit);
    for (const TXbExprNode* arg : node->Args)
        WalkFields(arg, visit);
}

}  // namespace

std::string TXbDBFExprParser::GetExpressionFields() const
{
    std::string result;
    auto visit = [&result](const TXbExprNode* node) {
        result += UpperCase(node->Text);
        result += ';';
    };
    WalkFields(root_, visit);
    return result;
}

int TXbDBFExprParser::CountMatchingFields(std::string_view fieldNames, int& total) const
{
    // The list is split at ';' and compared name by name, so a field AB never matches ABC.
    std::vector<std::string> names;
    size_t start = 0;
    while (start <= fieldNames.size()) {
        size_t end = fieldNames.find(';', start);
        if (end == std::string_view::npos)
            end = fieldNames.size();
        if (end > start)
            names.push_back(UpperCase(fieldNames.substr(start, end - start)));
        start = end + 1;
    }
    int matching = 0;
    bool stillMatching = true;
    total = 0;
    auto visit = [&](const TXbExprNode* node) {
        ++total;
        if (!stillMatching)
            return;
        const std::string name = UpperCase(node->Text);
        if (std::find(names.begin(), names.end(), name) != names.end())
            ++matching;
        else
            stillMatching = false;
    };
    WalkFields(root_, visit);
    return matching;
}

// Printout -------------------------------------------------------------------------------------

const char* XbExprFieldTypeName(TFieldType type) noexcept
{
    static constexpr const char* names[] = {
        "ftUnknown", "ftString", "ftSmallint", "ftInteger", "ftWord", "ftBoolean", "ftFloat", "ftCurrency",
        "ftBCD", "ftDate", "ftTime", "ftDateTime", "ftBytes", "ftVarBytes", "ftAutoInc", "ftBlob", "ftMemo",
        "ftGraphic", "ftFmtMemo", "ftParadoxOle", "ftDBaseOle", "ftTypedBinary", "ftCursor", "ftFixedChar",
        "ftWideString", "ftLargeint", "ftADT", "ftArray", "ftReference", "ftDataSet"};
    size_t index = static_cast<size_t>(type);
    return index < std::size(names) ? names[index] : "?";
}

namespace {

const char* OperatorName(TXbExprOperator op)
{
    switch (op) {
    case TXbExprOperator::opOr: return "OR";
    case TXbExprOperator::opAnd: return "AND";
    case TXbExprOperator::opNot: return "NOT";
    case TXbExprOperator::opEQ: return "=";
    case TXbExprOperator::opNE: return "<>";
    case TXbExprOperator::opGT: return ">";
    case TXbExprOperator::opLT: return "<";
    case TXbExprOperator::opGE: return ">=";
    case TXbExprOperator::opLE: return "<=";
    case TXbExprOperator::opLike: return "LIKE";
    case TXbExprOperator::opIn: return "IN";
    case TXbExprOperator::opIsNull: return "ISNULL";
    case TXbExprOperator::opIsNotNull: return "ISNOTNULL";
    case TXbExprOperator::opAdd: return "+";
    case TXbExprOperator::opSub: return "-";
    case TXbExprOperator::opMul: return "*";
    case TXbExprOperator::opDiv: return "/";
    case TXbExprOperator::opNone: break;
    }
    return "?";
}

void PrintTree(const TXbExprNode* node, std::string& out)
{
    if (!node) {
        out += "()";
        return;
    }
    switch (node->Kind) {
    case TXbExprNodeKind::nkField:
        out += "[" + node->Text + "]";
        return;
    case TXbExprNodeKind::nkConstant:
        switch (node->ConstantKind) {
        case TXbExprConstantKind::ckNull: out += "NULL"; break;
        case TXbExprConstantKind::ckBoolean: out += node->BooleanValue ? "TRUE" : "FALSE"; break;
        case TXbExprConstantKind::ckNumber: out += node->Text; break;
        case TXbExprConstantKind::ckText: {
            out += '\'';
            for (char c : node->Text) {
                out += c;
                if (c == '\'')
                    out += '\'';
            }
            out += '\'';
            break;
        }
        }
        // The type is shown where a comparison or arithmetic gave the constant another type.
        if ((node->ConstantKind == TXbExprConstantKind::ckText && node->DataType != TFieldType::ftString) ||
            (node->ConstantKind == TXbExprConstantKind::ckNumber && node->DataType != TFieldType::ftFloat))
            out += std::string(":") + XbExprFieldTypeName(node->DataType);
        return;
    case TXbExprNodeKind::nkOperator:
        out += OperatorName(node->Operator);
        out += '(';
        PrintTree(node->Left, out);
        if (node->Right) {
            out += ' ';
            PrintTree(node->Right, out);
        }
        for (const TXbExprNode* arg : node->Args) {
            out += ' ';
            PrintTree(arg, out);
        }
        out += ')';
        return;
    case TXbExprNodeKind::nkFunction:
        out += node->Text;
        out += '{';
        for (size_t i = 0; i < node->Args.size(); ++i) {
            if (i)
                out += ' ';
            PrintTree(node->Args[i], out);
        }
        out += '}';
        return;
    }
}

}  // namespace

std::string XbExprTreeText(const TXbExprNode* node)
{
    std::string out;
    PrintTree(node, out);
    return out;
}
