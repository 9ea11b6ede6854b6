// The tray icon and the mini controller of a running LumenKorvo.exe, driven through the
// icon's callback message from outside; the tip and icon choice checked in this process.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "settings/settings_texts.h"
#include "app/win32/main_window.h"
#include "app/win32/mini_controller.h"
#include "app/win32/resource_ids.h"
#include "app/win32/stream_title.h"
#include "app/win32/tray.h"
#include "app/win32/win_texts.h"
#include "playlist/playlist.h"
#include "playlist/text_encoding.h"
#include "sound_recorder.h"
#include "test_support.h"
#include "ui_driver.h"

namespace korvo::uitest {
namespace {

using korvo::test::fileExists;
using korvo::test::mediaPath;
using korvo::win::kTrayCallbackMessage;
using korvo::win::kTrayIconId;

constexpr int kPlayWaitMs = 8000;
constexpr int kQuietMs = 600;



// The shell knows an icon of that window and identifier: modifying it succeeds.
bool iconExists(HWND owner) {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = owner;
    data.uID = kTrayIconId;
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

void deleteIcon(HWND owner) {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = owner;
    data.uID = kTrayIconId;
    Shell_NotifyIconA(NIM_DELETE, &data);
}

void mouseOnIcon(HWND owner, UINT mouseMessage) {
    PostMessageA(owner, kTrayCallbackMessage, kTrayIconId, mouseMessage);
}

void minimise(HWND w) { PostMessageA(w, WM_SYSCOMMAND, SC_MINIMIZE, 0); }

TEST(Tray, TipAndIconFollowThePercent) {
    EXPECT_EQ(korvo::win::trayIconResource(0), IDI_TRAY_0);
    EXPECT_EQ(korvo::win::trayIconResource(9), IDI_TRAY_0);
    EXPECT_EQ(korvo::win::trayIconResource(57), IDI_TRAY_50);
    EXPECT_EQ(korvo::win::trayIconResource(99), IDI_TRAY_90);
    EXPECT_EQ(korvo::win::trayIconResource(100), IDI_TRAY_100);

    Playlist& list = playlist();
    list.clearPlaylist();
    char tip[korvo::win::kTrayTipSize];
    korvo::win::trayTip(57, tip, sizeof tip);
    EXPECT_STREQ(tip, "LUMEN KORVO -  - 057%");   // no current entry: no title

    std::string a = media("long_a.mp2");
    ASSERT_TRUE(list.addEntry(a.c_str()));
    ASSERT_TRUE(list.selectEntry(0, nullptr));
    korvo::win::trayTip(57, tip, sizeof tip);
    EXPECT_EQ(std::string(tip), "LUMEN KORVO - " + titleOf(a) + " - 057%");
    korvo::win::trayTip(0, tip, sizeof tip);
    EXPECT_EQ(std::string(tip), "LUMEN KORVO - " + titleOf(a) + " - 000%");

    // a long title is cut to 63 characters
    list.clearPlaylist();
    std::string longPath = "C:\\music\\" + std::string(120, 'x') + ".mp3";
    ASSERT_TRUE(list.addEntry(longPath.c_str()));
    ASSERT_TRUE(list.selectEntry(0, nullptr));
    korvo::win::trayTip(57, tip, sizeof tip);
    std::string full = "LUMEN KORVO - " + titleOf(longPath) + " - 057%";
    EXPECT_EQ(std::string(tip), full.substr(0, 63));
    list.clearPlaylist();
    // a name in Cyrillic letters (two bytes each) is cut at a letter
    std::string cyrillic = "C:\\music\\";
    for (int i = 0; i < 40; ++i) cyrillic += "\xD0\x9A";
    ASSERT_TRUE(list.addEntry((cyrillic + ".mp3").c_str()));
    ASSERT_TRUE(list.selectEntry(0, nullptr));
    korvo::win::trayTip(57, tip, sizeof tip);
    EXPECT_EQ(std::strlen(tip), 62u) << "a letter cut in two";
    EXPECT_TRUE(korvo::isValidUtf8(tip, std::strlen(tip)));
    list.clearPlaylist();

    // A playing station shows its name and song instead.
    ASSERT_TRUE(list.addEntry("http://127.0.0.1:1/radio.mp3"));
    ASSERT_TRUE(list.selectEntry(0, nullptr));
    korvo::win::setStreamShownName("Radio \xE2\x80\x94 Caf\xC3\xA9");
    korvo::win::trayTip(57, tip, sizeof tip);
    EXPECT_EQ(std::string(tip), "LUMEN KORVO - Radio \xE2\x80\x94 Caf\xC3\xA9 - 057%");
    korvo::win::clearStreamShownName();
    korvo::win::trayTip(57, tip, sizeof tip);
    EXPECT_EQ(std::string(tip), "LUMEN KORVO - " + titleOf("http://127.0.0.1:1/radio.mp3") + " - 057%");
    list.clearPlaylist();
}

TEST(Tray, MiniControllerStaysInsideTheWorkArea) {
    using korvo::win::miniControllerPlace;
    RECT work{0, 0, 1024, 768};
    SIZE size{120, 40};
    POINT p = miniControllerPlace(POINT{300, 300}, size, work);
    EXPECT_EQ(p.x, 220);
    EXPECT_EQ(p.y, 267);
    p = miniControllerPlace(POINT{10, 20}, size, work);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
    p = miniControllerPlace(POINT{1020, 765}, size, work);
    EXPECT_EQ(p.x, 1024 - 120);
    EXPECT_EQ(p.y, 768 - 40);
    RECT shifted{100, 50, 600, 400};
    p = miniControllerPlace(POINT{120, 60}, size, shifted);
    EXPECT_EQ(p.x, 100);
    EXPECT_EQ(p.y, 50);
}

TEST(Tray, MinimiseToTrayRestoreAndShellRestart) {
    std::string a = media("long_a.mp2");
    ProgramFolder folder("tray");
    folder.setKey(kKeyMinimizeLocation, 1);
    Program p;
    clearRecord();
    ASSERT_TRUE(p.start(folder, {a}));
    HWND w = p.waitForWindow();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(waitForRecord(a, kPlayWaitMs)) << readRecord();
    EXPECT_FALSE(iconExists(w));

    minimise(w);
    EXPECT_TRUE(waitUntil([&] { return !IsWindowVisible(w); }, 5000)) << "minimising did not hide the window";
    bool shellHasTray = waitUntil([&] { return iconExists(w); }, 3000);
    if (!shellHasTray) std::printf("the shell offers no tray here: the icon itself is not checked\n");
    // the shell's tray as it shows the icon, where it has a window of its own on the screen
    Sleep(1200);   // timer 2 has set the progress icon and tip by now
    HWND trayWindow = FindWindowA("Shell_TrayWnd", nullptr);
    if (trayWindow && IsWindowVisible(trayWindow)) {
        std::string png = buildDir() + "\\tray.png";
        EXPECT_TRUE(saveWindowPng(trayWindow, png, windowHitMask(trayWindow))) << png;
    } else {
        std::printf("the shell's tray has no visible window: no picture of the icon\n");
    }

    // the right button shows the main menu; Escape closes it
    mouseOnIcon(w, WM_RBUTTONDOWN);
    HWND menu = nullptr;
    EXPECT_TRUE(waitUntil([&] {
        menu = FindWindowA("#32768", nullptr);
        DWORD owner = 0;
        if (menu) GetWindowThreadProcessId(menu, &owner);
        return menu && owner == p.pid() && IsWindowVisible(menu);
    }, 3000)) << "no menu on the right button";
    if (menu) {
        PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        EXPECT_TRUE(waitUntil([&] { return !IsWindowVisible(menu); }, 5000));
    }

    // double click restores and takes the icon away
    mouseOnIcon(w, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(waitUntil([&] { return IsWindowVisible(w) && !IsIconic(w); }, 5000)) << "double click did not restore";
    EXPECT_FALSE(iconExists(w));

    // a restarted shell gets the icon again
    minimise(w);
    ASSERT_TRUE(waitUntil([&] { return !IsWindowVisible(w); }, 5000));
    if (shellHasTray) {
        ASSERT_TRUE(waitUntil([&] { return iconExists(w); }, 3000));
        deleteIcon(w);   // what the shell's end did to it
        EXPECT_FALSE(iconExists(w));
    }
    SendMessageA(w, RegisterWindowMessageA(korvo::win::kTaskbarCreatedMessage), 0, 0);
    if (shellHasTray) {
        EXPECT_TRUE(waitUntil([&] { return iconExists(w); }, 3000)) << "not added again";
    }
    EXPECT_FALSE(IsWindowVisible(w));
    EXPECT_EQ(findDialog(p.pid(), nullptr), nullptr);
}

TEST(Tray, HeldPressOpensTheMiniController) {
    std::string a = media("long_a.mp2"), b = media("long_b.mp2");
    ProgramFolder folder("tray-mini");
    folder.setKey(kKeyMinimizeLocation, 1);
    SoundRecorder sound;
    sound.start();
    Program p;
    clearRecord();
    ASSERT_TRUE(p.start(folder, {a, b}));
    HWND w = p.waitForWindow();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(waitForRecord(a, kPlayWaitMs)) << readRecord();
    minimise(w);
    ASSERT_TRUE(waitUntil([&] { return !IsWindowVisible(w); }, 5000));

    // a short press opens nothing
    SetCursorPos(300, 300);
    mouseOnIcon(w, WM_LBUTTONDOWN);
    Sleep(150);
    mouseOnIcon(w, WM_LBUTTONUP);
    Sleep(1000);
    EXPECT_EQ(findDialog(p.pid(), nullptr), nullptr);

    // a held one opens it left of and above the cursor, on top
    mouseOnIcon(w, WM_LBUTTONDOWN);
    HWND mini = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (mini = findDialog(p.pid(), nullptr)) != nullptr && IsWindowVisible(mini); }, 3000));
    mouseOnIcon(w, WM_LBUTTONUP);
    RECT r{};
    GetWindowRect(mini, &r);
    EXPECT_EQ(r.left, 300 - korvo::win::kMiniControllerCursorDx);
    EXPECT_EQ(r.top, 300 - korvo::win::kMiniControllerCursorDy);
    EXPECT_TRUE(GetWindowLongA(mini, GWL_EXSTYLE) & WS_EX_TOPMOST);
    for (int id : {IDC_MINI_PREV, IDC_MINI_PLAY, IDC_MINI_PAUSE, IDC_MINI_STOP, IDC_MINI_NEXT, IDC_MINI_SLIDER})
        EXPECT_NE(GetDlgItem(mini, id), nullptr) << id;
    Sleep(300);
    std::string png = buildDir() + "\\mini_controller.png";
    // the whole rectangle: the hit mask would leave out the controls, which take the mouse themselves
    EXPECT_TRUE(saveWindowPng(mini, png, std::vector<bool>(size_t(r.right - r.left) * (r.bottom - r.top), true))) << png;

    // its buttons drive playback
    auto press = [&](int id) {
        SendMessageA(mini, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(mini, id)));
    };
    clearRecord();
    press(IDC_MINI_NEXT);
    EXPECT_TRUE(waitForRecord(b, kPlayWaitMs)) << readRecord();
    clearRecord();
    press(IDC_MINI_PREV);
    EXPECT_TRUE(waitForRecord(a, kPlayWaitMs)) << readRecord();
    if (sound.recording()) {
        press(IDC_MINI_STOP);
        Sleep(300);
        EXPECT_TRUE(sound.quietFor(kQuietMs)) << "still playing after the mini controller's Stop";
        DWORD played = GetTickCount();
        press(IDC_MINI_PLAY);
        EXPECT_NE(sound.waitForSound(played, kPlayWaitMs), 0u) << "its Play is silent";
        press(IDC_MINI_PAUSE);
        Sleep(300);
        EXPECT_TRUE(sound.quietFor(kQuietMs)) << "still playing after its Pause";
        press(IDC_MINI_PLAY);
    }

    // dragging the slider and letting go seeks; the slider then follows from there
    HWND slider = GetDlgItem(mini, IDC_MINI_SLIDER);
    Sleep(1500);
    int before = int(SendMessageA(slider, TBM_GETPOS, 0, 0));
    EXPECT_LT(before, 50);
    SendMessageA(mini, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 80), reinterpret_cast<LPARAM>(slider));
    SendMessageA(slider, TBM_SETPOS, TRUE, 80);
    Sleep(1200);   // not following while dragged
    EXPECT_EQ(SendMessageA(slider, TBM_GETPOS, 0, 0), 80);
    SendMessageA(mini, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(slider));
    Sleep(2000);
    int after = int(SendMessageA(slider, TBM_GETPOS, 0, 0));
    EXPECT_GE(after, 78) << "the seek did not happen";
    EXPECT_LE(after, 95);

    // activating another window closes it
    HWND other = CreateWindowExA(0, "STATIC", "elsewhere", WS_POPUP | WS_VISIBLE, 600, 500, 100, 50, nullptr, nullptr,
                                 nullptr, nullptr);
    SetForegroundWindow(other);
    EXPECT_TRUE(waitUntil([&] {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
        return !IsWindow(mini);
    }, 3000)) << "still open after another window became active";
    DestroyWindow(other);

    // near the screen's corner it stays on the screen
    SetCursorPos(5, 5);
    mouseOnIcon(w, WM_LBUTTONDOWN);
    ASSERT_TRUE(waitUntil([&] { return (mini = findDialog(p.pid(), nullptr)) != nullptr && IsWindowVisible(mini); }, 3000));
    mouseOnIcon(w, WM_LBUTTONUP);
    GetWindowRect(mini, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    const int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    PostMessageA(mini, WM_ACTIVATE, WA_INACTIVE, 0);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(mini); }, 3000));
    SetCursorPos(cx - 2, cy - 2);
    mouseOnIcon(w, WM_LBUTTONDOWN);
    ASSERT_TRUE(waitUntil([&] { return (mini = findDialog(p.pid(), nullptr)) != nullptr && IsWindowVisible(mini); }, 3000));
    mouseOnIcon(w, WM_LBUTTONUP);
    GetWindowRect(mini, &r);
    EXPECT_LE(r.right, cx);
    EXPECT_LE(r.bottom, cy);
    EXPECT_GT(r.right, cx - 5);
}

} // namespace
} // namespace korvo::uitest
