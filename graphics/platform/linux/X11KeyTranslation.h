#pragma once

namespace lumen::canvas {

// The key code (IKeyCodes.h) of an X key symbol: letters in either case give their capital's code,
// digits theirs, the keypad, arrows, editing and function keys the matching virtual keys (F1 ...
// F12 are 0x70 ... 0x7B, shift, control and alt 0x10 ... 0x12). 0 for a symbol without one.
int KeyCodeFromKeySym(unsigned long keySym);

} // namespace lumen::canvas
