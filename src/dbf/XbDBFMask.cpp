#include "dbf/XbDBFMask.h"

#include <cstddef>

// Classic wildcard walk: on a mismatch return to the last run mark and let it swallow one more
// character. Every character of the text is visited at most once per run mark, so the cost is
// bounded by pattern length times text length and no recursion is needed.
bool MaskMatch(std::string_view pattern, std::string_view text, char anyChar, char runMark)
{
    size_t p = 0;
    size_t t = 0;
    size_t starPattern = std::string_view::npos;
    size_t starText = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == runMark) {
            starPattern = p++;
            starText = t;
        } else if (p < pattern.size() && (pattern[p] == anyChar || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (starPattern != std::string_view::npos) {
            p = starPattern + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == runMark)
        ++p;
    return p == pattern.size();
}
