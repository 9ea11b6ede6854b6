#include "text_encoding.h"

namespace korvo {

namespace {

// Appends one code point unless it would not fit with the terminator; false then.
bool put(uint32_t cp, char* out, size_t outSize, size_t& used) {
    char b[4];
    size_t n;
    if (cp < 0x80) {
        b[0] = char(cp);
        n = 1;
    } else if (cp < 0x800) {
        b[0] = char(0xC0 | (cp >> 6));
        b[1] = char(0x80 | (cp & 0x3F));
        n = 2;
    } else if (cp < 0x10000) {
        b[0] = char(0xE0 | (cp >> 12));
        b[1] = char(0x80 | ((cp >> 6) & 0x3F));
        b[2] = char(0x80 | (cp & 0x3F));
        n = 3;
    } else {
        b[0] = char(0xF0 | (cp >> 18));
        b[1] = char(0x80 | ((cp >> 12) & 0x3F));
        b[2] = char(0x80 | ((cp >> 6) & 0x3F));
        b[3] = char(0x80 | (cp & 0x3F));
        n = 4;
    }
    if (used + n + 1 > outSize) return false;
    for (size_t i = 0; i < n; ++i) out[used++] = b[i];
    return true;
}

size_t boundedLength(const char* in, size_t n) {
    size_t len = 0;
    while (len < n && in[len] != 0) ++len;
    return len;
}

} // namespace

size_t decodeUtf8(const uint8_t* in, size_t n, size_t i, uint32_t& cp) {
    uint8_t c = in[i];
    size_t len;
    uint32_t min;
    if (c < 0x80) {
        cp = c;
        return 1;
    } else if ((c & 0xE0) == 0xC0) {
        len = 2, cp = c & 0x1F, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        len = 3, cp = c & 0x0F, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        len = 4, cp = c & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + len > n) return 0;
    for (size_t k = 1; k < len; ++k) {
        if ((in[i + k] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (in[i + k] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

void latin1ToUtf8(const char* in, size_t n, char* out, size_t outSize) {
    if (outSize == 0) return;
    size_t used = 0;
    for (size_t i = 0; i < n && in[i] != 0; ++i)
        if (!put(uint8_t(in[i]), out, outSize, used)) break;
    out[used] = 0;
}

void utf8ToLatin1(const char* in, char* out, size_t outSize, Latin1Loss* loss) {
    Latin1Loss counted;
    const uint8_t* s = reinterpret_cast<const uint8_t*>(in);
    size_t n = boundedLength(in, SIZE_MAX);
    size_t used = 0;
    // Goes on past a full output only to count what is left out.
    for (size_t i = 0; i < n;) {
        uint32_t cp;
        size_t len = decodeUtf8(s, n, i, cp);
        i += len ? len : 1;
        if (used + 1 >= outSize) {
            if (!loss) break;
            ++counted.cut;
            continue;
        }
        bool kept = len && cp <= 0xFF;
        if (!kept) ++counted.replaced;
        out[used++] = kept ? char(cp) : '?';
    }
    if (outSize > 0) out[used] = 0;
    if (loss) *loss = counted;
}

void utf16ToUtf8(const uint8_t* in, size_t n, bool bigEndian, char* out, size_t outSize) {
    if (outSize == 0) return;
    size_t used = 0;
    auto unit = [&](size_t i) {
        return bigEndian ? uint32_t(in[i] << 8 | in[i + 1]) : uint32_t(in[i + 1] << 8 | in[i]);
    };
    for (size_t i = 0; i + 1 < n;) {
        uint32_t cp = unit(i);
        i += 2;
        if (cp == 0) break;
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n) {
            uint32_t low = unit(i);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;   // a lone half
        if (!put(cp, out, outSize, used)) break;
    }
    out[used] = 0;
}

void copyUtf8(const char* in, size_t n, char* out, size_t outSize) {
    if (outSize == 0) return;
    const uint8_t* s = reinterpret_cast<const uint8_t*>(in);
    n = boundedLength(in, n);
    size_t used = 0;
    for (size_t i = 0; i < n;) {
        uint32_t cp;
        size_t len = decodeUtf8(s, n, i, cp);
        if (!len) cp = 0xFFFD, len = 1;
        if (!put(cp, out, outSize, used)) break;
        i += len;
    }
    out[used] = 0;
}

bool isValidUtf8(const char* in, size_t n) {
    const uint8_t* s = reinterpret_cast<const uint8_t*>(in);
    for (size_t i = 0; i < n;) {
        uint32_t cp;
        size_t len = decodeUtf8(s, n, i, cp);
        if (!len) return false;
        i += len;
    }
    return true;
}

bool sameAsciiText(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        const char x = *a >= 'a' && *a <= 'z' ? char(*a - 32) : *a;
        const char y = *b >= 'a' && *b <= 'z' ? char(*b - 32) : *b;
        if (x != y) return false;
    }
    return *a == *b;
}

} // namespace korvo
