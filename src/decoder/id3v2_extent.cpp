#include "id3v2_extent.h"

namespace korvo {

int parseId3v2Extent(const uint8_t* b, int n, Id3v2Extent& extent) {
    extent = Id3v2Extent{};
    if (n < kId3v2HeaderSize || b[0] != 'I' || b[1] != 'D' || b[2] != '3') return 0;
    if (b[3] == 0xFF || b[4] == 0xFF) return 0;
    if (!isSyncsafe(b + 6)) return 0;
    extent.major = b[3];
    extent.flags = b[5];
    extent.bodySize = syncsafe(b + 6);
    extent.footer = (b[5] & 0x10) != 0;
    return 1;
}

} // namespace korvo
