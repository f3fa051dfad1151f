#pragma once

#include "ICanvasTypes.h"

#include <functional>
#include <memory>
#include <string>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace lumen::canvas {

// The in-place value entry: a Win32 EDIT control over a control's bounds in the editor window.
//
// Its state moves None -> Editing (on focus) and from there to Commit (Return, Tab, focus lost, a click
// in the editor) or Cancel (Escape, the wheel); the surface may set Update after a redraw. The
// surface calls Finish() on each display tick; a committed entry hands its text (UTF-8) to
// onCommit, a cancelled one calls onCancel. Typed characters are filtered by the parameter's type:
// Bool, Int and Enum take digits, "+" and "-"; Double also "."; others take everything. Backspace
// always passes.
//
// Threads: the user-interface thread. Owns the EDIT window and its font; destroying the object
// restores the control's window procedure and destroys both.
class WinTextEntry {
public:
  enum class State : int { None = 0, Editing = 1, Update = 2, Cancel = 3, Commit = 4 };

  struct Options {
    HWND parent = nullptr;        // the editor window
    HINSTANCE module = nullptr;
    int paramType = 0;            // the parameter's type (0 none, 1 bool, 2 int, 3 enum, 4 double)
    ITextStyle style;             // alignment, size and colours
    IRectF bounds;                // in points
    float scale = 1.0f;           // draw scale x screen scale: points to window pixels
    int maxLength = 0;            // characters; 0 = the control's default
    std::string text;             // initial text; longer than 31 UTF-16 units opens empty
    const LOGFONTA* font = nullptr; // the style's font (its height is replaced); null: GUI default
    std::function<void(const std::string&)> onCommit;
    std::function<void()> onCancel;
  };

  // Creates, focuses and selects the entry; null when the control cannot be created.
  static std::unique_ptr<WinTextEntry> Open(Options options);
  ~WinTextEntry();
  WinTextEntry(const WinTextEntry&) = delete;
  WinTextEntry& operator=(const WinTextEntry&) = delete;

  HWND Handle() const { return mEdit; }
  State GetState() const { return mState; }
  void SetState(State state) { mState = state; }

  // The display tick's step. Idle when the state is None: the tick goes on. Otherwise the state
  // becomes None and the tick ends there: Ended after Commit (the text, UTF-8, handed to onCommit)
  // or Cancel (onCancel called), and the owner then destroys the entry; Kept after Editing or
  // Update.
  enum class TickResult { Idle, Kept, Ended };
  TickResult Finish();

  // The entry's pixel rectangle in the editor window (to keep it out of repaints).
  RECT PixelBounds() const { return mPixels; }

  // WM_CTLCOLOREDIT of the editor window: sets background, text colour and the DC brush colour of
  // dc from the style and returns the brush to paint with.
  HBRUSH PrepareColors(HDC dc) const;

  // The entry that owns edit window, or null (the marker in its user data tells).
  static WinTextEntry* FromWindow(HWND edit);

  static constexpr LONG_PTR kMarker = 0xDEADF00B;
  static constexpr int kControlId = 99;

private:
  explicit WinTextEntry(Options options);
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  bool Accepts(wchar_t c) const;

  Options mOptions;
  HWND mEdit = nullptr;
  HFONT mFont = nullptr;
  WNDPROC mOldProcedure = nullptr;
  RECT mPixels{};
  State mState = State::None;
};

} // namespace lumen::canvas
