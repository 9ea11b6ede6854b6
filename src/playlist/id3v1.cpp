#include "id3v1.h"

#include <cstring>

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
constexpr int kGenreOffset = 127;

void complain(const char* text) { prompt().show(text, T::kErrorTitle, IconNone); }

bool startsWithTag(const uint8_t* block) {
    for (int i = 0; i < 3; ++i) {
        uint8_t c = block[i];
        if (c >= 'a' && c <= 'z') c = uint8_t(c - 'a' + 'A');
        if (c != uint8_t(T::kTagMagic[i])) return false;
    }
    return true;
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
    readField(block, kCommentField, tag.comment);

    int stored = block[kGenreOffset];
    tag.genreByte = stored;
    tag.genreIndex = stored >= kUnknownGenre ? kUnknownGenre : stored;
    std::strncpy(tag.genreName, kId3v1GenreNames[tag.genreIndex], sizeof tag.genreName - 1);
    tag.genreName[sizeof tag.genreName - 1] = 0;

    tag.present = 1;
    return 1;
}

int writeTag(File& file, const Id3v1Tag& tag) {
    uint8_t block[kTagSize];
    std::memcpy(block, T::kTagMagic, 3);
    writeField(block, kTitleField, tag.title, int(sizeof tag.title));
    writeField(block, kArtistField, tag.artist, int(sizeof tag.artist));
    writeField(block, kAlbumField, tag.album, int(sizeof tag.album));
    writeField(block, kYearField, tag.year, int(sizeof tag.year));
    writeField(block, kCommentField, tag.comment, int(sizeof tag.comment));
    block[kGenreOffset] = uint8_t(genreByteFor(tag));

    if (!seekToTrailer(file)) {
        complain(T::kErrorSettingPointer);
    } else {
        uint8_t old[kTagSize];
        if (file.read(old, kTagSize) == kTagSize && startsWithTag(old)) {
            if (!seekToTrailer(file))
                complain(T::kErrorSettingPointer);
            else if (!file.truncateHere())
                complain(T::kErrorWipingTag);
        }
    }
    if (file.seek(0, File::End) < 0) {
        complain(T::kErrorSettingPointer);
        return 0;
    }
    return file.write(block, kTagSize) == kTagSize ? 1 : 0;
}

void wipeTag(File& file) {
    if (!seekToTrailer(file)) {
        complain(T::kErrorSettingPointer);
        return;
    }
    uint8_t old[kTagSize];
    if (file.read(old, kTagSize) != kTagSize || !startsWithTag(old)) return;
    if (!seekToTrailer(file)) {
        complain(T::kErrorSettingPointer);
        return;
    }
    if (!file.truncateHere()) complain(T::kErrorWipingTag);
}

} // namespace korvo
