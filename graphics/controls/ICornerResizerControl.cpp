#include "ICornerResizerControl.h"

#include "ICanvas.h"

namespace lumen::canvas {

ICornerResizerControl::ICornerResizerControl(const IRectF& surfaceBounds, float size, const IColorARGB& color,
                                             const IColorARGB& mouseOverColor, const IColorARGB& dragColor)
    : IControl(IRectF(surfaceBounds.R - size + 1.0f, surfaceBounds.B - size + 1.0f, surfaceBounds.R - 1.0f,
                      surfaceBounds.B - 1.0f)),
      mSize(size),
      mInitialBounds(surfaceBounds),
      mColor(color),
      mMouseOverColor(mouseOverColor),
      mDragColor(dragColor) {}

void ICornerResizerControl::Draw(ICanvas& g) {
  const IColorARGB& color = g.ResizeInProgress() ? mDragColor : mMouseOverGrip ? mMouseOverColor : mColor;
  g.FillTriangle(color, mRect.L, mRect.B, mRect.R, mRect.T, mRect.R, mRect.B);
}

void ICornerResizerControl::OnMouseDown(float, float, const IMouseState&) {
  if (mUI) mUI->SetResizeInProgress(true);
}

void ICornerResizerControl::OnMouseDoubleClick(float, float, const IMouseState&) {
  if (mUI) mUI->ResizeSurface(static_cast<int>(mInitialBounds.W()), static_cast<int>(mInitialBounds.H()), 1.0f);
}

void ICornerResizerControl::OnMouseOver(float, float, const IMouseState&) {
  if (!mMouseOverGrip && mUI) mPrevCursor = mUI->SetPointerKind(kCursorSizeNWSE);
  const bool changed = !mMouseOverGrip || !mMouseIsOver;
  mMouseOverGrip = true;
  mMouseIsOver = true;
  if (changed) MarkDirty(false);
}

void ICornerResizerControl::OnMouseOut() {
  const bool changed = mMouseOverGrip || mMouseIsOver;
  if (mMouseOverGrip && mUI && mPrevCursor >= 0) mUI->SetPointerKind(mPrevCursor);
  mMouseOverGrip = false;
  mMouseIsOver = false;
  if (changed) MarkDirty(false);
}

void ICornerResizerControl::OnScaleChanged() {
  if (!mUI) return;
  const float scale = mUI->DrawScale();
  if (!(scale > 0.0f)) return;
  const float s = mSize / scale;
  const auto w = static_cast<float>(mUI->Width());
  const auto h = static_cast<float>(mUI->Height());
  mRect = IRectF(w - s, h - s, w, h);
  mTargetRect = mRect;
  OnBoundsChanged();
}

} // namespace lumen::canvas
