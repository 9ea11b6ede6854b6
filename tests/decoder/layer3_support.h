#pragma once
// Layer III test helpers: decoding into a reference's layout, and aligning against ffmpeg.
#include <cstdint>
#include <string>
#include <vector>

namespace korvo {
class Decoder;
}

namespace korvo::test {

// Decodes every frame, writing each frame's samples with that frame's own channel count
// (left only for one-channel frames), as the conformance references are laid out.
// Returns the number of frames.
int decodeInStreamLayout(const std::string& path, std::vector<int16_t>& out, int mappingMode = 2);

// Offset (0..maxOffset) of b inside a that matches best over a window in the middle.
int bestOffset(const std::vector<int16_t>& a, const std::vector<int16_t>& b, int maxOffset);

// Builds a stream bit by bit, most significant bit first.
class BitWriter {
public:
    void put(uint32_t v, int n);
    std::vector<uint8_t> bytes;

private:
    int bit_ = 0;
};

} // namespace korvo::test
