#pragma once
// The desktop's notification area: icons with a tool tip, and balloon messages from them.
//
// An icon is added, changed and removed with a notify-icon record, as the shell's notify-icon
// call takes it; the record names the message window the icon reports to and the callback
// message it reports with. The icon then sends that message to the window with the icon's id
// as WParam and what happened as LParam:
//   WM_LBUTTONDOWN, WM_LBUTTONUP   a left click (the desktop reports the click as a whole)
//   WM_LBUTTONDBLCLK, WM_LBUTTONUP a double click
//   WM_RBUTTONDOWN, WM_RBUTTONUP   a right click (or the desktop's request for a menu)
//   WM_MBUTTONDOWN, WM_MBUTTONUP   a middle click
//   NIN_BALLOONSHOW                 a balloon was shown
//   NIN_BALLOONUSERCLICK            the user clicked the balloon
//   NIN_BALLOONTIMEOUT              the balloon's time ran out without a click
// Mouse moves over the icon are not reported (the desktop does not tell them). The messages
// arrive from the event loop, inside the application's catch-all.
//
// The desktop's notification area is the one Qt's tray icon reaches (a StatusNotifier host or
// an XEmbed tray); without one, adding an icon fails. Tests set a shell of their own that
// records the requests and decides whether a notification area is there.

#include "platform/gui/Messages.h"

#include <QImage>

#include <string>

inline constexpr unsigned NIM_ADD = 0;
inline constexpr unsigned NIM_MODIFY = 1;
inline constexpr unsigned NIM_DELETE = 2;

inline constexpr unsigned NIF_MESSAGE = 0x01;
inline constexpr unsigned NIF_ICON = 0x02;
inline constexpr unsigned NIF_TIP = 0x04;
inline constexpr unsigned NIF_INFO = 0x10;

inline constexpr unsigned NIIF_NONE = 0;
inline constexpr unsigned NIIF_INFO = 1;
inline constexpr unsigned NIIF_WARNING = 2;
inline constexpr unsigned NIIF_ERROR = 3;

inline constexpr unsigned NIN_BALLOONSHOW = WM_USER + 2;
inline constexpr unsigned NIN_BALLOONHIDE = WM_USER + 3;
inline constexpr unsigned NIN_BALLOONTIMEOUT = WM_USER + 4;
inline constexpr unsigned NIN_BALLOONUSERCLICK = WM_USER + 5;

// The notify-icon record. Texts are ANSI; the shell takes them as they are (the caller cuts
// them to the lengths its record allows).
struct TNotifyIconData {
    unsigned cbSize = 0;
    TMessageWindow* Wnd = nullptr;
    unsigned uID = 0;
    unsigned uFlags = 0;
    unsigned uCallbackMessage = 0;
    QImage hIcon;
    std::string szTip;
    std::string szInfo;
    unsigned uTimeout = 0;
    std::string szInfoTitle;
    unsigned dwInfoFlags = 0;
};

class TNotifyIconShell {
public:
    virtual ~TNotifyIconShell() = default;
    // Whether there is a notification area now.
    virtual bool Available() = 0;
    // NIM_ADD, NIM_MODIFY or NIM_DELETE; true when the notification area took the request.
    // Icons are told apart by window and id; adding an icon that is there fails, and so do
    // changing and removing one that is not. A record with NIF_INFO shows its balloon.
    virtual bool Notify(unsigned message, const TNotifyIconData& data) = 0;
};

bool SystemTrayAvailable();
bool ShellNotifyIcon(unsigned message, const TNotifyIconData& data);
// Replaces the desktop's notification area (not owned); null restores it.
void SetNotifyIconShell(TNotifyIconShell* shell);
