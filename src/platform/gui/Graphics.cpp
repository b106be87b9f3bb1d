#include "platform/gui/Graphics.h"

#include "platform/classes/PropertyRegistry.h"
#include "platform/gui/GuiText.h"
#include "platform/gui/PictureFormats.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exceptions.h"

#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <cstdio>
#include <cstdlib>

namespace {

struct ColorName {
    TColor color;
    const char* name;
};

constexpr ColorName colorNames[] = {
    {clBlack, "clBlack"}, {clMaroon, "clMaroon"}, {clGreen, "clGreen"}, {clOlive, "clOlive"},
    {clNavy, "clNavy"}, {clPurple, "clPurple"}, {clTeal, "clTeal"}, {clGray, "clGray"},
    {clSilver, "clSilver"}, {clRed, "clRed"}, {clLime, "clLime"}, {clYellow, "clYellow"},
    {clBlue, "clBlue"}, {clFuchsia, "clFuchsia"}, {clAqua, "clAqua"}, {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"}, {clSkyBlue, "clSkyBlue"}, {clCream, "clCream"},
    {clMedGray, "clMedGray"}, {clNone, "clNone"}, {clDefault, "clDefault"},
    {clScrollBar, "clScrollBar"}, {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"}, {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"}, {clWindow, "clWindow"}, {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"}, {clWindowText, "clWindowText"}, {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"}, {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"}, {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"}, {clBtnFace, "clBtnFace"}, {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"}, {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"}, {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"}, {cl3DLight, "cl3DLight"}, {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"},
};

// Fixed RGB values ($00BBGGRR) of the system colours, in the order of their numbers.
constexpr int32_t systemColors[] = {
    0xC8C8C8, 0x000000, 0xD1B499, 0xDBCDBF, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000, 0x000000,
    0x000000, 0xB4B4B4, 0xFCF7F4, 0xABABAB, 0xD77800, 0xFFFFFF, 0xF0F0F0, 0xA0A0A0, 0x6D6D6D,
    0x000000, 0x000000, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000, 0xE1FFFF,
};

constexpr const char* styleNames[] = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};

std::string Trim(const std::string& text)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) {
        ++begin;
    }
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t')) {
        --end;
    }
    return text.substr(begin, end - begin);
}

std::vector<std::pair<std::string, TColor>>& AddedColorNames()
{
    static std::vector<std::pair<std::string, TColor>> names;
    return names;
}

bool IsAddedColorName(const char* name)
{
    for (const auto& [added, color] : AddedColorNames()) {
        if (AnsiSameText(added, name)) {
            return true;
        }
    }
    return false;
}

}  // namespace

void RegisterColorNames(const std::vector<std::pair<std::string, TColor>>& names)
{
    std::vector<std::pair<std::string, TColor>>& added = AddedColorNames();
    for (const auto& named : names) {
        // Plain references: clang 14 cannot capture structured bindings in a lambda.
        const std::string& name = named.first;
        const TColor color = named.second;
        auto known = std::find_if(added.begin(), added.end(), [&](const auto& entry) { return AnsiSameText(entry.first, name); });
        if (known != added.end()) {
            known->second = color;
        } else {
            added.emplace_back(name, color);
        }
        RegisterIntegerConstant(name, color);
    }
}

void ForEachColorName(const std::function<void(const char* name, TColor color)>& visit)
{
    for (const auto& [name, color] : AddedColorNames()) {
        visit(name.c_str(), color);
    }
    for (const ColorName& entry : colorNames) {
        if (!IsAddedColorName(entry.name)) {
            visit(entry.name, entry.color);
        }
    }
}

bool IdentToColor(const std::string& ident, TColor& color)
{
    bool found = false;
    ForEachColorName([&](const char* name, TColor value) {
        if (!found && AnsiSameText(ident, name)) {
            color = value;
            found = true;
        }
    });
    return found;
}

std::string ColorToString(TColor color)
{
    std::string found;
    ForEachColorName([&](const char* name, TColor value) {
        if (found.empty() && value == color) {
            found = name;
        }
    });
    if (!found.empty()) {
        return found;
    }
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "$%08X", static_cast<unsigned>(color));
    return buffer;
}

TColor StringToColor(const std::string& text)
{
    const std::string value = Trim(text);
    TColor color = 0;
    if (IdentToColor(value, color)) {
        return color;
    }
    if (!value.empty()) {
        const bool hex = value[0] == '$';
        const std::string digits = hex ? value.substr(1) : value;
        bool negative = false;
        size_t start = 0;
        if (!hex && !digits.empty() && digits[0] == '-') {
            negative = true;
            start = 1;
        }
        if (start < digits.size() && digits.size() - start <= (hex ? 8u : 10u)) {
            char* end = nullptr;
            const unsigned long long number = std::strtoull(digits.c_str() + start, &end, hex ? 16 : 10);
            if (end != nullptr && *end == '\0' && number <= 0xFFFFFFFFull) {
                const auto bits = static_cast<uint32_t>(number);
                return negative ? -static_cast<TColor>(bits) : static_cast<TColor>(bits);
            }
        }
    }
    throw EConvertError("'" + value + "' is not a valid color value");
}

int32_t ColorToRGB(TColor color)
{
    const auto bits = static_cast<uint32_t>(color);
    if ((bits & 0xFF000000u) == 0x80000000u) {
        const uint32_t index = bits & 0xFFu;
        if (index < std::size(systemColors)) {
            return systemColors[index];
        }
        return 0;
    }
    if (color == clNone || color == clDefault) {
        return clWhite;
    }
    return static_cast<int32_t>(bits & 0x00FFFFFFu);
}

QColor ToQColor(TColor color)
{
    const int32_t rgb = ColorToRGB(color);
    return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

TColor FromQColor(const QColor& color)
{
    return static_cast<TColor>(color.red() | (color.green() << 8) | (color.blue() << 16));
}

TFontStyles::TFontStyles(std::initializer_list<TFontStyle> styles)
{
    for (TFontStyle style : styles) {
        Include(style);
    }
}

std::string TFontStyles::ToString() const
{
    std::string text = "[";
    bool first = true;
    for (unsigned i = 0; i < std::size(styleNames); ++i) {
        if ((bits_ & (1u << i)) != 0) {
            if (!first) {
                text += ", ";
            }
            text += styleNames[i];
            first = false;
        }
    }
    return text + "]";
}

TFontStyles TFontStyles::FromString(const std::string& text)
{
    std::string body = Trim(text);
    if (!body.empty() && body.front() == '[') {
        body.erase(0, 1);
    }
    if (!body.empty() && body.back() == ']') {
        body.pop_back();
    }
    TFontStyles styles;
    size_t position = 0;
    while (position <= body.size()) {
        const size_t comma = body.find(',', position);
        const std::string item = Trim(body.substr(position, comma == std::string::npos ? std::string::npos : comma - position));
        if (!item.empty()) {
            bool known = false;
            for (unsigned i = 0; i < std::size(styleNames); ++i) {
                if (AnsiSameText(item, styleNames[i])) {
                    styles.Include(static_cast<TFontStyle>(i));
                    known = true;
                }
            }
            if (!known) {
                throw EConvertError("Invalid font style: " + item);
            }
        }
        if (comma == std::string::npos) {
            break;
        }
        position = comma + 1;
    }
    return styles;
}

TFont::TFont() = default;

void TFont::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TFont*>(&source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    name_ = other->name_;
    size_ = other->size_;
    color_ = other->color_;
    style_ = other->style_;
    charset_ = other->charset_;
    pitch_ = other->pitch_;
    Changed();
}

void TFont::Changed()
{
    if (OnChange) {
        OnChange(this);
    }
}

void TFont::SetName(const std::string& name)
{
    if (name != name_) {
        name_ = name;
        Changed();
    }
}

void TFont::SetSize(int size)
{
    if (size != size_) {
        size_ = size;
        Changed();
    }
}

int TFont::Height() const
{
    return -static_cast<int>(std::lround(size_ * 96.0 / 72.0));
}

void TFont::SetHeight(int height)
{
    const int pixels = height < 0 ? -height : height;
    SetSize(static_cast<int>(std::lround(pixels * 72.0 / 96.0)));
}

void TFont::SetColor(TColor color)
{
    if (color != color_) {
        color_ = color;
        Changed();
    }
}

void TFont::SetStyle(TFontStyles style)
{
    if (!(style == style_)) {
        style_ = style;
        Changed();
    }
}

QFont TFont::ToQFont() const
{
    QFont font(ToQString(name_));
    if (size_ > 0) {
        font.setPointSize(size_);
    }
    font.setBold(style_.Contains(TFontStyle::fsBold));
    font.setItalic(style_.Contains(TFontStyle::fsItalic));
    font.setUnderline(style_.Contains(TFontStyle::fsUnderline));
    font.setStrikeOut(style_.Contains(TFontStyle::fsStrikeOut));
    if (pitch_ == TFontPitch::fpFixed) {
        font.setFixedPitch(true);
    }
    return font;
}

void TFont::FromQFont(const QFont& font)
{
    name_ = FromQString(font.family());
    if (font.pointSize() > 0) {
        size_ = font.pointSize();
    }
    TFontStyles style;
    if (font.bold()) {
        style.Include(TFontStyle::fsBold);
    }
    if (font.italic()) {
        style.Include(TFontStyle::fsItalic);
    }
    if (font.underline()) {
        style.Include(TFontStyle::fsUnderline);
    }
    if (font.strikeOut()) {
        style.Include(TFontStyle::fsStrikeOut);
    }
    style_ = style;
    Changed();
}

void TPicture::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TPicture*>(&source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    SetImage(other->image_);
}

void TPicture::LoadFromFile(const std::string& fileName)
{
    if (const TPictureFormat* format = FindPictureFormat(ExtractFileExt(fileName))) {
        std::ifstream file(fileName, std::ios::binary);
        if (!file) {
            throw EFOpenError("Cannot open file \"" + fileName + "\". " + std::strerror(errno));
        }
        const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        SetImage(format->Decode(bytes));
        return;
    }
    QImage image;
    if (!image.load(ToQString(fileName))) {
        throw EFOpenError("Cannot open file \"" + fileName + "\". The file is no picture that can be read.");
    }
    SetImage(image);
}

bool TPicture::LoadFromData(const std::string& bytes)
{
    // Pictures of a registered format carry their class name in front of the file's bytes.
    std::string className;
    std::string_view fileBytes;
    if (SplitPictureFormData(bytes, className, fileBytes)) {
        SetImage(FindPictureFormatByClass(className)->Decode(fileBytes));
        return true;
    }
    QImage image;
    if (!image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()))) {
        return false;
    }
    SetImage(image);
    return true;
}

void TPicture::SetImage(const QImage& image)
{
    image_ = image;
    if (OnChange) {
        OnChange(this);
    }
}
