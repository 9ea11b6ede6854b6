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

// Reads the tag header from the n bytes at bytes. 1 when they begin with "ID3", two version
// bytes below 0xFF, a flags byte and a size in four bytes below 0x80; 0 otherwise (also when
// n is below the header's size), with the extent cleared.
int parseId3v2Extent(const uint8_t* bytes, int n, Id3v2Extent& extent);

} // namespace korvo
