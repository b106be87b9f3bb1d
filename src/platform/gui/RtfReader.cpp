#include "platform/gui/RtfReader.h"

#include "platform/gui/GuiText.h"
#include "platform/rtl/CodePages.h"

#include <QColor>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <cctype>
#include <string>
#include <vector>

namespace {

constexpr int maxDepth = 200;

struct State {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int halfPoints = 24;
    int color = 0;
    int font = -1;
    bool skip = false;
    int unicodeSkip = 1;
    Qt::Alignment alignment = Qt::AlignLeft;
    enum class Destination { Text, FontTable, ColorTable, Skip } destination = Destination::Text;
};

class Reader {
public:
    Reader(std::string_view text, QTextDocument& document) : text_(text), cursor_(&document) {}

    void Run()
    {
        std::vector<State> stack;
        State state;
        while (position_ < text_.size()) {
            const char c = text_[position_];
            if (c == '{') {
                ++position_;
                stack.push_back(state);
                if (stack.size() > maxDepth) {
                    state.destination = State::Destination::Skip;
                }
                FlushText(state);
                continue;
            }
            if (c == '}') {
                ++position_;
                FlushText(state);
                if (state.destination == State::Destination::FontTable && !fontName_.empty()) {
                    EndFontEntry();
                }
                if (stack.empty()) {
                    break;
                }
                state = stack.back();
                stack.pop_back();
                continue;
            }
            if (c == '\\') {
                ++position_;
                ControlWord(state);
                continue;
            }
            if (c == '\r' || c == '\n') {
                ++position_;
                continue;
            }
            ++position_;
            AddChar(state, static_cast<unsigned char>(c));
        }
        FlushText(state);
    }

private:
    void AddChar(State& state, unsigned char c)
    {
        if (pendingSkip_ > 0) {
            --pendingSkip_;
            return;
        }
        switch (state.destination) {
        case State::Destination::Text: pending_ += ToQString(std::string_view(reinterpret_cast<const char*>(&c), 1)); break;
        case State::Destination::FontTable:
            if (c == ';') {
                EndFontEntry();
            } else {
                fontName_ += static_cast<char>(c);
            }
            break;
        case State::Destination::ColorTable:
            if (c == ';') {
                colors_.push_back(QColor(red_, green_, blue_));
                red_ = green_ = blue_ = 0;
            }
            break;
        case State::Destination::Skip: break;
        }
    }

    void EndFontEntry()
    {
        if (fontNumber_ >= 0) {
            if (static_cast<size_t>(fontNumber_) >= fonts_.size() && fontNumber_ < 4096) {
                fonts_.resize(static_cast<size_t>(fontNumber_) + 1);
            }
            if (static_cast<size_t>(fontNumber_) < fonts_.size()) {
                fonts_[static_cast<size_t>(fontNumber_)] = ToQString(fontName_).trimmed();
            }
        }
        fontName_.clear();
    }

    QTextCharFormat Format(const State& state) const
    {
        QTextCharFormat format;
        format.setFontWeight(state.bold ? QFont::Bold : QFont::Normal);
        format.setFontItalic(state.italic);
        format.setFontUnderline(state.underline);
        format.setFontStrikeOut(state.strike);
        format.setFontPointSize(state.halfPoints > 0 ? state.halfPoints / 2.0 : 12.0);
        if (state.color > 0 && static_cast<size_t>(state.color) < colors_.size()) {
            format.setForeground(colors_[static_cast<size_t>(state.color)]);
        }
        if (state.font >= 0 && static_cast<size_t>(state.font) < fonts_.size() && !fonts_[static_cast<size_t>(state.font)].isEmpty()) {
            format.setFontFamilies({fonts_[static_cast<size_t>(state.font)]});
        }
        return format;
    }

    void FlushText(const State& state)
    {
        if (pending_.isEmpty()) {
            return;
        }
        QTextBlockFormat block = cursor_.blockFormat();
        block.setAlignment(state.alignment);
        cursor_.setBlockFormat(block);
        cursor_.insertText(pending_, Format(state));
        pending_.clear();
    }

    void NewParagraph(State& state)
    {
        FlushText(state);
        QTextBlockFormat block = cursor_.blockFormat();
        block.setAlignment(state.alignment);
        cursor_.setBlockFormat(block);
        cursor_.insertBlock();
    }

    void ControlWord(State& state)
    {
        if (position_ >= text_.size()) {
            return;
        }
        const char first = text_[position_];
        if (!std::isalpha(static_cast<unsigned char>(first))) {
            ++position_;
            switch (first) {
            case '\\':
            case '{':
            case '}': AddChar(state, static_cast<unsigned char>(first)); break;
            case '~': AddChar(state, 0xA0); break;
            case '_': AddChar(state, '-'); break;
            case '*': state.destination = State::Destination::Skip; break;
            case '\'': {
                int value = 0;
                int digits = 0;
                while (digits < 2 && position_ < text_.size() && std::isxdigit(static_cast<unsigned char>(text_[position_]))) {
                    const char h = text_[position_++];
                    value = value * 16 + (std::isdigit(static_cast<unsigned char>(h)) ? h - '0' : (std::tolower(h) - 'a' + 10));
                    ++digits;
                }
                if (digits > 0) {
                    AddChar(state, static_cast<unsigned char>(value));
                }
                break;
            }
            case '\r':
            case '\n':
                if (state.destination == State::Destination::Text) {
                    NewParagraph(state);
                }
                break;
            default: break;
            }
            return;
        }
        std::string word;
        while (position_ < text_.size() && std::isalpha(static_cast<unsigned char>(text_[position_])) && word.size() < 32) {
            word += text_[position_++];
        }
        bool hasNumber = false;
        bool negative = false;
        long number = 0;
        if (position_ < text_.size() && text_[position_] == '-') {
            negative = true;
            ++position_;
        }
        int digitCount = 0;
        while (position_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[position_]))) {
            if (digitCount < 9) {
                number = number * 10 + (text_[position_] - '0');
            }
            ++digitCount;
            ++position_;
            hasNumber = true;
        }
        if (negative) {
            number = -number;
        }
        if (position_ < text_.size() && text_[position_] == ' ') {
            ++position_;
        }
        Apply(state, word, hasNumber, static_cast<int>(number));
    }

    void Apply(State& state, const std::string& word, bool hasNumber, int number)
    {
        const bool on = !hasNumber || number != 0;
        if (word == "fonttbl") {
            state.destination = State::Destination::FontTable;
        } else if (word == "colortbl") {
            state.destination = State::Destination::ColorTable;
        } else if (word == "stylesheet" || word == "info" || word == "pict" || word == "header" || word == "footer"
                   || word == "object" || word == "listtable" || word == "listoverridetable" || word == "themedata"
                   || word == "latentstyles" || word == "rsidtbl" || word == "generator" || word == "xmlnstbl"
                   || word == "datastore" || word == "colorschememapping" || word == "fldinst" || word == "filetbl") {
            state.destination = State::Destination::Skip;
        } else if (state.destination == State::Destination::FontTable) {
            if (word == "f" && hasNumber) {
                fontNumber_ = number;
                fontName_.clear();
            }
        } else if (state.destination == State::Destination::ColorTable) {
            if (word == "red") {
                red_ = number & 0xFF;
            } else if (word == "green") {
                green_ = number & 0xFF;
            } else if (word == "blue") {
                blue_ = number & 0xFF;
            }
        } else if (state.destination == State::Destination::Text) {
            if (word == "par") {
                NewParagraph(state);
            } else if (word == "line") {
                pending_ += QChar(0x2028);
            } else if (word == "tab") {
                pending_ += QLatin1Char('\t');
            } else if (word == "u" && hasNumber) {
                const int code = number < 0 ? number + 65536 : number;
                pending_ += QChar(static_cast<char16_t>(code));
                pendingSkip_ = state.unicodeSkip;
                return;
            } else {
                FlushText(state);
                if (word == "b") {
                    state.bold = on;
                } else if (word == "i") {
                    state.italic = on;
                } else if (word == "ul") {
                    state.underline = on;
                } else if (word == "ulnone") {
                    state.underline = false;
                } else if (word == "strike") {
                    state.strike = on;
                } else if (word == "fs" && hasNumber && number > 0 && number < 2000) {
                    state.halfPoints = number;
                } else if (word == "cf" && hasNumber) {
                    state.color = number;
                } else if (word == "f" && hasNumber) {
                    state.font = number;
                } else if (word == "plain") {
                    const State keep = state;
                    state = State();
                    state.destination = keep.destination;
                    state.alignment = keep.alignment;
                    state.unicodeSkip = keep.unicodeSkip;
                } else if (word == "pard") {
                    state.alignment = Qt::AlignLeft;
                } else if (word == "qc") {
                    state.alignment = Qt::AlignHCenter;
                } else if (word == "qr") {
                    state.alignment = Qt::AlignRight;
                } else if (word == "qj") {
                    state.alignment = Qt::AlignJustify;
                } else if (word == "ql") {
                    state.alignment = Qt::AlignLeft;
                } else if (word == "uc" && hasNumber && number >= 0 && number < 10) {
                    state.unicodeSkip = number;
                }
            }
        }
        if (word == "uc" && hasNumber && number >= 0 && number < 10) {
            state.unicodeSkip = number;
        }
        pendingSkip_ = 0;
    }

    std::string_view text_;
    size_t position_ = 0;
    QTextCursor cursor_;
    QString pending_;
    int pendingSkip_ = 0;
    std::vector<QColor> colors_;
    std::vector<QString> fonts_;
    int fontNumber_ = -1;
    std::string fontName_;
    int red_ = 0;
    int green_ = 0;
    int blue_ = 0;
};

}  // namespace

bool IsRichText(std::string_view text)
{
    return text.substr(0, 5) == "{\\rtf";
}

void ReadRichText(std::string_view rtf, QTextDocument& document)
{
    document.clear();
    Reader reader(rtf, document);
    reader.Run();
}
