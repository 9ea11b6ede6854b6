#include "app/win32/tray.h"

#include "app/win32/stream_title.h"

#include <shellapi.h>
#include <commdlg.h>

#include <cstdio>
#include <cstring>

#include "app/win32/mini_controller.h"
#include "app/win32/main_window.h"
#include "app/win32/resource_ids.h"
#include "app/win32/win_texts.h"
#include "playlist/playlist.h"
#include "playlist/text_encoding.h"

namespace korvo::win {

namespace {

constexpr int kTrayIconCount = 11;
// Icon for percent / 10.
constexpr int kTrayIconResources[kTrayIconCount] = {IDI_TRAY_0,  IDI_TRAY_10, IDI_TRAY_20, IDI_TRAY_30,
                                                    IDI_TRAY_40, IDI_TRAY_50, IDI_TRAY_60, IDI_TRAY_70,
                                                    IDI_TRAY_80, IDI_TRAY_90, IDI_TRAY_100};

struct TrayState {
    HICON icons[kTrayIconCount] = {};
    int shown = 0;
    int lastPercent = 0;
    long seekThread = -1;
    int holdPending = 0;
} tray;

int clampPercent(int percent) { return percent < 0 ? 0 : percent > 100 ? 100 : percent; }

BOOL notify(DWORD message, HWND owner, int percent) {
    NOTIFYICONDATAA data{};
    // The first layout of the structure: what every shell takes.
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = owner;
    data.uID = kTrayIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kTrayCallbackMessage;
    data.hIcon = tray.icons[clampPercent(percent) / 10];
    trayTip(percent, data.szTip, sizeof data.szTip);
    return Shell_NotifyIconA(message, &data);
}

} // namespace

void loadTrayIcons() {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    for (int i = 0; i < kTrayIconCount; ++i)
        if (!tray.icons[i]) tray.icons[i] = LoadIconA(inst, MAKEINTRESOURCEA(kTrayIconResources[i]));
    loadMiniControllerIcons();
}

int trayIconResource(int percent) { return kTrayIconResources[clampPercent(percent) / 10]; }

void trayTip(int percent, char* out, size_t outSize) {
    char path[kPathCapacity];
    char title[kPathCapacity] = {};
    if (playlist().getCurrentPath(path, sizeof path) && GetFileTitleA(path, title, sizeof title) != 0) title[0] = '\0';
    if (streamShownName()[0]) std::snprintf(title, sizeof title, "%s", streamShownName());
    // A name in another script is cut at a character, not inside one.
    char tip[kPathCapacity + 64];
    std::snprintf(tip, sizeof tip, kTrayTipFormat, title, percent);
    copyUtf8(tip, std::strlen(tip), out, outSize);
}

int trayIconShown() { return tray.shown; }
int trayLastPercent() { return tray.lastPercent; }
long traySeekThread() { return tray.seekThread; }

int trayAdd(HWND owner, int percent, long decoderThreadId) {
    tray.seekThread = decoderThreadId;
    BOOL added = notify(NIM_ADD, owner, percent);
    tray.shown = 1;
    ShowWindow(owner, SW_HIDE);
    return added;
}

void trayRemove(HWND owner, int show) {
    if (!tray.shown) return;
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = owner;
    data.uID = kTrayIconId;
    Shell_NotifyIconA(NIM_DELETE, &data);
    tray.shown = 0;
    if (show) ShowWindow(owner, SW_SHOW);
}

void trayUpdate(HWND owner, int percent) {
    tray.lastPercent = percent;
    if (tray.shown) notify(NIM_MODIFY, owner, percent);
}

void trayShellRestarted(HWND owner) {
    if (tray.shown) notify(NIM_ADD, owner, tray.lastPercent);
}

UINT taskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageA(kTaskbarCreatedMessage);
    return message;
}

void trayCallback(HWND owner, LPARAM lParam, HMENU menu) {
    switch (UINT(lParam)) {
    case WM_LBUTTONDOWN:
        SetTimer(owner, kTimerTrayHold, kTrayHoldMs, nullptr);
        tray.holdPending = 1;
        break;
    case WM_LBUTTONUP:
        if (tray.holdPending) {
            tray.holdPending = 0;
            KillTimer(owner, kTimerTrayHold);
        }
        break;
    case WM_RBUTTONDOWN: {
        POINT p{};
        GetCursorPos(&p);
        SetActiveWindow(owner);
        if (menu) TrackPopupMenu(menu, TPM_RIGHTBUTTON, p.x, p.y, 0, owner, nullptr);
        break;
    }
    case WM_LBUTTONDBLCLK:
        ShowWindow(owner, SW_RESTORE);
        trayRemove(owner);
        break;
    default:
        break;
    }
}

void trayHoldTimer(HWND owner) {
    KillTimer(owner, kTimerTrayHold);
    if (tray.holdPending) {
        openMiniController(owner);
        tray.holdPending = 0;
    }
}

} // namespace korvo::win
