#pragma once
#include <cstdint>

#include "synthesis_tables.h"
// The AVX2 forms of the hot loops (built on x86-64 with GCC outside Windows, whose stack
// alignment does not suit 32-byte spills). Callers check vectorPathActive() first.

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && !defined(_WIN32)
#define KORVO_HAVE_AVX2_PATH 1
#else
#define KORVO_HAVE_AVX2_PATH 0
#endif

namespace korvo {
struct ImdctConstants;
}

namespace korvo::avx2 {

// The 32-point synthesis transform of count slots (rows of 32), into rows of 32.
void synthesisDct(const double (*slots)[32], int count, double (*out)[32]);
// The windowing of one channel and slot (as windowSumsOf).
void windowSums(const double (*columns)[SynthesisWindow::kStride], int p, double* out);
// The windowing of one channel and slot times gain, rounded and saturated to 16-bit samples,
// written into the 32 stereo pairs at out: the left (0) or right (1) places, or both for mono.
void windowSamples(const double (*columns)[SynthesisWindow::kStride], int p, double gain, uint8_t* out, int channel,
                   bool mono);
// Long-block inverse MDCT of subbands [from, from + 4 * groups) of one granule: lines x
// (18 per subband), overlap and output as [18][32], odd subbands' odd samples negated.
void longBlocks(const double* x, int from, int groups, const ImdctConstants& k, int blockType,
                double (*overlap)[32], double (*out)[32]);

// The alias-reduction butterflies at subband boundaries 1..bounds of 576 lines.
void antialias(double* x, int bounds, const double* cs, const double* ca);

} // namespace korvo::avx2
