// What a listener on today's desktop reaches without the skin: media keys, the taskbar
// button, the keyboard's focus mark and the screen reader's view of the main window, driven
// from this second process.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleacc.h>
#include <shobjidl.h>

#include <prsht.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "settings/settings_texts.h"
#include "app/win32/accessible.h"
#include "app/win32/handles.h"
#include "app/win32/main_window.h"
#include "app/win32/resource_ids.h"
#include "app/win32/skin.h"
#include "app/win32/taskbar.h"
#include "app/win32/win_texts.h"
#include "sound_recorder.h"
#include "ui_driver.h"

namespace korvo::uitest {
namespace {

using korvo::win::ComApartment;
using korvo::win::ComRef;
using korvo::win::kButtonTable;
using korvo::win::kButtonTips;
using korvo::win::kDisplayChild;

constexpr int kPlayWaitMs = 8000;
constexpr int kQuietMs = 800;   // no tone of the files is that long silent
constexpr int kWaitMs = 30000;

VARIANT childId(int id) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

std::string fromBstr(BSTR b) {
    std::string out;
    if (!b) return out;
    const int n = WideCharToMultiByte(CP_UTF8, 0, b, int(SysStringLen(b)), nullptr, 0, nullptr, nullptr);
    out.resize(size_t(n > 0 ? n : 0));
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, b, int(SysStringLen(b)), out.data(), n, nullptr, nullptr);
    SysFreeString(b);
    return out;
}

// The main window's own object, as a screen reader in another process gets it.
bool accessibleOf(HWND w, ComRef<IAccessible>& out) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(w, WM_GETOBJECT, 0, LPARAM(LONG(OBJID_CLIENT)), SMTO_NORMAL, kWaitMs, &result))
        return false;
    if (LONG(result) <= 0) return false;
    return SUCCEEDED(ObjectFromLresult(LRESULT(result), IID_IAccessible, 0, reinterpret_cast<void**>(out.receive())));
}

std::string accText(IAccessible* acc, int child, HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*)) {
    BSTR b = nullptr;
    if (FAILED((acc->*get)(childId(child), &b))) return "<failed>";
    return fromBstr(b);
}

long accNumber(IAccessible* acc, int child, HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*)) {
    VARIANT v;
    VariantInit(&v);
    if (FAILED((acc->*get)(childId(child), &v)) || v.vt != VT_I4) return -1;
    return v.lVal;
}

int accFocus(IAccessible* acc) {
    VARIANT v;
    VariantInit(&v);
    if (acc->get_accFocus(&v) != S_OK || v.vt != VT_I4) return -1;
    return int(v.lVal);
}

std::string displayValue(IAccessible* acc) { return accText(acc, kDisplayChild, &IAccessible::get_accValue); }

std::string volumeText(int level) {
    char text[32];
    std::snprintf(text, sizeof text, korvo::win::kVolumeFormat, level, korvo::win::kVolumeLevels - 1);
    return text;
}

bool appCommand(HWND w, int command) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(w, WM_APPCOMMAND, WPARAM(w), MAKELPARAM(0, command), SMTO_NORMAL, kWaitMs, &result) &&
           result == TRUE;
}

// The program started on files: its window once the first one plays, or nullptr.
HWND startPlaying(Program& p, const ProgramFolder& folder, const std::vector<std::string>& files) {
    clearRecord();
    if (!p.start(folder, files)) return nullptr;
    HWND w = p.waitForWindow();
    EXPECT_TRUE(w && waitForRecord(files[0], kPlayWaitMs)) << readRecord();
    return w;
}

// Whether this process may take the key for itself (and gives it back at once).
bool keyIsFree(UINT key) {
    if (!RegisterHotKey(nullptr, 0x7000, 0, key)) return false;
    UnregisterHotKey(nullptr, 0x7000);
    return true;
}

// Silent for a while, within the generous limit (the capture lags behind a pause).
bool paused(SoundRecorder& sound) {
    if (!sound.recording()) return true;
    Sleep(300);
    return waitUntil([&] { return sound.quietFor(kQuietMs); }, kWaitMs);
}
bool soundsAgain(SoundRecorder& sound, DWORD since) {
    return !sound.recording() || sound.waitForSound(since, kPlayWaitMs) != 0;
}

// Focus and name changes the player announces, as a screen reader's hook receives them.
struct AnnouncedEvents {
    struct Event {
        DWORD event;
        LONG object;
        LONG child;
    };
    static std::vector<Event>& seen() {
        static std::vector<Event> events;
        return events;
    }
    explicit AnnouncedEvents(DWORD pid)
        : hook(SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_NAMECHANGE, nullptr, &AnnouncedEvents::note, pid, 0,
                               WINEVENT_OUTOFCONTEXT)) {
        seen().clear();
    }
    ~AnnouncedEvents() {
        if (hook) UnhookWinEvent(hook);
    }
    static void CALLBACK note(HWINEVENTHOOK, DWORD event, HWND, LONG object, LONG child, DWORD, DWORD) {
        seen().push_back({event, object, child});
    }
    // Waits, taking this thread's messages (the hook's calls come with them).
    bool waitFor(DWORD event, LONG child) {
        const DWORD start = GetTickCount();
        while (int(GetTickCount() - start) < kWaitMs) {
            for (const Event& e : seen())
                if (e.event == event && e.object == OBJID_CLIENT && e.child == child) return true;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            MSG m;
            while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
        }
        return false;
    }
    HWINEVENTHOOK hook;
};

// The popup menu of that process, when one is shown.
bool menuShown(DWORD pid, HWND& menu) {
    menu = FindWindowA("#32768", nullptr);
    DWORD owner = 0;
    if (menu) GetWindowThreadProcessId(menu, &owner);
    return menu && owner == pid && IsWindowVisible(menu);
}

// A window of this process that holds the focus, as another program would.
struct OtherWindow {
    HWND hwnd = CreateWindowExA(0, "STATIC", "other program", WS_POPUP | WS_VISIBLE, 500, 500, 100, 50, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
    ~OtherWindow() { DestroyWindow(hwnd); }
};

// The button before this one in the focus order.
int focusBefore(int button) {
    using korvo::win::kFocusOrder;
    for (int i = 0; i < korvo::win::kButtonCount; ++i)
        if (kFocusOrder[i] == button) return kFocusOrder[(i + korvo::win::kButtonCount - 1) % korvo::win::kButtonCount];
    return -1;
}

TEST(Desktop, TipsSplitIntoNameAndKey) {
    std::string name, key;
    korvo::win::splitButtonTip("Play (Ctrl+X)", name, key);
    EXPECT_EQ(name, "Play");
    EXPECT_EQ(key, "Ctrl+X");
    korvo::win::splitButtonTip("Minimise", name, key);
    EXPECT_EQ(name, "Minimise");
    EXPECT_EQ(key, "");
    korvo::win::splitButtonTip("Close (Alt+F4)", name, key);
    EXPECT_EQ(name, "Close");
    EXPECT_EQ(key, "Alt+F4");
}

// Media keys while the player has the focus, and the play/pause key's hotkey while another
// window has it; the volume keys change what is heard and what the display says.
TEST(Desktop, MediaKeysActOnThePlayer) {
    ComApartment com;
    const std::string marks = media("seek_marks.mp2"), b = media("long_b.mp2");
    ProgramFolder folder("media-keys");
    folder.setKey(kKeyEqVolume, 7);
    SoundRecorder sound;
    EXPECT_TRUE(sound.start()) << "no capture device: the sink's monitor cannot be recorded";
    Program p;
    const DWORD started = GetTickCount();
    HWND w = startPlaying(p, folder, {marks, b});
    ASSERT_NE(w, nullptr);
    ComRef<IAccessible> acc;
    ASSERT_TRUE(accessibleOf(w, acc));
    EXPECT_FALSE(keyIsFree(VK_MEDIA_PLAY_PAUSE)) << "the player does not hold the play/pause key";
    EXPECT_FALSE(keyIsFree(VK_MEDIA_NEXT_TRACK));
    EXPECT_TRUE(keyIsFree(VK_VOLUME_UP)) << "the volume keys stay the system's";

    // volume up three times: 7 -> 10, louder by the ratio of the levels
    if (sound.recording()) ASSERT_NE(sound.waitForSound(started, kPlayWaitMs), 0u);
    Sleep(1500);
    const DWORD quiet = GetTickCount();
    Sleep(1200);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(appCommand(w, APPCOMMAND_VOLUME_UP));
    EXPECT_EQ(displayValue(acc.get()), volumeText(10));
    Sleep(800);   // what was queued plays out at the old level
    const DWORD loud = GetTickCount();
    Sleep(1200);
    if (sound.recording()) {
        const double before = sound.steadyLevel(quiet, quiet + 1200, 400);
        const double after = sound.steadyLevel(loud, loud + 1200, 400);
        ASSERT_GT(before, 0);
        const double db = 20 * std::log10(after / before);
        std::printf("volume up 7 -> 10: %+.2f dB\n", db);
        // 10/7 is +3.1 dB; a loaded machine's capture blurs it, so only the direction and size
        EXPECT_GT(db, 1.5);
        EXPECT_LT(db, 9.0);
    }
    // mute and back
    EXPECT_TRUE(appCommand(w, APPCOMMAND_VOLUME_MUTE));
    EXPECT_EQ(displayValue(acc.get()), volumeText(0));
    EXPECT_TRUE(appCommand(w, APPCOMMAND_VOLUME_MUTE));
    EXPECT_EQ(displayValue(acc.get()), volumeText(10));

    // play/pause pauses and goes on without a new start
    clearRecord();
    EXPECT_TRUE(appCommand(w, APPCOMMAND_MEDIA_PLAY_PAUSE));
    EXPECT_TRUE(paused(sound)) << "still playing after play/pause";
    DWORD resumed = GetTickCount();
    EXPECT_TRUE(appCommand(w, APPCOMMAND_MEDIA_PLAY_PAUSE));
    EXPECT_TRUE(soundsAgain(sound, resumed)) << "play/pause did not go on";
    EXPECT_EQ(readRecord(), "");

    // the hotkey of the play/pause key, with another window in front
    {
        OtherWindow other;
        SetForegroundWindow(other.hwnd);
        PostMessageA(w, WM_HOTKEY, 1, MAKELPARAM(0, VK_MEDIA_PLAY_PAUSE));
        EXPECT_TRUE(paused(sound)) << "the hotkey did not pause";
        resumed = GetTickCount();
        PostMessageA(w, WM_HOTKEY, 1, MAKELPARAM(0, VK_MEDIA_PLAY_PAUSE));
        EXPECT_TRUE(soundsAgain(sound, resumed)) << "the hotkey did not go on";
    }

    // next track; an unknown command is left to the system
    clearRecord();
    EXPECT_TRUE(appCommand(w, APPCOMMAND_MEDIA_NEXTTRACK));
    EXPECT_TRUE(waitForRecord(b, kPlayWaitMs)) << readRecord();
    EXPECT_FALSE(appCommand(w, APPCOMMAND_BROWSER_BACKWARD));

    // a media key pressed in the playlist editor acts on the player too
    p.command(IDM_PLAYLIST_EDITOR);
    HWND editor = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (editor = findDialog(p.pid(), korvo::win::kPlaylistEditorCaption)) != nullptr; },
                          kWaitMs));
    clearRecord();
    PostMessageA(editor, WM_KEYDOWN, VK_MEDIA_PREV_TRACK, 1);
    EXPECT_TRUE(waitForRecord(marks, kPlayWaitMs)) << readRecord();

    PostMessageA(w, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.waitForExit(10000), 0);
    EXPECT_EQ(folder.key(kKeyEqVolume, -1), 10);
    EXPECT_TRUE(keyIsFree(VK_MEDIA_PLAY_PAUSE)) << "the keys were not given back at the end";
}

// The box on the General page holds and gives back the keys; a key another program holds
// stays with it, and nobody is told.
TEST(Desktop, GlobalMediaKeysFollowTheBox) {
    ASSERT_TRUE(RegisterHotKey(nullptr, 0x7001, 0, VK_MEDIA_STOP));
    ProgramFolder folder("media-keys-box");
    Program p;
    ASSERT_TRUE(p.start(folder, {}));
    HWND w = p.waitForWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(waitUntil([] { return !keyIsFree(VK_MEDIA_PREV_TRACK); }, kWaitMs));
    Sleep(500);
    EXPECT_EQ(findDialog(p.pid(), nullptr), nullptr) << "a key held elsewhere was reported";
    UnregisterHotKey(nullptr, 0x7001);

    p.command(IDM_PREFERENCES);
    HWND sheet = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (sheet = findDialog(p.pid(), korvo::win::kPreferencesCaption)) != nullptr; },
                          kWaitMs));
    SendMessageA(sheet, PSM_SETCURSEL, 0, 0);
    HWND general = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    ASSERT_NE(general, nullptr);
    EXPECT_EQ(IsDlgButtonChecked(general, IDC_GEN_MEDIA_KEYS), UINT(BST_CHECKED));
    SendDlgItemMessageA(general, IDC_GEN_MEDIA_KEYS, BM_CLICK, 0, 0);
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    EXPECT_TRUE(waitUntil([&] { return findDialog(p.pid(), korvo::win::kPreferencesCaption) == nullptr; }, kWaitMs));
    EXPECT_TRUE(waitUntil([&] { return folder.key(kKeyGlobalMediaKeys, -1) == 0; }, kWaitMs));
    for (UINT key : {VK_MEDIA_PLAY_PAUSE, VK_MEDIA_STOP, VK_MEDIA_NEXT_TRACK, VK_MEDIA_PREV_TRACK})
        EXPECT_TRUE(keyIsFree(key)) << "key " << key << " still held with the box cleared";
    PostMessageA(w, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.waitForExit(10000), 0);

    // off from the start: nothing is taken
    Program again;
    ASSERT_TRUE(again.start(folder, {}));
    ASSERT_NE(again.waitForWindow(), nullptr);
    SendMessageA(again.window(), WM_NULL, 0, 0);   // a round trip: creation is over
    EXPECT_TRUE(keyIsFree(VK_MEDIA_PLAY_PAUSE));
}

// The taskbar's interface on a window of this process, as far as the shell here has it.
TEST(Desktop, TaskbarButtonCallsAsTheShellAnswers) {
    ComApartment com;
    OtherWindow window;
    korvo::win::TaskbarButton button;
    const auto& r = button.setUp(window.hwnd);
    std::printf("TaskbarList: create 0x%08lx, HrInit 0x%08lx, ThumbBarAddButtons 0x%08lx, progress 0x%08lx\n",
                static_cast<unsigned long>(r.create), static_cast<unsigned long>(r.init),
                static_cast<unsigned long>(r.buttons), static_cast<unsigned long>(r.progress));
    if (FAILED(r.create)) {
        std::printf("the shell here offers no ITaskbarList3\n");
        EXPECT_FALSE(button.ready());
        return;
    }
    EXPECT_HRESULT_SUCCEEDED(r.init);
    EXPECT_TRUE(button.ready());
    // every state goes through, whatever the shell answers
    button.show(korvo::win::TaskbarPlaying, 500, 1000);
    button.show(korvo::win::TaskbarPaused, 500, 1000);
    button.show(korvo::win::TaskbarPlaying, 0, 0);
    button.show(korvo::win::TaskbarStopped, 0, 1000);
    button.reset();
    EXPECT_FALSE(button.ready());
}

// The thumbnail's buttons as the shell sends them, after the shell's messages.
TEST(Desktop, ThumbnailButtonsSendTheSkinsCommands) {
    const std::string a = media("long_a.mp2"), b = media("long_b.mp2");
    ProgramFolder folder("thumbnail");
    SoundRecorder sound;
    EXPECT_TRUE(sound.start()) << "no capture device: the sink's monitor cannot be recorded";
    Program p;
    HWND w = startPlaying(p, folder, {a, b});
    ASSERT_NE(w, nullptr);
    auto shell = [&](const char* name) {
        DWORD_PTR result = 1;
        EXPECT_TRUE(SendMessageTimeoutA(w, RegisterWindowMessageA(name), 0, 0, SMTO_NORMAL, kWaitMs, &result)) << name;
        EXPECT_EQ(result, 0u) << name;
    };
    shell(korvo::win::kTaskbarButtonCreatedMessage);
    auto click = [&](int index) {
        PostMessageA(w, WM_COMMAND, MAKEWPARAM(korvo::win::kThumbButtonCommands[index], THBN_CLICKED), 0);
    };
    EXPECT_EQ(korvo::win::kThumbButtonCommands[0], UINT(IDM_PREVIOUS));
    EXPECT_EQ(korvo::win::kThumbButtonCommands[2], UINT(IDM_NEXT));

    clearRecord();
    const DWORD next = GetTickCount();
    click(2);
    EXPECT_TRUE(waitForRecord(b, kPlayWaitMs)) << readRecord();
    EXPECT_TRUE(soundsAgain(sound, next));   // the device is open again: a pause now reaches it
    click(1);
    EXPECT_TRUE(paused(sound)) << "Play/Pause did not pause";
    DWORD resumed = GetTickCount();
    click(1);
    EXPECT_TRUE(soundsAgain(sound, resumed)) << "Play/Pause did not go on";
    // a restarted shell: the button is made again, and its buttons still work
    shell(korvo::win::kTaskbarCreatedMessage);
    clearRecord();
    click(0);
    EXPECT_TRUE(waitForRecord(a, kPlayWaitMs)) << readRecord();
    p.command(IDM_STOP);
    EXPECT_TRUE(paused(sound));
    resumed = GetTickCount();
    clearRecord();
    click(1);   // stopped: it plays
    EXPECT_TRUE(waitForRecord(a, kPlayWaitMs)) << readRecord();
    EXPECT_TRUE(soundsAgain(sound, resumed));
    EXPECT_EQ(findDialog(p.pid(), nullptr), nullptr);
}

// The window seen by a screen reader in another process, and the keyboard's focus mark.
TEST(Desktop, ScreenReaderAndKeyboardReachEveryButton) {
    ComApartment com;
    const std::string a = media("long_a.mp2"), b = media("long_b.mp2");
    ProgramFolder folder("reader");
    SoundRecorder sound;
    EXPECT_TRUE(sound.start()) << "no capture device: the sink's monitor cannot be recorded";
    Program p;
    HWND w = startPlaying(p, folder, {a, b});
    ASSERT_NE(w, nullptr);
    ComRef<IAccessible> acc;
    ASSERT_TRUE(accessibleOf(w, acc));
    AnnouncedEvents events(p.pid());
    EXPECT_NE(events.hook, nullptr);

    LONG count = 0;
    ASSERT_HRESULT_SUCCEEDED(acc->get_accChildCount(&count));
    EXPECT_EQ(count, 11);
    EXPECT_EQ(accText(acc.get(), CHILDID_SELF, &IAccessible::get_accName), korvo::win::kMainWindowTitle);
    RECT wr;
    GetWindowRect(w, &wr);
    std::printf("what a screen reader reads:\n");
    for (int child = 1; child <= korvo::win::kButtonCount; ++child) {
        std::string name, key;
        korvo::win::splitButtonTip(kButtonTips[child - 1], name, key);
        EXPECT_EQ(accText(acc.get(), child, &IAccessible::get_accName), name);
        EXPECT_EQ(accNumber(acc.get(), child, &IAccessible::get_accRole), ROLE_SYSTEM_PUSHBUTTON);
        EXPECT_EQ(accText(acc.get(), child, &IAccessible::get_accKeyboardShortcut), key);
        EXPECT_EQ(accText(acc.get(), child, &IAccessible::get_accDefaultAction), korvo::win::kAccessiblePress);
        LONG x = 0, y = 0, cx = 0, cy = 0;
        EXPECT_HRESULT_SUCCEEDED(acc->accLocation(&x, &y, &cx, &cy, childId(child)));
        const RECT& e = kButtonTable[child - 1].ellipse;
        EXPECT_NEAR(x, wr.left + e.left, 1) << name;
        EXPECT_NEAR(y, wr.top + e.top, 1) << name;
        EXPECT_NEAR(cx, e.right - e.left, 1) << name;
        VARIANT hit;
        EXPECT_EQ(acc->accHitTest(x + cx / 2, y + cy / 2, &hit), S_OK);
        EXPECT_EQ(hit.vt == VT_I4 ? hit.lVal : -1, child) << name;
        std::printf("  push button \"%s\"%s%s\n", name.c_str(), key.empty() ? "" : ", shortcut ", key.c_str());
    }
    EXPECT_EQ(accText(acc.get(), kDisplayChild, &IAccessible::get_accName), titleOf(a));
    EXPECT_EQ(accNumber(acc.get(), kDisplayChild, &IAccessible::get_accRole), ROLE_SYSTEM_STATICTEXT);
    std::string time;
    EXPECT_TRUE(waitUntil([&] { return (time = displayValue(acc.get())).find(" / 0:") != std::string::npos; }, kWaitMs))
        << "no time with its total: " << time;
    std::printf("  static text \"%s\", value \"%s\"\n", titleOf(a).c_str(), time.c_str());
    EXPECT_EQ(accNumber(acc.get(), kDisplayChild + 1, &IAccessible::get_accRole), -1) << "a twelfth child";

    // Tab puts the mark on Play: the screen changes around it and nowhere near Stop
    const RECT play = kButtonTable[korvo::win::ButtonPlay].ellipse, stop = kButtonTable[korvo::win::ButtonStop].ellipse;
    Shot before = shoot(w);
    PostMessageA(w, WM_KEYDOWN, VK_TAB, 1);
    EXPECT_TRUE(waitUntil([&] { return accFocus(acc.get()) == korvo::win::ButtonPlay + 1; }, kWaitMs));
    EXPECT_TRUE(events.waitFor(EVENT_OBJECT_FOCUS, korvo::win::ButtonPlay + 1)) << "the focus was not announced";
    EXPECT_TRUE(accNumber(acc.get(), korvo::win::ButtonPlay + 1, &IAccessible::get_accState) & STATE_SYSTEM_FOCUSED);
    Shot after = shoot(w);
    EXPECT_GT(changedPixels(before, after, play, 4), 20) << "no mark around Play";
    EXPECT_EQ(changedPixels(before, after, stop, 4), 0) << "Stop changed";
    std::string png = buildDir() + "\\ui-focus-mark.png";
    EXPECT_TRUE(saveWindowPng(w, png, std::vector<bool>(size_t(after.w) * size_t(after.h), true))) << png;

    // Space presses the focused button: Stop, then Play again
    PostMessageA(w, WM_KEYDOWN, VK_TAB, 1);
    PostMessageA(w, WM_KEYDOWN, VK_TAB, 1);
    EXPECT_TRUE(waitUntil([&] { return accFocus(acc.get()) == korvo::win::ButtonStop + 1; }, kWaitMs));
    clearRecord();
    PostMessageA(w, WM_KEYDOWN, VK_SPACE, 1);
    EXPECT_TRUE(paused(sound)) << "Space on Stop did not stop";
    EXPECT_HRESULT_SUCCEEDED(acc->accSelect(SELFLAG_TAKEFOCUS, childId(korvo::win::ButtonPlay + 1)));
    EXPECT_EQ(accFocus(acc.get()), korvo::win::ButtonPlay + 1);
    const DWORD pressed = GetTickCount();
    PostMessageA(w, WM_KEYDOWN, VK_SPACE, 1);
    EXPECT_TRUE(waitForRecord(a, kPlayWaitMs)) << "Space on Play did not play";
    EXPECT_TRUE(soundsAgain(sound, pressed));

    // a new entry's name is announced, and read
    clearRecord();
    p.command(IDM_NEXT);
    EXPECT_TRUE(waitForRecord(b, kPlayWaitMs)) << readRecord();
    EXPECT_TRUE(events.waitFor(EVENT_OBJECT_NAMECHANGE, kDisplayChild)) << "the new name was not announced";
    EXPECT_EQ(accText(acc.get(), kDisplayChild, &IAccessible::get_accName), titleOf(b));

    // the default action presses the button too
    EXPECT_HRESULT_SUCCEEDED(acc->accDoDefaultAction(childId(korvo::win::ButtonStop + 1)));
    EXPECT_TRUE(paused(sound)) << "the default action of Stop did not stop";

    // the menu key opens the menu; Escape closes it
    PostMessageA(w, WM_KEYDOWN, VK_APPS, 1);
    HWND menu = nullptr;
    EXPECT_TRUE(waitUntil([&] { return menuShown(p.pid(), menu); }, kWaitMs)) << "no menu on the menu key";
    if (menu) {
        PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        EXPECT_TRUE(waitUntil([&] { return !IsWindowVisible(menu); }, kWaitMs));
    }

    // Shift+Tab goes back, through the keyboard
    p.pressKeys(VK_SHIFT, VK_TAB);
    EXPECT_TRUE(waitUntil([&] { return accFocus(acc.get()) == focusBefore(korvo::win::ButtonPlay) + 1; }, kWaitMs));
    // Shift+F10 opens the menu as well
    p.pressKeys(VK_SHIFT, VK_F10);
    EXPECT_TRUE(waitUntil([&] { return menuShown(p.pid(), menu); }, kWaitMs)) << "no menu on Shift+F10";
    if (menu) PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(waitUntil([&] { return !IsWindowVisible(menu); }, kWaitMs));
    PostMessageA(w, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.waitForExit(10000), 0);
    // a client that kept the object is told the window is gone
    LONG left = 0;
    EXPECT_TRUE(FAILED(acc->get_accChildCount(&left)));
}

} // namespace
} // namespace korvo::uitest
