#include "platform/classes/FormParser.h"

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exceptions.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace {

// Nested objects, collections and items beyond this depth are refused rather than risking the stack.
constexpr int MaxNesting = 200;

enum class TokenKind { End, Identifier, Integer, Float, String, Binary, Symbol };

struct Token {
    TokenKind kind = TokenKind::End;
    int line = 1;
    std::string text;  // identifier, string value, binary bytes, symbol character
    int64_t integer = 0;
    double real = 0;
};

bool IsIdentStart(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

class Lexer {
public:
    Lexer(std::string_view text, std::string_view source) : text_(text), source_(source) { Advance(); }

    const Token& Current() const { return current_; }
    std::string_view Source() const { return source_; }

    Token Take()
    {
        Token token = std::move(current_);
        Advance();
        return token;
    }

    [[noreturn]] void Fail(int line, const std::string& message) const { ThrowFormError(source_, line, message); }

private:
    char Peek(size_t ahead = 0) const { return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0'; }
    bool AtEnd(size_t ahead = 0) const { return pos_ + ahead >= text_.size(); }

    void SkipBlanks()
    {
        while (!AtEnd()) {
            char c = Peek();
            if (c == '\n') {
                ++line_;
            } else if (c != ' ' && c != '\t' && c != '\r' && c != '\f' && c != '\v') {
                return;
            }
            ++pos_;
        }
    }

    void Advance()
    {
        SkipBlanks();
        current_ = Token{};
        current_.line = line_;
        if (AtEnd()) {
            return;
        }
        char c = Peek();
        if (IsIdentStart(c)) {
            ReadIdentifier();
        } else if (IsDigit(c) || c == '$' || ((c == '-' || c == '+') && (IsDigit(Peek(1)) || Peek(1) == '$'))) {
            ReadNumber();
        } else if (c == '\'' || c == '#') {
            ReadString();
        } else if (c == '{') {
            ReadBinary();
        } else if (std::string_view("=:[](),<>+").find(c) != std::string_view::npos) {
            current_.kind = TokenKind::Symbol;
            current_.text = std::string(1, c);
            ++pos_;
        } else {
            Fail(line_, "Invalid character #" + std::to_string(static_cast<unsigned char>(c)));
        }
    }

    void ReadIdentifier()
    {
        size_t start = pos_;
        while (!AtEnd()) {
            char c = Peek();
            if (IsIdentStart(c) || IsDigit(c)) {
                ++pos_;
            } else if (c == '.' && IsIdentStart(Peek(1))) {
                pos_ += 2;
            } else {
                break;
            }
        }
        current_.kind = TokenKind::Identifier;
        current_.text = std::string(text_.substr(start, pos_ - start));
    }

    void ReadNumber()
    {
        size_t start = pos_;
        bool negative = false;
        if (Peek() == '-' || Peek() == '+') {
            negative = Peek() == '-';
            ++pos_;
        }
        if (Peek() == '$') {
            ++pos_;
            size_t digitsStart = pos_;
            while (!AtEnd() && HexValue(Peek()) >= 0) {
                ++pos_;
            }
            uint64_t value = 0;
            std::string_view digits = text_.substr(digitsStart, pos_ - digitsStart);
            auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
            if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() ||
                (IsIdentStart(Peek()))) {
                Fail(line_, "Invalid number " + std::string(text_.substr(start, pos_ - start)));
            }
            // Hex values are bit patterns: $FFFFFFFF is a valid colour.
            current_.kind = TokenKind::Integer;
            current_.integer = static_cast<int64_t>(negative ? ~value + 1 : value);
            return;
        }
        while (IsDigit(Peek())) {
            ++pos_;
        }
        bool isFloat = false;
        if (Peek() == '.' && IsDigit(Peek(1))) {
            isFloat = true;
            ++pos_;
            while (IsDigit(Peek())) {
                ++pos_;
            }
        }
        if (Peek() == 'e' || Peek() == 'E') {
            size_t save = pos_;
            ++pos_;
            if (Peek() == '-' || Peek() == '+') {
                ++pos_;
            }
            if (IsDigit(Peek())) {
                isFloat = true;
                while (IsDigit(Peek())) {
                    ++pos_;
                }
            } else {
                pos_ = save;
            }
        }
        std::string_view number = text_.substr(start, pos_ - start);
        if (IsIdentStart(Peek())) {
            Fail(line_, "Invalid number " + std::string(number) + Peek());
        }
        std::string_view unsignedPart = number;
        if (!unsignedPart.empty() && (unsignedPart[0] == '+' || unsignedPart[0] == '-')) {
            unsignedPart.remove_prefix(1);
        }
        if (isFloat) {
            double value = 0;
            auto [end, error] = std::from_chars(unsignedPart.data(), unsignedPart.data() + unsignedPart.size(), value);
            if (error != std::errc() || end != unsignedPart.data() + unsignedPart.size() || !std::isfinite(value)) {
                Fail(line_, "Invalid number " + std::string(number));
            }
            current_.kind = TokenKind::Float;
            current_.real = negative ? -value : value;
        } else {
            int64_t value = 0;
            auto [end, error] = std::from_chars(unsignedPart.data(), unsignedPart.data() + unsignedPart.size(), value);
            if (error != std::errc() || end != unsignedPart.data() + unsignedPart.size()) {
                Fail(line_, "Invalid number " + std::string(number));
            }
            current_.kind = TokenKind::Integer;
            current_.integer = negative ? -value : value;
        }
    }

    // Quoted pieces and #nn characters, written next to each other, make one string.
    void ReadString()
    {
        std::string value;
        while (!AtEnd() && (Peek() == '\'' || Peek() == '#')) {
            if (Peek() == '\'') {
                ++pos_;
                for (;;) {
                    if (AtEnd() || Peek() == '\n' || Peek() == '\r') {
                        Fail(line_, "Unterminated string");
                    }
                    char c = Peek();
                    ++pos_;
                    if (c == '\'') {
                        if (Peek() == '\'') {
                            value += '\'';
                            ++pos_;
                            continue;
                        }
                        break;
                    }
                    value += c;
                }
            } else {
                ++pos_;
                int base = 10;
                if (Peek() == '$') {
                    base = 16;
                    ++pos_;
                }
                size_t start = pos_;
                while (!AtEnd() && (base == 16 ? HexValue(Peek()) >= 0 : IsDigit(Peek()))) {
                    ++pos_;
                }
                std::string_view digits = text_.substr(start, pos_ - start);
                unsigned code = 0;
                auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), code, base);
                if (digits.empty() || error != std::errc() || code > 255) {
                    Fail(line_, "Invalid character code #" + std::string(digits));
                }
                value += static_cast<char>(code);
            }
        }
        current_.kind = TokenKind::String;
        current_.text = std::move(value);
    }

    void ReadBinary()
    {
        int startLine = line_;
        ++pos_;
        std::string bytes;
        int high = -1;
        for (;;) {
            if (AtEnd()) {
                Fail(startLine, "Unterminated binary value");
            }
            char c = Peek();
            ++pos_;
            if (c == '}') {
                break;
            }
            if (c == '\n') {
                ++line_;
                continue;
            }
            if (c == ' ' || c == '\t' || c == '\r') {
                continue;
            }
            int digit = HexValue(c);
            if (digit < 0) {
                Fail(line_, "Invalid binary value");
            }
            if (high < 0) {
                high = digit;
            } else {
                bytes += static_cast<char>(high * 16 + digit);
                high = -1;
            }
        }
        if (high >= 0) {
            Fail(line_, "Invalid binary value");
        }
        current_.kind = TokenKind::Binary;
        current_.text = std::move(bytes);
    }

    std::string_view text_;
    std::string_view source_;
    size_t pos_ = 0;
    int line_ = 1;
    Token current_;
};

class Parser {
public:
    Parser(std::string_view text, std::string_view source) : lexer_(text, source) {}

    TFormObject ParseDocument()
    {
        if (!IsKeyword("object")) {
            Fail("'object' expected");
        }
        TFormObject root = ParseObject(0);
        ExpectEnd();
        return root;
    }

    TFormValue ParseCollectionDocument()
    {
        if (!IsSymbol('<')) {
            Fail("'<' expected");
        }
        TFormValue value = ParseValue(0);
        ExpectEnd();
        return value;
    }

private:
    const Token& Current() const { return lexer_.Current(); }
    [[noreturn]] void Fail(const std::string& message) const { lexer_.Fail(Current().line, message); }

    bool IsSymbol(char c) const
    {
        return Current().kind == TokenKind::Symbol && Current().text[0] == c;
    }
    bool IsKeyword(std::string_view word) const
    {
        return Current().kind == TokenKind::Identifier && SameText(Current().text, word);
    }
    void ExpectSymbol(char c)
    {
        if (!IsSymbol(c)) {
            Fail(std::string("'") + c + "' expected");
        }
        lexer_.Take();
    }
    std::string ExpectIdentifier()
    {
        if (Current().kind != TokenKind::Identifier) {
            Fail("Identifier expected");
        }
        return lexer_.Take().text;
    }
    // A component or class name: an identifier without dots.
    std::string ExpectPlainIdentifier()
    {
        if (Current().kind == TokenKind::Identifier && Current().text.find('.') != std::string::npos) {
            Fail("Invalid name " + Current().text);
        }
        return ExpectIdentifier();
    }
    void ExpectEnd()
    {
        if (Current().kind != TokenKind::End) {
            Fail("End of text expected");
        }
    }
    void CheckDepth(int depth) const
    {
        if (depth > MaxNesting) {
            Fail("Nesting too deep");
        }
    }

    TFormObject ParseObject(int depth)
    {
        CheckDepth(depth);
        TFormObject object;
        object.line = Current().line;
        lexer_.Take();  // object
        std::string first = ExpectPlainIdentifier();
        if (IsSymbol(':')) {
            lexer_.Take();
            object.name = std::move(first);
            object.className = ExpectPlainIdentifier();
        } else {
            object.className = std::move(first);
        }
        for (;;) {
            if (IsKeyword("end")) {
                lexer_.Take();
                return object;
            }
            if (IsKeyword("object")) {
                object.children.push_back(ParseObject(depth + 1));
            } else if (Current().kind == TokenKind::Identifier) {
                object.properties.push_back(ParseProperty(depth));
            } else if (Current().kind == TokenKind::End) {
                Fail("'end' expected");
            } else {
                Fail("Identifier expected");
            }
        }
    }

    TFormProperty ParseProperty(int depth)
    {
        TFormProperty property;
        property.line = Current().line;
        property.path = ExpectIdentifier();
        ExpectSymbol('=');
        property.value = ParseValue(depth);
        return property;
    }

    TFormValue ParseValue(int depth)
    {
        CheckDepth(depth);
        TFormValue value;
        value.line = Current().line;
        switch (Current().kind) {
        case TokenKind::Integer:
            value.kind = TFormValue::Kind::Integer;
            value.integer = lexer_.Take().integer;
            return value;
        case TokenKind::Float:
            value.kind = TFormValue::Kind::Float;
            value.real = lexer_.Take().real;
            return value;
        case TokenKind::String:
            value.kind = TFormValue::Kind::String;
            value.text = lexer_.Take().text;
            while (IsSymbol('+')) {
                lexer_.Take();
                if (Current().kind != TokenKind::String) {
                    Fail("String expected");
                }
                value.text += lexer_.Take().text;
            }
            return value;
        case TokenKind::Identifier:
            value.kind = TFormValue::Kind::Identifier;
            value.text = lexer_.Take().text;
            return value;
        case TokenKind::Binary:
            value.kind = TFormValue::Kind::Binary;
            value.text = lexer_.Take().text;
            return value;
        case TokenKind::Symbol:
            break;
        case TokenKind::End:
            Fail("Value expected");
        }
        if (IsSymbol('[')) {
            lexer_.Take();
            value.kind = TFormValue::Kind::Set;
            if (!IsSymbol(']')) {
                value.names.push_back(ExpectIdentifier());
                while (IsSymbol(',')) {
                    lexer_.Take();
                    value.names.push_back(ExpectIdentifier());
                }
            }
            ExpectSymbol(']');
            return value;
        }
        if (IsSymbol('(')) {
            lexer_.Take();
            value.kind = TFormValue::Kind::List;
            while (!IsSymbol(')')) {
                if (Current().kind == TokenKind::Symbol || Current().kind == TokenKind::End) {
                    Fail("')' expected");
                }
                value.list.push_back(ParseValue(depth + 1));
            }
            lexer_.Take();
            return value;
        }
        if (IsSymbol('<')) {
            lexer_.Take();
            value.kind = TFormValue::Kind::Collection;
            while (!IsSymbol('>')) {
                if (!IsKeyword("item")) {
                    Fail("'item' expected");
                }
                TFormItem item;
                item.line = Current().line;
                lexer_.Take();
                while (!IsKeyword("end")) {
                    if (Current().kind != TokenKind::Identifier) {
                        Fail("'end' expected");
                    }
                    item.properties.push_back(ParseProperty(depth + 1));
                }
                lexer_.Take();
                value.items.push_back(std::move(item));
            }
            lexer_.Take();
            return value;
        }
        Fail("Value expected");
    }

    Lexer lexer_;
};

}  // namespace

void ThrowFormError(std::string_view sourceName, int line, const std::string& message)
{
    throw EParserError(std::string(sourceName) + "(" + std::to_string(line) + "): " + message);
}

TFormObject ParseFormText(std::string_view text, std::string_view sourceName)
{
    return Parser(text, sourceName).ParseDocument();
}

TFormValue ParseCollectionText(std::string_view text, std::string_view sourceName)
{
    return Parser(text, sourceName).ParseCollectionDocument();
}

std::string QuoteFormString(std::string_view text)
{
    if (text.empty()) {
        return "''";
    }
    std::string out;
    bool quoted = false;
    for (char c : text) {
        auto code = static_cast<unsigned char>(c);
        if (code >= 32 && code < 127) {
            if (!quoted) {
                out += '\'';
                quoted = true;
            }
            out += c;
            if (c == '\'') {
                out += '\'';
            }
        } else {
            if (quoted) {
                out += '\'';
                quoted = false;
            }
            out += '#';
            out += std::to_string(code);
        }
    }
    if (quoted) {
        out += '\'';
    }
    return out;
}
