#pragma once
// The display as the screen shows it, and as the program's font draws a text.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/win32/now_playing.h"
#include "ui_driver.h"

namespace korvo::uitest {

constexpr int kPlayWaitMs = 8000;


// The display's text colour is bright green; its plate and the dim track are dark.
bool inked(uint32_t rgb);
// The font the program draws with, from the resources the tests link as well.
const win::PixelFont& font();
// Ink of a display row (one cell high from rowY) inside the margins, as '#' and '.'.
std::string rowInk(const Shot& s, int rowY);
// The same, for text drawn by the font with its left at x (display pixels); a copy follows
// at x + repeat when repeat > 0. A glyph before it has gap pixels after its ink.
std::string renderedInk(const std::string& text, int x, int repeat, int glyph = -1, int gap = 2,
                        win::PixelFont::Style style = win::PixelFont::Letters);
// The name row reads the name: at the left, or, for a name wider than the display, at one
// of its scroll positions. The position found, or -1.
int nameOffset(const Shot& s, const std::string& name);
// The program started on one file: its window once the file plays, or nullptr.
HWND startPlaying(Program& p, const ProgramFolder& folder, const std::string& path);

} // namespace korvo::uitest
