#pragma once

#include "ICanvasTypes.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace lumen::canvas {

// What mouse messages carry, turned into the core's terms.

// Position of a mouse message (client pixels in lParam) in logical units.
void MessagePosition(LPARAM lParam, float totalScale, float& x, float& y);
// Buttons and keys of a mouse message's wParam; alt from the keyboard state now.
IMouseState MessageModifiers(WPARAM wParam);
// The system marks mouse messages it synthesises from pen and touch input in their extra info.
bool IsPenOrTouch(LPARAM extraInfo);
// Of those, the ones from a finger (not a pen).
bool IsTouch(LPARAM extraInfo);
// Whole wheel notches of a WM_MOUSEWHEEL's wParam, truncated toward zero.
int WheelNotches(WPARAM wParam);

} // namespace lumen::canvas
