#include "id3v2_extent.h"

namespace korvo {

int parseId3v2Extent(const uint8_t* b, int n, Id3v2Extent& extent) {
    extent = Id3v2Extent{};
    if (n < kId3v2HeaderSize || b[0] != 'I' || b[1] != 'D' || b[2] != '3') return 0;
    if (b[3] == 0xFF || b[4] == 0xFF) return 0;
    // Seven bits a byte, so that the size never reads as a frame sync.
    if ((b[6] | b[7] | b[8] | b[9]) & 0x80) return 0;
    extent.major = b[3];
    extent.flags = b[5];
    extent.bodySize = uint32_t(b[6]) << 21 | uint32_t(b[7]) << 14 | uint32_t(b[8]) << 7 | b[9];
    extent.footer = (b[5] & 0x10) != 0;
    return 1;
}

} // namespace korvo
