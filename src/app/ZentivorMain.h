#pragma once
// The program's main block: one instance per user, the splash window, every window of the
// tracker created in a fixed order, then the message loop. Returns the exit code (always 0).
int ZentivorMain(int argc, char** argv);

class TApplication;
// Creates the windows the tracker keeps for its whole run, in their fixed order; the main window
// comes first and so becomes the application's main window.
void CreateApplicationWindows(TApplication& application);
