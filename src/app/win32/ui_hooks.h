#pragma once
// Windows that other parts of the program add later (preferences, about, equalizer). The
// main window calls them through this table; an empty slot means the feature is not there and the call does nothing.
#include <windows.h>

namespace korvo::win {

struct UiHooks {
    int (*openPreferences)(HWND owner) = nullptr;
    void (*showAbout)(HWND owner) = nullptr;
    void (*toggleEqualizer)(HWND owner) = nullptr;
};

UiHooks& uiHooks();

// The preferences sheet while it is open (kept by the message loop).
HWND& preferencesSheet();

} // namespace korvo::win
