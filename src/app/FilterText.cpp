// Filter texts and web addresses of the main window.
#include "app/FilterText.h"

#include "platform/rtl/CodePages.h"

std::string QuotedFilterValue(const std::string& value)
{
    std::string quoted;
    quoted.reserve(value.size() + 2);
    quoted.push_back('\'');
    for (char c : value) {
        if (c == '\'') {
            quoted.push_back('\'');
        }
        quoted.push_back(c);
    }
    quoted.push_back('\'');
    return quoted;
}

std::string FieldFilter(const std::string& field, const std::string& op, const std::string& value)
{
    return field + op + QuotedFilterValue(value);
}

bool IsWebAddress(const std::string& text)
{
    auto startsWith = [&text](const std::string& prefix) {
        return text.size() > prefix.size() && AnsiSameText(text.substr(0, prefix.size()), prefix);
    };
    return startsWith("http://") || startsWith("https://");
}
