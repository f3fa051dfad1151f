#pragma once

#include "IBitmapBase.h"
#include "IControl.h"

namespace lumen::canvas {

// A picture; a film strip shows the frame its value chooses. The editor's background is one.
class IBitmapControl : public IControl, public IBitmapBase {
public:
  IBitmapControl(const IRectF& bounds, const IBitmapHandle& bitmap, int paramIdx = -1);

  void Draw(ICanvas& g) override { DrawFrame(g); }
  void OnScaleChanged() override { RefetchForScale(); }
};

} // namespace lumen::canvas
