// LumenKorvo.exe started on INI files that were edited by hand or damaged: it shows its
// window where it can be seen, plays sound, and writes sane values back in their formats.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "settings/settings_keys.h"
#include "settings/settings_texts.h"
#include "app/win32/resource_ids.h"
#include "app/win32/win_texts.h"
#include "sound_recorder.h"
#include "ui_driver.h"

namespace korvo::uitest {
namespace {

constexpr int kPlayWaitMs = 8000;

bool inside(const RECT& r, const RECT& area) {
    return r.left >= area.left && r.top >= area.top && r.right <= area.right && r.bottom <= area.bottom;
}

RECT workAreaOf(HWND w) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoA(MonitorFromWindow(w, MONITOR_DEFAULTTONEAREST), &info);
    return info.rcWork;
}

std::string rawKey(const ProgramFolder& folder, const char* key) {
    std::string text(512, '\0');
    DWORD n = GetPrivateProfileStringA(kSettingsSection, key, "<missing>", &text[0], DWORD(text.size()),
                                       folder.ini().c_str());
    text.resize(n);
    return text;
}

// Starts the program on the file as it is, plays a Layer III file with the equalizer's
// settings from the file, and checks what the user would see and hear.
void startsVisibleWithSound(const char* name, const std::string& iniBytes, SoundRecorder& sound) {
    SCOPED_TRACE(name);
    const std::string tune = media("two_tones.mp3");
    ProgramFolder folder(name);
    std::ofstream(folder.ini(), std::ios::binary) << iniBytes;
    Program p;
    clearRecord();
    DWORD started = GetTickCount();
    ASSERT_TRUE(p.start(folder, {tune}));
    HWND w = p.waitForWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(waitUntil([&] { return IsWindowVisible(w) != FALSE; }, 3000));
    RECT r{}, work = workAreaOf(w);
    GetWindowRect(w, &r);
    EXPECT_TRUE(inside(r, work)) << "window at " << r.left << "," << r.top << "; work area " << work.right << "x"
                                 << work.bottom;
    EXPECT_TRUE(waitForRecord(tune, kPlayWaitMs)) << readRecord();
    if (sound.recording()) {
        EXPECT_NE(sound.waitForSound(started, kPlayWaitMs), 0u) << "no sound";
    }
    HWND box = findDialog(p.pid(), nullptr);
    EXPECT_EQ(box, nullptr) << dialogText(box);
    if (box) PostMessageA(box, WM_COMMAND, IDOK, 0);

    // the playlist editor, too, comes onto the screen and no larger than it
    p.command(IDM_PLAYLIST_EDITOR);
    HWND editor = nullptr;
    EXPECT_TRUE(waitUntil([&] { return (editor = findDialog(p.pid(), korvo::win::kPlaylistEditorCaption)) != nullptr; },
                          5000));
    if (editor) {
        GetWindowRect(editor, &r);
        EXPECT_TRUE(inside(r, workAreaOf(editor))) << "editor at " << r.left << "," << r.top << " size "
                                                   << r.right - r.left << "x" << r.bottom - r.top;
    }
    DWORD closing = GetTickCount();
    PostMessageA(w, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.waitForExit(60000), 0);
    std::printf("%s: ended %lu ms after the close\n", name, static_cast<unsigned long>(GetTickCount() - closing));

    // what was saved is in range and in each key's format
    int priority = folder.key(kKeyDecoderPriority, -100);
    EXPECT_TRUE(priority >= 0 && priority <= 5) << priority;
    int mapping = folder.key(kKeyMappingMode, -100);
    EXPECT_TRUE(mapping >= 1 && mapping <= 4) << mapping;
    EXPECT_EQ(rawKey(folder, kKeyWinMMOutputDev), "4294967295");
    for (const char* band : {"EqBand00", "EqBand01", "EqBand02"}) {
        std::string text = rawKey(folder, band);
        double gain = std::atof(text.c_str());
        EXPECT_TRUE(gain >= 0.0 && gain <= 2.0) << band << "=" << text;
        EXPECT_EQ(text.size(), 14u) << band << "=" << text;   // d.dddddddddddd
    }
}

std::string section() { return std::string("[") + kSettingsSection + "]\r\n"; }

TEST(TamperedSettings, OutOfRangeValuesAGiantLineAndRandomBytes) {
    SoundRecorder sound;
    EXPECT_TRUE(sound.start()) << "no capture device: the sink's monitor cannot be recorded";

    startsVisibleWithSound("tampered-high",
                           section() + "WindowX=-30000\r\nWindowY=50000\r\nPlaylistX=5000\r\nPlaylistY=-9000\r\n"
                                       "PlaylistW=100000\r\nPlaylistH=100000\r\nDecoderPriority=99\r\nMappingMode=9\r\n"
                                       "WinMMOutputDev=1000\r\nMinimizeLocation=7\r\nEqEnabled=1\r\nEqBand00=1e308\r\n"
                                       "EqBand01=-3\r\nEqBand02=text\r\nIRCEnabled=0\r\nIRCCommand=" +
                               std::string(5 << 20, 'x') + "\r\n",
                           sound);

    startsVisibleWithSound("tampered-low",
                           section() + "WindowX=100000\r\nWindowY=-100000\r\nPlaylistW=-50\r\nPlaylistH=-50\r\n"
                                       "DecoderPriority=-5\r\nMappingMode=-1\r\nWinMMOutputDev=-9\r\nEqEnabled=1\r\n"
                                       "EqBand00=-1e308\r\nEqBand01=3\r\nEqBand02=nan\r\nIRCEnabled=0\r\n",
                           sound);

    std::string noise;
    unsigned seed = 2000;
    for (int i = 0; i < 65536; ++i) {
        seed = seed * 1103515245u + 12345u;
        noise += char(seed >> 16);
    }
    startsVisibleWithSound("tampered-noise", noise, sound);
}

} // namespace
} // namespace korvo::uitest
