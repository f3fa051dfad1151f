#include "ABControl.h"

#include "EditorSession.h"
#include "ICanvas.h"

namespace kolmari {

using namespace lumen::canvas;

namespace {

constexpr float kSlotWidth = 60.0f;
constexpr float kGap = 6.0f;
constexpr float kCopyGap = 16.0f;
constexpr float kCorner = 8.0f;

// A faint light glaze over the brushed metal: set apart from the darker panels of open menus.
const IColorARGB kFill{26, 255, 255, 255};
const IColorARGB kFrame{110, 214, 150, 60};
const IColorARGB kText{255, 236, 236, 232};
const IColorARGB kDim{255, 150, 150, 146};
const IColorARGB kLit{255, 214, 150, 60};

} // namespace

ABControl::ABControl(const IRectF& bounds, lumen::EditorSession& session) : IControl(bounds), mSession(session) {
  mA = IRectF(bounds.L, bounds.T, bounds.L + kSlotWidth, bounds.B);
  mB = IRectF(mA.R + kGap, bounds.T, mA.R + kGap + kSlotWidth, bounds.B);
  mCopy = IRectF(mB.R + kCopyGap, bounds.T, bounds.R, bounds.B);
  mStyle.SetFont("Roboto-Regular");
  mStyle.size = 24.0f;
  mStyle.color = kText;
  mStyle.align = ITextStyle::Centre;
  mStyle.valign = ITextStyle::Middle;
  SetTooltip("Compare two settings");
}

bool ABControl::NeedsRedraw() {
  if (static_cast<int>(mSession.ActiveSlot()) != mDrawnSlot) MarkDirty(false);
  return IControl::NeedsRedraw();
}

void ABControl::Draw(ICanvas& g) {
  mDrawnSlot = static_cast<int>(mSession.ActiveSlot());
  const bool aActive = mSession.ActiveSlot() == lumen::ABSlots::A;
  struct Button {
    const IRectF* rect;
    const char* text;
    bool lit;
  };
  for (const Button& b : {Button{&mA, "A", aActive}, Button{&mB, "B", !aActive}, Button{&mCopy, "Copy A to B", false}}) {
    g.FillRoundRect(kFill, *b.rect, kCorner, &mBlend);
    g.DrawRoundRect(b.lit ? kLit : kFrame, *b.rect, kCorner, &mBlend, b.lit ? 2.5f : 1.5f);
    ITextStyle style = mStyle;
    style.color = b.lit ? kLit : (b.rect == &mCopy ? kText : kDim);
    g.DrawTextRun(style, b.text, *b.rect, &mBlend);
  }
}

void ABControl::OnMouseDown(float x, float y, const IMouseState& mod) {
  if (mod.right) return;
  const bool aActive = mSession.ActiveSlot() == lumen::ABSlots::A;
  if ((mA.Contains(x, y) && !aActive) || (mB.Contains(x, y) && aActive)) {
    mSession.SwitchAB();
  } else if (mCopy.Contains(x, y)) {
    mSession.CopyAToB();
  }
  MarkDirty(false);
}

void ABControl::OnMouseDoubleClick(float x, float y, const IMouseState& mod) { OnMouseDown(x, y, mod); }

} // namespace kolmari
