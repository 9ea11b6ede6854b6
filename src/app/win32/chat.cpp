#include "app/win32/chat.h"

#include <windows.h>
#include <ddeml.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/chat_command.h"
#include "settings/settings.h"
#include "app/win32/handles.h"
#include "app/win32/win_texts.h"

namespace korvo::win {

namespace {

constexpr SIZE_T kChatThreadStackBytes = 65536;

HDDEDATA CALLBACK ignoreTransactions(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) { return nullptr; }

} // namespace

namespace {

struct Announcement {
    char service[kChatCommandSize];
    char command[kChatCommandSize];
};

// One announcement at a time; while one is under way (or stuck) the next is left out.
std::atomic<int> gAnnouncing{0};

void poke(Announcement& a) {
    DdeInstance dde;
    if (DdeInitializeA(dde.receive(), ignoreTransactions, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) return;
    DdeString service(dde.get(), a.service);
    DdeString topic(dde.get(), kChatTopic);
    if (!service || !topic) return;
    DdeConversation conversation(DdeConnect(dde.get(), service.get(), topic.get(), nullptr));
    if (!conversation) return;
    DdeString item(dde.get(), kChatItem);
    if (!item) return;
    HDDEDATA data = DdeCreateDataHandle(dde.get(), reinterpret_cast<BYTE*>(a.command),
                                        DWORD(std::strlen(a.command) + 1), 0, item.get(), CF_TEXT, 0);
    if (!data) return;
    // The transaction takes the data handle; a refused or late poke is let go silently.
    DdeClientTransaction(reinterpret_cast<BYTE*>(data), DWORD(-1), conversation.get(), item.get(), CF_TEXT, XTYP_POKE,
                         kChatPokeTimeoutMs, nullptr);
}

// The program's text is UTF-8, but the client reads CF_TEXT in the system's ANSI code page:
// the command is spelled in that one, with "?" for what it lacks. Best-fit letters are not
// taken, as they may turn into separators the client acts on.
void toSystemCodePage(char* text, size_t size) {
    DWORD codePage = 0;
    if (!GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                        reinterpret_cast<LPSTR>(&codePage), sizeof codePage) ||
        codePage == 0 || codePage == CP_UTF8)
        return;
    wchar_t wide[kChatCommandSize];
    if (MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, int(kChatCommandSize)) <= 0) return;
    char spelled[kChatCommandSize];
    if (WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide, -1, spelled, int(sizeof spelled), "?", nullptr) <= 0)
        return;
    std::snprintf(text, size, "%s", spelled);
}

DWORD WINAPI announceThread(LPVOID param) {
    std::unique_ptr<Announcement> a(static_cast<Announcement*>(param));
    poke(*a);
    gAnnouncing.store(0);
    return 0;
}

} // namespace

// The connect broadcasts to every top-level window and waits for each: one window that
// does not answer would hold the caller for ever. So the talking happens on a thread of
// its own, never on the user interface thread.
void announceNowPlaying(const char* name) {
    auto a = std::make_unique<Announcement>();
    formatChatCommand(settings().IRCCommand, name, a->command, sizeof a->command);
    toSystemCodePage(a->command, sizeof a->command);
    std::snprintf(a->service, sizeof a->service, "%s", settings().IRCAppName);
    int idle = 0;
    if (!gAnnouncing.compare_exchange_strong(idle, 1)) return;
    HANDLE thread = CreateThread(nullptr, kChatThreadStackBytes, announceThread, a.get(), 0, nullptr);
    if (!thread) {
        gAnnouncing.store(0);
        return;
    }
    a.release();   // the thread frees it
    CloseHandle(thread);
}

} // namespace korvo::win
