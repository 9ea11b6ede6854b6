#pragma once
// The now-playing display on the skin's plate (name, time, state, progress line), drawn with
// the artwork's pixel font into an off-screen bitmap; and the buttons' tooltips.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "app/win32/handles.h"

namespace korvo::win {

// The display's rectangle in pixels of the 96-DPI skin, and its rows relative to its top
// left. At a larger scale each of these pixels is a block of the scaled skin's pixels.
constexpr RECT kDisplayArea = {110, 97, 171, 143};
constexpr int kDisplayWidth = kDisplayArea.right - kDisplayArea.left;
constexpr int kDisplayHeight = kDisplayArea.bottom - kDisplayArea.top;
constexpr int kDisplayMargin = 2;
constexpr int kDisplayNameY = 4;
constexpr int kDisplayTimeY = 17;
constexpr int kDisplayLineY = 32;
constexpr int kDisplayLineHeight = 3;
// The line takes clicks this far above and below it: three pixels are hard to hit.
constexpr int kDisplayLineReach = 4;
// A name wider than the display scrolls this far per refresh, with this gap before it comes round.
constexpr int kDisplayScrollStep = 2;
constexpr int kDisplayScrollGap = 12;
// The artwork keeps the display's colours at these places of the skin's colour table.
constexpr uint8_t kDisplayInk = 1;
constexpr uint8_t kDisplayDim = 2;

// While playing the display is refreshed at most four times a second.
constexpr UINT kDisplayRefreshMs = 250;
constexpr UINT kVolumeMessageMs = 1000;
constexpr UINT_PTR kTimerDisplay = 21;
constexpr UINT_PTR kTimerVolumeMessage = 22;

// The artwork's display font: 6 x 8 cells from code 32, sixteen to a row; each glyph is
// trimmed to its ink, so the font is proportional.
class PixelFont {
public:
    static constexpr int kCellWidth = 6, kCellHeight = 8, kColumns = 16, kFirst = 32, kGlyphs = 99;
    static constexpr int kBox = 127, kPlay = 128, kPause = 129, kStop = 130;
    static constexpr int kSpaceAdvance = 3;

    bool load(HINSTANCE instance);   // the IDB_DISPLAY_FONT bitmap of that module
    bool loaded() const { return loaded_ != 0; }
    // The glyph code for a character: codes outside 32..126 show as a box.
    static int codeOf(char c);
    // UTF-8 text as the font can show it: Latin letters without their marks, common
    // punctuation in ASCII, one box for any other character or broken byte.
    static void spell(const char* utf8, char* out, size_t outSize);
    int advance(int code) const;     // glyph width and one pixel of space
    int width(const char* text) const;
    bool ink(int code, int x, int y) const;   // x from the glyph's first inked column

    // Calls plot(x, y) for every ink pixel of text written from (x, y).
    template <typename Plot>
    void forEachInk(const char* text, int x, int y, Plot plot) const {
        for (const char* p = text; *p; ++p) {
            int code = codeOf(*p);
            drawGlyph(code, x, y, plot);
            x += advance(code);
        }
    }
    template <typename Plot>
    void drawGlyph(int code, int x, int y, Plot plot) const {
        for (int gy = 0; gy < kCellHeight; ++gy)
            for (int gx = 0; gx < kCellWidth; ++gx)
                if (ink(code, gx, gy)) plot(x + gx, y + gy);
    }

private:
    uint8_t rows_[kGlyphs][kCellHeight] = {};   // bit 0 the first inked column
    uint8_t widths_[kGlyphs] = {};
    int loaded_ = 0;
};

enum DisplayState { DisplayPlaying = 0, DisplayPaused = 1, DisplayStopped = 2 };

// What the display shows; the name is the playlist's display text of the entry.
struct NowPlayingView {
    const char* name = "";
    int state = DisplayStopped;
    int64_t elapsedMs = 0;
    int64_t totalMs = 0;   // 0: unknown (a stream)
    int volume = -1;       // shown instead of the time while 0..15
};

// The time as the display writes it: "1:23 / 3:00", or "1:23" with no total.
void formatDisplayTime(int64_t elapsedMs, int64_t totalMs, char* out, int size);

class NowPlayingDisplay {
public:
    // Takes the plate's pixels and colour table from the skin (an 8-bit DIB section) drawn
    // at the scale in percent.
    bool create(HBITMAP skin, HINSTANCE instance, int percent = 100);
    void release();
    // Draws the view into the bitmap; 1 when the picture changed.
    int render(const NowPlayingView& view);
    // The next step of a name wider than the display; 1 when it scrolls.
    int scroll();
    void blit(HDC dc);
    // The percentage of the progress line under a point of the 96-DPI skin, or -1 off the line.
    static int percentAt(int x, int y);

private:
    void clear();
    void text(const char* s, int x, int y, uint8_t colour);
    // Sets the block of the display pixel (x, y).
    void dot(int x, int y, uint8_t colour);

    GdiObject<HBITMAP> bitmap_;
    uint8_t* bits_ = nullptr;   // top row first
    int stride_ = 0;
    int scale_ = 100;
    RECT area_{};   // the display's rectangle in the window's pixels
    std::vector<uint8_t> plate_;   // the skin's pixels under the display
    PixelFont font_;
    char source_[520] = {};   // the name as given
    char name_[520] = {};     // as the font spells it
    int scroll_ = 0;
    int drawn_ = 0;
};

// A tooltip for each skin button, with its name and key; the tips belong to the owner window.
HWND createButtonTips(HWND owner, int percent);
// Moves the tips' areas onto the buttons drawn at a new scale.
void placeButtonTips(HWND tips, HWND owner, int percent);

} // namespace korvo::win
