#pragma once

#include "IBitmap.h"
#include "ICanvasTypes.h"

namespace lumen::canvas {

class ICanvas;
class IControl;

// The part of a bitmap control that holds its picture and draws the frame its value chooses.
class IBitmapBase {
public:
  IBitmapBase(const IBitmapHandle& bitmap, IControl& owner) : mBitmap(bitmap), mOwner(&owner) {}
  virtual ~IBitmapBase() = default;
  IBitmapBase(const IBitmapBase&) = delete;
  IBitmapBase& operator=(const IBitmapBase&) = delete;

  const IBitmapHandle& GetBitmap() const { return mBitmap; }
  void SetBitmap(const IBitmapHandle& bitmap) { mBitmap = bitmap; }

  // The frame (1 ... N) a value shows: round((N - 1) * value) + 1, clamped.
  static int FrameForValue(int nFrames, double value);
  // The offset of frame i (1-based) in the strip, in logical units.
  static void FrameOffset(const IBitmapHandle& bitmap, int frame, int& srcX, int& srcY);
  // The rectangle of a frame of the bitmap centred in bounds.
  static IRectF FrameRectCentredIn(const IBitmapHandle& bitmap, const IRectF& bounds);

  // Draws the frame for the owner's value 0, centred in the owner's rectangle.
  void DrawFrame(ICanvas& g);
  // Fetches the bitmap again, by its name, for the surface's screen scale rounded up.
  void RefetchForScale();

protected:
  IBitmapHandle mBitmap;
  IControl* mOwner;
};

} // namespace lumen::canvas
