#pragma once
// The main window: skinned, shaped, ten round buttons; and its controller, which turns
// commands, requests and decoder notifications into playlist and playback actions.
#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <deque>
#include <memory>
#include <string>

#include "app/copy_data_request.h"
#include "app/win32/accessible.h"
#include "app/win32/current_file_record.h"
#include "app/win32/handles.h"
#include "app/win32/media_keys.h"
#include "app/win32/now_playing.h"
#include "app/win32/skin.h"
#include "app/win32/taskbar.h"
#include "net/icy_metadata.h"
#include "playback/decoder_thread.h"
#include "platform/thread.h"
#include "playlist/info_reader.h"

namespace korvo::win {

// Play state of the user interface.
enum PlayState { PlayStatePlaying = 0, PlayStatePaused = 1, PlayStateStopped = 2 };

// Second-instance requests (COPYDATASTRUCT::dwData).
using korvo::CopyDataRequest;
using enum korvo::CopyDataRequest;

constexpr UINT kTrayCallbackMessage = 0x9388;
// Posted by the window to itself: copied second-instance requests wait in the queue.
constexpr UINT kRunRequestsMessage = 0x8300;
// Posted by the decoder thread: lParam is a DecoderBox to show (the window frees it).
constexpr UINT kDecoderBoxMessage = 0x8301;
// Sent by the decoder thread when the WAV output opens: lParam is a WavNameRequest; the
// result is 1 with a name, 0 when cancelled.
constexpr UINT kWavNameMessage = 0x8302;
// Sent by the tag editor after it changed a file's tags: the display shows the new name.
constexpr UINT kTagsChangedMessage = 0x8303;
// Posted by the decoder thread: lParam is a StreamTitleNote (the window frees it).
constexpr UINT kStreamTitleMessage = 0x8304;
// Posted by the information reader's thread: read entries wait to be taken.
constexpr UINT kEntryInfoMessage = 0x8305;
// Read entries taken in one go.
constexpr size_t kEntryInfoBatch = 512;
// Posted by the screen reader's object: press the button wParam (outside the reader's call).
constexpr UINT kPressButtonMessage = 0x8306;
constexpr UINT_PTR kTimerTrayHold = 1;
constexpr UINT_PTR kTimerStatus = 2;
constexpr UINT_PTR kTimerAnnounce = 3;
// Closes a hand-over's add batch when its second start never sent the play request.
constexpr UINT_PTR kTimerHandOverBatch = 4;
constexpr UINT kHandOverBatchMs = 2000;
// Left and Right jump this far back and forward.
constexpr int kKeySeekMs = 5000;

// Takes a window off the screen at once, before it is destroyed (see main_window.cpp).
void vanish(HWND w);

// r moved into work, and cut to it where larger (a width or height below 0 counts as 0).
RECT fitIntoArea(const RECT& r, const RECT& work);
// A window rectangle at (x, y) of w x h, fitted into the work area of the monitor nearest
// to it: a position kept from another screen layout still shows the window.
RECT placeOnNearestWorkArea(int x, int y, int w, int h);
// Moves a window that runs off the work area of its monitor back into it (a dialog opened
// at the player's place at a large scale would hide its buttons).
void keepInsideWorkArea(HWND w);

// The path of a list file beside the settings (name: kRememberedList or kRememberedListBefore);
// 0 when it does not fit.
int rememberedListPath(const char* name, char* out, size_t outSize);

// The message box flag for a prompt icon.
UINT messageBoxIcon(PromptIcon icon);

// Tab moves the focus mark through the buttons in this order.
extern const int kFocusOrder[kButtonCount];
// The screen reader's children: the buttons in table order, then the display.
constexpr int kDisplayChild = kButtonCount + 1;

// Tells the user that the settings could not be written (the INI file stays as it was), in
// a box owned by owner.
void tellSettingsNotSaved(HWND owner);

class MainWindow final : public DecoderListener, public AccessibleHost {
public:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND hwnd() const { return hwnd_; }
    HMENU popupMenu() const { return menu_ ? GetSubMenu(menu_.get(), 0) : nullptr; }
    int playState() const { return playState_; }
    long decoderThreadId() const { return decoderThreadId_; }

    // DecoderListener: runs on the decoder thread. Notifications are sent (the thread
    // waits); messages and questions are posted, and their boxes are shown by this thread.
    void notify(uint32_t message) override;
    void showMessage(const char* text, const char* title, PromptIcon icon) override;
    void ask(int question, const char* text, const char* title, PromptIcon icon, long threadId) override;
    void streamTitle(const char* station, const char* title) override;
    void streamReconnecting(bool waiting) override;

    // The remembered list was restored: its current entry waits at ms until Play.
    void holdUntilPlay(int ms) { holdMs_ = ms < 0 ? 0 : ms; }
    // The list is what the command line gave, not the listener's own.
    void startedWithFiles() { startedWithFiles_ = true; }
    // The reader whose results this window hands to the playlist (nullptr: none).
    void useInfoReader(InfoReader* reader) { infoReader_ = reader; }
    // InfoReader::Notify, on the reader's thread.
    static void entryInfoReady(void* window);
    // AccessibleHost: the buttons and the display as a screen reader finds them.
    int accCount() override { return kDisplayChild; }
    bool accDescribe(int child, AccessibleItem& out) override;
    int accFocused() override;
    bool accPress(int child) override;
    bool accTakeFocus(int child) override;

    // The media keys held or given back as GlobalMediaKeys says.
    void applyMediaKeys();
    int focusedButton() const { return focus_; }

private:
    LRESULT handle(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT dispatch(UINT msg, WPARAM wParam, LPARAM lParam);

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
    bool useScale(int percent);
    void onDpiChanged(int dpi, const RECT* suggested);
    void pressButton(int index);
    // keyboard, media keys, taskbar and screen reader (keyboard_access.cpp)
    bool onKey(UINT msg, WPARAM key, LPARAM lParam);
    void moveFocus(int step);
    void setFocusMark(int index);
    RECT focusMarkRect(int index) const;
    void drawFocusMark(HDC dc);
    void onMediaAction(MediaAction action);
    void toggleMute();
    LRESULT onGetObject(WPARAM wParam, LPARAM lParam);
    void releaseAccessible();
    // the display and the volume
    // entry: read the current entry's name and length again (not needed for a tick)
    void refreshDisplay(bool entry = true);
    void onDisplayTimer(UINT_PTR id);
    // the frequency bars and the scope: a timer only while they show and move
    void updateViewTimer();
    void onViewTimer();
    void nextDisplayMode();
    void changeVolume(int steps);
    void seekBy(int deltaMs);
    void applyTopmost();
    void stopDecoder();
    void closeWindow();

    // controller
    LRESULT onCommand(WPARAM wParam, LPARAM lParam);
    LRESULT onCopyData(const COPYDATASTRUCT* cds);
    void runRequests();
    friend struct RequestWindow;
    struct DecoderBox {
        char text[1024];
        char title[128];
        PromptIcon icon;
        int question;   // -1: a message; otherwise the question's number
        long threadId;
    };
    struct WavNameRequest {
        char* path;
        int size;
    };
    // The WAV output's name, asked on the decoder thread; the dialog runs on ours.
    static int askWavName(char* path, int size, int rate, void* context);
    bool postDecoderBox(const char* text, const char* title, PromptIcon icon, int question, long threadId);
    void onDecoderBox(DecoderBox* box);
    void showDecoderBox(const DecoderBox& box);
    LRESULT onDropFiles(HDROP drop);
    void onStarted();
    void onEnded();
    struct StreamTitleNote {
        char station[kIcyTitleBytes];
        char title[kIcyTitleBytes];
        int file;    // the start it belongs to (startCount_)
        enum Kind { Song, Reconnecting, Reconnected } kind;
    };
    // The station's name and song last told for the stream that plays; a reconnect shows
    // in place of the song and gives it back.
    StreamTitleNote song_{};
    void onStreamTitle(const StreamTitleNote& note);
    void onTimer(UINT_PTR id);
    void stopForNewAction();
    void playCurrentEntry();
    void postPlay(const char* path);
    void openFile();
    void openLocation();
    void allowAndRefreshEditor();
    void onEntryInfo();
    // The list, its current entry and how far it played, kept for the next start.
    void rememberList();

    HWND hwnd_ = nullptr;
    HWND tips_ = nullptr;   // not owned by the window: an owned topmost popup keeps it from going topmost under Wine
    int created_ = 0;   // WM_CREATE went through; a refused creation skips the shutdown work
    GdiObject<HBITMAP> skin_;
    GdiObject<HBITMAP> shape_;
    GdiObject<HPALETTE> palette_;
    GdiObject<HRGN> buttonRegions_[kButtonCount];
    GdiObject<HBITMAP> pressedSkin_;
    int scale_ = 100;   // the skin's scale in percent of 96 DPI
    NowPlayingDisplay display_;
    int shownState_ = -1;       // the play state the display last showed
    int displayTimer_ = 0;      // the refresh timer runs (while playing)
    int viewTimer_ = 0;         // the timer of the bars or the scope runs
    int64_t viewTickMs_ = 0;    // when the view last moved
    FallingBars bars_;
    float scope_[kDisplayInnerWidth] = {};
    int showingVolume_ = 0;
    int wheelRest_ = 0;         // wheel movement short of a step
    std::string shownName_;     // the current entry's display text, read at the last change
    int32_t entryTimeMs_ = 0;   // its length as the playlist knows it
    NowPlayingView shownView_;  // the numbers last shown (its name is shownName_)
    int focus_ = -1;            // the button under the focus mark, -1 before the first Tab
    int mutedVolume_ = 0;       // the level before a mute; 0 when not muted
    MediaHotkeys hotkeys_;
    TaskbarButton taskbar_;
    WindowAccessible* accessible_ = nullptr;   // one reference held while the window lives
    MenuHandle menu_;
    struct ButtonFlags {
        int pressed = 0;
        int inside = 0;
    } buttons_[kButtonCount];
    int dragging_ = 0;
    int displayClick_ = 0;   // pressed on the display: a click changes the view, a drag moves
    POINT grab_{};

    Thread decoderThread_;
    long decoderThreadId_ = -1;
    CurrentFileRecord record_;
    int playState_ = PlayStateStopped;
    int announceGate_ = 1;
    // The decoder thread's boxes are shown one at a time, in order; those that come while one
    // is up wait here.
    static constexpr size_t kPendingBoxLimit = 16;
    std::deque<std::unique_ptr<DecoderBox>> pendingBoxes_;
    int showingDecoderBox_ = 0;
    int releasing_ = 0;   // the end of the list was reached; its queued sound may still play
    DecoderStatus status_{};
    char playingPath_[kPathCapacity] = {};   // what the decoder thread plays when told to play again

    // Second-instance requests, copied in WM_COPYDATA and run after it returned, in order.
    korvo::CopyDataRequests requests_;
    // Set when destruction starts; read by the decoder thread before it sends or posts.
    std::atomic<HWND> target_{nullptr};
    // Starts notified, counted on the decoder thread before each is sent: a title posted for
    // a stream that has since given way is known by its count.
    std::atomic<int> startCount_{0};
    int shownStart_ = 0;    // the count of the start this window acted on last
    InfoReader* infoReader_ = nullptr;
    bool startedWithFiles_ = false;
    int holdMs_ = -1;          // >= 0: a restored entry waits for Play, to go on from there
    int seekOnStartMs_ = 0;    // where the file being started goes first
};

MainWindow& mainWindow();

} // namespace korvo::win
