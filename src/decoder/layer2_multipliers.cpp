#include "layer2_multipliers.h"

namespace korvo {

// Requantisation multipliers of ISO/IEC 11172-3 (2.4.3.3.4, Table B.4 classes): the value of
// one quantisation step for each class, and the levels of the grouped classes.
const double kLayer2Multipliers[27] = {
    0.0,
    -2.0 / 3.0, 2.0 / 3.0,
    2.0 / 7.0, 2.0 / 15.0, 2.0 / 31.0, 2.0 / 63.0, 2.0 / 127.0, 2.0 / 255.0, 2.0 / 511.0,
    2.0 / 1023.0, 2.0 / 2047.0, 2.0 / 4095.0, 2.0 / 8191.0, 2.0 / 16383.0, 2.0 / 32767.0,
    2.0 / 65535.0,
    -0.8, -0.4, 0.4, 0.8,
    -8.0 / 9.0, -4.0 / 9.0, -2.0 / 9.0, 2.0 / 9.0, 4.0 / 9.0, 8.0 / 9.0,
};

// Rows of the multipliers for each level of the grouped classes of 3, 5 and 9 levels.
const uint8_t kGroupLevels3[3] = {1, 0, 2};
const uint8_t kGroupLevels5[5] = {17, 18, 0, 19, 20};
const uint8_t kGroupLevels9[9] = {21, 1, 22, 23, 0, 24, 25, 2, 26};

} // namespace korvo
