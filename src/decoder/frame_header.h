#pragma once
#include <cstdint>

namespace korvo {

// One entry of a Layer II bit-allocation table (see layer2_tables.cpp).
struct AllocEntry {
    int16_t bits;
    int16_t kind;
};

struct FrameHeader {
    const AllocEntry* allocTable = nullptr;
    int32_t channels = 2;
    int32_t jointBound = 32;
    int32_t channelSelect = -1;      // -1 both, 0 or 1 that channel, 3 treated as 0
    int32_t subbandLimit = 32;
    int32_t lsf = 0;
    int32_t mpeg25 = 0;
    int32_t headerChanged = 1;
    int32_t pcmBytesPerBlock = 128;
    int32_t layer = 0;
    int32_t crcPresent = 0;
    int32_t bitrateIndex = 0;
    int32_t samplingIndex = 0;
    int32_t paddingBit = 0;
    int32_t privateBit = 0;
    int32_t mode = 0;
    int32_t modeExtension = 0;
    int32_t copyright = 0;
    int32_t original = 0;
    int32_t emphasis = 0;
};

} // namespace korvo
