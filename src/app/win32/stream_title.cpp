#include "app/win32/stream_title.h"

#include <windows.h>

#include <cstdio>

#include "net/icy_metadata.h"

namespace korvo::win {

namespace {
char gShown[2 * kIcyTitleBytes + 8];
} // namespace

void utf8ToAnsi(const char* utf8, char* out, int size) {
    if (!out || size <= 0) return;
    out[0] = 0;
    if (!utf8 || !utf8[0]) return;
    wchar_t wide[2 * kIcyTitleBytes + 8];
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, int(sizeof wide / sizeof wide[0]) - 1);
    if (n <= 0) {
        std::snprintf(out, size_t(size), "%s", utf8);
        return;
    }
    wide[n] = 0;
    const int m = WideCharToMultiByte(CP_ACP, 0, wide, -1, out, size, "?", nullptr);
    if (m <= 0) {
        // Too long for out: the longest whole part that fits.
        out[0] = 0;
        WideCharToMultiByte(CP_ACP, 0, wide, -1, out, size - 1, "?", nullptr);
    }
    out[size - 1] = 0;
}

void setStreamShownName(const char* utf8) { utf8ToAnsi(utf8, gShown, int(sizeof gShown)); }
void clearStreamShownName() { gShown[0] = 0; }
const char* streamShownName() { return gShown; }

} // namespace korvo::win
