#pragma once
// The header an encoder writes into the first frame of a Layer III file in place of audio:
// Xing/Info (frame and byte counts, a 100-entry seek table, lame's delay and padding) or
// VBRI. It tells the true length and where each share of the file lies.
#include <cstdint>

namespace korvo {

struct VbrHeader {
    int present = 0;
    int64_t frames = 0;          // audio frames after the header frame; 0 when not given
    int64_t bytes = 0;           // bytes from the header frame on; 0 when not given
    int hasSeekTable = 0;
    // Byte offset from the header frame of each percent of the play time, 0..100.
    int64_t seekOffsets[101] = {};
    int encoderDelay = -1;       // samples, from the lame extension; -1 without one
    int encoderPadding = -1;
    // lame's replay gain: the peak (1.0 = full scale; 0 when not measured) and the "radio"
    // (track) and "audiophile" (album) gains in tenths of a dB, each with its set flag.
    double lamePeak = 0;
    int lameTrackGainSet = 0;
    int lameTrackGainTenths = 0;
    int lameAlbumGainSet = 0;
    int lameAlbumGainTenths = 0;
    int sampleRate = 0;
    int samplesPerFrame = 0;

    // Play time of the audio frames in milliseconds; -1 when the count is unknown.
    int64_t playMs() const {
        if (!present || frames <= 0 || sampleRate <= 0) return -1;
        return frames * samplesPerFrame * 1000 / sampleRate;
    }
    // Offset from the header frame of the share p (0..100) of the play time, interpolated
    // between the table's points; -1 without a table.
    int64_t offsetAt(double percent) const;
};

// The decoder's fixed delay, which lame's delay figure leaves out.
constexpr int kDecoderDelaySamples = 529;

// Reads a header from the first frame: header word and the body after it (CRC included).
// 1 when the frame holds one; out is cleared otherwise.
int parseVbrHeader(uint32_t headerWord, const uint8_t* body, int bodySize, VbrHeader& out);

} // namespace korvo
