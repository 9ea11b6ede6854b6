// The tag editor and the playlist editor of a running LumenKorvo.exe, driven through their
// own controls from outside.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "app/win32/main_window.h"
#include "app/win32/resource_ids.h"
#include "app/win32/win_texts.h"
#include "playlist/playlist_texts.h"
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

// Starts the program on one file and opens the tag editor for it.
HWND openTagEditor(Program& p) {
    p.postCommand(IDM_TAG_EDITOR);
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
    RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(500);
    std::string png = buildDir() + "\\ui-tag-editor.png";
    EXPECT_TRUE(saveWindowPng(dlg, png, windowHitMask(dlg))) << png;
    std::printf("screenshot: %s\n", png.c_str());

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

// A file that another program holds without write sharing (as a read-only file refuses
// writing): saving and wiping report the open for writing and leave every byte.
TEST(EditorTags, LockedFileKeepsItsBytes) {
    ProgramFolder folder("tags-locked");
    std::string file = untaggedCopy(folder.dir(), "locked.mp2");
    std::vector<uint8_t> bytes = readFileBytes(file);
    std::vector<uint8_t> tag = tagBlock("Old", "Old", "Old", "1990", "Old", 3);
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
    EXPECT_EQ(controlText(dlg, IDC_TAG_TITLE), korvo::win::kTagNoTagText);
    EXPECT_EQ(controlText(dlg, IDC_TAG_YEAR), "1998");
    closeProgram(p);
}

} // namespace
} // namespace korvo::uitest
