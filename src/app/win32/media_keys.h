#pragma once
// The keyboard's media keys: WM_APPCOMMAND while the player has the focus, and hotkeys for
// the four playback keys while other programs have it.
#include <windows.h>

namespace korvo::win {

enum MediaAction {
    MediaNone, MediaPlayPause, MediaStop, MediaNext, MediaPrevious, MediaVolumeUp, MediaVolumeDown, MediaMute
};

// The action of a WM_APPCOMMAND command (GET_APPCOMMAND_LPARAM), MediaNone for others.
MediaAction mediaActionOfAppCommand(int command);
// The WM_APPCOMMAND command a media or volume key stands for, or 0.
int appCommandOfKey(WPARAM virtualKey);

// The four playback keys registered as hotkeys of one window.
class MediaHotkeys {
public:
    static constexpr int kCount = 4;
    // Registers the keys not yet held; a key another program holds is left to it.
    // Returns how many this window holds.
    int hold(HWND owner);
    void release(HWND owner);
    // hold or release as the setting says.
    void apply(HWND owner, int on);
    bool held(int index) const { return held_[index] != 0; }
    // The action of a WM_HOTKEY identifier, MediaNone for others.
    static MediaAction actionOf(WPARAM id);

private:
    int held_[kCount] = {};
};

} // namespace korvo::win
