#include "platform/gui/DescriptorWatch.h"

#include <QSocketNotifier>

TDescriptorWatch::TDescriptorWatch(int descriptor, std::function<void()> onReadable)
    : notifier_(std::make_unique<QSocketNotifier>(descriptor, QSocketNotifier::Read)),
      onReadable_(std::move(onReadable))
{
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        if (onReadable_) {
            onReadable_();
        }
    });
}

TDescriptorWatch::~TDescriptorWatch() = default;
