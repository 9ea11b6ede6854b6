#pragma once
// Windows that other parts of the program add later (tray, chat announcement). The main
// window calls them through this table; an empty slot means the feature is not there and the call does nothing.
#include <windows.h>

namespace korvo::win {

struct UiHooks {
    // tray
    void (*loadTrayIcons)() = nullptr;
    int (*trayAdd)(HWND owner, int percent, long decoderThreadId) = nullptr;
    void (*trayRemove)(HWND owner) = nullptr;
    void (*trayUpdate)(HWND owner, int percent) = nullptr;
    LRESULT (*trayCallback)(HWND owner, WPARAM wParam, LPARAM lParam) = nullptr;
    void (*trayHoldTimer)(HWND owner) = nullptr;
    // chat announcement
    void (*announceNowPlaying)(const char* name) = nullptr;
};

UiHooks& uiHooks();

// The preferences sheet while it is open (kept by the message loop).
HWND& preferencesSheet();

} // namespace korvo::win
