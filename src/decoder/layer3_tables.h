#pragma once
// Fixed Layer III tables: band boundaries, scale-factor widths, LSF band counts,
// pre-emphasis and the alias-reduction coefficients.
#include <cstdint>

namespace korvo {

struct ScaleBandTable {
    int16_t longStart[23];    // last entry 576
    int16_t longWidth[22];
    int16_t shortStart3[14];  // short band starts times 3, last entry 576
    int16_t shortWidth[13];   // lines per window
};

extern const ScaleBandTable kScaleBandTables[9];
extern const uint8_t kSlen1[16];
extern const uint8_t kSlen2[16];
extern const uint8_t kLsfBandCounts[3][6][4];
extern const uint8_t kPreEmphasis[22];
extern const double kAntialiasCoefficients[8];

} // namespace korvo
