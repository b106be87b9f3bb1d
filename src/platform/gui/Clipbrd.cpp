#include "platform/gui/Clipbrd.h"

#include "platform/gui/GuiText.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <memory>

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

bool TClipboard::SetAsPicture(const QImage& picture, const std::vector<TClipboardFormat>& formats)
{
    QClipboard* clipboard = SystemClipboard();
    if (clipboard == nullptr) {
        return false;
    }
    auto data = std::make_unique<QMimeData>();
    if (!picture.isNull()) {
        data->setImageData(picture);
    }
    for (const TClipboardFormat& format : formats) {
        data->setData(QString::fromStdString(format.MimeType),
                      QByteArray(format.Data.data(), static_cast<qsizetype>(format.Data.size())));
    }
    clipboard->setMimeData(data.release());
    const QMimeData* held = clipboard->mimeData();
    if (held == nullptr) {
        return false;
    }
    for (const TClipboardFormat& format : formats) {
        if (!held->hasFormat(QString::fromStdString(format.MimeType))) {
            return false;
        }
    }
    return picture.isNull() || held->hasImage();
}

bool TClipboard::HasFormat(const std::string& mimeType) const
{
    QClipboard* clipboard = SystemClipboard();
    const QMimeData* data = clipboard != nullptr ? clipboard->mimeData() : nullptr;
    return data != nullptr && data->hasFormat(QString::fromStdString(mimeType));
}

std::string TClipboard::AsFormat(const std::string& mimeType) const
{
    QClipboard* clipboard = SystemClipboard();
    const QMimeData* data = clipboard != nullptr ? clipboard->mimeData() : nullptr;
    if (data == nullptr) {
        return {};
    }
    const QByteArray bytes = data->data(QString::fromStdString(mimeType));
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

bool TClipboard::HasPicture() const
{
    QClipboard* clipboard = SystemClipboard();
    const QMimeData* data = clipboard != nullptr ? clipboard->mimeData() : nullptr;
    return data != nullptr && data->hasImage();
}

QImage TClipboard::AsPicture() const
{
    QClipboard* clipboard = SystemClipboard();
    return clipboard != nullptr ? clipboard->image() : QImage();
}

TClipboard& Clipboard()
{
    static TClipboard clipboard;
    return clipboard;
}
