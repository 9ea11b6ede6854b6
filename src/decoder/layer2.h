#pragma once
// Layer II decoding and the requantisation tables that Layer I shares.
#include <cstdint>

namespace korvo {

class Decoder;

struct Layer12Tables {
    // Row r, entry j: multiplier r times the scale factor 2^((3 - j) / 3); entry 63 is 0.
    double mulTable[27][64];
    // Grouped code word -> three rows of mulTable (first, second, third sample). Sized to
    // every value the code word's width can hold; words of n^3 or more give rows of 0.
    uint8_t degroup3[32][3];
    uint8_t degroup5[128][3];
    uint8_t degroup9[1024][3];
};

// Builds the tables once for the process; later calls do nothing.
void buildLayer12Tables();
const Layer12Tables& layer12Tables();

// Decodes the Layer II frame the decoder's reader holds; appends 36 slots of PCM. Returns 1.
int decodeLayer2(Decoder& decoder);

} // namespace korvo
