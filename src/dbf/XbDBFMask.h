#pragma once
// Pattern match behind the expression language's LIKE.

#include <string_view>

// True when the whole text matches the pattern: runMark stands for any run of characters
// (also none), anyChar for exactly one character, every other character for itself.
bool MaskMatch(std::string_view pattern, std::string_view text, char anyChar = '_', char runMark = '%');
