#pragma once

#include "IPopupMenu.h"

#include <X11/Xlib.h>

namespace lumen::canvas {

// A menu of values the editor shows itself: an override-redirect window at a point of the screen
// that holds the pointer and keyboard until the user picks an item (click, or arrows and Return) or
// dismisses it (Escape, a click outside). It runs its own event loop on the display and returns when
// it closes, like a native menu; the editor's other events wait meanwhile.
//
// Items of a submenu are not shown; disabled items, titles and separators cannot be picked.
class X11PopupMenu {
public:
  // The index of the item picked in menu, or -1. (x, y) is the menu's top-left in root coordinates.
  static int Run(Display* display, const IPopupMenu& menu, int x, int y, float screenScale);

  // Whether item i of menu can be picked.
  static bool Selectable(const IPopupMenu& menu, int i);
};

} // namespace lumen::canvas
