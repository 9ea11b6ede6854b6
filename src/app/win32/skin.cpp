#include "app/win32/skin.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "app/win32/handles.h"

namespace korvo::win {

bool readIndexedPixels(HDC dc, HBITMAP bitmap, IndexedPixels& out) {
    BITMAP bm{};
    if (!dc || !GetObjectA(bitmap, sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0) return false;
    out.width = bm.bmWidth;
    out.height = bm.bmHeight;
    out.stride = (out.width + 3) & ~3;
    IndexedBitmapInfo info(out.width, out.height);
    out.pixels.assign(size_t(out.stride) * size_t(out.height), 0);
    if (!GetDIBits(dc, bitmap, 0, UINT(out.height), out.pixels.data(), info.get(), DIB_RGB_COLORS)) return false;
    std::memcpy(out.colours, info.colours, sizeof out.colours);
    return true;
}

HRGN regionFromBitmap(HBITMAP bitmap, int keyX, int keyY, int invert) {
    WindowDC desktop(GetDesktopWindow());
    IndexedPixels image;
    if (!readIndexedPixels(desktop.get(), bitmap, image)) return nullptr;
    const int width = image.width, height = image.height;
    if (keyX < 0 || keyY < 0 || keyX >= width || keyY >= height) return nullptr;

    const uint8_t key = image.at(keyX, keyY);
    std::vector<RECT> rects;
    RECT bounds{};
    auto addRun = [&](int left, int right, int row) {
        RECT r{left, row, right, row + 1};
        if (rects.empty()) bounds = r;
        else UnionRect(&bounds, &bounds, &r);
        if (!rects.empty() && rects.back().left == left && rects.back().right == right && rects.back().bottom == row)
            rects.back().bottom = row + 1;
        else
            rects.push_back(r);
    };
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = image.pixels.data() + size_t(y) * size_t(image.stride);
        int x = 0;
        while (x < width) {
            auto belongs = [&](int cx) { return (row[cx] == key) != (invert != 0); };
            while (x < width && !belongs(x)) ++x;
            if (x >= width) break;
            int start = x;
            while (x < width && belongs(x)) ++x;
            addRun(start, x, y);
        }
    }

    std::vector<uint8_t> block(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
    auto* data = reinterpret_cast<RGNDATA*>(block.data());
    data->rdh.dwSize = sizeof(RGNDATAHEADER);
    data->rdh.iType = RDH_RECTANGLES;
    data->rdh.nCount = DWORD(rects.size());
    data->rdh.nRgnSize = 0;
    data->rdh.rcBound = bounds;
    if (!rects.empty()) std::memcpy(data->Buffer, rects.data(), rects.size() * sizeof(RECT));
    return ExtCreateRegion(nullptr, DWORD(block.size()), data);
}

HPALETTE createSkinPalette() {
    struct {
        WORD version;
        WORD count;
        PALETTEENTRY entries[256];
    } pal{};
    pal.version = 0x300;
    pal.count = 256;
    for (int i = 0; i < 256; ++i) {
        BYTE r = 0, g = 0, b = 0;
        if (i <= 128) r = g = b = BYTE((2 * i) % 256);
        else if (i <= 160) r = g = BYTE((8 * i) % 256);
        else if (i <= 168) r = BYTE((32 * i) % 256);
        else if (i <= 176) g = BYTE((32 * i) % 256);
        else if (i <= 184) b = BYTE((32 * i) % 256);
        // 185..255 are unused by the skin and stay black
        pal.entries[i] = {r, g, b, PC_NOCOLLAPSE};
    }
    return CreatePalette(reinterpret_cast<LOGPALETTE*>(&pal));
}

HRGN createWindowShape(HBITMAP shapeBitmap) {
    BITMAP bm{};
    if (!GetObjectA(shapeBitmap, sizeof bm, &bm)) return nullptr;
    GdiObject<HRGN> outside(regionFromBitmap(shapeBitmap, kShapeKeyX, kShapeKeyY, 0));
    GdiObject<HRGN> full(CreateRectRgn(0, 0, bm.bmWidth, bm.bmHeight));
    if (!outside || !full) return nullptr;
    // the result goes into the outside region, which the window then owns
    if (CombineRgn(outside.get(), full.get(), outside.get(), RGN_DIFF) == ERROR) return nullptr;
    return outside.release();
}

} // namespace korvo::win
