// Caption effect and layout settings: their one-notification assignments, the angle rule and
// the summary texts of a property editor.

#include "widgets/KitCaptions.h"

#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(KitCaptions, AngleOf360IsStoredAsZeroAndNotifies)
{
    TKitFxCaption caption;
    int changes = 0;
    caption.OnChange = [&](TObject*) { ++changes; };
    caption.SetAngle(360);  // also when the old angle was 0
    EXPECT_EQ(caption.Angle(), 0);
    EXPECT_EQ(changes, 1);
    caption.SetAngle(0);
    EXPECT_EQ(changes, 1);
    caption.SetAngle(90);
    caption.SetAngle(450);
    EXPECT_EQ(caption.Angle(), 90);
    EXPECT_EQ(changes, 3);
    caption.SetAngle(-90);
    EXPECT_EQ(caption.Angle(), 270);
}

TEST(KitCaptions, TextOriginNeverNotifies)
{
    TKitFxCaption caption;
    int changes = 0;
    caption.OnChange = [&](TObject*) { ++changes; };
    caption.SetPos(12, 34);
    EXPECT_EQ(caption.PosX(), 12);
    EXPECT_EQ(caption.PosY(), 34);
    EXPECT_EQ(changes, 0);
}

TEST(KitCaptions, AssignmentsCopyTheirOwnSettingsWithOneNotification)
{
    TKitFxCaption source;
    source.SetStyle(TKitThreeDStyle::tdRaisedShadow);
    source.SetLightDepth(3);
    source.SetShadowDepth(4);
    source.SetLightColor(clRed);
    source.SetShadowColor(clBlue);
    source.SetDisabledStyle(TKitDisabledStyle::ds3d);
    source.SetTracing(2);
    source.SetOrientation(TKitThreeDOrientation::toBottomRight);
    source.SetAngle(45);
    source.SetPos(5, 6);

    TKitFxCaption target;
    int changes = 0;
    target.OnChange = [&](TObject*) { ++changes; };
    target.Assign(source);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(target.Style(), TKitThreeDStyle::tdRaisedShadow);
    EXPECT_EQ(target.LightDepth(), 3);
    EXPECT_EQ(target.ShadowDepth(), 4);
    EXPECT_EQ(target.LightColor(), clRed);
    EXPECT_EQ(target.ShadowColor(), clBlue);
    EXPECT_EQ(target.DisabledStyle(), TKitDisabledStyle::ds3d);
    EXPECT_EQ(target.Tracing(), 2);
    EXPECT_EQ(target.Angle(), 45);
    EXPECT_EQ(target.PosX(), 5);
    EXPECT_EQ(target.PosY(), 6);
    EXPECT_EQ(target.Orientation(), TKitThreeDOrientation::toTopLeft);  // not copied

    // From a plain 3D caption only the 3D settings come over.
    TKit3DCaption plain;
    plain.SetStyle(TKitThreeDStyle::tdOutline);
    target.Assign(plain);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(target.Style(), TKitThreeDStyle::tdOutline);
    EXPECT_EQ(target.Angle(), 45);

    TKitButtonLayout layout;
    EXPECT_THROW(target.Assign(layout), EConvertError);
}

TEST(KitCaptions, ButtonLayoutAssignNotifiesExactlyOnce)
{
    TKitButtonLayout source;
    source.SetAlignText2Glyph(TKitTextArrange::taBottom);
    source.SetOffsetX(1);
    source.SetOffsetY(2);
    source.SetSpacing(7);
    source.SetAlignment(TKitAlignment::agBottomRight);
    source.SetArrow(true);
    source.SetArrowColor(clRed);
    source.SetArrowIndent(9);
    source.SetArrowPosition(TKitArrowPosition::apLeftGlyph);
    source.SetArrowSize(6);

    TKitButtonLayout target;
    EXPECT_EQ(target.Alignment(), TKitAlignment::agCenter);
    int changes = 0;
    target.OnChange = [&](TObject*) { ++changes; };
    target.Assign(source);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(target.AlignText2Glyph(), TKitTextArrange::taBottom);
    EXPECT_EQ(target.OffsetX(), 1);
    EXPECT_EQ(target.OffsetY(), 2);
    EXPECT_EQ(target.Spacing(), 7);
    EXPECT_EQ(target.Alignment(), TKitAlignment::agBottomRight);
    EXPECT_TRUE(target.Arrow());
    EXPECT_EQ(target.ArrowColor(), clRed);
    EXPECT_EQ(target.ArrowIndent(), 9);
    EXPECT_EQ(target.ArrowPosition(), TKitArrowPosition::apLeftGlyph);
    EXPECT_EQ(target.ArrowSize(), 6);

    // A plain glyph layout gives its five layout settings and leaves the arrow alone.
    TKitGlyphTextLayout plain;
    target.Assign(plain);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(target.Alignment(), TKitAlignment::agTopLeft);
    EXPECT_TRUE(target.Arrow());

    target.SetArrowSize(20);
    EXPECT_EQ(target.ArrowSize(), 10);
    target.SetArrowSize(0);
    EXPECT_EQ(target.ArrowSize(), 2);
}

TEST(KitCaptions, SummaryTexts)
{
    const std::pair<TKitThreeDStyle, const char*> styles[] = {
        {TKitThreeDStyle::tdNone, "{Disabled}"},
        {TKitThreeDStyle::tdSunken, "{sunken}"},
        {TKitThreeDStyle::tdRaised, "{raised}"},
        {TKitThreeDStyle::tdSunkenShadow, "{sunken shadow}"},
        {TKitThreeDStyle::tdRaisedShadow, "{raised shadow}"},
        {TKitThreeDStyle::tdPColorSunken, "{PColor sunken}"},
        {TKitThreeDStyle::tdPColorRaised, "{PColor raised}"},
        {TKitThreeDStyle::tdShadow, "{shadow}"},
        {TKitThreeDStyle::tdOutline, "{outline}"},
        {TKitThreeDStyle::tdExtrude, "{extrude}"},
        {TKitThreeDStyle::tdExtrudeEnh, "{extrude enh}"},
    };
    for (const auto& [style, text] : styles) {
        TKit3DCaption caption;
        caption.SetStyle(style);
        EXPECT_EQ(caption.SummaryText(), text);
    }
    TKitFxCaption rotated;
    EXPECT_EQ(rotated.SummaryText(), "{Disabled}");
    rotated.SetAngle(45);
    EXPECT_EQ(rotated.SummaryText(), "{ rot: 45\xB0}");
    rotated.SetStyle(TKitThreeDStyle::tdSunken);
    EXPECT_EQ(rotated.SummaryText(), "{sunken, rot: 45\xB0}");
    EXPECT_EQ(TKitButtonLayout().SummaryText(), "");
}

}  // namespace
