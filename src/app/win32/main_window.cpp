// The main window itself: resources, shape, painting, mouse, menu states, creation and
// destruction. Its commands and notifications are in controller.cpp.
#include "app/win32/main_window.h"

#include <windowsx.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "settings/settings.h"
#include "app/win32/dialogs.h"
#include "app/win32/dpi.h"
#include "app/win32/mini_controller.h"
#include "app/win32/playlist_editor.h"
#include "app/win32/preferences.h"
#include "app/win32/resource_ids.h"
#include "app/win32/stream_title.h"
#include "app/win32/tray.h"
#include "app/win32/win_texts.h"
#include "decoder/equalizer.h"
#include "platform/file.h"
#include "playback/output_driver.h"
#include "playback/pcm_tap.h"
#include "playlist/entry_info.h"
#include "playlist/playlist.h"
#include "playlist/playlist_texts.h"

namespace korvo::win {

MainWindow& mainWindow() {
    static MainWindow window;
    return window;
}

LRESULT CALLBACK MainWindow::windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    MainWindow& w = mainWindow();
    if (msg == WM_CREATE) w.hwnd_ = hwnd;
    if (w.hwnd_ != hwnd) return DefWindowProcA(hwnd, msg, wParam, lParam);
    return w.handle(msg, wParam, lParam);
}

UINT messageBoxIcon(PromptIcon icon) {
    switch (icon) {
    case IconInfo: return MB_ICONINFORMATION;
    case IconWarning: return MB_ICONWARNING;
    case IconError: return MB_ICONERROR;
    default: return 0;
    }
}

void tellSettingsNotSaved(HWND owner) {
    char path[kSettingsPathSize];
    if (!settingsPath(path, sizeof path)) path[0] = 0;
    char text[sizeof path + sizeof kErrorWriting];
    std::snprintf(text, sizeof text, kErrorWriting, path);
    MessageBoxA(owner, text, kErrorTitle, MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
}

void MainWindow::notify(uint32_t message) {
    if (message == DNM_STARTED) startCount_.fetch_add(1);
    if (HWND w = target_.load()) SendMessageA(w, message, 0, 0);
}

void MainWindow::streamTitle(const char* station, const char* title) {
    HWND w = target_.load();
    if (!w) return;
    auto note = std::make_unique<StreamTitleNote>();
    std::snprintf(note->station, sizeof note->station, "%s", station ? station : "");
    std::snprintf(note->title, sizeof note->title, "%s", title ? title : "");
    note->file = startCount_.load();
    note->kind = StreamTitleNote::Song;
    if (PostMessageA(w, kStreamTitleMessage, 0, reinterpret_cast<LPARAM>(note.get()))) note.release();
}

void MainWindow::streamReconnecting(bool waiting) {
    HWND w = target_.load();
    if (!w) return;
    auto note = std::make_unique<StreamTitleNote>();
    note->station[0] = note->title[0] = 0;
    note->file = startCount_.load();
    note->kind = waiting ? StreamTitleNote::Reconnecting : StreamTitleNote::Reconnected;
    if (PostMessageA(w, kStreamTitleMessage, 0, reinterpret_cast<LPARAM>(note.get()))) note.release();
}

void MainWindow::showMessage(const char* text, const char* title, PromptIcon icon) {
    postDecoderBox(text, title, icon, -1, 0);
}

void MainWindow::ask(int question, const char* text, const char* title, PromptIcon icon, long threadId) {
    // With no window to ask in (closing), the answer is no.
    if (!postDecoderBox(text, title, icon, question, threadId)) postAnswer(question, 0, threadId);
}

bool MainWindow::postDecoderBox(const char* text, const char* title, PromptIcon icon, int question, long threadId) {
    HWND w = target_.load();
    if (!w) return false;
    auto box = std::make_unique<DecoderBox>();
    std::snprintf(box->text, sizeof box->text, "%s", text ? text : "");
    std::snprintf(box->title, sizeof box->title, "%s", title ? title : "");
    box->icon = icon;
    box->question = question;
    box->threadId = threadId;
    if (!PostMessageA(w, kDecoderBoxMessage, 0, reinterpret_cast<LPARAM>(box.get()))) return false;
    box.release();   // the window frees it
    return true;
}

int MainWindow::askWavName(char* path, int size, int, void* context) {
    auto* self = static_cast<MainWindow*>(context);
    HWND w = self->target_.load();
    if (!w) return 0;
    WavNameRequest r{path, size};
    return int(SendMessageA(w, kWavNameMessage, 0, reinterpret_cast<LPARAM>(&r)));
}

void MainWindow::onDecoderBox(DecoderBox* raw) {
    std::unique_ptr<DecoderBox> box(raw);
    // A box shown while another is up would sit on top of it and hold the first open until
    // it is closed: they come one after another instead.
    if (showingDecoderBox_) {
        if (pendingBoxes_.size() < kPendingBoxLimit) pendingBoxes_.push_back(std::move(box));
        else if (box->question >= 0) postAnswer(box->question, 0, box->threadId);
        return;
    }
    showingDecoderBox_ = 1;
    while (box && hwnd_) {
        showDecoderBox(*box);
        box.reset();
        if (!pendingBoxes_.empty()) {
            box = std::move(pendingBoxes_.front());
            pendingBoxes_.pop_front();
        }
    }
    showingDecoderBox_ = 0;
}

void MainWindow::showDecoderBox(const DecoderBox& box) {
    const UINT flags = messageBoxIcon(box.icon) | MB_SETFOREGROUND;
    if (box.question < 0) {
        MessageBoxA(hwnd_, box.text, box.title, MB_OK | flags);
        return;
    }
    int yes = MessageBoxA(hwnd_, box.text, box.title, MB_YESNO | flags) == IDYES ? 1 : 0;
    postAnswer(box.question, yes, box.threadId);
}

// The display follows the play state and the entry, whatever message changed them.
LRESULT MainWindow::handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = dispatch(msg, wParam, lParam);
    // commands, requests and drops may change the list while nothing plays
    if (created_ && hwnd_ &&
        (playState_ != shownState_ || msg == DNM_STARTED || msg == DNM_ENDED || msg == DNM_FAILED ||
         msg == WM_COMMAND || msg == kRunRequestsMessage || msg == WM_DROPFILES))
        refreshDisplay();
    return result;
}

LRESULT MainWindow::dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE: return onCreate();
    case WM_DESTROY: onDestroy(); return 0;
    case WM_SIZE:
        if (wParam == SIZE_RESTORED) trayRemove(hwnd_);
        if (wParam == SIZE_MINIMIZED && settings().MinimizeLocation == 1) trayAdd(hwnd_, 0, decoderThreadId_);
        if (created_) updateViewTimer();
        return 0;
    case WM_SHOWWINDOW:
        if (created_) PostMessageA(hwnd_, WM_TIMER, kTimerViews, 0);   // shown or hidden once this returns
        break;
    case WM_PAINT: onPaint(); return 0;
    case WM_CLOSE: closeWindow(); return 0;
    case WM_ERASEBKGND: return onEraseBackground(reinterpret_cast<HDC>(wParam));
    case WM_CONTEXTMENU: onContextMenu(lParam); return 0;
    case WM_NCHITTEST: return HTCLIENT;
    case WM_INITMENU:
        if (reinterpret_cast<HMENU>(wParam) == popupMenu()) {
            onInitMenu(reinterpret_cast<HMENU>(wParam));
            return 0;
        }
        break;
    case WM_MOUSEMOVE: return onMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    case WM_LBUTTONDOWN: return onLButtonDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    case WM_LBUTTONUP: return onLButtonUp();
    case WM_LBUTTONDBLCLK: return 0;
    case WM_DPICHANGED: onDpiChanged(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam)); return 0;
    case WM_COMMAND: return onCommand(wParam, lParam);
    case WM_TIMER:
        if (wParam == kTimerViews) onViewTimer();
        else if (wParam == kTimerDisplay || wParam == kTimerVolumeMessage) onDisplayTimer(wParam);
        else onTimer(wParam);
        return 0;
    case WM_MOUSEWHEEL:
        wheelRest_ += GET_WHEEL_DELTA_WPARAM(wParam);
        changeVolume(wheelRest_ / WHEEL_DELTA);
        wheelRest_ %= WHEEL_DELTA;
        return 0;
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP:
        if (onKey(msg, wParam, lParam)) return 0;
        break;
    case WM_KEYDOWN:
        if (onKey(msg, wParam, lParam)) return 0;
        if (wParam == VK_UP || wParam == VK_DOWN) {
            changeVolume(wParam == VK_UP ? 1 : -1);
            return 0;
        }
        if (wParam == VK_LEFT || wParam == VK_RIGHT) {
            seekBy(wParam == VK_RIGHT ? kKeySeekMs : -kKeySeekMs);
            return 0;
        }
        if (wParam == 'J') return onCommand(IDM_JUMP_TO, 0);
        break;
    case WM_APPCOMMAND: {
        const MediaAction action = mediaActionOfAppCommand(GET_APPCOMMAND_LPARAM(lParam));
        if (action == MediaNone) break;
        onMediaAction(action);
        return TRUE;
    }
    case WM_HOTKEY: onMediaAction(MediaHotkeys::actionOf(wParam)); return 0;
    case WM_GETOBJECT: return onGetObject(wParam, lParam);
    case kPressButtonMessage:
        if (wParam < WPARAM(kButtonCount)) pressButton(int(wParam));
        return 0;
    case WM_COPYDATA: return onCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case WM_DROPFILES: return onDropFiles(reinterpret_cast<HDROP>(wParam));
    case kTrayCallbackMessage:
        trayCallback(hwnd_, lParam, popupMenu());
        break;
    case kRunRequestsMessage: runRequests(); return 0;
    case kDecoderBoxMessage: onDecoderBox(reinterpret_cast<DecoderBox*>(lParam)); return 0;
    case kTagsChangedMessage: refreshDisplay(true); return 0;
    case kEntryInfoMessage: onEntryInfo(); return 0;
    case kStreamTitleMessage: {
        std::unique_ptr<StreamTitleNote> note(reinterpret_cast<StreamTitleNote*>(lParam));
        if (target_.load()) onStreamTitle(*note);
        return 0;
    }
    case kWavNameMessage: {
        if (!target_.load()) return 0;   // closing: no file
        auto* r = reinterpret_cast<WavNameRequest*>(lParam);
        return runWavSaveDialog(hwnd_, r->path, r->size, playingPath_);
    }
    default:
        if (msg == taskbarCreatedMessage() && msg != 0) {
            trayShellRestarted(hwnd_);
            taskbar_.setUp(hwnd_);   // a new shell: the button's extras are made again
            return 0;
        }
        if (msg == taskbarButtonCreatedMessage() && msg != 0) {
            taskbar_.setUp(hwnd_);
            return 0;
        }
        // A notification that was under way when destruction began is not acted on.
        if ((msg == DNM_STARTED || msg == DNM_ENDED || msg == DNM_FAILED) && !target_.load()) return 0;
        if (msg == DNM_STARTED) {
            onStarted();
            break;   // then DefWindowProcA, as for any notification
        }
        if (msg == DNM_ENDED) {
            onEnded();
            return 1;
        }
        if (msg == DNM_FAILED) {   // the user has been told; the file is not playing
            clearStreamShownName();
            playState_ = PlayStateStopped;
            releasing_ = 0;
            return 0;
        }
        break;
    }
    return DefWindowProcA(hwnd_, msg, wParam, lParam);
}

void MainWindow::applyTopmost() {
    SetWindowPos(hwnd_, settings().AlwaysOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

LRESULT MainWindow::onCreate() {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    selectOutputDriver(settings().AudioOutputSystem);
    palette_.reset(createSkinPalette());
    if (!palette_) MessageBoxA(nullptr, kNoPalette, kErrorTitle, MB_OK);
    if (!useScale(skinScaleForDpi(windowDpi(hwnd_)))) return -1;
    menu_.reset(LoadMenuA(inst, MAKEINTRESOURCEA(IDR_MAINMENU)));
    if (!menu_) return -1;
    tips_ = createButtonTips(hwnd_, scale_);
    applyTopmost();
    loadTrayIcons();
    record_.create();   // the program runs on without it
    buildEqLineGains(settings().EqBand);

    target_.store(hwnd_);
    setWavFileNameHook(&MainWindow::askWavName, this);
    DecoderThreadSetup setup;
    setup.listener = this;
    setup.eqLineGains = eqLineGains();
    decoderThreadId_ = startDecoderThread(setup, decoderThread_);
    if (decoderThreadId_ == -1) return -1;

    Playlist& list = playlist();
    if (holdMs_ < 0 && list.selectEntry(0, nullptr)) {
        if (settings().ShufflePlay) list.shufflePlaylist();
        char path[kPathCapacity];
        if (list.getCurrentPath(path, sizeof path)) {
            Sleep(100);
            postPlay(path);
        }
    }
    SetTimer(hwnd_, kTimerStatus, 1000, nullptr);
    // What was read before the window was there to be told.
    PostMessageA(hwnd_, kEntryInfoMessage, 0, 0);
    created_ = 1;
    applyMediaKeys();
    return 0;
}

void MainWindow::onDestroy() {
    if (tips_) DestroyWindow(tips_);
    tips_ = nullptr;
    if (!created_) {
        // Creation was refused: release what it took, but neither save nor end the loop,
        // so the start-up's error box can still be shown.
        record_.release();
        stopDecoder();
        menu_.reset();
        skin_.reset();
        shape_.reset();
        hwnd_ = nullptr;
        return;
    }
    created_ = 0;
    rememberList();
    hotkeys_.release(hwnd_);
    releaseAccessible();
    taskbar_.reset();
    destroyEditor();
    record_.release();
    stopDecoder();
    if (!IsIconic(hwnd_)) {
        RECT r;
        if (GetWindowRect(hwnd_, &r)) {
            settings().WindowX = r.left;
            settings().WindowY = r.top;
        }
    }
    closeMiniController();
    trayRemove(hwnd_, 0);   // the window goes: it is not shown again
    const bool saved = saveSettings() == 1;
    menu_.reset();
    skin_.reset();
    shape_.reset();
    KillTimer(hwnd_, kTimerStatus);
    KillTimer(hwnd_, kTimerDisplay);
    KillTimer(hwnd_, kTimerVolumeMessage);
    KillTimer(hwnd_, kTimerViews);
    display_.release();
    pressedSkin_.reset();
    // Told once the timers are gone, since the box runs messages while the window goes; the
    // box has no owner, the window being on its way out.
    if (!saved) tellSettingsNotSaved(nullptr);
    hwnd_ = nullptr;
    PostQuitMessage(0);
}

// The skin, its shape, the button regions and the display drawn for a scale; the window
// takes the skin's size. Nothing changes when the skin of that scale cannot be loaded.
bool MainWindow::useScale(int percent) {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    const SkinResources ids = skinResources(percent);
    auto load = [inst](int id) {
        return static_cast<HBITMAP>(LoadImageA(inst, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    };
    GdiObject<HBITMAP> skin(load(ids.skin));
    if (!skin) return false;
    skin_ = std::move(skin);
    shape_.reset(load(ids.shape));
    pressedSkin_.reset(load(ids.pressed));
    scale_ = percent;
    for (int i = 0; i < kButtonCount; ++i) {
        const RECT r = buttonEllipse(i, percent);
        buttonRegions_[i].reset(CreateEllipticRgn(r.left, r.top, r.right, r.bottom));
    }
    display_.create(skin_.get(), inst, percent);   // without it the plate stays empty
    if (tips_) placeButtonTips(tips_, hwnd_, percent);
    SetWindowPos(hwnd_, nullptr, 0, 0, scaleLength(kSkinWidth, percent), scaleLength(kSkinHeight, percent),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    HRGN shape = shape_ ? createWindowShape(shape_.get()) : nullptr;
    SetWindowRgn(hwnd_, shape, TRUE);   // the window owns the region from here
    return true;
}

// Moved to a monitor of another scale: the artwork of that scale at the place suggested.
void MainWindow::onDpiChanged(int dpi, const RECT* suggested) {
    const int before = scale_;
    if (!useScale(skinScaleForDpi(dpi))) return;
    // a drag goes on from the same place of the skin
    grab_ = {grab_.x * scale_ / before, grab_.y * scale_ / before};
    if (suggested)
        SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    refreshDisplay(false);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

int rememberedListPath(const char* name, char* out, size_t outSize) {
    const int n = std::snprintf(out, outSize, "%s%s", programDirectory(), name);
    return n > 0 && size_t(n) < outSize ? 1 : 0;
}

void MainWindow::rememberList() {
    Settings& s = settings();
    if (!s.RememberPlaylist) return;
    Playlist& list = playlist();
    s.RememberedEntry = list.currentIndex();
    int64_t ms = holdMs_ >= 0           ? holdMs_
                 : seekOnStartMs_ > 0   ? seekOnStartMs_   // not started yet
                 : playState_ != PlayStateStopped ? outputDriver().getPlayedTime()
                                                  : 0;
    s.RememberedMs = ms < 0 ? 0 : ms > INT32_MAX ? INT32_MAX : int(ms);
    // The list a start with files left is no library: the one kept before it stays, so two
    // such starts in a row cannot lose the listener's own list.
    const bool keepBefore = !s.RememberedGiven;
    s.RememberedGiven = startedWithFiles_ ? 1 : 0;
    char path[kPathCapacity], before[kPathCapacity];
    if (rememberedListPath(playlist_texts::kRememberedList, path, sizeof path) &&
        rememberedListPath(playlist_texts::kRememberedListBefore, before, sizeof before) &&
        list.rememberList(path, before, keepBefore))
        return;
    char text[kPathCapacity + 64];
    std::snprintf(text, sizeof text, kErrorWriting, path);
    MessageBoxA(nullptr, text, kErrorTitle, MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
}

RECT fitIntoArea(const RECT& r, const RECT& work) {
    auto fit = [](long from, long size, long low, long high, long& outFrom, long& outTo) {
        long room = high - low > 0 ? high - low : 0;
        if (size < 0) size = 0;
        if (size > room) size = room;
        if (from > high - size) from = high - size;
        if (from < low) from = low;
        outFrom = from;
        outTo = from + size;
    };
    RECT out;
    fit(r.left, long(r.right) - r.left, work.left, work.right, out.left, out.right);
    fit(r.top, long(r.bottom) - r.top, work.top, work.bottom, out.top, out.bottom);
    return out;
}

RECT placeOnNearestWorkArea(int x, int y, int w, int h) {
    // Far-off numbers are brought near first, so that the sums below cannot overflow.
    constexpr int kFar = 1 << 24;
    auto bring = [](int v) { return v < -kFar ? -kFar : v > kFar ? kFar : v; };
    RECT r{bring(x), bring(y), 0, 0};
    r.right = r.left + (w < 0 ? 0 : bring(w));
    r.bottom = r.top + (h < 0 ? 0 : bring(h));
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST), &info)) return r;
    return fitIntoArea(r, info.rcWork);
}

void keepInsideWorkArea(HWND w) {
    RECT r;
    if (!GetWindowRect(w, &r)) return;
    const RECT place = placeOnNearestWorkArea(r.left, r.top, r.right - r.left, r.bottom - r.top);
    if (place.left != r.left || place.top != r.top)
        SetWindowPos(w, nullptr, place.left, place.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Takes a window off the screen at once, without hiding it. An empty shape shows nothing
// and needs no answer from the window manager; hiding does, and under Wine an X server
// without one makes every hide wait two seconds for it. Dropping the visible style keeps
// DestroyWindow from hiding it again.
void vanish(HWND w) {
    SetWindowRgn(w, CreateRectRgn(0, 0, 0, 0), TRUE);   // the window owns the region
    SetWindowLongA(w, GWL_STYLE, GetWindowLongA(w, GWL_STYLE) & ~WS_VISIBLE);
}

namespace {
BOOL CALLBACK vanishOwned(HWND w, LPARAM owner) {
    if (GetWindow(w, GW_OWNER) == reinterpret_cast<HWND>(owner) && IsWindowVisible(w)) vanish(w);
    return TRUE;
}
} // namespace

// The window and what it owns (an open message box among them) go at once; then it is destroyed.
void MainWindow::closeWindow() {
    EnumThreadWindows(GetCurrentThreadId(), vanishOwned, reinterpret_cast<LPARAM>(hwnd_));
    vanish(hwnd_);
    DestroyWindow(hwnd_);
}

// Ends the decoder thread. It may be inside a send to this window at this moment, so the
// wait answers sent messages (unacted: the target is gone) instead of blocking for them.
void MainWindow::stopDecoder() {
    target_.store(nullptr);
    if (decoderThreadId_ == -1) return;
    if (playState_ == PlayStatePaused) resumeAndFlushOutput();
    postThreadMessage(decoderThreadId_, kMsgQuit, 0, 0);
    HANDLE thread = static_cast<HANDLE>(decoderThread_.nativeHandle());
    const DWORD start = GetTickCount();
    while (thread) {
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= kDecoderStopWaitMs) break;
        DWORD r = MsgWaitForMultipleObjects(1, &thread, FALSE, kDecoderStopWaitMs - elapsed, QS_SENDMESSAGE);
        if (r != WAIT_OBJECT_0 + 1) break;
        MSG m;
        PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    stopDecoderThread(decoderThreadId_, decoderThread_, 0);   // ended by now, or given up
    decoderThreadId_ = -1;
}

LRESULT MainWindow::onEraseBackground(HDC dc) {
    MemoryDC mem(dc);
    if (!mem) return 1;
    mem.select(skin_.get());
    BitBlt(dc, 0, 0, scaleLength(kSkinWidth, scale_), scaleLength(kSkinHeight, scale_), mem.get(), 0, 0, SRCCOPY);
    return 1;
}

// Each button as it stands (pressed while held inside it; Repeat and Shuffle also while they
// are on), then the display.
void MainWindow::onPaint() {
    PaintScope paint(hwnd_);
    HDC dc = paint.get();
    if (palette_) {
        SelectPalette(dc, palette_.get(), FALSE);
        RealizePalette(dc);
    }
    MemoryDC mem(dc);
    if (mem && skin_) {
        for (int i = 0; i < kButtonCount; ++i) {
            const bool on = (i == ButtonRepeat && settings().RepeatPlay) || (i == ButtonShuffle && settings().ShufflePlay);
            const bool pressed = ((buttons_[i].pressed && buttons_[i].inside) || on) && pressedSkin_;
            if (!buttonRegions_[i]) continue;
            mem.select(pressed ? pressedSkin_.get() : skin_.get());
            const RECT r = buttonEllipse(i, scale_);
            SelectClipRgn(dc, buttonRegions_[i].get());   // within the update region still
            BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, mem.get(), r.left, r.top, SRCCOPY);
            SelectClipRgn(dc, nullptr);
        }
    }
    drawFocusMark(dc);
    display_.blit(dc);
}

void MainWindow::refreshDisplay(bool entry) {
    shownState_ = playState_;
    const bool playing = playState_ == PlayStatePlaying;
    if (playing != (displayTimer_ != 0)) {
        if (playing) SetTimer(hwnd_, kTimerDisplay, kDisplayRefreshMs, nullptr);
        else KillTimer(hwnd_, kTimerDisplay);
        displayTimer_ = playing ? 1 : 0;
    }
    const std::string nameBefore = shownName_;
    if (entry || shownName_.empty()) {
        PlaylistEntry current;
        const bool hasEntry = playlist().copyCurrentEntry(current) != 0;
        shownName_ = hasEntry ? entryDisplayName(current) : std::string(kMainWindowTitle);
        // A station shows its name and song while it plays.
        if (playState_ != PlayStateStopped && streamShownName()[0]) shownName_ = streamShownName();
        entryTimeMs_ = hasEntry && current.playTimeMs > 0 ? current.playTimeMs : 0;
    }
    NowPlayingView view;
    view.name = shownName_.c_str();
    view.state = playState_ == PlayStatePlaying ? DisplayPlaying
                 : playState_ == PlayStatePaused ? DisplayPaused
                                                 : DisplayStopped;
    if (playState_ == PlayStateStopped) {
        view.totalMs = entryTimeMs_;
    } else {
        DecoderStatus status;
        getDecoderStatus(status);
        view.totalMs = status.totalMs;
        view.elapsedMs = outputDriver().getPlayedTime();
        // the WAV output keeps no time: the read position stands in for it
        if (view.elapsedMs <= 0 && view.totalMs > 0) view.elapsedMs = int64_t(status.percent) * view.totalMs / 100;
    }
    if (showingVolume_) view.volume = settings().EqVolume;
    view.mode = settings().DisplayMode;
    // stopped, the views show nothing; paused, they hold still
    if (playState_ == PlayStateStopped) bars_.clear();
    view.bars = &bars_;
    view.scope = playState_ == PlayStateStopped ? nullptr : scope_;
    updateViewTimer();
    shownView_ = view;
    shownView_.name = "";
    if (shownName_ != nameBefore) NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, hwnd_, OBJID_CLIENT, kDisplayChild);
    taskbar_.show(TaskbarState(playState_), view.elapsedMs, view.totalMs);
    if (!display_.render(view)) return;
    WindowDC dc(hwnd_);
    if (dc) display_.blit(dc.get());
}

void MainWindow::onDisplayTimer(UINT_PTR id) {
    if (id == kTimerVolumeMessage) {
        KillTimer(hwnd_, kTimerVolumeMessage);
        showingVolume_ = 0;
        refreshDisplay();
    } else {
        // A remembered place is gone to once the file's length is known (before, a seek
        // would take it for a stream).
        if (seekOnStartMs_ > 0 && playState_ == PlayStatePlaying) {
            getDecoderStatus(status_);
            if (status_.totalMs > 0) {
                postSeekBy(seekOnStartMs_, decoderThreadId_);
                seekOnStartMs_ = 0;
            }
        }
        display_.scroll();
        refreshDisplay(false);
    }
}

void MainWindow::updateViewTimer() {
    const bool moving = settings().DisplayMode != kDisplayModeName && playState_ == PlayStatePlaying &&
                        IsWindowVisible(hwnd_) && !IsIconic(hwnd_);
    if (moving == (viewTimer_ != 0)) return;
    if (moving) SetTimer(hwnd_, kTimerViews, kViewRefreshMs, nullptr);
    else KillTimer(hwnd_, kTimerViews);
    viewTimer_ = moving ? 1 : 0;
    viewTickMs_ = int64_t(GetTickCount64());
}

// The picture of what the device plays now, from the PCM the decoder gave it.
void MainWindow::onViewTimer() {
    updateViewTimer();
    if (!viewTimer_) return;
    const int64_t now = int64_t(GetTickCount64());
    const int elapsed = int(now - viewTickMs_);
    viewTickMs_ = now;
    OutputDriver& out = outputDriver();
    static float heard[kFftSize];
    const int rate = pcmTap().heard(heard, kFftSize, out.bufferCount() - out.freeBufferCount(), now);
    if (settings().DisplayMode == kDisplayModeBars) {
        float levels[kBarCount] = {};
        if (rate) barLevels(heard, rate, levels);
        bars_.update(levels, elapsed);
    } else {
        int count = rate * kScopeMs / 1000;
        count = count > kFftSize ? kFftSize : count;
        scopeColumns(heard + kFftSize - count, count, scope_, kDisplayInnerWidth);
    }
    refreshDisplay(false);
}

void MainWindow::nextDisplayMode() {
    setSharedValue(settings().DisplayMode, (settings().DisplayMode + 1) % kDisplayModeCount);
    bars_.clear();
    for (float& v : scope_) v = 0.f;
    refreshDisplay(false);
}

// The decoder thread picks the new level up at its next frame.
void MainWindow::changeVolume(int steps) {
    if (steps == 0) return;
    int level = settings().EqVolume + steps;
    level = level < 0 ? 0 : level >= kVolumeLevels ? kVolumeLevels - 1 : level;
    setSharedValue(settings().EqVolume, level);
    showingVolume_ = 1;
    SetTimer(hwnd_, kTimerVolumeMessage, kVolumeMessageMs, nullptr);
    refreshDisplay();
}

void MainWindow::pressButton(int index) {
    if (index == ButtonMinimise) ShowWindow(hwnd_, SW_MINIMIZE);
    else SendMessageA(hwnd_, WM_COMMAND, kButtonTable[index].command, 0);
}

void MainWindow::redrawButton(int index) {
    UINT flags = RDW_INVALIDATE | RDW_VALIDATE | RDW_UPDATENOW;
    if (index != ButtonClose && index != ButtonMinimise) flags |= RDW_NOCHILDREN;
    RedrawWindow(hwnd_, nullptr, buttonRegions_[index].get(), flags);
}

// A stream has no place to go to; stopped, nothing plays.
void MainWindow::seekBy(int deltaMs) {
    if (playState_ == PlayStateStopped) return;
    getDecoderStatus(status_);
    if (status_.totalMs > 0) postSeekBy(deltaMs, decoderThreadId_);
}

LRESULT MainWindow::onLButtonDown(int x, int y) {
    const int percent = NowPlayingDisplay::percentAt(unscaleLength(x, scale_), unscaleLength(y, scale_));
    if (percent >= 0 && playState_ != PlayStateStopped) {
        getDecoderStatus(status_);
        if (status_.totalMs > 0) {   // a stream has no place to go to
            postSeekPercent(percent, decoderThreadId_);
            return 0;
        }
    }
    grab_ = {x, y};
    if (NowPlayingDisplay::takesViewClick(unscaleLength(x, scale_), unscaleLength(y, scale_))) {
        dragging_ = 1;
        displayClick_ = 1;
        SetCapture(hwnd_);
        return 0;
    }
    for (int i = 0; i < kButtonCount; ++i) {
        if (buttonRegions_[i] && PtInRegion(buttonRegions_[i].get(), x, y)) {
            buttons_[i].pressed = 1;
            buttons_[i].inside = 1;
            SetCapture(hwnd_);
            redrawButton(i);
            return 0;
        }
    }
    dragging_ = 1;
    SetCapture(hwnd_);
    return 0;
}

LRESULT MainWindow::onMouseMove(int x, int y) {
    // A press on the display is a click until it goes the system's drag distance.
    if (displayClick_ && std::abs(x - grab_.x) < GetSystemMetrics(SM_CXDRAG) &&
        std::abs(y - grab_.y) < GetSystemMetrics(SM_CYDRAG))
        return 0;
    displayClick_ = 0;
    if (dragging_) {
        POINT p{x, y};
        ClientToScreen(hwnd_, &p);
        SetWindowPos(hwnd_, nullptr, p.x - grab_.x, p.y - grab_.y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOSENDCHANGING);
    }
    for (int i = 0; i < kButtonCount; ++i) {
        const int inside = buttonRegions_[i] && PtInRegion(buttonRegions_[i].get(), x, y) ? 1 : 0;
        const bool changed = inside != buttons_[i].inside;
        buttons_[i].inside = inside;
        if (changed && buttons_[i].pressed) redrawButton(i);   // held, it looks pressed only inside
    }
    return 0;
}

LRESULT MainWindow::onLButtonUp() {
    // Minimise and Close first, then the drag, then the rest in table order.
    static const int kOrder[] = {ButtonMinimise, ButtonClose, -1, ButtonOpen, ButtonPlay, ButtonPause,
                                 ButtonStop, ButtonPrevious, ButtonNext, ButtonRepeat, ButtonShuffle};
    for (int index : kOrder) {
        if (index < 0) {
            if (dragging_) {
                ReleaseCapture();
                dragging_ = 0;
            }
            if (displayClick_) {
                displayClick_ = 0;
                nextDisplayMode();
            }
            continue;
        }
        ButtonFlags& b = buttons_[index];
        if (!b.pressed) continue;
        ReleaseCapture();
        if (b.inside) {
            b.inside = 0;
            pressButton(index);
        }
        if (!hwnd_) {   // Close destroyed the window
            b.pressed = 0;
            return 0;
        }
        redrawButton(index);
        b.pressed = 0;
    }
    return 0;
}

void MainWindow::onContextMenu(LPARAM lParam) {
    HMENU popup = popupMenu();
    POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (LONG(lParam) == -1) {   // from the keyboard: at the focused button, or the window's middle
        RECT r{};
        if (focus_ >= 0) r = buttonEllipse(focus_, scale_);
        else GetClientRect(hwnd_, &r);
        at = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        ClientToScreen(hwnd_, &at);
    }
    if (popup) TrackPopupMenu(popup, TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd_, nullptr);
}

void MainWindow::onInitMenu(HMENU menu) {
    auto check = [menu](UINT id, bool on) { CheckMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED)); };
    check(IDM_REPEAT, settings().RepeatPlay == 1);
    check(IDM_SHUFFLE, settings().ShufflePlay == 1);
    check(IDM_PLAYLIST_EDITOR, isEditorShown() == 1);
    check(IDM_PREFERENCES, preferencesSheet() != nullptr);
}

} // namespace korvo::win
