#pragma once
// The open-files dialog, the WAV output's save dialog and the "Open URL..." dialog.
#include <windows.h>
#include <shellapi.h>

namespace korvo::win {

enum FilterSet { FiltersAll = 0, FiltersAudio = 1, FiltersPlaylists = 2 };

// Lets the user choose files and adds them to the playlist (replace 1: the playlist is
// emptied first, after OK). Returns the number of names chosen, 0 on cancel.
int openFilesDialog(HWND owner, int replace, int filterSet);

// Adds dropped files and folders to the playlist as one batch (paths that name nothing are
// reported together) and releases the drop.
void addDroppedPaths(HDROP drop);

// The WAV output's save dialog: 1 with the chosen path in path (size bytes), 0 on cancel.
// It asks before replacing a file, and refuses the file being played (playing, or none).
int runWavSaveDialog(HWND owner, char* path, int size, const char* playing);

// Dialog 125: 1 with the entered text (at most 259 characters) in text, 0 on cancel.
int runOpenUrlDialog(HWND owner, char* text, int textSize);

} // namespace korvo::win
