#include "decoder.h"

#include <cstring>

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
    synthesis_.setGain(options.gainFactor);
    if (eightBit) Synthesis::buildEightBitTable();
    reader_.setInput(input);
    reader_.resetFrameReader();
    vbr_ = VbrHeader();
    firstFrameRead_ = false;
    gapless_ = options.gapless != 0;
    skipSamples_ = holdSamples_ = 0;
    keptSamples_ = 0;
}

int Decoder::readFrame() {
    if (!reader_.input() || !reader_.readFrame(header_)) return 0;
    if (firstFrameRead_) return 1;
    firstFrameRead_ = true;
    if (!parseVbrHeader(reader_.currentHeader(), reader_.body(), reader_.bodySize(), vbr_) || !gapless_) return 1;
    if (vbr_.encoderDelay >= 0) {
        skipSamples_ = vbr_.encoderDelay + kDecoderDelaySamples;
        holdSamples_ = vbr_.encoderPadding > kDecoderDelaySamples ? vbr_.encoderPadding - kDecoderDelaySamples : 0;
    }
    return reader_.readFrame(header_);
}

int Decoder::decodeFrame() {
    if (!pcm_.hasRoomForFrame()) return 0;
    const int before = pcm_.fill;
    if (header_.crcPresent) reader_.readBits(16);
    int result;
    switch (header_.layer) {
    case 1: result = decodeLayer1(*this); break;
    case 2: result = decodeLayer2(*this); break;
    case 3: result = layer3_->decodeLayer3Frame(*this); break;
    default: return 0;
    }
    const int bytesPerSample = header_.pcmBytesPerBlock / 32;
    int produced = pcm_.fill - before;
    if (skipSamples_ > 0 && produced > 0 && bytesPerSample > 0) {
        int drop = skipSamples_ * bytesPerSample;
        if (drop > produced) drop = produced;
        std::memmove(pcm_.data + before, pcm_.data + before + drop, size_t(produced - drop));
        pcm_.fill -= drop;
        produced -= drop;
        skipSamples_ -= drop / bytesPerSample;
    }
    if (bytesPerSample > 0) keptSamples_ += produced / bytesPerSample;
    return result;
}

int Decoder::writableBytes() const {
    int64_t held = holdSamples_ < keptSamples_ ? holdSamples_ : keptSamples_;
    held *= header_.pcmBytesPerBlock / 32;
    return held >= pcm_.fill ? 0 : pcm_.fill - int(held);
}

void Decoder::endFile() {
    pcm_.fill = writableBytes();
    holdSamples_ = 0;
    keptSamples_ = 0;
}

} // namespace korvo
