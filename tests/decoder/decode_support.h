#pragma once
// Decoding whole files for the accuracy tests, and the measures they compare with.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace korvo {
class Decoder;
}

namespace korvo::test {

struct DecodedFile {
    int sampleRate = 0;
    int layer = 0;
    int frames = 0;
    int channels = 0;              // the stream's own channel count (first frame)
    std::vector<int16_t> stereo;   // interleaved left/right, as the player outputs it
    std::vector<uint8_t> bytes;    // the raw PCM bytes (8-bit mode fills only these)

    size_t samplesPerChannel() const { return stereo.size() / 2; }
    std::vector<int16_t> channel(int c) const;
};

// Decodes every frame of the file through one decoder (fresh unless one is given, so that
// files can follow each other). False when the file cannot be read or holds no frame.
bool decodeFile(const std::string& path, DecodedFile& out, bool eightBit = false, Decoder* decoder = nullptr);

// Raw signed 16-bit little-endian samples.
std::vector<int16_t> readPcm16(const std::string& path);
// Every channel-th sample starting at offset.
std::vector<int16_t> deinterleave(const std::vector<int16_t>& pcm, int channels, int offset);

// 10 log10(32767^2 / mean squared difference) over the first n samples of both (n = the
// shorter length); 200 for identical signals.
double psnr(const std::vector<int16_t>& a, const std::vector<int16_t>& b);
int maxAbsDiff(const std::vector<int16_t>& a, const std::vector<int16_t>& b);

} // namespace korvo::test
