#include "entry_info.h"

#include <climits>
#include <cstdio>

#include "decoder/frame_reader.h"
#include "decoder/frame_tables.h"
#include "decoder/id3v2_extent.h"
#include "decoder/vbr_header.h"
#include "platform/file.h"
#include "playlist_texts.h"
#include "text_encoding.h"

namespace korvo {

namespace {

// Reads a file forwards a byte at a time out of a small buffer.
class ByteScanner {
public:
    explicit ByteScanner(File& f) : file_(f) {}
    bool next(uint8_t& b) {
        if (pos_ == len_) {
            int n = file_.read(buf_, int(sizeof buf_));
            if (n <= 0) return false;
            len_ = n;
            pos_ = 0;
        }
        b = buf_[pos_++];
        return true;
    }

private:
    File& file_;
    uint8_t buf_[4096];
    int pos_ = 0;
    int len_ = 0;
};

// Finds the first frame header from the current position, within the search window;
// the first word may have any top bits, later words with sixteen leading ones are passed over.
bool findHeader(ByteScanner& in, uint32_t& word) {
    uint8_t b;
    word = 0;
    for (int i = 0; i < 4; ++i) {
        if (!in.next(b)) return false;
        word = (word << 8) | b;
    }
    if (FrameReader::isValidHeader(word)) return true;
    for (int searched = 0; searched < FrameReader::kSearchWindow && in.next(b); ++searched) {
        word = (word << 8) | b;
        if ((word >> 16) == 0xFFFFu) continue;
        if (FrameReader::isValidHeader(word)) return true;
    }
    return false;
}

int bitrateOf(uint32_t header) {
    int lsf = ((header >> 19) & 3) == 3 ? 0 : 1;
    int layer = 4 - int((header >> 17) & 3);
    int index = int((header >> 12) & 15);
    return kBitrateKbps[lsf][layer - 1][index];
}

} // namespace

int readEntryInfo(PlaylistEntry& entry) {
    // A device or a pipe may never end, and opening a FIFO waits for its writer.
    File file;
    if (!file.open(entry.path, File::ReadRegular)) return 1;

    uint8_t head[kId3v2HeaderSize];
    int got = file.read(head, int(sizeof head));
    if (got < 4) return 0;

    Id3v2Extent tag;
    const int64_t skipped = parseId3v2Extent(head, got, tag) ? tag.totalSize() : 0;
    if (file.seek(skipped, File::Begin) < 0) return 1;
    uint32_t header;
    ByteScanner in(file);
    if (!findHeader(in, header)) return 1;

    // A header in the first frame counts the frames: the time is then exact.
    uint8_t body[FrameReader::kBodyCapacity];
    int bodySize = 0;
    while (bodySize < int(sizeof body) && in.next(body[bodySize])) ++bodySize;
    VbrHeader vbr;
    const int64_t vbrMs = parseVbrHeader(header, body, bodySize, vbr) ? vbr.playMs() : -1;

    int64_t audioBytes = file.size() - skipped;
    int kbps = bitrateOf(header);
    if (vbrMs >= 0) {
        int64_t seconds = vbrMs / 1000;
        if (seconds > INT32_MAX / 1000) seconds = INT32_MAX / 1000;
        entry.playTimeMs = int32_t(seconds * 1000);
    } else if (kbps <= 0 || audioBytes < 0) {
        entry.playTimeMs = -1;
    } else {
        int64_t seconds = audioBytes / (int64_t(kbps) * 125);
        if (seconds > INT32_MAX / 1000) seconds = INT32_MAX / 1000;
        entry.playTimeMs = int32_t(seconds * 1000);
    }
    readTag(file, entry.tag);
    if (skipped > 0) readId3v2Names(file, entry.id3v2);   // only a file that starts with a tag has one
    entry.infoRead = 1;
    return 1;
}

int rereadEntryTags(PlaylistEntry& entry) {
    if (entry.infoRead != 1) return 0;
    entry.tag = Id3v1Tag{};
    entry.id3v2 = Id3v2Names{};
    entry.infoRead = 0;
    return readEntryInfo(entry) == 1 && entry.infoRead == 1 ? 1 : 0;
}

std::string entryTagName(const PlaylistEntry& entry) {
    const char* title;
    const char* artist;
    char title1[3 * sizeof entry.tag.title], artist1[3 * sizeof entry.tag.artist];
    if (entry.id3v2.present) {
        title = entry.id3v2.title;
        artist = entry.id3v2.artist;
    } else if (entry.tag.present) {
        latin1ToUtf8(entry.tag.title, sizeof entry.tag.title, title1, sizeof title1);
        latin1ToUtf8(entry.tag.artist, sizeof entry.tag.artist, artist1, sizeof artist1);
        title = title1;
        artist = artist1;
    } else {
        return {};
    }
    return tagDisplayName(title, artist);
}

std::string tagDisplayName(const char* title, const char* artist) {
    // A missing half leaves no separator behind: the title alone, or the artist alone.
    if (!artist[0]) return title;
    if (!title[0]) return artist;
    char text[2 * kId3v2NameCapacity + sizeof playlist_texts::kDisplayNameFormat];
    std::snprintf(text, sizeof text, playlist_texts::kDisplayNameFormat, title, artist);
    return text;
}

std::string entryDisplayName(const PlaylistEntry& entry) {
    if (entry.infoRead == 1) {
        std::string name = entryTagName(entry);
        if (!name.empty()) return name;
    }
    if (entry.listedTitle[0]) return entry.listedTitle;
    char title[kMaxPathLength];
    fileTitleOf(entry.path, title, int(sizeof title));
    return title;
}

} // namespace korvo
