#pragma once

#include "IBitmap.h"
#include "IVectorDocument.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

namespace lumen::canvas {

// The caches all surfaces of the process share: bitmaps by (name, scale) and parsed vector
// documents by name. Each has its own lock and counts the surfaces that use it; when the last
// surface goes, both are emptied. Lock order: the bitmap lock before the vector-document lock.
class ISharedCaches {
public:
  static ISharedCaches& Instance();

  void AddUser();
  void RemoveUser();
  int Users() const;

  std::shared_ptr<IVectorDocument> FindVector(const std::string& name);
  void StoreVector(const std::string& name, std::shared_ptr<IVectorDocument> document);

  APIBitmap* FindBitmap(const std::string& name, int scale);
  APIBitmap* StoreBitmap(const std::string& name, int scale, std::unique_ptr<APIBitmap> bitmap);
  void RemoveBitmap(const APIBitmap* bitmap);

private:
  mutable std::mutex mBitmapLock;
  mutable std::mutex mVectorLock;
  int mBitmapUsers = 0;
  int mVectorUsers = 0;
  std::map<std::pair<std::string, int>, std::unique_ptr<APIBitmap>> mBitmaps;
  std::map<std::string, std::shared_ptr<IVectorDocument>> mVectors;
};

} // namespace lumen::canvas
