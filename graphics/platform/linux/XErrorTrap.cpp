#include "XErrorTrap.h"

#include <atomic>
#include <mutex>

namespace lumen::canvas {

namespace {

std::mutex gLock;
XErrorTrap* gInnermost = nullptr; // the newest trap; each links to the one before it
XErrorHandler gPrevious = nullptr;
std::atomic<int> gTotal{0};

} // namespace

XErrorTrap::XErrorTrap(Display* display) : mDisplay(display) {
  std::lock_guard<std::mutex> guard(gLock);
  mOuter = gInnermost;
  if (gInnermost == nullptr) gPrevious = XSetErrorHandler(&XErrorTrap::Handler);
  gInnermost = this;
}

XErrorTrap::~XErrorTrap() {
  if (mDisplay != nullptr) XSync(mDisplay, False);
  std::lock_guard<std::mutex> guard(gLock);
  // Unlink this trap wherever it is (traps of different editors may end out of order).
  XErrorTrap** link = &gInnermost;
  while (*link != nullptr && *link != this) link = &(*link)->mOuter;
  if (*link == this) *link = mOuter;
  if (gInnermost == nullptr) {
    XSetErrorHandler(gPrevious);
    gPrevious = nullptr;
  }
}

bool XErrorTrap::Failed() {
  if (mDisplay != nullptr) XSync(mDisplay, False);
  return mErrors > 0;
}

int XErrorTrap::TotalCaught() { return gTotal.load(); }

int XErrorTrap::Handler(Display* display, XErrorEvent* event) {
  XErrorHandler forward = nullptr;
  {
    std::lock_guard<std::mutex> guard(gLock);
    for (XErrorTrap* trap = gInnermost; trap != nullptr; trap = trap->mOuter) {
      if (trap->mDisplay == display) {
        ++trap->mErrors;
        trap->mLastError = event->error_code;
        ++gTotal;
        return 0;
      }
    }
    forward = gPrevious;
  }
  return forward != nullptr ? forward(display, event) : 0;
}

} // namespace lumen::canvas
