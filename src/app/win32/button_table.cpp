// The ten skin buttons: ellipse bounds and the command each one sends.
#include "app/win32/skin.h"

#include "app/win32/resource_ids.h"

namespace korvo::win {

const ButtonPlace kButtonTable[kButtonCount] = {
    {{59, 86, 81, 107}, IDM_CLOSE},        // Close
    {{95, 67, 117, 90}, 0},                // Minimise
    {{80, 123, 104, 146}, IDM_OPEN_FILE},  // Open
    {{28, 208, 51, 231}, IDM_PLAY},        // Play
    {{113, 149, 135, 171}, IDM_PAUSE},     // Pause
    {{137, 192, 159, 215}, IDM_STOP},      // Stop
    {{39, 153, 61, 175}, IDM_PREVIOUS},    // Previous
    {{83, 190, 105, 212}, IDM_NEXT},       // Next
    {{172, 72, 190, 81}, IDM_REPEAT},      // Repeat
    {{172, 82, 190, 90}, IDM_SHUFFLE},     // Shuffle
};

} // namespace korvo::win
