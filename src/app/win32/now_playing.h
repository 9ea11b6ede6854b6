#pragma once
// The now-playing display on the skin's plate (name, time, state, progress line), drawn with
// the artwork's pixel font into an off-screen bitmap; and the buttons' tooltips.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "app/win32/display_font_layout.h"
#include "app/win32/handles.h"
#include "app/win32/win_texts.h"
#include "playback/frequency_bars.h"
#include "playlist/text_encoding.h"

namespace korvo::win {

// The display's rectangle in pixels of the 96-DPI skin, and its rows relative to its top
// left. At a larger scale each of these pixels is a block of the scaled skin's pixels.
constexpr RECT kDisplayArea = {110, 97, 171, 143};
constexpr int kDisplayWidth = kDisplayArea.right - kDisplayArea.left;
constexpr int kDisplayHeight = kDisplayArea.bottom - kDisplayArea.top;
constexpr int kDisplayMargin = 2;
constexpr int kDisplayInnerWidth = kDisplayWidth - 2 * kDisplayMargin;
// Tops of the font's cells; a cell's two top rows hold the marks over capitals.
constexpr int kDisplayNameY = 2;
constexpr int kDisplayTimeY = 15;
// The frequency bars and the scope take the name's place: rows 2 to 13.
constexpr int kDisplayViewTop = 2;
constexpr int kDisplayViewHeight = 12;
constexpr int kDisplayBarWidth = 2;   // one column between bars
constexpr int kDisplayLineY = 32;
constexpr int kDisplayLineHeight = 3;
// The line takes clicks this far above and below it: three pixels are hard to hit.
constexpr int kDisplayLineReach = 4;
// The upper part takes clicks that change the view: above the progress line's reach.
constexpr int kDisplayClickBottom = kDisplayLineY - kDisplayLineReach;
// A name wider than the display scrolls this far per refresh, with this gap before it comes round.
constexpr int kDisplayScrollStep = 2;
constexpr int kDisplayScrollGap = 12;
// The artwork keeps the display's colours at these places of the skin's colour table.
constexpr uint8_t kDisplayInk = 1;
constexpr uint8_t kDisplayDim = 2;

// While playing the display is refreshed at most four times a second.
constexpr UINT kDisplayRefreshMs = 250;
constexpr UINT kVolumeMessageMs = 1000;
// The frequency bars and the scope move 20 times a second: at most 30, and under Wine each frame
// costs about a third of a millisecond of timer, device context and blit.
constexpr UINT kViewRefreshMs = 50;
constexpr UINT_PTR kTimerDisplay = 21;
constexpr UINT_PTR kTimerVolumeMessage = 22;
constexpr UINT_PTR kTimerViews = 23;

// The artwork's display font: 6 x 10 cells in the order of the glyph layout, sixteen to a
// row; each glyph is trimmed to its ink, so the font is proportional. Text is UTF-8.
class PixelFont {
public:
    static constexpr int kCellWidth = 6, kCellHeight = 10, kColumns = 16, kGlyphs = kDisplayGlyphCount;
    static constexpr int kBox = displayGlyphIndex(kDisplayBoxCodePoint);
    static constexpr int kPlay = kDisplayGlyphPlay, kPause = kDisplayGlyphPause, kStop = kDisplayGlyphStop;
    static constexpr const char* kBoxText = "\x7F";   // a character the font lacks, as spell writes it
    static constexpr int kSpaceAdvance = 3;
    // Figures: the time row's narrow digits and slash.
    enum Style { Letters, Figures };

    bool load(HINSTANCE instance);   // the IDB_DISPLAY_FONT bitmap of that module
    bool loaded() const { return loaded_ != 0; }
    // The glyph for a character: the box for one the font lacks.
    static int glyphOf(uint32_t codePoint, Style style = Letters);
    // UTF-8 text as the font can show it: punctuation it lacks in ASCII, kBoxText for any
    // other character outside its ranges or a broken byte.
    static void spell(const char* utf8, char* out, size_t outSize);
    int advance(int glyph) const;     // glyph width and one pixel of space
    int width(const char* text, Style style = Letters) const;
    bool ink(int glyph, int x, int y) const;   // x from the glyph's first inked column

    // Calls plot(x, y) for every ink pixel of text written from (x, y).
    template <typename Plot>
    void forEachInk(const char* text, int x, int y, Plot plot, Style style = Letters) const {
        forEachGlyph(text, style, [&](int glyph) {
            drawGlyph(glyph, x, y, plot);
            x += advance(glyph);
        });
    }
    template <typename Plot>
    void drawGlyph(int glyph, int x, int y, Plot plot) const {
        for (int gy = 0; gy < kCellHeight; ++gy)
            for (int gx = 0; gx < kCellWidth; ++gx)
                if (ink(glyph, gx, gy)) plot(x + gx, y + gy);
    }

private:
    template <typename Each>
    static void forEachGlyph(const char* text, Style style, Each each);

    uint8_t rows_[kGlyphs][kCellHeight] = {};   // bit 0 the first inked column
    uint8_t widths_[kGlyphs] = {};
    int loaded_ = 0;
};

template <typename Each>
void PixelFont::forEachGlyph(const char* text, Style style, Each each) {
    const auto* s = reinterpret_cast<const uint8_t*>(text);
    size_t n = 0;
    while (s[n]) ++n;
    for (size_t i = 0; i < n;) {
        uint32_t cp = 0;
        const size_t len = decodeUtf8(s, n, i, cp);
        each(len ? glyphOf(cp, style) : kBox);
        i += len ? len : 1;
    }
}

enum DisplayState { DisplayPlaying = 0, DisplayPaused = 1, DisplayStopped = 2 };

// What the display shows; the name is the playlist's display text of the entry.
struct NowPlayingView {
    const char* name = "";
    int state = DisplayStopped;
    int64_t elapsedMs = 0;
    int64_t totalMs = 0;   // 0: unknown (a stream)
    int volume = -1;       // shown instead of the time while 0..15
    int mode = 0;          // kDisplayModeName, kDisplayModeBars, kDisplayModeScope
    const FallingBars* bars = nullptr;          // the frequency bars
    const float* scope = nullptr;               // the scope: kDisplayInnerWidth columns, -1..1
};

// The time as the display writes it: "1:23 / 3:00", or "1:23" with no total; from 100
// minutes on "h:mm:ss".
void formatDisplayTime(int64_t elapsedMs, int64_t totalMs, char* out, int size,
                       const char* separator = kDisplayTimeSeparator);

// The time row as it fits the display: the text (in the font's figures) and the gap after the
// state sign, or -1 when the sign had to go.
struct TimeRow {
    char text[48] = {};
    int signGap = 0;
};
TimeRow fitTimeRow(const PixelFont& font, int64_t elapsedMs, int64_t totalMs);

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
    // A point of the 96-DPI skin on the display's upper part, where a click changes the view.
    static bool takesViewClick(int x, int y);

private:
    // Every pixel goes through here: the block of the display pixel (x, y), inside the margins.
    void dot(int x, int y, uint8_t colour);
    void text(const char* s, int x, int y, uint8_t colour, PixelFont::Style style = PixelFont::Letters);
    void drawName();
    void drawTimeRow(const NowPlayingView& view);
    void drawBars(const FallingBars& bars);
    void drawScope(const float* columns);

    GdiObject<HBITMAP> bitmap_;
    std::unique_ptr<MemoryDC> sourceDc_;   // holds the bitmap for the blits, many a second
    std::vector<uint8_t> before_;           // the last picture, to tell a change
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
