#pragma once
// Text helpers of the localisation kit: the decoder of quoted string literals in language files,
// the comma list of a string-list value, text around a delimiter and file names without their
// extension. None of them raises: malformed input gives an empty text (or list).

#include <string>
#include <string_view>
#include <vector>

// Decodes a literal of the form 'text' with '' for a quote, #nn for a character code (low 8 bits;
// "#" without digits stands for character 255), pieces joined ('Line 1'#13#10'Line 2'). Text
// without quotes stays as it is; a text of fewer than 2 characters, a literal that ends inside
// quotes, or a quoted run followed by anything but "#" decodes to an empty text.
std::string DecodeStringLiteral(std::string_view text);

// The lines of a string-list value: items separated by commas, each either quoted ('a b', with
// '' for a quote) or running up to the next blank, control character or comma. Leading
// characters 1 to 32 are skipped before and after each item; a comma at the very end adds an
// empty line.
std::vector<std::string> DecodeCommaList(std::string_view text);

// The text before the first occurrence of `delimiter`, or the whole text when it does not occur.
std::string TextBefore(std::string_view delimiter, std::string_view text);
// The text after the first occurrence of `delimiter`, or an empty text when it does not occur.
std::string TextAfter(std::string_view delimiter, std::string_view text);

// The file name without folder ("/", "\" or ":") and without its extension (the part from the
// last "."); empty when the name has no extension.
std::string FileNameWithoutExt(std::string_view path);
