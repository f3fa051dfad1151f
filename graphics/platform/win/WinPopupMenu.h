#pragma once

#include "ICanvasTypes.h"
#include "IPopupMenu.h"

#include <string>
#include <vector>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace lumen::canvas {

// A native popup menu built from the core's IPopupMenu, with its submenus.
//
// Items show the item text, numbered when the menu asks for a prefix ("%1d: ", "%02d: ", "%03d: ",
// cut to 50 characters), with ampersands shown literally; disabled items greyed, titles disabled,
// checks shown; separators; a column break every ItemsPerColumn() items in menus of fewer than 160
// items. An item whose submenu cannot be built is left out.
//
// Command ids are numbered depth-first from 1 (0 is reserved for "nothing chosen"): the items of a
// menu first, then each submenu's in item order.
//
// Threads: the user-interface thread. The IPopupMenu is not owned and must outlive this object.
class WinPopupMenu {
public:
  explicit WinPopupMenu(IPopupMenu& menu);
  ~WinPopupMenu(); // destroys the HMENU tree
  WinPopupMenu(const WinPopupMenu&) = delete;
  WinPopupMenu& operator=(const WinPopupMenu&) = delete;

  // The top menu, null when it could not be created.
  HMENU Handle() const { return mHandle; }

  // Shows the menu at screen point (x, y) for owner and returns when it closes: the menu (top or
  // submenu) an item was chosen from, with its chosen index set and its completion called; null
  // when the menu was dismissed or could not be built.
  IPopupMenu* Track(HWND owner, int x, int y);

  // The surface's whole menu step: builds menu, shows it at the bottom-left corner of anchor (in
  // points of editor; scale = draw scale x screen scale) and repaints the editor window afterwards,
  // chosen or not. Result as Track.
  static IPopupMenu* Show(IPopupMenu& menu, HWND editor, const IRectF& anchor, float scale);

  // The menu a command id belongs to and the item's index in it; null for 0 or an unknown id.
  IPopupMenu* Resolve(UINT id, int& index) const;

  // The text an item shows: number j (1-based) of a menu with that prefix setting.
  static std::string ItemText(const std::string& text, int prefix, int j);

private:
  struct Range {
    IPopupMenu* menu;
    UINT firstId;
  };
  HMENU Build(IPopupMenu& menu, UINT& nextId);

  HMENU mHandle = nullptr;
  std::vector<Range> mRanges; // depth-first, the top menu first
};

} // namespace lumen::canvas
