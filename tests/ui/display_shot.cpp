// The display as the screen shows it, and as the program's font draws a text, for the window
// tests that read what the display shows.
#include "display_shot.h"

#include <gtest/gtest.h>

#include "app/win32/now_playing.h"
#include "ui_driver.h"

namespace korvo::uitest {

using namespace korvo::win;

// The display's text colour is bright green; its plate and the dim track are dark.
bool inked(uint32_t rgb) { return ((rgb >> 8) & 0xFF) > 0xC0 && ((rgb >> 16) & 0xFF) < 0xA0; }

// The font the program draws with, from the resources this test links as well.
const PixelFont& font() {
    static PixelFont f;
    if (!f.loaded()) f.load(GetModuleHandleA(nullptr));
    return f;
}

// Ink of a display row (8 pixels high from rowY) inside the margins, as a string of '#' and '.'.
std::string rowInk(const Shot& s, int rowY) {
    std::string ink;
    for (int y = 0; y < PixelFont::kCellHeight; ++y)
        for (int x = kDisplayMargin; x < kDisplayWidth - kDisplayMargin; ++x)
            ink += inked(s.at(kDisplayArea.left + x, kDisplayArea.top + rowY + y)) ? '#' : '.';
    return ink;
}

// The same, for text drawn by the font with its left at x (display pixels); a copy follows
// at x + repeat when repeat > 0. A glyph before it has gap pixels after its ink.
std::string renderedInk(const std::string& text, int x, int repeat, int glyph, int gap, PixelFont::Style style) {
    std::vector<bool> on(size_t(kDisplayWidth) * PixelFont::kCellHeight, false);
    auto plot = [&](int px, int py) {
        if (px >= 0 && px < kDisplayWidth && py >= 0 && py < PixelFont::kCellHeight) on[size_t(py) * kDisplayWidth + px] = true;
    };
    int tx = x;
    if (glyph >= 0) {
        font().drawGlyph(glyph, x, 0, plot);
        tx += font().advance(glyph) - 1 + gap;
    }
    font().forEachInk(text.c_str(), tx, 0, plot, style);
    if (repeat > 0) font().forEachInk(text.c_str(), tx + repeat, 0, plot, style);
    std::string ink;
    for (int y = 0; y < PixelFont::kCellHeight; ++y)
        for (int px = kDisplayMargin; px < kDisplayWidth - kDisplayMargin; ++px) ink += on[size_t(y) * kDisplayWidth + px] ? '#' : '.';
    return ink;
}

// The name row reads the name: at the left, or, for a name wider than the display, at one
// of its scroll positions. The position found, or -1.
int nameOffset(const Shot& s, const std::string& name) {
    const std::string shown = rowInk(s, kDisplayNameY);
    const int width = font().width(name.c_str());
    if (width <= kDisplayWidth - 2 * kDisplayMargin) return shown == renderedInk(name, kDisplayMargin, 0) ? 0 : -1;
    const int period = width + kDisplayScrollGap;
    for (int offset = 0; offset < period; ++offset)
        if (shown == renderedInk(name, kDisplayMargin - offset, period)) return offset;
    return -1;
}

// The program started on one file: its window once the file plays, or nullptr.
HWND startPlaying(Program& p, const ProgramFolder& folder, const std::string& path) {
    clearRecord();
    if (!p.start(folder, {path})) return nullptr;
    HWND w = p.waitForWindow();
    EXPECT_TRUE(w && waitForRecord(path, kPlayWaitMs)) << readRecord();
    return w;
}

} // namespace korvo::uitest
