#include "id3v1.h"

#include <cstring>

#include "apev2.h"
#include "genre_table.h"
#include "platform/file.h"
#include "platform/prompt.h"
#include "playlist_texts.h"

namespace korvo {


namespace {

namespace T = playlist_texts;

struct TagField {
    int offset;
    int width;
};
constexpr TagField kTitleField{3, 30};
constexpr TagField kArtistField{33, 30};
constexpr TagField kAlbumField{63, 30};
constexpr TagField kYearField{93, 4};
constexpr TagField kCommentField{97, 30};
// ID3v1.1: a shorter comment, a zero byte, then the track number.
constexpr TagField kTrackCommentField{97, kTrackCommentChars};
constexpr int kTrackMarkOffset = 125;
constexpr int kTrackOffset = 126;
constexpr int kGenreOffset = 127;

void complain(Prompt* tell, const char* text) {
    if (tell) tell->show(text, T::kErrorTitle, IconNone);
}

bool startsWithTag(const uint8_t* block) {
    for (int i = 0; i < 3; ++i) {
        uint8_t c = block[i];
        if (c >= 'a' && c <= 'z') c = uint8_t(c - 'a' + 'A');
        if (c != uint8_t(T::kTagMagic[i])) return false;
    }
    // A file that ends in an APEv2 footer has no ID3v1 tag, whatever the bytes 128 from its
    // end say: saving or wiping there would cut into the APEv2 tag.
    return std::memcmp(block + kTagSize - kApeBlockSize, kApeMagic, sizeof kApeMagic - 1) != 0;
}

// out has room for width + 1 characters.
void readField(const uint8_t* block, TagField f, char* out) {
    int n = 0;
    while (n < f.width && block[f.offset + n] != 0) {
        out[n] = char(block[f.offset + n]);
        ++n;
    }
    std::memset(out + n, 0, size_t(f.width + 1 - n));
    // Only a field that fills its whole width loses trailing spaces: the scan starts at the
    // last byte and stops at the first one that is not a space, terminator included.
    for (int i = f.width - 1; i >= 0 && out[i] == ' '; --i) out[i] = 0;
}

void writeField(uint8_t* block, TagField f, const char* text, int textCapacity) {
    uint8_t* dst = block + f.offset;
    std::memset(dst, 0, size_t(f.width));
    for (int i = 0; i < f.width && i < textCapacity && text[i] != 0; ++i) dst[i] = uint8_t(text[i]);
    for (int i = f.width - 1; i >= 0 && dst[i] == 0; --i) dst[i] = ' ';
}

int genreByteFor(const Id3v1Tag& tag) {
    if (tag.genreIndex >= 0 && tag.genreIndex < kUnknownGenre) return tag.genreIndex;
    if (tag.genreByte >= kUnknownGenre && tag.genreByte <= 255) return tag.genreByte;
    return 0;
}

// Seeks to the start of where a trailer would be; 1 on success.
bool seekToTrailer(File& file) { return file.seek(-kTagSize, File::End) >= 0; }

} // namespace

bool isTagBlock(const uint8_t* block) { return startsWithTag(block); }

void buildTagBlock(const Id3v1Tag& tag, uint8_t* block) {
    std::memcpy(block, T::kTagMagic, 3);
    writeField(block, kTitleField, tag.title, int(sizeof tag.title));
    writeField(block, kArtistField, tag.artist, int(sizeof tag.artist));
    writeField(block, kAlbumField, tag.album, int(sizeof tag.album));
    writeField(block, kYearField, tag.year, int(sizeof tag.year));
    if (tagKeepsTrack(tag)) {
        writeField(block, kTrackCommentField, tag.comment, int(sizeof tag.comment));
        block[kTrackMarkOffset] = 0;
        block[kTrackOffset] = uint8_t(tag.track);
    } else {
        writeField(block, kCommentField, tag.comment, int(sizeof tag.comment));
    }
    block[kGenreOffset] = uint8_t(genreByteFor(tag));
}

bool tagKeepsTrack(const Id3v1Tag& tag) {
    size_t commentChars = 0;
    while (commentChars < sizeof tag.comment && tag.comment[commentChars] != 0) ++commentChars;
    return tag.track > 0 && tag.track <= 255 && commentChars <= size_t(kTrackCommentChars);
}

int readTag(File& file, Id3v1Tag& tag) {
    tag.present = 0;
    uint8_t block[kTagSize];
    if (!seekToTrailer(file)) return 0;
    if (file.read(block, kTagSize) != kTagSize) return 0;
    if (!startsWithTag(block)) return 0;

    readField(block, kTitleField, tag.title);
    readField(block, kArtistField, tag.artist);
    readField(block, kAlbumField, tag.album);
    readField(block, kYearField, tag.year);
    const bool hasTrack = block[kTrackMarkOffset] == 0 && block[kTrackOffset] != 0;
    std::memset(tag.comment, 0, sizeof tag.comment);
    readField(block, hasTrack ? kTrackCommentField : kCommentField, tag.comment);
    tag.track = hasTrack ? block[kTrackOffset] : 0;

    int stored = block[kGenreOffset];
    tag.genreByte = stored;
    tag.genreIndex = stored >= kUnknownGenre ? kUnknownGenre : stored;
    std::strncpy(tag.genreName, kId3v1GenreNames[tag.genreIndex], sizeof tag.genreName - 1);
    tag.genreName[sizeof tag.genreName - 1] = 0;

    tag.present = 1;
    return 1;
}

int writeTag(File& file, const Id3v1Tag& tag, Prompt* tell) {
    uint8_t block[kTagSize];
    buildTagBlock(tag, block);

    // An existing trailer is overwritten where it lies, in one write, so the file is never
    // without its tag; only a file without one grows.
    uint8_t old[kTagSize];
    bool replacing = false;
    if (!seekToTrailer(file)) {
        complain(tell, T::kErrorSettingPointer);   // shorter than a trailer: there is none
    } else {
        if (file.read(old, kTagSize) != kTagSize) return 0;
        replacing = startsWithTag(old);
    }
    const int64_t at = replacing ? file.seek(-kTagSize, File::End) : file.seek(0, File::End);
    if (at < 0) {
        complain(tell, T::kErrorSettingPointer);
        return 0;
    }
    if (file.write(block, kTagSize) == kTagSize) return 1;
    // Undo what part of the block went in: the old trailer back, or the file cut to its old end.
    if (file.seek(at, File::Begin) == at) {
        if (replacing)
            file.write(old, kTagSize);
        else
            file.truncateHere();
    }
    return 0;
}

int wipeTag(File& file, Prompt* tell) {
    if (!seekToTrailer(file)) {
        complain(tell, T::kErrorSettingPointer);   // shorter than a trailer: nothing to cut
        return 1;
    }
    uint8_t old[kTagSize];
    const int got = file.read(old, kTagSize);
    if (got == kTagSize && !startsWithTag(old)) return 1;
    if (got != kTagSize || !seekToTrailer(file)) {
        complain(tell, got != kTagSize ? T::kErrorWipingTag : T::kErrorSettingPointer);
        return 0;
    }
    if (!file.truncateHere()) {
        complain(tell, T::kErrorWipingTag);
        return 0;
    }
    return 1;
}

} // namespace korvo
