#include "sysutil/SuGraphics.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

const std::vector<std::pair<std::string, TColor>>& SuColorNames()
{
    static const std::vector<std::pair<std::string, TColor>> names = {
        {"clHotLight", static_cast<TColor>(0x8000001A)},
        {"clGradientActiveCaption", static_cast<TColor>(0x8000001B)},
        {"clGradientInactiveCaption", static_cast<TColor>(0x8000001C)},
        {"clMenuHighlight", static_cast<TColor>(0x8000001D)},
        {"clMenuBar", static_cast<TColor>(0x8000001E)},
        {"clDefault", 0x20000000},
        {"clBrown", 0x003090},
        {"clOliveGreen", 0x003030},
        {"clDarkGreen", 0x003000},
        {"clDarkTeal", 0x603000},
        {"clNight", 0x303030},
        {"clOrange", 0x0068FF},
        {"clBlueGray", 0x906060},
        {"clLightOrange", 0x0098FF},
        {"clSeaGreen", 0x609830},
        {"clLightBlue", 0xFF6830},
        {"clMetal", 0x909090},
        {"clGold", 0x00C8FF},
        {"clIndigo", 0x903030},
        {"clPlum", 0x603090},
        {"clRose", 0xD098FF},
        {"clTan", 0xA0C8FF},
        {"clLightYellow", 0x90FFFF},
        {"clLightGreen", 0xD0FFD0},
        {"clLightTurquoise", 0xFFFFC0},
        {"clPaleBlue", 0xFFC890},
        {"clLavender", 0xFF98C0},
        {"clMoneyGreen", 0xC0DCC0},
        {"clSkyBlue", 0xFFC800},
        {"clCream", 0xA6CAF0},
    };
    return names;
}

void SuGraphicsStart()
{
    RegisterColorNames(SuColorNames());
}

TColor SuScreenPixelColor()
{
    const QPoint cursor = QCursor::pos();
    QScreen* screen = QGuiApplication::screenAt(cursor);
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen == nullptr) {
        return clNone;
    }
    const QPoint local = cursor - screen->geometry().topLeft();
    const QImage pixel = screen->grabWindow(0, local.x(), local.y(), 1, 1).toImage();
    if (pixel.isNull()) {
        return clNone;
    }
    return FromQColor(pixel.pixelColor(0, 0));
}
