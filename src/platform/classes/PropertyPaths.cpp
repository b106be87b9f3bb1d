#include "platform/classes/PropertyPaths.h"

#include "platform/rtl/Exceptions.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <limits>

namespace {

// Paths come from files; a path with more steps than this is not followed.
constexpr int MaxPathSteps = 64;

std::pair<std::string_view, std::string_view> SplitHead(std::string_view path)
{
    size_t dot = path.find('.');
    if (dot == std::string_view::npos) {
        return {path, {}};
    }
    return {path.substr(0, dot), path.substr(dot + 1)};
}

// "Items(3)" -> 3; nullopt when there are no parentheses with a whole number.
std::optional<int> ParseItemIndex(std::string_view word)
{
    size_t open = word.find('(');
    size_t close = word.find(')', open == std::string_view::npos ? 0 : open);
    if (open == std::string_view::npos || close == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view digits = word.substr(open + 1, close - open - 1);
    int value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || digits.empty()) {
        return std::nullopt;
    }
    return value;
}

TPropertyTarget Resolve(TObject& current, std::string_view path, int depth, const TPropertyStepFilter& filter);

TPropertyTarget ResolveFromProperty(TObject& current, const TPropertyInfo& property, std::string_view rest,
                                    int depth, const TPropertyStepFilter& filter)
{
    switch (property.kind) {
    case TPropertyKind::Strings:
        if (rest == "Strings") {
            return {&current, &property};
        }
        return {};
    case TPropertyKind::Object:
    case TPropertyKind::Component: {
        TObject* object = property.getObject(current);
        if (object == nullptr || rest.empty()) {
            return {};
        }
        return Resolve(*object, rest, depth + 1, filter);
    }
    case TPropertyKind::Collection: {
        auto* collection = dynamic_cast<TCollection*>(property.getObject(current));
        if (collection == nullptr || rest.empty()) {
            return {};
        }
        auto [word, afterWord] = SplitHead(rest);
        std::optional<int> index = ParseItemIndex(word);
        if (index && *index >= 0 && *index < collection->Count()) {
            if (afterWord.empty()) {
                return {};
            }
            return Resolve(*collection->Items(*index), afterWord, depth + 1, filter);
        }
        return Resolve(*collection, rest, depth + 1, filter);
    }
    default:
        // A plain value is the target, whatever may follow its name.
        return {&current, &property};
    }
}

TPropertyTarget Resolve(TObject& current, std::string_view path, int depth, const TPropertyStepFilter& filter)
{
    if (depth > MaxPathSteps || path.empty()) {
        return {};
    }
    auto [head, rest] = SplitHead(path);
    if (head.empty()) {
        return {};
    }
    if (const TPropertyInfo* property = FindPublishedProperty(current, head)) {
        if (filter && !filter(current, *property)) {
            return {};
        }
        return ResolveFromProperty(current, *property, rest, depth, filter);
    }
    auto* component = dynamic_cast<TComponent*>(&current);
    if (component == nullptr) {
        return {};
    }
    std::string name(head);
    TComponent* next = component->FindComponent(name);
    if (next == nullptr) {
        next = component->FindChildControl(name);
    }
    if (next == nullptr || rest.empty()) {
        return {};
    }
    return Resolve(*next, rest, depth + 1, filter);
}

int64_t IntegerOrZero(const std::string& text)
{
    std::string_view s(text);
    bool negative = false;
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    int base = 10;
    if (!s.empty() && s[0] == '$') {
        base = 16;
        s.remove_prefix(1);
    } else if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    uint64_t value = 0;
    auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value, base);
    if (s.empty() || error != std::errc() || end != s.data() + s.size()) {
        return 0;
    }
    if (base == 10 && value > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
        return 0;
    }
    auto signedValue = static_cast<int64_t>(value);
    return negative ? -signedValue : signedValue;
}

double FloatOrZero(const std::string& text)
{
    double value = 0;
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    if (begin != end && *begin == '+') {
        ++begin;
    }
    auto [stop, error] = std::from_chars(begin, end, value);
    if (begin == end || error != std::errc() || stop != end) {
        return 0;
    }
    return value;
}

std::string FloatText(double value)
{
    char buffer[64];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return error == std::errc() ? std::string(buffer, end) : std::string("0");
}

std::string SetText(const TEnumInfo& info, uint64_t bits)
{
    std::string text = "[";
    bool first = true;
    for (size_t i = 0; i < info.names.size() && i < 64; ++i) {
        if ((bits >> i) & 1u) {
            if (!first) {
                text += ',';
            }
            text += info.names[i];
            first = false;
        }
    }
    return text + "]";
}

}  // namespace

TPropertyTarget ResolvePropertyPath(TObject& root, std::string_view path, const TPropertyStepFilter& filter)
{
    return Resolve(root, path, 0, filter);
}

bool SetPropertyText(const TPropertyTarget& target, const std::string& text)
{
    if (!target) {
        return false;
    }
    const TPropertyInfo& p = *target.property;
    TObject& o = *target.instance;
    switch (p.kind) {
    case TPropertyKind::Integer:
        p.setInteger(o, IntegerOrZero(text));
        return true;
    case TPropertyKind::Enumeration: {
        int ordinal = p.Enum().IndexOf(text);
        if (ordinal < 0) {
            throw EPropertyError("Invalid property value");
        }
        p.setInteger(o, ordinal);
        return true;
    }
    case TPropertyKind::Float:
        p.setFloat(o, FloatOrZero(text));
        return true;
    case TPropertyKind::String:
        p.setString(o, text);
        return true;
    case TPropertyKind::Strings: {
        auto* strings = dynamic_cast<TStrings*>(p.getObject(o));
        if (strings == nullptr) {
            return false;
        }
        strings->SetText(text);
        return true;
    }
    default:
        return false;
    }
}

std::string GetPropertyText(const TPropertyTarget& target)
{
    if (!target) {
        return {};
    }
    const TPropertyInfo& p = *target.property;
    TObject& o = *target.instance;
    switch (p.kind) {
    case TPropertyKind::Integer:
        return std::to_string(p.getInteger(o));
    case TPropertyKind::Enumeration:
        return p.Enum().NameOf(p.getInteger(o));
    case TPropertyKind::Float:
        return FloatText(p.getFloat(o));
    case TPropertyKind::String:
        return p.getString(o);
    case TPropertyKind::Set:
        return SetText(p.Enum(), static_cast<uint64_t>(p.getInteger(o)));
    case TPropertyKind::Strings: {
        auto* strings = dynamic_cast<TStrings*>(p.getObject(o));
        return strings == nullptr ? std::string() : strings->Text();
    }
    case TPropertyKind::Component: {
        auto* component = dynamic_cast<TComponent*>(p.getObject(o));
        return component == nullptr ? std::string() : component->Name();
    }
    default:
        return {};
    }
}

bool SetPropertyPathText(TObject& root, std::string_view path, const std::string& text)
{
    return SetPropertyText(ResolvePropertyPath(root, path), text);
}

std::optional<std::string> GetPropertyPathText(TObject& root, std::string_view path)
{
    TPropertyTarget target = ResolvePropertyPath(root, path);
    if (!target) {
        return std::nullopt;
    }
    return GetPropertyText(target);
}
