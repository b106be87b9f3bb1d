#pragma once
// Starts the tracker and runs its message loop; returns the process exit code.
int ZentivorMain(int argc, char** argv);
