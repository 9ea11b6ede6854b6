// LumenKorvo.exe playing HTTP streams from the test server (tests/net/stream_server.py,
// started as a Unix process beside Wine): it plays and saves them, stops a paused endless
// stream at once, reports a refused connection in a box with text, and plays HTTPS from a
// server whose authority the system trusts.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "settings/settings_texts.h"
#include "app/win32/resource_ids.h"
#include "net/net_texts.h"
#include "net/stream.h"
#include "net/stream_server.h"
#include "playback/playback_texts.h"
#include "sound_recorder.h"
#include "test_support.h"
#include "ui_driver.h"

namespace korvo::uitest {
namespace {

using korvo::test::nativePath;
using korvo::test::readFileBytes;

constexpr int kPlayWaitMs = 8000;

std::string winappUnixDir() { return std::string(KORVO_SOURCE_DIR) + "/build/media/winapp"; }

std::vector<uint8_t> served(const char* name) {
    std::vector<uint8_t> bytes = readFileBytes(nativePath(winappUnixDir() + "/" + name));
    EXPECT_FALSE(bytes.empty()) << name << " is missing (tests/media/winapp.sh makes it)";
    return bytes;
}

// Open Location with this text, as a user types it; the tick at which "Open" was pressed,
// or 0 when the dialog did not come.
DWORD openLocation(const Program& p, const std::string& text) {
    // Posted: the dialog is modal, so a sent command would only return once it closed.
    PostMessageA(p.window(), WM_COMMAND, IDM_OPEN_LOCATION, 0);
    HWND box = nullptr;
    if (!waitUntil([&] { return (box = findDialog(p.pid(), TXT_OPEN_URL_CAPTION)) != nullptr; }, 8000)) return 0;
    SendDlgItemMessageA(box, IDC_URL_EDIT, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    DWORD pressed = GetTickCount();
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    return pressed;
}

// Open Location with a stream that plays: its record, and its first sound (named what).
void expectPlaysFromOpenLocation(const Program& p, SoundRecorder& sound, const std::string& u, const char* what) {
    clearRecord();
    const DWORD opened = openLocation(p, u);
    ASSERT_NE(opened, 0u) << "no Open URL dialog";
    EXPECT_TRUE(waitForRecord(u, kPlayWaitMs)) << readRecord();
    if (!sound.recording()) return;
    const DWORD heard = sound.waitForSound(opened, kPlayWaitMs);
    EXPECT_NE(heard, 0u) << what << " was not heard";
    if (heard) std::printf("Open Location to first recorded sound of %s: %lu ms\n", what,
                           static_cast<unsigned long>(heard - opened));
}

// The program's streams are saved into dir.
void saveStreamsTo(ProgramFolder& folder, const std::string& dir) {
    folder.setKey(kKeyDownloadOption, 1);
    WritePrivateProfileStringA(kSettingsSection, kKeyInternetDLDir, dir.c_str(), folder.ini().c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, folder.ini().c_str());
}

class StreamingWindow : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server_.start(winappUnixDir())) << "the test server did not start"; }
    korvo::test::StreamServer server_;
};

TEST_F(StreamingWindow, StreamFromTheCommandLinePlaysAndIsSavedWhole) {
    std::vector<uint8_t> bytes = served("short_a.mp2");
    ProgramFolder folder("stream-save");
    std::string saveDir = korvo::test::scratchDir("ui-stream-saved");
    saveStreamsTo(folder, saveDir);
    std::string u = server_.url("/file/short_a.mp2?rate=40000");

    SoundRecorder sound;
    EXPECT_TRUE(sound.start()) << "no capture device: the sink's monitor cannot be recorded";
    clearRecord();
    Program p;
    DWORD started = GetTickCount();
    ASSERT_TRUE(p.start(folder, {u}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    EXPECT_TRUE(waitForRecord(u, kPlayWaitMs)) << readRecord();
    if (sound.recording()) {
        DWORD heard = sound.waitForSound(started, kPlayWaitMs);
        EXPECT_NE(heard, 0u) << "the stream was not heard";
        if (heard) std::printf("command-line start to first recorded sound of a stream: %lu ms\n",
                               static_cast<unsigned long>(heard - started));
    }
    std::string saved = saveDir + "\\short_a.mp2";
    EXPECT_TRUE(waitUntil([&] { return readFileBytes(saved) == bytes; }, 15000))
        << readFileBytes(saved).size() << " bytes saved of " << bytes.size();
    EXPECT_EQ(findDialog(p.pid(), nullptr), nullptr);
    PostMessageA(p.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(p.waitForExit(10000), 0);
}

// Open Location with u in a freshly started program: it plays, and is heard (what names the
// time to first sound in the output).
void expectOpenLocationPlays(const std::string& u, const char* what) {
    ProgramFolder folder("stream-open");
    SoundRecorder sound;
    EXPECT_TRUE(sound.start()) << "no capture device: the sink's monitor cannot be recorded";
    Program p;
    ASSERT_TRUE(p.start(folder, {}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    Sleep(500);
    expectPlaysFromOpenLocation(p, sound, u, what);
    EXPECT_EQ(findDialog(p.pid(), nullptr), nullptr);
    PostMessageA(p.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(p.waitForExit(10000), 0);
}

TEST_F(StreamingWindow, OpenLocationPlaysAStream) {
    expectOpenLocationPlays(server_.url("/endless/long_a.mp2?rate=16000"), "a local stream");
}

// A station link plays its list's first entry that opens (here the second: the first is a
// list again, passed over without a box); the entry stays the link.
TEST_F(StreamingWindow, OpenLocationPlaysAStationLink) {
    expectOpenLocationPlays(server_.url("/list/station.pls?form=pls&type=audio/x-scpls&entries=/list/station.pls%7C"
                                        "/endless/long_a.mp2%3Frate%3D16000"),
                            "a station link");
}

TEST_F(StreamingWindow, StopWhilePausedEndsTheDownload) {
    ProgramFolder folder("stream-pause");
    Program p;
    ASSERT_TRUE(p.start(folder, {}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    std::string path = "/endless/long_b.mp2?pause=1";
    std::string u = server_.url(path);
    clearRecord();
    ASSERT_NE(openLocation(p, u), 0u) << "no Open URL dialog";
    ASSERT_TRUE(waitForRecord(u, kPlayWaitMs)) << readRecord();
    Sleep(500);
    p.command(IDM_PAUSE);
    Sleep(1500);    // the pipe fills and holds the download thread
    EXPECT_EQ(server_.log().find("closed " + path), std::string::npos) << "the download ended while paused";
    DWORD stopped = GetTickCount();
    p.command(IDM_STOP);
    EXPECT_TRUE(waitUntil([&] { return server_.log().find("closed " + path) != std::string::npos; }, 3000))
        << "the server still sends after " << (GetTickCount() - stopped) << " ms";
    PostMessageA(p.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(p.waitForExit(10000), 0);
}

TEST_F(StreamingWindow, AnEmptySaveNameWarnsAndPlaysWithoutSaving) {
    ProgramFolder folder("stream-noname");
    std::string saveDir = korvo::test::scratchDir("ui-stream-noname-saved");
    saveStreamsTo(folder, saveDir);
    Program p;
    ASSERT_TRUE(p.start(folder, {}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    std::string u = server_.url("/named/?src=long_a.mp2");
    clearRecord();
    ASSERT_NE(openLocation(p, u), 0u) << "no Open URL dialog";
    HWND box = nullptr;
    // Generous: a loaded machine has taken more than 15 s to connect here.
    ASSERT_TRUE(waitUntil([&] { return (box = findDialog(p.pid(), net_texts::kSaveFileTitle)) != nullptr; }, 30000))
        << "no warning box; the server saw: " << server_.log();
    EXPECT_EQ(dialogText(box), net_texts::kSaveFileFailed);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(box); }, 5000));
    EXPECT_TRUE(waitForRecord(u, kPlayWaitMs)) << "the stream does not play: " << readRecord();
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((saveDir + "\\*").c_str(), &found);
    int names = 0;
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (std::strcmp(found.cFileName, ".") && std::strcmp(found.cFileName, "..")) ++names;
        } while (FindNextFileA(h, &found));
        FindClose(h);
    }
    EXPECT_EQ(names, 0) << "something was saved";
    PostMessageA(p.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(p.waitForExit(10000), 0);
}

// A live station that drops its connection every 64 KB plays on over the drop (the gap heard
// is printed); the copy saved of a station with titles holds its audio alone.
TEST_F(StreamingWindow, ADroppingStationPlaysOnAndAStationsCopyHoldsNoTitles) {
    ProgramFolder folder("stream-drop");
    std::string saveDir = korvo::test::scratchDir("ui-stream-radio-saved");
    saveStreamsTo(folder, saveDir);
    SoundRecorder sound;
    EXPECT_TRUE(sound.start()) << "no capture device: the sink's monitor cannot be recorded";
    // At the file's own rate (128 kbit/s), as a live station sends.
    const std::string path = "/drop/long_a.mp2?every=65536&rate=16000";
    const std::string u = server_.url(path);
    Program p;
    ASSERT_TRUE(p.start(folder, {u}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    ASSERT_TRUE(waitUntil([&] { return server_.log().find("closed " + path + " 65536") != std::string::npos; }, 15000));
    const DWORD dropped = GetTickCount();
    // The second connection brought its 64 KB too: the stream played on.
    EXPECT_TRUE(waitUntil([&] {
        const std::string log = server_.log();
        return log.find("closed " + path + " 65536", log.find("closed " + path + " 65536") + 1) != std::string::npos;
    }, 15000)) << server_.log();
    if (sound.recording()) {
        EXPECT_NE(sound.waitForSound(dropped + 3000, 5000), 0u) << "nothing heard after the drop";
        std::printf("the gap heard at a reconnect (1 s wait): %d ms\n", sound.longestQuietMs(dropped - 500, GetTickCount()));
    }
    EXPECT_EQ(findDialog(p.pid(), nullptr), nullptr);
    PostMessageA(p.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(p.waitForExit(10000), 0);

    // A station with titles every 8 KB, played to its end: the copy is its audio alone.
    const std::string radio = server_.url("/radio/short_a.mp2?metaint=8192&change=1&rate=40000");
    Program q;
    ASSERT_TRUE(q.start(folder, {radio}));
    ASSERT_NE(q.waitForWindow(), nullptr);
    const std::vector<uint8_t> bytes = served("short_a.mp2");
    std::string saved = saveDir + "\\short_a.mp2";
    EXPECT_TRUE(waitUntil([&] { return readFileBytes(saved) == bytes; }, 15000))
        << readFileBytes(saved).size() << " bytes saved of " << bytes.size();
    PostMessageA(q.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(q.waitForExit(10000), 0);
}

// A refused connection, and an error answer (whose page is no audio), are each told in a box.
TEST_F(StreamingWindow, RefusedConnectionAndErrorAnswerAreReportedInABoxWithText) {
    ProgramFolder folder("stream-refused");
    Program p;
    ASSERT_TRUE(p.start(folder, {}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    for (const std::string& url : {std::string("http://127.0.0.1:1/none.mp3"), server_.url("/status/404")}) {
        ASSERT_NE(openLocation(p, url), 0u) << "no Open URL dialog";
        HWND box = nullptr;
        // 2 s on a quiet machine; far longer while CI builds beside it.
        ASSERT_TRUE(waitUntil([&] { return (box = findDialog(p.pid(), net_texts::kUrlErrorTitle)) != nullptr; }, 30000))
            << url;
        std::string text = dialogText(box);
        EXPECT_FALSE(text.empty()) << "the box has no text";
        if (url.find("/status/") != std::string::npos) {
            EXPECT_NE(text.find("404"), std::string::npos) << text;
        }
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(waitUntil([&] { return !IsWindow(box); }, 5000));
        // then the player's own word that the entry could not be opened
        ASSERT_TRUE(waitUntil([&] { return (box = findDialog(p.pid(), texts::kDecoderErrorTitle)) != nullptr; }, 5000));
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(waitUntil([&] { return !IsWindow(box); }, 5000));
    }
    PostMessageA(p.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(p.waitForExit(10000), 0);
}

// A station of another format, a page served as audio, and an old radio server's refusal: one
// box each that names what it is, and nothing else.
TEST_F(StreamingWindow, AStreamThatIsNotMpegAudioShowsOneBox) {
    ProgramFolder folder("stream-not-mpeg");
    Program p;
    ASSERT_TRUE(p.start(folder, {}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    const struct {
        std::string url;
        const char* kind;
    } cases[] = {{server_.url("/typed/short_a.mp2?type=audio/aacp"), "audio/aacp"},
                 {server_.url("/garbage"), "text/html"},
                 // WinInet hides an "ICY 401" status line (it takes the answer for HTTP/0.9 and
                 // its headers for the body): all that is left to tell is that no audio came.
                 {server_.url("/icy-refused?code=401"), net_texts::kUnknownKind}};
    for (const auto& c : cases) {
        DWORD opened = openLocation(p, c.url);
        ASSERT_NE(opened, 0u) << "no Open URL dialog";
        HWND box = nullptr;
        ASSERT_TRUE(waitUntil([&] { return (box = findDialog(p.pid(), net_texts::kUrlErrorTitle)) != nullptr; }, 15000))
            << c.url;
        std::printf("Open Location to the box of %s: %lu ms\n", c.kind, static_cast<unsigned long>(GetTickCount() - opened));
        char text[600];
        formatNotMpeg(c.kind, c.url.c_str(), text, int(sizeof text));
        EXPECT_EQ(dialogText(box), text);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(waitUntil([&] { return !IsWindow(box); }, 5000));
        Sleep(500);
        EXPECT_EQ(findDialog(p.pid(), nullptr), nullptr) << "a second box";
    }
    PostMessageA(p.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(p.waitForExit(10000), 0);
}

// HTTPS through WinInet: with the test authority in the user's root store, a station of the
// server it signed plays ("ICY 200 OK" and all); a certificate nobody vouches for is refused in
// a box with WinInet's text, as a refused connection is.
TEST_F(StreamingWindow, AnHttpsStationPlaysAndAnUnknownCertificateIsRefusedInABox) {
    korvo::test::StreamServer signedServer, unknownServer;
    ASSERT_TRUE(signedServer.start(winappUnixDir(), "server")) << "the HTTPS test server did not start";
    ASSERT_TRUE(unknownServer.start(winappUnixDir(), "unknown")) << "the HTTPS test server did not start";
    ASSERT_TRUE(korvo::test::trustTestAuthority(true)) << "the test authority (tests/media/tls.sh) was not taken";
    struct Distrust {
        ~Distrust() { korvo::test::trustTestAuthority(false); }
    } distrust;
    ProgramFolder folder("stream-https");
    SoundRecorder sound;
    EXPECT_TRUE(sound.start()) << "no capture device: the sink's monitor cannot be recorded";
    Program p;
    ASSERT_TRUE(p.start(folder, {}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    Sleep(500);
    expectPlaysFromOpenLocation(p, sound, signedServer.url("/radio/long_a.mp2?status=icy&rate=16000"),
                                "a local HTTPS station");
    EXPECT_EQ(findDialog(p.pid(), nullptr), nullptr);

    const std::string bad = unknownServer.url("/file/short_a.mp2");
    ASSERT_NE(openLocation(p, bad), 0u) << "no Open URL dialog";
    HWND box = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (box = findDialog(p.pid(), net_texts::kUrlErrorTitle)) != nullptr; }, 15000));
    std::string text = dialogText(box);
    std::printf("box of an unknown certificate: %s\n", text.c_str());
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    EXPECT_NE(text.find("certificate"), std::string::npos) << text;
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(box); }, 5000));
    ASSERT_TRUE(waitUntil([&] { return (box = findDialog(p.pid(), texts::kDecoderErrorTitle)) != nullptr; }, 5000));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(box); }, 5000));
    EXPECT_EQ(unknownServer.log().find("open /file"), std::string::npos) << "a request went to the unknown server";
    PostMessageA(p.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(p.waitForExit(10000), 0);
}

} // namespace
} // namespace korvo::uitest
