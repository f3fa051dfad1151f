#pragma once

#include "plugin.h"

namespace lumen {

// What the factory knows when it creates an instance: the host, which may be null when an instance
// is made outside a host (tools, tests), and the descriptor the instance answers with.
struct IInstanceInfo {
  const clap_host_t* host = nullptr;
  const clap_plugin_descriptor_t* descriptor = nullptr;
};

} // namespace lumen
