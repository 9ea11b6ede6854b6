// The player at display scales of 100, 150 and 200 %: Wine takes the scale from LogPixels
// in the prefix's registry when a program starts, with one DPI for every monitor, and never
// sends WM_DPICHANGED (the tests send it).
#include <gtest/gtest.h>

#include <windows.h>
#include <prsht.h>

#include <cstdio>
#include <string>

#include "settings/settings_texts.h"
#include "app/win32/resource_ids.h"
#include "app/win32/now_playing.h"
#include "app/win32/skin.h"
#include "app/win32/win_texts.h"
#include "sound_recorder.h"
#include "ui_driver.h"

namespace korvo::uitest {
namespace {

using korvo::win::buttonEllipse;
using korvo::win::scaleLength;

constexpr int kWaitMs = 30000;
constexpr char kDesktopKey[] = "Control Panel\\Desktop";
constexpr char kLogPixels[] = "LogPixels";

// LogPixels set for the programs started while it lives; the value before (or none) comes
// back after, since the other window tests share the prefix.
class LogPixels {
public:
    explicit LogPixels(DWORD dpi) {
        DWORD size = sizeof old_;
        had_ = RegGetValueA(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, RRF_RT_REG_DWORD, nullptr, &old_, &size) ==
               ERROR_SUCCESS;
        set(dpi);
    }
    ~LogPixels() {
        if (had_) set(old_);
        else RegDeleteKeyValueA(HKEY_CURRENT_USER, kDesktopKey, kLogPixels);
    }

private:
    static void set(DWORD dpi) {
        EXPECT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, REG_DWORD, &dpi, sizeof dpi), ERROR_SUCCESS);
    }
    DWORD old_ = 0;
    bool had_ = false;
};

int percentOf(int dpi) { return dpi * 100 / 96; }

HBITMAP loadBitmap(int id) {
    return static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

// The window's region in its own coordinates (nullptr when it has none).
HRGN windowRegion(HWND w) {
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    if (GetWindowRgn(w, rgn) == ERROR) {
        DeleteObject(rgn);
        return nullptr;
    }
    return rgn;
}

// The window has the size and the shape drawn for the scale (it may still be on its way
// there: the window can be found while it is created).
bool hasScaledShape(HWND w, int percent) {
    RECT r{};
    if (!GetWindowRect(w, &r) || r.right - r.left != scaleLength(korvo::win::kSkinWidth, percent) ||
        r.bottom - r.top != scaleLength(korvo::win::kSkinHeight, percent))
        return false;
    HBITMAP shapeBitmap = loadBitmap(korvo::win::skinResources(percent).shape);
    HRGN expected = korvo::win::createWindowShape(shapeBitmap);
    HRGN actual = windowRegion(w);
    const bool same = expected && actual && EqualRgn(expected, actual);
    DeleteObject(expected);
    if (actual) DeleteObject(actual);
    DeleteObject(shapeBitmap);
    return same;
}

void expectScaledWindow(HWND w, int percent) {
    RECT r{};
    EXPECT_TRUE(waitUntil([&] { return hasScaledShape(w, percent); }, kWaitMs) || !GetWindowRect(w, &r))
        << "not the size or shape drawn for " << percent << " %: " << r.right - r.left << " x " << r.bottom - r.top;
}

RECT workAreaOf(HWND w) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoA(MonitorFromWindow(w, MONITOR_DEFAULTTONEAREST), &info);
    return info.rcWork;
}

void expectInsideWorkArea(HWND w, const char* what) {
    RECT r{}, inter{};
    ASSERT_TRUE(GetWindowRect(w, &r));
    const RECT work = workAreaOf(w);
    IntersectRect(&inter, &r, &work);
    EXPECT_TRUE(EqualRect(&inter, &r)) << what << " runs off the work area: " << r.left << "," << r.top << " "
                                       << r.right << "," << r.bottom;
}

// The skin as the screen should show it: 0xRRGGBB per pixel.
struct Art {
    korvo::win::IndexedPixels pixels;
    explicit Art(int id) {
        HBITMAP bmp = loadBitmap(id);
        HDC screen = GetDC(nullptr);
        EXPECT_TRUE(korvo::win::readIndexedPixels(screen, bmp, pixels)) << id;
        ReleaseDC(nullptr, screen);
        DeleteObject(bmp);
    }
    uint32_t at(int x, int y) const {
        const RGBQUAD& c = pixels.colours[pixels.at(x, y)];
        return uint32_t(c.rgbRed) << 16 | uint32_t(c.rgbGreen) << 8 | c.rgbBlue;
    }
};

// Pixels of the window's shape (the display's plate left out: it shows text) where the
// screen differs from the given picture.
template <typename Picture>
long differences(const Shot& shot, HRGN shape, int percent, Picture picture) {
    const RECT display = {scaleLength(korvo::win::kDisplayArea.left, percent),
                          scaleLength(korvo::win::kDisplayArea.top, percent),
                          scaleLength(korvo::win::kDisplayArea.right, percent),
                          scaleLength(korvo::win::kDisplayArea.bottom, percent)};
    long n = 0;
    for (int y = 0; y < shot.h; ++y)
        for (int x = 0; x < shot.w; ++x) {
            POINT pt{x, y};
            if (!PtInRegion(shape, x, y) || PtInRect(&display, pt)) continue;
            if (shot.at(x, y) != picture(x, y)) ++n;
        }
    return n;
}

// Waits until the screen shows the skin drawn for the scale; false when it never does.
bool showsSkinOfScale(HWND w, int percent) {
    HRGN shape = windowRegion(w);
    if (!shape) return false;
    const Art art(korvo::win::skinResources(percent).skin);
    long unlike = -1;
    auto drawn = [&](int x, int y) { return art.at(x, y); };
    const bool shown = waitUntil([&] { return (unlike = differences(shoot(w), shape, percent, drawn)) == 0; }, kWaitMs);
    EXPECT_TRUE(shown) << unlike << " pixels differ from the art drawn for " << percent << " %";
    DeleteObject(shape);
    return shown;
}

// A RECT written into the program's memory: WM_DPICHANGED carries a pointer, which no
// system marshals between processes.
class RemoteRect {
public:
    RemoteRect(DWORD pid, const RECT& r) {
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
        if (process_) at_ = VirtualAllocEx(process_, nullptr, sizeof r, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        EXPECT_TRUE(at_ && WriteProcessMemory(process_, at_, &r, sizeof r, nullptr));
    }
    ~RemoteRect() {
        if (at_) VirtualFreeEx(process_, at_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    LPARAM get() const { return reinterpret_cast<LPARAM>(at_); }

private:
    HANDLE process_ = nullptr;
    void* at_ = nullptr;
};

POINT centre(int button, int percent) {
    const RECT r = buttonEllipse(button, percent);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

TEST(Dpi, MainWindowTakesTheScaleOfLogPixels) {
    for (int dpi : {96, 144, 192}) {
        SCOPED_TRACE(dpi);
        LogPixels scale{DWORD(dpi)};
        ProgramFolder folder("dpi-window-" + std::to_string(dpi));
        Program p;
        ASSERT_TRUE(p.start(folder, {}));
        HWND w = p.waitForWindow();
        ASSERT_NE(w, nullptr);
        expectScaledWindow(w, percentOf(dpi));
        expectInsideWorkArea(w, "the main window");
        EXPECT_TRUE(showsSkinOfScale(w, percentOf(dpi)));
        HRGN shape = windowRegion(w);
        ASSERT_NE(shape, nullptr);
        std::vector<bool> mask;
        const Shot shot = shoot(w);
        for (int y = 0; y < shot.h; ++y)
            for (int x = 0; x < shot.w; ++x) mask.push_back(PtInRegion(shape, x, y) != 0);
        DeleteObject(shape);
        const std::string png = buildDir() + "\\ui-main-window-" + std::to_string(percentOf(dpi)) + ".png";
        EXPECT_TRUE(saveWindowPng(w, png, mask)) << png;
        std::printf("screenshot: %s\n", png.c_str());
    }
}

// At 200 % the screen shows the skin drawn at 2x, not the 1x skin doubled; the buttons answer
// at their scaled places.
TEST(Dpi, DoubleScaleShowsTheTwoTimesArtAndHitsScaledButtons) {
    constexpr int kPercent = 200;
    const std::string a = media("long_a.mp2"), b = media("long_b.mp2");
    LogPixels scale(192);
    ProgramFolder folder("dpi-double");
    SoundRecorder sound;
    EXPECT_TRUE(sound.start()) << "no capture device: the sink's monitor cannot be recorded";
    Program p;
    clearRecord();
    ASSERT_TRUE(p.start(folder, {a, b}));
    HWND w = p.waitForWindow();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(waitForRecord(a, kWaitMs)) << readRecord();

    ASSERT_TRUE(showsSkinOfScale(w, kPercent));
    HRGN shape = windowRegion(w);
    ASSERT_NE(shape, nullptr);
    const Art once(IDB_SKIN);
    auto doubled = [&](int x, int y) { return once.at(x / 2, y / 2); };
    // the edges of the round buttons are where doubling shows most
    const long fromDoubled = differences(shoot(w), shape, kPercent, doubled);
    EXPECT_GT(fromDoubled, 5000) << "the screen looks like the 1x art doubled";
    std::printf("pixels unlike the 1x art doubled: %ld\n", fromDoubled);
    DeleteObject(shape);

    auto press = [&](int button) {
        const POINT c = centre(button, kPercent);
        p.click(c.x, c.y);
    };
    // the record is written at a start only
    clearRecord();
    press(korvo::win::ButtonStop);
    if (sound.recording()) {
        EXPECT_TRUE(waitUntil([&] { return sound.quietFor(1200); }, kWaitMs)) << "still playing after Stop";
    }
    const DWORD played = GetTickCount();
    press(korvo::win::ButtonPlay);
    EXPECT_TRUE(waitForRecord(a, kWaitMs)) << readRecord();
    if (sound.recording()) {
        EXPECT_NE(sound.waitForSound(played, kWaitMs), 0u) << "Play at its 2x place is silent";
    }
    clearRecord();
    press(korvo::win::ButtonNext);
    EXPECT_TRUE(waitForRecord(b, kWaitMs)) << readRecord();
    clearRecord();
    press(korvo::win::ButtonPrevious);
    EXPECT_TRUE(waitForRecord(a, kWaitMs)) << readRecord();
    // the 1x place of Play is skin at 2x: a press there does not play
    press(korvo::win::ButtonStop);
    clearRecord();
    const POINT old = centre(korvo::win::ButtonPlay, 100);
    p.click(old.x, old.y);
    Sleep(1000);
    EXPECT_EQ(readRecord(), "");

    // the keyboard's focus mark rings Play at its 2x place
    const Shot before = shoot(w);
    PostMessageA(w, WM_KEYDOWN, VK_TAB, 1);
    const RECT play = buttonEllipse(korvo::win::ButtonPlay, kPercent);
    EXPECT_TRUE(waitUntil([&] { return changedPixels(before, shoot(w), play, 8) > 40; }, kWaitMs)) << "no mark at 2x";
    const std::string png = buildDir() + "\\ui-focus-mark-200.png";
    EXPECT_TRUE(saveWindowPng(w, png, std::vector<bool>(before.px.size(), true))) << png;
}

TEST(Dpi, MovedToAMonitorOfAnotherScale) {
    LogPixels scale(96);
    ProgramFolder folder("dpi-changed");
    Program p;
    ASSERT_TRUE(p.start(folder, {}));
    HWND w = p.waitForWindow();
    ASSERT_NE(w, nullptr);
    struct Move {
        int dpi;
        RECT suggested;
    };
    auto send = [&](const Move& m) {
        RemoteRect rect(p.pid(), m.suggested);
        DWORD_PTR result = 0;
        return SendMessageTimeoutA(w, WM_DPICHANGED, MAKEWPARAM(m.dpi, m.dpi), rect.get(), SMTO_NORMAL, kWaitMs,
                                   &result) != 0;
    };
    for (const Move& m : {Move{192, {40, 30, 424, 542}}, Move{144, {50, 60, 338, 444}}, Move{96, {70, 80, 262, 336}}}) {
        SCOPED_TRACE(m.dpi);
        ASSERT_TRUE(send(m));
        expectScaledWindow(w, percentOf(m.dpi));
        EXPECT_TRUE(showsSkinOfScale(w, percentOf(m.dpi)));
        RECT r{};
        EXPECT_TRUE(waitUntil([&] {
            return GetWindowRect(w, &r) && r.left == m.suggested.left && r.top == m.suggested.top;
        }, kWaitMs)) << r.left << "," << r.top;
    }
    // during a drag: the skin's point under the pointer stays under it
    auto flush = [&] {
        DWORD_PTR r = 0;
        SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_NORMAL, kWaitMs, &r);
    };
    PostMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 120));
    flush();
    EXPECT_TRUE(send(Move{192, {40, 30, 424, 542}}));
    PostMessageA(w, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(100, 300));
    PostMessageA(w, WM_LBUTTONUP, 0, MAKELPARAM(100, 300));
    flush();
    RECT r{};
    EXPECT_TRUE(waitUntil([&] { return GetWindowRect(w, &r) && r.left == 40 + 100 - 60 && r.top == 30 + 300 - 240; },
                          kWaitMs))
        << r.left << "," << r.top;
    EXPECT_TRUE(p.running());
}

// No control is cut by its dialog's edge or lies over another (group boxes hold others).
void expectControlsFit(HWND dlg, const char* what) {
    RECT client{};
    GetClientRect(dlg, &client);
    MapWindowPoints(dlg, nullptr, reinterpret_cast<POINT*>(&client), 2);
    std::vector<std::pair<int, RECT>> boxes;
    for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (!IsWindowVisible(c)) continue;
        RECT r{}, inter{};
        GetWindowRect(c, &r);
        const int id = GetDlgCtrlID(c);
        IntersectRect(&inter, &r, &client);
        EXPECT_TRUE(EqualRect(&inter, &r)) << what << ": control " << id << " is cut by the dialog's edge";
        char cls[32] = {};
        GetClassNameA(c, cls, sizeof cls);
        const bool group = lstrcmpiA(cls, "Button") == 0 && (GetWindowLongA(c, GWL_STYLE) & 0xF) == BS_GROUPBOX;
        if (!group) boxes.push_back({id, r});
    }
    for (size_t i = 0; i < boxes.size(); ++i)
        for (size_t j = i + 1; j < boxes.size(); ++j) {
            RECT inter{};
            EXPECT_FALSE(IntersectRect(&inter, &boxes[i].second, &boxes[j].second))
                << what << ": controls " << boxes[i].first << " and " << boxes[j].first << " overlap";
        }
}

// A control's rectangle in its dialog's client coordinates.
RECT controlRect(HWND dlg, int id) {
    RECT r{};
    GetWindowRect(GetDlgItem(dlg, id), &r);
    MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// On a move to another monitor the system scales the editor's controls (here: to half their
// size, as for a monitor of half the DPI); the editor then places them for their new size:
// Up, Dn and Dismiss on one line just above the bottom edge.
void expectEditorPlacedAfterScaling(const Program& p, HWND editor) {
    const int controls[] = {IDC_PL_LOAD, IDC_PL_SAVE, IDC_PL_ADD, IDC_PL_DELETE, IDC_PL_SHUFFLE, IDC_PL_SORT,
                            IDC_PL_CLEAR, IDC_PL_EDIT_TAG, IDOK, IDC_PL_UP, IDC_PL_DOWN, IDC_PL_PLAYTIME};
    for (int id : controls) {
        const RECT r = controlRect(editor, id);
        SetWindowPos(GetDlgItem(editor, id), nullptr, 0, 0, (r.right - r.left) / 2, (r.bottom - r.top) / 2,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT window{};
    GetWindowRect(editor, &window);
    RemoteRect suggested(p.pid(), window);
    DWORD_PTR result = 0;
    SendMessageTimeoutA(editor, WM_DPICHANGED, MAKEWPARAM(96, 96), suggested.get(), SMTO_NORMAL, kWaitMs, &result);
    RECT client{};
    GetClientRect(editor, &client);
    const RECT load = controlRect(editor, IDC_PL_LOAD);
    const int rowTop = client.bottom - (load.bottom - load.top) - 4;
    EXPECT_TRUE(waitUntil([&] { return controlRect(editor, IDOK).top == rowTop; }, kWaitMs))
        << "Dismiss at " << controlRect(editor, IDOK).top << ", not " << rowTop;
    EXPECT_EQ(controlRect(editor, IDC_PL_UP).top, rowTop);
    expectControlsFit(editor, "the playlist editor after scaling");
}

HWND waitForDialog(DWORD pid, const char* title) {
    HWND d = nullptr;
    waitUntil([&] { return (d = findDialog(pid, title)) != nullptr; }, kWaitMs);
    return d;
}

TEST(Dpi, DialogsFitAndOpenInsideTheWorkArea) {
    for (int dpi : {144, 192}) {
        SCOPED_TRACE(dpi);
        LogPixels scale{DWORD(dpi)};
        ProgramFolder folder("dpi-dialogs-" + std::to_string(dpi));
        // the player in the lower right corner: what opens at its place would run off
        folder.setKey(kKeyWindowX, GetSystemMetrics(SM_CXSCREEN));
        folder.setKey(kKeyWindowY, GetSystemMetrics(SM_CYSCREEN));
        Program p;
        ASSERT_TRUE(p.start(folder, {}));
        HWND w = p.waitForWindow();
        ASSERT_NE(w, nullptr);
        expectInsideWorkArea(w, "the main window");

        p.command(IDM_PREFERENCES);
        HWND sheet = waitForDialog(p.pid(), korvo::win::kPreferencesCaption);
        ASSERT_NE(sheet, nullptr);
        expectInsideWorkArea(sheet, "the preferences");
        for (int page = 0; page < 4; ++page) {
            SendMessageA(sheet, PSM_SETCURSEL, WPARAM(page), 0);
            HWND shown = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
            ASSERT_NE(shown, nullptr);
            expectControlsFit(shown, ("preferences page " + std::to_string(page)).c_str());
        }
        PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        EXPECT_TRUE(waitUntil([&] { return !IsWindow(sheet); }, kWaitMs));

        p.command(IDM_PLAYLIST_EDITOR);
        HWND editor = waitForDialog(p.pid(), korvo::win::kPlaylistEditorCaption);
        ASSERT_NE(editor, nullptr);
        expectInsideWorkArea(editor, "the playlist editor");
        expectControlsFit(editor, "the playlist editor");
        expectEditorPlacedAfterScaling(p, editor);

        p.command(IDM_EQUALIZER);
        HWND eq = waitForDialog(p.pid(), TXT_EQ_CAPTION);
        ASSERT_NE(eq, nullptr);
        expectInsideWorkArea(eq, "the equalizer");

        // modal ones: their commands return when they close
        p.postCommand(IDM_ABOUT);
        HWND about = waitForDialog(p.pid(), korvo::win::kAboutCaption);
        ASSERT_NE(about, nullptr);
        expectInsideWorkArea(about, "About");
        PostMessageA(about, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        EXPECT_TRUE(waitUntil([&] { return !IsWindow(about); }, kWaitMs));
        p.postCommand(IDM_OPEN_LOCATION);
        HWND url = waitForDialog(p.pid(), TXT_OPEN_URL_CAPTION);
        ASSERT_NE(url, nullptr);
        expectInsideWorkArea(url, "Open URL");
        PostMessageA(url, WM_COMMAND, IDCANCEL, 0);
        EXPECT_TRUE(waitUntil([&] { return !IsWindow(url); }, kWaitMs));
    }
}

} // namespace
} // namespace korvo::uitest
