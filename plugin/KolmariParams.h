#pragma once

#include <cstdint>

namespace kolmari {

// The plug-in's version, packed as 0x00MMmmpp: 1.1.5.
inline constexpr int32_t kPackedVersion = 0x00010105;

// Parameter indices as the host, the state chunk and the editor know them (in every format).
enum EParam : int {
  kBypass = 0,
  kReact = 1,
  kOversampling = 2,
  kDelta = 3,
  kInputGain = 4,
  kWet = 5,
  kTame = 6,
  kOutputGain = 7,
  kBias = 8,
  kNumParams = 9,
};

} // namespace kolmari
