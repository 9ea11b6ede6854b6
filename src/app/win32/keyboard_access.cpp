// The main window without a mouse: the focus mark and its keys, the media keys, and the
// window as a screen reader finds it.
#include "app/win32/main_window.h"

#include <cstdio>
#include <new>

#include "settings/settings.h"
#include "app/win32/now_playing.h"
#include "app/win32/resource_ids.h"
#include "app/win32/win_texts.h"

namespace korvo::win {

// Playing first, then the list, the switches and the window's own buttons.
const int kFocusOrder[kButtonCount] = {ButtonPlay, ButtonPause,  ButtonStop,    ButtonPrevious, ButtonNext,
                                       ButtonOpen, ButtonRepeat, ButtonShuffle, ButtonMinimise, ButtonClose};

namespace {

constexpr COLORREF kFocusMarkColour = RGB(255, 255, 255);
constexpr int kFocusMarkWidth = 2;
constexpr int kFocusMarkGap = 1;   // between the button's edge and the ring

bool isMenuKey(WPARAM key) { return key == VK_APPS || (key == VK_F10 && GetKeyState(VK_SHIFT) < 0); }

} // namespace

bool MainWindow::onKey(UINT msg, WPARAM key, LPARAM lParam) {
    if (isMenuKey(key)) {
        // Opened at the press; the release is kept from the system, which would open it again.
        if (msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN) onContextMenu(-1);
        return true;
    }
    if (msg != WM_KEYDOWN) return false;
    const bool repeat = (lParam & (LPARAM(1) << 30)) != 0;
    switch (key) {
    case VK_TAB:
        moveFocus(GetKeyState(VK_SHIFT) < 0 ? -1 : 1);
        return true;
    case VK_SPACE:
    case VK_RETURN:
        if (focus_ < 0) return false;
        if (!repeat) pressButton(focus_);   // held down, it does not fire again
        return true;
    default:
        return false;
    }
}

void MainWindow::moveFocus(int step) {
    int at = -1;
    for (int i = 0; i < kButtonCount; ++i)
        if (kFocusOrder[i] == focus_) at = i;
    const int next = at < 0 ? (step > 0 ? 0 : kButtonCount - 1) : (at + step + kButtonCount) % kButtonCount;
    setFocusMark(kFocusOrder[next]);
}

void MainWindow::setFocusMark(int index) {
    const int old = focus_;
    focus_ = index;
    for (int i : {old, index}) {
        if (i < 0) continue;
        RECT r = focusMarkRect(i);
        RedrawWindow(hwnd_, &r, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    }
    NotifyWinEvent(EVENT_OBJECT_FOCUS, hwnd_, OBJID_CLIENT, index + 1);
}

RECT MainWindow::focusMarkRect(int index) const {
    RECT r = buttonEllipse(index, scale_);
    const int out = scaleLength(kFocusMarkGap + kFocusMarkWidth, scale_);
    InflateRect(&r, out, out);
    return r;
}

// A ring around the focused button, over the skin.
void MainWindow::drawFocusMark(HDC dc) {
    if (focus_ < 0) return;
    const RECT r = focusMarkRect(focus_);
    GdiObject<HPEN> pen(CreatePen(PS_INSIDEFRAME, scaleLength(kFocusMarkWidth, scale_), kFocusMarkColour));
    if (!pen) return;
    HGDIOBJ oldPen = SelectObject(dc, pen.get());
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Ellipse(dc, r.left, r.top, r.right, r.bottom);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
}

void MainWindow::onMediaAction(MediaAction action) {
    switch (action) {
    case MediaPlayPause: SendMessageA(hwnd_, WM_COMMAND, IDM_PLAY_PAUSE, 0); break;
    case MediaStop: SendMessageA(hwnd_, WM_COMMAND, IDM_STOP, 0); break;
    case MediaNext: SendMessageA(hwnd_, WM_COMMAND, IDM_NEXT, 0); break;
    case MediaPrevious: SendMessageA(hwnd_, WM_COMMAND, IDM_PREVIOUS, 0); break;
    case MediaVolumeUp: changeVolume(1); break;
    case MediaVolumeDown: changeVolume(-1); break;
    case MediaMute: toggleMute(); break;
    default: break;
    }
}

// Mute goes to the lowest level and gives the earlier one back the next time.
void MainWindow::toggleMute() {
    const int level = settings().EqVolume;
    if (level > 0) {
        mutedVolume_ = level;
        changeVolume(-level);
    } else if (mutedVolume_ > 0) {
        changeVolume(mutedVolume_);
        mutedVolume_ = 0;
    }
}

void MainWindow::applyMediaKeys() {
    if (hwnd_) hotkeys_.apply(hwnd_, settings().GlobalMediaKeys);
}

LRESULT MainWindow::onGetObject(WPARAM wParam, LPARAM lParam) {
    if (LONG(lParam) != LONG(OBJID_CLIENT) || !created_) return DefWindowProcA(hwnd_, WM_GETOBJECT, wParam, lParam);
    if (!accessible_) accessible_ = new (std::nothrow) WindowAccessible(hwnd_, this);
    if (!accessible_) return 0;
    return LresultFromObject(IID_IAccessible, wParam, accessible_);
}

void MainWindow::releaseAccessible() {
    if (!accessible_) return;
    accessible_->detach();
    accessible_->Release();
    accessible_ = nullptr;
}

bool MainWindow::accDescribe(int child, AccessibleItem& out) {
    if (!hwnd_) return false;
    out = AccessibleItem{};
    if (child == 0) {
        out.name = kMainWindowTitle;
        out.role = ROLE_SYSTEM_CLIENT;
        out.state = STATE_SYSTEM_FOCUSABLE | (GetFocus() == hwnd_ ? STATE_SYSTEM_FOCUSED : 0);
        GetClientRect(hwnd_, &out.rect);
        return true;
    }
    if (child == kDisplayChild) {
        out.name = shownName_.empty() ? std::string(kMainWindowTitle) : shownName_;
        char row[64];
        if (shownView_.volume >= 0) std::snprintf(row, sizeof row, kVolumeFormat, shownView_.volume, kVolumeLevels - 1);
        else formatDisplayTime(shownView_.elapsedMs, shownView_.totalMs, row, int(sizeof row));
        out.value = row;
        out.role = ROLE_SYSTEM_STATICTEXT;
        out.state = STATE_SYSTEM_READONLY;
        out.rect = scaleRect(kDisplayArea, scale_);
        return true;
    }
    if (child < 1 || child > kButtonCount) return false;
    const int i = child - 1;
    splitButtonTip(kButtonTips[i], out.name, out.shortcut);
    out.action = kAccessiblePress;
    out.role = ROLE_SYSTEM_PUSHBUTTON;
    out.state = STATE_SYSTEM_FOCUSABLE;
    if (focus_ == i) out.state |= STATE_SYSTEM_FOCUSED;
    if (buttons_[i].pressed && buttons_[i].inside) out.state |= STATE_SYSTEM_PRESSED;
    if ((i == ButtonRepeat && settings().RepeatPlay) || (i == ButtonShuffle && settings().ShufflePlay))
        out.state |= STATE_SYSTEM_CHECKED;
    out.rect = buttonEllipse(i, scale_);
    return true;
}

int MainWindow::accFocused() {
    if (focus_ >= 0) return focus_ + 1;
    return GetFocus() == hwnd_ ? 0 : -1;
}

// Pressed after the reader's call has returned: a button may open a modal dialog.
bool MainWindow::accPress(int child) {
    if (child < 1 || child > kButtonCount || !hwnd_) return false;
    return PostMessageA(hwnd_, kPressButtonMessage, WPARAM(child - 1), 0) != FALSE;
}

bool MainWindow::accTakeFocus(int child) {
    if (child < 1 || child > kButtonCount || !hwnd_) return false;
    setFocusMark(child - 1);
    return true;
}

} // namespace korvo::win
