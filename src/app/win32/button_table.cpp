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

int skinScaleForDpi(int dpi) {
    int best = kSkinScales[0];
    for (int percent : kSkinScales)
        if (percent * 96 <= dpi * 100) best = percent;
    return best;
}

RECT scaleRect(const RECT& r, int percent) {
    return {scaleLength(r.left, percent), scaleLength(r.top, percent), scaleLength(r.right, percent),
            scaleLength(r.bottom, percent)};
}

RECT buttonEllipse(int index, int percent) { return scaleRect(kButtonTable[index].ellipse, percent); }

SkinResources skinResources(int percent) {
    for (int i = 1; i < kSkinScaleCount; ++i)
        if (kSkinScales[i] == percent)
            return {IDB_SKIN_SCALED + i - 1, IDB_SKIN_PRESSED_SCALED + i - 1, IDB_SHAPE_SCALED + i - 1};
    return {IDB_SKIN, IDB_SKIN_PRESSED, IDB_SHAPE};
}

} // namespace korvo::win
