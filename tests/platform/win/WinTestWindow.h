#pragma once

// A host's top-level window for the editor tests, and the message pumping a host's UI loop does.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <chrono>
#include <string>

namespace lumen::test {

class WinTestWindow {
public:
  WinTestWindow(int width, int height) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "KolmariTestHostWindow";
    RegisterClassA(&windowClass); // a second registration fails harmlessly
    RECT r{0, 0, width, height};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    mWindow = CreateWindowExA(0, "KolmariTestHostWindow", "host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                              r.right - r.left, r.bottom - r.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (mWindow != nullptr) ShowWindow(mWindow, SW_SHOWNOACTIVATE);
  }
  ~WinTestWindow() {
    if (mWindow != nullptr) DestroyWindow(mWindow);
    Pump(std::chrono::milliseconds(0));
  }
  WinTestWindow(const WinTestWindow&) = delete;
  WinTestWindow& operator=(const WinTestWindow&) = delete;

  HWND Handle() const { return mWindow; }
  // A client area of width x height, as a host makes room before it sizes the editor.
  void Resize(int width, int height) {
    RECT r{0, 0, width, height};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    SetWindowPos(mWindow, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // The editor's window inside.
  HWND Editor() const { return FindWindowExA(mWindow, nullptr, "LumenWndClass", nullptr); }

  // Dispatches this thread's messages for a while, as a host's UI loop does.
  static void Pump(std::chrono::milliseconds duration) {
    const auto end = std::chrono::steady_clock::now() + duration;
    do {
      MSG message;
      while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
      }
      if (duration.count() > 0) MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (std::chrono::steady_clock::now() < end);
  }

private:
  HWND mWindow = nullptr;
};

inline LPARAM PointParam(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

} // namespace lumen::test
