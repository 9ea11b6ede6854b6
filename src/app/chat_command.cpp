#include "app/chat_command.h"

namespace korvo {

void formatChatCommand(const char* templ, const char* name, char* out, size_t outSize) {
    if (!out || outSize == 0) return;
    size_t n = 0;
    auto put = [&](char c) {
        if (n + 1 < outSize) out[n++] = c;
    };
    int slots = kChatNameSlots;
    const char* t = templ ? templ : "";
    while (*t) {
        if (t[0] == '%' && t[1] == 's' && slots > 0) {
            for (const char* s = name ? name : ""; *s; ++s) put(*s);
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
