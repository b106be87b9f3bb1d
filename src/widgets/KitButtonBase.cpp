#include "widgets/KitButtonBase.h"

#include "platform/classes/PropertyRegistry.h"

#include <QPainter>

namespace {

// One arrow of 7 x 4 pixels in the middle of the cell at `cellLeft`: rows (or columns) of 7, 5,
// 3 and 1 pixels towards the tip.
void DrawArrowCell(TCanvas& canvas, int cellLeft, int direction)
{
    constexpr int centreX = kitArrowGlyphWidth / 2;
    constexpr int centreY = kitArrowGlyphHeight / 2;
    for (int step = 0; step < 4; ++step) {
        const int half = 3 - step;
        TRect line{};
        switch (direction) {
        case 1:  // down: the wide row on top
            line = {centreX - half, 5 + step, centreX + half + 1, 6 + step};
            break;
        case 2:  // up
            line = {centreX - half, 8 - step, centreX + half + 1, 9 - step};
            break;
        case 3:  // left: the tip in the leftmost column
            line = {4 + 3 - step, centreY - half, 5 + 3 - step, centreY + half + 1};
            break;
        default:  // right
            line = {5 + step, centreY - half, 6 + step, centreY + half + 1};
            break;
        }
        line.Left += cellLeft;
        line.Right += cellLeft;
        canvas.FillRect(line);
    }
}

}  // namespace

TKitButtonStyleRead KitReadButtonStyle(TKitStoredButtonStyle stored)
{
    switch (stored) {
    case TKitStoredButtonStyle::ubsWinXP:
        return {TKitUserButtonStyle::ubsWin40, true};
    case TKitStoredButtonStyle::ubsWinXPCombo:
        return {TKitUserButtonStyle::ubsCombo, true};
    case TKitStoredButtonStyle::ubsWinXPTool:
        return {TKitUserButtonStyle::ubsExplorer, true};
    default:
        return {static_cast<TKitUserButtonStyle>(stored), false};
    }
}

TKitButtonStyleRead KitReadLegacyButtonStyle(TKitLegacyButtonStyle stored)
{
    switch (stored) {
    case TKitLegacyButtonStyle::nbsWin31:
        return {TKitUserButtonStyle::ubsWin31, false};
    case TKitLegacyButtonStyle::nbsWinXP:
        return {TKitUserButtonStyle::ubsWin40, true};
    default:
        return {TKitUserButtonStyle::ubsWin40, false};
    }
}

void RegisterKitButtonStyles()
{
    RegisterEnum<TKitLegacyButtonStyle>("TKitLegacyButtonStyle", {"nbsAutoDetect", "nbsWin31", "nbsNew", "nbsWinXP"});
    RegisterEnum<TKitUserButtonStyle>(
        "TKitUserButtonStyle",
        {"ubsWin31", "ubsWin40", "ubsTarvik", "ubsTarvikFlat", "ubsFlat", "ubsFlatUnColored", "ubsNavigator", "ubsExplorer",
         "ubsExplorerColored", "ubsIntegrated", "ubsCombo", "ubsOffice", "ubsOfficeTransp", "ubsWin40Ext"});
    RegisterEnum<TKitStoredButtonStyle>(
        "TKitUserButtonStyle",
        {"ubsWin31", "ubsWin40", "ubsTarvik", "ubsTarvikFlat", "ubsFlat", "ubsFlatUnColored", "ubsNavigator", "ubsExplorer",
         "ubsExplorerColored", "ubsIntegrated", "ubsCombo", "ubsOffice", "ubsOfficeTransp", "ubsWin40Ext", "ubsWinXP",
         "ubsWinXPCombo", "ubsWinXPTool"});
}

TBitmap KitArrowGlyphStrip()
{
    QImage strip(kitArrowGlyphWidth * kitArrowGlyphCount, kitArrowGlyphHeight, QImage::Format_RGB32);
    strip.fill(ToQColor(kitArrowGlyphBackground));
    {
        QPainter painter(&strip);
        TCanvas canvas;
        TCanvasPaint scope(canvas, painter);
        canvas.Brush().SetStyle(TBrushStyle::bsSolid);
        canvas.Brush().SetColor(clBlack);
        for (int cell = 0; cell < kitArrowGlyphCount; ++cell) {
            DrawArrowCell(canvas, cell * kitArrowGlyphWidth, cell + 1);
        }
    }
    TBitmap bitmap;
    bitmap.SetImage(strip);
    return bitmap;
}

void KitLoadArrowGlyph(TBitmap& bitmap, int n)
{
    QImage strip = KitArrowGlyphStrip().Image();
    if (n > 1 && n <= kitArrowGlyphCount) {
        QPainter painter(&strip);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(QPoint(0, 0), strip.copy((n - 1) * kitArrowGlyphWidth, 0, kitArrowGlyphWidth, kitArrowGlyphHeight));
    }
    bitmap.SetImage(strip.copy(0, 0, kitArrowGlyphWidth, kitArrowGlyphHeight));
}
