#pragma once

#include <string>
#include <utility>

namespace lumen::canvas {

// A picture the drawing backend made (decoded image or offscreen layer). The backend derives its
// own bitmap from this and owns every one it makes; the core only reads the size and scales.
class APIBitmap {
public:
  APIBitmap() = default;
  APIBitmap(int handle, int width, int height, float scale, float drawScale)
      : mHandle(handle), mWidth(width), mHeight(height), mScale(scale), mDrawScale(drawScale) {}
  virtual ~APIBitmap() = default;
  APIBitmap(const APIBitmap&) = delete;
  APIBitmap& operator=(const APIBitmap&) = delete;

  int Handle() const { return mHandle; }
  int Width() const { return mWidth; }   // pixels
  int Height() const { return mHeight; } // pixels
  float Scale() const { return mScale; } // display scale the picture was made for (1, 2, 3)
  float DrawScale() const { return mDrawScale; } // surface draw scale it was rendered at

protected:
  int mHandle = 0;
  int mWidth = 0;
  int mHeight = 0;
  float mScale = 1.0f;
  float mDrawScale = 1.0f;
};

// A bitmap as controls hold it: the backend's picture (not owned) seen as a film strip of frames.
// Copied freely; the backend bitmap outlives every handle to it.
class IBitmapHandle {
public:
  IBitmapHandle() = default;
  // Width and height in logical units are the picture's pixels divided by the scale it was made for.
  IBitmapHandle(APIBitmap* bitmap, int frames, bool framesHorizontal, std::string name)
      : mBitmap(bitmap), mFrames(frames < 1 ? 1 : frames), mHorizontal(framesHorizontal), mName(std::move(name)) {
    if (bitmap && bitmap->Scale() > 0.0f) {
      mWidth = static_cast<int>(static_cast<float>(bitmap->Width()) / bitmap->Scale());
      mHeight = static_cast<int>(static_cast<float>(bitmap->Height()) / bitmap->Scale());
    }
  }

  APIBitmap* GetAPIBitmap() const { return mBitmap; }
  bool IsValid() const { return mBitmap != nullptr; }
  int W() const { return mWidth; }
  int H() const { return mHeight; }
  int N() const { return mFrames; }
  bool FramesAreHorizontal() const { return mHorizontal; }
  const std::string& ResourceName() const { return mName; }
  int FrameWidth() const { return mHorizontal ? mWidth / mFrames : mWidth; }
  int FrameHeight() const { return mHorizontal ? mHeight : mHeight / mFrames; }
  float DrawScale() const { return mBitmap ? mBitmap->DrawScale() : 1.0f; }

private:
  APIBitmap* mBitmap = nullptr;
  int mWidth = 0;
  int mHeight = 0;
  int mFrames = 1;
  bool mHorizontal = false;
  std::string mName;
};

} // namespace lumen::canvas
