#include "platform/profile.h"

#include <windows.h>

#include <cstring>

namespace korvo {

int profileGetString(const char* section, const char* key, const char* def, char* out, size_t outSize,
                     const char* path) {
    if (!out || outSize == 0) return 0;
    return static_cast<int>(GetPrivateProfileStringA(section, key, def ? def : "", out, static_cast<DWORD>(outSize), path));
}

int profileGetInt(const char* section, const char* key, int def, const char* path) {
    return static_cast<int>(GetPrivateProfileIntA(section, key, def, path));
}

int profileGetKeyNames(const char* section, std::vector<std::string>& names, const char* path, size_t maxBytes) {
    names.clear();
    if (!section || !path || maxBytes < 3) return 0;
    const size_t limit = maxBytes > MAXDWORD ? size_t(MAXDWORD) : maxBytes;
    // Most sections fit the first buffer; a larger one is asked for again with twice the room.
    size_t size = limit < 65536 ? limit : 65536;
    std::vector<char> buf;
    DWORD got;
    bool cut;
    for (;;) {
        buf.assign(size, 0);
        got = GetPrivateProfileStringA(section, nullptr, "", buf.data(), static_cast<DWORD>(size), path);
        // A list that did not fit comes back cut, with the length size - 2.
        cut = size_t(got) + 2 >= size;
        if (!cut || size == limit) break;
        size = size > limit / 2 ? limit : size * 2;
    }
    if (size_t(got) >= size) got = static_cast<DWORD>(size - 1);
    for (size_t at = 0; at < got;) {
        size_t len = strnlen(buf.data() + at, got - at);
        if (len > 0) names.emplace_back(buf.data() + at, len);
        at += len + 1;
    }
    // The last name of a cut list may itself be cut.
    if (cut && !names.empty()) names.pop_back();
    return cut ? 0 : 1;
}

int profileWriteString(const char* section, const char* key, const char* value, const char* path) {
    // A line break would split the line written and leave text the file never held.
    for (const char* text : {section, key, value})
        if (text && std::strpbrk(text, "\r\n")) return 0;
    return WritePrivateProfileStringA(section, key, value, path) ? 1 : 0;
}

void profileFlush(const char* path) { WritePrivateProfileStringA(nullptr, nullptr, nullptr, path); }

} // namespace korvo
