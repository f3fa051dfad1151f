#pragma once

#include "ICanvasTypes.h"

#include <string>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace lumen::canvas {

// Modal system dialogs: files, folders, colours, message boxes. Paths are UTF-8 on this side.
// Threads: the user-interface thread; each call returns when its dialog closes. The custom colour
// table of the colour dialog is shared by every editor of the process (dialogs are modal).
class WinDialogs {
public:
  // Open (action 0) or save (1) dialog owned by owner, filtered by the space-separated extensions
  // ("wav aif"; the first is the default extension). fileName and directory are the starting
  // point (ignored when they do not fit 259 UTF-16 units); accepted: fileName = the chosen path,
  // directory = its drive and folder with a trailing backslash; cancelled or no owner: fileName
  // emptied, directory unchanged.
  static void PickFile(HWND owner, std::string& fileName, std::string& directory, int action, const char* extensions);
  // Folder dialog; chosen: directory = the folder with a trailing backslash; else emptied.
  static void PickDirectory(HWND owner, std::string& directory);
  // Colour dialog starting at color; accepted: its red, green and blue replaced (alpha kept), true.
  // Cancelled or no owner: false, color unchanged. prompt (may be null) becomes the title.
  static bool PickColor(HWND owner, IColorARGB& color, const char* prompt);
  // A message box (Win32 type flags); the button's result (0 when it could not be shown).
  static int ShowAlert(HWND owner, const char* text, const char* caption, int type);

  // The file-type filter for extensions: "*.a;*.b" twice, each terminated, then a final
  // terminator; defaultExtension = the first extension. Empty pattern when there are none; a
  // pattern over 255 characters or default extension over 15 is cut there.
  static std::wstring FileFilter(const char* extensions, std::wstring& defaultExtension);
};

// The host's top-level window, found once per editor: from the parent up to its topmost
// ancestor, remembering that window's class name; without a parent, a window of this process with
// the remembered class name. Threads: the user-interface thread.
class WinHostWindow {
public:
  HWND Find(HWND parent);
  const std::string& ClassName() const { return mClassName; }

private:
  HWND mWindow = nullptr;
  std::string mClassName;
};

} // namespace lumen::canvas
