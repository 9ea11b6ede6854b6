#pragma once
// The about sheet: the about text and a page of links opened in the browser.
#include <windows.h>

namespace korvo::win {

// Runs the sheet modally, owned by owner; returns when it is closed.
void showAbout(HWND owner);

} // namespace korvo::win
