#include "layer1.h"

#include <cstring>

#include "decoder.h"
#include "layer2.h"
#include "slot_render.h"

namespace korvo {

int decodeLayer1(Decoder& d) {
    const Layer12Tables& t = layer12Tables();
    const FrameHeader& h = d.header();
    FrameReader& br = d.reader();
    Synthesis& syn = d.synthesis();
    PcmBuffer& pcm = d.pcm();

    const int channels = h.channels == 1 ? 1 : 2;
    int bound = channels == 1 ? 32 : h.jointBound;
    if (bound < 0) bound = 0;
    if (bound > 32) bound = 32;
    const Rendering rendering = renderingChoice(h, channels);

    uint8_t alloc[2][32] = {};
    for (int sb = 0; sb < 32; ++sb) {
        if (sb < bound) {
            for (int ch = 0; ch < channels; ++ch) alloc[ch][sb] = uint8_t(br.readBits(4));
        } else {
            alloc[0][sb] = alloc[1][sb] = uint8_t(br.readBits(4));
        }
    }
    uint8_t scale[2][32] = {};
    for (int sb = 0; sb < 32; ++sb)
        for (int ch = 0; ch < channels; ++ch)
            if (alloc[ch][sb]) scale[ch][sb] = uint8_t(br.readBits(6));

    // The frame's 12 slots per channel first, then synthesis in one run.
    // Every slot and subband of the stream's channels is written; a lone channel's twin is
    // never played but is cleared all the same.
    alignas(32) double frame[2][12][32];
    if (channels == 1) std::memset(frame[1], 0, sizeof frame[1]);
    for (int slot = 0; slot < 12; ++slot) {
        for (int sb = 0; sb < bound; ++sb)
            for (int ch = 0; ch < channels; ++ch) {
                const int n = alloc[ch][sb];
                if (n == 0) {
                    frame[ch][slot][sb] = 0.0;
                    continue;
                }
                const int code = int(br.readBits(n + 1));
                frame[ch][slot][sb] = double(code - (1 << n) + 1) * t.mulTable[n + 1][scale[ch][sb]];
            }
        for (int sb = bound; sb < 32; ++sb) {
            const int n = alloc[0][sb];
            if (n == 0) {
                frame[0][slot][sb] = frame[1][slot][sb] = 0.0;
                continue;
            }
            const double v = double(int(br.readBits(n + 1)) - (1 << n) + 1);
            frame[0][slot][sb] = v * t.mulTable[n + 1][scale[0][sb]];
            frame[1][slot][sb] = v * t.mulTable[n + 1][scale[1][sb]];
        }
    }
    renderSlots(syn, pcm, h, rendering, frame[0], frame[1], 12);
    return 1;
}

} // namespace korvo
