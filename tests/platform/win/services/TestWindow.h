#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

// A plain top-level window owned by the calling thread, destroyed with the object: the owner and
// parent the services need. Messages go to DefWindowProc unless a procedure is given.
class TestWindow {
public:
  explicit TestWindow(WNDPROC procedure = DefWindowProcW) {
    static const wchar_t* const kClass = L"LumenServiceTestWindow";
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClass;
    UnregisterClassW(kClass, windowClass.hInstance);
    RegisterClassW(&windowClass);
    mWindow = CreateWindowExW(0, kClass, L"test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr,
                              windowClass.hInstance, nullptr);
  }
  ~TestWindow() {
    if (mWindow) DestroyWindow(mWindow);
  }
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  HWND Handle() const { return mWindow; }

private:
  HWND mWindow = nullptr;
};
