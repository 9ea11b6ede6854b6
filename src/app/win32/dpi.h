#pragma once
// The DPI the system reports for a monitor. Asked through functions that older Windows
// lacks, so they are looked up at run time; without them the system DPI stands in.
#include <windows.h>

namespace korvo::win {

constexpr int kBaseDpi = 96;

// The DPI of the monitor the window is on.
int windowDpi(HWND w);
// The DPI of the monitor nearest to a screen point.
int dpiAtPoint(POINT p);

} // namespace korvo::win
