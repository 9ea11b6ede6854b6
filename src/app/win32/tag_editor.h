#pragma once
// The tag editor (dialog 141): edits, saves or removes the tags (ID3v1 and ID3v2) of one file.
#include <windows.h>

namespace korvo::win {

// Closes the editor when it is open (1); otherwise opens it owned by owner for path,
// 0 when there is no path or the dialog cannot be made.
int toggleTagEditor(HWND owner, const char* path);
// The open editor, or nullptr (the message loop hands it its keyboard messages).
HWND tagEditorWindow();

} // namespace korvo::win
