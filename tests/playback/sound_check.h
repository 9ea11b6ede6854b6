#pragma once
// Compares what a sound device played (recorded from its monitor) with the decoding.
#include <cstdint>
#include <vector>

namespace korvo::test {

struct SoundMatch {
    double correlation = 0;          // mean over aligned 100 ms pieces, both channels
    double lengthDifferenceMs = 0;   // recorded sound minus reference, first to last non-zero frame
    double recordedMs = 0;
    long longestSilence = 0;         // quiet frames in a row, inside the recorded sound
    long referenceLongestSilence = 0;
    long silenceAtJoin = 0;          // quiet frames in a row within 50 ms of joinFrame
    long referenceSilenceAtJoin = 0;
};

// rec: interleaved 16-bit stereo samples; ref: the decoder's 16-bit stereo PCM bytes.
// joinFrame: the reference frame where one file meets the next, or -1.
SoundMatch matchSound(const std::vector<int16_t>& rec, const std::vector<uint8_t>& ref, int rate,
                      long joinFrame = -1);
// rec without its runs of silent frames longer than 10 ms at 44.1 kHz.
std::vector<int16_t> withoutSilence(const std::vector<int16_t>& rec);

} // namespace korvo::test
