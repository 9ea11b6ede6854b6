#pragma once
// The ID3v1 trailer: the last 128 bytes of an audio file when they begin with "TAG".
#include <cstdint>

#include "genre_table.h"
#include "platform/prompt.h"

namespace korvo {

class File;

inline constexpr int kTagSize = 128;

struct Id3v1Tag {
    int32_t present = 0;         // 1 when the file had a tag; the rest is meaningful only then
    char title[31] = {};
    char artist[31] = {};
    char album[31] = {};
    char year[5] = {};
    char comment[31] = {};
    char genreName[kGenreNameCapacity] = {};
    int32_t genreIndex = 0;      // 0 ... 147, or kUnknownGenre
    // The genre byte as the file held it. Bytes 148..255 all read as "Unknown"; writing
    // an unchanged "Unknown" puts this byte back instead of turning it into 0.
    int32_t genreByte = 0;
    // The ID3v1.1 track number (a zero byte after a comment of at most 28 characters, then the
    // number), 0 for none. Kept through a save while the comment leaves room for it.
    int32_t track = 0;
};

// The longest comment that leaves room for a track number.
inline constexpr int kTrackCommentChars = 28;
// Whether writing tag keeps its track number.
bool tagKeepsTrack(const Id3v1Tag& tag);

// The 128-byte trailer writeTag puts into a file for tag.
void buildTagBlock(const Id3v1Tag& tag, uint8_t* block);
// Whether 128 bytes begin with "TAG" (any case).
bool isTagBlock(const uint8_t* block);

// Fills tag from the file's trailer; 0 and present = 0 when there is none (other fields untouched).
int readTag(File& file, Id3v1Tag& tag);
// Overwrites an existing trailer in place, or appends one to a file without; 1 when all 128
// bytes were written. On failure the file keeps its old bytes. A file too short for a trailer,
// or one whose end could not be found, is told to tell (when given).
int writeTag(File& file, const Id3v1Tag& tag, Prompt* tell = nullptr);
// Cuts an existing trailer off the file; 1 when the file ends without one (also when it had
// none), 0 when the trailer could not be cut (told to tell, and the file is as it was).
int wipeTag(File& file, Prompt* tell = nullptr);

} // namespace korvo
