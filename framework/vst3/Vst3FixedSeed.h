#pragma once

// This framework's own VST3 interface for reproducible processing, what the VST 2.4 binding offers
// as a vendor call. A plug-in whose sound has a random part (a per-block drift, say) normally draws
// it from the operating system's random source, so two renders of the same input never match
// exactly. A host or tool that needs identical renders asks the component for this interface
// (queryInterface with kFixedSeedIid) and calls:
//
//   use_fixed_seed(self, seed)   from the next block on every random draw is seeded from seed
//                                instead of the operating system's source; V3_OK.
//   use_system_source(self)      back to the operating system's source, as after creation; V3_OK.
//
// V3_NOT_IMPLEMENTED means nothing changed (the plug-in has no random part to fix). Both calls are
// safe on the host's main thread while audio runs and take effect at the start of the next block.
// The setting is not part of the saved state. The interface is reference counted like any other:
// release what queryInterface gave.

#include "base.h"

#include <cstdint>

namespace lumen::vst3 {

struct FixedSeedMethods {
  v3_result(V3_API* use_fixed_seed)(void* self, uint32_t seed);
  v3_result(V3_API* use_system_source)(void* self);
};

struct FixedSeedVtbl : v3_funknown {
  FixedSeedMethods seed;
};

// "lumn" "Seed" and two words of our own: no other interface has this id.
inline constexpr v3_tuid kFixedSeedIid = V3_ID(0x6C756D6E, 0x53656564, 0x4B6F6C6D, 0x61726931);

} // namespace lumen::vst3
