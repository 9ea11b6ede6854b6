// A library of 100,000 entries (100 tagged files, each listed 1,000 times) in a running
// LumenKorvo.exe: the editor shows every row at once, finds as the user types, and the main
// window's J jumps to an entry.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "settings/settings_texts.h"
#include "app/win32/main_window.h"
#include "app/win32/resource_ids.h"
#include "app/win32/win_texts.h"
#include "sound_recorder.h"
#include "test_support.h"
#include "ui_driver.h"

namespace korvo::uitest {
namespace {

constexpr int kFiles = 100;
constexpr int kRepeats = 1000;
constexpr int kEntries = kFiles * kRepeats;
constexpr int kWaitMs = 30000;
// Files found by the searches below: long enough to be still playing when looked at.
constexpr int kLongFiles[] = {10, 20, 30, 51};

std::string titleOfFile(int i) {
    switch (i) {
    case 10: return "Morning XYZ";
    case 20: return "the xyz hour";
    case 30: return "XyZ Tango";
    default: break;
    }
    char text[32];
    std::snprintf(text, sizeof text, "Song %03d", i);
    return text;
}

// What the list names the file: its tag's title, but for one Cyrillic name the tag cannot hold.
std::string listedTitle(int i) { return i == 40 ? "ВЕЧЕР Москва" : titleOfFile(i); }

// A copy of a test sound with an ID3v1 title.
std::string taggedFile(const std::string& dir, int i) {
    bool longOne = false;
    for (int l : kLongFiles) longOne = longOne || l == i;
    std::vector<uint8_t> bytes = korvo::test::readFileBytes(media(longOne ? "long_a.mp2" : "short_a.mp2"));
    std::vector<uint8_t> tag(128, 0);
    std::memcpy(tag.data(), "TAG", 3);
    const std::string title = titleOfFile(i);
    std::memcpy(tag.data() + 3, title.data(), title.size() < 30 ? title.size() : 30);
    tag[127] = 255;
    bytes.insert(bytes.end(), tag.begin(), tag.end());
    char name[32];
    std::snprintf(name, sizeof name, "\\f%03d.mp2", i);
    EXPECT_TRUE(korvo::test::writeFileBytes(dir + name, bytes));
    return dir + name;
}

// Entry n names file n % 100.
std::string writeLibrary(const std::string& dir, std::vector<std::string>& files) {
    for (int i = 0; i < kFiles; ++i) files.push_back(taggedFile(dir, i));
    const std::string pls = dir + "\\library.pls";
    std::ofstream out(pls, std::ios::binary);
    out << "[playlist]\n";
    for (int n = 0; n < kEntries; ++n)
        out << "File" << n + 1 << '=' << files[size_t(n % kFiles)] << "\nTitle" << n + 1 << '=' << listedTitle(n % kFiles)
            << '\n';
    out << "NumberOfEntries=" << kEntries << "\nVersion=2\n";
    return pls;
}

// Sent: another process's edit keeps its text to itself.
LRESULT textLength(HWND edit) { return SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0); }

LRESULT count(HWND list) { return SendMessageW(list, LB_GETCOUNT, 0, 0); }

bool waitForCount(HWND list, LRESULT n) {
    return waitUntil([&] { return count(list) == n; }, kWaitMs);
}

std::string row(int number, const std::string& name) {
    char text[256];
    std::snprintf(text, sizeof text, playlist_texts::kRowFormat, number, name.c_str());
    return text;
}

void screenshot(HWND window, const char* name) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    const std::string png = buildDir() + "\\" + name;
    EXPECT_TRUE(saveWindowPng(window, png, {})) << png;
    std::printf("screenshot: %s\n", png.c_str());
}

// The window with the keyboard focus in dlg's thread.
HWND focused(HWND dlg) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(dlg, nullptr), &info) ? info.hwndFocus : nullptr;
}

bool enabled(HWND dlg, int id) { return IsWindowEnabled(GetDlgItem(dlg, id)) != FALSE; }

TEST(LargeList, HundredThousandRowsFindAndJump) {
    ProgramFolder folder("large-list");
    // Read in place, 100,000 entries' tags would take most of a minute; the list's titles name them.
    folder.setKey(kKeyReadFileInfo, 0);
    std::vector<std::string> files;
    const std::string pls = writeLibrary(folder.dir(), files);
    Program p;
    ASSERT_TRUE(p.start(folder, {}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    p.command(IDM_PLAYLIST_EDITOR);
    HWND dlg = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (dlg = findDialog(p.pid(), korvo::win::kPlaylistEditorCaption)) != nullptr; },
                          kWaitMs));
    HWND list = GetDlgItem(dlg, IDC_PL_LIST), find = GetDlgItem(dlg, IDC_PL_FIND);
    char label[32] = {};
    SendMessageA(GetDlgItem(dlg, IDC_PL_FIND_LABEL), WM_GETTEXT, sizeof label, reinterpret_cast<LPARAM>(label));
    EXPECT_STREQ(label, korvo::win::kFindLabel);

    const DWORD t0 = GetTickCount();
    p.copyData(korvo::win::RequestAddPath, pls.c_str(), DWORD(pls.size()));
    ASSERT_TRUE(waitUntil([&] { return count(list) == kEntries; }, 120000)) << count(list);
    std::printf("100,000 rows shown %lu ms after the list was handed over\n", static_cast<unsigned long>(GetTickCount() - t0));
    EXPECT_EQ(rowText(list, kEntries - 1), row(kEntries, "Song 099"));
    EXPECT_EQ(rowText(list, 12345), row(12346, "Song 045"));

    // Typing in the list goes to the Find box: the rows holding "xyz" in any case
    const DWORD typed = GetTickCount();
    for (char c : std::string("xyz")) PostMessageW(list, WM_CHAR, WPARAM(c), 1);
    ASSERT_TRUE(waitUntil([&] { return textLength(find) == 3; }, kWaitMs));
    ASSERT_TRUE(waitForCount(list, 3 * kRepeats)) << count(list);
    std::printf("\"xyz\" typed and found in 100,000 rows after %lu ms\n", static_cast<unsigned long>(GetTickCount() - typed));
    EXPECT_EQ(rowText(list, 0), row(11, "Morning XYZ"));
    EXPECT_EQ(rowText(list, 1), row(21, "the xyz hour"));
    EXPECT_EQ(rowText(list, 2), row(31, "XyZ Tango"));
    EXPECT_EQ(rowText(list, 3), row(111, "Morning XYZ"));
    for (int id : {IDC_PL_UP, IDC_PL_DOWN, IDC_PL_SORT, IDC_PL_SHUFFLE}) EXPECT_FALSE(enabled(dlg, id)) << id;
    screenshot(dlg, "ui-playlist-editor-find.png");

    // Enter in the box plays the first row found
    SoundRecorder sound;
    EXPECT_TRUE(sound.start()) << "no capture device: the sink's monitor cannot be recorded";
    clearRecord();
    const DWORD pressed = GetTickCount();
    PostMessageW(find, WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_TRUE(waitForRecord(files[10], kWaitMs)) << readRecord();
    if (sound.recording()) {
        EXPECT_NE(sound.waitForSound(pressed, kWaitMs), 0u) << "the entry played no sound";
    }
    EXPECT_TRUE(IsWindow(dlg));   // Enter did not press Dismiss

    // Del Item takes the entries the selected rows show
    SendMessageW(list, LB_SETSEL, FALSE, -1);
    SendMessageW(list, LB_SELITEMRANGEEX, 0, 1);
    SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDC_PL_DELETE, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDC_PL_DELETE)));
    ASSERT_TRUE(waitForCount(list, 3 * kRepeats - 2)) << count(list);
    EXPECT_EQ(rowText(list, 0), row(29, "XyZ Tango"));

    // Escape shows every row again; the reordering buttons come back
    PostMessageW(find, WM_KEYDOWN, VK_ESCAPE, 1);
    ASSERT_TRUE(waitForCount(list, kEntries - 2)) << count(list);
    EXPECT_EQ(textLength(find), 0);
    EXPECT_EQ(rowText(list, 10), row(11, "Song 011"));
    for (int id : {IDC_PL_UP, IDC_PL_DOWN, IDC_PL_SORT, IDC_PL_SHUFFLE}) EXPECT_TRUE(enabled(dlg, id)) << id;

    // Ctrl+F, typed in the list, takes the keyboard to the Find box
    SendMessageW(dlg, WM_NEXTDLGCTL, WPARAM(list), TRUE);
    ASSERT_EQ(focused(dlg), list);
    SetForegroundWindow(dlg);
    Sleep(200);   // as the driver's pressKeys: the window comes to the front first
    keybd_event(VK_CONTROL, 0, 0, 0);
    keybd_event('F', 0, 0, 0);
    keybd_event('F', 0, KEYEVENTF_KEYUP, 0);
    keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
    EXPECT_TRUE(waitUntil([&] { return focused(dlg) == find; }, kWaitMs));

    // Case is folded in any script, typed in the list too
    SendMessageW(dlg, WM_NEXTDLGCTL, WPARAM(list), TRUE);
    for (wchar_t c : std::wstring(L"москва")) PostMessageW(list, WM_CHAR, WPARAM(c), 1);
    ASSERT_TRUE(waitUntil([&] { return textLength(find) == 6; }, kWaitMs)) << textLength(find);
    ASSERT_TRUE(waitForCount(list, kRepeats)) << count(list);
    EXPECT_EQ(rowText(list, 0), row(39, "ВЕЧЕР Москва"));
    PostMessageW(find, WM_KEYDOWN, VK_ESCAPE, 1);
    ASSERT_TRUE(waitForCount(list, kEntries - 2));

    // J in the main window: "Jump to" finds, Down picks the second row, Enter plays it
    PostMessageW(p.window(), WM_KEYDOWN, 'J', 1);
    HWND jump = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (jump = findDialog(p.pid(), korvo::win::kJumpCaption)) != nullptr; }, kWaitMs));
    HWND jumpList = GetDlgItem(jump, IDC_JUMP_LIST), jumpFind = GetDlgItem(jump, IDC_JUMP_FIND);
    EXPECT_TRUE(waitForCount(jumpList, kEntries - 2));
    SendMessageW(jumpFind, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"SONG 05"));
    ASSERT_TRUE(waitForCount(jumpList, 10 * kRepeats)) << count(jumpList);
    EXPECT_EQ(rowText(jumpList, 1), row(50, "Song 051"));
    screenshot(jump, "ui-jump-to.png");
    clearRecord();
    PostMessageW(jumpFind, WM_KEYDOWN, VK_DOWN, 1);
    PostMessageW(jumpFind, WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_TRUE(waitForRecord(files[51], kWaitMs)) << readRecord();
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(jump); }, kWaitMs));

    // Opened again on the long list, the editor shows every row at once
    p.command(IDM_PLAYLIST_EDITOR);
    ASSERT_FALSE(IsWindow(dlg));
    const DWORD opened = GetTickCount();
    p.command(IDM_PLAYLIST_EDITOR);
    ASSERT_TRUE(waitUntil([&] { return (dlg = findDialog(p.pid(), korvo::win::kPlaylistEditorCaption)) != nullptr; },
                          kWaitMs));
    EXPECT_EQ(count(GetDlgItem(dlg, IDC_PL_LIST)), kEntries - 2);
    std::printf("the editor opened on 99,998 rows in %lu ms\n", static_cast<unsigned long>(GetTickCount() - opened));

    PostMessageA(p.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(p.waitForExit(kWaitMs), 0);
}

} // namespace
} // namespace korvo::uitest
