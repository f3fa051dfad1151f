#pragma once

#include "ICanvasNanoVG.h"
#include "WinCursors.h"
#include "WinDialogs.h"
#include "WinDisplayTicker.h"
#include "WinGLContext.h"

#include <string>
#include <unordered_map>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <shellapi.h>

namespace lumen::canvas {

class WinTextEntry;
class WinTooltip;

// The editor surface on Windows: a child window "Lumen" of the host's window with a WGL context,
// drawn by the NanoVG backend.
//
// Threads: everything runs on the user-interface thread that opened the window (the host's): the
// window procedure, the display tick, drawing and the services. The only other thread is the
// display ticker's vertical-blank thread, which shares nothing with this object (see
// WinDisplayTicker).
//
// Ticks: the window's own messages drive it, so the host's idle calls are not needed: a timer, or
// the vertical-blank thread on systems that have it, posts the ticks that redraw what is dirty.
//
// Input: a press captures the mouse; its release (any button) or the loss of the capture ends the
// gesture through the same path, so the host always hears end-edit and a hidden cursor comes
// back. Keys the editor does not use go to the host's top-level window.
//
// Failure: when the window, the pixel format, the context or OpenGL 2.1 is not there,
// OpenEditorWindow returns null at once (LastError says why) and leaves no window, context or
// class registration behind; the plug-in works on without an editor.
class ICanvasWin : public ICanvasNanoVG {
public:
  ICanvasWin(ICanvasEditorDelegate* delegate, int width, int height, int fps, float drawScale);
  ~ICanvasWin() override;

  // ---- Window --------------------------------------------------------------------------------------

  // parent is the host's window (HWND). A second open without a close closes first and keeps the
  // window's size and position.
  void* OpenEditorWindow(void* parent) override;
  void CloseEditorWindow() override;
  void* WindowHandle() const override { return mWindow; }
  bool EditorWindowIsOpen() const override { return mWindow != nullptr; }
  const char* PlatformName() const override { return "win32"; }
  // The module the window class and the resources belong to; by default the one this code is in.
  void SetModuleHandle(void* module) override;
  void* ModuleHandle() const override { return mModule; }
  const std::string& LastError() const { return mError; }

  float PlatformWindowScale() const override { return ScreenScale(); }
  float ExpectedScreenScale() const override;
  // The scale of a window's monitor: its DPI / 96 where the system can tell (Windows 10 1607 and
  // later), else 1.
  static float WindowScale(HWND window);
  bool SupportsMultiTouch() const override;
  void ResizePlatformWindow(bool parentHasResized) override;
  void ResizeDrawTarget() override;
  void MakeGLContextCurrent() override;
  void ReleaseGLContext() override;

  // Whether the ticks come from the vertical-blank thread (else from the window's timer).
  bool TicksFromVerticalBlank() const { return mTicker.UsesVerticalBlank(); }
  bool TouchRegistered() const { return mTouchRegistered; }
  int FramesDrawn() const { return mFramesDrawn; }

  // ---- Platform services -----------------------------------------------------------------------------

  void GetMousePosition(float& x, float& y) const override;
  void HidePointer(bool hide, bool lock) override;
  void MovePointer(float x, float y) override;
  int SetPointerKind(int kind) override;
  void AbortTextEntry() override;
  bool ReadClipboardText(std::string& text) override;
  bool WriteClipboardText(const std::string& text) override;
  int ShowAlert(const char* text, const char* caption, int type, std::function<void(int)> completion = {}) override;
  void PickFile(std::string& fileName, std::string& directory, int action, const char* extensions) override;
  void PickDirectory(std::string& directory) override;
  bool PickColor(IColorARGB& color, const char* prompt, std::function<void(const IColorARGB&)> completion = {}) override;
  bool OpenWebAddress(const char* url, const char* windowTitle, const char* confirmText = nullptr,
                      const char* errorText = nullptr) override;
  bool RevealPathInExplorer(const char* path, bool select) override;
  std::unique_ptr<PlatformFont> LoadSystemFont(const char* fontId, const char* family, int style) override;
  std::unique_ptr<PlatformFont> LoadFontFromMemory(const char* fontId, const void* data, int dataSize) override;
  // The module's "TTF" resource or a file on disk, installed through GDI (WinFonts); a program
  // without module resources falls back to the surface's own table.
  std::unique_ptr<PlatformFont> LoadFontFromResource(const char* fontId, const char* fileNameOrResourceName) override;
  void CacheSystemFont(const char* fontId, PlatformFont& font) override;
  // Resources of the module first (upper-cased quoted names), then files and the surface's own table.
  ResourceLocation FindResourceLocation(const char* name, const char* type, std::string& path) override;
  std::span<const uint8_t> LoadResourceBytes(const char* name, const char* type) override;
  void OpenPlatformTextEdit(int paramIdx, const ITextStyle& style, const IRectF& bounds, int maxLength,
                            const char* text) override;
  IPopupMenu* OpenPlatformMenu(IPopupMenu& menu, const IRectF& bounds) override;
  // The value entry's edit control, or null.
  HWND TextEntryWindow() const;
  bool TooltipShown() const { return mTooltipShown; }

  // Ticks from threads that cannot be started (tests): the timer must take over.
  void SetTickThreadStarterForTesting(WinDisplayTicker::ThreadStarter starter);

protected:
  // The window procedure of the class; finds the editor in the window's user data.
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
  // Messages (ICanvasWinMessages.cpp).
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnCreate();
  void OnDisplayTick(uint32_t count);
  void OnPaint();
  void OnMouseMove(WPARAM wParam, LPARAM lParam);
  void OnButtonDown(WPARAM wParam, LPARAM lParam, bool right);
  void OnButtonUp(WPARAM wParam, LPARAM lParam, bool right);
  void OnDoubleClick(WPARAM wParam, LPARAM lParam);
  void OnWheel(WPARAM wParam, LPARAM lParam);
  LRESULT OnKey(UINT message, WPARAM wParam, LPARAM lParam);
  void OnDropFiles(HDROP drop);
  void OnTouch(WPARAM wParam, LPARAM lParam);
  // Ends a press: the capture released and the gesture ended, as for any button's release.
  void EndPress(float x, float y, IMouseState mods);
  bool IgnoredAsTouch() const;

  void CloseWindowOnly();
  // Before a modal dialog takes the mouse: a press in progress ends as if released (its gesture
  // closes), every capture of the core goes and a hidden pointer shows again.
  void ReleaseMouseForDialog();
  // What owns dialogs and message boxes: the host's top-level window, else the editor window.
  HWND DialogOwner();
  void ShowTooltipFor(int index);
  void HideTooltip();

  std::string mError;
  HINSTANCE mModule = nullptr;
  HWND mWindow = nullptr;
  HWND mParent = nullptr;
  WinHostWindow mHostWindow; // the host's top-level window, found on first need
  WinGLContext mGL;
  WinDisplayTicker mTicker;
  // The scale of the monitor the window was on at the last tick (or at open).
  float mMonitorScale = 1.0f;
  bool mTouchRegistered = false;
  bool mPressed = false; // a press of this window holds the capture
  WinCursors mCursors;
  std::unique_ptr<WinTextEntry> mTextEntry;
  std::unique_ptr<WinTooltip> mTooltip;
  int mTooltipIndex = -1;
  bool mTooltipShown = false;
  bool mTracking = false; // TrackMouseEvent armed
  bool mWindowGone = false; // destroyed by its parent: nothing left to destroy
  int mFramesDrawn = 0;
  std::unordered_map<DWORD, IMouseEvent> mTouches; // last event of each touch by its id
};

} // namespace lumen::canvas
