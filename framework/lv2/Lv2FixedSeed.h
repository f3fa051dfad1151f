#pragma once

// Our own LV2 extension for reproducible processing, the counterpart of the VST 2.4 vendor call
// and the CLAP and VST3 extensions. A plug-in whose sound has a random part (a per-block drift,
// say) normally draws it from the operating system's random source, so two renders of the same
// input never match exactly. A host that needs identical renders asks the descriptor's
// extension_data for kLv2FixedSeedUri and gets this struct:
//
//   set(instance, true, seed)   from the next run on, every random draw of every block is seeded
//                               from seed instead of the operating system's source;
//   set(instance, false, 0)     back to the operating system's source, as after instantiation.
//
// set answers true when the plug-in has a fixed-seed mode and took the request; false means nothing
// changed. It may be called from the host's main thread while run goes on in the audio thread
// (the value is handed over without a lock) and takes effect at the start of the next run. The
// setting is not part of any saved state. The plug-in's data declares the URI as lv2:extensionData.
//
// Plain C, so that any host can declare it from this header alone.

#include <lv2/core/lv2.h>

#include <stdbool.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define LUMEN_LV2_FIXED_SEED_URI "https://lumenfold.com/ns/lv2/fixed-seed"

typedef struct LumenLv2FixedSeed {
  bool (*set)(LV2_Handle instance, bool use_fixed_seed, uint32_t seed);
} LumenLv2FixedSeed;

#ifdef __cplusplus
}
#endif
