#pragma once
// Twelve-band equalizer acting on the Layer III spectrum.

namespace korvo {

constexpr int kEqBands = 12;
constexpr int kEqLines = 576;

// The anchor line of each band gain; the last lies one past the last spectral line.
extern const int kEqAnchorLines[kEqBands];

// The process-wide line gains, shared by the user interface (which rebuilds them) and the
// Layer III decoder (which reads them). Zero until first built.
float* eqLineGains();

// Recomputes 576 line gains from the 12 band gains (0.0 .. 2.0) by linear interpolation
// between the anchor lines. Returns 1.
int buildEqLineGains(const float* bandGains, float* lineGains);
inline int buildEqLineGains(const float* bandGains) { return buildEqLineGains(bandGains, eqLineGains()); }

// Multiplies line j of both spectrum channels by line gain j.
void applyEq(double (*spectrum)[kEqLines], const float* lineGains);

} // namespace korvo
