#pragma once
// Temporary start-up entry of the window layer: shows an empty main window titled `title`
// and runs the message loop until it closes.
int RunPlaceholderMainWindow(int argc, char** argv, const char* title);
