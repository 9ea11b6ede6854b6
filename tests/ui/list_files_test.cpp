// The playlist editor's Save List types and Add Directory on a folder tree.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/win32/main_window.h"
#include "app/win32/playlist_editor.h"
#include "app/win32/resource_ids.h"
#include "app/win32/win_texts.h"
#include "platform/prompt.h"
#include "playlist/playlist.h"
#include "playlist/playlist_texts.h"
#include "../playlist/playlist_test_util.h"
#include "test_support.h"
#include "ui_driver.h"

namespace korvo::uitest {
namespace {

constexpr int kWaitMs = 8000;
constexpr int kFileTypeBox = 0x470;   // cmb1 of the common file dialogs
constexpr int kFileNameBox = 0x47c;   // cmb13, the Explorer style's name box

// A stand-in of one MPEG-2 Layer III header and zeros.
std::string quietFile(const std::string& dir, const char* name) {
    std::vector<char> bytes(2000, 0);
    const char header[4] = {char(0xFF), char(0xF3), 0x10, char(0xC0)};
    std::memcpy(bytes.data(), header, 4);
    const std::string path = dir + "\\" + name;
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return path;
}

std::string firstLine(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    std::getline(in, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

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

// The platform's dialog over the editor (its title is the platform's own).
HWND waitForOtherDialog(DWORD pid, HWND editor) {
    OtherDialog d{pid, editor};
    waitUntil([&] {
        d.found = nullptr;
        EnumWindows(findOtherDialog, reinterpret_cast<LPARAM>(&d));
        return d.found != nullptr;
    }, kWaitMs);
    return d.found;
}

// Read as wide text: across processes Wine hands the ANSI request the wide text.
std::string comboItem(HWND combo, int i) {
    wchar_t text[256] = {};
    if (SendMessageW(combo, CB_GETLBTEXTLEN, WPARAM(i), 0) >= LRESULT(sizeof text / sizeof text[0])) return "<too long>";
    SendMessageW(combo, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text));
    char narrow[512] = {};
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
}

TEST(EditorListFiles, SaveDialogOffersThreeTypesAndTheNameTakesTheChosenOnes) {
    ProgramFolder folder("pl-save-types");
    const std::string d = folder.dir();
    const std::vector<std::string> files = {quietFile(d, "one.mp3"), quietFile(d, "two.mp3")};
    Program p;
    ASSERT_TRUE(p.start(folder, {}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    for (const std::string& path : files) p.copyData(korvo::win::RequestAddPath, path.c_str(), DWORD(path.size()));
    p.command(IDM_PLAYLIST_EDITOR);
    HWND dlg = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (dlg = findDialog(p.pid(), korvo::win::kPlaylistEditorCaption)) != nullptr; }, kWaitMs));
    ASSERT_TRUE(waitUntil([&] { return SendMessageA(GetDlgItem(dlg, IDC_PL_LIST), LB_GETCOUNT, 0, 0) == 2; }, kWaitMs));

    const char* const firstLines[] = {"[playlist]", playlist_texts::kM3uHeader, playlist_texts::kM3uHeader};
    int index = 0;
    for (const korvo::win::SaveListType& type : korvo::win::kSaveListTypes) {
        PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_PL_SAVE, BN_CLICKED), LPARAM(GetDlgItem(dlg, IDC_PL_SAVE)));
        HWND save = waitForOtherDialog(p.pid(), dlg);
        ASSERT_NE(save, nullptr);
        HWND types = GetDlgItem(save, kFileTypeBox);
        ASSERT_NE(types, nullptr);
        ASSERT_EQ(SendMessageA(types, CB_GETCOUNT, 0, 0), 3);
        int i = 0;
        for (const korvo::win::SaveListType& offered : korvo::win::kSaveListTypes)
            EXPECT_EQ(comboItem(types, i++), offered.name);
        EXPECT_EQ(SendMessageA(types, CB_GETCURSEL, 0, 0), 0) << "PLS comes first";
        // Choose the type as a user does, then a name without an extension.
        SendMessageA(types, CB_SETCURSEL, WPARAM(index), 0);
        SendMessageA(save, WM_COMMAND, MAKEWPARAM(kFileTypeBox, CBN_SELCHANGE), LPARAM(types));
        SendMessageA(save, WM_COMMAND, MAKEWPARAM(kFileTypeBox, CBN_SELENDOK), LPARAM(types));
        HWND name = GetDlgItem(save, kFileNameBox);
        if (!name) name = GetDlgItem(save, 0x480);   // edt1
        ASSERT_NE(name, nullptr);
        const std::string bare = d + "\\evening" + std::to_string(index);
        SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(bare.c_str()));
        PostMessageA(save, WM_COMMAND, IDOK, 0);
        const std::string written = bare + "." + type.extension;
        EXPECT_TRUE(waitUntil([&] { return korvo::test::fileExists(written) && !IsWindow(save); }, kWaitMs)) << written;
        Sleep(300);
        EXPECT_EQ(firstLine(written), firstLines[index]) << written;
        EXPECT_FALSE(korvo::test::fileExists(bare)) << bare;
        ++index;
    }
    // A name with a list extension of another type keeps it, and is written as that type.
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_PL_SAVE, BN_CLICKED), LPARAM(GetDlgItem(dlg, IDC_PL_SAVE)));
    HWND save = waitForOtherDialog(p.pid(), dlg);
    ASSERT_NE(save, nullptr);
    HWND name = GetDlgItem(save, kFileNameBox);
    if (!name) name = GetDlgItem(save, 0x480);
    ASSERT_NE(name, nullptr);
    const std::string typed = d + "\\typed.m3u";
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()));
    PostMessageA(save, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(waitUntil([&] { return korvo::test::fileExists(typed) && !IsWindow(save); }, kWaitMs));
    Sleep(300);
    EXPECT_EQ(firstLine(typed), playlist_texts::kM3uHeader);
    EXPECT_FALSE(korvo::test::fileExists(typed + ".pls"));
    EXPECT_EQ(findDialog(p.pid(), korvo::win::kErrorTitle), nullptr);
    PostMessageA(p.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(p.waitForExit(10000), 0);
}

class QuietPrompt final : public Prompt {
public:
    void show(const char* text, const char*, PromptIcon) override { shown.push_back(text); }
    int askYesNo(const char*, const char*, PromptIcon) override { return 0; }
    std::vector<std::string> shown;
};

// The folder browser's selection, as text of its tree's selected item.
std::string browserSelection(HWND browser) {
    HWND tree = FindWindowExA(browser, nullptr, WC_TREEVIEWA, nullptr);
    if (!tree) return "<no tree>";
    HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (!item) return "<nothing selected>";
    char text[MAX_PATH] = {};
    TVITEMA tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = sizeof text;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
    return text;
}

// Add Directory on a tree of three levels. Run on an editor inside the test process: the
// browser's selection can only be set from its own process.
TEST(EditorListFiles, AddDirectoryTakesTheWholeTreeInNameOrder) {
    const std::string top = korvo::test::scratchDir("ui-pl-tree");
    const std::string B = top + "\\B", deep = B + "\\deep", a = top + "\\a";
    for (const std::string& dir : {B, deep, a}) ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr)) << dir;
    const std::vector<std::string> expected = {quietFile(top, "one.mp3"), quietFile(top, "two.mp2"), quietFile(a, "x.mp3"),
                                               quietFile(B, "b.mp3"), quietFile(deep, "d.mp3")};
    QuietPrompt boxes;
    korvo::test::PromptFor listPrompt(playlist(), &boxes);
    playlist().clearPlaylist();
    ASSERT_EQ(korvo::win::showEditor(), 1);
    HWND dlg = korvo::win::editorWindow();
    ASSERT_NE(dlg, nullptr);

    std::atomic<bool> chosen{false};
    std::string selected;
    std::thread user([&] {
        HWND browser = waitForOtherDialog(GetCurrentProcessId(), dlg);
        if (!browser) return;
        // Anything but the tree's own folder is cancelled: adding some other folder whole would take long.
        const std::string want = top.substr(top.rfind('\\') + 1);
        chosen = waitUntil([&] {
            SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(top.c_str()));
            selected = browserSelection(browser);
            return selected == want;
        }, kWaitMs);
        PostMessageA(browser, WM_COMMAND, chosen ? IDOK : IDCANCEL, 0);
    });
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDM_ADD_DIRECTORY, 0), 0);
    user.join();
    ASSERT_TRUE(chosen) << "the browser did not select " << top << " but '" << selected << "'";

    std::vector<std::string> paths;
    for (const PlaylistEntry* e = playlist().head(); e; e = e->next) paths.push_back(e->path);
    EXPECT_EQ(paths, expected);
    EXPECT_EQ(boxes.shown, (std::vector<std::string>{playlist_texts::kAdding, playlist_texts::kFinishedAdding}));
    EXPECT_EQ(SendMessageA(GetDlgItem(dlg, IDC_PL_LIST), LB_GETCOUNT, 0, 0), LRESULT(expected.size()));
    korvo::win::destroyEditor();
    playlist().clearPlaylist();
}

} // namespace
} // namespace korvo::uitest
