#include "path_rules.h"

#include <cstring>

#include "playlist_texts.h"

namespace korvo {

bool isUrl(const char* path) {
    // The first occurrence decides: a later one would end past the text's end.
    const char* at = std::strstr(path, playlist_texts::kUrlMarker);
    return at && at[sizeof playlist_texts::kUrlMarker - 1] != 0;
}

bool containsUrlMarker(const char* text) { return std::strstr(text, playlist_texts::kUrlMarker) != nullptr; }

int lastSeparator(const char* path) {
    int last = -1;
    for (int i = 0; path[i]; ++i)
        if (isPathSeparator(path[i])) last = i;
    return last;
}

namespace {

bool samePathChar(char a, char b) {
#ifdef _WIN32
    auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; };
    return upper(a) == upper(b);
#else
    return a == b;
#endif
}

} // namespace

bool samePath(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (!samePathChar(*a, *b)) return false;
    return *a == *b;
}

bool pathStartsWith(const char* path, const char* prefix) {
    for (; *prefix; ++path, ++prefix)
        if (!*path || !samePathChar(*path, *prefix)) return false;
    return true;
}

int joinPath(const char* folder, const char* name, char* out, size_t outSize) {
    if (outSize == 0) return 0;
    out[0] = 0;
    size_t fl = std::strlen(folder);
    size_t nl = std::strlen(name);
    bool addSep = fl > 0 && !isPathSeparator(folder[fl - 1]);
    size_t total = fl + (addSep ? 1 : 0) + nl;
    if (total + 1 > outSize) return 0;
    std::memcpy(out, folder, fl);
    if (addSep) out[fl++] = kPathSeparator;
    std::memcpy(out + fl, name, nl);
    out[total] = 0;
    return 1;
}

} // namespace korvo
