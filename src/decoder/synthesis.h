#pragma once
// Polyphase synthesis filterbank: 32 subband samples per channel and slot into PCM.
#include <cstdint>

namespace korvo {

class Synthesis {
public:
    Synthesis();

    // Renders one channel of one time slot into the left (0) or right (1) places of
    // 32 stereo pairs at out. Channel 0 comes first and advances the ring.
    void synthStereoChannel(const double* subbands, int channel, uint8_t* out);
    // Advances the ring, renders channel 0 and writes every sample to both places.
    void synthMono(const double* subbands, uint8_t* out);

    void setEightBit(bool on) { eightBit_ = on; }
    bool eightBit() const { return eightBit_; }
    // The process-wide 16-to-8-bit table; built on the first play in 8-bit mode.
    static void buildEightBitTable();

private:
    bool eightBit_ = false;
    int position_ = 1;
    alignas(16) double state_[2][2][17 * 16] = {};
};

} // namespace korvo
