// The edges of the display's frequency bars in Hz: 19 bars, equal steps of the logarithm from 50 Hz to 16 kHz.
#include "playback/frequency_bars.h"

namespace korvo {

const float kBarEdgesHz[kBarCount + 1] = {
    50.0f, 67.7f, 91.8f, 124.3f, 168.4f, 228.1f, 309.1f,
    418.7f, 567.2f, 768.5f, 1041.0f, 1410.3f, 1910.6f, 2588.3f,
    3506.5f, 4750.3f, 6435.3f, 8718.1f, 11810.5f, 16000.0f,
};

} // namespace korvo
