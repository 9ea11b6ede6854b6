#include "entry_info.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "decoder/frame_tables.h"
#include "decoder/vbr_header.h"
#include "platform/file.h"
#include "apev2.h"
#include "first_frame.h"
#include "playlist_texts.h"
#include "text_encoding.h"

namespace korvo {

namespace {

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

    FirstFrame first;
    const int found = readFirstFrame(file, first);
    if (found < 0) return 0;
    if (found == 0) return 1;
    const int64_t skipped = first.tagBytes;
    const uint32_t header = first.header;

    // A header in the first frame counts the frames: the time is then exact.
    VbrHeader vbr;
    const int64_t vbrMs = parseVbrHeader(header, first.body, first.bodySize, vbr) ? vbr.playMs() : -1;

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
    Apev2Tag ape;
    if (readApev2Tag(file, ape)) {
        std::memcpy(entry.apev2.title, ape.title, sizeof ape.title);
        std::memcpy(entry.apev2.artist, ape.artist, sizeof ape.artist);
        entry.apev2.present = ape.title[0] || ape.artist[0] ? 1 : 0;
    }
    entry.infoRead = 1;
    return 1;
}

int rereadEntryTags(PlaylistEntry& entry) {
    if (entry.infoRead != 1) return 0;
    entry.tag = Id3v1Tag{};
    entry.id3v2 = Id3v2Names{};
    entry.apev2 = Id3v2Names{};
    entry.infoRead = 0;
    return readEntryInfo(entry) == 1 && entry.infoRead == 1 ? 1 : 0;
}

EntryNames entryNames(const PlaylistEntry& entry) {
    EntryNames names;
    char text[3 * sizeof entry.tag.title];
    if (entry.id3v2.present) {
        names.title = entry.id3v2.title;
        names.artist = entry.id3v2.artist;
    } else if (entry.tag.present) {
        latin1ToUtf8(entry.tag.title, sizeof entry.tag.title, text, sizeof text);
        names.title = text;
        latin1ToUtf8(entry.tag.artist, sizeof entry.tag.artist, text, sizeof text);
        names.artist = text;
    }
    if (entry.tag.present) {
        latin1ToUtf8(entry.tag.album, sizeof entry.tag.album, text, sizeof text);
        names.album = text;
    }
    // The order is ID3v2, ID3v1, APEv2: the APEv2 names come in when neither gives a title.
    const bool titled = entry.id3v2.title[0] || (entry.tag.present && entry.tag.title[0]);
    if (!titled && entry.apev2.present) {
        names.title = entry.apev2.title;
        names.artist = entry.apev2.artist;
    }
    return names;
}

std::string entryTagName(const PlaylistEntry& entry) {
    const EntryNames names = entryNames(entry);
    return tagDisplayName(names.title.c_str(), names.artist.c_str());
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
