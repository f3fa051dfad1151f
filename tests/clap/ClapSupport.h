#pragma once

// Loading the built Kolmari.clap (and, for comparisons, Kolmari.so) through the test host.

#include "ClapPluginInstance.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace kolmari::clap::test {

using testhost::AudioBuffers;
using testhost::ClapPluginInstance;

inline std::unique_ptr<ClapPluginInstance> LoadClap() {
  std::string error;
  auto instance = ClapPluginInstance::Load(KOLMARI_CLAP_BINARY, error);
  EXPECT_TRUE(instance) << error;
  return instance;
}

// A stereo test signal: two sines at different frequencies and levels, continuing across blocks.
template <typename Sample>
void FillSignal(AudioBuffers<Sample>& buffers, int64_t start) {
  for (int32_t c = 0; c < buffers.Channels(); ++c) {
    auto& channel = buffers.Channel(c);
    for (size_t i = 0; i < channel.size(); ++i) {
      const double t = static_cast<double>(start + static_cast<int64_t>(i));
      channel[i] = static_cast<Sample>((0.6 - 0.2 * c) * std::sin(t * (0.031 + 0.017 * c)));
    }
  }
}

} // namespace kolmari::clap::test
