#include "decoder.h"

#include "layer1.h"
#include "layer2.h"
#include "layer3.h"

namespace korvo {

Decoder::Decoder() : layer3_(std::make_unique<Layer3Decoder>()) {
    buildLayer12Tables();
    Layer3Decoder::initLayer3Tables();
}

Decoder::~Decoder() = default;

void Decoder::startFile(ByteInput* input, bool eightBit) {
    header_.channelSelect = -1;
    header_.pcmBytesPerBlock = eightBit ? 64 : 128;
    synthesis_.setEightBit(eightBit);
    if (eightBit) Synthesis::buildEightBitTable();
    reader_.setInput(input);
    reader_.resetFrameReader();
}

int Decoder::readFrame() { return reader_.input() ? reader_.readFrame(header_) : 0; }

int Decoder::decodeFrame() {
    if (!pcm_.hasRoomForFrame()) return 0;
    if (header_.crcPresent) reader_.readBits(16);
    switch (header_.layer) {
    case 1: return decodeLayer1(*this);
    case 2: return decodeLayer2(*this);
    case 3: return layer3_->decodeLayer3Frame(*this);
    default: return 0;
    }
}

} // namespace korvo
