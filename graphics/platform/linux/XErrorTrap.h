#pragma once

#include <X11/Xlib.h>

namespace lumen::canvas {

// Catches the X errors of one display connection for as long as it lives, so that a failed request
// (a parent window the host already destroyed, a refused visual) becomes a result instead of
// Xlib's default handler ending the host's process.
//
// X error handlers are process-wide: the first trap installs its handler and the last one to go
// restores whatever was installed before. Errors of connections that are not being trapped (the
// host's own) go on to that previous handler, so the host sees exactly what it saw before.
// Destroying a trap first waits for the server's answers to everything sent (XSync), so errors of
// requests made under it are counted under it. Traps nest; all run on the thread that uses the
// display.
class XErrorTrap {
public:
  explicit XErrorTrap(Display* display);
  ~XErrorTrap();
  XErrorTrap(const XErrorTrap&) = delete;
  XErrorTrap& operator=(const XErrorTrap&) = delete;

  // Waits for the server and tells whether any error arrived for the display since the trap began.
  bool Failed();
  // The error code of the last error caught (0 none).
  int LastError() const { return mLastError; }

  // Errors caught by all traps in this process since it started (for tests).
  static int TotalCaught();

private:
  static int Handler(Display* display, XErrorEvent* event);

  Display* mDisplay;
  XErrorTrap* mOuter = nullptr;
  int mErrors = 0;
  int mLastError = 0;
};

} // namespace lumen::canvas
