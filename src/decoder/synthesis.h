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
    // The unsigned 8-bit sample for a 16-bit one: (s / 256) + 128, through the table.
    static uint8_t eightBitSample(int sample);
    // A filter sum as a 16-bit sample: nearest integer (ties to even), saturated.
    static int toSample(double sum);

private:
    static constexpr int kRows = 18;   // 17 stored values per slot and half, one of padding
    void render(const double* subbands, int channel, int32_t* samples);

    bool eightBit_ = false;
    int position_ = 1;
    // Per channel, two halves of 16 ring columns: the half of the ring position's parity
    // holds the values that the next windowing reads (see synthesis_window.cpp).
    alignas(32) double state_[2][2][16][kRows] = {};
};

} // namespace korvo
