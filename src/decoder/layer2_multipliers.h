#pragma once
#include <cstdint>

namespace korvo {

extern const double kLayer2Multipliers[27];
extern const uint8_t kGroupLevels3[3];
extern const uint8_t kGroupLevels5[5];
extern const uint8_t kGroupLevels9[9];

} // namespace korvo
