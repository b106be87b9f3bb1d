#pragma once
// Asks the desktop's session manager (the login manager on the system bus) to end or pause
// the session: power off, reboot, suspend, hibernate, or log the user off.

#include <string>

enum class TSessionAction { PowerOff, Reboot, Suspend, Hibernate, LogOff };

// `interactive`: the manager may ask the user to confirm or to authorise. Log off ends the
// session this program runs in ($XDG_SESSION_ID), or every session of the user when the
// session is not known. True when the manager took the request; otherwise `error` (when
// given) holds its reason.
bool RequestSessionAction(TSessionAction action, bool interactive, std::string* error = nullptr);
