#include "widgets/KitRegistration.h"

#include "platform/classes/PropertyRegistry.h"
#include "platform/gui/GuiRegistration.h"
#include "widgets/KitBevel.h"
#include "widgets/KitButtonBase.h"
#include "widgets/KitCaptions.h"
#include "widgets/KitClass.h"
#include "widgets/KitCustomImageList.h"
#include "widgets/KitEffects.h"
#include "widgets/KitFill.h"
#include "widgets/KitGradient.h"
#include "widgets/KitImageList.h"
#include "widgets/KitIniCtrl.h"
#include "widgets/KitLists.h"
#include "widgets/KitPlacement.h"
#include "widgets/KitXPStyles.h"

#include <algorithm>
#include <cmath>

namespace {

void RegisterKitEnumerations()
{
    RegisterEnum<TKitThreeDStyle>("TKitThreeDStyle", {"tdNone", "tdSunken", "tdRaised", "tdSunkenShadow", "tdRaisedShadow",
                                                      "tdPColorSunken", "tdPColorRaised", "tdShadow", "tdOutline", "tdExtrude",
                                                      "tdExtrudeEnh"});
    RegisterEnum<TKitThreeDOrientation>("TKitThreeDOrientation", {"toBottomLeft", "toBottomRight", "toTopLeft", "toTopRight"});
    RegisterEnum<TKitDisabledStyle>("TKitDisabledStyle", {"dsAuto", "dsStandard", "ds3d", "dsNone"});
    RegisterEnum<TKitAlignment>("TKitAlignment", {"agTopLeft", "agTopCenter", "agTopRight", "agCenterLeft", "agCenter",
                                                  "agCenterRight", "agBottomLeft", "agBottomCenter", "agBottomRight"});
    RegisterEnum<TKitTextArrange>("TKitTextArrange", {"taLeft", "taLeftTop", "taRight", "taRightTop", "taTop", "taTopLeft",
                                                      "taBottom", "taBottomLeft"});
    RegisterEnum<TKitArrowPosition>("TKitArrowPosition", {"apRightText", "apLeftText", "apRightGlyph", "apLeftGlyph"});
    RegisterEnum<TKitGradientStyle>("TKitGradientStyle", {"gstHorizontal", "gstVertical", "gstSquare", "gstElliptic", "gstTopLeft",
                                                          "gstTopRight", "gstBottomLeft", "gstBottomRight", "gstTopLeftDiagonal",
                                                          "gstTopRightDiagonal"});
    RegisterEnum<TKitFillStyle>("TKitFillStyle", {"sfNone", "sfBrushBitmap", "sfBrush", "sfBitmap", "sfBitmapList", "sfGradient"});
    RegisterEnum<TKitTileMode>("TKitTileMode", {"tmNone", "tmCenter", "tmStretch", "tmTile"});
    RegisterEnum<TKitFillOption>("TKitFillOption", {"foFillInner", "foQuickDraw", "foGrUseBitmap"});
    RegisterEnum<TKitBevelStyle>("TKitBevelStyle", {"bvNone", "bvLowered", "bvRaised", "bvFrameLowered", "bvFrameRaised", "bvNormal",
                                                    "bvShadow"});
    RegisterEnum<TKitBevelMode>("TKitBevelMode", {"bmCustom", "bmStandard", "bmEdge", "bmWindows"});
    RegisterEnum<TKitBorderStyle>("TKitBorderStyle", {"lsNone", "lsSingle", "lsLowered", "lsRaised", "lsRaisedspb", "lsLoweredspb",
                                                      "lsRaisedExt", "lsLoweredExt", "lsFrameInset", "lsFrameOffset", "lsWindowBorder",
                                                      "lsSingleRaised", "lsSingleLowered", "lsDoubleRaised", "lsDoubleLowered"});
    RegisterEnum<TKitEdgeStyle>("TKitEdgeStyle", {"etRaisedInner", "etRaisedOuter", "etSunkenInner", "etSunkenOuter", "etBump",
                                                  "etEtched", "etRaised", "etSunken"});
    RegisterEnum<TKitFrameSide>("TKitFrameSide", {"fsBottom", "fsLeft", "fsRight", "fsTop"});
    RegisterEnum<TKitPathPrefix>("TKitPathPrefix", {"ppWindows", "ppSystem", "ppProgram", "ppFixed"});
    RegisterEnum<TKitSavePixelFormat>("TKitSavePixelFormat", {"spfDefault", "spf1bit", "spf4bit", "spf8bit", "spf16bit"});
    RegisterEnum<TKitRegRootKey>("TKitRegRootKey", {"rpClassesRoot", "rpCurrentUser", "rpLocalMachine", "rpUsers", "rpCurrentConfig",
                                                    "rpDynData"});
    RegisterEnum<TKitIniTarget>("TKitIniTarget", {"itIniFile", "itRegistry", "itAuto"});
    RegisterEnum<TKitIniCryptMode>("TKitIniCryptMode", {"icmKey", "icmTextKey", "icmCustom"});
    RegisterEnum<TKitDlgPosition>("TKitDlgPosition", {"bpCustom", "bpTopLeft", "bpTopCenter", "bpTopRight", "bpCenterLeft", "bpCenter",
                                                      "bpCenterRight", "bpBottomLeft", "bpBottomCenter", "bpBottomRight"});
    RegisterEnum<TKitDlgPosRel>("TKitDlgPosRel", {"brScreen", "brScreenWorkArea", "brMainForm", "brActiveWindow"});
    RegisterEnum<TKitDlgEffect>("TKitDlgEffect", {"deNone", "deExplode", "deExplodeExt"});
}

void RegisterCaptionSettings()
{
    TClassRegistration<TKitObject, TPersistent>("TKitObject");
    TClassRegistration<TKit3DCaption, TKitObject>("TKit3DCaption")
        .Enum("DisabledStyle", &TKit3DCaption::DisabledStyle, &TKit3DCaption::SetDisabledStyle, TKitDisabledStyle::dsAuto)
        .Integer("LightDepth", &TKit3DCaption::LightDepth, &TKit3DCaption::SetLightDepth, 1)
        .Integer("ShadowDepth", &TKit3DCaption::ShadowDepth, &TKit3DCaption::SetShadowDepth, 1)
        .Integer("LightColor", &TKit3DCaption::LightColor, &TKit3DCaption::SetLightColor, clBtnHighlight)
        .Integer("ShadowColor", &TKit3DCaption::ShadowColor, &TKit3DCaption::SetShadowColor, clBtnShadow)
        .Enum("Style", &TKit3DCaption::Style, &TKit3DCaption::SetStyle, TKitThreeDStyle::tdNone)
        .Enum("Orientation", &TKit3DCaption::Orientation, &TKit3DCaption::SetOrientation, TKitThreeDOrientation::toTopLeft)
        .Integer("Tracing", &TKit3DCaption::Tracing, &TKit3DCaption::SetTracing, 0);
    TClassRegistration<TKitFxCaption, TKit3DCaption>("TKitFxCaption")
        .Integer("Angle", &TKitFxCaption::Angle, &TKitFxCaption::SetAngle, 0)
        .Integer("PosX", &TKitFxCaption::PosX, &TKitFxCaption::SetPosX, 0)
        .Integer("PosY", &TKitFxCaption::PosY, &TKitFxCaption::SetPosY, 0);
    TClassRegistration<TKitGlyphTextLayout, TKitObject>("TKitGlyphTextLayout")
        .Enum("AlignText2Glyph", &TKitGlyphTextLayout::AlignText2Glyph, &TKitGlyphTextLayout::SetAlignText2Glyph,
              TKitTextArrange::taRight)
        .Integer("OffsetX", &TKitGlyphTextLayout::OffsetX, &TKitGlyphTextLayout::SetOffsetX, 0)
        .Integer("OffsetY", &TKitGlyphTextLayout::OffsetY, &TKitGlyphTextLayout::SetOffsetY, 0)
        .Integer("Spacing", &TKitGlyphTextLayout::Spacing, &TKitGlyphTextLayout::SetSpacing, 2)
        .Enum("Alignment", &TKitGlyphTextLayout::Alignment, &TKitGlyphTextLayout::SetAlignment, TKitAlignment::agTopLeft);
    TClassRegistration<TKitButtonLayout, TKitGlyphTextLayout>("TKitButtonLayout")
        .Enum("Alignment", &TKitButtonLayout::Alignment, &TKitButtonLayout::SetAlignment, TKitAlignment::agCenter)
        .Boolean("Arrow", &TKitButtonLayout::Arrow, &TKitButtonLayout::SetArrow, false)
        .Integer("ArrowColor", &TKitButtonLayout::ArrowColor, &TKitButtonLayout::SetArrowColor, clBlack)
        .Integer("ArrowIndent", &TKitButtonLayout::ArrowIndent, &TKitButtonLayout::SetArrowIndent, 3)
        .Enum("ArrowPosition", &TKitButtonLayout::ArrowPosition, &TKitButtonLayout::SetArrowPosition, TKitArrowPosition::apRightText)
        .Integer("ArrowSize", &TKitButtonLayout::ArrowSize, &TKitButtonLayout::SetArrowSize, 3);
}

void RegisterSurfaceSettings()
{
    TClassRegistration<TKitGradient, TKitObject>("TKitGradient")
        .Integer("ColorCount", &TKitGradient::ColorCount, &TKitGradient::SetColorCount, 16)
        .Integer("Color", &TKitGradient::Color, &TKitGradient::SetColor, clBlue)
        .Integer("EndColor", &TKitGradient::EndColor, &TKitGradient::SetEndColor, clBlack)
        .Boolean("PaletteRealize", &TKitGradient::PaletteRealize, &TKitGradient::SetPaletteRealize, false)
        .Enum("Style", &TKitGradient::Style, &TKitGradient::SetStyle, TKitGradientStyle::gstVertical)
        .Boolean("TwoColors", &TKitGradient::TwoColors, &TKitGradient::SetTwoColors, true)
        .Defined("ColorList", &TKitGradient::ReadColorList, &TKitGradient::WriteColorList);
    TClassRegistration<TKitShapeFill, TKitObject>("TKitShapeFill")
        .Object("Bitmap", [](TKitShapeFill& fill) -> TBitmap& { return fill.Bitmap(); })
        .Object("Gradient", [](TKitShapeFill& fill) -> TKitGradient& { return fill.Gradient(); })
        .Enum("Style", &TKitShapeFill::Style, &TKitShapeFill::SetStyle, TKitFillStyle::sfBrush)
        .Enum("TileMode", &TKitShapeFill::TileMode, &TKitShapeFill::SetTileMode, TKitTileMode::tmTile);
    TClassRegistration<TKitFillObject, TKitShapeFill>("TKitFillObject")
        .Enum("Style", &TKitFillObject::Style, &TKitFillObject::SetStyle, TKitFillStyle::sfNone)
        .Enum("Alignment", &TKitFillObject::Alignment, &TKitFillObject::SetAlignment, TKitAlignment::agTopLeft)
        .Integer("OffsetX", &TKitFillObject::OffsetX, &TKitFillObject::SetOffsetX, 0)
        .Integer("OffsetY", &TKitFillObject::OffsetY, &TKitFillObject::SetOffsetY, 0)
        .Object("Brush", [](TKitFillObject& fill) -> TBrush& { return fill.Brush(); })
        .Set<TKitFillOption>("Options", &TKitFillObject::Options, &TKitFillObject::SetOptions,
                             KitFillOptionBit(TKitFillOption::foFillInner) | KitFillOptionBit(TKitFillOption::foGrUseBitmap));
    TClassRegistration<TKitBevel, TKitObject>("TKitBevel")
        .Enum("StyleInner", &TKitBevel::StyleInner, &TKitBevel::SetStyleInner, TKitBevelStyle::bvNone)
        .Enum("StyleOuter", &TKitBevel::StyleOuter, &TKitBevel::SetStyleOuter, TKitBevelStyle::bvNone)
        .Integer("WidthInner", &TKitBevel::WidthInner, &TKitBevel::SetWidthInner, 1)
        .Integer("WidthOuter", &TKitBevel::WidthOuter, &TKitBevel::SetWidthOuter, 1)
        .Integer("BorderColor", &TKitBevel::BorderColor, &TKitBevel::SetBorderColor, clBtnFace)
        .Integer("BorderInnerWidth", &TKitBevel::BorderInnerWidth, &TKitBevel::SetBorderInnerWidth, 0)
        .Integer("BorderWidth", &TKitBevel::BorderWidth, &TKitBevel::SetBorderWidth, 0)
        .Set<TKitFrameSide>("BorderSides", &TKitBevel::BorderSides, &TKitBevel::SetBorderSides, kitAllFrameSides)
        .Enum("EdgeStyle", &TKitBevel::EdgeStyle, &TKitBevel::SetEdgeStyle, TKitEdgeStyle::etEtched)
        .Integer("LightColor", &TKitBevel::LightColor, &TKitBevel::SetLightColor, clBtnHighlight)
        .Enum("Mode", &TKitBevel::Mode, &TKitBevel::SetMode, TKitBevelMode::bmCustom)
        .Integer("ShadowColor", &TKitBevel::ShadowColor, &TKitBevel::SetShadowColor, clBtnShadow)
        .Enum("StandardStyle", &TKitBevel::StandardStyle, &TKitBevel::SetStandardStyle, TKitBorderStyle::lsSingleLowered);
    TClassRegistration<TKitAlphaObject, TKitObject>("TKitAlphaObject")
        .Reference("ImageList", &TKitAlphaObject::ImageList, &TKitAlphaObject::SetImageList)
        // Compared in millionths, so that the single-precision default counts as 0.6.
        .Float("Strength", [](const TKitAlphaObject& alpha) { return std::round(alpha.Strength() * 1e6) / 1e6; },
               &TKitAlphaObject::SetStrength, 0.6)
        .Integer("ImageIndex", &TKitAlphaObject::ImageIndex, &TKitAlphaObject::SetImageIndex, 0)
        .Integer("ListIndex", &TKitAlphaObject::ListIndex, &TKitAlphaObject::SetListIndex, 0)
        .Object("FillObject", [](TKitAlphaObject& alpha) -> TKitFillObject& { return alpha.FillObject(); })
        // A list of the global container is referenced by its tag.
        .Defined(
            "Internal", [](TKitAlphaObject& alpha, const std::string& tag) { alpha.SetImageList(KitReadListReference(tag)); },
            [](const TKitAlphaObject& alpha) { return KitWriteListReference(alpha.ImageList()); });
    TClassRegistration<TKitBitmapEffectObject, TKitObject>("TKitBitmapEffectObject")
        .Object("AlphaBlend", [](TKitBitmapEffectObject& effect) -> TKitAlphaObject& { return effect.AlphaBlend(); })
        .Boolean("Invert", &TKitBitmapEffectObject::Invert, &TKitBitmapEffectObject::SetInvert, false)
        .Boolean("Buffered", &TKitBitmapEffectObject::Buffered, &TKitBitmapEffectObject::SetBuffered, false)
        .Boolean("GrayScale", &TKitBitmapEffectObject::GrayScale, &TKitBitmapEffectObject::SetGrayScale, false)
        .Boolean("FlipVertical", &TKitBitmapEffectObject::FlipVertical, &TKitBitmapEffectObject::SetFlipVertical, false)
        .Boolean("FlipHorizontal", &TKitBitmapEffectObject::FlipHorizontal, &TKitBitmapEffectObject::SetFlipHorizontal, false)
        .Integer("Brightness", &TKitBitmapEffectObject::Brightness, &TKitBitmapEffectObject::SetBrightness, 0);
    TClassRegistration<TKitColorObject, TKitObject>("TKitColorObject")
        .Integer("Color", &TKitColorObject::Color, &TKitColorObject::SetColor, clBtnFace);
    TClassRegistration<TKitCtlSettings, TKitObject>("TKitCtlSettings")
        .Boolean("Transparent", &TKitCtlSettings::Transparent, &TKitCtlSettings::SetTransparent, false)
        .Boolean("CtlXP", &TKitCtlSettings::CtlXP, &TKitCtlSettings::SetCtlXP, true);
}

void RegisterListClasses()
{
    TClassRegistration<TKitWave, TKitObject>("TKitWave").Defined("Data", &TKitWave::ReadDataProperty, &TKitWave::WriteDataProperty);

    TClassRegistration<TKitListItem, TKitCustomComponent>("TKitListItem")
        .String("Description", &TKitListItem::Description, &TKitListItem::SetDescription)
        .Integer("Ident", &TKitListItem::Ident, [](TKitListItem& item, int64_t ident) { item.SetIdent(static_cast<uint16_t>(ident)); })
        // The item record, always written.
        .Defined("Internal", &TKitListItem::ReadInternal,
                 [](const TKitListItem& item) -> std::optional<std::string> { return item.WriteInternal(); });
    TClassRegistration<TKitBitmapListItem, TKitListItem>("TKitBitmapListItem")
        .Component()
        .Object("Bitmap", [](TKitBitmapListItem& item) -> TBitmap& { return item.StoredBitmap(); })
        .Enum("PixelFormat", &TKitBitmapListItem::PixelFormat, &TKitBitmapListItem::SetPixelFormat, TKitSavePixelFormat::spfDefault);
    TClassRegistration<TKitImageListItem, TKitListItem>("TKitImageListItem")
        .Component()
        .Integer("Width", &TKitImageListItem::Width, [](TKitImageListItem& item, int64_t value) { item.SetWidth(static_cast<int>(value)); }, 16)
        .Integer("Height", &TKitImageListItem::Height, [](TKitImageListItem& item, int64_t value) { item.SetHeight(static_cast<int>(value)); }, 16)
        .Integer("AllocBy", &TKitImageListItem::AllocBy, [](TKitImageListItem& item, int64_t value) { item.SetAllocBy(static_cast<int>(value)); }, 4)
        .Boolean("Masked", &TKitImageListItem::Masked, &TKitImageListItem::SetMasked, false)
        // Older form descriptions store the item record under this name; it is read, never written.
        .Defined("Bitmap", &TKitListItem::ReadInternal,
                 [](const TKitListItem&) -> std::optional<std::string> { return std::nullopt; });
    TClassRegistration<TKitWaveListItem, TKitListItem>("TKitWaveListItem")
        .Component()
        .Object("Wave", [](TKitWaveListItem& item) -> TKitWave& { return item.Wave(); });
    TClassRegistration<TKitStringListItem, TKitListItem>("TKitStringListItem")
        .Component()
        .Strings("Items", [](TKitStringListItem& item) -> TStringList& { return item.Items(); });

    TClassRegistration<TKitCustomContainer, TKitBaseController>("TKitCustomContainer")
        .Boolean("DefaultCompressed", &TKitCustomContainer::DefaultCompressed, &TKitCustomContainer::SetDefaultCompressed, false)
        .Enum("PathPrefix", &TKitCustomContainer::PathPrefix, &TKitCustomContainer::SetPathPrefix, TKitPathPrefix::ppProgram)
        .Integer("StorageMode", &TKitCustomContainer::StorageMode,
                 [](TKitCustomContainer& list, int64_t mode) { list.SetStorageMode(static_cast<uint8_t>(std::clamp<int64_t>(mode, 0, 4))); })
        .String("FileName", &TKitCustomContainer::FileName, &TKitCustomContainer::SetFileName);
    TClassRegistration<TKitCustomImageList, TKitCustomContainer>("TKitCustomImageList");
    TClassRegistration<TKitBitmapList, TKitCustomImageList>("TKitBitmapList")
        .Component()
        .Enum("DefaultPixelFormat", &TKitBitmapList::DefaultPixelFormat, &TKitBitmapList::SetDefaultPixelFormat,
              TKitSavePixelFormat::spfDefault);
    TClassRegistration<TKitImageList, TKitCustomImageList>("TKitImageList")
        .Component()
        .Enum("DefaultPixelFormat", &TKitImageList::DefaultPixelFormat, &TKitImageList::SetDefaultPixelFormat,
              TKitSavePixelFormat::spfDefault);
    TClassRegistration<TKitWaveList, TKitCustomContainer>("TKitWaveList").Component();
    TClassRegistration<TKitStringList, TKitCustomContainer>("TKitStringList").Component();
    TClassRegistration<TKitContainer, TKitBaseController>("TKitContainer")
        .Component()
        .Object("BitmapList", [](TKitContainer& container) -> TKitBitmapList& { return container.BitmapList(); })
        .Object("StringList", [](TKitContainer& container) -> TKitStringList& { return container.StringList(); })
        .Object("WaveList", [](TKitContainer& container) -> TKitWaveList& { return container.WaveList(); });
}

void RegisterKitComponents()
{
    TClassRegistration<TKitCustomComponent, TComponent>("TKitCustomComponent");
    TClassRegistration<TKitBaseController, TKitCustomComponent>("TKitBaseController")
        .EventSetter<TNotifyEvent>("OnChange", [](TKitBaseController& controller, const TNotifyEvent& handler) {
            controller.OnChange = handler;
        });
    RegisterListClasses();
    TClassRegistration<TKitIniCtrl, TKitCustomComponent>("TKitIniCtrl")
        .Component()
        .Boolean("Common", &TKitIniCtrl::Common, &TKitIniCtrl::SetCommon, true)
        .Boolean("NetUser", &TKitIniCtrl::NetUser, &TKitIniCtrl::SetNetUser, false)
        .String("IniFile", &TKitIniCtrl::IniFile, &TKitIniCtrl::SetIniFile)
        .String("User", &TKitIniCtrl::User, &TKitIniCtrl::SetUser)
        .Enum("IniPrefix", &TKitIniCtrl::IniPrefix, &TKitIniCtrl::SetIniPrefix, TKitPathPrefix::ppWindows)
        .Enum("RegRoot", &TKitIniCtrl::RegRoot, &TKitIniCtrl::SetRegRoot, TKitRegRootKey::rpCurrentUser)
        .String("RegPath", &TKitIniCtrl::RegPath, &TKitIniCtrl::SetRegPath)
        .Boolean("AlphaCounter", &TKitIniCtrl::AlphaCounter, &TKitIniCtrl::SetAlphaCounter, false)
        .Integer("MaxEntries", &TKitIniCtrl::MaxEntries, &TKitIniCtrl::SetMaxEntries, 16)
        .Enum("Target", &TKitIniCtrl::Target, &TKitIniCtrl::SetTarget, TKitIniTarget::itAuto)
        .Integer("EncKey", &TKitIniCtrl::EncKey, [](TKitIniCtrl& ini, int64_t key) { ini.SetEncKey(static_cast<uint16_t>(key)); },
                 40716)
        .Boolean("Encoded", &TKitIniCtrl::Encoded, &TKitIniCtrl::SetEncoded, false)
        .Enum("CryptMode", &TKitIniCtrl::CryptMode, &TKitIniCtrl::SetCryptMode, TKitIniCryptMode::icmKey)
        .Event("OnEncodeString", &TKitIniCtrl::OnEncodeString)
        .Event("OnDecodeString", &TKitIniCtrl::OnDecodeString);
    TClassRegistration<TKitTimerPool, TKitCustomComponent>("TKitTimerPool")
        .Component()
        .Integer("MinInterval", &TKitTimerPool::MinInterval, &TKitTimerPool::SetMinInterval, 1000)
        .Event("OnTimer", &TKitTimerPool::OnTimer);
    TClassRegistration<TKitWndProcComponent, TKitCustomComponent>("TKitWndProcComponent")
        .Boolean("Enabled", &TKitWndProcComponent::Enabled, &TKitWndProcComponent::SetEnabled, true);
}

}  // namespace

void RegisterKitClasses()
{
    RegisterWindowClasses();
    RegisterKitEnumerations();
    RegisterKitButtonStyles();
    RegisterCaptionSettings();
    RegisterSurfaceSettings();
    RegisterKitComponents();
}
