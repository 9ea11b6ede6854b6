#pragma once
// The first frame of a file, past an ID3v2 tag at its start: where the list reads the play
// time and the gain reader lame's header.
#include <cstdint>

#include "decoder/frame_reader.h"

namespace korvo {

class File;

struct FirstFrame {
    int64_t tagBytes = 0;    // bytes of the ID3v2 tag in front, 0 without one
    uint32_t header = 0;
    uint8_t body[FrameReader::kBodyCapacity];   // the bytes after the header word, as many as there are
    int bodySize = 0;
};

// 1 when a frame header was found within the search window after the tag; 0 otherwise, and
// -1 when the file's first four bytes cannot be read. Reads from the file's start.
int readFirstFrame(File& file, FirstFrame& frame);

} // namespace korvo
