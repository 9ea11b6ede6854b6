#include "app/win32/chat.h"

#include <windows.h>
#include <ddeml.h>

#include <cstring>

#include "app/chat_command.h"
#include "app/settings.h"
#include "app/win32/handles.h"
#include "app/win32/win_texts.h"

namespace korvo::win {

namespace {

HDDEDATA CALLBACK ignoreTransactions(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) { return nullptr; }

} // namespace

void announceNowPlaying(const char* name) {
    char command[kChatCommandSize];
    formatChatCommand(settings().IRCCommand, name, command, sizeof command);

    DdeInstance dde;
    if (DdeInitializeA(dde.receive(), ignoreTransactions, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) return;
    DdeString service(dde.get(), settings().IRCAppName);
    DdeString topic(dde.get(), kChatTopic);
    if (!service || !topic) return;
    DdeConversation conversation(DdeConnect(dde.get(), service.get(), topic.get(), nullptr));
    if (!conversation) return;
    DdeString item(dde.get(), kChatItem);
    if (!item) return;
    HDDEDATA data = DdeCreateDataHandle(dde.get(), reinterpret_cast<BYTE*>(command), DWORD(std::strlen(command) + 1), 0,
                                        item.get(), CF_TEXT, 0);
    if (!data) return;
    // The transaction takes the data handle; a refused or late poke is let go silently.
    DdeClientTransaction(reinterpret_cast<BYTE*>(data), DWORD(-1), conversation.get(), item.get(), CF_TEXT, XTYP_POKE,
                         kChatPokeTimeoutMs, nullptr);
}

} // namespace korvo::win
