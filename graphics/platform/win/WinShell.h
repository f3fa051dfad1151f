#pragma once

#include <string>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace lumen::canvas {

// Handing things to the shell: web addresses to the browser, paths to the file manager.
// Threads: the user-interface thread.
class WinShell {
public:
  // With confirmText, asks first (Yes continues). Online: opens url (UTF-8) with the shell; true
  // when the shell accepted it. Offline or refused: shows errorText (if any) and returns false.
  static bool OpenWebAddress(HWND owner, const char* url, const char* windowTitle, const char* confirmText,
                             const char* errorText);
  // Opens the file manager at path, with the item selected when select is set. False for an
  // empty path or when the shell refuses.
  static bool RevealPath(const char* path, bool select);

  // The file manager's arguments: ["/select,"] "\"" path "\\\"".
  static std::string RevealArguments(const std::string& path, bool select);
};

} // namespace lumen::canvas
