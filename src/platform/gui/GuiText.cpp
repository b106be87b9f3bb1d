#include "platform/gui/GuiText.h"

#include "platform/rtl/CodePages.h"

QString ToQString(std::string_view ansiText)
{
    const std::string utf8 = AnsiToUtf8(ansiText);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string FromQString(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return Utf8ToAnsi(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
}

std::string WithoutAmpersands(const std::string& caption)
{
    std::string text;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            if (i + 1 < caption.size() && caption[i + 1] == '&') {
                text += '&';
                ++i;
            }
            continue;
        }
        text += caption[i];
    }
    return text;
}
