// The equalizer dialog of a running LumenKorvo.exe, driven through its sliders and buttons
// from outside; the recorded sound shows that a moved slider is heard.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "settings/settings_texts.h"
#include "app/win32/resource_ids.h"
#include "sound_recorder.h"
#include "test_support.h"
#include "ui_driver.h"

namespace korvo::uitest {
namespace {

constexpr int kWaitMs = 8000;
constexpr int kBands = 12;


HWND slider(HWND dlg, int band) { return GetDlgItem(dlg, IDC_EQ_BAND0 + band); }
int position(HWND dlg, int band) { return int(SendMessageA(slider(dlg, band), TBM_GETPOS, 0, 0)); }

// Moves a slider as a drag does: the position, then the end-of-drag notification.
void moveSlider(HWND dlg, int band, int pos) {
    SendMessageA(slider(dlg, band), TBM_SETPOS, TRUE, pos);
    SendMessageA(dlg, WM_VSCROLL, MAKEWPARAM(TB_THUMBPOSITION, pos), reinterpret_cast<LPARAM>(slider(dlg, band)));
}

void press(HWND dlg, int id) {
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}

bool isOn(HWND dlg) { return SendMessageA(GetDlgItem(dlg, IDC_EQ_ON), BM_GETCHECK, 0, 0) == BST_CHECKED; }

HWND openEqualizer(Program& p) {
    p.command(IDM_EQUALIZER);
    HWND d = nullptr;
    waitUntil([&] { return (d = findDialog(p.pid(), TXT_EQ_CAPTION)) != nullptr; }, kWaitMs);
    return d;
}

bool closed(Program& p) {
    return waitUntil([&] { return findDialog(p.pid(), TXT_EQ_CAPTION) == nullptr; }, 3000);
}

void setBand(const ProgramFolder& f, int index, const char* value) {
    char key[16];
    std::snprintf(key, sizeof key, kKeyEqBandFormat, index);
    WritePrivateProfileStringA(kSettingsSection, key, value, f.ini().c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, f.ini().c_str());
}

float band(const ProgramFolder& f, int index) {
    char key[16], text[64] = {};
    std::snprintf(key, sizeof key, kKeyEqBandFormat, index);
    GetPrivateProfileStringA(kSettingsSection, key, "", text, sizeof text, f.ini().c_str());
    return std::strtof(text, nullptr);
}

void closeProgram(Program& p) {
    PostMessageA(p.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(p.waitForExit(10000), 0);
}

TEST(PrefsEqualizer, OpensFromTheIniResetAndOnThenCancelRestores) {
    ProgramFolder folder("eq_cancel");
    setBand(folder, 3, "1.3");
    Program p;
    ASSERT_TRUE(p.start(folder, {}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    HWND dlg = openEqualizer(p);
    ASSERT_NE(dlg, nullptr);
    for (int b = 0; b < kBands; ++b) {
        EXPECT_EQ(SendMessageA(slider(dlg, b), TBM_GETRANGEMIN, 0, 0), 0) << b;
        EXPECT_EQ(SendMessageA(slider(dlg, b), TBM_GETRANGEMAX, 0, 0), 20) << b;
        EXPECT_EQ(position(dlg, b), b == 3 ? 7 : 10) << "band " << b;
    }
    RECT r;
    GetWindowRect(dlg, &r);
    saveWindowPng(dlg, buildDir() + "\\ui-equalizer.png",
                  std::vector<bool>(size_t(r.right - r.left) * size_t(r.bottom - r.top), true));

    EXPECT_FALSE(isOn(dlg));
    press(dlg, IDC_EQ_ON);
    EXPECT_TRUE(isOn(dlg));
    press(dlg, IDC_EQ_ON);
    EXPECT_FALSE(isOn(dlg));
    press(dlg, IDC_EQ_ON);

    moveSlider(dlg, 0, 0);
    moveSlider(dlg, 7, 20);
    press(dlg, IDC_EQ_RESET);
    ASSERT_TRUE(IsWindow(dlg)) << "Reset closed the dialog";
    for (int b = 0; b < kBands; ++b) EXPECT_EQ(position(dlg, b), 10) << "band " << b;
    EXPECT_TRUE(isOn(dlg)) << "Reset changed the switch";

    moveSlider(dlg, 0, 0);
    press(dlg, IDCANCEL);
    EXPECT_TRUE(closed(p));
    dlg = openEqualizer(p);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(position(dlg, 0), 10);
    EXPECT_EQ(position(dlg, 3), 7);
    EXPECT_FALSE(isOn(dlg));
    closeProgram(p);
    EXPECT_EQ(folder.key(kKeyEqEnabled, -1), 0);
    EXPECT_FLOAT_EQ(band(folder, 0), 1.0f);
    EXPECT_FLOAT_EQ(band(folder, 3), 1.3f);
}

TEST(PrefsEqualizer, OkKeepsTheCommandClosesWithoutRestoringTheCloseBoxCancels) {
    ProgramFolder folder("eq_ok");
    Program p;
    ASSERT_TRUE(p.start(folder, {}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    HWND dlg = openEqualizer(p);
    ASSERT_NE(dlg, nullptr);
    press(dlg, IDC_EQ_ON);
    moveSlider(dlg, 0, 0);
    moveSlider(dlg, 11, 20);
    press(dlg, IDOK);
    EXPECT_TRUE(closed(p));

    dlg = openEqualizer(p);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(position(dlg, 0), 0);
    EXPECT_EQ(position(dlg, 11), 20);
    EXPECT_TRUE(isOn(dlg));
    moveSlider(dlg, 5, 15);
    p.command(IDM_EQUALIZER);
    EXPECT_TRUE(closed(p)) << "a second Equalizer command leaves the dialog open";

    dlg = openEqualizer(p);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(position(dlg, 5), 15) << "closing by the command restored the bands";
    moveSlider(dlg, 5, 3);
    PostMessageA(dlg, WM_CLOSE, 0, 0);
    EXPECT_TRUE(closed(p));
    dlg = openEqualizer(p);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(position(dlg, 5), 15) << "the close box kept the moved band";
    closeProgram(p);
    EXPECT_EQ(folder.key(kKeyEqEnabled, -1), 1);
    EXPECT_FLOAT_EQ(band(folder, 0), 2.0f);
    EXPECT_FLOAT_EQ(band(folder, 5), 0.5f);
    EXPECT_FLOAT_EQ(band(folder, 11), 0.0f);
}

// The ratio of the low tone (60 Hz: band 0) to the middle one (2 kHz: far from band 0).
double lowToMiddle(SoundRecorder& sound, DWORD from, DWORD to) {
    double middle = sound.toneLevel(from, to, 2000);
    return middle > 0 ? sound.toneLevel(from, to, 60) / middle : 0;
}

TEST(PrefsEqualizer, MovedLowBandIsHeardWithinASecond) {
    SoundRecorder sound;
    if (!sound.start()) GTEST_SKIP() << "no capture device: the sink's monitor cannot be recorded";
    ProgramFolder folder("eq_heard");
    folder.setKey(kKeyEqEnabled, 1);
    Program p;
    DWORD started = GetTickCount();
    ASSERT_TRUE(p.start(folder, {media("two_tones.mp3")}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    DWORD heard = sound.waitForSound(started, 2 * kWaitMs);
    if (!heard) {
        // After the whole suite the first start is now and then not heard, though alone
        // it is every time; until the cause is found, one more start.
        std::printf("not heard at the first start; starting again\n");
        closeProgram(p);
        started = GetTickCount();
        ASSERT_TRUE(p.start(folder, {media("two_tones.mp3")}));
        ASSERT_NE(p.waitForWindow(), nullptr);
        heard = sound.waitForSound(started, 2 * kWaitMs);
    }
    ASSERT_NE(heard, 0u) << "the file was not heard";
    Sleep(1500);
    DWORD now = GetTickCount();
    double flat = lowToMiddle(sound, now - 1000, now);
    ASSERT_GT(flat, 0.0);

    HWND dlg = openEqualizer(p);
    ASSERT_NE(dlg, nullptr);
    DWORD moved = GetTickCount();
    moveSlider(dlg, 0, 0);
    Sleep(1600);
    double raised = lowToMiddle(sound, moved + 1000, moved + 1500);
    std::printf("60 Hz / 2 kHz: flat %.3f, band 0 at the top %.3f\n", flat, raised);
    EXPECT_GT(raised, flat * 1.3) << "band 0 at 2.0 is not heard a second later";

    // What the device holds already (up to ten blocks, about 1.9 s) plays out first.
    DWORD reset = GetTickCount();
    press(dlg, IDC_EQ_RESET);
    Sleep(2600);
    double back = lowToMiddle(sound, reset + 2000, reset + 2500);
    EXPECT_NEAR(back, flat, flat * 0.15) << "Reset did not bring the sound back";
    closeProgram(p);
}

} // namespace
} // namespace korvo::uitest
