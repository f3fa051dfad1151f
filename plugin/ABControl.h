#pragma once

#include "IControl.h"

namespace lumen {
class EditorSession;
}

namespace kolmari {

// The A/B buttons under the preset bar: "A" and "B" (the active one lit) switch between the two
// settings, "Copy A to B" copies. Each switch or copy that changes the settings is one step of
// the editor's undo history. User-interface thread only.
class ABControl : public lumen::canvas::IControl {
public:
  ABControl(const lumen::canvas::IRectF& bounds, lumen::EditorSession& session);

  void Draw(lumen::canvas::ICanvas& g) override;
  void OnMouseDown(float x, float y, const lumen::canvas::IMouseState& mod) override;
  void OnMouseDoubleClick(float x, float y, const lumen::canvas::IMouseState& mod) override;
  bool NeedsRedraw() override;

  const lumen::canvas::IRectF& ButtonA() const { return mA; }
  const lumen::canvas::IRectF& ButtonB() const { return mB; }
  const lumen::canvas::IRectF& CopyButton() const { return mCopy; }

private:
  lumen::EditorSession& mSession;
  lumen::canvas::IRectF mA, mB, mCopy;
  int mDrawnSlot = -1;
};

} // namespace kolmari
