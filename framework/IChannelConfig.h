#pragma once

#include <cstdint>
#include <vector>

namespace lumen {

enum class ERoute : int32_t { Input = 0, Output = 1 };

// One bus of a channel configuration. A count of kAnyChannels accepts any number of channels.
struct IBusSpec {
  static constexpr int32_t kAnyChannels = -64;

  ERoute direction = ERoute::Input;
  int32_t channelCount = 0;
};

// One accepted channel layout: its input buses and its output buses.
struct IChannelConfig {
  std::vector<IBusSpec> inputBuses;
  std::vector<IBusSpec> outputBuses;

  // Sum of the bus counts of one direction (kAnyChannels included as it is).
  int32_t TotalChannels(ERoute direction) const;
};

} // namespace lumen
