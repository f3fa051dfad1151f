#include "ICanvasX11.h"

#include "ICanvasEditorDelegate.h"
#include "IControl.h"
#include "IEditorPump.h"
#include "NanoVGGL.h"
#include "Timer.h"

#include "X11GLWindow.h"
#include "XErrorTrap.h"

#include <X11/Xatom.h>
#include <X11/Xresource.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace lumen::canvas {

namespace {

constexpr long kEventMask = ExposureMask | StructureNotifyMask | ButtonPressMask | ButtonReleaseMask |
                            PointerMotionMask | EnterWindowMask | LeaveWindowMask | KeyPressMask | KeyReleaseMask |
                            FocusChangeMask;
// Between the host's idle calls: often enough for 60 frames a second.
constexpr unsigned kTickPeriodMs = 16;

Window WindowOf(void* handle) { return static_cast<Window>(reinterpret_cast<uintptr_t>(handle)); }

} // namespace

ICanvasX11::ICanvasX11(ICanvasEditorDelegate* delegate, int width, int height, int fps, float drawScale)
    : ICanvasNanoVG(delegate, width, height, fps, drawScale) {}

ICanvasX11::~ICanvasX11() {
  // Controls may own layers whose framebuffers live in this context: delete them while it is current
  // (the host may have destroyed the window already: the errors of that are caught).
  if (mDisplay != nullptr) {
    XErrorTrap trap(mDisplay);
    MakeGLContextCurrent();
    ReleaseBeforeDestruction();
    ReleaseGLContext();
  } else {
    ReleaseBeforeDestruction();
  }
  CloseEditorWindow();
}

float ICanvasX11::ScreenScaleOf(Display* display) {
  if (display == nullptr) return 1.0f;
  // Read from the server each time: Xlib's copy (XResourceManagerString) is the one of when the
  // connection opened and misses a change made while the editor is open.
  Atom propertyType = 0;
  int format = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  {
    XErrorTrap trap(display);
    if (XGetWindowProperty(display, RootWindow(display, 0), XA_RESOURCE_MANAGER, 0, 1L << 20, False, XA_STRING,
                           &propertyType, &format, &count, &remaining, &data) != Success || trap.Failed()) {
      data = nullptr;
    }
  }
  if (data == nullptr) return 1.0f;
  std::string resources;
  if (format == 8 && propertyType == XA_STRING) resources.assign(reinterpret_cast<const char*>(data), count);
  XFree(data);
  XrmInitialize();
  XrmDatabase database = XrmGetStringDatabase(resources.c_str());
  if (database == nullptr) return 1.0f;
  float scale = 1.0f;
  char* type = nullptr;
  XrmValue value{};
  if (XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr != nullptr) {
    const double dpi = std::strtod(value.addr, nullptr);
    // A setting outside what screens have is a typing error, not a scale.
    if (std::isfinite(dpi) && dpi >= 48.0 && dpi <= 960.0) scale = static_cast<float>(dpi / 96.0);
  }
  XrmDestroyDatabase(database);
  return scale;
}

float ICanvasX11::ExpectedScreenScale() const {
  if (mDisplay != nullptr) return ScreenScaleOf(mDisplay);
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return 1.0f;
  const float scale = ScreenScaleOf(display);
  XCloseDisplay(display);
  return scale;
}

// ---- Window ---------------------------------------------------------------------------------------------

void* ICanvasX11::OpenEditorWindow(void* parent) {
  if (mWindow) CloseEditorWindow();
  mError.clear();
  if (parent == nullptr) {
    mError = "the host gave no parent window";
    return nullptr;
  }
  mDisplay = XOpenDisplay(nullptr);
  if (mDisplay == nullptr) {
    mError = "no X display (DISPLAY unset or the server refuses)";
    return nullptr;
  }
  mParent = WindowOf(parent);
  const float screenScale = ScreenScaleOf(mDisplay);
  const int w = static_cast<int>(screenScale * static_cast<float>(static_cast<int>(static_cast<float>(Width()) * DrawScale())));
  const int h = static_cast<int>(screenScale * static_cast<float>(static_cast<int>(static_cast<float>(Height()) * DrawScale())));
  {
    XErrorTrap trap(mDisplay);
    XWindowAttributes parentAttributes{};
    if (!XGetWindowAttributes(mDisplay, mParent, &parentAttributes) || trap.Failed()) {
      mError = "the parent window does not exist";
    } else {
      mParentWidth = parentAttributes.width;
      mParentHeight = parentAttributes.height;
      mWindow = X11GLWindow::Create(mDisplay, mParent, w, h, kEventMask, mError);
      if (mWindow && trap.Failed()) {
        mWindow.reset();
        mError = "the X server refused the editor window";
      }
    }
    if (!mWindow) {
      XSync(mDisplay, False);
    }
  }
  if (!mWindow) {
    XCloseDisplay(mDisplay);
    mDisplay = nullptr;
    mParent = 0;
    return nullptr;
  }

  XErrorTrap trap(mDisplay);
  const Window window = mWindow->Handle();
  // The host's window (its size) and the root's resources (Xft.dpi), on this connection only: the
  // host's own selections on them are its own and stay untouched.
  XSelectInput(mDisplay, mParent, StructureNotifyMask);
  XSelectInput(mDisplay, RootWindow(mDisplay, 0), PropertyChangeMask);
  mParentResized = false;
  mResourcesChanged = false;
  mEmbedder = 0;
  mXEmbedAtom = Intern("_XEMBED");
  // XEmbed: version 0, mapped. Embedders that follow the protocol map the window from this; the
  // others see it mapped below.
  const long xembedInfo[2] = {0, 1};
  const Atom xembed = Intern("_XEMBED_INFO");
  XChangeProperty(mDisplay, window, xembed, xembed, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(xembedInfo), 2);

  mWindow->MakeCurrent();
  glGetError();
  OnViewCreated(mDisplay);
  if (!HasDrawContext()) {
    mError = "NanoVG cannot draw with this OpenGL context";
    mWindow->Release();
    mWindow.reset();
    XSync(mDisplay, False);
    XCloseDisplay(mDisplay);
    mDisplay = nullptr;
    return nullptr;
  }
  ApplyScreenScale(screenScale); // sizes the window, tells the host, sizes the draw targets
  if (ICanvasEditorDelegate* delegate = GetDelegate()) delegate->LayoutEditor(*this);
  ForEachControl([](IControl& control) { control.MarkDirty(false); });
  mWindow->Release();

  XMapWindow(mDisplay, window);
  XFlush(mDisplay);
  mDoubleClick.Reset();
  mLastFrame = {};
  StartTicks();
  if (ICanvasEditorDelegate* delegate = GetDelegate()) delegate->OnEditorOpened();
  return WindowHandle();
}

void ICanvasX11::CloseEditorWindow() {
  StopTicks(); // before the connection closes: the host must not watch a closed descriptor
  if (!mDisplay) return;
  {
    XErrorTrap trap(mDisplay);
    // A press still held ends as if released: the host hears the end of the gesture.
    if (mButtonsDown != 0) EndPressWithoutRelease();
    if (CursorHidden()) HideCursor(false, false);
    HideTooltip();
    if (mWindow && mWindow->MakeCurrent()) {
      OnViewClosing();
      mWindow->Release();
    } else {
      OnViewClosing(); // no context: the backend abandons its objects
    }
    mWindow.reset();
    for (const auto& [kind, cursor] : mCursors) XFreeCursor(mDisplay, cursor);
    mCursors.clear();
    if (mBlankCursor != 0) XFreeCursor(mDisplay, mBlankCursor);
    mBlankCursor = 0;
  }
  XCloseDisplay(mDisplay);
  mDisplay = nullptr;
  mParent = 0;
  mButtonsDown = 0;
  mPointerInside = false;
  mHasFocus = false;
  mEmbedder = 0;
  mParentResized = false;
  mResourcesChanged = false;
  mClipboard.clear();
}

void* ICanvasX11::WindowHandle() const {
  return mWindow ? reinterpret_cast<void*>(static_cast<uintptr_t>(mWindow->Handle())) : nullptr;
}

unsigned long ICanvasX11::XWindow() const { return mWindow ? mWindow->Handle() : 0; }

void ICanvasX11::ResizePlatformWindow(bool /*parentHasResized*/) {
  if (!mWindow) return;
  XErrorTrap trap(mDisplay);
  const int w = WindowPixelWidth();
  const int h = WindowPixelHeight();
  if (w <= 0 || h <= 0) return;
  XResizeWindow(mDisplay, mWindow->Handle(), static_cast<unsigned>(w), static_cast<unsigned>(h));
  XFlush(mDisplay);
  // The driver may learn the window's new size only when a frame is shown: the first frame after
  // a resize can land in a buffer of the old size, so the next one is drawn whole again.
  mWholeFramesAfterResize = 2;
  mBackBufferWidth = mBackBufferHeight = 0;
}

void ICanvasX11::ResizeDrawTarget() {
  if (!mWindow) return;
  const bool wasCurrent = mWindow->IsCurrent();
  if (!wasCurrent && !mWindow->MakeCurrent()) return;
  ICanvasNanoVG::ResizeDrawTarget();
  if (!wasCurrent) mWindow->Release();
}

void ICanvasX11::MakeGLContextCurrent() {
  if (mWindow) mWindow->MakeCurrent();
}

void ICanvasX11::ReleaseGLContext() {
  if (mWindow) mWindow->Release();
}

// ---- Ticks ------------------------------------------------------------------------------------------------

void ICanvasX11::OnHostIdle() { Pump(); }

void ICanvasX11::StartTicks() {
  ICanvasEditorDelegate* delegate = GetDelegate();
  IEditorPump* pump = delegate ? delegate->EditorPump() : nullptr;
  mPumpTimer = pump && pump->StartTimer(kTickPeriodMs);
  // Input then comes in as it arrives, not only at the next tick. Events that Xlib has read into
  // its queue during a call of ours leave nothing to read on the descriptor: the ticks find those.
  mPumpWatch = pump && pump->WatchDescriptor(ConnectionNumber(mDisplay));
  if (!mPumpTimer) mTicker.Start(kTickPeriodMs, [this] { Pump(); });
}

void ICanvasX11::StopTicks() {
  mTicker.Stop();
  if (mPumpTimer || mPumpWatch) {
    // Asked again rather than kept: while the delegate itself is being destroyed it answers null,
    // and its binding's pump has then given back its registrations already.
    ICanvasEditorDelegate* delegate = GetDelegate();
    if (IEditorPump* pump = delegate ? delegate->EditorPump() : nullptr) {
      if (mPumpWatch) pump->StopWatching();
      if (mPumpTimer) pump->StopTimer();
    }
  }
  mPumpTimer = false;
  mPumpWatch = false;
}

void ICanvasX11::Pump(bool forceFrame) {
  if (!mWindow || mInPump) return;
  mInPump = true;
  {
    XErrorTrap trap(mDisplay);
    while (mWindow && XPending(mDisplay) > 0) {
      XEvent event;
      XNextEvent(mDisplay, &event);
      HandleEvent(event);
    }
  }
  if (mWindow && mButtonsDown == 0) ApplyPendingChanges();
  // The framework's timers of this thread (the idle timer that brings values from the audio side).
  Timer::PumpDue();
  if (mWindow) {
    const auto now = std::chrono::steady_clock::now();
    const auto period = std::chrono::microseconds(1000000 / std::max(1, FPS()));
    // A little early is on time: ticks from a 16 ms timer must not miss every other frame.
    if (forceFrame || now - mLastFrame >= period - std::chrono::milliseconds(2)) {
      mLastFrame = now;
      const bool whole = mWholeFramesAfterResize > 0;
      if (whole) {
        --mWholeFramesAfterResize;
        ForEachControl([](IControl& control) { control.MarkDirty(false); });
      }
      IRectFList regions;
      if (Tick(regions)) DrawFrame(regions, whole);
    }
  }
  mInPump = false;
}

void ICanvasX11::ApplyPendingChanges() {
  if (!mResourcesChanged && !mParentResized) return;
  // The context is made current by the resize itself (ResizeDrawTarget), after the window has its
  // new size, as for the grip.
  XErrorTrap trap(mDisplay);
  if (mResourcesChanged) {
    mResourcesChanged = false;
    const float scale = ScreenScaleOf(mDisplay);
    if (scale != ScreenScale()) ApplyScreenScale(scale); // resizes the window and tells the host
  }
  if (mParentResized && mWindow) {
    mParentResized = false;
    FollowParentSize(mParentWidth, mParentHeight);
  }
}

namespace {

// Regions that overlap a lot are drawn as their bounding box: a knob's shadow, body and overlay
// are three regions, and each drawn apart shades every picture that reaches into it again (a turned
// picture shades its whole square however little of it a region holds). The box is taken only when
// it is no larger than the regions together, so scattered regions stay apart.
IRectFList MergedWhereCheaper(const IRectFList& regions) {
  if (regions.size() < 2) return regions;
  IRectF box;
  double total = 0.0;
  for (const IRectF& r : regions) {
    box = box.Union(r);
    total += static_cast<double>(r.W()) * static_cast<double>(r.H());
  }
  const double boxArea = static_cast<double>(box.W()) * static_cast<double>(box.H());
  if (boxArea > total) return regions;
  return {box};
}

} // namespace

void ICanvasX11::DrawFrame(const IRectFList& dirty, bool whole) {
  const IRectFList regions = mPartialPresent ? MergedWhereCheaper(dirty) : dirty;
  XErrorTrap trap(mDisplay);
  if (!mWindow->MakeCurrent()) return;
  const int pw = WindowPixelWidth();
  const int ph = WindowPixelHeight();
  // With the server copying parts of the back buffer, the back buffer is never swapped away: it
  // keeps the whole picture from frame to frame, and a frame puts on the window only the pixels it
  // changed. A drag then costs the knob's pixels instead of the whole window's, twice (the copy
  // into the back buffer and the one to the screen). The frames drawn whole after a resize are
  // swapped: the driver learns a window's new size from a swap, not from a copy; the frame after
  // them copies everything once more. Without the extension every frame is swapped whole.
  const bool copyParts = mPartialPresent && mWindow->CanCopyParts();
  const bool partial = copyParts && !whole && mBackBufferWidth == pw && mBackBufferHeight == ph;
  std::vector<WindowPixels> parts;
  if (partial) parts = WindowPixelsOf(regions);
  if (partial && parts.empty()) {
    mWindow->Release();
    return;
  }
  LimitWindowCopy(parts);
  DrawRegions(regions);
  LimitWindowCopy({});
  if (LastCopyWasPartial()) {
    for (const WindowPixels& p : parts) mWindow->CopyPart(p.x, p.y, p.w, p.h);
  } else if (copyParts && !whole) {
    mWindow->CopyPart(0, 0, pw, ph);
    mBackBufferWidth = pw;
    mBackBufferHeight = ph;
  } else {
    mWindow->SwapBuffers();
    mBackBufferWidth = mBackBufferHeight = 0; // a swapped back buffer holds nothing we know
  }
  mWindow->Release();
  ++mFramesDrawn;
}

bool ICanvasX11::PresentsParts() const { return mPartialPresent && mWindow && mWindow->CanCopyParts(); }

Atom ICanvasX11::Intern(const char* name) { return XInternAtom(mDisplay, name, False); }

} // namespace lumen::canvas
