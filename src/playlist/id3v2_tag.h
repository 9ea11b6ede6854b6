#pragma once
// A whole ID3v2 tag in memory: its frames as they will be written back, the fields a user
// edits read out of them, and the changed fields put into them. Frames nobody edits
// (pictures, ReplayGain, anything else) keep their bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tag_text.h"

namespace korvo {

struct Id3v2Frame {
    char id[5] = {};
    uint16_t flags = 0;            // status byte, then format byte (2.3, 2.4)
    std::vector<uint8_t> bytes;    // header and content, ready to be written
    int headerSize = 10;           // 6 in 2.2
};

struct Id3v2Tag {
    int major = 0;                 // 2, 3 or 4
    uint8_t revision = 0;
    uint8_t flags = 0;             // header flags to write: no unsynchronisation, extended header or footer
    std::vector<Id3v2Frame> frames;
};

// Parses a whole tag (header included) of n bytes. Unsynchronisation is undone and the
// extended header (with its CRC) dropped, so the frames can be written back without them.
// 0 when the bytes are not a tag of version 2.2 to 2.4, or its frames overrun it or are
// followed by anything but zero padding.
int parseId3v2Tag(const uint8_t* bytes, size_t n, Id3v2Tag& tag);

// The seven fields as the tag holds them; 1 when it held at least one of them.
int readId3v2Text(const Id3v2Tag& tag, TagText& text);

// Puts text into a 2.3 or 2.4 tag: a frame whose value already matches is kept as it is;
// others are replaced where the first of their kind stood, or added at the end; an empty
// field removes its frames.
void applyTagText(Id3v2Tag& tag, const TagText& text);

// Header, frames and padding zeros: totalSize bytes, or as many as the frames need plus
// padding when totalSize is smaller than that.
std::vector<uint8_t> buildId3v2Tag(const Id3v2Tag& tag, size_t totalSize, size_t padding);
// The bytes the frames take.
size_t id3v2FramesSize(const Id3v2Tag& tag);

// A genre as TCON text gives it: "(17)", "(17)Rock", "17" or a name from the list; -1 when
// it names none of the list.
int genreOfTcon(const std::string& value);

} // namespace korvo
