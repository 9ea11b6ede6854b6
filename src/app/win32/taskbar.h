#pragma once
// The main window's taskbar button: play progress, and Previous, Play/Pause and Next in its
// thumbnail. Set up when the shell says the button exists, and again after a shell restart.
#include <windows.h>
#include <shobjidl.h>

#include <cstdint>

#include "app/win32/handles.h"

namespace korvo::win {

// As the main window's play state.
enum TaskbarState { TaskbarPlaying = 0, TaskbarPaused = 1, TaskbarStopped = 2 };

// The thumbnail's buttons in order, with the commands they send (THBN_CLICKED in the high word).
constexpr int kThumbButtonCount = 3;
extern const UINT kThumbButtonCommands[kThumbButtonCount];

// "TaskbarButtonCreated", registered.
UINT taskbarButtonCreatedMessage();

class TaskbarButton {
public:
    // The results of the last set-up's calls, kept for those who look (the shell may lack some).
    struct Results {
        HRESULT create = E_FAIL;
        HRESULT init = E_FAIL;
        HRESULT buttons = E_FAIL;
        HRESULT progress = E_FAIL;
    };
    // A new button: the interface, the thumbnail's buttons and the progress as it stands.
    const Results& setUp(HWND owner);
    // The shell went away: nothing to talk to until the next set-up.
    void reset();
    // Shows the state; calls the shell only for a change. done and total in any one unit; a
    // total of 0 (a stream) shows no bar.
    void show(TaskbarState state, int64_t done, int64_t total);
    bool ready() const { return static_cast<bool>(list_); }

private:
    void fillButton(THUMBBUTTON& b, int index) const;
    HRESULT sendProgress();

    ComRef<ITaskbarList3> list_;
    HWND owner_ = nullptr;
    IconHandle icons_[kThumbButtonCount + 1];   // the last: Pause, shown while playing
    Results results_;
    TaskbarState state_ = TaskbarStopped;
    int permille_ = -1;   // -1: no length
    int shownState_ = -1, shownPermille_ = -1, shownPlaying_ = -1;
};

} // namespace korvo::win
