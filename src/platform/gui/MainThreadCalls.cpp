#include "platform/gui/MainThreadCalls.h"

#include "platform/rtl/Threads.h"

#include <QCoreApplication>
#include <QMetaObject>

void StartMainThreadCalls()
{
    SetMainThread();
    SetWakeMainThread([] {
        if (QCoreApplication* application = QCoreApplication::instance()) {
            QMetaObject::invokeMethod(application, [] { CheckSynchronize(); }, Qt::QueuedConnection);
        }
    });
    // Calls handed over before the event loop could be woken.
    QMetaObject::invokeMethod(QCoreApplication::instance(), [] { CheckSynchronize(); }, Qt::QueuedConnection);
}

void StopMainThreadCalls()
{
    SetWakeMainThread(nullptr);
}
