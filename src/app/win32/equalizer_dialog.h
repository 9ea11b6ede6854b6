#pragma once
// The equalizer dialog (149): twelve band sliders and the on switch, heard while they move.
#include <windows.h>

namespace korvo::win {

// Closes the open dialog, keeping what was changed so far; otherwise opens it owned by owner.
void toggleEqualizer(HWND owner);
// The open dialog, or nullptr (the message loop hands it its keyboard messages).
HWND equalizerWindow();

// Slider position 0 (top) .. 20 (bottom) and band gain 2.0 .. 0.0.
float eqGainOfPosition(int position);
int eqPositionOfGain(float gain);

} // namespace korvo::win
