#pragma once
// A radix-2 transform of real samples, small enough for the display's frequency bars.

namespace korvo {

constexpr int kFftSize = 2048;
extern const float kFftQuarterSine[kFftSize / 4 + 1];

// sin and cos of 2 pi k / kFftSize, for any k, from the quarter wave.
float fftSine(int k);
float fftCosine(int k);

// The magnitudes of bins 0 .. kFftSize/2 - 1 of kFftSize real samples (bin k is
// k * rate / kFftSize Hz). A full-scale sine on bin k gives kFftSize / 2 there.
void realFftMagnitudes(const float* samples, float* magnitudes);

} // namespace korvo
