#pragma once
// The main window's artwork helpers: shape region, palette and the button ellipses.
#include <windows.h>

namespace korvo::win {

constexpr int kSkinWidth = 192;
constexpr int kSkinHeight = 256;
constexpr int kShapeKeyX = 10;
constexpr int kShapeKeyY = 10;

// Buttons in the order a press is tested.
enum ButtonIndex {
    ButtonClose, ButtonMinimise, ButtonOpen, ButtonPlay, ButtonPause,
    ButtonStop, ButtonPrevious, ButtonNext, ButtonRepeat, ButtonShuffle, kButtonCount
};

struct ButtonSpec {
    RECT ellipse;   // bounding rectangle in client pixels
    int command;    // WM_COMMAND sent on release inside; 0 for Minimise (SW_MINIMIZE)
};
extern const ButtonSpec kButtonTable[kButtonCount];

// Pixels that have (invert 0) or lack (invert 1) the colour of the key pixel, as a region.
// Rectangles are not capped: a bitmap with more runs than the usual 2048 still gets them all.
HRGN regionFromBitmap(HBITMAP bitmap, int keyX, int keyY, int invert);

// The 256-entry skin palette; nullptr on failure.
HPALETTE createSkinPalette();

// The window shape: the full rectangle minus what the shape bitmap marks as outside.
HRGN createWindowShape(HBITMAP shapeBitmap);

} // namespace korvo::win
