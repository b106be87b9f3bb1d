#include "platform/gui/KeyEvents.h"

#include <QGuiApplication>
#include <QKeyEvent>

uint16_t VirtualKeyOf(const QKeyEvent& event)
{
    const int key = event.key();
    switch (key) {
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return VK_DELETE;
    default: break;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return static_cast<uint16_t>(112 + (key - Qt::Key_F1));
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z)) return static_cast<uint16_t>(key);
    return 0;
}

namespace {

TShiftState ShiftStateOfModifiers(Qt::KeyboardModifiers modifiers)
{
    TShiftState shift;
    if (modifiers & Qt::ShiftModifier) shift.Include(TShiftStateValue::ssShift);
    if (modifiers & Qt::AltModifier) shift.Include(TShiftStateValue::ssAlt);
    if (modifiers & Qt::ControlModifier) shift.Include(TShiftStateValue::ssCtrl);
    return shift;
}

}  // namespace

TShiftState ShiftStateOf(const QKeyEvent& event)
{
    return ShiftStateOfModifiers(event.modifiers());
}

TShiftState KeyboardShiftState()
{
    return ShiftStateOfModifiers(QGuiApplication::queryKeyboardModifiers());
}
