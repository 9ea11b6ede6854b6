// The tag editor and the playlist editor of a running LumenKorvo.exe, driven through their
// own controls from outside.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "settings/settings.h"
#include "settings/settings_texts.h"
#include "app/win32/main_window.h"
#include "app/win32/playlist_editor.h"
#include "app/win32/resource_ids.h"
#include "app/win32/win_texts.h"
#include "platform/prompt.h"
#include "playlist/playlist.h"
#include "playlist/playlist_texts.h"
#include "../playlist/playlist_test_util.h"
#include "sound_recorder.h"
#include "test_support.h"
#include "ui_driver.h"

namespace korvo::uitest {
namespace {

using korvo::test::fileExists;
using korvo::test::mediaPath;
using korvo::test::readFileBytes;

constexpr int kWaitMs = 8000;

std::string controlText(HWND dlg, int id) {
    char text[512] = {};
    HWND c = GetDlgItem(dlg, id);
    if (!c) return "<no control>";
    SendMessageA(c, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

void setControlText(HWND dlg, int id, const char* text) {
    SendMessageA(GetDlgItem(dlg, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

// Presses a dialog button the way a click does; post when the press may open a box.
void pressButton(HWND dlg, int id, bool post = false) {
    WPARAM w = MAKEWPARAM(id, BN_CLICKED);
    LPARAM l = reinterpret_cast<LPARAM>(GetDlgItem(dlg, id));
    if (post) PostMessageA(dlg, WM_COMMAND, w, l);
    else SendMessageA(dlg, WM_COMMAND, w, l);
}

HWND waitForDialog(DWORD pid, const char* title, int timeoutMs = kWaitMs) {
    HWND d = nullptr;
    waitUntil([&] { return (d = findDialog(pid, title)) != nullptr; }, timeoutMs);
    return d;
}

// Confirms the message box of that title and returns its text ("" when none came).
std::string takeBox(DWORD pid, const char* title, int timeoutMs = kWaitMs) {
    HWND box = waitForDialog(pid, title, timeoutMs);
    if (!box) return "";
    std::string text = dialogText(box);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    waitUntil([&] { return !IsWindow(box); }, 3000);
    return text;
}

std::string format(const char* f, const std::string& arg) {
    char text[1024];
    std::snprintf(text, sizeof text, f, arg.c_str());
    return text;
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A copy of a test sound without a tag, in a folder of its own.
std::string untaggedCopy(const std::string& dir, const char* name) {
    std::string src = mediaPath("winapp/long_a.mp2");
    EXPECT_TRUE(fileExists(src)) << src << " is missing (tests/media/winapp.sh makes it)";
    std::vector<uint8_t> bytes = readFileBytes(src);
    if (bytes.size() >= 128 && std::memcmp(bytes.data() + bytes.size() - 128, "TAG", 3) == 0) bytes.resize(bytes.size() - 128);
    std::string path = dir + "\\" + name;
    writeBytes(path, bytes);
    return path;
}

// A trailer as the program writes it (fields padded with spaces) or as other taggers may
// (fill 0).
std::vector<uint8_t> tagBlock(const char* title, const char* artist, const char* album, const char* year,
                              const char* comment, uint8_t genre, char fill = ' ') {
    std::vector<uint8_t> b(128, uint8_t(fill));
    std::memcpy(b.data(), "TAG", 3);
    auto put = [&b](int offset, int width, const char* text) {
        for (int i = 0; i < width && text[i]; ++i) b[size_t(offset + i)] = uint8_t(text[i]);
    };
    put(3, 30, title);
    put(33, 30, artist);
    put(63, 30, album);
    put(93, 4, year);
    put(97, 30, comment);
    b[127] = genre;
    return b;
}

std::vector<uint8_t> lastTag(const std::vector<uint8_t>& bytes) {
    if (bytes.size() < 128) return {};
    return std::vector<uint8_t>(bytes.end() - 128, bytes.end());
}

// Sent, so the dialog is complete (its controls made and filled) when this returns.
HWND openTagEditor(Program& p) {
    p.command(IDM_TAG_EDITOR);
    return waitForDialog(p.pid(), korvo::win::kTagEditorCaption);
}

void closeProgram(Program& p) {
    PostMessageA(p.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(p.waitForExit(10000), 0);
}

TEST(EditorTags, UntaggedFileGetsDefaultsAndSaveWritesThem) {
    ProgramFolder folder("tags-defaults");
    std::string file = untaggedCopy(folder.dir(), "plain.mp2");
    const std::vector<uint8_t> original = readFileBytes(file);
    Program p;
    ASSERT_TRUE(p.start(folder, {file}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    HWND dlg = openTagEditor(p);
    ASSERT_NE(dlg, nullptr);

    EXPECT_EQ(controlText(dlg, IDC_TAG_PATH), file);
    for (int id : {IDC_TAG_ARTIST, IDC_TAG_TITLE, IDC_TAG_ALBUM, IDC_TAG_COMMENT})
        EXPECT_EQ(controlText(dlg, id), korvo::win::kTagNoTagText) << id;
    EXPECT_EQ(controlText(dlg, IDC_TAG_YEAR), "1998");
    EXPECT_NE(GetDlgItem(dlg, IDC_TAG_YEAR_SPIN), nullptr);
    EXPECT_EQ(GetWindow(dlg, GW_OWNER), p.window());

    // saving unchanged appends exactly the default tag
    pressButton(dlg, IDC_TAG_SAVE);
    std::vector<uint8_t> saved = readFileBytes(file);
    ASSERT_EQ(saved.size(), original.size() + 128);
    EXPECT_TRUE(std::equal(original.begin(), original.end(), saved.begin()));
    EXPECT_EQ(lastTag(saved), tagBlock("Edit Me!", "Edit Me!", "Edit Me!", "1998", "Edit Me!", 0));
    EXPECT_EQ(findDialog(p.pid(), korvo::win::kErrorTitle), nullptr);

    // 35 typed characters keep their first 29; the year takes digits only
    HWND title = GetDlgItem(dlg, IDC_TAG_TITLE);
    setControlText(dlg, IDC_TAG_TITLE, "");
    const std::string typed = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghi";
    ASSERT_EQ(typed.size(), 35u);
    for (char c : typed) SendMessageA(title, WM_CHAR, WPARAM(c), 1);
    HWND year = GetDlgItem(dlg, IDC_TAG_YEAR);
    setControlText(dlg, IDC_TAG_YEAR, "");
    for (char c : std::string("2x0a01")) SendMessageA(year, WM_CHAR, WPARAM(c), 1);
    EXPECT_EQ(controlText(dlg, IDC_TAG_YEAR), "2001");
    pressButton(dlg, IDC_TAG_SAVE);
    saved = readFileBytes(file);
    ASSERT_EQ(saved.size(), original.size() + 128);
    EXPECT_EQ(lastTag(saved), tagBlock(typed.substr(0, 29).c_str(), "Edit Me!", "Edit Me!", "2001", "Edit Me!", 0));

    // Wipe Tag takes it off again; on an untagged file it changes nothing and says nothing
    pressButton(dlg, IDC_TAG_WIPE);
    EXPECT_EQ(readFileBytes(file), original);
    pressButton(dlg, IDC_TAG_WIPE);
    EXPECT_EQ(readFileBytes(file), original);
    EXPECT_EQ(findDialog(p.pid(), korvo::win::kErrorTitle), nullptr);
    EXPECT_EQ(controlText(dlg, IDC_TAG_ARTIST), korvo::win::kTagNoTagText);   // the edits keep their text

    SetForegroundWindow(dlg);
    RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(1000);
    std::string png = buildDir() + "\\ui-tag-editor.png";
    EXPECT_TRUE(saveWindowPng(dlg, png, {})) << png;
    std::printf("screenshot: %s\n", png.c_str());

    // the command closes an open editor
    p.command(IDM_TAG_EDITOR);
    EXPECT_FALSE(IsWindow(dlg));
    closeProgram(p);
}

TEST(EditorTags, ReadsTheFileTagAndItsYearNumber) {
    ProgramFolder folder("tags-read");
    std::string file = untaggedCopy(folder.dir(), "tagged.mp2");
    std::vector<uint8_t> bytes = readFileBytes(file);
    std::vector<uint8_t> tag = tagBlock("A Title", "An Artist", "An Album", "19a7", "A Comment", 17, 0);
    bytes.insert(bytes.end(), tag.begin(), tag.end());
    writeBytes(file, bytes);
    Program p;
    ASSERT_TRUE(p.start(folder, {file}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    HWND dlg = openTagEditor(p);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(controlText(dlg, IDC_TAG_TITLE), "A Title");
    EXPECT_EQ(controlText(dlg, IDC_TAG_ARTIST), "An Artist");
    EXPECT_EQ(controlText(dlg, IDC_TAG_ALBUM), "An Album");
    EXPECT_EQ(controlText(dlg, IDC_TAG_COMMENT), "A Comment");
    EXPECT_EQ(controlText(dlg, IDC_TAG_YEAR), "19");

    // saving keeps the file's genre
    pressButton(dlg, IDC_TAG_SAVE);
    std::vector<uint8_t> saved = readFileBytes(file);
    ASSERT_EQ(saved.size(), bytes.size());
    EXPECT_EQ(lastTag(saved), tagBlock("A Title", "An Artist", "An Album", "19", "A Comment", 17));
    pressButton(dlg, IDCANCEL);
    EXPECT_FALSE(IsWindow(dlg));
    closeProgram(p);
}

// An ID3v1.1 trailer: the comment's last two bytes hold a zero and the track number.
std::vector<uint8_t> withTrack(std::vector<uint8_t> tag, uint8_t track) {
    tag[125] = 0;
    tag[126] = track;
    return tag;
}

// A file that another program holds without write sharing (as a read-only file refuses
// writing): saving and wiping report the open for writing and leave every byte. A save whose
// write fails (the disk full) is reported and leaves every byte too; a save that succeeds
// keeps the track number.
TEST(EditorTags, LockedFileKeepsItsBytes) {
    ProgramFolder folder("tags-locked");
    std::string file = untaggedCopy(folder.dir(), "locked.mp2");
    std::vector<uint8_t> bytes = readFileBytes(file);
    std::vector<uint8_t> tag = withTrack(tagBlock("Old", "Old", "Old", "1990", "Old", 3), 7);
    bytes.insert(bytes.end(), tag.begin(), tag.end());
    writeBytes(file, bytes);
    HANDLE lock = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    Program p;
    ASSERT_TRUE(p.start(folder, {file}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    HWND dlg = openTagEditor(p);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(controlText(dlg, IDC_TAG_TITLE), "Old");
    setControlText(dlg, IDC_TAG_TITLE, "New");
    pressButton(dlg, IDC_TAG_SAVE, true);
    EXPECT_EQ(takeBox(p.pid(), korvo::win::kErrorTitle), format(korvo::win::kErrorOpeningForWriting, file));
    EXPECT_EQ(readFileBytes(file), bytes);
    pressButton(dlg, IDC_TAG_WIPE, true);
    EXPECT_EQ(takeBox(p.pid(), korvo::win::kErrorTitle), format(korvo::win::kErrorOpeningForWriting, file));
    EXPECT_EQ(readFileBytes(file), bytes);
    CloseHandle(lock);

    // no room for the tag: the old one lies past what the program may write
    ASSERT_TRUE(p.limitFileSize((long long)bytes.size() - 200));
    pressButton(dlg, IDC_TAG_SAVE, true);
    EXPECT_EQ(takeBox(p.pid(), korvo::win::kErrorTitle), format(korvo::win::kErrorWriting, file));
    EXPECT_EQ(readFileBytes(file), bytes);
    ASSERT_TRUE(p.limitFileSize(-1));

    pressButton(dlg, IDC_TAG_SAVE);
    EXPECT_EQ(findDialog(p.pid(), korvo::win::kErrorTitle), nullptr);
    std::vector<uint8_t> saved = readFileBytes(file);
    ASSERT_EQ(saved.size(), bytes.size());
    EXPECT_EQ(lastTag(saved), withTrack(tagBlock("New", "Old", "Old", "1990", "Old", 3), 7));
    closeProgram(p);
}

TEST(EditorTags, UrlEntryCannotBeOpened) {
    const std::string url = "http://127.0.0.1:9/none.mp3";
    ProgramFolder folder("tags-url");
    Program p;
    ASSERT_TRUE(p.start(folder, {}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    // a playlist file brings the URL in without playing it
    std::string list = folder.dir() + "\\url.pls";
    {
        std::ofstream pls(list);
        pls << "[playlist]\nFile1=" << url << "\nNumberOfEntries=1\n";
    }
    p.copyData(korvo::win::RequestAddPath, list.c_str(), DWORD(list.size()));
    p.postCommand(IDM_TAG_EDITOR);
    EXPECT_EQ(takeBox(p.pid(), korvo::win::kErrorTitle), format(korvo::win::kErrorOpening, url));
    HWND dlg = waitForDialog(p.pid(), korvo::win::kTagEditorCaption);
    ASSERT_NE(dlg, nullptr);
    EXPECT_TRUE(waitUntil([&] { return IsWindowVisible(dlg) != FALSE; }, kWaitMs));   // shown when complete
    EXPECT_EQ(controlText(dlg, IDC_TAG_TITLE), korvo::win::kTagNoTagText);
    EXPECT_EQ(controlText(dlg, IDC_TAG_YEAR), "1998");
    closeProgram(p);
}


// The window's pixels as the screen shows them.
std::vector<uint8_t> screenPixels(HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(mem, old);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    std::vector<uint8_t> px(size_t(width) * size_t(height) * 4);
    GetDIBits(mem, bmp, 0, UINT(height), px.data(), &bi, DIB_RGB_COLORS);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return px;
}

bool contains(const std::vector<uint8_t>& bytes, const std::string& text) {
    return std::search(bytes.begin(), bytes.end(), text.begin(), text.end()) != bytes.end();
}

std::vector<std::string> rows(HWND dlg);
HWND openPlaylistEditor(Program& p);

// A file that ffmpeg tagged (ID3v2.4 with a picture and ReplayGain frames): the editor shows
// its ID3v2 fields and its genre among 148 and an empty choice; a save writes both tags (an
// empty year and the empty genre as none) and at once changes the file's row and the main
// window's display; Wipe Tag removes both tags and the row falls back to the file's name.
TEST(EditorTags, SaveChangesTheId3v2TagTheRowAndTheDisplay) {
    ProgramFolder folder("tags-id3v2");
    const std::string src = mediaPath("playlist/tagged_v24.mp3");
    ASSERT_TRUE(fileExists(src)) << src << " is missing (tests/media/playlist.sh makes it)";
    const std::string file = folder.dir() + "\\tagged.mp3";
    const std::vector<uint8_t> original = readFileBytes(src);
    writeBytes(file, original);
    Program p;
    ASSERT_TRUE(p.start(folder, {}));
    HWND w = p.waitForWindow();
    ASSERT_NE(w, nullptr);
    // added, not played: the display stands still
    p.copyData(korvo::win::RequestAddPath, file.c_str(), DWORD(file.size()));
    HWND list = openPlaylistEditor(p);
    ASSERT_NE(list, nullptr);
    // the request is run after the editor may have opened, and the tag is read in the
    // background: the row is named by the file until it arrives
    EXPECT_TRUE(waitUntil([&] {
        const std::vector<std::string> r = rows(list);
        return r.size() == 1u && r[0].find("Tone Title") != std::string::npos;
    }, 10000)) << ::testing::PrintToString(rows(list));
    ASSERT_EQ(rows(list).size(), 1u);

    HWND dlg = openTagEditor(p);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(controlText(dlg, IDC_TAG_TITLE), "Tone Title");
    EXPECT_EQ(controlText(dlg, IDC_TAG_ARTIST), "Tone Artist");
    EXPECT_EQ(controlText(dlg, IDC_TAG_ALBUM), "Tone Album");
    EXPECT_EQ(controlText(dlg, IDC_TAG_COMMENT), "");
    EXPECT_EQ(controlText(dlg, IDC_TAG_YEAR), "2021");
    EXPECT_EQ(controlText(dlg, IDC_TAG_GENRE), "Rock");
    HWND genre = GetDlgItem(dlg, IDC_TAG_GENRE);
    EXPECT_EQ(SendMessageA(genre, CB_GETCOUNT, 0, 0), 149);

    // the main window in the clear, stopped: its display changes only with its text
    RECT r;
    GetWindowRect(w, &r);
    SetWindowPos(dlg, nullptr, r.right + 20, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(list, nullptr, r.right + 20, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(w, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    Sleep(500);
    const std::vector<uint8_t> before = screenPixels(w);
    Sleep(700);
    ASSERT_EQ(screenPixels(w), before) << "the display changes by itself";

    const std::string shotBefore = buildDir() + "\\ui-tag-editor-id3v2-before.png";
    EXPECT_TRUE(saveWindowPng(dlg, shotBefore, {})) << shotBefore;
    std::printf("screenshot: %s\n", shotBefore.c_str());

    setControlText(dlg, IDC_TAG_TITLE, "Renamed Title");
    setControlText(dlg, IDC_TAG_YEAR, "");
    SendMessageA(genre, CB_SETCURSEL, 0, 0);   // sorted: the empty choice comes first
    EXPECT_EQ(controlText(dlg, IDC_TAG_GENRE), "");
    pressButton(dlg, IDC_TAG_SAVE);
    EXPECT_EQ(findDialog(p.pid(), korvo::win::kErrorTitle), nullptr);
    EXPECT_NE(rows(list)[0].find("Renamed Title"), std::string::npos) << rows(list)[0];
    EXPECT_TRUE(waitUntil([&] { return screenPixels(w) != before; }, kWaitMs)) << "the display kept the old title";
    const std::string shotAfter = buildDir() + "\\ui-tag-editor-id3v2-after.png";
    EXPECT_TRUE(saveWindowPng(dlg, shotAfter, {})) << shotAfter;
    std::printf("screenshot: %s\n", shotAfter.c_str());

    const std::vector<uint8_t> saved = readFileBytes(file);
    ASSERT_GT(saved.size(), 138u);
    EXPECT_EQ(std::string(saved.begin(), saved.begin() + 4), std::string("ID3\x04", 4));
    EXPECT_TRUE(contains(saved, "Renamed Title"));
    EXPECT_TRUE(contains(saved, "APIC"));
    EXPECT_TRUE(contains(saved, "REPLAYGAIN_TRACK_GAIN"));
    EXPECT_FALSE(contains(saved, "TDRC"));
    EXPECT_FALSE(contains(saved, "TCON"));
    std::vector<uint8_t> trailer = tagBlock("Renamed Title", "Tone Artist", "Tone Album", "", "", 255);
    trailer[125] = 0;
    trailer[126] = 3;   // the track number, from TRCK "3/12"
    EXPECT_EQ(lastTag(saved), trailer);

    pressButton(dlg, IDC_TAG_WIPE);
    const std::vector<uint8_t> wiped = readFileBytes(file);
    ASSERT_GT(wiped.size(), 3u);
    EXPECT_NE(std::string(wiped.begin(), wiped.begin() + 3), "ID3");
    EXPECT_FALSE(contains(lastTag(wiped), "TAG"));
    EXPECT_EQ(rows(list)[0].find("Renamed Title"), std::string::npos) << rows(list)[0];
    EXPECT_NE(rows(list)[0].find("tagged"), std::string::npos) << rows(list)[0];
    closeProgram(p);
}

// ---- playlist editor ----

// A silent stand-in of `seconds` seconds: one MPEG-2 layer III header at 8 kbit/s (1000
// bytes a second) and zeros; freeFormat: a header without a table bitrate (play time unknown).
std::string timedFile(const std::string& dir, const char* name, int seconds, bool freeFormat = false,
                      const std::vector<uint8_t>& tag = {}) {
    std::vector<uint8_t> bytes(size_t(seconds) * 1000 - tag.size(), 0);
    const uint8_t header[4] = {0xFF, 0xF3, uint8_t(freeFormat ? 0x00 : 0x10), 0xC0};
    std::memcpy(bytes.data(), header, 4);
    bytes.insert(bytes.end(), tag.begin(), tag.end());
    std::string path = dir + "\\" + name;
    writeBytes(path, bytes);
    return path;
}

void addPaths(Program& p, const std::vector<std::string>& paths) {
    for (const std::string& path : paths) p.copyData(korvo::win::RequestAddPath, path.c_str(), DWORD(path.size()));
}

HWND openPlaylistEditor(Program& p) {
    p.command(IDM_PLAYLIST_EDITOR);
    return waitForDialog(p.pid(), korvo::win::kPlaylistEditorCaption);
}

std::vector<std::string> rows(HWND dlg) {
    HWND list = GetDlgItem(dlg, IDC_PL_LIST);
    std::vector<std::string> out;
    int n = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        out.push_back(rowText(list, i));
    }
    return out;
}

std::vector<int> selection(HWND dlg) {
    HWND list = GetDlgItem(dlg, IDC_PL_LIST);
    std::vector<int> out;
    int n = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i)
        if (SendMessageA(list, LB_GETSEL, WPARAM(i), 0) > 0) out.push_back(i);
    return out;
}

// Selects exactly these rows and tells the dialog, as a click would.
void select(HWND dlg, const std::vector<int>& which) {
    HWND list = GetDlgItem(dlg, IDC_PL_LIST);
    SendMessageA(list, LB_SETSEL, FALSE, -1);
    for (int i : which) SendMessageA(list, LB_SETSEL, TRUE, i);
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_PL_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

std::string withoutNumber(const std::string& row) {
    size_t at = row.find("> ");
    return at == std::string::npos ? row : row.substr(at + 2);
}

std::string row(int number, const std::string& name) {
    char text[600];
    std::snprintf(text, sizeof text, playlist_texts::kRowFormat, number, name.c_str());
    return text;
}

std::string playtime(int h, int m, int sec) {
    char text[64];
    std::snprintf(text, sizeof text, playlist_texts::kPlaytimeFormat, h, m, sec);
    return text;
}

TEST(EditorPlaylist, RowsSelectionLabelMoveAndDelete) {
    ProgramFolder folder("pl-rows");
    const std::string d = folder.dir();
    std::vector<std::string> files = {
        timedFile(d, "hour.mp3", 3600),
        timedFile(d, "tagged.mp3", 125, false, tagBlock("Song", "Band", "", "2000", "", 0)),
        timedFile(d, "unknown.mp3", 10, true),
        timedFile(d, "ten.mp3", 10),
        timedFile(d, "twenty.mp3", 20),
    };
    Program p;
    ASSERT_TRUE(p.start(folder, {}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    addPaths(p, files);
    HWND dlg = openPlaylistEditor(p);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(GetWindow(dlg, GW_OWNER), nullptr);
    std::vector<std::string> r = rows(dlg);
    ASSERT_EQ(r.size(), 5u);
    EXPECT_EQ(r[0].rfind("1> hour", 0), 0u) << r[0];
    EXPECT_EQ(r[1], row(2, "Song / Band"));
    EXPECT_EQ(r[4].rfind("5> twenty", 0), 0u) << r[4];
    EXPECT_EQ(controlText(dlg, IDC_PL_PLAYTIME), playtime(1, 0, 0));   // the current entry's time

    // the label: 3,725 s, nothing, an entry without a known time
    select(dlg, {0, 1});
    EXPECT_EQ(controlText(dlg, IDC_PL_PLAYTIME), playtime(1, 2, 5));
    select(dlg, {});
    EXPECT_EQ(controlText(dlg, IDC_PL_PLAYTIME), playtime(0, 0, 0));
    select(dlg, {2});
    EXPECT_EQ(controlText(dlg, IDC_PL_PLAYTIME), playlist_texts::kPlaytimeUnknown);

    // positions 2 and 3 down by one: the same two items, still selected
    select(dlg, {2, 3});
    pressButton(dlg, IDC_PL_DOWN);
    EXPECT_EQ(selection(dlg), (std::vector<int>{3, 4}));
    std::vector<std::string> moved = rows(dlg);
    ASSERT_EQ(moved.size(), 5u);
    EXPECT_EQ(withoutNumber(moved[3]), withoutNumber(r[2]));
    EXPECT_EQ(withoutNumber(moved[4]), withoutNumber(r[3]));
    EXPECT_EQ(withoutNumber(moved[2]), withoutNumber(r[4]));
    EXPECT_EQ(moved[3].rfind("4> ", 0), 0u);
    // and up again
    pressButton(dlg, IDC_PL_UP);
    EXPECT_EQ(selection(dlg), (std::vector<int>{2, 3}));
    EXPECT_EQ(rows(dlg), r);

    // select all, Delete: nothing left
    select(dlg, {0, 1, 2, 3, 4});
    HWND list = GetDlgItem(dlg, IDC_PL_LIST);
    PostMessageA(list, WM_KEYDOWN, VK_DELETE, 1);
    EXPECT_TRUE(waitUntil([&] { return SendMessageA(list, LB_GETCOUNT, 0, 0) == 0; }, 3000));
    EXPECT_EQ(findDialog(p.pid(), korvo::win::kErrorTitle), nullptr);

    // the command closes the editor
    p.command(IDM_PLAYLIST_EDITOR);
    EXPECT_FALSE(IsWindow(dlg));
    closeProgram(p);
}

// Double click plays the row; the rectangle goes to the INI file after a move and a close.
TEST(EditorPlaylist, DoubleClickPlaysAndRectangleIsKept) {
    std::string a = mediaPath("winapp/long_a.mp2"), b = mediaPath("winapp/long_b.mp2"), c = mediaPath("winapp/long_c.mp2");
    ProgramFolder folder("pl-play");
    folder.setKey(kKeyPlaylistX, 40);
    folder.setKey(kKeyPlaylistY, 50);
    folder.setKey(kKeyPlaylistW, 400);
    folder.setKey(kKeyPlaylistH, 300);
    Program p;
    clearRecord();
    ASSERT_TRUE(p.start(folder, {a, b, c}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    ASSERT_TRUE(waitForRecord(a, kWaitMs)) << readRecord();
    HWND dlg = openPlaylistEditor(p);
    ASSERT_NE(dlg, nullptr);
    RECT wr;
    ASSERT_TRUE(GetWindowRect(dlg, &wr));
    EXPECT_EQ(wr.left, 40);
    EXPECT_EQ(wr.top, 50);
    EXPECT_EQ(wr.right - wr.left, 400);
    EXPECT_EQ(wr.bottom - wr.top, 300);
    EXPECT_EQ(selection(dlg), (std::vector<int>{0}));   // the current entry

    // layout: the list fills the left, Dismiss sits at the bottom right
    RECT client, listRect, dismiss;
    GetClientRect(dlg, &client);
    GetWindowRect(GetDlgItem(dlg, IDC_PL_LIST), &listRect);
    GetWindowRect(GetDlgItem(dlg, IDOK), &dismiss);
    POINT lt{listRect.left, listRect.top}, dr{dismiss.right, dismiss.bottom};
    ScreenToClient(dlg, &lt);
    ScreenToClient(dlg, &dr);
    EXPECT_EQ(lt.x, 3);
    EXPECT_EQ(lt.y, 3);
    EXPECT_EQ(dr.x, client.right - 2);
    EXPECT_EQ(dr.y, client.bottom - 4);

    // too small is refused
    SetWindowPos(dlg, nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(GetWindowRect(dlg, &wr));
    EXPECT_GE(wr.right - wr.left, 280);
    EXPECT_GE(wr.bottom - wr.top, 255);

    clearRecord();
    HWND list = GetDlgItem(dlg, IDC_PL_LIST);
    SendMessageA(list, LB_SETCARETINDEX, 2, 0);
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_PL_LIST, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
    EXPECT_TRUE(waitForRecord(c, kWaitMs)) << readRecord();
    // Enter in the list plays the caret row too
    clearRecord();
    SendMessageA(list, LB_SETCARETINDEX, 1, 0);
    PostMessageA(list, WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_TRUE(waitForRecord(b, kWaitMs)) << readRecord();
    EXPECT_TRUE(IsWindow(dlg));   // Enter did not press Dismiss

    SetWindowPos(dlg, nullptr, 70, 80, 420, 330, SWP_NOZORDER | SWP_NOACTIVATE);
    PostMessageA(dlg, WM_CLOSE, 0, 0);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(dlg); }, 3000));
    closeProgram(p);
    EXPECT_EQ(folder.key(kKeyPlaylistX, -1), 70);
    EXPECT_EQ(folder.key(kKeyPlaylistY, -1), 80);
    EXPECT_EQ(folder.key(kKeyPlaylistW, -1), 420);
    EXPECT_EQ(folder.key(kKeyPlaylistH, -1), 330);
}

// Twenty thousand rows appear at once (redrawing is suspended while they are added).
TEST(EditorPlaylist, TwentyThousandRows) {
    ProgramFolder folder("pl-large");
    std::string file = timedFile(folder.dir(), "one.mp3", 5);
    std::string list = folder.dir() + "\\large.m3u";
    {
        std::ofstream m3u(list);
        for (int i = 0; i < 20000; ++i) m3u << file << "\n";
    }
    Program p;
    ASSERT_TRUE(p.start(folder, {}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    // The editor is open before the list arrives: the rows come while it shows (opened after,
    // it would race the queued request for the program's one thread).
    HWND dlg = openPlaylistEditor(p);
    ASSERT_NE(dlg, nullptr);
    DWORD t0 = GetTickCount();
    p.copyData(korvo::win::RequestAddPath, list.c_str(), DWORD(list.size()));
    ASSERT_TRUE(waitUntil([&] { return SendMessageA(GetDlgItem(dlg, IDC_PL_LIST), LB_GETCOUNT, 0, 0) == 20000; }, 60000));
    DWORD shown = GetTickCount() - t0;
    std::printf("20,000-row list shown in %lu ms\n", static_cast<unsigned long>(shown));
    std::string last = rowText(GetDlgItem(dlg, IDC_PL_LIST), 19999);
    EXPECT_EQ(last.rfind("20000> one", 0), 0u) << last;
    RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(500);
    std::string png = buildDir() + "\\ui-playlist-editor.png";
    EXPECT_TRUE(saveWindowPng(dlg, png, {})) << png;
    std::printf("screenshot: %s\n", png.c_str());
    closeProgram(p);
}

// Sort from the popup's commands, Add URL through dialog 125 owned by the editor, Clear.
TEST(EditorPlaylist, SortAddUrlAndClear) {
    ProgramFolder folder("pl-sort");
    const std::string d = folder.dir();
    std::vector<std::string> files = {timedFile(d, "b.mp3", 10), timedFile(d, "c.mp3", 10), timedFile(d, "a.mp3", 10)};
    Program p;
    ASSERT_TRUE(p.start(folder, {}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    addPaths(p, files);
    HWND dlg = openPlaylistEditor(p);
    ASSERT_NE(dlg, nullptr);
    auto names = [&] {
        std::vector<std::string> out;
        for (const std::string& r : rows(dlg)) out.push_back(withoutNumber(r).substr(0, 1));
        return out;
    };
    SendMessageA(dlg, WM_COMMAND, IDM_SORT_ASCENDING, 0);
    EXPECT_EQ(names(), (std::vector<std::string>{"a", "b", "c"}));
    SendMessageA(dlg, WM_COMMAND, IDM_SORT_DESCENDING, 0);
    EXPECT_EQ(names(), (std::vector<std::string>{"c", "b", "a"}));
    EXPECT_EQ(rows(dlg)[0].rfind("1> c", 0), 0u);

    const std::string url = "http://127.0.0.1:9/stream.mp3";
    PostMessageA(dlg, WM_COMMAND, IDM_ADD_URL, 0);
    HWND open = waitForDialog(p.pid(), TXT_OPEN_URL_CAPTION);
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(GetWindow(open, GW_OWNER), dlg);
    SendDlgItemMessageA(open, IDC_URL_EDIT, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(url.c_str()));
    PostMessageA(open, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(waitUntil([&] { return rows(dlg).size() == 4; }, kWaitMs));
    EXPECT_EQ(findDialog(p.pid(), korvo::win::kErrorTitle), nullptr);

    pressButton(dlg, IDC_PL_CLEAR);
    EXPECT_TRUE(rows(dlg).empty());
    closeProgram(p);
}

// The file-name field of a common file dialog: set the name and press OK.
void chooseFile(HWND dlg, const std::string& path) {
    HWND name = GetDlgItem(dlg, 0x47c);   // cmb13, the Explorer style's name box
    if (!name) name = GetDlgItem(dlg, 0x480);   // edt1
    ASSERT_NE(name, nullptr);
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageA(dlg, WM_COMMAND, IDOK, 0);
}

// The save dialog's own title is the platform's: any dialog of the process that is neither
// the editor nor the main window.
struct OtherDialog {
    DWORD pid;
    HWND editor;
    HWND found = nullptr;
};

BOOL CALLBACK findOtherDialog(HWND w, LPARAM lp) {
    auto* d = reinterpret_cast<OtherDialog*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    char cls[16] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (pid == d->pid && w != d->editor && std::strcmp(cls, "#32770") == 0 && IsWindowVisible(w)) {
        d->found = w;
        return FALSE;
    }
    return TRUE;
}

HWND waitForFileDialog(DWORD pid, HWND editor) {
    OtherDialog d{pid, editor};
    waitUntil([&] {
        d.found = nullptr;
        EnumWindows(findOtherDialog, reinterpret_cast<LPARAM>(&d));
        return d.found != nullptr;
    }, kWaitMs);
    return d.found;
}

std::vector<std::string> plsPaths(const std::string& pls) {
    Playlist list;
    list.readPlsFile(pls.c_str());
    std::vector<std::string> out;
    for (const PlaylistEntry* e = list.head(); e; e = e->next) out.push_back(e->path);
    return out;
}

TEST(EditorPlaylist, SaveListLoadListAndWriteError) {
    ProgramFolder folder("pl-files");
    const std::string d = folder.dir();
    std::vector<std::string> files = {timedFile(d, "one.mp3", 10), timedFile(d, "two.mp3", 20), timedFile(d, "three.mp3", 30)};
    Program p;
    ASSERT_TRUE(p.start(folder, {}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    addPaths(p, files);
    HWND dlg = openPlaylistEditor(p);
    ASSERT_NE(dlg, nullptr);
    // the added paths are run after the editor may have opened
    EXPECT_TRUE(waitUntil([&] { return rows(dlg).size() == 3u; }, 10000));
    const std::vector<std::string> before = rows(dlg);
    ASSERT_EQ(before.size(), 3u);

    // Save List writes a list that reads back the same
    const std::string saved = d + "\\saved.pls";
    pressButton(dlg, IDC_PL_SAVE, true);
    HWND save = waitForFileDialog(p.pid(), dlg);
    ASSERT_NE(save, nullptr);
    chooseFile(save, saved);
    ASSERT_TRUE(waitUntil([&] { return fileExists(saved) && !IsWindow(save); }, kWaitMs));
    Sleep(300);
    EXPECT_EQ(plsPaths(saved), files);

    // Load List cancelled keeps the list
    pressButton(dlg, IDC_PL_LOAD, true);
    HWND load = waitForDialog(p.pid(), korvo::win::kOpenFilesTitle);
    ASSERT_NE(load, nullptr);
    PostMessageA(load, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(load); }, kWaitMs));
    EXPECT_EQ(rows(dlg), before);

    // Load List replaces the list with the file's
    const std::string other = d + "\\other.pls";
    {
        std::ofstream pls(other);
        pls << "[playlist]\nFile1=" << files[2] << "\nNumberOfEntries=1\n";
    }
    pressButton(dlg, IDC_PL_LOAD, true);
    load = waitForDialog(p.pid(), korvo::win::kOpenFilesTitle);
    ASSERT_NE(load, nullptr);
    chooseFile(load, other);
    EXPECT_TRUE(waitUntil([&] { return rows(dlg).size() == 1; }, kWaitMs));
    std::vector<std::string> after = rows(dlg);
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(withoutNumber(after[0]), withoutNumber(before[2]));

    // a list file that cannot be written is reported and keeps its bytes
    const std::string locked = d + "\\locked.pls";
    const std::string lockedList = "[playlist]\r\nFile1=old.mp3\r\nNumberOfEntries=1\r\n";
    writeBytes(locked, std::vector<uint8_t>(lockedList.begin(), lockedList.end()));
    HANDLE lock = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    pressButton(dlg, IDC_PL_SAVE, true);
    save = waitForFileDialog(p.pid(), dlg);
    ASSERT_NE(save, nullptr);
    chooseFile(save, locked);
    HWND box = waitForDialog(p.pid(), korvo::win::kErrorTitle);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(GetWindow(box, GW_OWNER), dlg);
    EXPECT_EQ(takeBox(p.pid(), korvo::win::kErrorTitle), format(korvo::win::kErrorWriting, locked));
    CloseHandle(lock);
    EXPECT_EQ(readFileBytes(locked), std::vector<uint8_t>(lockedList.begin(), lockedList.end()));

    // a save cut short (no room for the whole file) leaves the old list byte for byte
    const std::string big = d + "\\big.pls";
    std::string bigList = "[playlist]\r\n";
    for (int i = 1; i <= 3000; ++i)
        bigList += "File" + std::to_string(i) + "=C:\\Music\\Some Artist\\Album\\track " + std::to_string(i) + ".mp3\r\n";
    bigList += "NumberOfEntries=3000\r\n";
    const std::vector<uint8_t> bigBytes(bigList.begin(), bigList.end());
    writeBytes(big, bigBytes);
    ASSERT_TRUE(p.limitFileSize(64 * 1024));
    pressButton(dlg, IDC_PL_SAVE, true);
    save = waitForFileDialog(p.pid(), dlg);
    ASSERT_NE(save, nullptr);
    chooseFile(save, big);
    EXPECT_EQ(takeBox(p.pid(), korvo::win::kErrorTitle), format(korvo::win::kErrorWriting, big));
    EXPECT_TRUE(readFileBytes(big) == bigBytes) << "the old list changed";
    for (const std::string& name : korvo::test::folderNames(d))
        EXPECT_EQ(name.find(".tmp"), std::string::npos) << name << " was left behind";
    closeProgram(p);
}

// A dropped folder: "Adding.." and "Finished Adding.." with the count in the label, no box,
// then one refresh with the rows. Run on an editor inside the test process: a drop handle means nothing in
// another process.
class RecordingPrompt final : public Prompt {
public:
    void show(const char* text, const char*, PromptIcon) override { shown.push_back(text); }
    int askYesNo(const char*, const char*, PromptIcon) override { return 0; }
    std::vector<std::string> shown;
};

int resets = 0;
WNDPROC listProc = nullptr;
LRESULT CALLBACK countingListProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == LB_RESETCONTENT) ++resets;
    return CallWindowProcA(listProc, w, msg, wp, lp);
}

TEST(EditorPlaylist, DroppedFolderIsAddedWithOneRefresh) {
    const std::string sub = korvo::test::scratchDir("ui-pl-drop");
    timedFile(sub, "a.mp3", 10);
    timedFile(sub, "b.mp3", 10);
    RecordingPrompt boxes;
    korvo::test::PromptFor listPrompt(playlist(), &boxes);
    playlist().setProgressHook(korvo::win::showAddingProgress, nullptr);   // as the program has it
    playlist().clearPlaylist();
    ASSERT_EQ(korvo::win::showEditor(), 1);
    HWND dlg = korvo::win::editorWindow();
    ASSERT_NE(dlg, nullptr);
    HWND list = GetDlgItem(dlg, IDC_PL_LIST);
    resets = 0;
    listProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(countingListProc)));

    const std::string names = sub + '\0' + '\0';
    HGLOBAL mem = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size());
    ASSERT_NE(mem, nullptr);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(mem));
    drop->pFiles = sizeof(DROPFILES);
    std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names.data(), names.size());
    GlobalUnlock(mem);
    SendMessageA(dlg, WM_DROPFILES, WPARAM(mem), 0);   // the editor finishes (frees) the drop

    EXPECT_TRUE(boxes.shown.empty()) << boxes.shown[0];
    char label[64] = {};
    GetDlgItemTextA(dlg, IDC_PL_PLAYTIME, label, sizeof label);
    EXPECT_EQ(std::string(label), std::string(playlist_texts::kFinishedAdding) + " 2");
    playlist().setProgressHook(nullptr, nullptr);
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(playlist().countEntries(), 2);
    SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(listProc));
    korvo::win::destroyEditor();
    EXPECT_EQ(korvo::win::editorWindow(), nullptr);
    playlist().clearPlaylist();
}

// Selects rows first..last (inclusive) on an editor of this process, as a drag would, and
// tells the dialog.
void selectRange(HWND dlg, int first, int last) {
    HWND list = GetDlgItem(dlg, IDC_PL_LIST);
    SendMessageA(list, LB_SETSEL, FALSE, -1);
    SendMessageA(list, LB_SELITEMRANGEEX, WPARAM(first), LPARAM(last));
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_PL_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

std::vector<int> span(int first, int last) {
    std::vector<int> v;
    for (int i = first; i <= last; ++i) v.push_back(i);
    return v;
}

// Far more rows than a fixed buffer of selected rows would hold: all of them count, move and
// go (1,024 of 5,000 twelve-second rows would read 03:24:48). On an editor of this process.
TEST(EditorPlaylist, FiveThousandSelectedRowsCountMoveAndGo) {
    constexpr int kMany = 5000;
    const std::string dir = korvo::test::scratchDir("ui-pl-many");
    const std::string first = timedFile(dir, "first.mp3", 10), twelve = timedFile(dir, "twelve.mp3", 12),
                      last = timedFile(dir, "last.mp3", 20);
    RecordingPrompt boxes;
    setPrompt(&boxes);
    Playlist& pl = playlist();
    pl.clearPlaylist();
    pl.setReadFileInfo(1);
    pl.addEntry(first.c_str());
    for (int i = 0; i < kMany; ++i) pl.addEntry(twelve.c_str());
    pl.addEntry(last.c_str());
    ASSERT_EQ(pl.countEntries(), kMany + 2);
    ASSERT_EQ(korvo::win::showEditor(), 1);
    HWND dlg = korvo::win::editorWindow();
    ASSERT_NE(dlg, nullptr);
    HWND list = GetDlgItem(dlg, IDC_PL_LIST);
    const std::string firstName = withoutNumber(rowText(list, 0)), lastName = withoutNumber(rowText(list, kMany + 1));
    const std::string twelveName = withoutNumber(rowText(list, 1));
    ASSERT_NE(firstName, twelveName);

    selectRange(dlg, 1, kMany);
    EXPECT_EQ(controlText(dlg, IDC_PL_PLAYTIME), playtime(16, 40, 0));   // 60,000 s

    // Up: the block moves above the first row and stays selected, whole
    pressButton(dlg, IDC_PL_UP);
    EXPECT_EQ(selection(dlg), span(0, kMany - 1));
    EXPECT_EQ(withoutNumber(rowText(list, kMany)), firstName);
    EXPECT_EQ(withoutNumber(rowText(list, 0)), twelveName);
    EXPECT_EQ(controlText(dlg, IDC_PL_PLAYTIME), playtime(16, 40, 0));
    // Dn: back again
    pressButton(dlg, IDC_PL_DOWN);
    EXPECT_EQ(selection(dlg), span(1, kMany));
    EXPECT_EQ(withoutNumber(rowText(list, 0)), firstName);
    EXPECT_EQ(withoutNumber(rowText(list, kMany + 1)), lastName);

    // Del Item takes every selected row
    pressButton(dlg, IDC_PL_DELETE);
    EXPECT_EQ(pl.countEntries(), 2);
    ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(withoutNumber(rowText(list, 0)), firstName);
    EXPECT_EQ(withoutNumber(rowText(list, 1)), lastName);

    // and so does the Delete key, after all are selected again
    for (int i = 0; i < kMany; ++i) pl.addEntry(twelve.c_str());
    korvo::win::requestRefresh();
    ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), kMany + 2);
    selectRange(dlg, 0, kMany + 1);
    EXPECT_EQ(controlText(dlg, IDC_PL_PLAYTIME), playtime(16, 40, 30));
    SendMessageA(dlg, WM_VKEYTOITEM, MAKEWPARAM(VK_DELETE, 0), reinterpret_cast<LPARAM>(list));
    EXPECT_EQ(pl.countEntries(), 0);
    EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 0);
    EXPECT_TRUE(boxes.shown.empty());
    korvo::win::destroyEditor();
    setPrompt(nullptr);
}

// Every button's rectangle, in the dialog's client coordinates.
std::vector<std::pair<int, RECT>> buttonRects(HWND dlg) {
    std::vector<std::pair<int, RECT>> out;
    for (int id : {IDC_PL_LOAD, IDC_PL_SAVE, IDC_PL_ADD, IDC_PL_DELETE, IDC_PL_SHUFFLE, IDC_PL_SORT, IDC_PL_CLEAR,
                   IDC_PL_EDIT_TAG, IDOK, IDC_PL_UP, IDC_PL_DOWN}) {
        RECT r{};
        GetWindowRect(GetDlgItem(dlg, id), &r);
        MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&r), 2);
        out.push_back({id, r});
    }
    return out;
}

// Width of text in the label's font.
int labelTextWidth(HWND dlg, const std::string& text) {
    HWND label = GetDlgItem(dlg, IDC_PL_PLAYTIME);
    HDC dc = GetDC(label);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(label, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), int(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    return size.cx;
}

// The play-time label covers no button and shows its whole text: at the first start's size
// (smaller than the window may be, so it is made as small as it may), at a chosen small size
// and at a large one.
TEST(EditorPlaylist, PlaytimeLabelLeavesEveryButtonFree) {
    const Settings kept = settings();
    settings().PlaylistX = 20;
    settings().PlaylistY = 20;
    settings().PlaylistW = 150;   // as a new INI file has it
    settings().PlaylistH = 150;
    playlist().clearPlaylist();
    ASSERT_EQ(korvo::win::showEditor(), 1);
    HWND dlg = korvo::win::editorWindow();
    ASSERT_NE(dlg, nullptr);
    const std::string texts[] = {playtime(16, 40, 0), playtime(999, 59, 59), playlist_texts::kPlaytimeUnknown};
    auto check = [&](const char* size) {
        RECT label{};
        GetWindowRect(GetDlgItem(dlg, IDC_PL_PLAYTIME), &label);
        MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&label), 2);
        RECT client{};
        GetClientRect(dlg, &client);
        for (const auto& [id, button] : buttonRects(dlg)) {
            RECT both{};
            EXPECT_FALSE(IntersectRect(&both, &label, &button))
                << size << ": the label (" << label.left << ".." << label.right << ", " << label.top << ".." << label.bottom
                << ") covers button " << id << " (" << button.left << ".." << button.right << ", " << button.top << ".."
                << button.bottom << ")";
        }
        for (const std::string& text : texts) {
            EXPECT_LE(labelTextWidth(dlg, text), label.right - label.left) << size << ": \"" << text << "\" is cut";
        }
        EXPECT_LE(label.bottom, client.bottom) << size;
    };
    check("first start");
    SetWindowPos(dlg, nullptr, 0, 0, 290, 270, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    check("290 x 270");
    SetWindowPos(dlg, nullptr, 0, 0, 1, 1, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    check("smallest");
    SetWindowPos(dlg, nullptr, 0, 0, 700, 500, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    check("700 x 500");
    korvo::win::destroyEditor();
    settings() = kept;
}

// Edit Tag: enabled for exactly one selected row, and opens the tag editor on it (one editor
// at a time: pressed again on another row, the editor shows that row's file).
TEST(EditorPlaylist, EditTagOpensTheTagEditorOnTheSelectedRow) {
    ProgramFolder folder("pl-edit-tag");
    const std::string d = folder.dir();
    std::vector<std::string> files = {timedFile(d, "one.mp3", 10),
                                      timedFile(d, "two.mp3", 20, false, tagBlock("Two", "", "", "2001", "", 0)),
                                      timedFile(d, "three.mp3", 30)};
    Program p;
    ASSERT_TRUE(p.start(folder, {}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    addPaths(p, files);
    HWND dlg = openPlaylistEditor(p);
    ASSERT_NE(dlg, nullptr);
    HWND editTag = GetDlgItem(dlg, IDC_PL_EDIT_TAG);
    EXPECT_EQ(withoutNumber(rows(dlg)[1]), "Two");   // a title without an artist stands alone
    EXPECT_EQ(selection(dlg), (std::vector<int>{0}));
    EXPECT_TRUE(IsWindowEnabled(editTag));
    select(dlg, {0, 2});
    EXPECT_FALSE(IsWindowEnabled(editTag));
    select(dlg, {});
    EXPECT_FALSE(IsWindowEnabled(editTag));
    select(dlg, {1});
    EXPECT_TRUE(IsWindowEnabled(editTag));

    pressButton(dlg, IDC_PL_EDIT_TAG);
    HWND tags = waitForDialog(p.pid(), korvo::win::kTagEditorCaption);
    ASSERT_NE(tags, nullptr);
    EXPECT_EQ(controlText(tags, IDC_TAG_PATH), files[1]);
    EXPECT_EQ(controlText(tags, IDC_TAG_TITLE), "Two");
    select(dlg, {2});
    pressButton(dlg, IDC_PL_EDIT_TAG);
    EXPECT_TRUE(waitUntil([&] {
        HWND t = findDialog(p.pid(), korvo::win::kTagEditorCaption);
        return t && controlText(t, IDC_TAG_PATH) == files[2];
    }, kWaitMs));
    EXPECT_FALSE(IsWindow(tags));

    // a list emptied by Clear leaves nothing to edit
    pressButton(dlg, IDC_PL_CLEAR);
    EXPECT_FALSE(IsWindowEnabled(editTag));
    closeProgram(p);
}

// ---- names in any script ----

// The program (and this test program, which carries the same manifest) runs with UTF-8 as
// its code page, so the narrow functions take any name.
TEST(AnyName, CodePageIsUtf8) { EXPECT_EQ(GetACP(), UINT(CP_UTF8)); }

const char kFolderName[] = "\xCE\x9C\xCE\xBF\xCF\x85\xCF\x83\xCE\xB9\xCE\xBA\xCE\xAE \xE6\x97\xA5\xE6\x9C\xAC Caf\xC3\xA9";
const char* const kSongNames[] = {"\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xB7\xCE\xBC\xCE\xAD\xCF\x81\xCE\xB1.mp2",   // Greek
                                  "\xE6\x97\xA5\xE6\x9C\xAC\xE3\x81\xAE\xE6\xAD\x8C.mp2",                   // Japanese
                                  "\xC3\x89t\xC3\xA9 \xC3\xB1 \xC3\xB8.mp2"};                               // accented

std::vector<std::string> songsIn(const std::string& folder) {
    EXPECT_TRUE(CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) << folder;
    std::vector<std::string> paths;
    for (const char* name : kSongNames) paths.push_back(untaggedCopy(folder, name));
    return paths;
}

std::vector<std::string> sortedRows(HWND dlg) {
    std::vector<std::string> names;
    for (const std::string& r : rows(dlg)) names.push_back(withoutNumber(r));
    std::sort(names.begin(), names.end());
    return names;
}

TEST(AnyName, FolderOfAnyNamesIsListedPlayedSavedAndLoaded) {
    ProgramFolder folder("any-name");
    const std::string sub = folder.dir() + "\\" + kFolderName;
    std::vector<std::string> songs = songsIn(sub);
    std::vector<std::string> titles;
    for (size_t i = 0; i < songs.size(); ++i) {
        titles.push_back(titleOf(songs[i]));
        // the shell may hide the extension, and nothing else
        std::string name = kSongNames[i];
        EXPECT_TRUE(titles[i] == name || titles[i] == name.substr(0, name.size() - 4)) << titles[i];
    }
    std::sort(titles.begin(), titles.end());
    SoundRecorder sound;
    EXPECT_TRUE(sound.start()) << "no capture device: the sink's monitor cannot be recorded";
    Program p;
    clearRecord();
    DWORD started = GetTickCount();
    ASSERT_TRUE(p.start(folder, {sub}));
    // a folder on the command line is added without a note box: the window comes at once
    ASSERT_NE(p.waitForWindow(), nullptr);
    ASSERT_TRUE(waitUntil([&] { return !readRecord().empty(); }, kWaitMs));
    EXPECT_NE(std::find(songs.begin(), songs.end(), readRecord()), songs.end()) << readRecord();
    if (sound.recording()) {
        EXPECT_NE(sound.waitForSound(started, kWaitMs), 0u) << "the file played no sound";
    }
    p.command(IDM_STOP);

    HWND dlg = openPlaylistEditor(p);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(sortedRows(dlg), titles);

    // saved into a list of such a name, and loaded from it again
    const std::string saved = sub + "\\\xCE\xBB\xCE\xAF\xCF\x83\xCF\x84\xCE\xB1.pls";
    pressButton(dlg, IDC_PL_SAVE, true);
    HWND save = waitForFileDialog(p.pid(), dlg);
    ASSERT_NE(save, nullptr);
    chooseFile(save, saved);
    ASSERT_TRUE(waitUntil([&] { return fileExists(saved) && !IsWindow(save); }, kWaitMs));
    Sleep(300);
    std::vector<std::string> listed = plsPaths(saved);
    std::sort(listed.begin(), listed.end());
    std::vector<std::string> sortedSongs = songs;
    std::sort(sortedSongs.begin(), sortedSongs.end());
    EXPECT_EQ(listed, sortedSongs);
    pressButton(dlg, IDC_PL_LOAD, true);
    HWND load = waitForDialog(p.pid(), korvo::win::kOpenFilesTitle);
    ASSERT_NE(load, nullptr);
    chooseFile(load, saved);
    EXPECT_TRUE(waitUntil([&] { return rows(dlg).size() == songs.size(); }, kWaitMs));
    EXPECT_EQ(sortedRows(dlg), titles);
    closeProgram(p);
}

// The trailer's Latin-1 is shown as such; saving writes what Latin-1 lacks as '?'.
TEST(AnyName, TagEditorConvertsLatin1BothWays) {
    ProgramFolder folder("any-name-tag");
    std::string file = untaggedCopy(folder.dir(), "tagged.mp2");
    std::vector<uint8_t> bytes = readFileBytes(file);
    std::vector<uint8_t> tag = tagBlock("Caf\xE9 \xC5", "Bj\xF6rk", "", "2001", "", 17);
    bytes.insert(bytes.end(), tag.begin(), tag.end());
    writeBytes(file, bytes);
    Program p;
    ASSERT_TRUE(p.start(folder, {file}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    HWND dlg = openTagEditor(p);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(controlText(dlg, IDC_TAG_TITLE), "Caf\xC3\xA9 \xC3\x85");
    EXPECT_EQ(controlText(dlg, IDC_TAG_ARTIST), "Bj\xC3\xB6rk");
    setControlText(dlg, IDC_TAG_TITLE, "\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xAE \xC3\xA9\xE6\x97\xA5!");
    pressButton(dlg, IDC_TAG_SAVE);
    EXPECT_EQ(lastTag(readFileBytes(file)), tagBlock("???? \xE9?!", "Bj\xF6rk", "", "2001", "", 17));
    pressButton(dlg, IDCANCEL);
    closeProgram(p);
}

// A file opened from such a folder makes it the dialog's folder, kept across a restart.
TEST(AnyName, PreviousFolderOfAnyNameSurvivesARestart) {
    ProgramFolder folder("any-name-dir");
    const std::string sub = folder.dir() + "\\" + kFolderName;
    std::vector<std::string> songs = songsIn(sub);
    {
        Program p;
        ASSERT_TRUE(p.start(folder, {}));
        ASSERT_NE(p.waitForWindow(), nullptr);
        clearRecord();
        p.postCommand(IDM_OPEN_FILE);
        HWND open = waitForDialog(p.pid(), korvo::win::kOpenFilesTitle);
        ASSERT_NE(open, nullptr);
        chooseFile(open, songs[0]);
        EXPECT_TRUE(waitForRecord(songs[0], kWaitMs)) << readRecord();
        closeProgram(p);
    }
    char kept[MAX_PATH] = {};
    GetPrivateProfileStringA(kSettingsSection, kKeyPreviousDir, "", kept, sizeof kept, folder.ini().c_str());
    EXPECT_EQ(std::string(kept), sub + "\\");
    {
        Program p;
        ASSERT_TRUE(p.start(folder, {}));
        ASSERT_NE(p.waitForWindow(), nullptr);
        closeProgram(p);
    }
    char again[MAX_PATH] = {};
    GetPrivateProfileStringA(kSettingsSection, kKeyPreviousDir, "", again, sizeof again, folder.ini().c_str());
    EXPECT_EQ(std::string(again), std::string(kept));
}

// Dropped on the editor in this process (a drop handle means nothing in another one).
TEST(AnyName, DroppedFolderAndFilesOfAnyNameAreListed) {
    const std::string sub = korvo::test::scratchDir("ui-any-drop") + "\\" + kFolderName;
    std::vector<std::string> songs = songsIn(sub);
    RecordingPrompt boxes;
    korvo::test::PromptFor listPrompt(playlist(), &boxes);
    playlist().setProgressHook(korvo::win::showAddingProgress, nullptr);   // as the program has it
    playlist().clearPlaylist();
    ASSERT_EQ(korvo::win::showEditor(), 1);
    HWND dlg = korvo::win::editorWindow();
    ASSERT_NE(dlg, nullptr);
    const std::string names = sub + '\0' + songs[1] + '\0' + '\0';
    HGLOBAL mem = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size());
    ASSERT_NE(mem, nullptr);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(mem));
    drop->pFiles = sizeof(DROPFILES);
    std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names.data(), names.size());
    GlobalUnlock(mem);
    SendMessageA(dlg, WM_DROPFILES, WPARAM(mem), 0);
    std::vector<std::string> paths;
    for (const PlaylistEntry* e = playlist().head(); e; e = e->next) paths.push_back(e->path);
    std::vector<std::string> expected = songs;
    expected.push_back(songs[1]);
    std::sort(paths.begin(), paths.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(paths, expected);
    std::vector<std::string> titles;
    for (const std::string& s : expected) titles.push_back(titleOf(s));
    std::sort(titles.begin(), titles.end());
    EXPECT_EQ(sortedRows(dlg), titles);
    // and written into a list of such a name, which reads back the same
    const std::string pls = sub + "\\\xCE\xBB\xCE\xAF\xCF\x83\xCF\x84\xCE\xB1.pls";
    EXPECT_EQ(playlist().writePlsFile(pls.c_str()), int(expected.size()));
    std::vector<std::string> back = plsPaths(pls);
    std::sort(back.begin(), back.end());
    EXPECT_EQ(back, expected);
    korvo::win::destroyEditor();
    playlist().clearPlaylist();
}

} // namespace
} // namespace korvo::uitest
