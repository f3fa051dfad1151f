#pragma once

#include "Vst3Interfaces.h"
#include "Vst3Object.h"

namespace lumen::vst3 {

// The module's plug-in factory (versions 1, 2 and 3 of its interface) with its one class. GetPluginFactory
// hands out a new reference each call; the factory deletes itself when the last one goes, and it
// releases the host context it was given then (or when given another).
class Vst3Factory : public Vst3Object<Vst3Factory> {
public:
  static v3_plugin_factory** Create();

  void* Interface(const v3_tuid iid);
  void SetHostContext(v3_funknown** context);

private:
  friend class Vst3Object<Vst3Factory>;
  Vst3Factory();
  ~Vst3Factory();

  Slot mFactory;
  v3_funknown** mHostContext = nullptr;
};

} // namespace lumen::vst3
