#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace lumen::canvas {

// The mouse pointer over an editor window: its shape, hiding and locking during drags, moving it.
// Positions are in points; scale = draw scale x screen scale converts to window pixels.
// Threads: the user-interface thread. One per editor.
class WinCursors {
public:
  // Shows the system cursor of kind (CursorKind; unknown kinds show the arrow); returns the
  // previous kind.
  int SetKind(int kind);
  int Kind() const { return mKind; }
  // The system cursor id of kind.
  static LPCSTR CursorId(int kind);

  // Hides (remembering (lastX, lastY) as where it went) or shows the pointer; nothing when it
  // already is so. Locked (lock and the last input not touch): while hidden, drags keep it in place,
  // and showing moves it back first.
  void Hide(HWND window, bool hide, bool lock, float lastX, float lastY, float scale);
  // Moves the pointer to (x, y) of window; true with the position it really got in (x, y) (also
  // the new hidden position). Nothing and false after touch input or when the system refuses.
  bool Move(HWND window, float& x, float& y, float scale);

  bool Hidden() const { return mHidden; }
  bool Locked() const { return mLocked; }
  float HiddenX() const { return mHiddenX; }
  float HiddenY() const { return mHiddenY; }
  void SetLastInputTouch(bool touch) { mTouch = touch; }

private:
  int mKind = 0;
  bool mHidden = false;
  bool mLocked = false;
  bool mTouch = false;
  float mHiddenX = 0.0f;
  float mHiddenY = 0.0f;
};

} // namespace lumen::canvas
