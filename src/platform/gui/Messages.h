#pragma once
// Window messages for the components that are driven by them: a message is a number with two
// parameters and a result, handed to a message window's window procedure. The layer sends
// them where a desktop service reports something (the notification area reports mouse actions
// on its icons this way); tests send them to drive a component as the desktop would.

#include <cstdint>
#include <string>

struct TMessage {
    unsigned Msg = 0;
    uintptr_t WParam = 0;
    intptr_t LParam = 0;
    intptr_t Result = 0;
};

// Something that receives window messages: a component's hidden message window.
class TMessageWindow {
public:
    virtual ~TMessageWindow() = default;
    // The window procedure: handles the message and sets its Result.
    virtual void WindowProc(TMessage& message) = 0;
    // Hands a message to the window procedure and returns its result.
    intptr_t Perform(unsigned msg, uintptr_t wParam = 0, intptr_t lParam = 0)
    {
        TMessage message{msg, wParam, lParam, 0};
        WindowProc(message);
        return message.Result;
    }
};

inline constexpr unsigned WM_QUERYENDSESSION = 0x0011;
inline constexpr unsigned WM_TIMER = 0x0113;
inline constexpr unsigned WM_MOUSEMOVE = 0x0200;
inline constexpr unsigned WM_LBUTTONDOWN = 0x0201;
inline constexpr unsigned WM_LBUTTONUP = 0x0202;
inline constexpr unsigned WM_LBUTTONDBLCLK = 0x0203;
inline constexpr unsigned WM_RBUTTONDOWN = 0x0204;
inline constexpr unsigned WM_RBUTTONUP = 0x0205;
inline constexpr unsigned WM_MBUTTONDOWN = 0x0207;
inline constexpr unsigned WM_MBUTTONUP = 0x0208;
inline constexpr unsigned WM_USER = 0x0400;

// A message number of its own for a name, the same for the same name (letter case ignored)
// for the whole run, from 0xC000 up.
unsigned RegisterWindowMessage(const std::string& name);
