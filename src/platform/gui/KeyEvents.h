#pragma once
// Key presses as the controls report them: a virtual key number (VK_UP, ... in Forms.h) and
// the shift state. A handler may set the key to 0 to keep the control from acting on it.

#include "platform/db/DBTypes.h"
#include "platform/gui/Forms.h"

#include <cstdint>
#include <functional>

class TObject;
class QKeyEvent;

enum class TShiftStateValue { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TEnumSet<TShiftStateValue>;

using TKeyEvent = std::function<void(TObject* sender, uint16_t& key, TShiftState shift)>;

// Mouse buttons and the mouse events that report a button or a move at a screen position.
enum class TMouseButton { mbLeft, mbRight, mbMiddle };
using TMouseEvent = std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;

// The keyboard's shift state now (shift, alt and control).
TShiftState KeyboardShiftState();

// The virtual key of a Qt key press (letters and digits as their upper-case character code);
// 0 for keys without one.
uint16_t VirtualKeyOf(const QKeyEvent& event);
TShiftState ShiftStateOf(const QKeyEvent& event);
