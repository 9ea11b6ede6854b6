#pragma once
// Start-up, hand-over to a running instance, and the message loop.
#include <windows.h>

namespace korvo::win {

// The whole program run; returns the process exit code.
int runApp(HINSTANCE instance, HINSTANCE previous, int showCommand);

// Hands the arguments of a command line to the running main window (requests 0, 1, 4).
// Returns the number of requests sent.
int handOver(HWND running, int argc, const char* const* argv);

} // namespace korvo::win
