#pragma once
// Shared by Layers I and II: which channels to synthesise, and writing one block of 32
// subband samples as PCM.
#include "frame_header.h"
#include "pcm_buffer.h"
#include "synthesis.h"

namespace korvo {

struct Rendering {
    bool stereo = false;   // both channels interleaved
    int select = 0;        // otherwise the one channel played (0 or 1)
};

inline Rendering renderingChoice(const FrameHeader& h, int channels) {
    int select = h.channelSelect;
    if (channels == 1 || select == 3) select = 0;
    return {select < 0, select & 1};
}

inline void renderSlot(Synthesis& syn, PcmBuffer& pcm, const FrameHeader& h, Rendering r,
                       const double* left, const double* right) {
    uint8_t* out = pcm.data + pcm.fill;
    if (r.stereo) {
        syn.synthStereoChannel(left, 0, out);
        syn.synthStereoChannel(right, 1, out);
    } else {
        syn.synthMono(r.select == 0 ? left : right, out);
    }
    pcm.fill += h.pcmBytesPerBlock;
}

// count consecutive slots (up to Synthesis::kMaxSlots) of each channel.
inline void renderSlots(Synthesis& syn, PcmBuffer& pcm, const FrameHeader& h, Rendering r,
                        const double (*left)[32], const double (*right)[32], int count) {
    uint8_t* out = pcm.data + pcm.fill;
    if (r.stereo) {
        syn.synthSlots(left, count, 0, false, out, h.pcmBytesPerBlock);
        syn.synthSlots(right, count, 1, false, out, h.pcmBytesPerBlock);
    } else {
        syn.synthSlots(r.select == 0 ? left : right, count, 0, true, out, h.pcmBytesPerBlock);
    }
    pcm.fill += count * h.pcmBytesPerBlock;
}

} // namespace korvo
