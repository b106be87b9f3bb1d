#pragma once
// The utility kit's helpers for the application's windows: showing and hiding the application,
// bringing a window to the front, the keyboard's shift state and the desktop's stock icons.
//
// This system has no application window apart from the forms: the application's main form
// stands for it. Each helper takes the form to act on; null means the application's main form.

#include "platform/gui/KeyEvents.h"

#include <QImage>

class TComponent;
class TCustomForm;

// Shows the application normally again when it was minimised.
void SuShowApplication(TCustomForm* mainForm = nullptr);
// Hides the application's window (only when it is visible).
void SuHideApplication(TCustomForm* mainForm = nullptr);
// Shows the application normally, makes the main form visible and brings it to the front.
void SuRestoreApplication(TCustomForm* mainForm = nullptr);
// Hides the application and makes the main form invisible: only a notification-area icon (or
// nothing) is left of it.
void SuMinimizeApplicationToTray(TCustomForm* mainForm = nullptr);
// Brings the form of a window control (or the form itself) to the front when it is visible.
void SuBringToForeground(TComponent* window);

// The keyboard's shift state now: shift, alt and control.
TShiftState SuShiftState();

// The desktop's stock icon number `index` (0 document, 1 text document, 2 program, 3 closed
// folder, 4 open folder, 5 floppy drive, 7 removable drive, 8 hard drive, 9 network drive,
// 11 optical drive, 15 computer, 31 empty trash, 32 full trash), small (16 pixels) or large
// (32 pixels); a null image for a number without an icon.
QImage SuShellIcon(int index, bool large);
