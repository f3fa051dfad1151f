#include "IBitmapBase.h"

#include "ICanvas.h"
#include "IControl.h"

#include <algorithm>
#include <cmath>

namespace lumen::canvas {

int IBitmapBase::FrameForValue(int nFrames, double value) {
  if (nFrames <= 1 || !std::isfinite(value)) return 1;
  // Clamped before the conversion so that no value can overflow the integer.
  const double v = std::clamp(value, -1.0, 2.0);
  return std::clamp(static_cast<int>((nFrames - 1) * v + 0.5) + 1, 1, nFrames);
}

void IBitmapBase::FrameOffset(const IBitmapHandle& bitmap, int frame, int& srcX, int& srcY) {
  srcX = 0;
  srcY = 0;
  if (frame <= 1) return;
  if (bitmap.FramesAreHorizontal()) srcX = bitmap.W() * (frame - 1) / bitmap.N();
  else srcY = bitmap.H() * (frame - 1) / bitmap.N();
}

IRectF IBitmapBase::FrameRectCentredIn(const IBitmapHandle& bitmap, const IRectF& bounds) {
  return bounds.CentredInside(static_cast<float>(bitmap.FrameWidth()), static_cast<float>(bitmap.FrameHeight()));
}

void IBitmapBase::DrawFrame(ICanvas& g) {
  const int frame = FrameForValue(mBitmap.N(), mOwner->GetValue(0));
  int srcX = 0;
  int srcY = 0;
  FrameOffset(mBitmap, frame, srcX, srcY);
  const IBlendMode blend = mOwner->GetBlend();
  g.PaintBitmap(mBitmap, FrameRectCentredIn(mBitmap, mOwner->GetRect()), srcX, srcY, &blend);
}

void IBitmapBase::RefetchForScale() {
  ICanvas* ui = mOwner->GetUI();
  if (!ui || mBitmap.ResourceName().empty()) return;
  const float screen = ui->ScreenScale();
  const int target = std::isfinite(screen) && screen > 0.0f ? static_cast<int>(std::ceil(screen)) : 1;
  const IBitmapHandle fresh =
      ui->FetchBitmap(mBitmap.ResourceName().c_str(), mBitmap.N(), mBitmap.FramesAreHorizontal(), target);
  // A failed fetch keeps the picture the control has (it stays in the backend's cache).
  if (fresh.IsValid()) mBitmap = fresh;
}

} // namespace lumen::canvas
