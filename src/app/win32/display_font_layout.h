#pragma once
// Which characters the display font holds, in the order of its cells: shared by the artwork
// program that draws the font and the program that reads it.
#include <cstdint>

namespace korvo {

struct DisplayGlyphRange {
    uint32_t first, last;
};
// ASCII (its last cell, 0x7F, is the box for any character the font lacks), Latin-1 and
// Latin Extended-A, Greek, Cyrillic.
inline constexpr DisplayGlyphRange kDisplayGlyphRanges[] = {{0x20, 0x7F}, {0xA0, 0x17F}, {0x384, 0x3CE}, {0x400, 0x45F}};

constexpr int displayRangeGlyphs() {
    int n = 0;
    for (const DisplayGlyphRange& r : kDisplayGlyphRanges) n += int(r.last - r.first + 1);
    return n;
}
constexpr uint32_t kDisplayBoxCodePoint = 0x7F;
// After the ranges: the play, pause and stop signs, then the narrow figures 0-9 and '/'.
constexpr int kDisplayGlyphPlay = displayRangeGlyphs();
constexpr int kDisplayGlyphPause = kDisplayGlyphPlay + 1;
constexpr int kDisplayGlyphStop = kDisplayGlyphPlay + 2;
constexpr int kDisplayGlyphFigures = kDisplayGlyphPlay + 3;
constexpr int kDisplayNarrowFigures = 11;
constexpr int kDisplayGlyphCount = kDisplayGlyphFigures + kDisplayNarrowFigures;

// The cell of a character, or -1 when the font has none.
constexpr int displayGlyphIndex(uint32_t codePoint) {
    int base = 0;
    for (const DisplayGlyphRange& r : kDisplayGlyphRanges) {
        if (codePoint >= r.first && codePoint <= r.last) return base + int(codePoint - r.first);
        base += int(r.last - r.first + 1);
    }
    return -1;
}

} // namespace korvo
