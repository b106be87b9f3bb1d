#pragma once
// Tokenizer of the filter and key expression language.

#include <cstddef>
#include <string>
#include <string_view>

enum class TXbExprToken {
    etEnd, etSymbol, etName, etLiteral, etLParen, etRParen, etEQ, etNE, etGE, etLE, etGT, etLT,
    etADD, etSUB, etMUL, etDIV, etComma, etLIKE, etISNULL, etISNOTNULL, etIN
};

class TXbExprScanner {
public:
    // The text is copied; scanning starts before the first token (call NextToken).
    void Reset(std::string_view text);
    // Reads the next token; raises EDatabaseError for text that forms no token.
    void NextToken();

    TXbExprToken Token() const noexcept { return token_; }
    TXbExprToken PreviousToken() const noexcept { return previousToken_; }
    // Symbol text (upper-cased for dotted words), field name, or literal value.
    const std::string& TokenText() const noexcept { return tokenText_; }
    bool TokenIsNumber() const noexcept { return tokenIsNumber_; }
    size_t TokenStart() const noexcept { return tokenStart_; }
    // The current token for messages: its text in single quotes, or "nothing" at the end.
    std::string TokenForMessage() const;
    // Whether the next character after blanks is '(' (a function call follows the symbol).
    bool NextCharIsOpenParen() const;

    static bool IsBlank(unsigned char c) noexcept { return c >= 1 && c <= 32; }
    static bool IsSymbolStart(unsigned char c) noexcept;
    static bool IsSymbolChar(unsigned char c) noexcept;

private:
    void SkipBlanksAndComment();
    void ScanString(char quote);
    void ScanNumber();
    void ScanSymbol();
    void ScanDottedWord();
    void ScanFieldName();
    void ScanIsKeyword();
    std::string ReadLetters();
    [[noreturn]] void RaiseInvalidCharacter(unsigned char c) const;

    std::string text_;
    size_t position_ = 0;
    TXbExprToken token_ = TXbExprToken::etEnd;
    TXbExprToken previousToken_ = TXbExprToken::etEnd;
    std::string tokenText_;
    bool tokenIsNumber_ = false;
    size_t tokenStart_ = 0;
};
