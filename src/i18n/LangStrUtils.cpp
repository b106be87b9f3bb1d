#include "i18n/LangStrUtils.h"

namespace {

bool IsBlankOrControl(char c)
{
    auto code = static_cast<unsigned char>(c);
    return code >= 1 && code <= 32;
}

void SkipBlanks(std::string_view text, size_t& i)
{
    while (i < text.size() && IsBlankOrControl(text[i])) {
        ++i;
    }
}

}  // namespace

std::string DecodeStringLiteral(std::string_view text)
{
    if (text.size() < 2) {
        return {};
    }
    std::string result;
    bool inQuotes = false;
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        char c = text[i];
        if (c == '\'') {
            if (i == 0) {
                inQuotes = true;
                ++i;
                continue;
            }
            if (i + 1 < n && text[i + 1] == '\'') {
                if (inQuotes) {
                    result += '\'';
                }
                i += 2;
                continue;
            }
            if (i + 1 == n || !inQuotes) {
                inQuotes = !inQuotes;
                ++i;
                continue;
            }
            if (text[i + 1] == '#') {
                inQuotes = false;
                ++i;
                continue;
            }
            return {};  // a quoted run closed and followed by something that is no "#"
        }
        if (c == '#' && !inQuotes) {
            ++i;
            unsigned code = 0;
            bool digits = false;
            while (i < n && text[i] >= '0' && text[i] <= '9') {
                code = (code * 10 + static_cast<unsigned>(text[i] - '0')) & 0xFFu;
                digits = true;
                ++i;
            }
            result += static_cast<char>(digits ? code : 255u);
            continue;
        }
        result += c;
        ++i;
    }
    if (inQuotes) {
        return {};
    }
    return result;
}

std::vector<std::string> DecodeCommaList(std::string_view text)
{
    std::vector<std::string> lines;
    size_t i = 0;
    const size_t n = text.size();
    SkipBlanks(text, i);
    if (i >= n) {
        return lines;
    }
    for (;;) {
        std::string item;
        if (text[i] == '\'') {
            ++i;
            while (i < n) {
                if (text[i] == '\'') {
                    if (i + 1 < n && text[i + 1] == '\'') {
                        item += '\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text[i++];
            }
        } else {
            size_t start = i;
            while (i < n && static_cast<unsigned char>(text[i]) > 32 && text[i] != ',') {
                ++i;
            }
            item.assign(text.substr(start, i - start));
        }
        lines.push_back(std::move(item));
        SkipBlanks(text, i);
        if (i >= n || text[i] != ',') {
            break;
        }
        ++i;
        SkipBlanks(text, i);
        if (i >= n) {
            lines.emplace_back();
            break;
        }
    }
    return lines;
}

std::string TextBefore(std::string_view delimiter, std::string_view text)
{
    size_t at = delimiter.empty() ? std::string_view::npos : text.find(delimiter);
    return std::string(at == std::string_view::npos ? text : text.substr(0, at));
}

std::string TextAfter(std::string_view delimiter, std::string_view text)
{
    size_t at = delimiter.empty() ? std::string_view::npos : text.find(delimiter);
    return at == std::string_view::npos ? std::string() : std::string(text.substr(at + delimiter.size()));
}

std::string FileNameWithoutExt(std::string_view path)
{
    size_t slash = path.find_last_of("/\\:");
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) {
        return {};
    }
    return std::string(name.substr(0, dot));
}
