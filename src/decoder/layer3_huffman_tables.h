#pragma once
// Layer III Huffman code trees (fixed data).
#include <cstdint>

namespace korvo {

struct HuffTable {
    int linbits;
    const int16_t* tree;
};

extern const HuffTable kHuffTables[32];
extern const int16_t kCount1TreeA[31];
extern const int16_t kCount1TreeB[31];

} // namespace korvo
