// The about sheet of a running LumenKorvo.exe: both pages, the links and "Browse To".
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/win32/resource_ids.h"
#include "app/win32/win_texts.h"
#include "ui_driver.h"

namespace korvo::uitest {
namespace {

using namespace korvo::win;

constexpr int kWaitMs = 8000;

std::string controlText(HWND dlg, int id) {
    char text[2048] = {};
    SendMessageA(GetDlgItem(dlg, id), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

void snapshot(HWND w, const char* name) {
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(400);
    RECT r;
    GetWindowRect(w, &r);
    saveWindowPng(w, buildDir() + "\\" + name, std::vector<bool>(size_t(r.right - r.left) * size_t(r.bottom - r.top), true));
}

int windowsOf(DWORD pid) {
    struct Count {
        DWORD pid;
        int n;
    } c{pid, 0};
    EnumWindows([](HWND w, LPARAM l) -> BOOL {
        auto* c = reinterpret_cast<Count*>(l);
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == c->pid && IsWindowVisible(w)) ++c->n;
        return TRUE;
    }, reinterpret_cast<LPARAM>(&c));
    return c.n;
}

TEST(PrefsAbout, BothPagesRowsShowTheirAddressAndShortTextsAreNotOpened) {
    ProgramFolder folder("about");
    Program p;
    ASSERT_TRUE(p.start(folder, {}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    p.postCommand(IDM_ABOUT);   // modal: the command returns when the sheet closes
    HWND sheet = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (sheet = findDialog(p.pid(), kAboutCaption)) != nullptr; }, kWaitMs));
    HWND tabs = FindWindowExA(sheet, nullptr, WC_TABCONTROLA, nullptr);
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0), 2);

    SendMessageA(sheet, PSM_SETCURSEL, 0, 0);
    HWND about = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    ASSERT_NE(about, nullptr);
    std::string text = controlText(about, IDC_ABOUT_TEXT);
    EXPECT_EQ(text.substr(0, text.find('\r')), kMainWindowTitle);
    snapshot(sheet, "ui-about-page.png");

    SendMessageA(sheet, PSM_SETCURSEL, 1, 0);
    HWND links = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    ASSERT_NE(links, nullptr);
    HWND list = GetDlgItem(links, IDC_LINKS_LIST);
    EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 11);
    for (int row : {0, 10}) {
        SendMessageA(list, LB_SETCURSEL, WPARAM(row), 0);
        SendMessageA(links, WM_COMMAND, MAKEWPARAM(IDC_LINKS_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
        EXPECT_EQ(controlText(links, IDC_LINKS_ADDRESS), kLinks[row].address) << row;
    }
    snapshot(sheet, "ui-about-links.png");

    int before = windowsOf(p.pid());
    SetDlgItemTextA(links, IDC_LINKS_ADDRESS, "ab");
    SendMessageA(links, WM_COMMAND, MAKEWPARAM(IDC_LINKS_BROWSE, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(links, IDC_LINKS_BROWSE)));
    Sleep(500);
    EXPECT_EQ(windowsOf(p.pid()), before) << "two characters were opened";

    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    EXPECT_TRUE(waitUntil([&] { return findDialog(p.pid(), kAboutCaption) == nullptr; }, kWaitMs));
    PostMessageA(p.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(p.waitForExit(10000), 0);
}

} // namespace
} // namespace korvo::uitest
