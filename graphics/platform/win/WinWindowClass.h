#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace lumen::canvas {

// The editor windows' class "LumenWndClass": registered when the first editor window of the
// process opens, unregistered when the last one closes (or fails to open).
//
// Threads: any; the count is process-wide and locked (hosts may open editors on several threads).
class WinWindowClass {
public:
  static constexpr const char* kName = "LumenWndClass";

  // Registers the class when no editor window exists yet, then counts one more. False (and
  // nothing counted) when the class cannot be registered.
  static bool Acquire(HINSTANCE module, WNDPROC procedure);
  // One window fewer (closed, or its creation failed): the class goes with the last.
  static void Release(HINSTANCE module);
  // Editor windows counted now.
  static int Count();
};

} // namespace lumen::canvas
