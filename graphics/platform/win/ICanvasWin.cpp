// The loader's declarations first: the Windows headers then find OpenGL already declared.
#include "NanoVGGL.h"

#include "ICanvasWin.h"

#include "ICanvasEditorDelegate.h"
#include "IControl.h"
#include "WinFonts.h"
#include "WinTextEntry.h"
#include "WinTooltip.h"
#include "WinWindowClass.h"

namespace lumen::canvas {

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

// Looked up once per process: Windows before 10 1607 has no per-window DPI.
GetDpiForWindowFn DpiFunction() {
  static const GetDpiForWindowFn function = [] {
    HMODULE user = LoadLibraryA("user32.dll");
    return user != nullptr
               ? reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void*>(GetProcAddress(user, "GetDpiForWindow")))
               : nullptr;
  }();
  return function;
}

HINSTANCE ModuleOfThisCode() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&DpiFunction), &module);
  return module;
}

bool GrowsItsParent(HWND window) {
  const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
  const LONG_PTR exStyle = GetWindowLongPtrA(window, GWL_EXSTYLE);
  return (style & WS_CHILD) != 0 && (exStyle & WS_EX_NOPARENTNOTIFY) == 0;
}

void GrowWindow(HWND window, int dw, int dh) {
  RECT r{};
  if (!GetWindowRect(window, &r)) return;
  SetWindowPos(window, nullptr, 0, 0, r.right - r.left + dw, r.bottom - r.top + dh,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

ICanvasWin::ICanvasWin(ICanvasEditorDelegate* delegate, int width, int height, int fps, float drawScale)
    : ICanvasNanoVG(delegate, width, height, fps, drawScale), mModule(ModuleOfThisCode()),
      mTicker(WinDisplayTicker::SystemHasVerticalBlank()) {
  WinFonts::AddInstance();
}

ICanvasWin::~ICanvasWin() {
  mTextEntry.reset(); // its window procedure restored, its window and font destroyed
  // Controls may own layers whose framebuffers live in this context: delete them while it is current.
  const bool current = mGL.MakeCurrent();
  ReleaseBeforeDestruction();
  if (current) mGL.Release();
  CloseEditorWindow();
  // The last editor of the process empties the font caches.
  WinFonts::RemoveInstance();
}

void ICanvasWin::SetModuleHandle(void* module) {
  if (module != nullptr && mWindow == nullptr) mModule = static_cast<HINSTANCE>(module);
}

void ICanvasWin::SetTickThreadStarterForTesting(WinDisplayTicker::ThreadStarter starter) {
  if (mWindow != nullptr) return;
  mTicker.SetThreadStarter(starter);
}

float ICanvasWin::WindowScale(HWND window) {
  const GetDpiForWindowFn dpiForWindow = DpiFunction();
  if (dpiForWindow == nullptr || window == nullptr) return 1.0f;
  const UINT dpi = dpiForWindow(window);
  if (dpi == 0) return 1.0f;
  return dpi == 96 ? 1.0f : static_cast<float>(dpi) / 96.0f;
}

// Before the first open there is no parent to ask: the desktop's scale is the one a host window
// most likely has, so the size announced to the host is the size the editor opens at.
float ICanvasWin::ExpectedScreenScale() const {
  return mWindow != nullptr ? ScreenScale() : WindowScale(GetDesktopWindow());
}

bool ICanvasWin::SupportsMultiTouch() const { return (GetSystemMetrics(SM_DIGITIZER) & NID_MULTI_INPUT) != 0; }

// ---- Window ---------------------------------------------------------------------------------------------

void* ICanvasWin::OpenEditorWindow(void* parentHandle) {
  mError.clear();
  HWND parent = static_cast<HWND>(parentHandle);
  if (parent == nullptr || !IsWindow(parent)) {
    if (mWindow != nullptr) CloseEditorWindow();
    mError = "the host gave no parent window";
    return nullptr;
  }
  const float screenScale = WindowScale(parent);
  int x = 0;
  int y = 0;
  int w = static_cast<int>(static_cast<float>(Width()) * DrawScale()) * static_cast<int>(screenScale);
  int h = static_cast<int>(static_cast<float>(Height()) * DrawScale()) * static_cast<int>(screenScale);
  if (mWindow != nullptr) {
    RECT windowRect{};
    GetWindowRect(mWindow, &windowRect);
    CloseEditorWindow();
    // Relative to the parent's client area, where a child window is placed (the difference of the
    // two window rectangles would move it by the parent's frame on every reopen).
    POINT origin{windowRect.left, windowRect.top};
    ScreenToClient(parent, &origin);
    x = origin.x;
    y = origin.y;
    w = windowRect.right - windowRect.left;
    h = windowRect.bottom - windowRect.top;
  }
  mParent = parent;

  if (!WinWindowClass::Acquire(mModule, &WindowProcedure)) {
    mError = "the editor's window class cannot be registered";
    mParent = nullptr;
    return nullptr;
  }
  mWindow = CreateWindowExA(0, WinWindowClass::kName, "Lumen", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                            x, y, w > 0 ? w : 1, h > 0 ? h : 1, parent, nullptr, mModule, this);
  if (mWindow == nullptr) {
    mError = "the editor window cannot be created";
    mTicker.Stop();
    WinWindowClass::Release(mModule);
    mParent = nullptr;
    return nullptr;
  }
  if (!mGL.Create(mWindow, mError) || !mGL.MakeCurrent()) {
    CloseWindowOnly();
    return nullptr;
  }
  OnViewCreated(mWindow);
  if (!HasDrawContext()) {
    mError = "NanoVG cannot draw with this OpenGL context";
    OnViewClosing();
    mGL.Release();
    CloseWindowOnly();
    return nullptr;
  }
  mMonitorScale = screenScale;
  ApplyScreenScale(screenScale); // sizes the window, tells the host, sizes the draw targets
  if (ICanvasEditorDelegate* delegate = GetDelegate()) delegate->LayoutEditor(*this);
  mTouchRegistered = MultiTouchEnabled() && SupportsMultiTouch() && RegisterTouchWindow(mWindow, 0) != FALSE;
  ForEachControl([](IControl& control) { control.MarkDirty(false); });
  if (TooltipsEnabled()) {
    mTooltip = WinTooltip::Create(mWindow, mModule);
    if (!mTooltip) EnableTooltips(false);
  }
  mGL.Release();

  if (ICanvasEditorDelegate* delegate = GetDelegate()) delegate->OnEditorOpened();
  return mWindow;
}

void ICanvasWin::CloseWindowOnly() {
  mTicker.Stop();
  mTextEntry.reset();
  mTooltip.reset();
  mGL.Destroy();
  if (mWindow != nullptr) {
    HWND window = mWindow;
    mWindow = nullptr;
    if (!mWindowGone) DestroyWindow(window);
    WinWindowClass::Release(mModule);
  }
  mWindowGone = false;
  mParent = nullptr;
  mPressed = false;
  mTracking = false;
  mTouchRegistered = false;
  mTouches.clear();
}

void ICanvasWin::CloseEditorWindow() {
  if (mWindow == nullptr) return;
  // First the ticks, so none arrives while the window goes.
  mTicker.Stop();
  // A press still held ends as if released: the host hears the end of the gesture.
  if (mPressed) EndPress(LastMouseX(), LastMouseY(), IMouseState{});
  if (CursorHidden()) HideCursor(false, false);
  mTextEntry.reset();
  HideTooltip();
  mTooltip.reset();
  mTooltipIndex = -1;
  if (mGL.MakeCurrent()) {
    OnViewClosing();
    mGL.Release();
  } else {
    OnViewClosing(); // no context: the backend abandons its objects
  }
  if (mTouchRegistered && !mWindowGone) UnregisterTouchWindow(mWindow);
  CloseWindowOnly();
}

void ICanvasWin::ResizePlatformWindow(bool parentHasResized) {
  if (mWindow == nullptr) return;
  const int w = WindowPixelWidth();
  const int h = WindowPixelHeight();
  RECT r{};
  if (!GetWindowRect(mWindow, &r)) return;
  const int dw = w - (r.right - r.left);
  const int dh = h - (r.bottom - r.top);
  if (dw == 0 && dh == 0) return;
  SetWindowPos(mWindow, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (parentHasResized || !GrowsItsParent(mWindow)) return;
  // Hosts whose window holds the editor as it is (no resize call of their own) grow with it.
  HWND parent = GetParent(mWindow);
  if (parent == nullptr) return;
  GrowWindow(parent, dw, dh);
  if (!GrowsItsParent(parent)) return;
  if (HWND grandParent = GetParent(parent)) GrowWindow(grandParent, dw, dh);
}

void ICanvasWin::ResizeDrawTarget() {
  if (!mGL.MakeCurrent()) return;
  ICanvasNanoVG::ResizeDrawTarget();
  mGL.Release();
}

void ICanvasWin::MakeGLContextCurrent() { mGL.MakeCurrent(); }

void ICanvasWin::ReleaseGLContext() { mGL.Release(); }

} // namespace lumen::canvas
