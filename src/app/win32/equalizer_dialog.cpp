#include "app/win32/equalizer_dialog.h"

#include <commctrl.h>

#include <cmath>

#include "settings/settings.h"
#include "app/win32/main_window.h"
#include "app/win32/resource_ids.h"
#include "decoder/equalizer.h"

namespace korvo::win {
namespace {

constexpr int kTopPosition = 0;
constexpr int kBottomPosition = 20;

struct EqualizerState {
    HWND window = nullptr;
    float savedGains[kEqBandCount] = {};
    int savedEnabled = 0;
};

EqualizerState& state() {
    static EqualizerState s;
    return s;
}

HWND bandSlider(HWND dlg, int band) { return GetDlgItem(dlg, IDC_EQ_BAND0 + band); }

int sliderPosition(HWND dlg, int band) { return int(SendMessageA(bandSlider(dlg, band), TBM_GETPOS, 0, 0)); }

void setSliderPosition(HWND dlg, int band, int position) {
    SendMessageA(bandSlider(dlg, band), TBM_SETPOS, TRUE, position);
}

void rebuildGains() { buildEqLineGains(settings().EqBand); }

void onInit(HWND dlg) {
    EqualizerState& s = state();
    Settings& set = settings();
    for (int band = 0; band < kEqBandCount; ++band) {
        SendMessageA(bandSlider(dlg, band), TBM_SETRANGE, TRUE, MAKELPARAM(kTopPosition, kBottomPosition));
        setSliderPosition(dlg, band, eqPositionOfGain(set.EqBand[band]));
        s.savedGains[band] = set.EqBand[band];
    }
    s.savedEnabled = set.EqEnabled;
    CheckDlgButton(dlg, IDC_EQ_ON, set.EqEnabled ? BST_CHECKED : BST_UNCHECKED);
}

void onSlider(HWND dlg, WPARAM wParam, HWND slider) {
    int code = LOWORD(wParam);
    if (code != TB_THUMBPOSITION && code != TB_THUMBTRACK && code != TB_ENDTRACK) return;
    for (int band = 0; band < kEqBandCount; ++band) {
        if (bandSlider(dlg, band) != slider) continue;
        settings().EqBand[band] = eqGainOfPosition(sliderPosition(dlg, band));
        rebuildGains();
        return;
    }
}

void closeDialog(HWND dlg) {
    vanish(dlg);
    DestroyWindow(dlg);
    state().window = nullptr;
}

void onCommand(HWND dlg, int id) {
    Settings& set = settings();
    switch (id) {
    case IDC_EQ_ON:
        setSharedValue(set.EqEnabled, set.EqEnabled ? 0 : 1);
        CheckDlgButton(dlg, IDC_EQ_ON, set.EqEnabled ? BST_CHECKED : BST_UNCHECKED);
        break;
    case IDC_EQ_RESET:
        for (int band = 0; band < kEqBandCount; ++band) {
            set.EqBand[band] = 1.0f;
            setSliderPosition(dlg, band, eqPositionOfGain(1.0f));
        }
        rebuildGains();
        break;
    case IDOK:
        for (int band = 0; band < kEqBandCount; ++band) set.EqBand[band] = eqGainOfPosition(sliderPosition(dlg, band));
        rebuildGains();
        closeDialog(dlg);
        break;
    case IDCANCEL:
        for (int band = 0; band < kEqBandCount; ++band) set.EqBand[band] = state().savedGains[band];
        setSharedValue(set.EqEnabled, state().savedEnabled);
        rebuildGains();
        closeDialog(dlg);
        break;
    default:
        break;
    }
}

INT_PTR CALLBACK equalizerProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        state().window = dlg;
        onInit(dlg);
        keepInsideWorkArea(dlg);
        ShowWindow(dlg, SW_SHOW);
        return TRUE;
    case WM_VSCROLL:
        onSlider(dlg, wParam, reinterpret_cast<HWND>(lParam));
        return TRUE;
    case WM_COMMAND:
        onCommand(dlg, LOWORD(wParam));
        return TRUE;
    case WM_CLOSE:   // the close box and the system menu cancel
        onCommand(dlg, IDCANCEL);
        return TRUE;
    case WM_DESTROY:
        if (state().window == dlg) state().window = nullptr;
        break;
    default:
        break;
    }
    return FALSE;
}

} // namespace

// 0.1 as a float, the product kept as a float: position 10 is exactly 1.0.
float eqGainOfPosition(int position) { return float(double(kBottomPosition - position) * double(0.1f)); }

int eqPositionOfGain(float gain) { return int(std::lround(kBottomPosition - 10.0 * double(gain))); }

HWND equalizerWindow() { return state().window; }

void toggleEqualizer(HWND owner) {
    EqualizerState& s = state();
    if (s.window) {
        closeDialog(s.window);
        return;
    }
    CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_EQUALIZER), owner, equalizerProc, 0);
}

} // namespace korvo::win
