#pragma once
// The decoding object: frame reader, layer decoders and their state, driven frame by frame.
#include <memory>

#include "frame_header.h"
#include "frame_reader.h"
#include "pcm_buffer.h"
#include "synthesis.h"

namespace korvo {

class Layer3Decoder;

// Options the player sets from its settings; read per frame.
struct DecoderOptions {
    int mappingMode = 2;        // Layer III mapping scheme 1..4
    int eqEnabled = 0;
    const float* eqLineGains = nullptr;   // 576 gains, shared with the equalizer dialog
};

class Decoder {
public:
    Decoder();
    ~Decoder();
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    // Once per file, before the first frame: channelSelect -1, block size for the output mode,
    // frame reader reset. The synthesis state carries over.
    void startFile(ByteInput* input, bool eightBit);
    // readFrame of the frame reader into header(); 1 when a frame is ready.
    int readFrame();
    // Skips the CRC word and decodes the frame, appending its PCM. 0 when the PCM buffer
    // has no room for a frame (drain it first).
    int decodeFrame();

    FrameHeader& header() { return header_; }
    FrameReader& reader() { return reader_; }
    Synthesis& synthesis() { return synthesis_; }
    PcmBuffer& pcm() { return pcm_; }
    DecoderOptions options;

private:
    FrameHeader header_;
    FrameReader reader_;
    Synthesis synthesis_;
    PcmBuffer pcm_;
    std::unique_ptr<Layer3Decoder> layer3_;
};

} // namespace korvo
