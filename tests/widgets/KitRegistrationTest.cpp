// The kit's settings objects are set by form descriptions and language files through the
// published-property registry.

#include "platform/classes/FormReader.h"
#include "platform/classes/PropertyPaths.h"
#include "platform/rtl/Exceptions.h"
#include "widgets/KitBevel.h"
#include "widgets/KitCaptions.h"
#include "widgets/KitEffects.h"
#include "widgets/KitFill.h"
#include "widgets/KitGradient.h"
#include "widgets/KitRegistration.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

#include <memory>

namespace {

// A component that owns one of each settings object, as the kit's controls will.
class TKitTestHost : public TComponent {
public:
    explicit TKitTestHost(TComponent* owner) : TComponent(owner)
    {
        fontFX.OnChange = [this](TObject*) { ++changes; };
    }
    const char* ClassName() const noexcept override { return "TKitTestHost"; }
    TKitFxCaption fontFX;
    TKitButtonLayout buttonLayout;
    TKitGradient gradient;
    TKitBevel bevel;
    TKitFillObject fill;
    TKitBitmapEffectObject effects;
    TKitCtlSettings settings;
    int changes = 0;
};

void RegisterHost()
{
    RegisterKitClasses();
    TClassRegistration<TKitTestHost, TComponent>("TKitTestHost")
        .Component()
        .Object("FontFX", [](TKitTestHost& host) -> TKitFxCaption& { return host.fontFX; })
        .Object("ButtonLayout", [](TKitTestHost& host) -> TKitButtonLayout& { return host.buttonLayout; })
        .Object("Gradient", [](TKitTestHost& host) -> TKitGradient& { return host.gradient; })
        .Object("Bevel", [](TKitTestHost& host) -> TKitBevel& { return host.bevel; })
        .Object("Fill", [](TKitTestHost& host) -> TKitFillObject& { return host.fill; })
        .Object("Effects", [](TKitTestHost& host) -> TKitBitmapEffectObject& { return host.effects; })
        .Object("Settings", [](TKitTestHost& host) -> TKitCtlSettings& { return host.settings; });
}

TEST(KitRegistration, FormDescriptionsSetNestedSettings)
{
    RegisterHost();
    std::unique_ptr<TComponent> root(CreateComponentFromText(R"(object host: TKitTestHost
  FontFX.Style = tdRaised
  FontFX.Angle = 90
  FontFX.LightColor = clRed
  ButtonLayout.Arrow = True
  ButtonLayout.ArrowColor = clLime
  ButtonLayout.AlignText2Glyph = taBottom
  Gradient.Style = gstHorizontal
  Gradient.TwoColors = False
  Gradient.ColorCount = 10
  Gradient.ColorList = {03000000 FF000000 00FF0000 0000FF00}
  Bevel.StyleOuter = bvFrameRaised
  Bevel.WidthOuter = 2
  Bevel.BorderSides = [fsLeft, fsTop]
  Fill.Style = sfGradient
  Fill.Options = [foQuickDraw]
  Fill.Brush.Color = clYellow
  Effects.GrayScale = True
  Effects.AlphaBlend.Strength = 0.8
  Settings.CtlXP = False
end
)",
                                                             "host.form", nullptr));
    auto* host = dynamic_cast<TKitTestHost*>(root.get());
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(host->fontFX.Style(), TKitThreeDStyle::tdRaised);
    EXPECT_EQ(host->fontFX.Angle(), 90);
    EXPECT_EQ(host->fontFX.LightColor(), clRed);
    EXPECT_TRUE(host->buttonLayout.Arrow());
    EXPECT_EQ(host->buttonLayout.ArrowColor(), clLime);
    EXPECT_EQ(host->buttonLayout.AlignText2Glyph(), TKitTextArrange::taBottom);
    EXPECT_EQ(host->gradient.Style(), TKitGradientStyle::gstHorizontal);
    EXPECT_EQ(host->gradient.Colors(), (std::vector<TColor>{clRed, clLime, clBlue}));
    EXPECT_EQ(host->gradient.ColorTable().size(), 5u);  // 10 div 3 = 3 steps per pair
    EXPECT_EQ(host->bevel.Extent(), 3);
    EXPECT_EQ(host->bevel.BorderSides(), (1u << static_cast<unsigned>(TKitFrameSide::fsLeft)) |
                                             (1u << static_cast<unsigned>(TKitFrameSide::fsTop)));
    EXPECT_EQ(host->fill.Style(), TKitFillStyle::sfGradient);
    EXPECT_EQ(host->fill.Options(), KitFillOptionBit(TKitFillOption::foQuickDraw));
    EXPECT_EQ(host->fill.Brush().Color(), clYellow);
    EXPECT_FALSE(host->effects.GrayScale());  // effects are switched off: neutral values
    EXPECT_EQ(host->effects.AlphaBlend().Strength(), 0.0);
    EXPECT_FALSE(host->settings.CtlXP());
}

TEST(KitRegistration, FillBitmapsComeFromTheDescription)
{
    RegisterHost();
    QImage picture(3, 2, QImage::Format_RGB32);
    picture.fill(qRgb(10, 20, 30));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    std::string text = "object host: TKitTestHost\n  Fill.Bitmap.Data = {";
    for (char byte : png) {
        static constexpr char digits[] = "0123456789ABCDEF";
        text += digits[static_cast<unsigned char>(byte) >> 4];
        text += digits[static_cast<unsigned char>(byte) & 15];
    }
    text += "}\nend\n";
    std::unique_ptr<TComponent> root(CreateComponentFromText(text, "bitmap.form", nullptr));
    auto* host = dynamic_cast<TKitTestHost*>(root.get());
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(host->fill.Bitmap().Width(), 3);
    EXPECT_EQ(host->fill.Bitmap().Image().pixel(2, 1), qRgb(10, 20, 30));
    EXPECT_THROW(CreateComponentFromText("object host: TKitTestHost\n  Fill.Bitmap.Data = {00 01}\nend\n", "bad.form", nullptr),
                 Exception);
}

TEST(KitRegistration, LanguageFilePathsReachTheSettings)
{
    RegisterHost();
    TKitTestHost host(nullptr);
    EXPECT_TRUE(SetPropertyPathText(host, "FontFX.Style", "tdSunken"));
    EXPECT_TRUE(SetPropertyPathText(host, "FontFX.Angle", "360"));
    EXPECT_EQ(host.fontFX.Style(), TKitThreeDStyle::tdSunken);
    EXPECT_EQ(host.fontFX.Angle(), 0);
    EXPECT_EQ(host.changes, 2);
    EXPECT_EQ(GetPropertyPathText(host, "FontFX.Style"), "tdSunken");
    EXPECT_EQ(GetPropertyPathText(host, "ButtonLayout.Alignment"), "agCenter");
    EXPECT_EQ(GetPropertyPathText(host, "Bevel.BorderSides"), "[fsBottom,fsLeft,fsRight,fsTop]");
    EXPECT_EQ(GetPropertyPathText(host, "Effects.AlphaBlend.FillObject.Style"), "sfNone");
    EXPECT_THROW(SetPropertyPathText(host, "FontFX.Style", "tdSideways"), EPropertyError);
    EXPECT_FALSE(SetPropertyPathText(host, "FontFX.NoSuchThing", "1"));
}

}  // namespace
