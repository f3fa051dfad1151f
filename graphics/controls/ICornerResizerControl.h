#pragma once

#include "IControl.h"

namespace lumen::canvas {

// The grip in the lower-right corner. Dragging it scales the editor (Scale mode) or changes its
// logical size (Size mode); a double-click returns to the initial size at scale 1. It keeps its size
// in pixels whatever the scale.
class ICornerResizerControl : public IControl {
public:
  ICornerResizerControl(const IRectF& surfaceBounds, float size,
                        const IColorARGB& color = kColorTranslucentBlack,
                        const IColorARGB& mouseOverColor = kColorBlack, const IColorARGB& dragColor = kColorBlack);

  void Draw(ICanvas& g) override;
  void OnMouseDown(float x, float y, const IMouseState& mod) override;
  void OnMouseDoubleClick(float x, float y, const IMouseState& mod) override;
  void OnMouseOver(float x, float y, const IMouseState& mod) override;
  void OnMouseOut() override;
  void OnScaleChanged() override;

  float GripSize() const { return mSize; }
  bool MouseOverGrip() const { return mMouseOverGrip; }
  const IRectF& InitialBounds() const { return mInitialBounds; }

private:
  float mSize;
  bool mMouseOverGrip = false;
  int mPrevCursor = -1;
  IRectF mInitialBounds;
  IColorARGB mColor;
  IColorARGB mMouseOverColor;
  IColorARGB mDragColor;
};

} // namespace lumen::canvas
