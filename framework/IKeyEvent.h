#pragma once

#include <cstdint>

namespace lumen {

// One key press or release as the host or the editor window hands it on.
struct IKeyEvent {
  char text[8] = {};   // the key's character as NUL-terminated UTF-8; empty when it has none
  int32_t keyCode = 0; // platform virtual-key code
  bool shift = false;
  bool control = false;
  bool alt = false;
};

} // namespace lumen
