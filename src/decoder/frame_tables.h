#pragma once
#include <cstdint>
#include "frame_header.h"

namespace korvo {

// kbit/s by [lsf][layer - 1][bitrate index]
extern const int16_t kBitrateKbps[2][3][16];
// Hz by sampling index (MPEG-1, LSF, MPEG-2.5)
extern const int32_t kSampleRates[9];
// Layer II allocation table number by [header sampling index][mono][bitrate index]
extern const uint8_t kLayer2TableSelect[3][2][16];

inline int frameBitrateKbps(const FrameHeader& h) {
    if (h.layer < 1 || h.layer > 3) return 0;
    return kBitrateKbps[h.lsf ? 1 : 0][h.layer - 1][h.bitrateIndex & 15];
}
inline int frameSampleRate(const FrameHeader& h) {
    return (h.samplingIndex >= 0 && h.samplingIndex < 9) ? kSampleRates[h.samplingIndex] : 0;
}

} // namespace korvo
