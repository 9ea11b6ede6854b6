#pragma once
// The main window: skinned, shaped, ten round buttons; and its controller, which turns
// commands, requests and decoder notifications into playlist and playback actions.
#include <windows.h>
#include <shellapi.h>

#include "app/win32/current_file_record.h"
#include "app/win32/handles.h"
#include "app/win32/skin.h"
#include "playback/decoder_thread.h"
#include "platform/thread.h"

namespace korvo::win {

// Play state of the user interface.
enum PlayState { PlayStatePlaying = 0, PlayStatePaused = 1, PlayStateStopped = 2 };

// Second-instance requests (COPYDATASTRUCT::dwData).
enum CopyDataRequest {
    RequestClear = 0, RequestAddPath = 1, RequestPlayPath = 2, RequestPlayIndex = 3, RequestPlayFirst = 4
};

constexpr UINT kTrayCallbackMessage = 0x9388;
constexpr UINT_PTR kTimerTrayHold = 1;
constexpr UINT_PTR kTimerStatus = 2;
constexpr UINT_PTR kTimerAnnounce = 3;
constexpr int kPathBufferSize = 260;

class MainWindow final : public DecoderListener {
public:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND hwnd() const { return hwnd_; }
    HMENU popupMenu() const { return menu_ ? GetSubMenu(menu_.get(), 0) : nullptr; }
    int playState() const { return playState_; }
    long decoderThreadId() const { return decoderThreadId_; }

    // DecoderListener: runs on the decoder thread, handed over synchronously.
    void notify(uint32_t message) override;

private:
    LRESULT handle(UINT msg, WPARAM wParam, LPARAM lParam);

    // window (skin, shape, mouse, lifecycle)
    LRESULT onCreate();
    void onDestroy();
    LRESULT onEraseBackground(HDC dc);
    void onPaint();
    LRESULT onLButtonDown(int x, int y);
    LRESULT onMouseMove(int x, int y);
    LRESULT onLButtonUp();
    void onContextMenu(LPARAM lParam);
    void onInitMenu(HMENU menu);
    void redrawButton(int index);
    void applyTopmost();

    // controller
    LRESULT onCommand(WPARAM wParam, LPARAM lParam);
    LRESULT onCopyData(const COPYDATASTRUCT* cds);
    LRESULT onDropFiles(HDROP drop);
    void onStarted();
    void onEnded();
    void onTimer(UINT_PTR id);
    void stopForNewAction();
    void playCurrentEntry();
    void postPlay(const char* path);
    void openFile();
    void openLocation();
    void allowAndRefreshEditor();

    HWND hwnd_ = nullptr;
    int created_ = 0;   // WM_CREATE went through; a refused creation skips the shutdown work
    GdiObject<HBITMAP> skin_;
    GdiObject<HBITMAP> shape_;
    GdiObject<HPALETTE> palette_;
    GdiObject<HRGN> buttonRegions_[kButtonCount];
    MenuHandle menu_;
    struct ButtonFlags {
        int pressed = 0;
        int inside = 0;
    } buttons_[kButtonCount];
    int dragging_ = 0;
    POINT grab_{};

    Thread decoderThread_;
    long decoderThreadId_ = -1;
    CurrentFileRecord record_;
    int playState_ = PlayStateStopped;
    int announceGate_ = 1;
    DecoderStatus status_{};
    char playingPath_[kPathBufferSize] = {};   // what the decoder thread plays when told to play again
};

MainWindow& mainWindow();

} // namespace korvo::win
