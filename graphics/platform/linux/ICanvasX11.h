#pragma once

#include "GLibTicker.h"
#include "ICanvasNanoVG.h"
#include "X11DoubleClick.h"

#include <chrono>
#include <map>
#include <memory>
#include <string>

// Xlib's types, declared as Xlib does: its header defines macros (Bool, None, Status) that would
// break every header included after it, so only the platform's own sources include it, last.
typedef struct _XDisplay Display;
union _XEvent;

namespace lumen::canvas {

class X11GLWindow;

// The editor surface on Linux: a child window of the host's X11 window with an OpenGL context,
// drawn by the NanoVG backend.
//
// Each editor opens its own connection to the X server, so it never reads or disturbs the host's
// event queue; the window is a child of the window id the host hands to effEditOpen, announces
// itself for XEmbed and is also mapped directly for hosts that do not embed.
//
// Ticks: X gives a plug-in no thread of its own, so the editor is driven from the host's
// user-interface thread only. On open it asks its delegate's pump (the host's services, through the
// binding) for a 16 ms timer and a watch on the X connection's descriptor, and stops both on close.
// Without a timer from the pump, a 16 ms GLib timeout of its own ticks it where the host runs a GLib
// main loop on that thread; the host's idle calls (OnHostIdle) tick it in any case (hosts call idle
// at very different rates, some never). Each tick reads the pending X events without blocking, fires
// the framework's timers of this thread (the one place that does) and, at most FPS() times a second,
// redraws what is dirty. No other thread touches the window, the context or the controls.
//
// The host's window: the editor listens to it on its own connection. When the host resizes it, the
// editor follows (FollowParentSize: the largest draw scale that fits, the host is not asked back).
// When the desktop's Xft.dpi changes (the root window's resources), the editor takes the new
// screen scale and asks the host for its new size. Both wait while a button is held.
//
// Keyboard focus: never taken on open or hover. A click into the editor takes it: from the
// embedder (XEMBED_REQUEST_FOCUS) when the host embeds with XEmbed, else directly. Losing it (an X
// FocusOut, XEmbed's FOCUS_OUT or WINDOW_DEACTIVATE) ends a press in progress with its release,
// commits a text entry and closes an open menu without a choice, as a click elsewhere would.
//
// Menus: drawn by the surface in this window (DrawsMenus), so they hold neither the pointer, the
// keyboard nor the host's thread; their choices come with the window's ordinary events.
//
// Failure: without a display, GLX 1.3, a suitable visual or an OpenGL 2.1 context, OpenEditorWindow
// returns null (LastError says why) and leaves nothing behind; the plug-in works on without an
// editor. X errors of this connection are caught around every entry point and never reach the
// host's handler. Closing works from any state, also after the host destroyed the parent window.
class ICanvasX11 : public ICanvasNanoVG {
public:
  ICanvasX11(ICanvasEditorDelegate* delegate, int width, int height, int fps, float drawScale);
  ~ICanvasX11() override;

  // ---- Window --------------------------------------------------------------------------------------

  // parent is the host's X11 window id (as a pointer-sized value). A second open without a close
  // closes first.
  void* OpenEditorWindow(void* parent) override;
  void CloseEditorWindow() override;
  void* WindowHandle() const override;
  const char* PlatformName() const override { return "x11"; }
  const std::string& LastError() const { return mError; }
  // The X window id of the editor (0 while closed).
  unsigned long XWindow() const;

  float PlatformWindowScale() const override { return ScreenScale(); }
  // Asks the X server (Xft.dpi, 96 = 1.0); 1.0 without a display.
  float ExpectedScreenScale() const override;
  void ResizePlatformWindow(bool parentHasResized) override;
  void ResizeDrawTarget() override;
  void MakeGLContextCurrent() override;
  void ReleaseGLContext() override;

  // ---- Ticks -----------------------------------------------------------------------------------------

  void OnHostIdle() override;
  // One tick: events, timers and, when a frame is due (or force), the redraw of dirty regions.
  void Pump(bool forceFrame = false);
  // Whether a GLib timeout drives the editor besides the host's idle calls (only without a timer
  // from the delegate's pump).
  bool HasOwnTicker() const { return mTicker.Running(); }
  int FramesDrawn() const { return mFramesDrawn; }
  // Cheap frames (on by default): overlapping dirty regions are drawn as one, and where the server
  // can copy parts of the back buffer a frame puts only its changed pixels on the window. Off, every
  // region is drawn apart and every frame swapped whole, as a plain double-buffered editor does. For
  // tests and benchmarks that compare the two.
  void SetPartialPresent(bool on) { mPartialPresent = on; }
  // Whether frames now present only their changed parts (the setting, and the server's support).
  bool PresentsParts() const;

  // The screen scale of a display: Xft.dpi / 96, 1.0 when it is not set or unusable.
  static float ScreenScaleOf(Display* display);

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
  void CacheSystemFont(const char* fontId, PlatformFont& font) override;
  void OpenPlatformTextEdit(int paramIdx, const ITextStyle& style, const IRectF& bounds, int maxLength,
                            const char* text) override;
  IPopupMenu* OpenPlatformMenu(IPopupMenu& menu, const IRectF& bounds) override;
  // Menus are drawn in the editor's window, so they never hold the host's loop.
  bool DrawsMenus() const override { return true; }

private:
  // Events (ICanvasX11Events.cpp).
  void HandleEvent(_XEvent& event);
  void HandleButtonPress(const _XEvent& event);
  void HandleButtonRelease(const _XEvent& event);
  void HandleMotion(const _XEvent& event);
  void HandleKey(_XEvent& event, bool down);
  void HandleSelectionRequest(const _XEvent& event);
  void HandleXEmbed(long message, long data1);
  // Keyboard focus went elsewhere: a press in progress and a text entry end.
  void LoseFocus();
  // What waits for the buttons to be up: a new screen scale, a new size of the host's window.
  void ApplyPendingChanges();
  // Ends a press whose release will never come (a grab taken by another client, the window gone).
  void EndPressWithoutRelease();
  IMouseState ModifiersOf(unsigned state, unsigned button) const;
  void ToLogical(int px, int py, float& x, float& y) const;

  // Draws the regions and presents them; whole: the back buffer's content cannot be trusted.
  void DrawFrame(const IRectFList& regions, bool whole);
  // The ticks of an open window: the pump's timer and descriptor watch, else the GLib timeout.
  void StartTicks();
  void StopTicks();
  void ShowTooltip(const char* text);
  void HideTooltip();
  unsigned long CursorFor(int kind);
  unsigned long Intern(const char* name);

  Display* mDisplay = nullptr;
  unsigned long mParent = 0; // the host's window
  std::unique_ptr<X11GLWindow> mWindow;
  std::string mError;
  GLibTicker mTicker;
  // What the delegate's pump granted on open, to be stopped on close.
  bool mPumpTimer = false;
  bool mPumpWatch = false;
  X11DoubleClick mDoubleClick;
  std::chrono::steady_clock::time_point mLastFrame{};
  int mFramesDrawn = 0;
  int mWholeFramesAfterResize = 0; // frames still to be drawn whole after the window resized
  bool mPartialPresent = true;
  // The size of the whole picture the back buffer holds (0: none, it must be presented whole).
  int mBackBufferWidth = 0;
  int mBackBufferHeight = 0;
  bool mInPump = false;
  bool mHasFocus = false;

  // The host's window size as last seen, and whether the editor still has to follow it.
  int mParentWidth = 0;
  int mParentHeight = 0;
  bool mParentResized = false;
  // The root window's resources changed: Xft.dpi is read again.
  bool mResourcesChanged = false;
  // XEmbed: the embedder's window once it announced itself (0: not embedded that way).
  unsigned long mEmbedder = 0;
  bool mXEmbedFocused = false; // FOCUS_IN came, FOCUS_OUT not yet
  bool mXEmbedActive = true;   // the embedder's top-level window is the active one
  unsigned long mXEmbedAtom = 0;

  // Pointer: the buttons held (bits 1 << button), where it was last, hidden-cursor state.
  unsigned mButtonsDown = 0;
  bool mPointerInside = false;
  float mHiddenX = 0.0f;
  float mHiddenY = 0.0f;
  bool mPointerLocked = false;
  // A fine drag puts the pointer back after each move. Moves the server made before that request (a
  // serial below mWarpSerial) are measured from the previous move, later ones from the hidden place.
  unsigned long mWarpSerial = 0;
  bool mWarpPending = false;

  std::map<int, unsigned long> mCursors; // font cursors by kind
  unsigned long mBlankCursor = 0;

  std::string mClipboard; // what this editor offers on CLIPBOARD

  // Tooltips: a small override-redirect window on the editor's screen, shown when the pointer
  // moves onto a control that has a tooltip.
  unsigned long mTooltip = 0;
  int mTooltipIndex = -1;
  bool mTooltipShown = false;
};

} // namespace lumen::canvas
