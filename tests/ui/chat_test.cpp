// The chat announcement: a DDE server of our own stands in for the chat client, and a
// running LumenKorvo.exe announces the files it starts to it.
#include <gtest/gtest.h>

#include <windows.h>
#include <commdlg.h>
#include <ddeml.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>
#include <string>
#include <thread>
#include <vector>

#include "settings/settings.h"
#include "settings/settings_texts.h"
#include "app/win32/chat.h"
#include "app/win32/resource_ids.h"
#include "app/win32/win_texts.h"
#include "net/stream_server.h"
#include "playlist/playlist_texts.h"
#include "test_support.h"
#include "ui_driver.h"

namespace korvo::uitest {
namespace {

using korvo::test::fileExists;
using korvo::test::mediaPath;

constexpr int kPlayWaitMs = 8000;



std::string withName(const char* templ, const std::string& name) {
    std::string out;
    for (const char* t = templ; *t; ++t) {
        if (t[0] == '%' && t[1] == 's') {
            out += name;
            ++t;
        } else {
            out += *t;
        }
    }
    return out + '\0';   // the poke carries the terminating zero
}

// A chat client's DDE side: takes pokes on topic "command" of its service and keeps them.
class ChatServer {
public:
    struct Poke {
        std::string topic, item, data;
        UINT format;
    };

    explicit ChatServer(const char* service) : service_(service) {
        HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        thread_ = std::thread([this, ready] { run(ready); });
        WaitForSingleObject(ready, 5000);
        CloseHandle(ready);
    }
    ~ChatServer() {
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }
    bool serving() const { return serving_; }
    std::vector<Poke> pokes() {
        std::lock_guard<std::mutex> lock(mutex_);
        return pokes_;
    }
    size_t count() { return pokes().size(); }

private:
    static ChatServer*& current() {
        static ChatServer* server = nullptr;
        return server;
    }
    std::string text(HSZ h) const {
        char buf[256] = {};
        DdeQueryStringA(instance_, h, buf, sizeof buf, CP_WINANSI);
        return buf;
    }
    static HDDEDATA CALLBACK callback(UINT type, UINT format, HCONV, HSZ hsz1, HSZ hsz2, HDDEDATA data, ULONG_PTR, ULONG_PTR) {
        ChatServer* s = current();
        if (!s) return nullptr;
        switch (type) {
        case XTYP_CONNECT:
            return reinterpret_cast<HDDEDATA>(s->text(hsz1) == korvo::win::kChatTopic ? TRUE : FALSE);
        case XTYP_POKE: {
            Poke p;
            p.topic = s->text(hsz1);
            p.item = s->text(hsz2);
            p.format = format;
            DWORD size = DdeGetData(data, nullptr, 0, 0);
            p.data.resize(size);
            if (size) DdeGetData(data, reinterpret_cast<BYTE*>(&p.data[0]), size, 0);
            std::lock_guard<std::mutex> lock(s->mutex_);
            s->pokes_.push_back(p);
            return reinterpret_cast<HDDEDATA>(DDE_FACK);
        }
        default:
            return nullptr;
        }
    }
    void run(HANDLE ready) {
        threadId_ = GetCurrentThreadId();
        MSG m;
        PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE);   // the thread's queue exists before anyone posts
        current() = this;
        if (DdeInitializeA(&instance_, callback, APPCLASS_STANDARD, 0) == DMLERR_NO_ERROR) {
            HSZ name = DdeCreateStringHandleA(instance_, service_, CP_WINANSI);
            serving_ = name && DdeNameService(instance_, name, nullptr, DNS_REGISTER) != nullptr;
            SetEvent(ready);
            while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
            if (serving_) DdeNameService(instance_, name, nullptr, DNS_UNREGISTER);
            if (name) DdeFreeStringHandle(instance_, name);
            DdeUninitialize(instance_);
        } else {
            SetEvent(ready);
        }
        current() = nullptr;
    }

    const char* service_;
    DWORD instance_ = 0;
    DWORD threadId_ = 0;
    bool serving_ = false;
    std::thread thread_;
    std::mutex mutex_;
    std::vector<Poke> pokes_;
};

void setText(const ProgramFolder& folder, const char* key, const char* value) {
    WritePrivateProfileStringA(kSettingsSection, key, value, folder.ini().c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, folder.ini().c_str());
}

TEST(Chat, StartedFilesAreAnnouncedOncePerTimeout) {
    std::string a = media("long_a.mp2"), b = media("long_b.mp2");
    ChatServer server(kDefaultIRCAppName);
    ASSERT_TRUE(server.serving());
    ProgramFolder folder("chat-default");
    folder.setKey(kKeyIRCAnnounceTimeout, 2);
    Program p;
    clearRecord();
    ASSERT_TRUE(p.start(folder, {a, b}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    ASSERT_TRUE(waitForRecord(a, kPlayWaitMs)) << readRecord();
    ASSERT_TRUE(waitUntil([&] { return server.count() >= 1; }, 3000));
    std::vector<ChatServer::Poke> pokes = server.pokes();
    EXPECT_EQ(pokes[0].data, withName(kDefaultIRCCommand, titleOf(a)));
    EXPECT_EQ(pokes[0].topic, korvo::win::kChatTopic);
    EXPECT_EQ(pokes[0].item, korvo::win::kChatItem);
    EXPECT_EQ(pokes[0].format, UINT(CF_TEXT));

    // a second file within the time-out is not announced, and restarts the timer
    clearRecord();
    p.command(IDM_NEXT);
    ASSERT_TRUE(waitForRecord(b, kPlayWaitMs)) << readRecord();
    Sleep(500);
    EXPECT_EQ(server.count(), 1u);

    // once the timer has run out, the next start is announced again
    Sleep(2000);
    clearRecord();
    p.command(IDM_PREVIOUS);
    ASSERT_TRUE(waitForRecord(a, kPlayWaitMs)) << readRecord();
    ASSERT_TRUE(waitUntil([&] { return server.count() >= 2; }, 3000));
    EXPECT_EQ(server.pokes()[1].data, withName(kDefaultIRCCommand, titleOf(a)));
    EXPECT_EQ(findDialog(p.pid(), nullptr), nullptr);
}

// A radio station's new songs are announced like new files, within the same gate: the start,
// then each song that comes once the time-out has run out, as "station — title".
TEST(Chat, AStationsSongsAreAnnouncedWithinTheGate) {
    korvo::test::StreamServer station;
    ASSERT_TRUE(station.start(std::string(KORVO_SOURCE_DIR) + "/build/media/winapp"));
    // A new song every three blocks: about every second and a half.
    const std::string u = station.url("/radio/long_a.mp2?metaint=8192&change=3&rate=40000");
    ChatServer server(kDefaultIRCAppName);
    ASSERT_TRUE(server.serving());
    ProgramFolder folder("chat-radio");
    folder.setKey(kKeyIRCAnnounceTimeout, 1);
    Program p;
    clearRecord();
    ASSERT_TRUE(p.start(folder, {u}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    ASSERT_TRUE(waitForRecord(u, kPlayWaitMs)) << readRecord();
    ASSERT_TRUE(waitUntil([&] { return server.count() >= 3; }, 10000)) << server.count();
    std::vector<ChatServer::Poke> pokes = server.pokes();
    EXPECT_EQ(pokes[0].data, withName(kDefaultIRCCommand, titleOf(u)));
    // Songs in the order they play (one that came within the time-out is passed over).
    int last = -1;
    for (size_t i = 1; i < pokes.size(); ++i) {
        const std::string& d = pokes[i].data;
        const std::string prefix = withName(kDefaultIRCCommand, "Korvo Test Radio ");
        EXPECT_EQ(d.rfind(prefix.substr(0, prefix.find("Korvo Test Radio ") + 17), 0), 0u) << d;
        const size_t at = d.find("Artist ");
        ASSERT_NE(at, std::string::npos) << d;
        const int k = std::atoi(d.c_str() + at + 7);
        EXPECT_GT(k, last) << d;
        EXPECT_NE(d.find("Artist " + std::to_string(k) + " - It's song " + std::to_string(k)), std::string::npos) << d;
        last = k;
    }
    PostMessageA(p.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(p.waitForExit(10000), 0);
    EXPECT_EQ(findDialog(p.pid(), nullptr), nullptr);
}

TEST(Chat, TemplateTakesTheNameOnlyForPercentS) {
    std::string a = media("long_a.mp2");
    ChatServer server(kDefaultIRCAppName);
    ASSERT_TRUE(server.serving());
    ProgramFolder folder("chat-template");
    const char* templ = "/me %s, %d%n%x %% %s";
    setText(folder, kKeyIRCCommand, templ);
    Program p;
    clearRecord();
    ASSERT_TRUE(p.start(folder, {a}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    ASSERT_TRUE(waitForRecord(a, kPlayWaitMs)) << readRecord();
    ASSERT_TRUE(waitUntil([&] { return server.count() >= 1; }, 3000));
    std::string name = titleOf(a);
    EXPECT_EQ(server.pokes()[0].data, "/me " + name + ", %d%n%x % " + name + std::string(1, '\0'));
}

TEST(Chat, NoClientCostsNoWaitAndShowsNothing) {
    std::string a = media("long_a.mp2");
    // the announcement alone, in this process, with no server of that name
    Settings& s = settings();
    std::snprintf(s.IRCAppName, sizeof s.IRCAppName, "%s", "NoSuchChatClient");
    std::snprintf(s.IRCCommand, sizeof s.IRCCommand, "%s", kDefaultIRCCommand);
    DWORD start = GetTickCount();
    korvo::win::announceNowPlaying("name");
    DWORD took = GetTickCount() - start;
    std::printf("announcement with no client: %lu ms\n", static_cast<unsigned long>(took));
    EXPECT_LT(took, 500u);

    ProgramFolder folder("chat-none");
    setText(folder, kKeyIRCAppName, "NoSuchChatClient");
    Program p;
    clearRecord();
    ASSERT_TRUE(p.start(folder, {a}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    ASSERT_TRUE(waitForRecord(a, kPlayWaitMs)) << readRecord();
    Sleep(500);
    EXPECT_EQ(findDialog(p.pid(), nullptr), nullptr);
}

// The code page the system gives programs that do not speak UTF-8, as a chat client is.
UINT systemCodePage() {
    DWORD cp = 0;
    GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER, reinterpret_cast<LPSTR>(&cp),
                   sizeof cp);
    return cp;
}

// Text as a client reading it in the system's code page sees it.
std::wstring readInCodePage(const std::string& bytes, UINT cp) {
    std::wstring wide(bytes.size() + 1, L'\0');
    int n = MultiByteToWideChar(cp, 0, bytes.data(), int(bytes.size()), &wide[0], int(wide.size()));
    wide.resize(n > 0 ? size_t(n) : 0);
    return wide;
}

// What the client receives for a name: one line, in the system's code page.
TEST(Chat, NamesArriveAsOneLineInTheSystemCodePage) {
    ChatServer server("KorvoChatCodePage");
    ASSERT_TRUE(server.serving());
    Settings& s = settings();
    std::snprintf(s.IRCAppName, sizeof s.IRCAppName, "%s", "KorvoChatCodePage");
    std::snprintf(s.IRCCommand, sizeof s.IRCCommand, "%s", "/me %s.");
    // One announcement at a time is let through, and the last one may still be ending: a
    // name that did not arrive is announced again.
    auto announce = [&](const char* name) -> std::string {
        const size_t before = server.count();
        for (int attempt = 0; attempt < 3; ++attempt) {
            korvo::win::announceNowPlaying(name);
            if (waitUntil([&] { return server.count() > before; }, 1000)) return server.pokes()[before].data;
        }
        return "(nothing arrived)";
    };
    const UINT cp = systemCodePage();
    std::printf("the system's ANSI code page: %u (the program's own: %u)\n", cp, GetACP());

    EXPECT_EQ(announce("Song\r\n/quit\r\n"), std::string("/me Song  /quit  .") + '\0');

    const std::string rosUtf8 = "Sigur R\xC3\xB3s \xE2\x80\x93 Hopp\xC3\xADpolla";
    const std::string ros = announce(rosUtf8.c_str());
    EXPECT_EQ(readInCodePage(ros, cp), std::wstring(L"/me Sigur R\u00F3s \u2013 Hopp\u00EDpolla.") + L'\0');
    if (cp == 1252) {
        EXPECT_EQ(ros, std::string("/me Sigur R\xF3s \x96 Hopp\xEDpolla.") + '\0');
        // a letter the code page lacks is a "?", not a look-alike
        EXPECT_EQ(announce("Dvo\xC5\x99\xC3\xA1k"), std::string("/me Dvo?\xE1k.") + '\0');
    }
}

// With the tag asked for, the name comes from an ID3v2 tag before the one in the trailer.
TEST(Chat, Id3v2NamesWinOverTheTrailer) {
    ChatServer server(kDefaultIRCAppName);
    ASSERT_TRUE(server.serving());
    ProgramFolder folder("chat-id3v2");
    folder.setKey(kKeyIRCUseTag, 1);
    const std::string title = "\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xAE", artist = "Bj\xC3\xB6rk";
    std::vector<uint8_t> frames;
    for (auto [id, text] : {std::pair<const char*, std::string>{"TIT2", title}, {"TPE1", artist}}) {
        frames.insert(frames.end(), id, id + 4);
        frames.insert(frames.end(), {0, 0, 0, uint8_t(text.size() + 1), 0, 0, 3});   // 2.4, UTF-8
        frames.insert(frames.end(), text.begin(), text.end());
    }
    std::vector<uint8_t> bytes = {'I', 'D', '3', 4, 0, 0, 0, 0, 0, uint8_t(frames.size())};
    bytes.insert(bytes.end(), frames.begin(), frames.end());
    std::vector<uint8_t> audio = korvo::test::readFileBytes(media("long_a.mp2"));
    ASSERT_GT(audio.size(), 128u);
    bytes.insert(bytes.end(), audio.begin(), audio.end() - 128);
    std::vector<uint8_t> trailer(128, ' ');
    std::memcpy(trailer.data(), "TAGOld Title", 12);
    bytes.insert(bytes.end(), trailer.begin(), trailer.end());
    const std::string file = folder.dir() + "\\tagged.mp2";
    {
        FILE* f = std::fopen(file.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    Program p;
    clearRecord();
    ASSERT_TRUE(p.start(folder, {file}));
    ASSERT_NE(p.waitForWindow(), nullptr);
    ASSERT_TRUE(waitForRecord(file, kPlayWaitMs)) << readRecord();
    ASSERT_TRUE(waitUntil([&] { return server.count() >= 1; }, 3000));
    // the names as the system's code page spells them: Greek is not in the usual one
    const std::string got = server.pokes()[0].data;
    char name[128];
    if (systemCodePage() == 1252) {
        std::snprintf(name, sizeof name, korvo::playlist_texts::kDisplayNameFormat, "????", "Bj\xF6rk");
        EXPECT_EQ(got, withName(kDefaultIRCCommand, name));
    } else {
        std::snprintf(name, sizeof name, korvo::playlist_texts::kDisplayNameFormat, title.c_str(), artist.c_str());
        EXPECT_NE(got, withName(kDefaultIRCCommand, name)) << "sent in UTF-8";
    }
}

} // namespace
} // namespace korvo::uitest
