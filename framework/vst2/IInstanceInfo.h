#pragma once

#include "AEffect.h"

namespace lumen {

// What the entry point knows about the host when it creates an instance: its callback, which may
// be null when an instance is made outside a host (tools, tests).
struct IInstanceInfo {
  vst2::audioMasterCallback hostCallback = nullptr;
};

} // namespace lumen
