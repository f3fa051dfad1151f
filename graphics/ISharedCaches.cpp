#include "ISharedCaches.h"

namespace lumen::canvas {

ISharedCaches& ISharedCaches::Instance() {
  static ISharedCaches caches;
  return caches;
}

void ISharedCaches::AddUser() {
  const std::scoped_lock lock(mBitmapLock, mVectorLock);
  ++mBitmapUsers;
  ++mVectorUsers;
}

void ISharedCaches::RemoveUser() {
  std::unique_lock bitmapLock(mBitmapLock);
  if (mBitmapUsers > 0 && --mBitmapUsers == 0) mBitmaps.clear();
  const std::lock_guard vectorLock(mVectorLock);
  if (mVectorUsers > 0 && --mVectorUsers == 0) mVectors.clear();
}

int ISharedCaches::Users() const {
  const std::lock_guard lock(mBitmapLock);
  return mBitmapUsers;
}

std::shared_ptr<IVectorDocument> ISharedCaches::FindVector(const std::string& name) {
  const std::lock_guard lock(mVectorLock);
  const auto it = mVectors.find(name);
  return it == mVectors.end() ? nullptr : it->second;
}

void ISharedCaches::StoreVector(const std::string& name, std::shared_ptr<IVectorDocument> document) {
  const std::lock_guard lock(mVectorLock);
  mVectors[name] = std::move(document);
}

APIBitmap* ISharedCaches::FindBitmap(const std::string& name, int scale) {
  const std::lock_guard lock(mBitmapLock);
  const auto it = mBitmaps.find({name, scale});
  return it == mBitmaps.end() ? nullptr : it->second.get();
}

APIBitmap* ISharedCaches::StoreBitmap(const std::string& name, int scale, std::unique_ptr<APIBitmap> bitmap) {
  const std::lock_guard lock(mBitmapLock);
  auto& slot = mBitmaps[{name, scale}];
  if (!slot) slot = std::move(bitmap);
  return slot.get();
}

void ISharedCaches::RemoveBitmap(const APIBitmap* bitmap) {
  const std::lock_guard lock(mBitmapLock);
  for (auto it = mBitmaps.begin(); it != mBitmaps.end(); ++it) {
    if (it->second.get() == bitmap) {
      mBitmaps.erase(it);
      return;
    }
  }
}

} // namespace lumen::canvas
