#include "app/win32/mini_controller.h"

#include <commctrl.h>

#include "app/win32/main_window.h"
#include "app/win32/resource_ids.h"
#include "app/win32/tray.h"
#include "playback/decoder_thread.h"

namespace korvo::win {

namespace {

struct Button {
    int control;
    int icon;
    int command;
};
constexpr Button kButtons[] = {
    {IDC_MINI_PREV, IDI_MINI_PREV, IDM_PREVIOUS}, {IDC_MINI_PLAY, IDI_MINI_PLAY, IDM_PLAY},
    {IDC_MINI_PAUSE, IDI_MINI_PAUSE, IDM_PAUSE},  {IDC_MINI_STOP, IDI_MINI_STOP, IDM_STOP},
    {IDC_MINI_NEXT, IDI_MINI_NEXT, IDM_NEXT},
};
constexpr int kMiniButtonCount = sizeof kButtons / sizeof kButtons[0];

struct MiniState {
    HICON icons[kMiniButtonCount] = {};
    HWND dialog = nullptr;
    HWND owner = nullptr;
    int follow = 1;
} mini;

void placeAtCursor(HWND dlg) {
    POINT cursor{};
    GetCursorPos(&cursor);
    RECT r{};
    GetWindowRect(dlg, &r);
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST), &info)) work = info.rcWork;
    POINT at = miniControllerPlace(cursor, SIZE{r.right - r.left, r.bottom - r.top}, work);
    SetWindowPos(dlg, HWND_TOPMOST, at.x, at.y, 0, 0, SWP_NOSIZE);
}

INT_PTR CALLBACK dialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG: {
        mini.dialog = dlg;
        placeAtCursor(dlg);
        ShowWindow(dlg, SW_SHOW);
        SetForegroundWindow(dlg);
        SetActiveWindow(dlg);
        HWND slider = GetDlgItem(dlg, IDC_MINI_SLIDER);
        SendMessageA(slider, TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
        SendMessageA(slider, TBM_SETPOS, TRUE, trayLastPercent());
        for (int i = 0; i < kMiniButtonCount; ++i)
            SendDlgItemMessageA(dlg, kButtons[i].control, BM_SETIMAGE, IMAGE_ICON,
                                reinterpret_cast<LPARAM>(mini.icons[i]));
        return TRUE;
    }
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) closeMiniController();
        return TRUE;
    case WM_COMMAND:
        for (const Button& b : kButtons) {
            if (LOWORD(wParam) == b.control) {
                SendMessageA(mini.owner, WM_COMMAND, b.command, 0);
                return TRUE;
            }
        }
        return FALSE;
    case WM_TIMER:
        if (mini.follow == 1) SendDlgItemMessageA(dlg, IDC_MINI_SLIDER, TBM_SETPOS, TRUE, trayLastPercent());
        return TRUE;
    case WM_HSCROLL:
        if (LOWORD(wParam) == TB_THUMBTRACK) {
            mini.follow = 0;
        } else if (LOWORD(wParam) == TB_ENDTRACK) {
            int position = int(SendDlgItemMessageA(dlg, IDC_MINI_SLIDER, TBM_GETPOS, 0, 0));
            postSeekPercent(position, traySeekThread());
            mini.follow = 1;
        }
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

void loadMiniControllerIcons() {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    for (int i = 0; i < kMiniButtonCount; ++i)
        if (!mini.icons[i])   // the small size: the buttons are smaller than a large icon
            mini.icons[i] = static_cast<HICON>(LoadImageA(inst, MAKEINTRESOURCEA(kButtons[i].icon), IMAGE_ICON,
                                                          GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                                          LR_DEFAULTCOLOR | LR_SHARED));
}

POINT miniControllerPlace(POINT cursor, SIZE size, const RECT& workArea) {
    LONG x = cursor.x - kMiniControllerCursorDx;
    LONG y = cursor.y - kMiniControllerCursorDy;
    // right and bottom first, so that a controller larger than the area keeps its corner in
    if (x > workArea.right - size.cx) x = workArea.right - size.cx;
    if (y > workArea.bottom - size.cy) y = workArea.bottom - size.cy;
    if (x < workArea.left) x = workArea.left;
    if (y < workArea.top) y = workArea.top;
    return POINT{x, y};
}

int openMiniController(HWND owner) {
    if (mini.dialog) return 1;
    mini.owner = owner;
    mini.follow = 1;
    HWND dlg = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MINI_CONTROLLER), owner, dialogProc, 0);
    if (!dlg) {
        mini.dialog = nullptr;
        return 0;
    }
    // It closes as soon as it loses activation, which may have happened already.
    if (mini.dialog == dlg) SetTimer(dlg, kMiniControllerTimer, kMiniControllerFollowMs, nullptr);
    return 1;
}

void closeMiniController() {
    HWND dlg = mini.dialog;
    if (!dlg) return;
    mini.dialog = nullptr;
    KillTimer(dlg, kMiniControllerTimer);
    vanish(dlg);   // no wait for the window manager's answer to a hide
    DestroyWindow(dlg);
}

HWND miniController() { return mini.dialog; }

} // namespace korvo::win
