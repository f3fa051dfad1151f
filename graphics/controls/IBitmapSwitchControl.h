#pragma once

#include "IBitmapBase.h"
#include "ISwitchControlBase.h"

namespace lumen::canvas {

// A film-strip switch: each click advances the value by one frame's step (1 / (frames - 1)) and
// wraps to 0 after the last frame; drawn as the frame its value chooses.
class IBitmapSwitchControl : public ISwitchControlBase, public IBitmapBase {
public:
  IBitmapSwitchControl(const IRectF& bounds, const IBitmapHandle& bitmap, int paramIdx);

  void Draw(ICanvas& g) override { DrawFrame(g); }
  void OnScaleChanged() override { RefetchForScale(); }
  void OnMouseDown(float x, float y, const IMouseState& mod) override;
};

} // namespace lumen::canvas
