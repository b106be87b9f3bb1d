#include "platform/gui/ImgList.h"

#include "platform/rtl/Exceptions.h"

#include <QBuffer>
#include <QIcon>
#include <QImageReader>
#include <QPixmap>

#include <algorithm>

void TImageList::SetWidth(int value)
{
    width_ = std::max(value, 1);
}

void TImageList::SetHeight(int value)
{
    height_ = std::max(value, 1);
}

int TImageList::Add(const QImage& image)
{
    images_.push_back(image.size() == QSize(width_, height_) ? image : image.scaled(width_, height_, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    Changed();
    return Count() - 1;
}

int TImageList::AddStrip(const QImage& strip)
{
    const int first = Count();
    for (int x = 0; x + width_ <= strip.width(); x += width_) {
        Add(strip.copy(x, 0, width_, std::min(height_, strip.height())));
    }
    return first;
}

void TImageList::Delete(int index)
{
    if (index < 0 || index >= Count()) {
        throw EListError("Image list index out of bounds (" + std::to_string(index) + ")");
    }
    images_.erase(images_.begin() + index);
    Changed();
}

void TImageList::Clear()
{
    images_.clear();
    Changed();
}

void TImageList::RegisterChanges(const void* client, TNotifyEvent handler)
{
    for (auto& [known, knownHandler] : changeLinks_) {
        if (known == client) {
            knownHandler = std::move(handler);
            return;
        }
    }
    changeLinks_.emplace_back(client, std::move(handler));
}

void TImageList::UnRegisterChanges(const void* client)
{
    std::erase_if(changeLinks_, [client](const auto& link) { return link.first == client; });
}

void TImageList::Changed()
{
    // A handler may unregister itself (or another client): walk a copy.
    const auto links = changeLinks_;
    for (const auto& [client, handler] : links) {
        if (handler) {
            handler(this);
        }
    }
}

QImage TImageList::Image(int index) const
{
    if (index < 0 || index >= Count()) {
        return {};
    }
    return images_[static_cast<size_t>(index)];
}

QIcon TImageList::Icon(int index) const
{
    const QImage image = Image(index);
    return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}

void TImageList::ReadData(const std::string& bytes)
{
    images_.clear();
    QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    while (!buffer.atEnd()) {
        QImageReader reader(&buffer, "png");
        QImage image = reader.read();
        if (image.isNull()) {
            break;  // damaged data: keep the pictures read so far
        }
        images_.push_back(image);
    }
    Changed();
}

std::string TImageList::WriteData() const
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    for (const QImage& image : images_) {
        image.save(&buffer, "PNG");
    }
    return std::string(data.constData(), static_cast<size_t>(data.size()));
}
