#include "app/win32/preferences.h"

#include <commctrl.h>
#include <mmsystem.h>
#include <prsht.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>

#include "settings/settings.h"
#include "app/win32/file_types.h"
#include "app/win32/main_window.h"
#include "app/win32/resource_ids.h"
#include "app/win32/win_texts.h"
#include "playback/output_driver.h"

namespace korvo::win {

HWND& preferencesSheet() {
    static HWND sheet = nullptr;
    return sheet;
}
namespace {

constexpr int kPriorityLevels = 6;
constexpr int kDeviceTextSize = 64;

// What Cancel restores from.
Settings& backup() {
    static Settings b;
    return b;
}

int lastAppliedPriority = 0;

void markChanged(HWND page) { SendMessageA(GetParent(page), PSM_CHANGED, reinterpret_cast<WPARAM>(page), 0); }

void setCheck(HWND page, int id, int on) { CheckDlgButton(page, id, on ? BST_CHECKED : BST_UNCHECKED); }
int checked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED ? 1 : 0; }

UINT notifyCode(LPARAM lParam) { return reinterpret_cast<const NMHDR*>(lParam)->code; }

// General

struct CheckSetting {
    int control;
    int Settings::*field;
};
constexpr CheckSetting kGeneralChecks[] = {
    {IDC_GEN_READ_INFO, &Settings::ReadFileInfo},   {IDC_GEN_MULTIPLE, &Settings::MultipleInstances},
    {IDC_GEN_ON_TOP, &Settings::AlwaysOnTop},       {IDC_GEN_AUTO_PLAY, &Settings::AutoPlayOnOpen},
    {IDC_GEN_SPLASH, &Settings::ShowSplashScreen},  {IDC_GEN_EASY_MOVE, &Settings::EasyMove},
    {IDC_GEN_IRC_ENABLED, &Settings::IRCEnabled},   {IDC_GEN_IRC_USE_TAG, &Settings::IRCUseTag},
    {IDC_GEN_REMEMBER, &Settings::RememberPlaylist},
    {IDC_GEN_MEDIA_KEYS, &Settings::GlobalMediaKeys},
};

void setMinimizeRadios(HWND page, int location) {
    setCheck(page, IDC_GEN_TASKBAR, location == 0);
    setCheck(page, IDC_GEN_SYSTRAY, location != 0);
}

INT_PTR CALLBACK generalProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam) {
    Settings& s = settings();
    switch (msg) {
    case WM_INITDIALOG:
        setMinimizeRadios(page, s.MinimizeLocation);
        for (const CheckSetting& c : kGeneralChecks) setCheck(page, c.control, s.*c.field);
        SendDlgItemMessageA(page, IDC_GEN_IRC_SERVER, EM_LIMITTEXT, kIrcTextChars, 0);
        SendDlgItemMessageA(page, IDC_GEN_IRC_COMMAND, EM_LIMITTEXT, kIrcTextChars, 0);
        SetDlgItemTextA(page, IDC_GEN_IRC_SERVER, s.IRCAppName);
        SetDlgItemTextA(page, IDC_GEN_IRC_COMMAND, s.IRCCommand);
        SetDlgItemInt(page, IDC_GEN_IRC_TIMEOUT, UINT(s.IRCAnnounceTimeout), FALSE);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_GEN_REGISTER:
            registerFileTypes(page);
            return TRUE;
        case IDC_GEN_TASKBAR:
        case IDC_GEN_SYSTRAY:
            s.MinimizeLocation = LOWORD(wParam) == IDC_GEN_SYSTRAY ? 1 : 0;
            setMinimizeRadios(page, s.MinimizeLocation);
            markChanged(page);
            return TRUE;
        default:
            markChanged(page);
            return TRUE;
        }
    case WM_NOTIFY:
        if (notifyCode(lParam) == PSN_APPLY) {
            for (const CheckSetting& c : kGeneralChecks) s.*c.field = checked(page, c.control);
            GetDlgItemTextA(page, IDC_GEN_IRC_SERVER, s.IRCAppName, kIrcTextChars + 1);
            GetDlgItemTextA(page, IDC_GEN_IRC_COMMAND, s.IRCCommand, kIrcTextChars + 1);
            s.IRCAnnounceTimeout = int(GetDlgItemInt(page, IDC_GEN_IRC_TIMEOUT, nullptr, FALSE));
            mainWindow().applyMediaKeys();
            return TRUE;
        }
        if (notifyCode(lParam) == PSN_RESET) {
            const Settings& b = backup();
            s.MinimizeLocation = b.MinimizeLocation;
            s.MultipleInstances = b.MultipleInstances;
            s.AlwaysOnTop = b.AlwaysOnTop;
            s.AutoPlayOnOpen = b.AutoPlayOnOpen;
            s.ShowSplashScreen = b.ShowSplashScreen;
            s.EasyMove = b.EasyMove;
            return TRUE;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

// Decoder

constexpr int kMappingRadios[] = {IDC_DEC_MAP_ISO, IDC_DEC_MAP_XING, IDC_DEC_MAP_FHG, IDC_DEC_MAP_AR};

void setMappingRadios(HWND page, int mode) {
    for (int i = 0; i < 4; ++i) setCheck(page, kMappingRadios[i], mode == i + 1);
}

void showPriorityName(HWND page, int priority) {
    SetDlgItemTextA(page, IDC_DEC_PRIORITY_NAME,
                    priority >= 0 && priority < kPriorityLevels ? kPriorityNames[priority] : "");
}

// Rows in the order of their values: the mode's row is its value, the preamp's its dB from the least.
void fillReplayGainBoxes(HWND page, const Settings& s) {
    for (const char* name : kReplayGainModeNames)
        SendDlgItemMessageA(page, IDC_DEC_REPLAYGAIN, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    SendDlgItemMessageA(page, IDC_DEC_REPLAYGAIN, CB_SETCURSEL, WPARAM(s.ReplayGainMode), 0);
    for (int db = kReplayGainDbMin; db <= kReplayGainDbMax; ++db) {
        char text[16];
        std::snprintf(text, sizeof text, kPreampFormat, db);
        SendDlgItemMessageA(page, IDC_DEC_PREAMP, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    SendDlgItemMessageA(page, IDC_DEC_PREAMP, CB_SETCURSEL, WPARAM(s.ReplayGainPreamp - kReplayGainDbMin), 0);
}

int selectedRow(HWND page, int id) { return int(SendDlgItemMessageA(page, id, CB_GETCURSEL, 0, 0)); }

int priorityPosition(HWND page) { return int(SendDlgItemMessageA(page, IDC_DEC_PRIORITY, TBM_GETPOS, 0, 0)); }

INT_PTR CALLBACK decoderProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam) {
    Settings& s = settings();
    switch (msg) {
    case WM_INITDIALOG: {
        SendDlgItemMessageA(page, IDC_DEC_PRIORITY, TBM_SETRANGE, TRUE, MAKELPARAM(0, kPriorityLevels - 1));
        SendDlgItemMessageA(page, IDC_DEC_PRIORITY, TBM_SETPOS, TRUE, s.DecoderPriority);
        lastAppliedPriority = s.DecoderPriority;
        setMappingRadios(page, s.MappingMode);
        setCheck(page, IDC_DEC_GAPLESS, s.GaplessPlayback);
        fillReplayGainBoxes(page, s);
        showPriorityName(page, s.DecoderPriority);
        HWND combo = GetDlgItem(page, IDC_DEC_OUTPUT);
        LRESULT wav = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kOutputWavFileName));
        LRESULT device = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kOutputSoundDeviceName));
        if (s.AudioOutputSystem == kOutputWavFile) SendMessageA(combo, CB_SETCURSEL, WPARAM(wav), 0);
        if (s.AudioOutputSystem == kOutputSoundDevice) SendMessageA(combo, CB_SETCURSEL, WPARAM(device), 0);
        return TRUE;
    }
    case WM_HSCROLL:
        if (reinterpret_cast<HWND>(lParam) == GetDlgItem(page, IDC_DEC_PRIORITY)) {
            setSharedValue(s.DecoderPriority, priorityPosition(page));
            showPriorityName(page, s.DecoderPriority);
            if (s.DecoderPriority != lastAppliedPriority) markChanged(page);
        }
        return TRUE;
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        if (id == IDC_DEC_OUTPUT && HIWORD(wParam) == CBN_SELCHANGE) {
            // Only the setting changes: the decoder takes it when the next file starts,
            // so the file playing now keeps its output.
            char text[kDeviceTextSize] = {};
            GetDlgItemTextA(page, IDC_DEC_OUTPUT, text, sizeof text);
            setSharedValue(s.AudioOutputSystem,
                           std::strcmp(text, kOutputWavFileName) == 0 ? kOutputWavFile : kOutputSoundDevice);
        }
        for (int i = 0; i < 4; ++i) {
            if (id != kMappingRadios[i]) continue;
            setSharedValue(s.MappingMode, i + 1);
            setMappingRadios(page, s.MappingMode);
        }
        // Taken when the next file starts, like the output system.
        if (id == IDC_DEC_GAPLESS) setSharedValue(s.GaplessPlayback, checked(page, IDC_DEC_GAPLESS));
        if (HIWORD(wParam) == CBN_SELCHANGE) {
            const int row = selectedRow(page, id);
            if (id == IDC_DEC_REPLAYGAIN && row >= kReplayGainOff && row <= kReplayGainAlbum)
                setSharedValue(s.ReplayGainMode, row);
            if (id == IDC_DEC_PREAMP && row >= 0 && row <= kReplayGainDbMax - kReplayGainDbMin)
                setSharedValue(s.ReplayGainPreamp, kReplayGainDbMin + row);
        }
        markChanged(page);
        return TRUE;
    }
    case WM_NOTIFY:
        if (notifyCode(lParam) == PSN_APPLY) {
            setSharedValue(s.DecoderPriority, priorityPosition(page));
            lastAppliedPriority = s.DecoderPriority;
            return TRUE;
        }
        if (notifyCode(lParam) == PSN_RESET) {
            // the mapping mode is deliberately kept
            setSharedValue(s.DecoderPriority, backup().DecoderPriority);
            setSharedValue(s.AudioOutputSystem, backup().AudioOutputSystem);
            setSharedValue(s.GaplessPlayback, backup().GaplessPlayback);
            setSharedValue(s.ReplayGainMode, backup().ReplayGainMode);
            setSharedValue(s.ReplayGainPreamp, backup().ReplayGainPreamp);
            return TRUE;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

// Audio Output

struct AudioCheck {
    int control;
    int Settings::*field;
};
constexpr AudioCheck kAudioChecks[] = {{IDC_AUD_8BIT, &Settings::AudioOutput8Bit},
                                       {IDC_AUD_BYPASS_ACM, &Settings::AudioBypassACM},
                                       {IDC_AUD_SYNC_DEV, &Settings::AudioAllowSyncDev}};

int deviceCount() { return int(waveOutGetNumDevs()); }

void fillDevices(HWND page) {
    HWND combo = GetDlgItem(page, IDC_AUD_DEVICE);
    const int selected = settings().WinMMOutputDev;
    char name[kDeviceNameSize];
    for (int i = 0, n = deviceCount(); i < n; ++i) {
        if (!deviceName(i, name)) break;
        LRESULT row = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
        if (i == selected) SendMessageA(combo, CB_SETCURSEL, WPARAM(row), 0);
    }
    LRESULT row = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kWaveMapperName));
    if (selected == -1) SendMessageA(combo, CB_SETCURSEL, WPARAM(row), 0);
}

void takeDevice(HWND page) {
    char text[kDeviceTextSize] = {};
    HWND combo = GetDlgItem(page, IDC_AUD_DEVICE);
    LRESULT row = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (row < 0 || SendMessageA(combo, CB_GETLBTEXTLEN, WPARAM(row), 0) >= LRESULT(sizeof text)) return;
    SendMessageA(combo, CB_GETLBTEXT, WPARAM(row), reinterpret_cast<LPARAM>(text));
    char name[kDeviceNameSize];
    for (int i = 0, n = deviceCount(); i < n; ++i) {
        if (!deviceName(i, name)) break;
        if (lstrcmpiA(name, text) == 0) {
            setSharedValue(settings().WinMMOutputDev, i);
            break;
        }
    }
    if (lstrcmpiA(text, kWaveMapperName) == 0) setSharedValue(settings().WinMMOutputDev, -1);
}

INT_PTR CALLBACK audioProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam) {
    Settings& s = settings();
    switch (msg) {
    case WM_INITDIALOG:
        for (const AudioCheck& c : kAudioChecks) setCheck(page, c.control, s.*c.field);
        fillDevices(page);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_AUD_DEVICE && HIWORD(wParam) == CBN_SELCHANGE) takeDevice(page);
        markChanged(page);
        return TRUE;
    case WM_HSCROLL:
        markChanged(page);
        return TRUE;
    case WM_NOTIFY:
        if (notifyCode(lParam) == PSN_APPLY) {
            for (const AudioCheck& c : kAudioChecks) setSharedValue(s.*c.field, checked(page, c.control));
            return TRUE;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

// Streaming

void setDownloadRadios(HWND page, int option) {
    setCheck(page, IDC_NET_PLAY_ONLY, option == 0);
    setCheck(page, IDC_NET_PLAY_SAVE, option != 0);
}

void browseDownloadFolder(HWND page) {
    IMalloc* allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator)) || !allocator) {
        MessageBoxA(page, kErrorOccurred, kErrorTitle, MB_OK);
        return;
    }
    char display[MAX_PATH] = {};
    BROWSEINFOA bi{};
    bi.hwndOwner = page;
    bi.pszDisplayName = display;
    bi.lpszTitle = kDownloadFolderTitle;
    LPITEMIDLIST item = SHBrowseForFolderA(&bi);
    if (item) {
        char path[MAX_PATH] = {};
        if (SHGetPathFromIDListA(item, path)) {
            size_t n = std::strlen(path);
            if (n > 0 && path[n - 1] == '\\') path[n - 1] = 0;   // a drive comes as "C:\"
            SetDlgItemTextA(page, IDC_NET_DIR, path);
        }
        allocator->Free(item);
    }
    allocator->Release();
}

INT_PTR CALLBACK streamingProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam) {
    Settings& s = settings();
    switch (msg) {
    case WM_INITDIALOG:
        setDownloadRadios(page, s.DownloadOption);
        SendDlgItemMessageA(page, IDC_NET_DIR, EM_LIMITTEXT, kDownloadDirChars, 0);
        SetDlgItemTextA(page, IDC_NET_DIR, s.InternetDLDir);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_NET_PLAY_ONLY:
        case IDC_NET_PLAY_SAVE:
            setSharedValue(s.DownloadOption, LOWORD(wParam) == IDC_NET_PLAY_SAVE ? 1 : 0);
            setDownloadRadios(page, s.DownloadOption);
            markChanged(page);
            return TRUE;
        case IDC_NET_BROWSE:
            browseDownloadFolder(page);
            return TRUE;
        default:
            return TRUE;
        }
    case WM_NOTIFY:
        if (notifyCode(lParam) == PSN_APPLY) {
            char dir[kSettingsDirSize] = {};
            GetDlgItemTextA(page, IDC_NET_DIR, dir, sizeof dir);
            setSharedText(s.InternetDLDir, dir);
            return TRUE;
        }
        if (notifyCode(lParam) == PSN_RESET) {
            setSharedText(s.InternetDLDir, backup().InternetDLDir);
            setSharedValue(s.DownloadOption, backup().DownloadOption);
            return TRUE;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

PROPSHEETPAGEA page(int dialog, const char* title, DLGPROC proc) {
    PROPSHEETPAGEA p{};
    p.dwSize = sizeof p;
    p.dwFlags = PSP_USETITLE;
    p.hInstance = GetModuleHandleA(nullptr);
    p.pszTemplate = MAKEINTRESOURCEA(dialog);
    p.pszTitle = title;
    p.pfnDlgProc = proc;
    return p;
}

} // namespace

int openPreferences(HWND owner) {
    HWND& sheet = preferencesSheet();
    if (sheet) {
        SetForegroundWindow(sheet);
        return 1;
    }
    backup() = settings();
    PROPSHEETPAGEA pages[] = {page(IDD_PREF_GENERAL, kPageGeneral, generalProc),
                              page(IDD_PREF_DECODER, kPageDecoder, decoderProc),
                              page(IDD_PREF_AUDIO, kPageAudio, audioProc),
                              page(IDD_PREF_STREAMING, kPageStreaming, streamingProc)};
    PROPSHEETHEADERA h{};
    h.dwSize = sizeof h;
    h.dwFlags = PSH_PROPSHEETPAGE | PSH_MODELESS;
    h.hwndParent = owner;
    h.hInstance = GetModuleHandleA(nullptr);
    h.pszCaption = kPreferencesCaption;
    h.nPages = sizeof pages / sizeof pages[0];
    h.ppsp = pages;
    INT_PTR made = PropertySheetA(&h);
    sheet = made > 0 ? reinterpret_cast<HWND>(made) : nullptr;
    if (sheet) keepInsideWorkArea(sheet);
    return sheet != nullptr;
}

} // namespace korvo::win
