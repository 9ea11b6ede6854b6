#pragma once
// The main window's "Jump to" box: finds entries as the playlist editor's Find box does and
// makes the chosen one current.
#include <windows.h>

namespace korvo::win {

// Modal; 1 when an entry was chosen (it is then the playlist's current entry), 0 on cancel.
int runJumpDialog(HWND owner);

} // namespace korvo::win
