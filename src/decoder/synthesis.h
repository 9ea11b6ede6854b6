#pragma once
// Polyphase synthesis filterbank: 32 subband samples per channel and slot into PCM.
#include <cstdint>

#include "synthesis_tables.h"

namespace korvo {

class Synthesis {
public:
    Synthesis();

    // Renders one channel of one time slot into the left (0) or right (1) places of
    // 32 stereo pairs at out. Channel 0 comes first and advances the ring.
    void synthStereoChannel(const double* subbands, int channel, uint8_t* out);
    // Advances the ring, renders channel 0 and writes every sample to both places.
    void synthMono(const double* subbands, uint8_t* out);
    // Renders count (up to kMaxSlots) consecutive slots of one channel, slot i into the block
    // at out + i * blockBytes; the same as count single calls. Channel 0 (or mono, which writes
    // both places) advances the ring; channel 1 then renders the same slots' other places.
    static constexpr int kMaxSlots = 18;
    void synthSlots(const double (*slots)[32], int count, int channel, bool mono, uint8_t* out, int blockBytes);

    void setEightBit(bool on) { eightBit_ = on; }
    bool eightBit() const { return eightBit_; }
    // A factor on every sample before rounding (ReplayGain); 1 leaves the output as it was.
    void setGain(double factor) { gain_ = factor; }
    double gain() const { return gain_; }
    // The process-wide 16-to-8-bit table; built on the first play in 8-bit mode.
    static void buildEightBitTable();
    // The unsigned 8-bit sample for a 16-bit one: (s / 256) + 128, through the table.
    static uint8_t eightBitSample(int sample);
    // A filter sum as a 16-bit sample: nearest integer (ties to even), saturated.
    static int toSample(double sum);

private:
    static constexpr int kRows = SynthesisWindow::kStride;   // 17 stored values per slot and half, then padding
    void store(const double* transformed, int channel, int p);
    void emit(const double* sums, int channel, bool mono, uint8_t* out);

    bool eightBit_ = false;
    double gain_ = 1.0;
    int position_ = 1;
    int batchStart_ = 2;   // one past the ring position of channel 0's last slots
    // Per channel, two halves of 16 ring columns: the half of the ring position's parity
    // holds the values that the next windowing reads (see synthesis_window.cpp).
    alignas(32) double state_[2][2][16][kRows] = {};
};

} // namespace korvo
