#pragma once
// The settings record as the Windows program sees it.
#if __has_include("app/settings.h")
#include "app/settings.h"
#else
// Until the settings module is in the tree: defaults only, nothing stored.
namespace korvo {
struct Settings {
    int AudioOutputSystem = 0, RepeatPlay = 0, ShufflePlay = 0, MultipleInstances = 0, AlwaysOnTop = 0;
    int MinimizeLocation = 0, IRCEnabled = 0, IRCUseTag = 0, IRCAnnounceTimeout = 3;
    int WindowX = 100, WindowY = 100;
    char PreviousDir[260] = {};
};
inline Settings& settings() {
    static Settings s;
    return s;
}
inline int loadSettings() { return 1; }
inline int saveSettings() { return 1; }
} // namespace korvo
#endif
