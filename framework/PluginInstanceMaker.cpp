#include "PluginInstanceMaker.h"

namespace lumen {

std::mutex& PluginInstanceMaker::ConstructionMutex() {
  static std::mutex mutex;
  return mutex;
}

} // namespace lumen
