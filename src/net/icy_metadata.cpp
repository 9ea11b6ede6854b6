#include "net/icy_metadata.h"

#include <cstdio>
#include <cstring>

#include "net/net_texts.h"

namespace korvo {

namespace {

constexpr char kTitleKey[] = "StreamTitle='";

// The length of the valid UTF-8 sequence at p (at most n bytes), or 0 when there is none.
int utf8Sequence(const uint8_t* p, int n) {
    const uint8_t c = p[0];
    int len;
    uint32_t cp;
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (len > n) return 0;
    for (int i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    // No overlong forms, no surrogates, nothing past the last code point.
    if ((len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) || cp > 0x10FFFF) return 0;
    if (cp >= 0xD800 && cp <= 0xDFFF) return 0;
    return len;
}

bool validUtf8(const uint8_t* p, int n) {
    for (int i = 0; i < n;) {
        const int len = utf8Sequence(p + i, n - i);
        if (len == 0) return false;
        i += len;
    }
    return true;
}

// A character in title unless it would not fit whole; false when the title is full.
bool append(char* title, int size, int& at, const char* bytes, int len) {
    if (at + len > size - 1) return false;
    std::memcpy(title + at, bytes, size_t(len));
    at += len;
    return true;
}

// Where the title's value starts in text, or -1: the key at the start or after a ';'.
int titleStart(const uint8_t* text, int len) {
    const int keyLen = int(sizeof kTitleKey) - 1;
    for (int i = 0; i + keyLen <= len; ++i) {
        if (i > 0 && text[i - 1] != ';' && text[i - 1] != ' ') continue;
        if (std::memcmp(text + i, kTitleKey, size_t(keyLen)) == 0) return i + keyLen;
    }
    return -1;
}

} // namespace

int parseStreamTitle(const uint8_t* text, int len, char* title, int size) {
    if (!text || len <= 0 || !title || size <= 1) return 0;
    // The padding ends the text.
    const void* zero = std::memchr(text, 0, size_t(len));
    if (zero) len = int(static_cast<const uint8_t*>(zero) - text);
    const int start = titleStart(text, len);
    if (start < 0) return 0;
    // A title may hold a quote itself: it ends at the "';" that ends the value, or at the
    // last quote of a text whose end was cut off.
    int end = -1;
    for (int i = start; i + 1 < len; ++i)
        if (text[i] == '\'' && text[i + 1] == ';') {
            end = i;
            break;
        }
    if (end < 0)
        for (int i = len - 1; i >= start; --i)
            if (text[i] == '\'') {
                end = i;
                break;
            }
    if (end < 0) end = len;
    return icyText(text + start, end - start, title, size);
}

int icyText(const uint8_t* value, int valueLen, char* title, int size) {
    if (!value || valueLen < 0 || !title || size <= 1) return 0;
    const bool utf8 = validUtf8(value, valueLen);
    char out[kIcyTitleBytes];
    const int room = size < int(sizeof out) ? size : int(sizeof out);
    int at = 0;
    bool shown = false;    // anything other than blanks
    for (int i = 0; i < valueLen;) {
        char bytes[4];
        int len8;
        uint32_t cp;
        int step;
        if (utf8) {
            step = utf8Sequence(value + i, valueLen - i);
            std::memcpy(bytes, value + i, size_t(step));
            len8 = step;
            cp = step == 1 ? value[i] : step == 2 ? ((value[i] & 0x1Fu) << 6) | (value[i + 1] & 0x3Fu) : 0x100;
        } else {
            step = 1;
            cp = value[i];
            if (cp < 0x80) {
                bytes[0] = char(cp);
                len8 = 1;
            } else {
                bytes[0] = char(0xC0 | (cp >> 6));
                bytes[1] = char(0x80 | (cp & 0x3F));
                len8 = 2;
            }
        }
        // Control characters (a terminal's escapes among them) are no part of a title.
        if (cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp < 0xA0)) {
            bytes[0] = ' ';
            len8 = 1;
        }
        if (!append(out, room, at, bytes, len8)) break;
        if (bytes[0] != ' ') shown = true;
        i += step;
    }
    out[at] = 0;
    if (!shown) return 0;
    std::memcpy(title, out, size_t(at) + 1);
    return 1;
}

void IcyReader::reset(int metaint) {
    metaint_ = metaint > 0 ? metaint : 0;
    state_ = Audio;
    left_ = metaint_;
    textLen_ = 0;
    // The title stays: a station that sends the same song again after a reconnect has no new one.
}

void IcyReader::finishBlock(TitleSink sink, void* context, int audioBefore) {
    char title[kIcyTitleBytes];
    if (parseStreamTitle(text_, textLen_, title, int(sizeof title)) && std::strcmp(title, title_) != 0) {
        std::memcpy(title_, title, sizeof title_);
        if (sink) sink(context, title_, audioBefore);
    }
    state_ = Audio;
    left_ = metaint_;
    textLen_ = 0;
}

int IcyReader::take(const uint8_t* in, int n, uint8_t* out, TitleSink sink, void* context) {
    if (n <= 0) return 0;
    if (!active()) {
        if (out != in) std::memmove(out, in, size_t(n));
        return n;
    }
    int written = 0;
    int i = 0;
    while (i < n) {
        if (state_ == Audio) {
            const int k = n - i < left_ ? n - i : left_;
            std::memmove(out + written, in + i, size_t(k));
            written += k;
            i += k;
            left_ -= k;
            if (left_ == 0) state_ = Length;
        } else if (state_ == Length) {
            left_ = in[i++] * 16;
            textLen_ = 0;
            if (left_ == 0) {
                state_ = Audio;    // nothing new
                left_ = metaint_;
            } else {
                state_ = Text;
            }
        } else {
            const int k = n - i < left_ ? n - i : left_;
            // left_ never exceeds the room that is left: one block holds at most 255 x 16.
            std::memcpy(text_ + textLen_, in + i, size_t(k));
            textLen_ += k;
            i += k;
            left_ -= k;
            if (left_ == 0) finishBlock(sink, context, written);
        }
    }
    return written;
}

void stationTitleText(const char* station, const char* title, char* text, int size) {
    if (!text || size <= 0) return;
    if (!station) station = "";
    if (!title) title = "";
    if (station[0] && title[0]) std::snprintf(text, size_t(size), net_texts::kStationTitle, station, title);
    else std::snprintf(text, size_t(size), "%s", title[0] ? title : station);
}

} // namespace korvo
