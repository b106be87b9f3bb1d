#pragma once
// Runs a call on the main thread's event loop each time a descriptor (a socket, a pipe)
// becomes readable, for as long as the watch lives and the application's event loop exists.

#include <QPointer>

#include <functional>

class QSocketNotifier;

class TDescriptorWatch {
public:
    TDescriptorWatch(int descriptor, std::function<void()> onReadable);
    ~TDescriptorWatch();
    TDescriptorWatch(const TDescriptorWatch&) = delete;
    TDescriptorWatch& operator=(const TDescriptorWatch&) = delete;

private:
    // Owned by the application object as well, so that it never outlives the event loop.
    QPointer<QSocketNotifier> notifier_;
    std::function<void()> onReadable_;
};
