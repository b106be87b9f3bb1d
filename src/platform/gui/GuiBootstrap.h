#pragma once
// The smallest start of the window layer: the application object with `title` and one empty
// main form captioned `title`; runs the message loop until that form closes and returns the
// exit code 0.
int RunMinimalApplication(int argc, char** argv, const char* title);
