// Pieces of the program checked inside the test process: command-line splitting, the
// region builder, and the right-click menu's check states on a main window of our own.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>

#include "settings/settings.h"
#include "app/win32/command_line.h"
#include "app/win32/main_window.h"
#include "app/win32/resource_ids.h"
#include "app/win32/skin.h"
#include "app/win32/win_texts.h"
#include "platform/file.h"
#include "platform/prompt.h"
#include "playlist/playlist.h"
#include "test_support.h"

namespace korvo::win {
namespace {

TEST(CommandLineSplit, QuotesBlanksAndSwitches) {
    CommandLine cl;
    ASSERT_EQ(cl.split("\"C:\\Program Files\\LumenKorvo.exe\" \"D:\\My Music\\a b.mp3\" c.mp3"), 3);
    EXPECT_STREQ(cl.token(0), "C:\\Program Files\\LumenKorvo.exe");
    EXPECT_STREQ(cl.token(1), "D:\\My Music\\a b.mp3");
    EXPECT_STREQ(cl.token(2), "c.mp3");

    // two blanks: the second argument begins with a blank; unquoted blanks split
    ASSERT_EQ(cl.split("prog  x.mp3 my song.mp3 /s"), 5);
    EXPECT_STREQ(cl.token(1), " x.mp3");
    EXPECT_STREQ(cl.token(2), "my");
    EXPECT_STREQ(cl.token(3), "song.mp3");
    EXPECT_STREQ(cl.token(4), "/s");
    EXPECT_STREQ(cl.token(5), "");

    ASSERT_EQ(cl.split("prog"), 1);
    EXPECT_EQ(cl.split(""), 0);
}

TEST(CommandLineSplit, TooManyAndTooLongTokensAreBounded) {
    std::string line = "prog";
    for (int i = 0; i < 300; ++i) line += " t" + std::to_string(i);
    CommandLine cl;
    ASSERT_EQ(cl.split(line.c_str()), CommandLine::kMaxTokens);
    EXPECT_STREQ(cl.token(CommandLine::kMaxTokens - 1), "t254");

    std::string longToken(5000, 'a');
    ASSERT_EQ(cl.split(("prog " + longToken + " next").c_str()), 3);
    EXPECT_EQ(std::string(cl.token(1)), std::string(CommandLine::kTokenSize - 1, 'a'));
    EXPECT_STREQ(cl.token(2), "next");
}

// Counts the pixels of a region inside a w x h box.
long areaOf(HRGN rgn, int w, int h) {
    long n = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) n += PtInRegion(rgn, x, y) ? 1 : 0;
    return n;
}

TEST(RegionFromBitmap, KeyColourAndInvertAndManyRuns) {
    // a checkerboard of 2 x 2 cells needs far more than 2048 rectangles
    const int w = 128, h = 128;
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 8, BI_RGB, 0, 0, 0, 2, 2};
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD c[2];
    } info{bi.bmiHeader, {{0, 0, 0, 0}, {255, 255, 255, 0}}};
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(bmp, nullptr);
    auto* px = static_cast<uint8_t*>(bits);
    long ones = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t v = ((x / 2) + (y / 2)) % 2;
            px[y * w + x] = v;
            ones += v;
        }
    // key (0, 0) has colour 0
    HRGN same = regionFromBitmap(bmp, 0, 0, 0);
    HRGN other = regionFromBitmap(bmp, 0, 0, 1);
    ASSERT_NE(same, nullptr);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(areaOf(same, w, h), long(w) * h - ones);
    EXPECT_EQ(areaOf(other, w, h), ones);
    EXPECT_TRUE(PtInRegion(same, 0, 0));
    EXPECT_FALSE(PtInRegion(other, 0, 0));
    EXPECT_TRUE(PtInRegion(other, 2, 0));
    DeleteObject(same);
    DeleteObject(other);
    DeleteObject(bmp);
}

TEST(SkinArtwork, ButtonsLieInsideTheShapeAndKeyOutside) {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    HBITMAP shape = static_cast<HBITMAP>(LoadImageA(inst, MAKEINTRESOURCEA(IDB_SHAPE), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    HBITMAP skin = static_cast<HBITMAP>(LoadImageA(inst, MAKEINTRESOURCEA(IDB_SKIN), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(shape, nullptr);
    ASSERT_NE(skin, nullptr);
    HRSRC res = FindResourceA(inst, MAKEINTRESOURCEA(IDB_SKIN), MAKEINTRESOURCEA(2));   // RT_BITMAP
    ASSERT_NE(res, nullptr);
    const auto* header = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(inst, res)));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->biWidth, kSkinWidth);
    EXPECT_EQ(header->biHeight, kSkinHeight);
    EXPECT_EQ(header->biBitCount, 8);
    EXPECT_EQ(header->biClrUsed, 128u);
    HRGN window = createWindowShape(shape);
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(PtInRegion(window, kShapeKeyX, kShapeKeyY));
    for (const ButtonPlace& b : kButtonTable) {
        const RECT& r = b.ellipse;
        EXPECT_TRUE(PtInRegion(window, (r.left + r.right) / 2, (r.top + r.bottom) / 2)) << r.left << "," << r.top;
    }
    DeleteObject(window);
    DeleteObject(shape);
    DeleteObject(skin);
}

// Our own main window in this process, so its menu can be looked at.
class OwnWindow : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = korvo::test::scratchDir("ui-own-window");
        setProgramDirectory((dir_ + "\\").c_str());
        loadSettings();
        static bool registered = false;
        if (!registered) {
            WNDCLASSA wc{};
            wc.style = CS_DBLCLKS;
            wc.lpfnWndProc = MainWindow::windowProc;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = "KorvoTestMainWindow";
            registered = RegisterClassA(&wc) != 0;
        }
    }
    HWND create() {
        return CreateWindowExA(0, "KorvoTestMainWindow", kMainWindowTitle, WS_POPUP, 0, 0, kSkinWidth, kSkinHeight,
                               nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    void destroy(HWND w) {
        DestroyWindow(w);
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {}   // the WM_QUIT it posts
    }
    std::string dir_;
};

UINT checked(HMENU menu, UINT id) { return GetMenuState(menu, id, MF_BYCOMMAND) & MF_CHECKED; }

// Copy-data paths that do not fit the 260-byte buffer, or that have no data, are ignored;
// the menu's check states follow the settings. (One window per process: the decoder
// thread is started once.)
TEST_F(OwnWindow, CopyDataBoundsAndMenuStates) {
    HWND w = create();
    ASSERT_NE(w, nullptr);
    std::string dir = dir_;
    auto send = [w](ULONG_PTR code, const void* data, DWORD size) {
        COPYDATASTRUCT cds{code, size, const_cast<void*>(data)};
        return SendMessageA(w, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
    };
    // requests run after WM_COPYDATA returned, from the window's own posted message
    auto runPosted = [] {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    };
    std::string big(400, 'y');
    EXPECT_EQ(send(RequestClear, nullptr, 0), TRUE);
    EXPECT_EQ(send(RequestAddPath, big.data(), DWORD(big.size())), TRUE);
    EXPECT_EQ(send(RequestAddPath, big.data(), 260), TRUE);
    EXPECT_EQ(send(RequestAddPath, nullptr, 20), TRUE);
    EXPECT_EQ(send(RequestPlayPath, nullptr, 20), TRUE);
    EXPECT_EQ(send(RequestPlayPath, big.data(), DWORD(big.size())), TRUE);
    runPosted();
    EXPECT_EQ(playlist().countEntries(), 0);
    // a folder path that fits is handed to addPath (the folder holds no audio: reported, nothing added)
    EXPECT_EQ(send(RequestAddPath, dir.data(), DWORD(dir.size())), TRUE);
    runPosted();
    EXPECT_EQ(playlist().countEntries(), 0);
    EXPECT_EQ(send(99, nullptr, 0), TRUE);
    runPosted();

    // the right-click menu shows Repeat and Shuffle as the settings have them
    settings().RepeatPlay = 1;
    settings().ShufflePlay = 0;
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(w, rgn), COMPLEXREGION);
    DeleteObject(rgn);
    HMENU popup = mainWindow().popupMenu();
    ASSERT_NE(popup, nullptr);
    SendMessageA(w, WM_INITMENU, WPARAM(popup), 0);
    EXPECT_TRUE(checked(popup, IDM_REPEAT));
    EXPECT_FALSE(checked(popup, IDM_SHUFFLE));
    EXPECT_FALSE(checked(popup, IDM_PREFERENCES));

    SendMessageA(w, WM_COMMAND, IDM_REPEAT, 0);
    SendMessageA(w, WM_COMMAND, IDM_SHUFFLE, 0);
    SendMessageA(w, WM_INITMENU, WPARAM(popup), 0);
    EXPECT_FALSE(checked(popup, IDM_REPEAT));
    EXPECT_TRUE(checked(popup, IDM_SHUFFLE));
    EXPECT_EQ(mainWindow().playState(), PlayStateStopped);

    // Pause while stopped does nothing
    SendMessageA(w, WM_COMMAND, IDM_PAUSE, 0);
    EXPECT_EQ(mainWindow().playState(), PlayStateStopped);

    // dropped files replace the list and the first one plays
    std::string a = korvo::test::mediaPath("winapp/long_a.mp2"), b = korvo::test::mediaPath("winapp/long_b.mp2");
    std::string names = a + '\0' + b + '\0' + '\0';
    HGLOBAL mem = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size());
    auto* drop = static_cast<DROPFILES*>(GlobalLock(mem));
    drop->pFiles = sizeof(DROPFILES);
    std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names.data(), names.size());
    GlobalUnlock(mem);
    SendMessageA(w, WM_DROPFILES, WPARAM(mem), 0);   // the window finishes (frees) the drop
    EXPECT_EQ(playlist().countEntries(), 2);
    // the decoder thread reports the start to this thread's window: keep its messages moving
    DWORD until = GetTickCount() + 8000;
    while (mainWindow().playState() != PlayStatePlaying && int(until - GetTickCount()) > 0) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
        Sleep(20);
    }
    EXPECT_EQ(mainWindow().playState(), PlayStatePlaying);
    char current[kPathCapacity] = {};
    EXPECT_TRUE(playlist().getCurrentPath(current, sizeof current));
    EXPECT_EQ(std::string(current), a);
    destroy(w);
    EXPECT_EQ(settings().ShufflePlay, 1);
}

} // namespace
} // namespace korvo::win
