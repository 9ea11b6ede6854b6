#include "app/win32/now_playing.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "app/win32/display_spellings.h"
#include "app/win32/resource_ids.h"
#include "app/win32/skin.h"
#include "app/win32/win_texts.h"
#include "playlist/text_encoding.h"
#include "settings/settings.h"

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

int PixelFont::glyphOf(uint32_t codePoint, Style style) {
    if (style == Figures) {
        if (codePoint >= '0' && codePoint <= '9') return kDisplayGlyphFigures + int(codePoint - '0');
        if (codePoint == '/') return kDisplayGlyphFigures + 10;
    }
    const int glyph = codePoint >= 0x20 ? displayGlyphIndex(codePoint) : -1;
    return glyph >= 0 ? glyph : kBox;
}

void PixelFont::spell(const char* utf8, char* out, size_t outSize) {
    if (outSize == 0) return;
    const auto* s = reinterpret_cast<const uint8_t*>(utf8);
    const size_t n = std::strlen(utf8);
    size_t used = 0;
    auto put = [&](const char* text, size_t len) {
        if (used + len + 1 > outSize) return false;
        std::memcpy(out + used, text, len);
        used += len;
        return true;
    };
    for (size_t i = 0; i < n;) {
        uint32_t cp = 0;
        size_t len = decodeUtf8(s, n, i, cp);
        const char* text = kBoxText;
        size_t textLen = 1;
        if (!len) {
            len = 1;
        } else if (cp >= 0x20 && displayGlyphIndex(cp) >= 0) {
            text = utf8 + i, textLen = len;
        } else {
            for (size_t k = 0; k < kPunctuationSpellingCount; ++k)
                if (kPunctuationSpellings[k].codePoint == cp) text = kPunctuationSpellings[k].spelling, textLen = std::strlen(text);
        }
        if (!put(text, textLen)) break;
        i += len;
    }
    out[used] = 0;
}

int PixelFont::advance(int glyph) const {
    if (glyph < 0 || glyph >= kGlyphs) return 0;
    return widths_[glyph] ? widths_[glyph] + 1 : kSpaceAdvance;
}

int PixelFont::width(const char* text, Style style) const {
    int w = 0;
    forEachGlyph(text, style, [&](int glyph) { w += advance(glyph); });
    return w > 0 ? w - 1 : 0;   // no space after the last glyph
}

bool PixelFont::ink(int glyph, int x, int y) const {
    if (glyph < 0 || glyph >= kGlyphs || x < 0 || x >= widths_[glyph] || y < 0 || y >= kCellHeight) return false;
    return (rows_[glyph][y] >> x) & 1u;
}

// --- the display -----------------------------------------------------------------------

void formatDisplayTime(int64_t elapsedMs, int64_t totalMs, char* out, int size, const char* separator) {
    auto put = [](int64_t ms, char* dst, int n) {
        const int64_t s = ms > 0 ? ms / 1000 : 0;
        if (s < 100 * 60) std::snprintf(dst, size_t(n), kDisplayTimeFormat, int(s / 60), int(s % 60));
        else std::snprintf(dst, size_t(n), kDisplayLongTimeFormat, int(s / 3600), int(s / 60 % 60), int(s % 60));
    };
    char elapsed[24], total[24];
    put(elapsedMs, elapsed, sizeof elapsed);
    if (totalMs <= 0) {
        std::snprintf(out, size_t(size), "%s", elapsed);
        return;
    }
    put(totalMs, total, sizeof total);
    std::snprintf(out, size_t(size), "%s%s%s", elapsed, separator, total);
}

// The roomiest form that fits: spaces around the slash, then none, then a narrower gap after
// the sign, then no sign.
TimeRow fitTimeRow(const PixelFont& font, int64_t elapsedMs, int64_t totalMs) {
    struct Form {
        const char* separator;
        int signGap;
    };
    static const Form kForms[] = {{kDisplayTimeSeparator, 2}, {kDisplayTimeNarrowSeparator, 2},
                                  {kDisplayTimeNarrowSeparator, 1}, {kDisplayTimeNarrowSeparator, -1}};
    const int sign = font.advance(PixelFont::kStop) - 1;   // the widest of the three
    TimeRow row;
    for (const Form& f : kForms) {
        formatDisplayTime(elapsedMs, totalMs, row.text, sizeof row.text, f.separator);
        row.signGap = f.signGap;
        const int w = font.width(row.text, PixelFont::Figures) + (f.signGap < 0 ? 0 : sign + f.signGap);
        if (w <= kDisplayInnerWidth) break;
    }
    return row;
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
    sourceDc_ = std::make_unique<MemoryDC>(screen.get());
    if (!*sourceDc_) return false;
    sourceDc_->select(bitmap_.get());
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
    sourceDc_.reset();
    bitmap_.reset();
    bits_ = nullptr;
}

void NowPlayingDisplay::dot(int x, int y, uint8_t colour) {
    if (x < kDisplayMargin || x >= kDisplayWidth - kDisplayMargin || y < 0 || y >= kDisplayHeight) return;
    const int x0 = scaleLength(x, scale_), x1 = scaleLength(x + 1, scale_);
    for (int py = scaleLength(y, scale_); py < scaleLength(y + 1, scale_); ++py)
        std::memset(bits_ + size_t(py) * stride_ + size_t(x0), colour, size_t(x1 - x0));
}

void NowPlayingDisplay::text(const char* s, int x, int y, uint8_t colour, PixelFont::Style style) {
    font_.forEachInk(s, x, y, [&](int px, int py) { dot(px, py, colour); }, style);
}

void NowPlayingDisplay::drawName() {
    const int nameWidth = font_.width(name_);
    text(name_, kDisplayMargin - scroll_, kDisplayNameY, kDisplayInk);
    if (nameWidth > kDisplayInnerWidth)
        text(name_, kDisplayMargin - scroll_ + nameWidth + kDisplayScrollGap, kDisplayNameY, kDisplayInk);
}

void NowPlayingDisplay::drawTimeRow(const NowPlayingView& view) {
    char line[64];
    if (view.volume >= 0) {
        std::snprintf(line, sizeof line, kVolumeFormat, view.volume, kVolumeLevels - 1);
        text(line, kDisplayMargin, kDisplayTimeY, kDisplayInk, PixelFont::Figures);
        return;
    }
    const int glyph = view.state == DisplayPlaying ? PixelFont::kPlay
                      : view.state == DisplayPaused ? PixelFont::kPause
                                                    : PixelFont::kStop;
    const TimeRow row = fitTimeRow(font_, view.elapsedMs, view.totalMs);
    int x = kDisplayMargin;
    if (row.signGap >= 0) {
        font_.drawGlyph(glyph, x, kDisplayTimeY, [&](int px, int py) { dot(px, py, kDisplayInk); });
        x += font_.advance(glyph) - 1 + row.signGap;
    }
    text(row.text, x, kDisplayTimeY, kDisplayInk, PixelFont::Figures);
}

// Bars from the bottom of the view, each peak a row of its own above its bar.
void NowPlayingDisplay::drawBars(const FallingBars& bars) {
    const int span = kBarCount * (kDisplayBarWidth + 1) - 1;
    const int left = kDisplayMargin + (kDisplayInnerWidth - span) / 2;
    const int bottom = kDisplayViewTop + kDisplayViewHeight - 1;
    for (int b = 0; b < kBarCount; ++b) {
        const int x = left + b * (kDisplayBarWidth + 1);
        const int height = int(bars.bar(b) * kDisplayViewHeight + 0.5f);
        const int peak = int(bars.peak(b) * kDisplayViewHeight + 0.5f);
        for (int dx = 0; dx < kDisplayBarWidth; ++dx) {
            for (int h = 0; h < height; ++h) dot(x + dx, bottom - h, kDisplayInk);
            if (peak > height) dot(x + dx, bottom - (peak - 1), kDisplayInk);
        }
    }
}

// The waveform as a line: each column joined to the one before it.
void NowPlayingDisplay::drawScope(const float* columns) {
    const float half = (kDisplayViewHeight - 1) * 0.5f;
    auto rowOf = [&](float v) {
        v = v < -1.f ? -1.f : v > 1.f ? 1.f : v;
        return kDisplayViewTop + int(half - v * half + 0.5f);
    };
    int previous = rowOf(columns[0]);
    for (int c = 0; c < kDisplayInnerWidth; ++c) {
        const int y = rowOf(columns[c]);
        const int from = c ? (previous < y ? previous + 1 : previous > y ? previous - 1 : y) : y;
        for (int r = from < y ? from : y; r <= (from < y ? y : from); ++r) dot(kDisplayMargin + c, r, kDisplayInk);
        previous = y;
    }
}

int NowPlayingDisplay::render(const NowPlayingView& view) {
    if (!bits_) return 0;
    GdiFlush();   // GDI may still be reading the bitmap
    before_.assign(bits_, bits_ + plate_.size());
    std::memcpy(bits_, plate_.data(), plate_.size());

    if (std::strcmp(source_, view.name ? view.name : "") != 0) {
        std::snprintf(source_, sizeof source_, "%s", view.name ? view.name : "");
        PixelFont::spell(source_, name_, sizeof name_);
        scroll_ = 0;
    }
    if (view.mode == kDisplayModeBars && view.bars) drawBars(*view.bars);
    else if (view.mode == kDisplayModeScope && view.scope) drawScope(view.scope);
    else if (view.mode == kDisplayModeName) drawName();
    drawTimeRow(view);

    const int left = kDisplayMargin, right = kDisplayWidth - kDisplayMargin;
    int filled = left;
    if (view.totalMs > 0) {
        int64_t elapsed = view.elapsedMs < 0 ? 0 : view.elapsedMs > view.totalMs ? view.totalMs : view.elapsedMs;
        filled = left + int(elapsed * (right - left) / view.totalMs);
    }
    for (int y = kDisplayLineY; y < kDisplayLineY + kDisplayLineHeight; ++y)
        for (int px = left; px < right; ++px) dot(px, y, px < filled ? kDisplayInk : kDisplayDim);

    const int changed = !drawn_ || std::memcmp(before_.data(), bits_, before_.size()) != 0;
    drawn_ = 1;
    return changed;
}

int NowPlayingDisplay::scroll() {
    const int nameWidth = font_.width(name_);
    if (nameWidth <= kDisplayInnerWidth) return 0;
    scroll_ = (scroll_ + kDisplayScrollStep) % (nameWidth + kDisplayScrollGap);
    return 1;
}

void NowPlayingDisplay::blit(HDC dc) {
    if (!bitmap_ || !sourceDc_) return;
    BitBlt(dc, area_.left, area_.top, area_.right - area_.left, area_.bottom - area_.top, sourceDc_->get(), 0, 0, SRCCOPY);
}

int NowPlayingDisplay::percentAt(int x, int y) {
    const int left = kDisplayArea.left + kDisplayMargin, right = kDisplayArea.right - kDisplayMargin;
    const int top = kDisplayArea.top + kDisplayLineY;
    if (x < left || x >= right || y < top - kDisplayLineReach || y >= top + kDisplayLineHeight + kDisplayLineReach)
        return -1;
    return (x - left) * 100 / (right - 1 - left);
}

bool NowPlayingDisplay::takesViewClick(int x, int y) {
    return x >= kDisplayArea.left && x < kDisplayArea.right && y >= kDisplayArea.top &&
           y < kDisplayArea.top + kDisplayClickBottom;
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
