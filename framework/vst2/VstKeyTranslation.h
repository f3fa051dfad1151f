#pragma once

#include <cstdint>

namespace lumen::vst2 {

// Key codes as the editor expects them: the platform's virtual-key codes.
//
// A host names a key by its interface virtual key; 0 (no virtual key) and VKEY_EQUALS are named by
// their character instead, which is translated as the platform's character-to-key function does
// for a US keyboard layout: its whole 16-bit result, virtual-key code in the low byte and shift
// state (1 shift, 2 control, 4 alt) in the high byte, or -1 for a character no key makes. (Where the
// platform has a character-to-key function of its own, its window layer supplies the translation
// for the layout in use.)
int32_t PlatformKeyCode(int32_t virtualKey, char character);

// The character-to-key translation of a US keyboard layout, for platforms without one of their own.
int32_t UsLayoutKeyScan(char character);

// The platform's character-to-key translation: on Windows that of the calling thread's keyboard
// layout (supplied by the Windows platform layer), elsewhere UsLayoutKeyScan.
int32_t PlatformKeyScan(char character);

} // namespace lumen::vst2
