#pragma once

// This framework's own effVendorSpecific call: reproducible processing. A plug-in whose sound has a
// random part (a per-block drift, say) normally draws it from the operating system's random source,
// so two renders of the same input never match exactly. A host or tool that needs identical renders
// (null tests, regression checks) asks for a fixed seed:
//
//   dispatcher(effect, effVendorSpecific, kFixedSeedIndex, kUseFixedSeed, &seed, 0)
//       seed is a uint32_t; from the next block on every random draw is seeded from it instead of
//       the operating system's source (the same value for every block). Answer kUseFixedSeed.
//   dispatcher(effect, effVendorSpecific, kFixedSeedIndex, kUseSystemSource, nullptr, 0)
//       back to the operating system's source, as after construction. Answer kUseSystemSource.
//
// Any other answer (0 from a plug-in that does not know the call, or for a null seed pointer) means
// nothing changed. The index and the two values are four-character codes no host sends for anything
// else. The call is safe from the host's main thread while audio runs; it takes effect at the start
// of the next block. The setting is not part of the saved state.

#include <cstdint>

namespace lumen::vst2 {

namespace detail {
constexpr int32_t FourCharacters(char a, char b, char c, char d) {
  return static_cast<int32_t>((static_cast<uint32_t>(static_cast<uint8_t>(a)) << 24) |
                              (static_cast<uint32_t>(static_cast<uint8_t>(b)) << 16) |
                              (static_cast<uint32_t>(static_cast<uint8_t>(c)) << 8) |
                              static_cast<uint32_t>(static_cast<uint8_t>(d)));
}
} // namespace detail

inline constexpr int32_t kFixedSeedIndex = detail::FourCharacters('l', 'u', 'm', 'n');    // 0x6C756D6E
inline constexpr intptr_t kUseFixedSeed = detail::FourCharacters('S', 'e', 'e', 'd');     // 0x53656564
inline constexpr intptr_t kUseSystemSource = detail::FourCharacters('R', 'a', 'n', 'd');  // 0x52616E64

} // namespace lumen::vst2
