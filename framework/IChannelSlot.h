#pragma once

#include <string>
#include <vector>

namespace lumen {

// The processor's record of one input or output channel.
struct IChannelSlot {
  bool connected = false;
  // This channel's entry in the processor's pointer array: what the DSP receives is written here.
  double** dataSlot = nullptr;
  // The host's 32-bit output buffer for the current block (outputs on the 32-bit path only).
  float* hostBuffer = nullptr;
  // Sized to the block size; holds converted 32-bit input, or output awaiting conversion.
  std::vector<double> scratch;
  std::string label;
};

} // namespace lumen
