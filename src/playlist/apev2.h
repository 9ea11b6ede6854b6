#pragma once
// The APEv2 tag (versions 1 and 2) at the end of a file, before an ID3v1 tag when one is
// there: its names, its ReplayGain items and where its bytes lie.
#include <cstdint>

#include "id3v2.h"

namespace korvo {

class File;

inline constexpr int kApeBlockSize = 32;   // footer, and the header that may precede the items
inline constexpr char kApeMagic[] = "APETAGEX";   // first bytes of both

struct Apev2Tag {
    int32_t present = 0;
    int64_t start = 0;   // first byte of the tag (its header when it has one)
    int64_t end = 0;     // first byte after its footer
    char title[kId3v2NameCapacity] = {};
    char artist[kId3v2NameCapacity] = {};
    ReplayGainTexts gains;
};

// Finds and reads the tag; 1 when the file has one. The file position is left anywhere.
int readApev2Tag(File& file, Apev2Tag& tag);

} // namespace korvo
