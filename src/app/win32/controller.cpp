// The main window's controller: commands, second-instance requests, dropped files and the
// decoder thread's notifications.
#include "app/win32/main_window.h"

#include <commdlg.h>

#include <cstdio>
#include <cstring>

#include "settings/settings.h"
#include "app/win32/about.h"
#include "app/win32/chat.h"
#include "app/win32/command_line.h"
#include "app/win32/dialogs.h"
#include "app/win32/equalizer_dialog.h"
#include "app/win32/jump_dialog.h"
#include "app/win32/playlist_editor.h"
#include "app/win32/preferences.h"
#include "app/win32/resource_ids.h"
#include "app/win32/tag_editor.h"
#include "app/win32/stream_title.h"
#include "app/win32/tray.h"
#include "app/win32/win_texts.h"
#include "net/net_texts.h"
#include "playback/output_driver.h"
#include "playlist/entry_info.h"
#include "playlist/playlist.h"

namespace korvo::win {

void MainWindow::postPlay(const char* path) {
    if (path) {
        std::strncpy(playingPath_, path, sizeof playingPath_ - 1);
        playingPath_[sizeof playingPath_ - 1] = '\0';
    }
    postPlayFile(path, decoderThreadId_);
}

void MainWindow::stopForNewAction() {
    clearStreamShownName();
    holdMs_ = -1;
    seekOnStartMs_ = 0;
    if (playState_ == PlayStatePaused) resumeAndFlushOutput();
    if (releasing_) {
        // The list has ended and the decoder thread lets the queued sound play out, deaf to
        // a stop until it has: cut it here. Left running, so a last block written after the
        // flush still plays out and the release ends.
        outputDriver().flush();
        outputDriver().resume();
        releasing_ = 0;
    }
    postStop(decoderThreadId_);
}

void MainWindow::playCurrentEntry() {
    char path[kPathCapacity];
    if (playlist().getCurrentPath(path, sizeof path)) postPlay(path);
}

void MainWindow::allowAndRefreshEditor() {
    setRefreshEnabled(1);
    requestRefresh();
}

void MainWindow::openFile() {
    Playlist& list = playlist();
    if (openFilesDialog(hwnd_, 1, FiltersAll) < 1 || !list.selectEntry(0, nullptr)) return;
    if (settings().ShufflePlay) list.shufflePlaylist();
    allowAndRefreshEditor();
    char path[kPathCapacity];
    if (!list.getCurrentPath(path, sizeof path)) return;
    stopForNewAction();
    postPlay(path);
}

void MainWindow::openLocation() {
    char text[kPathCapacity];
    if (!runOpenUrlDialog(hwnd_, text, sizeof text) || std::strlen(text) < 4) return;
    stopForNewAction();
    Playlist& list = playlist();
    list.clearPlaylist();
    if (!list.addEntry(text)) {
        char message[kPathCapacity + 64];
        std::snprintf(message, sizeof message, kErrorProcessingFile, text);
        MessageBoxA(hwnd_, message, kErrorTitle, MB_OK);
    }
    allowAndRefreshEditor();
    playCurrentEntry();
}

LRESULT MainWindow::onCommand(WPARAM wParam, LPARAM lParam) {
    Playlist& list = playlist();
    switch (LOWORD(wParam)) {
    case IDM_OPEN_FILE: openFile(); return 0;
    case IDM_CLOSE: closeWindow(); return 0;
    case IDM_OPEN_LOCATION: openLocation(); return 0;
    case IDM_PLAYLIST_EDITOR:
        if (isEditorShown()) destroyEditor();
        else showEditor();
        return 0;
    case IDM_TAG_EDITOR: {
        char path[kPathCapacity];
        toggleTagEditor(hwnd_, list.getCurrentPath(path, sizeof path) ? path : nullptr);
        return 0;
    }
    case IDM_PREFERENCES:
        openPreferences(hwnd_);
        return 0;
    case IDM_PLAY:
        if (list.countEntries() == 0) {   // nothing to play: ask for files, as Open does
            openFile();
            return 0;
        }
        if (holdMs_ >= 0) {   // the remembered entry goes on where it was
            seekOnStartMs_ = holdMs_;
            holdMs_ = -1;
            playCurrentEntry();
        } else if (playState_ == PlayStateStopped) {
            postPlay(nullptr);
        } else if (playState_ == PlayStatePaused) {
            outputDriver().resume();
        } else {
            postStop(decoderThreadId_);
            postPlay(nullptr);
        }
        playState_ = PlayStatePlaying;
        return 0;
    case IDM_STOP:
        stopForNewAction();
        playState_ = PlayStateStopped;
        return 0;
    case IDM_PAUSE:   // and again to go on, as Play does
        if (playState_ == PlayStatePlaying && outputDriver().pause()) playState_ = PlayStatePaused;
        else if (playState_ == PlayStatePaused && outputDriver().resume()) playState_ = PlayStatePlaying;
        return 0;
    case IDM_PLAY_PAUSE:   // as Pause after Play
        return onCommand(playState_ == PlayStateStopped ? IDM_PLAY : IDM_PAUSE, 0);
    case IDM_NEXT:
    case IDM_PREVIOUS:
        if (LOWORD(wParam) == IDM_NEXT ? list.nextEntry() : list.previousEntry()) {
            stopForNewAction();
            Sleep(100);
            playCurrentEntry();
        }
        return 0;
    case IDM_SHUFFLE:
        settings().ShufflePlay = settings().ShufflePlay ? 0 : 1;
        redrawButton(ButtonShuffle);
        NotifyWinEvent(EVENT_OBJECT_STATECHANGE, hwnd_, OBJID_CLIENT, ButtonShuffle + 1);
        return 0;
    case IDM_REPEAT:
        settings().RepeatPlay = settings().RepeatPlay ? 0 : 1;
        redrawButton(ButtonRepeat);
        NotifyWinEvent(EVENT_OBJECT_STATECHANGE, hwnd_, OBJID_CLIENT, ButtonRepeat + 1);
        return 0;
    case IDM_ABOUT:
        showAbout(hwnd_);
        return 0;
    case IDM_EQUALIZER:
        toggleEqualizer(hwnd_);
        return 0;
    case IDM_JUMP_TO:
        if (!runJumpDialog(hwnd_)) return 0;
        [[fallthrough]];
    case IDM_PLAY_CURRENT:
        stopForNewAction();
        playCurrentEntry();
        return 0;
    default:
        return DefWindowProcA(hwnd_, WM_COMMAND, wParam, lParam);
    }
}

// What a second start's request asks of this window.
struct RequestWindow : korvo::CopyDataWindow {
    explicit RequestWindow(MainWindow& w) : window(w) {}
    bool alive() override { return window.hwnd_ != nullptr; }
    void allowRefresh() override { setRefreshEnabled(1); }
    void requestRefresh() override { win::requestRefresh(); }
    void stopForNewAction() override { window.stopForNewAction(); }
    void playCurrentEntry() override { window.playCurrentEntry(); }
    void playCurrentCommand() override { SendMessageA(window.hwnd_, WM_COMMAND, IDM_PLAY_CURRENT, 0); }
    void armBatchTimer() override { SetTimer(window.hwnd_, kTimerHandOverBatch, kHandOverBatchMs, nullptr); }
    void stopBatchTimer() override { KillTimer(window.hwnd_, kTimerHandOverBatch); }
    MainWindow& window;
};

LRESULT MainWindow::onCopyData(const COPYDATASTRUCT* cds) {
    if (!cds) return TRUE;
    if (requests_.receive(cds->dwData, cds->cbData, cds->lpData))
        PostMessageA(hwnd_, kRunRequestsMessage, 0, 0);
    return TRUE;
}

void MainWindow::runRequests() {
    RequestWindow window(*this);
    requests_.runQueued(playlist(), window);
}

LRESULT MainWindow::onDropFiles(HDROP drop) {
    Playlist& list = playlist();
    stopForNewAction();
    list.clearPlaylist();
    setRefreshEnabled(0);
    addDroppedPaths(drop);
    if (list.selectEntry(0, nullptr)) {
        if (settings().ShufflePlay) list.shufflePlaylist();
        playCurrentEntry();
    }
    allowAndRefreshEditor();
    return 0;
}

void MainWindow::entryInfoReady(void* window) {
    HWND target = static_cast<MainWindow*>(window)->target_.load();
    if (target) PostMessageA(target, kEntryInfoMessage, 0, 0);
}

// Read entries go to the playlist in one batch; the display and the editor show them.
void MainWindow::onEntryInfo() {
    if (!infoReader_) return;
    Playlist& list = playlist();
    const uint32_t currentId = list.current() ? list.current()->id : 0;
    bool currentRead = false;
    bool more = false;
    for (const EntryPayload& read : infoReader_->take(kEntryInfoBatch, &more))
        if (list.applyInfo(read) && read.id == currentId) currentRead = true;
    if (currentRead) refreshDisplay(true);
    // A long batch goes in parts, with the queue's other messages between them.
    if (more) PostMessageA(hwnd_, kEntryInfoMessage, 0, 0);
    showArrivedInfo(!more && infoReader_->idle());
}

void MainWindow::onStarted() {
    // A Pause between the end of one file and this start paused the device the last file
    // left open; the new file is playing, so the device must be too.
    if (playState_ == PlayStatePaused) outputDriver().resume();
    playState_ = PlayStatePlaying;
    releasing_ = 0;   // the decoder thread is past the release
    shownStart_ = startCount_.load();
    clearStreamShownName();
    song_ = StreamTitleNote{};
    record_.write(playingPath_);
    if (!settings().IRCEnabled) return;
    PlaylistEntry entry;
    if (!playlist().copyCurrentEntry(entry)) return;
    char name[2 * kId3v2NameCapacity + 8];
    std::string tagName = settings().IRCUseTag ? entryTagName(entry) : std::string();
    if (!tagName.empty()) {
        std::snprintf(name, sizeof name, "%s", tagName.c_str());
    } else {
        char title[kPathCapacity] = {};
        if (GetFileTitleA(entry.path, title, sizeof title) != 0) title[0] = '\0';
        std::snprintf(name, sizeof name, "%s", title);
    }
    if (announceGate_ == 1) announceNowPlaying(name);
    announceGate_ = 0;
    SetTimer(hwnd_, kTimerAnnounce, UINT(settings().IRCAnnounceTimeout) * 1000u, nullptr);
}

void MainWindow::onStreamTitle(const StreamTitleNote& note) {
    if (note.file != shownStart_ || playState_ == PlayStateStopped) return;    // a stream gone since
    if (note.kind == StreamTitleNote::Song) song_ = note;
    char text[2 * kIcyTitleBytes + 8];
    const bool waiting = note.kind == StreamTitleNote::Reconnecting;
    stationTitleText(song_.station, waiting ? net_texts::kReconnecting : song_.title, text, int(sizeof text));
    setStreamShownName(text);
    playlist().nameStation(playingPath_, note.station);
    refreshDisplay(true);
    trayUpdate(hwnd_, status_.percent);
    requestRefresh();    // the editor's row
    // A new song is announced like a new file, within the same gate.
    if (note.kind != StreamTitleNote::Song || !note.title[0] || !settings().IRCEnabled) return;
    if (announceGate_ == 1) announceNowPlaying(streamShownName());
    announceGate_ = 0;
    SetTimer(hwnd_, kTimerAnnounce, UINT(settings().IRCAnnounceTimeout) * 1000u, nullptr);
}

void MainWindow::onEnded() {
    clearStreamShownName();
    trayUpdate(hwnd_, 100);
    Playlist& list = playlist();
    if (list.nextEntry()) {
        playCurrentEntry();
    } else if (settings().RepeatPlay && list.selectEntry(0, nullptr)) {
        playCurrentEntry();
    } else {
        postReleaseAudio(decoderThreadId_);
        releasing_ = 1;
        playState_ = PlayStateStopped;
        record_.write(nullptr);
    }
}

void MainWindow::onTimer(UINT_PTR id) {
    switch (id) {
    case kTimerTrayHold:
        trayHoldTimer(hwnd_);
        break;
    case kTimerStatus:
        getDecoderStatus(status_);
        trayUpdate(hwnd_, status_.percent);
        break;
    case kTimerAnnounce:
        announceGate_ = 1;
        break;
    case kTimerHandOverBatch:
    {
        RequestWindow window(*this);
        requests_.batchTimerExpired(playlist(), window);
        break;
    }
    default:
        break;
    }
}

} // namespace korvo::win
