#include "app/win32/taskbar.h"

#include <string>

#include "app/win32/accessible.h"
#include "app/win32/resource_ids.h"
#include "app/win32/skin.h"
#include "app/win32/win_texts.h"

namespace korvo::win {

const UINT kThumbButtonCommands[kThumbButtonCount] = {IDM_PREVIOUS, IDM_PLAY_PAUSE, IDM_NEXT};

namespace {

// Per thumbnail button (and Pause last): its icon and the skin button whose tip names it.
constexpr int kThumbIcons[kThumbButtonCount + 1] = {IDI_MINI_PREV, IDI_MINI_PLAY, IDI_MINI_NEXT, IDI_MINI_PAUSE};
constexpr int kThumbTips[kThumbButtonCount + 1] = {ButtonPrevious, ButtonPlay, ButtonNext, ButtonPause};
constexpr int kPlayPauseButton = 1;
constexpr int kPauseLook = kThumbButtonCount;

} // namespace

UINT taskbarButtonCreatedMessage() {
    static const UINT message = RegisterWindowMessageA(kTaskbarButtonCreatedMessage);
    return message;
}

void TaskbarButton::fillButton(THUMBBUTTON& b, int index) const {
    const int look = index == kPlayPauseButton && state_ == TaskbarPlaying ? kPauseLook : index;
    b = THUMBBUTTON{};
    b.dwMask = THUMBBUTTONMASK(THB_ICON | THB_TOOLTIP | THB_FLAGS);
    b.iId = kThumbButtonCommands[index];
    b.hIcon = icons_[look].get();
    b.dwFlags = THBF_ENABLED;
    std::string name, key;
    splitButtonTip(kButtonTips[kThumbTips[look]], name, key);
    MultiByteToWideChar(CP_UTF8, 0, name.c_str(), -1, b.szTip, int(sizeof b.szTip / sizeof b.szTip[0]) - 1);
}

const TaskbarButton::Results& TaskbarButton::setUp(HWND owner) {
    reset();
    owner_ = owner;
    results_ = Results{};
    const int size = GetSystemMetrics(SM_CXSMICON);
    HINSTANCE inst = GetModuleHandleA(nullptr);
    for (int i = 0; i <= kThumbButtonCount; ++i)
        icons_[i].reset(static_cast<HICON>(LoadImageA(inst, MAKEINTRESOURCEA(kThumbIcons[i]), IMAGE_ICON, size, size, 0)));
    results_.create = CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                       reinterpret_cast<void**>(list_.receive()));
    if (FAILED(results_.create) || !list_) {
        list_.reset();
        return results_;
    }
    results_.init = list_->HrInit();
    if (FAILED(results_.init)) {
        list_.reset();
        return results_;
    }
    THUMBBUTTON buttons[kThumbButtonCount];
    for (int i = 0; i < kThumbButtonCount; ++i) fillButton(buttons[i], i);
    results_.buttons = list_->ThumbBarAddButtons(owner, kThumbButtonCount, buttons);
    shownPlaying_ = state_ == TaskbarPlaying;
    shownState_ = shownPermille_ = -1;
    results_.progress = sendProgress();
    return results_;
}

void TaskbarButton::reset() {
    list_.reset();
    shownState_ = shownPermille_ = shownPlaying_ = -1;
}

void TaskbarButton::show(TaskbarState state, int64_t done, int64_t total) {
    state_ = state;
    permille_ = total > 0 ? int((done < 0 ? 0 : done > total ? total : done) * 1000 / total) : -1;
    if (!list_) return;
    const int playing = state == TaskbarPlaying;
    if (playing != shownPlaying_) {
        THUMBBUTTON b;
        fillButton(b, kPlayPauseButton);
        list_->ThumbBarUpdateButtons(owner_, 1, &b);
        shownPlaying_ = playing;
    }
    sendProgress();
}

HRESULT TaskbarButton::sendProgress() {
    const int state = state_ == TaskbarStopped || permille_ < 0 ? TBPF_NOPROGRESS
                      : state_ == TaskbarPaused                ? TBPF_PAUSED
                                                               : TBPF_NORMAL;
    if (state == shownState_ && (state == TBPF_NOPROGRESS || permille_ == shownPermille_)) return S_OK;
    HRESULT r = list_->SetProgressState(owner_, TBPFLAG(state));
    if (state != TBPF_NOPROGRESS) {
        HRESULT v = list_->SetProgressValue(owner_, ULONGLONG(permille_), 1000);
        if (SUCCEEDED(r)) r = v;
    }
    shownState_ = state;
    shownPermille_ = permille_;
    return r;
}

} // namespace korvo::win
