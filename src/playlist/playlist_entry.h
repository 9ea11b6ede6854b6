#pragma once
#include <cstdint>

#include "id3v1.h"
#include "path_rules.h"

namespace korvo {

// One item of the playlist. Everything after the two links is the payload, which moves
// between entries when the list is reordered.
struct PlaylistEntry {
    PlaylistEntry* prev = nullptr;
    PlaylistEntry* next = nullptr;
    char path[kPathCapacity] = {};   // file path or URL as added
    int32_t playTimeMs = 0;          // whole seconds * 1000; negative when the bitrate is unknown
    Id3v1Tag tag;
    int32_t infoRead = 0;            // 1 once playTimeMs and tag were read
};

} // namespace korvo
