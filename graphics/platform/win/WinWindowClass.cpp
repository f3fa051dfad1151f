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
    // A class left registered by a module that did not unregister it is taken over as it is.
    if (RegisterClassA(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
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
