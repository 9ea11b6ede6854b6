#pragma once
// What a playing radio station shows where its entry's name shows (the display, the
// editor's row, the tray tip, the chat announcement): "station — title" in the program's
// UTF-8 text. Kept by the user interface thread; empty while no station with a name or
// title plays.
namespace korvo::win {

void setStreamShownName(const char* utf8);
void clearStreamShownName();
const char* streamShownName();

} // namespace korvo::win
