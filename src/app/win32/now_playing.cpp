#include "app/win32/now_playing.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "app/win32/display_spellings.h"
#include "app/win32/resource_ids.h"
#include "app/win32/skin.h"
#include "app/win32/win_texts.h"
#include "playlist/text_encoding.h"

namespace korvo::win {

static_assert(sizeof kButtonTips / sizeof kButtonTips[0] == kButtonCount, "one tip per button");

// --- the font --------------------------------------------------------------------------

bool PixelFont::load(HINSTANCE instance) {
    GdiObject<HBITMAP> atlas(static_cast<HBITMAP>(
        LoadImageA(instance, MAKEINTRESOURCEA(IDB_DISPLAY_FONT), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    WindowDC screen(nullptr);
    IndexedPixels image;
    if (!atlas || !screen || !readIndexedPixels(screen.get(), atlas.get(), image)) return false;
    const int rows = (kGlyphs + kColumns - 1) / kColumns;
    if (image.width < kColumns * kCellWidth || image.height < rows * kCellHeight) return false;
    for (int g = 0; g < kGlyphs; ++g) {
        const int x0 = (g % kColumns) * kCellWidth, y0 = (g / kColumns) * kCellHeight;
        auto inked = [&](int x, int y) {
            const RGBQUAD& c = image.colours[image.at(x0 + x, y0 + y)];
            return c.rgbGreen > 127;
        };
        int first = kCellWidth, last = -1;
        for (int y = 0; y < kCellHeight; ++y)
            for (int x = 0; x < kCellWidth; ++x)
                if (inked(x, y)) first = x < first ? x : first, last = x > last ? x : last;
        widths_[g] = uint8_t(last < 0 ? 0 : last - first + 1);
        for (int y = 0; y < kCellHeight; ++y)
            for (int x = first; x <= last; ++x)
                if (inked(x, y)) rows_[g][y] = uint8_t(rows_[g][y] | (1u << (x - first)));
    }
    loaded_ = 1;
    return true;
}

int PixelFont::codeOf(char c) {
    const int u = static_cast<unsigned char>(c);
    return u >= kFirst && u < kBox ? u : kBox;
}

void PixelFont::spell(const char* utf8, char* out, size_t outSize) {
    if (outSize == 0) return;
    const auto* s = reinterpret_cast<const uint8_t*>(utf8);
    const size_t n = std::strlen(utf8);
    size_t used = 0;
    auto put = [&](const char* text) {
        const size_t len = std::strlen(text);
        if (used + len + 1 > outSize) return false;
        std::memcpy(out + used, text, len);
        used += len;
        return true;
    };
    const char box[] = {char(kBox), 0};
    for (size_t i = 0; i < n;) {
        uint32_t cp = 0;
        size_t len = decodeUtf8(s, n, i, cp);
        const char* text = box;
        char ascii[2] = {char(cp), 0};
        if (!len) len = 1;
        else if (cp >= 0x20 && cp < 0x7F) text = ascii;
        else if (cp >= kFirstSpelledLetter && cp < kFirstSpelledLetter + kSpelledLetters)
            text = kLatinLetterSpellings[cp - kFirstSpelledLetter];
        else
            for (size_t k = 0; k < kPunctuationSpellingCount; ++k)
                if (kPunctuationSpellings[k].codePoint == cp) text = kPunctuationSpellings[k].spelling;
        if (!put(text)) break;
        i += len;
    }
    out[used] = 0;
}

int PixelFont::advance(int code) const {
    const int g = code - kFirst;
    if (g < 0 || g >= kGlyphs) return 0;
    return widths_[g] ? widths_[g] + 1 : kSpaceAdvance;
}

int PixelFont::width(const char* text) const {
    int w = 0;
    for (const char* p = text; *p; ++p) w += advance(codeOf(*p));
    return w > 0 ? w - 1 : 0;   // no space after the last glyph
}

bool PixelFont::ink(int code, int x, int y) const {
    const int g = code - kFirst;
    if (g < 0 || g >= kGlyphs || x < 0 || x >= widths_[g] || y < 0 || y >= kCellHeight) return false;
    return (rows_[g][y] >> x) & 1u;
}

// --- the display -----------------------------------------------------------------------

void formatDisplayTime(int64_t elapsedMs, int64_t totalMs, char* out, int size) {
    auto put = [](int64_t ms, char* dst, int n) {
        const int64_t s = ms > 0 ? ms / 1000 : 0;
        std::snprintf(dst, size_t(n), kDisplayTimeFormat, int(s / 60), int(s % 60));
    };
    char elapsed[24], total[24];
    put(elapsedMs, elapsed, sizeof elapsed);
    if (totalMs <= 0) {
        std::snprintf(out, size_t(size), "%s", elapsed);
        return;
    }
    put(totalMs, total, sizeof total);
    std::snprintf(out, size_t(size), "%s%s%s", elapsed, kDisplayTimeSeparator, total);
}

bool NowPlayingDisplay::create(HBITMAP skin, HINSTANCE instance, int percent) {
    const RECT area = {scaleLength(kDisplayArea.left, percent), scaleLength(kDisplayArea.top, percent),
                       scaleLength(kDisplayArea.right, percent), scaleLength(kDisplayArea.bottom, percent)};
    const int width = area.right - area.left, height = area.bottom - area.top;
    DIBSECTION skinDib{};
    if (!skin || GetObjectA(skin, sizeof skinDib, &skinDib) != sizeof skinDib || skinDib.dsBm.bmBitsPixel != 8 ||
        !skinDib.dsBm.bmBits || skinDib.dsBm.bmWidth < area.right || skinDib.dsBm.bmHeight < area.bottom)
        return false;
    if (!font_.loaded() && !font_.load(instance)) return false;
    WindowDC screen(nullptr);
    MemoryDC mem(screen.get());
    if (!screen || !mem) return false;
    IndexedBitmapInfo info(width, height);
    mem.select(skin);
    const UINT colours = GetDIBColorTable(mem.get(), 0, 256, info.colours);
    if (colours <= kDisplayDim) return false;
    info.header.biClrUsed = colours;
    void* bits = nullptr;
    bitmap_.reset(CreateDIBSection(screen.get(), info.get(), DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap_ || !bits) return false;
    bits_ = static_cast<uint8_t*>(bits);
    stride_ = (width + 3) & ~3;
    scale_ = percent;
    area_ = area;
    // The skin's rows are stored bottom up (a positive height) or top down.
    const int skinStride = skinDib.dsBm.bmWidthBytes;
    const bool bottomUp = skinDib.dsBmih.biHeight > 0;
    const auto* skinBits = static_cast<const uint8_t*>(skinDib.dsBm.bmBits);
    plate_.assign(size_t(stride_) * size_t(height), 0);
    for (int y = 0; y < height; ++y) {
        const int sy = area.top + y;
        const int row = bottomUp ? skinDib.dsBm.bmHeight - 1 - sy : sy;
        std::memcpy(&plate_[size_t(y) * stride_], skinBits + size_t(row) * skinStride + area.left, size_t(width));
    }
    drawn_ = 0;
    scroll_ = 0;
    return true;
}

void NowPlayingDisplay::release() {
    bitmap_.reset();
    bits_ = nullptr;
}

void NowPlayingDisplay::dot(int x, int y, uint8_t colour) {
    if (x < 0 || x >= kDisplayWidth || y < 0 || y >= kDisplayHeight) return;
    const int x0 = scaleLength(x, scale_), x1 = scaleLength(x + 1, scale_);
    for (int py = scaleLength(y, scale_); py < scaleLength(y + 1, scale_); ++py)
        std::memset(bits_ + size_t(py) * stride_ + size_t(x0), colour, size_t(x1 - x0));
}

void NowPlayingDisplay::text(const char* s, int x, int y, uint8_t colour) {
    font_.forEachInk(s, x, y, [&](int px, int py) {
        if (px >= kDisplayMargin && px < kDisplayWidth - kDisplayMargin) dot(px, py, colour);
    });
}

int NowPlayingDisplay::render(const NowPlayingView& view) {
    if (!bits_) return 0;
    GdiFlush();   // GDI may still be reading the bitmap
    std::vector<uint8_t> before(bits_, bits_ + plate_.size());
    std::memcpy(bits_, plate_.data(), plate_.size());

    if (std::strcmp(source_, view.name ? view.name : "") != 0) {
        std::snprintf(source_, sizeof source_, "%s", view.name ? view.name : "");
        PixelFont::spell(source_, name_, sizeof name_);
        scroll_ = 0;
    }
    const int inner = kDisplayWidth - 2 * kDisplayMargin;
    const int nameWidth = font_.width(name_);
    text(name_, kDisplayMargin - scroll_, kDisplayNameY, kDisplayInk);
    if (nameWidth > inner) text(name_, kDisplayMargin - scroll_ + nameWidth + kDisplayScrollGap, kDisplayNameY, kDisplayInk);

    char line[64];
    int x = kDisplayMargin;
    const int glyph = view.state == DisplayPlaying ? PixelFont::kPlay
                      : view.state == DisplayPaused ? PixelFont::kPause
                                                    : PixelFont::kStop;
    if (view.volume >= 0) {
        std::snprintf(line, sizeof line, kVolumeFormat, view.volume, kVolumeLevels - 1);
    } else {
        font_.drawGlyph(glyph, x, kDisplayTimeY, [&](int px, int py) { dot(px, py, kDisplayInk); });
        x += font_.advance(glyph) + 2;
        formatDisplayTime(view.elapsedMs, view.totalMs, line, sizeof line);
    }
    text(line, x, kDisplayTimeY, kDisplayInk);

    const int left = kDisplayMargin, right = kDisplayWidth - kDisplayMargin;
    int filled = left;
    if (view.totalMs > 0) {
        int64_t elapsed = view.elapsedMs < 0 ? 0 : view.elapsedMs > view.totalMs ? view.totalMs : view.elapsedMs;
        filled = left + int(elapsed * (right - left) / view.totalMs);
    }
    for (int y = kDisplayLineY; y < kDisplayLineY + kDisplayLineHeight; ++y)
        for (int px = left; px < right; ++px)
            dot(px, y, px < filled ? kDisplayInk : kDisplayDim);

    const int changed = !drawn_ || std::memcmp(before.data(), bits_, before.size()) != 0;
    drawn_ = 1;
    return changed;
}

int NowPlayingDisplay::scroll() {
    const int nameWidth = font_.width(name_);
    if (nameWidth <= kDisplayWidth - 2 * kDisplayMargin) return 0;
    scroll_ = (scroll_ + kDisplayScrollStep) % (nameWidth + kDisplayScrollGap);
    return 1;
}

void NowPlayingDisplay::blit(HDC dc) {
    if (!bitmap_) return;
    MemoryDC mem(dc);
    if (!mem) return;
    mem.select(bitmap_.get());
    BitBlt(dc, area_.left, area_.top, area_.right - area_.left, area_.bottom - area_.top, mem.get(), 0, 0, SRCCOPY);
}

int NowPlayingDisplay::percentAt(int x, int y) {
    const int left = kDisplayArea.left + kDisplayMargin, right = kDisplayArea.right - kDisplayMargin;
    const int top = kDisplayArea.top + kDisplayLineY;
    if (x < left || x >= right || y < top - kDisplayLineReach || y >= top + kDisplayLineHeight + kDisplayLineReach)
        return -1;
    return (x - left) * 100 / (right - 1 - left);
}

// --- the tips --------------------------------------------------------------------------

HWND createButtonTips(HWND owner, int percent) {
    HWND tips = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    if (!tips) return nullptr;
    for (int i = 0; i < kButtonCount; ++i) {
        TTTOOLINFOA tool{};
        tool.cbSize = TTTOOLINFOA_V1_SIZE;
        tool.uFlags = TTF_SUBCLASS;
        tool.hwnd = owner;
        tool.uId = UINT_PTR(i + 1);
        tool.lpszText = const_cast<char*>(kButtonTips[i]);
        SendMessageA(tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
    placeButtonTips(tips, owner, percent);
    return tips;
}

void placeButtonTips(HWND tips, HWND owner, int percent) {
    for (int i = 0; i < kButtonCount; ++i) {
        TTTOOLINFOA tool{};
        tool.cbSize = TTTOOLINFOA_V1_SIZE;
        tool.hwnd = owner;
        tool.uId = UINT_PTR(i + 1);
        tool.rect = buttonEllipse(i, percent);
        SendMessageA(tips, TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

} // namespace korvo::win
