#pragma once
// Colours, fonts and pictures of the window layer.
//
// A TColor is a number $00BBGGRR as stored in form descriptions and settings files; values
// with the high byte $80 name system colours (clBtnFace, clWindow, ...), which map to fixed
// RGB values here. ColorToString gives the identifier of a named colour ("clSilver") and
// "$00BBGGRR" for any other colour; StringToColor reads both forms and plain decimal numbers.

#include "platform/classes/Components.h"

#include <QColor>
#include <QFont>
#include <QImage>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

using TColor = int32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

constexpr TColor clScrollBar = static_cast<TColor>(0x80000000);
constexpr TColor clBackground = static_cast<TColor>(0x80000001);
constexpr TColor clActiveCaption = static_cast<TColor>(0x80000002);
constexpr TColor clInactiveCaption = static_cast<TColor>(0x80000003);
constexpr TColor clMenu = static_cast<TColor>(0x80000004);
constexpr TColor clWindow = static_cast<TColor>(0x80000005);
constexpr TColor clWindowFrame = static_cast<TColor>(0x80000006);
constexpr TColor clMenuText = static_cast<TColor>(0x80000007);
constexpr TColor clWindowText = static_cast<TColor>(0x80000008);
constexpr TColor clCaptionText = static_cast<TColor>(0x80000009);
constexpr TColor clActiveBorder = static_cast<TColor>(0x8000000A);
constexpr TColor clInactiveBorder = static_cast<TColor>(0x8000000B);
constexpr TColor clAppWorkSpace = static_cast<TColor>(0x8000000C);
constexpr TColor clHighlight = static_cast<TColor>(0x8000000D);
constexpr TColor clHighlightText = static_cast<TColor>(0x8000000E);
constexpr TColor clBtnFace = static_cast<TColor>(0x8000000F);
constexpr TColor clBtnShadow = static_cast<TColor>(0x80000010);
constexpr TColor clGrayText = static_cast<TColor>(0x80000011);
constexpr TColor clBtnText = static_cast<TColor>(0x80000012);
constexpr TColor clInactiveCaptionText = static_cast<TColor>(0x80000013);
constexpr TColor clBtnHighlight = static_cast<TColor>(0x80000014);
constexpr TColor cl3DDkShadow = static_cast<TColor>(0x80000015);
constexpr TColor cl3DLight = static_cast<TColor>(0x80000016);
constexpr TColor clInfoText = static_cast<TColor>(0x80000017);
constexpr TColor clInfoBk = static_cast<TColor>(0x80000018);

// Colour names a kit adds to the built-in ones: looked up before them both ways (name to
// colour and colour to name), so a kit's name wins over a built-in name of the same spelling.
// Adding a name again replaces its colour. Form descriptions see them as integer constants.
void RegisterColorNames(const std::vector<std::pair<std::string, TColor>>& names);

std::string ColorToString(TColor color);
// Raises EConvertError for text that is neither a colour name nor a number.
TColor StringToColor(const std::string& text);
bool IdentToColor(const std::string& ident, TColor& color);
// Every named colour, in a fixed order: the added names first, then the built-in names that no
// added name replaces.
void ForEachColorName(const std::function<void(const char* name, TColor color)>& visit);
// The RGB value of a colour, system colours resolved.
int32_t ColorToRGB(TColor color);
QColor ToQColor(TColor color);
TColor FromQColor(const QColor& color);

enum class TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };

// A small set of font styles, written "[fsBold, fsItalic]" in form descriptions.
class TFontStyles {
public:
    TFontStyles() = default;
    TFontStyles(std::initializer_list<TFontStyle> styles);
    bool Contains(TFontStyle style) const noexcept { return (bits_ & Bit(style)) != 0; }
    void Include(TFontStyle style) noexcept { bits_ |= Bit(style); }
    void Exclude(TFontStyle style) noexcept { bits_ &= ~Bit(style); }
    bool Empty() const noexcept { return bits_ == 0; }
    unsigned Bits() const noexcept { return bits_; }
    friend bool operator==(TFontStyles a, TFontStyles b) { return a.bits_ == b.bits_; }
    std::string ToString() const;
    // Raises EConvertError naming an unknown style.
    static TFontStyles FromString(const std::string& text);

private:
    static unsigned Bit(TFontStyle style) { return 1u << static_cast<unsigned>(style); }
    unsigned bits_ = 0;
};

enum class TFontPitch { fpDefault, fpVariable, fpFixed };

// A font description; OnChange runs after every change so that the owning control can apply it.
class TFont : public TPersistent {
public:
    TFont();
    const char* ClassName() const noexcept override { return "TFont"; }
    void Assign(const TPersistent& source) override;

    const std::string& Name() const noexcept { return name_; }
    void SetName(const std::string& name);
    // Size in points; Height is the negative pixel height at 96 dots per inch.
    int Size() const noexcept { return size_; }
    void SetSize(int size);
    int Height() const;
    void SetHeight(int height);
    TColor Color() const noexcept { return color_; }
    void SetColor(TColor color);
    TFontStyles Style() const noexcept { return style_; }
    void SetStyle(TFontStyles style);
    int Charset() const noexcept { return charset_; }
    void SetCharset(int charset) { charset_ = charset; }
    TFontPitch Pitch() const noexcept { return pitch_; }
    void SetPitch(TFontPitch pitch) { pitch_ = pitch; }

    QFont ToQFont() const;
    void FromQFont(const QFont& font);

    TNotifyEvent OnChange;

private:
    void Changed();
    std::string name_ = "MS Sans Serif";
    int size_ = 8;
    TColor color_ = clWindowText;
    TFontStyles style_;
    int charset_ = 1;
    TFontPitch pitch_ = TFontPitch::fpDefault;
};

// A picture held in memory. Pictures come from files (any format Qt reads) or from the
// bytes stored in a form description.
class TPicture : public TPersistent {
public:
    const char* ClassName() const noexcept override { return "TPicture"; }
    void Assign(const TPersistent& source) override;
    // Raises EFOpenError when the file cannot be read as a picture.
    void LoadFromFile(const std::string& fileName);
    // Returns false when the bytes are no picture Qt can decode.
    bool LoadFromData(const std::string& bytes);
    void SetImage(const QImage& image);
    const QImage& Image() const noexcept { return image_; }
    bool Empty() const noexcept { return image_.isNull(); }
    int Width() const noexcept { return image_.width(); }
    int Height() const noexcept { return image_.height(); }
    TNotifyEvent OnChange;

private:
    QImage image_;
};

// An icon: a picture shown as an icon (in the desktop's notification area, say). Form
// descriptions store it as a picture.
class TIcon : public TPicture {
public:
    const char* ClassName() const noexcept override { return "TIcon"; }
};
