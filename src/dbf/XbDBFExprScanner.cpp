#include "dbf/XbDBFExprScanner.h"

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exceptions.h"

namespace {

bool IsLetter(unsigned char c) noexcept
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsDigit(unsigned char c) noexcept
{
    return c >= '0' && c <= '9';
}

}  // namespace

bool TXbExprScanner::IsSymbolStart(unsigned char c) noexcept
{
    return IsLetter(c) || c == '_' || (c >= 0x81 && c <= 0xFE);
}

bool TXbExprScanner::IsSymbolChar(unsigned char c) noexcept
{
    return IsSymbolStart(c) || IsDigit(c) || c == '.' || c == '[' || c == ']';
}

void TXbExprScanner::Reset(std::string_view text)
{
    text_.assign(text);
    position_ = 0;
    token_ = TXbExprToken::etEnd;
    previousToken_ = TXbExprToken::etEnd;
    tokenText_.clear();
    tokenIsNumber_ = false;
    tokenStart_ = 0;
}

std::string TXbExprScanner::TokenForMessage() const
{
    if (token_ == TXbExprToken::etEnd)
        return "nothing";
    return "'" + tokenText_ + "'";
}

bool TXbExprScanner::NextCharIsOpenParen() const
{
    size_t p = position_;
    while (p < text_.size() && IsBlank(static_cast<unsigned char>(text_[p])))
        ++p;
    return p < text_.size() && text_[p] == '(';
}

void TXbExprScanner::RaiseInvalidCharacter(unsigned char c) const
{
    // A NUL byte would cut the message short; show it by its code.
    std::string shown = c == 0 ? std::string("#0") : std::string(1, static_cast<char>(c));
    throw EDatabaseError("Invalid filter expression character: '" + shown + "'");
}

void TXbExprScanner::SkipBlanksAndComment()
{
    auto skipBlanks = [this] {
        while (position_ < text_.size() && IsBlank(static_cast<unsigned char>(text_[position_])))
            ++position_;
    };
    skipBlanks();
    if (position_ + 1 < text_.size() && text_[position_] == '/' && text_[position_ + 1] == '*') {
        size_t star = text_.find('*', position_ + 2);
        if (star == std::string::npos)
            RaiseInvalidCharacter('/');
        if (star + 1 >= text_.size() || text_[star + 1] != '/')
            RaiseInvalidCharacter('*');
        position_ = star + 2;
        skipBlanks();
    }
}

void TXbExprScanner::NextToken()
{
    previousToken_ = token_;
    tokenText_.clear();
    tokenIsNumber_ = false;
    SkipBlanksAndComment();
    tokenStart_ = position_;
    if (position_ >= text_.size()) {
        token_ = TXbExprToken::etEnd;
        return;
    }
    const unsigned char c = static_cast<unsigned char>(text_[position_]);
    auto single = [this, c](TXbExprToken token) {
        token_ = token;
        tokenText_.assign(1, static_cast<char>(c));
        ++position_;
    };
    switch (c) {
    case '!':
        ++position_;
        token_ = TXbExprToken::etSymbol;
        tokenText_ = "NOT";
        return;
    case '"':
    case '\'':
        ScanString(static_cast<char>(c));
        return;
    case '(': single(TXbExprToken::etLParen); return;
    case ')': single(TXbExprToken::etRParen); return;
    case '*': single(TXbExprToken::etMUL); return;
    case '+': single(TXbExprToken::etADD); return;
    case ',': single(TXbExprToken::etComma); return;
    case '/': single(TXbExprToken::etDIV); return;
    case '=': single(TXbExprToken::etEQ); return;
    case '<':
        if (position_ + 1 < text_.size() && text_[position_ + 1] == '=') {
            token_ = TXbExprToken::etLE;
            tokenText_ = "<=";
            position_ += 2;
        } else if (position_ + 1 < text_.size() && text_[position_ + 1] == '>') {
            token_ = TXbExprToken::etNE;
            tokenText_ = "<>";
            position_ += 2;
        } else {
            single(TXbExprToken::etLT);
        }
        return;
    case '>':
        if (position_ + 1 < text_.size() && text_[position_ + 1] == '=') {
            token_ = TXbExprToken::etGE;
            tokenText_ = ">=";
            position_ += 2;
        } else {
            single(TXbExprToken::etGT);
        }
        return;
    case '-':
        // After an operand a minus subtracts; elsewhere it starts a number.
        if (previousToken_ == TXbExprToken::etSymbol || previousToken_ == TXbExprToken::etName ||
            previousToken_ == TXbExprToken::etLiteral || previousToken_ == TXbExprToken::etRParen) {
            single(TXbExprToken::etSUB);
        } else {
            ScanNumber();
        }
        return;
    case '.':
        ScanDottedWord();
        return;
    case '[':
        ScanFieldName();
        return;
    default:
        break;
    }
    if (IsDigit(c)) {
        ScanNumber();
        return;
    }
    if (IsSymbolStart(c)) {
        ScanSymbol();
        return;
    }
    RaiseInvalidCharacter(c);
}

void TXbExprScanner::ScanString(char quote)
{
    ++position_;
    for (;;) {
        if (position_ >= text_.size())
            throw EDatabaseError("Unterminated string constant");
        char c = text_[position_++];
        if (c == quote) {
            if (position_ < text_.size() && text_[position_] == quote) {
                tokenText_.push_back(quote);
                ++position_;
                continue;
            }
            break;
        }
        tokenText_.push_back(c);
    }
    token_ = TXbExprToken::etLiteral;
}

void TXbExprScanner::ScanNumber()
{
    // Runs over digits, points, signs and exponent marks, so 1-2 is a single literal.
    size_t start = position_;
    ++position_;
    while (position_ < text_.size()) {
        unsigned char c = static_cast<unsigned char>(text_[position_]);
        if (!(IsDigit(c) || c == '.' || c == '+' || c == '-' || c == 'E' || c == 'e'))
            break;
        ++position_;
    }
    tokenText_.assign(text_, start, position_ - start);
    token_ = TXbExprToken::etLiteral;
    tokenIsNumber_ = true;
}

void TXbExprScanner::ScanDottedWord()
{
    size_t start = position_;
    ++position_;
    while (position_ < text_.size() && IsSymbolChar(static_cast<unsigned char>(text_[position_])))
        ++position_;
    tokenText_.assign(text_, start, position_ - start);
    token_ = TXbExprToken::etSymbol;
    static constexpr std::pair<const char*, const char*> dotted[] = {
        {".T.", "TRUE"}, {".F.", "FALSE"}, {".AND.", "AND"}, {".OR.", "OR"}, {".XOR.", "XOR"}, {".NOT.", "NOT"}};
    for (const auto& [word, symbol] : dotted) {
        if (SameText(tokenText_, word)) {
            tokenText_ = symbol;
            return;
        }
    }
}

std::string TXbExprScanner::ReadLetters()
{
    while (position_ < text_.size() && IsBlank(static_cast<unsigned char>(text_[position_])))
        ++position_;
    size_t start = position_;
    while (position_ < text_.size() && IsLetter(static_cast<unsigned char>(text_[position_])))
        ++position_;
    return text_.substr(start, position_ - start);
}

void TXbExprScanner::ScanIsKeyword()
{
    std::string word = ReadLetters();
    if (SameText(word, "NULL")) {
        token_ = TXbExprToken::etISNULL;
        tokenText_ = "IS NULL";
        return;
    }
    if (SameText(word, "NOT") && SameText(ReadLetters(), "NULL")) {
        token_ = TXbExprToken::etISNOTNULL;
        tokenText_ = "IS NOT NULL";
        return;
    }
    throw EDatabaseError("Invalid use of keyword");
}

void TXbExprScanner::ScanSymbol()
{
    size_t start = position_;
    ++position_;
    while (position_ < text_.size() && IsSymbolChar(static_cast<unsigned char>(text_[position_])))
        ++position_;
    tokenText_.assign(text_, start, position_ - start);
    token_ = TXbExprToken::etSymbol;
    if (SameText(tokenText_, "LIKE")) {
        token_ = TXbExprToken::etLIKE;
    } else if (SameText(tokenText_, "IN")) {
        token_ = TXbExprToken::etIN;
    } else if (SameText(tokenText_, "IS")) {
        ScanIsKeyword();
    }
}

void TXbExprScanner::ScanFieldName()
{
    size_t close = text_.find(']', position_ + 1);
    if (close == std::string::npos)
        throw EDatabaseError("Unterminated field name");
    tokenText_.assign(text_, position_ + 1, close - position_ - 1);
    position_ = close + 1;
    token_ = TXbExprToken::etName;
}
