#include "WinCursors.h"

#include <cmath>

namespace lumen::canvas {

LPCSTR WinCursors::CursorId(int kind) {
  switch (kind) {
  case 1: return IDC_IBEAM;
  case 2: return IDC_WAIT;
  case 3: return IDC_CROSS;
  case 4: return IDC_UPARROW;
  case 5: return IDC_SIZENWSE;
  case 6: return IDC_SIZENESW;
  case 7: return IDC_SIZEWE;
  case 8: return IDC_SIZENS;
  case 9: return IDC_SIZEALL;
  case 10: return IDC_NO;
  case 11: return IDC_HAND;
  case 12: return IDC_APPSTARTING;
  case 13: return IDC_HELP;
  default: return IDC_ARROW;
  }
}

int WinCursors::SetKind(int kind) {
  const int previous = mKind;
  SetCursor(LoadCursorA(nullptr, CursorId(kind)));
  mKind = kind;
  return previous;
}

void WinCursors::Hide(HWND window, bool hide, bool lock, float lastX, float lastY, float scale) {
  if (mHidden == hide) return;
  if (hide) {
    mHiddenX = lastX;
    mHiddenY = lastY;
    ShowCursor(FALSE);
    mHidden = true;
    mLocked = lock && !mTouch;
  } else {
    if (mLocked) {
      float x = mHiddenX;
      float y = mHiddenY;
      Move(window, x, y, scale);
    }
    ShowCursor(TRUE);
    mHidden = false;
    mLocked = false;
  }
}

bool WinCursors::Move(HWND window, float& x, float& y, float scale) {
  if (mTouch || !window || !(scale > 0.0f)) return false;
  POINT point{static_cast<LONG>(std::lround(x * scale)), static_cast<LONG>(std::lround(y * scale))};
  ClientToScreen(window, &point);
  if (!SetCursorPos(point.x, point.y)) return false;
  POINT actual{};
  if (!GetCursorPos(&actual)) return false;
  ScreenToClient(window, &actual);
  x = static_cast<float>(actual.x) / scale;
  y = static_cast<float>(actual.y) / scale;
  mHiddenX = x;
  mHiddenY = y;
  return true;
}

} // namespace lumen::canvas
