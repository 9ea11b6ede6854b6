#pragma once
#include "frame_header.h"

namespace korvo {

// Bit-allocation tables B.2a, B.2b, B.2c, B.2d of ISO/IEC 11172-3 and B.1 of ISO/IEC 13818-3.
extern const AllocEntry* const kLayer2AllocTables[5];
extern const int kLayer2SubbandLimits[5];

} // namespace korvo
