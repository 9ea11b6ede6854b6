#pragma once
// The preferences sheet: four pages editing the settings, modeless.
#include <windows.h>

namespace korvo::win {

// Brings the open sheet to the front, or opens it owned by owner (the message loop keeps
// its handle). 1 when the sheet exists afterwards.
int openPreferences(HWND owner);

} // namespace korvo::win
