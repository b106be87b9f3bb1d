#include "platform/gui/Clipbrd.h"

#include "platform/gui/GuiText.h"

#include <QClipboard>
#include <QGuiApplication>

namespace {
QClipboard* SystemClipboard()
{
    return QGuiApplication::instance() != nullptr ? QGuiApplication::clipboard() : nullptr;
}
}  // namespace

std::string TClipboard::AsText() const
{
    QClipboard* clipboard = SystemClipboard();
    return clipboard != nullptr ? FromQString(clipboard->text()) : std::string();
}

void TClipboard::SetAsText(const std::string& text)
{
    if (QClipboard* clipboard = SystemClipboard(); clipboard != nullptr) {
        clipboard->setText(ToQString(text));
    }
}

bool TClipboard::HasText() const
{
    QClipboard* clipboard = SystemClipboard();
    return clipboard != nullptr && !clipboard->text().isEmpty();
}

void TClipboard::Clear()
{
    if (QClipboard* clipboard = SystemClipboard(); clipboard != nullptr) {
        clipboard->clear();
    }
}

TClipboard& Clipboard()
{
    static TClipboard clipboard;
    return clipboard;
}
