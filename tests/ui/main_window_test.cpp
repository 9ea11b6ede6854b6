// LumenKorvo.exe started under the test's control, checked through its window, its
// messages, the shared current-file record and its INI file.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "settings/settings_keys.h"
#include "settings/settings_texts.h"
#include "app/win32/main_window.h"
#include "app/win32/resource_ids.h"
#include "app/win32/skin.h"
#include "app/win32/win_texts.h"
#include "decoder/decoder_texts.h"
#include "playback/decoder_thread.h"
#include "playback/playback_texts.h"
#include "playlist/playlist_texts.h"
#include "test_support.h"
#include "sound_recorder.h"
#include "ui_driver.h"

namespace korvo::uitest {
namespace {

using korvo::test::fileExists;
using korvo::test::mediaPath;
using korvo::win::kButtonTable;


POINT centre(int button) {
    const RECT& r = kButtonTable[button].ellipse;
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// The shape bitmap's window pixels: those that differ from the key pixel.
long shapeArea() {
    HBITMAP bmp = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_SHAPE),
                                                  IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bmp) return -1;
    HRGN outside = korvo::win::regionFromBitmap(bmp, korvo::win::kShapeKeyX, korvo::win::kShapeKeyY, 0);
    HRGN inside = korvo::win::regionFromBitmap(bmp, korvo::win::kShapeKeyX, korvo::win::kShapeKeyY, 1);
    RECT box;
    long area = 0;
    for (int y = 0; y < korvo::win::kSkinHeight; ++y)
        for (int x = 0; x < korvo::win::kSkinWidth; ++x) area += PtInRegion(inside, x, y) ? 1 : 0;
    EXPECT_FALSE(PtInRegion(inside, korvo::win::kShapeKeyX, korvo::win::kShapeKeyY));
    EXPECT_NE(GetRgnBox(outside, &box), ERROR);
    DeleteObject(outside);
    DeleteObject(inside);
    DeleteObject(bmp);
    return area;
}

// Every key of the save order, bands spelled out.
std::vector<std::string> saveOrderKeys() {
    std::vector<std::string> keys;
    for (size_t i = 0; i < kSettingsSaveCount; ++i) {
        const SettingKey* k = kSettingsSaveOrder[i];
        if (k->kind == SettingKind::Bands) {
            for (int b = 0; b < kEqBandCount; ++b) {
                char name[32];
                std::snprintf(name, sizeof name, kKeyEqBandFormat, b);
                keys.push_back(name);
            }
        } else {
            keys.push_back(k->name);
        }
    }
    return keys;
}

constexpr int kPlayWaitMs = 8000;
constexpr int kQuietMs = 1200;   // long enough for a start that should not happen

TEST(MainWindow, WindowShapePositionAndScreenshot) {
    ProgramFolder folder("window");
    folder.setKey(kKeyWindowX, 123);
    folder.setKey(kKeyWindowY, 77);
    Program p;
    ASSERT_TRUE(p.start(folder, {}));
    HWND w = p.waitForWindow();
    ASSERT_NE(w, nullptr);

    char cls[64] = {}, title[64] = {};
    GetClassNameA(w, cls, sizeof cls);
    GetWindowTextA(w, title, sizeof title);
    EXPECT_STREQ(cls, korvo::win::kMainWindowClass);
    EXPECT_STREQ(title, korvo::win::kMainWindowTitle);
    RECT r;
    ASSERT_TRUE(GetWindowRect(w, &r));
    EXPECT_EQ(r.left, 123);
    EXPECT_EQ(r.top, 77);
    EXPECT_EQ(r.right - r.left, korvo::win::kSkinWidth);
    EXPECT_EQ(r.bottom - r.top, korvo::win::kSkinHeight);
    long area = shapeArea();
    EXPECT_GT(area, 0);
    Sleep(300);
    std::vector<bool> mask = windowHitMask(w);
    EXPECT_EQ(std::count(mask.begin(), mask.end(), true), area);

    // the whole shaped window is client area
    DWORD_PTR hit = 0;
    SendMessageTimeoutA(w, WM_NCHITTEST, 0, MAKELPARAM(r.left + 96, r.top + 128), SMTO_NORMAL, 5000, &hit);
    EXPECT_EQ(hit, DWORD_PTR(HTCLIENT));

    std::string png = buildDir() + "\\ui-main-window.png";
    EXPECT_TRUE(saveWindowPng(w, png, mask)) << png;
    std::printf("screenshot: %s\n", png.c_str());

    // dragging outside the buttons moves the window
    PostMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 120));
    PostMessageA(w, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(60, 140));
    PostMessageA(w, WM_LBUTTONUP, 0, MAKELPARAM(60, 140));
    EXPECT_TRUE(waitUntil([&] { return GetWindowRect(w, &r) && r.left == 153 && r.top == 97; }, 3000))
        << r.left << "," << r.top;

    // Alt+F4 ends the program and stores the position (keys already in the file keep their place)
    PostMessageA(w, WM_SYSKEYDOWN, VK_F4, LPARAM(1) << 29);
    EXPECT_EQ(p.waitForExit(10000), 0);
    EXPECT_EQ(folder.key(kKeyWindowX, -1), 153);
    EXPECT_EQ(folder.key(kKeyWindowY, -1), 97);
    EXPECT_EQ(folder.keysInFile().size(), saveOrderKeys().size());
}

// A first save creates the file with every key in the save order.
TEST(MainWindow, CloseButtonEndsAndSaves) {
    ProgramFolder folder("close");
    Program p;
    ASSERT_TRUE(p.start(folder, {}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    POINT c = centre(korvo::win::ButtonClose);
    p.click(c.x, c.y);
    EXPECT_EQ(p.waitForExit(10000), 0);
    EXPECT_EQ(folder.keysInFile(), saveOrderKeys());
}

TEST(MainWindow, CommandsAndButtonsDrivePlayback) {
    std::string a = media("long_a.mp2"), b = media("long_b.mp2"), c = media("long_c.mp2");
    ProgramFolder folder("commands");
    SoundRecorder sound;
    EXPECT_TRUE(sound.start()) << "no capture device: the sink's monitor cannot be recorded";
    Program p;
    clearRecord();
    DWORD started = GetTickCount();
    ASSERT_TRUE(p.start(folder, {a, b, c}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    ASSERT_TRUE(waitForRecord(a, kPlayWaitMs)) << readRecord();
    if (sound.recording()) {
        DWORD heard = sound.waitForSound(started, kPlayWaitMs);
        EXPECT_NE(heard, 0u) << "the command-line file was not heard";
        if (heard) std::printf("start to first recorded sound: %lu ms\n", static_cast<unsigned long>(heard - started));
    }

    clearRecord();
    p.command(IDM_NEXT);
    EXPECT_TRUE(waitForRecord(b, kPlayWaitMs)) << readRecord();
    clearRecord();
    p.command(IDM_PREVIOUS);
    EXPECT_TRUE(waitForRecord(a, kPlayWaitMs)) << readRecord();

    // Stop silences; Play starts the file again
    clearRecord();
    p.command(IDM_STOP);
    Sleep(300);
    if (sound.recording()) {
        EXPECT_TRUE(sound.quietFor(kQuietMs)) << "still playing after Stop";
    }
    EXPECT_EQ(readRecord(), "");
    DWORD played = GetTickCount();
    p.command(IDM_PLAY);
    EXPECT_TRUE(waitForRecord(a, kPlayWaitMs)) << readRecord();
    if (sound.recording()) {
        EXPECT_NE(sound.waitForSound(played, kPlayWaitMs), 0u) << "Play after Stop is silent";
    }

    // Pause silences; Play resumes without a new start; Play while playing restarts
    Sleep(300);
    clearRecord();
    p.command(IDM_PAUSE);
    EXPECT_EQ(findDialog(p.pid(), nullptr), nullptr);
    Sleep(300);
    if (sound.recording()) {
        EXPECT_TRUE(sound.quietFor(kQuietMs)) << "still playing after Pause";
    }
    DWORD resumed = GetTickCount();
    p.command(IDM_PLAY);
    if (sound.recording()) {
        EXPECT_NE(sound.waitForSound(resumed, kPlayWaitMs), 0u) << "Play after Pause is silent";
    }
    EXPECT_EQ(readRecord(), "");
    p.command(IDM_PLAY);
    EXPECT_TRUE(waitForRecord(a, kPlayWaitMs)) << readRecord();

    // A Pause that falls between one file's end and the next one's start is overtaken by
    // the start: the new file sounds, and Pause pauses it (not a second pause of the device)
    Sleep(300);
    p.command(IDM_PAUSE);
    Sleep(300);
    DWORD overtaken = GetTickCount();
    SendMessageA(p.window(), korvo::DNM_STARTED, 0, 0);
    if (sound.recording()) {
        EXPECT_NE(sound.waitForSound(overtaken, kPlayWaitMs), 0u) << "the start after a Pause is silent";
    }
    p.command(IDM_PAUSE);
    Sleep(300);
    if (sound.recording()) {
        EXPECT_TRUE(sound.quietFor(kQuietMs)) << "still playing after Pause";
    }
    p.command(IDM_PAUSE);

    // Buttons: press and release inside fires; press, move out, release does nothing
    POINT next = centre(korvo::win::ButtonNext), prev = centre(korvo::win::ButtonPrevious);
    clearRecord();
    p.click(next.x, next.y);
    EXPECT_TRUE(waitForRecord(b, kPlayWaitMs)) << readRecord();
    clearRecord();
    p.pressMoveRelease(next.x, next.y, 10, 240);
    Sleep(kQuietMs);
    EXPECT_EQ(readRecord(), "");
    p.click(prev.x, prev.y);
    EXPECT_TRUE(waitForRecord(a, kPlayWaitMs)) << readRecord();
    POINT stop = centre(korvo::win::ButtonStop), play = centre(korvo::win::ButtonPlay);
    Sleep(300);
    p.click(stop.x, stop.y);
    clearRecord();
    Sleep(300);
    if (sound.recording()) {
        EXPECT_TRUE(sound.quietFor(kQuietMs)) << "still playing after the Stop button";
    }
    EXPECT_EQ(readRecord(), "");
    p.click(play.x, play.y);
    EXPECT_TRUE(waitForRecord(a, kPlayWaitMs)) << readRecord();
}

TEST(MainWindow, CopyDataRequests) {
    std::string a = media("long_a.mp2"), b = media("long_b.mp2"), c = media("long_c.mp2");
    ProgramFolder folder("copydata");
    Program p;
    clearRecord();
    ASSERT_TRUE(p.start(folder, {a, b, c}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    ASSERT_TRUE(waitForRecord(a, kPlayWaitMs)) << readRecord();

    clearRecord();
    char unused[2] = {};
    EXPECT_EQ(p.copyData(korvo::win::RequestPlayIndex, unused, 2), TRUE);   // cbData is the index
    EXPECT_TRUE(waitForRecord(c, kPlayWaitMs)) << readRecord();

    clearRecord();
    EXPECT_EQ(p.copyData(korvo::win::RequestPlayPath, b.data(), DWORD(b.size())), TRUE);
    EXPECT_TRUE(waitForRecord(b, kPlayWaitMs)) << readRecord();

    // Oversized or missing paths are not requests: nothing is added and nothing plays
    std::string huge(300, 'x');
    clearRecord();
    p.copyData(korvo::win::RequestClear, nullptr, 0);
    EXPECT_EQ(p.copyData(korvo::win::RequestAddPath, huge.data(), DWORD(huge.size())), TRUE);
    EXPECT_EQ(p.copyData(korvo::win::RequestAddPath, huge.data(), 260), TRUE);
    EXPECT_EQ(p.copyData(korvo::win::RequestPlayFirst, nullptr, 0), TRUE);
    Sleep(kQuietMs);
    EXPECT_EQ(readRecord(), "");
    EXPECT_TRUE(p.running());

    // a path of 259 bytes still fits
    EXPECT_EQ(p.copyData(korvo::win::RequestAddPath, a.data(), DWORD(a.size())), TRUE);
    EXPECT_EQ(p.copyData(korvo::win::RequestPlayFirst, nullptr, 0), TRUE);
    EXPECT_TRUE(waitForRecord(a, kPlayWaitMs)) << readRecord();
}

TEST(MainWindow, SecondStartHandsOverOrOpensItsOwnWindow) {
    std::string a = media("long_a.mp2"), b = media("long_b.mp2");
    ProgramFolder folder("first");
    Program first;
    clearRecord();
    ASSERT_TRUE(first.start(folder, {a}));
    ASSERT_NE(first.waitForWindow(), nullptr);
    ASSERT_TRUE(waitForRecord(a, kPlayWaitMs)) << readRecord();

    {   // same settings: requests 0, 1, 4, then exit 0 without a window
        Program second;
        ASSERT_TRUE(second.start(folder, {"/switch", b}));
        EXPECT_EQ(second.waitForExit(10000), 0);
        EXPECT_TRUE(waitForRecord(b, kPlayWaitMs)) << readRecord();
    }
    {   // no arguments: ends at once, nothing sent
        clearRecord();
        Program second;
        ASSERT_TRUE(second.start(folder, {}));
        EXPECT_EQ(second.waitForExit(10000), 0);
        Sleep(kQuietMs);
        EXPECT_EQ(readRecord(), "");
    }
    {   // MultipleInstances 1: a window of its own
        ProgramFolder other("second");
        other.setKey(kKeyMultipleInstances, 1);
        other.setKey(kKeyWindowX, 400);
        Program second;
        ASSERT_TRUE(second.start(other, {}));
        HWND w2 = second.waitForWindow();
        ASSERT_NE(w2, nullptr);
        EXPECT_NE(w2, first.window());
        PostMessageA(w2, WM_CLOSE, 0, 0);
        EXPECT_EQ(second.waitForExit(10000), 0);
    }
    EXPECT_TRUE(first.running());
}

TEST(MainWindow, EndOfListWithAndWithoutRepeat) {
    std::string s = media("short_a.mp2");
    {   // five seconds: a one-second file's record may come and go before the first look
        std::string five = media("long_mp3.mp3");
        ProgramFolder folder("norepeat");
        folder.setKey(kKeyRepeatPlay, 0);
        Program p;
        clearRecord();
        ASSERT_TRUE(p.start(folder, {five}));
        ASSERT_NE(p.waitForWindow(), nullptr);
        ASSERT_TRUE(waitForRecord(five, kPlayWaitMs)) << readRecord();
        // the record is cleared when the list has ended
        EXPECT_TRUE(waitForRecord("", 8000)) << readRecord();
        PostMessageA(p.window(), WM_CLOSE, 0, 0);
        EXPECT_EQ(p.waitForExit(10000), 0);
    }
    {
        ProgramFolder folder("repeat");
        folder.setKey(kKeyRepeatPlay, 1);
        Program p;
        clearRecord();
        ASSERT_TRUE(p.start(folder, {s}));
        ASSERT_NE(p.waitForWindow(), nullptr);
        ASSERT_TRUE(waitForRecord(s, kPlayWaitMs)) << readRecord();
        clearRecord();
        // it starts over from the first entry
        EXPECT_TRUE(waitForRecord(s, 8000)) << readRecord();
        PostMessageA(p.window(), WM_CLOSE, 0, 0);
        EXPECT_EQ(p.waitForExit(10000), 0);
        EXPECT_EQ(folder.key(kKeyRepeatPlay, -1), 1);
    }
}

// At the end of the list the queued sound plays out; Stop then cuts it.
TEST(MainWindow, StopAtTheEndOfTheListCutsTheQueuedSound) {
    std::string s = media("short_a.mp2");
    ProgramFolder folder("endstop");
    folder.setKey(kKeyRepeatPlay, 0);
    SoundRecorder sound;
    if (!sound.start()) GTEST_SKIP() << "no capture device: the sink's monitor cannot be recorded";
    Program p;
    clearRecord();
    const DWORD started = GetTickCount();
    ASSERT_TRUE(p.start(folder, {s}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    // a one-second file is decoded to its end quickly, so its record may come and go before
    // the first look: the sound says that it plays
    ASSERT_NE(sound.waitForSound(started, kPlayWaitMs), 0u) << "no sound";
    // the record is cleared when the list has ended, while the device still holds its last blocks
    ASSERT_TRUE(waitForRecord("", 8000)) << readRecord();
    p.command(IDM_STOP);
    Sleep(300);
    EXPECT_TRUE(sound.quietFor(500)) << "the end of the list still sounds after Stop";
}

// Keys: Esc opens the file dialog (cancel keeps the list), Alt+L the location dialog, whose
// text is played; Ctrl+C is not a shortcut.
TEST(MainWindow, AcceleratorsOpenTheDialogs) {
    std::string a = media("long_a.mp2"), b = media("long_b.mp2");
    ProgramFolder folder("keys");
    Program p;
    clearRecord();
    ASSERT_TRUE(p.start(folder, {a}));
    HWND w = p.waitForWindow();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(waitForRecord(a, kPlayWaitMs)) << readRecord();

    PostMessageA(w, WM_KEYDOWN, VK_ESCAPE, 1);
    HWND files = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (files = findDialog(p.pid(), korvo::win::kOpenFilesTitle)) != nullptr; }, 8000));
    clearRecord();
    PostMessageA(files, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(files); }, 5000));
    p.command(IDM_PLAY_CURRENT);   // the list still holds its file
    EXPECT_TRUE(waitForRecord(a, kPlayWaitMs)) << readRecord();

    // Alt must really be down for the accelerator, so this one goes through the keyboard
    p.pressKeys(VK_MENU, 'L');
    HWND url = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (url = findDialog(p.pid(), TXT_OPEN_URL_CAPTION)) != nullptr; }, 8000));
    clearRecord();
    SendDlgItemMessageA(url, IDC_URL_EDIT, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(b.c_str()));
    PostMessageA(url, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(waitForRecord(b, kPlayWaitMs)) << readRecord();

    // the menu shows Ctrl+h for About
    p.pressKeys(VK_CONTROL, 'H');
    HWND about = nullptr;
    EXPECT_TRUE(waitUntil([&] { return (about = findDialog(p.pid(), korvo::win::kAboutCaption)) != nullptr; }, 8000))
        << "Ctrl+H did not open About";
    if (about) {
        PostMessageA(about, PSM_PRESSBUTTON, PSBTN_OK, 0);
        EXPECT_TRUE(waitUntil([&] { return !IsWindow(about); }, 5000));
    }

    PostMessageA(w, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.waitForExit(10000), 0);
}

TEST(MainWindow, PathThatCannotBeAddedIsReported) {
    std::string missing = korvo::test::nativePath(std::string(KORVO_BUILD_DIR) + "/no-such-folder");
    ProgramFolder folder("missing");
    Program p;
    ASSERT_TRUE(p.start(folder, {missing}));
    HWND box = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (box = findDialog(p.pid(), playlist_texts::kErrorTitle)) != nullptr; }, 15000));
    char expected[512];
    std::snprintf(expected, sizeof expected, playlist_texts::kErrorAddingDirectory, missing.c_str());
    EXPECT_EQ(dialogText(box), expected);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    // the program starts normally afterwards
    ASSERT_NE(p.waitForWindow(), nullptr);
    PostMessageA(p.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(p.waitForExit(10000), 0);
}


// Any message box of the process that is not the main window, or nullptr.
HWND anyBox(DWORD pid) { return findDialog(pid, nullptr); }

// A second start from another folder hands over absolute paths; the running player acts
// on each request after the hand-over returned, so a box it shows does not hold the
// second start.
TEST(MainWindow, SecondStartWithRelativePathFromAnotherFolder) {
    std::string a = media("long_a.mp2"), b = media("long_b.mp2");
    std::string mediaDir = b.substr(0, b.rfind('\\'));
    ProgramFolder folder("relative");
    Program first;
    clearRecord();
    ASSERT_TRUE(first.start(folder, {a}));   // its current folder is its own
    ASSERT_NE(first.waitForWindow(), nullptr);
    ASSERT_TRUE(waitForRecord(a, kPlayWaitMs)) << readRecord();

    {
        clearRecord();
        Program second;
        DWORD t0 = GetTickCount();
        ASSERT_TRUE(second.start(folder, {"long_b.mp2"}, mediaDir));
        long code = second.waitForExit(10000);
        std::printf("second start with a relative path ended after %lu ms\n",
                    static_cast<unsigned long>(GetTickCount() - t0));
        EXPECT_EQ(code, 0);
        EXPECT_TRUE(waitForRecord(b, kPlayWaitMs)) << readRecord();
        HWND box = anyBox(first.pid());
        EXPECT_EQ(box, nullptr) << dialogText(box);
        if (box) PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    {   // a path that names nothing: the running player shows its box, the second start ends
        std::string missing = mediaDir + "\\no-such-file.mp2";
        Program second;
        DWORD t0 = GetTickCount();
        ASSERT_TRUE(second.start(folder, {"no-such-file.mp2"}, mediaDir));
        HWND box = nullptr;
        EXPECT_TRUE(waitUntil([&] { return (box = findDialog(first.pid(), playlist_texts::kErrorTitle)) != nullptr; },
                              10000));
        long code = second.waitForExit(10000);
        DWORD took = GetTickCount() - t0;
        std::printf("second start whose request shows a box ended after %lu ms\n", static_cast<unsigned long>(took));
        EXPECT_EQ(code, 0) << "the second start waits for the box";
        // about 0.3 s here, most of it the process start under Wine, which a busy machine slows
        EXPECT_LT(took, 2000u);
        if (box) {
            char expected[512];
            std::snprintf(expected, sizeof expected, playlist_texts::kErrorAddingDirectory, missing.c_str());
            EXPECT_EQ(dialogText(box), expected);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            EXPECT_TRUE(waitUntil([&] { return !IsWindow(box); }, 5000));
        }
    }
    {   // the missing paths of one hand-over are reported in one box
        Program second;
        ASSERT_TRUE(second.start(folder, {"gone-1.mp3", "gone-2.mp3", "gone-3"}, mediaDir));
        EXPECT_EQ(second.waitForExit(10000), 0);
        HWND box = nullptr;
        EXPECT_TRUE(waitUntil([&] { return (box = findDialog(first.pid(), playlist_texts::kErrorTitle)) != nullptr; },
                              10000));
        char prefix[128];
        std::snprintf(prefix, sizeof prefix, playlist_texts::kEntriesNotFound, 3, "");
        if (box) {
            std::string text = dialogText(box);
            EXPECT_EQ(text.rfind(prefix, 0), 0u) << text;
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            EXPECT_TRUE(waitUntil([&] { return !IsWindow(box); }, 5000));
        }
        Sleep(kQuietMs);
        box = anyBox(first.pid());
        EXPECT_EQ(box, nullptr) << "a second box: " << dialogText(box);
        if (box) PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    EXPECT_TRUE(first.running());
}

// Paths that name nothing, from a playlist file and the command line, are reported in one box.
TEST(MainWindow, MissingPathsOfOneCommandLineGiveOneBox) {
    ProgramFolder folder("moved");
    const int kMoved = 12;
    std::string pls = folder.dir() + "\\moved.pls";
    {
        std::ofstream out(pls);
        out << "[playlist]\n";
        for (int i = 1; i <= kMoved; ++i) out << "File" << i << "=" << folder.dir() << "\\gone\\" << i << ".mp3\n";
        out << "NumberOfEntries=" << kMoved << "\nVersion=2\n";
    }
    std::string gone1 = folder.dir() + "\\gone-a.mp3", gone2 = folder.dir() + "\\gone-b";
    Program p;
    ASSERT_TRUE(p.start(folder, {pls, gone1, gone2}));
    HWND box = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (box = findDialog(p.pid(), playlist_texts::kErrorTitle)) != nullptr; }, 15000));
    char prefix[128];
    std::snprintf(prefix, sizeof prefix, playlist_texts::kEntriesNotFound, kMoved + 2, "");
    std::string text = dialogText(box);
    EXPECT_EQ(text.rfind(prefix, 0), 0u) << text;
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_NE(p.waitForWindow(), nullptr);
    Sleep(kQuietMs);
    box = anyBox(p.pid());
    EXPECT_EQ(box, nullptr) << "a second box: " << dialogText(box);
    if (box) PostMessageA(box, WM_COMMAND, IDOK, 0);
}

// Play with nothing in the list asks for files, as the Open button does.
TEST(MainWindow, PlayWithEmptyListOpensTheFileDialog) {
    ProgramFolder folder("emptyplay");
    Program p;
    ASSERT_TRUE(p.start(folder, {}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    p.postCommand(IDM_PLAY);
    HWND files = nullptr;
    EXPECT_TRUE(waitUntil([&] { return (files = findDialog(p.pid(), korvo::win::kOpenFilesTitle)) != nullptr; }, 8000));
    HWND error = findDialog(p.pid(), korvo::texts::kDecoderErrorTitle);
    EXPECT_EQ(error, nullptr) << dialogText(error);
    if (files) {
        PostMessageA(files, WM_COMMAND, IDCANCEL, 0);
        EXPECT_TRUE(waitUntil([&] { return !IsWindow(files); }, 5000));
    }
    Sleep(500);
    error = findDialog(p.pid(), korvo::texts::kDecoderErrorTitle);
    EXPECT_EQ(error, nullptr) << dialogText(error);
    if (error) PostMessageA(error, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(p.running());
}

// What the screen shows at the centres of the buttons of a window at r.
std::vector<COLORREF> screenAtButtons(const RECT& r) {
    std::vector<COLORREF> px;
    HDC screen = GetDC(nullptr);
    for (int i = 0; i < korvo::win::kButtonCount; ++i) {
        POINT c = centre(i);
        px.push_back(GetPixel(screen, r.left + c.x, r.top + c.y));
    }
    ReleaseDC(nullptr, screen);
    return px;
}

// The window no longer shows on the screen: most of its button pixels changed.
bool goneFromScreen(const RECT& r, const std::vector<COLORREF>& before) {
    std::vector<COLORREF> now = screenAtButtons(r);
    size_t changed = 0;
    for (size_t i = 0; i < now.size(); ++i) changed += now[i] != before[i] ? 1 : 0;
    return changed * 2 > now.size();
}

// Closing while a file plays: the window goes at once, the process soon after, and the
// settings are written whole.
TEST(MainWindow, CloseWhilePlayingIsQuick) {
    std::string a = media("long_a.mp2");
    for (int round = 0; round < 2; ++round) {
        ProgramFolder folder("quickclose");
        Program p;
        clearRecord();
        ASSERT_TRUE(p.start(folder, {a}));
        HWND w = p.waitForWindow();
        ASSERT_NE(w, nullptr);
        ASSERT_TRUE(waitForRecord(a, kPlayWaitMs)) << readRecord();
        Sleep(1000);
        RECT r;
        ASSERT_TRUE(GetWindowRect(w, &r));
        std::vector<COLORREF> shown = screenAtButtons(r);
        DWORD t0 = GetTickCount();
        if (round == 0) PostMessageA(w, WM_CLOSE, 0, 0);
        else PostMessageA(w, WM_SYSKEYDOWN, VK_F4, LPARAM(1) << 29);   // Alt+F4
        // gone for the window manager and on the screen itself
        waitUntil([&] { return !IsWindow(w) || !IsWindowVisible(w); }, 10000);
        DWORD hidden = GetTickCount() - t0;
        waitUntil([&] { return goneFromScreen(r, shown); }, 10000);
        DWORD gone = GetTickCount() - t0;
        long code = p.waitForExit(10000);
        DWORD ended = GetTickCount() - t0;
        std::printf("%s: window hidden after %lu ms, off the screen after %lu ms, process ended after %lu ms\n",
                    round ? "Alt+F4" : "WM_CLOSE", static_cast<unsigned long>(hidden),
                    static_cast<unsigned long>(gone), static_cast<unsigned long>(ended));
        EXPECT_EQ(code, 0);
        EXPECT_LE(hidden, 300u);
        EXPECT_LE(gone, 300u);
        EXPECT_LE(ended, 1500u);
        EXPECT_EQ(folder.keysInFile(), saveOrderKeys());
    }
}

// The decoder thread's question does not hold its queue: while the free-format question is
// up, a play request for a good file plays it, and Close ends the program at once.
TEST(MainWindow, DecoderQuestionDoesNotBlockRequests) {
    std::string f = media("free_format.mp2"), b = media("long_b.mp2");
    ProgramFolder folder("question");
    SoundRecorder sound;
    EXPECT_TRUE(sound.start());
    Program p;
    clearRecord();
    ASSERT_TRUE(p.start(folder, {f}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    HWND box = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (box = findDialog(p.pid(), korvo::texts::kInvalidBitrateTitle)) != nullptr; },
                          kPlayWaitMs));
    EXPECT_EQ(dialogText(box), korvo::texts::kInvalidBitrateText);

    clearRecord();
    DWORD asked = GetTickCount();
    p.copyData(korvo::win::RequestPlayPath, b.data(), DWORD(b.size()));
    EXPECT_TRUE(waitForRecord(b, kPlayWaitMs)) << "the play request was lost: " << readRecord();
    if (sound.recording()) {
        EXPECT_NE(sound.waitForSound(asked, kPlayWaitMs), 0u) << "the good file is not heard";
    }

    DWORD t0 = GetTickCount();
    PostMessageA(p.window(), WM_CLOSE, 0, 0);
    long code = p.waitForExit(10000);
    std::printf("closed with the question up after %lu ms\n", static_cast<unsigned long>(GetTickCount() - t0));
    EXPECT_EQ(code, 0);
    EXPECT_LE(GetTickCount() - t0, 1500u);
}

// An output system the program does not have falls back to the sound device, which plays,
// and the setting is written back as 0.
TEST(MainWindow, UnknownOutputSystemPlaysToTheSoundDevice) {
    std::string a = media("long_a.mp2");
    SoundRecorder sound;
    EXPECT_TRUE(sound.start()) << "no capture device: the sink's monitor cannot be recorded";
    for (int value : {2, -1, 99}) {
        ProgramFolder folder("outputsystem");
        folder.setKey(kKeyAudioOutputSystem, value);
        Program p;
        clearRecord();
        DWORD started = GetTickCount();
        ASSERT_TRUE(p.start(folder, {a}));
        ASSERT_NE(p.waitForWindow(), nullptr) << value;
        EXPECT_TRUE(waitForRecord(a, kPlayWaitMs)) << value << ": " << readRecord();
        if (sound.recording()) {
            EXPECT_NE(sound.waitForSound(started, kPlayWaitMs), 0u) << value << ": not heard";
        }
        EXPECT_TRUE(p.running()) << value;
        PostMessageA(p.window(), WM_CLOSE, 0, 0);
        EXPECT_EQ(p.waitForExit(10000), 0) << value;
        EXPECT_EQ(folder.key(kKeyAudioOutputSystem, -7), 0) << value;
        Sleep(500);   // the next run's sound must not be this one's tail
    }
}

} // namespace
} // namespace korvo::uitest
