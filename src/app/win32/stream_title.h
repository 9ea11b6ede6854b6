#pragma once
// What a playing radio station shows where its entry's name shows (the display, the
// editor's row, the tray tip): "station — title" in the program's 8-bit text. Kept by the
// user interface thread; empty while no station with a name or title plays.
namespace korvo::win {

void setStreamShownName(const char* utf8);
void clearStreamShownName();
const char* streamShownName();

// UTF-8 text in the ANSI code page (characters it lacks become '?'), cut to size.
void utf8ToAnsi(const char* utf8, char* out, int size);

} // namespace korvo::win
