#include "app/chat_command.h"

#include <cstdint>

#include "playlist/text_encoding.h"

namespace korvo {

namespace {

// The name as it may stand in a command line; out holds kChatNameMaxBytes + 1.
void oneLineName(const char* name, char* out) {
    copyUtf8(name ? name : "", SIZE_MAX, out, kChatNameMaxBytes + 1);
    for (char* c = out; *c; ++c)
        if (static_cast<unsigned char>(*c) < 0x20 || *c == 0x7F) *c = ' ';
}

} // namespace

void formatChatCommand(const char* templ, const char* name, char* out, size_t outSize) {
    if (!out || outSize == 0) return;
    char safeName[kChatNameMaxBytes + 1];
    oneLineName(name, safeName);
    size_t n = 0;
    auto put = [&](char c) {
        if (n + 1 < outSize) out[n++] = c;
    };
    int slots = kChatNameSlots;
    const char* t = templ ? templ : "";
    while (*t) {
        if (t[0] == '%' && t[1] == 's' && slots > 0) {
            for (const char* s = safeName; *s; ++s) put(*s);
            --slots;
            t += 2;
        } else if (t[0] == '%' && t[1] == '%') {
            put('%');
            t += 2;
        } else {
            put(*t++);
        }
    }
    out[n] = '\0';
}

} // namespace korvo
