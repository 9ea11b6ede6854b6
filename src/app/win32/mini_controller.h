#pragma once
// The small floating controller opened from the tray icon: five transport buttons and a
// position slider that follows playback.
#include <windows.h>

namespace korvo::win {

constexpr UINT_PTR kMiniControllerTimer = 1000;
constexpr UINT kMiniControllerFollowMs = 500;
constexpr int kMiniControllerCursorDx = 80;   // the dialog's corner, left of and above the cursor
constexpr int kMiniControllerCursorDy = 33;

void loadMiniControllerIcons();
int openMiniController(HWND owner);
void closeMiniController();
HWND miniController();

// Where a window of this size goes for the cursor: left of and above it, inside the work area.
POINT miniControllerPlace(POINT cursor, SIZE size, const RECT& workArea);

} // namespace korvo::win
