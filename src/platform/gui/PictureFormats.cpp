#include "platform/gui/PictureFormats.h"

#include "platform/gui/Jpeg.h"
#include "platform/rtl/CodePages.h"

#include <algorithm>

namespace {

std::string NormalizedExtension(std::string_view extension)
{
    if (!extension.empty() && extension.front() == '.') {
        extension.remove_prefix(1);
    }
    std::string result(extension);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
    return result;
}

struct TFormatTable {
    std::vector<TPictureFormat> formats;
};

// The table, with the formats of the window layer itself registered on first use.
TFormatTable& Table()
{
    static TFormatTable table = [] {
        TFormatTable made;
        for (const char* extension : {"jpg", "jpeg"}) {
            made.formats.push_back({extension, "JPEG Image File", "TJPEGImage",
                                    [](std::string_view bytes) { return TJPEGImage::Decode(bytes); }});
        }
        return made;
    }();
    return table;
}

}  // namespace

void RegisterPictureFormat(const std::string& extension, const std::string& description,
                           const std::string& className, TPictureDecoder decoder)
{
    const std::string key = NormalizedExtension(extension);
    auto& formats = Table().formats;
    auto found = std::find_if(formats.begin(), formats.end(), [&](const TPictureFormat& f) { return f.Extension == key; });
    TPictureFormat format{key, description, className, std::move(decoder)};
    if (found != formats.end()) {
        *found = std::move(format);
    } else {
        formats.push_back(std::move(format));
    }
}

void UnregisterPictureFormat(const std::string& extension)
{
    const std::string key = NormalizedExtension(extension);
    auto& formats = Table().formats;
    formats.erase(std::remove_if(formats.begin(), formats.end(), [&](const TPictureFormat& f) { return f.Extension == key; }),
                  formats.end());
}

const TPictureFormat* FindPictureFormat(std::string_view extension)
{
    const std::string key = NormalizedExtension(extension);
    for (const TPictureFormat& format : Table().formats) {
        if (format.Extension == key) {
            return &format;
        }
    }
    return nullptr;
}

const TPictureFormat* FindPictureFormatByClass(std::string_view className)
{
    for (const TPictureFormat& format : Table().formats) {
        if (SameText(format.ClassName, className)) {
            return &format;
        }
    }
    return nullptr;
}

std::vector<TPictureFormat> PictureFormats()
{
    return Table().formats;
}

std::string PictureFormData(const std::string& className, std::string_view fileBytes)
{
    std::string data;
    data.reserve(1 + className.size() + fileBytes.size());
    data.push_back(static_cast<char>(std::min<size_t>(className.size(), 255)));
    data.append(className, 0, std::min<size_t>(className.size(), 255));
    data.append(fileBytes);
    return data;
}

bool SplitPictureFormData(std::string_view data, std::string& className, std::string_view& fileBytes)
{
    if (data.empty()) {
        return false;
    }
    const size_t length = static_cast<unsigned char>(data[0]);
    if (length == 0 || data.size() < 1 + length) {
        return false;
    }
    const std::string_view name = data.substr(1, length);
    if (FindPictureFormatByClass(name) == nullptr) {
        return false;
    }
    className.assign(name);
    fileBytes = data.substr(1 + length);
    return true;
}
