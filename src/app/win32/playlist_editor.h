#pragma once
// The playlist editor (dialog 114): a modeless, resizable window of its own showing the
// playlist as numbered rows, with the list operations, loading, saving and adding.
#include <windows.h>

namespace korvo::win {

// Sent to the editor to rebuild its rows (the same number as the tray's callback, each to
// its own window).
constexpr UINT kEditorRefreshMessage = 0x9388;
// Posted to itself after a change of DPI: the controls are measured and placed again.
constexpr UINT kEditorRescaledMessage = WM_APP + 1;

// Creates the editor when it is closed and shows it; 0 when it cannot be made.
int showEditor();
void destroyEditor();
int isEditorShown();
// Rebuilds the rows (while refreshes are enabled); nothing when the editor is closed.
void requestRefresh();
// Entries' information arrived: the rows in view and the label show it; finished: all of
// it has come, every row shows it.
void showArrivedInfo(bool finished);
// A folder's progress in the label, in place of a box (a Playlist::ProgressHook).
void showAddingProgress(void* unused, const char* note, int added);
// Callers suspend refreshes during bulk additions and enable them afterwards.
void setRefreshEnabled(int on);
HWND editorWindow();

// The message loop's first look at a message: the editor's keys. 1 when it was handled.
int editorTakesMessage(MSG& msg);

} // namespace korvo::win
