#pragma once
// Where an ID3v2 tag in front of the audio ends: its header, the body whose size the header
// gives, and the footer the header may announce. One reading for everything that steps over
// or into a tag, so the player, the list and the tag reader agree on where the audio starts.
#include <cstdint>

namespace korvo {

inline constexpr int kId3v2HeaderSize = 10;
inline constexpr int kId3v2FooterSize = 10;

struct Id3v2Extent {
    int major = 0;           // version byte: 2, 3 or 4 for the versions in use
    uint8_t flags = 0;
    uint32_t bodySize = 0;   // after the header: extended header, frames, padding; not the footer
    bool footer = false;

    // Bytes from the tag's first byte to the first byte after it.
    int64_t totalSize() const {
        return kId3v2HeaderSize + int64_t(bodySize) + (footer ? kId3v2FooterSize : 0);
    }
};

// Sizes in a tag: "synchsafe" ones carry seven bits a byte (so they never read as a frame
// sync), the frame sizes of version 2.3 eight, big-endian.
inline uint32_t syncsafe(const uint8_t* b) {
    return uint32_t(b[0] & 0x7F) << 21 | uint32_t(b[1] & 0x7F) << 14 | uint32_t(b[2] & 0x7F) << 7 | (b[3] & 0x7F);
}
inline bool isSyncsafe(const uint8_t* b) { return ((b[0] | b[1] | b[2] | b[3]) & 0x80) == 0; }
inline void putSyncsafe(uint8_t* b, uint32_t v) {
    for (int i = 3; i >= 0; --i, v >>= 7) b[i] = uint8_t(v & 0x7F);
}
inline uint32_t bigEndian32(const uint8_t* b) {
    return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
}
inline uint32_t bigEndian24(const uint8_t* b) { return uint32_t(b[0]) << 16 | uint32_t(b[1]) << 8 | b[2]; }

// Reads the tag header from the n bytes at bytes. 1 when they begin with "ID3", two version
// bytes below 0xFF, a flags byte and a size in four bytes below 0x80; 0 otherwise (also when
// n is below the header's size), with the extent cleared.
int parseId3v2Extent(const uint8_t* bytes, int n, Id3v2Extent& extent);

} // namespace korvo
