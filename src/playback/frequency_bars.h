#pragma once
// The display's pictures of the sound: frequency bars over a logarithmic frequency axis with
// falling peaks, and the waveform of the last few milliseconds.
#include "playback/fft.h"

namespace korvo {

constexpr int kBarCount = 19;
extern const float kBarEdgesHz[kBarCount + 1];   // Hz, 50 to 16000
// The bars show this many dB below a full-scale sine.
constexpr float kBarRangeDb = 60.f;
// A bar falls in this many ms from full height; a peak waits, then falls more slowly.
constexpr int kBarFallMs = 300;
constexpr int kPeakHoldMs = 250;
constexpr int kPeakFallMs = 1000;
// The scope shows this much of the sound.
constexpr int kScopeMs = 15;

// The bar that holds a frequency, or -1 outside them.
int barOfFrequency(float hz);
// Each bar's level 0..1 from kFftSize mono samples (-1..1): the loudest bin in the bar (the
// bin nearest its middle when it is narrower than a bin), windowed, on the dB scale.
void barLevels(const float* samples, int sampleRate, float* levels);

class FallingBars {
public:
    void update(const float* levels, int elapsedMs);
    void clear();
    float bar(int i) const { return bar_[i]; }
    float peak(int i) const { return peak_[i]; }
    bool empty() const;

private:
    float bar_[kBarCount] = {};
    float peak_[kBarCount] = {};
    int heldMs_[kBarCount] = {};
};

// The waveform in width columns, each -1..1: the last count samples, evenly picked.
void scopeColumns(const float* samples, int count, float* columns, int width);

} // namespace korvo
