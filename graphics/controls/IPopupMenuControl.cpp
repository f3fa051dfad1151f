#include "IPopupMenuControl.h"

#include "ICanvas.h"
#include "IKeyCodes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace lumen::canvas {

namespace {

// The value readout's dark plate and light text, with the warm amber of the editor's lamps for the
// highlighted row.
constexpr IColorARGB kPanelColor{248, 22, 22, 26};
constexpr IColorARGB kBorderColor{255, 92, 90, 96};
constexpr IColorARGB kShadowColor{110, 0, 0, 0};
constexpr IColorARGB kTextColor{255, 236, 236, 232};
constexpr IColorARGB kDisabledColor{255, 112, 112, 118};
constexpr IColorARGB kTitleColor{255, 176, 164, 140};
constexpr IColorARGB kHighlightColor{255, 222, 142, 48};
constexpr IColorARGB kHighlightTextColor{255, 20, 18, 16};
constexpr IColorARGB kSeparatorColor{255, 70, 70, 76};

// Measures in text sizes.
constexpr float kPadX = 0.55f;      // left and right of a row's contents
constexpr float kPadY = 0.3f;       // above the first and below the last row
constexpr float kMarkColumn = 1.1f; // the check mark's column
constexpr float kArrowColumn = 1.2f; // the submenu arrow's column
constexpr float kSeparatorHeight = 0.7f;
constexpr float kCorner = 0.25f;
constexpr float kMinWidth = 5.0f;
constexpr int kWheelRows = 3; // rows scrolled per notch

bool IsSeparator(const IPopupMenu::Item& item) { return (item.flags & IPopupMenu::kSeparator) != 0; }

} // namespace

IPopupMenuControl::IPopupMenuControl() : IControl(IRectF()) {
  mStyle.SetFont("Roboto-Regular");
  mStyle.size = 26.0f;
  mStyle.color = kTextColor;
  mStyle.align = ITextStyle::Near;
  mStyle.valign = ITextStyle::Middle;
  mHidden = true;
  mDblAsSingleClick = true; // a quick second click is a click, never a reset
}

bool IPopupMenuControl::Reachable(const IPopupMenu::Item& item) {
  return (item.flags & (IPopupMenu::kDisabled | IPopupMenu::kTitle | IPopupMenu::kSeparator)) == 0;
}

std::string IPopupMenuControl::RowText(const IPopupMenu& menu, int row) {
  const IPopupMenu::Item* item = menu.GetItem(row);
  if (!item) return {};
  const int digits = menu.Prefix();
  if (digits < 1 || digits > 3 || IsSeparator(*item) || (item->flags & IPopupMenu::kTitle)) return item->text;
  char number[16];
  std::snprintf(number, sizeof(number), "%0*d: ", digits, row + 1);
  std::string text = number;
  text += item->text;
  return text;
}

float IPopupMenuControl::TextSize() const {
  const float drawScale = mUI ? mUI->DrawScale() : 1.0f;
  const float minimum = drawScale > 0.0f ? kMinTextPixels / drawScale : kMinTextPixels;
  return std::max(mStyle.size, minimum);
}

// ---- Opening and closing ---------------------------------------------------------------------------------

void IPopupMenuControl::Open(IPopupMenu& menu, const IRectF& anchor, ChoiceFunction done) {
  Dismiss();
  mDone = std::move(done);
  if (menu.NItems() == 0 || !mUI) {
    Finish(nullptr);
    return;
  }
  menu.SetChosenItemIdx(-1);
  mRect = IRectF();
  PushLevel(menu, anchor, false);
  mHidden = false;
  AreaChanged();
}

void IPopupMenuControl::Dismiss() {
  if (!IsOpen()) return;
  Finish(nullptr);
}

void IPopupMenuControl::Finish(IPopupMenu* chosen) {
  mLevels.clear();
  mHidden = true;
  mDirty = true; // what the panels covered is drawn again
  ChoiceFunction done = std::move(mDone);
  mDone = nullptr;
  // The callback may open the next menu on this control: it runs last, with the state cleared.
  if (chosen && chosen->completion) chosen->completion(*chosen);
  if (done) done(chosen);
}

void IPopupMenuControl::OnBoundsChanged() { Dismiss(); }
void IPopupMenuControl::OnScaleChanged() { Dismiss(); }

// ---- Layout ------------------------------------------------------------------------------------------------

void IPopupMenuControl::PushLevel(IPopupMenu& menu, const IRectF& anchor, bool beside) {
  const float t = TextSize();
  ITextStyle style = mStyle;
  style.size = t;
  const float surfaceW = static_cast<float>(mUI->Width());
  const float surfaceH = static_cast<float>(mUI->Height());

  Level level;
  level.menu = &menu;
  float y = kPadY * t;
  float widest = 0.0f;
  for (int i = 0; i < menu.NItems(); ++i) {
    const IPopupMenu::Item& item = *menu.GetItem(i);
    const float h = IsSeparator(item) ? kSeparatorHeight * t : RowHeight();
    level.rows.emplace_back(0.0f, y, 0.0f, y + h);
    y += h;
    if (!IsSeparator(item)) {
      const std::string text = RowText(menu, i);
      IRectF measured;
      if (!text.empty()) widest = std::max(widest, mUI->MeasureTextBox(style, text.c_str(), measured));
    }
  }
  level.contentHeight = y + kPadY * t;
  float w = 2.0f * kPadX * t + kMarkColumn * t + widest + kArrowColumn * t;
  w = std::max(w, kMinWidth * t);
  if (!beside) w = std::max(w, anchor.W());
  w = std::min(w, surfaceW);
  const float h = std::min(level.contentHeight, surfaceH);
  for (IRectF& row : level.rows) {
    row.L = 0.0f;
    row.R = w;
  }

  float left = 0.0f;
  float top = 0.0f;
  if (beside) {
    // To the right of the parent panel, its first row level with the row that opened it.
    left = anchor.R - 0.1f * t;
    if (left + w > surfaceW) left = anchor.L - w + 0.1f * t;
    top = anchor.T - kPadY * t;
  } else {
    left = anchor.L;
    top = anchor.B;
    if (top + h > surfaceH && anchor.T - h >= 0.0f) top = anchor.T - h;
  }
  left = std::clamp(left, 0.0f, std::max(0.0f, surfaceW - w));
  top = std::clamp(top, 0.0f, std::max(0.0f, surfaceH - h));
  level.panel = IRectF(left, top, left + w, top + h);
  mLevels.push_back(std::move(level));
}

IRectF IPopupMenuControl::RowRect(int depth, int row) const {
  if (depth < 0 || depth >= Depth()) return {};
  const Level& level = LevelAt(depth);
  if (row < 0 || row >= static_cast<int>(level.rows.size())) return {};
  const IRectF& r = level.rows[static_cast<size_t>(row)];
  const float dy = level.panel.T - level.scroll;
  return IRectF(level.panel.L + r.L, r.T + dy, level.panel.L + r.R, r.B + dy);
}

bool IPopupMenuControl::Locate(float x, float y, int& depth, int& row) const {
  for (int d = Depth() - 1; d >= 0; --d) {
    const Level& level = LevelAt(d);
    if (!level.panel.Contains(x, y)) continue;
    depth = d;
    row = -1;
    for (int r = 0; r < static_cast<int>(level.rows.size()); ++r) {
      if (RowRect(d, r).Contains(x, y)) {
        row = r;
        break;
      }
    }
    return true;
  }
  return false;
}

void IPopupMenuControl::AreaChanged() {
  for (const Level& level : mLevels) mRect = mRect.Union(level.panel.Grown(0.3f * TextSize()));
  mTargetRect = mRect;
  mDirty = true;
}

// ---- Navigation --------------------------------------------------------------------------------------------

void IPopupMenuControl::CloseLevelsAbove(int depth) {
  if (Depth() <= depth + 1) return;
  mLevels.resize(static_cast<size_t>(depth + 1));
  mDirty = true;
}

void IPopupMenuControl::Highlight(int depth, int row) {
  Level& level = mLevels[static_cast<size_t>(depth)];
  if (level.highlighted == row) return;
  level.highlighted = row;
  mDirty = true;
}

void IPopupMenuControl::OpenSubmenu(int depth, int row, bool highlightFirst) {
  IPopupMenu::Item* item = LevelAt(depth).menu->GetItem(row);
  if (!item || !item->submenu || !Reachable(*item)) return;
  Highlight(depth, row);
  const bool alreadyOpen = Depth() > depth + 1 && LevelAt(depth + 1).menu == item->submenu.get();
  if (!alreadyOpen) {
    CloseLevelsAbove(depth);
    if (item->submenu->NItems() == 0) return;
    item->submenu->SetChosenItemIdx(-1);
    // Beside the row's visible part (a row scrolled out of view, a keyboard's, beside its panel).
    IRectF anchor = RowRect(depth, row).Intersect(LevelAt(depth).panel);
    if (anchor.Empty()) anchor = LevelAt(depth).panel;
    PushLevel(*item->submenu, anchor, true);
    AreaChanged();
  }
  if (highlightFirst) {
    Level& sub = mLevels[static_cast<size_t>(depth + 1)];
    if (sub.highlighted < 0) Highlight(depth + 1, NextReachable(sub, -1, 1));
  }
}

int IPopupMenuControl::NextReachable(const Level& level, int from, int direction) const {
  const int n = level.menu->NItems();
  // From no row, Down starts at the first row and Up at the last.
  const int start = from >= 0 ? from : (direction > 0 ? -1 : n);
  for (int step = 1; step <= n; ++step) {
    const int i = ((start + direction * step) % n + n) % n;
    if (Reachable(*level.menu->GetItem(i))) return i;
  }
  return -1;
}

void IPopupMenuControl::ScrollTo(Level& level, float scroll) {
  scroll = std::clamp(scroll, 0.0f, level.MaxScroll());
  if (scroll == level.scroll) return;
  level.scroll = scroll;
  mDirty = true;
}

void IPopupMenuControl::ScrollRowIntoView(Level& level, int row) {
  if (row < 0 || row >= static_cast<int>(level.rows.size())) return;
  const IRectF& r = level.rows[static_cast<size_t>(row)];
  const float pad = kPadY * TextSize();
  if (r.T - pad < level.scroll) ScrollTo(level, r.T - pad);
  else if (r.B + pad > level.scroll + level.panel.H()) ScrollTo(level, r.B + pad - level.panel.H());
}

void IPopupMenuControl::Choose(int depth, int row) {
  IPopupMenu* menu = LevelAt(depth).menu;
  const IPopupMenu::Item* item = menu->GetItem(row);
  if (!item || !Choosable(*item)) return;
  menu->SetChosenItemIdx(row);
  Finish(menu);
}

// ---- Pointer -----------------------------------------------------------------------------------------------

bool IPopupMenuControl::HitTest(float, float) const {
  // While open the whole editor is the menu's: a click outside its panels closes it.
  return IsOpen();
}

void IPopupMenuControl::OnMouseDown(float x, float y, const IMouseState&) {
  if (!IsOpen()) return;
  int depth = -1;
  int row = -1;
  if (!Locate(x, y, depth, row)) {
    Dismiss();
    return;
  }
  if (row < 0) return;
  const IPopupMenu::Item* item = LevelAt(depth).menu->GetItem(row);
  if (item->submenu) {
    OpenSubmenu(depth, row, false);
    return;
  }
  Choose(depth, row);
}

void IPopupMenuControl::OnMouseUp(float, float, const IMouseState&) {}

void IPopupMenuControl::OnMouseDrag(float x, float y, float, float, const IMouseState& mod) { OnMouseOver(x, y, mod); }

void IPopupMenuControl::OnMouseDoubleClick(float x, float y, const IMouseState& mod) { OnMouseDown(x, y, mod); }

void IPopupMenuControl::OnMouseOver(float x, float y, const IMouseState&) {
  if (!IsOpen()) return;
  int depth = -1;
  int row = -1;
  if (!Locate(x, y, depth, row)) return; // outside: what is open stays open
  const IPopupMenu::Item* item = row >= 0 ? LevelAt(depth).menu->GetItem(row) : nullptr;
  if (!item || !Reachable(*item)) {
    Highlight(depth, -1);
    CloseLevelsAbove(depth);
    return;
  }
  if (item->submenu) {
    OpenSubmenu(depth, row, false);
    return;
  }
  CloseLevelsAbove(depth);
  Highlight(depth, row);
}

void IPopupMenuControl::OnMouseWheel(float x, float y, const IMouseState&, float d) {
  if (!IsOpen() || !std::isfinite(d)) return;
  int depth = Depth() - 1;
  int row = -1;
  Locate(x, y, depth, row);
  Level& level = mLevels[static_cast<size_t>(depth)];
  const float before = level.scroll;
  ScrollTo(level, level.scroll - d * static_cast<float>(kWheelRows) * RowHeight());
  // A submenu beside a row that moved would point at another row.
  if (level.scroll != before) CloseLevelsAbove(depth);
}

// ---- Keys --------------------------------------------------------------------------------------------------

bool IPopupMenuControl::OnKeyDown(float, float, const IKeyEvent& key) {
  if (!IsOpen()) return false;
  const int depth = Depth() - 1;
  Level& level = mLevels[static_cast<size_t>(depth)];
  switch (key.keyCode) {
  case kKeyDown:
  case kKeyUp: {
    const int row = NextReachable(level, level.highlighted, key.keyCode == kKeyDown ? 1 : -1);
    if (row >= 0) {
      Highlight(depth, row);
      ScrollRowIntoView(level, row);
    }
    break;
  }
  case kKeyRight:
    if (level.highlighted >= 0) OpenSubmenu(depth, level.highlighted, true);
    break;
  case kKeyLeft:
    if (depth > 0) CloseLevelsAbove(depth - 1);
    break;
  case kKeyReturn:
  case kKeySpace: {
    const int row = level.highlighted;
    const IPopupMenu::Item* item = level.menu->GetItem(row);
    if (!item) break;
    if (item->submenu) OpenSubmenu(depth, row, true);
    else Choose(depth, row);
    break;
  }
  case kKeyEscape:
    if (depth > 0) CloseLevelsAbove(depth - 1);
    else Dismiss();
    break;
  default: break;
  }
  // Every key is the menu's while it is open: none moves a control or reaches the host meanwhile.
  return true;
}

bool IPopupMenuControl::OnKeyUp(float, float, const IKeyEvent&) { return IsOpen(); }

// ---- Drawing -----------------------------------------------------------------------------------------------

void IPopupMenuControl::Draw(ICanvas& g) {
  if (!IsOpen()) return;
  const float t = TextSize();
  const float corner = kCorner * t;
  const float line = std::max(1.0f / std::max(g.TotalScale(), 0.01f), 0.06f * t);
  ITextStyle style = mStyle;
  style.size = t;
  style.align = ITextStyle::Near;
  style.valign = ITextStyle::Middle;

  for (int d = 0; d < Depth(); ++d) {
    const Level& level = LevelAt(d);
    const IRectF& panel = level.panel;
    const float drop = 0.15f * t;
    g.FillRoundRect(kShadowColor, IRectF(panel.L + drop, panel.T + drop, panel.R + drop, panel.B + drop), corner);
    g.FillRoundRect(kPanelColor, panel, corner);
    g.ClipTo(panel);
    for (int r = 0; r < static_cast<int>(level.rows.size()); ++r) {
      const IRectF row = RowRect(d, r);
      if (!row.Intersects(panel)) continue;
      const IPopupMenu::Item& item = *level.menu->GetItem(r);
      if (IsSeparator(item)) {
        const float my = 0.5f * (row.T + row.B);
        g.DrawLine(kSeparatorColor, row.L + kPadX * t, my, row.R - kPadX * t, my, nullptr, line);
        continue;
      }
      const bool lit = r == level.highlighted && Reachable(item);
      if (lit) g.FillRoundRect(kHighlightColor, IRectF(row.L + 0.15f * t, row.T, row.R - 0.15f * t, row.B), corner);
      IColorARGB color = kTextColor;
      if (item.flags & IPopupMenu::kTitle) color = kTitleColor;
      else if (item.flags & IPopupMenu::kDisabled) color = kDisabledColor;
      else if (lit) color = kHighlightTextColor;
      const float markL = row.L + kPadX * t;
      if (item.Checked()) {
        // A tick drawn as two strokes: it needs no glyph the font may lack.
        const float cx = markL + 0.45f * t;
        const float cy = 0.5f * (row.T + row.B);
        const float u = 0.28f * t;
        g.DrawLine(color, cx - u, cy, cx - 0.3f * u, cy + 0.75f * u, nullptr, 0.12f * t);
        g.DrawLine(color, cx - 0.3f * u, cy + 0.75f * u, cx + u, cy - 0.85f * u, nullptr, 0.12f * t);
      }
      style.color = color;
      const float textL = markL + kMarkColumn * t;
      const float textR = row.R - kPadX * t - kArrowColumn * t;
      const std::string text = RowText(*level.menu, r);
      if (!text.empty() && textR > textL) g.DrawTextRun(style, text.c_str(), IRectF(textL, row.T, textR, row.B));
      if (item.submenu) {
        const float ax = row.R - kPadX * t - 0.45f * t;
        const float ay = 0.5f * (row.T + row.B);
        const float u = 0.25f * t;
        g.FillTriangle(color, ax - 0.6f * u, ay - u, ax - 0.6f * u, ay + u, ax + 0.6f * u, ay);
      }
    }
    g.ClipTo(IRectF());
    // Arrows on the edges a scrolled panel has more beyond.
    const float u = 0.25f * t;
    const float cx = 0.5f * (panel.L + panel.R);
    if (level.scroll > 0.0f) g.FillTriangle(kTextColor, cx - u, panel.T + 1.1f * u, cx + u, panel.T + 1.1f * u, cx, panel.T + 0.3f * u);
    if (level.scroll < level.MaxScroll())
      g.FillTriangle(kTextColor, cx - u, panel.B - 1.1f * u, cx + u, panel.B - 1.1f * u, cx, panel.B - 0.3f * u);
    g.DrawRoundRect(kBorderColor, panel, corner, nullptr, line);
  }
}

} // namespace lumen::canvas
