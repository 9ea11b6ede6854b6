#pragma once
// The decoding object: frame reader, layer decoders and their state, driven frame by frame.
#include <memory>

#include "frame_header.h"
#include "frame_reader.h"
#include "pcm_buffer.h"
#include "synthesis.h"
#include "vbr_header.h"

namespace korvo {

class Layer3Decoder;

// Options the player sets from its settings; read per frame.
struct DecoderOptions {
    int mappingMode = 2;        // Layer III mapping scheme 1..4
    int eqEnabled = 0;
    const float* eqLineGains = nullptr;   // 576 gains, shared with the equalizer dialog
    // Taken at startFile: skip a header frame and trim the encoder's delay and padding.
    int gapless = 1;
    // Taken at startFile: the factor on every sample (ReplayGain); 1 changes nothing.
    double gainFactor = 1.0;
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
    // readFrame of the frame reader into header(); 1 when a frame is ready. With gapless
    // on, a first frame that only holds a header is read but not handed out.
    int readFrame();
    // Skips the CRC word and decodes the frame, appending its PCM. 0 when the PCM buffer
    // has no room for a frame (drain it first).
    int decodeFrame();

    // The first frame's header, once the first frame was read (present 0 without one).
    const VbrHeader& vbrHeader() const { return vbr_; }
    // Bytes at the front of the PCM buffer that may be output now. The rest is the end of
    // the file held back until the file is known to end there (its padding).
    int writableBytes() const;
    // The file ended: drops the padding held back, so the next file follows sample-exact.
    void endFile();
    // The position moved: the start's delay is no longer ahead.
    void seeked() { skipSamples_ = 0; }

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
    VbrHeader vbr_;
    bool firstFrameRead_ = false;
    bool gapless_ = false;
    int skipSamples_ = 0;        // still to drop at the start
    int holdSamples_ = 0;        // to drop at the end
    int64_t keptSamples_ = 0;    // output of this file so far
};

} // namespace korvo
