#pragma once
// The tray icon that stands for the hidden main window: progress in eleven icons, a tip,
// and the mouse on it (menu, restore, the mini controller after a held press).
#include <windows.h>

#include <cstddef>

namespace korvo::win {

constexpr UINT kTrayIconId = 12345;
constexpr int kTrayTipSize = 64;   // the tip's buffer: 63 characters and the zero
constexpr UINT kTrayHoldMs = 500;

void loadTrayIcons();
int trayAdd(HWND owner, int percent, long decoderThreadId);
// show 0: the window is being destroyed and stays as it is.
void trayRemove(HWND owner, int show = 1);
void trayUpdate(HWND owner, int percent);
// The callback message; lParam is the mouse message on the icon. menu: the popup to show.
void trayCallback(HWND owner, LPARAM lParam, HMENU menu);
// The main window's timer 1 (a left press held on the icon).
void trayHoldTimer(HWND owner);
// The shell restarted ("TaskbarCreated"): the icon, if shown, is added again.
void trayShellRestarted(HWND owner);
UINT taskbarCreatedMessage();

// What the icon shows for a percentage: its resource and its tip.
int trayIconResource(int percent);
void trayTip(int percent, char* out, size_t outSize);
int trayIconShown();
int trayLastPercent();
long traySeekThread();

} // namespace korvo::win
