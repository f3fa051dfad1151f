#pragma once

#include "Vst3Interfaces.h"

#include <atomic>

namespace lumen::vst3 {

// The module's plug-in factory (IPluginFactory, 2 and 3) with its one class. GetPluginFactory
// hands out a new reference each call; the factory deletes itself when the last one goes, and it
// releases the host context it was given then (or when given another).
class Vst3Factory {
public:
  static v3_plugin_factory** Create();

  struct Slot {
    const void* methods;
    Vst3Factory* owner;
  };

  uint32_t AddRef() { return ++mRefs; }
  uint32_t Release();
  void* Interface(const v3_tuid iid);
  void SetHostContext(v3_funknown** context);

private:
  Vst3Factory();
  ~Vst3Factory();

  Slot mFactory;
  std::atomic<uint32_t> mRefs{1};
  v3_funknown** mHostContext = nullptr;
};

} // namespace lumen::vst3
