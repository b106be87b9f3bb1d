// Captions with effects and the glyph-and-caption drawing: sizes measured, where each effect
// puts its layers, and golden sheets drawn in DejaVu Sans.

#include "GuiTestSupport.h"
#include "KitCanvasTestSupport.h"

#include "platform/classes/PropertyRegistry.h"
#include "widgets/KitButtonBase.h"
#include "widgets/KitGlyph.h"
#include "widgets/KitGraph.h"
#include "widgets/KitRegistration.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

class KitGraphText : public ::testing::Test {
protected:
    void SetUp() override { TestApplication(); }
};

void UseFont(TFont& font, int size = 10, bool bold = false)
{
    font.SetName("DejaVu Sans");
    font.SetSize(size);
    font.SetColor(clBlack);
    if (bold) font.SetStyle({TFontStyle::fsBold});
}

// The smallest rectangle holding every pixel of exactly `colour`; empty when there is none.
TRect BoundsOf(const QImage& picture, TColor colour)
{
    TRect bounds{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (KitPixelAt(picture, x, y) != colour) continue;
            bounds.Left = std::min(bounds.Left, x);
            bounds.Top = std::min(bounds.Top, y);
            bounds.Right = std::max(bounds.Right, x + 1);
            bounds.Bottom = std::max(bounds.Bottom, y + 1);
        }
    }
    return bounds.Left == INT_MAX ? TRect{} : bounds;
}

constexpr TColor red = 0x0000FF;
constexpr TColor blue = 0xFF0000;
constexpr TColor green = 0x00FF00;
constexpr TColor white = 0xFFFFFF;

TEST_F(KitGraphText, FormattedTextBreaksAlignsAndMeasures)
{
    TCanvas canvas;
    UseFont(canvas.Font());
    const int line = TextLineHeight(canvas.Font());
    const int wide = canvas.TextWidth("Wide");

    // One line grows the rectangle to the text; line ends add lines; accelerators are not shown.
    TRect rect{5, 5, 5, 5};
    EXPECT_EQ(DrawTextEx(canvas, "&Wide", rect, DT_CALCRECT), line);
    EXPECT_EQ(rect, (TRect{5, 5, 5 + wide, 5 + line}));
    rect = {0, 0, 0, 0};
    DrawTextEx(canvas, "&Wide", rect, DT_CALCRECT | DT_NOPREFIX);
    EXPECT_EQ(rect.Width(), canvas.TextWidth("&Wide"));
    rect = {0, 0, 0, 0};
    EXPECT_EQ(DrawTextEx(canvas, "a\r\nb\nc", rect, DT_CALCRECT), 3 * line);
    EXPECT_EQ(DrawTextEx(canvas, "a\r\nb", rect, DT_CALCRECT | DT_SINGLELINE), line);

    // Word breaks keep whole words; a word wider than the rectangle stands alone.
    rect = {0, 0, canvas.TextWidth("Wide Wide"), 0};
    EXPECT_EQ(DrawTextEx(canvas, "Wide Wide Wide", rect, DT_CALCRECT | DT_WORDBREAK), 2 * line);
    rect = {0, 0, 3, 0};
    EXPECT_EQ(DrawTextEx(canvas, "Wide Wide", rect, DT_CALCRECT | DT_WORDBREAK), 2 * line);
    EXPECT_EQ(rect.Width(), wide);

    // Extra pixels between characters widen the line by one per character.
    EXPECT_EQ(TextWidthWithExtra(canvas.Font(), "Wide", 3), wide + 12);

    // Drawn centred and right-aligned the text moves by the spare width.
    auto inkLeft = [&](unsigned format) {
        const QImage picture = KitDrawn(100, 20, white, [&](TCanvas& drawing) {
            UseFont(drawing.Font());
            TRect target{0, 0, 100, 20};
            DrawTextEx(drawing, "Wide", target, format);
        });
        int left = 100;
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 100; ++x) {
                if (KitPixelAt(picture, x, y) != white) left = std::min(left, x);
            }
        }
        return left;
    };
    const int leftEdge = inkLeft(DT_LEFT);
    EXPECT_EQ(inkLeft(DT_CENTER) - leftEdge, (100 - wide) / 2);
    EXPECT_EQ(inkLeft(DT_RIGHT) - leftEdge, 100 - wide);
}

// A line too wide for its rectangle: the ellipsis flags shorten it to fit (even unclipped),
// the end one keeping its start, the path one its start and end.
TEST_F(KitGraphText, EllipsisShortensALineToItsRectangle)
{
    const std::string text = "Abcdefghijklmnopqrstuvwxyz";
    const auto inkColumns = [&](unsigned format) {
        const QImage picture = KitDrawn(400, 30, white, [&](TCanvas& canvas) {
            UseFont(canvas.Font());
            TRect rect{0, 0, 80, 30};
            DrawTextEx(canvas, text, rect, format | DT_NOCLIP | DT_SINGLELINE);
        });
        int last = -1;
        int first = -1;
        for (int x = 0; x < picture.width(); ++x) {
            for (int y = 0; y < picture.height(); ++y) {
                if (KitPixelAt(picture, x, y) != white) {
                    if (first < 0) first = x;
                    last = x;
                    break;
                }
            }
        }
        return std::pair{first, last};
    };
    EXPECT_GT(inkColumns(0).second, 80);
    for (unsigned format : {DT_END_ELLIPSIS, DT_PATH_ELLIPSIS, DT_END_ELLIPSIS | DT_CENTER}) {
        const auto [first, last] = inkColumns(format);
        EXPECT_GE(first, 0) << format;
        EXPECT_LT(last, 80) << format;
    }
    // A line that fits is left alone.
    TCanvas canvas;
    UseFont(canvas.Font());
    TRect rect{0, 0, 400, 0};
    DrawTextEx(canvas, text, rect, DT_CALCRECT | DT_END_ELLIPSIS);
    EXPECT_EQ(rect.Width(), canvas.TextWidth(text));
}

TEST_F(KitGraphText, MeasuringAddsTheEffectDepthAndTwoPixels)
{
    TFont font;
    UseFont(font);
    TCanvas canvas;
    canvas.Font().Assign(font);
    const int line = TextLineHeight(font);
    const int wide = canvas.TextWidth("Wide");
    const int space = canvas.TextWidth(" ");

    TRect plain = KitMeasureEffectText("Wide", nullptr, 0, true, false, font);
    EXPECT_EQ(plain, (TRect{0, 0, wide + 2, line + 2}));
    // "&" with accelerators and an empty caption measure as a space.
    EXPECT_EQ(KitMeasureEffectText("&", nullptr, 0, true, false, font).Width(), space + 2);
    EXPECT_EQ(KitMeasureEffectText("", nullptr, 0, true, false, font).Width(), space + 2);
    EXPECT_EQ(KitMeasureEffectText("&", nullptr, 0, false, false, font).Width(), canvas.TextWidth("&") + 2);

    struct Case {
        TKitThreeDStyle style;
        int extra;  // light depth 2, shadow depth 3
    };
    const std::vector<Case> cases = {
        {TKitThreeDStyle::tdNone, 0},         {TKitThreeDStyle::tdSunken, 2},      {TKitThreeDStyle::tdRaised, 2},
        {TKitThreeDStyle::tdSunkenShadow, 5}, {TKitThreeDStyle::tdRaisedShadow, 5}, {TKitThreeDStyle::tdPColorSunken, 5},
        {TKitThreeDStyle::tdPColorRaised, 5}, {TKitThreeDStyle::tdShadow, 3},      {TKitThreeDStyle::tdOutline, 3},
        {TKitThreeDStyle::tdExtrude, 3},      {TKitThreeDStyle::tdExtrudeEnh, 3},
    };
    for (const Case& c : cases) {
        TKitFxCaption fx;
        fx.SetLightDepth(2);
        fx.SetShadowDepth(3);
        fx.SetStyle(c.style);
        fx.SetPos(7, 7);
        const TRect measured = KitMeasureEffectText("Wide", &fx, 0, true, false, font);
        EXPECT_EQ(measured, (TRect{0, 0, wide + c.extra + 2, line + c.extra + 2})) << static_cast<int>(c.style);
        EXPECT_EQ(fx.PosX(), 0);  // an unturned caption draws from its rectangle's corner
    }

    // A caption turned by 90 degrees measures as its line stood on end; its origin lies at the
    // bottom-left of that rectangle.
    TKitFxCaption turned;
    turned.SetAngle(90);
    const TRect upright = KitMeasureEffectText("Wide", &turned, 0, true, false, font);
    // (The turned corners are rounded, so an odd line height may gain a pixel.)
    EXPECT_EQ(upright.Height(), wide + 2);
    EXPECT_GE(upright.Width(), line + 2);
    EXPECT_LE(upright.Width(), line + 3);
    EXPECT_LE(turned.PosX(), 1);
    EXPECT_EQ(turned.PosY(), wide);
}

TEST_F(KitGraphText, EachEffectPutsItsLayersAtTheirOffsets)
{
    // Face, light and shadow in three pure colours; the offset of the face's pixels from the
    // other layer's shows where each layer went.
    struct Case {
        TKitThreeDStyle style;
        TColor other;  // the layer compared with the face
        int dx;        // face bounds minus the other layer's bounds (left edges)
        int dy;
    };
    const std::vector<Case> cases = {
        {TKitThreeDStyle::tdRaised, red, 2, 2},       {TKitThreeDStyle::tdSunken, red, -2, -2},
        {TKitThreeDStyle::tdShadow, green, -3, -3},   {TKitThreeDStyle::tdSunkenShadow, green, 3, 3},
        {TKitThreeDStyle::tdRaisedShadow, green, -3, -3}, {TKitThreeDStyle::tdRaisedShadow, red, 2, 2},
        {TKitThreeDStyle::tdExtrude, green, 2, 2},
    };
    for (const Case& c : cases) {
        TKitFxCaption fx;
        fx.SetLightDepth(2);
        fx.SetShadowDepth(3);
        fx.SetLightColor(red);
        fx.SetShadowColor(green);
        fx.SetStyle(c.style);
        const QImage picture = KitDrawn(80, 50, white, [&](TCanvas& canvas) {
            UseFont(canvas.Font(), 24, true);
            canvas.Font().SetColor(blue);
            KitDrawEffectText(canvas, "H", &fx, nullptr, kitTextEnabled, 0, {10, 5, 80, 50});
        });
        const TRect face = BoundsOf(picture, blue);
        const TRect other = BoundsOf(picture, c.other);
        ASSERT_GT(face.Width(), 0) << static_cast<int>(c.style);
        ASSERT_GT(other.Width(), 0) << static_cast<int>(c.style);
        EXPECT_EQ(face.Left - other.Left, c.dx) << static_cast<int>(c.style);
        EXPECT_EQ(face.Top - other.Top, c.dy) << static_cast<int>(c.style);
    }

    // Disabled: grey face; dsAuto is sunken only with the flag the buttons pass, ds3d always,
    // dsNone keeps the font colour.
    auto disabled = [](TKitDisabledStyle style, unsigned flags) {
        TKitFxCaption fx;
        fx.SetDisabledStyle(style);
        fx.SetLightColor(red);
        return KitDrawn(80, 50, white, [&](TCanvas& canvas) {
            UseFont(canvas.Font(), 24, true);
            canvas.Font().SetColor(blue);
            KitDrawEffectText(canvas, "H", &fx, nullptr, flags, 0, {10, 5, 80, 50});
        });
    };
    const TColor grey = ColorToRGB(clGrayText);
    QImage picture = disabled(TKitDisabledStyle::dsAuto, 0);
    EXPECT_GT(BoundsOf(picture, grey).Width(), 0);
    EXPECT_EQ(BoundsOf(picture, red).Width(), 0);
    picture = disabled(TKitDisabledStyle::dsAuto, kitTextDisabledSunken);
    EXPECT_EQ(BoundsOf(picture, red).Left - BoundsOf(picture, grey).Left, 1);
    picture = disabled(TKitDisabledStyle::ds3d, 0);
    EXPECT_GT(BoundsOf(picture, red).Width(), 0);
    picture = disabled(TKitDisabledStyle::dsNone, 0);
    EXPECT_GT(BoundsOf(picture, blue).Width(), 0);
    EXPECT_EQ(BoundsOf(picture, grey).Width(), 0);

    // The blended extrusion runs from the light colour (first step) to the shadow colour
    // (last step, under the face).
    TKitFxCaption blended;
    blended.SetStyle(TKitThreeDStyle::tdExtrudeEnh);
    blended.SetShadowDepth(4);
    blended.SetShadowColor(0x000000);
    blended.SetLightColor(0xC8C8C8);
    picture = KitDrawn(80, 50, white, [&](TCanvas& canvas) {
        UseFont(canvas.Font(), 24, true);
        canvas.Font().SetColor(blue);
        KitDrawEffectText(canvas, "H", &blended, nullptr, kitTextEnabled, 0, {10, 5, 80, 50});
    });
    // The last step lies under the face; the one before it is a quarter of the way.
    const TRect first = BoundsOf(picture, 0x969696);  // 200 * 3 / 4
    const TRect third = BoundsOf(picture, 0x323232);  // 200 * 1 / 4
    ASSERT_GT(first.Width(), 0);
    ASSERT_GT(third.Width(), 0);
    EXPECT_EQ(third.Left - first.Left, 2);
}

TEST_F(KitGraphText, EffectsMatchTheirGoldenPicture)
{
    const std::vector<TKitThreeDStyle> styles = {
        TKitThreeDStyle::tdNone,         TKitThreeDStyle::tdSunken,       TKitThreeDStyle::tdRaised,
        TKitThreeDStyle::tdSunkenShadow, TKitThreeDStyle::tdRaisedShadow, TKitThreeDStyle::tdPColorSunken,
        TKitThreeDStyle::tdPColorRaised, TKitThreeDStyle::tdShadow,       TKitThreeDStyle::tdOutline,
        TKitThreeDStyle::tdExtrude,      TKitThreeDStyle::tdExtrudeEnh,
    };
    const QImage sheet = KitDrawn(360, 330, ColorToRGB(clBtnFace), [&](TCanvas& canvas) {
        UseFont(canvas.Font(), 14, true);
        canvas.Font().SetColor(0x804000);
        canvas.Brush().SetColor(0x00C0FF);
        for (size_t i = 0; i < styles.size(); ++i) {
            TKitFxCaption fx;
            fx.SetStyle(styles[i]);
            fx.SetLightDepth(2);
            fx.SetShadowDepth(3);
            fx.SetOrientation(i % 2 == 0 ? TKitThreeDOrientation::toTopLeft : TKitThreeDOrientation::toBottomRight);
            const int x = 5 + static_cast<int>(i % 2) * 120;
            const int y = 5 + static_cast<int>(i / 2) * 30;
            KitDrawEffectText(canvas, "Effect", &fx, nullptr, kitTextEnabled, 0, {x, y, x + 115, y + 30});
        }
        // Disabled engraved, spaced letters, accelerator, and turned captions.
        TKitFxCaption disabled;
        KitDrawEffectText(canvas, "&Disabled", &disabled, nullptr, kitTextDisabledSunken, 0, {5, 185, 120, 215});
        TKitFxCaption spaced;
        spaced.SetTracing(3);
        KitDrawEffectText(canvas, "Spaced", &spaced, nullptr, kitTextEnabled, 0, {125, 185, 240, 215});
        for (const int angle : {90, 45, 270}) {
            TKitFxCaption turned;
            turned.SetAngle(angle);
            turned.SetStyle(TKitThreeDStyle::tdShadow);
            const TRect size = KitMeasureEffectText("Turn", &turned, 0, true, false, canvas.Font());
            const int x = 245 + (angle == 90 ? 0 : angle == 45 ? 30 : 90);
            const TRect place{x, 5, x + size.Width(), 5 + size.Height()};
            canvas.Brush().SetColor(clWhite);
            canvas.FrameRect(place);
            KitDrawEffectText(canvas, "Turn", &turned, nullptr, kitTextEnabled, 0, place);
        }
        // Clipped to a rectangle smaller than the text.
        TKitFxCaption clipped;
        const TRect clip{5, 225, 40, 240};
        KitDrawEffectText(canvas, "Clipped text", &clipped, &clip, kitTextEnabled | kitTextClip, 0, {5, 225, 200, 255});
        // Multi-line, centred, with a word break.
        TKitFxCaption wrapped;
        wrapped.SetStyle(TKitThreeDStyle::tdRaised);
        KitDrawEffectText(canvas, "Two words", &wrapped, nullptr, kitTextEnabled,
                          static_cast<int>(DT_CENTER | DT_WORDBREAK), {125, 225, 200, 325});
    });
    ExpectGolden(sheet, "effect-text");
}

// A 16 x 16 glyph: a blue square with a red border on a lime (see-through) background.
TBitmap TestGlyph()
{
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(qRgb(0, 255, 0));
    for (int y = 2; y < 14; ++y) {
        for (int x = 2; x < 14; ++x) {
            const bool border = x == 2 || y == 2 || x == 13 || y == 13;
            image.setPixel(x, y, border ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
        }
    }
    TBitmap bitmap;
    bitmap.SetImage(image);
    return bitmap;
}

TEST_F(KitGraphText, GlyphAndCaptionAreDrawnWhereTheLayoutPlacesThem)
{
    const TBitmap glyph = TestGlyph();
    TKitGlyphTextLayout layout;
    layout.SetAlignment(TKitAlignment::agTopLeft);
    TKitGlyphTextPlacement placed;
    const QImage picture = KitDrawn(120, 40, white, [&](TCanvas& canvas) {
        UseFont(canvas.Font());
        const QImage& image = glyph.Image();
        KitDrawGlyphText(canvas, "Text", nullptr, &placed, 0, kitTextEnabled | kitTextResultUnion, true, true, false, layout,
                         green, nullptr, {0, 0, 16, 16}, &image, {0, 0, 120, 40});
    });
    // The glyph is at the corner, its lime pixels left out; the text follows after the spacing.
    EXPECT_EQ(placed.glyph, (TRect{0, 0, 16, 16}));
    EXPECT_EQ(KitPixelAt(picture, 0, 0), white);
    EXPECT_EQ(KitPixelAt(picture, 2, 2), red);
    EXPECT_EQ(KitPixelAt(picture, 5, 5), blue);
    EXPECT_EQ(placed.text.Left, 16 + 2 + 1);
    TRect ink = BoundsOf(picture, clBlack);
    EXPECT_GE(ink.Left, placed.text.Left);
    EXPECT_LE(ink.Right, placed.text.Right);

    // Measuring draws nothing and answers the union grown by 2.
    const QImage blank = KitDrawn(120, 40, white, [](TCanvas&) {});
    TRect measured;
    const QImage untouched = KitDrawn(120, 40, white, [&](TCanvas& canvas) {
        UseFont(canvas.Font());
        const QImage& image = glyph.Image();
        measured = KitDrawGlyphText(canvas, "Text", nullptr, nullptr, 0, kitTextMeasureOnly, true, true, false, layout, green,
                                    nullptr, {0, 0, 16, 16}, &image, {0, 0, 120, 40});
    });
    EXPECT_TRUE(untouched == blank);
    EXPECT_EQ(measured, (TRect{-2, -2, placed.text.Right + 2, std::max(16, placed.text.Bottom) + 2}));

    // Through the glyph's own strips: a single-picture glyph drawn disabled is embossed, and
    // an empty glyph draws the caption alone.
    TKitGlyph buttonGlyph;
    buttonGlyph.SetGlyph(glyph);
    const QImage disabled = KitDrawn(40, 20, white, [&](TCanvas& canvas) {
        UseFont(canvas.Font());
        buttonGlyph.Draw(canvas, "", 0, kitTextDisabledSunken, false, 1, layout, nullptr, {0, 0, 40, 20});
    });
    EXPECT_EQ(KitPixelAt(disabled, 3, 3), ColorToRGB(clBtnShadow));
    EXPECT_EQ(BoundsOf(disabled, blue).Width(), 0);
    TKitGlyph empty;
    const QImage captionOnly = KitDrawn(60, 20, white, [&](TCanvas& canvas) {
        UseFont(canvas.Font());
        empty.Draw(canvas, "Text", 0, kitTextEnabled, false, 0, layout, nullptr, {0, 0, 60, 20});
    });
    EXPECT_EQ(BoundsOf(captionOnly, clBlack).Left, BoundsOf(picture, clBlack).Left - 18);
}

TEST_F(KitGraphText, GlyphTextLayoutsMatchTheirGoldenPicture)
{
    const TBitmap glyph = TestGlyph();
    const std::vector<TKitTextArrange> arrangements = {
        TKitTextArrange::taLeft, TKitTextArrange::taLeftTop,  TKitTextArrange::taRight,  TKitTextArrange::taRightTop,
        TKitTextArrange::taTop,  TKitTextArrange::taTopLeft,  TKitTextArrange::taBottom, TKitTextArrange::taBottomLeft,
    };
    const QImage sheet = KitDrawn(400, 250, ColorToRGB(clBtnFace), [&](TCanvas& canvas) {
        UseFont(canvas.Font(), 9);
        for (size_t i = 0; i < arrangements.size(); ++i) {
            TKitButtonLayout layout;
            layout.SetAlignText2Glyph(arrangements[i]);
            layout.SetArrow(i % 3 == 1);
            layout.SetArrowPosition(static_cast<TKitArrowPosition>(i % 4));
            const int x = 5 + static_cast<int>(i % 4) * 98;
            const int y = 5 + static_cast<int>(i / 4) * 60;
            const TRect target{x, y, x + 94, y + 56};
            canvas.Brush().SetColor(clWhite);
            canvas.FrameRect(target);
            KitDrawGlyphTextBitmaps(canvas, "Ca&ption", nullptr, 0, kitTextEnabled, true, false, layout, nullptr, &glyph,
                                    target);
        }
        // A multi-line caption wrapped in a narrow button, a disabled arrow, the text alone.
        TKitButtonLayout wrapped;
        wrapped.SetArrow(true);
        wrapped.SetArrowColor(0x0000C0);
        TKitFxCaption raised;
        raised.SetStyle(TKitThreeDStyle::tdRaised);
        KitDrawGlyphTextBitmaps(canvas, "Show all open tickets", &raised, 0, kitTextEnabled, true, true, wrapped, nullptr,
                                &glyph, {5, 130, 105, 200});
        KitDrawGlyphTextBitmaps(canvas, "Off", nullptr, 0, kitTextDisabledSunken, true, false, wrapped, nullptr, nullptr,
                                {110, 130, 200, 160});
        TKitFxCaption engraved;
        KitDrawGlyphTextBitmaps(canvas, "Off", &engraved, 0, kitTextDisabledSunken, true, false, wrapped, nullptr, &glyph,
                                {205, 130, 300, 160});
    });
    ExpectGolden(sheet, "glyph-text");
}

TEST(KitButtonStyles, OlderStyleNamesReadAsThemedClassicStyles)
{
    RegisterKitClasses();
    const TEnumInfo* stored = FindEnumInfo(typeid(TKitStoredButtonStyle));
    ASSERT_NE(stored, nullptr);
    struct Case {
        const char* name;
        TKitUserButtonStyle style;
        bool themed;
    };
    const std::vector<Case> cases = {
        {"ubsWinXP", TKitUserButtonStyle::ubsWin40, true},
        {"ubsWinXPCombo", TKitUserButtonStyle::ubsCombo, true},
        {"ubsWinXPTool", TKitUserButtonStyle::ubsExplorer, true},
        {"ubsWin31", TKitUserButtonStyle::ubsWin31, false},
        {"ubsOfficeTransp", TKitUserButtonStyle::ubsOfficeTransp, false},
        {"ubsWin40Ext", TKitUserButtonStyle::ubsWin40Ext, false},
    };
    for (const Case& c : cases) {
        const int ordinal = stored->IndexOf(c.name);
        ASSERT_GE(ordinal, 0) << c.name;
        const TKitButtonStyleRead read = KitReadButtonStyle(static_cast<TKitStoredButtonStyle>(ordinal));
        EXPECT_EQ(read.style, c.style) << c.name;
        EXPECT_EQ(read.themed, c.themed) << c.name;
    }
    EXPECT_EQ(stored->IndexOf("ubsWinXP2"), -1);
    // Only the fourteen styles are names of the style itself.
    EXPECT_EQ(FindEnumInfo(typeid(TKitUserButtonStyle))->IndexOf("ubsWinXP"), -1);
}

}  // namespace
