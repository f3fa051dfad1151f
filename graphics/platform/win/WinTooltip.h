#pragma once

#include <memory>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace lumen::canvas {

// The tooltip of an editor window: one system tooltip control with the editor window as its tool.
// Threads: the user-interface thread. Owns the tooltip window.
class WinTooltip {
public:
  // Null when the control cannot be created (the editor then has no tooltips).
  static std::unique_ptr<WinTooltip> Create(HWND editor, HINSTANCE module);
  ~WinTooltip();
  WinTooltip(const WinTooltip&) = delete;
  WinTooltip& operator=(const WinTooltip&) = delete;

  // Shows text (UTF-8; null or empty hides).
  void Show(const char* text);
  void Hide();
  bool Shown() const { return mShown; }
  HWND Handle() const { return mTooltip; }

private:
  WinTooltip(HWND editor, HWND tooltip) : mEditor(editor), mTooltip(tooltip) {}
  void Update(const char* text);

  HWND mEditor;
  HWND mTooltip;
  bool mShown = false;
};

} // namespace lumen::canvas
