#include "layer3.h"

#include <cstring>

#include "decoder.h"

namespace korvo {

// Placeholder until the Layer III decoder lands: one frame of silence.
Layer3Decoder::Layer3Decoder() = default;
Layer3Decoder::~Layer3Decoder() = default;
void Layer3Decoder::initLayer3Tables() {}

int Layer3Decoder::decodeLayer3Frame(Decoder& d) {
    const FrameHeader& h = d.header();
    int slots = h.lsf ? 18 : 36;
    PcmBuffer& pcm = d.pcm();
    std::memset(pcm.data + pcm.fill, h.pcmBytesPerBlock == 64 ? 0x80 : 0, size_t(slots * h.pcmBytesPerBlock));
    pcm.fill += slots * h.pcmBytesPerBlock;
    return 1;
}

} // namespace korvo
