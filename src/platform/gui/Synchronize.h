#pragma once
// Calls from other threads into the GUI thread: a worker hands a call to the GUI thread and
// waits until it has run there, so that windows, canvases and bitmaps are only ever touched on
// the GUI thread. The GUI thread runs the calls from its event loop, or at once wherever it waits
// for a worker itself (CheckSynchronize).

#include <functional>

// Marks the calling thread as the GUI thread. The thread that first creates the Qt application
// is the GUI thread; call this only where no application exists (tools, tests).
void SetMainThread();
bool IsMainThread();

// Runs `method` on the GUI thread and waits for it; on the GUI thread it runs at once. An
// exception of the method is raised again in the calling thread.
void Synchronize(const std::function<void()>& method);

// Runs the calls that workers wait for, on the GUI thread; true when one ran. A thread that is
// not the GUI thread runs nothing.
bool CheckSynchronize();
