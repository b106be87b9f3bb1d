#include "platform/gui/DescriptorWatch.h"

#include <QCoreApplication>
#include <QSocketNotifier>

TDescriptorWatch::TDescriptorWatch(int descriptor, std::function<void()> onReadable)
    : notifier_(new QSocketNotifier(descriptor, QSocketNotifier::Read, QCoreApplication::instance())),
      onReadable_(std::move(onReadable))
{
    QObject::connect(notifier_.data(), &QSocketNotifier::activated, [this] {
        if (onReadable_) {
            onReadable_();
        }
    });
}

TDescriptorWatch::~TDescriptorWatch()
{
    delete notifier_.data();
}
