// How long LumenKorvo.exe takes to take in a long playlist. A figure to read, not a check: run
// by hand with --gtest_also_run_disabled_tests, KORVO_LONG_LIST naming the list (made by
// bench/playlist_lists.sh), to time another build of the program, KORVO_PROGRAM naming it, and
// KORVO_READ_FILE_INFO=0 to leave the entries' files unopened.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/win32/resource_ids.h"
#include "settings/settings_texts.h"
#include "app/win32/win_texts.h"
#include "ui_driver.h"

namespace korvo::uitest {
namespace {

struct Timing {
    ULONGLONG windowMs = 0;   // start until the main window is there
    long cpuMs = 0;
    ULONGLONG editorMs = 0;   // the playlist editor's command until its rows are all there
    int rows = 0;
};

Timing timeStart(const ProgramFolder& folder, const std::vector<std::string>& args) {
    Timing t;
    Program p;
    ULONGLONG start = GetTickCount64();
    if (!p.start(folder, args) || !p.waitForWindow(600000)) {
        ADD_FAILURE() << "no window";
        return t;
    }
    t.windowMs = GetTickCount64() - start;
    t.cpuMs = p.cpuMs();
    start = GetTickCount64();
    p.postCommand(IDM_PLAYLIST_EDITOR);
    HWND dlg = nullptr;
    waitUntil([&] { return (dlg = findDialog(p.pid(), korvo::win::kPlaylistEditorCaption)) != nullptr; }, 600000);
    if (dlg) t.rows = int(SendMessageA(GetDlgItem(dlg, IDC_PL_LIST), LB_GETCOUNT, 0, 0));
    t.editorMs = GetTickCount64() - start;
    return t;
}

TEST(LongList, DISABLED_TimeToLoad) {
    const char* list = std::getenv("KORVO_LONG_LIST");
    if (!list) GTEST_SKIP() << "KORVO_LONG_LIST names no list";
    ProgramFolder folder("long-list");
    if (const char* other = std::getenv("KORVO_PROGRAM")) {
        ASSERT_TRUE(CopyFileA(other, folder.exe().c_str(), FALSE)) << other;
    }
    if (const char* info = std::getenv("KORVO_READ_FILE_INFO")) folder.setKey(kKeyReadFileInfo, std::atoi(info));
    Timing empty = timeStart(folder, {});
    Timing loaded = timeStart(folder, {list});
    std::printf("without a list: window after %llu ms (%ld ms processor time), editor after %llu ms\n",
                empty.windowMs, empty.cpuMs, empty.editorMs);
    std::printf("with %s: window after %llu ms (%ld ms processor time), editor with %d rows after %llu ms\n", list,
                loaded.windowMs, loaded.cpuMs, loaded.rows, loaded.editorMs);
}

} // namespace
} // namespace korvo::uitest
