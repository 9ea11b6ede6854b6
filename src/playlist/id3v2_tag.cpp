#include "id3v2_tag.h"

#include <cstring>

#include "decoder/id3v2_extent.h"
#include "id3v2_frame_ids.h"
#include "text_encoding.h"

namespace korvo {

namespace {

enum TextEncoding : uint8_t { Latin1 = 0, Utf16WithBom = 1, Utf16BigEndian = 2, Utf8 = 3 };

constexpr uint8_t kUnsyncFlag = 0x80;
constexpr uint8_t kExtendedHeaderFlag = 0x40;
constexpr uint8_t kFooterFlag = 0x10;
constexpr uint16_t kFrameUnsync24 = 0x0002;

void putBigEndian32(uint8_t* b, uint32_t v) {
    for (int i = 3; i >= 0; --i, v >>= 8) b[i] = uint8_t(v);
}

// A 0 after 0xFF was put in by the writer and is dropped.
std::vector<uint8_t> restored(const uint8_t* b, size_t n) {
    std::vector<uint8_t> out;
    out.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        out.push_back(b[i]);
        if (b[i] == 0xFF && i + 1 < n && b[i + 1] == 0) ++i;
    }
    return out;
}

bool isFrameIdChar(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

using Field = Id3v2Field;
constexpr Field Title = Id3v2Title, Artist = Id3v2Artist, Album = Id3v2Album, Year = Id3v2Year,
                Comment = Id3v2Comment, Genre = Id3v2Genre, Track = Id3v2Track;
constexpr int FieldCount = Id3v2FieldCount;

const char* frameIdOf(int major, Field f) { return kId3v2FrameIds[f][major - 2]; }

// The frame's content after its format prefixes; false when it is compressed or encrypted.
bool contentOf(int major, const Id3v2Frame& f, const uint8_t*& p, size_t& n) {
    size_t prefix = 0;
    const uint8_t format = uint8_t(f.flags & 0xFF);
    if (major == 3) {
        if (format & 0xC0) return false;
        prefix = (format & 0x20) ? 1 : 0;
    } else if (major == 4) {
        if (format & 0x0C) return false;
        prefix = ((format & 0x40) ? 1 : 0) + ((format & 0x01) ? 4 : 0);
    }
    const size_t size = f.bytes.size() - size_t(f.headerSize);
    if (prefix > size) return false;
    p = f.bytes.data() + f.headerSize + prefix;
    n = size - prefix;
    return true;
}

// Text in one of the four encodings, up to its terminator, as UTF-8.
std::string decodeString(uint8_t encoding, const uint8_t* p, size_t n) {
    std::vector<char> out(3 * n + 8, 0);
    switch (encoding) {
    case Latin1: latin1ToUtf8(reinterpret_cast<const char*>(p), n, out.data(), out.size()); break;
    case Utf16WithBom: {
        bool big = false;   // no mark: little endian, as most writers without one use
        if (n >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF))) {
            big = p[0] == 0xFE;
            p += 2;
            n -= 2;
        }
        utf16ToUtf8(p, n, big, out.data(), out.size());
        break;
    }
    case Utf16BigEndian: utf16ToUtf8(p, n, true, out.data(), out.size()); break;
    case Utf8: copyUtf8(reinterpret_cast<const char*>(p), n, out.data(), out.size()); break;
    default: break;
    }
    return out.data();
}

// The first value of a text frame.
bool textOf(int major, const Id3v2Frame& f, std::string& value) {
    const uint8_t* p;
    size_t n;
    if (!contentOf(major, f, p, n) || n < 1) return false;
    value = decodeString(p[0], p + 1, n - 1);
    return true;
}

// A comment frame's description and text.
bool commentOf(int major, const Id3v2Frame& f, std::string& description, std::string& text) {
    const uint8_t* p;
    size_t n;
    if (!contentOf(major, f, p, n) || n < 4) return false;
    const uint8_t encoding = p[0];
    const bool wide = encoding == Utf16WithBom || encoding == Utf16BigEndian;
    size_t end = 4;
    size_t termSize = wide ? 2 : 1;
    if (wide) {
        while (end + 1 < n && !(p[end] == 0 && p[end + 1] == 0)) end += 2;
    } else {
        while (end < n && p[end] != 0) ++end;
    }
    if (end + termSize > n) {   // no terminator: all description
        description = decodeString(encoding, p + 4, n - 4);
        text.clear();
        return true;
    }
    description = decodeString(encoding, p + 4, end - 4);
    text = decodeString(encoding, p + end + termSize, n - end - termSize);
    return true;
}

bool isFrame(const Id3v2Frame& f, const char* id) { return std::strcmp(f.id, id) == 0; }

// Frames that hold field f: for the comment, those without a description.
bool holds(int major, const Id3v2Frame& frame, Field f) {
    if (!isFrame(frame, frameIdOf(major, f))) return false;
    if (f != Comment) return true;
    std::string description, text;
    return commentOf(major, frame, description, text) && description.empty();
}

int leadingNumber(const std::string& s) {
    int v = 0;
    for (size_t i = 0; i < s.size() && s[i] >= '0' && s[i] <= '9' && v < 100000; ++i) v = v * 10 + (s[i] - '0');
    return v;
}

void append(std::vector<uint8_t>& out, const uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i) out.push_back(p[i]);
}

void appendUtf16(std::vector<uint8_t>& out, uint32_t unit) {
    out.push_back(uint8_t(unit & 0xFF));
    out.push_back(uint8_t(unit >> 8));
}

// The encoding byte and text bytes for a value: ISO-8859-1 when every character fits,
// else UTF-16 with a byte order mark (2.3) or UTF-8 (2.4).
uint8_t encodeString(int major, const std::string& s, std::vector<uint8_t>& out) {
    std::vector<char> latin1(s.size() + 1, 0);
    Latin1Loss loss;
    utf8ToLatin1(s.c_str(), latin1.data(), latin1.size(), &loss);
    if (loss.replaced == 0 && loss.cut == 0) {
        for (size_t i = 0; latin1[i]; ++i) out.push_back(uint8_t(latin1[i]));
        return Latin1;
    }
    if (major == 4) {
        out.insert(out.end(), s.begin(), s.end());
        return Utf8;
    }
    out.push_back(0xFF);
    out.push_back(0xFE);
    const auto* in = reinterpret_cast<const uint8_t*>(s.data());
    for (size_t i = 0; i < s.size();) {
        uint32_t cp;
        size_t len = decodeUtf8(in, s.size(), i, cp);
        if (len == 0) {
            cp = '?';
            len = 1;
        }
        i += len;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            appendUtf16(out, 0xD800 | (cp >> 10));
            appendUtf16(out, 0xDC00 | (cp & 0x3FF));
        } else {
            appendUtf16(out, cp);
        }
    }
    return Utf16WithBom;
}

Id3v2Frame makeFrame(int major, const char* id, const std::vector<uint8_t>& content) {
    Id3v2Frame f;
    std::memcpy(f.id, id, 4);
    f.bytes.resize(10);
    std::memcpy(f.bytes.data(), id, 4);
    if (major == 4)
        putSyncsafe(f.bytes.data() + 4, uint32_t(content.size()));
    else
        putBigEndian32(f.bytes.data() + 4, uint32_t(content.size()));
    append(f.bytes, content.data(), content.size());
    return f;
}

Id3v2Frame textFrame(int major, const char* id, const std::string& value) {
    std::vector<uint8_t> text;
    const uint8_t encoding = encodeString(major, value, text);
    std::vector<uint8_t> content(1, encoding);
    append(content, text.data(), text.size());
    return makeFrame(major, id, content);
}

Id3v2Frame commentFrame(int major, const std::string& value) {
    std::vector<uint8_t> text;
    const uint8_t encoding = encodeString(major, value, text);
    std::vector<uint8_t> content(1, encoding);
    append(content, reinterpret_cast<const uint8_t*>(kId3v2CommentLanguage), 3);
    static constexpr uint8_t kEmptyWide[] = {0xFF, 0xFE, 0, 0};   // a byte order mark, then the terminator
    if (encoding == Utf16WithBom) append(content, kEmptyWide, sizeof kEmptyWide);
    else content.push_back(0);
    append(content, text.data(), text.size());
    return makeFrame(major, "COMM", content);
}

// Whether the tag's one frame for f already says what text does.
bool matches(int major, const Id3v2Frame& frame, Field f, const TagText& text) {
    std::string value, description;
    if (f == Comment) return commentOf(major, frame, description, value) && value == text.comment;
    if (!textOf(major, frame, value)) return false;
    switch (f) {
    case Title: return value == text.title;
    case Artist: return value == text.artist;
    case Album: return value == text.album;
    case Year:
        // a full date keeps its month and day while its year stays
        if (value == text.year) return true;
        return !text.year.empty() && value.compare(0, text.year.size(), text.year) == 0 &&
               !(value[text.year.size()] >= '0' && value[text.year.size()] <= '9');
    case Genre: return genreOfTcon(value) == text.genre;
    case Track: return text.track > 0 && leadingNumber(value) == text.track;
    default: return false;
    }
}

// The frame that says what text does for f, or none (an empty field).
bool newFrame(int major, Field f, const TagText& text, Id3v2Frame& frame) {
    const char* id = frameIdOf(major, f);
    switch (f) {
    case Title: frame = textFrame(major, id, text.title); return !text.title.empty();
    case Artist: frame = textFrame(major, id, text.artist); return !text.artist.empty();
    case Album: frame = textFrame(major, id, text.album); return !text.album.empty();
    case Year: frame = textFrame(major, id, text.year); return !text.year.empty();
    case Comment: frame = commentFrame(major, text.comment); return !text.comment.empty();
    case Genre:
        if (text.genre < 0 || text.genre >= kGenreCount) return false;
        frame = textFrame(major, id, kId3v1GenreNames[text.genre]);
        return true;
    case Track:
        if (text.track <= 0) return false;
        frame = textFrame(major, id, std::to_string(text.track));
        return true;
    default: return false;
    }
}

} // namespace

int genreOfTcon(const std::string& value) {
    const char* s = value.c_str();
    if (*s == '(' && s[1] >= '0' && s[1] <= '9') ++s;   // "(17)" and "(17)Rock": the number counts
    if (*s >= '0' && *s <= '9') {
        int n = leadingNumber(s);
        return n < kGenreCount ? n : -1;
    }
    return genreIndexOf(s);
}

int parseId3v2Tag(const uint8_t* bytes, size_t n, Id3v2Tag& tag) {
    tag = Id3v2Tag{};
    Id3v2Extent extent;
    if (!parseId3v2Extent(bytes, int(n < 64 ? n : 64), extent)) return 0;
    const int major = extent.major;
    if (major < 2 || major > 4 || extent.totalSize() > int64_t(n)) return 0;
    if (major == 2 && (extent.flags & 0x40)) return 0;   // a compressed 2.2 tag: no known way to read it
    const bool tagUnsync = (extent.flags & kUnsyncFlag) != 0;
    // Up to 2.3 the whole body is unsynchronised; from 2.4 on each frame is, on its own.
    std::vector<uint8_t> body = tagUnsync && major < 4
                                    ? restored(bytes + kId3v2HeaderSize, extent.bodySize)
                                    : std::vector<uint8_t>(bytes + kId3v2HeaderSize, bytes + kId3v2HeaderSize + extent.bodySize);
    size_t pos = 0;
    if (major >= 3 && (extent.flags & kExtendedHeaderFlag)) {
        if (body.size() < 4) return 0;
        const size_t size = major == 3 ? size_t(bigEndian32(body.data())) + 4 : syncsafe(body.data());
        if (size < 4 || size > body.size()) return 0;
        pos = size;
    }
    tag.major = major;
    tag.revision = bytes[4];
    tag.flags = uint8_t(extent.flags & ~(kUnsyncFlag | kExtendedHeaderFlag | kFooterFlag));

    const size_t headerSize = major == 2 ? 6 : 10;
    const int idLength = major == 2 ? 3 : 4;
    while (pos + headerSize <= body.size() && body[pos] != 0) {
        const uint8_t* h = body.data() + pos;
        for (int i = 0; i < idLength; ++i)
            if (!isFrameIdChar(h[i])) return 0;
        size_t size;
        if (major == 2) size = bigEndian24(h + 3);
        // Some 2.4 writers put plain sizes; a size that is not syncsafe can only be one.
        else if (major == 4 && isSyncsafe(h + 4)) size = syncsafe(h + 4);
        else size = bigEndian32(h + 4);
        if (size > body.size() - pos - headerSize) return 0;
        Id3v2Frame f;
        std::memcpy(f.id, h, size_t(idLength));
        f.headerSize = int(headerSize);
        if (major > 2) f.flags = uint16_t(h[8] << 8 | h[9]);
        f.bytes.assign(h, h + headerSize + size);
        if (major == 4 && (tagUnsync || (f.flags & kFrameUnsync24))) {
            std::vector<uint8_t> content = restored(h + headerSize, size);
            f.flags = uint16_t(f.flags & ~kFrameUnsync24);
            f.bytes.resize(headerSize);
            putSyncsafe(f.bytes.data() + 4, uint32_t(content.size()));
            f.bytes[8] = uint8_t(f.flags >> 8);
            f.bytes[9] = uint8_t(f.flags);
            f.bytes.insert(f.bytes.end(), content.begin(), content.end());
        }
        tag.frames.push_back(std::move(f));
        pos += headerSize + size;
    }
    for (; pos < body.size(); ++pos)
        if (body[pos] != 0) return 0;   // not padding: something this reading does not know
    return 1;
}

int readId3v2Text(const Id3v2Tag& tag, TagText& text) {
    text = TagText{};
    text.genre = kNoGenreByte;
    if (tag.major < 2 || tag.major > 4) return 0;
    bool found[FieldCount] = {};
    for (const Id3v2Frame& f : tag.frames) {
        for (int k = 0; k < FieldCount; ++k) {
            const Field field = Field(k);
            if (found[k] || !holds(tag.major, f, field)) continue;
            std::string value, description;
            if (field == Comment ? !commentOf(tag.major, f, description, value) : !textOf(tag.major, f, value)) continue;
            found[k] = true;
            switch (field) {
            case Title: text.title = value; break;
            case Artist: text.artist = value; break;
            case Album: text.album = value; break;
            case Year: text.year = value; break;
            case Comment: text.comment = value; break;
            case Genre: {
                const int g = genreOfTcon(value);
                text.genre = g >= 0 ? g : value.empty() ? kNoGenreByte : kUnknownGenre;
                break;
            }
            case Track: text.track = leadingNumber(value); break;
            default: break;
            }
        }
    }
    if (!found[Year]) {
        for (const Id3v2Frame& f : tag.frames) {
            std::string value;
            if (isFrame(f, kId3v2OtherYearIds[tag.major - 2]) && textOf(tag.major, f, value)) {
                text.year = value;
                found[Year] = true;
                break;
            }
        }
    }
    for (bool b : found)
        if (b) return 1;
    return 0;
}

void applyTagText(Id3v2Tag& tag, const TagText& text) {
    const int major = tag.major;
    if (major != 3 && major != 4) return;
    for (int k = 0; k < FieldCount; ++k) {
        const Field field = Field(k);
        if (field == Genre && text.genre == kUnknownGenre) continue;   // kept as the file holds it
        size_t first = tag.frames.size();
        int count = 0;
        for (size_t i = 0; i < tag.frames.size(); ++i) {
            if (!holds(major, tag.frames[i], field)) continue;
            if (count++ == 0) first = i;
        }
        if (count == 1 && matches(major, tag.frames[first], field, text)) continue;
        std::vector<Id3v2Frame> kept;
        kept.reserve(tag.frames.size() + 1);
        Id3v2Frame frame;
        const bool add = newFrame(major, field, text, frame);
        for (size_t i = 0; i < tag.frames.size(); ++i) {
            if (i == first && add) kept.push_back(frame);
            if (!holds(major, tag.frames[i], field)) kept.push_back(std::move(tag.frames[i]));
        }
        if (first == tag.frames.size() && add) kept.push_back(frame);
        tag.frames = std::move(kept);
    }
}

size_t id3v2FramesSize(const Id3v2Tag& tag) {
    size_t n = 0;
    for (const Id3v2Frame& f : tag.frames) n += f.bytes.size();
    return n;
}

std::vector<uint8_t> buildId3v2Tag(const Id3v2Tag& tag, size_t totalSize, size_t padding) {
    const size_t need = kId3v2HeaderSize + id3v2FramesSize(tag);
    const size_t total = totalSize >= need ? totalSize : need + padding;
    std::vector<uint8_t> out(total, 0);
    const uint8_t header[6] = {'I', 'D', '3', uint8_t(tag.major), tag.revision, tag.flags};
    std::memcpy(out.data(), header, sizeof header);
    putSyncsafe(out.data() + 6, uint32_t(total - kId3v2HeaderSize));
    size_t at = kId3v2HeaderSize;
    for (const Id3v2Frame& f : tag.frames) {
        std::memcpy(out.data() + at, f.bytes.data(), f.bytes.size());
        at += f.bytes.size();
    }
    return out;
}

} // namespace korvo
