// The preferences sheet of a running LumenKorvo.exe, driven through its pages from outside,
// and the file-type registration it offers.
#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>
#include <prsht.h>
#include <shlobj.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "settings/settings.h"
#include "settings/settings_texts.h"
#include "app/win32/file_types.h"
#include "app/win32/resource_ids.h"
#include "app/win32/win_texts.h"
#include "decoder/byte_input.h"
#include "decoder/decoder.h"
#include "playback/playback_texts.h"
#include "playlist/replay_gain.h"
#include "sound_recorder.h"
#include "test_support.h"
#include "ui_driver.h"

namespace korvo::uitest {
namespace {

using namespace korvo::win;

constexpr int kWaitMs = 8000;
enum { PageGeneral, PageDecoder, PageAudio, PageStreaming };

std::string controlText(HWND dlg, int id) {
    char text[512] = {};
    SendMessageA(GetDlgItem(dlg, id), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

bool isChecked(HWND page, int id) { return SendMessageA(GetDlgItem(page, id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

// A click as the page sees it: the new check state, then the notification.
void click(HWND page, int id, bool post = false) {
    HWND c = GetDlgItem(page, id);
    LONG style = GetWindowLongA(c, GWL_STYLE) & 0xF;
    if (style == BS_AUTOCHECKBOX) SendMessageA(c, BM_SETCHECK, isChecked(page, id) ? BST_UNCHECKED : BST_CHECKED, 0);
    WPARAM w = MAKEWPARAM(id, BN_CLICKED);
    if (post) PostMessageA(page, WM_COMMAND, w, reinterpret_cast<LPARAM>(c));
    else SendMessageA(page, WM_COMMAND, w, reinterpret_cast<LPARAM>(c));
}

void selectRow(HWND page, int id, int row) {
    SendDlgItemMessageA(page, id, CB_SETCURSEL, WPARAM(row), 0);
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(page, id)));
}

std::string selectedText(HWND page, int id) {
    // the list's own text messages do not cross processes; the box's text does
    if (SendDlgItemMessageA(page, id, CB_GETCURSEL, 0, 0) < 0) return "<none>";
    return controlText(page, id);
}

HWND openSheet(Program& p) {
    p.command(IDM_PREFERENCES);
    HWND d = nullptr;
    waitUntil([&] { return (d = findDialog(p.pid(), kPreferencesCaption)) != nullptr; }, kWaitMs);
    return d;
}

HWND showPage(HWND sheet, int index) {
    SendMessageA(sheet, PSM_SETCURSEL, WPARAM(index), 0);
    return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

void snapshot(HWND w, const char* name) {
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(400);   // the program paints in its own time
    RECT r;
    GetWindowRect(w, &r);
    saveWindowPng(w, buildDir() + "\\" + name, std::vector<bool>(size_t(r.right - r.left) * size_t(r.bottom - r.top), true));
}

bool sheetClosed(Program& p) {
    return waitUntil([&] { return findDialog(p.pid(), kPreferencesCaption) == nullptr; }, kWaitMs);
}

void pressSheet(HWND sheet, int button) { PostMessageA(sheet, PSM_PRESSBUTTON, WPARAM(button), 0); }

void setText(const ProgramFolder& f, const char* key, const char* value) {
    WritePrivateProfileStringA(kSettingsSection, key, value, f.ini().c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, f.ini().c_str());
}

std::string text(const ProgramFolder& f, const char* key) {
    char t[512] = {};
    GetPrivateProfileStringA(kSettingsSection, key, "<none>", t, sizeof t, f.ini().c_str());
    return t;
}

int countDialogs(DWORD pid, const char* title) {
    struct Count {
        DWORD pid;
        const char* title;
        int n;
    } c{pid, title, 0};
    EnumWindows([](HWND w, LPARAM l) -> BOOL {
        auto* c = reinterpret_cast<Count*>(l);
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        char t[256] = {};
        GetWindowTextA(w, t, sizeof t);
        if (pid == c->pid && std::strcmp(t, c->title) == 0) ++c->n;
        return TRUE;
    }, reinterpret_cast<LPARAM>(&c));
    return c.n;
}

void closeProgram(Program& p) {
    PostMessageA(p.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(p.waitForExit(10000), 0);
}

TEST(PrefsSheet, PagesStartFromTheIniAndCancelRestoresOnlyTheListedFields) {
    ProgramFolder folder("prefs_cancel");
    folder.setKey(kKeyDecoderPriority, 3);
    folder.setKey(kKeyMappingMode, 2);
    folder.setKey(kKeyMinimizeLocation, 1);
    folder.setKey(kKeyIRCAnnounceTimeout, 7);
    folder.setKey(kKeyDownloadOption, 1);
    folder.setKey(kKeyWinMMOutputDev, -1);
    folder.setKey(kKeyAudioOutput8Bit, 1);
    setText(folder, kKeyInternetDLDir, "C:\\downloads");
    Program p;
    ASSERT_TRUE(p.start(folder, {}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    HWND sheet = openSheet(p);
    ASSERT_NE(sheet, nullptr);

    HWND general = showPage(sheet, PageGeneral);
    ASSERT_NE(general, nullptr);
    EXPECT_TRUE(isChecked(general, IDC_GEN_SYSTRAY));
    EXPECT_FALSE(isChecked(general, IDC_GEN_TASKBAR));
    EXPECT_EQ(controlText(general, IDC_GEN_IRC_TIMEOUT), "7");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(general, IDC_GEN_START_MENU)));
    snapshot(sheet, "ui-prefs-general.png");

    HWND decoder = showPage(sheet, PageDecoder);
    ASSERT_NE(decoder, nullptr);
    EXPECT_EQ(SendDlgItemMessageA(decoder, IDC_DEC_PRIORITY, TBM_GETPOS, 0, 0), 3);
    EXPECT_EQ(controlText(decoder, IDC_DEC_PRIORITY_NAME), kPriorityNames[3]);
    EXPECT_TRUE(isChecked(decoder, IDC_DEC_MAP_XING));
    EXPECT_FALSE(isChecked(decoder, IDC_DEC_MAP_ISO));
    EXPECT_EQ(selectedText(decoder, IDC_DEC_OUTPUT), kOutputSoundDeviceName);
    snapshot(sheet, "ui-prefs-decoder.png");
    HWND bar = GetDlgItem(decoder, IDC_DEC_PRIORITY);
    SendMessageA(bar, TBM_SETPOS, TRUE, 5);
    SendMessageA(decoder, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 5), reinterpret_cast<LPARAM>(bar));
    EXPECT_EQ(controlText(decoder, IDC_DEC_PRIORITY_NAME), kPriorityNames[5]);
    click(decoder, IDC_DEC_MAP_FHG);
    EXPECT_TRUE(isChecked(decoder, IDC_DEC_MAP_FHG));
    EXPECT_FALSE(isChecked(decoder, IDC_DEC_MAP_XING));
    EXPECT_TRUE(isChecked(decoder, IDC_DEC_GAPLESS));
    click(decoder, IDC_DEC_GAPLESS);
    EXPECT_FALSE(isChecked(decoder, IDC_DEC_GAPLESS));

    HWND audio = showPage(sheet, PageAudio);
    ASSERT_NE(audio, nullptr);
    EXPECT_EQ(selectedText(audio, IDC_AUD_DEVICE), kWaveMapperName);
    EXPECT_TRUE(isChecked(audio, IDC_AUD_8BIT));
    snapshot(sheet, "ui-prefs-audio.png");
    int rows = int(SendDlgItemMessageA(audio, IDC_AUD_DEVICE, CB_GETCOUNT, 0, 0));
    ASSERT_GE(rows, 2) << "no sound device listed before the wave mapper";
    std::string device;
    for (int row = 0; row < rows; ++row) {
        SendDlgItemMessageA(audio, IDC_AUD_DEVICE, CB_SETCURSEL, WPARAM(row), 0);
        if (selectedText(audio, IDC_AUD_DEVICE) != kWaveMapperName) {
            selectRow(audio, IDC_AUD_DEVICE, row);
            device = selectedText(audio, IDC_AUD_DEVICE);
            break;
        }
    }
    WAVEOUTCAPSA caps{};
    ASSERT_EQ(waveOutGetDevCapsA(0, &caps, sizeof caps), MMSYSERR_NOERROR);

    HWND streaming = showPage(sheet, PageStreaming);
    ASSERT_NE(streaming, nullptr);
    EXPECT_TRUE(isChecked(streaming, IDC_NET_PLAY_SAVE));
    EXPECT_EQ(controlText(streaming, IDC_NET_DIR), "C:\\downloads");
    for (int id : {IDC_NET_SAVE_ONLY, IDC_NET_PLAY_AFTER, IDC_NET_CONNECTION, IDC_NET_SERVER_TAG, IDC_NET_STATUS, IDC_NET_BUFFER})
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(streaming, id))) << id;
    snapshot(sheet, "ui-prefs-streaming.png");

    pressSheet(sheet, PSBTN_CANCEL);
    ASSERT_TRUE(sheetClosed(p));
    // the loop saves the settings when the sheet closes; the last key written marks the end
    EXPECT_TRUE(waitUntil([&] { return folder.key(kKeyGaplessPlayback, -9) == 1; }, 3000))
        << "Cancel kept gapless playback off";
    EXPECT_EQ(folder.key(kKeyMappingMode, 0), 3) << "MappingMode not kept";
    EXPECT_EQ(folder.key(kKeyDecoderPriority, -9), 3) << "Cancel kept the moved priority";
    EXPECT_EQ(device, caps.szPname);
    EXPECT_EQ(folder.key(kKeyWinMMOutputDev, -9), 0) << "Cancel gave back the device";
    closeProgram(p);
}

TEST(PrefsSheet, OkSavesAtOnceAndASecondCommandOpensNoSecondSheet) {
    ProgramFolder folder("prefs_ok");
    Program p;
    ASSERT_TRUE(p.start(folder, {}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    HWND sheet = openSheet(p);
    ASSERT_NE(sheet, nullptr);
    p.command(IDM_PREFERENCES);
    Sleep(300);
    EXPECT_EQ(countDialogs(p.pid(), kPreferencesCaption), 1);
    EXPECT_EQ(openSheet(p), sheet);

    HWND general = showPage(sheet, PageGeneral);
    ASSERT_NE(general, nullptr);
    click(general, IDC_GEN_ON_TOP);
    SetDlgItemTextA(general, IDC_GEN_IRC_TIMEOUT, "42");
    HWND decoder = showPage(sheet, PageDecoder);
    ASSERT_NE(decoder, nullptr);
    click(decoder, IDC_DEC_GAPLESS);
    pressSheet(sheet, PSBTN_OK);
    ASSERT_TRUE(sheetClosed(p));
    EXPECT_TRUE(waitUntil([&] { return folder.key(kKeyGaplessPlayback, -9) == 0; }, 3000));
    EXPECT_EQ(folder.key(kKeyAlwaysOnTop, 0), 1);
    EXPECT_EQ(folder.key(kKeyIRCAnnounceTimeout, 0), 42);
    // the window goes topmost once the settings are written
    EXPECT_TRUE(waitUntil([&] { return (GetWindowLongA(p.window(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }, 3000));

    // An INI file that cannot be replaced (held open by another program) keeps its bytes, and
    // the user is told, on OK and at the end; the program ends once the box is confirmed.
    const std::vector<uint8_t> saved = korvo::test::readFileBytes(folder.ini());
    HANDLE lock = CreateFileA(folder.ini().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    char expected[600];
    std::snprintf(expected, sizeof expected, kErrorWriting, folder.ini().c_str());
    sheet = openSheet(p);
    ASSERT_NE(sheet, nullptr);
    click(showPage(sheet, PageDecoder), IDC_DEC_GAPLESS);
    pressSheet(sheet, PSBTN_OK);
    ASSERT_TRUE(sheetClosed(p));
    HWND box = nullptr;
    EXPECT_TRUE(waitUntil([&] { return (box = findDialog(p.pid(), kErrorTitle)) != nullptr; }, kWaitMs));
    EXPECT_EQ(dialogText(box), expected);
    EXPECT_EQ(GetWindow(box, GW_OWNER), p.window());
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(box); }, kWaitMs));
    PostMessageA(p.window(), WM_CLOSE, 0, 0);
    box = nullptr;
    EXPECT_TRUE(waitUntil([&] { return (box = findDialog(p.pid(), kErrorTitle)) != nullptr; }, kWaitMs));
    EXPECT_EQ(dialogText(box), expected);
    EXPECT_TRUE(korvo::test::readFileBytes(folder.ini()) == saved) << "the INI file changed";
    CloseHandle(lock);
    if (box) PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(p.waitForExit(10000), 0);
}

// The folder browser of the process (a dialog that is not the sheet).
HWND findBrowser(DWORD pid, HWND sheet) {
    struct Find {
        DWORD pid;
        HWND sheet;
        HWND found;
    } f{pid, sheet, nullptr};
    EnumWindows([](HWND w, LPARAM l) -> BOOL {
        auto* f = reinterpret_cast<Find*>(l);
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        char cls[64] = {};
        GetClassNameA(w, cls, sizeof cls);
        if (pid != f->pid || w == f->sheet || std::strcmp(cls, "#32770") != 0) return TRUE;
        HWND tree = FindWindowExA(w, nullptr, WC_TREEVIEWA, nullptr);
        if (!tree) return TRUE;
        f->found = w;
        return FALSE;
    }, reinterpret_cast<LPARAM>(&f));
    return f.found;
}

// Browse, choose the tree's top (the desktop folder) and confirm.
void browseToDesktop(Program& p, HWND sheet, HWND streaming) {
    click(streaming, IDC_NET_BROWSE, true);
    HWND browser = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (browser = findBrowser(p.pid(), sheet)) != nullptr; }, kWaitMs));
    HWND tree = FindWindowExA(browser, nullptr, WC_TREEVIEWA, nullptr);
    LRESULT root = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, root);
    PostMessageA(browser, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(browser, IDOK)));
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(browser); }, kWaitMs));
}

TEST(PrefsSheet, BrowseThenCancelKeepsTheFolderAndOkStoresIt) {
    char desktop[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop)));
    ProgramFolder folder("prefs_browse");
    setText(folder, kKeyInternetDLDir, "C:\\downloads");
    Program p;
    ASSERT_TRUE(p.start(folder, {}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    HWND sheet = openSheet(p);
    ASSERT_NE(sheet, nullptr);
    HWND streaming = showPage(sheet, PageStreaming);
    browseToDesktop(p, sheet, streaming);
    EXPECT_EQ(controlText(streaming, IDC_NET_DIR), desktop);
    pressSheet(sheet, PSBTN_CANCEL);
    ASSERT_TRUE(sheetClosed(p));
    Sleep(300);
    EXPECT_EQ(text(folder, kKeyInternetDLDir), "C:\\downloads");

    sheet = openSheet(p);
    ASSERT_NE(sheet, nullptr);
    streaming = showPage(sheet, PageStreaming);
    EXPECT_EQ(controlText(streaming, IDC_NET_DIR), "C:\\downloads");
    browseToDesktop(p, sheet, streaming);
    pressSheet(sheet, PSBTN_OK);
    ASSERT_TRUE(sheetClosed(p));
    EXPECT_TRUE(waitUntil([&] { return text(folder, kKeyInternetDLDir) == desktop; }, 3000)) << text(folder, kKeyInternetDLDir);
    EXPECT_NE(text(folder, kKeyInternetDLDir).back(), '\\');
    closeProgram(p);
}

TEST(PrefsSheet, WavOutputChosenWhilePlayingKeepsTheFileSounding) {
    SoundRecorder sound;
    if (!sound.start()) GTEST_SKIP() << "no capture device: the sink's monitor cannot be recorded";
    std::string file = korvo::test::mediaPath("winapp/long_a.mp2");
    ASSERT_TRUE(korvo::test::fileExists(file)) << file << " is missing (tests/media/winapp.sh makes it)";
    ProgramFolder folder("prefs_wav");
    Program p;
    DWORD started = GetTickCount();
    ASSERT_TRUE(p.start(folder, {file}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    ASSERT_NE(sound.waitForSound(started, kWaitMs), 0u) << "the file was not heard";
    HWND sheet = openSheet(p);
    ASSERT_NE(sheet, nullptr);
    HWND decoder = showPage(sheet, PageDecoder);
    ASSERT_NE(decoder, nullptr);
    int rows = int(SendDlgItemMessageA(decoder, IDC_DEC_OUTPUT, CB_GETCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
        SendDlgItemMessageA(decoder, IDC_DEC_OUTPUT, CB_SETCURSEL, WPARAM(row), 0);
        if (selectedText(decoder, IDC_DEC_OUTPUT) == kOutputWavFileName) break;
    }
    ASSERT_EQ(selectedText(decoder, IDC_DEC_OUTPUT), kOutputWavFileName);
    selectRow(decoder, IDC_DEC_OUTPUT, int(SendDlgItemMessageA(decoder, IDC_DEC_OUTPUT, CB_GETCURSEL, 0, 0)));
    pressSheet(sheet, PSBTN_OK);
    ASSERT_TRUE(sheetClosed(p));
    EXPECT_TRUE(waitUntil([&] { return folder.key(kKeyAudioOutputSystem, 0) == 1; }, 3000));
    // the file playing now keeps the sound device until it ends
    Sleep(1500);
    DWORD later = GetTickCount();
    EXPECT_NE(sound.waitForSound(later, 2000), 0u) << "the playing file fell silent when the output changed";
    closeProgram(p);
}

// A message box owned by the window, or nullptr.
HWND ownedBox(HWND owner) {
    struct Find {
        HWND owner;
        HWND found;
    } f{owner, nullptr};
    EnumWindows([](HWND w, LPARAM l) -> BOOL {
        auto* f = reinterpret_cast<Find*>(l);
        char cls[16] = {};
        GetClassNameA(w, cls, sizeof cls);
        if (std::strcmp(cls, "#32770") != 0 || GetWindow(w, GW_OWNER) != f->owner || !IsWindowVisible(w)) return TRUE;
        f->found = w;
        return FALSE;
    }, reinterpret_cast<LPARAM>(&f));
    return f.found;
}

// The save dialog itself (it has the file name box), not a box with its title.
HWND waitForSaveDialog(DWORD pid) {
    HWND dlg = nullptr;
    waitUntil([&] {
        dlg = findDialog(pid, korvo::texts::kWavSaveTitle);
        return dlg && GetDlgItem(dlg, 1148) && IsWindowEnabled(dlg);
    }, kWaitMs);
    return dlg && GetDlgItem(dlg, 1148) ? dlg : nullptr;
}

// The file's PCM as a fresh decoder gives it.
std::vector<uint8_t> decodedPcm(const std::string& source) {
    std::vector<uint8_t> out;
    std::vector<uint8_t> bytes = korvo::test::readFileBytes(source);
    MemoryInput in(bytes.data(), bytes.size());
    auto dec = std::make_unique<Decoder>();
    dec->startFile(&in, false);
    PcmBuffer& pcm = dec->pcm();
    while (dec->readFrame()) {
        dec->decodeFrame();
        out.insert(out.end(), pcm.data, pcm.data + pcm.fill);
        pcm.fill = 0;
    }
    return out;
}

// With the WAV output the next file asks for a name, and the file holds exactly the
// decoding, after a 46-byte header (its format record has 18 bytes). The dialog refuses the
// file being played and asks before it replaces another file.
TEST(PrefsSheet, WavOutputAsksForANameAndWritesTheDecoding) {
    std::string source = korvo::test::mediaPath("winapp/short_a.mp2");
    ASSERT_TRUE(korvo::test::fileExists(source)) << source << " is missing (tests/media/winapp.sh makes it)";
    const std::vector<uint8_t> expected = decodedPcm(source);
    ASSERT_FALSE(expected.empty());
    ProgramFolder folder("prefs_wavname");
    folder.setKey(kKeyAudioOutputSystem, 1);
    folder.setKey(kKeyRepeatPlay, 0);
    // The played file is a copy of its own: the refused name must leave it as it was.
    const std::vector<uint8_t> original = korvo::test::readFileBytes(source);
    const std::string file = folder.dir() + "\\playing.mp2";
    ASSERT_TRUE(korvo::test::writeFileBytes(file, original));
    const std::string wav = folder.dir() + "\\written.wav";
    ASSERT_TRUE(korvo::test::writeFileBytes(wav, {'o', 'l', 'd'}));
    Program p;
    clearRecord();
    ASSERT_TRUE(p.start(folder, {file}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    HWND dlg = waitForSaveDialog(p.pid());
    ASSERT_NE(dlg, nullptr) << "no save dialog";
    // The file being played: the dialog asks whether to replace it (it exists), and after yes
    // the program refuses it and asks again.
    SetDlgItemTextA(dlg, 1148, file.c_str());   // the file name box of the common dialog
    PostMessageA(dlg, WM_COMMAND, IDOK, 0);
    HWND replace = nullptr;
    EXPECT_TRUE(waitUntil([&] { return (replace = ownedBox(dlg)) != nullptr; }, kWaitMs)) << "no question before replacing";
    if (replace) PostMessageA(replace, WM_COMMAND, IDYES, 0);
    HWND refused = nullptr;
    EXPECT_TRUE(waitUntil([&] { return (refused = findDialog(p.pid(), korvo::texts::kWavErrorTitle)) != nullptr; }, kWaitMs))
        << "the file being played was taken";
    if (refused) {
        const std::string why = std::strstr(korvo::texts::kWavOutputIsInput, "%s") + 2;
        EXPECT_NE(dialogText(refused).find(why), std::string::npos) << dialogText(refused);
        PostMessageA(refused, WM_COMMAND, IDOK, 0);
        dlg = waitForSaveDialog(p.pid());
        ASSERT_NE(dlg, nullptr) << "the save dialog did not come again";
    }
    // Another file that is there: replaced after yes.
    SetDlgItemTextA(dlg, 1148, wav.c_str());
    PostMessageA(dlg, WM_COMMAND, IDOK, 0);
    replace = nullptr;
    EXPECT_TRUE(waitUntil([&] { return (replace = ownedBox(dlg)) != nullptr; }, kWaitMs)) << "no question before replacing";
    if (replace) PostMessageA(replace, WM_COMMAND, IDYES, 0);
    // the list ends and releases the output, which completes the file
    EXPECT_TRUE(waitForRecord(file, kWaitMs)) << readRecord();
    EXPECT_TRUE(waitForRecord("", kWaitMs)) << readRecord();
    std::vector<uint8_t> written;
    EXPECT_TRUE(waitUntil([&] {
        written = korvo::test::readFileBytes(wav);
        return written.size() == expected.size() + 46;
    }, kWaitMs)) << written.size() << " bytes, expected " << expected.size() + 46;
    if (written.size() == expected.size() + 46) {
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), written.begin() + 46)) << "the PCM differs";
    }
    EXPECT_EQ(korvo::test::readFileBytes(file), original) << "the played file was written over";
    closeProgram(p);
}

std::string preampText(int db) {
    char text[16];
    std::snprintf(text, sizeof text, kPreampFormat, db);
    return text;
}

// The ReplayGain boxes start from the INI file and write what is chosen; Cancel takes it back.
TEST(PrefsSheet, ReplayGainBoxesWriteTheModeAndPreamp) {
    ProgramFolder folder("prefs_gain");
    folder.setKey(kKeyReplayGainMode, 2);
    folder.setKey(kKeyReplayGainPreamp, -4);
    Program p;
    ASSERT_TRUE(p.start(folder, {}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    HWND sheet = openSheet(p);
    ASSERT_NE(sheet, nullptr);
    HWND decoder = showPage(sheet, PageDecoder);
    ASSERT_NE(decoder, nullptr);
    EXPECT_EQ(selectedText(decoder, IDC_DEC_REPLAYGAIN), kReplayGainModeNames[kReplayGainAlbum]);
    EXPECT_EQ(selectedText(decoder, IDC_DEC_PREAMP), preampText(-4));
    selectRow(decoder, IDC_DEC_REPLAYGAIN, kReplayGainOff);
    pressSheet(sheet, PSBTN_CANCEL);
    ASSERT_TRUE(sheetClosed(p));

    sheet = openSheet(p);
    ASSERT_NE(sheet, nullptr);
    decoder = showPage(sheet, PageDecoder);
    EXPECT_EQ(selectedText(decoder, IDC_DEC_REPLAYGAIN), kReplayGainModeNames[kReplayGainAlbum]);
    selectRow(decoder, IDC_DEC_REPLAYGAIN, kReplayGainTrack);
    selectRow(decoder, IDC_DEC_PREAMP, 6 - kReplayGainDbMin);
    EXPECT_EQ(selectedText(decoder, IDC_DEC_REPLAYGAIN), kReplayGainModeNames[kReplayGainTrack]);
    EXPECT_EQ(selectedText(decoder, IDC_DEC_PREAMP), preampText(6));
    pressSheet(sheet, PSBTN_OK);
    ASSERT_TRUE(sheetClosed(p));
    EXPECT_TRUE(waitUntil([&] { return folder.key(kKeyReplayGainMode, -1) == kReplayGainTrack; }, 3000));
    EXPECT_EQ(folder.key(kKeyReplayGainPreamp, -99), 6);
    closeProgram(p);
}

double rmsOf(const uint8_t* pcm, size_t bytes) {
    double sum = 0;
    for (size_t i = 0; i + 1 < bytes; i += 2) {
        const double v = int16_t(uint16_t(pcm[i] | pcm[i + 1] << 8));
        sum += v * v;
    }
    return bytes >= 2 ? std::sqrt(sum / double(bytes / 2)) : 0;
}

// ReplayGainMode=1: the WAV output is the decoding made quieter by the file's APEv2 track gain.
TEST(PrefsSheet, ReplayGainModeInTheIniLevelsTheOutputByTheTagsGain) {
    const std::string source = korvo::test::mediaPath("replaygain/ape_loud.mp3");
    ASSERT_TRUE(korvo::test::fileExists(source)) << source << " is missing (tests/media/replay_gain.sh makes it)";
    ReplayGainValues gains;
    ASSERT_EQ(readReplayGain(source.c_str(), gains), 1);
    ASSERT_EQ(gains.track.source, GainSource::Apev2);
    const std::vector<uint8_t> plain = decodedPcm(source);
    ASSERT_GT(plain.size(), 44100u * 4 * 5);
    ProgramFolder folder("prefs_gain_wav");
    folder.setKey(kKeyAudioOutputSystem, 1);
    folder.setKey(kKeyRepeatPlay, 0);
    folder.setKey(kKeyReplayGainMode, kReplayGainTrack);
    const std::string wav = folder.dir() + "\\levelled.wav";
    Program p;
    clearRecord();
    ASSERT_TRUE(p.start(folder, {source}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    HWND dlg = waitForSaveDialog(p.pid());
    ASSERT_NE(dlg, nullptr) << "no save dialog";
    SetDlgItemTextA(dlg, 1148, wav.c_str());
    PostMessageA(dlg, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(waitForRecord("", 3 * kWaitMs)) << readRecord();   // the list ended: the file is complete
    std::vector<uint8_t> written;
    EXPECT_TRUE(waitUntil([&] {
        written = korvo::test::readFileBytes(wav);
        return written.size() + 44100 * 4 > plain.size() + 46;
    }, kWaitMs)) << written.size() << " bytes";
    ASSERT_GT(written.size(), 46u);
    const double changeDb = 20 * std::log10(rmsOf(written.data() + 46, written.size() - 46) / rmsOf(plain.data(), plain.size()));
    EXPECT_NEAR(changeDb, gains.track.gainDb, 0.05);
    closeProgram(p);
}

} // namespace
} // namespace korvo::uitest
