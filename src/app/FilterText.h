#pragma once
// Building blocks of the filter texts the main window gives its tables, and the check of a
// web address before it is handed to the opener.
//
// Every value the window puts into a filter goes between single quotes with each quote inside
// it doubled, the way the expression language reads a quote within a quoted text: a project or
// contact name with an apostrophe ("O'Brien") filters for exactly that name instead of breaking
// the expression or changing its meaning.

#include <string>

// `value` between single quotes, its single quotes doubled.
std::string QuotedFilterValue(const std::string& value);

// field + op + the quoted value, e.g. PRODUCT='Zentivor'.
std::string FieldFilter(const std::string& field, const std::string& op, const std::string& value);
inline std::string FieldEqualsFilter(const std::string& field, const std::string& value)
{
    return FieldFilter(field, "=", value);
}

// True for an address the web-link commands may open: one beginning with "http://" or
// "https://" (the scheme in any letter case). Other texts that merely begin with "http"
// ("httpd.log", "http:evil") are not addresses.
bool IsWebAddress(const std::string& text);
