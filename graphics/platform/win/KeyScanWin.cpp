// The character-to-key translation of the keyboard layout in use on the calling thread.
#include "VstKeyTranslation.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace lumen::vst2 {

int32_t PlatformKeyScan(char character) {
  // The whole 16-bit result: key code in the low byte, shift state in the high one, -1 (all bits
  // set) for a character no key of the layout makes.
  return static_cast<int16_t>(VkKeyScanExA(character, GetKeyboardLayout(0)));
}

} // namespace lumen::vst2
