#pragma once
// What the tests of the kit's threads share: running the main thread's event loop (and with
// it the calls threads hand to it) until something has happened.

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <chrono>

// Only against a hang: no test relies on anything taking less than this.
inline constexpr std::chrono::seconds kThreadTestPatience{20};

// Runs the event loop until `done` holds; false when the patience ran out first.
template <class Predicate>
bool PumpUntil(Predicate done)
{
    const auto deadline = std::chrono::steady_clock::now() + kThreadTestPatience;
    QTimer tick;  // wakes the loop now and then to look at `done` and the clock
    tick.start(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}
