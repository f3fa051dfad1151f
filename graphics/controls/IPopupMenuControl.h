#pragma once

#include "IControl.h"
#include "IPopupMenu.h"

#include <functional>
#include <vector>

namespace lumen::canvas {

// A menu the editor draws itself, over its own controls, in the editor's font and colours: items
// with check marks, disabled items, titles, separators and submenus that open to the side. It
// never holds the thread: Open returns at once, and the choice arrives later from the surface's
// ordinary input calls (pointer, wheel, keys), so the editor's timers, frames and the host's loop
// go on while it is open.
//
// Panels stay inside the editor: a menu opens below its anchor, above it when there is no room
// below, and shifts when neither fits; a submenu opens to the right of its row, to the left when
// the right has no room. A panel taller than the editor shows what fits and scrolls with the wheel
// and with the keys that move the highlight.
//
// Input, while open: the pointer highlights the item it rests on and opens submenus on hover; a
// click chooses an item (disabled items, titles and separators are never chosen), a click outside
// every panel closes the menu without a choice. Up/Down move the highlight, Right or Return opens
// a submenu, Left closes one, Return or Space choose, Escape closes one level. Every key goes to
// the menu while it is open.
//
// Sizes: the text is the style's size in logical units, never smaller than kMinTextPixels on the
// screen (divided by the draw scale), so the menu reads at every draw scale; the rest is measured
// in text sizes.
//
// Threads: the user-interface thread, like every control. The menu handed to Open is not owned; it
// must outlive the open menu (its owner's deletion must close it first).
class IPopupMenuControl : public IControl {
public:
  // The menu an item was chosen from (its chosen index set), or null when closed without a choice.
  using ChoiceFunction = std::function<void(IPopupMenu* chosen)>;

  // The smallest text size on the screen, in pixels at screen scale 1.
  static constexpr float kMinTextPixels = 12.0f;

  // One open panel: its menu, where it is (surface units), its rows in the panel's own coordinates
  // (before scrolling), how far it is scrolled and which row is highlighted (-1 none).
  struct Level {
    IPopupMenu* menu = nullptr;
    IRectF panel;
    std::vector<IRectF> rows;
    float contentHeight = 0.0f;
    float scroll = 0.0f;
    int highlighted = -1;
    float MaxScroll() const { return contentHeight > panel.H() ? contentHeight - panel.H() : 0.0f; }
  };

  IPopupMenuControl();

  // Shows menu at anchor (a rectangle, or a point as an empty one); an open menu closes first
  // without a choice. done hears the result once. A menu without items chooses nothing at once.
  void Open(IPopupMenu& menu, const IRectF& anchor, ChoiceFunction done);
  // Closes every level without a choice; nothing when closed.
  void Dismiss();
  bool IsOpen() const { return !mLevels.empty(); }

  int Depth() const { return static_cast<int>(mLevels.size()); }
  // Level 0 is the menu opened, each further one a submenu of the one before.
  const Level& LevelAt(int depth) const { return mLevels[static_cast<size_t>(depth)]; }
  // The surface rectangle of a row of a level as it shows now (scrolled).
  IRectF RowRect(int depth, int row) const;
  // Finds the deepest panel under a point and its row there (-1 for its padding); false outside all.
  bool Locate(float x, float y, int& depth, int& row) const;
  // The sizes the menu is drawn at now, in logical units.
  float TextSize() const;
  float RowHeight() const { return 1.7f * TextSize(); }

  // Items the user may land on (a submenu's row included) and items that can be chosen.
  static bool Reachable(const IPopupMenu::Item& item);
  static bool Choosable(const IPopupMenu::Item& item) { return Reachable(item) && !item.submenu; }
  // The text a row shows: the item's text after the menu's numbering ("3: ", "03: ", "003: ").
  static std::string RowText(const IPopupMenu& menu, int row);

  void Draw(ICanvas& g) override;
  bool HitTest(float x, float y) const override;
  void OnMouseDown(float x, float y, const IMouseState& mod) override;
  void OnMouseUp(float x, float y, const IMouseState& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseState& mod) override;
  void OnMouseOver(float x, float y, const IMouseState& mod) override;
  void OnMouseDoubleClick(float x, float y, const IMouseState& mod) override;
  void OnMouseWheel(float x, float y, const IMouseState& mod, float d) override;
  bool OnKeyDown(float x, float y, const IKeyEvent& key) override;
  bool OnKeyUp(float x, float y, const IKeyEvent& key) override;
  // The surface changed size or scale: the panels' places are stale, the menu closes.
  void OnBoundsChanged() override;
  void OnScaleChanged() override;

private:
  // Lays a menu out as a new level: beside the row of the level before, or at the anchor.
  void PushLevel(IPopupMenu& menu, const IRectF& anchor, bool beside);
  void OpenSubmenu(int depth, int row, bool highlightFirst);
  void CloseLevelsAbove(int depth);
  void Highlight(int depth, int row);
  // The next reachable row from `from` in direction (+1, -1), wrapping; -1 when there is none.
  int NextReachable(const Level& level, int from, int direction) const;
  void ScrollTo(Level& level, float scroll);
  void ScrollRowIntoView(Level& level, int row);
  void Choose(int depth, int row);
  void Finish(IPopupMenu* chosen);
  // The area to redraw grows by every panel shown until the menu closes and the area underneath
  // is drawn again.
  void AreaChanged();

  std::vector<Level> mLevels;
  ChoiceFunction mDone;
};

} // namespace lumen::canvas
