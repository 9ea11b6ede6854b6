#include "playback/frequency_bars.h"

#include <cmath>
#include <cstdint>

namespace korvo {

int barOfFrequency(float hz) {
    for (int i = 0; i < kBarCount; ++i)
        if (hz >= kBarEdgesHz[i] && hz < kBarEdgesHz[i + 1]) return i;
    return -1;
}

void barLevels(const float* samples, int sampleRate, float* levels) {
    float windowed[kFftSize], magnitudes[kFftSize / 2];
    for (int n = 0; n < kFftSize; ++n) windowed[n] = samples[n] * (0.5f - 0.5f * fftCosine(n));
    realFftMagnitudes(windowed, magnitudes);
    // The Hann window halves a sine's bin: full scale gives kFftSize / 4.
    const float fullScale = kFftSize / 4.f;
    const float binHz = float(sampleRate) / kFftSize;
    for (int b = 0; b < kBarCount; ++b) {
        levels[b] = 0.f;
        if (sampleRate <= 0) continue;
        int first = int(std::ceil(kBarEdgesHz[b] / binHz));
        int last = int(std::ceil(kBarEdgesHz[b + 1] / binHz)) - 1;
        if (last < first) first = last = int(std::lround(std::sqrt(kBarEdgesHz[b] * kBarEdgesHz[b + 1]) / binHz));
        float loudest = 0.f;
        for (int k = first; k <= last && k < kFftSize / 2; ++k)
            if (magnitudes[k] > loudest) loudest = magnitudes[k];
        if (loudest <= 0.f) continue;
        const float db = 20.f * std::log10(loudest / fullScale);
        const float level = 1.f + db / kBarRangeDb;
        levels[b] = level < 0.f ? 0.f : level > 1.f ? 1.f : level;
    }
}

void FallingBars::update(const float* levels, int elapsedMs) {
    const float barFall = float(elapsedMs) / kBarFallMs, peakFall = float(elapsedMs) / kPeakFallMs;
    for (int i = 0; i < kBarCount; ++i) {
        bar_[i] = bar_[i] - barFall > levels[i] ? bar_[i] - barFall : levels[i];
        if (bar_[i] < 0.f) bar_[i] = 0.f;
        if (bar_[i] >= peak_[i]) {
            peak_[i] = bar_[i];
            heldMs_[i] = 0;
        } else if ((heldMs_[i] += elapsedMs) > kPeakHoldMs) {
            peak_[i] = peak_[i] - peakFall > bar_[i] ? peak_[i] - peakFall : bar_[i];
        }
    }
}

void FallingBars::clear() {
    for (int i = 0; i < kBarCount; ++i) bar_[i] = peak_[i] = 0.f, heldMs_[i] = 0;
}

bool FallingBars::empty() const {
    for (int i = 0; i < kBarCount; ++i)
        if (bar_[i] > 0.f || peak_[i] > 0.f) return false;
    return true;
}

void scopeColumns(const float* samples, int count, float* columns, int width) {
    for (int c = 0; c < width; ++c) columns[c] = count > 0 && width > 0 ? samples[int64_t(c) * count / width] : 0.f;
}

} // namespace korvo
