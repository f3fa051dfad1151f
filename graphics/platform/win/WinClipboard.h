#pragma once

#include <string>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace lumen::canvas {

// Text on the system clipboard, UTF-8 on this side, CF_UNICODETEXT on the clipboard.
// Threads: the user-interface thread (the clipboard is opened and closed within each call).
class WinClipboard {
public:
  // The clipboard's text; false (text emptied) when it has none or cannot be opened or read.
  static bool ReadText(std::string& text);
  // Empties the clipboard and puts text on it, owned by owner (may be null). False for an empty
  // text (the clipboard is left empty), when it cannot be opened, or when memory cannot be had or
  // the clipboard refuses it (nothing is leaked then).
  static bool WriteText(HWND owner, const std::string& text);
};

} // namespace lumen::canvas
