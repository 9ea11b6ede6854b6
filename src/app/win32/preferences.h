#pragma once
// The preferences sheet: four pages editing the settings, modeless.
#include <windows.h>

namespace korvo::win {

// Brings the open sheet to the front, or opens it owned by owner (the message loop keeps
// its handle). 1 when the sheet exists afterwards.
int openPreferences(HWND owner);

// The sheet while it is open (the message loop hands it its dialog messages and tidies up
// after it closes).
HWND& preferencesSheet();

} // namespace korvo::win
