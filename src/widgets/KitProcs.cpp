#include "widgets/KitProcs.h"

#include "platform/rtl/Files.h"
#include "widgets/KitStrings.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdlib>

std::string KitGetPrefixPath(TKitPathPrefix prefix, bool withBackslash)
{
    if (prefix == TKitPathPrefix::ppFixed) {
        return {};
    }
    const std::string folder = ApplicationFolder();
    return withBackslash ? KitIncludeBackslash(folder) : KitExcludeBackslash(folder);
}

std::string KitCutFirstDirectory(std::string_view folder, char separator)
{
    const std::string marker = std::string("...") + separator;
    std::string rest(folder);
    if (rest.size() == 1 && rest[0] == separator) {
        return {};
    }
    const bool leadingSeparator = !rest.empty() && rest[0] == separator;
    if (leadingSeparator) {
        rest.erase(0, 1);
    }
    if (rest.compare(0, marker.size(), marker) == 0) {
        rest.erase(0, marker.size());
    }
    const size_t next = rest.find(separator);
    rest = next == std::string::npos ? std::string() : marker + rest.substr(next + 1);
    return leadingSeparator ? separator + rest : rest;
}

std::string KitShortenPath(std::string_view path, int maxLength, char separator)
{
    const size_t lastSeparator = path.rfind(separator);
    std::string folder = lastSeparator == std::string_view::npos ? std::string() : std::string(path.substr(0, lastSeparator + 1));
    const std::string fileName(lastSeparator == std::string_view::npos ? path : path.substr(lastSeparator + 1));
    std::string drive;
    if (folder.size() >= 2 && folder[1] == ':' && std::isalpha(static_cast<unsigned char>(folder[0])) != 0) {
        drive = folder.substr(0, 2);
        folder.erase(0, 2);
    }
    const std::string shortened = std::string(1, separator) + "..." + separator;
    std::string result(path);
    while (static_cast<int64_t>(result.size()) > maxLength && (!folder.empty() || !drive.empty())) {
        if (folder == shortened) {
            drive.clear();
            folder = shortened.substr(1);
        } else if (!folder.empty()) {
            folder = KitCutFirstDirectory(folder, separator);
        } else {
            drive.clear();
        }
        result = drive + folder + fileName;
    }
    return result;
}

TRect KitFitRect(const TRect& source, const TRect& target)
{
    const int sourceWidth = source.Width();
    const int sourceHeight = source.Height();
    const int targetWidth = target.Width();
    const int targetHeight = target.Height();
    if (sourceWidth <= 0 || sourceHeight <= 0 || targetWidth <= 0 || targetHeight <= 0) {
        return {target.Left, target.Top, target.Left, target.Top};
    }
    const double scale = std::min(static_cast<double>(targetWidth) / sourceWidth,
                                  static_cast<double>(targetHeight) / sourceHeight);
    return {target.Left, target.Top, target.Left + static_cast<int>(KitRound(sourceWidth * scale)),
            target.Top + static_cast<int>(KitRound(sourceHeight * scale))};
}

std::pair<int, int> KitRectSize(const TRect& rect)
{
    return {rect.Width(), rect.Height()};
}

TRect KitGrowRect(const TRect& rect, int dLeft, int dTop, int dBottom, int dRight)
{
    return {rect.Left + dLeft, rect.Top + dTop, rect.Right + dRight, rect.Bottom + dBottom};
}

int KitMaxInt(std::initializer_list<int> values)
{
    return values.size() == 0 ? 0 : std::max(values);
}

int KitMinInt(std::initializer_list<int> values)
{
    return values.size() == 0 ? 0 : std::min(values);
}

double KitMinFloat(std::initializer_list<double> values)
{
    return values.size() == 0 ? 0.0 : std::min(values);
}

int KitMulDiv(int a, int b, int c)
{
    if (c == 0) {
        return -1;
    }
    const int64_t product = static_cast<int64_t>(a) * b;
    const int64_t divisor = std::llabs(c);
    const int64_t magnitude = (std::llabs(product) + divisor / 2) / divisor;
    const int64_t result = (product < 0) != (c < 0) ? -magnitude : magnitude;
    if (result > INT_MAX || result < -INT_MAX) {
        return -1;
    }
    return static_cast<int>(result);
}

int64_t KitRound(double value)
{
    return static_cast<int64_t>(std::nearbyint(value));
}
