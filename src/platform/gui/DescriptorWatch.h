#pragma once
// Runs a call on the main thread's event loop each time a descriptor (a socket, a pipe)
// becomes readable, for as long as the watch lives.

#include <functional>
#include <memory>

class QSocketNotifier;

class TDescriptorWatch {
public:
    TDescriptorWatch(int descriptor, std::function<void()> onReadable);
    ~TDescriptorWatch();
    TDescriptorWatch(const TDescriptorWatch&) = delete;
    TDescriptorWatch& operator=(const TDescriptorWatch&) = delete;

private:
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void()> onReadable_;
};
