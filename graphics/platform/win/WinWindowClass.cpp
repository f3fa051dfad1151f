#include "WinWindowClass.h"

#include <mutex>

namespace lumen::canvas {

namespace {

std::mutex gLock;
int gCount = 0;

} // namespace

bool WinWindowClass::Acquire(HINSTANCE module, WNDPROC procedure) {
  std::lock_guard<std::mutex> lock(gLock);
  if (gCount == 0) {
    WNDCLASSA windowClass{};
    windowClass.style = CS_DBLCLKS | CS_OWNDC;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = module;
    windowClass.lpszClassName = kName;
    if (RegisterClassA(&windowClass) == 0) {
      if (GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
      // Left registered (its last window was destroyed by its parent while unregistering, or by a
      // copy of this module loaded before): its procedure may be gone, so it is registered anew.
      // While windows of it still exist it stays, and is used only if its procedure is this one.
      UnregisterClassA(kName, module);
      if (RegisterClassA(&windowClass) == 0) {
        WNDCLASSA existing{};
        if (!GetClassInfoA(module, kName, &existing) || existing.lpfnWndProc != procedure) return false;
      }
    }
  }
  ++gCount;
  return true;
}

void WinWindowClass::Release(HINSTANCE module) {
  std::lock_guard<std::mutex> lock(gLock);
  if (gCount <= 0) return;
  if (--gCount == 0) UnregisterClassA(kName, module);
}

int WinWindowClass::Count() {
  std::lock_guard<std::mutex> lock(gLock);
  return gCount;
}

} // namespace lumen::canvas
