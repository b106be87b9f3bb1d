#pragma once
// String routines of the visual kit and the two codings it scrambles stored strings with.
//
// Keyed coding: a 16-bit key runs over the bytes; each byte is XORed with the key's high byte,
// then the key becomes (key + coded byte) * 52845 + 22719 (16-bit arithmetic). The coded byte
// feeds the key in both directions, so decoding with the same key restores the text. Any
// bytes decode; the length never changes.
//
// Text coding makes coded bytes printable: "<length>:" followed by four characters "0".."o"
// for every three bytes (the input padded with blanks to a multiple of three). Decoding
// refuses text that is not of that form: no ":", a length that is not a decimal number or
// does not match the number of groups, a group cut short, or a character outside "0".."o".

#include <cstdint>
#include <string>
#include <string_view>

constexpr uint16_t KitDefaultEncKey = 40716;

std::string KitEncodeKeyed(std::string_view text, uint16_t key);
std::string KitDecodeKeyed(std::string_view text, uint16_t key);

std::string KitTextEncode(std::string_view bytes);
// False (and `bytes` untouched) for malformed text.
bool KitTryTextDecode(std::string_view text, std::string& bytes);
// Raises EConvertError "Invalid encoded string" for malformed text.
std::string KitTextDecode(std::string_view text);

// Empty or only blanks.
bool KitIsBlank(std::string_view text);
// Without leading and trailing blanks and control characters.
std::string KitTrim(std::string_view text);
std::string KitReplaceChar(std::string_view text, char from, char to);
// The path with one trailing separator: appended unless the text is not blank and already
// ends with it (a blank text gets it appended as it is). The separator is a parameter: the
// kit handles both Windows-style names from stored data ('\\') and paths of this system ('/').
std::string KitIncludeBackslash(std::string_view path, char separator = '/');
// Removes one trailing separator from a text that is not blank.
std::string KitExcludeBackslash(std::string_view path, char separator = '/');
