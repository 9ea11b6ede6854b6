#include "app/win32/media_keys.h"

namespace korvo::win {

namespace {

struct HotkeyPlace {
    UINT key;
    MediaAction action;
};
// The identifiers are 1 + the index: 0 is no identifier.
constexpr HotkeyPlace kHotkeys[MediaHotkeys::kCount] = {
    {VK_MEDIA_PLAY_PAUSE, MediaPlayPause},
    {VK_MEDIA_STOP, MediaStop},
    {VK_MEDIA_NEXT_TRACK, MediaNext},
    {VK_MEDIA_PREV_TRACK, MediaPrevious},
};

struct CommandPlace {
    int command;
    WPARAM key;
    MediaAction action;
};
constexpr CommandPlace kCommands[] = {
    {APPCOMMAND_MEDIA_PLAY_PAUSE, VK_MEDIA_PLAY_PAUSE, MediaPlayPause},
    {APPCOMMAND_MEDIA_STOP, VK_MEDIA_STOP, MediaStop},
    {APPCOMMAND_MEDIA_NEXTTRACK, VK_MEDIA_NEXT_TRACK, MediaNext},
    {APPCOMMAND_MEDIA_PREVIOUSTRACK, VK_MEDIA_PREV_TRACK, MediaPrevious},
    {APPCOMMAND_VOLUME_UP, VK_VOLUME_UP, MediaVolumeUp},
    {APPCOMMAND_VOLUME_DOWN, VK_VOLUME_DOWN, MediaVolumeDown},
    {APPCOMMAND_VOLUME_MUTE, VK_VOLUME_MUTE, MediaMute},
};

} // namespace

MediaAction mediaActionOfAppCommand(int command) {
    for (const CommandPlace& c : kCommands)
        if (c.command == command) return c.action;
    return MediaNone;
}

int appCommandOfKey(WPARAM virtualKey) {
    for (const CommandPlace& c : kCommands)
        if (c.key == virtualKey) return c.command;
    return 0;
}

int MediaHotkeys::hold(HWND owner) {
    int count = 0;
    for (int i = 0; i < kCount; ++i) {
        if (!held_[i]) held_[i] = RegisterHotKey(owner, i + 1, 0, kHotkeys[i].key) ? 1 : 0;
        count += held_[i];
    }
    return count;
}

void MediaHotkeys::release(HWND owner) {
    for (int i = 0; i < kCount; ++i) {
        if (held_[i]) UnregisterHotKey(owner, i + 1);
        held_[i] = 0;
    }
}

void MediaHotkeys::apply(HWND owner, int on) {
    if (on) hold(owner);
    else release(owner);
}

MediaAction MediaHotkeys::actionOf(WPARAM id) {
    return id >= 1 && id <= WPARAM(kCount) ? kHotkeys[id - 1].action : MediaNone;
}

} // namespace korvo::win
