// Surface settings: gradient colour tables (expected values computed outside the program from
// the interpolation rule with exact integers: data/reference_values.py), fills, bevel extents
// and the switched-off effects.

#include "GuiTestSupport.h"

#include "platform/rtl/Exceptions.h"
#include "widgets/KitBackground.h"
#include "widgets/KitBevel.h"
#include "widgets/KitCustomImageList.h"
#include "widgets/KitEffects.h"
#include "widgets/KitFill.h"
#include "widgets/KitGradient.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

struct GradientCase {
    const char* name;
    std::vector<TColor> colors;  // two colours: Color and EndColor; more: the Colors list
    int colorCount;
    std::vector<TColor> table;
};

TEST(KitGradient, ColourTablesFollowTheInterpolationRule)
{
    const GradientCase cases[] = {
        {"red to blue in 16", {0x0000FF, 0xFF0000}, 16,
         {0x0000FF, 0x1100EE, 0x2200DD, 0x3300CC, 0x4400BB, 0x5500AA, 0x660099, 0x770088, 0x880077, 0x990066, 0xAA0055,
          0xBB0044, 0xCC0033, 0xDD0022, 0xEE0011, 0xFF0000}},
        {"halves round away from zero upwards", {0x000000, 0x0301FF}, 3, {0x000000, 0x020180, 0x0301FF}},
        {"halves round away from zero downwards", {0x0301FF, 0x000000}, 3, {0x0301FF, 0x01007F, 0x000000}},
        {"system colour resolved first", {clActiveCaption, clWhite}, 4, {0xD1B499, 0xE0CDBB, 0xF0E6DD, 0xFFFFFF}},
        {"thirds", {0x102030, 0x0A0B0C}, 7, {0x102030, 0x0F1C2A, 0x0E1924, 0x0D151E, 0x0C1218, 0x0B0E12, 0x0A0B0C}},
    };
    for (const GradientCase& c : cases) {
        SCOPED_TRACE(c.name);
        TKitGradient gradient;
        gradient.SetColorCount(c.colorCount);
        gradient.SetColor(c.colors[0]);
        gradient.SetEndColor(c.colors[1]);
        EXPECT_EQ(gradient.ColorTable(), c.table);
    }
}

TEST(KitGradient, MultiColourTablesJoinTheirSegments)
{
    const GradientCase cases[] = {
        // ColorCount div 3 = 3 steps per pair; the second segment starts where the first ended.
        {"three colours in ten", {0x0000FF, 0x00FF00, 0xFF0000}, 10, {0x0000FF, 0x00807F, 0x00FF00, 0x807F00, 0xFF0000}},
        {"four colours in 17", {0x000000, 0xFFFFFF, 0x808080, 0x123456}, 17,
         {0x000000, 0x555555, 0xAAAAAA, 0xFFFFFF, 0xD5D5D5, 0xAAAAAA, 0x808080, 0x5B6772, 0x374D64, 0x123456}},
        // One step per pair: the start colour alone (the old code took -1 as a colour here).
        {"one step per pair", {0x0000FF, 0x00FF00, 0xFF0000}, 3, {0x0000FF}},
        // No step at all, and a single entry: nothing to draw.
        {"no step", {0x0000FF, 0x00FF00, 0xFF0000}, 2, {}},
        {"one entry", {0x0000FF}, 16, {}},
    };
    for (const GradientCase& c : cases) {
        SCOPED_TRACE(c.name);
        TKitGradient gradient;
        gradient.SetTwoColors(false);
        gradient.SetColorCount(c.colorCount);
        gradient.SetColors(c.colors);
        EXPECT_EQ(gradient.ColorTable(), c.table);
    }
}

TEST(KitGradient, TableIsCurrentAtEveryNotificationAndPaletteFollowsIt)
{
    TKitGradient gradient;
    EXPECT_EQ(gradient.ColorTable().size(), 16u);  // blue to black from the start
    EXPECT_EQ(gradient.ColorTable().front(), clBlue);
    EXPECT_EQ(gradient.Palette(), nullptr);

    std::vector<TColor> seen;
    gradient.OnChange = [&](TObject*) { seen = gradient.ColorTable(); };
    gradient.SetColorCount(2);
    EXPECT_EQ(seen, (std::vector<TColor>{clBlue, clBlack}));
    gradient.SetColor(clRed);
    EXPECT_EQ(seen, (std::vector<TColor>{clRed, clBlack}));

    gradient.SetPaletteRealize(true);
    ASSERT_NE(gradient.Palette(), nullptr);
    EXPECT_EQ(*gradient.Palette(), (TPalette{{255, 0, 0, PC_NOCOLLAPSE}, {0, 0, 0, PC_NOCOLLAPSE}}));

    gradient.SetColorCount(1000);
    EXPECT_EQ(gradient.ColorCount(), 236);
    gradient.SetColorCount(0);
    EXPECT_EQ(gradient.ColorCount(), 2);
}

TEST(KitGradient, AssignSummaryAndStoredColourList)
{
    TKitGradient source;
    source.SetStyle(TKitGradientStyle::gstTopLeftDiagonal);
    source.SetTwoColors(false);
    source.SetColors({clRed, clLime, clBlue});
    source.SetColorCount(30);
    EXPECT_EQ(source.SummaryText(), "top left diag, Col: 30, mult. col mode");

    TKitGradient target;
    EXPECT_EQ(target.SummaryText(), "vertical, Col: 16, 2 col mode");
    int changes = 0;
    target.OnChange = [&](TObject*) { ++changes; };
    target.Assign(source);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(target.Colors(), source.Colors());
    EXPECT_EQ(target.ColorTable(), source.ColorTable());

    const std::optional<std::string> stored = source.WriteColorList();
    ASSERT_TRUE(stored);
    EXPECT_EQ(*stored, std::string("\x03\x00\x00\x00\xFF\x00\x00\x00\x00\xFF\x00\x00\x00\x00\xFF\x00", 16));
    TKitGradient read;
    read.ReadColorList(*stored);
    EXPECT_EQ(read.Colors(), source.Colors());
    EXPECT_FALSE(TKitGradient().WriteColorList());

    for (const std::string& damaged : {std::string(), std::string("\x02\x00\x00\x00\x01\x02\x03\x04", 8),
                                       std::string("\xFF\xFF\xFF\xFF", 4), std::string("\x00\x00\x00\x00\x01", 5)}) {
        EXPECT_THROW(read.ReadColorList(damaged), EReadError);
        EXPECT_EQ(read.Colors(), source.Colors());
    }
}

TEST(KitFill, PlacementNotifiesOnlyForAnUntiledBitmap)
{
    TKitFillObject fill;
    EXPECT_EQ(fill.Style(), TKitFillStyle::sfNone);
    int changes = 0;
    fill.OnChange = [&](TObject*) { ++changes; };
    fill.SetOffsetX(5);
    fill.SetAlignment(TKitAlignment::agCenter);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(fill.OffsetX(), 5);  // stored all the same
    EXPECT_EQ(fill.Alignment(), TKitAlignment::agCenter);

    fill.SetStyle(TKitFillStyle::sfBitmap);
    fill.SetOffsetY(3);
    EXPECT_EQ(changes, 1);  // tiled
    fill.SetTileMode(TKitTileMode::tmNone);
    fill.SetOffsetY(4);
    fill.SetStyle(TKitFillStyle::sfBitmapList);
    fill.SetOffsetX(6);
    EXPECT_EQ(changes, 5);
}

TEST(KitFill, OwnedObjectsAreCopiedIntoAndNotifyTheFill)
{
    TKitFillObject fill;
    int changes = 0;
    fill.OnChange = [&](TObject*) { ++changes; };
    fill.Brush().SetColor(clRed);
    fill.Gradient().SetColor(clRed);
    QImage picture(2, 2, QImage::Format_RGB32);
    picture.fill(Qt::green);
    fill.Bitmap().SetImage(picture);
    EXPECT_EQ(changes, 3);

    TBrush brush;
    brush.SetColor(clLime);
    fill.SetBrush(brush);
    EXPECT_EQ(fill.Brush().Color(), clLime);
    EXPECT_NE(&fill.Brush(), &brush);
    EXPECT_EQ(changes, 4);

    TKitFillObject copy;
    copy.SetOffsetX(9);
    int copyChanges = 0;
    copy.OnChange = [&](TObject*) { ++copyChanges; };
    fill.SetOptions(KitFillOptionBit(TKitFillOption::foQuickDraw));
    copy.Assign(fill);
    EXPECT_EQ(copyChanges, 1);
    EXPECT_EQ(copy.Brush().Color(), clLime);
    EXPECT_EQ(copy.Gradient().Color(), clRed);
    EXPECT_EQ(copy.Bitmap().Image(), picture);
    EXPECT_EQ(copy.Options(), KitFillOptionBit(TKitFillOption::foQuickDraw));
    EXPECT_EQ(copy.OffsetX(), 9);  // placement is not copied
    EXPECT_EQ(fill.SummaryText(), "{Disabled}");
    fill.SetStyle(TKitFillStyle::sfBrushBitmap);
    EXPECT_EQ(fill.SummaryText(), "{BitmapBrush}");
    EXPECT_EQ(TKitShapeFill().SummaryText(), "{Brush}");
}

struct BevelCase {
    const char* name;
    TKitBevelMode mode;
    TKitBevelStyle outer, inner;
    int widthOuter, widthInner, borderWidth, borderInnerWidth;
    int extent, outerExtent;
};

TEST(KitBevel, ExtentsByMode)
{
    using S = TKitBevelStyle;
    using M = TKitBevelMode;
    const BevelCase cases[] = {
        {"nothing", M::bmCustom, S::bvNone, S::bvNone, 5, 5, 2, 1, 3, 3},
        {"frame outer of 2", M::bmCustom, S::bvFrameRaised, S::bvNone, 2, 1, 0, 0, 3, 3},
        {"both, frame inner", M::bmCustom, S::bvRaised, S::bvFrameLowered, 2, 3, 1, 1, 2 + 2 + 3 + 1, 8},
        {"inner only", M::bmCustom, S::bvNone, S::bvLowered, 4, 2, 1, 0, 3, 3},
        {"shadow", M::bmCustom, S::bvShadow, S::bvShadow, 4, 3, 7, 2, 5, 9},
    };
    for (const BevelCase& c : cases) {
        SCOPED_TRACE(c.name);
        TKitBevel bevel;
        bevel.SetMode(c.mode);
        bevel.SetStyleOuter(c.outer);
        bevel.SetStyleInner(c.inner);
        bevel.SetWidthOuter(c.widthOuter);
        bevel.SetWidthInner(c.widthInner);
        bevel.SetBorderWidth(c.borderWidth);
        bevel.SetBorderInnerWidth(c.borderInnerWidth);
        EXPECT_EQ(bevel.Extent(), c.extent);
        EXPECT_EQ(bevel.OuterExtent(), c.outerExtent);
    }

    TKitBevel bevel;
    bevel.SetBorderInnerWidth(1);
    bevel.SetMode(TKitBevelMode::bmStandard);
    const std::pair<TKitBorderStyle, int> standard[] = {
        {TKitBorderStyle::lsNone, 1}, {TKitBorderStyle::lsSingle, 2}, {TKitBorderStyle::lsSingleRaised, 2},
        {TKitBorderStyle::lsSingleLowered, 2}, {TKitBorderStyle::lsRaisedExt, 3}, {TKitBorderStyle::lsDoubleLowered, 3}};
    for (const auto& [style, extent] : standard) {
        bevel.SetStandardStyle(style);
        EXPECT_EQ(bevel.Extent(), extent);
    }
    bevel.SetMode(TKitBevelMode::bmEdge);
    EXPECT_EQ(bevel.Extent(), 3);
    bevel.SetBorderSides(0);
    EXPECT_EQ(bevel.Extent(), 1);
    bevel.SetMode(TKitBevelMode::bmWindows);
    EXPECT_EQ(bevel.Extent(), 3);
    bevel.SetSystemFrame(true);
    EXPECT_EQ(bevel.Extent(), 0);
    EXPECT_EQ(bevel.SummaryText(), "{Windows style}");
}

TEST(KitBevel, ShadowIsAlwaysBothSidesAndStandardStyleNotifiesInItsMode)
{
    TKitBevel bevel;
    bevel.SetStyleOuter(TKitBevelStyle::bvFrameRaised);
    bevel.SetStyleInner(TKitBevelStyle::bvShadow);
    EXPECT_EQ(bevel.StyleOuter(), TKitBevelStyle::bvShadow);
    bevel.SetStyleOuter(TKitBevelStyle::bvRaised);  // leaving shadow resets the other side
    EXPECT_EQ(bevel.StyleInner(), TKitBevelStyle::bvNone);
    EXPECT_EQ(bevel.StyleOuter(), TKitBevelStyle::bvRaised);

    int changes = 0;
    bevel.OnChange = [&](TObject*) { ++changes; };
    bevel.SetStandardStyle(TKitBorderStyle::lsRaised);
    EXPECT_EQ(changes, 0);
    bevel.SetMode(TKitBevelMode::bmStandard);
    bevel.SetStandardStyle(TKitBorderStyle::lsLowered);
    EXPECT_EQ(changes, 2);
    bevel.SetShadowColor(clRed);
    EXPECT_EQ(bevel.Colors(2), clRed);
    EXPECT_THROW(bevel.SetColors(3, clRed), EListError);

    TKitBevel copy;
    copy.Assign(bevel);
    EXPECT_EQ(copy.Mode(), TKitBevelMode::bmStandard);
    EXPECT_EQ(copy.StandardStyle(), TKitBorderStyle::lsLowered);
    EXPECT_EQ(copy.Extent(), bevel.Extent());
}

class TOnePictureList : public TKitCustomImageList {
public:
    explicit TOnePictureList(TComponent* owner) : TKitCustomImageList(owner) {}
    bool ImageExists(int, int) const override { return true; }
    QImage ImageCopy(int, int) const override { return QImage(2, 2, QImage::Format_RGB32); }
};

TEST(KitEffects, WritesStoreTheNeutralValue)
{
    TKitAlphaObject alpha;
    int changes = 0;
    alpha.OnChange = [&](TObject*) { ++changes; };
    EXPECT_FLOAT_EQ(alpha.Strength(), 0.6);
    alpha.SetStrength(0.8);
    EXPECT_EQ(alpha.Strength(), 0.0);
    EXPECT_EQ(changes, 1);
    alpha.SetStrength(0.8);  // already neutral: nothing to tell
    EXPECT_EQ(changes, 1);
    alpha.SetImageIndex(4);  // the list refresh always runs
    alpha.SetListIndex(2);
    EXPECT_EQ(alpha.ImageIndex(), 0);
    EXPECT_EQ(alpha.ListIndex(), 0);
    EXPECT_EQ(changes, 3);
    TOnePictureList list(nullptr);
    alpha.SetImageList(&list);
    EXPECT_EQ(alpha.ImageList(), nullptr);
    EXPECT_EQ(list.LinkCount(), 0);
    EXPECT_TRUE(alpha.FillObject().ListBitmap().Empty());
    EXPECT_EQ(alpha.SummaryText(), "{Disabled}");

    TKitBitmapEffectObject effect;
    int effectChanges = 0;
    effect.OnChange = [&](TObject*) { ++effectChanges; };
    effect.SetInvert(true);
    effect.SetGrayScale(true);
    effect.SetFlipVertical(true);
    effect.SetFlipHorizontal(true);
    effect.SetBuffered(true);
    effect.SetMonochrome(true);
    effect.SetBrightness(100);
    EXPECT_FALSE(effect.Invert() || effect.GrayScale() || effect.FlipVertical() || effect.FlipHorizontal() ||
                 effect.Buffered() || effect.Monochrome());
    EXPECT_EQ(effect.Brightness(), 0);
    EXPECT_EQ(effectChanges, 0);
    EXPECT_EQ(effect.SummaryText(), "{Disabled}");
}

TEST(KitEffects, AssignCarriesRealValues)
{
    // Values that came from elsewhere survive a copy.
    TKitAlphaObject holder;
    holder.FillObject().SetStyle(TKitFillStyle::sfGradient);
    TKitAlphaObject source;
    int changes = 0;
    source.OnChange = [&](TObject*) { ++changes; };
    source.Assign(holder);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(source.SummaryText(), "{Enabled (grad), strength: 0.600}");
    source.FillObject().SetStyle(TKitFillStyle::sfBitmapList);
    EXPECT_EQ(source.SummaryText(), "{Enabled (bmp), strength: 0.600}");
    EXPECT_EQ(changes, 2);  // the fill object's change is the alpha object's change

    TKitBitmapEffectObject other;
    other.AlphaBlend().FillObject().SetStyle(TKitFillStyle::sfBrush);
    TKitBitmapEffectObject effect;
    effect.Assign(other);
    EXPECT_EQ(effect.SummaryText(), "{alpha}");
    EXPECT_EQ(effect.AlphaBlend().SummaryText(), "{Enabled (brush), strength: 0.600}");
}

TEST(KitEffects, ColourObjectAndControlSwitches)
{
    TKitColorObject color;
    EXPECT_EQ(color.SummaryText(), "clBtnFace");
    color.SetColor(0x123456);
    EXPECT_EQ(color.SummaryText(), "$00123456");

    TKitCtlSettings settings;
    EXPECT_EQ(settings.SummaryText(), "Transp.: False, CtlXP: True");
    int changes = 0;
    settings.OnChange = [&](TObject*) { ++changes; };
    settings.SetTransparent(true);
    settings.SetFlag(1, false);
    settings.SetFlag(1, false);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(settings.SummaryText(), "Transp.: True, CtlXP: False");
    EXPECT_THROW(settings.Flag(2), EListError);

    const auto& names = KitControlStateNames();
    EXPECT_STREQ(names.front().Name, "Disabled");
    EXPECT_STREQ(names.back().Name, "Normal");
    EXPECT_EQ(names[4].States, (std::array<uint8_t, 7>{2, 1, 0, 0, 2, 2, 2}));
}

class TThemedComponent : public TComponent, public IKitXPControl {
public:
    explicit TThemedComponent(TComponent* owner) : TComponent(owner) {}
    bool CtlXP() const override { return ctlXP; }
    void SetCtlXP(bool value) override { ctlXP = value; }
    bool SupportsXP() const override { return true; }
    bool ctlXP = true;
};

TEST(KitEffects, FormControlsXPReachesEveryThemedComponent)
{
    TestApplication();
    TForm form(nullptr);
    auto* first = new TThemedComponent(&form);
    new TComponent(&form);
    auto* second = new TThemedComponent(&form);
    SetFormControlsXP(form, false);
    EXPECT_FALSE(first->ctlXP);
    EXPECT_FALSE(second->ctlXP);
    SetFormControlsXP(form, true);
    EXPECT_TRUE(first->ctlXP);
}

}  // namespace
