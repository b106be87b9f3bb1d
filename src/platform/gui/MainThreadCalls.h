#pragma once
// The main thread's event loop runs the calls that worker threads hand to it
// (TThread::Synchronize, platform/rtl/Threads.h): each handed-over call posts a wake-up to
// the event loop (a byte in a pipe the loop watches), which then runs every waiting call. The application object starts this
// when it is created and stops it when it goes.

void StartMainThreadCalls();
void StopMainThreadCalls();
