#include "app/win32/app.h"

#include <commctrl.h>
#include <mmsystem.h>
#include <prsht.h>

#include <cstring>

#include "settings/settings.h"
#include "app/copy_data_request.h"
#include "app/win32/command_line.h"
#include "app/win32/dpi.h"
#include "app/win32/equalizer_dialog.h"
#include "app/win32/main_window.h"
#include "app/win32/media_keys.h"
#include "app/win32/playlist_editor.h"
#include "app/win32/preferences.h"
#include "app/win32/resource_ids.h"
#include "app/win32/tag_editor.h"
#include "app/win32/win_texts.h"
#include "platform/file.h"
#include "platform/prompt.h"
#include "playback/decoder_thread.h"
#include "playlist/path_rules.h"
#include "playlist/playlist.h"
#include "playlist/playlist_texts.h"

namespace korvo::win {

namespace {

// Message boxes owned by the main window once it exists, brought to the foreground.
class MessageBoxPrompt final : public Prompt {
public:
    void show(const char* text, const char* title, PromptIcon icon) override {
        MessageBoxA(owner(), text, title, MB_OK | messageBoxIcon(icon) | MB_SETFOREGROUND);
    }
    int askYesNo(const char* text, const char* title, PromptIcon icon) override {
        return MessageBoxA(owner(), text, title, MB_YESNO | messageBoxIcon(icon) | MB_SETFOREGROUND) == IDYES ? 1 : 0;
    }

private:
    static HWND owner() { return mainWindow().hwnd(); }
};

int sendRequest(HWND target, ULONG_PTR code, const char* text) {
    COPYDATASTRUCT cds{};
    cds.dwData = code;
    cds.cbData = text ? DWORD(std::strlen(text)) : 0;
    cds.lpData = const_cast<char*>(text);
    SendMessageA(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
    return 1;
}

bool isSwitch(const char* arg) { return arg[0] == '/'; }

// The running instance has a current folder of its own: a relative path is made absolute
// here, against ours. URLs and paths that cannot be resolved go as they are.
int sendPath(HWND target, const char* arg) {
    if (isUrl(arg)) return sendRequest(target, RequestAddPath, arg);
    char full[CommandLine::kTokenSize];
    DWORD n = GetFullPathNameA(arg, sizeof full, full, nullptr);
    return sendRequest(target, RequestAddPath, n > 0 && n < sizeof full ? full : arg);
}

bool registerMainClass(HINSTANCE instance) {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
    HCURSOR arrow = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));   // IDC_ARROW
    if (version.dwMajorVersion >= 4) {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS | CS_SAVEBITS;
        wc.lpfnWndProc = MainWindow::windowProc;
        wc.hInstance = instance;
        wc.hIcon = icon;
        wc.hCursor = arrow;
        wc.lpszClassName = kMainWindowClass;
        wc.hIconSm = icon;
        return RegisterClassExA(&wc) != 0;
    }
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS | CS_SAVEBITS;
    wc.lpfnWndProc = MainWindow::windowProc;
    wc.hInstance = instance;
    wc.hIcon = icon;
    wc.hCursor = arrow;
    wc.lpszClassName = kMainWindowClass;
    return RegisterClassA(&wc) != 0;
}

// The preferences sheet was closed by the user: tidy up after it.
void afterPreferencesClosed(HWND main) {
    EnableWindow(main, TRUE);
    vanish(preferencesSheet());   // hiding it would wait for a window manager
    DestroyWindow(preferencesSheet());
    preferencesSheet() = nullptr;
    if (!saveSettings()) tellSettingsNotSaved(main);
    postPriorityChanged(mainWindow().decoderThreadId());
    SetWindowPos(main, settings().AlwaysOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

// The list of the last run, when nothing was given to play: what it holds is added without a
// word (files gone since are passed over), its current entry selected. 1 when it gave entries.
int restoreRememberedList(Playlist& list, Prompt* prompt) {
    char path[kPathCapacity];
    if (!rememberedListPath(playlist_texts::kRememberedList, path, sizeof path) || !pathInfo(path).exists) return 0;
    list.setPrompt(nullptr);
    list.readM3uFile(path);
    list.setPrompt(prompt);
    if (list.countEntries() == 0) return 0;
    if (!list.selectEntry(settings().RememberedEntry, nullptr)) list.selectEntry(0, nullptr);
    return 1;
}

} // namespace

int handOver(HWND running, int argc, const char* const* argv) {
    if (argc <= 1) return 0;
    int sent = sendRequest(running, RequestClear, nullptr);
    for (int i = 1; i < argc; ++i)
        if (!isSwitch(argv[i])) sent += sendPath(running, argv[i]);
    sent += sendRequest(running, RequestPlayFirst, nullptr);
    return sent;
}

int runApp(HINSTANCE instance, HINSTANCE previous, int showCommand) {
    InitCommonControls();
    ComApartment com;   // the taskbar's interface and the screen reader's object
    static MessageBoxPrompt boxes;
    setPrompt(&boxes);
    if (!loadSettings()) return 0;
    // A device number the system does not know (the file came from another machine) plays
    // through the wave mapper instead of failing at every file.
    if (settings().WinMMOutputDev >= int(waveOutGetNumDevs())) settings().WinMMOutputDev = -1;
    Playlist& list = playlist();
    list.setPrompt(&boxes);
    list.setReadFileInfo(settings().ReadFileInfo);
    list.clearPlaylist();
    // Tags and lengths are read beside this thread, which stays free to answer.
    InfoReader reader(&MainWindow::entryInfoReady, &mainWindow());
    struct ReaderUse {
        explicit ReaderUse(InfoReader& r) {
            playlist().setInfoReader(&r);
            mainWindow().useInfoReader(&r);
        }
        ~ReaderUse() {
            playlist().setInfoReader(nullptr);
            mainWindow().useInfoReader(nullptr);
        }
    } readerUse(reader);
    list.setProgressHook(showAddingProgress, nullptr);

    static CommandLine commandLine;   // kept for the life of the process
    commandLine.split(GetCommandLineA());
    const int argc = commandLine.count();

    HWND running = FindWindowA(kMainWindowClass, nullptr);
    if (running && !settings().MultipleInstances) {
        const char* argv[CommandLine::kMaxTokens];
        for (int i = 0; i < argc; ++i) argv[i] = commandLine.token(i);
        handOver(running, argc, argv);
        return 0;
    }
    list.beginAddBatch();   // paths that name nothing are reported together
    bool given = false;
    for (int i = 1; i < argc; ++i)
        if (!isSwitch(commandLine.token(i))) {
            addRequestedPath(list, commandLine.token(i));
            given = true;
        }
    list.endAddBatch();
    if (given) mainWindow().startedWithFiles();
    if (!given && settings().RememberPlaylist && restoreRememberedList(list, &boxes))
        mainWindow().holdUntilPlay(settings().RememberedMs);

    if (!previous && !registerMainClass(instance)) return 0;
    // The size of the skin drawn for the monitor at the kept place (the window takes it again
    // once it knows its own monitor).
    const int scale = skinScaleForDpi(dpiAtPoint({settings().WindowX, settings().WindowY}));
    const int width = scaleLength(kSkinWidth, scale), height = scaleLength(kSkinHeight, scale);
    const RECT place = placeOnNearestWorkArea(settings().WindowX, settings().WindowY, width, height);
    HWND main = CreateWindowExA(WS_EX_ACCEPTFILES, kMainWindowClass, kMainWindowTitle,
                                WS_POPUP | WS_VISIBLE | WS_SYSMENU | WS_MINIMIZEBOX, place.left, place.top,
                                width, height, nullptr, nullptr, instance, nullptr);
    if (!main) {
        MessageBoxA(nullptr, kNoMainWindow, kFatalTitle, MB_OK | MB_ICONERROR | MB_SETFOREGROUND | MB_TOPMOST);
        return 0;
    }
    ShowWindow(main, showCommand);
    UpdateWindow(main);
    HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));

    // Messages are taken in their wide form: a character typed in any script then reaches the
    // controls (which keep wide text) whole, where the narrow form turns it into "?".
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        // A media key pressed in any of the player's windows acts on the player.
        if (const int command = msg.message == WM_KEYDOWN ? appCommandOfKey(msg.wParam) : 0) {
            SendMessageA(main, WM_APPCOMMAND, reinterpret_cast<WPARAM>(msg.hwnd), MAKELPARAM(0, command));
            continue;
        }
        HWND sheet = preferencesSheet();
        if (sheet && !SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)) afterPreferencesClosed(main);
        sheet = preferencesSheet();
        if (sheet && SendMessageA(sheet, PSM_ISDIALOGMESSAGE, 0, reinterpret_cast<LPARAM>(&msg))) continue;
        // The editors take their own keys (Tab, Enter, Escape) before the main window's shortcuts.
        if (editorTakesMessage(msg)) continue;
        HWND tags = tagEditorWindow();
        if (tags && IsDialogMessageW(tags, &msg)) continue;
        HWND eq = equalizerWindow();
        if (eq && IsDialogMessageW(eq, &msg)) continue;
        if (accelerators && TranslateAcceleratorW(main, accelerators, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return int(msg.wParam);
}

} // namespace korvo::win
