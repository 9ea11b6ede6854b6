#pragma once
// The main window's artwork helpers: shape region, palette and the button ellipses.
#include <windows.h>

#include <cstdint>
#include <vector>

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

struct ButtonPlace {
    RECT ellipse;   // bounding rectangle in client pixels
    int command;    // WM_COMMAND sent on release inside; 0 for Minimise (SW_MINIMIZE)
};
extern const ButtonPlace kButtonTable[kButtonCount];

// Display scales the artwork is drawn for, in percent of 96 DPI.
constexpr int kSkinScales[] = {100, 125, 150, 175, 200, 250, 300};
constexpr int kSkinScaleCount = int(sizeof kSkinScales / sizeof kSkinScales[0]);
// The largest drawn scale that does not exceed the DPI (100 below 96).
int skinScaleForDpi(int dpi);
// A length of the 96-DPI skin at a scale, rounded as the artwork program rounds it.
constexpr int scaleLength(int v, int percent) { return (v * percent + 50) / 100; }
// A length at a scale back in pixels of the 96-DPI skin (rounded down).
constexpr int unscaleLength(int v, int percent) { return v * 100 / percent; }
// A rectangle of the 96-DPI skin at a scale.
RECT scaleRect(const RECT& r, int percent);
// A button's ellipse at a scale: the one place the skin's hit geometry is read from.
RECT buttonEllipse(int index, int percent);

// The resource numbers of the skin, its pressed face and its shape drawn at a scale.
struct SkinResources {
    int skin, pressed, shape;
};
SkinResources skinResources(int percent);

// The header and palette of an 8-bit bitmap of this size, top row first.
struct IndexedBitmapInfo {
    BITMAPINFOHEADER header{};
    RGBQUAD colours[256]{};
    IndexedBitmapInfo(int width, int height) {
        header.biSize = sizeof(BITMAPINFOHEADER);
        header.biWidth = width;
        header.biHeight = -height;
        header.biPlanes = 1;
        header.biBitCount = 8;
        header.biCompression = BI_RGB;
    }
    BITMAPINFO* get() { return reinterpret_cast<BITMAPINFO*>(this); }
};

// A bitmap as 8-bit palette indices, top row first, rows padded to four bytes.
struct IndexedPixels {
    int width = 0;
    int height = 0;
    int stride = 0;
    RGBQUAD colours[256] = {};
    std::vector<uint8_t> pixels;
    uint8_t at(int x, int y) const { return pixels[size_t(y) * size_t(stride) + size_t(x)]; }
};

// Reads the bitmap through the device context; false when it is empty or cannot be read.
bool readIndexedPixels(HDC dc, HBITMAP bitmap, IndexedPixels& out);

// Pixels that have (invert 0) or lack (invert 1) the colour of the key pixel, as a region.
// Rectangles are not capped: a bitmap with more runs than the usual 2048 still gets them all.
HRGN regionFromBitmap(HBITMAP bitmap, int keyX, int keyY, int invert);

// The 256-entry skin palette; nullptr on failure.
HPALETTE createSkinPalette();

// The window shape: the full rectangle minus what the shape bitmap marks as outside.
HRGN createWindowShape(HBITMAP shapeBitmap);

} // namespace korvo::win
