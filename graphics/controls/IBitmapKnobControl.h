#pragma once

#include "IBitmapBase.h"
#include "IKnobControlBase.h"

namespace lumen::canvas {

// A film-strip knob: dragged like a knob, drawn as the frame its value chooses. Its rectangle is the
// frame size centred in the rectangle it is given.
class IBitmapKnobControl : public IKnobControlBase, public IBitmapBase {
public:
  IBitmapKnobControl(const IRectF& bounds, const IBitmapHandle& bitmap, int paramIdx, int direction = kVertical,
                     double gearing = kDefaultGearing);

  void Draw(ICanvas& g) override { DrawFrame(g); }
  void OnScaleChanged() override { RefetchForScale(); }
};

} // namespace lumen::canvas
