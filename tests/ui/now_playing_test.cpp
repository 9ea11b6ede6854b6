// The main window's display, volume, button feedback and tips, seen from outside: screen
// pixels, recorded sound and the INI file.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/win32/main_window.h"
#include "app/win32/resource_ids.h"
#include "app/win32/now_playing.h"
#include "app/win32/skin.h"
#include "app/win32/win_texts.h"
#include "settings/settings_texts.h"
#include "net/net_texts.h"
#include "net/stream_server.h"
#include "playback/playback_texts.h"
#include "display_shot.h"
#include "sound_recorder.h"
#include "ui_driver.h"

namespace korvo::uitest {
namespace {

using namespace korvo::win;



POINT centre(int button) {
    const RECT& r = kButtonTable[button].ellipse;
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// The time row shows the play glyph and one of the times "s / total" for s up to limitS.
bool showsTime(const Shot& s, int glyph, int64_t totalMs, int limitS) {
    const std::string shown = rowInk(s, kDisplayTimeY);
    for (int sec = 0; sec <= limitS; ++sec) {
        const TimeRow row = fitTimeRow(font(), int64_t(sec) * 1000, totalMs);
        if (shown == renderedInk(row.text, kDisplayMargin, 0, row.signGap < 0 ? -1 : glyph, row.signGap, PixelFont::Figures))
            return true;
    }
    return false;
}

bool showsVolume(HWND w, int level) {
    char text[32];
    std::snprintf(text, sizeof text, kVolumeFormat, level, kVolumeLevels - 1);
    const std::string expected = renderedInk(text, kDisplayMargin, 0, -1, 0, PixelFont::Figures);
    return waitUntil([&] { return rowInk(shoot(w), kDisplayTimeY) == expected; }, 2000);
}

bool insideDisplay(int x, int y) {
    return x >= kDisplayArea.left && x < kDisplayArea.right && y >= kDisplayArea.top && y < kDisplayArea.bottom;
}

TEST(NowPlaying, DisplayShowsTheEntryItsTimeAndScrolls) {
    std::string path = media("seek_marks.mp2");
    ASSERT_TRUE(font().loaded());
    ProgramFolder folder("display");
    Program p;
    HWND w = startPlaying(p, folder, path);
    ASSERT_NE(w, nullptr);
    Sleep(1200);
    const Shot first = shoot(w);
    Sleep(1600);
    const Shot second = shoot(w);
    ASSERT_EQ(first.px.size(), second.px.size());
    EXPECT_TRUE(saveWindowPng(w, buildDir() + "\\ui-now-playing.png", {}));

    long inside = 0, outside = 0;
    for (int y = 0; y < first.h; ++y)
        for (int x = 0; x < first.w; ++x)
            if (first.at(x, y) != second.at(x, y)) (insideDisplay(x, y) ? inside : outside) += 1;
    EXPECT_GT(inside, 0) << "the display stood still while playing";
    EXPECT_EQ(outside, 0) << "pixels outside the display changed";

    // the name is wider than the display: it reads the name at two scroll positions
    const std::string name = titleOf(path);
    const int a = nameOffset(first, name), b = nameOffset(second, name);
    EXPECT_GE(a, 0) << "the name row does not read " << name;
    EXPECT_GE(b, 0) << "the name row does not read " << name;
    EXPECT_NE(a, b) << "the name did not scroll";
    EXPECT_TRUE(showsTime(second, PixelFont::kPlay, 23 * 1000 + 950, 10)) << "no \"m:ss / 0:23\" with the play glyph";

    // stopped: the stop glyph, the entry's time from the playlist
    p.command(IDM_STOP);
    EXPECT_TRUE(waitUntil([&] { return showsTime(shoot(w), PixelFont::kStop, 23 * 1000, 0); }, 2000));
    PostMessageA(w, WM_SYSKEYDOWN, VK_F4, LPARAM(1) << 29);
    EXPECT_EQ(p.waitForExit(10000), 0);
}

// A radio station shows its name, then "station — song" once the song plays (spelled in the
// font's letters), and the entry's name again once stopped.
TEST(NowPlaying, AStationShowsItsNameAndSong) {
    korvo::test::StreamServer station;
    ASSERT_TRUE(station.start(std::string(KORVO_SOURCE_DIR) + "/build/media/winapp"));
    ASSERT_TRUE(font().loaded());
    // One song for the whole stream.
    const std::string u = station.url("/radio/long_a.mp2?metaint=8192&change=1000&rate=40000");
    ProgramFolder folder("display-station");
    Program p;
    const DWORD started = GetTickCount();
    HWND w = startPlaying(p, folder, u);
    ASSERT_NE(w, nullptr);
    char spelled[256];
    PixelFont::spell("Korvo Test Radio \xE2\x80\x94 Artist 0 - It's song 0", spelled, sizeof spelled);
    EXPECT_STREQ(spelled, "Korvo Test Radio - Artist 0 - It's song 0");
    EXPECT_TRUE(waitUntil([&] { return nameOffset(shoot(w), spelled) >= 0; }, 5000)) << "the name row does not read " << spelled;
    std::printf("start to the first title shown of a local station: %lu ms\n", static_cast<unsigned long>(GetTickCount() - started));
    p.command(IDM_STOP);
    EXPECT_TRUE(waitUntil([&] { return nameOffset(shoot(w), titleOf(u)) >= 0; }, 3000)) << "stopped: the entry's name";
    PostMessageA(w, WM_SYSKEYDOWN, VK_F4, LPARAM(1) << 29);
    EXPECT_EQ(p.waitForExit(10000), 0);
}

// A station that drops and is gone: "reconnecting…" shows where the name shows while the
// tries wait; a stop ends the wait at once (the decoder thread is free for the next play).
TEST(NowPlaying, AStationThatDropsShowsReconnectingAndStopEndsTheWait) {
    korvo::test::StreamServer station;
    ASSERT_TRUE(station.start(std::string(KORVO_SOURCE_DIR) + "/build/media/winapp"));
    ASSERT_TRUE(font().loaded());
    const std::string path = "/drop/long_a.mp2?every=32768&rate=16000&gone=1";
    const std::string u = station.url(path);
    ProgramFolder folder("display-reconnect");
    Program p;
    HWND w = startPlaying(p, folder, u);
    ASSERT_NE(w, nullptr);
    char spelled[64];
    PixelFont::spell(net_texts::kReconnecting, spelled, sizeof spelled);
    EXPECT_TRUE(waitUntil([&] { return nameOffset(shoot(w), spelled) >= 0; }, 10000)) << "the name row does not read " << spelled;
    // The tries would go on for 20 s more: a play that follows the stop opens the station at
    // once, and the open (not a try) fails with its box, then the player's own.
    p.command(IDM_STOP);
    p.command(IDM_PLAY);
    for (const char* title : {net_texts::kUrlErrorTitle, texts::kDecoderErrorTitle}) {
        HWND box = nullptr;
        EXPECT_TRUE(waitUntil([&] { return (box = findDialog(p.pid(), title)) != nullptr; }, 5000)) << title;
        if (box) PostMessageA(box, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(waitUntil([&] { return !box || !IsWindow(box); }, 5000));
    }
    PostMessageA(w, WM_SYSKEYDOWN, VK_F4, LPARAM(1) << 29);
    EXPECT_EQ(p.waitForExit(10000), 0);
}

// Letters of the font's scripts stay as they are, punctuation it lacks is spelled in ASCII,
// and any other character is one box, not a box per byte.
TEST(NowPlaying, NamesBeyondAsciiAreSpelledInTheFontsLetters) {
    const std::string box = PixelFont::kBoxText;
    char out[64];
    PixelFont::spell("Caf\xC3\xA9 Dvo\xC5\x99\xC3\xA1k \xE2\x80\x93 \xE2\x80\x9CLive\xE2\x80\x9D\xE2\x80\xA6", out, sizeof out);
    EXPECT_EQ(std::string(out), "Caf\xC3\xA9 Dvo\xC5\x99\xC3\xA1k - \"Live\"...");
    PixelFont::spell("\xC3\x86sir Stra\xC3\x9F" "e \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xB5|\xFF\xC3|\x01", out, sizeof out);
    EXPECT_EQ(std::string(out), "\xC3\x86sir Stra\xC3\x9F" "e " + box + box + " " + box + "|" + box + box + "|" + box);
    PixelFont::spell("ab\xC3\x9F", out, 3);   // a letter that does not fit is left out whole
    EXPECT_EQ(std::string(out), "ab");

    ProgramFolder folder("display-any-name");
    const std::string name = "Dvo\xC5\x99\xC3\xA1k \xE2\x80\x93 \xCE\xA9\xCE\xB4\xCE\xAE.mp2";   // "Dvořák – Ωδή"
    const std::string path = folder.dir() + "\\" + name;
    ASSERT_TRUE(CopyFileA(media("seek_marks.mp2").c_str(), path.c_str(), FALSE));
    const std::string title = titleOf(path);
    const std::string spelled = "Dvo\xC5\x99\xC3\xA1k - \xCE\xA9\xCE\xB4\xCE\xAE" + std::string(title.size() > 4 && title.ends_with(".mp2") ? ".mp2" : "");
    Program p;
    HWND w = startPlaying(p, folder, path);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(waitUntil([&] { return nameOffset(shoot(w), spelled) >= 0; }, 3000)) << "the name row does not read " << spelled;
    PostMessageA(w, WM_SYSKEYDOWN, VK_F4, LPARAM(1) << 29);
    EXPECT_EQ(p.waitForExit(10000), 0);
}

TEST(NowPlaying, ClickOnTheProgressLineSeeks) {
    std::string path = media("seek_marks.mp2");
    ProgramFolder folder("seek");
    SoundRecorder sound;
    ASSERT_TRUE(sound.start()) << "no capture device: the sink's monitor cannot be recorded";
    Program p;
    DWORD started = GetTickCount();
    ASSERT_TRUE(p.start(folder, {path}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    DWORD heard = sound.waitForSound(started, kPlayWaitMs);
    ASSERT_NE(heard, 0u);
    Sleep(800);
    const DWORD before = GetTickCount();
    EXPECT_GT(sound.toneLevel(before - 600, before, 400), 4 * sound.toneLevel(before - 600, before, 600));

    // the middle of the line
    const int left = kDisplayArea.left + kDisplayMargin, right = kDisplayArea.right - kDisplayMargin;
    const int x = left + (right - 1 - left) / 2, y = kDisplayArea.top + kDisplayLineY + 1;
    ASSERT_EQ(NowPlayingDisplay::percentAt(x, y), 50);
    const DWORD clicked = GetTickCount();
    p.click(x, y);
    Sleep(2000);
    const double at400 = sound.toneLevel(clicked + 900, clicked + 1900, 400);
    const double at600 = sound.toneLevel(clicked + 900, clicked + 1900, 600);
    const double at800 = sound.toneLevel(clicked + 900, clicked + 1900, 800);
    EXPECT_GT(at600, 4 * at400) << "not at the middle: 400 Hz " << at400 << ", 600 Hz " << at600;
    EXPECT_GT(at600, 4 * at800) << "not at the middle: 800 Hz " << at800 << ", 600 Hz " << at600;
}

// Left and Right jump 5 s from what is heard, press by press; before the start is the start,
// and past the end the file ends (the list with it).
TEST(NowPlaying, LeftAndRightJumpFiveSeconds) {
    std::string path = media("seek_marks.mp2");   // 400 Hz to 11 s, 600 Hz to 14 s, 800 Hz to 24 s
    ProgramFolder folder("seek-keys");
    SoundRecorder sound;
    ASSERT_TRUE(sound.start()) << "no capture device: the sink's monitor cannot be recorded";
    Program p;
    DWORD started = GetTickCount();
    ASSERT_TRUE(p.start(folder, {path}));
    HWND w = p.waitForWindow();
    ASSERT_NE(w, nullptr);
    ASSERT_NE(sound.waitForSound(started, kPlayWaitMs), 0u);
    Sleep(1500);
    // The tone heard from 300 ms to 1.3 s after the keys: the loudest of the three, by far.
    auto toneAfter = [&](WPARAM key, int presses) {
        const DWORD pressed = GetTickCount();
        for (int i = 0; i < presses; ++i) PostMessageA(w, WM_KEYDOWN, key, 1);
        Sleep(1400);
        int best = 0;
        double level[3] = {};
        for (int i = 0; i < 3; ++i) {
            level[i] = sound.toneLevel(pressed + 300, pressed + 1300, 400 + 200 * i);
            if (level[i] > level[best]) best = i;
        }
        for (int i = 0; i < 3; ++i)
            if (i != best && level[best] < 4 * level[i]) return 0;
        return 400 + 200 * best;
    };
    EXPECT_EQ(toneAfter(VK_RIGHT, 2), 600) << "two presses from about 1.5 s";
    EXPECT_EQ(toneAfter(VK_RIGHT, 1), 800) << "one more from about 13 s";
    EXPECT_EQ(toneAfter(VK_LEFT, 3), 400) << "three back from about 19 s";
    EXPECT_EQ(toneAfter(VK_LEFT, 10), 400) << "back past the start";
    EXPECT_TRUE(showsTime(shoot(w), PixelFont::kPlay, 23 * 1000 + 950, 2)) << "not near the start";

    const DWORD endPress = GetTickCount();
    for (int i = 0; i < 10; ++i) PostMessageA(w, WM_KEYDOWN, VK_RIGHT, 1);
    EXPECT_TRUE(waitUntil([&] { return showsTime(shoot(w), PixelFont::kStop, 23 * 1000, 0); }, 2000))
        << "the file did not end";
    // what was queued went with the jump: nothing from half a second after the keys on
    const DWORD loud = sound.waitForSound(endPress + 500, 1500);
    EXPECT_EQ(loud, 0u) << "sound " << int(loud - endPress) << " ms after the jump past the end";
    PostMessageA(w, WM_SYSKEYDOWN, VK_F4, LPARAM(1) << 29);
    EXPECT_EQ(p.waitForExit(10000), 0);
}

TEST(NowPlaying, WheelAndKeysSetTheVolumeWithinItsRange) {
    std::string path = media("seek_marks.mp2");
    ProgramFolder folder("volume");
    folder.setKey(kKeyEqVolume, 7);
    SoundRecorder sound;
    ASSERT_TRUE(sound.start()) << "no capture device: the sink's monitor cannot be recorded";
    Program p;
    DWORD started = GetTickCount();
    ASSERT_TRUE(p.start(folder, {path}));
    HWND w = p.waitForWindow();
    ASSERT_NE(w, nullptr);
    ASSERT_NE(sound.waitForSound(started, kPlayWaitMs), 0u);
    Sleep(1500);
    const DWORD quiet = GetTickCount();
    Sleep(1200);
    const double level7 = sound.steadyLevel(quiet, quiet + 1200, 400);

    RECT r;
    GetWindowRect(w, &r);
    for (int i = 0; i < 3; ++i)
        PostMessageA(w, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(r.left + 96, r.top + 128));
    EXPECT_TRUE(showsVolume(w, 10));
    Sleep(800);   // the sound already queued plays out at the old level
    const DWORD loud = GetTickCount();
    Sleep(1200);
    const double level10 = sound.steadyLevel(loud, loud + 1200, 400);
    ASSERT_GT(level7, 0);
    const double db = 20 * std::log10(level10 / level7);
    std::printf("volume 7 -> 10: %+.2f dB\n", db);
    EXPECT_NEAR(db, 20 * std::log10(10.0 / 7.0), 0.5) << level7 << " -> " << level10;

    // the message goes after a second; the keys step within 0..15
    EXPECT_TRUE(waitUntil([&] { return showsTime(shoot(w), PixelFont::kPlay, 23 * 1000 + 950, 15); }, 3000));
    for (int i = 0; i < 20; ++i) PostMessageA(w, WM_KEYDOWN, VK_DOWN, 1);
    EXPECT_TRUE(showsVolume(w, 0));
    for (int i = 0; i < 25; ++i) PostMessageA(w, WM_KEYDOWN, VK_UP, 1);
    EXPECT_TRUE(showsVolume(w, 15));
    PostMessageA(w, WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-5 * WHEEL_DELTA)), MAKELPARAM(r.left + 96, r.top + 128));
    EXPECT_TRUE(showsVolume(w, 10));
    PostMessageA(w, WM_SYSKEYDOWN, VK_F4, LPARAM(1) << 29);
    EXPECT_EQ(p.waitForExit(10000), 0);
    EXPECT_EQ(folder.key(kKeyEqVolume, -1), 10);
}

// The tip window of the process that shows this text, or nullptr.
HWND findTip(DWORD pid, const char* text) {
    struct Search {
        DWORD pid;
        const char* text;
        HWND found;
    } search{pid, text, nullptr};
    EnumWindows(
        [](HWND h, LPARAM l) -> BOOL {
            auto* s = reinterpret_cast<Search*>(l);
            DWORD owner = 0;
            GetWindowThreadProcessId(h, &owner);
            char cls[64] = {}, shown[128] = {};
            GetClassNameA(h, cls, sizeof cls);
            if (owner != s->pid || lstrcmpiA(cls, TOOLTIPS_CLASSA) != 0 || !IsWindowVisible(h)) return TRUE;
            SendMessageTimeoutA(h, WM_GETTEXT, sizeof shown, reinterpret_cast<LPARAM>(shown), SMTO_NORMAL, 2000, nullptr);
            if (std::string(shown) == s->text) s->found = h;
            return s->found ? FALSE : TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TEST(NowPlaying, PressedButtonsTipsAndPauseTwice) {
    std::string path = media("seek_marks.mp2");
    ProgramFolder folder("buttons");
    SoundRecorder sound;
    EXPECT_TRUE(sound.start()) << "no capture device: the sink's monitor cannot be recorded";
    Program p;
    DWORD started = GetTickCount();
    clearRecord();
    ASSERT_TRUE(p.start(folder, {path}));
    HWND w = p.waitForWindow();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(waitForRecord(path, kPlayWaitMs)) << readRecord();
    if (sound.recording()) {
        EXPECT_NE(sound.waitForSound(started, kPlayWaitMs), 0u);
    }

    // Pause, and Pause again goes on
    p.command(IDM_PAUSE);
    Sleep(300);
    if (sound.recording()) {
        EXPECT_TRUE(sound.quietFor(1200)) << "still playing after Pause";
    }
    EXPECT_TRUE(waitUntil([&] { return showsTime(shoot(w), PixelFont::kPause, 23 * 1000 + 950, 10); }, 2000));
    const DWORD resumed = GetTickCount();
    p.command(IDM_PAUSE);
    if (sound.recording()) {
        EXPECT_NE(sound.waitForSound(resumed, kPlayWaitMs), 0u) << "a second Pause did not resume";
    }
    EXPECT_TRUE(waitUntil([&] { return showsTime(shoot(w), PixelFont::kPlay, 23 * 1000 + 950, 15); }, 2000));
    EXPECT_EQ(readRecord(), path) << "resuming started the file again";

    // Ctrl+C, as the menu shows, is the same Pause
    p.pressKeys(VK_CONTROL, 'C');
    EXPECT_TRUE(waitUntil([&] { return showsTime(shoot(w), PixelFont::kPause, 23 * 1000 + 950, 15); }, 2000))
        << "Ctrl+C did not pause";
    p.pressKeys(VK_CONTROL, 'C');
    EXPECT_TRUE(waitUntil([&] { return showsTime(shoot(w), PixelFont::kPlay, 23 * 1000 + 950, 20); }, 2000))
        << "a second Ctrl+C did not go on";

    // held on Repeat, the button looks pressed; moved off it, released; nothing is toggled
    const RECT& repeat = kButtonTable[ButtonRepeat].ellipse;
    auto repeatPixels = [&] {
        Shot s = shoot(w);
        std::vector<uint32_t> v;
        for (int y = repeat.top + 2; y < repeat.bottom - 2; ++y)
            for (int x = repeat.left + 2; x < repeat.right - 2; ++x) v.push_back(s.at(x, y));
        return v;
    };
    const std::vector<uint32_t> up = repeatPixels();
    POINT c = centre(ButtonRepeat);
    PostMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(c.x, c.y));
    EXPECT_TRUE(waitUntil([&] { return repeatPixels() != up; }, 2000)) << "a held button is not drawn pressed";
    EXPECT_TRUE(saveWindowPng(w, buildDir() + "\\ui-button-held.png", {}));
    PostMessageA(w, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, 240));
    EXPECT_TRUE(waitUntil([&] { return repeatPixels() == up; }, 2000)) << "moved off, the button still looks pressed";
    PostMessageA(w, WM_LBUTTONUP, 0, MAKELPARAM(10, 240));

    // resting on Play shows its tip
    RECT r;
    GetWindowRect(w, &r);
    POINT play = centre(ButtonPlay);
    SetCursorPos(r.left + play.x, r.top + play.y);
    for (int i = 0; i < 3; ++i) {
        PostMessageA(w, WM_MOUSEMOVE, 0, MAKELPARAM(play.x, play.y));
        Sleep(50);
    }
    EXPECT_TRUE(waitUntil([&] { return findTip(p.pid(), kButtonTips[ButtonPlay]) != nullptr; }, 5000))
        << "no tip \"" << kButtonTips[ButtonPlay] << "\"";
    SetCursorPos(0, 0);
    PostMessageA(w, WM_SYSKEYDOWN, VK_F4, LPARAM(1) << 29);
    EXPECT_EQ(p.waitForExit(10000), 0);
    EXPECT_EQ(folder.key(kKeyRepeatPlay, -1), 0);
}

} // namespace
} // namespace korvo::uitest
