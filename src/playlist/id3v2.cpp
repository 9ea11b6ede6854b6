#include "id3v2.h"

#include <cstring>

#include "decoder/id3v2_extent.h"
#include "platform/file.h"
#include "text_encoding.h"

namespace korvo {

namespace {

constexpr int kMaxFrameHeader = 10;   // 2.3 and 2.4; 2.2's has six bytes
// Bytes of a title or artist frame looked at; the rest of a longer frame is skipped.
constexpr int kMaxTextFrame = 2048;

enum TextEncoding { Latin1 = 0, Utf16WithBom = 1, Utf16BigEndian = 2, Utf8 = 3 };


// The tag body as a stream of bytes, with a whole-tag unsynchronisation undone on the way.
// Without it, skipping is a seek; with it, frame sizes count the restored bytes, so the
// body has to be read through.
class TagStream {
public:
    TagStream(TagSource& in, int64_t bytes, bool unsync) : in_(in), left_(bytes), unsync_(unsync) {}

    bool read(uint8_t* dst, int64_t n) {
        if (!unsync_) {
            if (n > left_ || in_.read(dst, int(n)) != n) return false;
            left_ -= n;
            return true;
        }
        for (int64_t i = 0; i < n; ++i)
            if (!nextRestored(dst[i])) return false;
        return true;
    }

    bool skip(int64_t n) {
        if (!unsync_) {
            if (n > left_ || !in_.skip(n)) return false;
            left_ -= n;
            return true;
        }
        uint8_t b;
        for (int64_t i = 0; i < n; ++i)
            if (!nextRestored(b)) return false;
        return true;
    }

private:
    bool nextRaw(uint8_t& b) {
        if (pos_ == len_) {
            if (left_ <= 0) return false;
            int want = left_ < int64_t(sizeof buf_) ? int(left_) : int(sizeof buf_);
            int got = in_.read(buf_, want);
            if (got <= 0) return false;
            left_ -= got;
            len_ = got;
            pos_ = 0;
        }
        b = buf_[pos_++];
        return true;
    }
    // A 0 after 0xFF was put in by the writer and is dropped.
    bool nextRestored(uint8_t& b) {
        if (!nextRaw(b)) return false;
        if (afterFF_ && b == 0 && !nextRaw(b)) return false;
        afterFF_ = b == 0xFF;
        return true;
    }

    TagSource& in_;
    int64_t left_;   // bytes of the tag not yet taken from the source
    bool unsync_;
    bool afterFF_ = false;
    uint8_t buf_[4096];
    int pos_ = 0;
    int len_ = 0;
};

// Undoes unsynchronisation inside one frame; gives the new length.
int restoreFrame(uint8_t* b, int n) {
    int out = 0;
    for (int i = 0; i < n; ++i) {
        b[out++] = b[i];
        if (b[i] == 0xFF && i + 1 < n && b[i + 1] == 0) ++i;
    }
    return out;
}

void decodeEncoded(int encoding, const uint8_t* text, size_t len, char* out, size_t outSize) {
    switch (encoding) {
    case Latin1: latin1ToUtf8(reinterpret_cast<const char*>(text), len, out, outSize); break;
    case Utf16WithBom: {
        bool big = false;   // no mark: little endian, as most writers without one use
        if (len >= 2 && ((text[0] == 0xFF && text[1] == 0xFE) || (text[0] == 0xFE && text[1] == 0xFF))) {
            big = text[0] == 0xFE;
            text += 2;
            len -= 2;
        }
        utf16ToUtf8(text, len, big, out, outSize);
        break;
    }
    case Utf16BigEndian: utf16ToUtf8(text, len, true, out, outSize); break;
    case Utf8: copyUtf8(reinterpret_cast<const char*>(text), len, out, outSize); break;
    default: break;
    }
}

void decodeText(const uint8_t* b, int n, char* out, size_t outSize) {
    if (n < 1) return;
    decodeEncoded(b[0], b + 1, size_t(n - 1), out, outSize);
}

// A TXXX frame: encoding, description up to its terminator (two zero bytes, aligned, in
// UTF-16), value. Puts the value into its place when the description is a ReplayGain key.
void readUserText(const uint8_t* b, int n, ReplayGainTexts& gains) {
    if (n < 2) return;
    const int encoding = b[0];
    const bool wide = encoding == Utf16WithBom || encoding == Utf16BigEndian;
    int end = 1;
    if (wide) {
        while (end + 1 < n && (b[end] || b[end + 1])) end += 2;
    } else {
        while (end < n && b[end]) ++end;
    }
    if (end >= n) return;   // no terminator: no value
    char key[kGainTextCapacity] = {};
    decodeEncoded(encoding, b + 1, size_t(end - 1), key, sizeof key);
    const int valueAt = end + (wide ? 2 : 1);
    for (int i = 0; i < kReplayGainItems; ++i) {
        if (!sameAsciiText(key, kReplayGainItemKeys[i]) || gains.text[i][0]) continue;
        if (valueAt <= n) decodeEncoded(encoding, b + valueAt, size_t(n - valueAt), gains.text[i], kGainTextCapacity);
    }
}

bool isFrameIdChar(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

class FileSource : public TagSource {
public:
    explicit FileSource(File& f) : file_(f) {}
    int read(void* dst, int n) override { return file_.read(dst, n); }
    int skip(int64_t n) override { return file_.seek(n, File::Current) >= 0 ? 1 : 0; }

private:
    File& file_;
};

} // namespace

int readId3v2Names(TagSource& in, Id3v2Names& names, ReplayGainTexts* gains) {
    names = Id3v2Names{};
    if (gains) *gains = ReplayGainTexts{};
    uint8_t h[kId3v2HeaderSize];
    const int got = in.read(h, kId3v2HeaderSize);
    Id3v2Extent extent;
    if (!parseId3v2Extent(h, got, extent)) return 0;
    const int major = extent.major;
    const uint8_t flags = extent.flags;
    if (major < 2 || major > 4) return 0;
    if (major == 2 && (flags & 0x40)) return 0;   // a compressed 2.2 tag: no known way to read it
    const bool tagUnsync = (flags & 0x80) != 0;
    // From 2.4 on, unsynchronisation is undone per frame and the sizes count stored bytes.
    TagStream tag(in, extent.bodySize, tagUnsync && major < 4);

    if (major >= 3 && (flags & 0x40)) {   // extended header
        uint8_t e[4];
        if (!tag.read(e, 4)) return 0;
        if (major == 3) {
            if (!tag.skip(bigEndian32(e))) return 0;
        } else {
            uint32_t size = syncsafe(e);   // counts its own four bytes
            if (size < 4 || !tag.skip(size - 4)) return 0;
        }
    }

    const char* titleId = major == 2 ? "TT2" : "TIT2";
    const char* artistId = major == 2 ? "TP1" : "TPE1";
    const int idLength = major == 2 ? 3 : 4;
    const char* userTextId = major == 2 ? "TXX" : "TXXX";
    const int frameHeaderSize = major == 2 ? 6 : kMaxFrameHeader;
    uint8_t fh[kMaxFrameHeader];
    uint8_t body[kMaxTextFrame];
    while ((gains || !(names.title[0] && names.artist[0])) && tag.read(fh, frameHeaderSize)) {
        bool frame = true;   // padding, or damage, ends the frames
        for (int i = 0; i < idLength; ++i) frame = frame && isFrameIdChar(fh[i]);
        if (!frame) break;
        uint32_t size;
        uint8_t frameFlags = 0;
        if (major == 2) {
            size = bigEndian24(fh + 3);
        } else {
            // Some 2.4 writers put plain sizes; a size that is not syncsafe can only be one.
            size = major == 4 && isSyncsafe(fh + 4) ? syncsafe(fh + 4) : bigEndian32(fh + 4);
            frameFlags = fh[9];
        }
        char* field = nullptr;
        if (std::memcmp(fh, titleId, size_t(idLength)) == 0) field = names.title;
        if (std::memcmp(fh, artistId, size_t(idLength)) == 0) field = names.artist;
        const bool userText = gains && std::memcmp(fh, userTextId, size_t(idLength)) == 0;
        char userTextRead = 0;   // a TXXX frame is read once into the body below
        if (userText) field = &userTextRead;
        int prefix = 0;
        bool unreadable = false;
        if (major == 3) {
            unreadable = (frameFlags & 0xC0) != 0;   // compressed or encrypted
            prefix = (frameFlags & 0x20) ? 1 : 0;    // group byte
        } else if (major == 4) {
            unreadable = (frameFlags & 0x0C) != 0;
            prefix = ((frameFlags & 0x40) ? 1 : 0) + ((frameFlags & 0x01) ? 4 : 0);
        }
        if (!field || field[0] || unreadable) {
            if (!tag.skip(size)) break;
            continue;
        }
        int n = size < uint32_t(kMaxTextFrame) ? int(size) : kMaxTextFrame;
        if (!tag.read(body, n) || !tag.skip(int64_t(size) - n)) break;
        if (prefix > n) continue;
        int len = n - prefix;
        if (major == 4 && (tagUnsync || (frameFlags & 0x02))) len = restoreFrame(body + prefix, len);
        if (userText)
            readUserText(body + prefix, len, *gains);
        else
            decodeText(body + prefix, len, field, kId3v2NameCapacity);
    }
    names.present = names.title[0] || names.artist[0] ? 1 : 0;
    return names.present;
}

int readId3v2Names(File& file, Id3v2Names& names, ReplayGainTexts* gains) {
    if (file.seek(0, File::Begin) < 0) {
        names = Id3v2Names{};
        if (gains) *gains = ReplayGainTexts{};
        return 0;
    }
    FileSource source(file);
    return readId3v2Names(source, names, gains);
}

} // namespace korvo
