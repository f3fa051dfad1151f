#pragma once

// Our own plug-in extension for reproducible processing, the counterpart of the VST 2.4 vendor
// call: with a seed every later block draws its random values from that seed; without one the
// plug-in returns to the operating system's source. Hosts that do not know it never ask for it.
//
// [main-thread] set answers true when the plug-in has a fixed-seed mode and took the request.

#include "plugin.h"

#include <cstdint>

extern "C" {

static constexpr const char kClapExtFixedSeed[] = "com.lumenfold.fixed-seed/1";

typedef struct clap_plugin_fixed_seed {
  bool(CLAP_ABI* set)(const clap_plugin_t* plugin, bool use_fixed_seed, uint32_t seed);
} clap_plugin_fixed_seed_t;

}
