#include "platform/gui/SessionManager.h"

#include "platform/gui/GuiText.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>

#include <cstdlib>
#include <unistd.h>

bool RequestSessionAction(TSessionAction action, bool interactive, std::string* error)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        if (error != nullptr) {
            *error = FromQString(bus.lastError().message());
            if (error->empty())
                *error = "The system bus cannot be reached.";
        }
        return false;
    }
    QDBusInterface manager("org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.login1.Manager", bus);
    QDBusMessage reply;
    switch (action) {
    case TSessionAction::PowerOff: reply = manager.call("PowerOff", interactive); break;
    case TSessionAction::Reboot: reply = manager.call("Reboot", interactive); break;
    case TSessionAction::Suspend: reply = manager.call("Suspend", interactive); break;
    case TSessionAction::Hibernate: reply = manager.call("Hibernate", interactive); break;
    case TSessionAction::LogOff: {
        const char* session = std::getenv("XDG_SESSION_ID");
        if (session != nullptr && *session != '\0') {
            reply = manager.call("TerminateSession", QString::fromLocal8Bit(session));
        } else {
            reply = manager.call("TerminateUser", static_cast<uint>(::getuid()));
        }
        break;
    }
    }
    if (reply.type() == QDBusMessage::ErrorMessage) {
        if (error != nullptr)
            *error = FromQString(reply.errorMessage());
        return false;
    }
    return true;
}
